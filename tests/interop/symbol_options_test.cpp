// The options entry against independent peers: no more codewords than zint for realistic
// payloads, and every symbol read back exactly by zxing-cpp's ordinary reader and by ours, from
// the bitmap, PNG and SVG (drawn by rsvg-convert) files it writes.
#define ZX_USE_UTF8 1
#include <ZXing/BarcodeFormat.h>
#include <ZXing/DecodeHints.h>
#include <ZXing/ImageView.h>
#include <ZXing/ReadBarcode.h>
#include <ZXing/Result.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "decode_util.h"
#include "pdf417/common/patterns.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/symbol.h"
#include "test_util.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Payload {
  const char* name;
  std::string data;
};

std::string Repeat(const std::string& s, std::size_t length) {
  std::string out;
  while (out.size() < length) out += s;
  return out.substr(0, length);
}

std::string Binary(std::size_t length) {
  std::string out(length, '\0');
  std::uint32_t x = 99;
  for (char& c : out) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 16);
  }
  return out;
}

const std::vector<Payload>& Payloads() {
  static const std::vector<Payload> payloads = {
      {"licence",
       "@\n\x1e\rANSI 636014040002DL00410278ZC03190008DLDAQD1234562\nDCSPUBLIC\nDDEN\nDACJOHN\n"
       "DDFN\nDADQUINCY\nDDGN\nDCAC\nDCBNONE\nDCDNONE\nDBD08312013\nDBB08311977\nDBA08312018\n"
       "DBC1\nDAU069 in\nDAYBRO\nDAG789 E OAK ST\nDAIANYTOWN\nDAJCA\nDAK902230000  "
       "\nDCF83D9BN217QO9"
       "83J50\nDCGUSA\nDAW180\nDAZBRO\nDCK12345678900000000000\nDDB02142014\nDDK1\rZCZCAY\n"},
      {"boarding pass",
       "M1DESMARAIS/LUC       EABC123 YULFRAAC 0834 326J001A0025 14D>5180 W6326BAC 0014123456002"
       "001A12345678901 AC AC 1234567890123    20KY^108abcdefgh"},
      {"URL", "https://www.example.com/products/item?id=12345&ref=pdf417-code#reviews"},
      {"vCard",
       "BEGIN:VCARD\nVERSION:3.0\nN:Doe;John;;;\nFN:John Doe\nORG:Example Corp.\nTITLE:Engineer\n"
       "TEL;TYPE=WORK,VOICE:+1-555-123-4567\nEMAIL:john.doe@example.com\nADR;TYPE=WORK:;;100 "
       "Main St;Springfield;IL;62701;USA\nEND:VCARD\n"},
      {"English text",
       "It was the best of times, it was the worst of times, it was the age of wisdom, it was the "
       "age of foolishness, it was the epoch of belief, it was the epoch of incredulity."},
      {"numbers", Repeat("31415926535897932384626433832795028841971693993751", 300)},
      {"invoice", "INV-2026-0042 TOTAL 1234.50 EUR IBAN DE89370400440532013000 DUE 2026-12-31"},
      {"binary", Binary(300)},
      // "二维条码编解码演示：中文测试，PDF417。" in GBK and in UTF-8.
      {"Chinese GBK",
       "\xB6\xFE\xCE\xAC\xCC\xF5\xC2\xEB\xB1\xE0\xBD\xE2\xC2\xEB\xD1\xDD\xCA\xBE\xA3\xBA"
       "\xD6\xD0\xCE\xC4\xB2\xE2\xCA\xD4\xA3\xACPDF417\xA1\xA3"},
      {"Chinese UTF-8",
       "\xE4\xBA\x8C\xE7\xBB\xB4\xE6\x9D\xA1\xE7\xA0\x81\xE7\xBC\x96\xE8\xA7\xA3\xE7\xA0\x81\xE6"
       "\xBC\x94\xE7\xA4\xBA\xEF\xBC\x9A\xE4\xB8\xAD\xE6\x96\x87\xE6\xB5\x8B\xE8\xAF\x95\xEF\xBC"
       "\x8CPDF417\xE3\x80\x82"},
      {"mixed 1,000 bytes", Repeat("Order 20261208-0001: 12 x widget <blue>, $4.99 each\n" +
                                       Binary(40) + "0123456789012345678901\n",
                                   1000)},
  };
  return payloads;
}

