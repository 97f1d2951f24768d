// Many files written at once: nothing appears before the commit, nothing is left without it, and
// the cost grows with the number of files alone.
#include "frontend/file_batch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
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

// Eight times the files take about eight times as long, not sixty-four as when each name was
// compared with every other. In memory where the machine has it, so that creating files costs
// little; a long folder name makes comparing two names as costly as in a deep tree.
TEST(FileBatchWrites, CostGrowsLinearlyWithTheNumberOfFiles) {
  if (::access("/dev/shm", W_OK) == 0) ::setenv("TMPDIR", "/dev/shm", 1);
  testutil::TempDir dir;
  ::unsetenv("TMPDIR");
  const std::string folder = dir / std::string(200, 'f');
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  auto secondsFor = [&folder](int files) {
    const auto start = std::chrono::steady_clock::now();
    pdf417::FileBatch batch;
    for (int i = 0; i < files; ++i) batch.Add(folder + "/" + std::to_string(i), {1});
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  const double small = std::min(secondsFor(3000), secondsFor(3000));
  const double large = secondsFor(24000);
  EXPECT_LT(large, 16 * small) << "3,000 files: " << small << " s, 24,000 files: " << large << " s";
}

}  // namespace
