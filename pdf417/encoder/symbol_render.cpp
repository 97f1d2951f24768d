// Draws a symbol's module matrix: as pixels (one-bit bitmap and PNG files) and as an SVG path.
#include <png.h>

#include <algorithm>
#include <cctype>
#include <cstring>
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

}  // namespace

Raster RasterOf(const Symbol& s) {
  CheckSymbol(s);
  const Extent e = ModuleExtent(s);
  const int mw = s.drawing.moduleWidth;
  const int q = s.drawing.quietZone;
  const long long w = static_cast<long long>(e.width) * mw;
  const long long h = static_cast<long long>(e.height) * mw;
  if (w > kMaxBitmapSide || h > kMaxBitmapSide) {
    throw Error(ErrorCode::InvalidArgument,
                "the picture would be " + std::to_string(w) + " x " + std::to_string(h) +
                    " pixels; at most " + std::to_string(kMaxBitmapSide) +
                    " a side: use a smaller module width or row height");
  }
  // Upright first.
  Raster up;
  up.width = static_cast<int>(w);
  up.height = static_cast<int>(h);
  up.pixels.assign(static_cast<std::size_t>(w * h), 0);
  const int rowPixels = s.drawing.rowHeight * mw;
  for (int r = 0; r < s.rows; ++r) {
    std::uint8_t* first = up.pixels.data() + static_cast<std::size_t>((q * mw + r * rowPixels) * w);
    for (int m = 0; m < s.width; ++m) {
      if (s.Dark(r, m)) std::memset(first + (q + m) * mw, 1, static_cast<std::size_t>(mw));
    }
    for (int k = 1; k < rowPixels; ++k) {
      std::memcpy(first + static_cast<std::size_t>(k * w), first, static_cast<std::size_t>(w));
    }
  }
  const int turns = s.drawing.quarterTurns;
  if (turns == 0) return up;
  Raster out;
  out.width = turns == 2 ? up.width : up.height;
  out.height = turns == 2 ? up.height : up.width;
  out.pixels.resize(up.pixels.size());
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      // The upright pixel that lands at (x, y) after the clockwise turns.
      int ux = x;
      int uy = y;
      if (turns == 1) {
        ux = y;
        uy = up.height - 1 - x;
      } else if (turns == 2) {
        ux = up.width - 1 - x;
        uy = up.height - 1 - y;
      } else {
        ux = up.width - 1 - y;
        uy = x;
      }
      out.pixels[static_cast<std::size_t>(y) * out.width + x] =
          up.pixels[static_cast<std::size_t>(uy) * up.width + ux];
    }
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
  const Raster r = RasterOf(s);
  const Colour& bg = s.drawing.background;
  const Colour& fg = s.drawing.foreground;
  const png_byte colourMap[6] = {bg.red, bg.green, bg.blue, fg.red, fg.green, fg.blue};
  // libpng's simplified writer: eight-bit indices in, a two-entry palette file of one bit per
  // pixel out; no long jumps across this code.
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(r.width);
  image.height = static_cast<png_uint_32>(r.height);
  image.format = PNG_FORMAT_RGB_COLORMAP;
  image.colormap_entries = 2;
  png_alloc_size_t size = 0;
  if (!png_image_write_get_memory_size(image, size, 0, r.pixels.data(), r.width, colourMap)) {
    const std::string message = image.message;
    png_image_free(&image);
    throw Error(ErrorCode::InvalidArgument, "cannot make the PNG picture: " + message);
  }
  std::vector<std::uint8_t> out(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, r.pixels.data(), r.width,
                                 colourMap)) {
    const std::string message = image.message;
    png_image_free(&image);
    throw Error(ErrorCode::InvalidArgument, "cannot make the PNG picture: " + message);
  }
  out.resize(size);
  return out;
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