// zint's data codewords (no descriptor, no pads), read from its --dump module rows.
int ZintDataCodewords(const std::string& data, const testutil::TempDir& dir) {
  const int columns = 30;
  testutil::WriteBytes(dir / "zint.in", Bytes(data.begin(), data.end()));
  const std::string cmd = "zint -b PDF417 --binary --cols=" + std::to_string(columns) +
                          " --secure=0 --dump -i " + testutil::ShellQuote(dir / "zint.in") + " > " +
                          testutil::ShellQuote(dir / "zint.out");
  if (std::system(cmd.c_str()) != 0) return -1;
  std::ifstream in(dir / "zint.out");
  std::vector<int> words;
  std::string line;
  for (int row = 0; std::getline(in, line); ++row) {
    std::vector<int> bits;
    std::istringstream hex(line);
    std::string byte;
    while (hex >> byte) {
      const int v = std::stoi(byte, nullptr, 16);
      for (int b = 7; b >= 0; --b) bits.push_back((v >> b) & 1);
    }
    for (int j = 0; j < columns; ++j) {
      int pattern = 0;
      for (int m = 0; m < 17; ++m)
        pattern = pattern * 2 + bits[static_cast<std::size_t>(34 + 17 * j + m)];
      int word = -1;
      for (const pdf417::PatternEntry& e : pdf417::PatternToCodeword[row % 3]) {
        if (e.value == pattern) word = e.codewordPlusOne - 1;
      }
      words.push_back(word);
    }
  }
  if (words.empty()) return -1;
  int count = words[0] - 1;
  while (count > 0 && words[static_cast<std::size_t>(count)] == 900) --count;
  return count;
}

struct Grey {
  int width = 0;
  int height = 0;
  Bytes pixels;
};

Grey FromPng(const Bytes& file) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  Grey g;
  if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) return g;
  image.format = PNG_FORMAT_GRAY;
  g.pixels.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, g.pixels.data(), 0, nullptr)) {
    png_image_free(&image);
    return {};
  }
  g.width = static_cast<int>(image.width);
  g.height = static_cast<int>(image.height);
  return g;
}

Grey FromBmp(const Bytes& file) {
  const testutil::OneBitPicture picture(file);
  return {picture.width, picture.height, picture.Luminance()};
}

std::string ReadByZxing(const Grey& g) {
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::PDF417);
  const ZXing::Result r = ZXing::ReadBarcode(
      ZXing::ImageView(g.pixels.data(), g.width, g.height, ZXing::ImageFormat::Lum), hints);
  if (!r.isValid()) return "(zxing-cpp read nothing)";
  return std::string(r.bytes().begin(), r.bytes().end());
}

pdf417::DecodeResult ReadByUs(const Grey& g) {
  pdf417::ImageView view;
  view.data = g.pixels.data();
  view.width = g.width;
  view.height = g.height;
  view.format = pdf417::PixelFormat::Grey8;
  return testutil::DecodeFirst(view);
}

// The picture of a symbol as each format's file, read back into grey pixels.
Grey Drawn(const pdf417::Symbol& s, pdf417::ImageFormat format, const testutil::TempDir& dir) {
  const Bytes file = pdf417::RenderImage(s, format);
  switch (format) {
    case pdf417::ImageFormat::Bmp:
      return FromBmp(file);
    case pdf417::ImageFormat::Png:
      return FromPng(file);
    case pdf417::ImageFormat::Svg: {
      testutil::WriteBytes(dir / "s.svg", file);
      const std::string cmd = "rsvg-convert -o " + testutil::ShellQuote(dir / "s.png") + " " +
                              testutil::ShellQuote(dir / "s.svg");
      if (std::system(cmd.c_str()) != 0) return {};
      return FromPng(testutil::ReadBytes(dir / "s.png"));
    }
  }
  return {};
}

