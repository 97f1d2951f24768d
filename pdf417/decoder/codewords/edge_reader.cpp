#include "pdf417/decoder/codewords/edge_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "pdf417/common/patterns.h"

namespace pdf417 {
namespace {

// One pattern of the table: its six edge-to-edge sums as a key, and its module widths.
struct EdgeEntry {
  std::uint32_t key;
  std::int16_t codeword;
  std::int8_t cluster;
  std::array<std::int8_t, 8> widths;
};

// The six sums, four bits each. A sum of two elements is 2..12 modules.
std::uint32_t KeyOf(const std::array<int, 6>& sums) {
  std::uint32_t key = 0;
  for (int s : sums) key = (key << 4) | static_cast<std::uint32_t>(s & 15);
  return key;
}

std::vector<EdgeEntry> BuildTable() {
  std::vector<EdgeEntry> table;
  table.reserve(kClusterCount * kCodewordCount);
  for (int cluster = 0; cluster < kClusterCount; ++cluster) {
    for (int codeword = 0; codeword < kCodewordCount; ++codeword) {
      const std::int32_t value = PatternValueOf(cluster, codeword);
      EdgeEntry entry{};
      int element = 0;
      for (int bit = kModulesPerCodeword - 1; bit >= 0; --bit) {
        const bool dark = (value >> bit) & 1;
        if (bit < kModulesPerCodeword - 1 && dark != (((value >> (bit + 1)) & 1) != 0)) ++element;
        if (element < 8) ++entry.widths[static_cast<std::size_t>(element)];
      }
      std::array<int, 6> sums{};
      for (std::size_t i = 0; i < 6; ++i) sums[i] = entry.widths[i] + entry.widths[i + 1];
      entry.key = KeyOf(sums);
      entry.codeword = static_cast<std::int16_t>(codeword);
      entry.cluster = static_cast<std::int8_t>(cluster);
      table.push_back(entry);
    }
  }
  std::sort(table.begin(), table.end(),
            [](const EdgeEntry& a, const EdgeEntry& b) { return a.key < b.key; });
  return table;
}

// Built once on first use and never changed: shared read-only by every decode.
const std::vector<EdgeEntry>& Table() {
  static const std::vector<EdgeEntry> table = BuildTable();
  return table;
}

}  // namespace

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
  const std::uint32_t key = KeyOf(sums);
  const std::vector<EdgeEntry>& table = Table();
  auto range =
      std::equal_range(table.begin(), table.end(), EdgeEntry{key, 0, 0, {}},
                       [](const EdgeEntry& a, const EdgeEntry& b) { return a.key < b.key; });
  // Several patterns share the sums only when their first bars differ: the measured widths
  // choose, and a tie is no reading.
  EdgeReading best;
  double bestError = 1e9;
  bool tie = false;
  for (auto it = range.first; it != range.second; ++it) {
    double error = 0;
    for (std::size_t i = 0; i < 8; ++i) error += std::fabs(widths[i] * scale - it->widths[i]);
    if (error < bestError - 1e-9) {
      bestError = error;
      best = EdgeReading{it->codeword, it->cluster};
      tie = false;
    } else if (error < bestError + 1e-9) {
      tie = true;
    }
  }
  return tie ? EdgeReading{} : best;
}

}  // namespace pdf417
