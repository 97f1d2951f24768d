// Decompaction: text sub-modes, byte and numeric groups, segments, byte shift, control codewords.
#include "pdf417/decoder/decompact/decompact.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "pdf417/common/error.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/stages.h"

namespace pdf417 {
namespace {

// Error-correction codewords placed behind the data; decompaction must never read them.
const std::vector<int> kTrailer = {77, 88, 99};

LinkedList<int> DataList(const std::vector<int>& codewords, int count) {
  LinkedList<int> list;
  list.Append(count);
  for (int c : codewords) list.Append(c);
  for (int c : kTrailer) list.Append(c);
  return list;
}

// The raw byte list elements of decompacting the codewords.
std::vector<int> Elements(const std::vector<int>& codewords, DecompactInfo* info = nullptr) {
  LinkedList<int> data = DataList(codewords, static_cast<int>(codewords.size()) + 1);
  LinkedList<int> bytes;
  Decompact(data, bytes, info);
  std::vector<int> out;
  for (bytes.Reset(0); !bytes.AtEnd(); bytes.Advance()) out.push_back(bytes.Data());
  return out;
}

// The decoded bytes, low 8 bits of each element, as the pipeline keeps them.
std::string Decode(const std::vector<int>& codewords, DecompactInfo* info = nullptr) {
  std::string out;
  for (int e : Elements(codewords, info)) out.push_back(static_cast<char>(e & 255));
  return out;
}

// Text codewords from sub-mode values, two per codeword, an odd count padded with 29.
std::vector<int> Text(std::vector<int> values) {
  if (values.size() % 2 != 0) values.push_back(29);
  std::vector<int> codewords;
  for (std::size_t i = 0; i < values.size(); i += 2)
    codewords.push_back(values[i] * 30 + values[i + 1]);
  return codewords;
}

std::vector<int> Concat(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Five base-900 codewords of six bytes, most significant byte first.
std::vector<int> ByteGroup(const std::string& six) {
  std::uint64_t value = 0;
  for (char c : six) value = (value << 8) | static_cast<std::uint8_t>(c);
  std::vector<int> codewords(5);
  for (int i = 4; i >= 0; --i) {
    codewords[static_cast<std::size_t>(i)] = static_cast<int>(value % 900);
    value /= 900;
  }
  return codewords;
}

// Numeric compaction of a digit string: groups of 44 digits, each read as "1" followed by the
// digits and written in base 900.
std::vector<int> Numeric(const std::string& digits) {
  std::vector<int> codewords;
  for (std::size_t at = 0; at < digits.size(); at += 44) {
    std::string number = "1" + digits.substr(at, 44);
    std::vector<int> group;
    while (!(number.size() == 1 && number[0] == '0')) {
      std::string quotient;
      int remainder = 0;
      for (char d : number) {
        remainder = remainder * 10 + (d - '0');
        if (!quotient.empty() || remainder / 900 != 0)
          quotient.push_back(static_cast<char>('0' + remainder / 900));
        remainder %= 900;
      }
      group.insert(group.begin(), remainder);
      number = quotient.empty() ? "0" : quotient;
    }
    codewords.insert(codewords.end(), group.begin(), group.end());
  }
  return codewords;
}

ErrorCode ThrownCode(const std::vector<int>& codewords) {
  try {
    Decode(codewords);
  } catch (const Error& e) {
    return e.code();
  }
  ADD_FAILURE() << "no error thrown";
  return ErrorCode::InvalidArgument;
}

// --- Mode codewords and tables -------------------------------------------------------------

TEST(Decompact, ClassifyModeCodeword) {
  const auto classify = [](int codeword, CompactionMode before, CompactionMode after) {
    CompactionMode mode = before;
    EXPECT_TRUE(ClassifyModeCodeword(codeword, mode)) << codeword;
    EXPECT_EQ(mode, after) << codeword;
  };
  classify(900, CompactionMode::Byte, CompactionMode::Text);
  classify(901, CompactionMode::Text, CompactionMode::Byte);
  classify(924, CompactionMode::Numeric, CompactionMode::Byte);
  classify(902, CompactionMode::Text, CompactionMode::Numeric);
  classify(913, CompactionMode::Text, CompactionMode::Text);  // a shift leaves the mode alone
  classify(913, CompactionMode::Byte, CompactionMode::Byte);
  for (int codeword : {0, 899, 903, 912, 914, 921, 922, 923, 925, 926, 927, 928}) {
    CompactionMode mode = CompactionMode::Numeric;
    EXPECT_FALSE(ClassifyModeCodeword(codeword, mode)) << codeword;
    EXPECT_EQ(mode, CompactionMode::Numeric) << codeword;
  }
}

TEST(Decompact, TextTables) {
  EXPECT_EQ(TextTableLookup(0, TextSubmode::Alpha), 'A');
  EXPECT_EQ(TextTableLookup(25, TextSubmode::Lower), 'z');
  EXPECT_EQ(TextTableLookup(26, TextSubmode::Lower), ' ');
  const std::string mixed = "0123456789&\r\t,:#-.$/+%*=^";
  for (int v = 0; v < 25; ++v)
    EXPECT_EQ(TextTableLookup(v, TextSubmode::Mixed), mixed[static_cast<std::size_t>(v)]) << v;
  EXPECT_EQ(TextTableLookup(25, TextSubmode::Mixed), -1);
  EXPECT_EQ(TextTableLookup(26, TextSubmode::Mixed), ' ');
  const std::string punctuation = ";<>@[\\]_`~!\r\t,:\n-.$/\"|*()?{}'";
  for (int v = 0; v < 29; ++v) {
    EXPECT_EQ(TextTableLookup(v, TextSubmode::Punctuation),
              punctuation[static_cast<std::size_t>(v)])
        << v;
  }
  for (TextSubmode m :
       {TextSubmode::Alpha, TextSubmode::Lower, TextSubmode::Mixed, TextSubmode::Punctuation}) {
    EXPECT_EQ(TextTableLookup(30, m), -1);
  }
}

// --- Text ----------------------------------------------------------------------------------

TEST(Decompact, DataWithoutModeCodewordIsAlphaText) {
  EXPECT_EQ(Decode({32}), "BC");
  EXPECT_EQ(Decode({1, 900, 1}), "ABAB");
  EXPECT_EQ(Decode(Text({7, 4, 11, 11, 14, 26, 22})), "HELLO W");  // trailing 29 is a pad
}

TEST(Decompact, ImpliedTextLatchIsInsertedIntoTheDataList) {
  LinkedList<int> data = DataList({32}, 2);
  LinkedList<int> bytes;
  bytes.Append(1);  // emptied first
  Decompact(data, bytes);
  EXPECT_EQ(bytes.Size(), 2);
  std::vector<int> after;
  for (data.Reset(0); !data.AtEnd(); data.Advance()) after.push_back(data.Data());
  EXPECT_EQ(after, (std::vector<int>{2, 900, 32, 77, 88, 99}));
}

TEST(Decompact, AlphaLatchesAndShift) {
  EXPECT_EQ(Decode(Text({27, 0, 1})), "ab");       // latch Lower
  EXPECT_EQ(Decode(Text({28, 1, 26, 2})), "1 2");  // latch Mixed
  EXPECT_EQ(Decode(Text({29, 10, 0})), "!A");      // shift Punctuation, back in Alpha
  EXPECT_EQ(Decode(Text({1, 29})), "B");           // a trailing shift is a pad
}

TEST(Decompact, LowerShiftsAndLatches) {
  EXPECT_EQ(Decode(Text({27, 1, 27, 0, 2})), "bAc");   // shift Alpha for one value
  EXPECT_EQ(Decode(Text({27, 1, 28, 3})), "b3");       // latch Mixed
  EXPECT_EQ(Decode(Text({27, 1, 29, 17, 2})), "b.c");  // shift Punctuation, back in Lower
  EXPECT_EQ(Decode(Text({27, 25, 26, 0})), "z a");
  // A shift while another is pending replaces it: the value comes from the Punctuation table.
  EXPECT_EQ(Decode(Text({27, 27, 29, 1, 0})), "<a");
  EXPECT_EQ(Decode(Text({27, 29, 27, 0, 0})), "}aa");  // no shift replaces a Punctuation shift
}

TEST(Decompact, MixedLatchesAndShift) {
  EXPECT_EQ(Decode(Text({28, 25, 0, 29, 1})), ";B");  // latch Punctuation, latch Alpha
  EXPECT_EQ(Decode(Text({28, 27, 0})), "a");          // latch Lower
  EXPECT_EQ(Decode(Text({28, 28, 0})), "A");          // latch Alpha
  EXPECT_EQ(Decode(Text({28, 29, 15, 5})), "\n5");    // shift Punctuation, back in Mixed
  EXPECT_EQ(Decode(Text({28, 11, 12, 24})), "\r\t^");
}

TEST(Decompact, PunctuationLatchedKeepsItsValues) {
  // In Punctuation 25, 27 and 28 are characters; only 29 leaves it.
  EXPECT_EQ(Decode(Text({28, 25, 25, 27, 28, 29, 0})), "?}'A");
}

TEST(Decompact, PendingPunctuationShiftReadsControlsAsCharacters) {
  EXPECT_EQ(Decode(Text({29, 25, 29, 27, 29, 28, 0})), "?}'A");
  EXPECT_EQ(Decode(Text({28, 29, 25, 1})), "?1");  // Mixed 25 under the shift is no latch
}

TEST(Decompact, ReservedCodewordsInTextYieldNothing) {
  EXPECT_EQ(Decode({905}), "F");            // 30 then 5: at the start read as text
  EXPECT_EQ(Decode({1, 905, 1}), "ABFAB");  // inside a text segment
  EXPECT_EQ(Decode({29, 905, 1}), "AFAB");  // 30 uses up the pending shift
  for (int c : {903, 912, 914, 920, 922, 923})
    EXPECT_EQ(Decode({c}), std::string(1, static_cast<char>('A' + c % 30))) << c;
}

// --- Byte ----------------------------------------------------------------------------------

TEST(Decompact, ByteLatch924TakesGroupsOfFiveAndSingles) {
  const std::string a("\x00\x01\x7f\x80\xfe\xff", 6);
  const std::string b("\xff\xff\xff\xff\xff\xff", 6);
  EXPECT_EQ(Decode(Concat({924}, ByteGroup(a))), a);
  EXPECT_EQ(Decode(Concat(Concat({924}, ByteGroup(a)), ByteGroup(b))), a + b);
  EXPECT_EQ(Decode(Concat(Concat({924}, ByteGroup(b)), {65, 66})), b + "AB");
}

TEST(Decompact, ByteLatch901KeepsTheLastFiveAsSingles) {
  EXPECT_EQ(Decode({901, 65, 66, 67, 68, 69}), "ABCDE");
  const std::string six = "PDF417";
  EXPECT_EQ(Decode(Concat(Concat({901}, ByteGroup(six)), {33})), six + "!");
  EXPECT_EQ(Decode(Concat(Concat({901}, ByteGroup(six)), {1, 2, 3, 4, 5})),
            six + "\x01\x02\x03\x04\x05");
  EXPECT_EQ(Decode({901}), "");
  EXPECT_EQ(Decode({924}), "");
}

TEST(Decompact, ValuesThatAreNoBytesAreCorruptData) {
  // Single bytes above 255, a group codeword from 900 on, a group of five beyond 2^48 - 1.
  const std::vector<std::vector<int>> corrupt = {{901, 300, 65},
                                                 {913, 500},
                                                 {1, 913, 256},
                                                 {924, 1, 2, 3, 4, 905},
                                                 {924, 899, 899, 899, 899, 899},
                                                 {901, 927, 3, 256}};
  for (const std::vector<int>& codewords : corrupt) {
    EXPECT_EQ(ThrownCode(codewords), ErrorCode::ContainerMisuse) << codewords[1];
  }
  // The largest group: six bytes of 0xff.
  EXPECT_EQ(Elements(Concat({924}, ByteGroup(std::string(6, '\xff')))), std::vector<int>(6, 255));
}

// Random data codewords with a value from 256 to 899 at a single-byte place never give bytes:
// the byte run's single bytes, after designators or not, and byte shifts.
TEST(Decompact, RandomSequencesWithANonByteWhereAByteBelongsAreRefused) {
  std::mt19937 rng(2024);
  std::uniform_int_distribution<int> any(0, 928);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> nonByte(256, 899);
  for (int trial = 0; trial < 3000; ++trial) {
    // Some random codewords (any mode, any control), then a byte run whose single bytes hold
    // one value above 255, possibly behind ECI designators.
    std::vector<int> codewords;
    const int prefix = std::uniform_int_distribution<int>(0, 6)(rng);
    for (int i = 0; i < prefix; ++i) codewords.push_back(any(rng));
    // Close whatever the prefix opened (a Macro block, an unfinished designator) with a latch.
    codewords.push_back(900);
    codewords.push_back(900);
    codewords.push_back(900);
    const bool shift = trial % 4 == 0;
    if (shift) {
      codewords.push_back(913);
      codewords.push_back(nonByte(rng));
    } else {
      codewords.push_back(trial % 3 == 0 ? 924 : 901);
      const int groups = std::uniform_int_distribution<int>(0, 3)(rng);
      for (int i = 0; i < 5 * groups; ++i) codewords.push_back(byte(rng));
      if (trial % 2 == 0) codewords.insert(codewords.end(), {927, 26});
      const int singles = std::uniform_int_distribution<int>(1, 4)(rng);
      const int bad = std::uniform_int_distribution<int>(0, singles - 1)(rng);
      for (int i = 0; i < singles; ++i) {
        codewords.push_back(i == bad ? nonByte(rng) : byte(rng));
        if (i == 0 && trial % 5 == 0) codewords.insert(codewords.end(), {926, 0, 3});
      }
    }
    DecompactInfo info;
    bool refused = false;
    try {
      Elements(codewords, &info);
    } catch (const Error&) {
      refused = true;
    }
    ASSERT_TRUE(refused) << "trial " << trial;
  }
}

TEST(Decompact, SegmentsFollowTheModeCodewords) {
  EXPECT_EQ(Decode(Concat(Concat(Text({27, 0, 1}), {901, 196, 900}), Text({2}))),
            "ab\xc4"
            "C");
  EXPECT_EQ(Decode({901, 65, 900, 1}), "AAB");
}

TEST(Decompact, OwnEncoderOutputRoundTrips) {
  for (const std::string& text :
       {std::string("A"), std::string("PDF417"), std::string("Hello, world! 0123456789"),
        std::string("\x00\xff\x10\x80 binary\r\n", 14)}) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const int level = 2;
    const CodewordSequence sequence =
        BuildCodewords(bytes, static_cast<int>(text.size()), 3, level, 3);
    LinkedList<int> data;
    for (int c : sequence) data.Append(c);
    data.RemoveFirst();  // the stored descriptor gives way to the count, as in the pipeline
    data.InsertFront(static_cast<int>(sequence.size()) - ErrorCorrectionCount(level));
    LinkedList<int> out;
    Decompact(data, out);
    std::string decoded;
    for (out.Reset(0); !out.AtEnd(); out.Advance())
      decoded.push_back(static_cast<char>(out.Data()));
    EXPECT_EQ(decoded, text);
  }
}

// --- Numeric -------------------------------------------------------------------------------

TEST(Decompact, NumericDropsTheLeadingOne) {
  EXPECT_EQ(Decode({902, 1, 100}), "000");
  EXPECT_EQ(Decode(Concat({902}, Numeric("000123"))), "000123");
  EXPECT_EQ(Decode({902, 0}), "");  // all zeros: nothing
  EXPECT_EQ(Decode({902}), "");
}

TEST(Decompact, NumericGroupsOfFifteenCodewords) {
  const std::string digits44 = "12345678901234567890123456789012345678901234";
  const std::vector<int> one = Numeric(digits44);
  ASSERT_EQ(one.size(), 15u);
  EXPECT_EQ(Decode(Concat({902}, one)), digits44);
  // 44 + 6 digits: the sixteenth codeword opens a second group with its own leading 1.
  const std::string digits50 = digits44 + "987654";
  EXPECT_EQ(Decode(Concat({902}, Numeric(digits50))), digits50);
  // The largest group value fills all 45 digits.
  EXPECT_EQ(Decode(Concat({902}, std::vector<int>(15, 899))),
            "05891132094648999999999999999999999999999999");
  // Numeric amid text.
  EXPECT_EQ(
      Decode(Concat(Concat(Text({1}), Concat({902}, Numeric("42"))), Concat({900}, Text({2})))),
      "B42C");
}

TEST(Decompact, DigitAccumulatorWrapsModulo10To45) {
  DigitAccumulator acc;
  acc.Add(1);
  for (int i = 0; i < 15; ++i) acc.MultiplyBy900();  // 900^15 = 2.05...e44
  EXPECT_EQ(acc.Digit(0), 2);
  EXPECT_EQ(acc.Digit(1), 0);
  EXPECT_EQ(acc.Digit(2), 5);
  acc.MultiplyBy900();  // 900^16 needs 48 digits: the top ones fall off
  acc.Add(999);
  EXPECT_EQ(acc.Digit(44), 9);
  EXPECT_EQ(acc.Digit(43), 9);
  EXPECT_EQ(acc.Digit(42), 9);
}

// --- Byte shift ----------------------------------------------------------------------------

TEST(Decompact, ByteShiftResumesTheTextSubmode) {
  EXPECT_EQ(Decode({913, 65}), "A");
  // Lower-case text around one non-text byte stays lower case.
  EXPECT_EQ(Decode(Concat(Concat(Text({27, 0}), {913, 196}), Text({1, 2}))),
            "a\xc4"
            "bc");
  // Mixed stays Mixed.
  EXPECT_EQ(Decode(Concat(Concat(Text({28, 1}), {913, 10}), Text({2, 3}))), "1\n23");
  // A pending shift is used up by the shifted byte.
  EXPECT_EQ(Decode(Concat(Concat(Text({27, 29}), {913, 65}), Text({1, 2}))), "Abc");
  // An explicit latch still starts over in Alpha.
  EXPECT_EQ(Decode(Concat(Concat(Text({27, 0}), {913, 65, 900}), Text({1}))), "aAB");
}

TEST(Decompact, ByteShiftOutsideTextLeavesAlphaText) {
  EXPECT_EQ(Decode({901, 65, 913, 66, 1}), "ABAB");
}

TEST(Decompact, TruncatedDataIsAnError) {
  EXPECT_EQ(ThrownCode({1, 913}), ErrorCode::ContainerMisuse);  // never the first trailer codeword
  EXPECT_EQ(ThrownCode({927}), ErrorCode::ContainerMisuse);
  EXPECT_EQ(ThrownCode({926, 1}), ErrorCode::ContainerMisuse);
  EXPECT_EQ(ThrownCode({925}), ErrorCode::ContainerMisuse);
  EXPECT_EQ(ThrownCode({928, 111}), ErrorCode::ContainerMisuse);

  LinkedList<int> bytes;
  LinkedList<int> tooLong = DataList({1}, 9);  // the count runs past the list
  EXPECT_THROW(Decompact(tooLong, bytes), Error);
  LinkedList<int> empty;
  EXPECT_THROW(Decompact(empty, bytes), Error);
  LinkedList<int> countOnly = DataList({}, 1);
  Decompact(countOnly, bytes);
  EXPECT_EQ(bytes.Size(), 0);
}

// --- Control codewords ---------------------------------------------------------------------

TEST(Decompact, EciDesignatorsAreSkippedAndRecorded) {
  DecompactInfo info;
  EXPECT_EQ(Decode({927, 26, 1}, &info), "AB");
  ASSERT_EQ(info.eci.size(), 1u);
  EXPECT_EQ(info.eci[0].number, 26);
  EXPECT_EQ(info.eci[0].position, 0u);

  EXPECT_EQ(Decode({926, 0, 100, 1, 926, 899, 899, 925, 5, 2}, &info), "ABAC");
  ASSERT_EQ(info.eci.size(), 3u);
  EXPECT_EQ(info.eci[0].number, 1000);
  EXPECT_EQ(info.eci[1].number, 810899);
  EXPECT_EQ(info.eci[1].position, 2u);
  EXPECT_EQ(info.eci[2].number, 810905);
  EXPECT_EQ(info.eci[2].position, 2u);
  EXPECT_FALSE(info.macro.present);
  EXPECT_FALSE(info.readerInitialisation);
}

TEST(Decompact, EciKeepsTheModeAndTextSubmode) {
  DecompactInfo info;
  EXPECT_EQ(Decode(Concat(Concat(Text({27, 0, 1, 2}), {927, 3}), Text({23, 24})), &info), "abcxy");
  EXPECT_EQ(info.eci[0].position, 3u);
  // A pad shift before the designator does not reach the text after it.
  EXPECT_EQ(Decode(Concat(Concat(Text({27, 1, 2}), {927, 3}), Text({23, 24}))), "bcxy");
  // Byte compaction goes on: 67 stays a byte rather than text "CH".
  EXPECT_EQ(Decode({901, 65, 66, 927, 3, 67}, &info), "ABC");
  EXPECT_EQ(info.eci[0].position, 2u);
  EXPECT_EQ(Decode({902, 1, 100, 927, 3, 1, 100}), "000000");
}

// A byte run goes on across designators: its groups of five are counted over the whole run,
// and each designator lands at the byte it precedes.
TEST(Decompact, ByteRunsGoOnAcrossEciDesignators) {
  // A sample symbol of another encoder: "AB" as text, then one 901 run with four designators.
  const std::vector<int> sample = {1,  901, 927, 20,  246, 877, 166, 106, 797, 927, 30, 927,
                                   29, 415, 537, 357, 329, 194, 927, 8,   225, 144, 172};
  DecompactInfo info;
  const std::string bytes = Decode(sample, &info);
  std::string hex;
  for (const char b : bytes) {
    hex += "0123456789abcdef"[static_cast<std::uint8_t>(b) >> 4];
    hex += "0123456789abcdef"[static_cast<std::uint8_t>(b) & 15];
  }
  EXPECT_EQ(hex, "4142935fe4aa8365f7feb0f2f4f6e190ac");
  std::vector<std::pair<int, std::size_t>> designators;
  for (const EciDesignator& d : info.eci) designators.emplace_back(d.number, d.position);
  EXPECT_EQ(designators,
            (std::vector<std::pair<int, std::size_t>>{{20, 2}, {30, 8}, {29, 8}, {8, 14}}));

  // Every split of random data between two designators round-trips, whatever the latch, and the
  // designator's position is that of the byte it precedes.
  std::mt19937 rng(5);
  for (int length = 1; length <= 25; ++length) {
    std::string data;
    for (int i = 0; i < length; ++i) data.push_back(static_cast<char>(rng() & 255));
    const int latch = length % 6 == 0 ? 924 : 901;
    std::vector<int> run = {latch};
    std::size_t at = 0;
    for (; at + 6 <= data.size() && !(latch == 901 && at + 6 == data.size()); at += 6) {
      run = Concat(run, ByteGroup(data.substr(at, 6)));
    }
    for (std::size_t i = at; i < data.size(); ++i)
      run.push_back(static_cast<std::uint8_t>(data[i]));
    // A designator after every group boundary and between the single bytes.
    for (std::size_t cut = 1; cut < run.size(); ++cut) {
      const std::size_t codewordsBefore = cut - 1;
      const bool inGroup = codewordsBefore < at / 6 * 5 && codewordsBefore % 5 != 0;
      if (inGroup) continue;
      std::vector<int> withEci(run.begin(), run.begin() + static_cast<long>(cut));
      withEci.insert(withEci.end(), {926, 1, 7});
      withEci.insert(withEci.end(), run.begin() + static_cast<long>(cut), run.end());
      ASSERT_EQ(Decode(withEci, &info), data) << length << " cut " << cut;
      ASSERT_EQ(info.eci.size(), 1u);
      EXPECT_EQ(info.eci[0].number, 1807);
      const std::size_t expected = codewordsBefore <= at / 6 * 5
                                       ? codewordsBefore / 5 * 6
                                       : at + (codewordsBefore - at / 6 * 5);
      EXPECT_EQ(info.eci[0].position, expected) << length << " cut " << cut;
    }
  }
}

TEST(Decompact, ReaderInitialisation) {
  DecompactInfo info;
  EXPECT_EQ(Decode({921, 1}, &info), "AB");
  EXPECT_TRUE(info.readerInitialisation);
}

TEST(Decompact, MacroControlBlock) {
  DecompactInfo info;
  // Segment index 1 (100001), file id 123 456, a segment count field (923, 1, 100003).
  EXPECT_EQ(Decode({1, 900, 928, 111, 101, 123, 456, 923, 1, 111, 103}, &info), "AB");
  EXPECT_TRUE(info.macro.present);
  EXPECT_EQ(info.macro.segmentIndex, 1);
  EXPECT_EQ(info.macro.fileId, "123456");
  EXPECT_FALSE(info.macro.lastSegment);

  EXPECT_EQ(Decode({1, 928, 111, 102, 923, 1, 111, 103, 922}, &info), "AB");
  EXPECT_EQ(info.macro.segmentIndex, 2);
  EXPECT_EQ(info.macro.fileId, "");
  EXPECT_TRUE(info.macro.lastSegment);

  // A text field (file name) and a leading-zero file id.
  EXPECT_EQ(Decode({2, 928, 111, 100, 1, 2, 923, 0, 1, 2, 900, 3, 922}, &info), "AC");
  EXPECT_EQ(info.macro.segmentIndex, 0);
  EXPECT_EQ(info.macro.fileId, "001002");
  EXPECT_TRUE(info.macro.lastSegment);

  // A block that ends at a mode codeword gives way to data again.
  EXPECT_EQ(Decode({928, 111, 100, 7, 900, 1}, &info), "AB");
  EXPECT_EQ(info.macro.fileId, "007");
  EXPECT_FALSE(info.macro.lastSegment);

  // The result describes only the last call.
  EXPECT_EQ(Decode({1}, &info), "AB");
  EXPECT_FALSE(info.macro.present);
  EXPECT_EQ(info.macro.segmentIndex, -1);
}

}  // namespace
}  // namespace pdf417
