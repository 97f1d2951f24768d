// The decoder's pictures: one 8-bit grey picture per decode and one-bit matrices made from it.
//
// Every reading stage takes a BitMatrix through a const reference; nothing reads pixels any other
// way. A matrix is made once per threshold (global today; a local one for uneven light can sit
// beside BinariseGlobal), and transforms (quarter turns, doubled rows) each make one new matrix.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pdf417/common/one_bit_rows.h"

namespace pdf417 {

// Read-only grey pixels, top row first: 0 is black, 255 white. Points into memory it does not own.
struct GreyView {
  const std::uint8_t* data = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::ptrdiff_t stride = 0;  // bytes from one row to the next

  const std::uint8_t* Row(std::int32_t row) const { return data + row * stride; }
  std::uint8_t At(std::int32_t row, std::int32_t col) const { return Row(row)[col]; }
};

// An owned grey picture, rows packed (stride == width).
struct GreyImage {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> pixels;

  GreyImage() = default;
  GreyImage(std::int32_t w, std::int32_t h)
      : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {}
  GreyView View() const { return GreyView{pixels.data(), width, height, width}; }
};

// A one-bit picture: rows top-down, each Stride() bytes, the leftmost pixel of a byte in bit 7, a
// set bit dark. Bits past the width are always clear. Everything outside reads as light.
class BitMatrix {
 public:
  BitMatrix() = default;
  // All light.
  BitMatrix(std::int32_t width, std::int32_t height)
      : width_(width),
        height_(height),
        stride_((static_cast<std::size_t>(width) + 7) / 8),
        bits_(stride_ * static_cast<std::size_t>(height), 0) {}

  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  std::size_t Stride() const { return stride_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }

  const std::uint8_t* Row(std::int32_t row) const {
    return bits_.data() + static_cast<std::size_t>(row) * stride_;
  }
  std::uint8_t* Row(std::int32_t row) {
    return bits_.data() + static_cast<std::size_t>(row) * stride_;
  }

  // Whole-byte reading of the rows (profiles, counts, the dark pixels of a row).
  OneBitRows Rows() const { return OneBitRows(bits_.data(), width_, height_, stride_); }

  bool IsDark(std::int32_t row, std::int32_t col) const {
    if (row < 0 || col < 0 || row >= height_ || col >= width_) return false;
    return (Row(row)[col >> 3] >> (7 - (col & 7))) & 1;
  }
  void SetDark(std::int32_t row, std::int32_t col, bool dark = true) {
    if (row < 0 || col < 0 || row >= height_ || col >= width_) return;
    std::uint8_t& byte = Row(row)[col >> 3];
    const auto bit = static_cast<std::uint8_t>(0x80u >> (col & 7));
    byte = static_cast<std::uint8_t>(dark ? byte | bit : byte & ~bit);
  }

 private:
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::size_t stride_ = 0;
  std::vector<std::uint8_t> bits_;
};

// Grey level of a colour composited on white by its alpha: luminance with the ITU-R BT.601
// weights, from all three channels (a warm-lit picture read by one channel alone loses contrast).
inline std::uint8_t Luminance(unsigned red, unsigned green, unsigned blue, unsigned alpha = 255) {
  const unsigned y = (77 * red + 150 * green + 29 * blue + 128) >> 8;
  return static_cast<std::uint8_t>((y * alpha + 255 * (255 - alpha) + 127) / 255);
}

// The global threshold: a grey level below this is dark.
constexpr std::uint8_t kGreyThreshold = 100;

// One matrix, dark exactly where the grey level is below the threshold, with a light border of
// `border` pixels (at least 0) on every side; empty for an empty picture.
BitMatrix BinariseGlobal(const GreyView& grey, std::uint8_t threshold = kGreyThreshold,
                         std::int32_t border = 0);

}  // namespace pdf417
