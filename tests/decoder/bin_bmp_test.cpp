// The decoder's picture: construction, polarity, pixel access, binarization and file reading.
#include "pdf417/decoder/classic/bin_bmp.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>

#include "pdf417/common/error.h"
#include "pdf417/encoder/encoder.h"
#include "picture_test_util.h"
#include "test_util.h"

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
  BinBMP image = PictureOf(picturetest::Canvas(4, 9).Box(0, 0, 4, 9).image);  // all black
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
  BinBMP image = PictureOf(picturetest::Canvas(20, 20).Box(0, 0, 20, 20).image);  // all black
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

// ---------------------------------------------------------------------------------------------
// Bitmap files written byte by byte.

struct BmpFile {
  std::int32_t width = 4;
  std::int32_t height = 3;  // negative: top-down rows
  int bits = 24;
  std::uint32_t infoSize = 40;
  std::uint32_t compression = 0;
  std::uint32_t clrUsed = 0;
  std::vector<std::uint32_t> colours;  // 0x00RRGGBB palette entries written
  std::vector<std::uint32_t> masks;    // red, green, blue bit fields
  std::size_t gap = 0;                 // bytes between the table and the pixels
  // Palette index, raw 16/32-bit value, or 0x00RRGGBB for 24 bits, of picture pixel (row, col).
  std::function<std::uint32_t(int, int)> pixel = [](int, int) { return 0u; };

  std::vector<std::uint8_t> Bytes() const {
    std::vector<std::uint8_t> out(14 + infoSize, 0);
    const bool core = infoSize == 12;
    PutU32(&out[14], infoSize);
    if (core) {
      PutU16(&out[18], static_cast<std::uint16_t>(width));
      PutU16(&out[20], static_cast<std::uint16_t>(height));
      PutU16(&out[22], 1);
      PutU16(&out[24], static_cast<std::uint16_t>(bits));
    } else {
      PutU32(&out[18], static_cast<std::uint32_t>(width));
      PutU32(&out[22], static_cast<std::uint32_t>(height));
      PutU16(&out[26], 1);
      PutU16(&out[28], static_cast<std::uint16_t>(bits));
      PutU32(&out[30], compression);
      PutU32(&out[46], clrUsed);
      if (infoSize >= 52 && masks.size() == 3) {
        for (int i = 0; i < 3; ++i) PutU32(&out[54 + 4 * i], masks[static_cast<std::size_t>(i)]);
      }
    }
    if (infoSize == 40 && masks.size() == 3) {
      for (std::uint32_t m : masks) {
        out.resize(out.size() + 4);
        PutU32(&out[out.size() - 4], m);
      }
    }
    for (std::uint32_t c : colours) {
      out.push_back(static_cast<std::uint8_t>(c));
      out.push_back(static_cast<std::uint8_t>(c >> 8));
      out.push_back(static_cast<std::uint8_t>(c >> 16));
      if (!core) out.push_back(0);
    }
    out.resize(out.size() + gap, 0xEE);
    const std::size_t offset = out.size();
    const std::int32_t rows = height < 0 ? -height : height;
    const std::size_t stride = static_cast<std::size_t>(((width * bits + 31) / 32) * 4);
    out.resize(offset + stride * static_cast<std::size_t>(rows), 0);
    for (int r = 0; r < rows; ++r) {
      const int stored = height < 0 ? r : rows - 1 - r;
      std::uint8_t* line = &out[offset + static_cast<std::size_t>(stored) * stride];
      for (int c = 0; c < width; ++c) {
        const std::uint32_t v = pixel(r, c);
        switch (bits) {
          case 1:
            line[c / 8] = static_cast<std::uint8_t>(line[c / 8] | ((v & 1) << (7 - c % 8)));
            break;
          case 4:
            line[c / 2] = static_cast<std::uint8_t>(line[c / 2] | ((v & 15) << (c % 2 ? 0 : 4)));
            break;
          case 8:
            line[c] = static_cast<std::uint8_t>(v);
            break;
          case 16:
            PutU16(line + 2 * c, static_cast<std::uint16_t>(v));
            break;
          case 24:
            line[3 * c] = static_cast<std::uint8_t>(v);
            line[3 * c + 1] = static_cast<std::uint8_t>(v >> 8);
            line[3 * c + 2] = static_cast<std::uint8_t>(v >> 16);
            break;
          default:
            PutU32(line + 4 * c, v);
        }
      }
    }
    out[0] = 'B';
    out[1] = 'M';
    PutU32(&out[2], static_cast<std::uint32_t>(out.size()));
    PutU32(&out[10], static_cast<std::uint32_t>(offset));
    return out;
  }
};

