// WebP and TIFF pictures, written here with libwebp's and libtiff's own writers: every kind decodes
// to the exact bytes of its symbols, each TIFF page's symbols tagged with the page in page order;
// damaged files are refused with a message, and headers claiming more pixels than the limit are
// refused before any pixel is decoded.
#include <gtest/gtest.h>
#include <tiffio.h>
#include <webp/encode.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "pdf417/decoder/decoder.h"
#include "pdf417/decoder/load/picture_load.h"
#include "pdf417/decoder/load/shared_library.h"
#include "pdf417/encoder/encoder.h"
#include "test_util.h"

namespace pdf417 {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A symbol drawn `scale` times larger, or a blank page.
GreyImage Picture(const std::string& text, int scale = 2) {
  const Bytes bmp = EncodePdf417ToImage(reinterpret_cast<const std::uint8_t*>(text.data()),
                                        static_cast<int>(text.size()), 4, 2, 2);
  const GreyImage one = LoadPicture(bmp.data(), bmp.size());
  GreyImage big(one.width * scale, one.height * scale);
  for (int y = 0; y < big.height; ++y) {
    for (int x = 0; x < big.width; ++x) {
      big.pixels[static_cast<std::size_t>(y * big.width + x)] =
          one.pixels[static_cast<std::size_t>((y / scale) * one.width + x / scale)];
    }
  }
  return big;
}

GreyImage Blank() {
  GreyImage white(300, 120);
  white.pixels.assign(white.pixels.size(), 255);
  return white;
}

enum class Kind { Grey, Rgb, OneBit };

struct Page {
  GreyImage picture;
  Kind kind = Kind::Grey;
  std::uint16_t compression = COMPRESSION_NONE;
  bool bottomUp = false;
};

Bytes Tiff(const std::vector<Page>& pages) {
  testutil::TempDir dir;
  const std::string path = dir / "picture.tif";
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  EXPECT_NE(tif, nullptr);
  for (std::size_t n = 0; n < pages.size(); ++n) {
    const Page& p = pages[n];
    const int w = p.picture.width;
    const int h = p.picture.height;
    const int samples = p.kind == Kind::Rgb ? 3 : 1;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, p.kind == Kind::OneBit ? 1 : 8);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                 p.kind == Kind::Rgb      ? PHOTOMETRIC_RGB
                 : p.kind == Kind::OneBit ? PHOTOMETRIC_MINISWHITE
                                          : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, p.compression);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, p.bottomUp ? ORIENTATION_BOTLEFT : ORIENTATION_TOPLEFT);
    if (pages.size() > 1) {
      TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
      TIFFSetField(tif, TIFFTAG_PAGENUMBER, static_cast<int>(n), static_cast<int>(pages.size()));
    }
    std::vector<std::uint8_t> row(static_cast<std::size_t>(w) * samples);
    for (int r = 0; r < h; ++r) {
      const std::uint8_t* grey =
          p.picture.pixels.data() + static_cast<std::size_t>(p.bottomUp ? h - 1 - r : r) * w;
      std::fill(row.begin(), row.end(), 0);
      for (int x = 0; x < w; ++x) {
        if (p.kind == Kind::OneBit) {
          if (grey[x] < 128) row[static_cast<std::size_t>(x / 8)] |= 0x80 >> (x % 8);
        } else {
          for (int s = 0; s < samples; ++s)
            row[static_cast<std::size_t>(x * samples + s)] = grey[x];
        }
      }
      EXPECT_EQ(TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(r), 0), 1);
    }
    EXPECT_EQ(TIFFWriteDirectory(tif), 1);
  }
  TIFFClose(tif);
  return testutil::ReadBytes(path);
}

enum class WebpKind { Lossless, Lossy, Alpha };

