// The whole decoder, driven through its public entry points with pictures the encoder wrote:
// round trips over many symbol shapes, pictures with damaged codeword cells, and input that
// holds no symbol or is not a bitmap at all. Whatever the picture, a result marked Decoded must
// carry exactly the bytes that were encoded.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "decode_util.h"
#include "pdf417/common/error.h"
#include "pdf417/common/patterns.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/stages.h"
#include "test_util.h"

namespace pdf417 {

// Statuses by name in failure messages.
static void PrintTo(DecodeStatus status, std::ostream* os) {
  static const char* const names[] = {"Decoded", "FileMissing", "FileUnreadable", "NoSymbolFound",
                                      "NotCorrectable"};
  *os << names[static_cast<int>(status)];
}

namespace {

using Bytes = std::vector<std::uint8_t>;

// ---------------------------------------------------------------------------------------------
// Data and symbols

enum class Content { kAscii, kBinary, kGbk };
constexpr Content kContents[] = {Content::kAscii, Content::kBinary, Content::kGbk};

const char* Name(Content content) {
  switch (content) {
    case Content::kAscii:
      return "ASCII";
    case Content::kBinary:
      return "binary";
    default:
      return "GBK";
  }
}

// Printable ASCII; every byte value (zero included); or GBK double-byte characters (lead byte
// 0xB0..0xF7, trail 0xA1..0xFE) ending in one ASCII letter when the length is odd.
Bytes MakeData(Content content, int length, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes data;
  data.reserve(static_cast<std::size_t>(length));
  while (static_cast<int>(data.size()) < length) {
    switch (content) {
      case Content::kAscii:
        data.push_back(static_cast<std::uint8_t>(32 + rng() % 95));
        break;
      case Content::kBinary:
        data.push_back(static_cast<std::uint8_t>(rng() & 0xFF));
        break;
      case Content::kGbk:
        if (static_cast<int>(data.size()) + 2 <= length) {
          data.push_back(static_cast<std::uint8_t>(0xB0 + rng() % 0x48));
          data.push_back(static_cast<std::uint8_t>(0xA1 + rng() % 0x5E));
        } else {
          data.push_back(static_cast<std::uint8_t>('A' + rng() % 26));
        }
        break;
    }
  }
  return data;
}

std::string Text(const Bytes& data) { return std::string(data.begin(), data.end()); }

// Whether the encoder makes a symbol of `length` bytes with these columns and level.
bool Fits(int length, int columns, int level) {
  const Bytes data(static_cast<std::size_t>(length), 'x');
  try {
    BuildCodewords(data.data(), length, columns, level, 3);
    return true;
  } catch (const Error&) {
    return false;
  }
}

// The largest length up to 1,024 bytes that fits, or 0 when not even one byte does. The
// codeword count grows with the length, so a binary search finds it.
int MaxLength(int columns, int level) {
  if (!Fits(1, columns, level)) return 0;
  int low = 1, high = 1024;
  while (low < high) {
    const int mid = (low + high + 1) / 2;
    if (Fits(mid, columns, level)) {
      low = mid;
    } else {
      high = mid - 1;
    }
  }
  return low;
}

// A symbol as the encoder writes it, with what it was made from.
struct Symbol {
  Bytes data;
  int columns = 0;
  int level = 0;
  int aspect = 0;
  CodewordSequence codewords;  // descriptor, latch, data, pads, error correction
  int rows = 0;
  Bytes image;  // the bitmap file

