// The pattern-located reading on photo-like pictures, and properties of its stages.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "decode_util.h"
#include "decoder/photo_fixtures.h"
#include "pdf417/common/patterns.h"
#include "pdf417/decoder/binarize/local_threshold.h"
#include "pdf417/decoder/codewords/edge_reader.h"
#include "pdf417/decoder/codewords/line_reader.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/decoder/grid/homography.h"
#include "pdf417/decoder/grid/symbol_reader.h"
#include "pdf417/decoder/locate/pattern_finder.h"
#include "pdf417/decoder/pipeline.h"
#include "pdf417/encoder/stages.h"
#include "pdf417/encoder/symbol.h"

namespace {

using phototest::PhotoClass;

pdf417::DecodeResult DecodeGreyImage(const pdf417::GreyImage& image) {
  pdf417::ImageView view;
  view.data = image.pixels.data();
  view.width = image.width;
  view.height = image.height;
  view.format = pdf417::PixelFormat::Grey8;
  return testutil::DecodeFirst(view);
}

std::vector<pdf417::DecodeResult> DecodeAllGrey(const pdf417::GreyImage& image) {
  pdf417::ImageView view;
  view.data = image.pixels.data();
  view.width = image.width;
  view.height = image.height;
  return pdf417::Decode(view);
}

constexpr int kPerClass = 8;

// Every class of photo: at least the minimum count read, and nothing read as other data. Each
// picture is read by both entries: the single one gives one of the picture's symbols, DecodeAll
// every one, in order from the top, each with four corners and none twice.
TEST(PhotoReading, ReadsEachClassOfPhotos) {
  struct Expectation {
    PhotoClass photoClass;
    int minimum;
  };
  const Expectation expectations[] = {
      {PhotoClass::Turned, 7},      {PhotoClass::Rotated10To80, 7}, {PhotoClass::Perspective, 7},
      {PhotoClass::LowContrast, 7}, {PhotoClass::UnevenLight, 7},   {PhotoClass::Blur, 7},
      {PhotoClass::Noise, 7},       {PhotoClass::SmallModules, 7},  {PhotoClass::Clutter, 7},
      {PhotoClass::DefacedStop, 7}, {PhotoClass::DefacedStart, 7},  {PhotoClass::CoveredCorner, 6},
      {PhotoClass::Combined, 4},    {PhotoClass::Jpeg40, 7},        {PhotoClass::TwoSymbols, 7},
  };
  for (const Expectation& e : expectations) {
    const char* name = phototest::ClassName(e.photoClass);
    int read = 0;
    for (int n = 0; n < kPerClass; ++n) {
      const phototest::Photo photo = phototest::MakePhoto(e.photoClass, n);
      std::vector<std::string> expected{photo.data};
      if (!photo.second.empty()) expected.push_back(photo.second);
      const pdf417::DecodeResult one = DecodeGreyImage(photo.image);
      if (one.ok()) {
        EXPECT_NE(std::find(expected.begin(), expected.end(), one.bytes), expected.end())
            << name << " " << n;
      }
      const std::vector<pdf417::DecodeResult> all = DecodeAllGrey(photo.image);
      ASSERT_FALSE(all.empty()) << name << " " << n;
      if (!all.front().ok()) {
        EXPECT_EQ(all.size(), 1u) << name << " " << n;
        EXPECT_FALSE(one.ok()) << name << " " << n << ": the single entry read more";
        continue;
      }
      std::vector<std::string> got;
      for (const pdf417::DecodeResult& r : all) {
        ASSERT_TRUE(r.ok()) << name << " " << n;
        EXPECT_EQ(r.corners.size(), 4u) << name << " " << n;
        got.push_back(r.bytes);
      }
      if (one.ok()) {
        EXPECT_NE(std::find(got.begin(), got.end(), one.bytes), got.end()) << name << " " << n;
      }
      // Every symbol read is one of the picture's, once, in order from the top.
      std::size_t at = 0;
      for (const std::string& bytes : got) {
        while (at < expected.size() && expected[at] != bytes) ++at;
        EXPECT_LT(at, expected.size()) << name << " " << n << ": other data or out of order";
        ++at;
      }
      read += got.size() == expected.size();
    }
    std::printf("%-16s %2d of %d\n", name, read, kPerClass);
    EXPECT_GE(read, e.minimum) << name;
  }
}

}  // namespace

