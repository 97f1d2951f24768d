// Compact symbols: a symbol drawn without its right row indicator, its stop pattern reduced to a
// single bar one module wide. The pattern-located reading follows such a symbol from its start
// pattern alone; these functions tell it apart from a full symbol and check it.
#pragma once

#include <array>
#include <vector>

#include "pdf417/decoder/decoder.h"
#include "pdf417/decoder/correct/symbol_check.h"

namespace pdf417 {

// Modules of a compact symbol beyond its data columns: start, left indicator, the final bar.
constexpr int kCompactFrameModules = 17 + 17 + 1;

// Whether a grid read from the start pattern alone (rows x (columns + 4), as CheckCodewordGrid
// takes it) is laid out as a compact symbol: no cell of the right indicator column was read.
bool LooksCompact(const std::vector<std::vector<int>>& grid);

// CheckCodewordGrid for a compact symbol: most left row indicators must state the grid's rows,
// columns and level (there are no right ones), then the Reed-Solomon syndromes (two
// error-correction codewords kept for detection), the length descriptor and decompaction.
GridVerdict CheckCompactGrid(const std::vector<std::vector<int>>& grid, int level,
                             DecodeResult& out);

// The corners of a compact symbol of `columns` data columns found from its start edge alone:
// `lone` is the edge's candidate (top-left, far top, far bottom, bottom-left, reaching across
// the picture), `module` its module width in pixels. The right side is put where the final bar
// ends.
std::array<PointF, 4> CompactCorners(const std::array<PointF, 4>& lone, double module, int columns);

}  // namespace pdf417
