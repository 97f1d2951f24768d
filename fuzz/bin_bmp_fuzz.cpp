// The bitmap reader on arbitrary file bytes: it either refuses them with pdf417::Error or holds a
// picture whose fields agree with each other, and every pixel read stays inside its arrays.
#include <cstddef>
#include <cstdint>

#include "fuzz_input.h"
#include "pdf417/common/error.h"
#include "pdf417/decoder/classic/bin_bmp.h"

namespace {

// Binarizing visits every pixel; larger pictures are read at a few places only.
constexpr std::int64_t kBinarizePixels = 1 << 18;

void CheckPicture(const pdf417::BinBMP& image, std::size_t fileSize) {
  PDF417_FUZZ_CHECK(image.width >= 1 && image.width <= pdf417::kMaxBitmapSide);
  PDF417_FUZZ_CHECK(image.height >= 1 && image.height <= pdf417::kMaxBitmapSide);
  PDF417_FUZZ_CHECK(image.imageSize == static_cast<std::int64_t>(image.Stride()) * image.height);
  PDF417_FUZZ_CHECK(image.pixelData.size() == static_cast<std::size_t>(image.imageSize));
  // Every pixel came from the file: a picture is never larger than the bytes it was read from.
  PDF417_FUZZ_CHECK(image.pixelData.size() <= fileSize);
  if (image.bitCount <= 8) {
    PDF417_FUZZ_CHECK(image.palette.size() == (std::size_t{4} << image.bitCount));
  }
  PDF417_FUZZ_CHECK(image.bitMpInfoHead.biWidth == image.width);
  PDF417_FUZZ_CHECK(image.bitMpInfoHead.biHeight == image.height);
  PDF417_FUZZ_CHECK(image.bitMpInfoHead.biBitCount == image.bitCount);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pdf417::BinBMP image;
  try {
    image.LoadBytes(data, size);
  } catch (const pdf417::Error& e) {
    PDF417_FUZZ_CHECK(e.code() == pdf417::ErrorCode::BadBitmap);
    PDF417_FUZZ_CHECK(image.Empty());
    return 0;
  }
  CheckPicture(image, size);

  // Corners, middle and the positions just outside: colours are 0x00BBGGRR, outside is white.
  const std::int32_t h = image.height;
  const std::int32_t w = image.width;
  for (const std::int32_t r : {-1, 0, h / 2, h - 1, h}) {
    for (const std::int32_t c : {-1, 0, w / 2, w - 1, w}) {
      const std::uint32_t colour = image.GetColor(r, c);
      PDF417_FUZZ_CHECK(colour <= 0xFFFFFFu);
      const bool outside = r < 0 || c < 0 || r >= h || c >= w;
      if (outside) PDF417_FUZZ_CHECK(colour == 0xFFFFFFu && image.IsWhite(r, c));
    }
  }

  if (static_cast<std::int64_t>(w) * h <= kBinarizePixels) {
    pdf417::BinBMP binary;
    pdf417::Binarize(image, binary);
    PDF417_FUZZ_CHECK(binary.bitCount == 1 && binary.width == w && binary.height == h);
    for (std::int32_t r = 0; r < h; ++r) {
      for (std::int32_t c = 0; c < w; ++c) {
        const bool white = ((image.GetColor(r, c) >> 16) & 0xFF) >= pdf417::kBinarizeThreshold;
        PDF417_FUZZ_CHECK(binary.IsWhite(r, c) == white);
        PDF417_FUZZ_CHECK(image.IsWhite(r, c) == white);
      }
    }
    // A copy samples like the original, through a rotation too; every position is answered.
    pdf417::BinBMP turned = binary;
    turned.SetAngle(static_cast<float>(size % 360));
    const pdf417::BinBMP copy = turned;
    for (std::int32_t r = -1; r <= h; r += 1 + h / 8) {
      for (std::int32_t c = -1; c <= w; c += 1 + w / 8) {
        PDF417_FUZZ_CHECK(copy.IsWhite(r, c) == turned.IsWhite(r, c));
      }
    }
  }
  return 0;
}
