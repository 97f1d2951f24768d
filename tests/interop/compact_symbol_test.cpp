// Compact symbols (no right row indicator, the stop pattern reduced to a one-module bar), drawn
// by our encoder and by zint's command-line tool, over sizes, levels, module widths and small
// turns: each decodes to its data, damaged ones never to other bytes, and the full symbol of the
// same data still decodes. zxing-cpp reads the same pictures as an independent check of them.
#include <ZXing/BarcodeFormat.h>
#include <ZXing/DecodeHints.h>
#include <ZXing/ImageView.h>
#include <ZXing/ReadBarcode.h>
#include <ZXing/Result.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "decode_util.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/symbol.h"
#include "test_util.h"
#include "turned_picture.h"

namespace {

using testutil::GreyPicture;

struct Case {
  bool zint;     // drawn by zint, else by our encoder
  bool compact;  // false: the full symbol of the same data
  std::string data;
  int columns;
  int level;
  std::string scale;  // ours: pixels per module; zint: its --scale
  double degrees;     // clockwise turn of the picture
};

std::string Describe(const Case& c) {
  std::ostringstream out;
  out << (c.zint ? "zint" : "ours") << (c.compact ? " compact" : " full") << ", " << c.columns
      << " columns, level " << c.level << ", scale " << c.scale << ", turned " << c.degrees << ", "
      << c.data.size() << " bytes";
  return out.str();
}

std::string Payload(std::size_t n, unsigned seed) {
  static const std::string kChars = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnop 0123456789.,-/";
  std::mt19937 rng(seed);
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += kChars[rng() % kChars.size()];
  return s;
}

// Runs a shell command; true when it exits 0.
bool RunQuietly(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

class CompactSymbols : public ::testing::Test {
 protected:
  // The case's one-bit bitmap file, from our encoder or zint; empty on failure.
  std::vector<std::uint8_t> Draw(const Case& c) {
    if (!c.zint) {
      pdf417::SymbolOptions o;
      o.compact = c.compact;
      o.columns = c.columns;
      o.level = c.level;
      o.drawing.moduleWidth = std::stoi(c.scale);
      return pdf417::RenderBmp(pdf417::Encode(c.data, o));
    }
    const std::string name = std::to_string(count_++);
    const std::string input = dir_ / (name + ".dat");
    const std::string output = dir_ / (name + ".bmp");
    testutil::WriteBytes(input, std::vector<std::uint8_t>(c.data.begin(), c.data.end()));
    const std::string command = std::string("zint -b ") + (c.compact ? "PDF417COMP" : "PDF417") +
                                " --filetype=bmp --binary --input=" + testutil::ShellQuote(input) +
                                " -o " + testutil::ShellQuote(output) +
                                " --secure=" + std::to_string(c.level) +
                                " --cols=" + std::to_string(c.columns) + " --scale=" + c.scale;
    if (!RunQuietly(command)) {
      ADD_FAILURE() << "zint failed: " << Describe(c);
      return {};
    }
    return testutil::ReadBytes(output);
  }

  testutil::TempDir dir_;
  int count_ = 0;
};

pdf417::DecodeResult ReadByUs(const GreyPicture& g) { return testutil::DecodeFirst(g.View()); }

bool ReadByZxing(const GreyPicture& g, const std::string& data) {
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::PDF417);
  const ZXing::Result r = ZXing::ReadBarcode(
      ZXing::ImageView(g.pixels.data(), g.width, g.height, ZXing::ImageFormat::Lum), hints);
  return r.isValid() && std::string(r.bytes().begin(), r.bytes().end()) == data;
}

std::vector<Case> Cases() {
  std::vector<Case> cases;
  int seed = 1;
  for (bool zint : {false, true}) {
    // Columns, level, bytes, scale, turn: one, few and many columns; every other level.
    const struct {
      int columns, level;
      std::size_t bytes;
      const char* ours;
      const char* zint;
      double degrees;
    } shapes[] = {
        {1, 0, 6, "2", "1", 0},    {2, 2, 25, "3", "0.5", 0}, {3, 4, 40, "1", "1.5", 0},
        {5, 3, 90, "2", "2", 0},   {8, 5, 150, "3", "1", 0},  {12, 6, 200, "2", "1.5", 0},
        {30, 2, 700, "2", "1", 0}, {4, 2, 50, "2", "1", 3},   {6, 3, 80, "3", "1.5", -4},
    };
    for (const auto& s : shapes) {
      cases.push_back(Case{zint, true, Payload(s.bytes, static_cast<unsigned>(seed++)), s.columns,
                           s.level, zint ? s.zint : s.ours, s.degrees});
    }
  }
  return cases;
}

TEST_F(CompactSymbols, DecodeToTheirDataAsFullSymbolsDo) {
  int zxingRead = 0;
  int total = 0;
  for (const Case& compact : Cases()) {
    for (bool isCompact : {true, false}) {
      Case c = compact;
      c.compact = isCompact;
      const std::vector<std::uint8_t> file = Draw(c);
      if (file.empty()) continue;
      const GreyPicture g = testutil::DrawTurned(file, 1, c.degrees);
      const pdf417::DecodeResult r = ReadByUs(g);
      EXPECT_TRUE(r.ok()) << Describe(c) << ": " << r.message;
      EXPECT_EQ(r.bytes, r.ok() ? c.data : std::string()) << Describe(c);
      if (r.ok()) {
        EXPECT_EQ(r.columns, c.columns) << Describe(c);
        EXPECT_EQ(r.level, c.level) << Describe(c);
      }
      if (isCompact && r.ok() && c.degrees == 0) {
        // The symbol's corners end at its final bar, not where a full symbol's stop would.
        int right = 0;
        for (int y = 0; y < g.height; ++y) {
          for (int x = 0; x < g.width; ++x) {
            if (g.pixels[static_cast<std::size_t>(y) * g.width + x] == 0)
              right = std::max(right, x + 1);
          }
        }
        ASSERT_EQ(r.corners.size(), 4u) << Describe(c);
        const double tolerance = 3 + g.width / 50.0;
        EXPECT_NEAR(r.corners[1].x, right, tolerance) << Describe(c);
        EXPECT_NEAR(r.corners[2].x, right, tolerance) << Describe(c);
      }
      if (isCompact) {
        ++total;
        const bool read = ReadByZxing(g, c.data);
        zxingRead += read;
        if (!read) std::printf("zxing-cpp did not read: %s\n", Describe(c).c_str());
      }
    }
  }
  // An independent reader's view of the same compact pictures, for the record.
  std::printf("zxing-cpp read %d of %d compact symbols\n", zxingRead, total);
}

// Blots of either colour over the indicators, the data and the final bar: a damaged compact
// symbol decodes to its data or not at all, never to other bytes.
TEST_F(CompactSymbols, DamagedNeverGiveOtherBytes) {
  std::mt19937 rng(7);
  int decoded = 0;
  int tries = 0;
  for (const Case& c : Cases()) {
    if (c.degrees != 0) continue;
    const std::vector<std::uint8_t> file = Draw(c);
    if (file.empty()) continue;
    const GreyPicture clean = testutil::DrawTurned(file, 1, 0);
    for (int blot = 0; blot < 4; ++blot) {
      GreyPicture g = clean;
      const int w = 2 + static_cast<int>(rng() % static_cast<unsigned>(g.width / 4));
      const int h = 2 + static_cast<int>(rng() % static_cast<unsigned>(g.height / 3));
      const int x0 = static_cast<int>(rng() % static_cast<unsigned>(g.width - w));
      const int y0 = static_cast<int>(rng() % static_cast<unsigned>(g.height - h));
      const std::uint8_t ink = blot % 2 == 0 ? 0 : 255;
      for (int y = y0; y < y0 + h; ++y) {
        for (int x = x0; x < x0 + w; ++x) {
          g.pixels[static_cast<std::size_t>(y) * g.width + x] = ink;
        }
      }
      const pdf417::DecodeResult r = ReadByUs(g);
      ++tries;
      decoded += r.ok();
      if (r.ok()) {
        EXPECT_EQ(r.bytes, c.data) << Describe(c) << ", blot " << blot;
      }
    }
  }
  std::printf("%d of %d damaged compact symbols decoded, the rest refused\n", decoded, tries);
}

}  // namespace
