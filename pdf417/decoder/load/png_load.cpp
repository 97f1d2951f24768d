// PNG files to grey pictures, with libspng: every colour type and bit depth, interlaced or not,
// decoded a row at a time so that no more than one colour row is held besides the grey picture.
// The chunks after the pixels are read to the end too, so that every chunk's checksum is checked.
#include <spng.h>

#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "pdf417/common/error.h"
#include "pdf417/decoder/load/picture_load.h"

namespace pdf417 {
namespace {

// Ancillary chunks (text, colour profiles) are not needed; one larger than this, or more of them
// in all than the cache limit, refuses the file instead of holding it in memory.
constexpr std::size_t kMaxChunkBytes = 8u << 20;
constexpr std::size_t kMaxChunkCacheBytes = 16u << 20;

// Where each interlacing pass puts its first pixel of a row, and how far apart its pixels are.
constexpr int kPassColumnStart[7] = {0, 4, 0, 2, 0, 1, 0};
constexpr int kPassColumnStep[7] = {8, 8, 4, 4, 2, 2, 1};

struct ContextFree {
  void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};

[[noreturn]] void Bad(const std::string& message) {
  throw Error(ErrorCode::BadBitmap, "not a readable PNG: " + message);
}

[[noreturn]] void Fail(int code) {
  if (code == SPNG_EMEM) throw std::bad_alloc();
  if (code == SPNG_IO_EOF) Bad("the file is truncated");
  if (code == SPNG_IO_ERROR) throw Error(ErrorCode::FileRead, "cannot read the PNG file");
  if (code == SPNG_ECHUNK_LIMITS) {
    Bad("an ancillary chunk (text or colour profile) is larger than the " +
        std::to_string(kMaxChunkBytes >> 20) + " MiB we accept");
  }
  Bad(spng_strerror(code));
}

// A file or pipe read through PictureInput. libspng is C: what Read throws is kept here and
// thrown again once libspng has returned.
struct Stream {
  PictureInput* input;
  std::exception_ptr failure;
};

int ReadStream(spng_ctx*, void* user, void* out, std::size_t length) {
  auto* stream = static_cast<Stream*>(user);
  try {
    const std::size_t got = stream->input->Read(static_cast<std::uint8_t*>(out), length);
    return got == length ? 0 : SPNG_IO_EOF;
  } catch (...) {
    stream->failure = std::current_exception();
    return SPNG_IO_ERROR;
  }
}

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

}  // namespace

GreyImage LoadPng(PictureInput& input, const LoadLimits& limits) {
  std::unique_ptr<spng_ctx, ContextFree> ctx(spng_ctx_new(0));
  if (!ctx) throw std::bad_alloc();
  spng_ctx* c = ctx.get();
  spng_set_image_limits(c, kMaxBitmapSide, kMaxBitmapSide);
  spng_set_chunk_limits(c, kMaxChunkBytes, kMaxChunkCacheBytes);
  spng_set_crc_action(c, SPNG_CRC_ERROR, SPNG_CRC_ERROR);
  Stream stream{&input, nullptr};
  int rc = input.Memory() != nullptr ? spng_set_png_buffer(c, input.Memory(), input.MemorySize())
                                     : spng_set_png_stream(c, ReadStream, &stream);
  if (rc != 0) Fail(rc);
  // Every failure of libspng after this: the reading's own error first.
  auto fail = [&stream](int code) {
    if (stream.failure) std::rethrow_exception(stream.failure);
    Fail(code);
  };

  spng_ihdr ihdr{};
  rc = spng_get_ihdr(c, &ihdr);
  if (rc == SPNG_EWIDTH || rc == SPNG_EHEIGHT || rc == SPNG_EUSER_WIDTH ||
      rc == SPNG_EUSER_HEIGHT) {
    // The sides as the header chunk, right after the signature, gives them.
    const std::uint8_t* head = input.Head();
    if (input.HeadSize() >= 24) {
      Bad("its header claims " + std::to_string(BigEndian32(head + 16)) + " x " +
          std::to_string(BigEndian32(head + 20)) + " pixels, outside the 1 to " +
          std::to_string(kMaxBitmapSide) + " a side we accept");
    }
  }
  if (rc != 0) fail(rc);
  limits.CheckPixels("PNG", ihdr.width, ihdr.height,
                     static_cast<std::int64_t>(ihdr.width) * ihdr.height);

  // The common kinds, not interlaced and of at most eight bits, are read as stored and turned into
  // grey here: grey without a transparent level (packed one to eight bits), grey with alpha, RGB
  // without a transparent colour and RGBA. libspng's own conversion of these to RGBA costs more
  // than the rest of a decode. Interlaced grey is read as grey; everything else as RGBA.
  spng_trns trns{};
  rc = spng_get_trns(c, &trns);  // reads the chunks before the pixels
  if (rc != 0 && rc != SPNG_ECHUNKAVAIL) fail(rc);
  const bool noTrns = rc == SPNG_ECHUNKAVAIL;
  const int type = ihdr.color_type;
  const bool grey8 = type == SPNG_COLOR_TYPE_GRAYSCALE && ihdr.bit_depth <= 8 && noTrns;
  const bool raw =
      ihdr.interlace_method == 0 &&
      (grey8 || (ihdr.bit_depth == 8 && (type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA ||
                                         type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA ||
                                         (type == SPNG_COLOR_TYPE_TRUECOLOR && noTrns))));
  const bool packed = raw && grey8;
  const int format = raw ? SPNG_FMT_PNG : grey8 ? SPNG_FMT_G8 : SPNG_FMT_RGBA8;
  rc = spng_decode_image(c, nullptr, 0, format, SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE);
  if (rc != 0) fail(rc);
  const auto width = static_cast<std::int32_t>(ihdr.width);
  const auto height = static_cast<std::int32_t>(ihdr.height);
  GreyImage grey(width, height);
  const std::size_t pixelBytes = grey8 ? 1 : 4;
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * pixelBytes);
  for (;;) {
    limits.Check();
    spng_row_info info{};
    rc = spng_get_row_info(c, &info);
    if (rc != 0) break;
    rc = spng_decode_row(c, row.data(), row.size());
    if (rc != 0 && rc != SPNG_EOI) break;
    // An interlaced pass fills only its own columns of the row.
    const bool interlaced = ihdr.interlace_method != 0 && info.pass >= 0 && info.pass < 7;
    const int start = interlaced ? kPassColumnStart[info.pass] : 0;
    const int step = interlaced ? kPassColumnStep[info.pass] : 1;
    std::uint8_t* out = grey.pixels.data() +
                        static_cast<std::size_t>(info.row_num) * static_cast<std::size_t>(width);
    if (packed && ihdr.bit_depth == 8) {
      std::memcpy(out, row.data(), static_cast<std::size_t>(width));
    } else if (packed) {
      const int depth = ihdr.bit_depth;
      const unsigned mask = (1u << depth) - 1;
      const unsigned scale = 255 / mask;  // 255, 85, 17 or 1
      for (std::int32_t x = 0; x < width; ++x) {
        const std::size_t bit = static_cast<std::size_t>(x) * static_cast<std::size_t>(depth);
        const unsigned v = (row[bit >> 3] >> (8 - depth - (bit & 7))) & mask;
        out[x] = static_cast<std::uint8_t>(v * scale);
      }
    } else if (raw) {
      const std::uint8_t* p = row.data();
      for (std::int32_t x = 0; x < width; ++x) {
        switch (type) {
          case SPNG_COLOR_TYPE_GRAYSCALE_ALPHA:
            out[x] = Luminance(p[0], p[0], p[0], p[1]);
            p += 2;
            break;
          case SPNG_COLOR_TYPE_TRUECOLOR:
            out[x] = Luminance(p[0], p[1], p[2]);
            p += 3;
            break;
          default:
            out[x] = Luminance(p[0], p[1], p[2], p[3]);
            p += 4;
            break;
        }
      }
    } else if (grey8) {
      for (std::int32_t x = start; x < width; x += step) out[x] = row[static_cast<std::size_t>(x)];
    } else {
      for (std::int32_t x = start; x < width; x += step) {
        const std::uint8_t* p = row.data() + static_cast<std::size_t>(x) * 4;
        out[x] = Luminance(p[0], p[1], p[2], p[3]);
      }
    }
    if (rc == SPNG_EOI) break;
  }
  if (rc != SPNG_EOI) fail(rc);
  // The rest of the last pixel chunk and the chunks after it, to the end chunk: their checksums.
  rc = spng_decode_chunks(c);
  if (rc != 0) fail(rc);
  return grey;
}

}  // namespace pdf417
