// Draws a symbol's module matrix: as pixels (one-bit bitmap and PNG files) and as an SVG path.
#include <spng.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "pdf417/common/bitmap.h"
#include "pdf417/common/error.h"
#include "pdf417/encoder/stages.h"
#include "pdf417/encoder/symbol.h"

namespace pdf417 {
namespace {

constexpr std::size_t kPaletteSize = 8;
constexpr std::size_t kPixelOffset = kHeadersSize + kPaletteSize;

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

// Packs a line of one byte a pixel into one bit a pixel, the first pixel in the most significant
// bit; `packed` has (width + 7) / 8 bytes.
void PackBits(const std::uint8_t* line, int width, std::uint8_t* packed) {
  const int whole = width / 8;
  for (int i = 0; i < whole; ++i) {
    const std::uint8_t* p = line + 8 * i;
    packed[i] = static_cast<std::uint8_t>(p[0] << 7 | p[1] << 6 | p[2] << 5 | p[3] << 4 |
                                          p[4] << 3 | p[5] << 2 | p[6] << 1 | p[7]);
  }
  if (whole * 8 < width) {
    std::uint8_t last = 0;
    for (int x = whole * 8; x < width; ++x)
      last |= static_cast<std::uint8_t>(line[x] << (7 - x % 8));
    packed[whole] = last;
  }
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
    if (turns_ == 0) {
      UprightPacked(RowAt(y), packed);
    } else {
      Draw(y, scratch);
      PackBits(scratch, Width(), packed);
    }
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
    // One and two pixels a module (the default) get loops the compiler turns into block copies
    // and byte interleaving.
    if (mw_ == 1) {
      std::memcpy(out, modules, static_cast<std::size_t>(s_.width));
    } else if (mw_ == 2) {
      for (int m = 0; m < s_.width; ++m) {
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
  // The same line packed one bit a pixel, straight from the modules: each module shifts
  // moduleWidth copies of its bit into an accumulator that gives out whole bytes.
  void UprightPacked(int row, std::uint8_t* packed) const {
    const std::size_t bytes = (static_cast<std::size_t>(upWidth_) + 7) / 8;
    if (row < 0) {
      std::memset(packed, 0, bytes);
      return;
    }
    const std::uint8_t* modules = s_.modules.data() + static_cast<std::size_t>(row) * s_.width;
    const std::uint64_t ones = (std::uint64_t{1} << mw_) - 1;
    std::uint64_t bits = 0;  // the last `count` pixels, the latest in the lowest bit
    int count = 0;
    std::uint8_t* out = packed;
    const auto flush = [&] {
      while (count >= 8) {
        count -= 8;
        *out++ = static_cast<std::uint8_t>(bits >> count);
      }
    };
    for (int k = 0; k < q_; ++k) {
      bits <<= mw_;
      count += mw_;
      flush();
    }
    for (int m = 0; m < s_.width; ++m) {
      bits = bits << mw_ | (modules[m] != 0 ? ones : 0);
      count += mw_;
      flush();
    }
    for (int k = 0; k < q_; ++k) {
      bits <<= mw_;
      count += mw_;
      flush();
    }
    if (count > 0) *out = static_cast<std::uint8_t>(bits << (8 - count));
  }

  const Symbol& s_;
  int mw_;
  int q_;
  int turns_;
  int upWidth_ = 0;
  int upHeight_ = 0;
};

struct SpngFree {
  void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
struct MallocFree {
  void operator()(void* p) const { std::free(p); }
};

void CheckPng(int code) {
  if (code == 0) return;
  if (code == SPNG_EMEM) throw std::bad_alloc();
  throw Error(ErrorCode::InvalidArgument,
              std::string("cannot make the PNG picture: ") + spng_strerror(code));
}

}  // namespace

Raster RasterOf(const Symbol& s) {
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
  const Raster r = RasterOf(s);
  const std::int64_t stride = BitmapStride(r.width, 1);
  const std::int64_t size = static_cast<std::int64_t>(kPixelOffset) + stride * r.height;
  std::vector<std::uint8_t> file(static_cast<std::size_t>(size), 0);
  BitMpHead head;
  head.bfSize = static_cast<std::uint32_t>(size);
  head.bfOffBits = static_cast<std::uint32_t>(kPixelOffset);
  BitMpInfoHead info;
  info.biWidth = r.width;
  info.biHeight = r.height;
  info.biBitCount = 1;
  info.biSizeImage = static_cast<std::uint32_t>(stride * r.height);
  WriteFileHeader(head, file.data());
  WriteInfoHeader(info, file.data() + kFileHeaderSize);
  // Palette entries are blue, green, red, reserved: 0 the background, 1 the foreground.
  std::uint8_t* palette = file.data() + kHeadersSize;
  const Colour& bg = s.drawing.background;
  const Colour& fg = s.drawing.foreground;
  palette[0] = bg.blue;
  palette[1] = bg.green;
  palette[2] = bg.red;
  palette[4] = fg.blue;
  palette[5] = fg.green;
  palette[6] = fg.red;
  for (int y = 0; y < r.height; ++y) {
    std::uint8_t* dst = file.data() + kPixelOffset + (r.height - 1 - y) * stride;
    const std::uint8_t* src = r.pixels.data() + static_cast<std::size_t>(y) * r.width;
    for (int x = 0; x < r.width; ++x) {
      if (src[x]) dst[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
    }
  }
  return file;
}

std::vector<std::uint8_t> RenderPng(const Symbol& s) {
  const PixelLines lines(s);
  const int width = lines.Width();
  const int height = lines.Height();
  std::unique_ptr<spng_ctx, SpngFree> ctx(spng_ctx_new(SPNG_CTX_ENCODER));
  if (!ctx) throw std::bad_alloc();
  spng_ctx* c = ctx.get();
  CheckPng(spng_set_option(c, SPNG_ENCODE_TO_BUFFER, 1));
  // A two-colour palette and one bit a pixel. Every pixel line of a symbol row repeats the one
  // above it: the "up" filter makes those lines zeros, which deflate's fastest level with a
  // 4 KiB window and a small hash packs almost for free. Files are about a third larger than
  // with the best compression (1.3 KB for 300 bytes of text) and are written several times
  // faster; zlib's small state is reused by the allocator instead of fresh pages every picture.
  CheckPng(spng_set_option(c, SPNG_FILTER_CHOICE, SPNG_FILTER_CHOICE_UP));
  CheckPng(spng_set_option(c, SPNG_IMG_COMPRESSION_LEVEL, 1));
  CheckPng(spng_set_option(c, SPNG_IMG_WINDOW_BITS, 12));
  CheckPng(spng_set_option(c, SPNG_IMG_MEM_LEVEL, 4));
  CheckPng(spng_set_option(c, SPNG_IMG_COMPRESSION_STRATEGY, Z_DEFAULT_STRATEGY));
  spng_ihdr ihdr{};
  ihdr.width = static_cast<std::uint32_t>(width);
  ihdr.height = static_cast<std::uint32_t>(height);
  ihdr.bit_depth = 1;
  ihdr.color_type = SPNG_COLOR_TYPE_INDEXED;
  CheckPng(spng_set_ihdr(c, &ihdr));
  spng_plte plte{};
  plte.n_entries = 2;
  const Colour& bg = s.drawing.background;
  const Colour& fg = s.drawing.foreground;
  plte.entries[0] = {bg.red, bg.green, bg.blue, 255};
  plte.entries[1] = {fg.red, fg.green, fg.blue, 255};
  CheckPng(spng_set_plte(c, &plte));
  // The whole picture in one call: spng then hands zlib large blocks rather than a line at a time.
  const std::size_t stride = (static_cast<std::size_t>(width) + 7) / 8;
  std::vector<std::uint8_t> line(static_cast<std::size_t>(width));
  std::vector<std::uint8_t> image(stride * static_cast<std::size_t>(height));
  int drawn = -2;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* packed = image.data() + stride * static_cast<std::size_t>(y);
    const int key = lines.Key(y);
    if (key != drawn) {
      lines.DrawPacked(y, packed, line.data());
      drawn = key;
    } else {
      std::memcpy(packed, packed - stride, stride);
    }
  }
  CheckPng(spng_encode_image(c, image.data(), image.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE));
  std::size_t size = 0;
  int rc = 0;
  const std::unique_ptr<void, MallocFree> file(spng_get_png_buffer(c, &size, &rc));
  CheckPng(rc);
  if (!file) CheckPng(SPNG_EMEM);
  const auto* bytes = static_cast<const std::uint8_t*>(file.get());
  return std::vector<std::uint8_t>(bytes, bytes + size);
}

std::string RenderSvg(const Symbol& s) {
  CheckSymbol(s);
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
