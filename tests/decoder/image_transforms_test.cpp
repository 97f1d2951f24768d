// Transposition, rotation, edge pictures and the angle searches.
#include "pdf417/decoder/classic/image_transforms.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

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

// A BinBMP of the rows in the encoder's polarity (a set bit black).
BinBMP EncoderPolarity(const std::vector<std::string>& rows) {
  BinBMP picture = PictureOf(FromRows(rows));
  picture.palette = {255, 255, 255, 0, 0, 0, 0, 0};
  for (auto& b : picture.pixelData) b = static_cast<std::uint8_t>(~b);
  return picture;
}

TEST(Transpose, MirrorsOverTheDiagonalAndTwiceRestores) {
  const BitMatrix source = FromRows(kShape);
  const BitMatrix once = Transpose(source);
  ASSERT_EQ(once.Height(), 9);
  ASSERT_EQ(once.Width(), 4);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 9; ++c) EXPECT_EQ(once.IsDark(c, r), source.IsDark(r, c)) << r << "," << c;
  EXPECT_EQ(ToRows(Transpose(once)), kShape);
}

TEST(Transpose, BinBMPFormReadsEitherPolarityAndWritesConsistentHeaders) {
  const BinBMP source = EncoderPolarity(kShape);
  ASSERT_EQ(ToRows(source), kShape);
  BinBMP out;
  Transpose(source, out);
  Transpose(out, out);  // in place
  EXPECT_EQ(ToRows(out), kShape);
  EXPECT_EQ(out.bitMpInfoHead.biWidth, out.width);
  EXPECT_EQ(out.bitMpInfoHead.biHeight, out.height);
  EXPECT_EQ(out.imageSize, out.Stride() * out.height);
}

TEST(TurnRightAngle, QuarterTurnsAreExactAndComposeToIdentity) {
  const BitMatrix source = FromRows({"##.", "...", "..#"});
  EXPECT_EQ(ToRows(TurnRightAngle(source, 1)), (std::vector<std::string>{"..#", "..#", "#.."}));
  EXPECT_EQ(ToRows(TurnRightAngle(source, 2)), (std::vector<std::string>{"#..", "...", ".##"}));
  EXPECT_EQ(ToRows(TurnRightAngle(source, 3)), (std::vector<std::string>{"..#", "#..", "#.."}));

  const BitMatrix wide = FromRows(kShape);
  const BitMatrix turned = TurnRightAngle(wide, 1);
  EXPECT_EQ(turned.Height(), 9);
  EXPECT_EQ(turned.Width(), 4);
  EXPECT_EQ(ToRows(TurnRightAngle(turned, 3)), kShape);
  EXPECT_EQ(ToRows(TurnRightAngle(wide, 4)), kShape);
  EXPECT_EQ(ToRows(TurnRightAngle(wide, -1)), ToRows(TurnRightAngle(wide, 3)));

  // The BinBMP form, in place.
  BinBMP picture = PictureOf(wide);
  TurnRightAngle(picture, picture, 1);
  EXPECT_EQ(ToRows(picture), ToRows(turned));
}

// Random pictures of every width around the byte boundaries.
std::vector<BitMatrix> RandomPictures() {
  std::mt19937 rng(417);
  std::vector<BitMatrix> pictures;
  for (std::int32_t width = 1; width <= 41; width += 3) {
    const std::int32_t height = 1 + static_cast<std::int32_t>(rng() % 19);
    BitMatrix m(width, height);
    for (std::int32_t r = 0; r < height; ++r)
      for (std::int32_t c = 0; c < width; ++c)
        if (rng() % 3 == 0) m.SetDark(r, c);
    pictures.push_back(std::move(m));
  }
  return pictures;
}

