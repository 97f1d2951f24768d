// The symbol geometry both halves share: row indicators read back to the shape they were made
// from, for every shape; the start and stop patterns' widths against the module tables.
#include "pdf417/common/symbol_geometry.h"

#include <gtest/gtest.h>

#include "pdf417/common/patterns.h"

namespace pdf417 {
namespace {

// The fact an indicator states, read back.
int FactOf(int row, int indicator) { return IndicatorFactValue(row, indicator); }

TEST(RowIndicators, EveryShapeReadsBackFromItsIndicators) {
  for (int rows = kMinRows; rows <= kMaxRows; ++rows) {
    for (int columns = kMinColumns; columns <= kMaxColumns; ++columns) {
      for (int level = kMinLevel; level <= kMaxLevel; ++level) {
        for (int r = 0; r < rows; ++r) {
          const RowIndicators ind = RowIndicatorsOf(r, rows, columns, level);
          // Every indicator is a codeword, and the three facts come back from their sides.
          ASSERT_GE(ind.left, 0);
          ASSERT_LE(ind.right, kMaxCodewords);
          for (const auto& [fact, value] : {std::pair{LeftIndicatorFact(r), ind.left},
                                            std::pair{RightIndicatorFact(r), ind.right}}) {
            switch (fact) {
              case IndicatorFact::Rows:
                ASSERT_EQ(FactOf(r, value), (rows - 1) / 3) << rows << " " << r;
                break;
              case IndicatorFact::Columns:
                ASSERT_EQ(FactOf(r, value) + 1, columns) << columns << " " << r;
                break;
              case IndicatorFact::Level:
                ASSERT_EQ(LevelFromIndicator(r, value, rows), level) << level << " " << r;
                ASSERT_EQ(FactOf(r, value) % 3, (rows - 1) % 3);
                break;
            }
          }
          // Each row states two different facts, and every three rows state all three.
          ASSERT_NE(LeftIndicatorFact(r), RightIndicatorFact(r));
        }
      }
    }
  }
}

TEST(RowIndicators, WorkedExample) {
  // 10 rows, 7 columns, level 2: (rows - 1) / 3 = 3, columns - 1 = 6, 3 level + 0 = 6.
  EXPECT_EQ(RowIndicatorsOf(0, 10, 7, 2).left, 3);
  EXPECT_EQ(RowIndicatorsOf(0, 10, 7, 2).right, 6);
  EXPECT_EQ(RowIndicatorsOf(4, 10, 7, 2).left, 36);
  EXPECT_EQ(RowIndicatorsOf(4, 10, 7, 2).right, 33);
  EXPECT_EQ(RowIndicatorsOf(8, 10, 7, 2).left, 66);
  EXPECT_EQ(RowIndicatorsOf(8, 10, 7, 2).right, 66);
  // A damaged indicator below its row's base gives a level outside the range.
  EXPECT_EQ(LevelFromIndicator(4, 0, 6), -10);
}

TEST(ErrorCorrectionCount, DoublesFromTwoAtLevelZero) {
  EXPECT_EQ(ErrorCorrectionCount(kMinLevel), 2);
  for (int level = kMinLevel + 1; level <= kMaxLevel; ++level) {
    EXPECT_EQ(ErrorCorrectionCount(level), 2 * ErrorCorrectionCount(level - 1));
  }
  EXPECT_EQ(ErrorCorrectionCount(kMaxLevel), 512);
}

// Widths, bar first, expanded to modules.
template <std::size_t N>
std::vector<std::uint8_t> Expand(const std::array<std::int32_t, N>& widths) {
  std::vector<std::uint8_t> modules;
  for (std::size_t i = 0; i < N; ++i) modules.insert(modules.end(), widths[i], i % 2 == 0 ? 1 : 0);
  return modules;
}

TEST(Patterns, WidthsMatchTheModuleTables) {
  EXPECT_EQ(Expand(kStartPatternWidths),
            std::vector<std::uint8_t>(StartPattern, StartPattern + kStartPatternModules));
  EXPECT_EQ(Expand(kStopPatternWidths),
            std::vector<std::uint8_t>(StopPattern, StopPattern + kStopPatternModules));
}

}  // namespace
}  // namespace pdf417