namespace {

// The symbol's corners are reported where they are, within two modules, whatever the turn and
// keystone: by the pattern-located reading, and by DecodeAll whichever reading read the symbol
// (the older ones straighten slightly turned pictures first).
TEST(PhotoReading, ReportsTheSymbolsCorners) {
  int checked = 0;
  for (const PhotoClass c : {PhotoClass::Turned, PhotoClass::Perspective}) {
    for (int n = 0; n < 6; ++n) {
      for (const bool nearUpright : {false, true}) {
        const phototest::Photo photo = phototest::MakePhoto(c, n, nearUpright);
        std::vector<pdf417::DecodeResult> results = DecodeAllGrey(photo.image);
        for (const pdf417::DecodeResult& r : results) {
          if (!r.ok()) continue;
          ++checked;
          ASSERT_EQ(r.corners.size(), 4u);
          for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_NEAR(r.corners[i].x, photo.corners[i].x, 8)
                << phototest::ClassName(c) << n << " " << r.reading;
            EXPECT_NEAR(r.corners[i].y, photo.corners[i].y, 8)
                << phototest::ClassName(c) << n << " " << r.reading;
          }
        }
      }
    }
  }
  EXPECT_EQ(checked, 24);  // every photo read
}

// Clean symbols, upright or turned by quarter turns: their corners are reported where the
// encoder drew them.
TEST(PhotoReading, PlacesCleanSymbolsReadBeforeThePatterns) {
  struct Case {
    int turns, moduleWidth, rowHeight;
  };
  for (const Case c : {Case{0, 2, 3}, Case{1, 2, 3}, Case{2, 2, 3}, Case{3, 2, 3}, Case{0, 1, 2},
                       Case{1, 1, 2}, Case{2, 3, 4}, Case{3, 3, 4}}) {
    pdf417::SymbolOptions options;
    options.drawing.moduleWidth = c.moduleWidth;
    options.drawing.rowHeight = c.rowHeight;
    options.drawing.quietZone = 5;
    options.drawing.quarterTurns = c.turns;
    const pdf417::Symbol symbol = pdf417::Encode("Corners of a clean symbol, 0123456789", options);
    const pdf417::Raster raster = pdf417::RasterOf(symbol);
    pdf417::GreyImage image;
    image.width = raster.width;
    image.height = raster.height;
    for (const std::uint8_t p : raster.pixels) image.pixels.push_back(p != 0 ? 20 : 235);
    // The upright symbol's corners, turned clockwise with the picture.
    const double q = 5.0 * c.moduleWidth;
    const double W = c.turns % 2 == 0 ? raster.width : raster.height;  // upright size
    const double H = c.turns % 2 == 0 ? raster.height : raster.width;
    std::array<pdf417::PointF, 4> expected = {{{q, q}, {W - q, q}, {W - q, H - q}, {q, H - q}}};
    for (int t = 0; t < c.turns; ++t) {
      const double h = t % 2 == 0 ? H : W;  // height of the picture being turned
      for (pdf417::PointF& p : expected) p = pdf417::PointF{h - p.y, p.x};
    }
    const std::vector<pdf417::DecodeResult> all = DecodeAllGrey(image);
    const std::string name = "turns " + std::to_string(c.turns) + " module " +
                             std::to_string(c.moduleWidth) + " row " + std::to_string(c.rowHeight);
    ASSERT_EQ(all.size(), 1u) << name;
    ASSERT_TRUE(all[0].ok()) << name << ": " << all[0].message;
    ASSERT_EQ(all[0].corners.size(), 4u) << name;
    for (std::size_t i = 0; i < 4; ++i) {
      EXPECT_NEAR(all[0].corners[i].x, expected[i].x, 1.0) << name << " corner " << i;
      EXPECT_NEAR(all[0].corners[i].y, expected[i].y, 1.0) << name << " corner " << i;
    }
  }
}

