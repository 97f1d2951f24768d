// Resource bounds of the decoder: lying headers, endless devices, over-large files, the largest
// pictures the encoder writes, a large picture with a symbol in it, and the angle search on
// pictures with more edges than it lets vote. What they cost is measured by
// scripts/large_pictures.sh, not here.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "decode_util.h"
#include "pdf417/common/error.h"
#include "pdf417/decoder/classic/bin_bmp.h"
#include "pdf417/decoder/classic/image_transforms.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/encoder.h"
#include "picture_test_util.h"
#include "test_util.h"

namespace pdf417 {
namespace {

std::vector<std::uint8_t> Header(std::int32_t width, std::int32_t height, std::uint16_t bits,
                                 std::size_t trailing) {
  std::vector<std::uint8_t> bytes(54 + trailing, 0);
  bytes[0] = 'B';
  bytes[1] = 'M';
  PutU32(&bytes[2], static_cast<std::uint32_t>(bytes.size()));
  PutU32(&bytes[10], 54);
  PutU32(&bytes[14], 40);
  PutU32(&bytes[18], static_cast<std::uint32_t>(width));
  PutU32(&bytes[22], static_cast<std::uint32_t>(height));
  PutU16(&bytes[26], 1);
  PutU16(&bytes[28], bits);
  return bytes;
}

std::string MessageOf(const std::function<void()>& load) {
  try {
    load();
  } catch (const Error& e) {
    return e.what();
  }
  return "(loaded)";
}

TEST(ResourceBounds, HeadersClaimingHugePicturesOverShortFilesAreRefused) {
  testutil::TempDir dir;
  struct Claim {
    std::int32_t width, height;
    std::uint16_t bits;
    const char* says;
  };
  const Claim claims[] = {
      {10000, 10000, 24, "pixel array is truncated"},  // 300 MB claimed, 1 KB given
      {10000, -10000, 32, "pixel array is truncated"},
      {10001, 10, 24, "larger than"},
      {100000, 100000, 1, "larger than"},
      {INT32_MAX, INT32_MAX, 32, "larger than"},
  };
  for (const Claim& c : claims) {
    const std::vector<std::uint8_t> bytes = Header(c.width, c.height, c.bits, 1024);
    const DecodeResult fromBytes = testutil::DecodeFirst(bytes.data(), bytes.size());
    EXPECT_EQ(fromBytes.status, DecodeStatus::FileUnreadable) << c.width << " x " << c.height;
    EXPECT_NE(fromBytes.message.find(c.says), std::string::npos) << fromBytes.message;

    testutil::WriteBytes(dir / "claim.bmp", bytes);
    const DecodeResult fromFile = testutil::DecodeFirst(dir / "claim.bmp");
    EXPECT_EQ(fromFile.status, DecodeStatus::FileUnreadable);
    EXPECT_NE(fromFile.message.find(c.says), std::string::npos) << fromFile.message;
  }
}

TEST(ResourceBounds, FilesAndDevicesBeyondAnyPictureAreNotReadToTheEnd) {
  // An endless device is refused on its first chunk: had it been read to the limit, the
  // message would say so.
  BinBMP image;
  EXPECT_NE(MessageOf([&] { image.LoadFile("/dev/zero"); }).find("does not start with \"BM\""),
            std::string::npos);
  EXPECT_TRUE(image.Empty());

  // A regular file larger than the limit is refused by its size alone (sparse: no disk used).
  testutil::TempDir dir;
  const std::string big = dir / "big.bmp";
  std::vector<std::uint8_t> head = Header(10000, 10000, 32, 0);
  testutil::WriteBytes(big, head);
  ASSERT_EQ(::truncate(big.c_str(), kMaxReadFileBytes + 1), 0);
  EXPECT_NE(MessageOf([&] { image.LoadFile(big); }).find("is larger than"), std::string::npos);
  const DecodeResult result = testutil::DecodeFirst(big);
  EXPECT_EQ(result.status, DecodeStatus::FileUnreadable);
}

TEST(ResourceBounds, TheTallestPictureTheEncoderWritesIsOneTheDecoderReads) {
  const std::string data = "tall";
  const auto* d = reinterpret_cast<const std::uint8_t*>(data.data());
  // Three rows of 3,332 pixels and the quiet zone: 10,000 pixels, the largest side read.
  const std::vector<std::uint8_t> tallest = EncodePdf417ToImage(d, 4, 5, 0, 3332);
  EXPECT_EQ(testutil::U32(tallest, 22), static_cast<std::uint32_t>(kMaxBitmapSide));
  BinBMP image;
  image.LoadBytes(tallest.data(), tallest.size());
  EXPECT_EQ(image.height, kMaxBitmapSide);

  try {
    EncodePdf417ToImage(d, 4, 5, 0, 3333);
    ADD_FAILURE() << "a picture of 10,003 rows was made";
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::InvalidArgument);
    EXPECT_NE(std::string(e.what()).find("aspect ratio 3333"), std::string::npos) << e.what();
  }
}

// A 24-bit picture of side x side white pixels with the encoder's symbol in the middle, each
// module scale x scale pixels.
std::vector<std::uint8_t> SymbolInLargePicture(const std::vector<std::uint8_t>& symbolFile,
                                               int scale, int side) {
  const testutil::OneBitPicture symbol(symbolFile);
  const int top = (side - symbol.height * scale) / 2;
  const int left = (side - symbol.width * scale) / 2;
  const std::size_t stride = static_cast<std::size_t>(BitmapStride(side, 24));
  std::vector<std::uint8_t> file = Header(side, side, 24, stride * static_cast<std::size_t>(side));
  PutU32(&file[34], static_cast<std::uint32_t>(stride * static_cast<std::size_t>(side)));
  std::fill(file.begin() + 54, file.end(), 0xFF);
  for (int r = 0; r < symbol.height * scale; ++r) {
    std::uint8_t* line = file.data() + 54 + static_cast<std::size_t>(side - 1 - (top + r)) * stride;
    for (int c = 0; c < symbol.width * scale; ++c) {
      if (symbol.dark(r / scale, c / scale)) {
        std::uint8_t* p = line + static_cast<std::size_t>(left + c) * 3;
        p[0] = p[1] = p[2] = 0;
      }
    }
  }
  return file;
}

TEST(ResourceBounds, LargeTwentyFourBitPictureWithASymbolDecodes) {
  const std::string data = "A symbol in the middle of a large photograph-sized picture.";
  const std::vector<std::uint8_t> symbol = EncodePdf417ToImage(
      reinterpret_cast<const std::uint8_t*>(data.data()), static_cast<int>(data.size()), 6, 3, 3);
  const std::vector<std::uint8_t> file = SymbolInLargePicture(symbol, 8, 4000);
  const DecodeResult result = testutil::DecodeFirst(file.data(), file.size());
  ASSERT_TRUE(result.ok()) << result.message;
  EXPECT_EQ(result.bytes, data);
  EXPECT_EQ(result.columns, 6);
  EXPECT_EQ(result.level, 3);
}

TEST(ResourceBounds, AngleSearchWithMoreEdgesThanVotesStillFindsTheSkew) {
  // Stripes two pixels apart over a 1,000 x 2,000 picture: about 500,000 edge pixels in the half
  // that votes, times 201 candidate angles, are about three times the votes one search casts
  // (2^25), so only a sample of the edge pixels votes.
  picturetest::Canvas canvas(1000, 2000);
  for (std::int32_t top = 0; top < 1000; top += 4) canvas.Box(top, 0, 2, 2000);
  const BitMatrix stripes = Rotate(canvas.image, 0.5f);
  const BitMatrix edges = RowDifference(stripes);
  int edgePixels = 0;
  for (std::int32_t r = 0; r < edges.Height(); ++r)
    edgePixels += edges.Rows().CountDark(r, 0, edges.Width() / 2);
  ASSERT_GT(static_cast<std::int64_t>(edgePixels) * 201, std::int64_t{2} << 25);

  EXPECT_NEAR(RefineAngle(stripes, 0.0f), -0.5f, 0.05f);
}

}  // namespace
}  // namespace pdf417
