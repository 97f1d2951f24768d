// Draws a symbol's module matrix: as pixels (one-bit bitmap and PNG files) and as an SVG path.
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "pdf417/common/bitmap.h"
#include "pdf417/common/error.h"
#include "pdf417/encoder/bmp_writer.h"
#include "pdf417/encoder/png_writer.h"
#include "pdf417/encoder/stages.h"
#include "pdf417/encoder/symbol.h"

namespace pdf417 {
namespace {

// Size of the drawing before rotation, in modules: quiet zone on every side.
struct Extent {
  int width;
  int height;
};
Extent ModuleExtent(const Symbol& s) {
  const int q = s.drawing.quietZone;
  return {s.width + 2 * q, s.rows * s.drawing.rowHeight + 2 * q};
}

void CheckSymbol(const Symbol& s) {
  if (s.rows <= 0 || s.width <= 0 ||
      s.modules.size() != static_cast<std::size_t>(s.rows) * static_cast<std::size_t>(s.width)) {
    throw Error(ErrorCode::InvalidArgument, "the symbol has no modules to draw");
  }
}

std::string Hex(const Colour& c) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", c.red, c.green, c.blue);
  return text;
}

// The drawing's pixel lines, top first, after the clockwise quarter turns: one byte a pixel,
// 1 for the foreground. Many lines are equal (every pixel line of a symbol row, or of a module
// column once turned a quarter): lines with the same Key are the same, so a caller draws each
// once and repeats it.
class PixelLines {
 public:
  explicit PixelLines(const Symbol& s)
      : s_(s), mw_(s.drawing.moduleWidth), q_(s.drawing.quietZone), turns_(s.drawing.quarterTurns) {
    CheckSymbol(s);
    const Extent e = ModuleExtent(s);
    const long long w = static_cast<long long>(e.width) * mw_;
    const long long h = static_cast<long long>(e.height) * mw_;
    if (w > kMaxBitmapSide || h > kMaxBitmapSide) {
      throw Error(ErrorCode::InvalidArgument,
                  "the picture would be " + std::to_string(w) + " x " + std::to_string(h) +
                      " pixels; at most " + std::to_string(kMaxBitmapSide) +
                      " a side: use a smaller module width or row height");
    }
    upWidth_ = static_cast<int>(w);
    upHeight_ = static_cast<int>(h);
  }

  int Width() const { return turns_ % 2 == 0 ? upWidth_ : upHeight_; }
  int Height() const { return turns_ % 2 == 0 ? upHeight_ : upWidth_; }

  // Upright: the symbol row of the line, or -1 in the quiet zone. Turned a quarter: the module
  // column, or -1 outside the symbol.
  int Key(int y) const {
    switch (turns_) {
      case 0:
        return RowAt(y);
      case 2:
        return RowAt(upHeight_ - 1 - y);
      case 1:
        return ColumnAt(y);
      default:
        return ColumnAt(upWidth_ - 1 - y);
    }
  }

  // Writes line y, Width() bytes.
  void Draw(int y, std::uint8_t* line) const {
    const int width = Width();
    switch (turns_) {
      case 0:
        UprightLine(RowAt(y), line);
        break;
      case 2:
        UprightLine(RowAt(upHeight_ - 1 - y), line);
        std::reverse(line, line + width);
        break;
      case 1:  // the upright column y, read from the bottom up
        for (int x = 0; x < width; ++x) line[x] = UprightDark(ColumnAt(y), upHeight_ - 1 - x);
        break;
      default:  // the upright column from the right, read from the top down
        for (int x = 0; x < width; ++x) line[x] = UprightDark(ColumnAt(upWidth_ - 1 - y), x);
        break;
    }
  }

  // Writes line y packed one bit a pixel, the first pixel in the most significant bit:
  // (Width() + 7) / 8 bytes. `scratch` holds Width() bytes.
  void DrawPacked(int y, std::uint8_t* packed, std::uint8_t* scratch) const {
    Draw(y, scratch);
    PackBits(scratch, Width(), packed);
  }

