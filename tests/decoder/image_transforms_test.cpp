// Transposition, rotation, edge pictures and the angle searches.
#include "pdf417/decoder/image_transforms.h"

#include <gtest/gtest.h>

#include "pdf417/common/error.h"
#include "picture_test_util.h"

namespace pdf417 {
namespace {

using picturetest::Canvas;
using picturetest::CountBlack;
using picturetest::FromRows;
using picturetest::ToRows;

const std::vector<std::string> kShape = {
    "#....#...",
    ".##......",
    "...###..#",
    "........#",
};

TEST(Transpose, MirrorsOverTheDiagonalAndTwiceRestores) {
  const BinBMP source = FromRows(kShape);
  BinBMP once;
  Transpose(source, once);
  ASSERT_EQ(once.height, 9);
  ASSERT_EQ(once.width, 4);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 9; ++c)
      EXPECT_EQ(once.IsWhite(c, r), source.IsWhite(r, c)) << r << "," << c;
  BinBMP twice = once;
  Transpose(twice, twice);  // in place
  EXPECT_EQ(ToRows(twice), kShape);
}

TEST(Transpose, ReadsEncoderPolarityAndWritesConsistentHeaders) {
  // A picture whose set bits mean black, as the encoder writes them.
  BinBMP source = FromRows(kShape);
  source.palette = {255, 255, 255, 0, 0, 0, 0, 0};
  for (auto& b : source.pixelData) b = static_cast<std::uint8_t>(~b);
  ASSERT_EQ(ToRows(source), kShape);
  BinBMP out;
  Transpose(source, out);
  Transpose(out, out);
  EXPECT_EQ(ToRows(out), kShape);
  EXPECT_EQ(out.bitMpInfoHead.biWidth, out.width);
  EXPECT_EQ(out.bitMpInfoHead.biHeight, out.height);
  EXPECT_EQ(out.imageSize, out.Stride() * out.height);
}

TEST(TurnRightAngle, QuarterTurnsAreExactAndComposeToIdentity) {
  const BinBMP source = FromRows({"##.", "...", "..#"});
  BinBMP right;
  TurnRightAngle(source, right, 1);
  EXPECT_EQ(ToRows(right), (std::vector<std::string>{"..#", "..#", "#.."}));
  BinBMP half;
  TurnRightAngle(source, half, 2);
  EXPECT_EQ(ToRows(half), (std::vector<std::string>{"#..", "...", ".##"}));
  BinBMP left;
  TurnRightAngle(source, left, 3);
  EXPECT_EQ(ToRows(left), (std::vector<std::string>{"..#", "#..", "#.."}));

  const BinBMP wide = FromRows(kShape);
  BinBMP turned;
  TurnRightAngle(wide, turned, 1);
  EXPECT_EQ(turned.height, 9);
  EXPECT_EQ(turned.width, 4);
  TurnRightAngle(turned, turned, 3);
  EXPECT_EQ(ToRows(turned), kShape);
  TurnRightAngle(wide, turned, 4);
  EXPECT_EQ(ToRows(turned), kShape);
  TurnRightAngle(wide, turned, -1);
  BinBMP viaThree;
  TurnRightAngle(wide, viaThree, 3);
  EXPECT_EQ(ToRows(turned), ToRows(viaThree));
}

TEST(DoubleRows, RepeatsEveryRow) {
  BinBMP out;
  DoubleRows(FromRows({"#.#", ".#."}), out);
  EXPECT_EQ(ToRows(out), (std::vector<std::string>{"#.#", "#.#", ".#.", ".#."}));
}

TEST(AddWhiteBorder, SurroundsWithWhiteUnderEitherPolarity) {
  BinBMP source = FromRows({"#.", ".#"});
  BinBMP out;
  AddWhiteBorder(source, out, 2);
  EXPECT_EQ(ToRows(out),
            (std::vector<std::string>{"......", "......", "..#...", "...#..", "......", "......"}));
  source.palette = {255, 255, 255, 0, 0, 0, 0, 0};
  for (auto& b : source.pixelData) b = static_cast<std::uint8_t>(~b);
  AddWhiteBorder(source, out, 1);
  EXPECT_EQ(ToRows(out), (std::vector<std::string>{"....", ".#..", "..#.", "...."}));
  EXPECT_THROW(AddWhiteBorder(source, out, -1), Error);
}

TEST(Rotate, ByZeroReproducesThePicture) {
  const BinBMP source = FromRows(kShape);
  BinBMP out;
  Rotate(source, out, 0.0f);
  EXPECT_EQ(ToRows(out), kShape);
}

TEST(Rotate, TurnsAboutTheTopLeftCornerAndTruncatesTowardZero) {
  // Destination (r, c) reads source (r cos - c sin, r sin + c cos): a top-row line descends to
  // the right. At column 50 and 10 degrees, rows 8 (-0.80 -> 0) and 9 (0.18 -> 0) both read
  // source row 0; row 7 (-1.79) and row 10 (1.17) do not.
  BinBMP source = Canvas(20, 80).Box(0, 0, 1, 80).image;
  Rotate(source, source, 10.0f);  // in place
  EXPECT_TRUE(source.IsWhite(7, 50));
  EXPECT_FALSE(source.IsWhite(8, 50));
  EXPECT_FALSE(source.IsWhite(9, 50));
  EXPECT_TRUE(source.IsWhite(10, 50));
  EXPECT_FALSE(source.IsWhite(0, 0));
  EXPECT_EQ(source.width, 80);
  EXPECT_EQ(source.height, 20);
}

TEST(RowDifference, SingleBlackRowGivesTwoEdgeRows) {
  const BinBMP source = Canvas(6, 13).Box(3, 0, 1, 13).image;
  BinBMP edges;
  RowDifference(source, edges);
  for (int r = 0; r < 6; ++r)
    for (int c = 0; c < 13; ++c) EXPECT_EQ(edges.IsWhite(r, c), r != 3 && r != 4) << r << "," << c;

  // The same under the encoder's polarity, and in place.
  BinBMP inverted = source;
  inverted.palette = {255, 255, 255, 0, 0, 0, 0, 0};
  for (auto& b : inverted.pixelData) b = static_cast<std::uint8_t>(~b);
  RowDifference(inverted, inverted);
  EXPECT_EQ(ToRows(inverted), ToRows(edges));
}

TEST(RowDifference, TopRowIsWhiteAndVerticalChangesOnly) {
  BinBMP edges;
  RowDifference(FromRows({"####", "#..#", "#..#"}), edges);
  EXPECT_EQ(ToRows(edges), (std::vector<std::string>{"....", ".##.", "...."}));
}

TEST(HoughAngle, PictureWithoutEdgesAnswersItsLowerBound) {
  const BinBMP blank = Canvas(40, 60).image;
  EXPECT_EQ(HoughAngle(blank, 5.0f, 10.0f, 1.0f), 5.0f);
  EXPECT_EQ(SearchAngle(blank), -32.0f);
  const BinBMP black = Canvas(40, 60).Box(0, 0, 40, 60).image;  // no row differs from its upper one
  EXPECT_EQ(SearchAngle(black), -32.0f);
  EXPECT_EQ(RefineAngle(blank, 3.0f), 2.0f);
}

TEST(AngleCandidates, CountsFromTheSinglePrecisionArguments) {
  EXPECT_EQ(AngleCandidates(-30.0f, 30.0f, 2.0f), 31);
  EXPECT_EQ(AngleCandidates(-31.5f, -28.5f, 1.0f), 4);
  // 0.05 as a float is slightly above 0.05: a span of exactly 1 gives 20 candidates, not 21.
  EXPECT_EQ(AngleCandidates(-32.0f, -31.0f, 0.05f), 20);
  EXPECT_EQ(AngleCandidates(0.0f, 1.0f, 0.05f), 20);
  // The refinement around 0 tries 201 angles; around 0.3 the float bounds fall just short of 2.
  EXPECT_EQ(AngleCandidates(0.0f - 1.0f, 0.0f + 1.0f, 0.01f), 201);
  EXPECT_EQ(AngleCandidates(0.3f - 1.0f, 0.3f + 1.0f, 0.01f), 200);
}

TEST(HoughAngle, RejectsStepsThatCannotEnd) {
  const BinBMP blank = Canvas(4, 4).image;
  EXPECT_THROW(HoughAngle(blank, 0.0f, 1.0f, 0.0f), Error);
  EXPECT_THROW(HoughAngle(blank, 0.0f, 1.0f, -1.0f), Error);
  EXPECT_THROW(HoughAngle(blank, 0.0f, 1e9f, 1e-3f), Error);
  EXPECT_EQ(HoughAngle(blank, 2.0f, 1.0f, 1.0f), 2.0f);  // empty range
}

// Horizontal stripes, as the rows of a symbol look.
BinBMP Stripes(std::int32_t height, std::int32_t width) {
  Canvas canvas(height, width);
  for (std::int32_t top = 10; top + 6 < height - 10; top += 12) canvas.Box(top, 5, 6, width - 10);
  return canvas.image;
}

TEST(HoughAngle, FindsHorizontalEdges) {
  const BinBMP stripes = Stripes(120, 150);
  EXPECT_EQ(HoughAngle(stripes, -30.0f, 30.0f, 2.0f), 0.0f);
  EXPECT_NEAR(SearchAngle(stripes), 0.0f, 0.051f);
}

TEST(SearchAngle, MeasuresARotationWithTheOppositeSign) {
  // Rotating by +3 degrees tilts horizontal edges so that rotating by the answer (-3) undoes it.
  BinBMP stripes = Stripes(200, 240);
  Rotate(stripes, stripes, 3.0f);
  const float found = SearchAngle(stripes);
  EXPECT_NEAR(found, -3.0f, 0.15f);
  const float refined = RefineAngle(stripes, -3.5f);
  EXPECT_NEAR(refined, -3.0f, 0.1f);
}

TEST(RowDifference, EmptyPictureStaysEmpty) {
  BinBMP empty;
  BinBMP out;
  RowDifference(empty, out);
  EXPECT_TRUE(out.Empty());
  Transpose(empty, out);
  EXPECT_TRUE(out.Empty());
  EXPECT_EQ(CountBlack(out), 0);
}

}  // namespace
}  // namespace pdf417
