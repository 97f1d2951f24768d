#include "pdf417/decoder/grid/compact_symbol.h"

#include <cmath>

#include "pdf417/common/error.h"
#include "pdf417/common/symbol_geometry.h"
#include "pdf417/decoder/correct/codeword_check.h"

namespace pdf417 {

bool LooksCompact(const std::vector<std::vector<int>>& grid) {
  if (grid.empty() || grid.front().size() < 5) return false;
  const std::size_t right = grid.front().size() - 2;
  for (const std::vector<int>& row : grid) {
    if (row.size() != grid.front().size() || row[right] >= 0) return false;
  }
  return true;
}

GridVerdict CheckCompactGrid(const std::vector<std::vector<int>>& grid, int level,
                             DecodeResult& out) {
  const int rows = static_cast<int>(grid.size());
  const int width = rows > 0 ? static_cast<int>(grid.front().size()) : 0;
  const int columns = width - 4;
  if (rows < kMinRows || rows > kMaxRows || columns < kMinColumns || columns > kMaxColumns ||
      level < kMinLevel || level > kMaxLevel) {
    return GridVerdict::NoSymbol;
  }
  int agree = 0;
  std::vector<int> codewords;
  for (int r = 0; r < rows; ++r) {
    const std::vector<int>& row = grid[static_cast<std::size_t>(r)];
    if (static_cast<int>(row.size()) != width) return GridVerdict::NoSymbol;
    agree += row[1] == RowIndicatorsOf(r, rows, columns, level).left;
    for (int c = 2; c < 2 + columns; ++c) {
      const int value = row[static_cast<std::size_t>(c)];
      if (value < 0) return GridVerdict::NotCorrectable;  // unread cells are corrected before
      codewords.push_back(value);
    }
  }
  if (2 * agree <= rows) return GridVerdict::NoSymbol;
  out.rows = rows;
  out.columns = columns;
  out.level = level;
  try {
    if (!CorrectAndDecompact(std::move(codewords), level, {}, out)) {
      return GridVerdict::NotCorrectable;
    }
  } catch (const Error&) {
    return GridVerdict::NotCorrectable;  // decompaction met data no encoder writes
  }
  return GridVerdict::Decoded;
}

std::array<PointF, 4> CompactCorners(const std::array<PointF, 4>& lone, double module,
                                     int columns) {
  // The candidate's far side is a fixed number of modules away across the edge: move it in to
  // the symbol's width along the same lines.
  const double reach = std::hypot(lone[1].x - lone[0].x, lone[1].y - lone[0].y);
  const double width = (17.0 * columns + kCompactFrameModules) * module;
  const double t = reach > 0 ? width / reach : 1;
  auto between = [t](const PointF& a, const PointF& b) {
    return PointF{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
  };
  return {lone[0], between(lone[0], lone[1]), between(lone[3], lone[2]), lone[3]};
}

}  // namespace pdf417
