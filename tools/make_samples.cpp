// Writes the sample pictures of tests/samples/ with their expected bytes, reproducibly (fixed
// seeds, no clock): symbols of our encoder, the photo-like pictures the decoder tests make
// (tests/decoder/photo_fixtures.h), the camera frame of the decode benchmark, zint's symbols (its
// command-line tool, a black box) and ImageMagick's convert for file kinds, scanned-looking pages
// and photo compression. tools/make_samples.sh builds and runs it; the pictures are committed and
// the tests only read them.
//
//   make_samples SAMPLES_DIR PAGE_TOOL
//
// PAGE_TOOL renders the window's print page (tools/make_samples_page.cpp). Every folder is emptied
// and written again. A picture NAME.EXT holds the bytes of NAME.bin, or of NAME.1.bin, NAME.2.bin,
// ... for several symbols in page order (top to bottom, then left to right); a negative has none.
#include <iconv.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "decoder/photo_fixtures.h"
#include "pdf417/common/patterns.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/symbol.h"
#include "test_util.h"

namespace fs = std::filesystem;

namespace {

using phototest::PhotoClass;

std::string gSamples;   // the samples folder
std::string gScratch;   // temporary files
std::string gPageTool;  // the print page renderer
int gScratchCount = 0;

std::string Q(const std::string& s) { return testutil::ShellQuote(s); }

std::string Scratch(const std::string& extension) {
  return gScratch + "/s" + std::to_string(gScratchCount++) + extension;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteRaw(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

void WriteRaw(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  WriteRaw(path, std::string(bytes.begin(), bytes.end()));
}

void Run(const std::string& command) {
  const std::string err = gScratch + "/stderr";
  if (std::system((command + " >/dev/null 2>" + Q(err)).c_str()) != 0) {
    throw std::runtime_error("failed: " + command + "\n" + ReadText(err));
  }
}

// ---------------------------------------------------------------------------------------------
// Grey pictures

struct Grey {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> px;  // top row first, 0 black .. 255 white

  Grey() = default;
  Grey(int w, int h, std::uint8_t fill = 255)
      : width(w), height(h), px(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) {}
  std::uint8_t& At(int x, int y) {
    return px[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
              static_cast<std::size_t>(x)];
  }
  std::uint8_t At(int x, int y) const {
    return px[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
              static_cast<std::size_t>(x)];
  }
};

void WritePgm(const Grey& g, const std::string& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "P5\n" << g.width << " " << g.height << "\n255\n";
  out.write(reinterpret_cast<const char*>(g.px.data()), static_cast<std::streamsize>(g.px.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

Grey ReadPgm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int w = 0, h = 0, max = 0;
  in >> magic >> w >> h >> max;
  in.get();
  if (magic != "P5" || max != 255 || w <= 0 || h <= 0)
    throw std::runtime_error("not a PGM " + path);
  Grey g(w, h);
  in.read(reinterpret_cast<char*>(g.px.data()), static_cast<std::streamsize>(g.px.size()));
  if (!in) throw std::runtime_error("short PGM " + path);
  return g;
}

// Any picture file as grey, through convert.
Grey LoadGrey(const std::string& path) {
  const std::string pgm = Scratch(".pgm");
  Run("convert " + Q(path) + " -colorspace Gray -depth 8 " + Q("pgm:" + pgm));
  return ReadPgm(pgm);
}

Grey FromFixture(const pdf417::GreyImage& image) {
  Grey g(image.width, image.height);
  std::copy(image.pixels.begin(), image.pixels.end(), g.px.begin());
  return g;
}

// The encoder's raster: foreground ink, background paper.
Grey FromRaster(const pdf417::Raster& r, std::uint8_t ink = 0, std::uint8_t paper = 255) {
  Grey g(r.width, r.height);
  for (std::size_t i = 0; i < g.px.size(); ++i) g.px[i] = r.pixels[i] != 0 ? ink : paper;
  return g;
}

// A one-bit bitmap file of our encoder.
Grey FromBmp(const std::vector<std::uint8_t>& file) {
  const testutil::OneBitPicture p(file);
  Grey g(p.width, p.height);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) g.At(x, y) = p.dark(y, x) ? 0 : 255;
  return g;
}

// Nearest neighbour: each pixel takes the source pixel under its centre.
Grey Scale(const Grey& in, double sx, double sy) {
  Grey out(static_cast<int>(std::lround(in.width * sx)),
           static_cast<int>(std::lround(in.height * sy)));
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      out.At(x, y) = in.At(std::min(in.width - 1, static_cast<int>((x + 0.5) / sx)),
                           std::min(in.height - 1, static_cast<int>((y + 0.5) / sy)));
    }
  }
  return out;
}

// Turned clockwise by the angle about the centre onto paper with a margin, nearest neighbour.
Grey Turn(const Grey& in, double degrees, int margin, std::uint8_t paper = 255) {
  const double a = degrees * M_PI / 180;
  const double cs = std::cos(a), sn = std::sin(a);
  const double bw = std::fabs(in.width * cs) + std::fabs(in.height * sn);
  const double bh = std::fabs(in.width * sn) + std::fabs(in.height * cs);
  Grey out(static_cast<int>(std::ceil(bw)) + 2 * margin,
           static_cast<int>(std::ceil(bh)) + 2 * margin, paper);
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      const double dx = x + 0.5 - out.width / 2.0, dy = y + 0.5 - out.height / 2.0;
      const double sx = cs * dx + sn * dy + in.width / 2.0;
      const double sy = -sn * dx + cs * dy + in.height / 2.0;
      if (sx < 0 || sy < 0 || sx >= in.width || sy >= in.height) continue;
      out.At(x, y) = in.At(static_cast<int>(sx), static_cast<int>(sy));
    }
  }
  return out;
}

Grey Frame(const Grey& in, int margin, std::uint8_t paper = 255) {
  Grey out(in.width + 2 * margin, in.height + 2 * margin, paper);
  for (int y = 0; y < in.height; ++y)
    for (int x = 0; x < in.width; ++x) out.At(x + margin, y + margin) = in.At(x, y);
  return out;
}

void Paste(Grey& page, const Grey& s, int left, int top) {
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) page.At(left + x, top + y) = s.At(x, y);
}

Grey Crop(const Grey& in, int left, int top, int right, int bottom) {
  left = std::max(0, left);
  top = std::max(0, top);
  right = std::min(in.width, right);
  bottom = std::min(in.height, bottom);
  Grey out(right - left, bottom - top);
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) out.At(x - left, y - top) = in.At(x, y);
  return out;
}

Grey Invert(Grey g) {
  for (auto& p : g.px) p = static_cast<std::uint8_t>(255 - p);
  return g;
}

// Symbol pixels (below mid-grey) and background as module grid of the photo fixtures, `pad`
// light modules around; `module` pixels a module.
phototest::ModuleGrid GridOf(const Grey& g, int module, int pad) {
  phototest::ModuleGrid grid;
  grid.width = g.width / module + 2 * pad;
  grid.height = g.height / module + 2 * pad;
  grid.dark.assign(static_cast<std::size_t>(grid.width) * static_cast<std::size_t>(grid.height),
                   false);
  for (int y = 0; y < g.height / module; ++y) {
    for (int x = 0; x < g.width / module; ++x) {
      grid.dark[static_cast<std::size_t>(y + pad) * static_cast<std::size_t>(grid.width) +
                static_cast<std::size_t>(x + pad)] =
          g.At(x * module + module / 2, y * module + module / 2) < 128;
    }
  }
  return grid;
}

// ---------------------------------------------------------------------------------------------
// Sample files

std::string Path(const std::string& rel) { return gSamples + "/" + rel; }

std::string Stem(const std::string& rel) {
  return rel.substr(0, rel.size() - fs::path(rel).extension().string().size());
}

// NAME.bin for one symbol, NAME.1.bin, NAME.2.bin, ... for several, nothing for none.
void Expect(const std::string& rel, const std::vector<std::string>& symbols) {
  const std::string stem = Stem(rel);
  if (symbols.size() == 1) {
    WriteRaw(Path(stem + ".bin"), symbols[0]);
    return;
  }
  for (std::size_t i = 0; i < symbols.size(); ++i) {
    WriteRaw(Path(stem + "." + std::to_string(i + 1) + ".bin"), symbols[i]);
  }
}

bool Bilevel(const Grey& g) {
  return std::all_of(g.px.begin(), g.px.end(), [](std::uint8_t p) { return p == 0 || p == 255; });
}

// Writes a grey picture as rel, by its extension: PNG of one bit a pixel when it holds only black
// and white (and no effect is applied), otherwise of 8; JPEG of the quality; BMP of 8 bits.
// `effects` are convert options applied first (turns, blur, noise).
void Save(const Grey& g, const std::string& rel, const std::vector<std::string>& symbols,
          const std::string& effects = "", int quality = 75) {
  const std::string pgm = Scratch(".pgm");
  WritePgm(g, pgm);
  const std::string ext = fs::path(rel).extension().string();
  std::string format;
  if (ext == ".jpg") {
    format = "-quality " + std::to_string(quality);
  } else if (ext == ".png") {
    format = std::string("-define png:color-type=0 -define png:bit-depth=") +
             (effects.empty() && Bilevel(g) ? "1" : "8");
  } else {
    format = "-type Grayscale";
  }
  Run("convert " + Q(pgm) + " " + effects + " -strip " + format + " " + Q(Path(rel)));
  Expect(rel, symbols);
}

