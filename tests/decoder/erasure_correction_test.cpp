// Correction of errors and erasures together: random patterns within the capacity are always
// repaired to the original list; beyond it, a claimed success must at least be a consistent list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "pdf417/decoder/correct/error_correction.h"
#include "pdf417/decoder/correct/reed_solomon.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/stages.h"

namespace pdf417 {
namespace {

// A consistent list of random data codewords followed by the k error-correction codewords.
std::vector<int> RandomCodewords(std::mt19937& rng, int dataCount, int level) {
  std::uniform_int_distribution<int> value(0, 928);
  CodewordSequence seq;
  for (int i = 0; i < dataCount; ++i) seq.push_back(value(rng));
  AppendErrorCorrection(level, seq);
  return std::vector<int>(seq.begin(), seq.end());
}

struct Damage {
  std::vector<int> errors;
  std::vector<int> erasures;
};

// Picks errors + erasures distinct places; errors get another value, erasures a wild one
// (an erased value is never read, so it may be anything, -1 included).
Damage Spoil(std::vector<int>& list, std::mt19937& rng, int errors, int erasures) {
  std::vector<int> places(list.size());
  for (std::size_t i = 0; i < places.size(); ++i) places[i] = static_cast<int>(i);
  std::shuffle(places.begin(), places.end(), rng);
  std::uniform_int_distribution<int> delta(1, 928);
  std::uniform_int_distribution<int> wild(-1, 1200);
  Damage d;
  for (int i = 0; i < errors + erasures; ++i) {
    int& c = list[static_cast<std::size_t>(places[static_cast<std::size_t>(i)])];
    if (i < errors) {
      c = (c + delta(rng)) % 929;
      d.errors.push_back(places[static_cast<std::size_t>(i)]);
    } else {
      c = wild(rng);
      d.erasures.push_back(places[static_cast<std::size_t>(i)]);
    }
  }
  return d;
}

TEST(CorrectErrata, EveryPatternWithinCapacityIsRepaired) {
  std::mt19937 rng(1234);
  for (int level = 0; level <= 8; ++level) {
    const int k = ErrorCorrectionCount(level);
    const int budget = k - 2;
    for (int trial = 0; trial < (level < 6 ? 120 : 12); ++trial) {
      const int dataCount = std::uniform_int_distribution<int>(1, 928 - k)(rng);
      const std::vector<int> original = RandomCodewords(rng, dataCount, level);
      const int errors = std::uniform_int_distribution<int>(0, budget / 2)(rng);
      const int erasures = std::uniform_int_distribution<int>(0, budget - 2 * errors)(rng);
      std::vector<int> list = original;
      const Damage d = Spoil(list, rng, errors, erasures);
      // Unsorted, with a repeat: the order and repeats of the places do not matter.
      std::vector<int> given = d.erasures;
      if (!given.empty()) given.push_back(given.front());
      std::shuffle(given.begin(), given.end(), rng);
      const int changed = CorrectErrata(list, k, given, 2);
      ASSERT_EQ(list, original) << "level " << level << ", " << errors << " errors, " << erasures
                                << " erasures";
      // An erased place whose wild value happened to be right is not counted as changed.
      EXPECT_LE(changed, errors + erasures);
      EXPECT_GE(changed, errors);
    }
  }
}

TEST(CorrectErrata, ConsistentListsAndRefusals) {
  std::mt19937 rng(7);
  const std::vector<int> original = RandomCodewords(rng, 20, 2);  // k = 8
  std::vector<int> list = original;
  EXPECT_EQ(CorrectErrata(list, 8, {}, 2), 0);
  EXPECT_EQ(CorrectErrata(list, 8, {3, 5}, 2), 0) << "erased but right: nothing changes";
  EXPECT_EQ(list, original);

  // Too many erasures, places outside the list, values outside the field: refused, untouched.
  std::vector<int> spoiled = original;
  spoiled[0] = 5000;
  spoiled[1] = -1;
  const std::vector<std::vector<int>> refused = {{0, 1, 2, 3, 4, 5, 6}, {1, 40}, {-1, 1}, {1}};
  for (const std::vector<int>& places : refused) {
    std::vector<int> copy = spoiled;
    EXPECT_EQ(CorrectErrata(copy, 8, places, 2), -1);
    EXPECT_EQ(copy, spoiled);
  }
  // The same two places erased are within capacity.
  std::vector<int> copy = spoiled;
  EXPECT_EQ(CorrectErrata(copy, 8, {0, 1}, 2), 2);
  EXPECT_EQ(copy, original);
}

TEST(CorrectErrata, BeyondCapacityNeverClaimsAnInconsistentList) {
  std::mt19937 rng(99);
  int trials = 0;
  int refused = 0;
  int miscorrected = 0;
  for (int level = 1; level <= 5; ++level) {
    const int k = ErrorCorrectionCount(level);
    for (int trial = 0; trial < 400; ++trial) {
      const std::vector<int> original = RandomCodewords(rng, 60, level);
      // Just beyond: 2e + f = k - 1 .. k + 4.
      const int weight = k - 1 + std::uniform_int_distribution<int>(0, 5)(rng);
      const int errors = std::uniform_int_distribution<int>(1, weight / 2)(rng);
      const int erasures = weight - 2 * errors;
      std::vector<int> list = original;
      const Damage d = Spoil(list, rng, errors, erasures);
      const std::vector<int> before = list;
      const int result = CorrectErrata(list, k, d.erasures, 2);
      ++trials;
      if (result < 0) {
        ++refused;
        ASSERT_EQ(list, before) << "a refusal leaves the list as it was";
        continue;
      }
      std::vector<int> check = list;
      ASSERT_EQ(CorrectErrata(check, k, {}, 2), 0) << "a kept correction is consistent";
      if (list != original) ++miscorrected;
    }
  }
  std::printf("beyond capacity: %d trials, %d refused, %d miscorrected\n", trials, refused,
              miscorrected);
  EXPECT_GT(refused, trials * 9 / 10);
}

}  // namespace
}  // namespace pdf417
