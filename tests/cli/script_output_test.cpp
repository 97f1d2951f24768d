// Output for scripts. `pdf417 decode --json`: every line parses with Python's json module, whatever
// the bytes, text and file names hold, for files of no symbol, one symbol and several, Macro
// PDF417 and ECI. `encode -v` tells the size chosen and `encode --dump` the modules of it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_util.h"

namespace {

using testutil::ShellQuote;

// Reads each JSON line of standard input and prints what it holds, one line each: the file's
// bytes (hex), index/count, status, the bytes (hex, from the ISO 8859-1 string, checked against
// base64), the text, the ECI numbers and the Macro fields; or the exit status and error.
const char* kReader = R"(
import base64, json, os, sys
for line in sys.stdin.buffer:
    o = json.loads(line)
    name = os.fsencode(o["file"]).hex()
    if o["status"] != "decoded":
        print(name, o["status"], o["exit"], bool(o["error"]))
        continue
    data = o["bytes"].encode("latin-1")
    assert data == base64.b64decode(o["base64"])
    assert o["symbology"] == "PDF417" and o["rows"] >= 3 and len(o["corners"]) == 4
    m = o["macro"]
    macro = "-" if m is None else "%d/%s/%s" % (m["segment_index"], m["segment_count"], m["file_id"])
    eci = ",".join(str(e["number"]) for e in o["eci"]) or "-"
    print(name, "%d/%d" % (o["index"], o["count"]), data.hex(), o["text"].encode().hex(), eci, macro)
)";

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (const char ch : bytes) {
    out += digits[static_cast<unsigned char>(ch) >> 4];
    out += digits[static_cast<unsigned char>(ch) & 15];
  }
  return out;
}

// Runs a shell command in `dir`; its standard output.
std::string Shell(const testutil::TempDir& dir, const std::string& command, int& status) {
  return testutil::Shell("cd " + ShellQuote(dir.path()) + " && " + command, status);
}

std::string Latin1ToUtf8(const std::string& bytes) {
  std::string out;
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xc0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3f));
    }
  }
  return out;
}

// The reader's line for a symbol of bytes without an ECI, read as ISO 8859-1 text.
std::string Plain(const std::string& file, const std::string& at, const std::string& bytes,
                  const std::string& macro = "-") {
  return Hex(file) + " " + at + " " + Hex(bytes) + " " + Hex(Latin1ToUtf8(bytes)) + " - " + macro;
}

