// Shortest compaction: its length against an exhaustive search on short inputs, its codewords
// decompacted back to the data, and the options entry against the classic encoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "pdf417/common/linked_list.h"
#include "pdf417/decoder/decompact/decompact.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/stages.h"
#include "pdf417/encoder/symbol.h"
#include "test_util.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Decompacts data codewords (no descriptor) into bytes.
Bytes Decompacted(const pdf417::CodewordSequence& words) {
  pdf417::LinkedList<int> list;
  list.Append(static_cast<int>(words.size()) + 1);
  for (const int w : words) list.Append(w);
  pdf417::LinkedList<int> out;
  pdf417::Decompact(list, out);
  Bytes bytes;
  for (out.Reset(0); !out.AtEnd(); out.Advance())
    bytes.push_back(static_cast<std::uint8_t>(out.Data()));
  return bytes;
}

// Characters of each text table, as the symbology lists them.
const std::string kTables[4] = {
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ ",
    "abcdefghijklmnopqrstuvwxyz ",
    std::string("0123456789&\r\t,:#-.$/+%*=^") + '\x01' + " ",  // 25 is a latch, not a character
    ";<>@[\\]_`~!\r\t,:\n-.$/\"|*()?{}'",
};
bool InTable(int t, std::uint8_t c) {
  const std::size_t at = kTables[t].find(static_cast<char>(c));
  return at != std::string::npos && !(t == 2 && at == 25);
}
// Values of every way from one sub-mode to another (Alpha, Lower, Mixed, Punctuation).
const int kLatchCost[4][4] = {{0, 1, 1, 2}, {2, 0, 1, 2}, {1, 1, 0, 1}, {1, 2, 2, 0}};

// Codewords of d digits in numeric compaction, by counting base-900 digits of "1" + nines.
int NumericCost(int digits) {
  int total = 0;
  while (digits > 0) {
    const int d = std::min(44, digits);
    digits -= d;
    std::vector<int> decimal(static_cast<std::size_t>(d + 1), 9);
    decimal[0] = 1;
    int words = 0;
    while (!(decimal.size() == 1 && decimal[0] == 0)) {
      std::vector<int> q;
      int r = 0;
      for (const int x : decimal) {
        const int v = r * 10 + x;
        if (!q.empty() || v / 900) q.push_back(v / 900);
        r = v % 900;
      }
      decimal = q.empty() ? std::vector<int>{0} : q;
      ++words;
    }
    total += words;
  }
  return total;
}

// Every way to write the data, tried one by one: each byte in text (any sub-mode reached by
// latches, or by a shift), by a byte shift, in a byte segment or a numeric segment of any
// length. Returns the fewest codewords. Text values are counted in halves.
int BruteForce(const Bytes& data) {
  int best = 1 << 30;
  // In text: sub-mode `sub` with `values` text values not yet paired into codewords.
  std::function<void(std::size_t, bool, int, int, int)> walk = [&](std::size_t i, bool inText,
                                                                   int sub, int values, int words) {
    const int textWords = (values + 1) / 2;
    if (i == data.size()) {
      best = std::min(best, words + textWords);
      return;
    }
    if (!inText) {
      walk(i, true, 0, 0, words + 1);  // 900
    } else {
      const std::uint8_t c = data[i];
      for (int t = 0; t < 4; ++t) {
        if (InTable(t, c)) walk(i + 1, true, t, values + kLatchCost[sub][t] + 1, words);
      }
      if (sub == 1 && InTable(0, c)) walk(i + 1, true, sub, values + 2, words);
      if (sub != 3 && InTable(3, c)) walk(i + 1, true, sub, values + 2, words);
      // 913 and the byte, in any sub-mode latched to first (a latch may fill the pad).
      for (int t = 0; t < 4; ++t) {
        const int v = values + kLatchCost[sub][t];
        const int afterPad = v % 2 == 1 && t == 3 ? 0 : t;
        walk(i + 1, true, afterPad, 0, words + (v + 1) / 2 + 2);
      }
    }
    // A byte or numeric segment of every length from here.
    const int before = words + (inText ? textWords : 0) + 1;
    for (std::size_t j = i + 1; j <= data.size(); ++j) {
      const int n = static_cast<int>(j - i);
      walk(j, false, 0, 0, before + 5 * (n / 6) + n % 6);
      const bool digits =
          std::all_of(data.begin() + static_cast<long>(i), data.begin() + static_cast<long>(j),
                      [](std::uint8_t d) { return d >= '0' && d <= '9'; });
      if (digits) walk(j, false, 0, 0, before + NumericCost(n));
    }
  };
  walk(0, true, 0, 0, 0);
  return best;
}

