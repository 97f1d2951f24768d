// Symbol geometry: module counts, the start pattern, the edge's skew and the straightening.
#include "pdf417/decoder/classic/image_amend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "pdf417/decoder/classic/image_transforms.h"
#include "pdf417/encoder/encoder.h"
#include "picture_test_util.h"

namespace pdf417 {
namespace {

using picturetest::Canvas;
using picturetest::FromRows;
using Widths = std::array<std::int32_t, 8>;

const Widths kStart = {8, 1, 1, 1, 1, 1, 1, 3};

Widths Normalized(Widths w) {
  NormalizeWidths(w);
  return w;
}

TEST(NormalizeWidths, ScalesToSeventeenModules) {
  EXPECT_EQ(Normalized({8, 1, 1, 1, 1, 1, 1, 3}), kStart);
  EXPECT_EQ(Normalized({16, 2, 2, 2, 2, 2, 2, 6}), kStart);
  EXPECT_EQ(Normalized({9, 1, 1, 1, 1, 1, 1, 3}), kStart);
  EXPECT_EQ(Normalized({7, 1, 1, 1, 1, 1, 1, 3}), kStart);
  EXPECT_EQ(Normalized({12, 1, 2, 1, 2, 1, 1, 4}), kStart);
  EXPECT_EQ(Normalized({8, 2, 1, 1, 1, 1, 1, 3}), (Widths{7, 2, 1, 1, 1, 1, 1, 3}));
}

TEST(NormalizeWidths, ServesZerosFirstThenLargestRemainderLowestIndex) {
  // 100 of 107 pixels is 15.9 modules: the wide element keeps 15, and the two modules left go
  // to elements that rounded to 0, lowest index first, not to the larger remainder 0.9.
  EXPECT_EQ(Normalized({100, 1, 1, 1, 1, 1, 1, 1}), (Widths{15, 1, 1, 0, 0, 0, 0, 0}));
  // Equal remainders: the lowest index wins.
  EXPECT_EQ(Normalized({3, 3, 3, 3, 3, 3, 3, 3}), (Widths{3, 2, 2, 2, 2, 2, 2, 2}));
  // Nothing measured (or nonsense) still gives 17 modules and no division by zero.
  EXPECT_EQ(Normalized({0, 0, 0, 0, 0, 0, 0, 0}), (Widths{10, 1, 1, 1, 1, 1, 1, 1}));
  const Widths odd = Normalized({-5, 4, 0, 2, 2, 2, 2, 2});
  int sum = 0;
  for (int m : odd) sum += m;
  EXPECT_EQ(sum, 17);
}

// A row of runs as text: alternate colours starting with black when firstBlack.
std::string Runs(const std::vector<int>& runs, bool firstBlack) {
  std::string row;
  bool black = firstBlack;
  for (int n : runs) {
    row += std::string(static_cast<std::size_t>(n), black ? '#' : '.');
    black = !black;
  }
  return row;
}

const std::vector<int> kStartRuns = {8, 1, 1, 1, 1, 1, 1, 3};

TEST(FindStartPattern, ReportsTheLeftmostMatchAndItsFirstBar) {
  // white 5, start pattern (scaled by 2), a bar, then a second start pattern.
  std::string row = Runs({5}, false) + Runs({16, 2, 2, 2, 2, 2, 2, 6}, true) + Runs({3, 4}, true) +
                    Runs(kStartRuns, true) + Runs({1}, true);
  std::int32_t col = -1;
  ASSERT_TRUE(FindStartPattern(FromRows({row}), 0, col));
  EXPECT_EQ(col, 5);
  // Starting with black at col 0.
  row = Runs(kStartRuns, true) + "#.";
  ASSERT_TRUE(FindStartPattern(FromRows({row}), 0, col));
  EXPECT_EQ(col, 0);
  // A lone start pattern after other bars.
  row = Runs({2, 3, 1, 2}, true) + Runs(kStartRuns, true) + "#";
  ASSERT_TRUE(FindStartPattern(FromRows({row}), 0, col));
  EXPECT_EQ(col, 8);
}

TEST(FindStartPattern, NeedsEightClosedRuns) {
  std::int32_t col = -1;
  // The last white element runs to the right edge: its run is never closed.
  EXPECT_FALSE(FindStartPattern(FromRows({".." + Runs(kStartRuns, true)}), 0, col));
  // Fewer than 8 runs.
  EXPECT_FALSE(FindStartPattern(FromRows({"#.#.#.#..."}), 0, col));
  // Rows outside the picture are white.
  const BitMatrix symbol = FromRows({".." + Runs(kStartRuns, true) + "#"});
  EXPECT_TRUE(FindStartPattern(symbol, 0, col));
  EXPECT_FALSE(FindStartPattern(symbol, 1, col));
  EXPECT_FALSE(FindStartPattern(symbol, -1, col));
  // The pattern's widths in white-first runs (a negative of it) do not count.
  EXPECT_FALSE(
      FindStartPattern(FromRows({Runs({8, 1, 1, 1, 1, 1, 1, 3, 2}, false) + "#"}), 0, col));
}

TEST(FindStartPatternLoosely, FindsPatternsOfFractionalModules) {
  // The start pattern at 1.2 pixels per module: runs 9, 2, 1, 1, 1, 2, 1, 3 put the edges up to
  // 0.7 pixels from 17 equal modules, and the strict widths come out wrong.
  const BitMatrix scaled =
      FromRows({Runs({4}, false) + Runs({9, 2, 1, 1, 1, 2, 1, 3}, true) + "#"});
  std::int32_t col = -1;
  EXPECT_FALSE(FindStartPattern(scaled, 0, col));
  ASSERT_TRUE(FindStartPatternLoosely(scaled, 0, col));
  EXPECT_EQ(col, 4);
  // Exact patterns match too, scaled or not.
  ASSERT_TRUE(FindStartPatternLoosely(FromRows({Runs(kStartRuns, true) + "#"}), 0, col));
  EXPECT_EQ(col, 0);
  EXPECT_TRUE(FindStartPatternLoosely(FromRows({"." + Runs({24, 3, 3, 3, 3, 3, 3, 9}, true) + "#"}),
                                      0, col));
}

TEST(FindStartPatternLoosely, RejectsOtherPatterns) {
  std::int32_t col = -1;
  // The stop pattern, a codeword (cluster 0, codeword 0) and an edge two pixels off.
  EXPECT_FALSE(
      FindStartPatternLoosely(FromRows({Runs({7, 1, 1, 3, 1, 1, 1, 2, 1}, true) + "."}), 0, col));
  EXPECT_FALSE(
      FindStartPatternLoosely(FromRows({Runs({3, 1, 1, 1, 1, 1, 3, 6}, true) + "#"}), 0, col));
  EXPECT_FALSE(
      FindStartPatternLoosely(FromRows({Runs({16, 2, 2, 2, 2, 4, 2, 4}, true) + "#"}), 0, col));
  // Modules narrower than a pixel cannot be seen.
  EXPECT_FALSE(
      FindStartPatternLoosely(FromRows({Runs({7, 1, 1, 1, 1, 1, 1, 2}, true) + "#"}), 0, col));
  EXPECT_FALSE(FindStartPatternLoosely(FromRows({".." + Runs(kStartRuns, true)}), 0, col));
}

BitMatrix EncodedSymbol(const std::string& text, int columns, int level, int aspect) {
  const std::vector<std::uint8_t> file =
      EncodePdf417ToImage(reinterpret_cast<const std::uint8_t*>(text.data()),
                          static_cast<int>(text.size()), columns, level, aspect);
  BinBMP image;
  image.LoadBytes(file.data(), file.size());
  return MatrixOf(image);
}

TEST(CorrectSkew, EncoderSymbolIsFoundOnTheCentreRowAndLeftUntouched) {
  const BitMatrix symbol = EncodedSymbol("Geometry of an upright symbol", 3, 2, 4);
  std::int32_t col = -1;
  ASSERT_TRUE(FindStartPattern(symbol, symbol.Height() / 2, col));
  EXPECT_EQ(col, 8);  // right of the quiet zone
  EXPECT_EQ(EstimateEdgeAngle(symbol, symbol.Height() / 2, col), 0.0f);

  ImageAmend amend(symbol);
  amend.CorrectSkew();
  EXPECT_EQ(amend.skewAngle, 0.0f);
  EXPECT_EQ(&amend.Image(), &symbol);  // read in place, not copied
  EXPECT_EQ(amend.Edges(), nullptr);
  EXPECT_TRUE(amend.untouched);
  EXPECT_TRUE(ShowsStartPatternLoosely(symbol));
}

TEST(CorrectSkew, QuarterTurnedSymbolIsTransposedBack) {
  const BitMatrix symbol = EncodedSymbol("Turned", 2, 1, 3);
  const BitMatrix turned = TurnRightAngle(symbol, 1);
  ImageAmend amend(turned);
  amend.CorrectSkew();
  EXPECT_EQ(amend.Image().Width(), symbol.Width());
  EXPECT_EQ(amend.Image().Height(), symbol.Height());
  EXPECT_EQ(amend.skewAngle, 0.0f);
  EXPECT_EQ(amend.Edges(), nullptr);
  EXPECT_FALSE(amend.untouched);
  EXPECT_FALSE(ShowsStartPatternLoosely(turned));
  std::int32_t col = -1;
  EXPECT_TRUE(FindStartPattern(amend.Image(), amend.Image().Height() / 2, col));
  EXPECT_EQ(col, 8);
}

TEST(FitLine, SlopesGiveTheSkewInDegrees) {
  LinkedList<float> rows;
  LinkedList<float> cols;
  for (int i = 0; i <= 10; ++i) {
    rows.Append(static_cast<float>(20 * i));
    cols.Append(static_cast<float>(30 + i));
  }
  float slope = 0;
  float intercept = 0;
  ASSERT_TRUE(FitLine(rows, cols, slope, intercept));
  EXPECT_NEAR(slope, 0.05f, 1e-6f);
  EXPECT_NEAR(intercept, 30.0f, 1e-4f);
  EXPECT_NEAR(std::atan(slope) * 180 / M_PI, 2.862, 0.0005);

  rows.Clear();
  cols.Clear();
  for (int i = 0; i <= 10; ++i) {
    rows.Append(static_cast<float>(100 + 10 * i));
    cols.Append(static_cast<float>(50 - i));
  }
  ASSERT_TRUE(FitLine(rows, cols, slope, intercept));
  EXPECT_NEAR(std::atan(slope) * 180 / M_PI, -5.711, 0.0005);
}

TEST(FitLine, PointsOnOneRowHaveNoSlope) {
  LinkedList<float> rows;
  LinkedList<float> cols;
  rows.Append(37.0f);
  cols.Append(12.0f);
  float slope = 1;
  float intercept = 0;
  EXPECT_FALSE(FitLine(rows, cols, slope, intercept));
  EXPECT_EQ(slope, 0.0f);
  rows.Append(37.0f);
  cols.Append(14.0f);
  EXPECT_FALSE(FitLine(rows, cols, slope, intercept));
  EXPECT_EQ(slope, 0.0f);
}

TEST(SolveLinear, PivotsOnTheLargestSignedValue) {
  // 2x + y = 5, -4x + y = -1  ->  x = 1, y = 3; the pivot is row 0 (2 > -4).
  std::vector<std::vector<float>> a = {{2, 1, 5}, {-4, 1, -1}};
  std::vector<float> x;
  ASSERT_TRUE(SolveLinear(2, a, x));
  EXPECT_NEAR(x[0], 1.0f, 1e-5f);
  EXPECT_NEAR(x[1], 3.0f, 1e-5f);
  // Three unknowns, with a row swap.
  a = {{1, 2, 3, 14}, {2, 1, 1, 7}, {3, 0, 2, 9}};
  ASSERT_TRUE(SolveLinear(3, a, x));
  EXPECT_NEAR(x[0], 1.0f, 1e-5f);
  EXPECT_NEAR(x[1], 2.0f, 1e-5f);
  EXPECT_NEAR(x[2], 3.0f, 1e-5f);
  // Singular: every candidate pivot is zero, or the last one is.
  a = {{0, 1, 1}, {0, 2, 2}};
  EXPECT_FALSE(SolveLinear(2, a, x));
  a = {{1, 2, 3}, {2, 4, 6}};
  EXPECT_FALSE(SolveLinear(2, a, x));
}

// A start pattern (module width 2) on every row, its left edge moving one pixel to the right
// every `every` rows downward (to the left when negative).
BitMatrix SlantedStart(std::int32_t height, int every) {
  Canvas canvas(height, 120);
  for (std::int32_t r = 0; r < height; ++r) {
    const std::int32_t left = 40 + (every > 0 ? r / every : -(r / -every));
    std::int32_t c = left;
    bool black = true;
    for (int m : kStartRuns) {
      if (black) canvas.Box(r, c, 1, 2 * m);
      c += 2 * m;
      black = !black;
    }
    canvas.Box(r, c, 1, 2);
  }
  return canvas.image;
}

TEST(EstimateEdgeAngle, FollowsTheLeftEdgeOfTheFirstBar) {
  const BitMatrix right = SlantedStart(400, 20);
  std::int32_t col = -1;
  ASSERT_TRUE(FindStartPattern(right, 200, col));
  EXPECT_EQ(col, 50);
  EXPECT_NEAR(EstimateEdgeAngle(right, 200, col), 2.862f, 0.05f);

  const BitMatrix left = SlantedStart(400, -10);
  ASSERT_TRUE(FindStartPattern(left, 200, col));
  EXPECT_NEAR(EstimateEdgeAngle(left, 200, col), -5.711f, 0.05f);
}

TEST(EstimateEdgeAngle, BarOfOneRowIsUpright) {
  const BitMatrix flat = FromRows(
      {std::string(30, '.'), "...." + Runs(kStartRuns, true) + "#........", std::string(30, '.')});
  std::int32_t col = -1;
  ASSERT_TRUE(FindStartPattern(flat, 1, col));
  EXPECT_EQ(EstimateEdgeAngle(flat, 1, col), 0.0f);
  ImageAmend amend(flat);
  amend.CorrectSkew();
  EXPECT_EQ(amend.skewAngle, 0.0f);
  EXPECT_EQ(&amend.Image(), &flat);
}

TEST(CorrectSkew, SmallSkewIsLeftAlone) {
  // One pixel every 1,400 rows: about 0.04 degrees.
  const BitMatrix nearlyUpright = SlantedStart(4200, 1400);
  ImageAmend amend(nearlyUpright);
  amend.CorrectSkew();
  EXPECT_GT(amend.skewAngle, 0.02f);
  EXPECT_LE(amend.skewAngle, 0.05f);
  EXPECT_EQ(&amend.Image(), &nearlyUpright);
  EXPECT_TRUE(amend.untouched);
}

TEST(CorrectSkew, HalfADegreeIsRefinedAndRotatedBack) {
  // Tall enough (191 pixel rows) for the edge to step, wide enough (261) for the row edges to
  // outvote the upright direction.
  std::string text(450, ' ');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + (i * 7) % 26);
  const BitMatrix symbol = AddWhiteBorder(EncodedSymbol(text, 8, 2, 3), 20);
  const BitMatrix tilted = Rotate(symbol, 0.5f);
  ImageAmend amend(tilted);
  amend.CorrectSkew();
  EXPECT_NEAR(amend.skewAngle, -0.5f, 0.05f);
  EXPECT_NE(picturetest::ToRows(amend.Image()), picturetest::ToRows(tilted));
  EXPECT_EQ(amend.Edges(), nullptr);
  EXPECT_FALSE(amend.untouched);
  // Straightened: the start pattern's edge is upright again.
  std::int32_t col = -1;
  const std::int32_t centre = amend.Image().Height() / 2;
  ASSERT_TRUE(FindStartPattern(amend.Image(), centre, col));
  EXPECT_LT(std::fabs(EstimateEdgeAngle(amend.Image(), centre, col)), 0.2f);
}

TEST(CorrectSkew, NoStartPatternAndNoEdgesEndsTurnedByMinus32) {
  const BitMatrix blank = Canvas(50, 70).image;
  ImageAmend amend(blank);
  amend.CorrectSkew();
  EXPECT_EQ(amend.skewAngle, -32.0f);
  EXPECT_FALSE(amend.untouched);
  EXPECT_FALSE(ShowsStartPatternLoosely(blank));
  EXPECT_EQ(amend.Image().Height(), 70);  // transposed
  EXPECT_EQ(amend.Image().Width(), 50);
  // The rows are located on the transposed picture's edges, turned with it.
  ASSERT_NE(amend.Edges(), nullptr);
  EXPECT_EQ(amend.Edges()->Height(), 70);
  EXPECT_EQ(amend.Edges()->Width(), 50);
}

TEST(CorrectSkew, WithoutAStartPatternTheEdgesTurnWithThePicture) {
  // Upright bars and no start pattern either way: the picture is transposed (the bars lie down)
  // and turned by its edges' angle, and the edge picture handed on is the transposed picture's,
  // turned the same way.
  Canvas canvas(90, 120);
  for (std::int32_t left = 10; left + 5 < 110; left += 12) canvas.Box(10, left, 70, 5);
  ImageAmend amend(canvas.image);
  amend.CorrectSkew();
  ASSERT_NE(amend.Edges(), nullptr);
  const BitMatrix transposed = Transpose(canvas.image);
  EXPECT_EQ(picturetest::ToRows(*amend.Edges()),
            picturetest::ToRows(Rotate(RowDifference(transposed), amend.skewAngle)));
  EXPECT_EQ(picturetest::ToRows(amend.Image()),
            picturetest::ToRows(Rotate(transposed, amend.skewAngle)));
}

}  // namespace
}  // namespace pdf417
