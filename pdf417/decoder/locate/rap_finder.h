// Finding MicroPDF417 rows: every pixel row of the matrix and every pixel column (a row of the
// transposed matrix) is read both ways for rows of a MicroPDF417 symbol (codewords/micro_line.h),
// so that symbols at each of the four quarter turns are read along their rows. What each line
// crossed is handed on with where it lies, for grid/micro_reader.h to gather into symbols.
#pragma once

#include <vector>

#include "pdf417/decoder/binarize/picture.h"
#include "pdf417/decoder/budget.h"
#include "pdf417/decoder/codewords/micro_line.h"
#include "pdf417/decoder/decoder.h"

namespace pdf417 {

// Which lines a row was read on: 0 the matrix's rows left to right, 1 right to left, 2 its
// columns top to bottom, 3 bottom to top.
constexpr int kMicroDirections = 4;

// One MicroPDF417 row crossed by one line.
struct MicroRowHit {
  MicroLine row;  // positions are samples along the line in the direction read
  int direction = 0;
  int line = 0;  // the pixel row (directions 0 and 1) or column (2 and 3) where the line begins
  bool inverted = false;
  double slope = 0;  // pixels across the line moves a pixel along it (0: straight)
};

// An upright rectangle of the matrix: x0 <= x < x1, y0 <= y < y1.
struct MatrixBox {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// Every row crossed by lines `step` pixels apart, bars dark, and with `inverted` also light bars
// on a dark ground. Columns are read as rows of `transposed` (the matrix turned over its
// diagonal), when given. No row is looked for from inside the boxes (symbols read already). The
// budget, when given, is checked every 64 lines.
// With `near`, rows found before on lines `nearStep` apart, only the lines within nearStep of one
// of those (in its direction across) are read, and not those read before. With a `slope`, each
// line moves that many pixels across for each pixel along (a symbol turned a few degrees reads
// along its rows); out of the matrix it is light.
std::vector<MicroRowHit> FindMicroRows(const BitMatrix& bits, const BitMatrix* transposed, int step,
                                       bool inverted, const std::vector<MatrixBox>& skip = {},
                                       const Budget* budget = nullptr,
                                       const std::vector<MicroRowHit>* near = nullptr,
                                       int nearStep = 0, double slope = 0);

// The matrix point of sample boundary `s` on a hit's line (the line's middle across) of the given
// slope.
PointF MicroLinePoint(const BitMatrix& bits, int direction, double line, double s,
                      double slope = 0);

}  // namespace pdf417
