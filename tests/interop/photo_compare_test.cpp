// Our decoder against zxing-cpp's reader (a black box) on the same photo-like pictures, class by
// class, with symbols from our encoder and from zint's command-line tool.
#include <ZXing/BarcodeFormat.h>
#include <ZXing/DecodeHints.h>
#include <ZXing/ImageView.h>
#include <ZXing/ReadBarcode.h>
#include <ZXing/Result.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "decode_util.h"
#include "decoder/photo_fixtures.h"
#include "pdf417/decoder/decoder.h"
#include "test_util.h"

namespace {

using phototest::PhotoClass;

// Whether our reader reads the picture's symbol; in a picture of two, both (with DecodeAll).
bool OursReads(const phototest::Photo& p) {
  pdf417::ImageView view;
  view.data = p.image.pixels.data();
  view.width = p.image.width;
  view.height = p.image.height;
  if (!p.second.empty()) {
    const std::vector<pdf417::DecodeResult> all = pdf417::Decode(view);
    return all.size() == 2 && all[0].bytes == p.data && all[1].bytes == p.second;
  }
  const pdf417::DecodeResult r = testutil::DecodeFirst(view);
  return r.ok() && r.bytes == p.data;
}

// The same for zxing-cpp's reader: in a picture of two, both in any order.
bool ZxingReads(const phototest::Photo& p) {
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::PDF417);
  const ZXing::ImageView image(p.image.pixels.data(), p.image.width, p.image.height,
                               ZXing::ImageFormat::Lum);
  const ZXing::Results results = p.second.empty() ? ZXing::Results{ZXing::ReadBarcode(image, hints)}
                                                  : ZXing::ReadBarcodes(image, hints);
  bool first = false;
  bool second = p.second.empty();
  for (const ZXing::Result& r : results) {
    const std::string bytes(r.bytes().begin(), r.bytes().end());
    first = first || (r.isValid() && bytes == p.data);
    second = second || (r.isValid() && bytes == p.second);
  }
  return first && second;
}

// zint's symbol for the data, one pixel per module, as a module grid.
bool ZintGrid(const std::string& data, int columns, int level, phototest::ModuleGrid& grid) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path();
  const std::string input = dir / ("pdf417_photo_" + std::to_string(::getpid()) + ".dat");
  const std::string output = dir / ("pdf417_photo_" + std::to_string(::getpid()) + ".bmp");
  testutil::WriteBytes(input, std::vector<std::uint8_t>(data.begin(), data.end()));
  const std::string command =
      "zint -b 55 --filetype=bmp --binary --input=" + testutil::ShellQuote(input) + " -o " +
      testutil::ShellQuote(output) + " --secure=" + std::to_string(level) +
      " --cols=" + std::to_string(columns) + " --scale=0.5 >/dev/null 2>&1";
  const bool drawn = std::system(command.c_str()) == 0;
  std::filesystem::remove(input);
  if (!drawn) return false;
  pdf417::BinBMP image;
  try {
    image.LoadFile(output);
  } catch (...) {
    std::filesystem::remove(output);
    return false;
  }
  std::filesystem::remove(output);
  // A quiet zone of two modules around zint's symbol.
  grid.width = image.width + 4;
  grid.height = image.height + 4;
  grid.dark.assign(static_cast<std::size_t>(grid.width) * static_cast<std::size_t>(grid.height),
                   false);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      grid.dark[static_cast<std::size_t>(y + 2) * static_cast<std::size_t>(grid.width) +
                static_cast<std::size_t>(x + 2)] = !image.IsWhite(y, x);
    }
  }
  return true;
}

constexpr int kPerClass = 8;

// Counts per class for both readers, symbols turned by any angle and near upright; ours must
// read at least as many as zxing-cpp in every class but one picture's worth of luck.
TEST(PhotoCompare, EachClassAgainstZxing) {
  int oursTotal = 0;
  int zxingTotal = 0;
  for (const bool upright : {false, true})
    for (const PhotoClass c : phototest::kAllClasses) {
      if (upright && c == PhotoClass::Rotated10To80) continue;
      int ours = 0;
      int zxing = 0;
      for (int n = 0; n < kPerClass; ++n) {
        const phototest::Photo p = phototest::MakePhoto(c, n, upright);
        ours += OursReads(p);
        zxing += ZxingReads(p);
      }
      const std::string name = std::string(phototest::ClassName(c)) + (upright ? ", upright" : "");
      std::printf("%-24s ours %2d, zxing-cpp %2d of %d\n", name.c_str(), ours, zxing, kPerClass);
      RecordProperty("ours " + name, ours);
      RecordProperty("zxing " + name, zxing);
      EXPECT_GE(ours + 1, zxing) << name;
      oursTotal += ours;
      zxingTotal += zxing;
    }
  EXPECT_GE(oursTotal, zxingTotal);
}

// zint's symbols turned by any angle, blurred and unevenly lit.
TEST(PhotoCompare, ZintSymbolsTurnedAndLit) {
  if (!testutil::ZintInstalled()) GTEST_SKIP() << "the zint command-line tool is not installed";
  std::mt19937 rng(29);
  std::uniform_real_distribution<double> unit(0, 1);
  int ours = 0;
  int zxing = 0;
  for (int n = 0; n < kPerClass; ++n) {
    phototest::Photo p;
    const int length = 10 + static_cast<int>(rng() % 80);
    for (int i = 0; i < length; ++i) p.data.push_back(static_cast<char>(rng()));
    phototest::ModuleGrid grid;
    ASSERT_TRUE(
        ZintGrid(p.data, 3 + static_cast<int>(rng() % 5), 2 + static_cast<int>(rng() % 3), grid));
    phototest::PhotoConditions s;
    s.module = 2.5 + 1.5 * unit(rng);
    s.angle = 360 * unit(rng);
    s.blur = 0.5 + 0.7 * unit(rng);
    s.gradient = 0.4 * unit(rng);
    s.noise = 4;
    p.image = phototest::RenderPhoto(grid, s, rng, &p.corners);
    ours += OursReads(p);
    zxing += ZxingReads(p);
  }
  std::printf("%-24s ours %2d, zxing-cpp %2d of %d\n", "zint symbols", ours, zxing, kPerClass);
  EXPECT_GE(ours + 1, zxing);
  EXPECT_GE(ours, kPerClass * 3 / 4);
}

}  // namespace
