// Hard picture classes for the sweep: twelve kinds of photographs that defeat readers, each drawn
// from a seed at a severity from 0 (hard) to 1 (harder), and negatives made of the same
// backgrounds and distractors without a symbol. Every picture is our encoder's symbol (random
// bytes, 20 to 300 of them, varied columns) on a page that is mapped into the camera's picture
// (page geometry of the class, a small turn), lit, blurred, exposed, given noise and sometimes a
// JPEG round trip. The drawing is written here on its own, independent of the decoder.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "decoder/photo_fixtures.h"
#include "pdf417/decoder/binarize/picture.h"
#include "pdf417/encoder/symbol.h"

namespace hardsweep {

enum class HardClass {
  LowResolution,     // 1.6 down to 1.0 pixel a module, smooth downsampling
  MotionBlur,        // 8 to 20 pixels in any direction
  Glare,             // mirror-like highlights that saturate part of the symbol
  SteepPerspective,  // the page tilted 40 to 60 degrees about an axis along or across the rows
  Bottle,            // a label round a cylinder of 1.5 to 0.6 symbol widths radius, shaded
  Crumpled,          // smooth displacement, creases, facet shading
  FadedThermal,      // mid-grey print on light paper, dark desk, blotches, streaks along the rows
  PhoneScreen,       // subpixel stripes, moire, overexposed white
  Inverted,          // light bars on a dark label
  HardShadow,        // one sharp shadow edge across, or venetian-blind stripes
  DotMatrix,         // round dots off the module grid, ink spread, dead nozzles
  Distractors,       // a Code 128-like barcode, a QR-like block, text, a busy desk close by
  Negative,          // the backgrounds and distractors above without a symbol
};

constexpr HardClass kSymbolClasses[] = {
    HardClass::LowResolution,    HardClass::MotionBlur,  HardClass::Glare,
    HardClass::SteepPerspective, HardClass::Bottle,      HardClass::Crumpled,
    HardClass::FadedThermal,     HardClass::PhoneScreen, HardClass::Inverted,
    HardClass::HardShadow,       HardClass::DotMatrix,   HardClass::Distractors,
};

inline const char* ClassName(HardClass c) {
  switch (c) {
    case HardClass::LowResolution:
      return "low resolution";
    case HardClass::MotionBlur:
      return "motion blur";
    case HardClass::Glare:
      return "glare";
    case HardClass::SteepPerspective:
      return "steep perspective";
    case HardClass::Bottle:
      return "bottle label";
    case HardClass::Crumpled:
      return "crumpled";
    case HardClass::FadedThermal:
      return "faded thermal";
    case HardClass::PhoneScreen:
      return "phone screen";
    case HardClass::Inverted:
      return "inverted";
    case HardClass::HardShadow:
      return "hard shadow";
    case HardClass::DotMatrix:
      return "dot matrix";
    case HardClass::Distractors:
      return "distractors";
    case HardClass::Negative:
      return "negative";
  }
  return "?";
}

// A short file-name form of the class.
inline const char* ClassSlug(HardClass c) {
  switch (c) {
    case HardClass::LowResolution:
      return "low-resolution";
    case HardClass::MotionBlur:
      return "motion-blur";
    case HardClass::Glare:
      return "glare";
    case HardClass::SteepPerspective:
      return "steep-tilt";
    case HardClass::Bottle:
      return "bottle";
    case HardClass::Crumpled:
      return "crumpled";
    case HardClass::FadedThermal:
      return "faded-thermal";
    case HardClass::PhoneScreen:
      return "phone-screen";
    case HardClass::Inverted:
      return "inverted";
    case HardClass::HardShadow:
      return "hard-shadow";
    case HardClass::DotMatrix:
      return "dot-matrix";
    case HardClass::Distractors:
      return "distractors";
    case HardClass::Negative:
      return "negative";
  }
  return "unknown";
}

struct HardPicture {
  std::string data;  // empty for a negative
  pdf417::GreyImage image;
  std::string note;  // the drawn conditions, for people
};

namespace detail {

using Rng = std::mt19937;

inline double Uniform(Rng& rng, double lo, double hi) {
  return std::uniform_real_distribution<double>(lo, hi)(rng);
}
inline int UniformInt(Rng& rng, int lo, int hi) {
  return std::uniform_int_distribution<int>(lo, hi)(rng);
}

// A one-bit stamp on the page: the symbol or a distractor, `scale` page pixels a cell.
struct Stamp {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> cells;  // 1 dark
  double x = 0;                     // top-left on the page, page pixels
  double y = 0;
  double scaleX = 1;
  double scaleY = 1;
  // The cell at a page point, -1 outside.
  int At(double px, double py) const {
    const double u = (px - x) / scaleX;
    const double v = (py - y) / scaleY;
    if (u < 0 || v < 0 || u >= width || v >= height) return -1;
    return cells[static_cast<std::size_t>(v) * static_cast<std::size_t>(width) +
                 static_cast<std::size_t>(u)];
  }
  double Right() const { return x + width * scaleX; }
  double Bottom() const { return y + height * scaleY; }
};

// Our symbol of the data with varied columns as a stamp of one cell a module.
inline Stamp SymbolStamp(const std::string& data, Rng& rng) {
  pdf417::SymbolOptions options;
  options.drawing.moduleWidth = 1;
  options.drawing.rowHeight = 3;
  options.drawing.quietZone = 0;
  options.columns = UniformInt(rng, 2, 12);
  pdf417::Symbol symbol;
  try {
    symbol = pdf417::Encode(data, options);
  } catch (const std::exception&) {
    options.columns = 0;
    symbol = pdf417::Encode(data, options);
  }
  const pdf417::Raster raster = pdf417::RasterOf(symbol);
  Stamp s;
  s.width = raster.width;
  s.height = raster.height;
  s.cells = raster.pixels;
  return s;
}

// A Code 128-like barcode: random bars and spaces of 1 to 4 modules between quiet zones.
inline Stamp BarcodeStamp(Rng& rng, int heightCells) {
  std::vector<int> widths;
  int total = 0;
  const int bars = UniformInt(rng, 40, 70);
  for (int i = 0; i < bars; ++i) {
    widths.push_back(UniformInt(rng, 1, 4));
    total += widths.back();
  }
  Stamp s;
  s.width = total;
  s.height = heightCells;
  s.cells.assign(static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height), 0);
  int x = 0;
  for (int i = 0; i < bars; ++i) {
    if (i % 2 == 0) {
      for (int y = 0; y < s.height; ++y) {
        for (int k = 0; k < widths[static_cast<std::size_t>(i)]; ++k) {
          s.cells[static_cast<std::size_t>(y * s.width + x + k)] = 1;
        }
      }
    }
    x += widths[static_cast<std::size_t>(i)];
  }
  return s;
}

// A QR-like block: three finder squares in the corners, random modules between them.
inline Stamp MatrixStamp(Rng& rng) {
  Stamp s;
  s.width = s.height = 25;
  s.cells.assign(25 * 25, 0);
  for (auto& c : s.cells) c = static_cast<std::uint8_t>(UniformInt(rng, 0, 1));
  auto finder = [&s](int ox, int oy) {
    for (int y = -1; y <= 7; ++y) {
      for (int x = -1; x <= 7; ++x) {
        const int cx = ox + x, cy = oy + y;
        if (cx < 0 || cy < 0 || cx >= 25 || cy >= 25) continue;
        const int ring = std::max(std::abs(x - 3), std::abs(y - 3));
        s.cells[static_cast<std::size_t>(cy * 25 + cx)] = ring == 3 || ring <= 1 ? 1 : 0;
      }
    }
  };
  finder(0, 0);
  finder(18, 0);
  finder(0, 18);
  return s;
}

// A block of text-like lines: letters as random strokes, words apart.
inline Stamp TextStamp(Rng& rng, int lines, int letters) {
  Stamp s;
  s.width = letters * 4;
  s.height = lines * 8;
  s.cells.assign(static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height), 0);
  for (int l = 0; l < lines; ++l) {
    for (int c = 0; c < letters; ++c) {
      if (UniformInt(rng, 0, 5) == 0) continue;  // a space
      const int x0 = c * 4, y0 = l * 8 + 1;
      for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 3; ++x) {
          if (UniformInt(rng, 0, 2) != 0) {
            s.cells[static_cast<std::size_t>((y0 + y) * s.width + x0 + x)] = 1;
          }
        }
      }
    }
  }
  return s;
}

