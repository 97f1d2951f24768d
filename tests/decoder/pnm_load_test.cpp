// Netpbm pictures: each of the six kinds, as ImageMagick writes them, decodes to the symbol's
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

TEST(PnmLoad, EveryKindDecodes) {
  // ImageMagick writes each kind: binary and plain, 8 and 16 bits a sample.
  testutil::TempDir dir;
  testutil::WriteBytes(dir / "symbol.bmp",
                       EncodePdf417ToImage(reinterpret_cast<const std::uint8_t*>(kData.data()),
                                           static_cast<int>(kData.size()), 4, 2, 3));
  for (const char* name : {"a.pbm", "a.pgm", "a.ppm"}) {
    for (const char* options : {"", "-compress none", "-depth 16", "-depth 16 -compress none"}) {
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
  // Comments in the header, samples scaled from their largest value (dark 1, light 6 of 7).
  std::string grey = "P2 # a comment\n3 # width\n1\n7\n1 6 1";
  const DecodeResult r =
      testutil::DecodeFirst(reinterpret_cast<const std::uint8_t*>(grey.data()), grey.size());
  EXPECT_NE(r.status, DecodeStatus::FileUnreadable) << r.message;
}

TEST(PnmLoad, WrongHeadersAreRefusedWithWhy) {
  const struct {
    std::string file;
    const char* says;
  } cases[] = {
      {"P5\n0 4\n255\n", "no pixels"},
      {"P5\n10001 4\n255\n", "width is more than 10000"},
      {"P5\n4 4\n0\n", "largest sample value is 0"},
      {"P5\n4 4\n65536\n", "largest sample value is more than 65535"},
      {"P5\n4 x\n255\n", "height is not a number"},
      {"P5\n4 4\n255\n" + std::string(15, 'x'), "truncated"},
      {"P5\n9000 9000\n255\n" + std::string(100, 'x'), "9000 x 9000 pixels need more"},
      {"P2\n2 1\n255\n1 x", "sample is not a number"},
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
