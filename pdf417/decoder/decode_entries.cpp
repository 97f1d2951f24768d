// The decoder's file and file-bytes entries: load the picture (PNG, JPEG or BMP) as grey, make its
// one-bit matrix and hand it to the reading stages (pipeline.h).
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <new>
#include <type_traits>
#include <utility>

#include "pdf417/common/error.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/decoder/binarize/picture.h"
#include "pdf417/decoder/load/picture_load.h"
#include "pdf417/decoder/pipeline.h"

namespace pdf417 {
namespace {

DecodeResult Failed(DecodeStatus status, const std::string& message) {
  DecodeResult result;
  result.status = status;
  result.message = message;
  return result;
}

// A failure as what the reading returns: one result, or a list of one.
template <typename Result>
Result FailedAs(DecodeStatus status, const std::string& message) {
  if constexpr (std::is_same_v<Result, DecodeResult>) {
    return Failed(status, message);
  } else {
    return Result{Failed(status, message)};
  }
}

// Loads with `load` and reads the grey picture. A picture that cannot be loaded is unreadable;
// running out of memory or any other fault is an internal error, never a picture without a
// symbol. A time budget counts from the call: loading spends it too.
template <typename Load, typename Read = DecodeResult (*)(const GreyView&, const DecodeOptions&)>
auto DecodeLoaded(Load load, const DecodeOptions& options, Read read = DecodeGrey) {
  using Result = decltype(read(GreyView{}, options));
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  try {
    GreyImage grey;
    try {
      grey = load();
    } catch (const Error& e) {
      return FailedAs<Result>(DecodeStatus::FileUnreadable, e.what());
    }
    DecodeOptions rest = options;
    if (options.timeoutSeconds > 0) {
      const double spent = std::chrono::duration<double>(Clock::now() - start).count();
      // A budget spent while loading still stops the reading at its first boundary.
      rest.timeoutSeconds = std::max(options.timeoutSeconds - spent, 1e-9);
    }
    return read(grey.View(), rest);
  } catch (const std::bad_alloc&) {
    return FailedAs<Result>(DecodeStatus::InternalError,
                            "not enough memory to decode this picture");
  } catch (const std::exception& e) {
    return FailedAs<Result>(DecodeStatus::InternalError,
                            std::string("internal error: ") + e.what());
  }
}

}  // namespace

DecodeResult DecodePdf417Detailed(const std::string& fileName, const DecodeNotifier& notify) {
  return DecodePdf417Detailed(fileName, DecodeOptions(), notify);
}

DecodeResult DecodePdf417Detailed(const std::string& fileName, const DecodeOptions& options,
                                  const DecodeNotifier& notify) {
  struct stat st {};
  if (::stat(fileName.c_str(), &st) != 0) {
    // Missing only when there is no such file; a loop or a denied lookup is unreadable.
    if (errno != ENOENT && errno != ENOTDIR) {
      return Failed(DecodeStatus::FileUnreadable,
                    "cannot open '" + fileName + "': " + std::strerror(errno));
    }
    DecodeResult result = Failed(DecodeStatus::FileMissing, "File Not Exist!!!");
    if (notify) notify(result.message, "PDF417Dec");
    return result;
  }
  return DecodeLoaded([&fileName] { return LoadPictureFile(fileName); }, options);
}

DecodeResult DecodePdf417FromBytes(const std::uint8_t* data, std::size_t size,
                                   const DecodeOptions& options) {
  return DecodeLoaded([data, size] { return LoadPicture(data, size); }, options);
}

std::vector<DecodeResult> DecodeAll(const std::string& fileName, const DecodeOptions& options) {
  struct stat st {};
  if (::stat(fileName.c_str(), &st) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) {
      return {Failed(DecodeStatus::FileUnreadable,
                     "cannot open '" + fileName + "': " + std::strerror(errno))};
    }
    return {Failed(DecodeStatus::FileMissing, "File Not Exist!!!")};
  }
  return DecodeLoaded([&fileName] { return LoadPictureFile(fileName); }, options, DecodeGreyAll);
}

std::vector<DecodeResult> DecodeAll(const std::uint8_t* data, std::size_t size,
                                    const DecodeOptions& options) {
  return DecodeLoaded([data, size] { return LoadPicture(data, size); }, options, DecodeGreyAll);
}

std::string DecodePdf417(const std::string& fileName, const DecodeNotifier& notify) {
  DecodeResult result = DecodePdf417Detailed(fileName, notify);
  return result.ok() ? std::move(result.bytes) : std::string();
}

}  // namespace pdf417
