// The decoder's entries: a picture file, its bytes in memory or caller-owned pixels become one grey
// picture, which the reading pipeline (pipeline.h) reads.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <exception>
#include <functional>
#include <new>
#include <string>
#include <utility>

#include "pdf417/common/bitmap.h"
#include "pdf417/common/error.h"
#include "pdf417/decoder/binarize/picture.h"
#include "pdf417/decoder/budget.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/decoder/load/picture_load.h"
#include "pdf417/decoder/pipeline.h"

namespace pdf417 {
namespace {

using Results = std::vector<DecodeResult>;

Results Failed(DecodeStatus status, const std::string& message) {
  DecodeResult result;
  result.status = status;
  result.message = message;
  return {std::move(result)};
}

// Takes a grey page (or the reason it did not load) and returns whether to read more pages.
using GreyPageSink =
    std::function<bool(int page, int pages, const GreyView* grey, const std::string* failure)>;

// Reads every grey page that `loadPages` makes within the limits it is given, in page order, and
// puts their symbols together, each tagged with its page. A picture (or, when no page decodes, a
// page) that cannot be loaded is unreadable; running out of memory or any other fault is an
// internal error, never a picture without a symbol. A time budget counts from the call: loading
// spends it too, and loading stops with the budget's status once it is spent or the decode is
// cancelled.
template <typename LoadPages>
Results DecodeLoaded(LoadPages loadPages, const DecodeOptions& options) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  try {
    const Budget budget(options);
    const LoadLimits limits{options.maxPixels, &budget};
    Results found;
    Results miss;      // why the pages read hold no symbol: the first uncorrectable, else the first
    Results unloaded;  // the first page that could not be loaded
    Results stopped;   // the budget's status, once it stopped the decode
    const auto tag = [](Results& results, int page, int pages) {
      for (DecodeResult& r : results) {
        r.page = page;
        r.pages = pages;
      }
    };
    const GreyPageSink read = [&](int page, int pages, const GreyView* grey,
                                  const std::string* failure) {
      if (failure != nullptr) {
        if (unloaded.empty()) {
          unloaded = Failed(DecodeStatus::FileUnreadable,
                            pages > 1 ? "page " + std::to_string(page + 1) + " of " +
                                            std::to_string(pages) + ": " + *failure
                                      : *failure);
          tag(unloaded, page, pages);
        }
        return true;
      }
      DecodeOptions rest = options;
      if (options.timeoutSeconds > 0) {
        const double spent = std::chrono::duration<double>(Clock::now() - start).count();
        // A budget spent while loading still stops the reading at its first boundary.
        rest.timeoutSeconds = std::max(options.timeoutSeconds - spent, 1e-9);
      }
      if (options.maxSymbols > 0) {
        rest.maxSymbols = options.maxSymbols - static_cast<int>(found.size());
      }
      Results results = ReadGreyPicture(*grey, rest);
      tag(results, page, pages);
      const DecodeStatus status = results.front().status;
      if (results.front().ok()) {
        for (DecodeResult& r : results) found.push_back(std::move(r));
      } else if (status == DecodeStatus::TimeBudgetSpent || status == DecodeStatus::Cancelled) {
        stopped = std::move(results);
        return false;
      } else if (miss.empty() || (status == DecodeStatus::NotCorrectable &&
                                  miss.front().status != DecodeStatus::NotCorrectable)) {
        miss = std::move(results);
      }
      if (options.maxSymbols > 0 && static_cast<int>(found.size()) >= options.maxSymbols) {
        return false;
      }
      // A budget spent within this page's reading has already marked its last symbol.
      return budget.Stop() == DecodeStatus::Decoded;
    };
    try {
      loadPages(limits, read);
    } catch (const Error& e) {
      if (found.empty()) return Failed(DecodeStatus::FileUnreadable, e.what());
    } catch (const BudgetStop& stop) {
      stopped = Failed(stop.status, Budget::MessageOf(stop.status));
    }
    if (!found.empty()) {
      // Stopped between pages: the symbols decoded by then, the last telling why.
      if (!stopped.empty()) found.back().warnings.push_back(stopped.front().message);
      return found;
    }
    if (!stopped.empty()) return stopped;
    if (!unloaded.empty()) return unloaded;
    if (miss.empty()) return Failed(DecodeStatus::NoSymbolFound, "the picture has no page");
    return miss;
  } catch (const std::bad_alloc&) {
    return Failed(DecodeStatus::InternalError, "not enough memory to decode this picture");
  } catch (const std::exception& e) {
    return Failed(DecodeStatus::InternalError, std::string("internal error: ") + e.what());
  }
}

// The sink of picture_load for a sink of grey pages.
PageSink ToGrey(const GreyPageSink& sink) {
  return [&sink](int page, int pages, const GreyImage* grey, const Error* failure) {
    if (failure != nullptr) {
      const std::string message = failure->what();
      return sink(page, pages, nullptr, &message);
    }
    const GreyView view = grey->View();
    return sink(page, pages, &view, nullptr);
  };
}

// Whether the file can be looked up; otherwise the failure, with a message that names it.
bool LookUp(const std::string& fileName, Results& failure) {
  struct stat st {};
  if (::stat(fileName.c_str(), &st) == 0) return true;
  // Missing only when there is no such file; a loop or a denied lookup is unreadable.
  if (errno == ENOENT || errno == ENOTDIR) {
    failure = Failed(DecodeStatus::FileMissing, "cannot open '" + fileName + "': no such file");
  } else {
    failure = Failed(DecodeStatus::FileUnreadable,
                     "cannot open '" + fileName + "': " + std::strerror(errno));
  }
  return false;
}

int BytesPerPixel(PixelFormat format) {
  switch (format) {
    case PixelFormat::Grey8:
      return 1;
    case PixelFormat::RGB24:
    case PixelFormat::BGR24:
      return 3;
    case PixelFormat::RGBA32:
    case PixelFormat::BGRA32:
      return 4;
  }
  return 0;
}

// The grey picture of caller-owned pixels: the pixels themselves when they are grey.
GreyView GreyOf(const ImageView& image, std::ptrdiff_t stride, GreyImage& owned,
                const LoadLimits& limits) {
  limits.CheckPixels("picture", image.width, image.height,
                     static_cast<std::int64_t>(image.width) * image.height);
  if (image.format == PixelFormat::Grey8) {
    return GreyView{image.data, image.width, image.height, stride};
  }
  const int bpp = BytesPerPixel(image.format);
  owned = GreyImage(image.width, image.height);
  for (int r = 0; r < image.height; ++r) {
    limits.Check();
    const std::uint8_t* in = image.data + r * stride;
    std::uint8_t* out = owned.pixels.data() + static_cast<std::size_t>(r) * owned.width;
    for (int c = 0; c < image.width; ++c, in += bpp) {
      switch (image.format) {
        case PixelFormat::RGB24:
          out[c] = Luminance(in[0], in[1], in[2]);
          break;
        case PixelFormat::BGR24:
          out[c] = Luminance(in[2], in[1], in[0]);
          break;
        case PixelFormat::RGBA32:
          out[c] = Luminance(in[0], in[1], in[2], in[3]);
          break;
        case PixelFormat::BGRA32:
          out[c] = Luminance(in[2], in[1], in[0], in[3]);
          break;
        case PixelFormat::Grey8:
          break;
      }
    }
  }
  return owned.View();
}

}  // namespace

