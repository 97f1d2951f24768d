// The encoder's entry: parameter checks, then compaction, error correction and rendering.
#include <algorithm>
#include <string>

#include "pdf417/common/error.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/stages.h"

namespace pdf417 {
namespace {

[[noreturn]] void Refuse(const std::string& message) {
  throw Error(ErrorCode::InvalidArgument, message);
}

}  // namespace

CodewordSequence BuildCodewords(const std::uint8_t* data, int length, int columns,
                                int errorCorrectionLevel, int aspectRatio) {
  if (columns < kMinColumns || columns > kMaxColumns) {
    Refuse("columns must be 1 to 30, got " + std::to_string(columns));
  }
  if (errorCorrectionLevel < kMinLevel || errorCorrectionLevel > kMaxLevel) {
    Refuse("error-correction level must be 0 to 8, got " + std::to_string(errorCorrectionLevel));
  }
  if (aspectRatio < 1)
    Refuse("aspect ratio must be at least 1, got " + std::to_string(aspectRatio));
  if (length < 0) Refuse("data length must not be negative");
  if (length > 0 && data == nullptr) Refuse("no data given");

  // Codewords before padding: descriptor, latch, five per six bytes, one per remaining byte.
  const long long n = 2 + 5LL * (length / 6) + length % 6;
  const long long k = ErrorCorrectionCount(errorCorrectionLevel);
  const long long rows = std::max<long long>(kMinRows, (n + k + columns - 1) / columns);
  const long long total = rows * columns;
  if (total > kMaxCodewords) {
    Refuse(std::to_string(length) + " bytes need " + std::to_string(total) +
           " codewords at level " + std::to_string(errorCorrectionLevel) + " with " +
           std::to_string(columns) + " columns; a symbol holds at most 928");
  }
  if (rows > kMaxRows) {
    Refuse(std::to_string(length) + " bytes need " + std::to_string(rows) + " rows with " +
           std::to_string(columns) + " columns; a symbol has at most 90 rows");
  }

  CodewordSequence sequence;
  CompactBytes(data, length, columns, errorCorrectionLevel, sequence, kMinRows);
  AppendErrorCorrection(errorCorrectionLevel, sequence);
  return sequence;
}

std::vector<std::uint8_t> EncodePdf417ToImage(const std::uint8_t* data, int length, int columns,
                                              int errorCorrectionLevel, int aspectRatio) {
  const CodewordSequence sequence =
      BuildCodewords(data, length, columns, errorCorrectionLevel, aspectRatio);
  return RenderSymbolImage(columns, errorCorrectionLevel, sequence, aspectRatio);
}

void EncodePdf417(const std::uint8_t* data, int length, const std::string& fileName, int columns,
                  int errorCorrectionLevel, int aspectRatio) {
  const std::vector<std::uint8_t> image =
      EncodePdf417ToImage(data, length, columns, errorCorrectionLevel, aspectRatio);
  WriteWholeFile(fileName, image.data(), image.size());
}

}  // namespace pdf417
