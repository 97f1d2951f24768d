#include "pdf417/decoder/classic/linear_decode.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "pdf417/common/error.h"
#include "pdf417/common/one_bit_rows.h"
#include "pdf417/decoder/classic/image_amend.h"

namespace pdf417 {
namespace {

std::vector<AryRegion> ToVector(LinkedList<AryRegion>& list) {
  std::vector<AryRegion> out;
  out.reserve(static_cast<std::size_t>(list.Size()));
  for (list.Reset(0); !list.AtEnd(); list.Advance()) out.push_back(list.Data());
  return out;
}

// The module counts of a cell of n pixel columns (n >= 1) from the dark pixels of each column
// over rows a .. b.
CellWidths WidthsFromCounts(const std::int32_t* dark, std::int32_t n, std::int32_t a,
                            std::int32_t b) {
  // A pixel column is a bar when more than half of the cell's rows are dark in it.
  const std::int32_t needed = (b - a) / 2;
  auto bar = [dark, needed](std::int32_t k) { return dark[k] > needed; };

  // Runs from the first bar column on; space columns in front of it are skipped. Only the first
  // eight runs are kept; the run reaching the cell's right end counts only while fewer than
  // eight were found.
  CellWidths widths{};
  std::int32_t s = 0;
  while (s < n && !bar(s)) ++s;
  if (s == n) s = 0;
  std::size_t found = 0;
  bool expected = true;
  for (std::int32_t k = s; k < n && found < widths.size(); ++k) {
    if (bar(k) != expected) {
      widths[found++] = k - s;
      s = k;
      expected = !expected;
    }
  }
  if (found < widths.size()) widths[found] = n - s;

  NormalizeWidths(widths);
  return widths;
}

// Scratch for the counts of one cell; cells are usually narrow, so they stay on the stack.
class CellCounts {
 public:
  explicit CellCounts(std::int32_t n) {
    if (n > kLocal) {
      heap_.resize(static_cast<std::size_t>(n));
      data_ = heap_.data();
    }
  }
  std::int32_t* data() { return data_; }

 private:
  static constexpr std::int32_t kLocal = 256;
  std::int32_t local_[kLocal];
  std::vector<std::int32_t> heap_;
  std::int32_t* data_ = local_;
};

}  // namespace

LinearDecode::LinearDecode(std::int32_t rows, std::int32_t columns,
                           const LinkedList<AryRegion>& rowList,
                           const LinkedList<AryRegion>& colList)
    : rowRegions(rowList), colRegions(colList), rowCount(rows), colCount(columns) {
  if (rowCount != rowRegions.Size() || colCount != colRegions.Size()) {
    throw Error(ErrorCode::InvalidArgument,
                "codeword grid of " + std::to_string(rowCount) + " x " + std::to_string(colCount) +
                    " cells does not match " + std::to_string(rowRegions.Size()) + " row and " +
                    std::to_string(colRegions.Size()) + " column regions");
  }
  cellWidths.assign(static_cast<std::size_t>(rowCount),
                    std::vector<CellWidths>(static_cast<std::size_t>(colCount), CellWidths{}));
  codewordGrid.assign(static_cast<std::size_t>(rowCount),
                      std::vector<std::int32_t>(static_cast<std::size_t>(colCount), 0));
}

void LinearDecode::SampleCells(const BitMatrix& image) {
  const std::vector<AryRegion> rows = ToVector(rowRegions);
  const std::vector<AryRegion> cols = ToVector(colRegions);
  // All cells of a row region share its pixel rows: count the dark pixels of every column of the
  // band once, then give each cell its slice. Columns outside the picture are light.
  const std::int32_t width = image.Width();
  const OneBitRows bits = image.Rows();
  std::vector<std::int32_t> band(static_cast<std::size_t>(std::max(width, 0)));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::int32_t a = rows[i].first;
    const std::int32_t b = rows[i].last;
    std::fill(band.begin(), band.end(), 0);
    const std::int32_t top = std::max(a, 0);
    const std::int32_t bottom = std::min(b, image.Height() - 1);
    if (top <= bottom) bits.AddColumnCounts(top, bottom + 1, band.data());
    for (std::size_t j = 0; j < cols.size(); ++j) {
      const std::int32_t c = cols[j].first;
      const std::int32_t n = cols[j].last - cols[j].first + 1;
      if (n <= 0) {
        cellWidths[i][j] = CellWidths{};
        continue;
      }
      CellCounts counts(n);
      std::int32_t* dark = counts.data();
      for (std::int32_t k = 0; k < n; ++k) {
        const std::int64_t x = static_cast<std::int64_t>(c) + k;
        dark[k] = x >= 0 && x < width ? band[static_cast<std::size_t>(x)] : 0;
      }
      cellWidths[i][j] = WidthsFromCounts(dark, n, a, b);
    }
  }
}

