// Whole-file writes: replacement, failures that keep the old file, and non-regular targets.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <set>
#include <string>
#include <utility>

#include "pdf417/common/error.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/stages.h"
#include "test_util.h"

namespace pdf417 {
namespace {

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return names;
  while (dirent* e = ::readdir(d)) {
    const std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(n);
  }
  ::closedir(d);
  return names;
}

void Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  WriteWholeFile(name, bytes.data(), bytes.size());
}

TEST(WriteWholeFile, ReplacesALongerFileAndKeepsItsMode) {
  testutil::TempDir dir;
  const std::string f = dir / "out.bmp";
  testutil::WriteBytes(f, std::vector<std::uint8_t>(5000, 7));
  ASSERT_EQ(::chmod(f.c_str(), 0640), 0);
  Write(f, {1, 2, 3});
  EXPECT_EQ(testutil::ReadBytes(f), (std::vector<std::uint8_t>{1, 2, 3}));
  struct stat st {};
  ASSERT_EQ(::stat(f.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"out.bmp"});
}

TEST(WriteWholeFile, NewFileFollowsTheUmask) {
  testutil::TempDir dir;
  const mode_t old = ::umask(022);
  Write(dir / "new.bmp", {9});
  ::umask(old);
  struct stat st {};
  ASSERT_EQ(::stat((dir / "new.bmp").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(WriteWholeFile, FailuresAreReportedAndLeaveNothingBehind) {
  testutil::TempDir dir;
  ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0755), 0);
  EXPECT_THROW(Write(dir / "sub", {1}), Error);            // a folder
  EXPECT_THROW(Write(dir / "missing/x.bmp", {1}), Error);  // a missing folder
  EXPECT_THROW(Write("", {1}), Error);
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"sub"});
  EXPECT_TRUE(Entries(dir / "sub").empty());
}

TEST(WriteWholeFile, ReadOnlyFolderKeepsThePreviousFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  testutil::TempDir dir;
  const std::string f = dir / "old.bmp";
  testutil::WriteBytes(f, {4, 5, 6});
  ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
  EXPECT_THROW(Write(f, {1, 2}), Error);
  ::chmod(dir.path().c_str(), 0755);
  EXPECT_EQ(testutil::ReadBytes(f), (std::vector<std::uint8_t>{4, 5, 6}));
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"old.bmp"});
}

// A full disk, simulated with a file-size limit in a child process.
TEST(WriteWholeFile, FullDiskKeepsThePreviousFile) {
  testutil::TempDir dir;
  const std::string f = dir / "old.bmp";
  testutil::WriteBytes(f, {4, 5, 6});
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim{1000, 1000};
    ::setrlimit(RLIMIT_FSIZE, &lim);
    int rc = 0;
    try {
      Write(f, std::vector<std::uint8_t>(100000, 1));
      rc = 1;  // must not succeed
    } catch (const Error& e) {
      rc = e.code() == ErrorCode::FileWrite ? 0 : 2;
    }
    ::_exit(rc);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(testutil::ReadBytes(f), (std::vector<std::uint8_t>{4, 5, 6}));
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"old.bmp"});
}

TEST(WriteWholeFile, ReadOnlyFileIsLeftAlone) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only files";
  testutil::TempDir dir;
  const std::string f = dir / "protected.bmp";
  testutil::WriteBytes(f, {4, 5, 6});
  ASSERT_EQ(::chmod(f.c_str(), 0444), 0);
  try {
    Write(f, {1, 2});
    ADD_FAILURE() << "replaced a read-only file";
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::FileWrite);
  }
  EXPECT_EQ(testutil::ReadBytes(f), (std::vector<std::uint8_t>{4, 5, 6}));
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"protected.bmp"});
}

