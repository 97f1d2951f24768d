// The tool's writers: batches and splits written all together or not at all, interrupted batches,
// segments joined only when they belong together, and standard output reported only when it fails.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "test_util.h"

namespace {

using testutil::ShellQuote;

struct ToolRun {
  int code = -1;  // the exit status, or -1 when the tool ended by a signal
  std::string out;
  std::string err;
};

// Runs the tool through the shell in dir; redirect comes after the tool's own and so wins.
ToolRun Tool(const testutil::TempDir& dir, const std::string& args,
             const std::string& redirect = "") {
  const std::string cmd = "cd " + ShellQuote(dir.path()) + " && " + ShellQuote(PDF417_CLI_PATH) +
                          " " + args + " </dev/null >" + ShellQuote(dir / ".out") + " 2>" +
                          ShellQuote(dir / ".err") + redirect;
  const int status = std::system(cmd.c_str());
  const auto o = testutil::ReadBytes(dir / ".out");
  const auto e = testutil::ReadBytes(dir / ".err");
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, {o.begin(), o.end()}, {e.begin(), e.end()}};
}

// Starts a batch of new.txt into out/ in dir without a shell, so that signals reach the tool alone,
// at their default action whatever the test runner set.
pid_t StartBatch(const std::string& dir) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  for (const int s : {SIGINT, SIGTERM}) std::signal(s, SIG_DFL);
  const int null = ::open("/dev/null", O_RDWR);
  for (int fd = 0; fd < 3; ++fd) ::dup2(null, fd);
  if (::chdir(dir.c_str()) == 0) {
    ::execl(PDF417_CLI_PATH, "pdf417", "encode", "--batch", "-o", "out/l-%04d.png", "--input",
            "new.txt", nullptr);
  }
  ::_exit(127);
}

// The files in a folder whose names begin with prefix, with their bytes.
std::map<std::string, std::vector<std::uint8_t>> Files(const std::string& path,
                                                       const char* prefix) {
  std::map<std::string, std::vector<std::uint8_t>> files;
  if (DIR* d = ::opendir(path.c_str())) {
    while (const dirent* e = ::readdir(d)) {
      const std::string n = e->d_name;
      if (n.rfind(prefix, 0) == 0) files[n] = testutil::ReadBytes(path + "/" + n);
    }
    ::closedir(d);
  }
  return files;
}