// A rectangle of the desk, in picture pixels.
struct Patch {
  double x0, y0, x1, y1;
  double tone;
};

// Everything one picture is drawn from.
struct Scene {
  // The page: paper of pageWidth x pageHeight page pixels, stamps on it (the symbol first).
  double pageWidth = 0;
  double pageHeight = 0;
  std::vector<Stamp> stamps;
  bool hasSymbol = true;
  double ink = 40;
  double paper = 220;
  // Picture size, small turn (degrees) about its centre.
  int width = 0;
  int height = 0;
  double turn = 0;
  int samples = 3;  // per axis and pixel
  // The centred picture point (after the turn) to a centred page point; false when the point
  // sees the desk. shade multiplies the page's tone there.
  std::function<bool(double X, double Y, double& px, double& py, double& shade)> geometry;
  // The page's tone at a page point (top-left origin) inside the page; default: paper and stamps.
  std::function<double(double px, double py)> tone;
  // The desk, in picture pixels.
  double desk = 110;
  std::vector<Patch> deskPatches;
  // Light falling on the picture (multiplier) and glare (added), in picture pixels.
  std::function<double(double x, double y)> light;
  std::function<double(double x, double y)> glare;
  double blur = 0.6;       // lens, Gaussian sigma in pixels
  double motion = 0;       // motion blur length in pixels
  double motionAngle = 0;  // radians
  double gain = 1;         // exposure
  double noise = 3;        // standard deviation
  int jpeg = 0;            // quality, 0 for none
};