  std::string What() const {
    return std::to_string(data.size()) + " bytes, " + std::to_string(columns) + " columns, level " +
           std::to_string(level) + ", aspect " + std::to_string(aspect) + " (" +
           std::to_string(rows) + " rows)";
  }
};

Symbol MakeSymbol(const Bytes& data, int columns, int level, int aspect) {
  Symbol s;
  s.data = data;
  s.columns = columns;
  s.level = level;
  s.aspect = aspect;
  const int length = static_cast<int>(data.size());
  s.codewords = BuildCodewords(data.data(), length, columns, level, aspect);
  s.rows = static_cast<int>(s.codewords.size()) / columns;
  s.image = EncodePdf417ToImage(data.data(), length, columns, level, aspect);
  return s;
}

DecodeResult Decode(const Bytes& image) {
  return testutil::DecodeFirst(image.data(), image.size());
}

// Checks that a result is the symbol's own data with its shape, and no corrections.
void ExpectRoundTrip(const Symbol& s, const DecodeResult& r, const std::string& what) {
  ASSERT_EQ(r.status, DecodeStatus::Decoded) << what << ": " << r.message;
  EXPECT_EQ(r.bytes, Text(s.data)) << what;
  EXPECT_EQ(r.rows, s.rows) << what;
  EXPECT_EQ(r.columns, s.columns) << what;
  EXPECT_EQ(r.level, s.level) << what;
  EXPECT_EQ(r.corrected, 0) << what;
  EXPECT_TRUE(r.message.empty()) << what;
  EXPECT_TRUE(r.eci.empty()) << what;
  EXPECT_FALSE(r.macro.present) << what;
}

// ---------------------------------------------------------------------------------------------
// Painting over cells of the encoder's pictures. A cell is one codeword of one symbol row:
// symbol column 0 is the start pattern, 1 the left row indicator, 2 .. columns + 1 the data
// columns, columns + 2 the right row indicator. The picture has a quiet zone of 8 pixels left
// and 2 pixel rows above unless the aspect ratio is 1; each symbol row is `aspect` pixel rows
// high and each cell 17 pixels wide.

void SetPixel(Bytes& file, int row, int col, bool dark) {
  const int width = static_cast<int>(testutil::U32(file, 18));
  const int height = static_cast<int>(testutil::U32(file, 22));
  const int stride = ((width + 31) / 32) * 4;
  const std::size_t off = testutil::U32(file, 10) +
                          static_cast<std::size_t>(height - 1 - row) * stride +
                          static_cast<std::size_t>(col / 8);
  const std::uint8_t mask = static_cast<std::uint8_t>(0x80 >> (col % 8));
  if (dark) {
    file[off] = static_cast<std::uint8_t>(file[off] | mask);
  } else {
    file[off] = static_cast<std::uint8_t>(file[off] & ~mask);
  }
}

bool IsDark(const Bytes& file, int row, int col) {
  const int width = static_cast<int>(testutil::U32(file, 18));
  const int height = static_cast<int>(testutil::U32(file, 22));
  const int stride = ((width + 31) / 32) * 4;
  const std::size_t off = testutil::U32(file, 10) +
                          static_cast<std::size_t>(height - 1 - row) * stride +
                          static_cast<std::size_t>(col / 8);
  return (file[off] >> (7 - col % 8)) & 1;
}

enum class Paint {
  kCodeword,  // the bars and spaces of another codeword of the row's cluster
  kBlank,     // every pixel white
  kFlip,      // every pixel inverted
  kBlack,     // every pixel black
};

// Paints over the cell of symbol row `row`, symbol column `col`; kCodeword draws `codeword`.
void PaintCell(Symbol& s, int row, int col, Paint paint, int codeword = 0) {
  const int left = (s.aspect == 1 ? 0 : 8) + 17 * col;
  const int top = (s.aspect == 1 ? 0 : 2) + s.aspect * row;
  const std::int32_t pattern = paint == Paint::kCodeword ? PatternValueOf(row % 3, codeword) : 0;
  for (int y = top; y < top + s.aspect; ++y) {
    for (int k = 0; k < 17; ++k) {
      const int x = left + k;
      bool dark = false;
      switch (paint) {
        case Paint::kCodeword:
          dark = (pattern >> (16 - k)) & 1;
          break;
        case Paint::kBlank:
          dark = false;
          break;
        case Paint::kFlip:
          dark = !IsDark(s.image, y, x);
          break;
        case Paint::kBlack:
          dark = true;
          break;
      }
      SetPixel(s.image, y, x, dark);
    }
  }
}

// Paints the cell that holds codeword `position` of the sequence (0 is the length descriptor)
// with a different codeword.
void ReplaceCodeword(Symbol& s, int position, std::mt19937& rng) {
  const int old = s.codewords[static_cast<std::size_t>(position)];
  const int other = (old + 1 + static_cast<int>(rng() % 928)) % 929;
  PaintCell(s, position / s.columns, 2 + position % s.columns, Paint::kCodeword, other);
}

// `count` distinct codeword positions of a sequence of n: always the length descriptor (0),
// the others at random.
std::vector<int> DamagePositions(int count, int n, std::mt19937& rng) {
  std::set<int> chosen{0};
  while (static_cast<int>(chosen.size()) < count) chosen.insert(static_cast<int>(rng() % n));
  return std::vector<int>(chosen.begin(), chosen.end());
}

// Codewords a level corrects: two of its error-correction codewords stay for detection.
int Capacity(int level) { return (ErrorCorrectionCount(level) - 2) / 2; }

// ---------------------------------------------------------------------------------------------
// Round trips

// Column counts sampled from 1..30; with every level, every aspect ratio and every content,
// at the shortest, a middle and the largest length that fits (up to 1,024 bytes). Aspect ratio
// and content turn with each symbol so that every combination of them meets many shapes.
TEST(RoundTrip, SampledShapesDecodeToTheInputBytes) {
  int tried = 0;
  int turn = 0;
  for (int columns : {1, 2, 3, 4, 6, 9, 13, 17, 22, 26, 30}) {
    for (int level = kMinLevel; level <= kMaxLevel; ++level) {
      const int max = MaxLength(columns, level);
      if (max == 0) continue;
      std::set<int> lengths{1, max, (max + 1) / 2, std::min(max, 6 + turn % 7)};
      for (int length : lengths) {
        const int aspect = 1 + turn % 5;
        const Content content = kContents[(turn / 5) % 3];
        ++turn;
        const Symbol s = MakeSymbol(MakeData(content, length, static_cast<std::uint32_t>(turn)),
                                    columns, level, aspect);
        ExpectRoundTrip(s, Decode(s.image), s.What() + " of " + Name(content));
        ++tried;
      }
    }
  }
  RecordProperty("symbols", tried);
  EXPECT_GT(tried, 300);
}

// Every aspect ratio with every content, at a few shapes each, so that no pairing is left to
// the turning of the sampled matrix.
TEST(RoundTrip, EveryAspectRatioWithEveryContent) {
  struct Shape {
    int length, columns, level;
  };
  const Shape shapes[] = {{1, 1, 0}, {7, 3, 2}, {100, 5, 3}, {300, 12, 4}, {1024, 30, 2}};
  for (int aspect = 1; aspect <= 5; ++aspect) {
    for (Content content : kContents) {
      for (const Shape& shape : shapes) {
        const Symbol s = MakeSymbol(MakeData(content, shape.length, 7u * aspect + shape.length),
                                    shape.columns, shape.level, aspect);
        ExpectRoundTrip(s, Decode(s.image), s.What() + " of " + Name(content));
      }
    }
  }
}

// Byte compaction packs six bytes into five codewords and takes the rest one by one, with a
// different latch when the length is a multiple of six: every remainder, short and long.
TEST(RoundTrip, EveryLengthUpToFortyAndAroundTheLargest) {
  std::vector<int> lengths;
  for (int length = 1; length <= 40; ++length) lengths.push_back(length);
  for (int length = 1012; length <= 1024; ++length) lengths.push_back(length);
  for (int length : lengths) {
    const Content content = kContents[length % 3];
    const int columns = length > 40 ? 30 : 1 + length % 7;
    const Symbol s = MakeSymbol(MakeData(content, length, static_cast<std::uint32_t>(length)),
                                columns, length > 40 ? 1 : length % 4, 2 + length % 4);
    ExpectRoundTrip(s, Decode(s.image), s.What() + " of " + Name(content));
  }
}

// Data of one repeated byte value gives long runs of equal codewords; zero bytes must survive
// as characters of value 0, also at the end.
TEST(RoundTrip, RepeatedAndZeroBytes) {
  for (std::uint8_t value : {0x00, 0x20, 0xFF}) {
    for (int length : {1, 6, 61, 500}) {
      const Symbol s = MakeSymbol(Bytes(static_cast<std::size_t>(length), value), 8, 2, 3);
      ExpectRoundTrip(s, Decode(s.image), s.What() + " of byte " + std::to_string(value));
    }
  }
  const Symbol tail = MakeSymbol(Bytes{'a', 0, 'b', 0, 0}, 3, 1, 2);
  const DecodeResult r = Decode(tail.image);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.bytes, std::string("a\0b\0\0", 5));
}

// The file entry points read what EncodePdf417 wrote; DecodePdf417 gives the bytes alone.
TEST(RoundTrip, ThroughFiles) {
  testutil::TempDir dir;
  const std::string file = dir / "symbol.bmp";
  const Bytes data = MakeData(Content::kGbk, 77, 5);
  EncodePdf417(data.data(), static_cast<int>(data.size()), file, 6, 3, 3);
  int notified = 0;
  const DecodeNotifier notify = [&](const std::string&, const std::string&) { ++notified; };
  DecodeResult r;
  DecodePdf417(file, notify, &r);
  ASSERT_TRUE(r.ok()) << r.message;
  EXPECT_EQ(r.bytes, Text(data));
  EXPECT_EQ(r.columns, 6);
  EXPECT_EQ(r.level, 3);
  EXPECT_EQ(DecodePdf417(file, notify), Text(data));
  EXPECT_EQ(notified, 0);
}

// ---------------------------------------------------------------------------------------------
// Damaged codewords

// A symbol for each level with room for its error correction; aspect ratios 2 to 5 in turn.
Symbol SymbolForLevel(int level) {
  struct Shape {
    int length, columns;
  };
  const Shape shapes[] = {{40, 3},  {60, 4},   {80, 5},   {100, 6}, {150, 6},
                          {200, 8}, {250, 10}, {300, 12}, {200, 12}};
  const Shape shape = shapes[level];
  return MakeSymbol(MakeData(kContents[level % 3], shape.length, 100u + level), shape.columns,
                    level, 2 + level % 4);
}

// Each level corrects (2^(level+1) - 2) / 2 codewords painted over with other codewords, the
// length descriptor among them, and says how many it corrected; one more is reported as not
// correctable (the two codewords kept for detection make that certain).
TEST(Corrections, EachLevelCorrectsUpToItsCapacityAndNoMore) {
  std::mt19937 rng(2024);
  for (int level = kMinLevel; level <= kMaxLevel; ++level) {
    const Symbol clean = SymbolForLevel(level);
    const int n = static_cast<int>(clean.codewords.size());
    const int capacity = Capacity(level);
    std::vector<int> positions = DamagePositions(capacity + 1, n, rng);
    const int extra = positions.back();
    positions.pop_back();

    Symbol damaged = clean;
    for (int p : positions) ReplaceCodeword(damaged, p, rng);
    const DecodeResult r = Decode(damaged.image);
    const std::string what = clean.What() + ", " + std::to_string(capacity) + " codewords damaged";
    ASSERT_EQ(r.status, DecodeStatus::Decoded) << what << ": " << r.message;
    EXPECT_EQ(r.bytes, Text(clean.data)) << what;
    EXPECT_EQ(r.corrected, capacity) << what;
    EXPECT_EQ(r.rows, clean.rows) << what;
    EXPECT_EQ(r.columns, clean.columns) << what;
    EXPECT_EQ(r.level, level) << what;

    ReplaceCodeword(damaged, extra, rng);
    const DecodeResult beyond = Decode(damaged.image);
    EXPECT_EQ(beyond.status, DecodeStatus::NotCorrectable) << clean.What() << ", one more";
    EXPECT_TRUE(beyond.bytes.empty());
    EXPECT_EQ(beyond.corrected, 0);
    EXPECT_FALSE(beyond.message.empty());
  }
}

// Far beyond the capacity (every error-correction codeword's worth, and half the symbol) the
// verdict stays not correctable, with the symbol's shape still reported.
TEST(Corrections, HeavyDamageIsNotCorrectable) {
  std::mt19937 rng(77);
  for (int level = 2; level <= kMaxLevel; ++level) {
    const Symbol clean = SymbolForLevel(level);
    const int n = static_cast<int>(clean.codewords.size());
    for (int count : {ErrorCorrectionCount(level), n / 2}) {
      Symbol damaged = clean;
      for (int p : DamagePositions(count, n, rng)) ReplaceCodeword(damaged, p, rng);
      const DecodeResult r = Decode(damaged.image);
      const std::string what = clean.What() + ", " + std::to_string(count) + " damaged";
      EXPECT_EQ(r.status, DecodeStatus::NotCorrectable) << what;
      EXPECT_EQ(r.level, level) << what;
      EXPECT_EQ(r.columns, clean.columns) << what;
      EXPECT_TRUE(r.bytes.empty()) << what;
    }
  }
}

// The length descriptor cell alone, painted with values that state other lengths (and 0, and
// the largest codeword), is corrected at levels 1 and 4; level 0 only detects it.
TEST(Corrections, DamagedLengthDescriptorIsCorrected) {
  {
    Symbol damaged = SymbolForLevel(0);
    PaintCell(damaged, 0, 2, Paint::kCodeword, damaged.codewords[0] + 1);
    const DecodeResult r = Decode(damaged.image);
    EXPECT_EQ(r.status, DecodeStatus::NotCorrectable) << damaged.What();
    EXPECT_TRUE(r.bytes.empty());
  }
  for (int level : {1, 4}) {
    const Symbol clean = SymbolForLevel(level);
    const int descriptor = clean.codewords[0];
    for (int value : {0, 1, descriptor - 1, descriptor + 1, 900, 928}) {
      Symbol damaged = clean;
      PaintCell(damaged, 0, 2, Paint::kCodeword, value);
      const DecodeResult r = Decode(damaged.image);
      const std::string what = clean.What() + ", descriptor " + std::to_string(value);
      ASSERT_EQ(r.status, DecodeStatus::Decoded) << what << ": " << r.message;
      EXPECT_EQ(r.bytes, Text(clean.data)) << what;
      EXPECT_EQ(r.corrected, 1) << what;
    }
  }
}

// Row indicators are not part of the corrected list: damage to a minority of them is outvoted
// and does not count as a correction, also together with a full load of data damage.
TEST(Corrections, DamagedRowIndicatorsInAFewRowsAreOutvoted) {
  std::mt19937 rng(9);
  for (int level : {2, 3, 5}) {
    const Symbol clean = SymbolForLevel(level);
    ASSERT_GE(clean.rows, 12) << clean.What();
    const int right = clean.columns + 2;
    Symbol damaged = clean;
    // Both indicators of rows 0 and 1; the left one of row 4 and the right one of row 8, which
    // carry the level.
    for (int row : {0, 1}) {
      PaintCell(damaged, row, 1, Paint::kCodeword, 5);
      PaintCell(damaged, row, right, Paint::kCodeword, 5);
    }
    PaintCell(damaged, 4, 1, Paint::kCodeword, 928);
    PaintCell(damaged, 8, right, Paint::kCodeword, 928);
    DecodeResult r = Decode(damaged.image);
    ASSERT_EQ(r.status, DecodeStatus::Decoded) << clean.What() << ": " << r.message;
    EXPECT_EQ(r.bytes, Text(clean.data));
    EXPECT_EQ(r.corrected, 0);
    EXPECT_EQ(r.level, level);
    EXPECT_EQ(r.rows, clean.rows);

    const int n = static_cast<int>(clean.codewords.size());
    for (int p : DamagePositions(Capacity(level), n, rng)) ReplaceCodeword(damaged, p, rng);
    r = Decode(damaged.image);
    ASSERT_EQ(r.status, DecodeStatus::Decoded) << clean.What() << ": " << r.message;
    EXPECT_EQ(r.bytes, Text(clean.data));
    EXPECT_EQ(r.corrected, Capacity(level));
  }
}

// Cells blanked, inverted or blacked out, spread over the rows and columns of a tall symbol
// (no codeword column loses its bars in more than a few rows), up to the level's capacity.
TEST(Corrections, BlankedFlippedAndBlackenedCellsSpreadOut) {
  const int level = 4;
  const Symbol clean = MakeSymbol(MakeData(Content::kAscii, 300, 3), 4, level, 3);
  ASSERT_GE(clean.rows, 60);
  const int capacity = Capacity(level);
  for (Paint paint : {Paint::kBlank, Paint::kFlip, Paint::kBlack}) {
    Symbol damaged = clean;
    for (int i = 0; i < capacity; ++i) {
      PaintCell(damaged, i * clean.rows / capacity, 2 + i % clean.columns, paint);
    }
    const DecodeResult r = Decode(damaged.image);
    const std::string what = "paint " + std::to_string(static_cast<int>(paint));
    ASSERT_EQ(r.status, DecodeStatus::Decoded) << what << ": " << r.message;
    EXPECT_EQ(r.bytes, Text(clean.data)) << what;
    EXPECT_EQ(r.corrected, capacity) << what;

    // One more: beyond what errors allow; a cell that reads as nothing is an erasure, which
    // costs half an error, so the symbol may still decode, but never to other text.
    PaintCell(damaged, clean.rows - 2, 3, paint);
    const DecodeResult beyond = Decode(damaged.image);
    if (beyond.ok()) {
      EXPECT_EQ(beyond.bytes, Text(clean.data)) << what << ", one more";
      EXPECT_GT(beyond.erasures, 0) << what << ", one more";
    } else {
      EXPECT_EQ(beyond.status, DecodeStatus::NotCorrectable) << what << ", one more";
    }
  }
}

// Level 0 has two error-correction codewords: were one of them spent on a repair, two wrong
// codewords would be "repaired" into another consistent list about as often as the list has
// codewords in 929 ("PDF417" in one column came out as 9 other bytes). Level 0 only detects.
TEST(Corrections, LevelZeroNeverRepairsTwoDamagedCodewordsIntoOtherText) {
  const std::string text = "PDF417";
  Symbol s = MakeSymbol(Bytes(text.begin(), text.end()), 1, 0, 3);
  ASSERT_EQ(s.rows, 9);
  PaintCell(s, 2, 2, Paint::kCodeword, 0);    // data codeword 2 (134) painted as 0
  PaintCell(s, 3, 2, Paint::kCodeword, 298);  // data codeword 3 (461) painted as 298
  const DecodeResult r = Decode(s.image);
  EXPECT_NE(r.status, DecodeStatus::Decoded) << "decoded as \"" << r.bytes << "\"";
}

// A four-row symbol has two votes for the level (rows 1 and 2); when row 1's left indicator is
// damaged, the tie goes to the damaged vote, and the other voted level must still be tried.
TEST(Corrections, TiedLevelVoteWithOneDamagedIndicator) {
  const std::string text = "ABCDEFGHIJ";
  Symbol s = MakeSymbol(Bytes(text.begin(), text.end()), 5, 2, 3);
  ASSERT_EQ(s.rows, 4);
  PaintCell(s, 1, 1, Paint::kCodeword, 5);
  const DecodeResult r = Decode(s.image);
  ASSERT_EQ(r.status, DecodeStatus::Decoded) << r.message;
  EXPECT_EQ(r.bytes, text);
}

// Known faults, kept out of the asserting tests above; each is a minimal reproduction.

// A codeword column whose first bar is missing in more than about a seventh of the rows is
// merged with its neighbour by the ordinary column location; the fitted column grid still reads
// it: 8 blank cells in one column of a 47-row level-5 symbol, one in a 4-row level-1 symbol.
TEST(Corrections, BlankCellsInOneColumnKeepTheColumn) {
  const Bytes data = MakeData(Content::kAscii, 200, 1);
  Symbol s = MakeSymbol(data, 5, 5, 3);
  ASSERT_EQ(s.rows, 47);
  for (int row = 0; row < 8; ++row) PaintCell(s, row, 4, Paint::kBlank);
  const DecodeResult r = Decode(s.image);
  ASSERT_EQ(r.status, DecodeStatus::Decoded) << r.message;
  EXPECT_EQ(r.bytes, Text(data));

  Symbol small = MakeSymbol(Bytes{'A'}, 2, 1, 3);
  ASSERT_EQ(small.rows, 4);
  PaintCell(small, 0, 2, Paint::kBlank);
  const DecodeResult r2 = Decode(small.image);
  ASSERT_EQ(r2.status, DecodeStatus::Decoded) << r2.message;
  EXPECT_EQ(r2.bytes, "A");
}

// A symbol row blanked between its start and stop patterns (5 data codewords at level 5) cuts
// the symbol in two; the rows of the longer part are placed by their indicators and the rest
// are erasures.
TEST(Corrections, BlankRowKeepsTheSymbolWhole) {
  const Bytes data = MakeData(Content::kAscii, 200, 1);
  Symbol s = MakeSymbol(data, 5, 5, 3);
  for (int col = 1; col <= s.columns + 2; ++col) PaintCell(s, 5, col, Paint::kBlank);
  const DecodeResult r = Decode(s.image);
  ASSERT_EQ(r.status, DecodeStatus::Decoded) << r.message;
  EXPECT_EQ(r.bytes, Text(data));
}

// ---------------------------------------------------------------------------------------------
// Never wrong text

// Random symbols with random cells painted over (any cell, start and stop patterns included,
// mostly data), from none to well beyond the capacity: whenever the result says Decoded, the
// bytes are the input.
TEST(NeverWrongText, RandomSymbolsWithRandomDamage) {
  std::mt19937 rng(417);
  int decoded = 0, corrected = 0, refused = 0;
  for (int trial = 0; trial < 250; ++trial) {
    const int level = static_cast<int>(rng() % 9);
    const int columns = 1 + static_cast<int>(rng() % 30);
    const int max = MaxLength(columns, level);
    if (max == 0) continue;
    const int length = 1 + static_cast<int>(rng() % std::min(max, 300));
    const Content content = kContents[rng() % 3];
    const int aspect = 1 + static_cast<int>(rng() % 5);
    Symbol s = MakeSymbol(MakeData(content, length, rng()), columns, level, aspect);
    const int n = static_cast<int>(s.codewords.size());
    const int damage = static_cast<int>(rng() % (2 * Capacity(level) + 3));
    for (int i = 0; i < damage; ++i) {
      const Paint paint = static_cast<Paint>(rng() % 4);
      if (rng() % 5 == 0) {
        const int row = static_cast<int>(rng() % s.rows);
        const int col = static_cast<int>(rng() % (columns + 4));
        PaintCell(s, row, col, paint, static_cast<int>(rng() % 929));
      } else {
        const int p = static_cast<int>(rng() % n);
        PaintCell(s, p / columns, 2 + p % columns, paint, static_cast<int>(rng() % 929));
      }
    }
    const DecodeResult r = Decode(s.image);
    if (!r.ok()) {
      ++refused;
      EXPECT_TRUE(r.bytes.empty()) << s.What();
      continue;
    }
    ++decoded;
    corrected += r.corrected > 0;
    EXPECT_EQ(r.bytes, Text(s.data))
        << s.What() << ", " << damage << " cells painted (trial " << trial << ")";
  }
  RecordProperty("decoded", decoded);
  RecordProperty("decodedWithCorrections", corrected);
  RecordProperty("refused", refused);
  EXPECT_GT(decoded, 50);
  EXPECT_GT(refused, 50);
}

// Halves of a symbol: the left or right half, the top or bottom rows painted white.
TEST(NeverWrongText, PartlyErasedSymbols) {
  const Bytes data = MakeData(Content::kBinary, 300, 8);
  const Symbol clean = MakeSymbol(data, 10, 3, 3);
  const int width = static_cast<int>(testutil::U32(clean.image, 18));
  const int height = static_cast<int>(testutil::U32(clean.image, 22));
  const std::function<bool(int, int)> erased[] = {
      [&](int, int x) { return x < width / 2; },
      [&](int, int x) { return x >= width / 2; },
      [&](int y, int) { return y < height / 2; },
      [&](int y, int) { return y >= height / 3; },
      [&](int y, int x) { return (x / 17 + y / 3) % 2 == 0; },
  };
  for (const auto& erase : erased) {
    Bytes image = clean.image;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (erase(y, x)) SetPixel(image, y, x, false);
    const DecodeResult r = Decode(image);
    EXPECT_NE(r.status, DecodeStatus::Decoded) << "decoded " << r.bytes.size() << " bytes";
  }
}

// ---------------------------------------------------------------------------------------------
// Bad input

TEST(BadInput, MissingFileIsReportedAndNotified) {
  testutil::TempDir dir;
  const std::string missing = dir / "no such file.bmp";
  std::vector<std::pair<std::string, std::string>> calls;
  const DecodeNotifier notify = [&](const std::string& message, const std::string& caption) {
    calls.emplace_back(message, caption);
  };
  DecodeResult r;
  DecodePdf417(missing, notify, &r);
  EXPECT_EQ(r.status, DecodeStatus::FileMissing);
  EXPECT_EQ(r.message, "File Not Exist!!!");
  EXPECT_TRUE(r.bytes.empty());
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].first, "File Not Exist!!!");
  EXPECT_EQ(calls[0].second, "PDF417Dec");

  EXPECT_EQ(DecodePdf417(missing, notify), "");
  EXPECT_EQ(calls.size(), 2u);
  // Without a notifier nothing is called, and the status is the same.
  EXPECT_EQ(testutil::DecodeFirst(missing).status, DecodeStatus::FileMissing);
  EXPECT_EQ(DecodePdf417(dir / "missing folder/x.bmp"), "");
}

