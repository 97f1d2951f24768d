// What every reading of a picture hands on: the codewords it read, laid out as the symbol's rows
// and columns, with the cells it could not read marked. Error correction and decompaction
// (correct/symbol_check.h) take it from there, whichever reading made it.
#pragma once

#include <cstddef>
#include <vector>

namespace pdf417 {

struct CodewordGrid {
  CodewordGrid() = default;
  CodewordGrid(int rowCount, int columnCount, bool compactSymbol = false)
      : rows(rowCount),
        columns(columnCount),
        compact(compactSymbol),
        cells(static_cast<std::size_t>(rowCount) * static_cast<std::size_t>(columnCount + 2), -1) {}

  // Column 0 is the left row indicator, 1 .. columns the data columns, columns + 1 the right row
  // indicator. -1 where nothing was read.
  int& At(int row, int column) {
    return cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns + 2) +
                 static_cast<std::size_t>(column)];
  }
  int At(int row, int column) const {
    return cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns + 2) +
                 static_cast<std::size_t>(column)];
  }

  int rows = 0;
  int columns = 0;       // data columns
  bool compact = false;  // a compact symbol: no right row indicators
  std::vector<int> cells;
};

}  // namespace pdf417