// Random symbols at every level with random codeword cells painted over, from none to well
// beyond what the level corrects: the pattern-located reading either refuses or gives the data.
TEST(PhotoReading, RandomDamageNeverGivesOtherText) {
  int decoded = 0;
  int refused = 0;
  for (int level = 0; level <= 8; ++level) {
    const int capacity = (1 << (level + 1)) / 2;
    for (int trial = 0; trial < 5; ++trial) {
      const unsigned seed = static_cast<unsigned>(100 * level + trial);
      const int damage = static_cast<int>(seed * 7919u % static_cast<unsigned>(2 * capacity + 4));
      const phototest::Photo photo = phototest::MakeDamagedPhoto(level, damage, seed);
      // Every candidate read: each symbol decoded is the one painted, and it is read once.
      const std::vector<pdf417::DecodeResult> all = DecodeAllGrey(photo.image);
      const pdf417::DecodeResult& r = all.front();
      for (const pdf417::DecodeResult& a : all) {
        if (a.ok()) {
          EXPECT_EQ(a.bytes, photo.data) << "level " << level << ", " << damage << " cells";
        }
      }
      EXPECT_EQ(all.size(), 1u) << "level " << level << ", " << damage << " cells";
      if (!r.ok()) {
        ++refused;
        EXPECT_TRUE(r.bytes.empty());
        continue;
      }
      ++decoded;
      EXPECT_EQ(r.bytes, photo.data) << "level " << level << ", " << damage << " cells painted";
    }
  }
  EXPECT_GT(decoded, 10);
  EXPECT_GT(refused, 0);
}

// The transform puts the unit square's corners on the given ones, is undone by Unmap, keeps
// points on a line on a line, and is the plain affine map for a parallelogram.
TEST(Perspective, MapsCornersLinesAndParallelograms) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> jitter(-40, 40);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int trial = 0; trial < 200; ++trial) {
    const std::array<pdf417::PointF, 4> q = {pdf417::PointF{100 + jitter(rng), 100 + jitter(rng)},
                                             pdf417::PointF{400 + jitter(rng), 100 + jitter(rng)},
                                             pdf417::PointF{400 + jitter(rng), 300 + jitter(rng)},
                                             pdf417::PointF{100 + jitter(rng), 300 + jitter(rng)}};
    const pdf417::Perspective map(q);
    ASSERT_TRUE(map.Valid());
    const double us[4] = {0, 1, 1, 0};
    const double vs[4] = {0, 0, 1, 1};
    for (std::size_t i = 0; i < 4; ++i) {
      const pdf417::PointF p = map.Map(us[i], vs[i]);
      EXPECT_NEAR(p.x, q[i].x, 1e-9);
      EXPECT_NEAR(p.y, q[i].y, 1e-9);
    }
    // Three points of one straight line of the square stay on one line.
    const double u0 = unit(rng), v0 = unit(rng), du = unit(rng) - 0.5, dv = unit(rng) - 0.5;
    const pdf417::PointF a = map.Map(u0, v0);
    const pdf417::PointF b = map.Map(u0 + du, v0 + dv);
    const pdf417::PointF c = map.Map(u0 + 2.5 * du, v0 + 2.5 * dv);
    EXPECT_NEAR((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x), 0, 1e-6);
    const pdf417::PointF back = map.Unmap(b);
    EXPECT_NEAR(back.x, u0 + du, 1e-9);
    EXPECT_NEAR(back.y, v0 + dv, 1e-9);
  }
  const std::array<pdf417::PointF, 4> para = {pdf417::PointF{10, 20}, pdf417::PointF{110, 40},
                                              pdf417::PointF{90, 140}, pdf417::PointF{-10, 120}};
  const pdf417::Perspective affine(para);
  const pdf417::PointF p = affine.Map(0.25, 0.6);
  EXPECT_NEAR(p.x, 10 + 0.25 * 100 + 0.6 * -20, 1e-9);
  EXPECT_NEAR(p.y, 20 + 0.25 * 20 + 0.6 * 100, 1e-9);
  EXPECT_FALSE(pdf417::Perspective({pdf417::PointF{0, 0}, pdf417::PointF{1, 1},
                                    pdf417::PointF{2, 2}, pdf417::PointF{3, 3}})
                   .Valid());
}

