// MicroPDF417 against independent peers run as black boxes: zxing-cpp 3.1's ZXingReader reads
// every size back to the exact bytes, zint's module rows are ours for the same codewords, our
// codeword counts are at most zint's, and the CLI's --micro makes what the reader reads.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "pdf417/common/error.h"
#include "pdf417/common/patterns.h"
#include "pdf417/encoder/micro.h"
#include "pdf417/encoder/symbol.h"
#include "test_util.h"

namespace {

using Rows = std::vector<std::vector<int>>;
using testutil::ShellQuote;

// zxing-cpp 3.1's reader (Debian's 1.4 reads no MicroPDF417): $PDF417_ZXING_READER, or where
// ../shared/peers/build-zxing-cpp.sh puts it; empty when it is not there.
std::string ZxingReader() {
  const char* given = std::getenv("PDF417_ZXING_READER");
  const char* home = std::getenv("HOME");
  const std::string path = given != nullptr ? given
                                            : std::string(home != nullptr ? home : "") +
                                                  "/.cache/zxing-cpp-3.1/bin/ZXingReader";
  return ::access(path.c_str(), X_OK) == 0 ? path : "";
}
#define NEED_ZXING_READER(reader) \
  if ((reader).empty())           \
  GTEST_SKIP() << "zxing-cpp 3.1's ZXingReader not found (PDF417_ZXING_READER)"

// (file, bytes) for every symbol ZXingReader reads in the files; a structured-append sequence it
// joins comes as one more entry.
std::vector<std::pair<std::string, std::string>> ReadByZxing(const std::string& reader,
                                                             const std::vector<std::string>& files,
                                                             const testutil::TempDir& dir) {
  std::string cmd = ShellQuote(reader) + " -formats MicroPDF417 -json";
  for (const std::string& f : files) cmd += " " + ShellQuote(f);
  if (std::system((cmd + " > " + ShellQuote(dir / "zxing.json")).c_str()) != 0) return {};
  std::vector<std::pair<std::string, std::string>> found;
  std::ifstream in(dir / "zxing.json");
  for (std::string line; std::getline(in, line);) {
    const auto field = [&line](const std::string& name) {
      const std::size_t at = line.find("\"" + name + "\":\"");
      const std::size_t begin = at == std::string::npos ? line.size() : at + name.size() + 4;
      return line.substr(begin, line.find('"', begin) - begin);
    };
    std::string bytes;
    std::istringstream hex(field("Bytes"));
    for (std::string b; hex >> b;) bytes += static_cast<char>(std::stoi(b, nullptr, 16));
    found.emplace_back(field("FilePath"), bytes);
  }
  return found;
}

// zint's MicroPDF417 of the data as module rows, from its --dump (whole hex digits a row); empty
// when zint made none of these columns (it takes more, with a warning, when the data do not fit).
Rows ZintRows(const std::string& data, int columns, int eci, const testutil::TempDir& dir) {
  testutil::WriteBytes(dir / "zint.in", std::vector<std::uint8_t>(data.begin(), data.end()));
  const std::string cmd = "zint -b 84 --binary --dump --cols=" + std::to_string(columns) +
                          (eci >= 0 ? " --eci=" + std::to_string(eci) : "") + " -i " +
                          ShellQuote(dir / "zint.in") + " > " + ShellQuote(dir / "zint.out") +
                          " 2> /dev/null";
  if (std::system(cmd.c_str()) != 0) return {};
  const std::size_t width = static_cast<std::size_t>(pdf417::MicroRowWidth(columns));
  Rows rows;
  std::ifstream in(dir / "zint.out");
  for (std::string line; std::getline(in, line);) {
    std::vector<int> bits;
    std::istringstream hex(line);
    for (std::string digits; hex >> digits;) {
      const int v = std::stoi(digits, nullptr, 16);
      for (int b = 4 * static_cast<int>(digits.size()) - 1; b >= 0; --b) bits.push_back(v >> b & 1);
    }
    if (bits.size() / 4 != (width + 3) / 4) return {};
    bits.resize(width);
    rows.push_back(bits);
  }
  return rows;
}

// The codewords of module rows, each symbol character looked up in all three clusters.
pdf417::CodewordSequence CodewordsOf(const Rows& rows, int columns) {
  pdf417::CodewordSequence words;
  for (const std::vector<int>& row : rows) {
    std::size_t x = pdf417::kRapModules;
    for (int j = 0; j < columns; ++j) {
      if (j == (columns == 3 ? 1 : columns == 4 ? 2 : -1)) x += pdf417::kRapModules;
      int pattern = 0;
      for (int m = 0; m < 17; ++m) pattern = pattern * 2 + row[x++];
      int word = -1;
      for (const auto& cluster : pdf417::PatternToCodeword) {
        for (const pdf417::PatternEntry& e : cluster)
          word = e.value == pattern ? e.codewordPlusOne - 1 : word;
      }
      words.push_back(word);
    }
  }
  return words;
}

// Data codewords of a symbol of these columns: its data region without the pads that end it.
int DataCount(const pdf417::CodewordSequence& words, int columns) {
  const int rows = static_cast<int>(words.size()) / columns;
  for (const pdf417::MicroSize& s : pdf417::MicroSizes()) {
    if (s.columns != columns || s.rows != rows) continue;
    int n = s.DataCapacity();
    while (n > 0 && words[static_cast<std::size_t>(n - 1)] == 900) --n;
    return n;
  }
  return -1;
}

std::string Binary(std::size_t length, std::uint32_t seed) {
  std::string out(length, '\0');
  for (char& c : out) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 16);
  }
  return out;
}

