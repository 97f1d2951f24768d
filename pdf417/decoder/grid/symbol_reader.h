// The pattern-located reading of one symbol: lines across the quadrilateral a candidate's start
// and stop patterns give (locate/pattern_finder.h), each read by the edges of its codewords
// (codewords/line_reader.h), the lines' rows taken from their row indicators, every cell voted
// among the lines that read it, then corrected and decompacted like every reading's grid.
#pragma once

#include "pdf417/decoder/binarize/picture.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/decoder/locate/pattern_finder.h"

namespace pdf417 {

// Name of this reading in DecodeResult::reading.
constexpr const char* kPatternReadingName = "located by start and stop patterns";

// Reads the symbol whose outer corners, in the matrix, the candidate gives. Lines along the
// matrix's rows or columns are read from their runs directly when the symbol lies along them
// (`transposed`, the matrix turned over its diagonal, serves the columns; may be null); other
// lines are sampled through the perspective map of the corners. With the grey picture the matrix
// came from, lines are also read from its grey levels where the matrix alone does not decode. The
// matrix may have a light border of `border` pixels: matrix point (x, y) is picture point
// (x - border, y - border). Returns Decoded with the symbol's corners in the picture, or
// NoSymbolFound or NotCorrectable.
DecodeResult ReadCandidate(const BitMatrix& bits, const BitMatrix* transposed,
                           const SymbolCandidate& candidate, const GreyView* grey, int border);

// A candidate of one pattern edge reaches as far as the widest symbol would; what lies beyond the
// picture (`width` x `height`) holds nothing to read. Its far side is brought in to the picture's
// edge (along the candidate's own lines, so that they keep their direction). ReadCandidate does
// this to every candidate it reads, its own second readings included.
SymbolCandidate WithinPicture(const SymbolCandidate& c, double width, double height);

}  // namespace pdf417
