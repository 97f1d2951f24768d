// The pattern-located reading: symbols found by their start and stop patterns (pattern_finder.h),
// followed through the picture with a perspective transform from their corners (homography.h)
// and read line by line by the edges of their codewords (edge_reader.h). It reads symbols that
// are turned by any angle, seen at a slant, or have one pattern or a corner defaced; the
// readings of decode.cpp try the picture first.
#pragma once

#include <vector>

#include "pdf417/decoder/decoder.h"
#include "pdf417/decoder/locate/pattern_finder.h"
#include "pdf417/decoder/binarize/picture.h"

namespace pdf417 {

// Name of this reading in DecodeResult::reading.
constexpr const char* kPatternReadingName = "located by start and stop patterns";

// Finds symbol candidates in the matrix and reads them, best first, until one decodes. The
// result's corners are the symbol's. NoSymbolFound when no candidate looks like a symbol,
// NotCorrectable when one did but its codewords did not check out.
// With the grey picture the matrix came from, every line is also read from the grey levels.
// The matrix may have a light border of `border` pixels around the picture: matrix point (x, y)
// is then picture point (x - border, y - border), and corners are given in the picture.
DecodeResult ReadByPatterns(const BitMatrix& bits, const DecodeOptions& options,
                            const GreyView* grey = nullptr, int border = 0);

// Reads every candidate that does not overlap a symbol already in `found` (decoded by an earlier
// reading, or by this one) and appends each symbol that decodes to `found`. Returns the budget's
// status when it stopped the reading, otherwise the best failure seen (NotCorrectable over
// NoSymbolFound), which matters only when nothing was found.
DecodeResult ReadAllByPatterns(const BitMatrix& bits, const DecodeOptions& options,
                               const GreyView* grey, std::vector<DecodeResult>& found,
                               int border = 0);

// Reads the one symbol whose outer corners (in the matrix) are given.
DecodeResult ReadSymbolAt(const BitMatrix& bits, const SymbolCandidate& candidate,
                          const GreyView* grey = nullptr, int border = 0);

}  // namespace pdf417
