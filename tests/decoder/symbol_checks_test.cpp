// The checks after a symbol's codewords are read: error correction with erasures, the length
// descriptor and decompaction, on codeword lists and on whole symbols drawn by the encoder.
#include <gtest/gtest.h>

#include <cstdint>
#include <exception>
#include <random>
#include <string>
#include <vector>

#include "decode_util.h"
#include "pdf417/common/symbol_geometry.h"
#include "pdf417/decoder/correct/symbol_check.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/stages.h"
#include "test_util.h"

namespace pdf417 {
namespace {

std::string Hex(const std::string& bytes) {
  std::string hex;
  for (const char b : bytes) {
    hex += "0123456789abcdef"[static_cast<std::uint8_t>(b) >> 4];
    hex += "0123456789abcdef"[static_cast<std::uint8_t>(b) & 15];
  }
  return hex;
}

// The data codewords behind a descriptor, filled with `filler` to dataCount, then the error
// correction of the level: the descriptor is written before the correction is computed.
CodewordSequence WithDescriptor(int descriptor, const std::vector<int>& data, int dataCount,
                                int level, int filler = 0) {
  CodewordSequence seq{descriptor};
  seq.insert(seq.end(), data.begin(), data.end());
  seq.resize(static_cast<std::size_t>(dataCount), filler);
  AppendErrorCorrection(level, seq);
  return seq;
}

// The grid of a codeword list laid out in `columns` columns, with its row indicators; the cells at
// `erasures` unread.
bool DecodeList(const std::vector<int>& list, int columns, int level,
                const std::vector<int>& erasures, DecodeResult& out) {
  const int rows = static_cast<int>(list.size()) / columns;
  CodewordGrid grid(rows, columns);
  for (int r = 0; r < rows; ++r) {
    grid.At(r, 0) = RowIndicatorsOf(r, rows, columns, level).left;
    grid.At(r, columns + 1) = RowIndicatorsOf(r, rows, columns, level).right;
    for (int c = 0; c < columns; ++c)
      grid.At(r, c + 1) = list[static_cast<std::size_t>(r * columns + c)];
  }
  for (const int e : erasures) grid.At(e / columns, e % columns + 1) = -1;
  return DecodeGrid(grid, {level}, out) == GridVerdict::Decoded;
}

DecodeResult DecodeSymbol(const CodewordSequence& seq, int columns, int level) {
  const std::vector<std::uint8_t> image = RenderSymbolImage(columns, level, seq, 3);
  return testutil::DecodeFirst(image.data(), image.size());
}

// "Hello" as single bytes after 901, then a text latch; filled with zeros ("AA" each as text)
// to 10 data codewords; level 2: 18 codewords, 6 rows of 3.
const std::vector<int> kHello = {901, 'H', 'e', 'l', 'l', 'o', 900};

TEST(LengthDescriptor, SmallerThanTheDataEndsItWhenNothingWasCorrected) {
  struct Case {
    int descriptor;
    bool decoded;
    std::string bytes;
    bool warning;
  };
  // 8 says "Hello" and leaves the zero fillers behind, as other encoders do.
  const Case cases[] = {{10, true, "HelloAAAA", false}, {8, true, "Hello", true},
                        {5, true, "Hel", true},         {2, true, "", true},
                        {11, false, "", false},         {0, false, "", false},
                        {928, false, "", false}};
  for (const Case& c : cases) {
    const CodewordSequence seq = WithDescriptor(c.descriptor, kHello, 10, 2);
    // Codeword lists, and the same as whole symbols read from a picture.
    DecodeResult list;
    EXPECT_EQ(DecodeList(std::vector<int>(seq.begin(), seq.end()), 3, 2, {}, list), c.decoded)
        << c.descriptor;
    const DecodeResult r = DecodeSymbol(seq, 3, 2);
    EXPECT_EQ(r.ok(), c.decoded) << c.descriptor;
    EXPECT_EQ(r.bytes, c.bytes) << c.descriptor;
    EXPECT_EQ(list.bytes, c.bytes) << c.descriptor;
    EXPECT_EQ(r.warnings.size(), c.warning ? 1u : 0u) << c.descriptor;
    if (!c.decoded) {
      EXPECT_EQ(r.status, DecodeStatus::NotCorrectable) << c.descriptor;
    }
  }
}

TEST(LengthDescriptor, MustMatchWhenAnythingWasCorrectedOrErased) {
  const CodewordSequence good = WithDescriptor(10, kHello, 10, 2);
  const CodewordSequence shorter = WithDescriptor(8, kHello, 10, 2);
  for (const bool erase : {false, true}) {
    for (const CodewordSequence* seq : {&good, &shorter}) {
      std::vector<int> list(seq->begin(), seq->end());
      list[3] = (list[3] + 100) % 929;
      DecodeResult r;
      const std::vector<int> erasures = erase ? std::vector<int>{3} : std::vector<int>{};
      EXPECT_EQ(DecodeList(list, 3, 2, erasures, r), seq == &good) << erase;
      if (seq == &good) {
        EXPECT_EQ(r.bytes, "HelloAAAA");
        EXPECT_EQ(r.corrected, erase ? 0 : 1);
        EXPECT_EQ(r.erasures, erase ? 1 : 0);
      }
    }
  }
}

// The codewords of a sample symbol with four ECI designators inside one byte run.
TEST(EciInByteRuns, SampleSymbolDecodesToItsBytes) {
  const std::vector<int> data = {1,  901, 927, 20,  246, 877, 166, 106, 797, 927, 30, 927,
                                 29, 415, 537, 357, 329, 194, 927, 8,   225, 144, 172};
  const int dataCount = 1 + static_cast<int>(data.size()) + 2;  // 26 + 16 = 42: 7 rows of 6
  const DecodeResult r = DecodeSymbol(WithDescriptor(dataCount, data, dataCount, 3, 900), 6, 3);
  ASSERT_TRUE(r.ok()) << r.message;
  EXPECT_EQ(Hex(r.bytes), "4142935fe4aa8365f7feb0f2f4f6e190ac");
  ASSERT_EQ(r.eci.size(), 4u);
  EXPECT_EQ(r.eci[3].number, 8);
  EXPECT_EQ(r.eci[3].position, 14u);

  // The same with a single byte of the run's tail raised above 255: a corrupt symbol, never the
  // bytes of its low eight bits.
  std::vector<int> corrupt = data;
  corrupt.back() = 172 + 256;
  const DecodeResult bad =
      DecodeSymbol(WithDescriptor(dataCount, corrupt, dataCount, 3, 900), 6, 3);
  EXPECT_EQ(bad.status, DecodeStatus::NotCorrectable);
  EXPECT_TRUE(bad.bytes.empty());
}

// DecodeOptions::eciToUtf8 fills the text of a decoded picture; without it the text stays empty.
TEST(EciInByteRuns, DecodeImageGivesTheTextWhenAsked) {
  // "Mir" in ISO 8859-5 (ECI 7) as single bytes, then "AB" in text under ECI 26, a pad.
  const std::vector<int> data = {927, 7, 901, 0xbc, 0xd8, 0xe0, 927, 26, 900, 1};
  const testutil::OneBitPicture picture(
      RenderSymbolImage(2, 3, WithDescriptor(12, data, 12, 3, 900), 3));  // 14 rows of 2
  const std::vector<std::uint8_t> grey = picture.Luminance();
  ImageView view;
  view.data = grey.data();
  view.width = picture.width;
  view.height = picture.height;
  DecodeOptions options;
  const DecodeResult plain = testutil::DecodeFirst(view, options);
  ASSERT_TRUE(plain.ok()) << plain.message;
  EXPECT_EQ(plain.bytes,
            "\xbc\xd8\xe0"
            "AB");
  EXPECT_EQ(plain.text, "");
  options.eciToUtf8 = true;
  const DecodeResult text = testutil::DecodeFirst(view, options);
  ASSERT_TRUE(text.ok()) << text.message;
  EXPECT_EQ(text.text,
            "\xd0\x9c\xd0\xb8\xd1\x80"
            "AB");
  EXPECT_TRUE(text.warnings.empty());
}

// Random symbols cut by the picture's top or bottom edge by three or six rows, with some of the
// codewords left in the picture replaced. The rows, columns and level come from the row
// indicators and the rows not seen are erasures: whatever the decoder reports as decoded is the
// data that went in; without damage, every cut within the capacity (unseen codewords at most
// k - 2) decodes, and every other one is "errors not correctable".
TEST(PartialSymbols, CutAndDamagedSymbolsNeverGiveOtherData) {
  std::mt19937 rng(77);
  int decoded = 0;
  int refused = 0;
  constexpr int kTrials = 80;
  for (int trial = 0; trial < kTrials; ++trial) {
    const int columns = 1 + static_cast<int>(rng() % 8);
    const int level = static_cast<int>(rng() % 7);
    std::string data;
    const int length = 1 + static_cast<int>(rng() % 60);
    for (int i = 0; i < length; ++i) data.push_back(static_cast<char>(rng() & 255));
    CodewordSequence seq;
    try {
      CompactBytes(reinterpret_cast<const std::uint8_t*>(data.data()), length, columns, level, seq,
                   9);
    } catch (const std::exception&) {
      continue;  // no symbol holds this
    }
    AppendErrorCorrection(level, seq);
    const int rows = static_cast<int>(seq.size()) / columns;
    if (rows > 90) continue;
    const int cutRows = 3 * (1 + static_cast<int>(rng() % 2));
    // Damage among the rows that stay.
    const bool top = rng() % 2 == 0;
    const int damaged = static_cast<int>(rng() % 3);
    for (int d = 0; d < damaged; ++d) {
      const int row = top ? cutRows + static_cast<int>(rng() % (rows - cutRows))
                          : static_cast<int>(rng() % (rows - cutRows));
      const std::size_t at = static_cast<std::size_t>(row * columns) + rng() % columns;
      seq[at] = static_cast<int>((seq[at] + 1 + rng() % 928) % 929);
    }
    const testutil::OneBitPicture picture(RenderSymbolImage(columns, level, seq, 2));
    const std::vector<std::uint8_t> grey = picture.Luminance();
    const int cut = 2 + 2 * cutRows;
    ImageView view;
    view.data = grey.data() + (top ? static_cast<std::size_t>(cut) * picture.width : 0);
    view.width = picture.width;
    view.height = picture.height - cut;
    const DecodeResult r = testutil::DecodeFirst(view);
    const std::string what = std::to_string(rows) + " rows x " + std::to_string(columns) +
                             ", level " + std::to_string(level) + ", " + std::to_string(cutRows) +
                             (top ? " cut at the top, " : " cut at the bottom, ") +
                             std::to_string(damaged) + " damaged";
    const bool withinCapacity = cutRows * columns <= ErrorCorrectionCount(level) - 2;
    if (r.ok()) {
      ++decoded;
      EXPECT_EQ(r.bytes, data) << what;
      if (damaged == 0) {
        EXPECT_GE(r.erasures, cutRows * columns) << what;  // rows misread are erasures too
      }
    } else {
      ++refused;
      EXPECT_TRUE(r.bytes.empty()) << what;
      EXPECT_EQ(r.status, DecodeStatus::NotCorrectable) << what;
      EXPECT_FALSE(damaged == 0 && withinCapacity) << what << ": " << r.message;
    }
  }
  EXPECT_GT(decoded, kTrials / 5);
  EXPECT_GT(refused, kTrials / 5);
}

}  // namespace
}  // namespace pdf417
