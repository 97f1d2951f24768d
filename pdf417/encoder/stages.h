// The encoder's stages, for the encoder itself and its tests: not installed. Data to codewords,
// error correction, the picture and the file writer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pdf417/common/file_writer.h"
#include "pdf417/encoder/encoder.h"

namespace pdf417 {

constexpr int kPadCodeword = 900;

// Coefficients of the generator polynomial of a level (0..8): entry j is the coefficient of x^j,
// j = 0 .. k-1; the leading 1 is not stored. Throws for a level outside 0..8.
const std::int32_t* ErrorCorrectionCoefficients(int level);

// Appends the length descriptor, the byte-compaction latch (901, or 924 when length is a multiple
// of 6), the data codewords and the pad codewords (900) to an empty sequence. Pads make
// size + 2^(level+1) a multiple of columns and, when minRows > 1, give at least minRows rows.
// minRows 1 is the plain rule: the fewest pads, so short data gives one- or two-row symbols.
void CompactBytes(const std::uint8_t* data, int length, int columns, int errorCorrectionLevel,
                  CodewordSequence& sequence, int minRows = 1);

// Appends the Reed-Solomon error-correction codewords of the level to the sequence.
void AppendErrorCorrection(int errorCorrectionLevel, CodewordSequence& sequence);

// CompactOptimal for data that must begin with a mode latch (900 into Alpha, 901 or 924 into
// byte, 902 into numeric compaction), as MicroPDF417's do: the shortest such sequence.
CodewordSequence CompactOptimalLatched(const std::uint8_t* data, std::size_t length);

// Appends `count` (1 .. 512) Reed-Solomon error-correction codewords, from the generator with the
// roots 3^1 .. 3^count: AppendErrorCorrection for any count, as MicroPDF417's sizes need.
void AppendErrorCorrectionCodewords(int count, CodewordSequence& sequence);

// Builds the complete bitmap file image of a symbol: headers, palette and pixel rows. The picture
// has one pixel per module, aspectRatio pixel rows per symbol row, and a quiet zone of 8 pixels
// left and right and 2 rows above and below unless aspectRatio is 1. A picture taller than
// kMaxBitmapSide (10,000 pixels, pdf417/common/bitmap.h) is refused: no reader of ours takes it.
std::vector<std::uint8_t> RenderSymbolImage(int columns, int errorCorrectionLevel,
                                            const CodewordSequence& sequence, int aspectRatio);

// RenderSymbolImage, then WriteWholeFile.
void RenderSymbol(int columns, int errorCorrectionLevel, const CodewordSequence& sequence,
                  const std::string& fileName, int aspectRatio);

// Checks the parameters of a symbol and returns its codeword sequence (descriptor, latch, data,
// pads, error correction), with at least 3 rows. Throws when the symbol cannot be made.
CodewordSequence BuildCodewords(const std::uint8_t* data, int length, int columns,
                                int errorCorrectionLevel, int aspectRatio);

}  // namespace pdf417
