// Reading MicroPDF417 rows along one line of runs: the row address patterns (RAPs) by the
// proportions of their six elements, and the codewords between them by their edges
// (edge_reader.h). A row is anchored by its left RAP after a light stretch and by its right RAP
// and one-module stop bar before one; the distance between them, one of the four row widths,
// tells the columns, and the cells are read where that module grid puts them.
#pragma once

#include <array>
#include <vector>

#include "pdf417/decoder/binarize/runs.h"
#include "pdf417/decoder/codewords/edge_reader.h"

namespace pdf417 {

// The RAP number (1 .. 52) of six element widths (bar first, any unit, in reading order) among
// the left/right patterns or, with `centre`, the centre ones; 0 when they fit none, or two alike.
// With `openEnd` the last width (a space) is only known to be at least the pattern's: the first
// five are matched. `module`, when given, receives the module width the match implies.
int ReadRap(const std::array<double, 6>& widths, bool centre, bool openEnd = false,
            double* module = nullptr);

// One MicroPDF417 row crossed by a line, in the line's samples.
struct MicroLine {
  double begin = 0;   // where the left RAP's first bar begins
  double end = 0;     // where the stop bar ends
  double module = 0;  // samples a module, from the row's whole width
  int columns = 0;    // data columns, 1 .. 4
  int leftRap = 0;  // RAP numbers read; 0 where a RAP gave none (the centre one of 1 or 2 columns)
  int centreRap = 0;
  int rightRap = 0;
  std::vector<EdgeReading> cells;  // the data columns from the left; codeword -1 where unread
};

// A stretch of a line, in samples: [begin, end).
struct Span {
  double begin = 0;
  double end = 0;
};

// Every row the runs (bars dark, in reading order) show, appended to `rows`; rows are not looked
// for from inside the `skip` stretches (symbols read already).
void ReadMicroLine(const std::vector<Run>& runs, std::vector<MicroLine>& rows,
                   const std::vector<Span>& skip = {});

}  // namespace pdf417
