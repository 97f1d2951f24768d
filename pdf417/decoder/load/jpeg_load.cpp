// JPEG files to grey pictures, with libjpeg-turbo: grey, YCbCr and RGB files give their luma
// directly, CMYK and YCCK files are turned into luminance here. The sides and the memory the file
// needs are checked once the frame header is read, before any pixel memory is allocated; the work
// of its scans is bounded as they are read; a file is read only as far as the decoder asks
// (segments it skips are seeked over in a regular file).
// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <algorithm>
#include <array>
#include <csetjmp>
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

// Memory libjpeg may take for itself besides the coefficients it holds for a file whose scans are
// not all interleaved (those are counted against the pixel limit before decoding starts).
constexpr long kJpegWorkingBytes = 64L << 20;
// More scans than any encoder writes: a file with more is made to tie up the decoder.
constexpr int kMaxScans = 500;
// How many times the scans together may go over every block of the picture. libjpeg's own
// progressive files go over each block 4 to 6 times; each pass costs about as much as decoding
// the whole picture once, so a few small scans repeated would otherwise cost a minute.
constexpr std::int64_t kMaxBlockPasses = 16;
constexpr std::size_t kFileBufferBytes = 65536;

// Why a decode stopped before libjpeg finished: set where libjpeg is left by a jump.
enum class Stop { None, Refused, OutOfMemory, Budget, ReadFailed };

// libjpeg reports errors through a callback that must not return: it jumps back to the call that
// set `jump`, which then reports `message`.
struct JpegErrors {
  jpeg_error_mgr manager;  // first: libjpeg hands back its address
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  Stop stop = Stop::None;
};

[[noreturn]] void JumpWith(j_common_ptr cinfo, const char* message, Stop stop = Stop::Refused) {
  auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
  std::snprintf(errors->message, sizeof errors->message, "%s", message);
  errors->stop = stop;
  std::longjmp(errors->jump, 1);
}

void OnError(j_common_ptr cinfo) {
  auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
  if (cinfo->err->msg_code == JERR_OUT_OF_MEMORY) JumpWith(cinfo, "", Stop::OutOfMemory);
  if (cinfo->err->msg_code == JERR_NO_BACKING_STORE) {
    JumpWith(cinfo, "decoding it needs more memory than its pixels allow");
  }
  (*cinfo->err->format_message)(cinfo, errors->message);
  errors->stop = Stop::Refused;
  std::longjmp(errors->jump, 1);
}

// Warnings are ignored, except the end of the data before the end of the picture: libjpeg would
// fill the rest grey, we refuse the file as truncated.
void OnMessage(j_common_ptr cinfo, int level) {
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) JumpWith(cinfo, "the file is truncated");
}

// The progress monitor: called before every row of blocks that libjpeg reads and every row it
// writes. It checks the decode's budget, and bounds the work of the scans: no scan may send again
// coefficients that an earlier scan sent (a first scan of them, or a refinement that does not go
// on from the bit where the last one stopped), and all the scans together may go over the
// picture's blocks at most kMaxBlockPasses times.
struct Progress {
  jpeg_progress_mgr manager;  // first: libjpeg hands back its address
  const LoadLimits* limits = nullptr;
  int scan = 0;  // the last scan accounted for
  std::int64_t blocks = 0;
  std::int64_t visited = 0;
  // Per component and coefficient: -1 until sent, then the bit the last scan stopped at.
  std::array<std::array<signed char, DCTSIZE2>, MAX_COMPONENTS> sent{};
  DecodeStatus budget = DecodeStatus::Decoded;
};

std::int64_t BlocksOf(const jpeg_component_info* c) {
  const auto round = [](JDIMENSION n, int factor) {
    return static_cast<std::int64_t>((n + factor - 1) / factor) * factor;
  };
  return round(c->width_in_blocks, c->h_samp_factor) * round(c->height_in_blocks, c->v_samp_factor);
}

