// Error detection and correction of the classic reading: the error-correction level voted from
// the row indicators, and the codeword list repaired in place.
#pragma once

#include <cstdint>
#include <vector>

#include "pdf417/common/linked_list.h"
#include "pdf417/decoder/classic/linear_decode.h"

namespace pdf417 {

// A vote: the keys in the order of their first vote, each with its votes minus one.
struct CountMost {
  std::int32_t best = 0;  // the winner's count, set by Winner
  MyLinkedList<OccurCnt> entries;
};

// One vote for key: a known key gains one, a new key is appended with count 0.
void Tally(CountMost& votes, std::int32_t key);
// The key with the most votes; ties go to the key voted first. 0 when nobody voted.
std::int32_t Winner(CountMost& votes);

// Votes the error-correction level from the row indicators of codewordGrid and stores it in
// ecLevel: rows 1, 4, 7, ... vote with their left indicator, rows 2, 5, 8, ... with their right
// one. The result is not range-checked; a damaged indicator can give a level outside 0..8.
// The same vote fills levelCandidates: the levels 0..8 voted for, most votes first.
void ReadLevel(LinearDecode& matrix);

// Corrects the codeword list in place, using n syndromes (the symbol's count of
// error-correction codewords, 0..512; 0 does nothing): the Reed-Solomon decoder of
// reed_solomon.h with every error-correction codeword spent on correction. The first element is
// the coefficient of the highest power. Returns the number of codewords corrected (0 when the list
// is consistent), or -1 when the errors cannot be corrected; the list is then left exactly as it
// was. A correction is kept only when the corrected list is consistent, so every value written is
// 0..928. A list holding a value outside 0..928 is not correctable. Throws pdf417::Error for n
// outside 0..512.
int CorrectErrors(LinkedList<int>& codewords, int n);

}  // namespace pdf417
