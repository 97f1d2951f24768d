// The readings over one matrix: a matrix binarised with its border reads like one bordered
// afterwards, and every reading of a symbol (upright, turned, with rows to double) decodes from
// in-memory grey pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "decode_util.h"
#include "pdf417/common/error.h"
#include "pdf417/decoder/binarize/picture.h"
#include "pdf417/decoder/classic/bin_bmp.h"
#include "pdf417/decoder/classic/image_transforms.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/decoder/locate/pattern_finder.h"
#include "pdf417/decoder/pipeline.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/symbol.h"
#include "picture_test_util.h"

namespace pdf417 {
namespace {

GreyImage GreyOf(const BitMatrix& bits) {
  GreyImage grey(bits.Width(), bits.Height());
  for (std::int32_t r = 0; r < bits.Height(); ++r)
    for (std::int32_t c = 0; c < bits.Width(); ++c)
      grey.pixels[static_cast<std::size_t>(r) * grey.width + c] = bits.IsDark(r, c) ? 20 : 230;
  return grey;
}

TEST(BinariseGlobal, ABorderMadeWithTheMatrixIsTheBorderAddedAfterIt) {
  std::mt19937 rng(5);
  for (std::int32_t width = 1; width <= 30; width += 7) {
    GreyImage grey(width, 9);
    for (auto& g : grey.pixels) g = static_cast<std::uint8_t>(rng());
    for (const std::int32_t border : {0, 1, 8}) {
      const BitMatrix bits = BinariseGlobal(grey.View(), kGreyThreshold, border);
      EXPECT_EQ(picturetest::ToRows(bits),
                picturetest::ToRows(AddWhiteBorder(BinariseGlobal(grey.View()), border)));
      // Dark exactly where the grey level is below the threshold.
      for (std::int32_t r = 0; r < grey.height; ++r) {
        for (std::int32_t c = 0; c < width; ++c) {
          ASSERT_EQ(bits.IsDark(r + border, c + border),
                    grey.pixels[static_cast<std::size_t>(r * width + c)] < kGreyThreshold)
              << width << " " << border << " " << r << " " << c;
        }
      }
    }
  }
  EXPECT_TRUE(BinariseGlobal(GreyView{}, kGreyThreshold, 8).Empty());
}

BitMatrix EncodedSymbol(const std::string& text, int columns, int level, int aspect) {
  const std::vector<std::uint8_t> file =
      EncodePdf417ToImage(reinterpret_cast<const std::uint8_t*>(text.data()),
                          static_cast<int>(text.size()), columns, level, aspect);
  BinBMP image;
  image.LoadBytes(file.data(), file.size());
  return MatrixOf(image);
}

// The classic reading reads a clean symbol upright or turned a quarter turn either way (its
// corners and orientation as the picture shows it); the pattern-located reading one upside down
// and rows one pixel tall, with and without the classic reading's help, and finds the same symbol
// once however many readings see it.
TEST(Readings, EachReadingReadsWhatItIsFor) {
  const std::string text = "One matrix, read five ways";
  const BitMatrix symbol = EncodedSymbol(text, 4, 2, 3);
  const BitMatrix flat = EncodedSymbol(text, 4, 2, 1);  // one pixel per row, no quiet zone
  struct Case {
    const char* name;
    BitMatrix picture;
    const char* reading;
    double orientation;
  };
  const Case cases[] = {
      {"upright", symbol, "classic", 0},
      {"rows one pixel tall", flat, "located by start and stop patterns", 0},
      {"turned 180 degrees", TurnRightAngle(symbol, 2), "located by start and stop patterns", 180},
      {"turned a quarter turn clockwise", TurnRightAngle(symbol, 1), "classic", 90},
      {"turned a quarter turn anticlockwise", TurnRightAngle(symbol, 3), "classic", 270},
  };
  for (const Case& c : cases) {
    const GreyImage grey = GreyOf(c.picture);
    ImageView view;
    view.data = grey.pixels.data();
    view.width = grey.width;
    view.height = grey.height;
    const std::vector<DecodeResult> all = Decode(view);
    ASSERT_EQ(all.size(), 1u) << c.name;
    ASSERT_TRUE(all[0].ok()) << c.name << ": " << all[0].message;
    EXPECT_EQ(all[0].bytes, text) << c.name;
    EXPECT_EQ(all[0].reading, c.reading) << c.name;
    // The top edge's turn, and every corner inside the picture.
    const double off = std::fabs(std::remainder(all[0].orientation - c.orientation, 360.0));
    EXPECT_LT(off, 2.0) << c.name << ": " << all[0].orientation;
    for (const PointF& p : all[0].corners) {
      EXPECT_TRUE(p.x > -1 && p.y > -1 && p.x < grey.width + 1 && p.y < grey.height + 1)
          << c.name << ": " << p.x << ", " << p.y;
    }
    EXPECT_EQ(all[0].corrected + all[0].erasures, 0) << c.name;
  }
}

// Rows and columns are not scanned across a symbol read already: beside it, another symbol's
// pattern hits are the same as without the cut, and none is found inside it.
TEST(Readings, ScansSkipSymbolsReadAlready) {
  const BitMatrix a = EncodedSymbol("the symbol read already", 3, 2, 3);
  const BitMatrix b = EncodedSymbol("the symbol beside it", 3, 2, 3);
  constexpr int kGap = 40;
  BitMatrix page(a.Width() + kGap + b.Width() + 20, std::max(a.Height(), b.Height()) + 30);
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) page.SetDark(y + 10, x + 10, a.IsDark(y, x));
  }
  const int bx = 10 + a.Width() + kGap;
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) page.SetDark(y + 15, x + bx, b.IsDark(y, x));
  }
  const std::array<PointF, 4> quad = {PointF{10.0, 10.0}, PointF{10.0 + a.Width(), 10.0},
                                      PointF{10.0 + a.Width(), 10.0 + a.Height()},
                                      PointF{10.0, 10.0 + a.Height()}};
  const auto insideA = [&quad](const PatternHit& h) {
    return h.outer.x >= quad[0].x && h.outer.x <= quad[1].x && h.outer.y >= quad[0].y &&
           h.outer.y <= quad[2].y;
  };
  const BitMatrix transposed = Transposed(page);
  const std::vector<PatternHit> all =
      FindPatternHits(page, 2, ScanLines::Straight, false, &transposed);
  const std::vector<std::array<PointF, 4>> skip = {quad};
  const std::vector<PatternHit> cut =
      FindPatternHits(page, 2, ScanLines::Straight, false, &transposed, nullptr, 0, &skip);
  const auto key = [](const PatternHit& h) {
    return std::make_tuple(h.direction, h.line, h.stop, h.reversed, h.outer.x, h.outer.y);
  };
  std::vector<std::tuple<int, int, bool, bool, double, double>> expected, found;
  int inA = 0;
  for (const PatternHit& h : all) {
    if (insideA(h)) {
      ++inA;
    } else {
      expected.push_back(key(h));
    }
  }
  for (const PatternHit& h : cut) {
    EXPECT_FALSE(insideA(h)) << h.outer.x << ", " << h.outer.y;
    found.push_back(key(h));
  }
  EXPECT_GT(inA, 10);
  EXPECT_GT(expected.size(), 10u);
  std::sort(expected.begin(), expected.end());
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, expected);
}

