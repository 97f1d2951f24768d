// Decompaction of symbols made by an independent encoder: zint's command-line tool writes a
// PDF417 symbol as module rows (--dump); the codewords are read back through the pattern
// tables and decompacted.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "pdf417/common/linked_list.h"
#include "pdf417/common/patterns.h"
#include "pdf417/decoder/decompact/decompact.h"
#include "test_util.h"

namespace pdf417 {
namespace {

using testutil::ShellQuote;
using testutil::ZintInstalled;

int CodewordOf(int cluster, std::int32_t pattern) {
  const PatternEntry* table = PatternToCodeword[cluster];
  const PatternEntry* end = table + kCodewordCount;
  const PatternEntry* at = std::lower_bound(
      table, end, pattern, [](const PatternEntry& e, std::int32_t v) { return e.value < v; });
  return at != end && at->value == pattern ? at->codewordPlusOne - 1 : -1;
}

// What zint made of some data: the codewords of the symbol row by row, left to right, without
// row indicators (data codewords first, the error-correction codewords after them).
struct ZintSymbol {
  std::vector<int> codewords;
  std::string failure;  // empty when the symbol was read
};

// Runs zint on data (given in a file, so any byte passes; none when empty, for options that
// carry the data themselves) with extra options and reads the codewords out of its dump.
ZintSymbol RunZint(const std::string& data, const std::string& options = "") {
  ZintSymbol symbol;
  testutil::TempDir dir;
  const std::string input = dir / "data";
  std::string command = "zint -b 55 --dump ";
  if (!data.empty()) {
    testutil::WriteBytes(input, std::vector<std::uint8_t>(data.begin(), data.end()));
    command += "--input=" + ShellQuote(input) + " ";
  }
  command += options + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) {
    symbol.failure = "cannot run zint";
    return symbol;
  }
  std::string output;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output.append(buffer, n);
  if (::pclose(pipe) != 0) {
    symbol.failure = "zint failed: " + output;
    return symbol;
  }

  std::istringstream lines(output);
  std::string line;
  for (int row = 0; std::getline(lines, line); ++row) {
    std::string bits;
    for (char c : line) {
      if (c == ' ') continue;
      const std::size_t digit = std::string("0123456789ABCDEF").find(c);
      if (digit == std::string::npos) {
        symbol.failure = "unexpected zint output: " + output;
        return symbol;
      }
      for (int b = 3; b >= 0; --b) bits.push_back(((digit >> b) & 1) ? '1' : '0');
    }
    // Start, left indicator, data columns, right indicator: 17 modules each; an 18-module stop
    // pattern; the dump pads the row to whole bytes.
    const int groups = static_cast<int>((bits.size() - 1) / 17) - 1;
    if (groups < 4) {
      symbol.failure = "row too short: " + line;
      return symbol;
    }
    for (int i = 0; i < kStartPatternModules; ++i) {
      if (bits[static_cast<std::size_t>(i)] != '0' + StartPattern[i]) {
        symbol.failure = "no start pattern in row " + std::to_string(row);
        return symbol;
      }
    }
    for (int g = 2; g < groups - 1; ++g) {
      const int value = std::stoi(bits.substr(static_cast<std::size_t>(17 * g), 17), nullptr, 2);
      const int codeword = CodewordOf(row % 3, value);
      if (codeword < 0) {
        symbol.failure = "unknown pattern in row " + std::to_string(row);
        return symbol;
      }
      symbol.codewords.push_back(codeword);
    }
  }
  if (symbol.codewords.empty()) symbol.failure = "empty symbol: " + output;
  return symbol;
}

bool Contains(const std::vector<int>& codewords, int codeword) {
  return std::find(codewords.begin(), codewords.end(), codeword) != codewords.end();
}

// Decompacts a zint symbol: its first codeword is the data count.
std::string DecompactSymbol(const ZintSymbol& symbol, DecompactInfo* info = nullptr) {
  LinkedList<int> data;
  for (int c : symbol.codewords) data.Append(c);
  LinkedList<int> bytes;
  Decompact(data, bytes, info);
  std::string out;
  for (bytes.Reset(0); !bytes.AtEnd(); bytes.Advance()) {
    out.push_back(static_cast<char>(bytes.Data() & 255));
  }
  return out;
}

class DecompactZint : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ZintInstalled()) GTEST_SKIP() << "the zint command-line tool is not installed";
  }
};

