#include "pdf417/decoder/classic/classic_reading.h"

#include "pdf417/common/linked_list.h"
#include "pdf417/common/patterns.h"
#include "pdf417/common/symbol_geometry.h"
#include "pdf417/decoder/classic/image_amend.h"
#include "pdf417/decoder/classic/linear_decode.h"
#include "pdf417/decoder/classic/row_col_detect.h"
#include "pdf417/decoder/correct/error_correction.h"

namespace pdf417 {
namespace {

// The outer corners of a located grid: the top of its first row and the bottom of its last, the
// start pattern's first pixel column and the end of the stop pattern, whose 18 modules reach one
// module past its column region.
std::vector<PointF> GridCorners(LinkedList<AryRegion> rows, LinkedList<AryRegion> cols) {
  rows.Reset(0);
  cols.Reset(0);
  const double top = rows.Data().first;
  const double left = cols.Data().first;
  const double module = (cols.Data().last + 1 - left) / kModulesPerCodeword;
  rows.Reset(rows.Size() - 1);
  cols.Reset(cols.Size() - 1);
  const double bottom = rows.Data().last + 1;
  const double right = cols.Data().first + (kModulesPerCodeword + 1) * module;
  return {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
}

}  // namespace

bool ReadClassic(const BitMatrix& bits, const Budget& budget, ClassicReading& out) {
  ImageAmend amend(bits);
  amend.CorrectSkew(&budget);
  budget.Check();
  const BitMatrix& image = amend.Image();
  RowColDetect locator(image, amend.Edges());
  locator.FindBounds();
  locator.FindRows();
  locator.FindColumns();
  budget.Check();
  const int R = locator.rowRegions.Size();
  const int K = locator.colRegions.Size();
  // Start, left indicator, at least one data column, right indicator, stop; a symbol has at most
  // 90 rows and 30 data columns. A grid beyond that (stripes, noise) is no symbol and would only
  // cost time and memory to read.
  if (R < 1 || K < 5 || R > kMaxRows || K > kMaxColumns + 4) return false;

  LinearDecode matrix(R, K, locator.rowRegions, locator.colRegions);
  matrix.SampleCells(image);
  matrix.ReadCodewords();
  ReadLevel(matrix);

  out.grid = CodewordGrid(R, K - 4);
  for (int r = 0; r < R; ++r) {
    const std::vector<std::int32_t>& row = matrix.codewordGrid[static_cast<std::size_t>(r)];
    for (int c = 1; c <= K - 2; ++c) out.grid.At(r, c - 1) = row[static_cast<std::size_t>(c)];
  }
  out.levels = matrix.levelCandidates;
  out.corners = GridCorners(locator.rowRegions, locator.colRegions);
  for (PointF& c : out.corners) c = amend.ToSource(c);
  return true;
}

}  // namespace pdf417
