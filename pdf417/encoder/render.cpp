// Lays the codewords out in rows and packs them into a one-bit bitmap file image.
#include <algorithm>
#include <cstring>

#include "pdf417/common/bitmap.h"
#include "pdf417/common/error.h"
#include "pdf417/common/patterns.h"
#include "pdf417/encoder/bmp_writer.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/stages.h"
#include "pdf417/encoder/symbol.h"

namespace pdf417 {
namespace {

// Appends the low `count` bits of value (the leftmost module first) to a row being packed eight
// modules a byte, leftmost in bit 7.
class RowPacker {
 public:
  explicit RowPacker(std::uint8_t* out) : out_(out) {}
  void Put(std::uint32_t value, int count) {
    bits_ = (bits_ << count) | value;
    pending_ += count;
    while (pending_ >= 8) {
      pending_ -= 8;
      *out_++ = static_cast<std::uint8_t>(bits_ >> pending_);
    }
  }
  // Writes the last, partial byte; the modules missing from it are 0 (white).
  void Finish() {
    if (pending_ > 0) *out_++ = static_cast<std::uint8_t>(bits_ << (8 - pending_));
    pending_ = 0;
  }

 private:
  std::uint8_t* out_;
  std::uint64_t bits_ = 0;
  int pending_ = 0;
};

// The modules of a pattern given one byte per module, as a number with the leftmost module
// in the highest bit.
std::uint32_t PatternBits(const std::uint8_t* modules, int count) {
  std::uint32_t value = 0;
  for (int i = 0; i < count; ++i) value = (value << 1) | (modules[i] ? 1u : 0u);
  return value;
}

void CheckRenderParameters(int columns, int level, const CodewordSequence& sequence,
                           int aspectRatio) {
  if (columns < kMinColumns || columns > kMaxColumns) {
    throw Error(ErrorCode::InvalidArgument,
                "columns must be 1 to 30, got " + std::to_string(columns));
  }
  if (level < kMinLevel || level > kMaxLevel) {
    throw Error(ErrorCode::InvalidArgument,
                "error-correction level must be 0 to 8, got " + std::to_string(level));
  }
  if (aspectRatio < 1) {
    throw Error(ErrorCode::InvalidArgument,
                "aspect ratio must be at least 1, got " + std::to_string(aspectRatio));
  }
  if (sequence.empty() || sequence.size() % static_cast<std::size_t>(columns) != 0) {
    throw Error(ErrorCode::InvalidArgument,
                "codeword count must be a non-zero multiple of columns");
  }
  if (sequence.size() / static_cast<std::size_t>(columns) > static_cast<std::size_t>(kMaxRows)) {
    throw Error(ErrorCode::InvalidArgument, "a symbol has at most 90 rows");
  }
  for (const std::int32_t cw : sequence) {
    if (cw < 0 || cw >= kCodewordCount) {
      throw Error(ErrorCode::InvalidArgument, "codewords must be 0 to 928");
    }
  }
}

}  // namespace

std::vector<std::uint8_t> RenderSymbolImage(int columns, int errorCorrectionLevel,
                                            const CodewordSequence& sequence, int aspectRatio) {
  CheckRenderParameters(columns, errorCorrectionLevel, sequence, aspectRatio);
  const int c = columns;
  const int L = errorCorrectionLevel;
  const int h = aspectRatio;
  const int R = static_cast<int>(sequence.size() / static_cast<std::size_t>(c));
  const int W0 = 17 * c + 69;

  const bool quiet = h != 1;
  const std::int64_t W = quiet ? W0 + 16 : W0;
  const std::int64_t H = quiet ? static_cast<std::int64_t>(R) * h + 4 : R;
  const std::int64_t fileSize = BilevelBmpSize(W, H);
  // A picture taller than the decoder reads would be a symbol nobody can read back.
  if (fileSize > kMaxBitmapFileBytes || H > kMaxBitmapSide) {
    throw Error(ErrorCode::InvalidArgument,
                "aspect ratio " + std::to_string(h) + " makes the picture too large");
  }
  const std::size_t B = static_cast<std::size_t>((W0 + 7) / 8);

  // White background, black bars.
  BilevelBmp file(W, H, Colour{255, 255, 255}, Colour{0, 0, 0});
  std::vector<std::uint8_t> packed(B);
  const std::size_t dstOffset = quiet ? 1 : 0;
  const std::uint32_t start = PatternBits(StartPattern, kStartPatternModules);
  const std::uint32_t stop = PatternBits(StopPattern, kStopPatternModules);

  for (int r = 0; r < R; ++r) {
    const int cluster = r % 3;
    const RowIndicators indicators = RowIndicatorsOf(r, R, c, L);
    const int left = indicators.left;
    const int right = indicators.right;
    // Start pattern, left indicator, data, right indicator, stop pattern: the W0 modules of the
    // row, packed eight a byte, leftmost in bit 7; bits past the last module stay 0 (white).
    RowPacker row(packed.data());
    row.Put(start, kStartPatternModules);
    row.Put(static_cast<std::uint32_t>(PatternValueOf(cluster, left)), kModulesPerCodeword);
    for (int j = 0; j < c; ++j) {
      row.Put(static_cast<std::uint32_t>(
                  PatternValueOf(cluster, sequence[static_cast<std::size_t>(r * c + j)])),
              kModulesPerCodeword);
    }
    row.Put(static_cast<std::uint32_t>(PatternValueOf(cluster, right)), kModulesPerCodeword);
    row.Put(stop, kStopPatternModules);
    row.Finish();

    // The pixel lines of this symbol row.
    const std::int64_t firstRow = quiet ? 2 + static_cast<std::int64_t>(r) * h : r;
    const std::int64_t rowCount = quiet ? h : 1;
    for (std::int64_t k = firstRow; k < firstRow + rowCount; ++k) {
      std::memcpy(file.Line(k) + dstOffset, packed.data(), B);
    }
  }
  return file.Take();
}

void RenderSymbol(int columns, int errorCorrectionLevel, const CodewordSequence& sequence,
                  const std::string& fileName, int aspectRatio) {
  const std::vector<std::uint8_t> image =
      RenderSymbolImage(columns, errorCorrectionLevel, sequence, aspectRatio);
  WriteWholeFile(fileName, image.data(), image.size());
}

}  // namespace pdf417