pdf417::SymbolOptions Micro(int columns, int rows = 0) {
  pdf417::SymbolOptions o;
  o.symbology = pdf417::Symbology::MicroPdf417;
  o.columns = columns;
  o.rows = rows;
  return o;
}

TEST(MicroPeers, ZxingReadsEverySizeFromOneByteToItsCapacity) {
  const std::string reader = ZxingReader();
  NEED_ZXING_READER(reader);
  // The most bytes, upper-case letters and spaces, and digits each size holds, as published.
  const int published[pdf417::kMicroSizeCount][3] = {
      {3, 6, 8},      {7, 12, 17},     {10, 18, 26},    {13, 22, 32},   {18, 30, 44},
      {22, 38, 55},   {8, 14, 20},     {14, 24, 35},    {21, 36, 52},   {27, 46, 67},
      {33, 56, 82},   {38, 64, 93},    {43, 72, 105},   {6, 10, 14},    {10, 18, 26},
      {15, 26, 38},   {20, 34, 49},    {27, 46, 67},    {39, 66, 96},   {54, 90, 132},
      {68, 114, 167}, {82, 138, 202},  {97, 162, 237},  {8, 14, 20},    {13, 22, 32},
      {20, 34, 49},   {27, 46, 67},    {34, 58, 85},    {45, 76, 111},  {63, 106, 155},
      {85, 142, 208}, {106, 178, 261}, {128, 214, 313}, {150, 250, 366}};
  std::string kinds[3] = {Binary(400, 7), "", ""};
  while (kinds[1].size() < 400) kinds[1] += "PACK MY BOX WITH FIVE DOZEN LIQUOR JUGS ";
  for (const char c : Binary(400, 11)) kinds[2] += static_cast<char>('0' + (c & 0x7f) % 10);
  testutil::TempDir dir;
  std::size_t symbols = 0;
  for (int i = 0; i < pdf417::kMicroSizeCount; ++i) {
    const pdf417::MicroSize& size = pdf417::MicroSizes()[static_cast<std::size_t>(i)];
    const std::string where = std::to_string(size.columns) + "x" + std::to_string(size.rows);
    std::vector<std::string> files;
    std::vector<std::string> expected;
    for (int k = 0; k < 3; ++k) {
      std::size_t n = 1;
      for (;; ++n) {
        // 1 to 3 pixels a module, each quarter turn, quiet zones of 1 and 2 modules, colours.
        pdf417::SymbolOptions o = Micro(size.columns, size.rows);
        o.drawing.moduleWidth = 1 + static_cast<int>(n % 3);
        o.drawing.quarterTurns = static_cast<int>(n % 4);
        o.drawing.quietZone = 1 + static_cast<int>(n % 2);
        if (n % 5 == 0) o.drawing.foreground = {20, 30, 120};
        pdf417::Symbol s;
        try {
          s = pdf417::Encode(kinds[k].substr(0, n), o);
        } catch (const pdf417::Error&) {
          break;
        }
        files.push_back(dir / (where + "-" + std::to_string(k) + "-" + std::to_string(n) + ".png"));
        expected.push_back(kinds[k].substr(0, n));
        testutil::WriteBytes(files.back(), pdf417::RenderPng(s));
      }
      EXPECT_GE(static_cast<int>(n) - 1, published[i][k]) << where << ", kind " << k;
    }
    const auto found = ReadByZxing(reader, files, dir);
    for (std::size_t f = 0; f < files.size(); ++f) {
      std::string read = "(not read)";
      for (const auto& r : found) read = r.first == files[f] ? r.second : read;
      EXPECT_EQ(read, expected[f]) << files[f];
    }
    symbols += files.size();
  }
  std::cout << symbols << " symbols read back by ZXingReader\n";
}

TEST(MicroPeers, ModuleRowsAreZintsForTheSameCodewords) {
  if (!testutil::ZintInstalled()) GTEST_SKIP() << "zint is not installed";
  testutil::TempDir dir;
  for (const pdf417::MicroSize& size : pdf417::MicroSizes()) {
    // Bytes that fill the size in byte compaction (a latch, 5 codewords per 6 bytes, 1 per other
    // byte): zint chooses this size for these columns.
    std::size_t n = 1;
    while (1 + 5 * ((n + 1) / 6) + (n + 1) % 6 <= static_cast<std::size_t>(size.DataCapacity())) {
      ++n;
    }
    const std::string data(n, '\xff');
    const Rows zint = ZintRows(data, size.columns, -1, dir);
    const std::string where = std::to_string(size.columns) + "x" + std::to_string(size.rows);
    ASSERT_EQ(zint.size(), static_cast<std::size_t>(size.rows)) << where;
    const pdf417::CodewordSequence words = CodewordsOf(zint, size.columns);
    const std::vector<std::uint8_t> ours = pdf417::MicroModules(size, words);
    for (int r = 0; r < size.rows; ++r) {
      const auto& row = zint[static_cast<std::size_t>(r)];
      EXPECT_TRUE(
          std::equal(row.begin(), row.end(), ours.begin() + r * static_cast<int>(row.size())))
          << where << " row " << r;
    }
    EXPECT_EQ(pdf417::Encode(data, Micro(size.columns, size.rows)).codewords, words) << where;
  }
}

