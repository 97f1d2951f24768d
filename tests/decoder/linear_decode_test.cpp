// Cell measurement, pattern values, table lookup and the codeword matrix of whole symbols.
#include "pdf417/decoder/classic/linear_decode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf417/common/error.h"
#include "pdf417/common/patterns.h"
#include "pdf417/decoder/classic/row_col_detect.h"
#include "pdf417/decoder/correct/error_correction.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/stages.h"
#include "picture_test_util.h"

namespace pdf417 {
namespace {

using picturetest::FromRows;

// Cluster index 0, codeword 0: 11101010111000000.
const std::string kCodewordZero = "###.#.#.###......";

TEST(SampleCell, WorkedExample) {
  const BitMatrix image = FromRows({kCodewordZero, kCodewordZero, kCodewordZero});
  const CellWidths widths = SampleCell(image, AryRegion{0, 2, 3}, AryRegion{0, 16, 17});
  EXPECT_EQ(widths, (CellWidths{3, 1, 1, 1, 1, 1, 3, 6}));
  EXPECT_EQ(PatternValue(widths), 0x1D5C0);
  EXPECT_EQ(LookupCodeword(PatternValue(widths), PatternToCodeword[0]), 0);
}

TEST(SampleCell, SkipsLeadingSpacesAndScalesWideModules) {
  // Two white columns in front, modules two pixels wide, inside a larger picture.
  std::string wide = "..";
  for (const char c : kCodewordZero) wide += std::string(2, c);
  const std::string margin(wide.size() + 4, '.');
  const BitMatrix image = FromRows({margin, ".." + wide + "..", ".." + wide + "..", margin});
  const CellWidths widths = SampleCell(image, AryRegion{1, 2, 1}, AryRegion{2, 37, 35});
  EXPECT_EQ(widths, (CellWidths{3, 1, 1, 1, 1, 1, 3, 6}));
}

TEST(SampleCell, ColumnsTakeTheMajorityOfRows) {
  // With 4 rows, 2 dark rows make a bar column; with 5 rows, 3 are needed.
  const std::string none(kCodewordZero.size(), '.');
  const BitMatrix four = FromRows({kCodewordZero, none, kCodewordZero, none});
  EXPECT_EQ(SampleCell(four, AryRegion{0, 3, 3}, AryRegion{0, 16, 16}),
            (CellWidths{3, 1, 1, 1, 1, 1, 3, 6}));

  const BitMatrix five = FromRows({kCodewordZero, none, kCodewordZero, none, none});
  // No bar column at all: the widths are 0 and the cell's width, scaled to 17 spaces.
  EXPECT_EQ(SampleCell(five, AryRegion{0, 4, 4}, AryRegion{0, 16, 16}),
            (CellWidths{0, 17, 0, 0, 0, 0, 0, 0}));
  const BitMatrix threeOfFive = FromRows({kCodewordZero, none, kCodewordZero, none, kCodewordZero});
  EXPECT_EQ(SampleCell(threeOfFive, AryRegion{0, 4, 4}, AryRegion{0, 16, 16}),
            (CellWidths{3, 1, 1, 1, 1, 1, 3, 6}));
}

TEST(SampleCell, FewRunsCountMissingWidthsAsZero) {
  // Two bars only; the last run reaches the cell's right end.
  const BitMatrix image = FromRows({"####....####....."});
  const CellWidths widths = SampleCell(image, AryRegion{0, 0, 0}, AryRegion{0, 16, 16});
  int sum = 0;
  for (const std::int32_t w : widths) {
    EXPECT_GE(w, 0);
    sum += w;
  }
  EXPECT_EQ(sum, 17);
  EXPECT_EQ(widths[0], 4);
  EXPECT_EQ(widths[1], 4);
  EXPECT_EQ(widths[2], 4);
}

TEST(PatternValue, ReadsTheFirstSeventeenModules) {
  EXPECT_EQ(PatternValue(CellWidths{8, 1, 1, 1, 1, 1, 1, 3}), 0x1FEA8);  // start pattern
  // Short layouts read the missing modules as spaces; long ones are cut after 17.
  EXPECT_EQ(PatternValue(CellWidths{1, 0, 0, 0, 0, 0, 0, 0}), 0x10000);
  EXPECT_EQ(PatternValue(CellWidths{10, 10, 0, 0, 0, 0, 0, 0}), 0x1FF80);
  EXPECT_EQ(PatternValue(CellWidths{0, 0, 0, 0, 0, 0, 0, 0}), 0);
}

TEST(LookupCodeword, FloorSearchInTheClusterTable) {
  for (int cluster = 0; cluster < kClusterCount; ++cluster) {
    for (const int codeword : {0, 1, 417, 900, 928}) {
      const std::int32_t v = PatternValueOf(cluster, codeword);
      EXPECT_EQ(LookupCodeword(v, PatternToCodeword[cluster]), codeword);
    }
  }
  // Between two table patterns: the lower one's codeword.
  const PatternEntry(&table)[kCodewordCount] = PatternToCodeword[1];
  for (int k = 0; k + 1 < kCodewordCount; k += 97) {
    ASSERT_LT(table[k].value + 1, table[k + 1].value);
    EXPECT_EQ(LookupCodeword(table[k].value + 1, table), table[k].codewordPlusOne - 1);
    EXPECT_EQ(LookupCodeword(table[k + 1].value - 1, table), table[k].codewordPlusOne - 1);
  }
}

TEST(LookupCodeword, OutsideTheTableGivesTheLastEntry) {
  const int expected[kClusterCount] = {911, 770, 198};
  for (int cluster = 0; cluster < kClusterCount; ++cluster) {
    const PatternEntry(&table)[kCodewordCount] = PatternToCodeword[cluster];
    EXPECT_EQ(LookupCodeword(0, table), expected[cluster]);
    EXPECT_EQ(LookupCodeword(table[0].value - 1, table), expected[cluster]);
    EXPECT_EQ(LookupCodeword(table[kCodewordCount - 1].value, table), expected[cluster]);
    EXPECT_EQ(LookupCodeword(0x1FFFF, table), expected[cluster]);
  }
}

// A symbol drawn by the encoder, with its codeword sequence.
struct Symbol {
  CodewordSequence codewords;
  BitMatrix image;
  int rows = 0;
};

Symbol Draw(const std::string& text, int columns, int level, int minRows, int aspect) {
  Symbol s;
  CompactBytes(reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<int>(text.size()),
               columns, level, s.codewords, minRows);
  AppendErrorCorrection(level, s.codewords);
  s.rows = static_cast<int>(s.codewords.size()) / columns;
  const std::vector<std::uint8_t> file = RenderSymbolImage(columns, level, s.codewords, aspect);
  BinBMP loaded;
  loaded.LoadBytes(file.data(), file.size());
  s.image = MatrixOf(loaded);
  return s;
}

std::vector<int> ToVector(LinkedList<int>& list) {
  std::vector<int> out;
  for (list.Reset(0); !list.AtEnd(); list.Advance()) out.push_back(list.Data());
  return out;
}

// Locates and reads a picture, as the decoder does before error correction.
LinearDecode Read(const BitMatrix& image) {
  RowColDetect locator(image);
  locator.FindBounds();
  locator.FindRows();
  locator.FindColumns();
  LinearDecode matrix(locator.rowRegions.Size(), locator.colRegions.Size(), locator.rowRegions,
                      locator.colRegions);
  matrix.SampleCells(image);
  matrix.ReadCodewords();
  matrix.CollectDataCodewords();
  return matrix;
}

TEST(LinearDecode, CleanSymbolReadsBackItsCodewords) {
  const Symbol s = Draw("Codeword recognition", 5, 2, 12, 3);
  ASSERT_EQ(s.rows, 12);
  LinearDecode matrix = Read(s.image);
  ASSERT_EQ(matrix.rowCount, 12);
  ASSERT_EQ(matrix.colCount, 9);
  EXPECT_EQ(matrix.codewordList.Size(), 60);
  EXPECT_EQ(ToVector(matrix.codewordList),
            std::vector<int>(s.codewords.begin(), s.codewords.end()));
  for (const std::vector<std::int32_t>& row : matrix.codewordGrid) {
    EXPECT_EQ(row.front(), 0);
    EXPECT_EQ(row.back(), 0);
  }
  ReadLevel(matrix);
  EXPECT_EQ(matrix.ecLevel, 2);
  EXPECT_EQ(CorrectErrors(matrix.codewordList, 8), 0);
}

TEST(LinearDecode, OtherShapesAndLevels) {
  struct Shape {
    int columns, level, minRows, aspect;
  };
  for (const Shape sh : {Shape{1, 0, 3, 4}, Shape{3, 5, 3, 2}, Shape{12, 3, 25, 5}}) {
    const Symbol s = Draw("other shapes and levels", sh.columns, sh.level, sh.minRows, sh.aspect);
    LinearDecode matrix = Read(s.image);
    EXPECT_EQ(ToVector(matrix.codewordList),
              std::vector<int>(s.codewords.begin(), s.codewords.end()))
        << sh.columns << " columns";
    ReadLevel(matrix);
    EXPECT_EQ(matrix.ecLevel, sh.level) << sh.columns << " columns";
  }
}

TEST(LinearDecode, DamagedCellIsRepairedByErrorCorrection) {
  Symbol s = Draw("Damaged but readable", 4, 2, 6, 3);
  // Blank the third data cell of row 2: quiet zone 8, start 17, left indicator 17.
  const int left = 8 + 17 * (2 + 2);
  for (int r = 2 + 3 * 2; r < 2 + 3 * 3; ++r) {
    for (int c = left; c < left + 17; ++c) s.image.SetDark(r, c, false);
  }
  LinearDecode matrix = Read(s.image);
  std::vector<int> read = ToVector(matrix.codewordList);
  const std::size_t damaged = 2 * 4 + 2;
  EXPECT_NE(read[damaged], s.codewords[damaged]);
  EXPECT_EQ(CorrectErrors(matrix.codewordList, 8), 1);
  EXPECT_EQ(ToVector(matrix.codewordList),
            std::vector<int>(s.codewords.begin(), s.codewords.end()));
}

TEST(LinearDecode, ClusterComesFromTheRowPosition) {
  // Leaving out the first row region shifts every row to the next cluster's table.
  const Symbol s = Draw("cluster shift", 2, 0, 4, 3);
  RowColDetect locator(s.image);
  locator.FindBounds();
  locator.FindRows();
  locator.FindColumns();
  LinkedList<AryRegion> rows(locator.rowRegions);
  rows.RemoveFirst();
  LinearDecode matrix(rows.Size(), locator.colRegions.Size(), rows, locator.colRegions);
  matrix.SampleCells(s.image);
  matrix.ReadCodewords();
  for (int i = 0; i < matrix.rowCount; ++i) {
    for (int j = 2; j < 4; ++j) {
      const int drawn = s.codewords[static_cast<std::size_t>((i + 1) * 2 + j - 2)];
      const int expected =
          LookupCodeword(PatternValueOf((i + 1) % 3, drawn), PatternToCodeword[i % 3]);
      EXPECT_EQ(matrix.codewordGrid[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)],
                expected);
    }
  }
}

TEST(LinearDecode, NarrowGridsGiveNoCodewords) {
  LinkedList<AryRegion> rows;
  rows.Append(AryRegion{0, 2, 2});
  rows.Append(AryRegion{3, 5, 2});
  for (const int k : {0, 1, 2, 4}) {
    LinkedList<AryRegion> cols;
    for (int j = 0; j < k; ++j) cols.Append(AryRegion{17 * j, 17 * j + 16, 16});
    LinearDecode matrix(2, k, rows, cols);
    matrix.SampleCells(BitMatrix(17 * 4, 6));
    matrix.ReadCodewords();
    matrix.CollectDataCodewords();
    EXPECT_EQ(matrix.codewordList.Size(), 0) << "K = " << k;
  }
}

TEST(LinearDecode, CountsMustMatchTheRegionLists) {
  LinkedList<AryRegion> two;
  two.Append(AryRegion{0, 1, 1});
  two.Append(AryRegion{2, 3, 1});
  EXPECT_THROW(LinearDecode(3, 2, two, two), Error);
  EXPECT_THROW(LinearDecode(2, -1, two, two), Error);
}

}  // namespace
}  // namespace pdf417
