// The decoder's one Reed-Solomon decoder over GF(929): the code of every symbol, whose k
// error-correction codewords make the codeword polynomial vanish at 3, 3^2, ..., 3^k.
#pragma once

#include <vector>

namespace pdf417 {

// The largest count of error-correction codewords of any symbol (PDF417 level 8).
constexpr int kMaxErrorCorrection = 512;

// Corrects errors at unknown places and erasures at known places (indices into codewords whose
// values are not known; those values are ignored) in a codeword list whose last k codewords are
// the error-correction ones; the first codeword is the coefficient of the highest power.
//
// It corrects e errors and f erasures while 2e + f <= k - reserve: `reserve` error-correction
// codewords stay to check the result (2 when reading pictures, so that a list with more errors
// than that is refused rather than turned into another symbol's; 0 spends them all), and a
// correction is kept only if every syndrome of the corrected list vanishes.
//
// Returns how many codewords were changed (erased places included), 0 for a consistent list, or
// -1 when the list is not correctable: a value outside 0..928 at a place not erased, an erasure
// index outside the list, k outside 0..kMaxErrorCorrection, too many errata. On -1 the list is
// left exactly as it was.
int CorrectErrata(std::vector<int>& codewords, int k, const std::vector<int>& erasures,
                  int reserve);

}  // namespace pdf417
