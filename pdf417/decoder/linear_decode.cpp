#include "pdf417/decoder/linear_decode.h"

#include <string>

#include "pdf417/common/error.h"
#include "pdf417/decoder/image_amend.h"

namespace pdf417 {
namespace {

std::vector<AryRegion> ToVector(LinkedList<AryRegion>& list) {
  std::vector<AryRegion> out;
  out.reserve(static_cast<std::size_t>(list.Size()));
  for (list.Reset(0); !list.AtEnd(); list.Advance()) out.push_back(list.Data());
  return out;
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

  // A pixel column is a bar when more than half of the cell's rows are dark in it.
  std::vector<bool> bar(static_cast<std::size_t>(n));
  const std::int32_t needed = (b - a) / 2;
  for (std::int32_t k = 0; k < n; ++k) {
    std::int32_t dark = 0;
    for (std::int32_t y = a; y <= b; ++y) {
      if (!image.IsWhite(y, c + k)) ++dark;
    }
    bar[static_cast<std::size_t>(k)] = dark > needed;
  }

  // Runs from the first bar column on; space columns in front of it are skipped.
  std::int32_t s = 0;
  while (s < n && !bar[static_cast<std::size_t>(s)]) ++s;
  if (s == n) s = 0;
  std::vector<std::int32_t> runs;
  bool expected = true;
  for (std::int32_t k = s; k < n; ++k) {
    if (bar[static_cast<std::size_t>(k)] != expected) {
      runs.push_back(k - s);
      s = k;
      expected = !expected;
    }
  }
  // The run reaching the cell's right end counts only while fewer than eight were found.
  if (runs.size() < widths.size()) runs.push_back(n - s);
  for (std::size_t i = 0; i < widths.size() && i < runs.size(); ++i) widths[i] = runs[i];

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
  for (int k = 0; k + 1 < kCodewordCount; ++k) {
    if (table[k].value <= value && value < table[k + 1].value) return table[k].codewordPlusOne - 1;
  }
  return table[kCodewordCount - 1].codewordPlusOne - 1;
}

}  // namespace pdf417
