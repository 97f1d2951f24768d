// The decoder's picture: construction, polarity, pixel access, binarization and file reading.
#include <gtest/gtest.h>

#include <cmath>

#include "pdf417/common/error.h"
#include "pdf417/decoder/bin_bmp.h"
#include "picture_test_util.h"

namespace pdf417 {
namespace {

TEST(BinBMPSized, OneBitPictureIsWhiteWithConsistentHeaders) {
  const BinBMP image(3, 10, 1);
  EXPECT_EQ(image.Stride(), 4);
  EXPECT_EQ(image.imageSize, 12);
  EXPECT_EQ(image.bitMpHead.bfType, 0x4D42);
  EXPECT_EQ(image.bitMpHead.bfSize, 74u);
  EXPECT_EQ(image.bitMpHead.bfOffBits, 62u);
  EXPECT_EQ(image.bitMpInfoHead.biSize, 40u);
  EXPECT_EQ(image.bitMpInfoHead.biWidth, 10);
  EXPECT_EQ(image.bitMpInfoHead.biHeight, 3);
  EXPECT_EQ(image.bitMpInfoHead.biBitCount, 1);
  EXPECT_EQ(image.bitMpInfoHead.biSizeImage, 12u);
  EXPECT_EQ(image.bitMpInfoHead.biXPelsPerMeter, 3780);
  EXPECT_EQ(image.palette, (std::vector<std::uint8_t>{0, 0, 0, 0, 255, 255, 255, 0}));
  EXPECT_EQ(image.pixelData, std::vector<std::uint8_t>(12, 0xFF));
  EXPECT_TRUE(image.SetBitIsWhite());
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 10; ++c) EXPECT_TRUE(image.IsWhite(r, c));
  EXPECT_EQ(image.angle, 0.0f);
}

TEST(BinBMPSized, DeeperPicturesHaveTheirTablesAndSizes) {
  const BinBMP rgb(2, 1, 24);
  EXPECT_EQ(rgb.Stride(), 4);
  EXPECT_EQ(rgb.bitMpHead.bfSize, 54u + 8u);
  EXPECT_EQ(rgb.bitMpHead.bfOffBits, 54u);
  EXPECT_TRUE(rgb.palette.empty());
  const BinBMP grey(2, 5, 8);
  EXPECT_EQ(grey.palette.size(), 1024u);
  EXPECT_EQ(grey.bitMpHead.bfOffBits, 54u + 1024u);
  EXPECT_EQ(grey.Stride(), 8);
  EXPECT_THROW(BinBMP(2, 2, 7), Error);
  EXPECT_THROW(BinBMP(0, 2, 1), Error);
  EXPECT_THROW(BinBMP(2, -1, 1), Error);
  EXPECT_THROW(BinBMP(kMaxPictureSide + 1, 2, 1), Error);
  EXPECT_THROW(BinBMP(kMaxPictureSide, kMaxPictureSide, 32), Error);  // pixel array too large
}

TEST(BinBMPPixels, OutsideThePictureIsWhite) {
  BinBMP image = picturetest::Canvas(4, 9).Box(0, 0, 4, 9).image;  // all black
  EXPECT_FALSE(image.IsWhite(0, 0));
  EXPECT_FALSE(image.IsWhite(3, 8));
  EXPECT_TRUE(image.IsWhite(-1, 0));
  EXPECT_TRUE(image.IsWhite(0, -1));
  EXPECT_TRUE(image.IsWhite(0, 9));
  EXPECT_TRUE(image.IsWhite(4, 0));
  EXPECT_EQ(image.GetColor(-1, 0), 0xFFFFFFu);
  EXPECT_EQ(image.GetColor(0, 9), 0xFFFFFFu);
  EXPECT_EQ(image.GetColor(4, 0), 0xFFFFFFu);
  EXPECT_EQ(image.GetColor(0, 0), 0u);
  image.SetPixel(4, 0, true);  // outside: ignored
  image.SetPixel(-1, -1, true);
  EXPECT_EQ(picturetest::CountBlack(image), 36);
}

TEST(BinBMPPixels, RowZeroIsTheLastStoredRowAndBitsRunMostSignificantFirst) {
  BinBMP image(2, 10, 1);
  image.Clear();
  image.SetPixel(0, 1, false);
  image.SetPixel(1, 9, false);
  // Set bits are white here: black pixels are cleared bits.
  EXPECT_EQ(image.pixelData[4], 0xBF);  // stored row 1 = picture row 0, col 1
  EXPECT_EQ(image.pixelData[1], 0xBF);  // stored row 0 = picture row 1, col 9
  image.SetPixel(0, 1, true);
  EXPECT_EQ(image.pixelData[4], 0xFF);
}

TEST(BinBMPPixels, EntryZeroBlueAloneDecidesPolarity) {
  BinBMP image(1, 8, 1);
  image.pixelData[0] = 0x80;  // leftmost bit set
  EXPECT_TRUE(image.IsWhite(0, 0));
  EXPECT_FALSE(image.IsWhite(0, 1));
  image.palette = {1, 0, 0, 0, 0, 0, 0, 0};  // blue 1: entry 0 counts as white
  EXPECT_FALSE(image.IsWhite(0, 0));
  EXPECT_TRUE(image.IsWhite(0, 1));
  image.palette = {0, 255, 255, 0, 0, 0, 0, 0};  // green and red are not consulted
  EXPECT_TRUE(image.IsWhite(0, 0));
  // Clear and SetPixel follow the same rule.
  image.palette = {255, 255, 255, 0, 0, 0, 0, 0};
  image.Clear();
  EXPECT_EQ(image.pixelData[0], 0x00);
  image.SetPixel(0, 7, false);
  EXPECT_EQ(image.pixelData[0], 0x01);
  EXPECT_EQ(image.GetColor(0, 7), 0u);
  EXPECT_EQ(image.GetColor(0, 6), 0xFFFFFFu);
}

TEST(BinBMPAngle, SamplesThroughTheRotationAndTravelsWithCopies) {
  BinBMP image = picturetest::Canvas(20, 20).Box(0, 0, 20, 20).image;  // all black
  image.SetAngle(90.0f);
  EXPECT_FLOAT_EQ(image.angle, static_cast<float>(M_PI / 2));
  EXPECT_EQ(image.sinAngle, 1.0f);
  // (r, c) samples near (-c, r): inside only for c = 0.
  EXPECT_FALSE(image.IsWhite(5, 0));
  EXPECT_TRUE(image.IsWhite(5, 1));
  EXPECT_TRUE(image.IsWhite(0, 19));
  const BinBMP copy = image;
  EXPECT_EQ(copy.angle, image.angle);
  EXPECT_FALSE(copy.IsWhite(5, 0));
  EXPECT_TRUE(copy.IsWhite(5, 1));
  BinBMP assigned;
  assigned = copy;
  EXPECT_TRUE(assigned.IsWhite(5, 1));
  assigned.SetAngle(0.0f);
  EXPECT_FALSE(assigned.IsWhite(5, 1));
  // Far positions never overflow the rotated coordinates.
  EXPECT_TRUE(image.IsWhite(2147483647, -2147483647 - 1));
}

// A 24-bit picture of one row, one pixel per given colour 0x00BBGGRR.
BinBMP RgbRow(const std::vector<std::uint32_t>& colours) {
  BinBMP image(1, static_cast<std::int32_t>(colours.size()), 24);
  for (std::size_t i = 0; i < colours.size(); ++i) {
    image.pixelData[i * 3] = static_cast<std::uint8_t>(colours[i] >> 16);     // blue
    image.pixelData[i * 3 + 1] = static_cast<std::uint8_t>(colours[i] >> 8);  // green
    image.pixelData[i * 3 + 2] = static_cast<std::uint8_t>(colours[i]);       // red
  }
  return image;
}

TEST(Binarize, BlueBelowOneHundredIsBlack) {
  BinBMP image = RgbRow({0x63FFFF, 0x640000, 0x000000, 0xFFFFFF, 0x00FFFF});
  EXPECT_EQ(image.GetColor(0, 0), 0x63FFFFu);
  Binarize(image, image);  // in place, as the pipeline does
  EXPECT_EQ(image.bitCount, 1);
  // Blue 99 black, blue 100 white whatever red and green say.
  EXPECT_EQ(picturetest::ToRows(image), (std::vector<std::string>{"#.#.#"}));
}

TEST(Binarize, PaletteBlueDecidesForIndexedPictures) {
  BinBMP image(1, 3, 8);
  image.palette[4 * 7 + 0] = 50;  // entry 7: blue 50, green and red bright
  image.palette[4 * 7 + 1] = 255;
  image.palette[4 * 7 + 2] = 255;
  image.palette[4 * 9 + 0] = 200;  // entry 9: blue 200, green and red dark
  image.pixelData[0] = 7;
  image.pixelData[1] = 9;
  image.pixelData[2] = 7;
  BinBMP out;
  Binarize(image, out);
  EXPECT_EQ(picturetest::ToRows(out), (std::vector<std::string>{"#.#"}));
  EXPECT_EQ(out.palette, (std::vector<std::uint8_t>{0, 0, 0, 0, 255, 255, 255, 0}));
  EXPECT_EQ(out.angle, 0.0f);
}

TEST(Binarize, FourBitPixelsUseHighNibbleFirst) {
  BinBMP image(1, 3, 4);
  image.palette[4 * 1] = 10;  // entry 1 dark blue
  image.palette[4 * 2] = 180;
  image.pixelData[0] = 0x12;
  image.pixelData[1] = 0x20;
  EXPECT_EQ(image.GetColor(0, 0), 0x0A0000u);
  EXPECT_EQ(image.GetColor(0, 1), 0xB40000u);
  Binarize(image, image);
  EXPECT_EQ(picturetest::ToRows(image), (std::vector<std::string>{"#.."}));
}

}  // namespace
}  // namespace pdf417