std::vector<DecodeResult> Decode(const std::string& fileName, const DecodeOptions& options) {
  Results failure;
  if (!LookUp(fileName, failure)) return failure;
  return DecodeLoaded(
      [&fileName](const LoadLimits& limits, const GreyPageSink& sink) {
        LoadPictureFilePages(fileName, limits, ToGrey(sink));
      },
      options);
}

std::vector<DecodeResult> Decode(const std::uint8_t* data, std::size_t size,
                                 const DecodeOptions& options) {
  return DecodeLoaded(
      [data, size](const LoadLimits& limits, const GreyPageSink& sink) {
        LoadPicturePages(data, size, limits, ToGrey(sink));
      },
      options);
}

std::vector<DecodeResult> Decode(const ImageView& image, const DecodeOptions& options) {
  const int bpp = BytesPerPixel(image.format);
  if (image.data == nullptr || bpp == 0 || image.width < 1 || image.height < 1 ||
      image.width > kMaxBitmapSide || image.height > kMaxBitmapSide ||
      (image.stride != 0 && image.stride < static_cast<std::ptrdiff_t>(image.width) * bpp)) {
    return Failed(DecodeStatus::FileUnreadable,
                  "not a usable picture: need 1 to 10,000 pixels a side, a known pixel format "
                  "and a row stride of at least width x bytes per pixel");
  }
  const std::ptrdiff_t stride =
      image.stride != 0 ? image.stride : static_cast<std::ptrdiff_t>(image.width) * bpp;
  return DecodeLoaded(
      [&](const LoadLimits& limits, const GreyPageSink& sink) {
        GreyImage owned;
        const GreyView grey = GreyOf(image, stride, owned, limits);
        sink(0, 1, &grey, nullptr);
      },
      options);
}

std::string DecodePdf417(const std::string& fileName, const DecodeNotifier& notify,
                         DecodeResult* details) {
  DecodeOptions options;
  options.maxSymbols = 1;
  struct stat st {};
  DecodeResult result;
  if (::stat(fileName.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
    result.status = DecodeStatus::FileMissing;
    result.message = "File Not Exist!!!";
    if (notify) notify(result.message, "PDF417Dec");
  } else {
    result = std::move(Decode(fileName, options).front());
  }
  std::string bytes = result.ok() ? result.bytes : std::string();
  if (details != nullptr) *details = std::move(result);
  return bytes;
}

}  // namespace pdf417
