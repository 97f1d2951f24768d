// The decoder's picture in memory: a bitmap file's headers, colour table and pixel rows, read
// through a white test that can sample the picture through a rotation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pdf417/common/bitmap.h"
#include "pdf417/decoder/binarize/picture.h"

namespace pdf417 {

// Limits of pictures made in memory (transforms may enlarge what was read): side and pixel array.
constexpr std::int32_t kMaxPictureSide = 4 * kMaxBitmapSide;
constexpr std::int64_t kMaxPictureBytes = 1LL << 30;
// Largest bitmap file the reader reads (a 10,000 x 10,000 picture at 32 bits is 400,000,000
// bytes of pixels).
constexpr std::int64_t kMaxReadFileBytes = 512LL * 1024 * 1024;
// Binarization: a blue component below this is black.
constexpr std::uint32_t kBinarizeThreshold = 100;

class BinBMP {
 public:
  // An empty picture.
  BinBMP() = default;
  // A blank picture with consistent headers; every pixel of a 1-bit picture is white (its
  // colour-table entry 0 is black, so a set bit is white). Throws pdf417::Error
  // (InvalidArgument) for a bit count other than 1, 4, 8, 16, 24, 32 or a side outside
  // 1..kMaxPictureSide, or a pixel array above kMaxPictureBytes.
  BinBMP(std::int32_t height, std::int32_t width, std::int32_t bitCount);
  // Loads a bitmap file; throws pdf417::Error (FileRead, BadBitmap) when it cannot.
  explicit BinBMP(const std::string& fileName);

  BinBMP(const BinBMP& other) = default;
  BinBMP& operator=(const BinBMP& other) = default;
  BinBMP(BinBMP&& other) noexcept = default;
  BinBMP& operator=(BinBMP&& other) noexcept = default;

  // Reads a bitmap file (or its bytes); throws pdf417::Error (FileRead, BadBitmap) when it cannot,
  // leaving the picture empty. Accepts 1, 4, 8, 16, 24 and 32 bits per pixel, uncompressed (and
  // bit fields at 16 and 32 bits), with a 12-, 40-, 52-, 56-, 108- or 124-byte info header, a
  // short colour table (biClrUsed), a gap before the pixels (bfOffBits) and top-down rows.
  // Afterwards the picture is held as if read from a plain file: 40-byte info header copy,
  // full colour table of 2^bitCount entries (missing ones black), rows bottom-up, positive
  // height, biCompression 0 with the channel layout in the mask fields.
  void LoadFile(const std::string& fileName);
  void LoadBytes(const std::uint8_t* data, std::size_t size);
  void Release();

  // Makes every pixel of a 1-bit picture white.
  void Clear();
  // Sets the sampling rotation, in degrees (0 turns it off).
  void SetAngle(float degrees);
  // 0x00BBGGRR of the pixel, without rotation; white outside the picture.
  // 16- and 32-bit pixels are read through the channel masks, each channel scaled to 0..255.
  std::uint32_t GetColor(std::int32_t row, std::int32_t col) const;
  // Whether the pixel of a 1-bit picture is white, sampled through the rotation; outside is white.
  // Deeper pictures answer as Binarize would (blue component at least kBinarizeThreshold).
  bool IsWhite(std::int32_t row, std::int32_t col) const;
  // Sets a pixel of a 1-bit picture white or black; no rotation. Positions outside the picture
  // and deeper pictures are left alone.
  void SetPixel(std::int32_t row, std::int32_t col, bool white);

  // Whether a set bit of a 1-bit picture means white (colour-table entry 0 has blue 0).
  bool SetBitIsWhite() const;
  std::int32_t Stride() const;
  bool Empty() const { return width == 0 || height == 0; }

  BitMpInfoHead bitMpInfoHead;
  BitMpHead bitMpHead;
  std::int32_t bitCount = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  float cosAngle = 1.0f;
  float sinAngle = 0.0f;
  float angle = 0.0f;  // radians; exactly 0 means no rotation
  std::int32_t imageSize = 0;
  std::vector<std::uint8_t> pixelData;  // stored rows bottom-up, each Stride() bytes
  std::vector<std::uint8_t> palette;    // 4 bytes (blue, green, red, 0) per entry
  // Channel masks for 16- and 32-bit pictures (bit fields or the default 5-5-5 / 8-8-8).
  std::uint32_t redMask = 0;
  std::uint32_t greenMask = 0;
  std::uint32_t blueMask = 0;
};

// Builds a 1-bit picture, black exactly where the source's blue component is below 100, and
// assigns it to destination (which may be the source).
void Binarize(const BinBMP& source, BinBMP& destination);

// The picture as IsWhite reads it, inside its width and height: dark where the blue component is
// below 100 (the colour table's black for one bit), sampled through the rotation when one is set.
BitMatrix MatrixOf(const BinBMP& picture);
// A one-bit picture (a set bit white, as the constructor makes it) of the matrix.
BinBMP PictureOf(const BitMatrix& bits);

}  // namespace pdf417
