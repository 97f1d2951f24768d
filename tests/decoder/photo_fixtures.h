// Photo-like test pictures of symbols: turned, seen at a slant, blurred, unevenly lit, noisy, on
// cluttered backgrounds, with a defaced stop pattern or a covered corner. The warp is written
// here on its own (rotation after a one-parameter keystone), not with the decoder's transform.
#pragma once

#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "pdf417/decoder/classic/bin_bmp.h"
#include "pdf417/decoder/binarize/picture.h"
#include "pdf417/decoder/load/picture_load.h"
#include "pdf417/encoder/encoder.h"

namespace phototest {

// A symbol as modules: true = dark, quiet zone included.
struct ModuleGrid {
  int width = 0;
  int height = 0;
  std::vector<bool> dark;
  bool At(int x, int y) const {
    return x >= 0 && y >= 0 && x < width && y < height &&
           dark[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                static_cast<std::size_t>(x)];
  }
};

// Our encoder's symbol (one pixel per module, three per row) as a module grid.
inline ModuleGrid EncodeGrid(const std::string& data, int columns, int level) {
  const std::vector<std::uint8_t> file =
      pdf417::EncodePdf417ToImage(reinterpret_cast<const std::uint8_t*>(data.data()),
                                  static_cast<int>(data.size()), columns, level, 3);
  pdf417::BinBMP image;
  image.LoadBytes(file.data(), file.size());
  ModuleGrid grid;
  grid.width = image.width;
  grid.height = image.height;
  grid.dark.resize(static_cast<std::size_t>(grid.width) * static_cast<std::size_t>(grid.height));
  for (int y = 0; y < grid.height; ++y) {
    for (int x = 0; x < grid.width; ++x) {
      grid.dark[static_cast<std::size_t>(y) * static_cast<std::size_t>(grid.width) +
                static_cast<std::size_t>(x)] = !image.IsWhite(y, x);
    }
  }
  return grid;
}

// The symbol's first and last dark columns (its start and stop pattern's outer edges).
inline void SymbolSpan(const ModuleGrid& g, int& left, int& right, int& top, int& bottom) {
  left = g.width;
  right = -1;
  top = g.height;
  bottom = -1;
  for (int y = 0; y < g.height; ++y) {
    for (int x = 0; x < g.width; ++x) {
      if (!g.At(x, y)) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
}

// Writes over the stop (or start) pattern: random modules in a band of its columns, all rows.
inline void DefacePattern(ModuleGrid& g, std::mt19937& rng, bool start = false) {
  int l, r, t, b;
  SymbolSpan(g, l, r, t, b);
  std::bernoulli_distribution coin(0.5);
  const int first = start ? l + 2 : r - 17;
  for (int y = t; y <= b; ++y) {
    for (int x = first; x <= first + 14; ++x) {
      g.dark[static_cast<std::size_t>(y) * static_cast<std::size_t>(g.width) +
             static_cast<std::size_t>(x)] = coin(rng);
    }
  }
}

// Covers the top-left corner with paper: a quarter of the rows, the start pattern, the left
// indicator and part of the first data column.
inline void CoverCorner(ModuleGrid& g) {
  int l, r, t, b;
  SymbolSpan(g, l, r, t, b);
  const int rows = std::max(3, (b - t + 1) / 4);
  for (int y = 0; y < t + rows; ++y) {
    for (int x = 0; x < std::min(g.width, l + 42); ++x) {
      g.dark[static_cast<std::size_t>(y) * static_cast<std::size_t>(g.width) +
             static_cast<std::size_t>(x)] = false;
    }
  }
}

struct PhotoConditions {
  double module = 3;    // pixels per module at the symbol's wider end
  double angle = 0;     // degrees, counter-clockwise as seen
  double keystone = 0;  // how much shorter the symbol's right end is, 0 .. 0.3
  double blur = 0;      // Gaussian sigma in pixels
  int ink = 20;
  int paper = 230;
  double gradient = 0;   // fraction of light lost from left to right
  bool shadow = false;   // a soft dark blotch over part of the symbol
  double noise = 0;      // standard deviation of grey noise
  bool clutter = false;  // text-like marks and boxes around the symbol
};

struct Point {
  double x = 0;
  double y = 0;
};

// The picture after saving it as a grey JPEG of the quality (1 .. 100) and loading it again.
inline pdf417::GreyImage JpegRoundTrip(const pdf417::GreyImage& image, int quality) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(image.width);
  cinfo.image_height = static_cast<JDIMENSION>(image.height);
  cinfo.input_components = 1;
  cinfo.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row =
        const_cast<JSAMPROW>(image.pixels.data() + static_cast<std::size_t>(cinfo.next_scanline) *
                                                       static_cast<std::size_t>(image.width));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  pdf417::GreyImage loaded = pdf417::LoadPicture(buffer, size);
  std::free(buffer);
  return loaded;
}

// Two symbols in one grid, the second below the first, `gap` modules apart.
inline ModuleGrid StackGrids(const ModuleGrid& first, const ModuleGrid& second, int gap) {
  ModuleGrid g;
  g.width = std::max(first.width, second.width);
  g.height = first.height + gap + second.height;
  g.dark.assign(static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.height), false);
  auto copy = [&g](const ModuleGrid& from, int top) {
    for (int y = 0; y < from.height; ++y) {
      for (int x = 0; x < from.width; ++x) {
        g.dark[static_cast<std::size_t>(top + y) * static_cast<std::size_t>(g.width) +
               static_cast<std::size_t>(x)] = from.At(x, y);
      }
    }
  };
  copy(first, 0);
  copy(second, first.height + gap);
  return g;
}

// Renders the grid as a photograph; corners receives where the symbol's outer corners (top-left,
// top-right, bottom-right, bottom-left) land in it.
inline pdf417::GreyImage RenderPhoto(const ModuleGrid& g, const PhotoConditions& s,
                                     std::mt19937& rng, std::array<Point, 4>* corners = nullptr) {
  const double sw = g.width * s.module;
  const double sh = g.height * s.module;
  const int side = static_cast<int>(std::hypot(sw, sh)) + 60;
  pdf417::GreyImage img(side, side);
  const double cx = side / 2.0;
  const double cy = side / 2.0;
  const double hw = sw / 2;
  const double k = s.keystone / (hw * (2 - s.keystone));
  const double a = s.angle * M_PI / 180;
  const double ca = std::cos(a);
  const double sa = std::sin(a);
  if (corners != nullptr) {
    int l, r, t, b;
    SymbolSpan(g, l, r, t, b);
    const double xs[4] = {l * s.module, (r + 1) * s.module, (r + 1) * s.module, l * s.module};
    const double ys[4] = {t * s.module, t * s.module, (b + 1) * s.module, (b + 1) * s.module};
    for (int i = 0; i < 4; ++i) {
      const double x = xs[i] - hw;
      const double y = ys[i] - sh / 2;
      const double X = x / (1 + k * x);
      const double Y = y / (1 + k * x);
      (*corners)[static_cast<std::size_t>(i)] = Point{cx + ca * X + sa * Y, cy - sa * X + ca * Y};
    }
  }
  // Background with clutter, then the symbol by 3 x 3 supersampling.
  std::vector<double> light(static_cast<std::size_t>(side) * static_cast<std::size_t>(side), 1.0);
  std::vector<double> tone(light.size(), s.paper);
  if (s.clutter) {
    std::uniform_int_distribution<int> pos(0, side - 1);
    std::uniform_int_distribution<int> len(3, 40);
    std::uniform_int_distribution<int> grey(0, 160);
    const double keep = std::hypot(sw, sh) / 2 + 6;
    for (int n = 0; n < 400; ++n) {
      const int x0 = pos(rng), y0 = pos(rng), w = len(rng), h = len(rng) / 4 + 1, gr = grey(rng);
      for (int y = y0; y < std::min(side, y0 + h); ++y) {
        for (int x = x0; x < std::min(side, x0 + w); ++x) {
          if (std::hypot(x - cx, y - cy) < keep) continue;
          tone[static_cast<std::size_t>(y) * static_cast<std::size_t>(side) +
               static_cast<std::size_t>(x)] = gr;
        }
      }
    }
  }
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      int darkCount = 0;
      for (int sy = 0; sy < 3; ++sy) {
        for (int sx = 0; sx < 3; ++sx) {
          const double px = x + (sx + 0.5) / 3 - cx;
          const double py = y + (sy + 0.5) / 3 - cy;
          // Undo the turn (y down: counter-clockwise as seen), then the keystone.
          const double X = ca * px - sa * py;
          const double Y = sa * px + ca * py;
          const double den = 1 - k * X;
          if (den <= 0) continue;
          const double u = (X / den + hw) / s.module;
          const double v = (Y / den + sh / 2) / s.module;
          darkCount += g.At(static_cast<int>(std::floor(u)), static_cast<int>(std::floor(v)));
        }
      }
      const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(side) +
                            static_cast<std::size_t>(x);
      if (darkCount > 0) tone[i] = tone[i] + (s.ink - tone[i]) * darkCount / 9.0;
      light[i] = 1 - s.gradient * x / side;
      if (s.shadow) {
        const double d = std::hypot(x - cx * 0.8, y - cy * 1.1) / (side * 0.25);
        light[i] *= 1 - 0.45 * std::exp(-d * d);
      }
    }
  }
  // Blur, separable.
  if (s.blur > 0) {
    const int r = static_cast<int>(std::ceil(3 * s.blur));
    std::vector<double> kernel(static_cast<std::size_t>(2 * r + 1));
    double sum = 0;
    for (int i = -r; i <= r; ++i) {
      kernel[static_cast<std::size_t>(i + r)] = std::exp(-i * i / (2 * s.blur * s.blur));
      sum += kernel[static_cast<std::size_t>(i + r)];
    }
    for (double& v : kernel) v /= sum;
    std::vector<double> tmp(tone.size());
    for (int pass = 0; pass < 2; ++pass) {
      for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
          double acc = 0;
          for (int i = -r; i <= r; ++i) {
            const int xx = std::clamp(pass == 0 ? x + i : x, 0, side - 1);
            const int yy = std::clamp(pass == 0 ? y : y + i, 0, side - 1);
            acc += kernel[static_cast<std::size_t>(i + r)] *
                   tone[static_cast<std::size_t>(yy) * static_cast<std::size_t>(side) +
                        static_cast<std::size_t>(xx)];
          }
          tmp[static_cast<std::size_t>(y) * static_cast<std::size_t>(side) +
              static_cast<std::size_t>(x)] = acc;
        }
      }
      tone.swap(tmp);
    }
  }
  std::normal_distribution<double> noise(0, s.noise > 0 ? s.noise : 1);
  for (std::size_t i = 0; i < tone.size(); ++i) {
    double v = tone[i] * light[i];
    if (s.noise > 0) v += noise(rng);
    img.pixels[i] = static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
  }
  return img;
}