BinBMP Load(const std::vector<std::uint8_t>& bytes) {
  BinBMP image;
  image.LoadBytes(bytes.data(), bytes.size());
  return image;
}

// 0x00BBGGRR, as GetColor answers, of a 0x00RRGGBB value.
std::uint32_t Bgr(std::uint32_t rgb) {
  return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

// What every loaded picture must satisfy, whatever file it came from.
void ExpectConsistent(const BinBMP& image) {
  EXPECT_GT(image.width, 0);
  EXPECT_GT(image.height, 0);
  EXPECT_EQ(image.Stride(), ((image.width * image.bitCount + 31) / 32) * 4);
  EXPECT_EQ(image.imageSize, image.Stride() * image.height);
  EXPECT_EQ(image.pixelData.size(), static_cast<std::size_t>(image.imageSize));
  EXPECT_EQ(image.bitMpInfoHead.biWidth, image.width);
  EXPECT_EQ(image.bitMpInfoHead.biHeight, image.height);
  EXPECT_EQ(image.bitMpInfoHead.biBitCount, image.bitCount);
  EXPECT_EQ(image.bitMpInfoHead.biSize, 40u);
  EXPECT_EQ(image.bitMpInfoHead.biSizeImage, static_cast<std::uint32_t>(image.imageSize));
  const std::size_t table = image.bitCount <= 8 ? (4u << image.bitCount) : 0u;
  EXPECT_EQ(image.palette.size(), table);
  EXPECT_EQ(image.bitMpHead.bfOffBits, 54u + table);
  EXPECT_EQ(image.bitMpHead.bfSize, 54u + table + static_cast<std::uint32_t>(image.imageSize));
  EXPECT_EQ(image.angle, 0.0f);
}

// A 5 x 3 picture of distinct colours, written at every depth below.
std::uint32_t Rgb(int r, int c) {
  return static_cast<std::uint32_t>(0x10 * r + 3) << 16 |
         static_cast<std::uint32_t>(0x20 * c) << 8 |
         static_cast<std::uint32_t>(0x30 + 0x11 * (r + c));
}

void ExpectColours(const BinBMP& image, int rows, int cols) {
  ASSERT_EQ(image.height, rows);
  ASSERT_EQ(image.width, cols);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) EXPECT_EQ(image.GetColor(r, c), Bgr(Rgb(r, c))) << r << "," << c;
}

TEST(BinBMPLoad, TwentyFourBitsWithRowPadding) {
  BmpFile f;
  f.width = 5;
  f.height = 3;
  f.bits = 24;
  f.pixel = Rgb;
  const BinBMP image = Load(f.Bytes());
  EXPECT_EQ(image.bitCount, 24);
  EXPECT_EQ(image.Stride(), 16);
  ExpectColours(image, 3, 5);
  ExpectConsistent(image);
}

TEST(BinBMPLoad, TopDownRowsAreStoredBottomUp) {
  BmpFile f;
  f.width = 5;
  f.height = -3;
  f.pixel = Rgb;
  const BinBMP image = Load(f.Bytes());
  ExpectColours(image, 3, 5);
  ExpectConsistent(image);
  // Picture row 0 is the last stored row, as in a bottom-up file.
  f.height = 3;
  EXPECT_EQ(image.pixelData, Load(f.Bytes()).pixelData);

  BmpFile bits;
  bits.width = 9;
  bits.height = -2;
  bits.bits = 1;
  bits.colours = {0xFFFFFF, 0x000000};
  bits.pixel = [](int r, int c) { return static_cast<std::uint32_t>(r == 0 && c == 8); };
  const BinBMP one = Load(bits.Bytes());
  EXPECT_EQ(picturetest::ToRows(one), (std::vector<std::string>{"........#", "........."}));
}