// Random data drawn from a mix of kinds, so runs of each kind meet.
Bytes MixedData(std::mt19937& rng, std::size_t length) {
  static const std::string kinds[] = {
      "ABCXYZ ", "abcxyz ", "0123456789", "&#-.$/+%*=^:,", ";<>@[]_!\"|()?{}'\n", "\r\t"};
  Bytes out;
  while (out.size() < length) {
    const unsigned kind = rng() % 8;
    const std::size_t run = 1 + rng() % 9;
    for (std::size_t k = 0; k < run && out.size() < length; ++k) {
      if (kind >= 6) {
        out.push_back(static_cast<std::uint8_t>(rng() % 256));
      } else {
        const std::string& set = kinds[kind];
        out.push_back(static_cast<std::uint8_t>(set[rng() % set.size()]));
      }
    }
  }
  return out;
}

TEST(OptimalCompaction, NoLongerThanAnyWayAnExhaustiveSearchFinds) {
  std::mt19937 rng(417);
  for (int trial = 0; trial < 1500; ++trial) {
    const Bytes data = MixedData(rng, 1 + rng() % 6);
    const pdf417::CodewordSequence words = pdf417::CompactOptimal(data.data(), data.size());
    ASSERT_EQ(static_cast<int>(words.size()), BruteForce(data))
        << testutil::ShellQuote(std::string(data.begin(), data.end()));
    ASSERT_EQ(Decompacted(words), data);
  }
}

TEST(OptimalCompaction, DecompactsToTheDataOverRandomMixesAndLengths) {
  std::mt19937 rng(929);
  for (int trial = 0; trial < 400; ++trial) {
    const Bytes data = MixedData(rng, rng() % 600);
    const pdf417::CodewordSequence words = pdf417::CompactOptimal(data.data(), data.size());
    for (const int w : words) ASSERT_TRUE(w >= 0 && w <= 928);
    ASSERT_EQ(Decompacted(words), data) << "trial " << trial;
  }
  // Long digit runs cross the 44-digit groups; every byte value once.
  for (const std::size_t n : {43u, 44u, 45u, 88u, 89u, 500u}) {
    Bytes digits(n);
    for (std::size_t i = 0; i < n; ++i)
      digits[i] = static_cast<std::uint8_t>('0' + (i * 7 + 3) % 10);
    EXPECT_EQ(Decompacted(pdf417::CompactOptimal(digits.data(), n)), digits) << n;
  }
  Bytes all(256);
  for (int i = 0; i < 256; ++i) all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  EXPECT_EQ(Decompacted(pdf417::CompactOptimal(all.data(), all.size())), all);
}

// The fewest codewords for a string of digits, by the textbook segmentation: the data is cut
// into text runs (in Mixed, one value a digit) and numeric segments (902 and the base-900 number
// of each 44-digit group), every cut tried. Byte compaction and byte shifts take more for digits
// than text does, so they are left out. Costs in text values (half codewords).
int FewestForDigits(std::size_t n) {
  constexpr int kFar = 1 << 28;
  // text[i][sub][p]: after i digits in text, sub 0 Alpha (only before any digit in text) or 1
  // Mixed, p the parity of the values; number[i]: a numeric segment ends after digit i.
  std::vector<std::array<std::array<int, 2>, 2>> text(n + 1, {{{kFar, kFar}, {kFar, kFar}}});
  std::vector<int> number(n + 1, kFar);
  std::vector<int> segment(n + 1);  // codewords of a numeric segment of each length
  for (std::size_t j = 1; j <= n; ++j) segment[j] = NumericCost(static_cast<int>(j));
  text[0][0][0] = 0;
  for (std::size_t i = 0; i <= n; ++i) {
    if (i > 0) text[i][0][0] = std::min(text[i][0][0], number[i] + 2);  // 900
    for (int sub = 0; sub < 2; ++sub) {
      for (int p = 0; p < 2; ++p) {
        const int here = text[i][sub][p];
        if (here >= kFar || i == n) continue;
        // The next digit in Mixed (a latch 28 first from Alpha).
        int& next = text[i + 1][1][sub == 0 ? p : p ^ 1];
        next = std::min(next, here + (sub == 0 ? 2 : 1));
        // A numeric segment of every length from here: a pad when odd, then 902.
        for (std::size_t j = i + 1; j <= n; ++j) {
          number[j] = std::min(number[j], here + p + 2 + 2 * segment[j - i]);
        }
      }
    }
  }
  int best = number[n];
  for (int sub = 0; sub < 2; ++sub) {
    for (int p = 0; p < 2; ++p) best = std::min(best, text[n][sub][p] + p);
  }
  return best / 2;
}