void SaveBytes(const std::vector<std::uint8_t>& file, const std::string& rel,
               const std::vector<std::string>& symbols) {
  WriteRaw(Path(rel), std::string(file.begin(), file.end()));
  Expect(rel, symbols);
}

// ---------------------------------------------------------------------------------------------
// Data

std::string Text(std::size_t n, unsigned seed) {
  static const std::string kChars =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 .,;:!?-/+*=#$%&()@'\"";
  std::mt19937 rng(seed);
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += kChars[rng() % kChars.size()];
  return s;
}

std::string Digits(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += static_cast<char>('0' + rng() % 10);
  return s;
}

std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += static_cast<char>(rng() % 256);
  return s;
}

// Text, a digit run long enough for numeric compaction, bytes and text again.
std::string Mixed(unsigned seed) {
  return Text(12, seed) + Digits(30, seed + 1) + RandomBytes(9, seed + 2) + Text(7, seed + 3);
}

// Words of a document, for Macro PDF417 files and pages.
std::string Prose(std::size_t n, unsigned seed) {
  static const char* const kWords[] = {
      "shipment", "invoice",  "pallet", "carrier", "receipt", "customs", "weight", "order",
      "label",    "delivery", "route",  "depot",   "parcel",  "tariff",  "item",   "batch"};
  std::mt19937 rng(seed);
  std::string s;
  while (s.size() < n) {
    s += kWords[rng() % 16];
    s += rng() % 5 == 0 ? ", " + std::to_string(rng() % 100000) + " " : " ";
  }
  s.resize(n);
  return s;
}

std::string Gbk(const std::string& utf8) {
  iconv_t cd = iconv_open("GBK", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no GBK in iconv");
  std::string in = utf8;
  std::string out(in.size() * 2 + 8, '\0');
  char* ip = in.data();
  char* op = out.data();
  std::size_t il = in.size(), ol = out.size();
  const std::size_t rc = iconv(cd, &ip, &il, &op, &ol);
  iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1)) throw std::runtime_error("not GBK: " + utf8);
  out.resize(out.size() - ol);
  return out;
}

// ---------------------------------------------------------------------------------------------
// Symbols

pdf417::SymbolOptions Options(int columns = 0, int level = -1, int module = 2) {
  pdf417::SymbolOptions o;
  o.columns = columns;
  o.level = level;
  o.drawing.moduleWidth = module;
  return o;
}

// Our symbol as the encoder writes it, PNG or BMP by the name.
void Ours(const std::string& rel, const std::string& data, const pdf417::SymbolOptions& o) {
  const pdf417::Symbol s = pdf417::Encode(data, o);
  SaveBytes(pdf417::RenderImage(s, pdf417::FormatOfFileName(rel)), rel, {data});
}

Grey OursGrey(const std::string& data, const pdf417::SymbolOptions& o, std::uint8_t ink = 0,
              std::uint8_t paper = 255) {
  return FromRaster(pdf417::RasterOf(pdf417::Encode(data, o)), ink, paper);
}

// The window's classic bitmap: one pixel a module, `aspect` pixel rows a row.
std::vector<std::uint8_t> Classic(const std::string& data, int columns, int level, int aspect) {
  return pdf417::EncodePdf417ToImage(reinterpret_cast<const std::uint8_t*>(data.data()),
                                     static_cast<int>(data.size()), columns, level, aspect);
}

// zint's picture of the data (raw bytes from a file) with the options, in a scratch file.
std::string Zint(const std::string& data, const std::string& options,
                 const std::string& extension = ".png") {
  const std::string input = Scratch(".dat");
  WriteRaw(input, data);
  const std::string out = Scratch(extension);
  Run("zint --binary --input=" + Q(input) + " -o " + Q(out) + " " + options);
  return out;
}

// zint's picture as the sample; with `expected`, the data are its bytes, otherwise it is a
// negative (another symbology).
void ZintSample(const std::string& rel, const std::string& data, const std::string& options,
                bool expected = true) {
  const std::string file = Zint(data, options, fs::path(rel).extension().string());
  fs::copy_file(file, Path(rel), fs::copy_options::overwrite_existing);
  if (expected) Expect(rel, {data});
}

Grey ZintGrey(const std::string& data, const std::string& options) {
  return LoadGrey(Zint(data, options));
}

// ---------------------------------------------------------------------------------------------
// Folders

void OursClean() {
  const std::string f = "ours-clean/";
  // The window's bitmap: 5 columns, level 1, 3 pixel rows a row, GBK text as the window writes it.
  const std::string window = Gbk("条码测试 PDF417 二维条码 0123456789");
  SaveBytes(Classic(window, 5, 1, 3), f + "window-gbk.bmp", {window});
  SaveBytes(Classic("A", 5, 1, 3), f + "window-one-letter.bmp", {"A"});
  const std::string k1 = Text(1000, 1);
  SaveBytes(Classic(k1, 10, 5, 3), f + "window-1000-bytes.bmp", {k1});
  // The command line's defaults: shortest compaction, chosen size, 2 pixels a module.
  Ours(f + "hello.png", "Hello, World!", {});
  Ours(f + "text.png", Text(300, 2), {});
  Ours(f + "digits.png", Digits(200, 3), {});
  Ours(f + "bytes.png", RandomBytes(250, 4), {});
  Ours(f + "mixed.png", Mixed(5), {});
  Ours(f + "zero-bytes.png", std::string(20, '\0'), {});
  Ours(f + "high-bytes.png", std::string(40, '\xff'), {});
  Ours(f + "boarding-pass.png", "M1DOE/JOHN E ABC123 LHRJFKBA 0123 045Y012C0001 100", {});
  Ours(f + "url.png", "https://example.com/track?id=4711-0815-AB&lang=en", {});
  pdf417::SymbolOptions gbk;
  gbk.eci = 32;
  const std::string chinese = Gbk("二维条码的中文数据，共二十个汉字左右吧。");
  Ours(f + "gbk-eci.png", chinese, gbk);
  pdf417::SymbolOptions utf8;
  utf8.eci = 26;
  Ours(f + "utf8-eci.png", "Grüße aus Zürich, ½ € — ok", utf8);
  pdf417::SymbolOptions macro;
  macro.macro.present = true;
  macro.macro.index = 1;
  macro.macro.count = 3;
  macro.macro.fileId = "123456";
  Ours(f + "macro-segment.png", Prose(120, 6), macro);
  Ours(f + "largest.png", RandomBytes(1100, 7), Options(29, 2));
  Ours(f + "bitmap-default.bmp", "the command line's bitmap", {});
  Ours(f + "one-byte.png", "x", {});
}