// Every transform against its definition, pixel by pixel; bits past the width stay clear.
TEST(Transforms, MatchTheirDefinitionsOnRandomPictures) {
  const auto clearPadding = [](const BitMatrix& m) {
    if (m.Width() % 8 == 0) return true;
    for (std::int32_t r = 0; r < m.Height(); ++r) {
      if ((m.Row(r)[m.Stride() - 1] & ~MaskTo((m.Width() - 1) & 7)) != 0) return false;
    }
    return true;
  };
  for (const BitMatrix& m : RandomPictures()) {
    const std::int32_t h = m.Height();
    const std::int32_t w = m.Width();
    const BitMatrix t = Transpose(m);
    const BitMatrix q1 = TurnRightAngle(m, 1);
    const BitMatrix q2 = TurnRightAngle(m, 2);
    const BitMatrix q3 = TurnRightAngle(m, 3);
    const BitMatrix doubled = DoubleRows(m);
    const BitMatrix bordered = AddWhiteBorder(m, 3);
    const BitMatrix edges = RowDifference(m);
    for (const BitMatrix* out : {&t, &q1, &q2, &q3, &doubled, &bordered, &edges}) {
      EXPECT_TRUE(clearPadding(*out)) << w << " x " << h;
    }
    ASSERT_EQ(bordered.Width(), w + 6);
    ASSERT_EQ(doubled.Height(), 2 * h);
    for (std::int32_t r = 0; r < h; ++r) {
      for (std::int32_t c = 0; c < w; ++c) {
        const bool dark = m.IsDark(r, c);
        EXPECT_EQ(t.IsDark(c, r), dark);
        EXPECT_EQ(q1.IsDark(c, h - 1 - r), dark);
        EXPECT_EQ(q2.IsDark(h - 1 - r, w - 1 - c), dark);
        EXPECT_EQ(q3.IsDark(w - 1 - c, r), dark);
        EXPECT_EQ(doubled.IsDark(2 * r, c), dark);
        EXPECT_EQ(doubled.IsDark(2 * r + 1, c), dark);
        EXPECT_EQ(bordered.IsDark(r + 3, c + 3), dark);
        EXPECT_EQ(edges.IsDark(r, c), r > 0 && dark != m.IsDark(r - 1, c));
      }
    }
    EXPECT_EQ(picturetest::CountBlack(bordered), picturetest::CountBlack(m));
  }
}

TEST(Transforms, BinBMPFormsReadThroughTheSamplingRotation) {
  // A picture with a sampling rotation is transformed as its white test reads it.
  BinBMP picture = PictureOf(Canvas(30, 40).Box(10, 0, 2, 40).image);
  picture.SetAngle(7.0f);
  const BitMatrix sampled = MatrixOf(picture);
  for (std::int32_t r = 0; r < 30; ++r)
    for (std::int32_t c = 0; c < 40; ++c) ASSERT_EQ(sampled.IsDark(r, c), !picture.IsWhite(r, c));
  BinBMP turned;
  TurnRightAngle(picture, turned, 2);
  EXPECT_EQ(ToRows(turned), ToRows(TurnRightAngle(sampled, 2)));
  EXPECT_EQ(ToRows(sampled),
            ToRows(Rotate(MatrixOf(PictureOf(Canvas(30, 40).Box(10, 0, 2, 40).image)), 7.0f)));
}

TEST(DoubleRows, RepeatsEveryRow) {
  EXPECT_EQ(ToRows(DoubleRows(FromRows({"#.#", ".#."}))),
            (std::vector<std::string>{"#.#", "#.#", ".#.", ".#."}));
  BinBMP out;
  DoubleRows(PictureOf(FromRows({"#.#", ".#."})), out);
  EXPECT_EQ(ToRows(out), (std::vector<std::string>{"#.#", "#.#", ".#.", ".#."}));
}

