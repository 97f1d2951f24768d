// Binarisation for uneven light: each pixel is compared with a threshold from the mean and the
// standard deviation of the grey levels around it (Sauvola's rule), so that a shadow, a light
// gradient or grey paper with grey ink still gives dark bars on light spaces.
#pragma once

#include <cstdint>

#include "pdf417/decoder/binarize/picture.h"

namespace pdf417 {

// Side of the blocks the local threshold is computed for.
constexpr int kLocalBlock = 8;

// Dark where the grey level is below mean * (1 + k (deviation / 128 - 1)), with k = 0.1 (a mild
// lean to light, for low contrast), the mean and deviation taken over the square of blocks of
// kLocalBlock pixels within `radius` blocks of the pixel's own block (0 chooses a radius of about a
// twenty-fifth of the picture's smaller side); where that square is nearly flat (deviation below
// 6), dark only below the global threshold. Each pixel of a block has its block's threshold: one
// pass over the pixels for the blocks' sums, one to compare. A light border of `border` pixels goes
// round the picture, as BinariseGlobal's.
BitMatrix BinariseLocal(const GreyView& grey, int radius = 0, int border = 0);

// The share of pixels (0 .. 1) that two matrices of one size set differently.
double DifferentShare(const BitMatrix& a, const BitMatrix& b);

}  // namespace pdf417