TEST_F(DecompactZint, MixedTextDigitsAndPunctuation) {
  const std::string text =
      "Invoice #12-34: total $56.78 (paid), ref A/b_c; 100% OK? {yes} [x] <y> ~z @w \"q\"\t'p'\r\n"
      "end|of^text=ok*";
  for (const char* options : {"", "--cols=3 --secure=1", "--cols=9 --secure=5"}) {
    const ZintSymbol symbol = RunZint(text, options);
    ASSERT_EQ(symbol.failure, "") << options;
    EXPECT_EQ(DecompactSymbol(symbol), text) << options;
  }
}

TEST_F(DecompactZint, LowerCaseTextWithOneNonTextByte) {
  // zint reads the data as UTF-8 and writes the A-umlaut as the Latin-1 byte 0xC4 behind a
  // byte shift, then goes on in lower case without a new latch.
  const ZintSymbol symbol = RunZint("hello\xc3\x84world and more lower case");
  ASSERT_EQ(symbol.failure, "");
  EXPECT_TRUE(Contains(symbol.codewords, 913));
  EXPECT_EQ(DecompactSymbol(symbol), "hello\xc4world and more lower case");
}

TEST_F(DecompactZint, LongDigitRuns) {
  const std::string digits(100, '0');
  std::string run;
  for (int i = 0; i < 137; ++i) run.push_back(static_cast<char>('0' + (i * 7 + 3) % 10));
  for (const std::string& text :
       {run, "00" + run, "Order " + run + " shipped", "1" + digits + "1", digits}) {
    const ZintSymbol symbol = RunZint(text);
    ASSERT_EQ(symbol.failure, "");
    EXPECT_TRUE(Contains(symbol.codewords, 902)) << text;
    EXPECT_EQ(DecompactSymbol(symbol), text);
  }
}

TEST_F(DecompactZint, BinaryData) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  // Lengths with and without a remainder of six: 924 and 901 latches, single bytes at the end.
  for (std::size_t length : {1u, 5u, 6u, 7u, 11u, 12u, 13u, 256u}) {
    std::string data = all.substr(256 - length);  // high bytes, so zint picks byte compaction
    const ZintSymbol symbol = RunZint(data, "--binary");
    ASSERT_EQ(symbol.failure, "") << length;
    const int latch = length == 1 ? 913 : length % 6 == 0 ? 924 : 901;
    EXPECT_TRUE(Contains(symbol.codewords, latch)) << length;
    EXPECT_EQ(DecompactSymbol(symbol), data) << length;
  }
  // Bytes between text runs.
  const std::string mixed =
      std::string("header\x01\x02\xff\xfe\x80 middle ", 20) + all.substr(0, 40);
  const ZintSymbol symbol = RunZint(mixed, "--binary");
  ASSERT_EQ(symbol.failure, "");
  EXPECT_EQ(DecompactSymbol(symbol), mixed);
}

TEST_F(DecompactZint, EciDesignators) {
  DecompactInfo info;
  const std::string utf8 =
      "Gr\xc3\xbc\xc3\x9f"
      "e, \xe4\xb8\x96\xe7\x95\x8c";
  const ZintSymbol symbol = RunZint(utf8, "--eci=26");
  ASSERT_EQ(symbol.failure, "");
  EXPECT_EQ(DecompactSymbol(symbol, &info), utf8);
  ASSERT_EQ(info.eci.size(), 1u);
  EXPECT_EQ(info.eci[0].number, 26);
  EXPECT_EQ(info.eci[0].position, 0u);

  // A second designator in the middle of lower-case text.
  const ZintSymbol two = RunZint("", "--eci=3 -d abc --seg1=26,xyz");
  ASSERT_EQ(two.failure, "");
  EXPECT_EQ(DecompactSymbol(two, &info), "abcxyz");
  ASSERT_EQ(info.eci.size(), 2u);
  EXPECT_EQ(info.eci[0].number, 3);
  EXPECT_EQ(info.eci[1].number, 26);
  EXPECT_EQ(info.eci[1].position, 3u);

  // Numbers from 900 take two parameter codewords (926), from 810900 one (925).
  for (int number : {1000, 811799}) {
    const ZintSymbol large = RunZint("AB12", "--eci=" + std::to_string(number));
    ASSERT_EQ(large.failure, "") << number;
    EXPECT_TRUE(Contains(large.codewords, number < 810900 ? 926 : 925)) << number;
    EXPECT_EQ(DecompactSymbol(large, &info), "AB12") << number;
    ASSERT_EQ(info.eci.size(), 1u) << number;
    EXPECT_EQ(info.eci[0].number, number);
  }
}

