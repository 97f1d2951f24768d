#include "pdf417/decoder/correct/error_correction.h"

#include <algorithm>
#include <string>
#include <vector>

#include "pdf417/common/error.h"
#include "pdf417/common/symbol_geometry.h"
#include "pdf417/decoder/correct/reed_solomon.h"

namespace pdf417 {

void Tally(CountMost& votes, std::int32_t key) {
  MyLinkedList<OccurCnt>& entries = votes.entries;
  for (entries.Reset(0); !entries.AtEnd(); entries.Advance()) {
    const OccurCnt entry = entries.Data();
    if (entry.key == key) {
      entries.SetAtCursor(entry.count + 1, key);
      return;
    }
  }
  entries.Append(OccurCnt{0, key});
}

std::int32_t Winner(CountMost& votes) {
  MyLinkedList<OccurCnt>& entries = votes.entries;
  if (entries.Size() == 0) {
    votes.best = 0;
    return 0;
  }
  entries.Reset(0);
  OccurCnt choice = entries.Data();
  for (; !entries.AtEnd(); entries.Advance()) {
    if (entries.Data().count > choice.count) choice = entries.Data();
  }
  votes.best = choice.count;
  return choice.key;
}

void ReadLevel(LinearDecode& matrix) {
  const std::int32_t rows = matrix.rowCount;
  const std::int32_t cols = matrix.colCount;
  CountMost votes;
  for (std::int32_t i = 0; i < rows; ++i) {
    // Rows 1, 4, 7, ... carry the level in the left indicator, rows 2, 5, 8, ... in the right.
    std::int32_t column = -1;
    if (LeftIndicatorFact(i) == IndicatorFact::Level) column = 1;
    if (RightIndicatorFact(i) == IndicatorFact::Level) column = cols - 2;
    if (column < 0 || column >= cols) continue;
    const std::int32_t indicator =
        matrix.codewordGrid[static_cast<std::size_t>(i)][static_cast<std::size_t>(column)];
    Tally(votes, LevelFromIndicator(i, indicator, rows));
  }
  matrix.ecLevel = Winner(votes);

  // Every level of 0..8 voted for, most votes first; equal votes in the order of the first vote,
  // so that the winner leads whenever it is a level at all.
  std::vector<OccurCnt> tallies;
  MyLinkedList<OccurCnt>& entries = votes.entries;
  for (entries.Reset(0); !entries.AtEnd(); entries.Advance()) {
    const OccurCnt entry = entries.Data();
    if (entry.key >= kMinLevel && entry.key <= kMaxLevel) tallies.push_back(entry);
  }
  std::stable_sort(tallies.begin(), tallies.end(),
                   [](const OccurCnt& a, const OccurCnt& b) { return a.count > b.count; });
  matrix.levelCandidates.clear();
  for (const OccurCnt& entry : tallies) matrix.levelCandidates.push_back(entry.key);
}

int CorrectErrors(LinkedList<int>& codewords, int n) {
  if (n < 0 || n > kMaxErrorCorrection) {
    throw Error(ErrorCode::InvalidArgument,
                "count of error-correction codewords must be 0 to 512, not " + std::to_string(n));
  }
  if (n == 0 || codewords.Size() == 0) return 0;
  std::vector<int> list;
  list.reserve(static_cast<std::size_t>(codewords.Size()));
  for (codewords.Reset(0); !codewords.AtEnd(); codewords.Advance())
    list.push_back(codewords.Data());
  // Every error-correction codeword corrects: n syndromes locate up to n / 2 errors.
  const int changed = CorrectErrata(list, n, {}, 0);
  if (changed <= 0) return changed;
  std::size_t k = 0;
  for (codewords.Reset(0); !codewords.AtEnd(); codewords.Advance()) codewords.Data() = list[k++];
  return changed;
}

}  // namespace pdf417