inline double StampTone(const Scene& s, double px, double py) {
  for (const Stamp& st : s.stamps) {
    const int c = st.At(px, py);
    if (c >= 0) return c != 0 ? s.ink : s.paper;
  }
  return s.paper;
}

inline std::vector<double> GaussianKernel(double sigma) {
  const int r = std::max(1, static_cast<int>(std::ceil(3 * sigma)));
  std::vector<double> k(static_cast<std::size_t>(2 * r + 1));
  double sum = 0;
  for (int i = -r; i <= r; ++i) {
    k[static_cast<std::size_t>(i + r)] = std::exp(-i * i / (2 * sigma * sigma));
    sum += k[static_cast<std::size_t>(i + r)];
  }
  for (double& v : k) v /= sum;
  return k;
}

inline void GaussianBlur(std::vector<double>& v, int w, int h, double sigma) {
  if (sigma <= 0.05) return;
  const std::vector<double> k = GaussianKernel(sigma);
  const int r = static_cast<int>(k.size() / 2);
  std::vector<double> tmp(v.size());
  for (int pass = 0; pass < 2; ++pass) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        double acc = 0;
        for (int i = -r; i <= r; ++i) {
          const int xx = pass == 0 ? std::clamp(x + i, 0, w - 1) : x;
          const int yy = pass == 0 ? y : std::clamp(y + i, 0, h - 1);
          acc += k[static_cast<std::size_t>(i + r)] * v[static_cast<std::size_t>(yy * w + xx)];
        }
        tmp[static_cast<std::size_t>(y * w + x)] = acc;
      }
    }
    v.swap(tmp);
  }
}

// Averages along a line of the length through each pixel (bilinear samples, half a pixel apart).
inline void MotionBlur(std::vector<double>& v, int w, int h, double length, double angle) {
  if (length < 1) return;
  const int n = static_cast<int>(std::ceil(2 * length)) + 1;
  const double dx = std::cos(angle), dy = std::sin(angle);
  std::vector<double> out(v.size());
  auto at = [&](int x, int y) {
    return v[static_cast<std::size_t>(std::clamp(y, 0, h - 1) * w + std::clamp(x, 0, w - 1))];
  };
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      double acc = 0;
      for (int i = 0; i < n; ++i) {
        const double t = -length / 2 + length * i / (n - 1);
        const double sx = x + t * dx, sy = y + t * dy;
        const int x0 = static_cast<int>(std::floor(sx)), y0 = static_cast<int>(std::floor(sy));
        const double fx = sx - x0, fy = sy - y0;
        acc += (1 - fy) * ((1 - fx) * at(x0, y0) + fx * at(x0 + 1, y0)) +
               fy * ((1 - fx) * at(x0, y0 + 1) + fx * at(x0 + 1, y0 + 1));
      }
      out[static_cast<std::size_t>(y * w + x)] = acc / n;
    }
  }
  v.swap(out);
}

inline pdf417::GreyImage Render(const Scene& s, Rng& rng) {
  const int w = s.width, h = s.height;
  std::vector<double> tone(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  const double a = s.turn * M_PI / 180, ca = std::cos(a), sa = std::sin(a);
  const double n = s.samples;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      double acc = 0;
      for (int sy = 0; sy < s.samples; ++sy) {
        for (int sx = 0; sx < s.samples; ++sx) {
          const double qx = x + (sx + 0.5) / n - w / 2.0;
          const double qy = y + (sy + 0.5) / n - h / 2.0;
          const double X = ca * qx - sa * qy, Y = sa * qx + ca * qy;
          double px = 0, py = 0, shade = 1;
          double t = -1;
          if (s.geometry(X, Y, px, py, shade)) {
            if (std::isnan(px)) {
              t = 255 * shade;  // a lit surface of its own
            } else {
              px += s.pageWidth / 2;
              py += s.pageHeight / 2;
              if (px >= 0 && py >= 0 && px < s.pageWidth && py < s.pageHeight) {
                t = shade * (s.tone ? s.tone(px, py) : StampTone(s, px, py));
              }
            }
          }
          if (t < 0) {
            const double dx = x + (sx + 0.5) / n, dy = y + (sy + 0.5) / n;
            t = s.desk;
            for (const Patch& p : s.deskPatches) {
              if (dx >= p.x0 && dx < p.x1 && dy >= p.y0 && dy < p.y1) t = p.tone;
            }
          }
          acc += t;
        }
      }
      double v = acc / (n * n);
      if (s.light) v *= s.light(x + 0.5, y + 0.5);
      if (s.glare) v += s.glare(x + 0.5, y + 0.5);
      tone[static_cast<std::size_t>(y * w + x)] = v;
    }
  }
  GaussianBlur(tone, w, h, s.blur);
  MotionBlur(tone, w, h, s.motion, s.motionAngle);
  pdf417::GreyImage img(w, h);
  std::normal_distribution<double> noise(0, std::max(0.01, s.noise));
  for (std::size_t i = 0; i < tone.size(); ++i) {
    const double v = tone[i] * s.gain + noise(rng);
    img.pixels[i] = static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
  }
  if (s.jpeg > 0) img = phototest::JpegRoundTrip(img, s.jpeg);
  return img;
}