// A file that exists but is no bitmap, or no file at all: unreadable, and nobody is notified.
TEST(BadInput, EmptyFilesAndFoldersAreUnreadable) {
  testutil::TempDir dir;
  const std::string empty = dir / "empty.bmp";
  testutil::WriteBytes(empty, {});
  int notified = 0;
  const DecodeNotifier notify = [&](const std::string&, const std::string&) { ++notified; };
  for (const std::string& name : {empty, dir.path()}) {
    DecodeResult r;
    DecodePdf417(name, notify, &r);
    EXPECT_EQ(r.status, DecodeStatus::FileUnreadable) << name;
    EXPECT_FALSE(r.message.empty()) << name;
    EXPECT_EQ(DecodePdf417(name, notify), "") << name;
  }
  EXPECT_EQ(notified, 0);
  EXPECT_EQ(testutil::DecodeFirst(nullptr, 0).status, DecodeStatus::FileUnreadable);
  const std::uint8_t one = 'B';
  EXPECT_EQ(testutil::DecodeFirst(&one, 0).status, DecodeStatus::FileUnreadable);
  EXPECT_EQ(testutil::DecodeFirst(&one, 1).status, DecodeStatus::FileUnreadable);
}

// A symbol's file cut short at every length, in the headers, the colour table or the pixel
// rows, is unreadable.
TEST(BadInput, TruncatedBitmaps) {
  const Symbol s = MakeSymbol(MakeData(Content::kAscii, 20, 1), 3, 1, 2);
  ASSERT_TRUE(Decode(s.image).ok());
  for (std::size_t size = 0; size < s.image.size(); ++size) {
    const DecodeResult r = testutil::DecodeFirst(s.image.data(), size);
    EXPECT_EQ(r.status, DecodeStatus::FileUnreadable) << size << " bytes";
    EXPECT_FALSE(r.message.empty()) << size << " bytes";
  }
  testutil::TempDir dir;
  const std::string file = dir / "cut.bmp";
  testutil::WriteBytes(file, Bytes(s.image.begin(), s.image.begin() + 40));
  EXPECT_EQ(testutil::DecodeFirst(file).status, DecodeStatus::FileUnreadable);
}

