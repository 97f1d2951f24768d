// Symbols as a camera or scanner might give them: an encoder's one-bit picture magnified and
// turned by any angle onto a white grey picture, for tests and the fuzz target that decode
// pictures the encoder never draws itself.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "pdf417/decoder/decoder.h"
#include "test_util.h"

namespace testutil {

struct GreyPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // top row first, 0 black .. 255 white

  pdf417::ImageView View() const {
    pdf417::ImageView view;
    view.data = pixels.data();
    view.width = width;
    view.height = height;
    view.format = pdf417::PixelFormat::Grey8;
    return view;
  }
};

// The symbol of a one-bit bitmap file, magnified by scale (at least 1) and turned clockwise by
// degrees about its centre, on a white picture with a margin of the given pixels around it. Each
// pixel takes the colour of the symbol pixel under its centre (nearest neighbour).
inline GreyPicture DrawTurned(const std::vector<std::uint8_t>& file, double scale, double degrees,
                              int margin = 16) {
  const OneBitPicture symbol(file);
  const double kPi = 3.14159265358979323846;
  const double cs = std::cos(degrees * kPi / 180.0);
  const double sn = std::sin(degrees * kPi / 180.0);
  const double w = symbol.width * scale;
  const double h = symbol.height * scale;
  // The turned symbol's bounding box.
  const double boxW = std::fabs(w * cs) + std::fabs(h * sn);
  const double boxH = std::fabs(w * sn) + std::fabs(h * cs);
  GreyPicture out;
  out.width = static_cast<int>(std::ceil(boxW)) + 2 * margin;
  out.height = static_cast<int>(std::ceil(boxH)) + 2 * margin;
  out.pixels.assign(static_cast<std::size_t>(out.width) * out.height, 255);
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      // Back from the picture's centre into the unturned, magnified symbol.
      const double dx = x + 0.5 - out.width / 2.0;
      const double dy = y + 0.5 - out.height / 2.0;
      const double sx = (cs * dx + sn * dy + w / 2.0) / scale;
      const double sy = (-sn * dx + cs * dy + h / 2.0) / scale;
      if (sx < 0 || sy < 0 || sx >= symbol.width || sy >= symbol.height) continue;
      if (symbol.dark(static_cast<int>(sy), static_cast<int>(sx))) {
        out.pixels[static_cast<std::size_t>(y) * out.width + x] = 0;
      }
    }
  }
  return out;
}

}  // namespace testutil
