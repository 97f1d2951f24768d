// The encoder on arbitrary bytes and parameters, inside and outside their limits. Input: one byte
// each for the columns (-1..32), the level (-2..9) and the aspect ratio (0..7, or one of a few
// extreme values), then the data. EncodePdf417ToImage either refuses with pdf417::Error
// (InvalidArgument) or returns a one-bit bitmap of the symbol's size, which the decoder reads back
// to the same bytes.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "decode_util.h"
#include "fuzz_input.h"
#include "pdf417/common/error.h"
#include "pdf417/decoder/classic/bin_bmp.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/encoder.h"

namespace {

constexpr int kExtremeAspects[] = {-1, INT_MIN, 100, 20000, 1000000, INT_MAX};

int AspectFrom(std::uint8_t b) {
  constexpr int kExtremes = static_cast<int>(sizeof kExtremeAspects / sizeof kExtremeAspects[0]);
  return b >= 256 - kExtremes ? kExtremeAspects[b - (256 - kExtremes)] : b % 8;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pdf417::fuzz::Input in(data, size);
  const int columns = in.U8() % 34 - 1;
  const int level = in.U8() % 12 - 2;
  const int aspect = AspectFrom(in.U8());
  const std::uint8_t* bytes = in.Rest();
  const int length = static_cast<int>(in.Left());

  std::vector<std::uint8_t> file;
  try {
    file = pdf417::EncodePdf417ToImage(bytes, length, columns, level, aspect);
  } catch (const pdf417::Error& e) {
    PDF417_FUZZ_CHECK(e.code() == pdf417::ErrorCode::InvalidArgument);
    return 0;
  }
  PDF417_FUZZ_CHECK(columns >= pdf417::kMinColumns && columns <= pdf417::kMaxColumns);
  PDF417_FUZZ_CHECK(level >= pdf417::kMinLevel && level <= pdf417::kMaxLevel);
  PDF417_FUZZ_CHECK(aspect >= 1);
  PDF417_FUZZ_CHECK(static_cast<std::int64_t>(file.size()) <= pdf417::kMaxBitmapFileBytes);

  // The file is a one-bit bitmap of the symbol: 17 modules per column plus start, stop and row
  // indicators, a quiet zone unless the aspect ratio is 1, and 3 to 90 rows of aspect pixels.
  pdf417::BinBMP image;
  image.LoadBytes(file.data(), file.size());  // throws (and so fails) if it is not a bitmap
  PDF417_FUZZ_CHECK(image.bitCount == 1);
  PDF417_FUZZ_CHECK(image.height <= pdf417::kMaxBitmapSide);
  const int quiet = aspect == 1 ? 0 : 1;
  PDF417_FUZZ_CHECK(image.width == 17 * columns + 69 + 16 * quiet);
  const int rows = (image.height - 4 * quiet) / aspect;
  PDF417_FUZZ_CHECK(rows * aspect + 4 * quiet == image.height);
  PDF417_FUZZ_CHECK(rows >= pdf417::kMinRows && rows <= pdf417::kMaxRows);
  PDF417_FUZZ_CHECK(rows * columns <= pdf417::kMaxCodewords);

  // Small symbols are read back: the decoder must return the data exactly.
  if (aspect >= 2 && aspect <= 7) {
    const pdf417::DecodeResult result = testutil::DecodeFirst(file.data(), file.size());
    PDF417_FUZZ_CHECK(result.ok());
    PDF417_FUZZ_CHECK(result.bytes == std::string(reinterpret_cast<const char*>(bytes),
                                                  static_cast<std::size_t>(length)));
    PDF417_FUZZ_CHECK(result.rows == rows && result.columns == columns && result.level == level);
  }
  return 0;
}
