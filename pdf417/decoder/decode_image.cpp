// DecodeImage: caller-owned pixels to the grey picture, its matrix and the reading stages.
#include <exception>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "pdf417/common/bitmap.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/decoder/binarize/picture.h"
#include "pdf417/decoder/pipeline.h"

namespace pdf417 {
namespace {

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

DecodeResult Failed(DecodeStatus status, const char* message) {
  DecodeResult result;
  result.status = status;
  result.message = message;
  return result;
}

// The view's pixels as grey, read by `read`: DecodeGrey or DecodeGreyAll. Failures come back
// as `Result` made of one DecodeResult.
template <typename Result>
Result ReadView(const ImageView& image, const DecodeOptions& options,
                Result (*read)(const GreyView&, const DecodeOptions&)) {
  const int bpp = BytesPerPixel(image.format);
  if (image.data == nullptr || bpp == 0 || image.width < 1 || image.height < 1 ||
      image.width > kMaxBitmapSide || image.height > kMaxBitmapSide ||
      (image.stride != 0 && image.stride < static_cast<std::ptrdiff_t>(image.width) * bpp)) {
    return Result{Failed(DecodeStatus::FileUnreadable,
                         "not a usable picture: need 1 to 10,000 pixels a side, a known pixel "
                         "format and a row stride of at least width x bytes per pixel")};
  }
  const std::ptrdiff_t stride =
      image.stride != 0 ? image.stride : static_cast<std::ptrdiff_t>(image.width) * bpp;
  try {
    if (image.format == PixelFormat::Grey8) {
      return read(GreyView{image.data, image.width, image.height, stride}, options);
    }
    GreyImage grey(image.width, image.height);
    for (int r = 0; r < image.height; ++r) {
      const std::uint8_t* in = image.data + r * stride;
      std::uint8_t* out = grey.pixels.data() + static_cast<std::size_t>(r) * grey.width;
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
    return read(grey.View(), options);
  } catch (const std::bad_alloc&) {
    return Result{Failed(DecodeStatus::InternalError, "not enough memory to decode this picture")};
  } catch (const std::exception& e) {
    DecodeResult failed = Failed(DecodeStatus::InternalError, "internal error: ");
    failed.message += e.what();
    return Result{std::move(failed)};
  }
}

}  // namespace

DecodeResult DecodeImage(const ImageView& image, const DecodeOptions& options) {
  return ReadView<DecodeResult>(image, options, DecodeGrey);
}

std::vector<DecodeResult> DecodeAll(const ImageView& image, const DecodeOptions& options) {
  return ReadView<std::vector<DecodeResult>>(image, options, DecodeGreyAll);
}

}  // namespace pdf417
