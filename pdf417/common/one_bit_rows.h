// Whole-byte access to one-bit pixel rows: each `stride` bytes, top row first, the leftmost pixel
// of a byte in its bit 7. Reading eight pixels at a time is what makes the profiles, transforms and
// cell measurements fast; the pixel-by-pixel reads give the same counts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pdf417 {

// Set bits per byte value.
struct BitCounts {
  std::uint8_t of[256];
  constexpr BitCounts() : of() {
    for (int v = 0; v < 256; ++v) {
      int n = 0;
      for (int b = v; b != 0; b >>= 1) n += b & 1;
      of[v] = static_cast<std::uint8_t>(n);
    }
  }
};
inline constexpr BitCounts kBitCounts{};

// Each byte value spread over eight one-byte lanes: lane k (bits 8k .. 8k + 7) holds bit 7 - k,
// the pixel k places from the left. Adding spread bytes counts eight columns at once.
struct SpreadBits {
  std::uint64_t of[256];
  constexpr SpreadBits() : of() {
    for (int v = 0; v < 256; ++v) {
      std::uint64_t lanes = 0;
      for (int k = 0; k < 8; ++k)
        lanes |= static_cast<std::uint64_t>((v >> (7 - k)) & 1) << (8 * k);
      of[v] = lanes;
    }
  }
};
inline constexpr SpreadBits kSpreadBits{};

// Mask of the pixels first .. 7 of a byte (first 0..7): the leftmost pixel is bit 7.
constexpr std::uint8_t MaskFrom(int first) { return static_cast<std::uint8_t>(0xFFu >> first); }
// Mask of the pixels 0 .. last of a byte (last 0..7).
constexpr std::uint8_t MaskTo(int last) { return static_cast<std::uint8_t>(0xFF00u >> (last + 1)); }

// Reading view of one-bit rows stored top-down, a set bit dark (the decoder's matrix).
class OneBitRows {
 public:
  OneBitRows(const std::uint8_t* data, std::int32_t width, std::int32_t height, std::size_t stride)
      : data_(data), width_(width), height_(height), stride_(stride) {}

  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }
  std::size_t stride() const { return stride_; }

  // The stored bytes of pixel row `row` (0 at the top, 0 <= row < height).
  const std::uint8_t* Line(std::int32_t row) const {
    return data_ + static_cast<std::size_t>(row) * stride_;
  }
  // Byte i of a line, every dark pixel a set bit.
  static std::uint8_t Dark(const std::uint8_t* line, std::size_t i) { return line[i]; }
  // Whether pixel (row, col) inside the picture is dark.
  bool IsDark(std::int32_t row, std::int32_t col) const {
    return (Dark(Line(row), static_cast<std::size_t>(col) >> 3) >> (7 - (col & 7))) & 1;
  }
  // Dark pixels of the row in columns from .. to - 1 (0 <= from, to <= width).
  std::int32_t CountDark(std::int32_t row, std::int32_t from, std::int32_t to) const {
    if (from >= to) return 0;
    const std::uint8_t* line = Line(row);
    const std::size_t first = static_cast<std::size_t>(from) >> 3;
    const std::size_t last = static_cast<std::size_t>(to - 1) >> 3;
    const std::uint8_t head = MaskFrom(from & 7);
    const std::uint8_t tail = MaskTo((to - 1) & 7);
    if (first == last) return kBitCounts.of[Dark(line, first) & head & tail];
    std::int32_t n = kBitCounts.of[Dark(line, first) & head];
    for (std::size_t i = first + 1; i < last; ++i) n += kBitCounts.of[Dark(line, i)];
    return n + kBitCounts.of[Dark(line, last) & tail];
  }
  // Adds to counts[c] the dark pixels of column c in rows from .. to - 1, for every column
  // c < width (0 <= from, to <= height).
  void AddColumnCounts(std::int32_t from, std::int32_t to, std::int32_t* counts) const {
    const std::size_t bytes = (static_cast<std::size_t>(width_) + 7) / 8;
    std::vector<std::uint64_t> lanes(bytes, 0);
    auto flush = [&] {
      for (std::size_t i = 0; i < bytes; ++i) {
        const std::uint64_t v = lanes[i];
        lanes[i] = 0;
        for (std::size_t k = 0; k < 8; ++k) {
          const std::size_t c = i * 8 + k;
          if (c >= static_cast<std::size_t>(width_)) break;
          counts[c] += static_cast<std::int32_t>((v >> (8 * k)) & 0xFF);
        }
      }
    };
    // A lane holds up to 255 before it must be emptied.
    int pending = 0;
    for (std::int32_t r = from; r < to; ++r) {
      const std::uint8_t* line = Line(r);
      for (std::size_t i = 0; i < bytes; ++i) lanes[i] += kSpreadBits.of[Dark(line, i)];
      if (++pending == 255) {
        flush();
        pending = 0;
      }
    }
    if (pending > 0) flush();
  }
  // Calls f(col) for every dark pixel of the row in columns from .. to - 1, left to right.
  template <typename F>
  void ForEachDark(std::int32_t row, std::int32_t from, std::int32_t to, F&& f) const {
    if (from >= to) return;
    const std::uint8_t* line = Line(row);
    const std::size_t first = static_cast<std::size_t>(from) >> 3;
    const std::size_t last = static_cast<std::size_t>(to - 1) >> 3;
    for (std::size_t i = first; i <= last; ++i) {
      unsigned bits = Dark(line, i);
      if (i == first) bits &= MaskFrom(from & 7);
      if (i == last) bits &= MaskTo((to - 1) & 7);
      while (bits != 0) {
        const int top = 31 - __builtin_clz(bits);  // highest set bit: leftmost dark pixel
        f(static_cast<std::int32_t>(i * 8 + static_cast<std::size_t>(7 - top)));
        bits &= ~(1u << top);
      }
    }
  }

 private:
  const std::uint8_t* data_;
  std::int32_t width_;
  std::int32_t height_;
  std::size_t stride_;
};

}  // namespace pdf417