// Bar and space widths of a pattern value, leftmost module first.
std::array<int, 8> WidthsOf(std::int32_t value) {
  std::array<int, 8> widths{};
  std::size_t element = 0;
  for (int bit = 16; bit >= 0; --bit) {
    if (bit < 16 && (((value >> bit) ^ (value >> (bit + 1))) & 1)) ++element;
    ++widths[element];
  }
  return widths;
}

// Every codeword of every cluster is read back from its widths drawn at random sizes, with
// random ink spread (bars wider, spaces narrower by the same amount) and edge jitter.
TEST(EdgeReader, ReadsEveryPatternUnderInkSpread) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> scale(1.5, 5);
  std::uniform_real_distribution<double> spread(-0.4, 0.4);
  std::uniform_real_distribution<double> jitter(-0.12, 0.12);
  for (int cluster = 0; cluster < pdf417::kClusterCount; ++cluster) {
    for (int codeword = 0; codeword < pdf417::kCodewordCount; ++codeword) {
      const std::array<int, 8> w = WidthsOf(pdf417::PatternValueOf(cluster, codeword));
      const double s = scale(rng);
      const double d = spread(rng);
      // Edges move: each bar's leading edge earlier by d / 2, trailing edge later by d / 2.
      std::array<double, 9> edges{};
      for (std::size_t i = 0; i < 8; ++i) edges[i + 1] = edges[i] + w[i];
      std::array<double, 8> measured{};
      std::array<double, 9> moved{};
      for (std::size_t i = 0; i < 9; ++i) {
        const double shift = (i % 2 == 0 ? -d / 2 : d / 2);
        moved[i] = (edges[i] + shift + (i > 0 && i < 8 ? jitter(rng) : 0)) * s;
      }
      for (std::size_t i = 0; i < 8; ++i) measured[i] = moved[i + 1] - moved[i];
      const pdf417::EdgeReading r = pdf417::ReadCodewordByEdges(measured);
      ASSERT_EQ(r.codeword, codeword) << "cluster " << cluster << ", spread " << d;
      ASSERT_EQ(r.cluster, cluster) << "codeword " << codeword;
    }
  }
  EXPECT_EQ(pdf417::ReadCodewordByEdges({1, 1, 1, 1, 1, 1, 1, 0}).codeword, -1);
}

