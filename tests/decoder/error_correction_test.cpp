// The level vote over the row indicators and the Reed-Solomon correction of codeword lists.
#include "pdf417/decoder/correct/error_correction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "pdf417/common/error.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/stages.h"

namespace pdf417 {
namespace {

using Seq = std::vector<std::int32_t>;

// A complete, consistent codeword list: descriptor, data, pads and error correction.
Seq ValidCodewords(const std::string& text, int columns, int level) {
  Seq seq;
  CompactBytes(reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<int>(text.size()),
               columns, level, seq);
  AppendErrorCorrection(level, seq);
  return seq;
}

LinkedList<int> ToList(const Seq& values) {
  LinkedList<int> list;
  for (const std::int32_t v : values) list.Append(v);
  return list;
}

Seq ToSeq(LinkedList<int>& list) {
  Seq out;
  for (list.Reset(0); !list.AtEnd(); list.Advance()) out.push_back(list.Data());
  return out;
}

// Corrupts the codeword at index by adding delta (1..928) in the field.
Seq WithError(Seq seq, std::size_t index, std::int32_t delta) {
  seq[index] = (seq[index] + delta) % 929;
  return seq;
}

TEST(CorrectErrors, ConsistentListIsLeftAlone) {
  const Seq valid = ValidCodewords("The quick brown fox", 4, 2);
  LinkedList<int> list = ToList(valid);
  EXPECT_EQ(CorrectErrors(list, 8), 0);
  EXPECT_EQ(ToSeq(list), valid);
}

TEST(CorrectErrors, NothingToDoWithoutSyndromesOrCodewords) {
  // A damaged list with n = 0 (negative level) is returned as it is.
  const Seq damaged = WithError(ValidCodewords("abc", 2, 0), 1, 5);
  LinkedList<int> list = ToList(damaged);
  EXPECT_EQ(CorrectErrors(list, 0), 0);
  EXPECT_EQ(ToSeq(list), damaged);

  LinkedList<int> empty;
  EXPECT_EQ(CorrectErrors(empty, 4), 0);
  EXPECT_EQ(empty.Size(), 0);
}

TEST(CorrectErrors, RejectsImpossibleSyndromeCounts) {
  LinkedList<int> list = ToList(ValidCodewords("abc", 2, 0));
  EXPECT_THROW(CorrectErrors(list, -2), Error);
  EXPECT_THROW(CorrectErrors(list, 1024), Error);
}

TEST(CorrectErrors, SingleErrorAnywhereIsRestored) {
  // Every position, the length descriptor (highest power) and the last error-correction
  // codeword (power 0) included, with small and large error values.
  for (const int level : {0, 1, 3}) {
    const Seq valid = ValidCodewords("Hello, PDF417!", 3, level);
    const int n = 2 << level;
    for (std::size_t i = 0; i < valid.size(); ++i) {
      for (const std::int32_t delta : {1, 464, 928}) {
        LinkedList<int> list = ToList(WithError(valid, i, delta));
        ASSERT_EQ(CorrectErrors(list, n), 1) << "level " << level << " index " << i;
        ASSERT_EQ(ToSeq(list), valid) << "level " << level << " index " << i;
      }
    }
  }
}

TEST(CorrectErrors, LevelZeroCorrectsOneAndLevelOneTwo) {
  const Seq valid0 = ValidCodewords("level zero", 2, 0);
  LinkedList<int> one = ToList(WithError(valid0, 3, 100));
  EXPECT_EQ(CorrectErrors(one, 2), 1);
  EXPECT_EQ(ToSeq(one), valid0);

  // Every pair of positions of a level 1 list.
  const Seq valid1 = ValidCodewords("level one", 2, 1);
  for (std::size_t i = 0; i < valid1.size(); ++i) {
    for (std::size_t j = i + 1; j < valid1.size(); ++j) {
      LinkedList<int> list = ToList(WithError(WithError(valid1, i, 7), j, 600));
      ASSERT_EQ(CorrectErrors(list, 4), 2) << i << ", " << j;
      ASSERT_EQ(ToSeq(list), valid1) << i << ", " << j;
    }
  }
}

TEST(CorrectErrors, HalfTheSyndromeCountIsCorrectedAtHigherLevels) {
  std::mt19937 rng(417);
  const std::string text(300, 'x');
  for (const int level : {4, 6}) {
    const Seq valid = ValidCodewords(text, 10, level);
    const int n = 2 << level;
    Seq damaged = valid;
    std::vector<std::size_t> order(valid.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), rng);
    for (int k = 0; k < n / 2; ++k) {
      damaged[order[static_cast<std::size_t>(k)]] = (damaged[order[static_cast<std::size_t>(k)]] +
                                                     1 + static_cast<std::int32_t>(rng() % 928)) %
                                                    929;
    }
    LinkedList<int> list = ToList(damaged);
    EXPECT_EQ(CorrectErrors(list, n), n / 2) << "level " << level;
    EXPECT_EQ(ToSeq(list), valid) << "level " << level;
  }
}

TEST(CorrectErrors, TooManyErrorsNeverCorruptTheList) {
  // With more errors than n / 2 the result is -1 (list as read) or a correction to some
  // consistent list; never a value outside 0..928.
  std::mt19937 rng(929);
  const Seq valid = ValidCodewords("too many errors here", 3, 1);
  int refused = 0;
  for (int trial = 0; trial < 300; ++trial) {
    Seq damaged = valid;
    const int errors = 3 + static_cast<int>(rng() % 4);
    for (int k = 0; k < errors; ++k) {
      const std::size_t at = rng() % damaged.size();
      damaged[at] = (damaged[at] + 1 + static_cast<std::int32_t>(rng() % 928)) % 929;
    }
    LinkedList<int> list = ToList(damaged);
    const int result = CorrectErrors(list, 4);
    const Seq after = ToSeq(list);
    if (result == -1) {
      ++refused;
      ASSERT_EQ(after, damaged);
      continue;
    }
    for (const std::int32_t v : after) ASSERT_TRUE(v >= 0 && v <= 928);
    LinkedList<int> again = ToList(after);
    ASSERT_EQ(CorrectErrors(again, 4), 0) << "a kept correction must be consistent";
  }
  EXPECT_GT(refused, 0);
}

std::int32_t PowerOf3(int exponent) {
  std::int32_t v = 1;
  for (int i = 0; i < exponent % 928; ++i) v = v * 3 % 929;
  return v;
}

TEST(CorrectErrors, NeverChangesMoreThanHalfTheSyndromeCount) {
  // n syndromes correct at most n / 2 codewords. Two errors chosen so that the first of two
  // syndromes vanishes give a locator of degree 2; following it would trade the list for some
  // other consistent one, a guess, so it is refused. Codeword k stands for the power
  // size - 1 - k; the errors a x^p + b x^q vanish at 3 when b = -a 3^(p - q). In a long list
  // the roots of such a locator often fall on codewords of the list.
  std::mt19937 rng(417);
  const Seq valid = ValidCodewords(std::string(1000, 'q'), 30, 0);  // 840 codewords
  const int size = static_cast<int>(valid.size());
  for (int trial = 0; trial < 300; ++trial) {
    const int i = static_cast<int>(rng() % static_cast<unsigned>(size));
    const int j = (i + 1 + static_cast<int>(rng() % static_cast<unsigned>(size - 1))) % size;
    const int p = size - 1 - i;
    const int q = size - 1 - j;
    const std::int32_t a = 1 + static_cast<std::int32_t>(rng() % 928);
    const std::int32_t b = (929 - a * PowerOf3(p + 928 - q) % 929) % 929;
    const Seq damaged =
        WithError(WithError(valid, static_cast<std::size_t>(i), a), static_cast<std::size_t>(j), b);
    LinkedList<int> list = ToList(damaged);
    const int result = CorrectErrors(list, 2);
    ASSERT_LE(result, 1) << "trial " << trial;
    if (result == -1) {
      ASSERT_EQ(ToSeq(list), damaged);
    }
  }
  // One syndrome corrects nothing (found by fuzzing: [1] with n = 1 became [0]).
  LinkedList<int> one = ToList({1});
  EXPECT_EQ(CorrectErrors(one, 1), -1);
  EXPECT_EQ(ToSeq(one), Seq{1});
}

TEST(CorrectErrors, LocatedCorrectionThatLeavesSyndromesIsRefused) {
  // Noise whose error locator has degree 1 with one root, although two syndrome pairs disagree:
  // the one located correction does not make this list consistent.
  const Seq noise{744, 492, 648, 612, 674, 887, 61,  891, 584,
                  547, 695, 139, 197, 543, 164, 866, 503};
  LinkedList<int> list = ToList(noise);
  EXPECT_EQ(CorrectErrors(list, 4), -1);
  EXPECT_EQ(ToSeq(list), noise);
}

TEST(CorrectErrors, ValuesOutsideTheFieldAreNotCorrectable) {
  Seq bad = ValidCodewords("abc", 2, 0);
  bad[1] = 929;
  LinkedList<int> list = ToList(bad);
  EXPECT_EQ(CorrectErrors(list, 2), -1);
  EXPECT_EQ(ToSeq(list), bad);
}

TEST(LevelVote, TiesGoToTheKeyVotedFirst) {
  CountMost votes;
  for (const int key : {1, 2, 2, 1}) Tally(votes, key);
  EXPECT_EQ(Winner(votes), 1);
  EXPECT_EQ(votes.best, 1);

  CountMost three;
  for (const int key : {1, 2, 2}) Tally(three, key);
  EXPECT_EQ(Winner(three), 2);

  CountMost none;
  EXPECT_EQ(Winner(none), 0);
}

// A codeword matrix of R rows and K columns whose voting indicators say the given levels.
LinearDecode MatrixWithVotes(std::int32_t rows, std::int32_t cols, const std::vector<int>& levels) {
  LinkedList<AryRegion> rowList;
  LinkedList<AryRegion> colList;
  for (int i = 0; i < rows; ++i) rowList.Append(AryRegion{i, i, 1});
  for (int j = 0; j < cols; ++j) colList.Append(AryRegion{j, j, 1});
  LinearDecode matrix(rows, cols, rowList, colList);
  std::size_t next = 0;
  for (int i = 0; i < rows; ++i) {
    std::vector<std::int32_t>& row = matrix.codewordGrid[static_cast<std::size_t>(i)];
    // Rows that cast no vote and unused indicators hold values that would vote 7.
    const std::int32_t decoy = 30 * (i / 3) + 3 * 7 + (rows - 1) % 3;
    row[1] = decoy;
    row[static_cast<std::size_t>(cols - 2)] = decoy;
    if (i % 3 == 0) continue;
    const std::int32_t indicator = 30 * (i / 3) + 3 * levels.at(next++) + (rows - 1) % 3;
    row[i % 3 == 1 ? 1 : static_cast<std::size_t>(cols - 2)] = indicator;
  }
  EXPECT_EQ(next, levels.size());
  return matrix;
}

TEST(ReadLevel, VotesOverRowIndicators) {
  // Rows 1, 2, 4, 5 vote; rows 0 and 3 never do.
  LinearDecode tie = MatrixWithVotes(6, 7, {1, 2, 2, 1});
  ReadLevel(tie);
  EXPECT_EQ(tie.ecLevel, 1);
  EXPECT_EQ(tie.levelCandidates, (std::vector<std::int32_t>{1, 2}));

  LinearDecode majority = MatrixWithVotes(5, 7, {1, 2, 2});
  ReadLevel(majority);
  EXPECT_EQ(majority.ecLevel, 2);
  EXPECT_EQ(majority.levelCandidates, (std::vector<std::int32_t>{2, 1}));

  LinearDecode oneRow = MatrixWithVotes(1, 7, {});
  oneRow.ecLevel = 5;
  ReadLevel(oneRow);
  EXPECT_EQ(oneRow.ecLevel, 0);
  EXPECT_TRUE(oneRow.levelCandidates.empty());
}

TEST(ReadLevel, KeepsLevelsOutsideTheRange) {
  LinearDecode high = MatrixWithVotes(3, 6, {12, 12});
  ReadLevel(high);
  EXPECT_EQ(high.ecLevel, 12);
  EXPECT_TRUE(high.levelCandidates.empty());  // no level to try

  // A damaged indicator far below the row's base gives a negative level.
  // Rows 4 and 5 then vote (0 - 30 - 2) / 3 = -10 and outvote rows 1 and 2.
  LinearDecode low = MatrixWithVotes(6, 6, {3, 4, 0, 0});
  low.codewordGrid[4][1] = 0;
  low.codewordGrid[5][4] = 0;
  ReadLevel(low);
  EXPECT_EQ(low.ecLevel, -10);
  // The levels that are levels at all stay candidates, in the order voted.
  EXPECT_EQ(low.levelCandidates, (std::vector<std::int32_t>{3, 4}));
}

TEST(ReadLevel, NarrowGridsDoNotReadOutsideTheirRows) {
  LinearDecode narrow(
      3, 1,
      [] {
        LinkedList<AryRegion> l;
        for (int i = 0; i < 3; ++i) l.Append(AryRegion{i, i, 1});
        return l;
      }(),
      [] {
        LinkedList<AryRegion> l;
        l.Append(AryRegion{0, 0, 1});
        return l;
      }());
  ReadLevel(narrow);
  EXPECT_EQ(narrow.ecLevel, 0);
}

}  // namespace
}  // namespace pdf417