void OursVaried() {
  const std::string f = "ours-varied/";
  const std::string base = "Module widths, aspect ratios and levels 0123456789";
  for (int m = 1; m <= 6; ++m) {
    Ours(f + "module-" + std::to_string(m) + ".png", Text(30 + 7 * m, 10u + m), Options(0, -1, m));
  }
  // Fractional module widths: a one-pixel symbol magnified by nearest neighbour (bars of two
  // pixel widths) and by convert's smooth resize (grey edges).
  for (const double m : {1.5, 2.5, 3.3}) {
    const std::string data = Text(60, static_cast<unsigned>(m * 10));
    pdf417::SymbolOptions o = Options(5, 3, 1);
    o.drawing.rowHeight = 3;
    const Grey g = Scale(OursGrey(data, o), m, m);
    Save(g, f + "module-" + std::to_string(static_cast<int>(m * 10)) + "-tenths.png", {data});
  }
  for (const double m : {1.7, 2.6}) {
    const std::string data = Text(50, static_cast<unsigned>(m * 10 + 1));
    const Grey g = OursGrey(data, Options(4, 3, 1));
    const std::string pct = std::to_string(static_cast<int>(m * 100)) + "%";
    Save(g, f + "module-" + std::to_string(static_cast<int>(m * 10)) + "-tenths-smooth.png", {data},
         "-filter Triangle -resize " + pct);
  }
  // The classic bitmap at every aspect ratio (1 has no quiet zone).
  for (int aspect = 1; aspect <= 5; ++aspect) {
    const std::string data = Text(20 + 30 * aspect, 20u + aspect);
    SaveBytes(Classic(data, 1 + 2 * aspect, aspect % 4, aspect),
              f + "classic-rows-" + std::to_string(aspect) + ".bmp", {data});
  }
  for (int level = 0; level <= 8; ++level) {
    const std::string data =
        level % 2 == 0 ? Text(25 + 10 * level, 30u + level) : Mixed(30u + level);
    Ours(f + "level-" + std::to_string(level) + ".png", data, Options(3 + 3 * level, level));
  }
  for (const int columns : {1, 2, 4, 9, 17, 30}) {
    const std::string data = Text(static_cast<std::size_t>(10 + 6 * columns), 40u + columns);
    Ours(f + "columns-" + std::to_string(columns) + ".png", data, Options(columns, 2));
  }
  {
    pdf417::SymbolOptions tall = Options(2, 4);
    tall.rows = 60;
    Ours(f + "rows-60.png", Text(80, 47), tall);
    pdf417::SymbolOptions wide = Options(20, 2);
    wide.rows = 3;
    Ours(f + "rows-3.png", Text(40, 48), wide);
  }
  for (const int columns : {1, 3, 6, 12}) {
    pdf417::SymbolOptions o = Options(columns, 2 + columns % 3, columns == 1 ? 3 : 2);
    o.compact = true;
    Ours(f + "compact-" + std::to_string(columns) + ".png",
         Text(static_cast<std::size_t>(6 + 9 * columns), 50u + columns), o);
  }
  for (const int quiet : {0, 1, 10}) {
    pdf417::SymbolOptions o;
    o.drawing.quietZone = quiet;
    Ours(f + "quiet-zone-" + std::to_string(quiet) + ".png", Text(45, 60u + quiet), o);
  }
  for (const int rowHeight : {2, 5, 10}) {
    pdf417::SymbolOptions o;
    o.drawing.rowHeight = rowHeight;
    Ours(f + "row-height-" + std::to_string(rowHeight) + ".png", Text(45, 70u + rowHeight), o);
  }
  const struct {
    const char* name;
    pdf417::Colour fg, bg;
  } colours[] = {{"navy-on-yellow", {0, 0, 128}, {255, 255, 0}},
                 {"red-on-grey", {150, 20, 20}, {220, 220, 220}},
                 {"black-on-grey", {0, 0, 0}, {150, 150, 150}},
                 {"green-on-white", {0, 110, 40}, {255, 255, 255}}};
  unsigned seed = 80;
  for (const auto& c : colours) {
    pdf417::SymbolOptions o;
    o.drawing.foreground = c.fg;
    o.drawing.background = c.bg;
    Ours(f + "colour-" + c.name + ".png", Text(50, seed++), o);
  }
  for (int turns = 1; turns <= 3; ++turns) {
    for (const int m : {1, 3}) {
      pdf417::SymbolOptions o = Options(0, -1, m);
      o.drawing.quarterTurns = turns;
      Ours(f + "turned-" + std::to_string(90 * turns) + "-module-" + std::to_string(m) + ".png",
           Mixed(90u + 10 * turns + m), o);
    }
  }
  {
    pdf417::SymbolOptions o = Options(4, 3, 2);
    o.compact = true;
    o.drawing.quarterTurns = 1;
    Ours(f + "compact-turned-90.png", Text(50, 100), o);
    pdf417::SymbolOptions macro;
    macro.macro = {true, 0, 2, "899"};
    macro.drawing.quarterTurns = 2;
    macro.eci = 3;
    Ours(f + "eci-macro-turned-180.png", "Latin-1 text \xe9t\xe9 in a Macro segment", macro);
  }
  // The readings test's pictures: the classic bitmap drawn grey (20 on 230), as read, with rows of
  // one pixel, and turned by quarter turns.
  {
    const std::string text = "One matrix, read five ways";
    const Grey symbol = FromBmp(Classic(text, 4, 2, 3));
    const auto grey = [](Grey g) {
      for (auto& p : g.px) p = p < 128 ? 20 : 230;
      return g;
    };
    Save(grey(symbol), f + "grey-as-read.png", {text});
    Save(grey(FromBmp(Classic(text, 4, 2, 1))), f + "grey-rows-one-pixel.png", {text});
    Save(grey(Turn(symbol, 90, 0)), f + "grey-turned-90.png", {text});
    Save(grey(Turn(symbol, 180, 0)), f + "grey-turned-180.png", {text});
    Save(grey(Turn(symbol, 270, 0)), f + "grey-turned-270.png", {text});
  }
  // Small turns of the tests' turned pictures, nearest neighbour.
  {
    const std::string data = Text(50, 110);
    Save(Turn(Scale(FromBmp(Classic(data, 4, 2, 5)), 3, 3), -3, 8), f + "tilted-3-degrees.png",
         {data});
    const std::string data2 = Text(40, 111);
    Save(Turn(FromBmp(Classic(data2, 6, 3, 3)), 4, 16), f + "tilted-4-degrees-module-1.png",
         {data2});
  }
  // A 12-megapixel page with one symbol of 6-pixel modules.
  {
    const std::string data = Text(200, 130);
    Grey page(4000, 3000);
    Paste(page, OursGrey(data, Options(8, 4, 6)), 1700, 1300);
    Save(page, f + "page-12-megapixels.png", {data});
  }
  // A clean symbol as colour and grey JPEG.
  {
    const std::string data = Text(70, 120);
    const Grey g = OursGrey(data, Options(5, 3, 3));
    Save(g, f + "jpeg-grey.jpg", {data}, "", 90);
    pdf417::SymbolOptions o = Options(5, 3, 3);
    o.drawing.foreground = {40, 20, 90};
    o.drawing.background = {250, 240, 200};
    const std::string png = Scratch(".png");
    const std::string data2 = Text(70, 121);
    WriteRaw(png, pdf417::RenderPng(pdf417::Encode(data2, o)));
    Run("convert " + Q(png) + " -strip -type TrueColor -quality 85 " +
        Q(Path(f + "jpeg-colour.jpg")));
    Expect(f + "jpeg-colour.jpg", {data2});
  }
}

// One symbol in every kind of file the decoder takes.
void Formats() {
  const std::string f = "formats/";
  const std::string text = "every kind of picture";
  const std::string bmp = Scratch(".bmp");
  WriteRaw(bmp, Classic(text, 4, 3, 3));
  std::string greys;
  for (int i = 0; i < 20; ++i) {
    const int v = 120 + 6 * i;
    greys += " -fill 'rgb(" + std::to_string(v) + "," + std::to_string(v) + "," +
             std::to_string(v) + ")' -draw 'point " + std::to_string(i) + ",0'";
  }
  const struct {
    const char* name;
    std::string options;
    const char* prefix;
  } kinds[] = {
      {"bmp-1bit-os2.bmp", "", "BMP2:"},
      {"bmp-1bit-v3.bmp", "-type Bilevel", "BMP3:"},
      {"bmp-4bit.bmp",
       "-fill 'rgb(200,200,200)' -draw 'point 0,0' -fill 'rgb(150,150,150)' -draw 'point 1,0' "
       "-type Palette",
       ""},
      {"bmp-8bit.bmp", greys + " -type Palette -compress None", ""},
      {"bmp-16bit-565.bmp", "-type TrueColor -define bmp:subtype=RGB565", ""},
      {"bmp-16bit-555.bmp", "-type TrueColor -define bmp:subtype=RGB555", ""},
      {"bmp-24bit.bmp", "-type TrueColor -define bmp:format=bmp3", ""},
      {"bmp-32bit.bmp", "-type TrueColorAlpha", ""},
      {"png-grey-1bit.png", "-define png:color-type=0 -define png:bit-depth=1", ""},
      {"png-grey-2bit.png", "-define png:color-type=0 -define png:bit-depth=2", ""},
      {"png-grey-4bit.png", "-define png:color-type=0 -define png:bit-depth=4", ""},
      {"png-grey-8bit.png", "-define png:color-type=0 -define png:bit-depth=8", ""},
      {"png-grey-16bit.png", "-colorspace Gray -define png:color-type=0 -define png:bit-depth=16",
       ""},
      {"png-rgb-8bit.png", "-define png:color-type=2 -define png:bit-depth=8", ""},
      {"png-rgb-16bit.png", "-define png:color-type=2 -define png:bit-depth=16", ""},
      {"png-palette.png", "-define png:color-type=3 -define png:bit-depth=8", ""},
      {"png-grey-alpha.png", "-define png:color-type=4 -define png:bit-depth=8", ""},
      {"png-rgba-16bit-interlaced.png",
       "-define png:color-type=6 -define png:bit-depth=16 -interlace PNG", ""},
      {"png-grey-1bit-interlaced.png",
       "-define png:color-type=0 -define png:bit-depth=1 -interlace PNG", ""},
      {"png-transparent-background.png",
       "-transparent white -background black -alpha background -define png:color-type=6 "
       "-define png:bit-depth=8",
       ""},
      {"jpeg-grey.jpg", "-quality 90 -colorspace Gray", ""},
      {"jpeg-colour.jpg", "-quality 90 -type TrueColor", ""},
      {"jpeg-progressive.jpg", "-quality 90 -type TrueColor -interlace JPEG", ""},
      {"jpeg-cmyk.jpg", "-quality 90 -colorspace CMYK", ""},
  };
  for (const auto& k : kinds) {
    Run("convert " + Q(bmp) + " " + k.options + " -strip " +
        Q(std::string(k.prefix) + Path(f + k.name)));
    Expect(f + k.name, {text});
  }
  // The bitmap turned and skewed by convert.
  Run("convert " + Q(bmp) + " -rotate 90 -type TrueColor -define bmp:format=bmp3 " +
      Q(Path(f + "bmp-24bit-turned-90.bmp")));
  Expect(f + "bmp-24bit-turned-90.bmp", {text});
  Run("convert " + Q(bmp) + " -rotate 180 -type Bilevel " + Q(Path(f + "bmp-1bit-turned-180.bmp")));
  Expect(f + "bmp-1bit-turned-180.bmp", {text});
}

