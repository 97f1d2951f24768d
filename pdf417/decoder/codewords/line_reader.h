// Reading the codewords along one line across a symbol, from its runs: the start pattern near the
// line's left end and the stop pattern near its right end, the row indicators beside them, and
// each codeword by the edges of its bars (edge_reader.h) where the module grid between the
// patterns, or the codewords read before it, put it.
#pragma once

#include <vector>

#include "pdf417/decoder/binarize/runs.h"
#include "pdf417/decoder/codewords/edge_reader.h"

namespace pdf417 {

// Modules of a symbol beyond its data columns: start, two indicators, stop.
constexpr int kFrameModules = 17 + 17 + 17 + 18;
// The same for a compact symbol: start, left indicator, the final bar.
constexpr int kCompactFrameModules = 17 + 17 + 1;

// Where the modules of a line lie, in samples: module index i begins at origin + i x module. 0
// module when not known.
struct LineFit {
  double origin = 0;
  double module = 0;
};

// One line across a symbol and what was found on it.
struct LineReading {
  double v = 0;  // where the line crosses the symbol: 0 at its top edge, 1 at its bottom edge
  std::vector<Run> runs;
  int startRun = -1;  // first run of the start pattern
  int stopRun = -1;   // first run of the stop pattern
  double startModule = 0;
  double stopModule = 0;
  EdgeReading left;  // the row indicators beside the patterns
  EdgeReading right;
  // The cells read from the start pattern onwards (0 the left row indicator) and from the stop
  // pattern backwards (0 the right row indicator); codeword -1 where a cell gave none.
  std::vector<EdgeReading> fromStart;
  std::vector<EdgeReading> fromStop;
  // The grids the walks ended on: from the start pattern (index 0 its first bar) and from the stop
  // pattern (its first bar at index backwardStopAt).
  LineFit forward;
  LineFit backward;
  int backwardStopAt = 0;
  int betweenColumns = 0;  // the columns of the grid read between both patterns, 0 when none was
  // Where sample s of the line lies across the symbol: u = uOrigin + s x uPerSample, 0 at the left
  // edge the line was laid out from and 1 at the right one.
  double uOrigin = 0;
  double uPerSample = 0;
  int row = -1;  // the symbol row it crosses, once known
};

// Finds the patterns (bars dark) near the ends of the line's runs, `samples` long with
// `perPixel` samples a pixel, and reads the cells from each pattern inwards: each codeword where a
// module grid fitted to the pattern and to every codeword read before it puts it, by the
// proportions of its edges, or by where its edges fall on that grid (modules of a fractional
// number of pixels).
void ReadLine(LineReading& line, int samples, double perPixel);

// The modules between the start pattern's first bar and the stop pattern's last, when the line
// shows both.
double FrameModules(const LineReading& line);

// The cells of a read line in a symbol of `columns` data columns, into `cells` (resized to
// columns + 2): 0 the left row indicator, 1 .. columns the data, columns + 1 the right row
// indicator (none for a compact symbol); codeword -1 where a cell gave none. The walk from the
// start pattern places its cells, the walk from the stop pattern fills what it left.
// A line whose grid between both patterns assumed another column count (its stop pattern was
// other bars) is read again by walking first.
void CellsOf(LineReading& line, int columns, bool compact, std::vector<EdgeReading>& cells);

}  // namespace pdf417
