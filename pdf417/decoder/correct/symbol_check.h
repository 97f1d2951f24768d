// The last stages of every reading: a grid of codewords checked against its row indicators,
// corrected (unread cells as erasures), its length descriptor checked and its data decompacted.
// Anything less than a list whose syndromes all vanish with two error-correction codewords to
// spare is never reported as a symbol.
#pragma once

#include <vector>

#include "pdf417/decoder/decoder.h"
#include "pdf417/decoder/grid/codeword_grid.h"

namespace pdf417 {

enum class GridVerdict {
  Decoded,
  NoSymbol,        // the row indicators do not state the grid's rows, columns and level
  NotCorrectable,  // they do, but the codewords do not check out
};

// Tries the levels in the order given (the most likely first; levels outside 0..8 are skipped) and
// fills out's rows, columns, level, bytes, eci, macro, corrected, erasures and warnings from the
// first that decodes; not its status. At a level, more than half of the row indicators read (the
// left ones only for a compact symbol) must state the grid's rows, columns and level; the data
// region (length descriptor, data, pads, then the error-correction codewords) is corrected with at
// most (k - 2) / 2 errors beside the erasures; the length descriptor must equal the number of data
// codewords when anything was corrected or erased (a consistent list as read may give a smaller
// one: the rest is ignored, with a warning); and the data must decompact.
GridVerdict DecodeGrid(const CodewordGrid& grid, const std::vector<int>& levels, DecodeResult& out);

}  // namespace pdf417
