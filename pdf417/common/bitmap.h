// Windows device-independent bitmap ("BM") file headers, shared by the writer and the reader.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pdf417 {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kHeadersSize = kFileHeaderSize + kInfoHeaderSize;

// Largest picture side, in pixels, that the encoder writes and the decoder reads.
constexpr std::int32_t kMaxBitmapSide = 10000;

// The 14-byte file header.
struct BitMpHead {
  std::uint16_t bfType = 0x4D42;  // "BM"
  std::uint32_t bfSize = 0;
  std::uint16_t bfReserved1 = 0;
  std::uint16_t bfReserved2 = 0;
  std::uint32_t bfOffBits = 0;
};

// The 40-byte info header.
struct BitMpInfoHead {
  std::uint32_t biSize = 40;
  std::int32_t biWidth = 0;
  std::int32_t biHeight = 0;
  std::uint16_t biPlanes = 1;
  std::uint16_t biBitCount = 0;
  std::uint32_t biCompression = 0;
  std::uint32_t biSizeImage = 0;
  std::int32_t biXPelsPerMeter = 3780;
  std::int32_t biYPelsPerMeter = 3780;
  std::uint32_t biClrUsed = 0;
  std::uint32_t biClrImportant = 0;
};

// Bytes per stored pixel row: rows are padded to a multiple of 4 bytes.
// Computed in 64 bits so that no header value can overflow it.
constexpr std::int64_t BitmapStride(std::int64_t width, std::int64_t bitCount) {
  return ((width * bitCount + 31) / 32) * 4;
}

// Little-endian field access on raw bytes.
inline void PutU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline std::uint16_t GetU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t GetU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Serializes the file header into 14 bytes and the info header into 40 bytes.
void WriteFileHeader(const BitMpHead& head, std::uint8_t* out);
void WriteInfoHeader(const BitMpInfoHead& info, std::uint8_t* out);
// Parses them back from the same layouts.
BitMpHead ReadFileHeader(const std::uint8_t* in);
BitMpInfoHead ReadInfoHeader(const std::uint8_t* in);

}  // namespace pdf417
