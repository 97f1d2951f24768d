// Column location and cell reading for symbols whose modules are not a whole number of pixels
// wide (a module of 1.2 or 2.6 pixels, as a scaling picture writer makes them). Such a symbol's
// modules are a mix of two pixel widths, so the codeword width measured from the start pattern's
// first two bars is too rough to step from column to column, and widths scaled cell by cell can
// round the wrong way. These helpers fit one module grid to the whole symbol instead: module
// boundary i lies in the first pixel column at or right of origin + i x module, for a real origin
// and module width (every consistent rounding of a scaled picture has this form). Each cell is
// then read by the positions of its edges on that grid. The decoder uses them only after the
// ordinary reading has failed.
#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "pdf417/common/linked_list.h"
#include "pdf417/decoder/binarize/picture.h"
#include "pdf417/decoder/classic/row_col_detect.h"

namespace pdf417 {

// A column grid fitted to a symbol: one region per codeword column, start pattern first and the
// stop pattern's first 17 modules last, and the module grid.
struct ColumnGrid {
  LinkedList<AryRegion> regions;
  double score = 0.0;  // share of the inner column boundaries that fell on a left edge of a run
  // Module width, codeword width (17 modules) and the column where module 0 of the start
  // pattern begins, in pixels and not rounded: codeword j begins at origin + j codewordWidth.
  double module = 0.0;
  double codewordWidth = 0.0;
  double origin = 0.0;
  // (pixel column, module index) of the edges the fit rests on: the codeword columns' left
  // edges and the edges of the start and stop patterns' bars.
  std::vector<std::pair<double, double>> anchors;
};

// One cell read by its edges.
struct CellReading {
  std::int32_t codeword = -1;       // -1: unreadable
  int readings = 0;                 // how many readings of the edges are patterns of the cluster
  std::array<double, 8> edges{};    // the first bar's left edge and the seven edges after it
  std::array<int, 8> boundaries{};  // the module boundary (0 .. 16) each edge stands for
};

// The runs of columns, within columns left .. right, that are dark in at least 85% as many rows as
// the darkest column, from the dark pixels per column over the symbol's rows (RowColDetect's
// columnCounts): the columns where the ordinary column location looks for codeword edges. Left to
// right.
std::vector<AryRegion> ColumnDarkRuns(const Profile& columnCounts, std::int32_t left,
                                      std::int32_t right);

// Fits grids of equal codeword columns to the dark runs: from the first run's left edge (the
// start pattern's first bar) to the left edge of the stop pattern (the rightmost bar at least 4
// modules wide), for every column count that the start pattern's module width allows. Returns
// the grids whose inner boundaries fall best on left edges of runs, best first, at most maxGrids;
// each has a region per codeword column, start pattern first and stop pattern last (boundaries
// snap to a left edge within 1.5 pixels), and its module grid fitted to the codeword columns'
// left edges and the edges of the start and stop patterns. Empty when no grid fits.
std::vector<ColumnGrid> FitColumnGrids(const std::vector<AryRegion>& runs, int maxGrids);

// Reads one cell (image rows row.first .. row.last, columns col.first .. col.last) as the
// codeword of the cluster that fits the cell's edges best, for a codeword whose modules are
// `module` pixels wide and begin near column `start`. A pixel column is a bar where more than
// half of the rows are dark. No codeword when the cell does not show four bars and four spaces,
// or no reading of its edges is a pattern of the cluster.
CellReading ReadCellByEdges(const BitMatrix& image, const AryRegion& row, const AryRegion& col,
                            int clusterIndex, double start, double module);

// The codewords of every cell in the given rows and in the grid's columns 1 .. K - 2 (row
// indicators and data), -1 where a cell is unreadable; columns 0 and K - 1 are -1. The cells
// are read twice: the second time on the grid refitted to the edges of the cells that the first
// reading found unambiguous.
std::vector<std::vector<std::int32_t>> ReadGridByEdges(const BitMatrix& image,
                                                       const std::vector<AryRegion>& rows,
                                                       const ColumnGrid& grid);

}  // namespace pdf417
