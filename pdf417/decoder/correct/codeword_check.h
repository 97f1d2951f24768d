// The last checks of a symbol read from a picture: error correction of its codeword list (with
// the places not read as erasures), the length descriptor, and decompaction of the data.
#pragma once

#include <vector>

#include "pdf417/decoder/decoder.h"

namespace pdf417 {

// Checks and decodes the codeword list of a symbol at a level: the whole data region row by
// row (length descriptor, data, pads, then the 2^(level + 1) error-correction codewords);
// erasures are indices of codewords that were not read (their values are ignored).
//
// The length descriptor must equal the number of data codewords when anything was corrected or
// erased. When the list was consistent as read, a descriptor from 1 up to that number gives the
// data length (the codewords after it are ignored, and a warning says so); any other descriptor
// is refused. Data that decompacts to no bytes (a value beyond a byte where one belongs, data
// ending inside a control codeword) is refused as well.
//
// Returns true and fills out's bytes, eci, macro, corrected (codewords changed at places that
// were read), erasures and warnings when the list checks out; false when it does not, with out's
// data left empty.
bool CorrectAndDecompact(std::vector<int> codewords, int level, const std::vector<int>& erasures,
                         DecodeResult& out);

}  // namespace pdf417
