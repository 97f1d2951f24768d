// The encode command's defaults: out.png when no output is named (bar.bmp for the classic bitmap),
// colours that most readers cannot read written with a warning, and names made twice in a batch
// numbered instead of refused.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

using testutil::ShellQuote;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

Outcome Tool(const testutil::TempDir& dir, const std::string& args) {
  const std::string command = "cd " + ShellQuote(dir.path()) + " && " +
                              ShellQuote(PDF417_CLI_PATH) + " " + args + " >.out 2>.err </dev/null";
  const int rc = std::system(command.c_str());
  Outcome r;
  r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  const auto out = testutil::ReadBytes(dir / ".out");
  const auto err = testutil::ReadBytes(dir / ".err");
  r.out.assign(out.begin(), out.end());
  r.err.assign(err.begin(), err.end());
  return r;
}

std::string Head(const std::string& path, std::size_t n) {
  const auto bytes = testutil::ReadBytes(path);
  return std::string(bytes.begin(), bytes.begin() + static_cast<long>(std::min(n, bytes.size())));
}

TEST(CliEncodeDefaults, UnnamedOutputIsOutPngAndTheClassicBitmapBarBmp) {
  testutil::TempDir dir;
  ASSERT_EQ(Tool(dir, "encode 'no name'").status, 0);
  EXPECT_EQ(Head(dir / "out.png", 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(Tool(dir, "decode out.png").out, "no name");
  ASSERT_EQ(Tool(dir, "encode --aspect 2 classic").status, 0);
  EXPECT_EQ(Head(dir / "bar.bmp", 2), "BM");
  EXPECT_EQ(Tool(dir, "decode bar.bmp").out, "classic");
}

TEST(CliEncodeDefaults, ColoursMostReadersCannotReadAreWrittenWithAWarning) {
  testutil::TempDir dir;
  const struct {
    std::string colours;
    const char* warning;  // nullptr: none
    bool ours;            // our decoder reads it
  } cases[] = {
      {"--fg 000000 --bg ffffff", nullptr, true},
      {"--fg 203040 --bg f0e0a0", nullptr, true},
      {"--fg ffffff --bg 000000", "lighter than the background", true},
      {"--fg ffff00 --bg 0000ff", "lighter than the background", true},
      {"--fg 808080 --bg 808080", "as light as the background", false},
  };
  for (const auto& c : cases) {
    const Outcome r = Tool(dir, "encode -o c.png " + c.colours + " 'colour pair'");
    ASSERT_EQ(r.status, 0) << c.colours << "\n" << r.err;
    if (c.warning == nullptr) {
      EXPECT_EQ(r.err, "") << c.colours;
    } else {
      EXPECT_NE(r.err.find(c.warning), std::string::npos) << c.colours << "\n" << r.err;
      EXPECT_NE(r.err.find("most readers will not read"), std::string::npos) << r.err;
    }
    EXPECT_EQ(Tool(dir, "decode c.png").out, c.ours ? "colour pair" : "") << c.colours;
  }
}

TEST(CliEncodeDefaults, NamesMadeTwiceInABatchAreNumbered) {
  testutil::TempDir dir;
  const std::string lines = "a b\na_b\nother\na b\na_b-2\n";
  testutil::WriteBytes(dir / "lines.txt", {lines.begin(), lines.end()});
  const Outcome r = Tool(dir, "encode --batch -o x.png --input lines.txt");
  ASSERT_EQ(r.status, 0) << r.err;
  const struct {
    const char* file;
    const char* data;
  } written[] = {{"a_b.png", "a b"},
                 {"a_b-2.png", "a_b"},
                 {"other.png", "other"},
                 {"a_b-3.png", "a b"},
                 {"a_b-2-2.png", "a_b-2"}};
  for (const auto& w : written) {
    EXPECT_EQ(Tool(dir, std::string("decode ") + w.file).out, w.data) << w.file;
  }
  EXPECT_NE(r.err.find("line 2 written as a_b-2.png, since a_b.png is line 1's"), std::string::npos)
      << r.err;
}

}  // namespace
