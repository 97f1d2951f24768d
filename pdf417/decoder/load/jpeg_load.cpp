// JPEG files to grey pictures, with libjpeg-turbo: grey, YCbCr and RGB files give their luma
// directly, CMYK and YCCK files are turned into luminance here. The sides are checked once the
// frame header is read, before any pixel memory is allocated; a file read from disk is read only
// as far as the decoder asks (segments it skips are seeked over).
// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <csetjmp>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "pdf417/common/error.h"
#include "pdf417/decoder/load/picture_load.h"

namespace pdf417 {
namespace {

// Memory libjpeg may take for itself (a progressive 10,000 x 10,000 colour picture holds its
// coefficients: up to 600 MB without chroma subsampling).
constexpr long kMaxJpegMemory = 768L << 20;
// More scans than any encoder writes: a file with more is made to tie up the decoder.
constexpr int kMaxScans = 500;
constexpr std::size_t kFileBufferBytes = 65536;

// libjpeg reports errors through a callback that must not return: it jumps back to the call that
// set `jump`, which then reports `message`.
struct JpegErrors {
  jpeg_error_mgr manager;  // first: libjpeg hands back its address
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JumpWith(j_common_ptr cinfo, const char* message) {
  auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
  std::snprintf(errors->message, sizeof errors->message, "%s", message);
  std::longjmp(errors->jump, 1);
}

void OnError(j_common_ptr cinfo) {
  if (cinfo->err->msg_code == JERR_NO_BACKING_STORE) {
    JumpWith(cinfo, "decoding it needs more than the 768 MiB of memory we give a JPEG");
  }
  auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, errors->message);
  std::longjmp(errors->jump, 1);
}

// Warnings are ignored, except the end of the data before the end of the picture: libjpeg would
// fill the rest grey, we refuse the file as truncated.
void OnMessage(j_common_ptr cinfo, int level) {
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) JumpWith(cinfo, "the file is truncated");
}

void OnProgress(j_common_ptr cinfo) {
  if (cinfo->is_decompressor &&
      reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
    JumpWith(cinfo, "the file has more scans than any picture needs");
  }
}

// A source that reads a file in blocks and seeks over what the decoder skips.
struct FileSource {
  jpeg_source_mgr manager;  // first: libjpeg hands back its address
  std::FILE* file = nullptr;
  JOCTET buffer[kFileBufferBytes];
};

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillBuffer(j_decompress_ptr cinfo) {
  auto* source = reinterpret_cast<FileSource*>(cinfo->src);
  const std::size_t got = std::fread(source->buffer, 1, kFileBufferBytes, source->file);
  if (got == 0) {
    if (std::ferror(source->file)) {
      JumpWith(reinterpret_cast<j_common_ptr>(cinfo), "the file cannot be read");
    }
    WARNMS(cinfo, JWRN_JPEG_EOF);  // refused by OnMessage
  }
  source->manager.next_input_byte = source->buffer;
  source->manager.bytes_in_buffer = got;
  return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
  auto* source = reinterpret_cast<FileSource*>(cinfo->src);
  if (count <= 0) return;
  const auto skip = static_cast<std::size_t>(count);
  if (skip <= source->manager.bytes_in_buffer) {
    source->manager.next_input_byte += skip;
    source->manager.bytes_in_buffer -= skip;
    return;
  }
  const long beyond = static_cast<long>(skip - source->manager.bytes_in_buffer);
  source->manager.bytes_in_buffer = 0;
  if (std::fseek(source->file, beyond, SEEK_CUR) != 0) {
    JumpWith(reinterpret_cast<j_common_ptr>(cinfo), "the file cannot be read");
  }
}

struct Decoder {
  jpeg_decompress_struct cinfo{};
  JpegErrors errors{};
  jpeg_progress_mgr progress{};
  FileSource source{};
  bool created = false;
  ~Decoder() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
};

// Each of these returns false with errors.message set when libjpeg reports an error. No object
// with a destructor lives in their frames, so the jump back from libjpeg skips nothing.
bool Start(Decoder* d, const PictureInput* input) {
  if (setjmp(d->errors.jump)) return false;
  jpeg_create_decompress(&d->cinfo);
  d->created = true;
  d->cinfo.mem->max_memory_to_use = kMaxJpegMemory;
  d->progress.progress_monitor = OnProgress;
  d->cinfo.progress = &d->progress;
  if (input->file != nullptr) {
    d->source.file = input->file;
    d->source.manager.init_source = InitSource;
    d->source.manager.fill_input_buffer = FillBuffer;
    d->source.manager.skip_input_data = SkipInput;
    d->source.manager.resync_to_restart = jpeg_resync_to_restart;
    d->source.manager.term_source = TermSource;
    d->cinfo.src = &d->source.manager;
  } else {
    jpeg_mem_src(&d->cinfo, input->data, static_cast<unsigned long>(input->size));
  }
  jpeg_read_header(&d->cinfo, TRUE);
  return true;
}

bool ReadPixels(Decoder* d, GreyImage* grey, std::uint8_t* cmykRow) {
  if (setjmp(d->errors.jump)) return false;
  jpeg_decompress_struct* cinfo = &d->cinfo;
  jpeg_start_decompress(cinfo);
  const bool cmyk = cinfo->out_color_space == JCS_CMYK;
  // Adobe's files store CMYK inverted (255 is no ink); others store the ink.
  const bool inverted = cinfo->saw_Adobe_marker;
  while (cinfo->output_scanline < cinfo->output_height) {
    std::uint8_t* out = grey->pixels.data() + static_cast<std::size_t>(cinfo->output_scanline) *
                                                  static_cast<std::size_t>(grey->width);
    JSAMPROW rows[1] = {cmyk ? cmykRow : out};
    if (jpeg_read_scanlines(cinfo, rows, 1) != 1)
      JumpWith(reinterpret_cast<j_common_ptr>(cinfo), "the file is truncated");
    if (!cmyk) continue;
    for (std::int32_t x = 0; x < grey->width; ++x) {
      const std::uint8_t* p = cmykRow + static_cast<std::size_t>(x) * 4;
      unsigned rgb[3];
      const unsigned k = inverted ? p[3] : 255u - p[3];
      for (int i = 0; i < 3; ++i) {
        const unsigned c = inverted ? p[i] : 255u - p[i];
        rgb[i] = (c * k + 127) / 255;
      }
      out[x] = Luminance(rgb[0], rgb[1], rgb[2]);
    }
  }
  jpeg_finish_decompress(cinfo);
  return true;
}

[[noreturn]] void Bad(const std::string& message) {
  throw Error(ErrorCode::BadBitmap, "not a readable JPEG: " + message);
}

}  // namespace

