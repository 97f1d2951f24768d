#include "pdf417/decoder/binarize/local_threshold.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace pdf417 {

BitMatrix BinariseLocal(const GreyView& grey, int radius) {
  const int w = grey.width;
  const int h = grey.height;
  BitMatrix bits(w, h);
  if (w <= 0 || h <= 0) return bits;
  if (radius <= 0) radius = std::clamp(std::min(w, h) / 25, 12, 64);
  // Column sums of the grey levels and their squares over the window's rows, kept up to date as
  // the window moves down; a row's window sums then slide along the columns.
  std::vector<std::uint64_t> colSum(static_cast<std::size_t>(w), 0);
  std::vector<std::uint64_t> colSq(static_cast<std::size_t>(w), 0);
  auto addRow = [&](int y, int sign) {
    if (y < 0 || y >= h) return;
    const std::uint8_t* row = grey.Row(y);
    for (int x = 0; x < w; ++x) {
      const std::uint64_t g = row[x];
      if (sign > 0) {
        colSum[static_cast<std::size_t>(x)] += g;
        colSq[static_cast<std::size_t>(x)] += g * g;
      } else {
        colSum[static_cast<std::size_t>(x)] -= g;
        colSq[static_cast<std::size_t>(x)] -= g * g;
      }
    }
  };
  for (int y = 0; y < radius && y < h; ++y) addRow(y, 1);
  for (int y = 0; y < h; ++y) {
    addRow(y + radius, 1);
    addRow(y - radius - 1, -1);
    const int y0 = std::max(0, y - radius);
    const int y1 = std::min(h - 1, y + radius);
    const std::uint64_t rowsIn = static_cast<std::uint64_t>(y1 - y0 + 1);
    std::uint64_t sum = 0;
    std::uint64_t sq = 0;
    for (int x = 0; x < radius && x < w; ++x) {
      sum += colSum[static_cast<std::size_t>(x)];
      sq += colSq[static_cast<std::size_t>(x)];
    }
    const std::uint8_t* in = grey.Row(y);
    std::uint8_t* out = bits.Row(y);
    for (int x = 0; x < w; ++x) {
      if (x + radius < w) {
        sum += colSum[static_cast<std::size_t>(x + radius)];
        sq += colSq[static_cast<std::size_t>(x + radius)];
      }
      if (x - radius - 1 >= 0) {
        sum -= colSum[static_cast<std::size_t>(x - radius - 1)];
        sq -= colSq[static_cast<std::size_t>(x - radius - 1)];
      }
      const int x0 = std::max(0, x - radius);
      const int x1 = std::min(w - 1, x + radius);
      const double n = static_cast<double>(rowsIn * static_cast<std::uint64_t>(x1 - x0 + 1));
      const double mean = static_cast<double>(sum) / n;
      const double var = std::max(0.0, static_cast<double>(sq) / n - mean * mean);
      const double dev = std::sqrt(var);
      const double threshold =
          dev < 6 ? static_cast<double>(kGreyThreshold) : mean * (1 + 0.1 * (dev / 128 - 1));
      if (in[x] < threshold) out[x >> 3] |= static_cast<std::uint8_t>(0x80u >> (x & 7));
    }
  }
  return bits;
}

}  // namespace pdf417