TEST(CliDecodeJson, EveryLineParsesAndHoldsTheSymbol) {
  testutil::TempDir dir;
  const std::string cli = ShellQuote(PDF417_CLI_PATH);
  std::string all;  // every byte value: control characters, quotes, bytes that are not UTF-8
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  testutil::WriteBytes(dir / "all.bin", {all.begin(), all.end()});
  const std::string odd = "odd \"name\" \\ \xff.png";  // not UTF-8 either
  int status = -1;
  const std::string made[] = {
      "-o " + ShellQuote(odd) + " -i all.bin",
      "-o eci.png '中文'",
      "-o macro.png --structapp 2,3,17 'second of three'",
      "-o latin.png --binary --esc 'Gr\\xfc\\xdf\\d101 \"q\" \\\\ \\t'",
  };
  for (const std::string& args : made) {
    Shell(dir, cli + " encode " + args, status);
    ASSERT_EQ(status, 0) << args;
  }
  testutil::WriteBytes(dir / "text.txt", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'});
  const std::string grid = std::string(PDF417_SAMPLES_DIR) + "/multi/grid-2x2-ours-and-zint";
  std::vector<std::string> gridLines;
  for (int k = 1; k <= 4; ++k) {
    const auto bytes = testutil::ReadBytes(grid + "." + std::to_string(k) + ".bin");
    gridLines.push_back(
        Plain(grid + ".png", std::to_string(k - 1) + "/4", {bytes.begin(), bytes.end()}));
  }

  const struct {
    std::string files;
    int exit;
    std::vector<std::string> lines;
  } cases[] = {
      {ShellQuote(odd), 0, {Plain(odd, "0/1", all)}},
      {"eci.png", 0, {Hex("eci.png") + " 0/1 " + Hex("中文") + " " + Hex("中文") + " 26 -"}},
      {"macro.png", 0, {Plain("macro.png", "0/1", "second of three", "1/3/017")}},
      {"latin.png",
       0,
       {Plain("latin.png", "0/1",
              "Gr\xFC\xDF"
              "e \"q\" \\ \t")}},
      {ShellQuote(grid + ".png"), 0, gridLines},
      {"text.txt missing.png",
       4,
       {Hex("text.txt") + " file-unreadable 4 True", Hex("missing.png") + " file-missing 3 True"}},
      {"macro.png text.txt",
       4,
       {Plain("macro.png", "0/1", "second of three", "1/3/017"),
        Hex("text.txt") + " file-unreadable 4 True"}},
  };
  for (const auto& c : cases) {
    const std::string out =
        Shell(dir,
              "{ " + cli + " decode --json " + c.files +
                  " 2>/dev/null; echo $? > status; } | python3 -c " + ShellQuote(kReader),
              status);
    EXPECT_EQ(status, 0) << c.files << ": the reader failed";
    const auto decodeStatus = testutil::ReadBytes(dir / "status");
    EXPECT_EQ(std::string(decodeStatus.begin(), decodeStatus.end()), std::to_string(c.exit) + "\n")
        << c.files;
    std::string expected;
    for (const std::string& line : c.lines) expected += line + "\n";
    EXPECT_EQ(out, expected) << c.files;
  }
  // Lines of their own: not with the output of --join or --tagged.
  for (const char* other : {"--join", "--tagged"}) {
    Shell(dir, cli + " decode --json " + other + " macro.png 2>/dev/null", status);
    EXPECT_EQ(status, 2) << other;
  }
}

TEST(CliEncodeForScripts, VerboseTellsTheSizeAndDumpTheModules) {
  testutil::TempDir dir;
  const std::string cli = ShellQuote(PDF417_CLI_PATH);
  int status = -1;
  const struct {
    std::string options;
    std::string told;  // in the -v line
    int rows;
    int width;  // modules a row
  } cases[] = {
      {"-c 3 -l 4", "PDF417, 3 columns, 14 rows, level 4", 14, 17 * 3 + 69},
      {"--compact -c 2 -l 2", "compact PDF417, 2 columns, 8 rows, level 2", 8, 17 * 2 + 35},
      {"--micro -c 2", "MicroPDF417, 2 columns, 8 rows, the error correction of its size", 8, 55},
  };
  for (const auto& c : cases) {
    const std::string what = "encode -v " + c.options + " 'PDF417 dump'";
    Shell(dir, cli + " " + what + " -o pic.png 2>told", status);
    ASSERT_EQ(status, 0) << what;
    const auto told = testutil::ReadBytes(dir / "told");
    EXPECT_NE(std::string(told.begin(), told.end()).find("pic.png: " + c.told), std::string::npos)
        << std::string(told.begin(), told.end());
    const std::string dump = Shell(dir, cli + " " + what + " --dump 2>/dev/null", status);
    ASSERT_EQ(status, 0) << what;
    // Lines of 0 and 1, one a row, each as wide as the symbol, dark at both ends.
    std::size_t lines = 0;
    for (std::size_t at = 0; at < dump.size(); ++lines) {
      const std::size_t end = dump.find('\n', at);
      ASSERT_NE(end, std::string::npos) << what;
      const std::string row = dump.substr(at, end - at);
      EXPECT_EQ(row.size(), static_cast<std::size_t>(c.width)) << what;
      EXPECT_EQ(row.find_first_not_of("01"), std::string::npos) << what;
      EXPECT_EQ(row.front(), '1') << what;
      EXPECT_EQ(row.back(), '1') << what;
      at = end + 1;
    }
    EXPECT_EQ(lines, static_cast<std::size_t>(c.rows)) << what;
  }
  // The picture's options have no use in a dump: refused, and no file written.
  for (const char* other : {"-o x.png", "--split", "--batch", "--format svg"}) {
    Shell(dir, cli + " encode --dump " + other + " 'x' >/dev/null 2>&1", status);
    EXPECT_EQ(status, 2) << other;
  }
}

}  // namespace
