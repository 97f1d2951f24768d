// Binarisation for uneven light: each pixel is compared with the mean grey level around it, so
// that a shadow, a light gradient or grey paper with faint grey ink still gives dark bars on light
// spaces.
#pragma once

#include <cstdint>

#include "pdf417/decoder/binarize/picture.h"

namespace pdf417 {

// Side of the blocks the local threshold is computed for.
constexpr int kLocalBlock = 8;

// Dark where the grey level is below the mean over the square of blocks of kLocalBlock pixels
// within `radius` blocks of the pixel's own block (0 chooses a radius of about a twenty-fifth of
// the picture's smaller side). Inside a symbol that square holds bars and spaces alike, so its mean
// lies between ink and paper however little they differ (a lean to light, as in rules made for
// text, puts faint ink on the light side). Where the square is nearly flat (standard deviation
// below 6), dark only below the global threshold. Each pixel of a block has its block's threshold:
// one pass over the pixels for the blocks' sums, one to compare. A light border of `border` pixels
// goes round the picture, as BinariseGlobal's.
BitMatrix BinariseLocal(const GreyView& grey, int radius = 0, int border = 0);

// The share of pixels (0 .. 1) that two matrices of one size set differently.
double DifferentShare(const BitMatrix& a, const BitMatrix& b);

}  // namespace pdf417
