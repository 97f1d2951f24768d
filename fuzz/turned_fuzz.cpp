// Decodes symbols of our encoder as a camera or scanner might give them: magnified, turned by any
// angle, with noise and with pixel rows cut out, each chosen by the fuzz input. The decode returns
// a status and never crashes, throws, leaks or runs away; whatever it reports as decoded is
// exactly the encoded data.
//
// Input: columns (its two high bits: try harder, look for inverted symbols), level, aspect ratio,
// scale, angle (two bytes), noise, rows cut, where they are cut, noise seed (one byte each unless
// said), then the data (at most 24 bytes). A decode costs in proportion to the pixels, and most
// where it reads nothing, so the pictures stay small and readable for the fuzzer to run many a
// second: 1 to 4 columns at levels 0 to 3, modules of 1.5 to 2 pixels (turned modules of one pixel
// mostly fail to read, at the highest cost), smaller where the turned picture would pass 30,000
// pixels; at most 3 rows cut and about one pixel in 256 flipped; the costly readings only when
// the input asks for them. The tests read a large turned picture
// (LoadingLimits.LargeTurnedPictureReadsBack).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "decode_util.h"
#include "fuzz_input.h"
#include "pdf417/common/error.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/encoder.h"
#include "test_util.h"
#include "turned_picture.h"

namespace {

constexpr int kMaxColumns = 4;
constexpr int kLevels = 4;  // 0 to 3
constexpr std::size_t kMaxDataBytes = 24;
constexpr double kMaxPixels = 30000;
constexpr int kMargin = 4;  // white pixels around the turned symbol

// The largest scale at which the symbol's bitmap, turned by degrees, fits in kMaxPixels with its
// margin (as testutil::DrawTurned sizes the picture).
double FittingScale(const std::vector<std::uint8_t>& file, double degrees) {
  const testutil::OneBitPicture symbol(file);
  const double kPi = 3.14159265358979323846;
  const double cs = std::fabs(std::cos(degrees * kPi / 180.0));
  const double sn = std::fabs(std::sin(degrees * kPi / 180.0));
  const double w = symbol.width * cs + symbol.height * sn;
  const double h = symbol.width * sn + symbol.height * cs;
  // (s w + 2m)(s h + 2m) = kMaxPixels, solved for s.
  const double a = w * h;
  const double b = 2.0 * kMargin * (w + h);
  const double c = 4.0 * kMargin * kMargin - kMaxPixels;
  return (-b + std::sqrt(b * b - 4 * a * c)) / (2 * a);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pdf417::fuzz::Input in(data, size);
  const std::uint8_t shape = in.U8();
  const int columns = 1 + (shape & 0x3F) % kMaxColumns;
  pdf417::DecodeOptions options;
  options.tryHarder = (shape & 0x40) != 0;
  options.tryInverted = (shape & 0x80) != 0;
  const int level = in.U8() % kLevels;
  const int aspect = 1 + in.U8() % 4;
  double scale = 1.5 + in.U8() / 510.0;  // 1.5 to 2
  const double degrees = in.U16() * (360.0 / 65536.0);
  const unsigned noise = in.U8();  // pixels flipped per 65,536
  const int cutRows = in.U8() % 4;
  const unsigned cutAt = in.U8();
  std::uint32_t seed = 0x9E3779B9u ^ in.U8();
  const std::size_t length = in.Left() < kMaxDataBytes ? in.Left() : kMaxDataBytes;
  const std::vector<std::uint8_t> text(in.Rest(), in.Rest() + length);

  std::vector<std::uint8_t> file;
  try {
    file = pdf417::EncodePdf417ToImage(text.data(), static_cast<int>(text.size()), columns, level,
                                       aspect);
  } catch (const pdf417::Error&) {
    return 0;  // more data than these parameters hold
  }
  const double fitting = FittingScale(file, degrees);
  if (fitting < 1.0) return 0;  // too large even with modules of one pixel
  if (scale > fitting) scale = fitting;
  testutil::GreyPicture picture = testutil::DrawTurned(file, scale, degrees, kMargin);

  // Noise: pixels flipped at random, from a generator seeded by the input.
  for (std::uint8_t& p : picture.pixels) {
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    if ((seed & 65535) < noise) p = static_cast<std::uint8_t>(255 - p);
  }
  // Rows cut out: the rows below move up, the picture gets shorter.
  const int first = static_cast<int>(cutAt * static_cast<unsigned>(picture.height) / 256);
  const int cut = first + cutRows < picture.height ? cutRows : 0;
  if (cut > 0) {
    const auto w = static_cast<std::size_t>(picture.width);
    picture.pixels.erase(picture.pixels.begin() + static_cast<std::ptrdiff_t>(first * w),
                         picture.pixels.begin() + static_cast<std::ptrdiff_t>((first + cut) * w));
    picture.height -= cut;
  }

  const pdf417::DecodeResult result = testutil::DecodeFirst(picture.View(), options);
  switch (result.status) {
    case pdf417::DecodeStatus::Decoded:
      PDF417_FUZZ_CHECK(result.message.empty());
      PDF417_FUZZ_CHECK(result.bytes == std::string(text.begin(), text.end()));
      break;
    case pdf417::DecodeStatus::NoSymbolFound:
    case pdf417::DecodeStatus::NotCorrectable:
      PDF417_FUZZ_CHECK(!result.message.empty());
      PDF417_FUZZ_CHECK(result.bytes.empty());
      break;
    default:
      PDF417_FUZZ_CHECK(false);  // a valid picture without a budget: nothing else may happen
  }
  return 0;
}
