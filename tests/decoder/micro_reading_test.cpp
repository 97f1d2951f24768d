// Reading MicroPDF417: every size of our encoder at several lengths of text, digits and bytes;
// quarter turns, module widths and quiet zones; zint's symbols read to the exact bytes; damage
// past what a size corrects never reads as other data; a picture with a PDF417 and a MicroPDF417
// symbol gives both.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "decode_util.h"
#include "pdf417/common/micro_tables.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/symbol.h"
#include "test_util.h"
#include "turned_picture.h"

namespace {

using pdf417::Symbology;
using testutil::GreyPicture;

// A grey picture of a raster (foreground black), with `margin` white pixels around it.
GreyPicture PictureOf(const pdf417::Raster& raster, int margin = 10) {
  GreyPicture out;
  out.width = raster.width + 2 * margin;
  out.height = raster.height + 2 * margin;
  out.pixels.assign(static_cast<std::size_t>(out.width) * out.height, 255);
  for (int y = 0; y < raster.height; ++y) {
    for (int x = 0; x < raster.width; ++x) {
      if (raster.Foreground(x, y)) {
        out.pixels[static_cast<std::size_t>(y + margin) * out.width + x + margin] = 0;
      }
    }
  }
  return out;
}

pdf417::SymbolOptions MicroOptions(int columns, int rows) {
  pdf417::SymbolOptions o;
  o.symbology = Symbology::MicroPdf417;
  o.columns = columns;
  o.rows = rows;
  return o;
}

// Data of a kind: upper-case text, digits, or bytes of every value, `length` long.
std::string DataOf(char kind, std::size_t length, unsigned seed) {
  std::mt19937 random(seed);
  std::string s;
  for (std::size_t i = 0; i < length; ++i) {
    switch (kind) {
      case 't':
        s += "ABCDEFGHIJKLMNOPQRSTUVWXYZ "[random() % 27];
        break;
      case 'n':
        s += static_cast<char>('0' + random() % 10);
        break;
      default:
        s += static_cast<char>(random() % 256);
    }
  }
  return s;
}

// The most bytes of the kind a size holds.
std::size_t Capacity(char kind, const pdf417::SymbolOptions& options) {
  const std::string all = DataOf(kind, 400, 1);
  return pdf417::LargestFittingPrefix(reinterpret_cast<const std::uint8_t*>(all.data()), all.size(),
                                      options);
}

TEST(MicroReading, EverySizeReadsBackTextDigitsAndBytes) {
  int read = 0;
  for (const pdf417::MicroSize& size : pdf417::MicroSizes()) {
    for (const char kind : {'t', 'n', 'b'}) {
      const pdf417::SymbolOptions options = MicroOptions(size.columns, size.rows);
      const std::size_t most = Capacity(kind, options);
      ASSERT_GE(most, 1u) << size.columns << "x" << size.rows << " " << kind;
      for (const std::size_t length : {std::size_t{1}, (most + 1) / 2, most}) {
        const std::string data = DataOf(kind, length, static_cast<unsigned>(length * 7 + kind));
        const pdf417::Symbol symbol = pdf417::Encode(data, options);
        ASSERT_EQ(symbol.rows, size.rows);
        const GreyPicture picture = PictureOf(pdf417::RasterOf(symbol));
        const pdf417::DecodeResult r = testutil::DecodeFirst(picture.View());
        const std::string what = std::to_string(size.columns) + "x" + std::to_string(size.rows) +
                                 " " + kind + " " + std::to_string(length);
        ASSERT_TRUE(r.ok()) << what << ": " << r.message;
        EXPECT_EQ(r.bytes, data) << what;
        EXPECT_EQ(r.symbology, Symbology::MicroPdf417) << what;
        EXPECT_EQ(r.rows, size.rows) << what;
        EXPECT_EQ(r.columns, size.columns) << what;
        EXPECT_EQ(r.level, -1) << what;
        read += r.ok() && r.bytes == data;
      }
    }
  }
  EXPECT_EQ(read, 34 * 3 * 3);
}

// The corners and orientation of each quarter turn, at module widths of 1 to 4 pixels and with
// and without quiet zones.
TEST(MicroReading, QuarterTurnsModuleWidthsAndQuietZones) {
  struct Case {
    int columns, rows, moduleWidth, rowHeight, quietZone, turns;
  };
  const Case cases[] = {
      {1, 11, 1, 2, 0, 0}, {2, 8, 1, 2, 2, 1},  {3, 6, 2, 2, 0, 2},  {4, 4, 2, 3, 1, 3},
      {4, 44, 1, 2, 2, 0}, {3, 44, 3, 2, 0, 1}, {2, 26, 4, 3, 2, 2}, {1, 28, 3, 2, 0, 3},
      {4, 15, 4, 4, 2, 1}, {3, 20, 2, 2, 2, 3}, {1, 17, 2, 2, 2, 2}, {2, 14, 3, 2, 1, 0},
  };
  for (const Case& c : cases) {
    pdf417::SymbolOptions options = MicroOptions(c.columns, c.rows);
    options.drawing.moduleWidth = c.moduleWidth;
    options.drawing.rowHeight = c.rowHeight;
    options.drawing.quietZone = c.quietZone;
    options.drawing.quarterTurns = c.turns;
    const std::string data = std::to_string(c.columns * 100 + c.rows);
    const pdf417::Raster raster = pdf417::RasterOf(pdf417::Encode(data, options));
    const GreyPicture picture = PictureOf(raster, c.quietZone == 0 ? 0 : 10);
    const pdf417::DecodeResult r = testutil::DecodeFirst(picture.View());
    const std::string what = std::to_string(c.columns) + "x" + std::to_string(c.rows) + " turned " +
                             std::to_string(c.turns) + " module " + std::to_string(c.moduleWidth);
    ASSERT_TRUE(r.ok()) << what << ": " << r.message;
    EXPECT_EQ(r.bytes, data) << what;
    EXPECT_DOUBLE_EQ(r.orientation, 90.0 * c.turns) << what;
    ASSERT_EQ(r.corners.size(), 4u) << what;
    // The corners lie within a module or two of the drawn symbol's.
    const double margin = c.quietZone == 0 ? 0 : 10 + c.quietZone * c.moduleWidth;
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
    for (const pdf417::PointF& p : r.corners) {
      minX = std::min(minX, p.x);
      maxX = std::max(maxX, p.x);
      minY = std::min(minY, p.y);
      maxY = std::max(maxY, p.y);
    }
    const double slack = 2.0 * c.moduleWidth + 1;
    EXPECT_NEAR(minX, margin, slack) << what;
    EXPECT_NEAR(minY, margin, slack) << what;
    EXPECT_NEAR(maxX, picture.width - margin, slack) << what;
    EXPECT_NEAR(maxY, picture.height - margin, slack) << what;
  }
}

// Tilts and fractional scales, drawn by nearest neighbour: a few degrees off the pixel lines a
// long row runs into the next one, and is read along lines that follow it.
TEST(MicroReading, TiltsAndFractionalScales) {
  struct Case {
    int columns, rows;
    double scale, degrees;
  };
  const Case cases[] = {{1, 20, 2.5, 1.0},   {2, 11, 3, -1.5},   {3, 12, 2.2, 0.8},
                        {4, 20, 3.4, 2.0},   {4, 8, 2, 90.7},    {3, 26, 2.6, 181.0},
                        {2, 17, 2.6, 269.5}, {4, 32, 2.5, -0.6}, {3, 15, 3, 4.0},
                        {4, 20, 2.5, -5.5},  {2, 14, 3, 93.5},   {4, 10, 3.2, 183.0}};
  for (const Case& c : cases) {
    pdf417::SymbolOptions options = MicroOptions(c.columns, c.rows);
    options.drawing.moduleWidth = 1;
    options.drawing.rowHeight = 2;
    const std::string data = DataOf('b', Capacity('b', options) / 2 + 1, 3);
    const pdf417::Symbol symbol = pdf417::Encode(data, options);
    const GreyPicture picture = testutil::DrawTurned(pdf417::RenderBmp(symbol), c.scale, c.degrees);
    const pdf417::DecodeResult r = testutil::DecodeFirst(picture.View());
    const std::string what = std::to_string(c.columns) + "x" + std::to_string(c.rows) + " at " +
                             std::to_string(c.degrees);
    ASSERT_TRUE(r.ok()) << what << ": " << r.message;
    EXPECT_EQ(r.bytes, data) << what;
  }
}

// zint's MicroPDF417 of every column count, text, digits and bytes, scales 1 to 4, the four
// rotations, with and without quiet zones: read to the exact bytes.
TEST(MicroReading, ZintSymbolsReadToTheExactBytes) {
  if (!testutil::ZintInstalled()) GTEST_SKIP() << "the zint command-line tool is not installed";
  struct Case {
    int columns;
    const char* rows;  // "" lets zint choose
    char kind;
    std::size_t length;
    int scale, rotate;
    bool quiet;
  };
  const Case cases[] = {
      {1, "", 't', 5, 1, 0, false},
      {1, "", 'n', 20, 2, 90, true},
      {1, "", 'b', 10, 3, 180, false},
      {1, "", 't', 30, 4, 270, true},
      {2, "", 'n', 60, 1, 0, true},
      {2, "", 'b', 30, 2, 90, false},
      {2, "", 't', 50, 3, 180, true},
      {2, "", 'b', 1, 4, 270, false},
      {3, "", 'b', 60, 1, 180, true},
      {3, "", 't', 100, 2, 270, false},
      {3, "", 'n', 150, 3, 0, true},
      {3, "", 't', 8, 4, 90, false},
      {4, "", 't', 200, 1, 270, false},
      {4, "", 'b', 100, 2, 0, true},
      {4, "", 'n', 300, 3, 90, false},
      {4, "", 'b', 4, 4, 180, true},
      {4, "--rows=44", 't', 20, 2, 0, true},
      {3, "--rows=38", 'b', 40, 1, 90, true},
      {2, "--rows=26", 'n', 50, 2, 180, false},
      {1, "--rows=28", 'b', 12, 1, 270, true},
  };
  testutil::TempDir dir;
  int read = 0;
  for (const Case& c : cases) {
    const std::string data = DataOf(c.kind, c.length, static_cast<unsigned>(c.length + c.columns));
    const std::string input = dir / "data.bin";
    testutil::WriteBytes(input, std::vector<std::uint8_t>(data.begin(), data.end()));
    const std::string png = dir / "micro.png";
    const std::string command =
        "zint -b 84 --binary --cols=" + std::to_string(c.columns) + " " + c.rows +
        " --scale=" + std::to_string(c.scale) + " --rotate=" + std::to_string(c.rotate) +
        (c.quiet ? " --whitesp=2 --vwhitesp=2" : "") + " -o " + testutil::ShellQuote(png) + " -i " +
        testutil::ShellQuote(input) + " > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const pdf417::DecodeResult r = testutil::DecodeFirst(png);
    ASSERT_TRUE(r.ok()) << command << ": " << r.message;
    EXPECT_EQ(r.bytes, data) << command;
    EXPECT_EQ(r.symbology, Symbology::MicroPdf417) << command;
    EXPECT_EQ(r.columns, c.columns) << command;
    EXPECT_DOUBLE_EQ(r.orientation, c.rotate) << command;
    read += r.ok() && r.bytes == data;
  }
  EXPECT_EQ(read, static_cast<int>(sizeof(cases) / sizeof(cases[0])));
}

// Cells of a symbol's module matrix painted over: `count` distinct cells, each blanked (light),
// blackened or its modules flipped.
std::vector<std::uint8_t> Damaged(const pdf417::Symbol& symbol, int count, unsigned seed, int how) {
  std::vector<std::uint8_t> modules = symbol.modules;
  const int centreBefore = pdf417::MicroCentreBefore(symbol.columns);
  std::mt19937 random(seed);
  std::vector<int> cells(static_cast<std::size_t>(symbol.rows * symbol.columns));
  for (std::size_t i = 0; i < cells.size(); ++i) cells[i] = static_cast<int>(i);
  std::shuffle(cells.begin(), cells.end(), random);
  for (int k = 0; k < count && k < static_cast<int>(cells.size()); ++k) {
    const int row = cells[static_cast<std::size_t>(k)] / symbol.columns;
    const int column = cells[static_cast<std::size_t>(k)] % symbol.columns;
    const int x0 = 10 + 17 * column + (centreBefore >= 0 && column >= centreBefore ? 10 : 0);
    for (int x = x0; x < x0 + 17; ++x) {
      std::uint8_t& m = modules[static_cast<std::size_t>(row * symbol.width + x)];
      m = how == 0 ? 0 : how == 1 ? 1 : static_cast<std::uint8_t>(1 - m);
    }
  }
  return modules;
}

GreyPicture PictureOfModules(const std::vector<std::uint8_t>& modules, int width, int rows) {
  pdf417::Raster raster;
  const int scale = 2;
  const int rowHeight = 3;
  raster.width = width * scale;
  raster.height = rows * rowHeight * scale;
  raster.pixels.resize(static_cast<std::size_t>(raster.width) * raster.height);
  for (int y = 0; y < raster.height; ++y) {
    for (int x = 0; x < raster.width; ++x) {
      raster.pixels[static_cast<std::size_t>(y) * raster.width + x] =
          modules[static_cast<std::size_t>(y / (rowHeight * scale) * width + x / scale)];
    }
  }
  return PictureOf(raster);
}

TEST(MicroReading, DamageWithinTheErasuresReadsAndPastThemNeverGivesOtherData) {
  struct Case {
    int columns, rows;
  };
  const Case sizes[] = {{1, 11}, {1, 28}, {2, 8}, {2, 23}, {3, 6}, {3, 32}, {4, 4}, {4, 44}};
  int refused = 0;
  for (const Case& c : sizes) {
    const pdf417::SymbolOptions options = MicroOptions(c.columns, c.rows);
    const std::string data = DataOf('b', Capacity('b', options), 11);
    const pdf417::Symbol symbol = pdf417::Encode(data, options);
    const int k = static_cast<int>(symbol.codewords.size()) - symbol.dataCodewords;
    const std::string what = std::to_string(c.columns) + "x" + std::to_string(c.rows);
    // Blanked cells are read as erasures: up to k - 2 of them are corrected.
    {
      const GreyPicture picture =
          PictureOfModules(Damaged(symbol, k - 2, 5, 0), symbol.width, symbol.rows);
      const pdf417::DecodeResult r = testutil::DecodeFirst(picture.View());
      EXPECT_TRUE(r.ok()) << what << " with " << k - 2 << " cells blanked: " << r.message;
      EXPECT_EQ(r.bytes, data) << what;
    }
    // Past that, blanked, blackened or flipped: no other data, ever.
    for (int how = 0; how < 3; ++how) {
      for (unsigned seed = 0; seed < 6; ++seed) {
        const int count = k + 1 + static_cast<int>(seed % 3) * (k / 2 + 1);
        const GreyPicture picture = PictureOfModules(Damaged(symbol, count, seed * 31 + how, how),
                                                     symbol.width, symbol.rows);
        const pdf417::DecodeResult r = testutil::DecodeFirst(picture.View());
        if (r.ok()) {
          EXPECT_EQ(r.bytes, data) << what << " damage " << how << " of " << count << " cells";
        } else {
          ++refused;
        }
      }
    }
  }
  EXPECT_GT(refused, 0);
}

TEST(MicroReading, APdf417AndAMicroPdf417InOnePictureGiveBoth) {
  pdf417::SymbolOptions classic;
  classic.columns = 4;
  const std::string classicData = "PDF417 BESIDE A MICRO SYMBOL";
  const pdf417::Raster a = pdf417::RasterOf(pdf417::Encode(classicData, classic));
  const std::string microData = "MICRO 4711";
  const pdf417::Raster b = pdf417::RasterOf(pdf417::Encode(microData, MicroOptions(2, 0)));
  pdf417::Raster both;
  both.width = a.width + 40 + b.width;
  both.height = std::max(a.height, b.height);
  both.pixels.assign(static_cast<std::size_t>(both.width) * both.height, 0);
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      both.pixels[static_cast<std::size_t>(y) * both.width + x] = a.Foreground(x, y);
    }
  }
  for (int y = 0; y < b.height; ++y) {
    for (int x = 0; x < b.width; ++x) {
      both.pixels[static_cast<std::size_t>(y) * both.width + a.width + 40 + x] = b.Foreground(x, y);
    }
  }
  const GreyPicture picture = PictureOf(both);
  const std::vector<pdf417::DecodeResult> found = pdf417::Decode(picture.View());
  ASSERT_EQ(found.size(), 2u);
  ASSERT_TRUE(found[0].ok()) << found[0].message;
  EXPECT_EQ(found[0].symbology, Symbology::Pdf417);
  EXPECT_EQ(found[0].bytes, classicData);
  EXPECT_EQ(found[1].symbology, Symbology::MicroPdf417);
  EXPECT_EQ(found[1].bytes, microData);
}

}  // namespace
