// Finding symbols: the start pattern (bar and space widths 8 1 1 1 1 1 1 3) and the stop pattern
// (7 1 1 3 1 1 1 2 1) are looked for along rows, columns and both diagonals of the matrix as
// ratios of run lengths, so neither the scale nor the direction of reading matters. Hits of one
// pattern on neighbouring lines are chained into an edge of a symbol; a start edge and a stop
// edge facing each other give a symbol's four corners.
#pragma once

#include <array>
#include <vector>

#include "pdf417/decoder/binarize/picture.h"
#include "pdf417/decoder/binarize/runs.h"
#include "pdf417/decoder/decoder.h"

namespace pdf417 {

// Bar and space widths, in modules, of both patterns, bar first.
constexpr std::array<int, 8> kStartWidths = {8, 1, 1, 1, 1, 1, 1, 3};
constexpr std::array<int, 9> kStopWidths = {7, 1, 1, 3, 1, 1, 1, 2, 1};

// Whether runs[i ..] have the widths of the pattern, read forwards (reversed == false) or
// backwards, its bars dark (or light, when inverted). The sums of neighbouring widths must be
// within a fraction of a module of the pattern's and every single width near it, with `quantum`
// samples more for edges that fell on whole pixels (the samples of one pixel). On success module
// receives the module width in samples.
bool MatchesPattern(const std::vector<Run>& runs, std::size_t i, const int* widths, int count,
                    bool reversed, double& module, bool inverted = false, double quantum = 1);

// One line across a start or stop pattern.
struct PatternHit {
  bool stop = false;
  int direction = 0;  // 0 along rows, 1 along columns, 2 and 3 along the diagonals
  bool reversed = false;
  int line = 0;           // index of the scanned line within its direction
  PointF outer;           // where the pattern meets the quiet zone
  PointF inner;           // where it meets the row indicators
  double module = 0;      // module width along the line, in pixels
  bool inverted = false;  // light bars on a dark ground
};

// A symbol's left (start) or right (stop) edge.
struct SymbolEdge {
  bool stop = false;
  PointF top;  // ends of the pattern's outer edge, top as the symbol is read
  PointF bottom;
  PointF inward;  // unit vector from the edge into the symbol
  double module = 0;
  int hits = 0;
  bool inverted = false;
};

// Where a symbol may be: corners top-left, top-right, bottom-right, bottom-left.
struct SymbolCandidate {
  std::array<PointF, 4> corners;
  double module = 0;
  bool hasStart = false;
  bool hasStop = false;
  bool inverted = false;
};

// The directions scanned for patterns: along the pixel rows and columns, along the two
// diagonals, or all four.
enum class ScanLines { Straight, Diagonal, All };

// Whether two candidates' corners all lie within two modules of each other: reading both would
// read the same lines again.
bool SameCandidate(const SymbolCandidate& a, const SymbolCandidate& b);

// Every hit on lines every `step` pixels in the given directions; with `inverted`, also the
// patterns of light bars on a dark ground. Columns are read as the rows of `transposed` (the
// matrix turned over its diagonal) when given. With `near`, hits found before on lines every
// `nearStep` pixels, only the lines within nearStep of one of those hits (in its direction) are
// scanned: a pattern seen on one line of a coarse scan is looked for on the lines around it.
// With `skip`, rows and columns are not scanned inside those quadrilaterals (symbols read
// already, in the matrix's coordinates).
std::vector<PatternHit> FindPatternHits(
    const BitMatrix& bits, int step, ScanLines directions = ScanLines::All, bool inverted = false,
    const BitMatrix* transposed = nullptr, const std::vector<PatternHit>* near = nullptr,
    int nearStep = 0, const std::vector<std::array<PointF, 4>>* skip = nullptr);

// Chains hits on neighbouring lines into edges, lengthened pixel by pixel to the pattern's ends.
std::vector<SymbolEdge> ChainEdges(const BitMatrix& bits, const std::vector<PatternHit>& hits,
                                   int step);

// Pairs start and stop edges that face each other into candidates, best first; an edge without
// a partner gives a candidate of its own, reaching `reach` modules into the symbol.
std::vector<SymbolCandidate> PairEdges(const std::vector<SymbolEdge>& edges, double reach);

// The line spacing used for a picture: denser for small pictures.
int ScanStep(const BitMatrix& bits);

}  // namespace pdf417
