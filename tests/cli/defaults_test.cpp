// The encode command's defaults: out.png when no output is named (bar.bmp for the classic bitmap),
// colours that most readers cannot read written with a warning, and names made twice in a batch
// numbered instead of refused.
#include <gtest/gtest.h>

#include <string>

#include "test_util.h"

namespace {

using testutil::ShellQuote;

TEST(CliEncodeDefaults, NamesAndColours) {
  testutil::TempDir dir;
  const std::string cli = "cd " + ShellQuote(dir.path()) + " && " + ShellQuote(PDF417_CLI_PATH);
  int status = -1;
  auto err = [&dir] {
    const auto bytes = testutil::ReadBytes(dir / ".err");
    return std::string(bytes.begin(), bytes.end());
  };
  // out.png without -o, bar.bmp for the classic one-pixel bitmap.
  testutil::Shell(cli + " encode 'no name' && " + cli + " encode --aspect 2 classic", status);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(testutil::ReadBytes(dir / "out.png").at(1), 'P');
  EXPECT_EQ(testutil::ReadBytes(dir / "bar.bmp").at(0), 'B');
  EXPECT_EQ(testutil::Shell(cli + " decode out.png bar.bmp", status), "no nameclassic");

  const struct {
    std::string colours;
    std::string warning;  // empty: none
    std::string read;     // what our decoder reads
  } colours[] = {
      {"--fg 203040 --bg f0e0a0", "", "pair"},
      {"--fg ffff00 --bg 0000ff", "lighter than the background", "pair"},
      {"--fg 808080 --bg 808080", "as light as the background", ""},
  };
  for (const auto& c : colours) {
    testutil::Shell(cli + " encode -o c.png " + c.colours + " pair 2>.err", status);
    ASSERT_EQ(status, 0) << c.colours;
    if (c.warning.empty()) {
      EXPECT_EQ(err(), "") << c.colours;
    } else {
      EXPECT_NE(err().find(c.warning + " (--bg"), std::string::npos) << err();
      EXPECT_NE(err().find("most readers will not read"), std::string::npos) << err();
    }
    EXPECT_EQ(testutil::Shell(cli + " decode c.png 2>/dev/null", status), c.read) << c.colours;
  }

  // A batch named from the data numbers a name given before.
  const std::string lines = "a b\na_b\nother\na b\na_b-2\n";
  testutil::WriteBytes(dir / "lines.txt", {lines.begin(), lines.end()});
  testutil::Shell(cli + " encode --batch -o x.png --input lines.txt 2>.err", status);
  ASSERT_EQ(status, 0) << err();
  EXPECT_NE(err().find("line 2 written as a_b-2.png, since a_b.png is line 1's"), std::string::npos)
      << err();
  EXPECT_EQ(
      testutil::Shell(cli + " decode -n a_b.png a_b-2.png other.png a_b-3.png a_b-2-2.png", status),
      "a b\na_b\nother\na b\na_b-2\n");
}

}  // namespace
