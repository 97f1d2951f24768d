#include "pdf417/common/patterns.h"

#include <cstddef>

namespace pdf417 {

// Defines kPatternValueByCodeword (internal) and PatternToCodeword.
#include "pdf417/common/pattern_data.inc"

namespace {

// Expands the pattern values into the encoder's reversed one-byte-per-module form.
constexpr std::array<std::uint8_t, kCodewordModulesSize> ExpandModules() {
  std::array<std::uint8_t, kCodewordModulesSize> out{};
  for (int c = 0; c < kClusterCount; ++c) {
    for (int v = 0; v < kCodewordCount; ++v) {
      const std::int32_t value = kPatternValueByCodeword[c][v];
      const std::size_t base =
          static_cast<std::size_t>(c * kCodewordCount + v) * kModulesPerCodeword;
      // Byte i holds bit i of the value, so bit 16 (the leftmost module) lands in byte 16.
      for (int i = 0; i < kModulesPerCodeword; ++i) {
        out[base + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((value >> i) & 1);
      }
    }
  }
  return out;
}

}  // namespace

const std::array<std::uint8_t, kCodewordModulesSize> CodewordModules = ExpandModules();

const std::uint8_t StartPattern[kStartPatternModules] = {1, 1, 1, 1, 1, 1, 1, 1, 0,
                                                         1, 0, 1, 0, 1, 0, 0, 0};
const std::uint8_t StopPattern[kStopPatternModules] = {1, 1, 1, 1, 1, 1, 1, 0, 1,
                                                       0, 0, 0, 1, 0, 1, 0, 0, 1};

std::int32_t PatternValueOf(int clusterIndex, int codeword) {
  return kPatternValueByCodeword[clusterIndex][codeword];
}

int PatternIndexAtMost(const PatternEntry (&table)[kCodewordCount], std::int32_t value) {
  // Halving without branches on the data: base stays the last entry known to be at most value
  // (or the first entry when none is).
  const PatternEntry* base = table;
  for (std::size_t n = kCodewordCount; n > 1;) {
    const std::size_t half = n / 2;
    base = base[half].value <= value ? base + half : base;
    n -= half;
  }
  if (base->value > value) return -1;
  return static_cast<int>(base - table);
}

int CodewordOfPattern(int clusterIndex, std::int32_t value) {
  if (clusterIndex < 0 || clusterIndex >= kClusterCount) return -1;
  const PatternEntry(&table)[kCodewordCount] = PatternToCodeword[clusterIndex];
  const int i = PatternIndexAtMost(table, value);
  if (i < 0 || table[i].value != value) return -1;
  return table[i].codewordPlusOne - 1;
}

}  // namespace pdf417