// The classes of the picture set.
enum class PhotoClass {
  Turned,         // any angle
  Rotated10To80,  // between 10 and 80 degrees
  Perspective,    // far end up to 30% shorter, slightly turned
  LowContrast,    // ink 80 on paper 170
  UnevenLight,    // gradient and shadow
  Blur,           // sigma 1 to 1.5
  Noise,
  SmallModules,  // 1.5 to 2 pixels
  Clutter,
  DefacedStop,
  DefacedStart,
  CoveredCorner,
  Combined,    // slant, any angle, low contrast, blur, small modules, uneven light at once
  Jpeg40,      // saved as JPEG of quality 40
  TwoSymbols,  // two symbols, one above the other, near upright
};

constexpr PhotoClass kAllClasses[] = {
    PhotoClass::Turned,      PhotoClass::Rotated10To80, PhotoClass::Perspective,
    PhotoClass::LowContrast, PhotoClass::UnevenLight,   PhotoClass::Blur,
    PhotoClass::Noise,       PhotoClass::SmallModules,  PhotoClass::Clutter,
    PhotoClass::DefacedStop, PhotoClass::DefacedStart,  PhotoClass::CoveredCorner,
    PhotoClass::Combined,    PhotoClass::Jpeg40,        PhotoClass::TwoSymbols,
};