TEST(MicroPeers, NoMoreCodewordsThanZint) {
  if (!testutil::ZintInstalled()) GTEST_SKIP() << "zint is not installed";
  struct Payload {
    const char* name;
    std::string data;
    int eci;
  };
  const Payload payloads[] = {
      {"GS1-like product code",
       "01095011015300031727063010LOT4711\x1d"
       "2100042",
       -1},
      {"serial number", "SN: 4711-0815-AB23", -1},
      {"URL", "https://example.com/p/12345?lot=A7", -1},
      // "二维条码编解码演示中文测试微型标签打印机" in GB 2312.
      {"20 Chinese characters, ECI 29",
       "\xB6\xFE\xCE\xAC\xCC\xF5\xC2\xEB\xB1\xE0\xBD\xE2\xC2\xEB\xD1\xDD\xCA\xBE\xD6\xD0\xCE\xC4"
       "\xB2\xE2\xCA\xD4\xCE\xA2\xD0\xCD\xB1\xEA\xC7\xA9\xB4\xF2\xD3\xA1\xBB\xFA",
       29},
      {"60 binary bytes", Binary(60, 3), -1},
  };
  testutil::TempDir dir;
  for (const Payload& p : payloads) {
    for (int columns = 1; columns <= pdf417::kMicroMaxColumns; ++columns) {
      const Rows zint = ZintRows(p.data, columns, p.eci, dir);
      if (zint.empty()) continue;  // too long for these columns
      const int theirs = DataCount(CodewordsOf(zint, columns), columns);
      pdf417::SymbolOptions o = Micro(columns);
      o.eci = p.eci;
      const pdf417::Symbol s = pdf417::Encode(p.data, o);
      const int mine = DataCount(s.codewords, columns);
      EXPECT_LE(mine, theirs) << p.name << ", " << columns << " columns";
      std::cout << p.name << ", " << columns << " columns: " << mine << " codewords (" << s.columns
                << "x" << s.rows << "), zint " << theirs << " (" << columns << "x" << zint.size()
                << ")\n";
    }
  }
}

TEST(MicroPeers, CliMakesWhatZxingReadsAndRefusesWhatMicroHasNot) {
  testutil::TempDir dir;
  const auto run = [&dir](const std::string& args) {
    const int status = std::system(("cd " + ShellQuote(dir.path()) + " && " + PDF417_CLI_PATH +
                                    " encode --micro " + args + " 2> err.txt > /dev/null")
                                       .c_str());
    const std::vector<std::uint8_t> err = testutil::ReadBytes(dir / "err.txt");
    return std::make_pair(WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                          std::string(err.begin(), err.end()));
  };
  const std::pair<const char*, const char*> refusals[] = {
      {"--level 2 x", "--level"}, {"--compact x", "--compact"}, {"-a 3 -o m.bmp x", "--aspect"}};
  for (const auto& [args, says] : refusals) {
    const auto [code, err] = run(args);
    EXPECT_EQ(code, 2) << args;
    EXPECT_EQ(err.find(std::string("pdf417 encode: ") + says), 0u) << err;
  }
  const std::string reader = ZxingReader();
  NEED_ZXING_READER(reader);
  // Data too long for one symbol spread over Macro segments, which the reader joins again.
  const std::string whole = Binary(400, 5);
  testutil::WriteBytes(dir / "long.bin", std::vector<std::uint8_t>(whole.begin(), whole.end()));
  ASSERT_EQ(run("--split -o part.png --input long.bin").first, 0);
  ASSERT_EQ(run("--cols 1 --rotate 270 -o one.bmp 'LOT 4711'").first, 0);
  std::vector<std::string> files{dir / "one.bmp"};
  for (int i = 1; ::access((dir / ("part-" + std::to_string(i) + ".png")).c_str(), R_OK) == 0;
       ++i) {
    files.push_back(dir / ("part-" + std::to_string(i) + ".png"));
  }
  ASSERT_GE(files.size(), 4u);  // 400 bytes take at least three symbols
  const auto found = ReadByZxing(reader, files, dir);
  EXPECT_NE(
      std::find(found.begin(), found.end(), std::make_pair(files[0], std::string("LOT 4711"))),
      found.end());
  bool joined = false;
  for (const auto& r : found) joined = joined || r.second == whole;
  EXPECT_TRUE(joined) << files.size() - 1 << " segments not joined";
}

}  // namespace
