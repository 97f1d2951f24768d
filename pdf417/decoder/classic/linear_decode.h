// Codeword recognition: measures every cell of the located grid, scales its four bars and four
// spaces to 17 modules and looks the pattern up in the table of the row's cluster.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "pdf417/common/linked_list.h"
#include "pdf417/common/patterns.h"
#include "pdf417/decoder/binarize/picture.h"

namespace pdf417 {

// Module counts of one cell: bar, space, bar, space, bar, space, bar, space.
using CellWidths = std::array<std::int32_t, 8>;

class LinearDecode {
 public:
  // Copies both region lists and sizes the grids for rowCount x colCount cells. The counts must
  // be the sizes of the lists; throws pdf417::Error otherwise.
  LinearDecode(std::int32_t rowCount, std::int32_t colCount,
               const LinkedList<AryRegion>& rowRegions, const LinkedList<AryRegion>& colRegions);

  // Fills cellWidths for every cell, start and stop columns included, from the picture the
  // regions were located in.
  void SampleCells(const BitMatrix& image);
  // Fills codewordGrid from cellWidths; columns 0 and colCount - 1 (start, stop) are left 0.
  void ReadCodewords();
  // Appends the codewords of the data region (columns 2 .. colCount - 3), row by row.
  void CollectDataCodewords();

  LinkedList<AryRegion> rowRegions;  // top to bottom
  LinkedList<AryRegion> colRegions;  // left to right
  LinkedList<int> codewordList;      // data region, row by row
  std::int32_t rowCount = 0;
  std::int32_t colCount = 0;
  std::int32_t ecLevel = 0;  // set by ReadLevel
  // Set by ReadLevel from the same vote: the levels 0..8 the indicators voted for, most votes
  // first (the winner first when it is one of them).
  std::vector<std::int32_t> levelCandidates;
  std::vector<std::vector<CellWidths>> cellWidths;      // [row][column]
  std::vector<std::vector<std::int32_t>> codewordGrid;  // [row][column]
};

// Measures the cell covering image rows row.first .. row.last and columns col.first .. col.last:
// a pixel column is a bar where more than half of the rows (by (last - first) / 2) are dark.
// Runs are counted from the first bar column; missing runs count as width 0. The eight widths
// are scaled to module counts that sum to 17.
CellWidths SampleCell(const BitMatrix& image, const AryRegion& row, const AryRegion& col);

// Dark pixels per column of a cell: columns c .. c + n - 1 over rows a .. b, into dark[0 .. n-1];
// everything outside the picture is light.
void CountCellColumns(const BitMatrix& image, std::int32_t a, std::int32_t b, std::int32_t c,
                      std::int32_t n, std::int32_t* dark);

// The first 17 modules laid out from the counts (bar first) as a binary number, leftmost module
// in bit 16. Modules missing from a short layout read as spaces.
std::int32_t PatternValue(const CellWidths& modules);

// Floor search in a cluster's table (ascending pattern values): the codeword whose pattern is the
// nearest one at or below value. Below the first pattern, or at or above the last, the result is
// the last entry's codeword.
std::int32_t LookupCodeword(std::int32_t value, const PatternEntry (&table)[kCodewordCount]);

}  // namespace pdf417
