// Invariants of the codeword pattern tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "pdf417/common/patterns.h"

namespace pdf417 {
namespace {

// Modules of entry (c, v), left to right.
std::vector<int> Modules(int c, int v) {
  std::vector<int> m;
  const std::uint8_t* e = CodewordModules.data() + (c * 929 + v) * 17;
  for (int i = 16; i >= 0; --i) m.push_back(e[i]);
  return m;
}

int ValueOf(const std::vector<int>& modules) {
  int v = 0;
  for (int m : modules) v = (v << 1) | m;
  return v;
}

TEST(PatternTables, Anchors) {
  EXPECT_EQ(ValueOf(Modules(0, 0)), 0x1D5C0);
  EXPECT_EQ(ValueOf(Modules(0, 1)), 0x1EAF0);
  EXPECT_EQ(ValueOf(Modules(0, 901)), 0x10422);
  EXPECT_EQ(ValueOf(Modules(0, 928)), 0x1BEF4);
  EXPECT_EQ(ValueOf(Modules(1, 0)), 0x1F560);
  EXPECT_EQ(ValueOf(Modules(1, 928)), 0x13F26);
  EXPECT_EQ(ValueOf(Modules(2, 0)), 0x1ABE0);
  EXPECT_EQ(ValueOf(Modules(2, 928)), 0x1C7EA);
  // Stored last module first.
  const std::uint8_t expected[17] = {0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 1, 0, 1, 0, 1, 1, 1};
  for (int i = 0; i < 17; ++i) EXPECT_EQ(CodewordModules[static_cast<size_t>(i)], expected[i]);
  EXPECT_EQ(CodewordModules.size(), 47379u);
}

TEST(PatternTables, EveryPatternHasFourBarsFourSpacesAndItsClusterFormula) {
  for (int c = 0; c < 3; ++c) {
    for (int v = 0; v < 929; ++v) {
      const std::vector<int> m = Modules(c, v);
      std::vector<int> widths;
      int run = 1;
      for (size_t i = 1; i <= m.size(); ++i) {
        if (i == m.size() || m[i] != m[i - 1]) {
          widths.push_back(run);
          run = 1;
        } else {
          ++run;
        }
      }
      ASSERT_EQ(m.front(), 1) << c << "/" << v;
      ASSERT_EQ(m.back(), 0) << c << "/" << v;
      ASSERT_EQ(widths.size(), 8u) << c << "/" << v;
      for (int w : widths) ASSERT_TRUE(w >= 1 && w <= 6) << c << "/" << v;
      const int cluster = (widths[0] - widths[2] + widths[4] - widths[6] + 9) % 9;
      ASSERT_EQ(cluster, 3 * c) << c << "/" << v;
      ASSERT_EQ(PatternValueOf(c, v), ValueOf(m));
    }
  }
}

TEST(PatternTables, DecoderFormIsSortedOneToOneAndMatchesEncoderForm) {
  for (int c = 0; c < 3; ++c) {
    std::set<int> codewords;
    for (int i = 0; i < 929; ++i) {
      const PatternEntry& e = PatternToCodeword[c][i];
      if (i > 0) {
        ASSERT_LT(PatternToCodeword[c][i - 1].value, e.value);
      }
      ASSERT_GE(e.codewordPlusOne, 1);
      ASSERT_LE(e.codewordPlusOne, 929);
      codewords.insert(e.codewordPlusOne);
      ASSERT_EQ(ValueOf(Modules(c, e.codewordPlusOne - 1)), e.value);
    }
    EXPECT_EQ(codewords.size(), 929u);
  }
  EXPECT_EQ(PatternToCodeword[0][0].value, 66594);
  EXPECT_EQ(PatternToCodeword[0][0].codewordPlusOne, 902);
  EXPECT_EQ(PatternToCodeword[0][928].value, 128980);
  EXPECT_EQ(PatternToCodeword[0][928].codewordPlusOne, 912);
  EXPECT_EQ(PatternToCodeword[1][0].value, 66170);
  EXPECT_EQ(PatternToCodeword[1][928].codewordPlusOne, 771);
  EXPECT_EQ(PatternToCodeword[2][0].codewordPlusOne, 769);
  EXPECT_EQ(PatternToCodeword[2][928].value, 129908);
}

TEST(PatternTables, StartAndStopPatterns) {
  const std::uint8_t start[17] = {1, 1, 1, 1, 1, 1, 1, 1, 0, 1, 0, 1, 0, 1, 0, 0, 0};
  const std::uint8_t stop[18] = {1, 1, 1, 1, 1, 1, 1, 0, 1, 0, 0, 0, 1, 0, 1, 0, 0, 1};
  EXPECT_TRUE(std::equal(start, start + 17, StartPattern));
  EXPECT_TRUE(std::equal(stop, stop + 18, StopPattern));
}

}  // namespace
}  // namespace pdf417