TEST(OptimalCompaction, DigitsTakeWhatTheTextbookSegmentationTakes) {
  // Every length up to 140 crosses the 44-digit group boundaries three times; the digits
  // themselves do not change the count.
  std::mt19937 rng(44);
  for (std::size_t n = 1; n <= 140; ++n) {
    Bytes digits(n);
    for (auto& d : digits) d = static_cast<std::uint8_t>('0' + rng() % 10);
    const pdf417::CodewordSequence words = pdf417::CompactOptimal(digits.data(), n);
    ASSERT_EQ(static_cast<int>(words.size()), FewestForDigits(n)) << n << " digits";
    ASSERT_EQ(Decompacted(words), digits) << n << " digits";
  }
}

TEST(SymbolOptions, ByteCompactionGivesTheClassicCodewordsAndModules) {
  std::mt19937 rng(7);
  for (const int columns : {1, 2, 5, 13, 30}) {
    for (const int level : {0, 1, 3, 5}) {
      for (const int length : {1, 6, 7, 40, 200}) {
        Bytes data(static_cast<std::size_t>(length));
        for (auto& b : data) b = static_cast<std::uint8_t>(rng());
        pdf417::CodewordSequence classic;
        try {
          classic = pdf417::BuildCodewords(data.data(), length, columns, level, 3);
        } catch (const pdf417::Error&) {
          continue;  // does not fit: the other entry refuses it too
        }
        pdf417::SymbolOptions o;
        o.compaction = pdf417::Compaction::Byte;
        o.columns = columns;
        o.level = level;
        const pdf417::Symbol s = pdf417::Encode(data.data(), data.size(), o);
        ASSERT_EQ(s.codewords, classic) << columns << " " << level << " " << length;
        // The modules are the pixels of the classic bitmap (8 pixels of quiet zone at the left,
        // 2 rows at the top, 3 pixel rows a row).
        const testutil::OneBitPicture picture(
            pdf417::EncodePdf417ToImage(data.data(), length, columns, level, 3));
        for (int r = 0; r < s.rows; ++r) {
          for (int m = 0; m < s.width; ++m) {
            ASSERT_EQ(s.Dark(r, m), picture.dark(2 + 3 * r, 8 + m)) << r << "," << m;
          }
        }
        // The classic drawing over the options entry is the classic file, byte for byte, and
        // its raster the same pixels.
        for (const int aspect : {1, 3}) {
          pdf417::SymbolOptions classicOptions = o;
          classicOptions.drawing.classicAspect = aspect;
          const pdf417::Symbol c = pdf417::Encode(data.data(), data.size(), classicOptions);
          const std::vector<std::uint8_t> file =
              pdf417::EncodePdf417ToImage(data.data(), length, columns, level, aspect);
          ASSERT_EQ(pdf417::RenderBmp(c), file) << columns << " " << level << " " << length;
          const testutil::OneBitPicture classicPicture(file);
          const pdf417::Raster raster = pdf417::RasterOf(c);
          ASSERT_EQ(raster.height, classicPicture.height);
          ASSERT_EQ(raster.width, classicPicture.width);
          for (int y = 0; y < raster.height; ++y) {
            for (int x = 0; x < raster.width; ++x) {
              ASSERT_EQ(raster.Foreground(x, y), classicPicture.dark(y, x)) << y << "," << x;
            }
          }
        }
      }
    }
  }
}

}  // namespace