const char* Name(pdf417::ImageFormat f) {
  return f == pdf417::ImageFormat::Bmp ? "BMP" : f == pdf417::ImageFormat::Png ? "PNG" : "SVG";
}

TEST(SymbolOptionsPeers, NoMoreCodewordsThanZint) {
  if (!testutil::ZintInstalled()) GTEST_SKIP() << "zint is not installed";
  testutil::TempDir dir;
  int ours = 0;
  int theirs = 0;
  for (const Payload& p : Payloads()) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(p.data.data());
    const int mine = static_cast<int>(pdf417::CompactOptimal(bytes, p.data.size()).size());
    const int zint = ZintDataCodewords(p.data, dir);
    ASSERT_GT(zint, 0) << p.name;
    EXPECT_LE(mine, zint) << p.name;
    ours += mine;
    theirs += zint;
    std::cout << p.name << ": " << p.data.size() << " bytes, " << mine << " codewords, zint "
              << zint << "\n";
  }
  std::cout << "all payloads: " << ours << " codewords, zint " << theirs << "\n";
}

TEST(SymbolOptionsPeers, DefaultSymbolsReadBackInEveryFormat) {
  testutil::TempDir dir;
  std::vector<Payload> payloads = Payloads();
  payloads.push_back({"one byte", "x"});
  payloads.push_back({"1,000 binary bytes", Binary(1000)});
  for (const Payload& p : payloads) {
    const pdf417::Symbol s = pdf417::Encode(p.data);
    for (const pdf417::ImageFormat f :
         {pdf417::ImageFormat::Bmp, pdf417::ImageFormat::Png, pdf417::ImageFormat::Svg}) {
      const Grey g = Drawn(s, f, dir);
      ASSERT_GT(g.width, 0) << p.name << " " << Name(f);
      EXPECT_EQ(ReadByZxing(g), p.data) << p.name << " " << Name(f);
      const pdf417::DecodeResult r = ReadByUs(g);
      EXPECT_TRUE(r.ok()) << p.name << " " << Name(f) << ": " << r.message;
      EXPECT_EQ(r.bytes, p.data) << p.name << " " << Name(f);
      EXPECT_EQ(r.level, s.level) << p.name;
    }
  }
}

