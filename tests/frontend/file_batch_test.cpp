// Many files written at once: nothing appears before the commit, and nothing is left without it.
#include "frontend/file_batch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "pdf417/common/error.h"
#include "test_util.h"

namespace {

TEST(FileBatchWrites, NothingAppearsBeforeCommitAndNothingIsLeftWithout) {
  testutil::TempDir dir;
  const std::vector<std::uint8_t> a = {1, 2, 3};
  testutil::WriteBytes(dir / "old", {9});
  {
    pdf417::FileBatch batch;
    batch.Add(dir / "a", a);
    batch.Add(dir / "old", a);
    EXPECT_THROW(batch.Add(dir / "a", a), pdf417::Error);  // twice
    ASSERT_EQ(::mkdir((dir / "folder").c_str(), 0755), 0);
    EXPECT_THROW(batch.Add(dir / "folder", a), pdf417::Error);
    struct stat st {};
    EXPECT_NE(::stat((dir / "a").c_str(), &st), 0);
    EXPECT_EQ(testutil::ReadBytes(dir / "old"), std::vector<std::uint8_t>{9});
  }  // dropped without a commit: the temporary files go
  const std::string left = dir.path();
  const std::string cmd =
      "ls -A " + testutil::ShellQuote(left) + " > " + testutil::ShellQuote(dir / ".ls");
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const auto ls = testutil::ReadBytes(dir / ".ls");
  EXPECT_EQ(std::string(ls.begin(), ls.end()), ".ls\nfolder\nold\n");  // no temporary file

  pdf417::FileBatch batch;
  batch.Add(dir / "a", a);
  batch.Add(dir / "old", a);
  batch.Commit();
  EXPECT_EQ(testutil::ReadBytes(dir / "a"), a);
  EXPECT_EQ(testutil::ReadBytes(dir / "old"), a);
}

}  // namespace