void PutU32(Bytes& file, std::size_t off, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) file[off + static_cast<std::size_t>(i)] = (v >> (8 * i)) & 0xFF;
}
void PutU16(Bytes& file, std::size_t off, std::uint16_t v) {
  file[off] = v & 0xFF;
  file[off + 1] = (v >> 8) & 0xFF;
}

// Header fields that no bitmap can have are refused as unreadable.
TEST(BadInput, MalformedHeadersAreUnreadable) {
  const Symbol s = MakeSymbol(MakeData(Content::kAscii, 20, 1), 3, 1, 2);
  const std::vector<std::pair<std::string, std::function<void(Bytes&)>>> faults = {
      {"signature", [](Bytes& f) { f[0] = 'P'; }},
      {"info header size 0", [](Bytes& f) { PutU32(f, 14, 0); }},
      {"info header size 41", [](Bytes& f) { PutU32(f, 14, 41); }},
      {"info header past the end",
       [](Bytes& f) {
         PutU32(f, 14, 124);
         f.resize(100);
       }},
      {"width 0", [](Bytes& f) { PutU32(f, 18, 0); }},
      {"negative width", [](Bytes& f) { PutU32(f, 18, 0xFFFFFF00u); }},
      {"height 0", [](Bytes& f) { PutU32(f, 22, 0); }},
      {"huge width", [](Bytes& f) { PutU32(f, 18, 0x7FFFFFFFu); }},
      {"huge height", [](Bytes& f) { PutU32(f, 22, 0x7FFFFFFFu); }},
      {"most negative height", [](Bytes& f) { PutU32(f, 22, 0x80000000u); }},
      {"taller than the pixels", [](Bytes& f) { PutU32(f, 22, 5000); }},
      {"bits per pixel 0", [](Bytes& f) { PutU16(f, 28, 0); }},
      {"bits per pixel 3", [](Bytes& f) { PutU16(f, 28, 3); }},
      {"bits per pixel 64", [](Bytes& f) { PutU16(f, 28, 64); }},
      {"24 bits in a 1-bit file", [](Bytes& f) { PutU16(f, 28, 24); }},
      {"run-length compression", [](Bytes& f) { PutU32(f, 30, 1); }},
      {"JPEG compression", [](Bytes& f) { PutU32(f, 30, 4); }},
      {"unknown compression", [](Bytes& f) { PutU32(f, 30, 99); }},
      {"pixel offset past the end", [](Bytes& f) { PutU32(f, 10, 0xFFFFFFF0u); }},
      {"pixel offset inside the headers", [](Bytes& f) { PutU32(f, 10, 4); }},
      {"colour table larger than possible", [](Bytes& f) { PutU32(f, 46, 0x40000000u); }},
  };
  for (const auto& fault : faults) {
    Bytes image = s.image;
    fault.second(image);
    const DecodeResult r = Decode(image);
    EXPECT_EQ(r.status, DecodeStatus::FileUnreadable) << fault.first;
    EXPECT_FALSE(r.message.empty()) << fault.first;
    EXPECT_TRUE(r.bytes.empty()) << fault.first;
  }
}