TEST(WriteWholeFile, SymbolicLinkStaysALinkAndItsTargetIsReplaced) {
  testutil::TempDir dir;
  ASSERT_EQ(::mkdir((dir / "real").c_str(), 0755), 0);
  const std::string target = dir / "real/bar.bmp";
  testutil::WriteBytes(target, {4, 5, 6});
  ASSERT_EQ(::symlink("real/bar.bmp", (dir / "link.bmp").c_str()), 0);
  Write(dir / "link.bmp", {1, 2});
  struct stat st {};
  ASSERT_EQ(::lstat((dir / "link.bmp").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(testutil::ReadBytes(target), (std::vector<std::uint8_t>{1, 2}));
  EXPECT_EQ(Entries(dir / "real"), std::vector<std::string>{"bar.bmp"});
}

// Dangling links are followed and their targets created; a loop is refused and left as it is.
TEST(WriteWholeFile, DanglingLinksAreFollowedAndLoopsRefused) {
  testutil::TempDir dir;
  ASSERT_EQ(::mkdir((dir / "real").c_str(), 0755), 0);
  struct Case {
    std::vector<std::pair<std::string, std::string>> links;  // name -> what it points to
    std::string written;                                     // the name written to
    std::string created;                                     // the file that gets the bytes, or ""
  };
  const Case cases[] = {
      {{{"one.bmp", "real/one.bmp"}}, "one.bmp", "real/one.bmp"},
      {{{"abs.bmp", dir / "real/abs.bmp"}}, "abs.bmp", "real/abs.bmp"},
      {{{"a.bmp", "b.bmp"}, {"b.bmp", "real/two.bmp"}}, "a.bmp", "real/two.bmp"},
      {{{"self.bmp", "self.bmp"}}, "self.bmp", ""},
      {{{"x.bmp", "y.bmp"}, {"y.bmp", "x.bmp"}}, "x.bmp", ""},
  };
  for (const Case& c : cases) {
    for (const auto& link : c.links) {
      ASSERT_EQ(::symlink(link.second.c_str(), (dir / link.first).c_str()), 0) << link.first;
    }
    if (c.created.empty()) {
      EXPECT_THROW(Write(dir / c.written, {1}), Error) << c.written;
    } else {
      Write(dir / c.written, {3, 1, 4});
      EXPECT_EQ(testutil::ReadBytes(dir / c.created), (std::vector<std::uint8_t>{3, 1, 4}));
    }
    for (const auto& link : c.links) {
      struct stat st {};
      ASSERT_EQ(::lstat((dir / link.first).c_str(), &st), 0);
      EXPECT_TRUE(S_ISLNK(st.st_mode)) << link.first << " is no longer a link";
    }
  }
  const std::vector<std::string> real = Entries(dir / "real");
  EXPECT_EQ(std::set<std::string>(real.begin(), real.end()),
            (std::set<std::string>{"one.bmp", "abs.bmp", "two.bmp"}));
}

// The id of a process that has ended.
pid_t EndedProcess() {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(0);
  ::waitpid(pid, nullptr, 0);
  return pid;
}

// A write removes the temporary files of writers that have ended, and nothing else.
TEST(WriteWholeFile, LeftoversOfEndedWritersAreRemovedAndNothingElse) {
  testutil::TempDir dir;
  const std::string dead = std::to_string(EndedProcess());
  const std::string live = std::to_string(::getppid());
  const std::vector<std::string> stale = {".pdf417-" + dead + "-0badf00d.tmp",
                                          ".pdf417-" + dead + "-12345678.tmp"};
  const std::vector<std::string> kept = {
      ".pdf417-" + live + "-0badf00d.tmp",  // a writer still running
      ".pdf417-0badf00d.tmp",               // no process id
      ".pdf417-" + dead + "-0BADF00D.tmp",  // not a name we give
      ".pdf417-" + dead + "-0badf00d.tmp.bak",
      "pdf417-" + dead + "-0badf00d.tmp",
      "notes.txt"};
  for (const std::string& n : stale) testutil::WriteBytes(dir / n, {1});
  for (const std::string& n : kept) testutil::WriteBytes(dir / n, {2});
  ASSERT_EQ(::mkdir((dir / (".pdf417-" + dead + "-abcdef01.tmp")).c_str(), 0755), 0);

  Write(dir / "out.bmp", {5});
  std::set<std::string> expected(kept.begin(), kept.end());
  expected.insert("out.bmp");
  expected.insert(".pdf417-" + dead + "-abcdef01.tmp");  // a folder is never ours
  const std::vector<std::string> left = Entries(dir.path());
  EXPECT_EQ(std::set<std::string>(left.begin(), left.end()), expected);
}

// /dev/full refuses every write with "no space left on device", as a full disk does.
TEST(WriteWholeFile, NoSpaceLeftIsReported) {
  try {
    Write("/dev/full", std::vector<std::uint8_t>(1000, 1));
    ADD_FAILURE() << "wrote to /dev/full";
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::FileWrite);
    EXPECT_NE(std::string(e.what()).find("/dev/full"), std::string::npos) << e.what();
  }
}

TEST(WriteWholeFile, DeviceAndPipeAreWrittenInPlace) {
  Write("/dev/null", {1, 2, 3});
  struct stat st {};
  ASSERT_EQ(::stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));

  testutil::TempDir dir;
  const std::string fifo = dir / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    std::vector<std::uint8_t> got = testutil::ReadBytes(fifo);
    ::_exit(got == std::vector<std::uint8_t>{7, 8, 9} ? 0 : 1);
  }
  Write(fifo, {7, 8, 9});
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

}  // namespace
}  // namespace pdf417