void ZintFolder() {
  const std::string f = "zint/";
  const auto pdf = [](int columns, int level, const std::string& scale) {
    return "-b 55 --cols=" + std::to_string(columns) + " --secure=" + std::to_string(level) +
           " --scale=" + scale;
  };
  for (int level = 0; level <= 8; ++level) {
    ZintSample(f + "level-" + std::to_string(level) + ".png",
               level % 2 == 0 ? Text(20 + 9 * level, level) : Mixed(level),
               pdf(3 + 3 * level, level, "1"));
  }
  for (const int columns : {1, 2, 5, 11, 19, 30}) {
    ZintSample(f + "columns-" + std::to_string(columns) + ".png", Text(5 + columns % 17, columns),
               pdf(columns, columns % 5, columns % 2 ? "1" : "0.5"));
  }
  const struct {
    const char* name;
    std::string data;
  } modes[] = {
      {"text", "Hello, World! 12345"},
      {"long-text", Text(150, 7)},
      {"one-digit", Digits(1, 1)},
      {"digits-44", Digits(44, 2)},
      {"digits-200", Digits(200, 3)},
      {"bytes-6", RandomBytes(6, 4)},
      {"bytes-97", RandomBytes(97, 5)},
      {"extreme-bytes", std::string("\x00\xff\x80\x7f", 4)},
      {"mixed", Mixed(6)},
      {"byte-shifts", Text(9, 8) + "\xe9\xe8" + Text(9, 9) + Digits(15, 10)},
  };
  for (const auto& m : modes) {
    ZintSample(f + "compaction-" + m.name + ".png", m.data, pdf(6, 3, "1"));
  }
  unsigned seed = 0;
  for (const char* scale : {"0.5", "1.5", "2", "3", "4"}) {
    const std::string s = scale;
    ZintSample(f + "scale-" + s + ".png", Text(25, seed),
               pdf(2 + static_cast<int>(seed % 5), static_cast<int>(seed % 4), s));
    ZintSample(
        f + "scale-" + s + "-quiet-zones.png", RandomBytes(30, seed + 50),
        pdf(2 + static_cast<int>(seed % 5), static_cast<int>(seed % 4), s) + " --quietzones");
    ++seed;
  }
  seed = 100;
  for (const char* scale : {"0.55", "0.7", "0.9", "1.3", "1.7", "2.2", "2.65", "3.3", "3.85"}) {
    const std::string s = scale;
    ZintSample(f + "scale-" + s + ".png", seed % 3 == 0 ? Mixed(seed) : Text(40, seed),
               pdf(3 + static_cast<int>(seed % 9), 1 + static_cast<int>(seed % 4), s) +
                   (seed % 2 == 0 ? " --quietzones" : ""));
    ++seed;
  }
  seed = 200;
  for (const int rotate : {90, 180, 270}) {
    for (const bool quiet : {false, true}) {
      const std::string scale = quiet ? "0.75" : "1";
      ZintSample(f + "turned-" + std::to_string(rotate) + (quiet ? "-quiet-zones" : "") + ".png",
                 seed % 2 == 0 ? Mixed(seed) : RandomBytes(20, seed),
                 pdf(1 + static_cast<int>(seed % 7), static_cast<int>(seed % 5), scale) +
                     " --rotate=" + std::to_string(rotate) + (quiet ? " --quietzones" : ""));
      ++seed;
    }
  }
  ZintSample(f + "large-modules-turned-90.png", Text(15, 250), pdf(2, 2, "4") + " --rotate=90");
  ZintSample(f + "large-modules-turned-270.png", Text(15, 252), pdf(2, 2, "3.2") + " --rotate=270");
  ZintSample(f + "large-30-columns.png", RandomBytes(700, 300), pdf(30, 5, "1"));
  ZintSample(f + "tall-one-column-turned.png", Text(60, 301), pdf(1, 2, "0.6") + " --rotate=90");
  // The bitmap files zint writes, as the decoder tests read them.
  ZintSample(f + "bitmap-level-2.bmp", Text(40, 310), pdf(4, 2, "1") + " --filetype=bmp");
  ZintSample(f + "bitmap-turned-180.bmp", Mixed(311),
             pdf(5, 3, "1.5") + " --rotate=180 --filetype=bmp");
  // Compact symbols, the compact test's shapes.
  const struct {
    int columns, level;
    std::size_t bytes;
    const char* scale;
  } compact[] = {{1, 0, 6, "1"},  {2, 2, 25, "0.5"}, {3, 4, 40, "1.5"},
                 {5, 3, 90, "2"}, {8, 5, 150, "1"},  {12, 6, 200, "1.5"}};
  seed = 400;
  for (const auto& c : compact) {
    ZintSample(f + "compact-" + std::to_string(c.columns) + ".png", Text(c.bytes, seed++),
               "-b 56 --cols=" + std::to_string(c.columns) +
                   " --secure=" + std::to_string(c.level) + " --scale=" + c.scale);
  }
  // Compact symbols turned by a few degrees, one pixel a module.
  for (const double degrees : {3.0, -4.0}) {
    const std::string data = Text(degrees > 0 ? 50 : 80, seed++);
    const Grey g = ZintGrey(data, "-b 56 --cols=" + std::string(degrees > 0 ? "4" : "6") +
                                      " --secure=" + (degrees > 0 ? "2" : "3") + " --scale=0.5");
    Save(Turn(g, degrees, 16),
         f + "compact-tilted-" + std::to_string(static_cast<int>(std::fabs(degrees))) +
             (degrees > 0 ? "-degrees-clockwise.png" : "-degrees-counter-clockwise.png"),
         {data});
  }
  ZintSample(f + "eci-utf8.png", "Grüße, ½ € und Ökonomie", "-b 55 --cols=5 --secure=3 --eci=26");
  ZintSample(f + "structured-append.png", Prose(90, 320),
             "-b 55 --cols=5 --secure=3 --structapp=2,4,123456");
}

// The photo-like pictures of the decoder tests, cropped to the symbol and a margin.
Grey Cropped(const phototest::Photo& p, int margin) {
  const Grey g = FromFixture(p.image);
  double l = 1e9, t = 1e9, r = -1e9, b = -1e9;
  for (const auto& c : p.corners) {
    l = std::min(l, c.x);
    r = std::max(r, c.x);
    t = std::min(t, c.y);
    b = std::max(b, c.y);
  }
  return Crop(g, static_cast<int>(l) - margin, static_cast<int>(t) - margin,
              static_cast<int>(r) + margin, static_cast<int>(b) + margin);
}

std::string Slug(const char* name) {
  std::string s;
  for (const char* c = name; *c != '\0'; ++c) {
    const auto u = static_cast<unsigned char>(*c);
    s += std::isalnum(u) ? static_cast<char>(std::tolower(u)) : '-';
  }
  return s;
}

// The camera frame of the decode benchmark: the 100-byte sample, 10 columns, level 5, drawn with
// modules 3 pixels wide on unevenly lit paper, turned 1.5 degrees, its right end 10% shorter,
// blurred twice and with a little noise, 1600 x 1200 pixels.
std::string BenchSampleBytes(int length) {
  std::string data(static_cast<std::size_t>(length), '\0');
  std::uint32_t x = 12345;
  for (auto& b : data) {
    x = x * 1103515245u + 12345u;
    b = static_cast<char>(static_cast<std::uint8_t>(x >> 16));
  }
  return data;
}

Grey CameraFrame() {
  const std::string data = BenchSampleBytes(100);
  const Grey symbol = FromBmp(Classic(data, 10, 5, 3));
  const int width = 1600, height = 1200;
  const double module = 3.0;
  Grey out(width, height);
  const double hw = symbol.width * module / 2, hh = symbol.height * module / 2;
  const double keystone = 0.10;
  const double k = keystone / (hw * (2 - keystone));
  const double a = 1.5 * M_PI / 180, ca = std::cos(a), sa = std::sin(a);
  std::uint32_t noise = 12345;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double px = x + 0.5 - width / 2.0, py = y + 0.5 - height / 2.0;
      const double X = ca * px - sa * py, Y = sa * px + ca * py;
      const double den = 1 - k * X;
      const int u = static_cast<int>(std::floor((X / den + hw) / module));
      const int v = static_cast<int>(std::floor((Y / den + hh) / module));
      const bool dark = den > 0 && u >= 0 && v >= 0 && u < symbol.width && v < symbol.height &&
                        symbol.At(u, v) < 128;
      const double paper = 200 - 50.0 * x / width;
      noise = noise * 1664525u + 1013904223u;
      const int jitter = static_cast<int>(noise >> 29) - 4;
      out.At(x, y) = static_cast<std::uint8_t>(std::lround((dark ? 50 : paper) + jitter));
    }
  }
  for (int pass = 0; pass < 2; ++pass) {
    const Grey in = out;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        int sum = 0;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx)
            sum += in.At(std::clamp(x + dx, 0, width - 1), std::clamp(y + dy, 0, height - 1));
        out.At(x, y) = static_cast<std::uint8_t>((sum + 4) / 9);
      }
    }
  }
  return out;
}

