// Row and column location: finds, by projection profiles of dark pixels, which image rows make up
// each symbol row and which image columns make up each codeword column.
#pragma once

#include <cstdint>
#include <vector>

#include "pdf417/common/linked_list.h"
#include "pdf417/decoder/binarize/picture.h"

namespace pdf417 {

// One integer per image row (a row profile) or per image column (a column profile). Entries start
// as dark-pixel counts; thresholding leaves 0 or the maximum, marking leaves 0 or 100.
using Profile = std::vector<std::int32_t>;

class RowColDetect {
 public:
  // Reads the picture it is given, which must outlive it; rows are located on edges when given
  // (an edge picture made with the straightening), else on the picture's own row changes.
  explicit RowColDetect(const BitMatrix& source, const BitMatrix* edges = nullptr);
  RowColDetect(BitMatrix&&, const BitMatrix* = nullptr) = delete;  // would outlive its picture
  RowColDetect(const RowColDetect&) = delete;
  RowColDetect& operator=(const RowColDetect&) = delete;

  // The symbol's band of rows (symbolRows) and its outermost dark columns (leftCol, rightCol).
  void FindBounds();
  // One region per symbol row, from the row-to-row changes inside the symbol's columns.
  void FindRows();
  // One region per codeword column, start and stop patterns included.
  void FindColumns();

  const BitMatrix& image;
  Profile rowProfile;
  Profile colProfile;
  // Dark pixels per column over the symbol's rows, counted once by FindBounds; FindColumns and the
  // fitted column grids threshold copies of it.
  Profile columnCounts;
  LinkedList<AryRegion> rowRegions;  // top to bottom
  LinkedList<AryRegion> colRegions;  // left to right: start pattern first, stop pattern last
  AryRegion symbolRows;
  std::int32_t leftCol = 0;
  std::int32_t rightCol = 0;

 private:
  const BitMatrix* edges_;
};

// Adds to entry r the dark pixels of row r over all columns, for r = 1 .. height - 1.
void RowDarkCounts(const BitMatrix& image, Profile& rowProfile);
// Adds to entry r the dark pixels of row r in columns a .. b - 1, for every row.
void RowDarkCountsInColumns(const BitMatrix& image, Profile& rowProfile, std::int32_t a,
                            std::int32_t b);
// Adds to entry r the pixels of row r in columns a .. b - 1 that differ from the pixel above them
// (none in row 0): RowDarkCountsInColumns of RowDifference(image), without making that picture.
void RowChangeCountsInColumns(const BitMatrix& image, Profile& rowProfile, std::int32_t a,
                              std::int32_t b);
// Sets entry c to the dark pixels of column c in rows a .. b - 1 (b = 0 means the last row).
void ColumnDarkCounts(const BitMatrix& image, Profile& colProfile, std::int32_t a, std::int32_t b);

// Keeps entries a - 1 .. b + 1 and sets the others to 0.
void ZeroOutside(Profile& v, std::int32_t a, std::int32_t b);
// Entries below trunc(max x fraction) become 0, the others the maximum.
void ThresholdProfile(Profile& v, double fraction);
// The longest run of positive entries that ends before the last entry; the earliest of equally
// long runs. The whole profile when there is no such run.
AryRegion LongestRun(const Profile& v);
// Leaves 100 at the first entry of every positive run (never at index 0), 0 elsewhere.
void KeepRisingEdges(Profile& v);
// Drops the marks that do not lie a whole number of codeword widths after the previous kept mark.
// The codeword width is first estimated from the first two marks (the start pattern's first two
// bars, 9 modules apart). Does nothing with fewer than two marks.
void KeepPeriodicEdges(Profile& v);
// Between the first and the last mark (the last entry is never taken as a mark), marks become 0
// and gaps 100. Does nothing when there are no such marks.
void InvertBetweenMarks(Profile& v);
// The runs of 100 on a marked profile, each from a mark to the entry before the next mark.
LinkedList<AryRegion> CollectRegions(const Profile& v);

}  // namespace pdf417
