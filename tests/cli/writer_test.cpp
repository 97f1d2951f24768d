// The tool's writers: batches and splits written all together or not at all, interrupted batches,
// segments joined only when they belong together, and standard output reported only when it fails.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <map>
#include <memory>
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
  ToolRun r;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  const auto o = testutil::ReadBytes(dir / ".out");
  const auto e = testutil::ReadBytes(dir / ".err");
  r.out.assign(o.begin(), o.end());
  r.err.assign(e.begin(), e.end());
  return r;
}

// Starts the tool in dir without a shell, so that signals reach it alone; the signals it may get
// are at their default action whatever the test runner set.
pid_t Start(const std::string& dir, const std::vector<std::string>& args) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  for (const int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, SIG_DFL);
  if (::chdir(dir.c_str()) != 0) ::_exit(127);
  const int null = ::open("/dev/null", O_RDWR);
  const int err = ::open(".err", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ::dup2(null, 0);
  ::dup2(null, 1);
  ::dup2(err, 2);
  std::vector<char*> argv{const_cast<char*>(PDF417_CLI_PATH)};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  ::execv(PDF417_CLI_PATH, argv.data());
  ::_exit(127);
}

// The names in a folder that are temporary files of ours.
std::vector<std::string> Temporaries(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(path.c_str())) {
    while (const dirent* e = ::readdir(d)) {
      if (std::string(e->d_name).rfind(".pdf417-", 0) == 0) names.emplace_back(e->d_name);
    }
    ::closedir(d);
  }
  return names;
}

std::map<std::string, std::vector<std::uint8_t>> Pictures(const std::string& path) {
  std::map<std::string, std::vector<std::uint8_t>> files;
  if (DIR* d = ::opendir(path.c_str())) {
    while (const dirent* e = ::readdir(d)) {
      const std::string n = e->d_name;
      if (n.rfind("l-", 0) == 0) files[n] = testutil::ReadBytes(path + "/" + n);
    }
    ::closedir(d);
  }
  return files;
}

// A fresh folder in memory where the machine has one: creating and renaming thousands of files
// there costs microseconds each instead of a disk's milliseconds.
std::unique_ptr<testutil::TempDir> FolderForManyFiles() {
  const bool inMemory = ::access("/dev/shm", W_OK) == 0;
  if (inMemory) ::setenv("TMPDIR", "/dev/shm", 1);
  auto dir = std::make_unique<testutil::TempDir>();
  if (inMemory) ::unsetenv("TMPDIR");
  return dir;
}

