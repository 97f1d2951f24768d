// The reading pipeline, from one grey picture to the symbols in it: every entry of decoder.h
// loads or views a picture, makes its grey picture and hands it here.
#pragma once

#include <vector>

#include "pdf417/decoder/binarize/picture.h"
#include "pdf417/decoder/decoder.h"

namespace pdf417 {

// Reads the symbols of the grey picture as Decode (decoder.h) describes. Never throws for a
// picture without a symbol.
std::vector<DecodeResult> ReadGreyPicture(const GreyView& grey, const DecodeOptions& options);

}  // namespace pdf417