inline const char* ClassName(PhotoClass c) {
  switch (c) {
    case PhotoClass::Turned:
      return "turned";
    case PhotoClass::Rotated10To80:
      return "rotated 10-80";
    case PhotoClass::Perspective:
      return "keystone";
    case PhotoClass::LowContrast:
      return "low contrast";
    case PhotoClass::UnevenLight:
      return "uneven light";
    case PhotoClass::Blur:
      return "blur";
    case PhotoClass::Noise:
      return "noise";
    case PhotoClass::SmallModules:
      return "small modules";
    case PhotoClass::Clutter:
      return "clutter";
    case PhotoClass::DefacedStop:
      return "defaced stop";
    case PhotoClass::DefacedStart:
      return "defaced start";
    case PhotoClass::Combined:
      return "combined";
    case PhotoClass::CoveredCorner:
      return "covered corner";
    case PhotoClass::Jpeg40:
      return "JPEG quality 40";
    case PhotoClass::TwoSymbols:
      return "two symbols";
  }
  return "?";
}

struct Photo {
  std::string data;
  std::string second;  // the lower symbol's data, in pictures of two symbols
  pdf417::GreyImage image;
  std::array<Point, 4> corners;  // the symbol's, top-left first, clockwise as read
};

// Picture n of a class: random data, columns, level and conditions drawn from its own seed. Near
// upright, the symbol is turned by at most 5 degrees (except in the rotation class).
inline Photo MakePhoto(PhotoClass c, int n, bool nearUpright = false) {
  std::mt19937 rng(static_cast<unsigned>(1000 * static_cast<int>(c) + n + 17));
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> length(10, 90);
  std::uniform_int_distribution<int> columns(3, 7);
  std::uniform_int_distribution<int> level(2, 4);
  std::uniform_real_distribution<double> unit(0, 1);
  Photo p;
  const int len = length(rng);
  for (int i = 0; i < len; ++i) p.data.push_back(static_cast<char>(byte(rng)));
  ModuleGrid grid = EncodeGrid(p.data, columns(rng), level(rng));
  PhotoConditions s;
  s.module = 2.5 + 1.5 * unit(rng);
  s.angle = 360 * unit(rng);
  s.blur = 0.5;
  s.noise = 3;
  switch (c) {
    case PhotoClass::Turned:
      break;
    case PhotoClass::Rotated10To80:
      s.angle = 10 + 70 * unit(rng) + 90 * std::floor(4 * unit(rng));
      break;
    case PhotoClass::Perspective:
      s.keystone = 0.1 + 0.2 * unit(rng);
      s.angle = -10 + 20 * unit(rng) + 90 * std::floor(4 * unit(rng));
      break;
    case PhotoClass::LowContrast:
      s.ink = 80;
      s.paper = 170;
      break;
    case PhotoClass::UnevenLight:
      s.gradient = 0.4 + 0.3 * unit(rng);
      s.shadow = true;
      break;
    case PhotoClass::Blur:
      s.blur = 1 + 0.5 * unit(rng);
      s.module = 3 + unit(rng);
      break;
    case PhotoClass::Noise:
      s.noise = 15;
      break;
    case PhotoClass::SmallModules:
      s.module = 1.5 + 0.5 * unit(rng);
      s.blur = 0.3;
      break;
    case PhotoClass::Clutter:
      s.clutter = true;
      break;
    case PhotoClass::DefacedStop:
      DefacePattern(grid, rng);
      break;
    case PhotoClass::DefacedStart:
      DefacePattern(grid, rng, true);
      break;
    case PhotoClass::CoveredCorner:
      CoverCorner(grid);
      break;
    case PhotoClass::Jpeg40:
      break;
    case PhotoClass::TwoSymbols: {
      const int len2 = length(rng);
      for (int i = 0; i < len2; ++i) p.second.push_back(static_cast<char>(byte(rng)));
      grid = StackGrids(grid, EncodeGrid(p.second, columns(rng), level(rng)), 6);
      s.angle = -5 + 10 * unit(rng);
      break;
    }
    case PhotoClass::Combined:
      s.keystone = 0.3 * unit(rng);
      s.ink = 80;
      s.paper = 170;
      s.blur = 0.5 + unit(rng);
      s.module = 2 + 1.5 * unit(rng);
      s.gradient = 0.3 * unit(rng);
      s.noise = 6;
      break;
  }
  if (nearUpright && c != PhotoClass::Rotated10To80) s.angle = std::fmod(s.angle, 10.0) - 5;
  p.image = RenderPhoto(grid, s, rng, &p.corners);
  if (c == PhotoClass::Jpeg40) p.image = JpegRoundTrip(p.image, 40);
  return p;
}

