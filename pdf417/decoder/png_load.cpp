// PNG files to grey pictures, with libspng: every colour type and bit depth, interlaced or not,
// decoded a row at a time so that no more than one colour row is held besides the grey picture.
#include <spng.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "pdf417/common/error.h"
#include "pdf417/decoder/picture_load.h"

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

}  // namespace

GreyImage LoadPng(const PictureInput& input) {
  std::unique_ptr<spng_ctx, ContextFree> ctx(spng_ctx_new(0));
  if (!ctx) throw std::bad_alloc();
  spng_ctx* c = ctx.get();
  spng_set_image_limits(c, kMaxBitmapSide, kMaxBitmapSide);
  spng_set_chunk_limits(c, kMaxChunkBytes, kMaxChunkCacheBytes);
  spng_set_crc_action(c, SPNG_CRC_ERROR, SPNG_CRC_ERROR);
  int rc = input.file != nullptr ? spng_set_png_file(c, input.file)
                                 : spng_set_png_buffer(c, input.data, input.size);
  if (rc != 0) Fail(rc);

  spng_ihdr ihdr{};
  rc = spng_get_ihdr(c, &ihdr);
  if (rc == SPNG_EUSER_WIDTH || rc == SPNG_EUSER_HEIGHT) {
    Bad("the picture is larger than the " + std::to_string(kMaxBitmapSide) + " x " +
        std::to_string(kMaxBitmapSide) + " pixels we accept");
  }
  if (rc != 0) Fail(rc);

  rc = spng_decode_image(c, nullptr, 0, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE);
  if (rc != 0) Fail(rc);
  const auto width = static_cast<std::int32_t>(ihdr.width);
  const auto height = static_cast<std::int32_t>(ihdr.height);
  GreyImage grey(width, height);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 4);
  for (;;) {
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
    for (std::int32_t x = start; x < width; x += step) {
      const std::uint8_t* p = row.data() + static_cast<std::size_t>(x) * 4;
      out[x] = Luminance(p[0], p[1], p[2], p[3]);
    }
    if (rc == SPNG_EOI) break;
  }
  if (rc != SPNG_EOI) Fail(rc);
  return grey;
}

}  // namespace pdf417
