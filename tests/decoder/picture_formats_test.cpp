// PNG, JPEG and BMP pictures: every kind decodes to the bytes its bitmap decodes to, damaged and
// unknown files are refused with messages that say why, colour tables are read by their colours,
// and headers that claim too much are refused before the rest of the file is read.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "decode_util.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/encoder.h"
#include "test_util.h"

namespace pdf417 {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testutil::ShellQuote;

std::string CorpusDir(const std::string& target) {
  std::string tests = PDF417_TEST_DATA_DIR;
  tests.resize(tests.rfind('/'));  // .../tests
  return tests.substr(0, tests.rfind('/')) + "/fuzz/corpus/" + target;
}

// ImageMagick's convert, an independent writer of the formats.
void Convert(const std::string& from, const std::string& options, const std::string& to) {
  const std::string cmd = "convert " + ShellQuote(from) + " " + options + " " + ShellQuote(to);
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
}

Bytes Symbol(const std::string& text, int columns, int level, int aspect) {
  return EncodePdf417ToImage(reinterpret_cast<const std::uint8_t*>(text.data()),
                             static_cast<int>(text.size()), columns, level, aspect);
}

// Bytes read by this process so far (every read() call counts).
long long BytesRead() {
  std::ifstream io("/proc/self/io");
  std::string key;
  long long value = 0;
  while (io >> key >> value) {
    if (key == "rchar:") return value;
  }
  return -1;
}

DecodeResult FromBytes(const Bytes& b) { return testutil::DecodeFirst(b.data(), b.size()); }

TEST(PictureFormats, EveryBitmapCaseAlsoDecodesAsPngAndJpeg) {
  testutil::TempDir dir;
  // The bitmaps of the decode corpus (bit depths, header kinds, turns, skew) and a few shapes.
  std::vector<std::string> bitmaps;
  for (const char* name :
       {"16bit-555", "16bit-565", "1bit-bytes", "1bit-imagemagick", "1bit-level3", "1bit-os2",
        "1bit-ratio1", "1bit-skewed", "1bit-turned-180", "1bit", "24bit-turned-90", "24bit",
        "32bit", "4bit", "8bit"}) {
    bitmaps.push_back(CorpusDir("decode") + "/" + name + ".bmp");
  }
  struct Shape {
    int columns, level, aspect;
  };
  for (const Shape s : {Shape{1, 0, 2}, Shape{5, 2, 3}, Shape{12, 5, 4}, Shape{30, 1, 1}}) {
    const std::string path = dir / ("shape" + std::to_string(bitmaps.size()) + ".bmp");
    testutil::WriteBytes(
        path, Symbol("shape " + std::to_string(s.columns), s.columns, s.level, s.aspect));
    bitmaps.push_back(path);
  }
  const struct {
    const char* options;
    const char* extension;
  } kConversions[] = {{"", "png"}, {"-interlace PNG", "png"}, {"-quality 90", "jpg"}};
  for (const std::string& bmp : bitmaps) {
    const DecodeResult expected = testutil::DecodeFirst(bmp);
    ASSERT_TRUE(expected.ok()) << bmp << ": " << expected.message;
    for (const auto& c : kConversions) {
      const std::string out = dir / (std::string("converted.") + c.extension);
      Convert(bmp, c.options, out);
      const DecodeResult fromFile = testutil::DecodeFirst(out);
      EXPECT_TRUE(fromFile.ok()) << bmp << " as " << c.extension << " " << c.options << ": "
                                 << fromFile.message;
      EXPECT_EQ(fromFile.bytes, expected.bytes) << bmp << " " << c.options;
      EXPECT_EQ(FromBytes(testutil::ReadBytes(out)).bytes, expected.bytes) << bmp;
    }
  }
}

TEST(PictureFormats, EveryPngAndJpegKindDecodes) {
  testutil::TempDir dir;
  const std::string bmp = dir / "symbol.bmp";
  testutil::WriteBytes(bmp, Symbol("every kind of picture", 4, 3, 3));
  // Transparent pixels are black under their alpha: only compositing on white keeps them light.
  const std::string clear = "-transparent white -background black -alpha background ";
  const struct {
    std::string options;
    int colourType, depth, interlace;  // as the PNG header must say; -1 for JPEG
  } kKinds[] = {
      {"-define png:color-type=0 -define png:bit-depth=1", 0, 1, 0},
      {"-define png:color-type=0 -define png:bit-depth=2", 0, 2, 0},
      {"-define png:color-type=0 -define png:bit-depth=4", 0, 4, 0},
      {"-define png:color-type=0 -define png:bit-depth=8", 0, 8, 0},
      // From a grey picture: convert scrambles a one-bit picture written at 16 bits.
      {"-colorspace Gray -define png:color-type=0 -define png:bit-depth=16", 0, 16, 0},
      {"-define png:color-type=2 -define png:bit-depth=8", 2, 8, 0},
      {"-define png:color-type=2 -define png:bit-depth=16", 2, 16, 0},
      {"-define png:color-type=3 -define png:bit-depth=8", 3, 8, 0},
      {"-define png:color-type=4 -define png:bit-depth=8", 4, 8, 0},
      {"-define png:color-type=4 -define png:bit-depth=16", 4, 16, 0},
      {"-define png:color-type=6 -define png:bit-depth=8", 6, 8, 0},
      {"-define png:color-type=6 -define png:bit-depth=16 -interlace PNG", 6, 16, 1},
      {"-define png:color-type=0 -define png:bit-depth=1 -interlace PNG", 0, 1, 1},
      {clear + "-define png:color-type=6 -define png:bit-depth=8", 6, 8, 0},
      {clear + "-define png:color-type=4 -define png:bit-depth=8", 4, 8, 0},
      {"-quality 90 -colorspace Gray", -1, 0, 0},
      {"-quality 90 -type TrueColor", -1, 0, 0},
      {"-quality 90 -type TrueColor -interlace JPEG", -1, 0, 0},
      {"-quality 90 -colorspace CMYK", -1, 0, 0},
  };
  for (const auto& kind : kKinds) {
    const std::string out = dir / (kind.colourType < 0 ? "kind.jpg" : "kind.png");
    Convert(bmp, kind.options, out);
    const Bytes file = testutil::ReadBytes(out);
    if (kind.colourType >= 0) {
      ASSERT_GE(file.size(), 29u);
      EXPECT_EQ(file[25], kind.colourType) << kind.options;
      EXPECT_EQ(file[24], kind.depth) << kind.options;
      EXPECT_EQ(file[28], kind.interlace) << kind.options;
    }
    const DecodeResult r = testutil::DecodeFirst(out);
    EXPECT_TRUE(r.ok()) << kind.options << ": " << r.message;
    EXPECT_EQ(r.bytes, "every kind of picture") << kind.options;
  }
}

// The textbook bitwise CRC-32 of PNG chunks.
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// A PNG with a stored text chunk of `size` bytes after its header chunk.
Bytes WithTextChunk(const Bytes& png, std::size_t size) {
  Bytes chunk = {0, 0, 0, 0, 't', 'E', 'X', 't', 'C', 'o', 'm', 'm', 'e', 'n', 't', 0};
  chunk.resize(8 + size, 'a');
  const std::uint32_t length = static_cast<std::uint32_t>(size);
  for (int i = 0; i < 4; ++i) chunk[i] = static_cast<std::uint8_t>(length >> (24 - 8 * i));
  const std::uint32_t crc = Crc32(chunk.data() + 4, chunk.size() - 4);
  for (int i = 0; i < 4; ++i) chunk.push_back(static_cast<std::uint8_t>(crc >> (24 - 8 * i)));
  Bytes out = png;
  out.insert(out.begin() + 33, chunk.begin(), chunk.end());  // after signature and header chunk
  return out;
}

TEST(PictureFormats, DamagedPngAndJpegFilesAreRefusedWithReasons) {
  testutil::TempDir dir;
  // The seeds of the loaders' fuzz targets hold one damaged file of each kind.
  const struct {
    const char* file;
    const char* says;
  } kDamaged[] = {
      {"png/truncated.png", "not a readable PNG: the file is truncated"},
      {"png/bad-crc.png", "checksum"},
      {"png/lying-size.png", "not a readable PNG"},
      {"png/zero-width.png", "0 x 8 pixels"},
      {"png/huge-claim.png", "100000 x 100000 pixels"},
      {"png/ztxt-bomb.png", "larger than the 8 MiB"},
      {"png/no-idat.png", "not a readable PNG"},
      {"jpeg/truncated.jpg", "not a readable JPEG: the file is truncated"},
      {"jpeg/zero-height.jpg", "not a readable JPEG"},
      {"jpeg/huge-claim.jpg", "60000 x 60000 pixels"},
      {"jpeg/garbage-after-soi.jpg", "not a readable JPEG"},
  };
  for (const auto& d : kDamaged) {
    const std::string path = CorpusDir("") + d.file;
    const DecodeResult fromFile = testutil::DecodeFirst(path);
    EXPECT_EQ(fromFile.status, DecodeStatus::FileUnreadable) << d.file;
    EXPECT_NE(fromFile.message.find(d.says), std::string::npos) << fromFile.message;
    const DecodeResult fromBytes = FromBytes(testutil::ReadBytes(path));
    EXPECT_EQ(fromBytes.status, DecodeStatus::FileUnreadable) << d.file;
    EXPECT_NE(fromBytes.message.find(d.says), std::string::npos) << fromBytes.message;
  }
  // A real 20 MiB text chunk in an otherwise good picture.
  const Bytes good = testutil::ReadBytes(CorpusDir("png") + "/grey1.png");
  ASSERT_TRUE(FromBytes(good).ok());
  const DecodeResult text = FromBytes(WithTextChunk(good, 20u << 20));
  EXPECT_EQ(text.status, DecodeStatus::FileUnreadable);
  EXPECT_NE(text.message.find("larger than the 8 MiB"), std::string::npos) << text.message;
  EXPECT_TRUE(FromBytes(WithTextChunk(good, 1000)).ok());
}

TEST(PictureFormats, OtherFormatsAreNamed) {
  const struct {
    std::string head;
    const char* says;
  } kOthers[] = {
      {"GIF89a\x10\0\x10\0", "GIF is not supported; PNG, JPEG, BMP, Netpbm"},
      {"qoif\0\0\0\x10", "QOI is not supported"},
      {"8BPS\0\x01", "Photoshop is not supported"},
      {"%PDF-1.7\n", "PDF is not supported"},
      {"P7\nWIDTH 8\n", "PAM (P7) is not supported"},
      {"<svg xmlns=\"http://www.w3.org/2000/svg\"/>", "SVG is not supported"},
      {"<?xml version=\"1.0\"?>\n<svg width=\"9\"/>", "SVG is not supported"},
      {"", "the file is empty"},
      {"hello, world", "starts with the bytes 68 65 6c 6c"},
  };
  for (const auto& o : kOthers) {
    const Bytes bytes(o.head.begin(), o.head.end());
    const DecodeResult r = FromBytes(bytes);
    EXPECT_EQ(r.status, DecodeStatus::FileUnreadable);
    EXPECT_NE(r.message.find(o.says), std::string::npos) << r.message;
    EXPECT_NE(r.message.find("PNG, JPEG, BMP, Netpbm (PBM, PGM, PPM), WebP and TIFF"),
              std::string::npos)
        << r.message;
    EXPECT_EQ(r.message.find("\"BM\""), std::string::npos) << r.message;
  }
}

struct Rgb {
  std::uint8_t r, g, b;
};

// The one-bit symbol as a bitmap of `bits` per pixel whose pixels use colour-table entries
// `lightIndex` and `darkIndex`, holding the given colours; the other entries are unused reds.
Bytes Indexed(const testutil::OneBitPicture& symbol, int bits, int lightIndex, Rgb light,
              int darkIndex, Rgb dark) {
  const int entries = 1 << bits;
  const int stride = ((symbol.width * bits + 31) / 32) * 4;
  const std::uint32_t offset = 54 + 4 * entries;
  Bytes f(offset + static_cast<std::size_t>(stride) * symbol.height, 0);
  auto put32 = [&f](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  f[0] = 'B';
  f[1] = 'M';
  put32(2, static_cast<std::uint32_t>(f.size()));
  put32(10, offset);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(symbol.width));
  put32(22, static_cast<std::uint32_t>(symbol.height));
  f[26] = 1;
  f[28] = static_cast<std::uint8_t>(bits);
  for (int i = 0; i < entries; ++i) {
    const Rgb c = i == lightIndex ? light : i == darkIndex ? dark : Rgb{200, 0, 0};
    f[54 + 4 * i] = c.b;
    f[55 + 4 * i] = c.g;
    f[56 + 4 * i] = c.r;
  }
  for (int row = 0; row < symbol.height; ++row) {
    std::uint8_t* line = &f[offset + static_cast<std::size_t>(symbol.height - 1 - row) * stride];
    for (int col = 0; col < symbol.width; ++col) {
      const unsigned index = symbol.dark(row, col) ? darkIndex : lightIndex;
      const int bit = col * bits;
      line[bit / 8] |= static_cast<std::uint8_t>(index << (8 - bits - bit % 8));
    }
  }
  return f;
}

TEST(PictureFormats, ColourTablesAreReadByTheirColours) {
  const std::string text = "judged by colour";
  const testutil::OneBitPicture symbol(Symbol(text, 3, 2, 3));
  const struct {
    Rgb light, dark;
    bool decodes;
  } kTables[] = {
      {{255, 255, 255}, {0, 0, 0}, true},
      {{255, 255, 255}, {1, 1, 1}, true},
      {{255, 255, 255}, {80, 80, 80}, true},
      {{230, 230, 230}, {140, 140, 140}, true},  // darker entry dark, though above the threshold
      {{255, 255, 0}, {0, 0, 128}, true},        // light yellow has no blue, dark blue has much
      {{0, 0, 0}, {0, 0, 0}, false},             // both black: nothing to see
      {{255, 255, 255}, {255, 255, 255}, false},
      {{210, 210, 210}, {200, 200, 200}, false},  // nearly equal
  };
  for (const int bits : {1, 4, 8}) {
    for (const auto& t : kTables) {
      // Either entry may be the dark one.
      for (const bool darkFirst : {false, true}) {
        const Bytes file =
            Indexed(symbol, bits, darkFirst ? 1 : 0, t.light, darkFirst ? 0 : 1, t.dark);
        const DecodeResult r = FromBytes(file);
        const std::string what = std::to_string(bits) + " bits, dark (" + std::to_string(t.dark.r) +
                                 "," + std::to_string(t.dark.g) + "," + std::to_string(t.dark.b) +
                                 ")" + (darkFirst ? " first" : " second");
        if (t.decodes) {
          EXPECT_TRUE(r.ok()) << what << ": " << r.message;
          EXPECT_EQ(r.bytes, text) << what;
        } else {
          EXPECT_EQ(r.status, DecodeStatus::NoSymbolFound) << what;
          EXPECT_TRUE(r.bytes.empty()) << what;
        }
      }
    }
  }
}

// A bitmap header (14 + 40 bytes) claiming the given picture.
Bytes BitmapHeader(std::int32_t width, std::int32_t height, int bits) {
  testutil::OneBitPicture small(Symbol("x", 1, 0, 1));
  Bytes head(small.file.begin(), small.file.begin() + 62);
  for (int i = 0; i < 4; ++i) {
    head[18 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(width) >> (8 * i));
    head[22 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(height) >> (8 * i));
  }
  head[28] = static_cast<std::uint8_t>(bits);
  return head;
}

TEST(PictureFormats, HeadersClaimingTooMuchAreRefusedBeforeTheFileIsRead) {
  testutil::TempDir dir;
  Bytes png = testutil::ReadBytes(CorpusDir("png") + "/huge-claim.png");
  png.resize(64);
  Bytes jpeg = testutil::ReadBytes(CorpusDir("jpeg") + "/huge-claim.jpg");
  const long long kLarge = 400LL << 20;  // sparse: nothing is stored
  const struct {
    const char* name;
    Bytes head;
    long long size;
    const char* says;
  } kClaims[] = {
      {"a.png", png, kLarge, "100000 x 100000 pixels"},
      {"b.png", png, 1024, "100000 x 100000 pixels"},
      {"c.jpg", jpeg, kLarge, "60000 x 60000 pixels"},
      {"d.bmp", BitmapHeader(20000, 5000, 32), kLarge, "20000 x 5000 pixels"},
      {"e.bmp", BitmapHeader(10000, 10000, 32), 1024, "pixel array is truncated"},
  };
  for (const auto& c : kClaims) {
    const std::string path = dir / c.name;
    testutil::WriteBytes(path, c.head);
    ASSERT_EQ(::truncate(path.c_str(), c.size), 0);
    const long long before = BytesRead();
    const DecodeResult r = testutil::DecodeFirst(path);
    const long long read = BytesRead() - before;
    EXPECT_EQ(r.status, DecodeStatus::FileUnreadable) << c.name;
    EXPECT_NE(r.message.find(c.says), std::string::npos) << r.message;
    EXPECT_LT(read, 1 << 20) << c.name << " was read";
  }
}

}  // namespace
}  // namespace pdf417
