#include "pdf417/decoder/correct/symbol_check.h"

#include <algorithm>
#include <string>
#include <utility>

#include "pdf417/common/error.h"
#include "pdf417/common/symbol_geometry.h"
#include "pdf417/decoder/correct/reed_solomon.h"
#include "pdf417/decoder/decompact/decompact.h"

namespace pdf417 {
namespace {

// Whether more than half of the row indicators read state the rows, columns and level.
bool IndicatorsAgree(const CodewordGrid& grid, int level) {
  int agree = 0;
  int read = 0;
  for (int r = 0; r < grid.rows; ++r) {
    const RowIndicators expected = RowIndicatorsOf(r, grid.rows, grid.columns, level);
    const int left = grid.At(r, 0);
    if (left >= 0) {
      ++read;
      agree += left == expected.left;
    }
    const int right = grid.At(r, grid.columns + 1);
    if (!grid.compact && right >= 0) {
      ++read;
      agree += right == expected.right;
    }
  }
  return agree > 0 && 2 * agree > read;
}

// Corrects the data region at one level and decompacts it.
GridVerdict DecodeAtLevel(const CodewordGrid& grid, int level, DecodeResult& out) {
  if (level < kMinLevel || level > kMaxLevel) return GridVerdict::NoSymbol;
  const int k = ErrorCorrectionCount(level);
  const int n = grid.rows * grid.columns;
  if (n <= k || !IndicatorsAgree(grid, level)) return GridVerdict::NoSymbol;
  out.rows = grid.rows;
  out.columns = grid.columns;
  out.level = level;
  out.symbology = grid.compact ? Symbology::CompactPdf417 : Symbology::Pdf417;

  std::vector<int> codewords;
  std::vector<int> erased;
  codewords.reserve(static_cast<std::size_t>(n));
  for (int r = 0; r < grid.rows; ++r) {
    for (int c = 1; c <= grid.columns; ++c) {
      const int value = grid.At(r, c);
      if (value < 0) erased.push_back(static_cast<int>(codewords.size()));
      codewords.push_back(value);
    }
  }
  const std::vector<int> asRead = codewords;
  if (CorrectErrata(codewords, k, erased, 2) < 0) return GridVerdict::NotCorrectable;
  int corrected = 0;
  for (std::size_t i = 0; i < codewords.size(); ++i)
    corrected += asRead[i] >= 0 && codewords[i] != asRead[i];
  const bool untouched = corrected == 0 && erased.empty();

  // The descriptor counts every codeword but the error-correction ones. A consistent list as read
  // may say fewer (other encoders leave filler behind the data): the data ends there.
  const int dataCount = n - k;
  const int descriptor = codewords.front();
  std::vector<std::string> warnings;
  if (descriptor != dataCount) {
    if (!untouched || descriptor < 1 || descriptor > dataCount) return GridVerdict::NotCorrectable;
    warnings.push_back("the length descriptor says " + std::to_string(descriptor) +
                       " data codewords of " + std::to_string(dataCount) + "; the last " +
                       std::to_string(dataCount - descriptor) + " were ignored");
  }
  DecompactInfo info;
  std::string bytes;
  try {
    bytes = DecompactCodewords(
        std::vector<int>(codewords.begin() + 1, codewords.begin() + descriptor), info);
  } catch (const Error&) {
    return GridVerdict::NotCorrectable;  // data that stands for no bytes: a corrupt symbol
  }
  out.bytes = std::move(bytes);
  out.eci = std::move(info.eci);
  out.macro = std::move(info.macro);
  out.corrected = corrected;
  out.erasures = static_cast<int>(erased.size());
  out.warnings.insert(out.warnings.end(), warnings.begin(), warnings.end());
  return GridVerdict::Decoded;
}

}  // namespace

GridVerdict DecodeGrid(const CodewordGrid& grid, const std::vector<int>& levels,
                       DecodeResult& out) {
  if (grid.rows < 1 || grid.rows > kMaxRows || grid.columns < kMinColumns ||
      grid.columns > kMaxColumns) {
    return GridVerdict::NoSymbol;
  }
  // A symbol that does not check out is reported with the shape of the first level whose
  // indicators agreed.
  GridVerdict best = GridVerdict::NoSymbol;
  DecodeResult shape;
  for (std::size_t i = 0; i < levels.size(); ++i) {
    const int level = levels[i];
    if (std::find(levels.begin(), levels.begin() + static_cast<long>(i), level) !=
        levels.begin() + static_cast<long>(i)) {
      continue;  // tried already
    }
    DecodeResult attempt;
    const GridVerdict v = DecodeAtLevel(grid, level, attempt);
    if (v == GridVerdict::Decoded) {
      attempt.warnings.insert(attempt.warnings.begin(), out.warnings.begin(), out.warnings.end());
      out = std::move(attempt);
      return v;
    }
    if (v == GridVerdict::NotCorrectable && best == GridVerdict::NoSymbol) {
      best = v;
      shape = std::move(attempt);
    }
  }
  if (best == GridVerdict::NotCorrectable) {
    out.rows = shape.rows;
    out.columns = shape.columns;
    out.level = shape.level;
    out.symbology = shape.symbology;
  }
  return best;
}

}  // namespace pdf417