TEST(SymbolOptionsPeers, OptionsReadBack) {
  testutil::TempDir dir;
  const std::string text = Payloads()[1].data;
  struct Case {
    const char* name;
    pdf417::SymbolOptions options;
  };
  std::vector<Case> cases;
  const auto add = [&](const char* name, auto change) {
    pdf417::SymbolOptions o;
    change(o);
    cases.push_back({name, o});
  };
  add("10 columns, level 6", [](pdf417::SymbolOptions& o) { o.columns = 10, o.level = 6; });
  add("20 rows", [](pdf417::SymbolOptions& o) { o.rows = 20; });
  add("ECI 26", [](pdf417::SymbolOptions& o) { o.eci = 26; });
  add("ECI 1000", [](pdf417::SymbolOptions& o) { o.eci = 1000; });
  add("Macro segment 2 of 3", [](pdf417::SymbolOptions& o) { o.macro = {true, 1, 3, "123456"}; });
  add("Macro last segment", [](pdf417::SymbolOptions& o) { o.macro = {true, 2, 3, ""}; });
  add("colours", [](pdf417::SymbolOptions& o) {
    o.drawing.foreground = {20, 30, 120};
    o.drawing.background = {250, 240, 200};
  });
  for (int t = 1; t < 4; ++t) {
    add("turned", [t](pdf417::SymbolOptions& o) { o.drawing.quarterTurns = t; });
  }
  add("one-pixel modules, short rows", [](pdf417::SymbolOptions& o) {
    o.drawing.moduleWidth = 1;
    o.drawing.rowHeight = 2;
  });
  add("wide modules, wide quiet zone", [](pdf417::SymbolOptions& o) {
    o.drawing.moduleWidth = 4;
    o.drawing.quietZone = 10;
  });
  add("byte compaction", [](pdf417::SymbolOptions& o) { o.compaction = pdf417::Compaction::Byte; });
  add("compact", [](pdf417::SymbolOptions& o) { o.compact = true; });
  for (const Case& c : cases) {
    const pdf417::Symbol s = pdf417::Encode(text, c.options);
    const Grey g = Drawn(s, pdf417::ImageFormat::Png, dir);
    EXPECT_EQ(ReadByZxing(g), text) << c.name;
    EXPECT_EQ(ReadByZxing(Drawn(s, pdf417::ImageFormat::Svg, dir)), text) << c.name << " SVG";
    const pdf417::DecodeResult r = ReadByUs(g);
    EXPECT_EQ(r.bytes, text) << c.name << ": " << r.message;
    if (c.options.eci >= 0) {
      ASSERT_EQ(r.eci.size(), 1u) << c.name;
      EXPECT_EQ(r.eci[0].number, c.options.eci);
    }
    EXPECT_EQ(r.macro.present, c.options.macro.present) << c.name;
    if (c.options.macro.present) {
      EXPECT_EQ(r.macro.segmentIndex, c.options.macro.index);
      EXPECT_EQ(r.macro.segmentCount, c.options.macro.count);
      EXPECT_EQ(r.macro.lastSegment, c.options.macro.index == c.options.macro.count - 1);
      if (!c.options.macro.fileId.empty()) {
        EXPECT_EQ(r.macro.fileId, c.options.macro.fileId);
      }
    }
  }
}

}  // namespace

namespace {

// The PNG file, read by libpng as RGB, shows exactly the raster's pixels in the chosen colours:
// every quarter turn, module widths whose lines end inside a byte, with and without quiet zone.
TEST(SymbolOptionsPeers, PngPixelsAreTheRasterInItsColours) {
  const pdf417::Colour fg{20, 30, 120};
  const pdf417::Colour bg{250, 240, 200};
  for (const std::string& data : {std::string("x"), Payloads()[3].data}) {
    for (int turns = 0; turns < 4; ++turns) {
      for (const int moduleWidth : {1, 2, 3}) {
        for (const int quietZone : {0, 3}) {
          pdf417::SymbolOptions o;
          o.drawing.quarterTurns = turns;
          o.drawing.moduleWidth = moduleWidth;
          o.drawing.quietZone = quietZone;
          o.drawing.foreground = fg;
          o.drawing.background = bg;
          const pdf417::Symbol s = pdf417::Encode(data, o);
          const pdf417::Raster r = pdf417::RasterOf(s);
          const Bytes file = pdf417::RenderPng(s);
          png_image image;
          std::memset(&image, 0, sizeof image);
          image.version = PNG_IMAGE_VERSION;
          ASSERT_TRUE(png_image_begin_read_from_memory(&image, file.data(), file.size()));
          image.format = PNG_FORMAT_RGB;
          Bytes rgb(PNG_IMAGE_SIZE(image));
          ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
          const std::string what =
              std::to_string(data.size()) + " bytes, " + std::to_string(turns) + " turns, width " +
              std::to_string(moduleWidth) + ", quiet " + std::to_string(quietZone);
          ASSERT_EQ(static_cast<int>(image.width), r.width) << what;
          ASSERT_EQ(static_cast<int>(image.height), r.height) << what;
          for (int y = 0; y < r.height; ++y) {
            for (int x = 0; x < r.width; ++x) {
              const pdf417::Colour& c = r.Foreground(x, y) ? fg : bg;
              const std::uint8_t* p = &rgb[3 * (static_cast<std::size_t>(y) * r.width + x)];
              ASSERT_TRUE(p[0] == c.red && p[1] == c.green && p[2] == c.blue)
                  << what << " at " << x << "," << y;
            }
          }
        }
      }
    }
  }
}

}  // namespace