// A palette of n entries whose entry i has the colour of picture pixel i of a 5 x 3 picture.
std::vector<std::uint32_t> PaletteOfRgb(int n) {
  std::vector<std::uint32_t> colours;
  for (int i = 0; i < n; ++i) colours.push_back(i < 15 ? Rgb(i / 5, i % 5) : 0x123456u);
  return colours;
}

TEST(BinBMPLoad, IndexedDepthsFullAndShortTables) {
  for (int bits : {4, 8}) {
    for (std::uint32_t used : {0u, 16u, 15u}) {
      SCOPED_TRACE(std::to_string(bits) + " bits, biClrUsed " + std::to_string(used));
      BmpFile f;
      f.width = 5;
      f.height = 3;
      f.bits = bits;
      f.clrUsed = used;
      f.colours = PaletteOfRgb(used == 0 ? 1 << bits : static_cast<int>(used));
      f.pixel = [](int r, int c) { return static_cast<std::uint32_t>(5 * r + c); };
      const BinBMP image = Load(f.Bytes());
      EXPECT_EQ(image.bitCount, bits);
      ExpectColours(image, 3, 5);
      ExpectConsistent(image);
    }
  }
}

TEST(BinBMPLoad, LargerAndSmallerInfoHeaders) {
  for (std::uint32_t size : {12u, 52u, 56u, 108u, 124u}) {
    SCOPED_TRACE("info header of " + std::to_string(size) + " bytes");
    BmpFile f;
    f.infoSize = size;
    f.width = 5;
    f.height = 3;
    f.bits = 8;
    f.colours = PaletteOfRgb(256);
    f.pixel = [](int r, int c) { return static_cast<std::uint32_t>(5 * r + c); };
    ExpectColours(Load(f.Bytes()), 3, 5);
    ExpectConsistent(Load(f.Bytes()));
    f.bits = 24;
    f.colours.clear();
    f.pixel = Rgb;
    ExpectColours(Load(f.Bytes()), 3, 5);
  }
}

TEST(BinBMPLoad, PixelOffsetWithAGap) {
  BmpFile f;
  f.width = 5;
  f.height = 3;
  f.gap = 10;
  f.pixel = Rgb;
  ExpectColours(Load(f.Bytes()), 3, 5);
  f.bits = 8;
  f.clrUsed = 15;
  f.colours = PaletteOfRgb(15);
  f.pixel = [](int r, int c) { return static_cast<std::uint32_t>(5 * r + c); };
  const BinBMP image = Load(f.Bytes());
  ExpectColours(image, 3, 5);
  ExpectConsistent(image);
  EXPECT_EQ(image.GetColor(0, 0), Bgr(Rgb(0, 0)));
}

// 16 and 32 bits: the colours are kept (to channel precision), not read as white.
TEST(BinBMPLoad, SixteenBitsPlainAndBitFields) {
  BmpFile plain;  // 5-5-5
  plain.width = 3;
  plain.height = 1;
  plain.bits = 16;
  plain.pixel = [](int, int c) -> std::uint32_t {
    return c == 0 ? 0x7C00u /* red */ : c == 1 ? 0x001Fu /* blue */ : 0x0010u /* mid blue */;
  };
  BinBMP image = Load(plain.Bytes());
  EXPECT_EQ(image.bitCount, 16);
  EXPECT_EQ(image.GetColor(0, 0), 0x0000FFu);
  EXPECT_EQ(image.GetColor(0, 1), 0xFF0000u);
  EXPECT_EQ(image.GetColor(0, 2), 0x840000u);  // 16 of 31 is 132 of 255
  ExpectConsistent(image);
  Binarize(image, image);
  EXPECT_EQ(picturetest::ToRows(image), (std::vector<std::string>{"#.."}));

  BmpFile fields = plain;  // 5-6-5, masks after a 40-byte header
  fields.compression = 3;
  fields.masks = {0xF800, 0x07E0, 0x001F};
  fields.pixel = [](int, int c) -> std::uint32_t {
    return c == 0 ? 0x07E0u : c == 1 ? 0x0018u : 0xF81Fu;
  };
  image = Load(fields.Bytes());
  EXPECT_EQ(image.GetColor(0, 0), 0x00FF00u);
  EXPECT_EQ(image.GetColor(0, 1), 0xC50000u);  // 24 of 31 is 197 of 255
  EXPECT_EQ(image.GetColor(0, 2), 0xFF00FFu);
  EXPECT_EQ(image.bitMpInfoHead.biCompression, 0u);
  ExpectConsistent(image);
}

