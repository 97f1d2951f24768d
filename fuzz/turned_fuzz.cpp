// Decodes symbols of our encoder as a camera or scanner might give them: magnified, turned by any
// angle, with noise and with pixel rows cut out, each chosen by the fuzz input. The decode returns
// a status and never crashes, throws, leaks or runs away; whatever it reports as decoded is
// exactly the encoded data.
//
// Input: columns (its two high bits: not trying harder, not looking for inverted symbols), level,
// aspect ratio, scale, angle (two bytes), noise, rows cut, where they are cut, noise seed (one
// byte each unless said), then the data (at most 60 bytes). Pictures stay small (scale 1 to 2, at
// most about 400 pixels a side) so that the fuzzer runs many of them a second; the tests read a
// large turned picture (LoadingLimits.LargeTurnedPictureReadsBack).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "decode_util.h"
#include "fuzz_input.h"
#include "pdf417/common/error.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/encoder.h"
#include "turned_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pdf417::fuzz::Input in(data, size);
  const std::uint8_t shape = in.U8();
  const int columns = 1 + (shape & 0x3F) % 6;
  pdf417::DecodeOptions options;
  options.tryHarder = (shape & 0x40) == 0;
  options.tryInverted = (shape & 0x80) == 0;
  const int level = in.U8() % 6;
  const int aspect = 1 + in.U8() % 4;
  const double scale = 1.0 + in.U8() / 255.0;  // 1 to 2
  const double degrees = in.U16() * (360.0 / 65536.0);
  const unsigned noise = in.U8();  // pixels flipped per 4,096
  const int cutRows = in.U8() % 16;
  const unsigned cutAt = in.U8();
  std::uint32_t seed = 0x9E3779B9u ^ in.U8();
  const std::size_t length = in.Left() < 60 ? in.Left() : 60;
  const std::vector<std::uint8_t> text(in.Rest(), in.Rest() + length);

  std::vector<std::uint8_t> file;
  try {
    file = pdf417::EncodePdf417ToImage(text.data(), static_cast<int>(text.size()), columns, level,
                                       aspect);
  } catch (const pdf417::Error&) {
    return 0;  // more data than these parameters hold
  }
  testutil::GreyPicture picture = testutil::DrawTurned(file, scale, degrees, 4);

  // Noise: pixels flipped at random, from a generator seeded by the input.
  for (std::uint8_t& p : picture.pixels) {
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    if ((seed & 4095) < noise) p = static_cast<std::uint8_t>(255 - p);
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