void LinearDecode::ReadCodewords() {
  for (std::int32_t i = 0; i < rowCount; ++i) {
    std::vector<std::int32_t>& row = codewordGrid[static_cast<std::size_t>(i)];
    if (colCount == 0) continue;
    // Start and stop pattern columns are not looked up.
    row.front() = 0;
    row.back() = 0;
    // The cluster comes from the row's position alone; row indicators are read like data.
    const PatternEntry(&table)[kCodewordCount] = PatternToCodeword[i % kClusterCount];
    for (std::int32_t j = 1; j <= colCount - 2; ++j) {
      const std::size_t jj = static_cast<std::size_t>(j);
      row[jj] = LookupCodeword(PatternValue(cellWidths[static_cast<std::size_t>(i)][jj]), table);
    }
  }
}

void LinearDecode::CollectDataCodewords() {
  codewordList.Clear();
  for (std::int32_t i = 0; i < rowCount; ++i) {
    for (std::int32_t j = 2; j <= colCount - 3; ++j) {
      codewordList.Append(codewordGrid[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)]);
    }
  }
}

void CountCellColumns(const BitMatrix& image, std::int32_t a, std::int32_t b, std::int32_t c,
                      std::int32_t n, std::int32_t* dark) {
  std::fill(dark, dark + n, 0);
  // Only the part inside the picture can be dark.
  const std::int32_t top = std::max(a, 0);
  const std::int32_t bottom = std::min(b, image.Height() - 1);
  const std::int32_t left = std::max(c, 0);
  const auto right = static_cast<std::int32_t>(
      std::min<std::int64_t>(static_cast<std::int64_t>(c) + n, image.Width()));
  for (std::int32_t y = top; y <= bottom; ++y) {
    const std::uint8_t* line = image.Row(y);
    for (std::int32_t x = left; x < right; ++x) {
      dark[x - c] += (line[static_cast<std::size_t>(x) >> 3] >> (7 - (x & 7))) & 1;
    }
  }
}

CellWidths SampleCell(const BitMatrix& image, const AryRegion& row, const AryRegion& col) {
  const std::int32_t n = col.last - col.first + 1;
  if (n <= 0) return CellWidths{};
  CellCounts counts(n);
  CountCellColumns(image, row.first, row.last, col.first, n, counts.data());
  return WidthsFromCounts(counts.data(), n, row.first, row.last);
}

std::int32_t PatternValue(const CellWidths& modules) {
  // Each count appends that many equal bits at once (a count of 0 or less appends none).
  std::int32_t value = 0;
  int laid = 0;
  for (std::size_t i = 0; i < modules.size() && laid < kModulesPerCodeword; ++i) {
    if (modules[i] <= 0) continue;
    const int m = std::min(modules[i], kModulesPerCodeword - laid);
    value = (value << m) | (i % 2 == 0 ? (1 << m) - 1 : 0);
    laid += m;
  }
  return value << (kModulesPerCodeword - laid);
}

std::int32_t LookupCodeword(std::int32_t value, const PatternEntry (&table)[kCodewordCount]) {
  const int i = PatternIndexAtMost(table, value);
  // Below the first pattern the answer is the last entry, as at or above the last.
  if (i < 0) return table[kCodewordCount - 1].codewordPlusOne - 1;
  return table[i].codewordPlusOne - 1;
}

}  // namespace pdf417
