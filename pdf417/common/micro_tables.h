// MicroPDF417's layout, shared by the encoder and the decoder: the 34 sizes with their fixed
// error-correction counts and the RAP numbers and cluster their first row starts from, and the
// 52 left/right and 52 centre row address patterns (RAPs).
//
// A MicroPDF417 row is, from left to right: a left RAP, the data characters (with a centre RAP
// after the first of three columns or the second of four), a right RAP and a one-module stop bar.
// Each RAP is three bars and three spaces, a bar first, 10 modules. From one row to the next every
// RAP number goes on by one (52 is followed by 1) and the cluster by one (0, 3, 6, 0, ...).
#pragma once

#include <array>
#include <cstdint>

namespace pdf417 {

struct MicroSize {
  int columns;
  int rows;
  int errorCorrection;  // fixed count of error-correction codewords
  int leftRap;          // the first row's RAP numbers, 1 .. 52; centreRap 0 without a centre RAP
  int centreRap;
  int rightRap;
  int firstCluster;  // the first row's cluster index: 0, 1, 2 for clusters 0, 3, 6

  int Codewords() const { return columns * rows; }
  int DataCapacity() const { return Codewords() - errorCorrection; }  // data, pads, control block
};

constexpr int kMicroSizeCount = 34;
constexpr int kMicroMaxColumns = 4;
constexpr int kRapCount = 52;
constexpr int kRapModules = 10;

// The sizes by columns, then rows (both ascending).
const std::array<MicroSize, kMicroSizeCount>& MicroSizes();

// The largest size (4 columns x 44 rows, 126 data codewords).
const MicroSize& LargestMicroSize();

// Modules per row, stop bar included: 38, 55, 82 or 99 for 1 to 4 columns.
constexpr int MicroRowWidth(int columns) {
  return kRapModules + 17 * columns + (columns >= 3 ? kRapModules : 0) + kRapModules + 1;
}

// The data column the centre RAP stands before: 1 of three columns, 2 of four; -1 without one.
constexpr int MicroCentreBefore(int columns) { return columns == 3 ? 1 : columns == 4 ? 2 : -1; }

// RAP number `first` moved on by `row` rows (row >= 0): 52 is followed by 1.
constexpr int RapOfRow(int first, int row) { return (first - 1 + row) % kRapCount + 1; }

// A RAP's 10 modules as a number, the leftmost module in bit 9; rap is 1 .. 52.
std::uint32_t SideRapPattern(int rap);
std::uint32_t CentreRapPattern(int rap);

// The inverse: the RAP number (1 .. 52) of a 10-module pattern, 0 when it is none.
int SideRapOfPattern(std::uint32_t pattern);
int CentreRapOfPattern(std::uint32_t pattern);

}  // namespace pdf417
