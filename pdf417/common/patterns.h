// The PDF417 codeword pattern tables: 929 codewords in each of three clusters.
#pragma once

#include <array>
#include <cstdint>

namespace pdf417 {

constexpr int kClusterCount = 3;
constexpr int kCodewordCount = 929;
constexpr int kModulesPerCodeword = 17;
constexpr int kStartPatternModules = 17;
constexpr int kStopPatternModules = 18;

// One entry of the decoder's table: a pattern value and the codeword plus one.
struct PatternEntry {
  std::int32_t value;
  std::int32_t codewordPlusOne;
};

// Encoder form: 3 x 929 entries of 17 bytes (0 or 1), cluster index 0 first. The bytes of an
// entry hold the modules last module first: byte 16 is the leftmost module, byte 0 the rightmost.
// Entry (c, v) starts at byte c * 15793 + v * 17.
constexpr int kCodewordModulesSize = kClusterCount * kCodewordCount * kModulesPerCodeword;
extern const std::array<std::uint8_t, kCodewordModulesSize> CodewordModules;

// Start and stop patterns, one byte per module, left to right.
extern const std::uint8_t StartPattern[kStartPatternModules];
extern const std::uint8_t StopPattern[kStopPatternModules];

// Decoder form: per cluster index, (pattern value, codeword + 1) in ascending pattern value.
extern const PatternEntry PatternToCodeword[kClusterCount][kCodewordCount];

// The 17-bit pattern value of a codeword in a cluster (leftmost module = bit 16).
std::int32_t PatternValueOf(int clusterIndex, int codeword);

// The one search of a decoder table: the index of the last entry whose value is at most `value`,
// or -1 when the first entry's value is above it.
int PatternIndexAtMost(const PatternEntry (&table)[kCodewordCount], std::int32_t value);

// The codeword whose pattern in the cluster has exactly this value, or -1 when none has.
int CodewordOfPattern(int clusterIndex, std::int32_t value);

}  // namespace pdf417