void Photos() {
  const std::string f = "photo/";
  // Pictures n of each class; PNG where JPEG compression would take what the test reads away.
  struct Pick {
    PhotoClass c;
    int n;
    bool upright;
    bool png;
  };
  // Combined pictures 0, 2 and 0 near upright are left out: the decoder reads none of them (the
  // photo test asks for 4 of 8 of that class).
  const Pick picks[] = {
      {PhotoClass::Turned, 0, false, false},        {PhotoClass::Turned, 1, false, false},
      {PhotoClass::Turned, 2, true, false},         {PhotoClass::Rotated10To80, 0, false, false},
      {PhotoClass::Rotated10To80, 1, false, false}, {PhotoClass::Rotated10To80, 2, false, false},
      {PhotoClass::Perspective, 0, false, false},   {PhotoClass::Perspective, 1, false, false},
      {PhotoClass::Perspective, 2, true, false},    {PhotoClass::LowContrast, 0, false, false},
      {PhotoClass::LowContrast, 1, false, false},   {PhotoClass::LowContrast, 2, true, false},
      {PhotoClass::UnevenLight, 0, false, false},   {PhotoClass::UnevenLight, 1, false, false},
      {PhotoClass::UnevenLight, 2, true, false},    {PhotoClass::Blur, 0, false, false},
      {PhotoClass::Blur, 1, false, false},          {PhotoClass::Blur, 2, true, false},
      {PhotoClass::Noise, 0, false, false},         {PhotoClass::Noise, 1, false, false},
      {PhotoClass::Noise, 2, true, false},          {PhotoClass::SmallModules, 0, false, true},
      {PhotoClass::SmallModules, 1, false, true},   {PhotoClass::SmallModules, 2, true, true},
      {PhotoClass::Clutter, 0, false, false},       {PhotoClass::Clutter, 1, false, false},
      {PhotoClass::Clutter, 2, true, false},        {PhotoClass::DefacedStop, 0, false, false},
      {PhotoClass::DefacedStop, 1, false, false},   {PhotoClass::DefacedStop, 2, true, false},
      {PhotoClass::DefacedStart, 0, false, false},  {PhotoClass::DefacedStart, 1, false, false},
      {PhotoClass::DefacedStart, 2, true, false},   {PhotoClass::CoveredCorner, 0, false, false},
      {PhotoClass::CoveredCorner, 1, false, false}, {PhotoClass::CoveredCorner, 2, true, false},
      {PhotoClass::Combined, 1, false, false},      {PhotoClass::Combined, 3, false, false},
      {PhotoClass::Combined, 4, false, false},      {PhotoClass::Combined, 1, true, false},
      {PhotoClass::Jpeg40, 0, false, false},        {PhotoClass::Jpeg40, 1, false, false},
      {PhotoClass::Jpeg40, 2, true, false},
  };
  for (const Pick& p : picks) {
    const phototest::Photo photo = phototest::MakePhoto(p.c, p.n, p.upright);
    const std::string name = f + Slug(phototest::ClassName(p.c)) + "-" + std::to_string(p.n) +
                             (p.upright ? "-upright" : "") + (p.png ? ".png" : ".jpg");
    Save(Cropped(photo, 40), name, {photo.data});
  }
  // Random symbols painted over in a few cells, turned by any angle.
  const struct {
    int level, cells;
    unsigned seed;
  } damaged[] = {{2, 1, 201}, {3, 3, 302}, {4, 6, 403}, {6, 20, 604}};
  for (const auto& d : damaged) {
    const phototest::Photo photo = phototest::MakeDamagedPhoto(d.level, d.cells, d.seed);
    Save(Cropped(photo, 40),
         f + "damaged-level-" + std::to_string(d.level) + "-cells-" + std::to_string(d.cells) +
             ".jpg",
         {photo.data});
  }
  // zint's symbols turned by any angle, blurred and unevenly lit.
  std::mt19937 rng(29);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int n = 0; n < 4; ++n) {
    phototest::Photo p;
    const int length = 10 + static_cast<int>(rng() % 80);
    for (int i = 0; i < length; ++i) p.data.push_back(static_cast<char>(rng()));
    const int columns = 3 + static_cast<int>(rng() % 5);
    const int level = 2 + static_cast<int>(rng() % 3);
    const Grey z = ZintGrey(p.data, "-b 55 --cols=" + std::to_string(columns) +
                                        " --secure=" + std::to_string(level) + " --scale=0.5");
    phototest::PhotoConditions s;
    s.module = 2.5 + 1.5 * unit(rng);
    s.angle = 360 * unit(rng);
    s.blur = 0.5 + 0.7 * unit(rng);
    s.gradient = 0.4 * unit(rng);
    s.noise = 4;
    p.image = phototest::RenderPhoto(GridOf(z, 1, 2), s, rng, &p.corners);
    Save(Cropped(p, 40), f + "zint-turned-" + std::to_string(n) + ".jpg", {p.data});
  }
  Save(CameraFrame(), f + "camera-frame.jpg", {BenchSampleBytes(100)});
}

// A page of symbols: each placed with its top-left corner, listed in page order.
struct Placed {
  Grey picture;
  int left, top;
  std::string data;
};

Grey Page(int width, int height, const std::vector<Placed>& symbols) {
  Grey page(width, height);
  for (const Placed& p : symbols) Paste(page, p.picture, p.left, p.top);
  return page;
}

std::vector<std::string> DataOf(const std::vector<Placed>& symbols) {
  std::vector<std::string> out;
  for (const Placed& p : symbols) out.push_back(p.data);
  return out;
}

void Multi() {
  const std::string f = "multi/";
  for (const int n : {0, 1, 2, 3}) {
    const phototest::Photo photo = phototest::MakePhoto(PhotoClass::TwoSymbols, n);
    Save(Cropped(photo, 40), f + "photo-two-symbols-" + std::to_string(n) + ".jpg",
         {photo.data, photo.second});
  }
  {
    // Two of ours side by side.
    const std::string a = Text(60, 500), b = Text(90, 501);
    const Grey ga = OursGrey(a, Options(4, 3)), gb = OursGrey(b, Options(5, 3));
    const std::vector<Placed> s = {{ga, 20, 30, a}, {gb, 60 + ga.width, 20, b}};
    Save(Page(ga.width + gb.width + 80, std::max(ga.height, gb.height) + 60, s),
         f + "side-by-side.png", DataOf(s));
  }
  {
    // Three stacked, of different widths.
    const std::string a = Text(30, 510), b = Digits(120, 511), c = RandomBytes(80, 512);
    const Grey ga = OursGrey(a, Options(3, 2)), gb = OursGrey(b, Options(6, 3)),
               gc = OursGrey(c, Options(4, 4));
    const std::vector<Placed> s = {
        {ga, 30, 20, a}, {gb, 30, 40 + ga.height, b}, {gc, 30, 60 + ga.height + gb.height, c}};
    Save(Page(std::max({ga.width, gb.width, gc.width}) + 60, 80 + ga.height + gb.height + gc.height,
              s),
         f + "three-stacked.png", DataOf(s));
  }
  {
    // A 2 x 2 grid of ours and zint's, small.
    std::vector<std::string> data = {Text(50, 520), Text(50, 521), Text(50, 522), Text(50, 523)};
    const Grey g0 = OursGrey(data[0], Options(4, 3));
    const Grey g1 = ZintGrey(data[1], "-b 55 --cols=4 --secure=3 --scale=1");
    const Grey g2 = ZintGrey(data[2], "-b 55 --cols=4 --secure=3 --scale=1");
    const Grey g3 = OursGrey(data[3], Options(4, 3));
    const int cw = std::max({g0.width, g1.width, g2.width, g3.width}) + 60;
    const int ch = std::max({g0.height, g1.height, g2.height, g3.height}) + 60;
    const std::vector<Placed> s = {{g0, 30, 30, data[0]},
                                   {g1, 30 + cw, 30, data[1]},
                                   {g2, 30, 30 + ch, data[2]},
                                   {g3, 30 + cw, 30 + ch, data[3]}};
    Save(Page(2 * cw + 60, 2 * ch + 60, s), f + "grid-2x2-ours-and-zint.png", DataOf(s));
  }
  {
    // A sheet of six labels, 3 rows of 2.
    std::vector<Placed> s;
    for (int i = 0; i < 6; ++i) {
      const std::string d = "LABEL-" + std::to_string(1000 + i) + " " + Text(20, 530u + i);
      const Grey g = OursGrey(d, Options(3, 2));
      s.push_back({g, 40 + (i % 2) * (g.width + 80), 40 + (i / 2) * 130, d});
    }
    Save(Page(2 * s[0].picture.width + 160, 420, s), f + "label-sheet-3x2.png", DataOf(s));
  }
  {
    // Two symbols, the page turned a quarter: their order on the turned page.
    const std::string a = Text(40, 540), b = Text(40, 541);
    const Grey ga = OursGrey(a, Options(3, 3)), gb = OursGrey(b, Options(3, 3));
    const std::vector<Placed> s = {{ga, 20, 20, a}, {gb, 20, 60 + ga.height, b}};
    // Turned clockwise, the lower symbol comes to the left: page order is b, then a.
    Save(Turn(Page(ga.width + 40, ga.height + gb.height + 80, s), 90, 0), f + "two-turned-90.png",
         {b, a});
  }
}

// A Macro PDF417 file of eight segments over two pages, each a 2 x 2 grid of large symbols (ours
// and zint's, modules 3 pixels wide) below lines of text-like marks, an A4 page at 150 dots per
// inch.
struct MacroPages {
  std::string file;
  std::vector<std::string> segments;
  Grey pages[2];
};

