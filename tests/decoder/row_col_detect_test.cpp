// Profiles, marks and regions of the row and column locator, and the regions it finds in
// symbols as the encoder draws them.
#include "pdf417/decoder/classic/row_col_detect.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "pdf417/decoder/classic/image_transforms.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/stages.h"
#include "picture_test_util.h"

namespace pdf417 {
namespace {

using picturetest::Canvas;

std::vector<AryRegion> Regions(LinkedList<AryRegion> list) {
  std::vector<AryRegion> out;
  for (list.Reset(0); !list.AtEnd(); list.Advance()) out.push_back(list.Data());
  return out;
}

void ExpectRegion(const AryRegion& r, int first, int last, int length) {
  EXPECT_EQ(r.first, first);
  EXPECT_EQ(r.last, last);
  EXPECT_EQ(r.length, length);
}

// A profile of n entries with a mark (100) at each index.
Profile Marks(int n, const std::vector<int>& at) {
  Profile v(static_cast<std::size_t>(n), 0);
  for (const int i : at) v[static_cast<std::size_t>(i)] = 100;
  return v;
}

std::vector<int> MarkIndices(const Profile& v) {
  std::vector<int> out;
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (v[i] > 0) out.push_back(static_cast<int>(i));
  }
  return out;
}

TEST(ProfileThreshold, CutsAtAFractionOfTheMaximum) {
  Profile v{0, 5, 2, 1};
  ThresholdProfile(v, 0.4);
  EXPECT_EQ(v, (Profile{0, 5, 5, 0}));

  Profile zero{0, 0, 0};
  ThresholdProfile(zero, 0.85);
  EXPECT_EQ(zero, (Profile{0, 0, 0}));

  // A cut that truncates to 0 lets every entry through, zeros included.
  Profile faint{0, 2, 0};
  ThresholdProfile(faint, 0.4);
  EXPECT_EQ(faint, (Profile{2, 2, 2}));
}

TEST(ProfileZeroOutside, KeepsOneEntryOfMargin) {
  Profile v(10, 7);
  ZeroOutside(v, 4, 6);
  EXPECT_EQ(v, (Profile{0, 0, 0, 7, 7, 7, 7, 7, 0, 0}));

  for (const int a : {0, 1}) {
    Profile front(10, 7);
    ZeroOutside(front, a, 6);
    EXPECT_EQ(front, (Profile{7, 7, 7, 7, 7, 7, 7, 7, 0, 0})) << "a = " << a;
  }
  Profile back(10, 7);
  ZeroOutside(back, 3, 8);
  EXPECT_EQ(back, (Profile{0, 0, 7, 7, 7, 7, 7, 7, 7, 7}));
}

TEST(ProfileLongestRun, LongestRunEndingBeforeTheLastEntry) {
  ExpectRegion(LongestRun(Profile{0, 3, 3, 0, 1, 1, 1, 0, 2}), 4, 6, 3);
  // Of equally long runs the earliest wins.
  ExpectRegion(LongestRun(Profile{0, 1, 1, 0, 0, 4, 4, 0}), 1, 2, 2);
  // A run reaching the last entry does not count; with no other run the whole profile results.
  ExpectRegion(LongestRun(Profile{0, 0, 1, 1, 1}), 0, 4, 5);
  ExpectRegion(LongestRun(Profile{0, 1, 0, 5, 5, 5, 5}), 1, 1, 1);
  ExpectRegion(LongestRun(Profile{0, 0, 0}), 0, 2, 3);
}

TEST(ProfileMarks, RisingEdgesNeverMarkTheFirstEntry) {
  Profile v{5, 5, 0, 3, 3, 3, 0, 0, 1, 0};
  KeepRisingEdges(v);
  EXPECT_EQ(v, (Profile{0, 0, 0, 100, 0, 0, 0, 0, 100, 0}));
}

TEST(ProfileMarks, PeriodicEdgesWorkedExample) {
  // Modules 2 pixels wide, start pattern at 10: its bars at 10, 28, 32, 36 give p = 34; 28, 32
  // and 36 are dropped, 44 (r = 0) and 77 (r = 33) are kept, and p becomes 33. With p = 33 a
  // mark 32 after 77 (r = 32) is kept; with p = 34 it would not be.
  Profile v = Marks(130, {10, 28, 32, 36, 44, 77, 109, 125});
  KeepPeriodicEdges(v);
  EXPECT_EQ(MarkIndices(v), (std::vector<int>{10, 44, 77, 109, 125}));
}

TEST(ProfileMarks, PeriodicEdgesAtWidthTwenty) {
  // First two marks 11 apart: p = trunc(11 x 17 / 9) = 20. 30 is kept (r = 0), leaving p = 20.
  // Then 40 further (r = 0) is kept; 21 further (r = 1, ratio exactly 0.9) is not.
  Profile v = Marks(200, {10, 21, 30, 51, 70, 199});
  KeepPeriodicEdges(v);
  EXPECT_EQ(MarkIndices(v), (std::vector<int>{10, 30, 70, 199}));

  // 39 further (r = 19) is dropped.
  Profile w = Marks(200, {10, 21, 30, 69, 199});
  KeepPeriodicEdges(w);
  EXPECT_EQ(MarkIndices(w), (std::vector<int>{10, 30, 199}));
}

TEST(ProfileMarks, PeriodicEdgesAtWidthTwentyOne) {
  // First two marks 12 apart: p = 22; 31 (r = 21) is kept and p = (22 + 21) / 2 = 21. With
  // p = 21 a mark 21 further (r = 0) and one 20 further (r = 20) are kept, 19 further is not.
  Profile v = Marks(200, {10, 22, 31, 52, 72, 199});
  KeepPeriodicEdges(v);
  EXPECT_EQ(MarkIndices(v), (std::vector<int>{10, 31, 52, 72, 199}));

  Profile w = Marks(200, {10, 22, 31, 50, 199});
  KeepPeriodicEdges(w);
  EXPECT_EQ(MarkIndices(w), (std::vector<int>{10, 31, 199}));
}

TEST(ProfileMarks, PeriodicEdgesNeedTwoMarks) {
  Profile one = Marks(20, {5});
  KeepPeriodicEdges(one);
  EXPECT_EQ(MarkIndices(one), (std::vector<int>{5}));
  Profile none(20, 0);
  KeepPeriodicEdges(none);
  EXPECT_EQ(none, Profile(20, 0));
}

TEST(ProfileMarks, InvertBetweenMarksIgnoresTheLastEntry) {
  Profile v{0, 9, 0, 0, 9, 0, 9};
  InvertBetweenMarks(v);
  EXPECT_EQ(v, (Profile{0, 0, 100, 100, 0, 0, 9}));

  // Without a mark among entries 1 .. n - 2 nothing changes, and no region follows.
  Profile edges{9, 0, 0, 9};
  InvertBetweenMarks(edges);
  EXPECT_EQ(edges, (Profile{9, 0, 0, 9}));
  EXPECT_EQ(CollectRegions(edges).Size(), 0);
  Profile empty(5, 0);
  InvertBetweenMarks(empty);
  EXPECT_EQ(empty, Profile(5, 0));

  // A single mark encloses nothing.
  Profile single{0, 0, 9, 0, 0};
  InvertBetweenMarks(single);
  EXPECT_EQ(CollectRegions(single).Size(), 0);
}

TEST(ProfileRegions, CollectRegionsBetweenMarks) {
  const std::vector<AryRegion> r = Regions(CollectRegions(Profile{0, 0, 100, 100, 0, 100, 0, 0}));
  ASSERT_EQ(r.size(), 2u);
  ExpectRegion(r[0], 1, 3, 2);
  ExpectRegion(r[1], 4, 5, 1);

  const std::vector<AryRegion> adjacent = Regions(CollectRegions(Profile{0, 0, 100, 0}));
  ASSERT_EQ(adjacent.size(), 1u);
  ExpectRegion(adjacent[0], 1, 2, 1);

  EXPECT_EQ(CollectRegions(Profile{}).Size(), 0);
  EXPECT_EQ(CollectRegions(Profile{100}).Size(), 0);
}

TEST(ProfileCounts, CountDarkPixelsInTheirRanges) {
  Canvas canvas(6, 8);
  canvas.Box(0, 0, 6, 1).Box(2, 2, 1, 6).Box(4, 5, 2, 2);
  const BitMatrix& image = canvas.image;

  // Row 0 is never counted; counts add to what the profile holds.
  Profile rows(6, 1);
  RowDarkCounts(image, rows);
  EXPECT_EQ(rows, (Profile{1, 2, 8, 2, 4, 4}));

  Profile inColumns(6, 0);
  RowDarkCountsInColumns(image, inColumns, 1, 6);
  EXPECT_EQ(inColumns, (Profile{0, 0, 4, 0, 1, 1}));

  Profile cols(8, 9);
  ColumnDarkCounts(image, cols, 2, 5);
  EXPECT_EQ(cols, (Profile{3, 0, 1, 1, 1, 2, 2, 1}));
  // b = 0 stands for the picture's height.
  ColumnDarkCounts(image, cols, 1, 0);
  EXPECT_EQ(cols, (Profile{5, 0, 1, 1, 1, 3, 3, 1}));

  Profile wrong(5, 0);
  EXPECT_THROW(RowDarkCounts(image, wrong), Error);
}

TEST(ProfileCounts, RowChangesCountTheEdgePictureWithoutMakingIt) {
  std::mt19937 rng(90);
  for (std::int32_t width = 1; width <= 40; width += 3) {
    BitMatrix image(width, 12);
    for (std::int32_t r = 0; r < 12; ++r)
      for (std::int32_t c = 0; c < width; ++c)
        if (rng() % 2 == 0) image.SetDark(r, c);
    const BitMatrix edges = RowDifference(image);
    for (const auto& [a, b] :
         {std::pair{0, width}, std::pair{-3, width + 5}, std::pair{1, width / 2},
          std::pair{width / 3, width - 1}, std::pair{5, 2}}) {
      Profile direct(12, 7);
      Profile fromEdges(12, 7);
      RowChangeCountsInColumns(image, direct, a, b);
      RowDarkCountsInColumns(edges, fromEdges, a, b);
      EXPECT_EQ(direct, fromEdges) << width << " wide, columns " << a << " .. " << b;
    }
  }
}

TEST(RowColDetect, BoundsSkipTheLastColumnAndPreferTheUpperBand) {
  // Two bands of equal height; a column dark only in the picture's last column.
  Canvas canvas(12, 20);
  canvas.Box(2, 3, 3, 14).Box(7, 3, 3, 14).Box(0, 19, 12, 1);
  RowColDetect locator(canvas.image);
  locator.FindBounds();
  EXPECT_EQ(locator.symbolRows.first, 2);
  EXPECT_EQ(locator.symbolRows.last, 4);
  EXPECT_EQ(locator.leftCol, 3);
  EXPECT_EQ(locator.rightCol, 16);
}

TEST(RowColDetect, PicturesWithoutASymbolGiveEmptyRegionLists) {
  Canvas blank(30, 40);
  Canvas box(30, 40);
  box.Box(5, 5, 20, 20);
  Canvas lastColumn(30, 40);
  lastColumn.Box(3, 39, 20, 1);
  BitMatrix empty;
  for (const BitMatrix* image : {&blank.image, &box.image, &lastColumn.image, &empty}) {
    RowColDetect locator(*image);
    locator.FindBounds();
    locator.FindRows();
    locator.FindColumns();
    EXPECT_EQ(locator.rowRegions.Size(), 0);
    EXPECT_EQ(locator.colRegions.Size(), 0);
  }
}

// A symbol as the encoder draws it: quiet zone, one pixel per module, aspect rows per row.
BitMatrix DrawSymbol(const std::string& text, int columns, int level, int minRows, int aspect,
                     int* rows = nullptr) {
  CodewordSequence seq;
  CompactBytes(reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<int>(text.size()),
               columns, level, seq, minRows);
  AppendErrorCorrection(level, seq);
  if (rows != nullptr) *rows = static_cast<int>(seq.size()) / columns;
  const std::vector<std::uint8_t> file = RenderSymbolImage(columns, level, seq, aspect);
  BinBMP image;
  image.LoadBytes(file.data(), file.size());
  return MatrixOf(image);
}

TEST(RowColDetect, CleanSymbolGivesOneRegionPerRowAndColumn) {
  int rowCount = 0;
  const BitMatrix image = DrawSymbol("Row and column location", 5, 2, 12, 3, &rowCount);
  ASSERT_EQ(rowCount, 12);
  RowColDetect locator(image);
  locator.FindBounds();
  locator.FindRows();
  locator.FindColumns();

  // Quiet zone of 2 rows and 8 columns: symbol rows 2 .. 37, start pattern's bar at column 8,
  // stop pattern's last bar at 8 + 8 x 17 + 17.
  EXPECT_EQ(locator.symbolRows.first, 2);
  EXPECT_EQ(locator.symbolRows.last, 37);
  EXPECT_EQ(locator.leftCol, 8);
  EXPECT_EQ(locator.rightCol, 161);

  const std::vector<AryRegion> rows = Regions(locator.rowRegions);
  ASSERT_EQ(rows.size(), 12u);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].first, 2 + 3 * static_cast<int>(i));
    EXPECT_EQ(rows[i].last, 4 + 3 * static_cast<int>(i));
  }
  const std::vector<AryRegion> cols = Regions(locator.colRegions);
  ASSERT_EQ(cols.size(), 9u);
  for (std::size_t j = 0; j < cols.size(); ++j) {
    EXPECT_EQ(cols[j].first, 8 + 17 * static_cast<int>(j));
    EXPECT_EQ(cols[j].last, 24 + 17 * static_cast<int>(j));
  }
}

TEST(RowColDetect, RegionCountsFollowTheSymbolsShape) {
  struct Shape {
    int columns, level, minRows, aspect;
  };
  for (const Shape s : {Shape{1, 0, 3, 4}, Shape{3, 1, 5, 2}, Shape{10, 4, 20, 3}}) {
    int rows = 0;
    const BitMatrix picture = DrawSymbol("shape", s.columns, s.level, s.minRows, s.aspect, &rows);
    RowColDetect locator(picture);
    locator.FindBounds();
    locator.FindRows();
    locator.FindColumns();
    EXPECT_EQ(locator.rowRegions.Size(), rows) << s.columns << " columns";
    EXPECT_EQ(locator.colRegions.Size(), s.columns + 4) << s.columns << " columns";
  }
}

}  // namespace
}  // namespace pdf417
