// The options entry of the encoder: data and choices to a symbol held as a module matrix, and
// renderers that draw that matrix as a one-bit bitmap, a PNG picture or an SVG drawing.
//
// Every function that can fail throws pdf417::Error with a message for people.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pdf417/common/export.h"
#include "pdf417/encoder/encoder.h"

namespace pdf417 {

// How the data becomes codewords. Auto finds the shortest mix of text, numeric and byte
// compaction; Byte gives the codewords EncodePdf417 writes for the same columns and level.
enum class Compaction { Auto, Byte };

struct Colour {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
};

// How the module matrix is drawn.
struct Drawing {
  int moduleWidth = 2;  // pixels per module, 1 .. 20
  int rowHeight = 3;    // modules per symbol row, 2 .. 20 (raised for symbols of few rows)
  int quietZone = 2;    // modules of background around the symbol, 0 .. 50
  Colour foreground{0, 0, 0};
  Colour background{255, 255, 255};
  int quarterTurns = 0;  // clockwise rotation, 0 .. 3
  // 0, or the classic drawing of EncodePdf417 (PDF417 only, black on white, the fields above at
  // their defaults): one pixel a module, this many pixel rows a symbol row (1 .. 10,000), a quiet
  // zone of 8 pixels left and right and 2 above and below unless it is 1. RenderBmp then gives
  // exactly EncodePdf417ToImage's file, RasterOf, RenderPng and RenderSvg the same pixels (one
  // SVG unit a pixel).
  int classicAspect = 0;
};

// A Macro PDF417 segment: one symbol of data spread over several.
struct MacroSegment {
  bool present = false;
  int index = 0;       // 0-based segment index, below count
  int count = 0;       // number of segments, 1 .. 99,999
  std::string fileId;  // decimal digits, up to 30; empty gives one made from the data
};

struct SymbolOptions {
  Symbology symbology = Symbology::Pdf417;
  Compaction compaction = Compaction::Auto;
  int level = -1;              // -1: the recommended level for the data; otherwise 0 .. 8
  int minLevel = 0;            // with level -1, never less than this
  int columns = 0;             // 0: chosen with rows; otherwise 1 .. 30 (1 .. 4 for MicroPDF417)
  int rows = 0;                // 0: chosen with columns; otherwise 3 .. 90 (MicroPDF417: a size's)
  double widthToHeight = 3.0;  // width-to-height ratio the automatic choice aims at (not micro)
  int eci = -1;                // -1: none; otherwise 0 .. 811,799, written before the data
  MacroSegment macro;
  bool compact = false;  // with symbology Pdf417: the same as CompactPdf417
  Drawing drawing;
};

// MicroPDF417 has no error-correction level: a size fixes its count of error-correction
// codewords, so level and minLevel stay at their defaults. Without columns and rows, the size
// chosen is the one of least area (row width times rows) that holds the data, and of those the
// one of fewest codewords; with columns, the fewest rows; with rows, the fewest columns.

// A symbol: rows x width modules, row-major, 1 for a dark module; no quiet zone.
struct Symbol {
  Symbology symbology = Symbology::Pdf417;
  int rows = 0;
  int columns = 0;
  int level = 0;  // -1 for MicroPDF417, whose size fixes the error correction
  int width = 0;  // modules per row: 17 columns + 69, or + 35 when compact; 38, 55, 82 or 99
                  // for MicroPDF417 of 1 to 4 columns
  int dataCodewords = 0;       // descriptor (not in MicroPDF417), data, pads and control block: all
                               // but error correction
  bool compact = false;        // symbology CompactPdf417
  CodewordSequence codewords;  // data then error correction, rows x columns of them
  std::vector<std::uint8_t> modules;
  Drawing drawing;                    // as chosen, the row height raised where readers need it
  std::vector<std::string> warnings;  // made, but with something a person should know
  bool levelLowered = false;  // an automatic level below the recommended one, for the data to fit

  bool Dark(int row, int module) const {
    return modules[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                   static_cast<std::size_t>(module)] != 0;
  }
};

// Checks every option, with messages built from the limits; throws InvalidArgument.
PDF417_EXPORT void CheckOptions(const SymbolOptions& options);

// The recommended error-correction level for a number of data codewords.
PDF417_EXPORT int RecommendedLevel(int dataCodewords);

// The shortest codeword sequence of the data in text, numeric and byte compaction, from the
// start state of a symbol (text, upper case). No length descriptor and no pads.
PDF417_EXPORT CodewordSequence CompactOptimal(const std::uint8_t* data, std::size_t length);

// Encodes the data. Throws InvalidArgument when the options are wrong or the data does not fit;
// the message says which columns would fit, if any (for MicroPDF417: the largest size it could
// have had).
PDF417_EXPORT Symbol Encode(const std::uint8_t* data, std::size_t length,
                            const SymbolOptions& options = {});
inline Symbol Encode(const std::string& data, const SymbolOptions& options = {}) {
  return Encode(reinterpret_cast<const std::uint8_t*>(data.data()), data.size(), options);
}

// The largest number of leading bytes of the data that one symbol of these options holds
// (options.macro should be set as it will be written), at the recommended level when the level is
// automatic. 0 when not even one byte fits.
PDF417_EXPORT std::size_t LargestFittingPrefix(const std::uint8_t* data, std::size_t length,
                                               const SymbolOptions& options);

// The drawing as pixels, top row first, rotated, quiet zone included: one byte per pixel,
// 1 foreground, 0 background.
struct Raster {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
  bool Foreground(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)] != 0;
  }
};
PDF417_EXPORT Raster RasterOf(const Symbol& symbol);

enum class ImageFormat { Bmp, Png, Svg };

// The format named by a file's extension (.bmp, .png, .svg, any case); throws InvalidArgument
// naming the extension for any other.
PDF417_EXPORT ImageFormat FormatOfFileName(const std::string& fileName);

// One bit per pixel, two colours.
PDF417_EXPORT std::vector<std::uint8_t> RenderBmp(const Symbol& symbol);
PDF417_EXPORT std::vector<std::uint8_t> RenderPng(const Symbol& symbol);
// One path, one unit per module.
PDF417_EXPORT std::string RenderSvg(const Symbol& symbol);
PDF417_EXPORT std::vector<std::uint8_t> RenderImage(const Symbol& symbol, ImageFormat format);

}  // namespace pdf417
