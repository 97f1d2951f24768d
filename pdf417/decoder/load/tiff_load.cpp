// TIFF files to grey pictures, with libtiff, every page (directory) in turn: any photometric
// interpretation, bit depth and compression libtiff's RGBA interface reads, stripped or tiled.
// libtiff reads the bytes in memory through client procedures, and reports its errors and warnings
// to handlers of this handle only: nothing is printed, and the first error is the message of a
// page that cannot be read. Each page's sides are checked from its directory before any of its
// pixels are read; the pixels are read in bands of whole strips or tiles, between which the budget
// is checked.
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "pdf417/common/error.h"
#include "pdf417/decoder/load/picture_load.h"
#include "pdf417/decoder/load/shared_library.h"

namespace pdf417 {
namespace {

// libtiff's functions, looked up when the first TIFF file is read (load/shared_library.h).
struct TiffFunctions {
  decltype(&::TIFFOpenOptionsAlloc) OpenOptionsAlloc = nullptr;
  decltype(&::TIFFOpenOptionsFree) OpenOptionsFree = nullptr;
  decltype(&::TIFFOpenOptionsSetErrorHandlerExtR) OpenOptionsSetErrorHandlerExtR = nullptr;
  decltype(&::TIFFOpenOptionsSetWarningHandlerExtR) OpenOptionsSetWarningHandlerExtR = nullptr;
  decltype(&::TIFFOpenOptionsSetMaxSingleMemAlloc) OpenOptionsSetMaxSingleMemAlloc = nullptr;
  decltype(&::TIFFClientOpenExt) ClientOpenExt = nullptr;
  decltype(&::TIFFClose) Close = nullptr;
  decltype(&::TIFFNumberOfDirectories) NumberOfDirectories = nullptr;
  decltype(&::TIFFReadDirectory) ReadDirectory = nullptr;
  decltype(&::TIFFGetField) GetField = nullptr;
  decltype(&::TIFFGetFieldDefaulted) GetFieldDefaulted = nullptr;
  decltype(&::TIFFIsTiled) IsTiled = nullptr;
  decltype(&::TIFFRGBAImageOK) RGBAImageOK = nullptr;
  decltype(&::TIFFRGBAImageBegin) RGBAImageBegin = nullptr;
  decltype(&::TIFFRGBAImageGet) RGBAImageGet = nullptr;
  decltype(&::TIFFRGBAImageEnd) RGBAImageEnd = nullptr;
  std::string missing;  // why libtiff cannot be used; empty when every function was found
};

const TiffFunctions& Tiff() {
  // Made once, by the first caller (a function's static is initialised safely across threads).
  static const auto functions =
      FunctionTable<TiffFunctions>(PDF417_TIFF_SONAME, [](auto look, TiffFunctions& f) {
        look("TIFFOpenOptionsAlloc", f.OpenOptionsAlloc);
        look("TIFFOpenOptionsFree", f.OpenOptionsFree);
        look("TIFFOpenOptionsSetErrorHandlerExtR", f.OpenOptionsSetErrorHandlerExtR);
        look("TIFFOpenOptionsSetWarningHandlerExtR", f.OpenOptionsSetWarningHandlerExtR);
        look("TIFFOpenOptionsSetMaxSingleMemAlloc", f.OpenOptionsSetMaxSingleMemAlloc);
        look("TIFFClientOpenExt", f.ClientOpenExt);
        look("TIFFClose", f.Close);
        look("TIFFNumberOfDirectories", f.NumberOfDirectories);
        look("TIFFReadDirectory", f.ReadDirectory);
        look("TIFFGetField", f.GetField);
        look("TIFFGetFieldDefaulted", f.GetFieldDefaulted);
        look("TIFFIsTiled", f.IsTiled);
        look("TIFFRGBAImageOK", f.RGBAImageOK);
        look("TIFFRGBAImageBegin", f.RGBAImageBegin);
        look("TIFFRGBAImageGet", f.RGBAImageGet);
        look("TIFFRGBAImageEnd", f.RGBAImageEnd);
      });
  return functions;
}

// Pages read of one file at most; those after them are not read.
constexpr int kMaxPages = 1000;
// The fewest rows read at a time (rounded up to whole strips or tiles).
constexpr std::uint32_t kMinBandRows = 64;

// The bytes libtiff reads, and the first error it reported.
struct Source {
  const std::uint8_t* data;
  std::uint64_t size;
  std::uint64_t at = 0;
  std::string error;
};

tmsize_t ReadBytes(thandle_t handle, void* out, tmsize_t n) {
  auto* source = static_cast<Source*>(handle);
  if (n < 0 || source->at >= source->size) return 0;
  const std::uint64_t got =
      std::min<std::uint64_t>(static_cast<std::uint64_t>(n), source->size - source->at);
  std::memcpy(out, source->data + source->at, static_cast<std::size_t>(got));
  source->at += got;
  return static_cast<tmsize_t>(got);
}

tmsize_t WriteBytes(thandle_t, void*, tmsize_t) { return -1; }

toff_t SeekBytes(thandle_t handle, toff_t offset, int whence) {
  auto* source = static_cast<Source*>(handle);
  std::uint64_t base = 0;
  if (whence == SEEK_CUR) base = source->at;
  if (whence == SEEK_END) base = source->size;
  // Offsets are unsigned: a step back from the current position or the end wraps around.
  source->at = base + offset;
  return source->at;
}

int CloseBytes(thandle_t) { return 0; }

toff_t SizeOfBytes(thandle_t handle) { return static_cast<Source*>(handle)->size; }

int MapBytes(thandle_t handle, void** base, toff_t* size) {
  auto* source = static_cast<Source*>(handle);
  *base = const_cast<std::uint8_t*>(source->data);
  *size = source->size;
  return 1;
}

void UnmapBytes(thandle_t, void*, toff_t) {}

int OnError(TIFF*, void* user, const char*, const char* format, va_list args) {
  auto* source = static_cast<Source*>(user);
  if (source->error.empty()) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    source->error = text;
  }
  return 1;  // handled: libtiff's global handler is not called
}

int OnWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct OptionsFree {
  void operator()(TIFFOpenOptions* options) const { Tiff().OpenOptionsFree(options); }
};
struct TiffClose {
  void operator()(TIFF* tif) const { Tiff().Close(tif); }
};

[[noreturn]] void Bad(const std::string& message) {
  throw Error(ErrorCode::BadBitmap, "not a readable TIFF: " + message);
}

// The reading of one page's pixels, ended however the page's load ends.
struct RgbaReading {
  TIFFRGBAImage image{};
  bool begun = false;
  ~RgbaReading() {
    if (begun) Tiff().RGBAImageEnd(&image);
  }
};

// The page the handle is at, as grey.
GreyImage LoadPage(TIFF* tif, Source& source, const LoadLimits& limits) {
  source.error.clear();
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  Tiff().GetField(tif, TIFFTAG_IMAGEWIDTH, &width);
  Tiff().GetField(tif, TIFFTAG_IMAGELENGTH, &height);
  if (width < 1 || height < 1 || width > static_cast<std::uint32_t>(kMaxBitmapSide) ||
      height > static_cast<std::uint32_t>(kMaxBitmapSide)) {
    Bad("its header claims " + std::to_string(width) + " x " + std::to_string(height) +
        " pixels, outside the 1 to " + std::to_string(kMaxBitmapSide) + " a side we accept");
  }
  limits.CheckPixels("TIFF", width, height, static_cast<std::int64_t>(width) * height);
  char why[1024] = "";
  if (!Tiff().RGBAImageOK(tif, why)) Bad(why);
  RgbaReading reading;
  if (!Tiff().RGBAImageBegin(&reading.image, tif, 0, why)) Bad(why);
  reading.begun = true;
  TIFFRGBAImage& image = reading.image;
  image.req_orientation = ORIENTATION_TOPLEFT;
  // Pictures stored bottom-up come out of each band upside down, so that the band belongs as far
  // from the bottom as its rows are from the top of the file.
  const bool bottomUp =
      image.orientation == ORIENTATION_BOTLEFT || image.orientation == ORIENTATION_BOTRIGHT ||
      image.orientation == ORIENTATION_LEFTBOT || image.orientation == ORIENTATION_RIGHTBOT;

  // Whole strips or tiles at a time: a strip read in parts is decompressed from its start again.
  std::uint32_t unit = 0;
  if (Tiff().IsTiled(tif)) {
    Tiff().GetField(tif, TIFFTAG_TILELENGTH, &unit);
  } else {
    Tiff().GetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &unit);
  }
  unit = std::clamp<std::uint32_t>(unit, 1, height);
  const std::uint32_t band =
      std::min(height, (std::max(kMinBandRows, unit) + unit - 1) / unit * unit);
  std::vector<std::uint32_t> rgba(static_cast<std::size_t>(width) * band);

