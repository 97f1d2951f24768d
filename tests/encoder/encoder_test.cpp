// Codeword sequences, error correction, rendering and parameter checks of the encoder.
#include "pdf417/encoder/encoder.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "pdf417/common/error.h"
#include "pdf417/common/gf929.h"
#include "pdf417/common/patterns.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/stages.h"
#include "test_util.h"

namespace pdf417 {
namespace {

using Seq = std::vector<std::int32_t>;

Seq Compact(const std::string& s, int columns, int level, int minRows = 1) {
  Seq seq;
  CompactBytes(reinterpret_cast<const std::uint8_t*>(s.data()), static_cast<int>(s.size()), columns,
               level, seq, minRows);
  return seq;
}

Seq Full(const std::string& s, int columns, int level, int minRows = 1) {
  Seq seq = Compact(s, columns, level, minRows);
  AppendErrorCorrection(level, seq);
  return seq;
}

// Codewords of compaction alone: latch and data, without descriptor and pads.
Seq DataPart(const std::string& s) {
  Seq seq = Compact(s, 1, 0);
  return Seq(seq.begin() + 1, seq.end());
}

TEST(Compaction, WorkedExamples) {
  EXPECT_EQ(DataPart("abc"), (Seq{901, 97, 98, 99}));
  EXPECT_EQ(DataPart("abcdef"), (Seq{924, 163, 179, 507, 603, 522}));
  EXPECT_EQ(DataPart("Hello World"), (Seq{901, 121, 291, 257, 858, 232, 87, 111, 114, 108, 100}));
  EXPECT_EQ(DataPart(std::string(6, '\xff')), (Seq{924, 429, 11, 71, 222, 855}));
  EXPECT_EQ(DataPart(std::string(6, '\0')), (Seq{924, 0, 0, 0, 0, 0}));
}

TEST(Compaction, BytesAreUnsignedAndGroupsStartAtTheFirstByte) {
  EXPECT_EQ(DataPart("\xff"), (Seq{901, 255}));
  EXPECT_EQ(DataPart("\x80\r\n"), (Seq{901, 128, 13, 10}));
  EXPECT_EQ(DataPart("12345"), (Seq{901, '1', '2', '3', '4', '5'}));
  const Seq seven = DataPart("abcdefg");
  ASSERT_EQ(seven.size(), 7u);
  EXPECT_EQ(seven[0], 901);
  EXPECT_EQ(Seq(seven.begin() + 1, seven.begin() + 6), (Seq{163, 179, 507, 603, 522}));
  EXPECT_EQ(seven[6], 'g');
  // Twelve bytes: two groups, latch 924, no single bytes.
  EXPECT_EQ(DataPart("abcdefabcdef").size(), 11u);
  EXPECT_EQ(DataPart("").size(), 1u);
  EXPECT_EQ(DataPart("")[0], 924);
}

TEST(Compaction, PadsAndDescriptor) {
  EXPECT_EQ(Compact("abc", 3, 0), (Seq{7, 901, 97, 98, 99, 900, 900}));
  EXPECT_EQ(Compact("A", 5, 1), (Seq{6, 901, 65, 900, 900, 900}));
  EXPECT_EQ(Compact("abc", 5, 1), (Seq{6, 901, 97, 98, 99, 900}));
  // One column: never any pads.
  EXPECT_EQ(Compact("abc", 1, 3), (Seq{5, 901, 97, 98, 99}));
  // Length 0: placeholder and latch, then pads.
  EXPECT_EQ(Compact("", 5, 1), (Seq{6, 924, 900, 900, 900, 900}));
  // 1,024 bytes: n = 856; with 30 columns and level 6, 6 pads and descriptor 862.
  const Seq big = Compact(std::string(1024, 'x'), 30, 6);
  EXPECT_EQ(big.size(), 862u);
  EXPECT_EQ(big[0], 862);
  // Minimum rows: the letter A at 5 columns and level 1 takes 3 rows instead of 2.
  const Seq three = Compact("A", 5, 1, 3);
  EXPECT_EQ(three.size() + 4, 15u);
  EXPECT_EQ(three[0], 11);
  for (size_t i = 3; i < three.size(); ++i) EXPECT_EQ(three[i], 900);
}

TEST(ErrorCorrection, WorkedExamples) {
  EXPECT_EQ(Full("abc", 3, 0), (Seq{7, 901, 97, 98, 99, 900, 900, 668, 58}));
  EXPECT_EQ(Full("abcdef", 3, 0), (Seq{7, 924, 163, 179, 507, 603, 522, 182, 212}));
  EXPECT_EQ(Full("abc", 5, 1), (Seq{6, 901, 97, 98, 99, 900, 585, 289, 28, 103}));
  EXPECT_EQ(Full("A", 5, 1), (Seq{6, 901, 65, 900, 900, 900, 152, 32, 375, 499}));
}

TEST(ErrorCorrection, GeneratorTables) {
  EXPECT_EQ(ErrorCorrectionCoefficients(0)[0], 27);
  EXPECT_EQ(ErrorCorrectionCoefficients(0)[1], 917);
  const std::int32_t* l1 = ErrorCorrectionCoefficients(1);
  EXPECT_EQ((Seq{l1[0], l1[1], l1[2], l1[3]}), (Seq{522, 568, 723, 809}));
  EXPECT_THROW(ErrorCorrectionCoefficients(9), Error);
  EXPECT_THROW(ErrorCorrectionCoefficients(-1), Error);
}

// Every symbol's polynomial vanishes at 3^1 .. 3^k, at every level.
TEST(ErrorCorrection, SyndromesVanishAtEveryLevel) {
  std::string data;
  for (int i = 0; i < 200; ++i) data.push_back(static_cast<char>(i * 37 + 11));
  for (int level = 0; level <= 8; ++level) {
    const Seq seq = Full(data, 7, level);
    const int k = ErrorCorrectionCount(level);
    ASSERT_EQ(seq.size() % 7, 0u);
    for (int i = 1; i <= k; ++i) {
      const std::int32_t x = FieldPow3(i);
      std::int32_t acc = 0;
      for (std::int32_t c : seq) acc = (acc * x + c) % 929;
      ASSERT_EQ(acc, 0) << "level " << level << " root " << i;
    }
    for (std::int32_t c : seq) ASSERT_TRUE(c >= 0 && c <= 928);
  }
}

// Modules of symbol row `row` read back from the picture, starting at pixel column `x0`.
int ReadCodewordAt(const testutil::OneBitPicture& pic, int pixelRow, int x0, int cluster) {
  int value = 0;
  for (int i = 0; i < 17; ++i) value = (value << 1) | (pic.dark(pixelRow, x0 + i) ? 1 : 0);
  for (int v = 0; v < 929; ++v)
    if (PatternValueOf(cluster, v) == value) return v;
  return -1;
}

TEST(Rendering, ExampleSizesAndHeader) {
  const Seq seq = Full("A", 5, 1);
  const std::vector<std::uint8_t> img = RenderSymbolImage(5, 1, seq, 3);
  ASSERT_EQ(img.size(), 302u);
  EXPECT_EQ(img[0], 'B');
  EXPECT_EQ(img[1], 'M');
  EXPECT_EQ(testutil::U32(img, 2), 302u);
  EXPECT_EQ(testutil::U32(img, 10), 62u);
  EXPECT_EQ(testutil::U32(img, 14), 40u);
  EXPECT_EQ(testutil::U32(img, 18), 170u);
  EXPECT_EQ(testutil::U32(img, 22), 10u);
  EXPECT_EQ(img[26], 1);
  EXPECT_EQ(img[28], 1);
  EXPECT_EQ(testutil::U32(img, 30), 0u);
  EXPECT_EQ(testutil::U32(img, 34), 240u);
  EXPECT_EQ(testutil::U32(img, 38), 3780u);
  EXPECT_EQ(testutil::U32(img, 42), 3780u);
  EXPECT_EQ(testutil::U32(img, 46), 0u);
  EXPECT_EQ(testutil::U32(img, 50), 0u);
  EXPECT_EQ((std::vector<int>(img.begin() + 54, img.begin() + 62)),
            (std::vector<int>{255, 255, 255, 0, 0, 0, 0, 0}));

  const std::vector<std::uint8_t> flat = RenderSymbolImage(5, 1, seq, 1);
  ASSERT_EQ(flat.size(), 102u);
  EXPECT_EQ(testutil::U32(flat, 18), 154u);
  EXPECT_EQ(testutil::U32(flat, 22), 2u);
}

TEST(Rendering, RowsIndicatorsQuietZoneAndBottomUpStorage) {
  const Seq seq = Full("A", 5, 1);  // 2 rows of 5
  const testutil::OneBitPicture pic(RenderSymbolImage(5, 1, seq, 3));
  // Quiet zone: rows 0, 1, H-2, H-1 white, columns 0..7 white.
  for (int c = 0; c < pic.width; ++c) {
    for (int r : {0, 1, pic.height - 2, pic.height - 1}) ASSERT_FALSE(pic.dark(r, c));
  }
  for (int r = 0; r < pic.height; ++r)
    for (int c = 0; c < 8; ++c) ASSERT_FALSE(pic.dark(r, c));
  EXPECT_TRUE(pic.dark(2, 8));  // the start pattern's first bar
  // Symbol row 0 fills pixel rows 2..4, row 1 rows 5..7: each repeated identically.
  for (int c = 0; c < pic.width; ++c) {
    ASSERT_EQ(pic.dark(2, c), pic.dark(4, c));
    ASSERT_EQ(pic.dark(5, c), pic.dark(7, c));
  }
  // Row indicators for c = 5, L = 1, R = 2: row 0 left 0 right 4; row 1 left 4 right 0.
  const int x0 = 8;
  EXPECT_EQ(ReadCodewordAt(pic, 2, x0 + 17, 0), 0);
  EXPECT_EQ(ReadCodewordAt(pic, 2, x0 + 34 + 85, 0), 4);
  EXPECT_EQ(ReadCodewordAt(pic, 5, x0 + 17, 1), 4);
  EXPECT_EQ(ReadCodewordAt(pic, 5, x0 + 34 + 85, 1), 0);
  // Data in order, row by row, in the row's cluster.
  for (int j = 0; j < 5; ++j) {
    EXPECT_EQ(ReadCodewordAt(pic, 3, x0 + 34 + 17 * j, 0), seq[static_cast<size_t>(j)]);
    EXPECT_EQ(ReadCodewordAt(pic, 6, x0 + 34 + 17 * j, 1), seq[static_cast<size_t>(5 + j)]);
  }
  // The top picture row is the last stride of the file.
  const testutil::OneBitPicture flat(RenderSymbolImage(5, 1, seq, 1));
  EXPECT_TRUE(flat.dark(0, 0));  // no quiet zone: the first bar is in column 0
  const size_t lastRow = flat.file.size() - 20;
  EXPECT_EQ(flat.file[lastRow], 0xFF);  // 8 modules of the start pattern's wide bar
  // Bits past the last module are white: W0 = 154 leaves 6 padding bits in byte 19.
  EXPECT_EQ(flat.file[lastRow + 19] & 0x3F, 0);
}

TEST(Rendering, IndicatorsOfThreeClustersAndManyRows) {
  // 7 columns, level 2, enough data for 10 rows: check every row's indicators.
  const std::string data(150, 'q');
  const Seq seq = BuildCodewords(reinterpret_cast<const std::uint8_t*>(data.data()),
                                 static_cast<int>(data.size()), 7, 2, 2);
  const int R = static_cast<int>(seq.size() / 7);
  const testutil::OneBitPicture pic(RenderSymbolImage(7, 2, seq, 2));
  for (int r = 0; r < R; ++r) {
    const int cl = r % 3;
    const RowIndicators expected = RowIndicatorsOf(r, R, 7, 2);
    EXPECT_EQ(ReadCodewordAt(pic, 2 + 2 * r, 8 + 17, cl), expected.left) << r;
    EXPECT_EQ(ReadCodewordAt(pic, 2 + 2 * r, 8 + 34 + 17 * 7, cl), expected.right) << r;
  }
}

TEST(Rendering, StrideWithAndWithoutFill) {
  auto widthAndStride = [](int columns, int h) {
    const Seq seq(static_cast<size_t>(columns) * 3, 900);
    const std::vector<std::uint8_t> img = RenderSymbolImage(columns, 0, seq, h);
    const int w = static_cast<int>(testutil::U32(img, 18));
    const int hgt = static_cast<int>(testutil::U32(img, 22));
    return std::make_pair(w, static_cast<int>((img.size() - 62) / static_cast<size_t>(hgt)));
  };
  EXPECT_EQ(widthAndStride(11, 1), std::make_pair(256, 32));
  EXPECT_EQ(widthAndStride(27, 2), std::make_pair(544, 68));
  EXPECT_EQ(widthAndStride(5, 3), std::make_pair(170, 24));
}

TEST(EncodeEntry, ShortDataGetsThreeRows) {
  const std::string a = "A";
  const Seq seq = BuildCodewords(reinterpret_cast<const std::uint8_t*>(a.data()), 1, 5, 1, 3);
  EXPECT_EQ(seq.size(), 15u);
  EXPECT_EQ(seq[0], 11);
  const std::vector<std::uint8_t> img =
      EncodePdf417ToImage(reinterpret_cast<const std::uint8_t*>(a.data()), 1, 5, 1, 3);
  EXPECT_EQ(testutil::U32(img, 22), 3u * 3 + 4);
}

TEST(EncodeEntry, RefusesWhatNoSymbolHoldsAndLeavesTheFileAlone) {
  testutil::TempDir dir;
  const std::string file = dir / "keep.bmp";
  testutil::WriteBytes(file, {1, 2, 3});
  const std::string big(1024, 'z');
  const auto* d = reinterpret_cast<const std::uint8_t*>(big.data());
  struct Case {
    int length, columns, level, aspect;
  };
  const Case cases[] = {
      {10, 0, 1, 3},       {10, 31, 1, 3}, {10, -5, 1, 3}, {10, 5, -1, 3},
      {10, 5, 9, 3},       {10, 5, 1, 0},  {10, 5, 1, -2}, {1024, 30, 6, 3},  // 990 > 928
      {200, 1, 0, 3},                                                         // 172 rows > 90
      {10, 5, 1, 1 << 30},  // picture far too large
      {-1, 5, 1, 3},
  };
  for (const Case& c : cases) {
    try {
      EncodePdf417(d, c.length, file, c.columns, c.level, c.aspect);
      ADD_FAILURE() << "accepted " << c.length << "/" << c.columns << "/" << c.level << "/"
                    << c.aspect;
    } catch (const Error& e) {
      EXPECT_EQ(e.code(), ErrorCode::InvalidArgument);
      EXPECT_FALSE(std::string(e.what()).empty());
    }
    EXPECT_EQ(testutil::ReadBytes(file), (std::vector<std::uint8_t>{1, 2, 3}));
  }
  // 1,024 bytes at level 5 fill exactly 928 codewords with 29 columns (32 rows).
  EXPECT_NO_THROW(EncodePdf417(d, 1024, file, 29, 5, 3));
  EXPECT_EQ(testutil::ReadBytes(file).size(), 62u + 76u * (32 * 3 + 4));
}

TEST(EncodeEntry, SameBytesFromManyThreads) {
  const std::string data = "thread safety";
  const auto* d = reinterpret_cast<const std::uint8_t*>(data.data());
  const std::vector<std::uint8_t> expected = EncodePdf417ToImage(d, 13, 4, 3, 3);
  std::vector<std::thread> threads;
  std::vector<int> mismatches(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 50; ++i)
        if (EncodePdf417ToImage(d, 13, 4, 3, 3) != expected) ++mismatches[static_cast<size_t>(t)];
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace pdf417