// Start and stop patterns match at any scale and spread in the direction they are read, and a
// pattern never matches as the other one.
TEST(PatternFinder, MatchesPatternsAtAnyScaleInTheirDirection) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> scale(1.2, 6);
  std::uniform_real_distribution<double> spread(-0.3, 0.3);
  auto runsOf = [](const int* widths, int count, bool reversed, double s, double d) {
    std::vector<pdf417::Run> runs{pdf417::Run{0, static_cast<int>(3 * s), false}};
    int at = runs[0].length;
    for (int j = 0; j < count; ++j) {
      const int e = widths[reversed ? count - 1 - j : j];
      const bool dark = (reversed ? count - 1 - j : j) % 2 == 0;
      const int len = std::max(1, static_cast<int>(std::lround((e + (dark ? d : -d)) * s)));
      runs.push_back(pdf417::Run{at, len, dark});
      at += len;
    }
    runs.push_back(pdf417::Run{at, static_cast<int>(3 * s), !runs.back().dark});
    return runs;
  };
  const int* start = pdf417::kStartWidths.data();
  const int* stop = pdf417::kStopWidths.data();
  for (int trial = 0; trial < 300; ++trial) {
    const double s = scale(rng);
    const double d = spread(rng);
    for (const bool reversed : {false, true}) {
      double m = 0;
      const auto a = runsOf(start, 8, reversed, s, d);
      EXPECT_TRUE(pdf417::MatchesPattern(a, 1, start, 8, reversed, m)) << s << " " << d;
      EXPECT_NEAR(m, s, 0.25 * s);
      EXPECT_FALSE(pdf417::MatchesPattern(a, 1, start, 8, !reversed, m));
      EXPECT_FALSE(pdf417::MatchesPattern(a, 1, stop, 9, reversed, m));
      const auto b = runsOf(stop, 9, reversed, s, d);
      EXPECT_TRUE(pdf417::MatchesPattern(b, 1, stop, 9, reversed, m)) << s << " " << d;
      EXPECT_FALSE(pdf417::MatchesPattern(b, 1, stop, 9, !reversed, m));
      EXPECT_FALSE(pdf417::MatchesPattern(b, 1, start, 8, reversed, m));
    }
  }
}

// The local threshold on faint bars (24 levels between ink and paper, as a faded thermal print)
// under light that falls across the picture, beside flat paper: every bar dark, every space and
// the paper light, with and without a border.
TEST(LocalThreshold, FaintBarsUnderFallingLight) {
  const int w = 240, h = 160;
  pdf417::GreyImage grey(w, h);
  std::mt19937 rng(3);
  // Bars and spaces of 2 to 5 pixels from x = 40; paper before them.
  std::vector<bool> bar(static_cast<std::size_t>(w), false);
  bool dark = true;
  for (int x = 40; x < w;) {
    const int run = 2 + static_cast<int>(rng() % 4);
    for (int k = 0; k < run && x < w; ++k, ++x) bar[static_cast<std::size_t>(x)] = dark;
    dark = !dark;
  }
  auto paper = [](int x, int y) { return 235.0 - 0.35 * x - 0.2 * y; };
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      grey.pixels[static_cast<std::size_t>(y * w + x)] =
          static_cast<std::uint8_t>(paper(x, y) - (bar[static_cast<std::size_t>(x)] ? 24 : 0));
    }
  }
  for (const int border : {0, 8}) {
    const pdf417::BitMatrix bits = pdf417::BinariseLocal(grey.View(), 2, border);
    int wrong = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        wrong += bits.IsDark(y + border, x + border) != bar[static_cast<std::size_t>(x)];
      }
    }
    EXPECT_EQ(wrong, 0) << "border " << border;
  }
}