TEST(BinBMPLoad, ThirtyTwoBitsPlainAndBitFields) {
  BmpFile plain;  // x8r8g8b8
  plain.width = 5;
  plain.height = 3;
  plain.bits = 32;
  plain.pixel = [](int r, int c) { return 0xAB000000u | Rgb(r, c); };
  ExpectColours(Load(plain.Bytes()), 3, 5);
  ExpectConsistent(Load(plain.Bytes()));

  for (std::uint32_t size : {40u, 56u, 124u}) {
    SCOPED_TRACE("bit fields with a " + std::to_string(size) + "-byte header");
    BmpFile fields = plain;  // r8g8b8a8 from the low byte up
    fields.infoSize = size;
    fields.compression = 3;
    fields.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    fields.pixel = [](int r, int c) { return 0xFF000000u | Bgr(Rgb(r, c)); };
    ExpectColours(Load(fields.Bytes()), 3, 5);
  }

  // Dark blue binarizes black, bright blue white, whatever red and green are.
  plain.width = 2;
  plain.height = 1;
  plain.pixel = [](int, int c) { return c == 0 ? 0x00FFFF63u : 0x00000064u; };
  BinBMP image = Load(plain.Bytes());
  Binarize(image, image);
  EXPECT_EQ(picturetest::ToRows(image), (std::vector<std::string>{"#."}));
}

TEST(BinBMPLoad, OneBitPolarityFollowsEntryZero) {
  BmpFile f;
  f.width = 10;
  f.height = 2;
  f.bits = 1;
  f.pixel = [](int r, int c) { return static_cast<std::uint32_t>((r + c) % 3 == 0); };
  f.colours = {0xFFFFFF, 0x000000};  // set bit black, as the encoder writes
  const BinBMP encoderStyle = Load(f.Bytes());
  f.colours = {0x000000, 0xFFFFFF};  // set bit white
  const BinBMP other = Load(f.Bytes());
  for (int r = 0; r < 2; ++r) {
    for (int c = 0; c < 10; ++c) {
      const bool set = (r + c) % 3 == 0;
      EXPECT_EQ(encoderStyle.IsWhite(r, c), !set);
      EXPECT_EQ(other.IsWhite(r, c), set);
    }
  }
  ExpectConsistent(other);
  // A one-entry table still has a meaning for entry 0.
  f.clrUsed = 1;
  f.colours = {0xFFFFFF};
  const BinBMP shortTable = Load(f.Bytes());
  EXPECT_FALSE(shortTable.IsWhite(0, 0));
  EXPECT_TRUE(shortTable.IsWhite(0, 1));
}

TEST(BinBMPLoad, EncoderFileReadsWithItsBarsBlackAndCopiesKeepThem) {
  const std::string text = "Polarity of an encoder-written symbol";
  const std::vector<std::uint8_t> bytes = EncodePdf417ToImage(
      reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<int>(text.size()), 3, 2, 3);
  testutil::TempDir dir;
  const std::string name = dir / "bar.bmp";
  testutil::WriteBytes(name, bytes);
  const BinBMP image(name);
  EXPECT_EQ(image.bitCount, 1);
  EXPECT_EQ(image.palette[0], 255);  // entry 0 white: a set bit is black
  EXPECT_FALSE(image.SetBitIsWhite());
  ExpectConsistent(image);
  const testutil::OneBitPicture expected(bytes);
  BinBMP copy;
  copy = image;
  int black = 0;
  for (int r = 0; r < image.height; ++r) {
    for (int c = 0; c < image.width; ++c) {
      ASSERT_EQ(image.IsWhite(r, c), !expected.dark(r, c)) << r << "," << c;
      ASSERT_EQ(copy.IsWhite(r, c), !expected.dark(r, c)) << r << "," << c;
      black += expected.dark(r, c) ? 1 : 0;
    }
  }
  EXPECT_GT(black, 100);
  // Binarizing changes the table but not the picture.
  BinBMP binary;
  Binarize(image, binary);
  EXPECT_TRUE(binary.SetBitIsWhite());
  EXPECT_EQ(picturetest::ToRows(binary), picturetest::ToRows(image));
}

// ---------------------------------------------------------------------------------------------
// Files we refuse, each with a message that says why.