// A busy desk: rectangles of many tones, some text-like rows.
inline void BusyDesk(Scene& s, Rng& rng, int count) {
  for (int i = 0; i < count; ++i) {
    Patch p;
    p.x0 = Uniform(rng, -20, s.width);
    p.y0 = Uniform(rng, -20, s.height);
    const bool thin = UniformInt(rng, 0, 2) == 0;
    p.x1 = p.x0 + (thin ? Uniform(rng, 2, 6) : Uniform(rng, 10, 120));
    p.y1 = p.y0 + (thin ? Uniform(rng, 10, 80) : Uniform(rng, 4, 90));
    p.tone = Uniform(rng, 20, 240);
    s.deskPatches.push_back(p);
  }
}

// The page of a symbol (or of its place, for a negative) with `margin` modules of paper round
// it, `module` page pixels a module.
inline void PlaceSymbol(Scene& s, const Stamp& symbol, double module, double margin) {
  Stamp st = symbol;
  st.scaleX = st.scaleY = module;
  st.x = st.y = margin * module;
  if (!s.hasSymbol) std::fill(st.cells.begin(), st.cells.end(), 0);
  s.stamps.insert(s.stamps.begin(), st);
  s.pageWidth = (symbol.width + 2 * margin) * module;
  s.pageHeight = (symbol.height + 2 * margin) * module;
}

// A flat page seen square on: picture size from the page and the turn.
inline void FlatView(Scene& s, double extra) {
  const double a = std::abs(s.turn) * M_PI / 180;
  s.width = static_cast<int>(s.pageWidth * std::cos(a) + s.pageHeight * std::sin(a) + extra);
  s.height = static_cast<int>(s.pageWidth * std::sin(a) + s.pageHeight * std::cos(a) + extra);
  s.geometry = [](double X, double Y, double& px, double& py, double&) {
    px = X;
    py = Y;
    return true;
  };
}

// Distractors round the symbol stamp (already placed with room for them): a barcode on one
// side, a matrix block on another, text blocks, `gap` modules from the symbol.
inline void AddDistractors(Scene& s, Rng& rng, double module, double gap) {
  const Stamp& sym = s.stamps.front();
  Stamp bar = BarcodeStamp(rng, UniformInt(rng, 12, 20));
  bar.scaleX = module * Uniform(rng, 0.8, 1.4);
  bar.scaleY = module * 1.5;
  Stamp qr = MatrixStamp(rng);
  qr.scaleX = qr.scaleY = module * Uniform(rng, 1.5, 2.5);
  Stamp text = TextStamp(rng, UniformInt(rng, 2, 4), UniformInt(rng, 20, 40));
  text.scaleX = text.scaleY = module * 0.8;
  const double g = gap * module;
  // Barcode above or below, matrix left or right, text on the other vertical side.
  const bool barAbove = UniformInt(rng, 0, 1) == 0;
  bar.x = sym.x + Uniform(rng, 0, std::max(0.0, (sym.Right() - sym.x) - bar.width * bar.scaleX));
  bar.y = barAbove ? sym.y - g - bar.height * bar.scaleY : sym.Bottom() + g;
  const bool qrLeft = UniformInt(rng, 0, 1) == 0;
  qr.x = qrLeft ? sym.x - g - qr.width * qr.scaleX : sym.Right() + g;
  qr.y = sym.y;
  text.x = sym.x;
  text.y = barAbove ? sym.Bottom() + g : sym.y - g - text.height * text.scaleY;
  for (Stamp* st : {&bar, &qr, &text}) {
    if (st->x >= 0 && st->y >= 0 && st->Right() <= s.pageWidth && st->Bottom() <= s.pageHeight) {
      s.stamps.push_back(*st);
    }
  }
}

