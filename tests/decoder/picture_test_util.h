// Small pictures drawn as text ('#' dark, anything else light) and read back the same way.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "pdf417/decoder/classic/bin_bmp.h"
#include "pdf417/decoder/binarize/picture.h"

namespace picturetest {

// Every row must be as long as the first.
inline pdf417::BitMatrix FromRows(const std::vector<std::string>& rows) {
  for (const std::string& row : rows) {
    if (row.size() != rows[0].size()) throw std::invalid_argument("rows of unequal length");
  }
  const auto height = static_cast<std::int32_t>(rows.size());
  const auto width = static_cast<std::int32_t>(rows.empty() ? 0 : rows[0].size());
  pdf417::BitMatrix image(width, height);
  for (std::int32_t r = 0; r < height; ++r) {
    for (std::int32_t c = 0; c < width; ++c) {
      if (rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] == '#') {
        image.SetDark(r, c);
      }
    }
  }
  return image;
}

inline std::vector<std::string> ToRows(const pdf417::BitMatrix& image) {
  std::vector<std::string> rows;
  for (std::int32_t r = 0; r < image.Height(); ++r) {
    std::string line;
    for (std::int32_t c = 0; c < image.Width(); ++c) line += image.IsDark(r, c) ? '#' : '.';
    rows.push_back(line);
  }
  return rows;
}

inline std::vector<std::string> ToRows(const pdf417::BinBMP& image) {
  std::vector<std::string> rows;
  for (std::int32_t r = 0; r < image.height; ++r) {
    std::string line;
    for (std::int32_t c = 0; c < image.width; ++c) line += image.IsWhite(r, c) ? '.' : '#';
    rows.push_back(line);
  }
  return rows;
}

// A light picture with dark rectangles drawn on it.
struct Canvas {
  pdf417::BitMatrix image;
  Canvas(std::int32_t height, std::int32_t width) : image(width, height) {}
  Canvas& Box(std::int32_t top, std::int32_t left, std::int32_t rows, std::int32_t cols) {
    for (std::int32_t r = top; r < top + rows; ++r)
      for (std::int32_t c = left; c < left + cols; ++c) image.SetDark(r, c);
    return *this;
  }
};

inline int CountBlack(const pdf417::BitMatrix& image) {
  int n = 0;
  for (std::int32_t r = 0; r < image.Height(); ++r)
    for (std::int32_t c = 0; c < image.Width(); ++c) n += image.IsDark(r, c) ? 1 : 0;
  return n;
}

inline int CountBlack(const pdf417::BinBMP& image) {
  int n = 0;
  for (std::int32_t r = 0; r < image.height; ++r)
    for (std::int32_t c = 0; c < image.width; ++c) n += image.IsWhite(r, c) ? 0 : 1;
  return n;
}

}  // namespace picturetest
