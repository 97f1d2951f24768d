#include "pdf417/decoder/linear_decode.h"

#include <algorithm>
#include <string>

#include "pdf417/common/error.h"
#include "pdf417/common/one_bit_rows.h"
#include "pdf417/decoder/image_amend.h"

namespace pdf417 {
namespace {

std::vector<AryRegion> ToVector(LinkedList<AryRegion>& list) {
  std::vector<AryRegion> out;
  out.reserve(static_cast<std::size_t>(list.Size()));
  for (list.Reset(0); !list.AtEnd(); list.Advance()) out.push_back(list.Data());
  return out;
}

// Dark pixels per column of a cell: columns c .. c + n - 1 over rows a .. b, into dark[0 .. n-1].
void CountCellColumns(const BinBMP& image, std::int32_t a, std::int32_t b, std::int32_t c,
                      std::int32_t n, std::int32_t* dark) {
  std::fill(dark, dark + n, 0);
  if (const std::optional<OneBitRows> rows = StraightRows(image)) {
    // Only the part inside the picture can be dark.
    const std::int32_t top = std::max(a, 0);
    const std::int32_t bottom = std::min(b, image.height - 1);
    const std::int32_t left = std::max(c, 0);
    const auto right = static_cast<std::int32_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(c) + n, image.width));
    for (std::int32_t y = top; y <= bottom; ++y) {
      rows->ForEachDark(y, left, right, [dark, c](std::int32_t x) { ++dark[x - c]; });
    }
    return;
  }
  for (std::int32_t k = 0; k < n; ++k) {
    for (std::int32_t y = a; y <= b; ++y) {
      if (!image.IsWhite(y, c + k)) ++dark[k];
    }
  }
}

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

void LinearDecode::SampleCells() {
  const std::vector<AryRegion> rows = ToVector(rowRegions);
  const std::vector<AryRegion> cols = ToVector(colRegions);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    for (std::size_t j = 0; j < cols.size(); ++j) {
      cellWidths[i][j] = SampleCell(image, rows[i], cols[j]);
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

CellWidths SampleCell(const BinBMP& image, const AryRegion& row, const AryRegion& col) {
  CellWidths widths{};
  const std::int32_t a = row.first;
  const std::int32_t b = row.last;
  const std::int32_t c = col.first;
  const std::int32_t n = col.last - col.first + 1;
  if (n <= 0) return widths;

  // A pixel column is a bar when more than half of the cell's rows are dark in it. Cells are
  // usually narrow: their counts stay on the stack.
  constexpr std::int32_t kLocal = 256;
  std::int32_t local[kLocal];
  std::vector<std::int32_t> heap;
  std::int32_t* dark = local;
  if (n > kLocal) {
    heap.resize(static_cast<std::size_t>(n));
    dark = heap.data();
  }
  CountCellColumns(image, a, b, c, n, dark);
  const std::int32_t needed = (b - a) / 2;
  auto bar = [dark, needed](std::int32_t k) { return dark[k] > needed; };

  // Runs from the first bar column on; space columns in front of it are skipped. Only the first
  // eight runs are kept; the run reaching the cell's right end counts only while fewer than
  // eight were found.
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

std::int32_t PatternValue(const CellWidths& modules) {
  std::int32_t value = 0;
  int laid = 0;
  for (std::size_t i = 0; i < modules.size() && laid < kModulesPerCodeword; ++i) {
    const std::int32_t bit = i % 2 == 0 ? 1 : 0;
    for (std::int32_t k = 0; k < modules[i] && laid < kModulesPerCodeword; ++k) {
      value = value * 2 + bit;
      ++laid;
    }
  }
  return value << (kModulesPerCodeword - laid);
}

std::int32_t LookupCodeword(std::int32_t value, const PatternEntry (&table)[kCodewordCount]) {
  // The tables ascend: the entry wanted is the last one whose value is at most value.
  const PatternEntry* end = table + kCodewordCount;
  const PatternEntry* above = std::upper_bound(
      table, end, value, [](std::int32_t v, const PatternEntry& e) { return v < e.value; });
  if (above == table || above == end) return table[kCodewordCount - 1].codewordPlusOne - 1;
  return (above - 1)->codewordPlusOne - 1;
}

}  // namespace pdf417