// A clean symbol of at least two pixels a module is a sampling question only: whatever its
// shape, content, drawing and quarter turn, every codeword of a PDF417 symbol is read as drawn,
// none corrected and none left unseen.
TEST(Readings, CleanSymbolsNeedNoCorrection) {
  std::mt19937 rng(20261211);
  const auto pick = [&rng](int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
  };
  for (int i = 0; i < 300; ++i) {
    std::string data(static_cast<std::size_t>(pick(1, i % 3 == 0 ? 12 : 150)), ' ');
    for (char& ch : data) ch = static_cast<char>(i % 2 == 0 ? pick(32, 126) : pick(0, 255));
    SymbolOptions o;
    o.columns = i % 4 == 0 ? 1 : pick(1, 30);
    o.symbology = i % 5 == 0 ? Symbology::CompactPdf417 : Symbology::Pdf417;
    o.drawing.moduleWidth = pick(2, 4);
    o.drawing.rowHeight = pick(2, 5);
    o.drawing.quarterTurns = pick(0, 3);
    Symbol symbol;
    try {
      symbol = Encode(data, o);
    } catch (const Error&) {
      continue;  // too long for one column
    }
    const Raster raster = RasterOf(symbol);
    std::vector<std::uint8_t> grey(raster.pixels.size());
    for (std::size_t p = 0; p < grey.size(); ++p) grey[p] = raster.pixels[p] ? 20 : 235;
    ImageView view;
    view.data = grey.data();
    view.width = raster.width;
    view.height = raster.height;
    const std::vector<DecodeResult> all = Decode(view);
    const std::string what =
        "symbol " + std::to_string(i) + ": " + std::to_string(symbol.columns) + " columns, " +
        std::to_string(symbol.rows) + " rows, module " + std::to_string(o.drawing.moduleWidth) +
        ", row height " + std::to_string(symbol.drawing.rowHeight) + ", turns " +
        std::to_string(o.drawing.quarterTurns) +
        (o.symbology == Symbology::CompactPdf417 ? ", compact" : "") + ", " + all[0].reading;
    ASSERT_EQ(all.size(), 1u) << what;
    ASSERT_TRUE(all[0].ok()) << what << ": " << all[0].message;
    EXPECT_EQ(all[0].bytes, data) << what;
    // Compact symbols of few thin rows still lose a column or two at their far end, where no
    // stop pattern marks it: they must decode, but may need their error correction.
    if (o.symbology == Symbology::CompactPdf417) continue;
    EXPECT_EQ(all[0].corrected, 0) << what;
    EXPECT_EQ(all[0].erasures, 0) << what;
  }
}

}  // namespace
}  // namespace pdf417
