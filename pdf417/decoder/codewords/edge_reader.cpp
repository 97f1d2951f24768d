#include "pdf417/decoder/codewords/edge_reader.h"

#include <cmath>
#include <cstdint>

#include "pdf417/common/patterns.h"

namespace pdf417 {
namespace {

// The pattern value of eight module widths, bar first, leftmost module in bit 16; -1 when they
// are no pattern's (an element outside 1..6, or a sum other than 17).
std::int32_t ValueOf(const std::array<int, 8>& widths) {
  int total = 0;
  for (int w : widths) {
    if (w < 1 || w > 6) return -1;
    total += w;
  }
  // Checked before the bits are gathered: 17 modules fit, wider sums would overflow.
  if (total != kModulesPerCodeword) return -1;
  std::int32_t value = 0;
  for (std::size_t i = 0; i < 8; ++i) {
    const int w = widths[i];
    value = (value << w) | (i % 2 == 0 ? (1 << w) - 1 : 0);
  }
  return value;
}

// The cluster index a pattern's bars give: (b1 - b2 + b3 - b4 + 9) mod 9 is 0, 3 or 6.
int ClusterOf(const std::array<int, 8>& widths) {
  const int k = (widths[0] - widths[2] + widths[4] - widths[6] + 9) % 9;
  return k % 3 == 0 ? k / 3 : -1;
}

}  // namespace

EdgeReading ReadCodewordByModules(const std::array<int, 8>& widths) {
  const std::int32_t value = ValueOf(widths);
  const int cluster = ClusterOf(widths);
  if (value < 0 || cluster < 0) return {};
  const int codeword = CodewordOfPattern(cluster, value);
  return codeword < 0 ? EdgeReading{} : EdgeReading{codeword, cluster};
}

EdgeReading ReadCodewordByEdges(const std::array<double, 8>& widths) {
  double total = 0;
  for (double w : widths) {
    if (!(w > 0)) return {};
    total += w;
  }
  const double scale = kModulesPerCodeword / total;
  std::array<int, 6> sums{};
  for (std::size_t i = 0; i < 6; ++i) {
    const double s = (widths[i] + widths[i + 1]) * scale;
    const int rounded = static_cast<int>(std::lround(s));
    // Halfway between two sums is no reading.
    if (std::fabs(s - rounded) > 0.42 || rounded < 2 || rounded > 12) return {};
    sums[i] = rounded;
  }
  // The six sums fix every width once the first is chosen: each choice of the first bar that
  // gives a pattern of the table is a candidate, and the measured widths choose among them (a tie
  // is no reading).
  EdgeReading best;
  double bestError = 1e9;
  bool tie = false;
  for (int first = 1; first <= 6; ++first) {
    std::array<int, 8> modules{};
    modules[0] = first;
    int sum = first;
    for (std::size_t i = 0; i < 6; ++i) {
      modules[i + 1] = sums[i] - modules[i];
      sum += modules[i + 1];
    }
    modules[7] = kModulesPerCodeword - sum;
    const EdgeReading r = ReadCodewordByModules(modules);
    if (r.codeword < 0) continue;
    double error = 0;
    for (std::size_t i = 0; i < 8; ++i) error += std::fabs(widths[i] * scale - modules[i]);
    if (error < bestError - 1e-9) {
      bestError = error;
      best = r;
      tie = false;
    } else if (error < bestError + 1e-9) {
      tie = true;
    }
  }
  return tie ? EdgeReading{} : best;
}

}  // namespace pdf417