// Random bytes written over the headers and the first pixel rows (fixed seed): whatever the
// loader accepts, nothing crashes and no other text comes out.
TEST(BadInput, ScrambledHeadersNeverGiveOtherText) {
  const Bytes data = MakeData(Content::kAscii, 30, 2);
  const Symbol s = MakeSymbol(data, 4, 2, 3);
  std::mt19937 rng(5);
  int unreadable = 0;
  for (int trial = 0; trial < 600; ++trial) {
    Bytes image = s.image;
    const int changes = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < changes; ++i) {
      image[rng() % 80] = static_cast<std::uint8_t>(rng());
    }
    const DecodeResult r = Decode(image);
    unreadable += r.status == DecodeStatus::FileUnreadable;
    if (r.ok()) {
      EXPECT_EQ(r.bytes, Text(data)) << "trial " << trial;
    }
  }
  RecordProperty("unreadable", unreadable);
  EXPECT_GT(unreadable, 100);
}

// Bitmap files of any picture: 1 bit (white 0) or 24 bits per pixel, pixel(row, col) giving
// the grey level, row 0 at the top.
Bytes MakeBitmap(int width, int height, int bitCount, const std::function<int(int, int)>& grey) {
  const int stride = ((width * bitCount + 31) / 32) * 4;
  const int paletteBytes = bitCount == 1 ? 8 : 0;
  const int offset = 54 + paletteBytes;
  Bytes f(static_cast<std::size_t>(offset + stride * height), 0);
  f[0] = 'B';
  f[1] = 'M';
  PutU32(f, 2, static_cast<std::uint32_t>(f.size()));
  PutU32(f, 10, static_cast<std::uint32_t>(offset));
  PutU32(f, 14, 40);
  PutU32(f, 18, static_cast<std::uint32_t>(width));
  PutU32(f, 22, static_cast<std::uint32_t>(height));
  PutU16(f, 26, 1);
  PutU16(f, 28, static_cast<std::uint16_t>(bitCount));
  PutU32(f, 34, static_cast<std::uint32_t>(stride * height));
  if (bitCount == 1) f[54] = f[55] = f[56] = 255;  // entry 0 white, entry 1 black
  for (int row = 0; row < height; ++row) {
    const std::size_t line = static_cast<std::size_t>(offset + (height - 1 - row) * stride);
    for (int col = 0; col < width; ++col) {
      const int g = std::clamp(grey(row, col), 0, 255);
      if (bitCount == 1) {
        if (g < 128) f[line + static_cast<std::size_t>(col / 8)] |= 0x80 >> (col % 8);
      } else {
        for (int k = 0; k < 3; ++k) f[line + static_cast<std::size_t>(3 * col + k)] = g & 0xFF;
      }
    }
  }
  return f;
}

