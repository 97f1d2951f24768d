// Binarisation for uneven light: each pixel is compared with a threshold from the mean and the
// standard deviation of the grey levels around it (Sauvola's rule), so that a shadow, a light
// gradient or grey paper with grey ink still gives dark bars on light spaces.
#pragma once

#include "pdf417/decoder/binarize/picture.h"

namespace pdf417 {

// Dark where the grey level is below mean * (1 + k (deviation / 128 - 1)) over a square window
// of 2 radius + 1 pixels (0 chooses a radius from the picture's size), with k = 0.1 (a mild lean to
// light, for low contrast); where the window is nearly flat (deviation below 6), dark only below
// the global threshold. Memory beyond the matrix is a few rows of sums.
BitMatrix BinariseLocal(const GreyView& grey, int radius = 0);

}  // namespace pdf417
