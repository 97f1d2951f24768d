// Lines of a one-bit picture as runs of one colour: what the pattern search and the codeword
// reader measure. Whole rows of a matrix are cut into runs a machine word at a time.
#pragma once

#include <cstdint>
#include <vector>

#include "pdf417/decoder/binarize/picture.h"

namespace pdf417 {

// A run of one colour along a line, in samples.
struct Run {
  int begin = 0;
  int length = 0;
  bool dark = false;
};

// The runs of a line of samples (non-zero = dark), appended to `runs` after clearing it.
void RunsOf(const std::uint8_t* samples, int count, std::vector<Run>& runs);

// The runs of pixel row `row` of the matrix, columns 0 .. width - 1, into `runs` (cleared first).
void RowRuns(const BitMatrix& bits, std::int32_t row, std::vector<Run>& runs);
// The same between columns `from` and `to` (exclusive), clipped to the row; the runs' begins are
// columns of the row.
void RowRunsBetween(const BitMatrix& bits, std::int32_t row, int from, int to,
                    std::vector<Run>& runs);

// The matrix's diagonals as the rows of another. With `falling` false, row t holds the diagonal
// x - y = t - (height - 1), column y at pixel (x, y); with `falling` true, row t holds the
// diagonal x + y = t, column y at pixel (t - y, y). Pixels off the matrix are light.
BitMatrix DiagonalRows(const BitMatrix& bits, bool falling);

// The matrix turned over its main diagonal: row r of the result is column r of the source.
BitMatrix Transposed(const BitMatrix& bits);

// The matrix upside down: row r of the result is row height - 1 - r of the source.
BitMatrix ReversedRows(const BitMatrix& bits);

}  // namespace pdf417
