// MicroPDF417 for the encoder: the 34 sizes, the choice among them, and the module rows.
//
// A MicroPDF417 symbol holds PDF417's codewords (the same three clusters, the same Reed-Solomon
// code) in 1 to 4 data columns and 4 to 44 rows. It has no start or stop pattern and no row
// indicators: each row begins and ends with a row address pattern (RAP), has a third one in the
// middle when it has 3 or 4 columns, and ends with a one-module bar. The RAP numbers (1 to 52)
// and the cluster go on by one from row to row, from where each size starts them, so a reader
// tells the row and the size from them. Internal to the encoder and its tests.
#pragma once

#include <cstdint>
#include <vector>

#include "pdf417/common/micro_tables.h"
#include "pdf417/encoder/encoder.h"

namespace pdf417 {

// Refuses (InvalidArgument) columns outside 1 .. 4, rows no size has, and columns and rows that
// are not one size together; 0 is "chosen" for either.
void CheckMicroShape(int columns, int rows);

// The size for `dataCodewords` (data, ECI, latches and control block): of the given columns and
// rows where they are not 0. Columns given: the fewest rows that hold the data. Rows given: the
// fewest columns. Neither: the least area (row width x rows), then the fewer codewords. Throws
// InvalidArgument, naming the largest size that could have been used, when none holds the data.
const MicroSize& ChooseMicroSize(int dataCodewords, int columns, int rows);

// The module matrix of a size's rows x MicroRowWidth(columns) modules, row-major, 1 dark, for its
// codewords (data then error correction, size.Codewords() of them).
std::vector<std::uint8_t> MicroModules(const MicroSize& size, const CodewordSequence& codewords);

}  // namespace pdf417