MacroPages MakeMacroPages() {
  MacroPages m;
  m.file = Prose(8 * 330, 600);
  for (int i = 0; i < 8; ++i) {
    m.segments.push_back(m.file.substr(static_cast<std::size_t>(330 * i), 330));
  }
  const std::string fileId = "417020";
  for (int page = 0; page < 2; ++page) {
    Grey g(1240, 1754);
    // Lines of text-like marks above the symbols, as on a document.
    std::mt19937 rng(610u + static_cast<unsigned>(page));
    for (int line = 0; line < 6; ++line) {
      int x = 120;
      const int y = 110 + 34 * line;
      while (x < 1100) {
        const int w = 20 + static_cast<int>(rng() % 70);
        for (int yy = y; yy < y + 14; ++yy)
          for (int xx = x; xx < std::min(1120, x + w); ++xx) g.At(xx, yy) = 60;
        x += w + 14;
      }
    }
    for (int k = 0; k < 4; ++k) {
      const int index = 4 * page + k;
      Grey s;
      if (k % 3 == 0) {
        pdf417::SymbolOptions o = Options(6, 4, 3);
        o.macro = {true, index, 8, fileId};
        s = OursGrey(m.segments[static_cast<std::size_t>(index)], o);
      } else {
        s = ZintGrey(m.segments[static_cast<std::size_t>(index)],
                     "-b 55 --cols=6 --secure=4 --scale=1.5 --structapp=" +
                         std::to_string(index + 1) + ",8," + fileId);
      }
      Paste(g, s, 70 + (k % 2) * 600, 400 + (k / 2) * 600);
    }
    m.pages[page] = g;
  }
  return m;
}

// A cylinder's label: the grid wrapped round a cylinder of the radius (in symbol widths) seen from
// the front and a little above, lit from the front, blurred and noisy.
Grey Cylinder(const phototest::ModuleGrid& grid, double module, double radius, double above,
              unsigned seed) {
  const double w = grid.width * module, h = grid.height * module;
  const double r = radius * w;
  const double half = r * std::sin(std::min(M_PI / 2, w / (2 * r)));
  const int ow = static_cast<int>(2 * r) + 80, oh = static_cast<int>(h + above * r) + 120;
  Grey out(ow, oh);
  std::mt19937 rng(seed);
  std::normal_distribution<double> noise(0, 3);
  for (int y = 0; y < oh; ++y) {
    for (int x = 0; x < ow; ++x) {
      double sum = 0;
      for (int sy = 0; sy < 3; ++sy) {
        for (int sx = 0; sx < 3; ++sx) {
          const double X = x + (sx + 0.5) / 3 - ow / 2.0;
          const double Y = y + (sy + 0.5) / 3 - oh / 2.0;
          if (std::fabs(X) >= r) {
            sum += 70;  // the table behind the bottle
            continue;
          }
          const double theta = std::asin(X / r);
          const double light = 0.5 + 0.5 * std::cos(theta);
          if (std::fabs(X) > half) {
            sum += 150 * light;  // the bottle's glass beside the label
            continue;
          }
          const double u = (r * theta + w / 2) / module;
          const double v = (Y - above * r * (1 - std::cos(theta)) + h / 2) / module;
          const bool dark =
              grid.At(static_cast<int>(std::floor(u)), static_cast<int>(std::floor(v)));
          const bool label = v >= 0 && v < grid.height;
          sum += (label ? (dark ? 30 : 235) : 150) * light;
        }
      }
      out.At(x, y) =
          static_cast<std::uint8_t>(std::clamp(std::lround(sum / 9 + noise(rng)), 0L, 255L));
    }
  }
  return out;
}

// A white line of the width from (x0, y0) to (x1, y1).
void ScratchLine(Grey& g, double x0, double y0, double x1, double y1, double width) {
  const double dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
  for (int y = 0; y < g.height; ++y) {
    for (int x = 0; x < g.width; ++x) {
      const double t = std::clamp(((x + 0.5 - x0) * dx + (y + 0.5 - y0) * dy) / len2, 0.0, 1.0);
      if (std::hypot(x + 0.5 - x0 - t * dx, y + 0.5 - y0 - t * dy) < width / 2) g.At(x, y) = 255;
    }
  }
}

// Short one-column symbols of the command line's defaults that decoded from a perfect picture
// only through erasures (a sampling fault): M.u1Z, and four of the twelve that 1,339 random
// payloads of 1 to 8 characters gave (seed 417).
const char* const kErasureSymbols[] = {"M.u1Z", "mv/Z4", "ggKqE", "VD5j7q", "lNg-"};

void Hard(const MacroPages& macro) {
  const std::string f = "hard/";
  // Eight Macro segments over two pages, clean and scanned (turned a little, blurred, noisy).
  for (int page = 0; page < 2; ++page) {
    const std::vector<std::string> data(macro.segments.begin() + 4 * page,
                                        macro.segments.begin() + 4 * page + 4);
    const std::string name = "macro-page-" + std::to_string(page + 1);
    Save(macro.pages[page], f + name + ".png", data);
    Save(macro.pages[page], f + name + "-scan.jpg", data,
         "-background white -rotate " + std::string(page == 0 ? "1.2" : "-0.8") +
             " -gravity center -extent 1240x1754 -blur 0x0.9 -seed " + std::to_string(7 + page) +
             " -attenuate 0.5 +noise Gaussian +level 8%,92%");
  }
  // The first page scanned worse: turned further, more blur and noise, less contrast.
  Save(macro.pages[0], f + "macro-page-1-scan-rough.jpg",
       std::vector<std::string>(macro.segments.begin(), macro.segments.begin() + 4),
       "-background white -rotate -2.5 -gravity center -extent 1240x1754 -blur 0x1.3 -seed 9 "
       "-attenuate 0.9 +noise Gaussian +level 15%,85%");
  // Labels round a cylinder.
  {
    const struct {
      double radius, above, module;
    } bottles[] = {{1.0, 0.15, 3}, {0.75, 0.2, 3}, {0.6, 0.1, 3.5}, {0.5, 0.3, 3.5}};
    int n = 0;
    for (const auto& c : bottles) {
      const std::string data = Text(static_cast<std::size_t>(60 + 15 * n), 700u + n);
      const phototest::ModuleGrid grid = phototest::EncodeGrid(data, 4 + n, 3);
      Save(Cylinder(grid, c.module, c.radius, c.above, 710u + n),
           f + "cylinder-radius-" + std::to_string(static_cast<int>(c.radius * 100)) + ".jpg",
           {data}, "-blur 0x0.6");
      ++n;
    }
    // Rows along the cylinder's axis: the symbol turned a quarter on the label.
    const std::string data = Text(50, 720);
    phototest::ModuleGrid grid = phototest::EncodeGrid(data, 3, 3);
    phototest::ModuleGrid turned;
    turned.width = grid.height;
    turned.height = grid.width;
    turned.dark.assign(grid.dark.size(), false);
    for (int y = 0; y < turned.height; ++y)
      for (int x = 0; x < turned.width; ++x)
        turned.dark[static_cast<std::size_t>(y) * static_cast<std::size_t>(turned.width) +
                    static_cast<std::size_t>(x)] = grid.At(y, grid.height - 1 - x);
    Save(Cylinder(turned, 3, 0.7, 0.1, 721), f + "cylinder-rows-along-axis.jpg", {data},
         "-blur 0x0.6");
  }
  // Start patterns cut down to their first bar: what follows the 8-module bar is paper.
  {
    const std::string data = "CUT-0042";
    pdf417::SymbolOptions o = Options(2, 2, 2);
    Grey g = OursGrey(data, o);
    const int q = o.drawing.quietZone * 2;
    for (int y = q; y < g.height - q; ++y)
      for (int x = q + 16; x < q + 34; ++x) g.At(x, y) = 255;
    Save(g, f + "start-cut-to-first-bar.png", {data});
    const std::string zdata = "LOT 7781 CUT";
    Grey z = Frame(ZintGrey(zdata, "-b 55 --cols=2 --secure=2 --scale=1"), 8);
    for (int y = 8; y < z.height - 8; ++y)
      for (int x = 8 + 16; x < 8 + 34; ++x) z.At(x, y) = 255;
    Save(z, f + "start-cut-to-first-bar-zint.png", {zdata});
    std::mt19937 rng(730);
    phototest::PhotoConditions s;
    s.module = 2.5;
    s.angle = 4;
    s.blur = 0.6;
    s.noise = 3;
    phototest::Photo p;
    p.data = "SN 2024-55817";
    Grey one = OursGrey(p.data, Options(3, 2, 1));
    for (int y = 2; y < one.height - 2; ++y)
      for (int x = 2 + 8; x < 2 + 17; ++x) one.At(x, y) = 255;
    p.image = phototest::RenderPhoto(GridOf(one, 1, 2), s, rng, &p.corners);
    Save(Cropped(p, 40), f + "start-cut-to-first-bar-photo.jpg", {p.data});
  }
  // White scratches across the rows of a symbol of 6-pixel modules.
  {
    const struct {
      int count;
      double minAngle, maxAngle, minWidth, maxWidth;
    } kinds[] = {{3, 80, 100, 3, 3}, {5, 45, 70, 2, 2}, {8, 30, 150, 2, 4}};
    unsigned seed = 740;
    for (const auto& k : kinds) {
      const std::string data = Text(70, seed);
      Grey g = OursGrey(data, Options(4, 4, 6));
      std::mt19937 rng(seed);
      std::uniform_real_distribution<double> unit(0, 1);
      for (int i = 0; i < k.count; ++i) {
        const double angle = (k.minAngle + (k.maxAngle - k.minAngle) * unit(rng)) * M_PI / 180;
        const double cx = g.width * (0.15 + 0.7 * unit(rng)), cy = g.height / 2.0;
        const double reach = g.height / (2 * std::sin(angle)) + 10;
        ScratchLine(g, cx - reach * std::cos(angle), cy - reach * std::sin(angle),
                    cx + reach * std::cos(angle), cy + reach * std::sin(angle),
                    k.minWidth + (k.maxWidth - k.minWidth) * unit(rng));
      }
      Save(g, f + "scratches-" + std::to_string(k.count) + ".png", {data});
      ++seed;
    }
  }
  // Compact symbols at one pixel a module.
  for (const int columns : {1, 3, 5, 8}) {
    pdf417::SymbolOptions o = Options(columns, 2 + columns % 3, 1);
    o.compact = true;
    Ours(f + "compact-module-1-columns-" + std::to_string(columns) + ".png",
         Text(static_cast<std::size_t>(8 + 12 * columns), 750u + columns), o);
  }
  for (const int columns : {2, 4, 6}) {
    ZintSample(f + "compact-module-1-zint-columns-" + std::to_string(columns) + ".png",
               Text(static_cast<std::size_t>(10 + 10 * columns), 760u + columns),
               "-b 56 --cols=" + std::to_string(columns) + " --secure=3 --scale=0.5");
  }
  // Larger ones, of prose, the size chosen for the data as the command line does.
  for (const int length : {200, 500, 800}) {
    for (const int rowHeight : {2, 3}) {
      pdf417::SymbolOptions o = Options(0, -1, 1);
      o.compact = true;
      o.drawing.rowHeight = rowHeight;
      Ours(f + "compact-module-1-prose-" + std::to_string(length) + "-row-height-" +
               std::to_string(rowHeight) + ".png",
           Prose(static_cast<std::size_t>(length), 765u + length), o);
    }
  }
  for (const int columns : {5, 12}) {
    ZintSample(f + "compact-module-1-zint-prose-300-columns-" + std::to_string(columns) + ".png",
               Prose(300, 790u + columns),
               "-b 56 --cols=" + std::to_string(columns) + " --scale=0.5");
  }
  // Light bars on a dark ground.
  {
    pdf417::SymbolOptions o;
    o.drawing.foreground = {255, 255, 255};
    o.drawing.background = {0, 0, 0};
    Ours(f + "inverted.png", Text(60, 770), o);
    o.drawing.foreground = {250, 230, 120};
    o.drawing.background = {20, 30, 90};
    o.drawing.moduleWidth = 3;
    Ours(f + "inverted-yellow-on-navy.png", Text(60, 771), o);
    const std::string classic = Text(40, 772);
    Save(Invert(FromBmp(Classic(classic, 4, 2, 3))), f + "inverted-classic.png", {classic});
    ZintSample(f + "inverted-zint.png", Text(60, 773),
               "-b 55 --cols=4 --secure=3 --scale=1 --reverse --quietzones");
    ZintSample(f + "inverted-zint-turned-90.png", Mixed(774),
               "-b 55 --cols=5 --secure=3 --scale=1.5 --reverse --quietzones --rotate=90");
    std::mt19937 rng(775);
    phototest::Photo p;
    p.data = Text(50, 775);
    phototest::PhotoConditions s;
    s.module = 3;
    s.angle = 17;
    s.blur = 0.7;
    s.noise = 4;
    s.ink = 225;
    s.paper = 35;
    p.image = phototest::RenderPhoto(phototest::EncodeGrid(p.data, 4, 3), s, rng, &p.corners);
    Save(Cropped(p, 40), f + "inverted-photo.jpg", {p.data});
  }
  // Short one-column symbols that decoded only through erasures.
  for (const char* data : kErasureSymbols) {
    std::string name;
    for (const char* c = data; *c != '\0'; ++c)
      name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    Ours(f + "erasures-" + name + ".png", data, {});
  }
  // The window's print page at 150 and 300 dots per inch: eight times the window's symbol.
  {
    const std::string data = Gbk("打印页测试：条码 PDF417，共八个。0123456789");
    const std::string bmp = Scratch(".bmp");
    WriteRaw(bmp, Classic(data, 5, 1, 3));
    for (const int dpi : {150, 300}) {
      const std::string rel = f + "print-page-" + std::to_string(dpi) + "dpi.png";
      Run("QT_QPA_PLATFORM=offscreen " + Q(gPageTool) + " " + Q(bmp) + " " + std::to_string(dpi) +
          " " + Q(Path(rel)));
      Expect(rel, std::vector<std::string>(8, data));
    }
  }
}

