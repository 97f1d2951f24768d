// Column grids and cell reading for modules that are not a whole number of pixels wide. The
// pictures are the encoder's symbols (one pixel per module) stretched the way a scaling writer
// stretches them: pixel column x shows module floor((x - offset) / module).
#include "pdf417/decoder/classic/fine_grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "pdf417/common/patterns.h"
#include "pdf417/decoder/classic/bin_bmp.h"
#include "pdf417/decoder/classic/row_col_detect.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/stages.h"

namespace pdf417 {
namespace {

// A picture whose pixel column x shows source column floor((x - offset) / module); columns
// left of offset are white, and the picture ends at `width` (which may cut the last module).
BitMatrix Stretch(const BitMatrix& source, double module, double offset, std::int32_t width) {
  BitMatrix out(width, source.Height());
  for (std::int32_t x = 0; x < width; ++x) {
    const double at = (x - offset) / module;
    if (at < 0.0) continue;
    const auto from = static_cast<std::int32_t>(std::floor(at));
    for (std::int32_t y = 0; y < source.Height(); ++y) {
      if (source.IsDark(y, from)) out.SetDark(y, x);
    }
  }
  return out;
}

// The 17 modules of a codeword, leftmost first.
std::vector<bool> Modules(int cluster, int codeword) {
  const std::int32_t value = PatternValueOf(cluster, codeword);
  std::vector<bool> modules;
  for (int bit = 16; bit >= 0; --bit) modules.push_back(((value >> bit) & 1) != 0);
  return modules;
}

TEST(ReadCellByEdges, ReadsEveryPatternAtFractionalWidthsAndPhases) {
  for (const double module : {1.2, 1.5, 2.6}) {
    for (const double phase : {0.0, 0.3, 0.55, 0.8}) {
      for (int cluster = 0; cluster < kClusterCount; ++cluster) {
        for (int codeword = cluster; codeword < kCodewordCount; codeword += 5) {
          // A white margin, the codeword's 17 modules, then the next codeword's first bar.
          std::vector<bool> source(4, false);
          for (const bool m : Modules(cluster, codeword)) source.push_back(m);
          source.push_back(true);
          const double start = 4 * module + phase;
          const auto width = static_cast<std::int32_t>(std::ceil(22 * module + phase)) + 2;
          BitMatrix picture(width, 3);
          for (std::int32_t x = 0; x < width; ++x) {
            const auto at = static_cast<std::size_t>(std::floor((x - phase) / module));
            if (x >= phase && at < source.size() && source[at]) {
              for (std::int32_t y = 0; y < 3; ++y) picture.SetDark(y, x);
            }
          }
          const auto first = static_cast<std::int32_t>(std::ceil(start));
          const auto next = static_cast<std::int32_t>(std::ceil(start + 17 * module));
          const CellReading cell = ReadCellByEdges(
              picture, AryRegion{0, 2, 2}, AryRegion{first, next - 1, 0}, cluster, start, module);
          ASSERT_EQ(cell.codeword, codeword)
              << "cluster " << cluster << ", module " << module << ", phase " << phase;
          EXPECT_EQ(cell.edges[0], first);
          EXPECT_EQ(cell.boundaries[0], 0);
        }
      }
    }
  }
}

TEST(ReadCellByEdges, CellsWithoutFourBarsAreUnreadable) {
  BitMatrix picture(40, 3);
  const AryRegion rows{0, 2, 2};
  EXPECT_EQ(ReadCellByEdges(picture, rows, AryRegion{0, 39, 39}, 0, 0.0, 2.0).codeword, -1);
  for (std::int32_t y = 0; y < 3; ++y) {
    for (std::int32_t x = 0; x < 40; x += 4) picture.SetDark(y, x);  // ten bars
  }
  EXPECT_EQ(ReadCellByEdges(picture, rows, AryRegion{0, 39, 39}, 0, 0.0, 2.0).codeword, -1);
  // A module narrower than a pixel cannot be read.
  EXPECT_EQ(ReadCellByEdges(picture, rows, AryRegion{0, 16, 16}, 0, 0.0, 0.5).codeword, -1);
}

// The encoder's symbol of the given shape, one pixel per module, and its codewords.
struct Symbol {
  CodewordSequence codewords;
  BitMatrix image;
  int columns = 0;
};

Symbol Draw(const std::string& text, int columns, int level, int aspect) {
  Symbol s;
  s.columns = columns;
  CompactBytes(reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<int>(text.size()),
               columns, level, s.codewords);
  AppendErrorCorrection(level, s.codewords);
  const std::vector<std::uint8_t> file = RenderSymbolImage(columns, level, s.codewords, aspect);
  BinBMP loaded;
  loaded.LoadBytes(file.data(), file.size());
  s.image = MatrixOf(loaded);
  return s;
}

// Fits grids to a picture the way the decoder does and reads the first one.
std::vector<ColumnGrid> Grids(const BitMatrix& picture, std::vector<AryRegion>& rows) {
  RowColDetect locator(picture);
  locator.FindBounds();
  locator.FindRows();
  rows.clear();
  for (locator.rowRegions.Reset(0); !locator.rowRegions.AtEnd(); locator.rowRegions.Advance()) {
    rows.push_back(locator.rowRegions.Data());
  }
  return FitColumnGrids(ColumnDarkRuns(locator.columnCounts, locator.leftCol, locator.rightCol), 2);
}

TEST(FitColumnGrids, StretchedSymbolsReadBackTheirCodewords) {
  struct Case {
    int columns;
    int level;
    double module;
    double offset;
  };
  const Case cases[] = {{5, 2, 1.2, 3.0},  {1, 1, 1.25, 2.4}, {12, 3, 1.5, 5.5},
                        {30, 1, 1.1, 2.2}, {8, 4, 2.6, 7.3},  {3, 0, 3.7, 4.1}};
  for (const Case& c : cases) {
    const Symbol s = Draw("Stretched symbol, read by its edges 0123456789", c.columns, c.level, 3);
    const auto width =
        static_cast<std::int32_t>(std::floor(s.image.Width() * c.module + 2 * c.offset));
    const BitMatrix picture = Stretch(s.image, c.module, c.offset, width);
    std::vector<AryRegion> rows;
    const std::vector<ColumnGrid> grids = Grids(picture, rows);
    ASSERT_FALSE(grids.empty()) << "module " << c.module;
    const ColumnGrid& grid = grids.front();
    EXPECT_EQ(grid.regions.Size(), c.columns + 4);
    EXPECT_NEAR(grid.module, c.module, 0.01);
    EXPECT_DOUBLE_EQ(grid.score, 1.0);
    ASSERT_EQ(rows.size() * static_cast<std::size_t>(c.columns), s.codewords.size());

    const std::vector<std::vector<std::int32_t>> read = ReadGridByEdges(picture, rows, grid);
    ASSERT_EQ(read.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      ASSERT_EQ(read[i].size(), static_cast<std::size_t>(c.columns + 4));
      EXPECT_EQ(read[i].front(), -1);
      EXPECT_EQ(read[i].back(), -1);
      EXPECT_GE(read[i][1], 0);
      EXPECT_GE(read[i][static_cast<std::size_t>(c.columns + 2)], 0);
      for (int j = 0; j < c.columns; ++j) {
        EXPECT_EQ(
            read[i][static_cast<std::size_t>(j + 2)],
            s.codewords[i * static_cast<std::size_t>(c.columns) + static_cast<std::size_t>(j)])
            << "module " << c.module << ", row " << i << ", column " << j;
      }
    }
  }
}

TEST(FitColumnGrids, AStopPatternCutShortStillEndsTheGrid) {
  // A writer that rounds the picture's width down can drop the stop pattern's last bar.
  const Symbol s = Draw("cut short", 4, 1, 4);
  const double module = 1.2;
  const BitMatrix full = Stretch(s.image, module, 0.0, s.image.Width() * 6 / 5 + 2);
  std::int32_t lastBar = s.image.Width() - 1;
  const auto dark = [&s](std::int32_t x) {
    for (std::int32_t y = 0; y < s.image.Height(); ++y) {
      if (s.image.IsDark(y, x)) return true;
    }
    return false;
  };
  while (lastBar > 0 && !dark(lastBar)) --lastBar;
  const auto keep = static_cast<std::int32_t>(std::ceil(lastBar * module));
  BitMatrix cut(full.Width(), full.Height());
  for (std::int32_t y = 0; y < full.Height(); ++y) {
    for (std::int32_t x = 0; x < keep; ++x) {
      if (full.IsDark(y, x)) cut.SetDark(y, x);
    }
  }
  std::vector<AryRegion> rows;
  const std::vector<ColumnGrid> grids = Grids(cut, rows);
  ASSERT_FALSE(grids.empty());
  EXPECT_EQ(grids.front().regions.Size(), 8);
  EXPECT_NEAR(grids.front().module, module, 0.01);
}

TEST(FitColumnGrids, RunsThatMakeNoSymbolGiveNoGrid) {
  EXPECT_TRUE(FitColumnGrids({}, 2).empty());
  EXPECT_TRUE(FitColumnGrids({{10, 17, 8}, {19, 19, 1}}, 2).empty());
  // A start pattern but nothing wide enough to be a stop pattern after it.
  EXPECT_TRUE(
      FitColumnGrids({{10, 17, 8}, {19, 19, 1}, {21, 21, 1}, {23, 23, 1}, {27, 28, 2}}, 2).empty());
  EXPECT_TRUE(FitColumnGrids({{10, 17, 8}, {19, 19, 1}, {21, 21, 1}}, 0).empty());
}

}  // namespace
}  // namespace pdf417
