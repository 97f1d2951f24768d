// WebP files to grey pictures, with libwebp: lossy and lossless, with or without alpha; the first
// frame's sides are checked from the header before any pixel memory is taken. The picture is
// decoded as YUV (with the alpha plane when it has one) straight into the grey picture: libwebp's
// luma is the BT.601 luminance in studio range, which is stretched back to 0..255 here and, with
// alpha, composited on white. The file is fed to libwebp in steps, between which the budget is
// checked.
#include <webp/decode.h>

#include <algorithm>
#include <array>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "pdf417/common/error.h"
#include "pdf417/decoder/load/picture_load.h"
#include "pdf417/decoder/load/shared_library.h"

namespace pdf417 {
namespace {

// libwebp's functions, looked up when the first WebP file is read (load/shared_library.h).
struct WebpFunctions {
  decltype(&::WebPGetFeaturesInternal) GetFeaturesInternal = nullptr;
  decltype(&::WebPINewYUVA) INewYUVA = nullptr;
  decltype(&::WebPIUpdate) IUpdate = nullptr;
  decltype(&::WebPIDelete) IDelete = nullptr;
  std::string missing;  // why libwebp cannot be used; empty when every function was found
};

const WebpFunctions& Webp() {
  // Made once, by the first caller (a function's static is initialised safely across threads).
  static const auto functions =
      FunctionTable<WebpFunctions>(PDF417_WEBP_SONAME, [](auto look, WebpFunctions& f) {
        look("WebPGetFeaturesInternal", f.GetFeaturesInternal);
        look("WebPINewYUVA", f.INewYUVA);
        look("WebPIUpdate", f.IUpdate);
        look("WebPIDelete", f.IDelete);
      });
  return functions;
}

// How many more bytes of the file libwebp is given between two checks of the budget.
constexpr std::size_t kFeedBytes = 256u << 10;

struct DecoderDelete {
  void operator()(WebPIDecoder* decoder) const { Webp().IDelete(decoder); }
};

[[noreturn]] void Bad(const std::string& message) {
  throw Error(ErrorCode::BadBitmap, "not a readable WebP: " + message);
}

[[noreturn]] void Fail(VP8StatusCode status) {
  switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY:
      throw std::bad_alloc();
    case VP8_STATUS_NOT_ENOUGH_DATA:
    case VP8_STATUS_SUSPENDED:
      Bad("the file is truncated");
    case VP8_STATUS_UNSUPPORTED_FEATURE:
      Bad("it uses a feature libwebp does not decode");
    default:
      Bad("the data is damaged");
  }
}

void CheckSides(const WebPBitstreamFeatures& features, const LoadLimits& limits) {
  if (features.width < 1 || features.height < 1 || features.width > kMaxBitmapSide ||
      features.height > kMaxBitmapSide) {
    Bad("its header claims " + std::to_string(features.width) + " x " +
        std::to_string(features.height) + " pixels, outside the 1 to " +
        std::to_string(kMaxBitmapSide) + " a side we accept");
  }
  limits.CheckPixels("WebP", features.width, features.height,
                     static_cast<std::int64_t>(features.width) * features.height);
}

// Studio-range luma (16 black .. 235 white) to grey levels.
std::array<std::uint8_t, 256> FullRange() {
  std::array<std::uint8_t, 256> level{};
  for (int y = 0; y < 256; ++y) {
    level[static_cast<std::size_t>(y)] =
        static_cast<std::uint8_t>(std::clamp(((y - 16) * 255 + 109) / 219, 0, 255));
  }
  return level;
}

}  // namespace

GreyImage LoadWebp(PictureInput& input, const LoadLimits& limits) {
  if (!Webp().missing.empty()) {
    throw Error(ErrorCode::BadBitmap, "cannot read WebP pictures: " + Webp().missing);
  }
  // The header is in the first bytes of every WebP file but a damaged one: refuse what is too
  // large before the rest is read.
  WebPBitstreamFeatures features{};
  if (Webp().GetFeaturesInternal(input.Head(), input.HeadSize(), &features,
                                 WEBP_DECODER_ABI_VERSION) == VP8_STATUS_OK) {
    CheckSides(features, limits);
  }
  std::vector<std::uint8_t> store;
  const WholeBytes whole = ReadWholeInput(input, store);
  const VP8StatusCode status =
      Webp().GetFeaturesInternal(whole.data, whole.size, &features, WEBP_DECODER_ABI_VERSION);
  if (status != VP8_STATUS_OK) Fail(status);
  CheckSides(features, limits);
  if (features.has_animation) Bad("an animation is not read (save one frame as a picture)");

  const int width = features.width;
  const int height = features.height;
  GreyImage grey(width, height);
  const int chromaWidth = (width + 1) / 2;
  const std::size_t chromaSize =
      static_cast<std::size_t>(chromaWidth) * static_cast<std::size_t>((height + 1) / 2);
  std::vector<std::uint8_t> u(chromaSize);
  std::vector<std::uint8_t> v(chromaSize);
  std::vector<std::uint8_t> alpha(features.has_alpha ? grey.pixels.size() : 0);
  std::unique_ptr<WebPIDecoder, DecoderDelete> decoder(Webp().INewYUVA(
      grey.pixels.data(), grey.pixels.size(), width, u.data(), u.size(), chromaWidth, v.data(),
      v.size(), chromaWidth, alpha.empty() ? nullptr : alpha.data(), alpha.size(), width));
  if (!decoder) throw std::bad_alloc();
  for (std::size_t fed = 0;;) {
    limits.Check();
    fed = std::min(whole.size, fed + kFeedBytes);
    const VP8StatusCode step = Webp().IUpdate(decoder.get(), whole.data, fed);
    if (step == VP8_STATUS_OK) break;
    if (step != VP8_STATUS_SUSPENDED || fed == whole.size) Fail(step);
  }

  static const std::array<std::uint8_t, 256> kLevel = FullRange();
  for (int r = 0; r < height; ++r) {
    if ((r & 255) == 0) limits.Check();
    const std::size_t at = static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
    std::uint8_t* row = grey.pixels.data() + at;
    if (alpha.empty()) {
      for (int x = 0; x < width; ++x) row[x] = kLevel[row[x]];
    } else {
      const std::uint8_t* a = alpha.data() + at;
      for (int x = 0; x < width; ++x) {
        const unsigned level = kLevel[row[x]];
        row[x] = static_cast<std::uint8_t>((level * a[x] + 255 * (255u - a[x]) + 127) / 255);
      }
    }
  }
  return grey;
}

}  // namespace pdf417
