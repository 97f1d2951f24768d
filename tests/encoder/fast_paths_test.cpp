// The encoder's error-correction division (unreduced register, sliding buffer) and row packing
// (whole pattern values) against the plain versions in reference_encoder.h, on random codeword
// lists at every level and on symbols of every shape: the output must be identical.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "pdf417/common/error.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/stages.h"
#include "reference_encoder.h"

namespace pdf417 {
namespace {

std::mt19937& Rng() {
  static std::mt19937 rng(929);
  return rng;
}

int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(Rng()); }

TEST(EncoderFastPaths, ErrorCorrectionMatchesThePlainDivision) {
  for (int level = 0; level <= kMaxLevel; ++level) {
    const int k = ErrorCorrectionCount(level);
    for (int trial = 0; trial < 25; ++trial) {
      CodewordSequence data;
      const int n = trial == 0 ? 1 : Uniform(1, kMaxCodewords - k);
      // Extremes too: all 928 keeps the unreduced register at its largest.
      for (int i = 0; i < n; ++i) data.push_back(trial == 1 ? 928 : trial == 2 ? 0 : Uniform(0, 928));
      CodewordSequence fast = data;
      CodewordSequence plain = data;
      AppendErrorCorrection(level, fast);
      reference::AppendErrorCorrection(level, plain);
      ASSERT_EQ(fast, plain) << "level " << level << " trial " << trial;
    }
  }
}

TEST(EncoderFastPaths, ErrorCorrectionRefusesAnOutOfRangeCodewordAndLeavesTheList) {
  CodewordSequence data = {3, 929, 5};
  EXPECT_THROW(AppendErrorCorrection(2, data), Error);
  EXPECT_EQ(data, (CodewordSequence{3, 929, 5}));
  data = {3, -1};
  EXPECT_THROW(AppendErrorCorrection(0, data), Error);
  EXPECT_EQ(data.size(), 2u);
}

TEST(EncoderFastPaths, RenderingMatchesThePlainPacking) {
  for (const int columns : {1, 2, 3, 5, 7, 8, 13, 29, 30}) {
    for (const int aspect : {1, 2, 3, 5}) {
      const int level = Uniform(0, 4);
      const int rows = Uniform(3, 30);
      CodewordSequence sequence;
      for (int i = 0; i < rows * columns; ++i) sequence.push_back(Uniform(0, 928));
      ASSERT_EQ(RenderSymbolImage(columns, level, sequence, aspect),
                reference::RenderSymbolImage(columns, level, sequence, aspect))
          << columns << " columns, aspect " << aspect;
    }
  }
}

}  // namespace
}  // namespace pdf417