  GreyImage grey(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
  for (std::uint32_t row = 0; row < height; row += band) {
    limits.Check();
    const std::uint32_t rows = std::min(band, height - row);
    image.row_offset = static_cast<int>(row);
    image.col_offset = 0;
    if (!Tiff().RGBAImageGet(&image, rgba.data(), width, rows)) {
      Bad(source.error.empty() ? std::string("the pixels are damaged") : source.error);
    }
    const std::uint32_t to = bottomUp ? height - row - rows : row;
    for (std::uint32_t r = 0; r < rows; ++r) {
      const std::uint32_t* in = rgba.data() + static_cast<std::size_t>(r) * width;
      std::uint8_t* out = grey.pixels.data() + static_cast<std::size_t>(to + r) * width;
      for (std::uint32_t x = 0; x < width; ++x) {
        const std::uint32_t p = in[x];
        out[x] = Luminance(TIFFGetR(p), TIFFGetG(p), TIFFGetB(p), TIFFGetA(p));
      }
    }
  }
  return grey;
}

}  // namespace

void LoadTiffPages(const std::uint8_t* data, std::size_t size, const LoadLimits& limits,
                   const PageSink& sink) {
  if (!Tiff().missing.empty()) {
    throw Error(ErrorCode::BadBitmap, "cannot read TIFF pictures: " + Tiff().missing);
  }
  Source source{data, size, 0, {}};
  std::unique_ptr<TIFFOpenOptions, OptionsFree> options(Tiff().OpenOptionsAlloc());
  if (!options) throw std::bad_alloc();
  Tiff().OpenOptionsSetErrorHandlerExtR(options.get(), OnError, &source);
  Tiff().OpenOptionsSetWarningHandlerExtR(options.get(), OnWarning, &source);
  // No single allocation larger than the largest file: a damaged directory claiming huge strips
  // is refused instead of taking the memory.
  Tiff().OpenOptionsSetMaxSingleMemAlloc(options.get(),
                                         static_cast<tmsize_t>(kMaxPictureFileBytes));
  std::unique_ptr<TIFF, TiffClose> tif(
      Tiff().ClientOpenExt("picture", "r", &source, ReadBytes, WriteBytes, SeekBytes, CloseBytes,
                           SizeOfBytes, MapBytes, UnmapBytes, options.get()));
  if (!tif) Bad(source.error.empty() ? std::string("the header is damaged") : source.error);
  const int pages = std::max(
      1, static_cast<int>(std::min<tdir_t>(Tiff().NumberOfDirectories(tif.get()), kMaxPages)));
  for (int page = 0; page < pages; ++page) {
    limits.Check();
    if (page > 0) {
      source.error.clear();
      if (!Tiff().ReadDirectory(tif.get())) {
        const Error failure(
            ErrorCode::BadBitmap,
            "not a readable TIFF: " +
                (source.error.empty() ? std::string("a page is damaged") : source.error));
        sink(page, pages, nullptr, &failure);
        return;
      }
    }
    GreyImage grey;
    try {
      grey = LoadPage(tif.get(), source, limits);
    } catch (const Error& failure) {
      if (!sink(page, pages, nullptr, &failure)) return;
      continue;
    }
    if (!sink(page, pages, &grey, nullptr)) return;
  }
}

}  // namespace pdf417
