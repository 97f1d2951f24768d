// The decoder's fast paths (whole bytes, block transposes, grouped votes, binary search, batched
// field arithmetic) against the plain pixel-by-pixel versions in reference_decoder.h: on random
// pictures of both polarities, widths that are and are not multiples of 8, garbage in the row
// padding, pictures read through a sampling rotation, deeper pictures, and symbol pictures, the
// results must be identical to the bit.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "pdf417/common/distance_votes.h"
#include "pdf417/common/gf929.h"
#include "pdf417/decoder/error_correction.h"
#include "pdf417/decoder/image_amend.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/stages.h"
#include "picture_test_util.h"
#include "reference_decoder.h"

namespace pdf417 {
namespace {

std::mt19937& Rng() {
  static std::mt19937 rng(417);
  return rng;
}

int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(Rng()); }

// Random pixels, padding bytes included, at the given share of set bits.
BinBMP RandomPicture(std::int32_t height, std::int32_t width, double setShare, bool setIsWhite) {
  BinBMP picture(height, width, 1);
  if (!setIsWhite) picture.palette = {255, 255, 255, 0, 0, 0, 0, 0};
  std::bernoulli_distribution bit(setShare);
  for (std::uint8_t& byte : picture.pixelData) {
    std::uint8_t v = 0;
    for (int b = 0; b < 8; ++b) v = static_cast<std::uint8_t>(v << 1 | (bit(Rng()) ? 1 : 0));
    byte = v;
  }
  return picture;
}

// Black horizontal bars of random lengths, like symbol rows seen through an edge picture.
BinBMP BarsPicture(std::int32_t height, std::int32_t width, bool setIsWhite) {
  picturetest::Canvas canvas(height, width);
  for (int n = 0; n < height / 3; ++n) {
    const int top = Uniform(0, height - 1);
    const int left = Uniform(0, width - 1);
    canvas.Box(top, left, Uniform(1, 4), Uniform(1, width - left));
  }
  BinBMP picture = canvas.image;
  if (!setIsWhite) {
    picture.palette = {255, 255, 255, 0, 0, 0, 0, 0};
    for (std::uint8_t& b : picture.pixelData) b = static_cast<std::uint8_t>(~b);
  }
  return picture;
}

// A symbol as the encoder draws it, loaded as the decoder loads files.
BinBMP SymbolPicture(int length, int columns, int level, int aspect) {
  std::vector<std::uint8_t> data(static_cast<std::size_t>(length));
  for (auto& b : data) b = static_cast<std::uint8_t>(Uniform(0, 255));
  const std::vector<std::uint8_t> file =
      EncodePdf417ToImage(data.data(), length, columns, level, aspect);
  BinBMP picture;
  picture.LoadBytes(file.data(), file.size());
  return picture;
}

// A variety of one-bit pictures: sizes around byte boundaries, both polarities, some read through
// a sampling rotation (which takes the pixel-by-pixel path), and symbols.
std::vector<BinBMP> OneBitPictures() {
  std::vector<BinBMP> pictures;
  const std::pair<int, int> sizes[] = {{1, 1}, {3, 7}, {8, 8}, {9, 17}, {16, 33}, {21, 64}, {40, 95}};
  for (const auto& [h, w] : sizes) {
    for (const bool setIsWhite : {true, false}) {
      pictures.push_back(RandomPicture(h, w, 0.5, setIsWhite));
      pictures.push_back(RandomPicture(h, w, 0.1, setIsWhite));
      pictures.push_back(BarsPicture(h, w, setIsWhite));
    }
  }
  BinBMP turned = RandomPicture(30, 45, 0.5, true);
  turned.SetAngle(4.0f);
  pictures.push_back(turned);
  BinBMP turnedBack = BarsPicture(37, 50, false);
  turnedBack.SetAngle(-11.5f);
  pictures.push_back(turnedBack);
  BinBMP steep = RandomPicture(40, 50, 0.6, true);  // reads dark pixels left of column 0 too
  steep.SetAngle(25.0f);
  pictures.push_back(steep);
  // Taller than a one-byte counter holds, with columns that are black all the way down.
  pictures.push_back(RandomPicture(600, 21, 0.97, true));
  pictures.push_back(picturetest::Canvas(700, 13).Box(0, 2, 700, 4).Box(100, 9, 500, 1).image);
  pictures.push_back(SymbolPicture(40, 3, 2, 3));
  pictures.push_back(SymbolPicture(120, 6, 4, 1));
  return pictures;
}

// Every member of the picture, pixel bytes (row padding included) and headers alike.
void ExpectSamePicture(const BinBMP& fast, const BinBMP& plain, const std::string& what) {
  EXPECT_EQ(fast.width, plain.width) << what;
  EXPECT_EQ(fast.height, plain.height) << what;
  EXPECT_EQ(fast.bitCount, plain.bitCount) << what;
  EXPECT_EQ(fast.imageSize, plain.imageSize) << what;
  EXPECT_EQ(fast.angle, plain.angle) << what;
  EXPECT_EQ(fast.cosAngle, plain.cosAngle) << what;
  EXPECT_EQ(fast.sinAngle, plain.sinAngle) << what;
  EXPECT_EQ(fast.palette, plain.palette) << what;
  EXPECT_EQ(fast.bitMpHead.bfSize, plain.bitMpHead.bfSize) << what;
  EXPECT_EQ(fast.bitMpHead.bfOffBits, plain.bitMpHead.bfOffBits) << what;
  EXPECT_EQ(fast.bitMpInfoHead.biWidth, plain.bitMpInfoHead.biWidth) << what;
  EXPECT_EQ(fast.bitMpInfoHead.biHeight, plain.bitMpInfoHead.biHeight) << what;
  EXPECT_EQ(fast.bitMpInfoHead.biSizeImage, plain.bitMpInfoHead.biSizeImage) << what;
  EXPECT_EQ(fast.redMask, plain.redMask) << what;
  EXPECT_EQ(fast.greenMask, plain.greenMask) << what;
  EXPECT_EQ(fast.blueMask, plain.blueMask) << what;
  EXPECT_TRUE(fast.pixelData == plain.pixelData) << what;
}

TEST(FastPaths, WhiteTestMatchesThePlainOneInsideAndAround) {
  for (const BinBMP& picture : OneBitPictures()) {
    for (std::int32_t r = -2; r < picture.height + 2; ++r) {
      for (std::int32_t c = -2; c < picture.width + 2; ++c) {
        ASSERT_EQ(picture.IsWhite(r, c), reference::IsWhite(picture, r, c)) << r << "," << c;
      }
    }
  }
}

TEST(FastPaths, BinarizeMatchesThePlainOneAtEveryDepth) {
  for (const int bits : {1, 4, 8, 16, 24, 32}) {
    for (const auto& [h, w] : {std::pair<int, int>{5, 13}, {9, 8}, {2, 31}}) {
      BinBMP source(h, w, bits);
      for (std::uint8_t& b : source.pixelData) b = static_cast<std::uint8_t>(Uniform(0, 255));
      for (std::uint8_t& b : source.palette) b = static_cast<std::uint8_t>(Uniform(0, 255));
      if (bits == 8) source.palette.resize(40);  // a short table: higher indices read white
      if (bits == 32) {
        source.redMask = 0x3FF00000;  // bit fields of odd widths
        source.greenMask = 0x000FFC00;
        source.blueMask = 0x000003FF;
      }
      BinBMP fast;
      BinBMP plain;
      Binarize(source, fast);
      reference::Binarize(source, plain);
      ExpectSamePicture(fast, plain, "bits " + std::to_string(bits));
      for (std::int32_t r = 0; r < h; ++r)
        for (std::int32_t c = 0; c < w; ++c)
          ASSERT_EQ(source.IsWhite(r, c), reference::IsWhite(source, r, c)) << bits;
    }
  }
}

// Start patterns are searched on the stored bytes of a one-bit picture; an 8-bit copy of the same
// pixels is read pixel by pixel through its white test, and both must find the same.
TEST(FastPaths, StartPatternSearchesMatchPixelByPixelReading) {
  std::mt19937 rng(17);
  int found = 0;
  for (int trial = 0; trial < 40; ++trial) {
    const int width = 20 + static_cast<int>(rng() % 140);
    const int height = 6;
    BinBMP oneBit(height, width, 1);
    BinBMP eightBit(height, width, 8);
    eightBit.palette[4] = eightBit.palette[5] = eightBit.palette[6] = 255;  // index 1 white
    const int stride8 = eightBit.Stride();
    for (int r = 0; r < height; ++r) {
      // Random runs, with a start pattern of a random module width somewhere in most rows.
      std::vector<bool> dark;
      while (static_cast<int>(dark.size()) < width) {
        if (rng() % 4 == 0) {
          const int m = 1 + static_cast<int>(rng() % 3);
          dark.push_back(false);
          const int widths[8] = {8, 1, 1, 1, 1, 1, 1, 3};
          for (int e = 0; e < 8; ++e) {
            for (int i = 0; i < widths[e] * m; ++i) dark.push_back(e % 2 == 0);
          }
        }
        const bool d = rng() % 2 == 0;
        const int run = 1 + static_cast<int>(rng() % 6);
        for (int i = 0; i < run; ++i) dark.push_back(d);
      }
      for (int c = 0; c < width; ++c) {
        oneBit.SetPixel(r, c, !dark[static_cast<std::size_t>(c)]);
        eightBit.pixelData[static_cast<std::size_t>((height - 1 - r) * stride8 + c)] =
            dark[static_cast<std::size_t>(c)] ? 0 : 1;
      }
    }
    for (int r = -1; r <= height; ++r) {
      std::int32_t a = -7, b = -7;
      const bool strict = FindStartPattern(oneBit, r, a);
      ASSERT_EQ(strict, FindStartPattern(eightBit, r, b)) << trial << "/" << r;
      EXPECT_EQ(a, b);
      found += strict;
      a = b = -7;
      ASSERT_EQ(FindStartPatternLoosely(oneBit, r, a), FindStartPatternLoosely(eightBit, r, b))
          << trial << "/" << r;
      EXPECT_EQ(a, b);
    }
  }
  EXPECT_GT(found, 40);
}

TEST(FastPaths, TransformsMatchThePlainOnes) {
  int n = 0;
  for (const BinBMP& picture : OneBitPictures()) {
    const std::string what = "picture " + std::to_string(n++);
    BinBMP fast;
    BinBMP plain;
    Transpose(picture, fast);
    reference::Transpose(picture, plain);
    ExpectSamePicture(fast, plain, what + " transposed");
    for (const int turns : {0, 1, 2, 3, -1, 5}) {
      TurnRightAngle(picture, fast, turns);
      reference::TurnRightAngle(picture, plain, turns);
      ExpectSamePicture(fast, plain, what + " turned " + std::to_string(turns));
    }
    DoubleRows(picture, fast);
    reference::DoubleRows(picture, plain);
    ExpectSamePicture(fast, plain, what + " doubled");
    for (const int border : {0, 1, 7, 8, 13}) {
      AddWhiteBorder(picture, fast, border);
      reference::AddWhiteBorder(picture, plain, border);
      ExpectSamePicture(fast, plain, what + " border " + std::to_string(border));
    }
    for (const float degrees : {0.0f, 0.5f, -3.0f, 3.0f, 10.0f, -45.0f, 90.0f, 181.3f}) {
      Rotate(picture, fast, degrees);
      reference::Rotate(picture, plain, degrees);
      ExpectSamePicture(fast, plain, what + " rotated " + std::to_string(degrees));
    }
  }
}

TEST(FastPaths, TransformsInPlaceMatchToo) {
  const BinBMP picture = RandomPicture(19, 27, 0.4, false);
  BinBMP fast = picture;
  BinBMP plain;
  TurnRightAngle(fast, fast, 1);
  reference::TurnRightAngle(picture, plain, 1);
  ExpectSamePicture(fast, plain, "turned in place");
  fast = picture;
  AddWhiteBorder(fast, fast, 5);
  reference::AddWhiteBorder(picture, plain, 5);
  ExpectSamePicture(fast, plain, "bordered in place");
}

TEST(FastPaths, AngleSearchesMatchThePlainOnes) {
  std::vector<BinBMP> pictures = OneBitPictures();
  // Tilted symbols and stripes, the pictures the searches are made for, and a wide one whose
  // left half alone votes.
  BinBMP symbol = SymbolPicture(200, 5, 3, 4);
  AddWhiteBorder(symbol, symbol, 30);
  for (const float degrees : {2.5f, -4.0f, 0.3f}) {
    BinBMP tilted;
    Rotate(symbol, tilted, degrees);
    pictures.push_back(tilted);
  }
  pictures.push_back(BarsPicture(60, 900, true));
  for (const BinBMP& picture : pictures) {
    for (int n = 0; n < 5; ++n) {
      const float from = static_cast<float>(Uniform(-400, 400)) / 10.0f;
      const float step = static_cast<float>(Uniform(1, 300)) / 100.0f;
      const float to = from + step * static_cast<float>(Uniform(0, 40));
      EXPECT_EQ(HoughAngle(picture, from, to, step), reference::HoughAngle(picture, from, to, step));
    }
    EXPECT_EQ(SearchAngle(picture), reference::SearchAngle(picture));
    EXPECT_EQ(RefineAngle(picture, 2.7f), reference::RefineAngle(picture, 2.7f));
    EXPECT_EQ(RefineAngle(picture, 0.0f), reference::RefineAngle(picture, 0.0f));
    EXPECT_EQ(HoughAngle(picture, -30.0f, 30.0f, 2.0f),
              reference::HoughAngle(picture, -30.0f, 30.0f, 2.0f));
  }
}

TEST(FastPaths, VotesByRunsMatchVotesPixelByPixel) {
  // Rows of ascending columns, dense and sparse, at angles from the horizontal to steep ones,
  // both signs, with distances reaching below 1 and past the table.
  const double sines[] = {0.0, 1e-9, -1e-9, 0.0001745, -0.0087265, 0.0174524, 0.052336, -0.5, 0.5,
                          0.9};
  for (int n = 0; n < 400; ++n) {
    std::vector<double> columns;
    int c = Uniform(0, 20);
    const int count = Uniform(0, 300);
    const int gap = n % 3 == 0 ? 1 : Uniform(1, 6);
    for (int k = 0; k < count; ++k, c += Uniform(1, gap)) columns.push_back(c);
    const std::int32_t nRho = Uniform(2, 400);
    const double angle = sines[n % std::size(sines)];
    const double sine = n % 2 == 0 ? angle : angle * (1 + Uniform(0, 1000) / 1e4);
    const double rowTerm = Uniform(-50, 450) * 0.9998477 + Uniform(0, 99) / 100.0;
    std::vector<std::int32_t> byRuns(static_cast<std::size_t>(nRho), 0);
    std::vector<std::int32_t> byPixel(static_cast<std::size_t>(nRho), 0);
    VoteDistancesByRuns(columns.data(), columns.size(), rowTerm, sine, byRuns.data(), nRho);
    VoteDistances(columns.data(), columns.size(), rowTerm, sine, byPixel.data(), nRho);
    ASSERT_EQ(byRuns, byPixel) << n;
  }
}

TEST(FastPaths, ProfilesMatchThePlainOnes) {
  for (const BinBMP& picture : OneBitPictures()) {
    const auto h = static_cast<std::size_t>(picture.height);
    const auto w = static_cast<std::size_t>(picture.width);
    Profile fast(h, 7);
    Profile plain(h, 7);
    RowDarkCounts(picture, fast);
    reference::RowDarkCounts(picture, plain);
    EXPECT_EQ(fast, plain);
    for (int n = 0; n < 10; ++n) {
      const int a = Uniform(-3, picture.width + 2);
      const int b = Uniform(-3, picture.width + 3);
      RowDarkCountsInColumns(picture, fast, a, b);
      reference::RowDarkCountsInColumns(picture, plain, a, b);
      EXPECT_EQ(fast, plain) << a << ".." << b;
    }
    Profile fastColumns(w, 7);
    Profile plainColumns(w, 9);
    for (int n = 0; n < 10; ++n) {
      const int a = Uniform(-3, picture.height + 2);
      const int b = n == 0 ? 0 : Uniform(-3, picture.height + 3);
      ColumnDarkCounts(picture, fastColumns, a, b);
      reference::ColumnDarkCounts(picture, plainColumns, a, b);
      EXPECT_EQ(fastColumns, plainColumns) << a << ".." << b;
    }
  }
}

TEST(FastPaths, CellMeasurementsMatchThePlainOnes) {
  for (const BinBMP& picture : OneBitPictures()) {
    for (int n = 0; n < 200; ++n) {
      AryRegion row;
      row.first = Uniform(-4, picture.height + 2);
      row.last = row.first + Uniform(-1, 8);
      AryRegion col;
      col.first = Uniform(-20, picture.width + 2);
      col.last = col.first + (n == 0 ? 300 : Uniform(-1, 40));  // once wider than the stack buffer
      EXPECT_EQ(SampleCell(picture, row, col), reference::SampleCell(picture, row, col))
          << row.first << ".." << row.last << " x " << col.first << ".." << col.last;
    }
  }
}

TEST(FastPaths, GridSamplingMatchesCellByCellSampling) {
  for (const BinBMP& picture : OneBitPictures()) {
    // Regions as the locator makes them (adjacent, in order) and stray ones (overlapping,
    // outside the picture, empty).
    LinkedList<AryRegion> rows;
    LinkedList<AryRegion> cols;
    for (int top = -2; top < picture.height + 2; top += Uniform(1, 6)) {
      rows.Append(AryRegion{top, top + Uniform(-1, 5), 0});
    }
    for (int left = -30; left < picture.width + 20; left += Uniform(1, 25)) {
      cols.Append(AryRegion{left, left + Uniform(-1, 30), 0});
    }
    cols.Append(AryRegion{0, 299, 0});
    LinearDecode grid(rows.Size(), cols.Size(), rows, cols);
    grid.image = picture;
    grid.SampleCells();
    std::size_t i = 0;
    for (rows.Reset(0); !rows.AtEnd(); rows.Advance(), ++i) {
      std::size_t j = 0;
      for (cols.Reset(0); !cols.AtEnd(); cols.Advance(), ++j) {
        ASSERT_EQ(grid.cellWidths[i][j], reference::SampleCell(picture, rows.Data(), cols.Data()))
            << i << "," << j;
      }
    }
  }
}

TEST(FastPaths, PatternValuesMatchTheBitByBitOnes) {
  for (int n = 0; n < 20000; ++n) {
    CellWidths modules;
    for (std::int32_t& m : modules) m = Uniform(n % 3 == 0 ? -2 : 0, n % 5 == 0 ? 20 : 6);
    ASSERT_EQ(PatternValue(modules), reference::PatternValue(modules));
  }
}

TEST(FastPaths, CodewordLookupMatchesTheLinearSearchForEveryValue) {
  for (int cluster = 0; cluster < kClusterCount; ++cluster) {
    const PatternEntry(&table)[kCodewordCount] = PatternToCodeword[cluster];
    for (int k = 0; k + 1 < kCodewordCount; ++k) ASSERT_LT(table[k].value, table[k + 1].value);
    for (std::int32_t value = -2; value <= (1 << 17) + 2; ++value) {
      ASSERT_EQ(LookupCodeword(value, table), reference::LookupCodeword(value, table))
          << cluster << " " << value;
    }
  }
}

LinkedList<int> ToList(const std::vector<std::int32_t>& values) {
  LinkedList<int> list;
  for (const std::int32_t v : values) list.Append(v);
  return list;
}

std::vector<std::int32_t> ToVector(LinkedList<int>& list) {
  std::vector<std::int32_t> out;
  for (list.Reset(0); !list.AtEnd(); list.Advance()) out.push_back(list.Data());
  return out;
}

TEST(FastPaths, ErrorCorrectionMatchesThePlainOneOnRandomLists) {
  // Valid lists at every level with from no errors to more than the level corrects, and lists of
  // random values.
  int corrected = 0;
  int refused = 0;
  for (int level = 0; level <= 8; ++level) {
    const int k = 1 << (level + 1);
    for (int trial = 0; trial < (level < 6 ? 12 : 4); ++trial) {
      std::vector<std::int32_t> codewords;
      const int dataCount = Uniform(1, kMaxCodewords - k);
      for (int i = 0; i < dataCount; ++i) codewords.push_back(Uniform(0, 928));
      if (trial % 4 != 3) AppendErrorCorrection(level, codewords);
      else
        for (int i = 0; i < k; ++i) codewords.push_back(Uniform(0, 928));
      const int errors = Uniform(0, k / 2 + 2);
      for (int e = 0; e < errors; ++e) {
        auto& c = codewords[static_cast<std::size_t>(Uniform(0, static_cast<int>(codewords.size()) - 1))];
        c = (c + Uniform(1, 928)) % kFieldSize;
      }
      LinkedList<int> fast = ToList(codewords);
      LinkedList<int> plain = ToList(codewords);
      const int fastResult = CorrectErrors(fast, k);
      const int plainResult = reference::CorrectErrors(plain, k);
      ASSERT_EQ(fastResult, plainResult) << "level " << level << " trial " << trial;
      ASSERT_EQ(ToVector(fast), ToVector(plain)) << "level " << level << " trial " << trial;
      corrected += fastResult > 0;
      refused += fastResult < 0;
    }
  }
  // Both outcomes were exercised.
  EXPECT_GT(corrected, 10);
  EXPECT_GT(refused, 5);
}

}  // namespace
}  // namespace pdf417
