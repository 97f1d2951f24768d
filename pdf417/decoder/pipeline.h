// The reading stages, from the one-bit matrix to the decoded bytes: every entry of decoder.h
// loads or views a picture, makes the grey picture and its matrix, and hands it here.
#pragma once

#include <vector>

#include "pdf417/decoder/decoder.h"
#include "pdf417/decoder/binarize/picture.h"

namespace pdf417 {

// Reads the symbol in the matrix. Never throws for a picture without a symbol.
DecodeResult DecodeBits(const BitMatrix& bits, const DecodeOptions& options);

// The light border, in pixels on every side, that the readings need around a picture: a symbol
// touching the picture's edge would otherwise lose its first column mark or get a wrong row count.
constexpr std::int32_t kReadingBorder = 8;

// DecodeBits for a matrix that already has the border (BinariseGlobal(grey, threshold,
// kReadingBorder)), which saves one copy of the picture.
DecodeResult DecodeBordered(const BitMatrix& bordered, const DecodeOptions& options);
// Reads the symbol in the grey picture: DecodeBits on its global matrix, then the
// pattern-located reading on a matrix thresholded locally (for uneven light).
DecodeResult DecodeGrey(const GreyView& grey, const DecodeOptions& options);
// Reads every symbol in the grey picture (see DecodeAll in decoder.h).
std::vector<DecodeResult> DecodeGreyAll(const GreyView& grey, const DecodeOptions& options);

}  // namespace pdf417
