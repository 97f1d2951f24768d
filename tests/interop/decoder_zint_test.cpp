// Decoding symbols drawn by an independent encoder: zint's command-line tool writes PDF417
// symbols as bitmap files, at its own module sizes (scale 0.5 is one pixel per module, other
// scales give modules that are not a whole number of pixels wide), with or without quiet zones,
// and turned by quarter turns. Every one must decode to its data, and a symbol that cannot be
// read exactly must never be reported as decoded to other bytes. The cases sample the space of
// levels, column counts, scales, quiet zones, turns and compaction modes rather than running
// its whole cross product.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "decode_util.h"
#include "pdf417/decoder/decoder.h"
#include "test_util.h"

namespace pdf417 {
namespace {

using testutil::ShellQuote;
using testutil::ZintInstalled;

// Data of each compaction mode zint chooses from, made reproducibly from a seed.
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

std::string Bytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += static_cast<char>(rng() % 256);
  return s;
}

// Text, a digit run long enough for numeric compaction, bytes and text again.
std::string Mixed(unsigned seed) {
  return Text(12, seed) + Digits(30, seed + 1) + Bytes(9, seed + 2) + Text(7, seed + 3);
}

struct ZintOptions {
  int level = 2;
  int columns = 4;
  std::string scale = "1";
  bool quietZones = false;
  int rotate = 0;  // degrees clockwise
};

std::string Describe(const ZintOptions& o) {
  std::ostringstream out;
  out << "level " << o.level << ", " << o.columns << " columns, scale " << o.scale
      << (o.quietZones ? ", quiet zones" : "") << ", turned " << o.rotate;
  return out.str();
}

class DecoderZint : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ZintInstalled()) GTEST_SKIP() << "the zint command-line tool is not installed";
  }

  // Has zint draw the data (given as raw bytes in a file) into a bitmap file and decodes it.
  DecodeResult DrawAndDecode(const std::string& data, const ZintOptions& o) {
    const std::string name = std::to_string(count_++);
    const std::string input = dir_ / (name + ".dat");
    const std::string output = dir_ / (name + ".bmp");
    testutil::WriteBytes(input, std::vector<std::uint8_t>(data.begin(), data.end()));
    std::string command = "zint -b 55 --filetype=bmp --binary --input=" + ShellQuote(input) +
                          " -o " + ShellQuote(output) + " --secure=" + std::to_string(o.level) +
                          " --cols=" + std::to_string(o.columns) + " --scale=" + o.scale;
    if (o.quietZones) command += " --quietzones";
    if (o.rotate != 0) command += " --rotate=" + std::to_string(o.rotate);
    command += " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
      ADD_FAILURE() << "cannot run zint";
      return {};
    }
    std::string messages;
    char buffer[512];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
      messages.append(buffer, n);
    }
    if (::pclose(pipe) != 0) {
      ADD_FAILURE() << "zint failed (" << Describe(o) << "): " << messages;
      return {};
    }
    return testutil::DecodeFirst(output);
  }

  // Draws and decodes; the result must be the data.
  DecodeResult ExpectDecodes(const std::string& data, const ZintOptions& o) {
    DecodeResult r = DrawAndDecode(data, o);
    EXPECT_TRUE(r.ok()) << Describe(o) << ": " << r.message;
    EXPECT_EQ(r.bytes, r.ok() ? data : std::string()) << Describe(o);
    return r;
  }

  testutil::TempDir dir_;
  int count_ = 0;
};

TEST_F(DecoderZint, EveryLevel) {
  for (int level = 0; level <= 8; ++level) {
    ZintOptions o;
    o.level = level;
    o.columns = 3 + 3 * level;  // level 8 needs room: 512 error-correction codewords
    const std::string data = level % 2 == 0 ? Text(20 + 9 * level, level) : Mixed(level);
    const DecodeResult r = ExpectDecodes(data, o);
    EXPECT_EQ(r.level, level);
    EXPECT_EQ(r.columns, o.columns);
  }
}

TEST_F(DecoderZint, EveryColumnCount) {
  for (int columns = 1; columns <= 30; ++columns) {
    ZintOptions o;
    o.columns = columns;
    o.level = columns % 5;
    o.scale = columns % 2 == 0 ? "0.5" : "1";
    const DecodeResult r = ExpectDecodes(Text(5 + columns % 17, columns), o);
    EXPECT_EQ(r.columns, columns);
  }
}