 private:
  int RowAt(int uy) const {
    const int m = uy / mw_ - q_;
    return m < 0 || m >= s_.rows * s_.drawing.rowHeight ? -1 : m / s_.drawing.rowHeight;
  }
  int ColumnAt(int ux) const {
    const int m = ux / mw_ - q_;
    return m < 0 || m >= s_.width ? -1 : m;
  }
  std::uint8_t UprightDark(int column, int uy) const {
    const int row = RowAt(uy);
    return column >= 0 && row >= 0 && s_.Dark(row, column) ? 1 : 0;
  }
  // The pixel line of a symbol row, one byte a pixel, each pixel written once and without a
  // branch on the modules' colours.
  void UprightLine(int row, std::uint8_t* line) const {
    const std::size_t margin = static_cast<std::size_t>(q_ * mw_);
    std::memset(line, 0, margin);
    std::memset(line + upWidth_ - margin, 0, margin);
    std::uint8_t* out = line + margin;
    if (row < 0) {
      std::memset(out, 0, static_cast<std::size_t>(s_.width * mw_));
      return;
    }
    const std::uint8_t* modules = s_.modules.data() + static_cast<std::size_t>(row) * s_.width;
    // One pixel a module is a block copy; two (the default) interleave sixteen modules at a time.
    if (mw_ == 1) {
      std::memcpy(out, modules, static_cast<std::size_t>(s_.width));
    } else if (mw_ == 2) {
      int m = 0;
#if defined(__SSE2__)
      for (; m + 16 <= s_.width; m += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(modules + m));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * m), _mm_unpacklo_epi8(v, v));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * m + 16), _mm_unpackhi_epi8(v, v));
      }
#endif
      for (; m < s_.width; ++m) {
        out[2 * m] = modules[m];
        out[2 * m + 1] = modules[m];
      }
    } else {
      for (int m = 0; m < s_.width; ++m) {
        const std::uint8_t v = modules[m];
        for (int k = 0; k < mw_; ++k) out[k] = v;
        out += mw_;
      }
    }
  }
  const Symbol& s_;
  int mw_;
  int q_;
  int turns_;
  int upWidth_ = 0;
  int upHeight_ = 0;
};

}  // namespace

namespace {

// The classic drawing of a symbol as a symbol of one-pixel modules and one-pixel rows: each row
// repeated classicAspect times, framed by the classic quiet zone.
Symbol ClassicDrawing(const Symbol& s) {
  const int aspect = s.drawing.classicAspect;
  const bool quiet = aspect != 1;
  const int left = quiet ? 8 : 0;
  const int top = quiet ? 2 : 0;
  Symbol d;
  d.width = s.width + 2 * left;
  d.rows = s.rows * aspect + 2 * top;
  d.modules.assign(static_cast<std::size_t>(d.width) * static_cast<std::size_t>(d.rows), 0);
  for (int y = 0; y < s.rows * aspect; ++y) {
    const std::uint8_t* from =
        s.modules.data() + static_cast<std::size_t>(y / aspect) * static_cast<std::size_t>(s.width);
    std::copy(from, from + s.width,
              d.modules.begin() + static_cast<std::ptrdiff_t>((top + y) * d.width + left));
  }
  d.drawing.moduleWidth = 1;
  d.drawing.rowHeight = 1;
  d.drawing.quietZone = 0;
  return d;
}

}  // namespace

Raster RasterOf(const Symbol& s) {
  if (s.drawing.classicAspect > 0) return RasterOf(ClassicDrawing(s));
  const PixelLines lines(s);
  Raster out;
  out.width = lines.Width();
  out.height = lines.Height();
  const std::size_t w = static_cast<std::size_t>(out.width);
  // Each line is drawn once per key and appended; no pixel is written twice.
  out.pixels.reserve(w * static_cast<std::size_t>(out.height));
  std::vector<std::uint8_t> line(w);
  int drawn = -2;
  for (int y = 0; y < out.height; ++y) {
    const int key = lines.Key(y);
    if (key != drawn) {
      lines.Draw(y, line.data());
      drawn = key;
    }
    out.pixels.insert(out.pixels.end(), line.begin(), line.end());
  }
  return out;
}

std::vector<std::uint8_t> RenderBmp(const Symbol& s) {
  if (s.drawing.classicAspect > 0) {
    return RenderSymbolImage(s.columns, s.level, s.codewords, s.drawing.classicAspect);
  }
  const Raster r = RasterOf(s);
  BilevelBmp file(r.width, r.height, s.drawing.background, s.drawing.foreground);
  for (int y = 0; y < r.height; ++y)
    PackBits(r.pixels.data() + static_cast<std::size_t>(y) * r.width, r.width, file.Line(y));
  return file.Take();
}