void WriteText(const std::string& path, const std::string& text) {
  testutil::WriteBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

// A batch interrupted while it writes. SIGKILL may leave temporary files, named so that the next
// write into the folder removes them; SIGTERM and SIGINT leave none and end the tool by their
// signal. Every target is whole, the old file or the new one, and the next batch completes.
TEST(CliBatch, InterruptedBatchLeavesWholeTargetsAndNoTemporaryFiles) {
  const auto folder = FolderForManyFiles();
  const testutil::TempDir& dir = *folder;
  constexpr int kLines = 2000;
  std::string oldLines;
  std::string newLines;
  for (int i = 0; i < kLines; ++i) {
    oldLines += "old " + std::to_string(i) + "\n";
    newLines += "new " + std::to_string(i) + "\n";
  }
  WriteText(dir / "old.txt", oldLines);
  WriteText(dir / "new.txt", newLines);
  const std::string batch = "encode --batch -o out/l-%04d.png --input ";
  ASSERT_EQ(::mkdir((dir / "out").c_str(), 0755), 0);
  ASSERT_EQ(Tool(dir, batch + "new.txt").code, 0);
  const auto newFiles = Pictures(dir / "out");
  ASSERT_EQ(Tool(dir, batch + "old.txt").code, 0);
  const auto oldFiles = Pictures(dir / "out");
  ASSERT_EQ(oldFiles.size(), static_cast<std::size_t>(kLines));

  for (const int sig : {SIGKILL, SIGTERM, SIGINT}) {
    const pid_t pid =
        Start(dir.path(), {"encode", "--batch", "-o", "out/l-%04d.png", "--input", "new.txt"});
    ASSERT_GT(pid, 0);
    // Kill it once its first temporary file is there.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (Temporaries(dir / "out").empty() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ::kill(pid, sig);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "signal " << sig;

    const std::vector<std::string> left = Temporaries(dir / "out");
    if (sig == SIGKILL) {
      const std::string ours = ".pdf417-" + std::to_string(pid) + "-";
      EXPECT_EQ(std::count_if(left.begin(), left.end(),
                              [&ours](const std::string& n) { return n.rfind(ours, 0) != 0; }),
                0)
          << "temporary files without the process id " << pid << ", such as " << left.front();
    } else {
      EXPECT_TRUE(left.empty()) << left.size() << " temporary files after signal " << sig;
      const auto err = testutil::ReadBytes(dir / ".err");
      EXPECT_NE(std::string(err.begin(), err.end()).find("interrupted"), std::string::npos);
    }
    const auto now = Pictures(dir / "out");
    ASSERT_EQ(now.size(), oldFiles.size()) << "signal " << sig;
    for (const auto& [name, bytes] : now) {
      EXPECT_TRUE(bytes == oldFiles.at(name) || bytes == newFiles.at(name)) << name;
    }

    // The next batch into the folder finds nothing in its way and leaves nothing behind.
    ASSERT_EQ(Tool(dir, batch + "old.txt").code, 0) << "after signal " << sig;
    EXPECT_TRUE(Temporaries(dir / "out").empty()) << "after signal " << sig;
    EXPECT_EQ(Pictures(dir / "out"), oldFiles) << "after signal " << sig;
  }
}

// Symbolic links among the targets stay links: the files they lead to get the symbols.
TEST(CliBatch, FollowsSymbolicLinks) {
  testutil::TempDir dir;
  ASSERT_EQ(::mkdir((dir / "real").c_str(), 0755), 0);
  WriteText(dir / "real/one.bmp", "old");
  ASSERT_EQ(::symlink("real/one.bmp", (dir / "l-1.bmp").c_str()), 0);
  ASSERT_EQ(::symlink("real/two.bmp", (dir / "l-2.bmp").c_str()), 0);  // dangling
  WriteText(dir / "lines.txt", "one\ntwo\n");
  ASSERT_EQ(Tool(dir, "encode --batch -o l-%d.bmp --input lines.txt").code, 0);
  for (const char* name : {"l-1.bmp", "l-2.bmp"}) {
    struct stat st {};
    ASSERT_EQ(::lstat((dir / name).c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << name;
  }
  EXPECT_EQ(Tool(dir, "decode -n real/one.bmp real/two.bmp").out, "one\ntwo\n");
}

// A split that fails on one segment writes none: the old segments stay as they were and still
// join to the old data.
TEST(CliSplit, FailedSplitKeepsEveryOldSegment) {
  testutil::TempDir dir;
  std::string a;
  std::string b;
  for (int i = 0; i < 150; ++i) a += "line " + std::to_string(i * 7919) + " of the old text; ";
  for (int i = 0; i < 300; ++i) b += "line " + std::to_string(i * 104729) + " of the new text; ";
  WriteText(dir / "a.txt", a);
  WriteText(dir / "b.txt", b);
  const std::string split = "encode --split --structapp 1,1,77 -o part.bmp --input ";
  ASSERT_EQ(Tool(dir, split + "a.txt").code, 0);
  std::vector<std::vector<std::uint8_t>> old;
  std::string parts;
  for (int i = 1; ::access((dir / ("part-" + std::to_string(i) + ".bmp")).c_str(), F_OK) == 0;
       ++i) {
    old.push_back(testutil::ReadBytes(dir / ("part-" + std::to_string(i) + ".bmp")));
    parts += " part-" + std::to_string(i) + ".bmp";
  }
  ASSERT_GE(old.size(), 2u);
  // The new data needs more segments; the first one past the old ones cannot be written.
  const std::string blocked = "part-" + std::to_string(old.size() + 1) + ".bmp";
  ASSERT_EQ(::symlink(blocked.c_str(), (dir / blocked).c_str()), 0);

  const ToolRun r = Tool(dir, split + "b.txt");
  EXPECT_EQ(r.code, 7) << r.err;
  EXPECT_NE(r.err.find(blocked), std::string::npos) << r.err;
  for (std::size_t i = 0; i < old.size(); ++i) {
    EXPECT_EQ(testutil::ReadBytes(dir / ("part-" + std::to_string(i + 1) + ".bmp")), old[i])
        << "segment " << i + 1 << " was replaced";
  }
  EXPECT_TRUE(Temporaries(dir.path()).empty());
  EXPECT_EQ(Tool(dir, "decode --join" + parts).out, a);
}

// --join takes segments only when they can be one file's: one file id, one segment count, each
// segment once.
TEST(CliJoin, SegmentsThatCannotBelongTogetherAreRefused) {
  testutil::TempDir dir;
  const struct {
    const char* name;
    const char* structapp;
    const char* data;
  } segments[] = {
      {"a1", "1,2,7", "ab"},    {"a2", "2,2,7", "cd"}, {"b3", "3,3,7", "ef"},
      {"c2", "2,2,0007", "cd"}, {"d2", "2,2,8", "cd"},
  };
  for (const auto& s : segments) {
    ASSERT_EQ(Tool(dir, std::string("encode --structapp ") + s.structapp + " -o " + s.name +
                            ".bmp " + s.data)
                  .code,
              0)
        << s.name;
  }
  const struct {
    const char* files;
    int code;
    const char* message;  // in the message, or the joined data when the code is 0
  } cases[] = {
      {"a2 a1", 0, "abcd"},
      {"a1 a2 b3", 1, "of 3 segments"},   // another segment count, every index present
      {"a1 b3", 1, "of 3 segments"},      // another segment count
      {"a1 c2", 1, "different lengths"},  // file id 007 and 000007
      {"a1 d2", 1, "file id 008"},        // another file id
      {"a1 a2 a2", 2, "segment 2 is given twice"},
      {"a1 a1 a2", 2, "segment 1 is given twice"},
      {"a1", 5, "segment 2 of 2 is missing"},
      {"a2", 5, "segment 1 of 2 is missing"},
  };
  for (const auto& c : cases) {
    std::string args = "decode --join";
    for (const char* f = c.files; *f != '\0'; f += f[2] == ' ' ? 3 : 2) {
      args += " " + std::string(f, 2) + ".bmp";
    }
    const ToolRun r = Tool(dir, args);
    EXPECT_EQ(r.code, c.code) << c.files << "\n" << r.err;
    if (c.code == 0) {
      EXPECT_EQ(r.out, c.message) << c.files;
    } else {
      EXPECT_TRUE(r.out.empty()) << c.files;
      EXPECT_NE(r.err.find(c.message), std::string::npos) << c.files << "\n" << r.err;
    }
  }
}

// Standard output is reported only when something written to it is lost: --help and --version
// to a full device fail, while writing files with standard output closed succeeds.
TEST(CliOutput, StandardOutputFailsOnlyWhenItsOutputIsLost) {
  testutil::TempDir dir;
  WriteText(dir / "lines.txt", "one\ntwo\n");
  const struct {
    std::string args;
    const char* redirect;
    int code;
  } cases[] = {
      {"--help", " >/dev/full", 7},
      {"--version", " >/dev/full", 7},
      {"encode --help", " >/dev/full", 7},
      {"--version", " >&-", 7},
      {"encode -o out.bmp x", " >&-", 0},
      {"encode --batch -o l-%d.bmp --input lines.txt", " >&-", 0},
      {"encode -o out.bmp x", " >/dev/full", 0},
  };
  for (const auto& c : cases) {
    const ToolRun r = Tool(dir, c.args, c.redirect);
    EXPECT_EQ(r.code, c.code) << c.args << c.redirect << "\n" << r.err;
    EXPECT_EQ(r.err.find("standard output") != std::string::npos, c.code == 7)
        << c.args << c.redirect << "\n"
        << r.err;
  }
  EXPECT_EQ(Tool(dir, "decode -n out.bmp l-1.bmp l-2.bmp").out, "x\none\ntwo\n");
}

}  // namespace
