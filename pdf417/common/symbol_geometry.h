// What the encoder and the decoder must agree on about a symbol's layout: the limits of its shape,
// the number of error-correction codewords of a level, the row indicators and how to read them
// back, and the start and stop patterns as bar and space widths.
#pragma once

#include <array>
#include <cstdint>

namespace pdf417 {

// The symbologies of the codec: PDF417; compact PDF417 (no right row indicator, a one-module stop
// bar); or MicroPDF417: 1 to 4 columns, 34 fixed sizes of 4 to 44 rows, row address patterns
// instead of start and stop patterns and row indicators, a fixed error-correction count per size.
enum class Symbology { Pdf417, CompactPdf417, MicroPdf417 };

constexpr int kMinColumns = 1;  // data columns
constexpr int kMaxColumns = 30;
constexpr int kMinLevel = 0;  // error-correction levels
constexpr int kMaxLevel = 8;
constexpr int kMinRows = 3;
constexpr int kMaxRows = 90;
constexpr int kMaxCodewords = 928;  // data, padding and error correction together

// Number of error-correction codewords of a level: 2 to the power (level + 1).
constexpr int ErrorCorrectionCount(int level) { return 1 << (level + 1); }

// The codewords of the left and right row indicator of a row.
struct RowIndicators {
  int left = 0;
  int right = 0;
};

// Row r (0-based) of a symbol of `rows` rows, `columns` data columns and level `level`: every
// indicator is 30 x (r / 3) plus one of three facts, chosen by the row's cluster (r mod 3):
//   cluster 0: left (rows - 1) / 3,              right columns - 1
//   cluster 1: left 3 level + (rows - 1) mod 3,  right (rows - 1) / 3
//   cluster 2: left columns - 1,                 right 3 level + (rows - 1) mod 3
constexpr RowIndicators RowIndicatorsOf(int row, int rows, int columns, int level) {
  const int base = 30 * (row / 3);
  const int rowFact = base + (rows - 1) / 3;
  const int levelFact = base + 3 * level + (rows - 1) % 3;
  const int columnFact = base + columns - 1;
  switch (row % 3) {
    case 0:
      return RowIndicators{rowFact, columnFact};
    case 1:
      return RowIndicators{levelFact, rowFact};
    default:
      return RowIndicators{columnFact, levelFact};
  }
}

// Which fact an indicator of a row states.
enum class IndicatorFact { Rows, Columns, Level };

constexpr IndicatorFact LeftIndicatorFact(int row) {
  return row % 3 == 0   ? IndicatorFact::Rows
         : row % 3 == 1 ? IndicatorFact::Level
                        : IndicatorFact::Columns;
}
constexpr IndicatorFact RightIndicatorFact(int row) {
  return row % 3 == 0   ? IndicatorFact::Columns
         : row % 3 == 1 ? IndicatorFact::Rows
                        : IndicatorFact::Level;
}

// The inverse, for an indicator read in row r: the fact without the row's base 30 x (r / 3).
// Rows: (rows - 1) / 3. Columns: columns - 1. Level: 3 level + (rows - 1) mod 3.
constexpr int IndicatorFactValue(int row, int indicator) { return indicator - 30 * (row / 3); }
// The level an indicator stating the level gives, for a symbol of `rows` rows (truncated toward
// zero, like every reading of it; a damaged indicator can give a level outside 0..8).
constexpr int LevelFromIndicator(int row, int indicator, int rows) {
  return (IndicatorFactValue(row, indicator) - (rows - 1) % 3) / 3;
}

// Bar and space widths in modules, bar first: the start pattern (17 modules) and the stop pattern
// (18 modules, ending with a one-module bar).
constexpr std::array<std::int32_t, 8> kStartPatternWidths = {8, 1, 1, 1, 1, 1, 1, 3};
constexpr std::array<std::int32_t, 9> kStopPatternWidths = {7, 1, 1, 3, 1, 1, 1, 2, 1};

}  // namespace pdf417