GreyImage LoadJpeg(const PictureInput& input) {
  auto d = std::make_unique<Decoder>();
  d->cinfo.err = jpeg_std_error(&d->errors.manager);
  d->errors.manager.error_exit = OnError;
  d->errors.manager.emit_message = OnMessage;
  if (!Start(d.get(), &input)) Bad(d->errors.message);

  jpeg_decompress_struct& cinfo = d->cinfo;
  if (cinfo.image_width < 1 || cinfo.image_height < 1 || cinfo.image_width > kMaxBitmapSide ||
      cinfo.image_height > kMaxBitmapSide) {
    Bad(std::to_string(cinfo.image_width) + " x " + std::to_string(cinfo.image_height) +
        " pixels is outside the 1 to " + std::to_string(kMaxBitmapSide) +
        " pixels a side we accept");
  }
  switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
      cinfo.out_color_space = JCS_GRAYSCALE;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      cinfo.out_color_space = JCS_CMYK;
      break;
    default:
      Bad("its colour space (" + std::to_string(cinfo.num_components) +
          " components) is not one of grey, YCbCr, RGB, CMYK and YCCK");
  }
  GreyImage grey(static_cast<std::int32_t>(cinfo.image_width),
                 static_cast<std::int32_t>(cinfo.image_height));
  std::vector<std::uint8_t> cmykRow;
  if (cinfo.out_color_space == JCS_CMYK) cmykRow.resize(static_cast<std::size_t>(grey.width) * 4);
  if (!ReadPixels(d.get(), &grey, cmykRow.data())) Bad(d->errors.message);
  return grey;
}

}  // namespace pdf417