void WriteText(const std::string& path, const std::string& text) {
  testutil::WriteBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

// A batch interrupted while it writes. SIGKILL may leave temporary files, named with the process
// id so that the next write into the folder removes them; SIGTERM and SIGINT leave none and end the
// tool by their signal. Every target is whole, the old file or the new one, and a target that is a
// symbolic link (dangling at first) stays one.
TEST(CliBatch, InterruptedBatchLeavesWholeTargetsAndNoTemporaryFiles) {
  // In memory where the machine has it: thousands of files cost microseconds each there, not a
  // disk's milliseconds.
  if (::access("/dev/shm", W_OK) == 0) ::setenv("TMPDIR", "/dev/shm", 1);
  const testutil::TempDir dir;
  ::unsetenv("TMPDIR");
  std::string oldLines;
  std::string newLines;
  for (int i = 0; i < 2000; ++i) {
    oldLines += "old " + std::to_string(i) + "\n";
    newLines += "new " + std::to_string(i) + "\n";
  }
  WriteText(dir / "old.txt", oldLines);
  WriteText(dir / "new.txt", newLines);
  const std::string batch = "encode --batch -o out/l-%04d.png --input ";
  ASSERT_EQ(::mkdir((dir / "out").c_str(), 0755), 0);
  ASSERT_EQ(::symlink("../linked.png", (dir / "out/l-0001.png").c_str()), 0);
  ASSERT_EQ(Tool(dir, batch + "new.txt").code, 0);
  const auto newFiles = Files(dir / "out", "l-");
  ASSERT_EQ(Tool(dir, batch + "old.txt").code, 0);
  const auto oldFiles = Files(dir / "out", "l-");

  for (const int sig : {SIGKILL, SIGTERM, SIGINT}) {
    const pid_t pid = StartBatch(dir.path());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (Files(dir / "out", ".pdf417-").empty() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ::kill(pid, sig);  // once the first temporary file is there
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "signal " << sig;
    const auto left = Files(dir / "out", ".pdf417-");
    const auto ours = Files(dir / "out", (".pdf417-" + std::to_string(pid) + "-").c_str());
    EXPECT_EQ(ours.size(), left.size()) << "temporary files without the process id";
    EXPECT_EQ(left.empty(), sig != SIGKILL) << left.size() << " left after signal " << sig;
    const auto now = Files(dir / "out", "l-");
    ASSERT_EQ(now.size(), oldFiles.size()) << "signal " << sig;
    for (const auto& [name, bytes] : now) {
      EXPECT_TRUE(bytes == oldFiles.at(name) || bytes == newFiles.at(name)) << name;
    }
    // The next batch into the folder leaves nothing behind.
    ASSERT_EQ(Tool(dir, batch + "old.txt").code, 0) << "after signal " << sig;
    EXPECT_TRUE(Files(dir / "out", ".pdf417-").empty()) << "after signal " << sig;
  }
  struct stat st {};
  EXPECT_TRUE(::lstat((dir / "out/l-0001.png").c_str(), &st) == 0 && S_ISLNK(st.st_mode));
  EXPECT_EQ(testutil::ReadBytes(dir / "linked.png"), oldFiles.at("l-0001.png"));
}

// A split that fails on one segment writes none: the old segments stay and still join.
TEST(CliSplit, FailedSplitKeepsEveryOldSegment) {
  testutil::TempDir dir;
  std::string a;
  for (int i = 0; i < 150; ++i) a += "line " + std::to_string(i * 7919) + " of the text; ";
  WriteText(dir / "a.txt", a);
  WriteText(dir / "b.txt", a + a);
  const std::string split = "encode --split --structapp 1,1,77 -o part.bmp --input ";
  ASSERT_EQ(Tool(dir, split + "a.txt").code, 0);
  const auto old = Files(dir.path(), "part-");
  ASSERT_GE(old.size(), 2u);
  std::string parts;
  for (const auto& part : old) parts += " " + part.first;
  // The new data needs more segments; the first one past the old ones cannot be written.
  const std::string blocked = "part-" + std::to_string(old.size() + 1) + ".bmp";
  ASSERT_EQ(::symlink(blocked.c_str(), (dir / blocked).c_str()), 0);
  const ToolRun r = Tool(dir, split + "b.txt");
  EXPECT_EQ(r.code, 7) << r.err;
  EXPECT_NE(r.err.find(blocked), std::string::npos) << r.err;
  ASSERT_EQ(::unlink((dir / blocked).c_str()), 0);
  EXPECT_EQ(Files(dir.path(), "part-"), old);
  EXPECT_TRUE(Files(dir.path(), ".pdf417-").empty());
  EXPECT_EQ(Tool(dir, "decode --join" + parts).out, a);
}

// --join takes segments only when they can be one file's: one file id, one segment count, each
// segment once.
TEST(CliJoin, SegmentsThatCannotBelongTogetherAreRefused) {
  testutil::TempDir dir;
  for (const char* s : {"1,2,7 -o a1.bmp ab", "2,2,7 -o a2.bmp cd", "3,3,7 -o b3.bmp ef",
                        "2,2,0007 -o c2.bmp cd", "2,2,8 -o d2.bmp cd"}) {
    ASSERT_EQ(Tool(dir, std::string("encode --structapp ") + s).code, 0) << s;
  }
  const struct {
    const char* files;
    int code;
    const char* said;  // in the message, or the joined data when the code is 0
  } cases[] = {
      {"a2 a1", 0, "abcd"},
      {"a1 a2 b3", 1, "of 3 segments"},   // another segment count, every index present
      {"a1 c2", 1, "different lengths"},  // file id 007 and 000007
      {"a1 d2", 1, "file id 008"},
      {"a1 a2 a2", 2, "segment 2 is given twice"},
      {"a2", 5, "segment 1 of 2 is missing"},
  };
  for (const auto& c : cases) {
    std::string args = "decode --join";
    for (const char* f = c.files; *f != '\0'; f += f[2] == ' ' ? 3 : 2) {
      args += " " + std::string(f, 2) + ".bmp";
    }
    const ToolRun r = Tool(dir, args);
    EXPECT_EQ(r.code, c.code) << c.files << "\n" << r.err;
    EXPECT_NE((c.code == 0 ? r.out : r.err).find(c.said), std::string::npos) << c.files << r.err;
    EXPECT_EQ(r.out.empty(), c.code != 0) << c.files;
  }
}

// Standard output is reported only when something written to it is lost: --help and --version
// to a full device fail, while writing files with standard output closed succeeds.
TEST(CliOutput, StandardOutputFailsOnlyWhenItsOutputIsLost) {
  testutil::TempDir dir;
  WriteText(dir / "lines.txt", "one\ntwo\n");
  const struct {
    const char* args;
    const char* redirect;
    int code;
  } cases[] = {
      {"--help", " >/dev/full", 7},
      {"--version", " >/dev/full", 7},
      {"encode --help", " >/dev/full", 7},
      {"--version", " >&-", 7},
      {"encode -o out.bmp x", " >&-", 0},
      {"encode --batch -o l-%d.bmp --input lines.txt", " >&-", 0},
  };
  for (const auto& c : cases) {
    const ToolRun r = Tool(dir, c.args, c.redirect);
    EXPECT_EQ(r.code, c.code) << c.args << c.redirect << "\n" << r.err;
    EXPECT_EQ(r.err.find("standard output") != std::string::npos, c.code == 7) << r.err;
  }
  EXPECT_EQ(Tool(dir, "decode -n out.bmp l-1.bmp l-2.bmp").out, "x\none\ntwo\n");
}

}  // namespace