// Byte data in segments of several ECIs: zint ends each segment's byte run and latches again
// after the designator; every split must give back the bytes and the designators' positions.
TEST_F(DecompactZint, ByteSegmentsUnderSeveralEcis) {
  std::mt19937 rng(11);
  const int ecis[] = {3, 7, 20, 26, 29, 30, 899};
  for (int trial = 0; trial < 12; ++trial) {
    const int segments = 2 + trial % 3;
    std::string options = "--binary --esc";
    std::string all;
    std::vector<std::pair<int, std::size_t>> expected;
    for (int seg = 0; seg < segments; ++seg) {
      const int eci = ecis[(trial + 3 * seg) % 7];
      const int length = 1 + static_cast<int>(rng() % 14);
      std::string escaped;
      expected.emplace_back(eci, all.size());
      for (int i = 0; i < length; ++i) {
        const int byte = 128 + static_cast<int>(rng() % 128);  // high bytes: byte compaction
        all.push_back(static_cast<char>(byte));
        escaped +=
            "\\x" + std::string(1, "0123456789ABCDEF"[byte >> 4]) + "0123456789ABCDEF"[byte & 15];
      }
      options += seg == 0 ? " --eci=" + std::to_string(eci) + " -d '" + escaped + "'"
                          : " --seg" + std::to_string(seg) + "=" + std::to_string(eci) + ",'" +
                                escaped + "'";
    }
    const ZintSymbol symbol = RunZint("", options);
    ASSERT_EQ(symbol.failure, "") << options;
    DecompactInfo info;
    EXPECT_EQ(DecompactSymbol(symbol, &info), all) << options;
    std::vector<std::pair<int, std::size_t>> found;
    for (const EciDesignator& d : info.eci) found.emplace_back(d.number, d.position);
    EXPECT_EQ(found, expected) << options;
  }
}

// Text and digit runs interrupted by designators: each goes on after the designator in its own
// mode (text in its sub-mode; a numeric run closes its group before the designator).
TEST_F(DecompactZint, TextAndDigitSegmentsUnderSeveralEcis) {
  const std::string digits = "12345678901234567890123456789012345678901234567890";
  const struct {
    std::string options;
    std::string data;
  } cases[] = {
      {"--eci=3 -d 'lower case text' --seg1=26,'more lower case' --seg2=4,'MIXED 123 text'",
       "lower case textmore lower caseMIXED 123 text"},
      {"--eci=3 -d " + digits + " --seg1=26," + digits + "9 --seg2=7,abc",
       digits + digits + "9abc"},
  };
  for (const auto& c : cases) {
    const ZintSymbol symbol = RunZint("", c.options);
    ASSERT_EQ(symbol.failure, "") << c.options;
    DecompactInfo info;
    EXPECT_EQ(DecompactSymbol(symbol, &info), c.data) << c.options;
    EXPECT_EQ(info.eci.size(), 3u) << c.options;
  }
}

TEST_F(DecompactZint, MacroPdf417StructuredAppend) {
  DecompactInfo info;
  const ZintSymbol middle = RunZint("Segment two: 1234567890123", "--structapp=2,3,123007");
  ASSERT_EQ(middle.failure, "");
  EXPECT_TRUE(Contains(middle.codewords, 928));
  EXPECT_EQ(DecompactSymbol(middle, &info), "Segment two: 1234567890123");
  EXPECT_TRUE(info.macro.present);
  EXPECT_EQ(info.macro.segmentIndex, 1);
  EXPECT_EQ(info.macro.fileId, "123007");
  EXPECT_FALSE(info.macro.lastSegment);

  const ZintSymbol last = RunZint("the end", "--structapp=3,3");
  ASSERT_EQ(last.failure, "");
  EXPECT_EQ(DecompactSymbol(last, &info), "the end");
  EXPECT_EQ(info.macro.segmentIndex, 2);
  EXPECT_EQ(info.macro.fileId, "");
  EXPECT_TRUE(info.macro.lastSegment);
}

TEST_F(DecompactZint, ReaderInitialisation) {
  DecompactInfo info;
  const ZintSymbol symbol = RunZint("SETUP 42", "--init");
  ASSERT_EQ(symbol.failure, "");
  EXPECT_EQ(DecompactSymbol(symbol, &info), "SETUP 42");
  EXPECT_TRUE(info.readerInitialisation);
}

}  // namespace
}  // namespace pdf417