void AccountScan(j_decompress_ptr cinfo, Progress* p) {
  p->scan = cinfo->input_scan_number;
  if (p->scan > kMaxScans) {
    JumpWith(reinterpret_cast<j_common_ptr>(cinfo),
             "the file has more scans than any picture needs");
  }
  // Sequential files send every coefficient of a component in its one scan.
  const int first = cinfo->progressive_mode ? std::clamp(cinfo->Ss, 0, DCTSIZE2 - 1) : 0;
  const int last = cinfo->progressive_mode ? std::clamp(cinfo->Se, first, DCTSIZE2 - 1) : 63;
  const int ah = cinfo->progressive_mode ? cinfo->Ah : 0;
  const int al = cinfo->progressive_mode ? cinfo->Al : 0;
  for (int i = 0; i < cinfo->comps_in_scan; ++i) {
    const jpeg_component_info* c = cinfo->cur_comp_info[i];
    p->visited += BlocksOf(c);
    auto& sent = p->sent[static_cast<std::size_t>(c->component_index)];
    for (int k = first; k <= last; ++k) {
      signed char& bit = sent[static_cast<std::size_t>(k)];
      const bool again = ah == 0 ? bit >= 0 : bit < 0 || ah != bit || al >= ah;
      if (again) {
        // No std::string here: the jump would skip its destructor.
        char message[96];
        std::snprintf(message, sizeof message,
                      "scan %d sends again coefficients that an earlier scan sent", p->scan);
        JumpWith(reinterpret_cast<j_common_ptr>(cinfo), message);
      }
      bit = static_cast<signed char>(al);
    }
  }
  if (p->visited > kMaxBlockPasses * p->blocks) {
    char message[96];
    std::snprintf(message, sizeof message,
                  "its scans go over the picture more than %d times, more than any encoder needs",
                  static_cast<int>(kMaxBlockPasses));
    JumpWith(reinterpret_cast<j_common_ptr>(cinfo), message);
  }
}

void OnProgress(j_common_ptr cinfo) {
  auto* p = reinterpret_cast<Progress*>(cinfo->progress);
  if (p->limits->budget != nullptr) {
    p->budget = p->limits->budget->Stop();
    if (p->budget != DecodeStatus::Decoded) JumpWith(cinfo, "", Stop::Budget);
  }
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number != p->scan) AccountScan(d, p);
}

// A source that reads a file or pipe through PictureInput, in blocks, and skips what the decoder
// skips. What PictureInput throws is kept and thrown again once libjpeg has returned.
struct FileSource {
  jpeg_source_mgr manager;  // first: libjpeg hands back its address
  PictureInput* input = nullptr;
  std::exception_ptr failure;
  JOCTET buffer[kFileBufferBytes];
};

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillBuffer(j_decompress_ptr cinfo) {
  auto* source = reinterpret_cast<FileSource*>(cinfo->src);
  std::size_t got = 0;
  try {
    got = source->input->Read(source->buffer, kFileBufferBytes);
  } catch (...) {
    source->failure = std::current_exception();
    JumpWith(reinterpret_cast<j_common_ptr>(cinfo), "", Stop::ReadFailed);
  }
  if (got == 0) WARNMS(cinfo, JWRN_JPEG_EOF);  // refused by OnMessage
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
  const std::uint64_t beyond = skip - source->manager.bytes_in_buffer;
  source->manager.bytes_in_buffer = 0;
  try {
    // Past the end, the next fill finds nothing and the file is truncated.
    source->input->Skip(beyond);
  } catch (...) {
    source->failure = std::current_exception();
    JumpWith(reinterpret_cast<j_common_ptr>(cinfo), "", Stop::ReadFailed);
  }
}

struct Decoder {
  jpeg_decompress_struct cinfo{};
  JpegErrors errors{};
  Progress progress{};
  FileSource source{};
  bool created = false;
  ~Decoder() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
};

