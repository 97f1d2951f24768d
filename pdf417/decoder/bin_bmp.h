// The decoder's picture in memory: a bitmap file's headers, colour table and pixel rows, read
// through a white test that can sample the picture through a rotation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pdf417/common/bitmap.h"

namespace pdf417 {

class BinBMP {
 public:
  // An empty picture.
  BinBMP() = default;
  // A blank picture with consistent headers; every pixel of a 1-bit picture is white.
  BinBMP(std::int32_t height, std::int32_t width, std::int32_t bitCount);
  // Loads a bitmap file; throws pdf417::Error (FileRead, BadBitmap) when it cannot.
  explicit BinBMP(const std::string& fileName);

  BinBMP(const BinBMP& other) = default;
  BinBMP& operator=(const BinBMP& other) = default;
  BinBMP(BinBMP&& other) noexcept = default;
  BinBMP& operator=(BinBMP&& other) noexcept = default;

  // Reads a bitmap file (or its bytes); throws pdf417::Error (FileRead, BadBitmap) when it cannot,
  // leaving the picture empty.
  void LoadFile(const std::string& fileName);
  void LoadBytes(const std::uint8_t* data, std::size_t size);
  void Release();

  // Makes every pixel of a 1-bit picture white.
  void Clear();
  // Sets the sampling rotation, in degrees (0 turns it off).
  void SetAngle(float degrees);
  // 0x00BBGGRR of the pixel, without rotation; white outside the picture.
  std::uint32_t GetColor(std::int32_t row, std::int32_t col) const;
  // Whether the pixel of a 1-bit picture is white, sampled through the rotation; outside is white.
  bool IsWhite(std::int32_t row, std::int32_t col) const;
  // Sets a pixel of a 1-bit picture white or black; no rotation, no range check.
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

}  // namespace pdf417