// The local threshold against its definition worked pixel by pixel, on noise over gradients
// (flat stretches too) of sizes that end mid-block and borders of whole bytes or not.
TEST(LocalThreshold, EveryPixelAgainstTheMeanOfItsBlocks) {
  std::mt19937 rng(11);
  constexpr int B = pdf417::kLocalBlock;
  for (const auto& [w, h, radius, border] :
       {std::tuple{1, 1, 2, 0}, {17, 9, 1, 8}, {40, 33, 2, 3}, {123, 70, 3, 8}, {64, 64, 0, 16}}) {
    pdf417::GreyImage grey(w, h);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const int flat = y < h / 4 ? 60 : 200;  // flat paper, and a flat dark stretch
        const int base = x < w / 3 ? flat : 120 + (x * 90) / std::max(1, w) - y / 2;
        const int noise = x < w / 3 ? static_cast<int>(rng() % 3) : static_cast<int>(rng() % 90);
        grey.pixels[static_cast<std::size_t>(y * w + x)] =
            static_cast<std::uint8_t>(std::clamp(base - noise, 0, 255));
      }
    }
    const pdf417::BitMatrix bits = pdf417::BinariseLocal(grey.View(), radius, border);
    const int r = radius > 0 ? radius : std::clamp(std::min(w, h) / (25 * B), 2, 8);
    const int bw = (w + B - 1) / B;
    const int bh = (h + B - 1) / B;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const int bx = x / B;
        const int by = y / B;
        std::uint64_t n = 0, sum = 0, sq = 0;
        for (int yy = std::max(0, by - r) * B; yy < std::min(h, (std::min(bh - 1, by + r) + 1) * B);
             ++yy) {
          for (int xx = std::max(0, bx - r) * B;
               xx < std::min(w, (std::min(bw - 1, bx + r) + 1) * B); ++xx) {
            const std::uint64_t g = grey.pixels[static_cast<std::size_t>(yy * w + xx)];
            ++n;
            sum += g;
            sq += g * g;
          }
        }
        // Variance below 36 (deviation below 6): flat, judged by the global threshold; else dark
        // below the mean.
        const std::uint64_t g = grey.pixels[static_cast<std::size_t>(y * w + x)];
        const bool flat = n * sq - sum * sum < 36 * n * n;
        const bool dark = flat ? g < pdf417::kGreyThreshold : g * n < sum;
        ASSERT_EQ(bits.IsDark(y + border, x + border), dark)
            << w << "x" << h << " border " << border << " at " << x << ", " << y;
      }
    }
    // The border is light.
    for (int y = 0; y < h + 2 * border; ++y) {
      for (int x = 0; x < w + 2 * border; ++x) {
        if (y >= border && y < h + border && x >= border && x < w + border) continue;
        ASSERT_FALSE(bits.IsDark(y, x)) << x << ", " << y;
      }
    }
  }
}

}  // namespace

