// The classic reading: the demonstration decoder's stages run in their order on one matrix —
// straightening (ImageAmend), rows and columns by projection profiles (RowColDetect), every cell
// measured and looked up (LinearDecode), the level voted from the row indicators (ReadLevel).
// It is the cheapest way to a clean, upright symbol, and it hands its codewords on as a grid like
// every other reading.
#pragma once

#include <vector>

#include "pdf417/decoder/binarize/picture.h"
#include "pdf417/decoder/budget.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/decoder/grid/codeword_grid.h"

namespace pdf417 {

struct ClassicReading {
  CodewordGrid grid;
  std::vector<int> levels;      // the levels the row indicators voted for, most votes first
  std::vector<PointF> corners;  // the grid's outer corners in the matrix read
};

// Reads the matrix; false when no grid of a symbol's shape was located. Checks the budget between
// its stages (BudgetStop leaves). Throws pdf417::Error for a picture the stages cannot handle.
bool ReadClassic(const BitMatrix& bits, const Budget& budget, ClassicReading& out);

}  // namespace pdf417