// Pictures that hold no symbol: plain, noisy, photo-like and barcode-like ones, at 1 and 24
// bits per pixel.
TEST(BadInput, PicturesWithoutASymbol) {
  std::mt19937 rng(3);
  std::vector<std::uint32_t> noise(400 * 300);
  for (auto& v : noise) v = rng();
  const std::vector<std::pair<std::string, std::function<int(int, int)>>> pictures = {
      {"white", [](int, int) { return 255; }},
      {"black", [](int, int) { return 0; }},
      {"noise", [&](int r, int c) { return static_cast<int>(noise[r * 400 + c] & 0xFF); }},
      {"sparse noise", [&](int r, int c) { return noise[r * 400 + c] % 10 == 0 ? 0 : 255; }},
      {"gradient",
       [](int r, int c) {
         const int dx = c - 250, dy = r - 120;
         return (c * 255) / 400 + (dx * dx + dy * dy < 3000 ? -60 : 0) + r / 10;
       }},
      {"even stripes", [](int, int c) { return (c / 3) % 2 ? 255 : 0; }},
      {"uneven stripes", [&](int, int c) { return noise[c] % 3 == 0 ? 0 : 255; }},
      {"checkerboard", [](int r, int c) { return ((r / 4) + (c / 4)) % 2 ? 255 : 0; }},
      {"black frame",
       [](int r, int c) { return r < 20 || r >= 280 || c < 20 || c >= 380 ? 0 : 255; }},
  };
  for (const auto& picture : pictures) {
    for (int bits : {1, 24}) {
      const Bytes image = MakeBitmap(400, 300, bits, picture.second);
      const DecodeResult r = Decode(image);
      const std::string what = picture.first + " at " + std::to_string(bits) + " bits";
      EXPECT_EQ(r.status, DecodeStatus::NoSymbolFound) << what << ": " << r.message;
      EXPECT_TRUE(r.bytes.empty()) << what;
    }
  }
  // One-pixel and one-row pictures.
  for (const auto& size : {std::pair<int, int>{1, 1}, {1, 500}, {500, 1}}) {
    const DecodeResult r =
        Decode(MakeBitmap(size.first, size.second, 1, [](int, int) { return 0; }));
    EXPECT_EQ(r.status, DecodeStatus::NoSymbolFound) << size.first << " x " << size.second;
  }
}

}  // namespace
}  // namespace pdf417
