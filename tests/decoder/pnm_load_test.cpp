// Netpbm pictures: each of the six kinds, written here and by ImageMagick, decodes to the symbol's
// bytes; headers that are wrong or claim more than the file holds or the limits allow are refused
// with what is wrong, before the pixels are allocated.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "decode_util.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/encoder.h"
#include "test_util.h"

namespace pdf417 {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kData = "Netpbm pictures, plain and binary";

// The symbol's pixels as a Netpbm file of the given kind (1 to 6), samples up to maxValue, with a
// comment in the header.
Bytes Netpbm(const testutil::OneBitPicture& symbol, int kind, int maxValue) {
  const bool bitmap = kind == 1 || kind == 4;
  const bool colour = kind == 3 || kind == 6;
  std::string f = "P" + std::to_string(kind) + "\n# made by the test\n" +
                  std::to_string(symbol.width) + " " + std::to_string(symbol.height) + "\n";
  if (!bitmap) f += std::to_string(maxValue) + "\n";
  for (int r = 0; r < symbol.height; ++r) {
    std::uint8_t bits = 0;
    for (int c = 0; c < symbol.width; ++c) {
      const bool dark = symbol.dark(r, c);
      if (kind == 1) {
        f += dark ? '1' : '0';  // no space between pixels: allowed in plain PBM
      } else if (kind == 4) {
        bits = static_cast<std::uint8_t>(bits | (dark ? 0x80 >> (c & 7) : 0));
        if ((c & 7) == 7 || c == symbol.width - 1) {
          f += static_cast<char>(bits);
          bits = 0;
        }
      } else {
        // Dark a tenth of the range, light nine tenths: scaled, not taken as bytes.
        const int v = dark ? maxValue / 10 : maxValue * 9 / 10;
        for (int s = 0; s < (colour ? 3 : 1); ++s) {
          if (kind <= 3) {
            f += std::to_string(v) + " ";
          } else if (maxValue > 255) {
            f += static_cast<char>(v >> 8);
            f += static_cast<char>(v & 0xff);
          } else {
            f += static_cast<char>(v);
          }
        }
      }
    }
    if (kind <= 3) f += '\n';
  }
  return Bytes(f.begin(), f.end());
}

TEST(PnmLoad, EveryKindDecodes) {
  const testutil::OneBitPicture symbol(
      EncodePdf417ToImage(reinterpret_cast<const std::uint8_t*>(kData.data()),
                          static_cast<int>(kData.size()), 4, 2, 3));
  const struct {
    int kind;
    int maxValue;
  } cases[] = {{1, 1},   {2, 255}, {2, 15},    {3, 255}, {3, 1000}, {4, 1},
               {5, 255}, {5, 7},   {5, 65535}, {6, 255}, {6, 4095}};
  for (const auto& c : cases) {
    const Bytes file = Netpbm(symbol, c.kind, c.maxValue);
    const DecodeResult r = testutil::DecodeFirst(file.data(), file.size());
    EXPECT_TRUE(r.ok()) << "P" << c.kind << " max " << c.maxValue << ": " << r.message;
    EXPECT_EQ(r.bytes, kData) << "P" << c.kind << " max " << c.maxValue;
  }
  // ImageMagick's files, read from disk.
  testutil::TempDir dir;
  const Bytes bmp = EncodePdf417ToImage(reinterpret_cast<const std::uint8_t*>(kData.data()),
                                        static_cast<int>(kData.size()), 4, 2, 3);
  testutil::WriteBytes(dir / "symbol.bmp", bmp);
  for (const char* name : {"a.pbm", "a.pgm", "a.ppm"}) {
    for (const char* options : {"", "-compress none"}) {
      const std::string out = dir / name;
      const std::string command = "convert " + testutil::ShellQuote(dir / "symbol.bmp") + " " +
                                  options + " " + testutil::ShellQuote(out);
      ASSERT_EQ(std::system(command.c_str()), 0) << command;
      const std::vector<DecodeResult> r = Decode(out);
      ASSERT_FALSE(r.empty());
      EXPECT_TRUE(r[0].ok()) << name << " " << options << ": " << r[0].message;
      EXPECT_EQ(r[0].bytes, kData) << name << " " << options;
    }
  }
}

TEST(PnmLoad, WrongHeadersAreRefusedWithWhy) {
  const struct {
    std::string file;
    const char* says;
  } cases[] = {
      {"P5\n0 4\n255\n", "no pixels"},
      {"P5\n10001 4\n255\n", "width is more than 10000"},
      {"P2\n4 10001\n255\n", "height is more than 10000"},
      {"P5\n4 4\n0\n", "largest sample value is 0"},
      {"P5\n4 4\n65536\n", "largest sample value is more than 65535"},
      {"P5\n4 x\n255\n", "height is not a number"},
      {"P6\n4 4", "largest sample value is missing"},
      {"P5\n4 4\n255\n" + std::string(15, 'x'), "truncated"},
      {"P5\n9000 9000\n255\n" + std::string(100, 'x'), "9000 x 9000 pixels need more"},
      {"P2\n2 1\n255\n1 x", "sample is not a number"},
      {"P2\n2 1\n9\n1 10", "sample is more than 9"},
      {"P1\n3 1\n0 1 2", "not 0 or 1"},
      {"P1\n3 1\n0 1", "truncated"},
  };
  for (const auto& c : cases) {
    const DecodeResult r =
        testutil::DecodeFirst(reinterpret_cast<const std::uint8_t*>(c.file.data()), c.file.size());
    EXPECT_EQ(r.status, DecodeStatus::FileUnreadable) << c.file;
    EXPECT_NE(r.message.find("Netpbm"), std::string::npos) << r.message;
    EXPECT_NE(r.message.find(c.says), std::string::npos) << c.file << ": " << r.message;
  }
  // The pixel limit, before any pixel is read.
  const std::string big = "P5\n3000 3000\n255\n" + std::string(9000000, '\xff');
  DecodeOptions options;
  options.maxPixels = 1000000;
  const std::vector<DecodeResult> limited =
      Decode(reinterpret_cast<const std::uint8_t*>(big.data()), big.size(), options);
  ASSERT_EQ(limited.size(), 1u);
  EXPECT_EQ(limited[0].status, DecodeStatus::FileUnreadable);
  EXPECT_NE(limited[0].message.find("pixel limit"), std::string::npos) << limited[0].message;
}

}  // namespace
}  // namespace pdf417
