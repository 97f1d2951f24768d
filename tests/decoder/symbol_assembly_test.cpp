// Assembly of a symbol from the rows read: random symbols with rows cut off at the top or bottom,
// with damaged indicators and with garbage, against what the rows really were.
#include "pdf417/decoder/grid/symbol_assembly.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace pdf417 {
namespace {

// A symbol's rows as the textbook lays out the indicators: row r of R rows, C columns, level L;
// group 30 * (r / 3); row info (R - 1) / 3, level info 3 L + (R - 1) % 3, column info C - 1;
// cluster 0 rows carry row info left, column info right; cluster 1 level left, row right;
// cluster 2 column left, level right.
struct Symbol {
  int rows, columns, level;
  std::vector<ReadRow> read;  // every row, in order
  std::vector<int> codewords;
};

Symbol MakeSymbol(int R, int C, int L, std::mt19937& rng) {
  Symbol s{R, C, L, {}, {}};
  for (int r = 0; r < R; ++r) {
    const int group = 30 * (r / 3);
    const int rowInfo = group + (R - 1) / 3;
    const int levelInfo = group + 3 * L + (R - 1) % 3;
    const int columnInfo = group + C - 1;
    ReadRow row;
    row.cluster = r % 3;
    row.left = r % 3 == 0 ? rowInfo : r % 3 == 1 ? levelInfo : columnInfo;
    row.right = r % 3 == 0 ? columnInfo : r % 3 == 1 ? rowInfo : levelInfo;
    for (int c = 0; c < C; ++c) row.codewords.push_back(static_cast<int>(rng() % 929));
    s.codewords.insert(s.codewords.end(), row.codewords.begin(), row.codewords.end());
    s.read.push_back(row);
  }
  return s;
}

TEST(AssembleSymbol, RowsCutAtTheTopOrBottomBecomeErasures) {
  std::mt19937 rng(31);
  for (int trial = 0; trial < 400; ++trial) {
    const int R = 3 + static_cast<int>(rng() % 88);
    const int C = 1 + static_cast<int>(rng() % 30);
    const int L = static_cast<int>(rng() % 9);
    const Symbol s = MakeSymbol(R, C, L, rng);
    // Keep rows [first, first + keep): two rows at least (one row's indicators state only two of
    // the three counts).
    const int least = std::max(2, R / 3);
    const int keep = least + static_cast<int>(rng() % (R - least + 1));
    const int first = static_cast<int>(rng() % (R - keep + 1));
    std::vector<ReadRow> read(s.read.begin() + first, s.read.begin() + first + keep);
    // One damaged indicator when the rest still outvote it, and a few codewords not read.
    const bool damage = keep >= 9;
    if (damage) {
      ReadRow& row = read[rng() % read.size()];
      (rng() % 2 ? row.left : row.right) = static_cast<int>(rng() % 900);
    }
    ReadRow& some = read[rng() % read.size()];
    some.codewords[rng() % static_cast<std::size_t>(C)] = -1;

    AssembledSymbol a;
    ASSERT_TRUE(AssembleSymbol(read, a)) << R << "x" << C << " level " << L << " trial " << trial;
    EXPECT_EQ(a.rows, R);
    EXPECT_EQ(a.columns, C);
    EXPECT_EQ(a.level, L);
    ASSERT_EQ(a.codewords.size(), s.codewords.size());
    std::vector<int> unread;
    for (std::size_t p = 0; p < a.codewords.size(); ++p) {
      const int row = static_cast<int>(p) / C;
      if (a.codewords[p] < 0) {
        unread.push_back(static_cast<int>(p));
      } else {
        ASSERT_EQ(a.codewords[p], s.codewords[p]) << "a codeword in a wrong place, trial " << trial;
      }
      // Rows outside the picture are never filled; inside, only a damaged one may be missing.
      if (row < first || row >= first + keep) {
        EXPECT_LT(a.codewords[p], 0);
      }
    }
    EXPECT_EQ(a.erasures, unread);
    const std::size_t cut = static_cast<std::size_t>(R - keep) * static_cast<std::size_t>(C);
    EXPECT_LE(a.erasures.size(), cut + (damage ? C : 0) + 1) << "trial " << trial;
    EXPECT_GE(a.erasures.size(), cut + 1);
  }
}

TEST(AssembleSymbol, RefusesWhatDescribesNoSymbol) {
  std::mt19937 rng(8);
  const Symbol s = MakeSymbol(12, 4, 2, rng);
  AssembledSymbol a;
  ASSERT_TRUE(AssembleSymbol(s.read, a));
  EXPECT_TRUE(a.erasures.empty());

  std::vector<ReadRow> shortRow = s.read;
  shortRow[5].codewords.pop_back();
  EXPECT_FALSE(AssembleSymbol(shortRow, a)) << "a row of other width";
  EXPECT_FALSE(AssembleSymbol({}, a)) << "nothing read";
  std::vector<ReadRow> noIndicators = s.read;
  for (ReadRow& r : noIndicators) r.left = r.right = -1;
  EXPECT_FALSE(AssembleSymbol(noIndicators, a));
  // Half the row-count votes say otherwise: no majority.
  std::vector<ReadRow> split = s.read;
  for (ReadRow& r : split) {
    if (r.cluster == 0) r.left += 1;
  }
  EXPECT_FALSE(AssembleSymbol(split, a));
  // Level 9 (level info 27..29) is no level.
  std::vector<ReadRow> level9 = s.read;
  for (std::size_t i = 0; i < level9.size(); ++i) {
    const int levelInfo = 30 * static_cast<int>(i / 3) + 27 + (12 - 1) % 3;
    if (i % 3 == 1) level9[i].left = levelInfo;
    if (i % 3 == 2) level9[i].right = levelInfo;
  }
  EXPECT_FALSE(AssembleSymbol(level9, a));

  // Random indicators and codewords: refused, or a consistent description.
  for (int trial = 0; trial < 2000; ++trial) {
    std::vector<ReadRow> garbage(1 + rng() % 12);
    const std::size_t width = 1 + rng() % 5;
    for (std::size_t i = 0; i < garbage.size(); ++i) {
      garbage[i].cluster = static_cast<int>(i % 3);
      garbage[i].left = static_cast<int>(rng() % 1000) - 50;
      garbage[i].right = static_cast<int>(rng() % 1000) - 50;
      garbage[i].codewords.assign(width, static_cast<int>(rng() % 929));
    }
    if (!AssembleSymbol(garbage, a)) continue;
    EXPECT_GE(a.rows, 3);
    EXPECT_LE(a.rows, 90);
    EXPECT_EQ(a.columns, static_cast<int>(width));
    EXPECT_LE(a.level, 8);
    EXPECT_EQ(a.codewords.size(), static_cast<std::size_t>(a.rows) * width);
    EXPECT_LT(a.erasures.size(), a.codewords.size());
  }
}

}  // namespace
}  // namespace pdf417
