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
      const std::size_t base = static_cast<std::size_t>(c * kCodewordCount + v) * kModulesPerCodeword;
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

}  // namespace pdf417