TEST_F(DecoderZint, CompactionModes) {
  ZintOptions o;
  o.columns = 6;
  o.level = 3;
  ExpectDecodes("Hello, World! 12345", o);               // text
  ExpectDecodes(Text(150, 7), o);                        // long text, every sub-mode
  ExpectDecodes(Digits(1, 1), o);                        // a lone digit: text
  ExpectDecodes(Digits(44, 2), o);                       // one numeric group
  ExpectDecodes(Digits(200, 3), o);                      // several numeric groups
  ExpectDecodes(Bytes(6, 4), o);                         // bytes in groups of six
  ExpectDecodes(Bytes(97, 5), o);                        // and the rest one by one
  ExpectDecodes(std::string("\x00\xff\x80\x7f", 4), o);  // extreme byte values
  ExpectDecodes(Mixed(6), o);                            // all three modes
  ExpectDecodes(Text(9, 8) + "\xe9\xe8" + Text(9, 9) + Digits(15, 10), o);  // byte shifts
}

// Whole-pixel modules: scale 0.5 steps.
TEST_F(DecoderZint, WholePixelScales) {
  const char* scales[] = {"0.5", "1", "1.5", "2", "2.5", "3", "3.5", "4"};
  unsigned seed = 0;
  for (const char* scale : scales) {
    ZintOptions o;
    o.scale = scale;
    o.columns = 2 + static_cast<int>(seed % 5);
    o.level = static_cast<int>(seed % 4);
    ExpectDecodes(Text(25, seed), o);
    o.quietZones = true;
    ExpectDecodes(Bytes(30, seed + 50), o);
    ++seed;
  }
}

// Modules between one and four pixels wide that are not a whole number of pixels: zint's
// scaling gives a mix of two pixel widths, and its picture can lose the stop pattern's last bar.
TEST_F(DecoderZint, FractionalScales) {
  const char* scales[] = {"0.55", "0.6",  "0.65", "0.7", "0.75", "0.8", "0.9", "1.1",
                          "1.3",  "1.45", "1.7",  "2.2", "2.65", "3.3", "3.85"};
  unsigned seed = 100;
  for (const char* scale : scales) {
    ZintOptions o;
    o.scale = scale;
    o.columns = 3 + static_cast<int>(seed % 9);
    o.level = 1 + static_cast<int>(seed % 4);
    o.quietZones = seed % 2 == 0;
    ExpectDecodes(seed % 3 == 0 ? Mixed(seed) : Text(40, seed), o);
    ++seed;
  }
}

TEST_F(DecoderZint, QuietZonesAndQuarterTurns) {
  const int turns[] = {0, 90, 180, 270};
  const char* scales[] = {"0.5", "1", "0.75", "1.5"};
  unsigned seed = 200;
  for (const int rotate : turns) {
    for (const bool quietZones : {false, true}) {
      for (const char* scale : scales) {
        ZintOptions o;
        o.rotate = rotate;
        o.quietZones = quietZones;
        o.scale = scale;
        o.columns = 1 + static_cast<int>(seed % 7);
        o.level = static_cast<int>(seed % 5);
        ExpectDecodes(seed % 2 == 0 ? Mixed(seed) : Bytes(20, seed), o);
        ++seed;
      }
    }
  }
}

TEST_F(DecoderZint, LargeModulesTurned) {
  const struct {
    int rotate;
    const char* scale;
  } cases[] = {{90, "4"}, {180, "2.5"}, {270, "3.2"}};
  unsigned seed = 250;
  for (const auto& c : cases) {
    ZintOptions o;
    o.rotate = c.rotate;
    o.scale = c.scale;
    o.columns = 2;
    o.level = 2;
    ExpectDecodes(Text(15, seed++), o);
  }
}

