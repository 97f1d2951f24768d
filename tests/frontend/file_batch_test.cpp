// Many files written at once: nothing appears before the commit, nothing is left without it, links
// are followed as a single write follows them, and the cost grows with the number of files.
#include "frontend/file_batch.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "pdf417/common/error.h"
#include "test_util.h"

namespace {

std::vector<std::string> Entries(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(path.c_str())) {
    while (const dirent* e = ::readdir(d)) {
      const std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    ::closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool IsLink(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

TEST(FileBatchWrites, NothingAppearsBeforeCommitAndNothingIsLeftWithout) {
  testutil::TempDir dir;
  const std::vector<std::uint8_t> a = {1, 2, 3};
  testutil::WriteBytes(dir / "old", {9});
  ASSERT_EQ(::mkdir((dir / "folder").c_str(), 0755), 0);
  {
    pdf417::FileBatch batch;
    batch.Add(dir / "a", a);
    batch.Add(dir / "old", a);
    EXPECT_THROW(batch.Add(dir / "a", a), pdf417::Error);  // twice
    EXPECT_THROW(batch.Add(dir / "folder", a), pdf417::Error);
    EXPECT_EQ(Entries(dir.path()).size(), 4u);  // two temporary files beside folder and old
    EXPECT_EQ(testutil::ReadBytes(dir / "old"), std::vector<std::uint8_t>{9});
  }  // dropped without a commit: the temporary files go
  EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"folder", "old"}));

  pdf417::FileBatch batch;
  batch.Add(dir / "a", a);
  batch.Add(dir / "old", a);
  batch.Commit();
  EXPECT_EQ(testutil::ReadBytes(dir / "a"), a);
  EXPECT_EQ(testutil::ReadBytes(dir / "old"), a);
  EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"a", "folder", "old"}));
}

// A rename that fails says how far the batch got; no temporary file stays behind.
TEST(FileBatchWrites, FailedRenameSaysWhatWasReplaced) {
  testutil::TempDir dir;
  for (const char* name : {"a", "b", "c"}) testutil::WriteBytes(dir / name, {9});
  {
    pdf417::FileBatch batch;
    for (const char* name : {"a", "b", "c"}) batch.Add(dir / name, {1});
    // b becomes a folder between writing and renaming: the rename over it fails.
    ASSERT_EQ(::unlink((dir / "b").c_str()), 0);
    ASSERT_EQ(::mkdir((dir / "b").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((dir / "b/inside").c_str(), 0755), 0);
    try {
      batch.Commit();
      ADD_FAILURE() << "renamed over a folder";
    } catch (const pdf417::Error& e) {
      EXPECT_NE(std::string(e.what()).find("1 of the 3 files were replaced"), std::string::npos)
          << e.what();
    }
  }
  EXPECT_EQ(testutil::ReadBytes(dir / "a"), std::vector<std::uint8_t>{1});
  EXPECT_EQ(testutil::ReadBytes(dir / "c"), std::vector<std::uint8_t>{9});
  EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"a", "b", "c"}));
}

// Links are followed as a single write follows them: the link stays and the file it leads to is
// replaced, or created when it dangles; a loop is refused, and two names of one file are one
// target written twice.
TEST(FileBatchWrites, SymbolicLinksAreFollowedAndStayLinks) {
  testutil::TempDir dir;
  ASSERT_EQ(::mkdir((dir / "real").c_str(), 0755), 0);
  testutil::WriteBytes(dir / "real/old.bmp", {9});
  const struct {
    const char* link;
    std::string to;
  } links[] = {{"to-old.bmp", "real/old.bmp"},    {"dangling.bmp", "real/new.bmp"},
               {"abs.bmp", dir / "real/abs.bmp"}, {"chain.bmp", "dangling2.bmp"},
               {"dangling2.bmp", "real/end.bmp"}, {"loop.bmp", "loop.bmp"}};
  for (const auto& l : links) ASSERT_EQ(::symlink(l.to.c_str(), (dir / l.link).c_str()), 0);

  const struct {
    std::string written;
    const char* receiver;  // the file that gets the bytes; nullptr: refused
  } cases[] = {
      {"to-old.bmp", "real/old.bmp"},
      {"dangling.bmp", "real/new.bmp"},
      {"abs.bmp", "real/abs.bmp"},
      {"chain.bmp", "real/end.bmp"},
      {"loop.bmp", nullptr},
      {"real/old.bmp", nullptr},  // the file to-old.bmp leads to
      {"real/../dangling.bmp", nullptr},
  };
  pdf417::FileBatch batch;
  std::uint8_t mark = 0;
  for (const auto& c : cases) {
    if (c.receiver == nullptr) {
      EXPECT_THROW(batch.Add(dir / c.written, {0}), pdf417::Error) << c.written;
    } else {
      batch.Add(dir / c.written, {++mark});
    }
  }
  batch.Commit();
  mark = 0;
  for (const auto& c : cases) {
    if (c.receiver != nullptr) {
      EXPECT_EQ(testutil::ReadBytes(dir / c.receiver), std::vector<std::uint8_t>{++mark})
          << c.written;
    }
  }
  for (const auto& l : links) EXPECT_TRUE(IsLink(dir / l.link)) << l.link;
  EXPECT_EQ(Entries(dir / "real"),
            (std::vector<std::string>{"abs.bmp", "end.bmp", "new.bmp", "old.bmp"}));
}

// Temporary files carry the process id as a single write's do, so that the sweep finds them after
// a kill; the first file into a folder sweeps those of writers that have ended.
TEST(FileBatchWrites, TemporaryFilesAreNamedForTheSweepAndOldOnesSwept) {
  testutil::TempDir dir;
  const pid_t ended = ::fork();
  ASSERT_GE(ended, 0);
  if (ended == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
  const std::string stale = ".pdf417-" + std::to_string(ended) + "-0badf00d.tmp";
  testutil::WriteBytes(dir / stale, {1});

  pdf417::FileBatch batch;
  batch.Add(dir / "a.bmp", {2});
  const std::vector<std::string> left = Entries(dir.path());
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].rfind(".pdf417-" + std::to_string(::getpid()) + "-", 0), 0u) << left[0];
  EXPECT_EQ(left[0].size(),
            stale.size() - std::to_string(ended).size() + std::to_string(::getpid()).size())
      << left[0];
}

// The cost of a file does not grow with the files already in the batch: eight times the files
// take about eight times as long (sixty-four times if each file cost in proportion to the batch).
TEST(FileBatchWrites, CostGrowsLinearlyWithTheNumberOfFiles) {
  // In memory where the machine has it, so that creating files costs little beside the batch's own
  // work; a long folder name makes every comparison of two names cost what it would in a deep tree.
  const bool inMemory = ::access("/dev/shm", W_OK) == 0;
  if (inMemory) ::setenv("TMPDIR", "/dev/shm", 1);
  testutil::TempDir dir;
  if (inMemory) ::unsetenv("TMPDIR");
  const std::string folder = dir / std::string(200, 'f');
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  auto secondsFor = [&folder](int files) {
    const auto start = std::chrono::steady_clock::now();
    pdf417::FileBatch batch;
    for (int i = 0; i < files; ++i) batch.Add(folder + "/label-" + std::to_string(i), {1});
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  const double small = std::min(secondsFor(3000), secondsFor(3000));
  const double large = secondsFor(24000);
  EXPECT_LT(large, 16 * small) << "3,000 files: " << small << " s, 24,000 files: " << large << " s";
}

}  // namespace
