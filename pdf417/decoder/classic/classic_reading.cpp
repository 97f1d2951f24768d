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

// The data columns most left row indicators that state them say; 0 when none does.
int StatedColumns(const LinearDecode& matrix) {
  CountMost votes;
  bool any = false;
  for (int r = 0; r < matrix.rowCount; ++r) {
    if (LeftIndicatorFact(r) != IndicatorFact::Columns) continue;
    const int indicator = matrix.codewordGrid[static_cast<std::size_t>(r)][1];
    Tally(votes, IndicatorFactValue(r, indicator) + 1);
    any = true;
  }
  return any ? Winner(votes) : 0;
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

  // A stop pattern and columns before it lost to damage leave fewer columns located than the
  // left row indicators state: the columns located are then the leftmost ones (the start pattern
  // placed them), the right row indicator among them is a data column, and the columns not
  // located are read as erasures.
  const int stated = StatedColumns(matrix);
  const int columns = stated > K - 4 && stated <= kMaxColumns ? stated : K - 4;
  out.grid = CodewordGrid(R, columns);
  for (int r = 0; r < R; ++r) {
    const std::vector<std::int32_t>& row = matrix.codewordGrid[static_cast<std::size_t>(r)];
    if (columns == K - 4) {
      for (int c = 1; c <= K - 2; ++c) out.grid.At(r, c - 1) = row[static_cast<std::size_t>(c)];
    } else {
      for (int c = 1; c <= K - 3; ++c) out.grid.At(r, c - 1) = row[static_cast<std::size_t>(c)];
    }
  }
  out.levels = matrix.levelCandidates;
  out.corners = GridCorners(locator.rowRegions, locator.colRegions);
  for (PointF& c : out.corners) c = amend.ToSource(c);
  return true;
}

}  // namespace pdf417
