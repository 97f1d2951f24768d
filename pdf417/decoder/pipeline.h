// The reading stages, from the one-bit matrix to the decoded bytes: every entry of decoder.h
// loads or views a picture, makes the grey picture and its matrix, and hands it here.
#pragma once

#include "pdf417/decoder/decoder.h"
#include "pdf417/decoder/picture.h"

namespace pdf417 {

// Reads the symbol in the matrix. Never throws for a picture without a symbol.
DecodeResult DecodeBits(const BitMatrix& bits, const DecodeOptions& options);

// Reads the symbol in the grey picture: DecodeBits on its global matrix, then the
// pattern-located reading on a matrix thresholded locally (for uneven light).
DecodeResult DecodeGrey(const GreyView& grey, const DecodeOptions& options);

}  // namespace pdf417