void Micro() {
  const std::string f = "micro/";
  for (int columns = 1; columns <= 4; ++columns) {
    pdf417::SymbolOptions o;
    o.symbology = pdf417::Symbology::MicroPdf417;
    o.columns = columns;
    o.drawing.moduleWidth = 2 + columns % 2;
    Ours(f + "ours-columns-" + std::to_string(columns) + ".png",
         Text(static_cast<std::size_t>(8 * columns), 800u + columns), o);
  }
  {
    pdf417::SymbolOptions o;
    o.symbology = pdf417::Symbology::MicroPdf417;
    o.drawing.quarterTurns = 1;
    Ours(f + "ours-turned-90.png", "LOT 4711 EXP 2027-06", o);
  }
  ZintSample(f + "zint-columns-1.png", "ITEM-0815", "-b 84 --cols=1 --scale=1");
  ZintSample(f + "zint-columns-2.png", Digits(30, 810), "-b 84 --cols=2 --scale=2");
  ZintSample(f + "zint-columns-3.png", RandomBytes(20, 811), "-b 84 --cols=3 --scale=1");
  ZintSample(f + "zint-columns-4-quiet-zones.png", Text(60, 812),
             "-b 84 --cols=4 --scale=1.5 --quietzones");
  ZintSample(f + "zint-turned-180.png", Text(25, 813), "-b 84 --cols=2 --scale=1 --rotate=180");
  ZintSample(f + "zint-4x44-text.png", Text(150, 814), "-b 84 --cols=4 --rows=44 --scale=1");
  ZintSample(f + "zint-1x28-bytes.png", RandomBytes(12, 815), "-b 84 --cols=1 --rows=28 --scale=2");
  ZintSample(f + "zint-turned-90-digits.png", Digits(100, 816),
             "-b 84 --cols=3 --scale=2 --rotate=90 --whitesp=2 --vwhitesp=2");
  // Photo-like: scaled by a fraction of a pixel and blurred, on grey paper.
  const std::string blurred = Text(40, 817);
  Save(ZintGrey(blurred, "-b 84 --cols=2 --scale=3 --whitesp=3 --vwhitesp=3"),
       f + "zint-scaled-blurred.png", {blurred}, "-resize 83% -blur 0x0.8 +level 12%,88%");
}

// A symbol of ours drawn at one pixel a module without quiet zone, with what it was made of.
struct Drawn {
  pdf417::Symbol symbol;
  Grey picture;
  int rowHeight = 0;  // pixel rows a symbol row, as the encoder chose it
};

Drawn Draw(const std::string& data, int columns, int level, int rowHeight) {
  pdf417::SymbolOptions o = Options(columns, level, 1);
  o.compaction = pdf417::Compaction::Byte;
  o.drawing.rowHeight = rowHeight;
  o.drawing.quietZone = 0;
  Drawn d;
  d.symbol = pdf417::Encode(data, o);
  d.picture = FromRaster(pdf417::RasterOf(d.symbol));
  d.rowHeight = d.symbol.drawing.rowHeight;
  return d;
}

// Paints over a cell: symbol column 0 is the start pattern, 1 the left row indicator,
// 2 .. columns + 1 the data columns, columns + 2 the right row indicator. Codeword draws that
// codeword of the row's cluster.
enum class Paint { Codeword, Blank, Flip, Black };

void PaintCell(Drawn& d, int row, int col, Paint paint, int codeword = 0) {
  const std::int32_t pattern =
      paint == Paint::Codeword ? pdf417::PatternValueOf(row % 3, codeword) : 0;
  for (int y = d.rowHeight * row; y < d.rowHeight * (row + 1); ++y) {
    for (int k = 0; k < 17; ++k) {
      std::uint8_t& p = d.picture.At(17 * col + k, y);
      switch (paint) {
        case Paint::Codeword:
          p = (pattern >> (16 - k)) & 1 ? 0 : 255;
          break;
        case Paint::Blank:
          p = 255;
          break;
        case Paint::Flip:
          p = static_cast<std::uint8_t>(255 - p);
          break;
        case Paint::Black:
          p = 0;
          break;
      }
    }
  }
}

// Codeword `position` of the symbol painted as another codeword of its row's cluster.
void Replace(Drawn& d, int position, std::mt19937& rng) {
  const int old = d.symbol.codewords[static_cast<std::size_t>(position)];
  const int other = (old + 1 + static_cast<int>(rng() % 928)) % 929;
  PaintCell(d, position / d.symbol.columns, 2 + position % d.symbol.columns, Paint::Codeword,
            other);
}

// `count` distinct codeword positions: always the length descriptor (0), the others at random.
std::vector<int> Positions(int count, int n, std::mt19937& rng) {
  std::vector<int> chosen{0};
  while (static_cast<int>(chosen.size()) < count) {
    const int p = static_cast<int>(rng() % static_cast<unsigned>(n));
    if (std::find(chosen.begin(), chosen.end(), p) == chosen.end()) chosen.push_back(p);
  }
  return chosen;
}