Bytes Webp(const GreyImage& picture, WebpKind kind) {
  const int channels = kind == WebpKind::Alpha ? 4 : 3;
  std::vector<std::uint8_t> pixels;
  for (const std::uint8_t g : picture.pixels) {
    if (kind == WebpKind::Alpha) {
      // Dark bars opaque, the ground fully transparent: composited on white.
      pixels.insert(pixels.end(), {0, 0, 0, static_cast<std::uint8_t>(255 - g)});
    } else {
      pixels.insert(pixels.end(), {g, g, g});
    }
  }
  std::uint8_t* out = nullptr;
  const int stride = picture.width * channels;
  const std::size_t size =
      kind == WebpKind::Lossless
          ? WebPEncodeLosslessRGB(pixels.data(), picture.width, picture.height, stride, &out)
      : kind == WebpKind::Lossy
          ? WebPEncodeRGB(pixels.data(), picture.width, picture.height, stride, 80, &out)
          : WebPEncodeLosslessRGBA(pixels.data(), picture.width, picture.height, stride, &out);
  Bytes bytes(out, out + size);
  WebPFree(out);
  return bytes;
}

// A symbol expected on a page, drawn in `picture`, where it must be found again.
struct Symbol {
  int page;
  const GreyImage* picture;
};

DecodeResult FromPixels(const GreyImage& picture) {
  return Decode(
             ImageView{picture.pixels.data(), picture.width, picture.height, 0, PixelFormat::Grey8})
      .front();
}

TEST(WebpTiff, EveryKindDecodesToItsSymbolsOnTheirPages) {
  const GreyImage a = Picture("first page: WebP and TIFF 0123456789");
  const GreyImage b = Picture("third page \x01\xff bytes", 3);
  // Taller than a band of rows read at once: the bands of a bottom-up file go bottom first.
  const GreyImage tall = Picture("bottom up", 6);
  const struct {
    const char* name;
    Bytes file;
    std::vector<Symbol> expected;
  } kCases[] = {
      {"WebP lossless", Webp(a, WebpKind::Lossless), {{0, &a}}},
      {"WebP lossy", Webp(b, WebpKind::Lossy), {{0, &b}}},
      {"WebP alpha", Webp(a, WebpKind::Alpha), {{0, &a}}},
      {"TIFF grey", Tiff({{a}}), {{0, &a}}},
      {"TIFF RGB LZW", Tiff({{b, Kind::Rgb, COMPRESSION_LZW}}), {{0, &b}}},
      {"TIFF one-bit deflate bottom-up",
       Tiff({{tall, Kind::OneBit, COMPRESSION_ADOBE_DEFLATE, true}}),
       {{0, &tall}}},
      {"TIFF three pages, the second blank",
       Tiff({{a, Kind::Grey, COMPRESSION_LZW},
             {Blank(), Kind::OneBit, COMPRESSION_CCITTFAX4},
             {b, Kind::Rgb, COMPRESSION_ADOBE_DEFLATE}}),
       {{0, &a}, {2, &b}}},
  };
  for (const auto& c : kCases) {
    const std::vector<DecodeResult> results = Decode(c.file.data(), c.file.size());
    ASSERT_EQ(results.size(), c.expected.size()) << c.name << ": " << results.front().message;
    const int pages = std::string(c.name).find("three") != std::string::npos ? 3 : 1;
    for (std::size_t i = 0; i < results.size(); ++i) {
      EXPECT_TRUE(results[i].ok()) << c.name << ": " << results[i].message;
      const DecodeResult drawn = FromPixels(*c.expected[i].picture);
      ASSERT_TRUE(drawn.ok()) << drawn.message;
      EXPECT_EQ(results[i].bytes, drawn.bytes) << c.name;
      EXPECT_EQ(results[i].page, c.expected[i].page) << c.name;
      // Where it is drawn: rows in their places, whatever order the file keeps them in.
      ASSERT_EQ(results[i].corners.size(), drawn.corners.size()) << c.name;
      for (std::size_t k = 0; k < drawn.corners.size(); ++k) {
        EXPECT_NEAR(results[i].corners[k].y, drawn.corners[k].y, 2) << c.name;
        EXPECT_NEAR(results[i].corners[k].x, drawn.corners[k].x, 2) << c.name;
      }
      EXPECT_EQ(results[i].pages, pages) << c.name;
    }
  }
  // The three pages through a file, and the first symbol alone when one is asked for.
  testutil::TempDir dir;
  const std::string path = dir / "pages.tiff";
  testutil::WriteBytes(path, Tiff({{Blank()}, {b}, {a}}));
  const std::vector<DecodeResult> all = Decode(path);
  ASSERT_EQ(all.size(), 2u) << all.front().message;
  EXPECT_EQ(std::make_pair(all[0].page, all[1].page), std::make_pair(1, 2));
  DecodeOptions first;
  first.maxSymbols = 1;
  const std::vector<DecodeResult> one = Decode(path, first);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].bytes, "third page \x01\xff bytes");
  EXPECT_EQ(one[0].page, 1);
}