std::vector<std::uint8_t> RenderPng(const Symbol& s) {
  const PixelLines lines(s);
  const int width = lines.Width();
  const int height = lines.Height();
  const std::size_t stride = (static_cast<std::size_t>(width) + 7) / 8;
  std::vector<std::uint8_t> line(static_cast<std::size_t>(width));
  // Every byte is written below, so the picture is not cleared first.
  const std::unique_ptr<std::uint8_t[]> image(
      new std::uint8_t[stride * static_cast<std::size_t>(height)]);
  int drawn = -2;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* packed = image.get() + stride * static_cast<std::size_t>(y);
    const int key = lines.Key(y);
    if (key != drawn) {
      lines.DrawPacked(y, packed, line.data());
      drawn = key;
    } else {
      std::memcpy(packed, packed - stride, stride);
    }
  }
  return BilevelPng(image.get(), width, height, s.drawing.background, s.drawing.foreground);
}

std::string RenderSvg(const Symbol& s) {
  CheckSymbol(s);
  if (s.drawing.classicAspect > 0) return RenderSvg(ClassicDrawing(s));
  const Extent e = ModuleExtent(s);
  const int q = s.drawing.quietZone;
  const int rh = s.drawing.rowHeight;
  const int turns = s.drawing.quarterTurns;
  const int viewW = turns % 2 == 0 ? e.width : e.height;
  const int viewH = turns % 2 == 0 ? e.height : e.width;
  const int mw = s.drawing.moduleWidth;
  std::string path;
  path.reserve(static_cast<std::size_t>(s.rows) * 200);
  for (int r = 0; r < s.rows; ++r) {
    for (int m = 0; m < s.width;) {
      if (!s.Dark(r, m)) {
        ++m;
        continue;
      }
      int end = m;
      while (end < s.width && s.Dark(r, end)) ++end;
      path += "M" + std::to_string(q + m) + " " + std::to_string(q + r * rh) + "h" +
              std::to_string(end - m) + "v" + std::to_string(rh) + "h-" + std::to_string(end - m) +
              "z";
      m = end;
    }
  }
  // The clockwise quarter turns as a transform of module coordinates.
  std::string transform;
  if (turns == 1) transform = " transform=\"matrix(0 1 -1 0 " + std::to_string(e.height) + " 0)\"";
  if (turns == 2) {
    transform = " transform=\"matrix(-1 0 0 -1 " + std::to_string(e.width) + " " +
                std::to_string(e.height) + ")\"";
  }
  if (turns == 3) transform = " transform=\"matrix(0 -1 1 0 0 " + std::to_string(e.width) + ")\"";
  const std::string w = std::to_string(viewW);
  const std::string h = std::to_string(viewH);
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
         std::to_string(viewW * mw) + "\" height=\"" + std::to_string(viewH * mw) +
         "\" viewBox=\"0 0 " + w + " " + h + "\" shape-rendering=\"crispEdges\">\n" +
         "<rect width=\"" + w + "\" height=\"" + h + "\" fill=\"" + Hex(s.drawing.background) +
         "\"/>\n<path fill=\"" + Hex(s.drawing.foreground) + "\"" + transform + " d=\"" + path +
         "\"/>\n</svg>\n";
}

ImageFormat FormatOfFileName(const std::string& fileName) {
  const std::size_t slash = fileName.find_last_of('/');
  const std::size_t dot = fileName.find_last_of('.');
  std::string ext;
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
    ext = fileName.substr(dot + 1);
  }
  std::string lower = ext;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == "bmp") return ImageFormat::Bmp;
  if (lower == "png") return ImageFormat::Png;
  if (lower == "svg") return ImageFormat::Svg;
  throw Error(ErrorCode::InvalidArgument,
              (ext.empty() ? "'" + fileName + "' has no extension"
                           : "'." + ext + "' is not a picture format this encoder writes") +
                  "; use .png, .svg or .bmp");
}

std::vector<std::uint8_t> RenderImage(const Symbol& symbol, ImageFormat format) {
  switch (format) {
    case ImageFormat::Bmp:
      return RenderBmp(symbol);
    case ImageFormat::Png:
      return RenderPng(symbol);
    case ImageFormat::Svg: {
      const std::string svg = RenderSvg(symbol);
      return std::vector<std::uint8_t>(svg.begin(), svg.end());
    }
  }
  return {};
}

}  // namespace pdf417
