// Picture files to the decoder's grey picture: PNG, JPEG and BMP, the format told by the first
// bytes, never by the name. Every loader checks the size its header claims against the limits
// before it allocates any pixel memory or reads past the header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "pdf417/decoder/binarize/picture.h"
#include "pdf417/decoder/classic/bin_bmp.h"

namespace pdf417 {

enum class PictureFormat { Bmp, Png, Jpeg, Unknown };

// The format the first bytes of a file show (a few bytes are enough; 16 tell every format).
PictureFormat FormatOf(const std::uint8_t* head, std::size_t size);

// Why a file of these first bytes is not read: names the format when the bytes tell it
// ("GIF is not supported; PNG, JPEG and BMP are").
std::string UnsupportedFormatMessage(const std::uint8_t* head, std::size_t size);

// Where a loader reads from: bytes in memory, or a file positioned at its first byte.
struct PictureInput {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::FILE* file = nullptr;  // when set, data and size are unused
};

// Each throws pdf417::Error (BadBitmap) with a message for people when the input is not a picture
// of its kind that we read, is larger than kMaxBitmapSide a side, or is damaged; FileRead when
// the file cannot be read.
GreyImage LoadPng(const PictureInput& input);
GreyImage LoadJpeg(const PictureInput& input);

// The grey picture of a loaded bitmap. Colour tables are judged by their colours: the entries the
// pixels use are spread from the darkest (black) to the lightest (white), and a picture whose
// entries are all (nearly) the same colour comes out all white, a picture without contrast.
// Deeper pixels give their luminance.
GreyImage GreyFromBitmap(const BinBMP& bitmap);

// A whole picture file in memory, of any supported format.
GreyImage LoadPicture(const std::uint8_t* data, std::size_t size);

// A picture file. Reads the first bytes, checks what the header claims (sides, and for a regular
// file its size against kMaxReadFileBytes) and only then reads the rest. Pipes and devices are
// read up to kMaxReadFileBytes. Throws pdf417::Error (FileRead, BadBitmap).
GreyImage LoadPictureFile(const std::string& fileName);

}  // namespace pdf417