TEST(WebpTiff, DamagedAndOversizedFilesAreRefused) {
  const GreyImage a = Picture("refused");
  const Bytes webp = Webp(a, WebpKind::Lossless);
  const Bytes tiff = Tiff({{a, Kind::Grey, COMPRESSION_LZW}});
  const auto cut = [](Bytes b, std::size_t keep) {
    b.resize(keep);
    return b;
  };
  const auto spoil = [](Bytes b, std::size_t from) {
    for (std::size_t i = from; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i * 37);
    return b;
  };
  // A lossless WebP's header after its chunk tag: 14 bits of width - 1, 14 of height - 1.
  Bytes huge = cut(webp, 40);
  const std::uint32_t sides = 8999u | (8999u << 14) | (huge[24] & 0xf0u) << 24;
  for (int i = 0; i < 4; ++i) huge[static_cast<std::size_t>(21 + i)] = (sides >> (8 * i)) & 0xff;
  // A TIFF of 4,000 x 4,000 whose pixels are a few bytes of nothing.
  testutil::TempDir dir;
  const std::string big = dir / "big.tif";
  TIFF* tif = TIFFOpen(big.c_str(), "w");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 4000);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 4000);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 4000);
  std::uint8_t nothing[4] = {1, 2, 3, 4};
  TIFFWriteRawStrip(tif, 0, nothing, sizeof nothing);
  TIFFClose(tif);

  const struct {
    const char* name;
    Bytes file;
    std::int64_t maxPixels;
    const char* says;
  } kCases[] = {
      {"WebP cut short", cut(webp, webp.size() / 2), 0, "not a readable WebP"},
      {"WebP spoilt", spoil(webp, 30), 0, "not a readable WebP"},
      {"WebP too large", huge, 1'000'000, "pixel limit"},
      {"WebP over a lowered limit", webp, 1'000, "pixel limit"},
      {"TIFF cut short", cut(tiff, tiff.size() / 2), 0, "not a readable TIFF"},
      {"TIFF spoilt", spoil(tiff, 8), 0, "not a readable TIFF"},
      {"TIFF too large", testutil::ReadBytes(big), 1'000'000, "pixel limit"},
  };
  for (const auto& c : kCases) {
    DecodeOptions options;
    if (c.maxPixels > 0) options.maxPixels = c.maxPixels;
    const std::vector<DecodeResult> results = Decode(c.file.data(), c.file.size(), options);
    ASSERT_EQ(results.size(), 1u) << c.name;
    EXPECT_EQ(results[0].status, DecodeStatus::FileUnreadable) << c.name;
    EXPECT_NE(results[0].message.find(c.says), std::string::npos)
        << c.name << ": " << results[0].message;
  }
}

// The WebP and TIFF loaders open their libraries when the first such file is read: a library or
// function that is missing is an error naming it, not a crash.
TEST(WebpTiff, LibrariesOpenedWhenNeededNameWhatIsMissing) {
  std::string error;
  EXPECT_EQ(OpenLibrary("libpdf417-none.so.0", error), nullptr);
  EXPECT_NE(error.find("libpdf417-none.so.0 could not be loaded"), std::string::npos) << error;
  error.clear();
  void* c = OpenLibrary("libc.so.6", error);
  ASSERT_NE(c, nullptr) << error;
  std::size_t (*length)(const char*) = nullptr;
  FindFunction(c, "libc.so.6", "strlen", length, error);
  ASSERT_NE(length, nullptr);
  EXPECT_EQ(length("four"), 4u);
  EXPECT_TRUE(error.empty()) << error;
  int (*none)() = nullptr;
  FindFunction(c, "libc.so.6", "pdf417_none", none, error);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(error, "libc.so.6 has no pdf417_none");
}

}  // namespace
}  // namespace pdf417
