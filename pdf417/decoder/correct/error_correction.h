// Error detection and correction: the error-correction level voted from the row indicators, and
// a Reed-Solomon decoder over GF(929) that repairs the codeword list in place.
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
// error-correction codewords, 0..512; 0 does nothing). The first element is the coefficient of
// the highest power. Returns the number of codewords corrected (0 when the list is consistent),
// or -1 when the errors cannot be corrected; the list is then left exactly as it was. A
// correction is kept only when the corrected list is consistent, so every value written is
// 0..928. A list holding a value outside 0..928 is not correctable. Throws pdf417::Error for n
// outside 0..512.
int CorrectErrors(LinkedList<int>& codewords, int n);

// Corrects errors at unknown places and erasures (codewords known to be unread, at the given
// indices into codewords; their values are ignored) with the list's last k codewords the
// error-correction ones. It corrects e errors and f erasures while 2e + f <= k - 2: two
// error-correction codewords always stay to check the result, and a correction is kept only if
// every syndrome of the corrected list vanishes. Returns how many codewords were changed, or -1
// when the list is not correctable (a value outside 0..928 at a place not erased, an erasure
// index outside the list, too many errata); the list is then left exactly as it was.
int CorrectErrorsAndErasures(std::vector<int>& codewords, int k,
                             const std::vector<int>& erasurePositions);

}  // namespace pdf417
