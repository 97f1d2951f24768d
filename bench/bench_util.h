// Shared by the benchmarks: sample data and plain one-bit bitmap pictures written and read
// independently of the codec.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace benchutil {

// Pseudo-random bytes, the same on every run.
inline std::vector<std::uint8_t> SampleBytes(int length) {
  std::vector<std::uint8_t> data(static_cast<std::size_t>(length));
  std::uint32_t x = 12345;
  for (auto& b : data) {
    x = x * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(x >> 16);
  }
  return data;
}

inline std::uint32_t U32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline void PutU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A grey picture, top row first, 0 black and 255 white.
struct Luminance {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;

  std::uint8_t at(int row, int col) const {
    if (row < 0 || col < 0 || row >= height || col >= width) return 255;
    return pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(col)];
  }
};

// Converts the bytes of an uncompressed one-bit bitmap file (bottom-up or top-down rows) into
// luminance through its colour table: what a reader that takes grey pictures must do first.
inline Luminance OneBitBmpToLuminance(const std::uint8_t* file, std::size_t size) {
  if (size < 62 || file[0] != 'B' || file[1] != 'M') throw std::runtime_error("not a bitmap");
  const std::uint32_t offset = U32(file + 10);
  const std::uint32_t infoSize = U32(file + 14);
  const auto width = static_cast<std::int32_t>(U32(file + 18));
  const auto rawHeight = static_cast<std::int32_t>(U32(file + 22));
  const int bits = file[28] | (file[29] << 8);
  if (bits != 1 || width <= 0 || rawHeight == 0) throw std::runtime_error("not a one-bit bitmap");
  const bool topDown = rawHeight < 0;
  const int height = topDown ? -rawHeight : rawHeight;
  const std::size_t stride = ((static_cast<std::size_t>(width) + 31) / 32) * 4;
  if (offset + stride * static_cast<std::size_t>(height) > size) {
    throw std::runtime_error("truncated bitmap");
  }
  // Colour table entries 0 and 1: blue, green, red, reserved.
  const std::uint8_t* table = file + 14 + infoSize;
  std::uint8_t grey[2];
  for (int i = 0; i < 2; ++i) {
    const std::uint8_t* e = table + 4 * i;
    grey[i] = static_cast<std::uint8_t>((e[0] * 29 + e[1] * 150 + e[2] * 77 + 128) >> 8);
  }
  Luminance out;
  out.width = width;
  out.height = height;
  out.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (int r = 0; r < height; ++r) {
    const std::uint8_t* line =
        file + offset + stride * static_cast<std::size_t>(topDown ? r : height - 1 - r);
    std::uint8_t* dst = out.pixels.data() + static_cast<std::size_t>(r) * width;
    for (int c = 0; c < width; ++c) dst[c] = grey[(line[c >> 3] >> (7 - (c & 7))) & 1];
  }
  return out;
}

inline std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) throw std::runtime_error("cannot open " + path);
  std::vector<std::uint8_t> bytes;
  std::uint8_t buffer[65536];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0)
    bytes.insert(bytes.end(), buffer, buffer + got);
  std::fclose(f);
  return bytes;
}

// Writes the picture as a one-bit bitmap file: colour 0 white, colour 1 black, a pixel darker
// than 128 is black.
inline void WriteOneBitBmp(const std::string& path, const Luminance& picture) {
  const std::size_t stride = ((static_cast<std::size_t>(picture.width) + 31) / 32) * 4;
  const std::size_t pixelBytes = stride * static_cast<std::size_t>(picture.height);
  std::vector<std::uint8_t> file(62 + pixelBytes, 0);
  file[0] = 'B';
  file[1] = 'M';
  PutU32(&file[2], static_cast<std::uint32_t>(file.size()));
  PutU32(&file[10], 62);
  PutU32(&file[14], 40);
  PutU32(&file[18], static_cast<std::uint32_t>(picture.width));
  PutU32(&file[22], static_cast<std::uint32_t>(picture.height));
  file[26] = 1;  // planes
  file[28] = 1;  // bits per pixel
  PutU32(&file[34], static_cast<std::uint32_t>(pixelBytes));
  file[54] = file[55] = file[56] = 255;  // colour 0 white; colour 1 stays black
  for (int r = 0; r < picture.height; ++r) {
    std::uint8_t* line = &file[62 + stride * static_cast<std::size_t>(picture.height - 1 - r)];
    for (int c = 0; c < picture.width; ++c) {
      if (picture.at(r, c) < 128) line[c >> 3] |= static_cast<std::uint8_t>(0x80 >> (c & 7));
    }
  }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) throw std::runtime_error("cannot create " + path);
  const bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
  if (std::fclose(f) != 0 || !ok) throw std::runtime_error("cannot write " + path);
}

}  // namespace benchutil
