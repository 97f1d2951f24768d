// The checks every reading's codewords pass before they count as a symbol, shared by the
// readings of decode.cpp and the pattern-located reading (detector_reading.h).
#pragma once

#include <vector>

#include "pdf417/decoder/decoder.h"

namespace pdf417 {

enum class GridVerdict {
  Decoded,
  NoSymbol,        // the row indicators do not state the grid's rows, columns and level
  NotCorrectable,  // they do, but the codewords do not check out
};

// Checks a grid of codewords (rows x (columns + 4): start, left indicator, data columns, right
// indicator, stop; start and stop cells are not read) at one level: the row indicators, the
// Reed-Solomon syndromes (correcting with two error-correction codewords kept for detection),
// the length descriptor; then decompacts. Fills out's rows, columns, level, corrected, bytes,
// eci and macro; not its status.
GridVerdict CheckCodewordGrid(const std::vector<std::vector<int>>& grid, int level,
                              DecodeResult& out);

}  // namespace pdf417