TEST(AddWhiteBorder, SurroundsWithWhiteUnderEitherPolarity) {
  EXPECT_EQ(ToRows(AddWhiteBorder(FromRows({"#.", ".#"}), 2)),
            (std::vector<std::string>{"......", "......", "..#...", "...#..", "......", "......"}));
  const BinBMP source = EncoderPolarity({"#.", ".#"});
  BinBMP out;
  AddWhiteBorder(source, out, 1);
  EXPECT_EQ(ToRows(out), (std::vector<std::string>{"....", ".#..", "..#.", "...."}));
  EXPECT_THROW(AddWhiteBorder(source, out, -1), Error);
  EXPECT_THROW(AddWhiteBorder(FromRows({"#"}), -1), Error);
}

TEST(Rotate, ByZeroReproducesThePicture) {
  EXPECT_EQ(ToRows(Rotate(FromRows(kShape), 0.0f)), kShape);
  BinBMP out;
  Rotate(PictureOf(FromRows(kShape)), out, 0.0f);
  EXPECT_EQ(ToRows(out), kShape);
}

TEST(Rotate, TurnsAboutTheTopLeftCornerAndTruncatesTowardZero) {
  // Destination (r, c) reads source (r cos - c sin, r sin + c cos): a top-row line descends to
  // the right. At column 50 and 10 degrees, rows 8 (-0.80 -> 0) and 9 (0.18 -> 0) both read
  // source row 0; row 7 (-1.79) and row 10 (1.17) do not.
  BinBMP source = PictureOf(Canvas(20, 80).Box(0, 0, 1, 80).image);
  Rotate(source, source, 10.0f);  // in place
  EXPECT_TRUE(source.IsWhite(7, 50));
  EXPECT_FALSE(source.IsWhite(8, 50));
  EXPECT_FALSE(source.IsWhite(9, 50));
  EXPECT_TRUE(source.IsWhite(10, 50));
  EXPECT_FALSE(source.IsWhite(0, 0));
  EXPECT_EQ(source.width, 80);
  EXPECT_EQ(source.height, 20);
}

// Every pixel of a turned random picture is the source pixel the formula names, at several
// angles either way; pixels whose source coordinate lies within a millionth of a pixel boundary
// may go either way.
TEST(Rotate, EveryPixelIsTheSourcePixelOfTheFormula) {
  std::mt19937 rng(11);
  BitMatrix source(77, 41);
  for (std::int32_t r = 0; r < source.Height(); ++r) {
    for (std::int32_t c = 0; c < source.Width(); ++c) {
      if (rng() % 2 != 0) source.Row(r)[c >> 3] |= static_cast<std::uint8_t>(0x80u >> (c & 7));
    }
  }
  for (const float degrees : {-37.5f, -3.0f, 0.7f, 12.0f, 44.9f, 90.0f, 181.0f}) {
    const BitMatrix turned = Rotate(source, degrees);
    const double theta = static_cast<float>(static_cast<double>(degrees) * M_PI / 180);
    const double cosine = static_cast<float>(std::cos(theta));
    const double sine = static_cast<float>(std::sin(theta));
    for (std::int32_t r = 0; r < turned.Height(); ++r) {
      for (std::int32_t c = 0; c < turned.Width(); ++c) {
        const double y = cosine * r - sine * c;
        const double x = sine * r + cosine * c;
        const auto near = [](double v) { return std::fabs(v - std::round(v)) < 1e-6; };
        if (near(y) || near(x)) continue;
        const double sy = std::trunc(y);
        const double sx = std::trunc(x);
        const bool inside = sy >= 0 && sx >= 0 && sy < source.Height() && sx < source.Width();
        ASSERT_EQ(turned.IsDark(r, c), inside && source.IsDark(static_cast<std::int32_t>(sy),
                                                               static_cast<std::int32_t>(sx)))
            << degrees << " degrees at " << r << "," << c;
      }
    }
  }
}