// A turned picture of a random symbol at the level with `damage` random codeword cells (start,
// stop and indicators included) painted with random modules.
inline Photo MakeDamagedPhoto(int level, int damage, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_real_distribution<double> unit(0, 1);
  Photo p;
  const int len = 5 + static_cast<int>(rng() % 60);
  for (int i = 0; i < len; ++i) p.data.push_back(static_cast<char>(byte(rng)));
  const int columns =
      level >= 6 ? 8 + static_cast<int>(rng() % 6) : 2 + static_cast<int>(rng() % 5);
  ModuleGrid grid = EncodeGrid(p.data, columns, level);
  int l, r, t, b;
  SymbolSpan(grid, l, r, t, b);
  const int rows = (b - t + 1) / 3;
  std::bernoulli_distribution coin(0.5);
  for (int d = 0; d < damage; ++d) {
    const int row = static_cast<int>(rng() % static_cast<unsigned>(rows));
    const int col = static_cast<int>(rng() % static_cast<unsigned>(columns + 4));
    for (int y = t + 3 * row; y < t + 3 * row + 3; ++y) {
      for (int x = l + 17 * col; x < std::min(r + 1, l + 17 * col + 17); ++x) {
        grid.dark[static_cast<std::size_t>(y) * static_cast<std::size_t>(grid.width) +
                  static_cast<std::size_t>(x)] = coin(rng);
      }
    }
  }
  PhotoConditions s;
  s.module = 2.5;
  s.angle = 360 * unit(rng);
  s.blur = 0.5;
  p.image = RenderPhoto(grid, s, rng, &p.corners);
  return p;
}

}  // namespace phototest
