// The MicroPDF417 reading: rows found along lines (locate/rap_finder.h) gathered into symbols,
// each symbol's size told by its RAP numbers, every line's cells placed in the rows their RAPs
// and clusters give, voted per cell, corrected with the size's fixed error-correction count and
// decompacted. Nothing is reported that does not correct with two error-correction codewords to
// spare.
#pragma once

#include <vector>

#include "pdf417/decoder/binarize/picture.h"
#include "pdf417/decoder/budget.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/decoder/locate/rap_finder.h"

namespace pdf417 {

// Name of this reading in DecodeResult::reading.
constexpr const char* kMicroReadingName = "located by row address patterns";

// Reads the symbols the hits show: Decoded results, and NotCorrectable ones for symbols found
// whose codewords did not check out, each with its corners in the picture (matrix point (x, y) is
// picture point (x - border, y - border)). Checks the budget between symbols.
std::vector<DecodeResult> ReadMicroSymbols(const BitMatrix& bits,
                                           const std::vector<MicroRowHit>& hits, int border,
                                           const Budget& budget);

}  // namespace pdf417