// Each of these returns false with errors.stop and errors.message set when libjpeg stops. No
// object with a destructor lives in their frames, so the jump back from libjpeg skips nothing.
bool Start(Decoder* d, PictureInput* input) {
  if (setjmp(d->errors.jump)) return false;
  jpeg_create_decompress(&d->cinfo);
  d->created = true;
  if (input->Memory() == nullptr) {
    d->source.input = input;
    d->source.manager.init_source = InitSource;
    d->source.manager.fill_input_buffer = FillBuffer;
    d->source.manager.skip_input_data = SkipInput;
    d->source.manager.resync_to_restart = jpeg_resync_to_restart;
    d->source.manager.term_source = TermSource;
    d->cinfo.src = &d->source.manager;
  } else {
    jpeg_mem_src(&d->cinfo, input->Memory(), static_cast<unsigned long>(input->MemorySize()));
  }
  jpeg_read_header(&d->cinfo, TRUE);
  return true;
}

// Whether libjpeg holds the coefficients of every component until the last scan is read.
bool HoldsCoefficients(Decoder* d, bool* holds) {
  if (setjmp(d->errors.jump)) return false;
  *holds = jpeg_has_multiple_scans(&d->cinfo);
  return true;
}

// Reads every scan of a file whose scans are not all interleaved (the work of the scans is
// bounded here), or gets ready to read the rows of one that is.
bool StartDecompress(Decoder* d) {
  if (setjmp(d->errors.jump)) return false;
  d->cinfo.progress = &d->progress.manager;
  jpeg_start_decompress(&d->cinfo);
  return true;
}

bool ReadPixels(Decoder* d, GreyImage* grey, std::uint8_t* cmykRow) {
  if (setjmp(d->errors.jump)) return false;
  jpeg_decompress_struct* cinfo = &d->cinfo;
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

// Throws what stopped the decoder.
[[noreturn]] void Stopped(const Decoder& d) {
  switch (d.errors.stop) {
    case Stop::OutOfMemory:
      throw std::bad_alloc();
    case Stop::Budget:
      throw BudgetStop{d.progress.budget};
    case Stop::ReadFailed:
      if (d.source.failure) std::rethrow_exception(d.source.failure);
      break;
    case Stop::None:
    case Stop::Refused:
      break;
  }
  Bad(d.errors.message);
}

}  // namespace

GreyImage LoadJpeg(PictureInput& input, const LoadLimits& limits) {
  auto d = std::make_unique<Decoder>();
  d->cinfo.err = jpeg_std_error(&d->errors.manager);
  d->errors.manager.error_exit = OnError;
  d->errors.manager.emit_message = OnMessage;
  d->progress.manager.progress_monitor = OnProgress;
  d->progress.limits = &limits;
  for (auto& component : d->progress.sent) component.fill(-1);
  if (!Start(d.get(), &input)) Stopped(*d);

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
  // The pixels, or every sample of every component where libjpeg holds them all.
  const std::int64_t pixels = static_cast<std::int64_t>(cinfo.image_width) * cinfo.image_height;
  bool holds = false;
  if (!HoldsCoefficients(d.get(), &holds)) Stopped(*d);
  for (int i = 0; i < cinfo.num_components; ++i) {
    d->progress.blocks += BlocksOf(&cinfo.comp_info[i]);
  }
  const std::int64_t samples = holds ? d->progress.blocks * DCTSIZE2 : 0;
  limits.CheckPixels("JPEG", cinfo.image_width, cinfo.image_height, std::max(pixels, samples));
  cinfo.mem->max_memory_to_use = kJpegWorkingBytes + 2 * samples;

  // The grey picture only once the scans are read: a file refused for its scans never takes it.
  if (!StartDecompress(d.get())) Stopped(*d);
  GreyImage grey(static_cast<std::int32_t>(cinfo.image_width),
                 static_cast<std::int32_t>(cinfo.image_height));
  std::vector<std::uint8_t> cmykRow;
  if (cinfo.out_color_space == JCS_CMYK) cmykRow.resize(static_cast<std::size_t>(grey.width) * 4);
  if (!ReadPixels(d.get(), &grey, cmykRow.data())) Stopped(*d);
  return grey;
}

}  // namespace pdf417