// Mild camera realism every picture gets: a small turn, noise, sometimes JPEG.
inline void Camera(Scene& s, Rng& rng) {
  s.turn = Uniform(rng, -4, 4);
  s.noise = Uniform(rng, 1.5, 4);
  s.blur = Uniform(rng, 0.4, 0.7);
  s.jpeg = UniformInt(rng, 0, 3) == 0 ? UniformInt(rng, 65, 90) : 0;
  s.desk = Uniform(rng, 70, 160);
}

}  // namespace detail

// Picture n of a class, severity 0 (hard) to 1 (harder); `seed` picks the set. A negative draws
// the background of class n % 12 without its symbol, with distractors on every other one.
inline HardPicture MakeHardPicture(HardClass c, int n, double severity, unsigned seed) {
  using namespace detail;
  Rng rng(seed * 7919u + static_cast<unsigned>(static_cast<int>(c)) * 100003u +
          static_cast<unsigned>(n));
  HardPicture out;
  HardClass draw = c;
  bool distract = c == HardClass::Distractors;
  Scene s;
  if (c == HardClass::Negative) {
    draw = kSymbolClasses[n % 12];
    s.hasSymbol = false;
    distract = distract || n % 2 == 1 || draw == HardClass::Distractors;
  }
  const int length = UniformInt(rng, 20, 300);
  std::string data;
  for (int i = 0; i < length; ++i) data.push_back(static_cast<char>(UniformInt(rng, 0, 255)));
  const Stamp symbol = SymbolStamp(data, rng);
  if (s.hasSymbol) out.data = data;
  Camera(s, rng);
  const double sev = std::clamp(severity, 0.0, 1.0);
  s.ink = Uniform(rng, 25, 60);
  s.paper = Uniform(rng, 200, 235);
  double module = Uniform(rng, 2.5, 3.5);
  double margin = distract ? 40 : Uniform(rng, 3, 8);
  char note[160] = "";
  auto finishFlat = [&](double extra) {
    PlaceSymbol(s, symbol, module, margin);
    if (distract) AddDistractors(s, rng, module, 8 - 6 * sev);
    FlatView(s, extra);
  };

  switch (draw) {
    case HardClass::LowResolution: {
      module = 1.6 - 0.6 * sev;
      s.samples = 6;
      s.blur = 0.3;
      s.jpeg = 0;
      finishFlat(30);
      std::snprintf(note, sizeof note, "%.2f px/module", module);
      break;
    }
    case HardClass::MotionBlur: {
      module = Uniform(rng, 3.5, 4.5);
      s.motion = 8 + 12 * sev;
      s.motionAngle = Uniform(rng, 0, M_PI);
      finishFlat(40 + s.motion);
      std::snprintf(note, sizeof note, "%.1f px at %.0f deg, %.1f px/module", s.motion,
                    s.motionAngle * 180 / M_PI, module);
      break;
    }
    case HardClass::Glare: {
      finishFlat(40);
      const int patches = sev > 0.5 ? 2 : 1;
      const double symW = symbol.width * module;
      struct Spot {
        double x, y, rx, ry, rot, peak;
      };
      std::vector<Spot> spots;
      for (int i = 0; i < patches; ++i) {
        Spot sp;
        sp.x = s.width / 2.0 + Uniform(rng, -0.35, 0.35) * symW;
        sp.y = s.height / 2.0 + Uniform(rng, -0.3, 0.3) * symbol.height * module;
        sp.rx = (0.08 + 0.17 * sev) * symW * Uniform(rng, 0.8, 1.2);
        sp.ry = sp.rx * Uniform(rng, 0.4, 1.0);
        sp.rot = Uniform(rng, 0, M_PI);
        sp.peak = Uniform(rng, 250, 400);
        spots.push_back(sp);
      }
      s.glare = [spots](double x, double y) {
        double g = 0;
        for (const Spot& sp : spots) {
          const double dx = x - sp.x, dy = y - sp.y;
          const double u = (dx * std::cos(sp.rot) + dy * std::sin(sp.rot)) / sp.rx;
          const double v = (-dx * std::sin(sp.rot) + dy * std::cos(sp.rot)) / sp.ry;
          const double r2 = u * u + v * v;
          // A flat saturated core with a soft rim.
          g += sp.peak * std::exp(-r2 * r2);
        }
        return g;
      };
      std::snprintf(note, sizeof note, "%d patch(es), %.0f%% of the symbol's width", patches,
                    100 * (0.16 + 0.34 * sev));
      break;
    }
    case HardClass::SteepPerspective: {
      PlaceSymbol(s, symbol, 3.5, margin);
      if (distract) AddDistractors(s, rng, 3.5, 8 - 6 * sev);
      const double tilt = (40 + 20 * sev) * M_PI / 180;
      const bool acrossRows = n % 2 == 1;  // tilt axis across the rows: the rows shorten
      const double sign = UniformInt(rng, 0, 1) == 0 ? 1 : -1;
      const double half = (acrossRows ? s.pageWidth : s.pageHeight) / 2;
      const double hs = (acrossRows ? symbol.width : symbol.height) * 3.5 / 2 * std::sin(tilt);
      // Far end's modules half the near end's across the tilt direction.
      const double ct = std::cos(tilt), st = std::sin(tilt);
      const double D = std::max(3 * hs, 1.3 * half * st);
      auto forward = [=](double t, double o, double& X, double& Y) {
        const double z = D + sign * t * st;
        X = ct * t * D / z;
        Y = o * D / z;
      };
      double x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9;
      for (double t : {-half, half}) {
        for (double o : {-1.0, 1.0}) {
          double X, Y;
          forward(t, o * (acrossRows ? s.pageHeight : s.pageWidth) / 2, X, Y);
          x0 = std::min(x0, X), x1 = std::max(x1, X), y0 = std::min(y0, Y), y1 = std::max(y1, Y);
        }
      }
      const double w = x1 - x0, h = y1 - y0;
      const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
      const double a = std::abs(s.turn) * M_PI / 180;
      const double pw = acrossRows ? w : h, ph = acrossRows ? h : w;
      s.width = static_cast<int>(pw * std::cos(a) + ph * std::sin(a) + 40);
      s.height = static_cast<int>(pw * std::sin(a) + ph * std::cos(a) + 40);
      s.geometry = [=](double X, double Y, double& px, double& py, double&) {
        // Back to the tilt frame (X along the tilt direction, centred as the page's box).
        const double tx = (acrossRows ? X : Y) + cx;
        const double ty = (acrossRows ? Y : X) + cy;
        const double den = D * ct - sign * tx * st;
        if (den <= 0) return false;
        const double t = tx * D / den;
        const double o = ty * (D + sign * t * st) / D;
        px = acrossRows ? t : o;
        py = acrossRows ? o : t;
        return true;
      };
      std::snprintf(note, sizeof note, "tilt %.0f deg, axis %s the rows", tilt * 180 / M_PI,
                    acrossRows ? "across" : "along");
      break;
    }
    case HardClass::Bottle: {
      module = 3;
      PlaceSymbol(s, symbol, module, margin);
      if (distract) AddDistractors(s, rng, module, 8 - 6 * sev);
      const double radius = (1.5 - 0.9 * sev) * symbol.width * module;
      const bool vertical = n % 2 == 0;  // the bottle upright: the rows go round it
      const double lightAt = Uniform(rng, -0.7, 0.7), shine = Uniform(rng, -0.6, 0.6);
      const double bottle = Uniform(rng, 40, 110);
      const double along = vertical ? s.pageHeight : s.pageWidth;
      const double across =
          2 * radius *
          std::min(1.0, std::sin(std::min(M_PI / 2,
                                          (vertical ? s.pageWidth : s.pageHeight) / (2 * radius))));
      const double a = std::abs(s.turn) * M_PI / 180;
      const double pw = vertical ? across : along + 60, ph = vertical ? along + 60 : across;
      s.width = static_cast<int>(pw * std::cos(a) + ph * std::sin(a) + 60);
      s.height = static_cast<int>(pw * std::sin(a) + ph * std::cos(a) + 60);
      const double pageW = s.pageWidth, pageH = s.pageHeight;
      s.geometry = [=](double X, double Y, double& px, double& py, double& shade) {
        const double r = vertical ? X : Y;
        const double l = vertical ? Y : X;
        if (std::abs(r) >= radius || std::abs(l) > along / 2 + 30) return false;
        const double phi = std::asin(r / radius);
        const double arc = radius * phi;
        shade = 0.35 + 0.65 * std::max(0.0, std::cos(phi - lightAt));
        shade += 0.5 * std::exp(-(phi - shine) * (phi - shine) / 0.004);
        px = vertical ? arc : l;
        py = vertical ? l : arc;
        if (std::abs(px) > pageW / 2 || std::abs(py) > pageH / 2) {
          // The bottle round the label.
          px = std::nan("");
          shade *= bottle / 255.0;
        }
        return true;
      };
      std::snprintf(note, sizeof note, "radius %.2f symbol widths, %s", 1.5 - 0.9 * sev,
                    vertical ? "rows round" : "rows along");
      break;
    }
    case HardClass::Crumpled: {
      finishFlat(60);
      const double amp = (0.4 + 1.6 * sev) * module;
      struct Wave {
        double kx, ky, phase, ax, ay;
      };
      std::vector<Wave> waves;
      for (int i = 0; i < 5; ++i) {
        const double len = Uniform(rng, 15, 45) * module, dir = Uniform(rng, 0, 2 * M_PI);
        waves.push_back({2 * M_PI * std::cos(dir) / len, 2 * M_PI * std::sin(dir) / len,
                         Uniform(rng, 0, 2 * M_PI), amp * Uniform(rng, -0.6, 0.6),
                         amp * Uniform(rng, -0.6, 0.6)});
      }
      struct Crease {
        double nx, ny, d, bend, dim;
      };
      std::vector<Crease> creases;
      const int count = 2 + static_cast<int>(4 * sev);
      for (int i = 0; i < count; ++i) {
        const double dir = Uniform(rng, 0, M_PI);
        creases.push_back({std::cos(dir), std::sin(dir),
                           Uniform(rng, -0.3, 0.3) * std::min(s.pageWidth, s.pageHeight),
                           Uniform(rng, 0.02, 0.04 + 0.06 * sev) * (UniformInt(rng, 0, 1) ? 1 : -1),
                           Uniform(rng, 0.08, 0.15 + 0.2 * sev)});
      }
      s.geometry = [waves, creases](double X, double Y, double& px, double& py, double& shade) {
        px = X, py = Y;
        for (const Wave& w : waves) {
          const double v = std::sin(w.kx * X + w.ky * Y + w.phase);
          px += w.ax * v;
          py += w.ay * v;
          shade *= 1 + 0.08 * std::cos(w.kx * X + w.ky * Y + w.phase);
        }
        for (const Crease& k : creases) {
          const double d = k.nx * X + k.ny * Y - k.d;
          // A fold: the page on either side pulled toward the crease, its two facets lit apart.
          px += k.bend * std::abs(d) * k.nx;
          py += k.bend * std::abs(d) * k.ny;
          if (d > 0) shade *= 1 - k.dim;
          if (std::abs(d) < 1.0) shade *= 0.7;
        }
        return true;
      };
      std::snprintf(note, sizeof note, "displacement %.1f modules, %d creases", amp / module,
                    count);
      break;
    }
    case HardClass::FadedThermal: {
      s.paper = Uniform(rng, 212, 232);
      const double contrast = 70 - 45 * sev;
      s.ink = s.paper - contrast;
      s.desk = Uniform(rng, 50, 100);
      margin = distract ? 40 : Uniform(rng, 6, 12);
      finishFlat(80);
      struct Blot {
        double x, y, r, fade;
      };
      std::vector<Blot> blots;
      for (int i = 0; i < 6; ++i) {
        blots.push_back({Uniform(rng, 0, s.pageWidth), Uniform(rng, 0, s.pageHeight),
                         Uniform(rng, 0.05, 0.2) * s.pageWidth,
                         Uniform(rng, 0.2, 0.2 + 0.4 * sev)});
      }
      struct Streak {
        double y, h, fade;
      };
      std::vector<Streak> streaks;
      for (int i = 0, k = UniformInt(rng, 3, 8); i < k; ++i) {
        streaks.push_back({Uniform(rng, 0, s.pageHeight), Uniform(rng, 0.3, 1.5) * module,
                           Uniform(rng, 0.5, 0.9)});
      }
      const Scene* scene = &s;
      s.tone = [scene, blots, streaks](double px, double py) {
        const double base = StampTone(*scene, px, py);
        if (base == scene->paper) return base;
        double fade = 0;
        for (const Blot& b : blots) {
          const double d2 = ((px - b.x) * (px - b.x) + (py - b.y) * (py - b.y)) / (b.r * b.r);
          fade = std::max(fade, b.fade * std::exp(-d2));
        }
        for (const Streak& st : streaks) {
          if (py >= st.y && py < st.y + st.h) fade = std::max(fade, st.fade);
        }
        return base + (scene->paper - base) * fade;
      };
      std::snprintf(note, sizeof note, "ink %.0f on paper %.0f", s.ink, s.paper);
      break;
    }
    case HardClass::PhoneScreen: {
      // The symbol on a screen of `pitch` picture pixels a screen pixel, three screen pixels a
      // module; stripes of red, green and blue seen in grey, a black grid between pixel rows.
      const double pitch = 1.15 - 0.25 * sev;
      module = 3 * pitch;
      s.ink = Uniform(rng, 15, 35);  // a screen's black glows
      s.paper = 255;
      s.gain = 1.3 + 0.9 * sev;
      s.desk = Uniform(rng, 5, 25);  // the bezel
      finishFlat(50);
      const Scene* scene = &s;
      s.tone = [scene, pitch](double px, double py) {
        const double sx = px / pitch, sy = py / pitch;
        const double base =
            StampTone(*scene, (std::floor(sx) + 0.5) * pitch, (std::floor(sy) + 0.5) * pitch);
        if (sy - std::floor(sy) > 0.82) return scene->ink * 0.5;
        static constexpr double kWeight[3] = {0.9, 1.77, 0.33};
        const int sub = std::min(2, static_cast<int>(3 * (sx - std::floor(sx))));
        return base == scene->paper ? 255 * kWeight[sub] : scene->ink;
      };
      std::snprintf(note, sizeof note, "pitch %.2f px, exposure %.1f", pitch, s.gain);
      break;
    }
    case HardClass::Inverted: {
      const double label = Uniform(rng, 25, 60);
      s.paper = label;
      s.ink = label + 170 - 90 * sev;
      s.blur = 0.6 + 0.6 * sev;
      s.noise = Uniform(rng, 3, 6);
      s.desk = Uniform(rng, 150, 210);
      finishFlat(60);
      std::snprintf(note, sizeof note, "bars %.0f on %.0f, blur %.1f", s.ink, s.paper, s.blur);
      break;
    }
    case HardClass::HardShadow: {
      finishFlat(40);
      const double dark = 0.45 - 0.25 * sev;
      const double cx = s.width / 2.0 + Uniform(rng, -0.2, 0.2) * symbol.width * module;
      const double cy = s.height / 2.0 + Uniform(rng, -0.2, 0.2) * symbol.height * module;
      const double dir = Uniform(rng, 0, M_PI), nx = std::cos(dir), ny = std::sin(dir);
      const double soft = Uniform(rng, 0.5, 2);
      if (n % 2 == 0) {
        s.light = [=](double x, double y) {
          const double d = (x - cx) * nx + (y - cy) * ny;
          return dark + (1 - dark) / (1 + std::exp(-d / soft));
        };
        std::snprintf(note, sizeof note, "one edge, light %.2f in the shadow", dark);
      } else {
        const double period = Uniform(rng, 5, 14) * module;
        s.light = [=](double x, double y) {
          const double d = (x - cx) * nx + (y - cy) * ny;
          const double f = d / period - std::floor(d / period);
          const double e = std::min(f, 1 - f) - 0.25;  // > 0 inside a lit stripe
          return dark + (1 - dark) / (1 + std::exp(-e * period / soft));
        };
        std::snprintf(note, sizeof note, "blinds of %.0f px, light %.2f in the shadow", period,
                      dark);
      }
      break;
    }
    case HardClass::DotMatrix: {
      module = Uniform(rng, 3, 4);
      finishFlat(40);
      const double pitch = module / Uniform(rng, 1.25, 1.75);
      const double ox = Uniform(rng, 0, pitch), oy = Uniform(rng, 0, pitch);
      const double radius = 0.55 * pitch * (1.1 + 0.4 * sev);
      std::vector<int> dead;
      for (int i = 0, k = 1 + static_cast<int>(3 * sev); i < k; ++i) {
        dead.push_back(UniformInt(rng, 0, 8));
      }
      const Scene* scene = &s;
      s.tone = [scene, pitch, ox, oy, radius, dead](double px, double py) {
        // Only the symbol is printed in dots; the rest of the page as it is.
        const Stamp& sym = scene->stamps.front();
        if (sym.At(px, py) < 0) return StampTone(*scene, px, py);
        const int cx = static_cast<int>(std::floor((px - ox) / pitch));
        const int cy = static_cast<int>(std::floor((py - oy) / pitch));
        for (int dy = -1; dy <= 1; ++dy) {
          const int row = cy + dy;
          const int nozzle = ((row % 9) + 9) % 9;
          if (std::find(dead.begin(), dead.end(), nozzle) != dead.end()) continue;
          for (int dx = -1; dx <= 1; ++dx) {
            const double dcx = ox + (cx + dx + 0.5) * pitch, dcy = oy + (row + 0.5) * pitch;
            if (sym.At(dcx, dcy) != 1) continue;
            if (std::hypot(px - dcx, py - dcy) < radius) return scene->ink;
          }
        }
        return scene->paper;
      };
      std::snprintf(note, sizeof note, "dot pitch %.2f modules, %zu dead nozzle(s) of 9",
                    pitch / module, dead.size());
      break;
    }
    case HardClass::Distractors:
    case HardClass::Negative: {
      distract = true;
      margin = 40;
      finishFlat(200);
      BusyDesk(s, rng, 150);
      std::snprintf(note, sizeof note, "distractors %.1f modules away", 8 - 6 * sev);
      break;
    }
  }
  if (distract && draw != HardClass::Distractors && s.deskPatches.empty()) BusyDesk(s, rng, 40);
  out.image = Render(s, rng);
  out.note = note;
  return out;
}

}  // namespace hardsweep
