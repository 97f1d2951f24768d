// MicroPDF417's sizes and row address patterns.
#include "pdf417/common/micro_tables.h"

namespace pdf417 {
namespace {

// columns, rows, error-correction codewords, the first row's left, centre and right RAP, and
// the first row's cluster index. A reader tells the size from where its RAPs start.
constexpr std::array<MicroSize, kMicroSizeCount> kSizes = {{
    {1, 11, 7, 1, 0, 9, 0},     {1, 14, 7, 8, 0, 8, 1},     {1, 17, 7, 36, 0, 36, 2},
    {1, 20, 8, 19, 0, 19, 0},   {1, 24, 8, 9, 0, 17, 2},    {1, 28, 8, 25, 0, 33, 0},
    {2, 8, 8, 1, 0, 1, 0},      {2, 11, 9, 1, 0, 9, 0},     {2, 14, 9, 8, 0, 8, 1},
    {2, 17, 10, 36, 0, 36, 2},  {2, 20, 11, 19, 0, 19, 0},  {2, 23, 13, 9, 0, 17, 2},
    {2, 26, 15, 27, 0, 35, 2},  {3, 6, 12, 1, 1, 1, 0},     {3, 8, 14, 7, 7, 7, 0},
    {3, 10, 16, 15, 15, 15, 2}, {3, 12, 18, 25, 25, 25, 0}, {3, 15, 21, 37, 37, 37, 0},
    {3, 20, 26, 1, 17, 33, 0},  {3, 26, 32, 1, 9, 17, 0},   {3, 32, 38, 21, 29, 37, 2},
    {3, 38, 44, 15, 31, 47, 2}, {3, 44, 50, 1, 25, 49, 0},  {4, 4, 8, 47, 19, 43, 1},
    {4, 6, 12, 1, 1, 1, 0},     {4, 8, 14, 7, 7, 7, 0},     {4, 10, 16, 15, 15, 15, 2},
    {4, 12, 18, 25, 25, 25, 0}, {4, 15, 21, 37, 37, 37, 0}, {4, 20, 26, 1, 17, 33, 0},
    {4, 26, 32, 1, 9, 17, 0},   {4, 32, 38, 21, 29, 37, 2}, {4, 38, 44, 15, 31, 47, 2},
    {4, 44, 50, 1, 25, 49, 0},
}};

// The left and right RAPs: three bars and three spaces, a bar first, 10 modules.
constexpr std::array<std::uint16_t, kRapCount> kSideRaps = {
    0b1100100010, 0b1110100010, 0b1110110010, 0b1100110010, 0b1101110010, 0b1101111010,
    0b1100111010, 0b1110111010, 0b1110011010, 0b1111011010, 0b1111001010, 0b1110001010,
    0b1100001010, 0b1100011010, 0b1100010010, 0b1110010010, 0b1111010010, 0b1111010110,
    0b1111010100, 0b1110010100, 0b1110110100, 0b1110100100, 0b1110100110, 0b1110101110,
    0b1110101100, 0b1110101000, 0b1100101000, 0b1100101100, 0b1100101110, 0b1100100110,
    0b1100110110, 0b1110110110, 0b1110010110, 0b1100010110, 0b1100010100, 0b1100110100,
    0b1101110100, 0b1101100100, 0b1101100110, 0b1101101110, 0b1101101100, 0b1101101000,
    0b1101001000, 0b1101011000, 0b1101011100, 0b1101011110, 0b1101001110, 0b1101001100,
    0b1101000100, 0b1101000110, 0b1101000010, 0b1101100010,
};

// The centre RAPs: the same frame, their own 52 patterns (each begins with a one-module bar).
constexpr std::array<std::uint16_t, kRapCount> kCentreRaps = {
    0b1011001110, 0b1001001110, 0b1001101110, 0b1000101110, 0b1000100110, 0b1000110110,
    0b1000010110, 0b1000010010, 0b1000011010, 0b1000111010, 0b1000110010, 0b1000100010,
    0b1001100010, 0b1001110010, 0b1001111010, 0b1011111010, 0b1011110010, 0b1011110110,
    0b1001110110, 0b1001110100, 0b1001100100, 0b1001100110, 0b1001000110, 0b1001000010,
    0b1011000010, 0b1011100010, 0b1011100110, 0b1011100100, 0b1011101100, 0b1001101100,
    0b1000101100, 0b1000101000, 0b1001101000, 0b1011101000, 0b1011001000, 0b1011001100,
    0b1011000100, 0b1011000110, 0b1010000110, 0b1010001110, 0b1010001100, 0b1010011100,
    0b1010011000, 0b1010111000, 0b1010110000, 0b1010010000, 0b1011010000, 0b1001010000,
    0b1001011000, 0b1001011100, 0b1011011100, 0b1011011110,
};

int RapOf(const std::array<std::uint16_t, kRapCount>& table, std::uint32_t pattern) {
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i] == pattern) return static_cast<int>(i) + 1;
  }
  return 0;
}

}  // namespace

const std::array<MicroSize, kMicroSizeCount>& MicroSizes() { return kSizes; }

const MicroSize& LargestMicroSize() { return kSizes.back(); }

std::uint32_t SideRapPattern(int rap) { return kSideRaps.at(static_cast<std::size_t>(rap - 1)); }

std::uint32_t CentreRapPattern(int rap) {
  return kCentreRaps.at(static_cast<std::size_t>(rap - 1));
}

int SideRapOfPattern(std::uint32_t pattern) { return RapOf(kSideRaps, pattern); }

int CentreRapOfPattern(std::uint32_t pattern) { return RapOf(kCentreRaps, pattern); }

}  // namespace pdf417
