// PDF417 encoder: bytes to a one-bit bitmap file.
//
// Every function that can fail throws pdf417::Error with a message for people; nothing is written
// when a call is refused, and a file that cannot be written completely is left as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pdf417/common/export.h"
#include "pdf417/common/symbol_geometry.h"

namespace pdf417 {

// A sequence of codewords, each 0..928.
using CodewordSequence = std::vector<std::int32_t>;

// Ranges of the encoder's parameters (kMinColumns .. kMaxCodewords) come from symbol_geometry.h,
// shared with the decoder.
// Largest file (headers and pixels) the encoder builds: bounds the aspect ratio.
constexpr std::int64_t kMaxBitmapFileBytes = 64LL * 1024 * 1024;

// Encodes `length` bytes at `data` (any values; at most 1,108 fit, fewer at higher levels and
// narrower symbols) as a PDF417 symbol of `columns` data columns (1..30), error-correction level
// `errorCorrectionLevel` (0..8) and `aspectRatio` pixel rows per symbol row (at least 1; 1 also
// drops the quiet zone), with 3 to 90 rows, and returns the complete one-bit bitmap file: headers,
// two-colour table and pixel rows. Throws pdf417::Error (InvalidArgument) when the data or a
// parameter does not fit a symbol, or the picture would be taller than 10,000 pixels or larger
// than kMaxBitmapFileBytes; std::bad_alloc when memory runs out.
PDF417_EXPORT std::vector<std::uint8_t> EncodePdf417ToImage(const std::uint8_t* data, int length,
                                                            int columns, int errorCorrectionLevel,
                                                            int aspectRatio);

// EncodePdf417ToImage, then writes the file to fileName: a regular file is replaced atomically
// (a temporary file in the same folder, flushed, then renamed over it), so a failure leaves any
// previous file intact and no temporary file behind; a device or pipe is written in place.
// Throws pdf417::Error (InvalidArgument as above, FileWrite when the file cannot be written).
PDF417_EXPORT void EncodePdf417(const std::uint8_t* data, int length, const std::string& fileName,
                                int columns, int errorCorrectionLevel, int aspectRatio);

}  // namespace pdf417