void ExpectRefused(const std::vector<std::uint8_t>& bytes, const std::string& why) {
  BinBMP image(2, 2, 1);  // a previous picture is dropped even when loading fails
  try {
    image.LoadBytes(bytes.data(), bytes.size());
    ADD_FAILURE() << "accepted a file that should be refused for: " << why;
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::BadBitmap);
    EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
  }
  EXPECT_TRUE(image.Empty());
  EXPECT_TRUE(image.pixelData.empty());
}

BmpFile Small24() {
  BmpFile f;
  f.width = 3;
  f.height = 2;
  f.pixel = Rgb;
  return f;
}

TEST(BinBMPLoadRefuses, TruncatedFilesAndForeignSignatures) {
  const std::vector<std::uint8_t> good = Small24().Bytes();
  ExpectRefused({}, "fewer than the 14");
  ExpectRefused(std::vector<std::uint8_t>(good.begin(), good.begin() + 10), "fewer than the 14");
  ExpectRefused(std::vector<std::uint8_t>(good.begin(), good.begin() + 16),
                "info header is truncated");
  ExpectRefused(std::vector<std::uint8_t>(good.begin(), good.begin() + 40),
                "info header is truncated");
  ExpectRefused(std::vector<std::uint8_t>(good.begin(), good.end() - 1),
                "pixel array is truncated");
  std::vector<std::uint8_t> foreign = good;
  foreign[1] = 'A';
  ExpectRefused(foreign, "\"BM\"");
  BmpFile indexed = Small24();
  indexed.bits = 8;
  indexed.colours = PaletteOfRgb(256);
  indexed.pixel = [](int, int) { return 0u; };
  const std::vector<std::uint8_t> withTable = indexed.Bytes();
  ExpectRefused(std::vector<std::uint8_t>(withTable.begin(), withTable.begin() + 54 + 100),
                "colour table is truncated");
  EXPECT_NO_THROW(Load(withTable));
}

TEST(BinBMPLoadRefuses, SizesThatMakeNoPictureOrTooLargeOne) {
  auto withSize = [](std::int32_t width, std::int32_t height) {
    std::vector<std::uint8_t> bytes = Small24().Bytes();
    PutU32(&bytes[18], static_cast<std::uint32_t>(width));
    PutU32(&bytes[22], static_cast<std::uint32_t>(height));
    return bytes;
  };
  ExpectRefused(withSize(0, 2), "width 0 is not positive");
  ExpectRefused(withSize(-3, 2), "width -3 is not positive");
  ExpectRefused(withSize(3, 0), "height is 0");
  ExpectRefused(withSize(INT32_MIN, 2), "not positive");
  ExpectRefused(withSize(3, INT32_MIN), "larger than");
  ExpectRefused(withSize(INT32_MAX, INT32_MAX), "larger than");
  ExpectRefused(withSize(10001, 2), "larger than");
  ExpectRefused(withSize(3, -10001), "larger than");
  // Within bounds but without the pixels to back it: refused before anything is allocated.
  ExpectRefused(withSize(10000, 10000), "pixel array is truncated");
  ExpectRefused(withSize(10000, -10000), "pixel array is truncated");
}