TEST(RowDifference, SingleBlackRowGivesTwoEdgeRows) {
  const BitMatrix source = Canvas(6, 13).Box(3, 0, 1, 13).image;
  const BitMatrix edges = RowDifference(source);
  for (int r = 0; r < 6; ++r)
    for (int c = 0; c < 13; ++c) EXPECT_EQ(edges.IsDark(r, c), r == 3 || r == 4) << r << "," << c;

  // The same from a BinBMP under the encoder's polarity, and in place.
  BinBMP inverted = EncoderPolarity(ToRows(source));
  RowDifference(inverted, inverted);
  EXPECT_EQ(ToRows(inverted), ToRows(edges));
}

TEST(RowDifference, TopRowIsWhiteAndVerticalChangesOnly) {
  EXPECT_EQ(ToRows(RowDifference(FromRows({"####", "#..#", "#..#"}))),
            (std::vector<std::string>{"....", ".##.", "...."}));
}

TEST(HoughAngle, PictureWithoutEdgesAnswersItsLowerBound) {
  const BitMatrix blank = Canvas(40, 60).image;
  EXPECT_EQ(HoughAngle(blank, 5.0f, 10.0f, 1.0f), 5.0f);
  EXPECT_EQ(HoughAngle(PictureOf(blank), 5.0f, 10.0f, 1.0f), 5.0f);
  EXPECT_EQ(SearchAngle(blank), -32.0f);
  const BitMatrix black =
      Canvas(40, 60).Box(0, 0, 40, 60).image;  // no row differs from its upper one
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
  const BitMatrix blank = Canvas(4, 4).image;
  EXPECT_THROW(HoughAngle(blank, 0.0f, 1.0f, 0.0f), Error);
  EXPECT_THROW(HoughAngle(blank, 0.0f, 1.0f, -1.0f), Error);
  EXPECT_THROW(HoughAngle(blank, 0.0f, 1e9f, 1e-3f), Error);
  EXPECT_EQ(HoughAngle(blank, 2.0f, 1.0f, 1.0f), 2.0f);  // empty range
}

// Horizontal stripes, as the rows of a symbol look.
BitMatrix Stripes(std::int32_t height, std::int32_t width) {
  Canvas canvas(height, width);
  for (std::int32_t top = 10; top + 6 < height - 10; top += 12) canvas.Box(top, 5, 6, width - 10);
  return canvas.image;
}

TEST(HoughAngle, FindsHorizontalEdges) {
  const BitMatrix stripes = Stripes(120, 150);
  EXPECT_EQ(HoughAngle(stripes, -30.0f, 30.0f, 2.0f), 0.0f);
  EXPECT_NEAR(SearchAngle(stripes), 0.0f, 0.051f);
}

TEST(SearchAngle, MeasuresARotationWithTheOppositeSign) {
  // Rotating by +3 degrees tilts horizontal edges so that rotating by the answer (-3) undoes it.
  const BitMatrix stripes = Rotate(Stripes(200, 240), 3.0f);
  const float found = SearchAngle(stripes);
  EXPECT_NEAR(found, -3.0f, 0.15f);
  EXPECT_EQ(SearchEdgeAngle(RowDifference(stripes)), found);
  EXPECT_EQ(SearchAngle(PictureOf(stripes)), found);
  const float refined = RefineAngle(stripes, -3.5f);
  EXPECT_NEAR(refined, -3.0f, 0.1f);
  EXPECT_EQ(RefineAngle(PictureOf(stripes), -3.5f), refined);
}

TEST(RowDifference, EmptyPictureStaysEmpty) {
  BinBMP empty;
  BinBMP out;
  RowDifference(empty, out);
  EXPECT_TRUE(out.Empty());
  Transpose(empty, out);
  EXPECT_TRUE(out.Empty());
  EXPECT_EQ(CountBlack(out), 0);
  for (int turns = 0; turns < 4; ++turns) EXPECT_TRUE(TurnRightAngle(BitMatrix(), turns).Empty());
  EXPECT_TRUE(RowDifference(BitMatrix()).Empty());
  EXPECT_TRUE(AddWhiteBorder(BitMatrix(), 3).Empty());
}

}  // namespace
}  // namespace pdf417
