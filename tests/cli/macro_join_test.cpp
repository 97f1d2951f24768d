// pdf417 decode --join over the sample folder's two pages of Macro PDF417 segments (each a 2 x 2
// grid of large symbols, ours and zint's, clean and scanned): the file's data, joined in segment
// order whatever the order of the pages.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "test_util.h"

namespace {

std::string Bytes(const std::string& path) {
  const auto b = testutil::ReadBytes(path);
  return std::string(b.begin(), b.end());
}

TEST(CliJoin, JoinsTheEightSegmentsOfTwoPages) {
  const std::string hard = std::string(PDF417_SAMPLES_DIR) + "/hard/";
  // The segments in page order are the file's in index order: four on each page.
  std::string file;
  for (const char* page : {"macro-page-1", "macro-page-2"}) {
    for (int i = 1; i <= 4; ++i) file += Bytes(hard + page + "." + std::to_string(i) + ".bin");
  }
  ASSERT_EQ(file.size(), 8u * 330u);
  testutil::TempDir dir;
  for (const std::string suffix : {".png", "-scan.jpg"}) {
    const std::string first = hard + "macro-page-1" + suffix;
    const std::string second = hard + "macro-page-2" + suffix;
    for (const bool reversed : {false, true}) {
      const std::string command = testutil::ShellQuote(PDF417_CLI_PATH) + " decode --join " +
                                  testutil::ShellQuote(reversed ? second : first) + " " +
                                  testutil::ShellQuote(reversed ? first : second) + " >" +
                                  testutil::ShellQuote(dir / "out") + " 2>" +
                                  testutil::ShellQuote(dir / "err");
      const int status = std::system(command.c_str());
      const std::string what = suffix + (reversed ? ", second page first" : "");
      ASSERT_TRUE(WIFEXITED(status)) << what;
      EXPECT_EQ(WEXITSTATUS(status), 0) << what << ": " << Bytes(dir / "err");
      EXPECT_EQ(Bytes(dir / "out"), file) << what;
    }
  }
}

}  // namespace
