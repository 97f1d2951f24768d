// PNG files of one-bit pictures, compressed for what symbols are made of: pixel lines that repeat
// the line above, and runs of one byte.
#pragma once

#include <cstdint>
#include <vector>

namespace pdf417 {

struct Colour;

// Packs a line of one byte a pixel (0 background, else foreground) into one bit a pixel, the
// first pixel in the most significant bit: (width + 7) / 8 bytes, the last one's unused bits 0.
void PackBits(const std::uint8_t* line, int width, std::uint8_t* packed);

// The PNG file of a picture of `height` lines of (width + 7) / 8 bytes each, one bit a pixel and
// the first pixel in the most significant bit: colour type 3 with the palette {background,
// foreground}. width and height are 1 to 2^31 - 1; the picture is not checked otherwise.
std::vector<std::uint8_t> BilevelPng(const std::uint8_t* packed, int width, int height,
                                     const Colour& background, const Colour& foreground);

// Lengths of a prefix code for symbols of the given frequencies, none longer than maxBits:
// 0 for a symbol of frequency 0, and a complete code (Kraft sum 1) over the others, or length 1
// for a single one. An optimal (Huffman) code whenever that fits in maxBits; otherwise the
// frequencies are halved until it does. Throws std::invalid_argument unless there are at most 286
// symbols, maxBits is 1 to 15 and 2^maxBits >= the number of used symbols.
std::vector<std::uint8_t> PrefixCodeLengths(const std::vector<std::uint32_t>& frequencies,
                                            int maxBits);

}  // namespace pdf417