// Symbols of ours damaged within what their level corrects, and (in negative/) beyond repair.
void Damaged() {
  const std::string f = "damaged/";
  const struct {
    int length, columns;
  } shapes[] = {{40, 3},  {60, 4},   {80, 5},   {100, 6}, {150, 6},
                {200, 8}, {250, 10}, {300, 12}, {200, 12}};
  std::mt19937 rng(2024);
  for (int level = 1; level <= 8; ++level) {
    const auto s = shapes[level];
    const std::string data = level % 2
                                 ? RandomBytes(static_cast<std::size_t>(s.length), 900u + level)
                                 : Text(static_cast<std::size_t>(s.length), 900u + level);
    Drawn d = Draw(data, s.columns, level, 2 + level % 4);
    const int n = static_cast<int>(d.symbol.codewords.size());
    const int capacity = (pdf417::ErrorCorrectionCount(level) - 2) / 2;
    for (const int p : Positions(capacity, n, rng)) Replace(d, p, rng);
    Save(Frame(d.picture, 8),
         f + "level-" + std::to_string(level) + "-" + std::to_string(capacity) +
             "-codewords-replaced.png",
         {data});
  }
  {
    const std::string data = Text(300, 910);
    const Drawn clean = Draw(data, 4, 4, 3);
    const int capacity = 15;
    const Paint paints[] = {Paint::Blank, Paint::Flip, Paint::Black};
    const char* names[] = {"blanked", "flipped", "blackened"};
    for (int i = 0; i < 3; ++i) {
      Drawn d = clean;
      const int rows = d.symbol.rows;
      for (int k = 0; k < capacity; ++k) {
        PaintCell(d, k * rows / capacity, 2 + k % 4, paints[i]);
      }
      Save(Frame(d.picture, 8), f + std::string("cells-") + names[i] + ".png", {data});
    }
  }
  {
    // Row indicators painted in a few rows, and the level's indicators.
    const std::string data = Text(80, 920);
    Drawn d = Draw(data, 5, 3, 3);
    const int right = d.symbol.columns + 2;
    for (const int row : {0, 1}) {
      PaintCell(d, row, 1, Paint::Codeword, 5);
      PaintCell(d, row, right, Paint::Codeword, 5);
    }
    PaintCell(d, 4, 1, Paint::Codeword, 928);
    PaintCell(d, 8, right, Paint::Codeword, 928);
    Save(Frame(d.picture, 8), f + "row-indicators-painted.png", {data});
  }
  {
    const std::string data = Text(200, 930);
    Drawn d = Draw(data, 5, 5, 3);
    for (int row = 0; row < 8; ++row) PaintCell(d, row, 4, Paint::Blank);
    Save(Frame(d.picture, 8), f + "blank-cells-one-column.png", {data});
    Drawn r = Draw(data, 5, 5, 3);
    for (int col = 1; col <= 7; ++col) PaintCell(r, 5, col, Paint::Blank);
    Save(Frame(r.picture, 8), f + "blank-row.png", {data});
  }
  {
    // zint's symbol with one data cell inverted, at level 1.
    const std::string data = Text(60, 401);
    Grey z = ZintGrey(data, "-b 55 --cols=5 --secure=1 --scale=1");
    for (int y = 12; y < 18; ++y)
      for (int x = 2 * 17 * 3; x < 2 * 17 * 4; ++x)
        z.At(x, y) = static_cast<std::uint8_t>(255 - z.At(x, y));
    Save(Frame(z, 8), f + "zint-one-cell-inverted.png", {data});
  }
}

// Pictures that must give no symbol: no symbol at all, other kinds of barcode, and symbols
// damaged beyond any repair.
void Negative() {
  const std::string f = "negative/";
  std::mt19937 rng(3);
  const auto picture = [](int w, int h, auto grey) {
    Grey g(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        g.At(x, y) = static_cast<std::uint8_t>(std::clamp(grey(x, y), 0, 255));
    return g;
  };
  std::vector<std::uint32_t> noise(400 * 300);
  for (auto& v : noise) v = rng();
  Save(picture(400, 300, [](int, int) { return 255; }), f + "white.png", {});
  Save(picture(400, 300, [](int, int) { return 0; }), f + "black.png", {});
  Save(picture(200, 150, [&](int x, int y) { return static_cast<int>(noise[y * 400 + x] & 0xFF); }),
       f + "noise.png", {});
  Save(picture(400, 300, [&](int x, int y) { return noise[y * 400 + x] % 10 == 0 ? 0 : 255; }),
       f + "sparse-noise.png", {});
  Save(picture(400, 300,
               [](int x, int y) {
                 const int dx = x - 250, dy = y - 120;
                 return (x * 255) / 400 + (dx * dx + dy * dy < 3000 ? -60 : 0) + y / 10;
               }),
       f + "gradient.png", {});
  Save(picture(400, 300, [](int x, int) { return (x / 3) % 2 ? 255 : 0; }), f + "even-stripes.png",
       {});
  Save(picture(400, 300,
               [&](int x, int) { return noise[static_cast<std::size_t>(x)] % 3 == 0 ? 0 : 255; }),
       f + "uneven-stripes.png", {});
  Save(picture(400, 300, [](int x, int y) { return ((y / 4) + (x / 4)) % 2 ? 255 : 0; }),
       f + "checkerboard.png", {});
  Save(picture(400, 300,
               [](int x, int y) { return y < 20 || y >= 280 || x < 20 || x >= 380 ? 0 : 255; }),
       f + "black-frame.png", {});
  // A cluttered desk photographed without a symbol.
  {
    phototest::ModuleGrid empty;
    empty.width = 120;
    empty.height = 40;
    empty.dark.assign(120 * 40, false);
    phototest::PhotoConditions s;
    s.clutter = true;
    s.noise = 3;
    s.blur = 0.5;
    std::mt19937 r2(5);
    Save(FromFixture(phototest::RenderPhoto(empty, s, r2)), f + "clutter.jpg", {});
  }
  // Other symbologies.
  ZintSample(f + "code128.png", "ABC-12345-XYZ", "-b 20 --scale=2", false);
  ZintSample(f + "qr-code.png", "https://example.com/not-a-pdf417", "-b 58 --scale=3", false);
  ZintSample(f + "data-matrix.png", "Data Matrix, not PDF417", "-b 71 --scale=3", false);
  ZintSample(f + "aztec.png", "Aztec, not PDF417", "-b 92 --scale=3", false);
  ZintSample(f + "codablock-f.png", "Codablock-F rows, not PDF417", "-b 74 --scale=2", false);
  // Halves of a symbol and symbols damaged past their error correction.
  {
    const std::string data = RandomBytes(300, 8);
    const Drawn clean = Draw(data, 10, 3, 3);
    const Grey g = Frame(clean.picture, 8);
    const struct {
      const char* name;
      bool (*erased)(int x, int y, int w, int h);
    } halves[] = {
        {"left-half-erased", [](int x, int, int w, int) { return x < w / 2; }},
        {"right-half-erased", [](int x, int, int w, int) { return x >= w / 2; }},
        {"top-half-erased", [](int, int y, int, int h) { return y < h / 2; }},
        {"lower-two-thirds-erased", [](int, int y, int, int h) { return y >= h / 3; }},
    };
    for (const auto& half : halves) {
      Grey h = g;
      for (int y = 0; y < h.height; ++y)
        for (int x = 0; x < h.width; ++x)
          if (half.erased(x, y, h.width, h.height)) h.At(x, y) = 255;
      Save(h, f + "symbol-" + half.name + ".png", {});
    }
  }
  {
    // Level 0 only detects: two codewords painted over are never repaired into other text.
    Drawn d = Draw("PDF417", 1, 0, 3);
    PaintCell(d, 2, 2, Paint::Codeword, 0);
    PaintCell(d, 3, 2, Paint::Codeword, 298);
    Save(Frame(d.picture, 8), f + "level-0-two-codewords-replaced.png", {});
  }
  for (const int level : {2, 5}) {
    // As many codewords replaced as the level has error-correction codewords.
    const std::string data = Text(static_cast<std::size_t>(60 * level), 940u + level);
    Drawn d = Draw(data, 3 * level, level, 3);
    const int n = static_cast<int>(d.symbol.codewords.size());
    std::mt19937 r3(950u + static_cast<unsigned>(level));
    for (const int p : Positions(pdf417::ErrorCorrectionCount(level), n, r3)) Replace(d, p, r3);
    Save(Frame(d.picture, 8), f + "level-" + std::to_string(level) + "-past-repair.png", {});
  }
}

void Clear(const std::string& folder) {
  const fs::path dir = Path(folder);
  if (fs::exists(dir)) fs::remove_all(dir);
  fs::create_directories(dir);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make_samples SAMPLES_DIR PAGE_TOOL\n";
    return 2;
  }
  gSamples = argv[1];
  gPageTool = argv[2];
  char scratch[] = "/tmp/make-samples-XXXXXX";
  if (::mkdtemp(scratch) == nullptr) {
    std::cerr << "cannot make a scratch folder\n";
    return 1;
  }
  gScratch = scratch;
  int rc = 0;
  try {
    for (const char* folder : {"ours-clean", "ours-varied", "formats", "zint", "photo", "multi",
                               "damaged", "hard", "micro", "negative"}) {
      Clear(folder);
    }
    OursClean();
    OursVaried();
    Formats();
    ZintFolder();
    Photos();
    Multi();
    Damaged();
    const MacroPages macro = MakeMacroPages();
    Hard(macro);
    Micro();
    Negative();
  } catch (const std::exception& e) {
    std::cerr << "make_samples: " << e.what() << "\n";
    rc = 1;
  }
  fs::remove_all(gScratch);
  return rc;
}
