// Following a symbol's top and bottom sides from the one pattern edge found: where its stop
// pattern (or start pattern) was not seen, the sides tell how far the symbol reaches and in which
// direction its rows run, also in perspective, where the normal of a short edge does not.
#pragma once

#include "pdf417/decoder/binarize/picture.h"
#include "pdf417/decoder/locate/pattern_finder.h"

namespace pdf417 {

// A candidate of one pattern edge with its far corners where the symbol's sides end, traced in the
// matrix; the candidate as given when a side cannot be followed.
SymbolCandidate TraceSides(const BitMatrix& bits, const SymbolCandidate& lone);

}  // namespace pdf417