// Combinations drawn at random (from a fixed seed) across every dimension at once.
TEST_F(DecoderZint, SampledCombinations) {
  std::mt19937 rng(2024);
  const auto pick = [&rng](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(rng);
  };
  for (int n = 0; n < 32; ++n) {
    ZintOptions o;
    o.level = pick(0, 8);
    o.columns = pick(1, 30);  // zint widens a symbol whose level needs more room
    o.rotate = 90 * pick(0, 3);
    // Quarter turns of large pictures cost the most (whole-picture angle searches); the largest
    // modules are drawn upright or upside down only.
    const int twentieths = pick(10, o.rotate % 180 == 0 ? 80 : 50);
    o.scale = std::to_string(twentieths / 20) + "." + (twentieths % 20 < 2 ? "0" : "") +
              std::to_string(twentieths % 20 * 5);
    o.quietZones = pick(0, 1) == 1;
    const auto seed = static_cast<unsigned>(500 + n);
    const auto size = static_cast<std::size_t>(twentieths > 40 ? 20 : 60);
    switch (pick(0, 3)) {
      case 0:
        ExpectDecodes(Text(size, seed), o);
        break;
      case 1:
        ExpectDecodes(Digits(2 * size, seed), o);
        break;
      case 2:
        ExpectDecodes(Bytes(size, seed), o);
        break;
      default:
        ExpectDecodes(Mixed(seed), o);
        break;
    }
  }
}

TEST_F(DecoderZint, LargeSymbols) {
  ZintOptions o;
  o.columns = 30;
  o.level = 5;
  ExpectDecodes(Bytes(700, 300), o);  // many rows of 30 columns
  o.columns = 1;
  o.level = 2;
  o.scale = "0.6";
  o.rotate = 90;
  ExpectDecodes(Text(60, 301), o);  // a tall single column at a fractional scale
}

// A symbol whose codewords cannot all be read must never come out as other bytes. At level 0
// both error-correction codewords only detect errors; at level 1 one of four may correct.
TEST_F(DecoderZint, DamagedSymbolsAreNeverMisread) {
  // Zint's scale 1 draws two pixels per module and six pixel rows per symbol row, with no quiet
  // zone: data column j (from 0) begins at pixel 2 x 17 x (j + 2).
  for (const int level : {0, 1}) {
    ZintOptions o;
    o.level = level;
    o.columns = 5;
    const std::string data = Text(60, 400 + level);
    const std::string name = "damaged" + std::to_string(level);
    const std::string input = dir_ / (name + ".dat");
    const std::string output = dir_ / (name + ".bmp");
    testutil::WriteBytes(input, std::vector<std::uint8_t>(data.begin(), data.end()));
    const std::string command = "zint -b 55 --filetype=bmp --binary --input=" + ShellQuote(input) +
                                " -o " + ShellQuote(output) + " --secure=" + std::to_string(level) +
                                " --cols=5 --scale=1 >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::vector<std::uint8_t> file = testutil::ReadBytes(output);
    testutil::OneBitPicture picture(file);
    ASSERT_EQ(picture.width, 2 * (17 * 9 + 1));

    // Inverts the pixels of one cell: symbol row `row`, data column `column`.
    const auto damage = [&file, &picture](int row, int column) {
      const std::size_t offset = testutil::U32(file, 10);
      for (int y = 6 * row; y < 6 * row + 6; ++y) {
        for (int x = 2 * 17 * (column + 2); x < 2 * 17 * (column + 3); ++x) {
          const std::size_t at = offset +
                                 static_cast<std::size_t>(picture.height - 1 - y) *
                                     static_cast<std::size_t>(picture.stride) +
                                 static_cast<std::size_t>(x / 8);
          file[at] = static_cast<std::uint8_t>(file[at] ^ (0x80 >> (x % 8)));
        }
      }
    };
    damage(2, 1);
    DecodeResult one = testutil::DecodeFirst(file.data(), file.size());
    if (level == 0) {
      EXPECT_EQ(one.status, DecodeStatus::NotCorrectable);
      EXPECT_TRUE(one.bytes.empty());
    } else {
      ASSERT_TRUE(one.ok()) << one.message;
      EXPECT_EQ(one.bytes, data);
      EXPECT_EQ(one.corrected, 1);
    }
    damage(4, 3);
    const DecodeResult two = testutil::DecodeFirst(file.data(), file.size());
    EXPECT_FALSE(two.ok()) << "level " << level;
    EXPECT_TRUE(two.bytes.empty());
  }
}

}  // namespace
}  // namespace pdf417
