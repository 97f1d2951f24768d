// Decoding caller-owned pixels: the input is a pixel format (and, in the same byte, its bit 0x40 to
// try harder and its bit 0x80 to look for inverted symbols), width, height and row padding, then
// the pixels. Every outcome is a status with a message; a view whose pixels are grey gives the same
// outcome in every pixel format. The costly readings are asked for, not the default: a picture
// that reads nothing costs several times as much with them, so inputs without those bits keep the
// fuzzer at hundreds of runs a second, and the seeds that set them keep those readings covered.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "decode_util.h"
#include "fuzz_input.h"
#include "pdf417/decoder/decoder.h"

namespace {

// Enough for small symbols while keeping each run fast (a decode costs in proportion to the pixels,
// so these keep the fuzzer at hundreds of runs a second; the tests read large pictures).
constexpr int kMaxSide = 256;
constexpr int kMaxPixels = 2048;  // a symbol of 119 x 14 pixels fits

int BytesPerPixel(pdf417::PixelFormat format) {
  switch (format) {
    case pdf417::PixelFormat::Grey8:
      return 1;
    case pdf417::PixelFormat::RGB24:
    case pdf417::PixelFormat::BGR24:
      return 3;
    default:
      return 4;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pdf417::fuzz::Input in(data, size);
  const std::uint8_t kind = in.U8();
  const auto format = static_cast<pdf417::PixelFormat>(kind % 5);
  pdf417::DecodeOptions options;
  options.tryHarder = (kind & 0x40) != 0;
  options.tryInverted = (kind & 0x80) != 0;
  const int width = in.U16() % (kMaxSide + 1);
  const int height = std::min(in.U16() % (kMaxSide + 1), kMaxPixels / std::max(width, 1));
  const int padding = in.U8() % 8;
  const int bpp = BytesPerPixel(format);
  const std::size_t stride = static_cast<std::size_t>(width) * bpp + padding;
  // The pixels: the rest of the input, repeated to fill the picture (all white when it is empty).
  std::vector<std::uint8_t> pixels(stride * static_cast<std::size_t>(height), 0xFF);
  if (in.Left() > 0) {
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = in.Rest()[i % in.Left()];
  }
  pdf417::ImageView view;
  view.data = pixels.data();
  view.width = width;
  view.height = height;
  view.stride = static_cast<std::ptrdiff_t>(stride);
  view.format = format;
  const pdf417::DecodeResult result = testutil::DecodeFirst(view, options);
  switch (result.status) {
    case pdf417::DecodeStatus::Decoded:
      PDF417_FUZZ_CHECK(result.message.empty());
      // MicroPDF417 has no level: its size fixes the error correction.
      PDF417_FUZZ_CHECK(result.symbology == pdf417::Symbology::MicroPdf417
                            ? result.level == -1
                            : result.level >= 0 && result.level <= 8);
      break;
    case pdf417::DecodeStatus::FileUnreadable:
      PDF417_FUZZ_CHECK(width == 0 || height == 0);
      PDF417_FUZZ_CHECK(!result.message.empty());
      return 0;
    case pdf417::DecodeStatus::NoSymbolFound:
    case pdf417::DecodeStatus::NotCorrectable:
      PDF417_FUZZ_CHECK(!result.message.empty());
      PDF417_FUZZ_CHECK(result.bytes.empty());
      break;
    default:
      PDF417_FUZZ_CHECK(false);  // no budget, no cancelling, no fault
  }
  if (format != pdf417::PixelFormat::Grey8) return 0;
  // The same grey pixels as opaque colour: every channel equal gives back the grey level.
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4, 0xFF);
  for (int r = 0; r < height; ++r) {
    for (int c = 0; c < width; ++c) {
      const std::uint8_t g = pixels[static_cast<std::size_t>(r) * stride + c];
      std::uint8_t* p = &rgba[(static_cast<std::size_t>(r) * width + c) * 4];
      p[0] = p[1] = p[2] = g;
    }
  }
  pdf417::ImageView colour{rgba.data(), width, height, 0, pdf417::PixelFormat::BGRA32};
  const pdf417::DecodeResult again = testutil::DecodeFirst(colour, options);
  PDF417_FUZZ_CHECK(again.status == result.status);
  PDF417_FUZZ_CHECK(again.bytes == result.bytes);
  return 0;
}
