// The word-at-a-time line readers against the pixels they read: rows and stretches of rows cut
// into runs, the matrix upside down and turned over its diagonal, and its diagonals as rows.
#include "pdf417/decoder/binarize/runs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "pdf417/decoder/binarize/picture.h"

namespace pdf417 {
namespace {

BitMatrix RandomMatrix(std::mt19937& rng, int w, int h) {
  BitMatrix m(w, h);
  // Runs of random length, so that lines hold long and short runs alike.
  bool dark = false;
  int left = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (left-- <= 0) {
        dark = !dark;
        left = static_cast<int>(rng() % 9);
      }
      m.SetDark(y, x, dark);
    }
  }
  return m;
}

// The pixels the runs spell, one a sample.
std::vector<bool> Spelled(const std::vector<Run>& runs) {
  std::vector<bool> out;
  for (const Run& r : runs) {
    EXPECT_GT(r.length, 0);
    EXPECT_EQ(r.begin, static_cast<int>(out.size()));
    if (!out.empty()) {
      EXPECT_NE(out.back(), r.dark);  // runs alternate
    }
    out.insert(out.end(), static_cast<std::size_t>(r.length), r.dark);
  }
  return out;
}

TEST(LineReaders, RowsTransposesAndDiagonalsHoldTheMatrixPixels) {
  std::mt19937 rng(3);
  for (const auto& [w, h] : {std::pair{1, 1}, {7, 3}, {64, 5}, {65, 9}, {130, 67}, {9, 140}}) {
    const BitMatrix m = RandomMatrix(rng, w, h);
    std::vector<pdf417::Run> runs;
    for (int y = 0; y < h; ++y) {
      RowRuns(m, y, runs);
      const std::vector<bool> row = Spelled(runs);
      ASSERT_EQ(static_cast<int>(row.size()), w);
      for (int x = 0; x < w; ++x) ASSERT_EQ(row[static_cast<std::size_t>(x)], m.IsDark(y, x));
      // A stretch of the row, its ends anywhere (clipped to the row), begins counted in the row.
      for (int k = 0; k < 4; ++k) {
        const int from = static_cast<int>(rng() % (w + 2)) - 1;
        const int to = from + static_cast<int>(rng() % (w + 2));
        RowRunsBetween(m, y, from, to, runs);
        const int a = std::max(from, 0);
        const int b = std::min(to, w);
        if (a >= b) {
          ASSERT_TRUE(runs.empty());
          continue;
        }
        ASSERT_EQ(runs.front().begin, a);
        for (pdf417::Run& r : runs) r.begin -= a;
        const std::vector<bool> stretch = Spelled(runs);
        ASSERT_EQ(static_cast<int>(stretch.size()), b - a);
        for (int x = a; x < b; ++x) {
          ASSERT_EQ(stretch[static_cast<std::size_t>(x - a)], m.IsDark(y, x)) << from << " " << to;
        }
      }
    }
    const BitMatrix upsideDown = ReversedRows(m);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) ASSERT_EQ(upsideDown.IsDark(h - 1 - y, x), m.IsDark(y, x));
    }
    const BitMatrix t = Transposed(m);
    ASSERT_EQ(t.Width(), h);
    ASSERT_EQ(t.Height(), w);
    const BitMatrix rising = DiagonalRows(m, false);
    const BitMatrix falling = DiagonalRows(m, true);
    ASSERT_EQ(rising.Height(), w + h - 1);
    ASSERT_EQ(rising.Width(), h);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        ASSERT_EQ(t.IsDark(x, y), m.IsDark(y, x)) << w << "x" << h;
        ASSERT_EQ(rising.IsDark(x - y + h - 1, y), m.IsDark(y, x)) << w << "x" << h;
        ASSERT_EQ(falling.IsDark(x + y, y), m.IsDark(y, x)) << w << "x" << h;
      }
    }
    // Off the matrix the diagonals are light.
    for (int r = 0; r < w + h - 1; ++r) {
      for (int y = 0; y < h; ++y) {
        const int xr = r - (h - 1) + y;
        const int xf = r - y;
        if (xr < 0 || xr >= w) {
          ASSERT_FALSE(rising.IsDark(r, y));
        }
        if (xf < 0 || xf >= w) {
          ASSERT_FALSE(falling.IsDark(r, y));
        }
      }
    }
  }
}

// Lines of samples (any non-zero value is dark) cut into runs eight samples a step: the runs
// spell the samples back, across word boundaries and at every line length.
TEST(LineReaders, SampleRunsSpellTheSamples) {
  std::mt19937 rng(5);
  std::vector<pdf417::Run> runs;
  for (int count = 0; count <= 140; ++count) {
    for (int trial = 0; trial < 20; ++trial) {
      std::vector<std::uint8_t> samples(static_cast<std::size_t>(count));
      const unsigned longest = 1 + rng() % 20;
      bool dark = rng() % 2 == 0;
      int left = 0;
      for (std::uint8_t& s : samples) {
        if (left-- <= 0) {
          dark = !dark;
          left = static_cast<int>(rng() % longest);
        }
        s = dark ? static_cast<std::uint8_t>(1 + rng() % 255) : 0;
      }
      RunsOf(samples.data(), count, runs);
      const std::vector<bool> spelled = Spelled(runs);
      ASSERT_EQ(spelled.size(), samples.size());
      for (std::size_t k = 0; k < samples.size(); ++k) {
        ASSERT_EQ(spelled[k], samples[k] != 0) << count << " samples, at " << k;
      }
    }
  }
}

}  // namespace
}  // namespace pdf417
