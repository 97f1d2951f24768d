// The options entry's checks, drawing and batch writes, without any reader.
#include "pdf417/encoder/symbol.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "pdf417/common/error.h"
#include "test_util.h"

namespace {

TEST(SymbolOptionsChecks, EachOptionOutsideItsLimitsIsRefusedNamingThem) {
  struct Case {
    void (*change)(pdf417::SymbolOptions&);
    const char* says;
  };
  const Case cases[] = {
      {[](pdf417::SymbolOptions& o) { o.level = 9; }, "0 to 8, got 9"},
      {[](pdf417::SymbolOptions& o) { o.columns = 31; }, "1 to 30, got 31"},
      {[](pdf417::SymbolOptions& o) { o.rows = 2; }, "3 to 90, got 2"},
      {[](pdf417::SymbolOptions& o) { o.eci = 811800; }, "0 to 811799"},
      {[](pdf417::SymbolOptions& o) { o.drawing.moduleWidth = 0; }, "1 to 20, got 0"},
      {[](pdf417::SymbolOptions& o) { o.drawing.rowHeight = 1; }, "2 to 20, got 1"},
      {[](pdf417::SymbolOptions& o) { o.drawing.quietZone = 51; }, "0 to 50"},
      {[](pdf417::SymbolOptions& o) { o.drawing.quarterTurns = 4; }, "0 to 3"},
      {[](pdf417::SymbolOptions& o) {
         o.macro = {true, 3, 3, ""};
       },
       "1 to 3, got 4"},
      {[](pdf417::SymbolOptions& o) {
         o.macro = {true, 0, 2, "9x"};
       },
       "decimal digits"},
      {[](pdf417::SymbolOptions& o) {
         o.macro = {true, 0, 2, "900"};
       },
       "at most 899"},
  };
  for (const Case& c : cases) {
    pdf417::SymbolOptions o;
    c.change(o);
    try {
      pdf417::Encode("x", o);
      ADD_FAILURE() << "accepted: " << c.says;
    } catch (const pdf417::Error& e) {
      EXPECT_EQ(e.code(), pdf417::ErrorCode::InvalidArgument);
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
  }
  pdf417::SymbolOptions fixed;
  fixed.columns = 2;
  fixed.level = 5;
  try {
    pdf417::Encode(std::string(600, 'q'), fixed);
    ADD_FAILURE() << "600 letters in 2 columns at level 5 were accepted";
  } catch (const pdf417::Error& e) {
    EXPECT_NE(std::string(e.what()).find("columns fit"), std::string::npos) << e.what();
  }
}

TEST(SymbolDrawing, TurnsMoveEveryPixelAndColoursAndExtensionsAreKept) {
  pdf417::SymbolOptions o;
  o.drawing.quietZone = 1;
  const pdf417::Symbol up = pdf417::Encode("turn me", o);
  const pdf417::Raster a = pdf417::RasterOf(up);
  EXPECT_EQ(a.width, (up.width + 2) * 2);
  EXPECT_EQ(a.height, (up.rows * up.drawing.rowHeight + 2) * 2);
  EXPECT_GE(up.rows * up.drawing.rowHeight * up.drawing.moduleWidth, 12);  // tall enough to find
  for (int t = 1; t < 4; ++t) {
    pdf417::Symbol turned = up;
    turned.drawing.quarterTurns = t;
    const pdf417::Raster b = pdf417::RasterOf(turned);
    ASSERT_EQ(b.width, t == 2 ? a.width : a.height);
    for (int y = 0; y < a.height; ++y) {
      for (int x = 0; x < a.width; ++x) {
        // Where (x, y) of the upright picture lands after t clockwise quarter turns.
        int bx = x;
        int by = y;
        for (int k = 0; k < t; ++k) {
          const int h = k % 2 == 0 ? a.height : a.width;
          const int nx = h - 1 - by;
          by = bx;
          bx = nx;
        }
        ASSERT_EQ(a.Foreground(x, y), b.Foreground(bx, by)) << t << " " << x << "," << y;
      }
    }
  }
  const std::string svg = pdf417::RenderSvg(up);
  EXPECT_EQ(svg.find("<path", svg.find("<path") + 1), std::string::npos);  // one path
  EXPECT_EQ(pdf417::FormatOfFileName("A.PNG"), pdf417::ImageFormat::Png);
  EXPECT_EQ(pdf417::FormatOfFileName("dir.svg/x.bmp"), pdf417::ImageFormat::Bmp);
  EXPECT_THROW(pdf417::FormatOfFileName("x.jpeg"), pdf417::Error);
  EXPECT_THROW(pdf417::FormatOfFileName("dir.png/x"), pdf417::Error);
}

}  // namespace