namespace {

pdf417::SymbolEdge Edge(bool stop, pdf417::PointF top, pdf417::PointF bottom) {
  pdf417::SymbolEdge e;
  e.stop = stop;
  e.top = top;
  e.bottom = bottom;
  e.inward = stop ? pdf417::PointF{-1, 0} : pdf417::PointF{1, 0};
  e.module = 3;
  e.hits = 20;
  return e;
}

// A page tilted away about an axis along the rows: the start and stop edges lean towards each
// other, from parallel to nearly a right angle between them, and still make one candidate with
// their ends as corners; edges whose quadrilateral would cross itself make none.
TEST(EdgePairing, ConvergingEdgesPairAsTheirQuadrilateral) {
  const double reach = 17.0 * pdf417::kMaxColumns + pdf417::kFrameModules;
  for (const double lean : {0.0, 60.0, 100.0, 180.0}) {
    const pdf417::SymbolEdge start = Edge(false, {100 + lean, 100}, {100, 300});
    const pdf417::SymbolEdge stop = Edge(true, {500 - lean, 100}, {500, 300});
    const std::vector<pdf417::SymbolCandidate> found = pdf417::PairEdges({start, stop}, reach);
    const auto both = std::find_if(found.begin(), found.end(),
                                   [](const auto& c) { return c.hasStart && c.hasStop; });
    ASSERT_NE(both, found.end()) << lean;
    EXPECT_NEAR(both->corners[0].x, start.top.x, 1e-9);
    EXPECT_NEAR(both->corners[1].x, stop.top.x, 1e-9);
    EXPECT_NEAR(both->corners[2].x, stop.bottom.x, 1e-9);
    EXPECT_NEAR(both->corners[3].x, start.bottom.x, 1e-9);
  }
  // The stop edge's ends swapped across the start edge's: a bow tie, not a symbol.
  const pdf417::SymbolEdge start = Edge(false, {100, 100}, {300, 300});
  const pdf417::SymbolEdge stop = Edge(true, {500, 300}, {250, 120});
  for (const pdf417::SymbolCandidate& c : pdf417::PairEdges({start, stop}, reach)) {
    EXPECT_FALSE(c.hasStart && c.hasStop);
  }
}

// A candidate whose corners lie absurdly far off (the fuzzer made one 6e14 pixels tall from a
// 136 x 19 bitmap) reads nothing, without arithmetic that overflows.
TEST(SymbolReader, ReadsNothingOverADegenerateCandidate) {
  const pdf417::BitMatrix bits(150, 40);
  pdf417::SymbolCandidate c;
  c.corners = {pdf417::PointF{-3.4e13, -4.1e14}, pdf417::PointF{-3.4e13, -4.1e14},
               pdf417::PointF{1.5e13, 1.8e14}, pdf417::PointF{1.5e13, 1.8e14}};
  c.module = 1;
  c.hasStart = true;
  EXPECT_FALSE(pdf417::ReadCandidate(bits, nullptr, c, nullptr, 0).ok());
  c.corners = {pdf417::PointF{10, -1e7}, pdf417::PointF{140, -1e7}, pdf417::PointF{140, 1e7},
               pdf417::PointF{10, 1e7}};
  c.hasStop = true;
  EXPECT_FALSE(pdf417::ReadCandidate(bits, nullptr, c, nullptr, 0).ok());
}

// A lone edge's candidate reaches as far as the widest symbol, often far past the picture: its far
// corners come in along its own lines, both by the same share of the way, until one is on the
// picture's edge; a candidate of both edges is left as it is.
TEST(SymbolReader, LoneEdgesEndAtThePicturesEdge) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> inside(20, 180);
  std::uniform_real_distribution<double> far(-2000, 2000);
  const double width = 300, height = 200;
  auto in = [&](const pdf417::PointF& p) {
    return p.x >= -1e-6 && p.x <= width + 1e-6 && p.y >= -1e-6 && p.y <= height + 1e-6;
  };
  for (int k = 0; k < 200; ++k) {
    pdf417::SymbolCandidate c;
    c.hasStart = k % 2 == 0;
    c.hasStop = !c.hasStart;
    // Near corners (the edge found) inside the picture, far ones anywhere.
    const std::size_t nearTop = c.hasStart ? 0 : 1, nearBottom = c.hasStart ? 3 : 2;
    for (std::size_t i = 0; i < 4; ++i) {
      const bool near = i == nearTop || i == nearBottom;
      c.corners[i] = near ? pdf417::PointF{inside(random), inside(random)}
                          : pdf417::PointF{far(random), far(random)};
    }
    const pdf417::SymbolCandidate w = pdf417::WithinPicture(c, width, height);
    double shares[2];
    for (int side = 0; side < 2; ++side) {
      const std::size_t n = side == 0 ? nearTop : nearBottom;
      const std::size_t f = n ^ 1u;  // 0-1 and 3-2 are the lines
      const pdf417::PointF d{c.corners[f].x - c.corners[n].x, c.corners[f].y - c.corners[n].y};
      const double t = std::fabs(d.x) > std::fabs(d.y) ? (w.corners[f].x - c.corners[n].x) / d.x
                                                       : (w.corners[f].y - c.corners[n].y) / d.y;
      EXPECT_NEAR(w.corners[f].x, c.corners[n].x + d.x * t, 1e-6);
      EXPECT_NEAR(w.corners[f].y, c.corners[n].y + d.y * t, 1e-6);
      EXPECT_EQ(w.corners[n].x, c.corners[n].x);
      shares[side] = t;
    }
    EXPECT_NEAR(shares[0], shares[1], 1e-9);
    EXPECT_TRUE(shares[0] >= 0 && shares[0] <= 1);
    EXPECT_TRUE(in(w.corners[nearTop ^ 1u]) || in(w.corners[nearBottom ^ 1u]) || shares[0] == 1);
  }
  pdf417::SymbolCandidate both;
  both.hasStart = both.hasStop = true;
  both.corners = {pdf417::PointF{10, 10}, pdf417::PointF{900, 10}, pdf417::PointF{900, 90},
                  pdf417::PointF{10, 90}};
  EXPECT_EQ(pdf417::WithinPicture(both, width, height).corners[1].x, 900);
}

}  // namespace