TEST(BinBMPLoadRefuses, LayoutsWeCannotRead) {
  auto with = [](std::size_t at, std::uint32_t value, bool sixteen) {
    std::vector<std::uint8_t> bytes = Small24().Bytes();
    if (sixteen)
      PutU16(&bytes[at], static_cast<std::uint16_t>(value));
    else
      PutU32(&bytes[at], value);
    return bytes;
  };
  ExpectRefused(with(14, 64, false), "info header size 64");
  ExpectRefused(with(14, 0, false), "info header size 0");
  ExpectRefused(with(28, 2, true), "bits per pixel: 2");
  ExpectRefused(with(28, 0, true), "bits per pixel: 0");
  ExpectRefused(with(30, 1, false), "RLE8");
  ExpectRefused(with(30, 2, false), "RLE4");
  ExpectRefused(with(30, 4, false), "JPEG");
  ExpectRefused(with(30, 3, false), "BITFIELDS");  // not at 24 bits
  ExpectRefused(with(10, 20, false), "offset 20 lies inside the headers");
  ExpectRefused(with(10, 0xFFFFFFF0u, false), "pixel array is truncated");

  BmpFile indexed = Small24();
  indexed.bits = 4;
  indexed.clrUsed = 17;
  indexed.colours = PaletteOfRgb(17);
  indexed.pixel = [](int, int) { return 0u; };
  ExpectRefused(indexed.Bytes(), "17 entries, more than 16");
  indexed.clrUsed = 0;
  indexed.colours = PaletteOfRgb(16);
  std::vector<std::uint8_t> overlapping = indexed.Bytes();
  PutU32(&overlapping[10], 54 + 60);  // pixels would start inside the 64-byte table
  ExpectRefused(overlapping, "inside the headers or colour table");

  BmpFile fields;
  fields.width = 2;
  fields.height = 1;
  fields.bits = 16;
  fields.compression = 3;
  fields.masks = {0xF800, 0x0FE0, 0x001F};  // red and green overlap
  ExpectRefused(fields.Bytes(), "invalid bit-field masks");
  fields.masks = {0xF000, 0x0500, 0x001F};  // green not contiguous
  ExpectRefused(fields.Bytes(), "invalid bit-field masks");
  fields.masks = {0x1F0000, 0x07E0, 0x001F};  // beyond 16 bits
  ExpectRefused(fields.Bytes(), "invalid bit-field masks");
  fields.masks = {0, 0, 0};
  ExpectRefused(fields.Bytes(), "invalid bit-field masks");
  fields.masks = {0xF800, 0x07E0, 0x001F};
  const std::vector<std::uint8_t> good = fields.Bytes();
  EXPECT_NO_THROW(Load(good));
  ExpectRefused(std::vector<std::uint8_t>(good.begin(), good.begin() + 60), "masks are truncated");
}

TEST(BinBMPLoadRefuses, DamagedFilesNeverCrash) {
  // Every truncation and a few values at every header and table byte: each either loads into a
  // consistent picture or is refused with an Error.
  BmpFile f;
  f.width = 7;
  f.height = 3;
  f.bits = 4;
  f.colours = PaletteOfRgb(16);
  f.pixel = [](int r, int c) { return static_cast<std::uint32_t>(r * 7 + c) % 16; };
  const std::vector<std::uint8_t> good = f.Bytes();
  int loaded = 0;
  auto attempt = [&loaded](const std::vector<std::uint8_t>& bytes) {
    BinBMP image;
    try {
      image.LoadBytes(bytes.data(), bytes.size());
    } catch (const Error& e) {
      EXPECT_TRUE(e.code() == ErrorCode::BadBitmap) << e.what();
      return;
    }
    ++loaded;
    ExpectConsistent(image);
    BinBMP binary;
    Binarize(image, binary);
    EXPECT_EQ(binary.width, image.width);
  };
  for (std::size_t n = 0; n < good.size(); ++n) {
    attempt(std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)));
  }
  for (std::size_t at = 0; at < 54 + 64; ++at) {
    for (std::uint8_t value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
      std::vector<std::uint8_t> bytes = good;
      bytes[at] = value;
      attempt(bytes);
    }
  }
  EXPECT_GT(loaded, 100);  // table bytes and harmless header fields still load
}

TEST(BinBMPLoadFile, MissingOrUnreadableFiles) {
  testutil::TempDir dir;
  BinBMP image(2, 2, 1);
  try {
    image.LoadFile(dir / "missing.bmp");
    ADD_FAILURE() << "loaded a missing file";
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::FileRead);
    EXPECT_NE(std::string(e.what()).find("missing.bmp"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(image.Empty());
  try {
    image.LoadFile(dir.path());  // a folder
    ADD_FAILURE() << "loaded a folder";
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::FileRead);
  }
  testutil::WriteBytes(dir / "text.bmp", {'h', 'e', 'l', 'l', 'o'});
  try {
    image.LoadFile(dir / "text.bmp");
    ADD_FAILURE() << "loaded a text file";
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::BadBitmap);
    EXPECT_NE(std::string(e.what()).find("text.bmp"), std::string::npos) << e.what();
  }
  // A good file after failures loads normally.
  testutil::WriteBytes(dir / "good.bmp", Small24().Bytes());
  image.LoadFile(dir / "good.bmp");
  ExpectColours(image, 2, 3);
}

}  // namespace
}  // namespace pdf417
