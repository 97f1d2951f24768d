// The command-line tool, run as a user would: arguments, files, standard streams, exit codes.
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "pdf417/common/bitmap.h"
#include "pdf417/decoder/classic/bin_bmp.h"
#include "test_util.h"

namespace {

struct CliRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

using testutil::ShellQuote;

// Runs the tool with a shell-quoted argument list, optionally feeding standard input from a file;
// shellSetup runs in the same shell first (limits, signal dispositions).
CliRun Cli(const testutil::TempDir& dir, const std::string& args, const std::string& stdinFile = "",
           const std::string& shellSetup = "") {
  const std::string outFile = dir / ".stdout";
  const std::string errFile = dir / ".stderr";
  std::string cmd = "cd " + ShellQuote(dir.path()) + " && " + shellSetup +
                    ShellQuote(PDF417_CLI_PATH) + " " + args + " >" + ShellQuote(outFile) + " 2>" +
                    ShellQuote(errFile);
  cmd += stdinFile.empty() ? " </dev/null" : " <" + ShellQuote(stdinFile);
  const int status = std::system(cmd.c_str());
  CliRun r;
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  const auto o = testutil::ReadBytes(outFile);
  const auto e = testutil::ReadBytes(errFile);
  r.out.assign(o.begin(), o.end());
  r.err.assign(e.begin(), e.end());
  return r;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

TEST(CliEncode, WritesTheDefaultFileAndExplainsItself) {
  testutil::TempDir dir;
  CliRun r = Cli(dir, "encode A");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_FALSE(Exists(dir / "bar.bmp"));
  r = Cli(dir, "decode out.png");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "A");
  // The classic symbol of the window stays reachable: 5 columns, level 1, aspect ratio 3 ->
  // 3 rows of 154 modules, 170 x 13 pixels.
  ASSERT_EQ(Cli(dir, "encode --compaction byte --level 1 --columns 5 --aspect 3 A").exitCode, 0);
  const auto bytes = testutil::ReadBytes(dir / "bar.bmp");
  ASSERT_EQ(bytes.size(), 62u + 24u * 13u);
  EXPECT_EQ(testutil::U32(bytes, 18), 170u);

  r = Cli(dir, "encode --help");
  EXPECT_EQ(r.exitCode, 0);
  for (const char* word :
       {"--columns",      "--cols",       "--rows",       "--level", "--secure",  "--aspect",
        "--output",       "--input",      "TEXT",         "bar.bmp", "--scale",   "--height",
        "--module-width", "--row-height", "--quiet-zone", "--fg",    "--bg",      "--rotate",
        "--eci",          "--encoding",   "--structapp",  "--split", "--compact", "--batch",
        "--compaction",   "--data"}) {
    EXPECT_NE(r.out.find(word), std::string::npos) << word;
  }
  r = Cli(dir, "--help");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("decode"), std::string::npos);
  r = Cli(dir, "--version");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out.rfind("pdf417 ", 0), 0u) << r.out;
}

TEST(CliEncode, DataFromTextFileOrStandardInputGiveTheSameSymbol) {
  testutil::TempDir dir;
  testutil::WriteBytes(dir / "data.txt", {'a', 'b', 'c', '\n'});
  ASSERT_EQ(Cli(dir, "encode -o text.bmp " + ShellQuote("abc\n")).exitCode, 0);
  ASSERT_EQ(Cli(dir, "encode -o file.bmp --input data.txt").exitCode, 0);
  ASSERT_EQ(Cli(dir, "encode -o stdin.bmp", dir / "data.txt").exitCode, 0);
  ASSERT_EQ(Cli(dir, "encode -o dash.bmp --input -", dir / "data.txt").exitCode, 0);
  const auto text = testutil::ReadBytes(dir / "text.bmp");
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(testutil::ReadBytes(dir / "file.bmp"), text);
  EXPECT_EQ(testutil::ReadBytes(dir / "stdin.bmp"), text);
  EXPECT_EQ(testutil::ReadBytes(dir / "dash.bmp"), text);
}

TEST(CliEncode, ErrorsHaveMessagesAndTheirOwnExitCodes) {
  testutil::TempDir dir;
  testutil::WriteBytes(dir / "keep.bmp", {1, 2, 3});
  struct Case {
    std::string args;
    int code;
  };
  ASSERT_EQ(::mkdir((dir / "folder").c_str(), 0755), 0);
  ASSERT_EQ(::symlink("loop.bmp", (dir / "loop.bmp").c_str()), 0);
  const Case cases[] = {
      {"encode -o keep.bmp -c 31 x", 1},
      {"encode -o keep.bmp -l 9 x", 1},
      {"encode -o keep.bmp -a 0 x", 1},
      {"encode -o keep.bmp --compaction byte -c 30 -l 8 " + std::string(700, 'x'), 1},
      {"encode -o keep.bmp -c 30 -l 8 " + std::string(1500, 'x'), 1},
      {"encode -o keep.jpg x", 1},
      {"encode -o keep.bmp ''", 1},
      {"encode -o keep.bmp --structapp 4,3 x", 1},
      {"encode -o keep.bmp --structapp 4 x", 2},
      {"encode -o keep.bmp --fg 12345z x", 2},
      {"encode -o keep.bmp --rotate 45 x", 2},
      {"encode -o keep.bmp --encoding latin9 x", 2},
      {"encode -o keep.bmp --eci 3 --encoding gbk x", 2},
      {"encode -o keep.bmp --esc 'a\\qb'", 2},
      {"encode -o keep.bmp --esc 'a\\x4'", 2},
      {"encode -o keep.bmp \"$(printf 'Gr\\374')\"", 1},  // not UTF-8: --binary says bytes
      {"encode -o keep.bmp --encoding gbk \"$(printf '\\360\\237\\230\\200')\"", 1},
      {"encode -o keep.bmp --scale 0 x", 1},
      {"encode -o keep.png --aspect 3 x", 2},
      {"encode -o keep.bmp --bogus x", 2},
      {"encode -o keep.bmp -c seven x", 2},
      {"frobnicate", 2},
      {"", 2},
      {"encode -o keep.bmp x --input data.txt", 2},
      {"encode -o keep.bmp --input missing.txt", 3},
      {"encode -o keep.bmp --input folder", 4},
      {"encode -o keep.bmp --input /dev/zero", 1},  // endless: refused after 1 MiB
      {"encode -o folder x", 7},
      {"encode -o nowhere/x.bmp x", 7},
      {"encode -o loop.bmp x", 7},  // a symbolic link that cannot be followed
  };
  for (const Case& c : cases) {
    const CliRun r = Cli(dir, c.args);
    EXPECT_EQ(r.exitCode, c.code) << c.args << "\n" << r.err;
    if (c.code != 0) {
      EXPECT_FALSE(r.err.empty()) << c.args;
    }
    EXPECT_EQ(testutil::ReadBytes(dir / "keep.bmp"), (std::vector<std::uint8_t>{1, 2, 3}))
        << c.args;
  }
}

// Names in a folder, without the captured standard streams.
std::vector<std::string> Entries(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(path.c_str())) {
    while (const dirent* e = ::readdir(d)) {
      const std::string n = e->d_name;
      if (n != "." && n != ".." && n != ".stdout" && n != ".stderr") names.push_back(n);
    }
    ::closedir(d);
  }
  return names;
}

TEST(CliEncode, WriteFailuresKeepTheOldFileAndExitWithSeven) {
  testutil::TempDir dir;
  const std::vector<std::uint8_t> old = {1, 2, 3};
  testutil::WriteBytes(dir / "keep.bmp", old);

  // A file-size limit of one block in a plain shell, its signal at the default action: the tool
  // ignores the signal itself, so the write fails with "file too large", reported like a full disk.
  std::signal(SIGXFSZ, SIG_DFL);
  CliRun r = Cli(dir, "encode -a 40 -o keep.bmp 'no room for this'", "", "ulimit -f 1; ");
  EXPECT_EQ(r.exitCode, 7) << r.err;
  EXPECT_NE(r.err.find("keep.bmp"), std::string::npos) << r.err;
  EXPECT_EQ(testutil::ReadBytes(dir / "keep.bmp"), old);
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"keep.bmp"});  // no temporary left

  // A device that is always full.
  r = Cli(dir, "encode -o /dev/full x");
  EXPECT_EQ(r.exitCode, 7) << r.err;
  EXPECT_NE(r.err.find("/dev/full"), std::string::npos) << r.err;

  if (::geteuid() != 0) {  // root writes anyway
    ASSERT_EQ(::chmod((dir / "keep.bmp").c_str(), 0444), 0);
    EXPECT_EQ(Cli(dir, "encode -o keep.bmp x").exitCode, 7);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    EXPECT_EQ(Cli(dir, "encode -o other.bmp x").exitCode, 7);
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(testutil::ReadBytes(dir / "keep.bmp"), old);
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"keep.bmp"});
  }
}

// After writers that were killed mid-write, the next encode into the folder leaves no leftovers;
// the temporary file of a writer still running stays.
TEST(CliEncode, LeftoversOfKilledEncodesAreRemoved) {
  testutil::TempDir dir;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);
  const std::string dead = ".pdf417-" + std::to_string(child) + "-00c0ffee.tmp";
  const std::string live = ".pdf417-" + std::to_string(::getpid()) + "-00c0ffee.tmp";
  testutil::WriteBytes(dir / dead, {1, 2});
  testutil::WriteBytes(dir / live, {3, 4});
  EXPECT_EQ(Cli(dir, "encode -o new.bmp x").exitCode, 0);
  std::vector<std::string> left = Entries(dir.path());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{live, "new.bmp"}));
}

TEST(CliDecode, RoundTripsBytesExactly) {
  testutil::TempDir dir;
  std::vector<std::uint8_t> data;
  for (int i = 0; i < 256; ++i) data.push_back(static_cast<std::uint8_t>(i));
  testutil::WriteBytes(dir / "all.bin", data);
  ASSERT_EQ(Cli(dir, "encode -c 10 -l 3 -o all.bmp --input all.bin").exitCode, 0);
  CliRun r = Cli(dir, "decode all.bmp");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(std::vector<std::uint8_t>(r.out.begin(), r.out.end()), data);

  ASSERT_EQ(Cli(dir, "encode -l 1 -o a.bmp Hello").exitCode, 0);
  ASSERT_EQ(Cli(dir, "encode -l 1 -o b.bmp World").exitCode, 0);
  r = Cli(dir, "decode -n -v a.bmp b.bmp");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "Hello\nWorld\n");
  EXPECT_NE(r.err.find("rows"), std::string::npos);
  EXPECT_NE(r.err.find("level 1"), std::string::npos);
}

TEST(CliDecode, BadInputIsReportedWithItsExitCode) {
  testutil::TempDir dir;
  testutil::WriteBytes(dir / "empty.bmp", {});
  testutil::WriteBytes(dir / "text.bmp", {'h', 'e', 'l', 'l', 'o'});
  ASSERT_EQ(::mkdir((dir / "folder.bmp").c_str(), 0755), 0);
  // A valid picture without a symbol: 8 x 8 white, 1 bit.
  std::vector<std::uint8_t> white(62 + 32, 0);
  white[0] = 'B';
  white[1] = 'M';
  white[10] = 62;
  white[14] = 40;
  white[18] = 8;
  white[22] = 8;
  white[26] = 1;
  white[28] = 1;
  white[54] = white[55] = white[56] = 255;
  white[2] = static_cast<std::uint8_t>(white.size());
  testutil::WriteBytes(dir / "white.bmp", white);
  ASSERT_EQ(Cli(dir, "encode -o good.bmp fine").exitCode, 0);

  struct Case {
    std::string args;
    int code;
  };
  const Case cases[] = {
      {"decode missing.bmp", 3},
      {"decode empty.bmp", 4},
      {"decode text.bmp", 4},
      {"decode folder.bmp", 4},
      {"decode white.bmp", 5},
      {"decode", 2},
      {"decode --bogus good.bmp", 2},
      {"decode good.bmp missing.bmp", 3},  // the good one is still printed
  };
  for (const Case& c : cases) {
    const CliRun r = Cli(dir, c.args);
    EXPECT_EQ(r.exitCode, c.code) << c.args << "\n" << r.err;
    EXPECT_FALSE(r.err.empty()) << c.args;
  }
  EXPECT_EQ(Cli(dir, "decode good.bmp missing.bmp").out, "fine");
  EXPECT_FALSE(Exists(dir / "bar.bmp"));
}

TEST(CliDecode, PngJpegAndStandardInput) {
  testutil::TempDir dir;
  ASSERT_EQ(Cli(dir, "encode -o s.bmp 'from a pipe'").exitCode, 0);
  ASSERT_EQ(std::system(("cd " + ShellQuote(dir.path()) +
                         " && convert s.bmp s.png && convert s.bmp -quality 90 s.jpg && "
                         "convert s.bmp s.gif")
                            .c_str()),
            0);
  const struct {
    std::string args, stdinFile;
    int code;
    const char* out;
  } kCases[] = {
      {"decode s.png s.jpg", "", 0, "from a pipefrom a pipe"},
      {"decode -", dir / "s.png", 0, "from a pipe"},
      {"decode - s.bmp", dir / "s.jpg", 0, "from a pipefrom a pipe"},
      {"decode -", dir / "s.gif", 4, ""},
      {"decode -", "", 4, ""},  // nothing on standard input
  };
  for (const auto& c : kCases) {
    const CliRun r = Cli(dir, c.args, c.stdinFile);
    EXPECT_EQ(r.exitCode, c.code) << c.args << " < " << c.stdinFile << "\n" << r.err;
    EXPECT_EQ(r.out, c.out) << c.args;
  }
  EXPECT_NE(Cli(dir, "decode -", dir / "s.gif").err.find("GIF is not supported"),
            std::string::npos);
}

// --timeout: a spent budget is exit 8 with its message, a generous one changes nothing, and a
// value that is not a duration is a wrong command line.
TEST(CliDecode, TimeoutGivesUpWithItsOwnExitCode) {
  testutil::TempDir dir;
  ASSERT_EQ(Cli(dir, "encode -o good.bmp fine").exitCode, 0);
  CliRun r = Cli(dir, "decode --timeout 0.000000001 good.bmp");
  EXPECT_EQ(r.exitCode, 8) << r.err;
  EXPECT_NE(r.err.find("gave up: time budget spent"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty());
  r = Cli(dir, "decode --timeout 600 good.bmp");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "fine");
  for (const char* bad : {"-1", "soon", "nan"}) {
    r = Cli(dir, std::string("decode --timeout ") + bad + " good.bmp");
    EXPECT_EQ(r.exitCode, 2) << bad;
    // Said in words, not as a range up to the largest double.
    EXPECT_NE(r.err.find("--timeout: must be a number of seconds, 0 (no limit) or more"),
              std::string::npos)
        << r.err;
    EXPECT_LT(r.err.size(), 160u) << r.err;
  }
}

std::string CorpusFile(const std::string& name) {
  std::string tests = PDF417_TEST_DATA_DIR;
  tests.resize(tests.rfind('/'));  // .../tests
  return tests.substr(0, tests.rfind('/')) + "/fuzz/corpus/" + name;
}

// JPEGs of a few kilobytes made to cost a minute and 700 MB (10,000 x 10,000, one colour,
// progressive, their first scan repeated up to the scan limit, or a scan for every coefficient):
// refused or given up on within the time asked for, with or without a budget; the pixel limit.
TEST(CliDecode, SmallPicturesThatClaimMuchStopSoon) {
  testutil::TempDir dir;
  const struct {
    const char* file;
    const char* options;
    std::vector<int> exits;
    double seconds;
    const char* says;
  } kCases[] = {
      {"jpeg/regression-repeated-first-scan.jpg", "--timeout 1", {4}, 1.5, "samples"},
      {"jpeg/regression-repeated-first-scan.jpg", "", {4}, 5, "samples"},
      {"jpeg/regression-repeated-first-scan-grey.jpg", "--timeout 1", {4, 8}, 1.5, ""},
      {"jpeg/regression-repeated-first-scan-grey.jpg", "", {4}, 5, "sends again"},
      {"jpeg/regression-one-scan-per-coefficient.jpg", "--timeout 1", {4, 8}, 1.5, ""},
      {"jpeg/regression-one-scan-per-coefficient.jpg", "", {4}, 5, "more than 16 times"},
      {"jpeg/regression-one-colour-progressive.jpg", "", {4}, 5, "300000000 samples"},
      {"png/regression-one-bit-10000.png", "--max-pixels 99999999", {4}, 5, "pixel limit"},
  };
  for (const auto& c : kCases) {
    const auto start = std::chrono::steady_clock::now();
    const CliRun r =
        Cli(dir, std::string("decode ") + c.options + " " + ShellQuote(CorpusFile(c.file)));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::string what = std::string(c.file) + " " + c.options;
    EXPECT_NE(std::find(c.exits.begin(), c.exits.end(), r.exitCode), c.exits.end())
        << what << ": exit " << r.exitCode << ", " << r.err;
    EXPECT_LT(seconds, c.seconds) << what;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << what << ": " << r.err;
  }
  EXPECT_EQ(Cli(dir, "decode --max-pixels 0 x.png").exitCode, 2);
  EXPECT_EQ(Cli(dir, "decode --max-pixels 400000001 x.png").exitCode, 2);
}

// Standard input is looked at before it is read on: what is not a picture, or claims more than
// is read, is refused after its first bytes, however much more would come.
TEST(CliDecode, StandardInputIsCheckedBeforeItIsRead) {
  testutil::TempDir dir;
  CliRun r = Cli(dir, "decode -", "/dev/zero");
  EXPECT_EQ(r.exitCode, 4) << r.err;
  EXPECT_NE(r.err.find("not a picture format we read"), std::string::npos) << r.err;

  const std::vector<std::uint8_t> hugeClaim = testutil::ReadBytes(CorpusFile("png/huge-claim.png"));
  for (const std::vector<std::uint8_t>& head : {std::vector<std::uint8_t>(), hugeClaim}) {
    // The tool reads a pipe that never ends: count what it took before it exited.
    int in[2];
    ASSERT_EQ(::pipe(in), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::dup2(in[0], 0);
      ::close(in[0]);
      ::close(in[1]);
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 1);
      ::dup2(null, 2);
      ::execl(PDF417_CLI_PATH, PDF417_CLI_PATH, "decode", "-", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(in[0]);
    void (*before)(int) = std::signal(SIGPIPE, SIG_IGN);
    std::vector<std::uint8_t> chunk(65536, 0);
    std::size_t written = 0;
    std::size_t at = 0;
    constexpr std::size_t kCap = std::size_t{64} << 20;
    while (written < kCap) {
      const std::uint8_t* from = at < head.size() ? head.data() + at : chunk.data();
      const std::size_t n = at < head.size() ? head.size() - at : chunk.size();
      const ssize_t put = ::write(in[1], from, n);
      if (put <= 0) break;  // the tool has closed its end
      written += static_cast<std::size_t>(put);
      at += static_cast<std::size_t>(put);
    }
    ::close(in[1]);
    std::signal(SIGPIPE, before);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 4) << head.size();
    EXPECT_LT(written, std::size_t{1} << 20) << "standard input was read on, " << head.size();
  }
}

// Sanitizers reserve far more address space than the limit below allows.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

TEST(CliDecode, PictureNeedingMoreMemoryThanAllowedIsReportedNotCrashed) {
  if (kSanitized) GTEST_SKIP() << "address space limits do not work under sanitizers";
  testutil::TempDir dir;
  // A black 10,000 x 8,000 bitmap at 24 bits (sparse: no disk used), whose 80 MB grey picture
  // does not fit under the limit below; a 4,000 x 4,000 progressive colour JPEG of 364 bytes,
  // whose coefficients (96 MB) libjpeg cannot allocate there.
  const std::uint32_t width = 10000;
  const std::uint32_t height = 8000;
  const std::uint32_t pixels = width * 3 * height;
  std::vector<std::uint8_t> head(54, 0);
  head[0] = 'B';
  head[1] = 'M';
  pdf417::PutU32(&head[2], 54 + pixels);
  pdf417::PutU32(&head[10], 54);
  pdf417::PutU32(&head[14], 40);
  pdf417::PutU32(&head[18], width);
  pdf417::PutU32(&head[22], height);
  pdf417::PutU16(&head[26], 1);
  pdf417::PutU16(&head[28], 24);
  testutil::WriteBytes(dir / "huge.bmp", head);
  ASSERT_EQ(::truncate((dir / "huge.bmp").c_str(), 54 + pixels), 0);
  ASSERT_EQ(Cli(dir, "encode -o small.bmp fits").exitCode, 0);

  for (const std::string& huge :
       {dir / "huge.bmp", CorpusFile("jpeg/regression-out-of-memory.jpg")}) {
    const CliRun r = Cli(dir, "decode " + ShellQuote(huge) + " small.bmp", "", "ulimit -v 80000; ");
    EXPECT_EQ(r.exitCode, 9) << r.err;  // out of memory is an internal error, not a bad file
    EXPECT_NE(r.err.find("not enough memory"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "fits");  // the next file is still decoded
  }
}

TEST(CliDecode, FilesItMayNotReadOrThatNeverEnd) {
  testutil::TempDir dir;
  // A device without end is refused on its first bytes.
  CliRun r = Cli(dir, "decode /dev/zero");
  EXPECT_EQ(r.exitCode, 4) << r.err;
  EXPECT_NE(r.err.find("BM"), std::string::npos) << r.err;

  if (::geteuid() == 0) GTEST_SKIP() << "root reads files without read permission";
  ASSERT_EQ(Cli(dir, "encode -o secret.bmp hidden").exitCode, 0);
  ASSERT_EQ(::chmod((dir / "secret.bmp").c_str(), 0200), 0);
  r = Cli(dir, "decode secret.bmp");
  EXPECT_EQ(r.exitCode, 4) << r.err;
  EXPECT_NE(r.err.find("secret.bmp"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty());
}

// Runs the tool as the unprivileged user 'nobody' when the tests run as root (in a child that
// drops its ids), or as the current user otherwise; false when the ids cannot be dropped.
bool CliAsUser(const testutil::TempDir& dir, const std::string& args, CliRun& run) {
  if (::geteuid() != 0) {
    run = Cli(dir, args);
    return true;
  }
  const passwd* nobody = ::getpwnam("nobody");
  if (nobody == nullptr) return false;
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    ::unlink((dir / ".stdout").c_str());  // root's captures; 'nobody' makes its own
    ::unlink((dir / ".stderr").c_str());
    if (::setgroups(0, nullptr) != 0 ||
        ::setresgid(nobody->pw_gid, nobody->pw_gid, nobody->pw_gid) != 0 ||
        ::setresuid(nobody->pw_uid, nobody->pw_uid, nobody->pw_uid) != 0) {
      ::_exit(100);
    }
    ::_exit(Cli(dir, args).exitCode & 0x7F);
  }
  // 100: the user could not be taken on; 126 and 127: the shell could not run the tool as that
  // user (a build folder it may not enter).
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) == 100 ||
      WEXITSTATUS(status) >= 126) {
    return false;
  }
  run.exitCode = WEXITSTATUS(status);
  const auto e = testutil::ReadBytes(dir / ".stderr");
  run.err.assign(e.begin(), e.end());
  return true;
}

// Missing (3) only when there is no such file; every other failed lookup is unreadable (4), each
// with its own message, for decode and for encode --input alike.
TEST(CliInput, LookupFailuresHaveTheirOwnCodesAndMessages) {
  testutil::TempDir dir;
  ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);  // 'nobody' writes the captured streams here
  ASSERT_EQ(Cli(dir, "encode -o locked.bmp hidden").exitCode, 0);
  ASSERT_EQ(::chmod((dir / "locked.bmp").c_str(), 0), 0);
  ASSERT_EQ(::symlink("loop.bmp", (dir / "loop.bmp").c_str()), 0);
  ASSERT_EQ(::mkdir((dir / "folder.bmp").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((dir / "closed").c_str(), 0), 0);
  testutil::WriteBytes(dir / "plain.txt", {'a'});
  struct Case {
    std::string file;
    int code;
    std::string message;
    bool unprivileged;  // the case needs a user whom permissions bind
  };
  const Case cases[] = {
      {"missing.bmp", 3, "no such file", false},    {"plain.txt/x.bmp", 3, "no such file", false},
      {"loop.bmp", 4, "symbolic-link loop", false}, {"folder.bmp", 4, "folder", false},
      {"locked.bmp", 4, "permission denied", true}, {"closed/x.bmp", 4, "permission denied", true},
  };
  for (const Case& c : cases) {
    for (const std::string& args : {"decode " + c.file, "encode -o out.bmp --input " + c.file}) {
      CliRun r;
      if (c.unprivileged) {
        if (!CliAsUser(dir, args, r)) {
          std::printf("skipped '%s': cannot run as an unprivileged user\n", args.c_str());
          continue;
        }
      } else {
        r = Cli(dir, args);
      }
      EXPECT_EQ(r.exitCode, c.code) << args << "\n" << r.err;
      EXPECT_NE(r.err.find(c.message), std::string::npos) << args << "\n" << r.err;
    }
  }
  EXPECT_FALSE(Exists(dir / "out.bmp"));
}

// Output to standard output, and lost output reported: every write, the flush and the close of
// standard output are checked, in encode and decode alike.
TEST(CliStreams, StandardOutputIsWrittenAndItsFailuresAreReported) {
  testutil::TempDir dir;
  CliRun r = Cli(dir, "encode --format bmp -o - 'to a pipe'");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  testutil::WriteBytes(dir / "piped.bmp", std::vector<std::uint8_t>(r.out.begin(), r.out.end()));
  r = Cli(dir, "decode piped.bmp");
  EXPECT_EQ(r.out, "to a pipe");
  r = Cli(dir, "encode -o - x");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.substr(1, 3), "PNG");

  struct Case {
    std::string args;
    std::string redirect;
  };
  const Case cases[] = {
      {"decode piped.bmp", " >/dev/full"},
      {"decode piped.bmp", " >&-"},
      {"decode -n piped.bmp piped.bmp", " >/dev/full"},
      {"encode -o - x", " >/dev/full"},
      {"encode -o - x", " >&-"},
  };
  for (const Case& c : cases) {
    // The redirection comes after the tool's own, so it wins.
    const std::string cmd = "cd " + ShellQuote(dir.path()) + " && " + ShellQuote(PDF417_CLI_PATH) +
                            " " + c.args + " 2>" + ShellQuote(dir / ".stderr") + c.redirect;
    const int status = std::system(cmd.c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 7) << c.args << c.redirect;
    const auto err = testutil::ReadBytes(dir / ".stderr");
    EXPECT_NE(std::string(err.begin(), err.end()).find("standard output"), std::string::npos)
        << c.args << c.redirect;
  }
}

TEST(CliEncode, SplitBatchEncodingAndMessages) {
  testutil::TempDir dir;
  // Data too long for one symbol goes over numbered Macro PDF417 segments, read back in order.
  std::string long_;
  for (int i = 0; i < 300; ++i) long_ += "line " + std::to_string(i * 7919) + " of the long text; ";
  testutil::WriteBytes(dir / "long.txt", std::vector<std::uint8_t>(long_.begin(), long_.end()));
  CliRun r = Cli(dir, "encode --split -o part.bmp --input long.txt");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::string joined;
  int segments = 0;
  for (int i = 1; Exists(dir / ("part-" + std::to_string(i) + ".bmp")); ++i) segments = i;
  ASSERT_GE(segments, 2);
  for (int i = 1; i <= segments; ++i) {
    const std::string name = "part-" + std::to_string(i) + ".bmp";
    r = Cli(dir, "decode " + name);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    joined += r.out;
    r = Cli(dir, "decode --tagged " + name);
    EXPECT_EQ(
        r.out.rfind(
            name + ": segment " + std::to_string(i) + " of " + std::to_string(segments) + ": ", 0),
        0u)
        << r.out.substr(0, 60);
  }
  EXPECT_EQ(joined, long_);
  std::string reversed;
  for (int i = segments; i >= 1; --i) reversed += " part-" + std::to_string(i) + ".bmp";
  r = Cli(dir, "decode --join" + reversed);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, long_);
  r = Cli(dir, "decode --join part-1.bmp part-" + std::to_string(segments) + ".bmp");
  EXPECT_EQ(r.exitCode, segments == 2 ? 0 : 5) << r.err;
  r = Cli(dir, "decode --join part-1.bmp part-1.bmp");
  EXPECT_NE(r.exitCode, 0);
  EXPECT_TRUE(r.out.empty());

  // One symbol per line, numbered by a pattern or named from the data.
  testutil::WriteBytes(dir / "lines.txt",
                       {'o', 'n', 'e', '\n', 't', 'w', 'o', '\r', '\n', '\n', 'f', 'o', 'u', 'r'});
  ASSERT_EQ(Cli(dir, "encode --batch -o label-%02d.bmp --input lines.txt").exitCode, 0);
  EXPECT_EQ(Cli(dir, "decode label-01.bmp").out, "one");
  EXPECT_EQ(Cli(dir, "decode label-02.bmp").out, "two");
  EXPECT_FALSE(Exists(dir / "label-03.bmp"));  // the empty line gives no symbol
  EXPECT_EQ(Cli(dir, "decode label-04.bmp").out, "four");
  ASSERT_EQ(Cli(dir, "encode --batch -o x.bmp --input lines.txt").exitCode, 0);
  EXPECT_EQ(Cli(dir, "decode two.bmp").out, "two");
  EXPECT_EQ(Cli(dir, "encode --batch -o 'bad-%s.bmp' --input lines.txt").exitCode, 2);

  // Text converted to GBK under ECI 32; UTF-8 kept under ECI 26.
  ASSERT_EQ(Cli(dir, "encode --encoding gbk -o zh.bmp '\xE4\xB8\xAD\xE6\x96\x87'").exitCode, 0);
  r = Cli(dir, "decode -v zh.bmp");
  EXPECT_EQ(r.out, "\xD6\xD0\xCE\xC4");
  EXPECT_NE(r.err.find("ECI 32"), std::string::npos) << r.err;
  ASSERT_EQ(Cli(dir, "encode --encoding utf-8 -o u.bmp '\xE4\xB8\xAD'").exitCode, 0);
  r = Cli(dir, "decode -v u.bmp");
  EXPECT_EQ(r.out, "\xE4\xB8\xAD");
  EXPECT_NE(r.err.find("ECI 26"), std::string::npos) << r.err;

  // Messages that say what to do.
  r = Cli(dir, "encode -c 1 -l 8 -o x.bmp " + std::string(600, 'a'));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("columns fit"), std::string::npos) << r.err;
  const CliRun encodeMissing = Cli(dir, "encode -o x.bmp --input missing.txt");
  const CliRun decodeMissing = Cli(dir, "decode missing.txt");
  EXPECT_EQ(encodeMissing.exitCode, 3);
  EXPECT_EQ(decodeMissing.exitCode, 3);
  EXPECT_EQ(encodeMissing.err.substr(encodeMissing.err.find(": ")),
            decodeMissing.err.substr(decodeMissing.err.find(": ")));
}

}  // namespace

namespace {

TEST(CliDecode, JobsKeepTheOrderOfTheFilesAndExitWithTheHighestCode) {
  testutil::TempDir dir;
  testutil::WriteBytes(dir / "text.bmp", {'h', 'e', 'l', 'l', 'o'});
  std::string files;
  std::string expectedOut;
  for (int i = 0; i < 24; ++i) {
    const std::string name = "s" + std::to_string(i) + ".bmp";
    // Symbols of different sizes take different times, so threads finish out of order.
    const std::string payload = "file " + std::to_string(i) + std::string(i * 8, 'x');
    ASSERT_EQ(Cli(dir, "encode -c " + std::to_string(3 + i % 12) + " -o " + name + " " +
                           ShellQuote(payload))
                  .exitCode,
              0);
    files += " " + name;
    expectedOut += payload + "\n";
    if (i == 5) files += " missing.bmp";
    if (i == 11) files += " text.bmp";
  }
  const CliRun one = Cli(dir, "decode -n --jobs 1" + files);
  EXPECT_EQ(one.out, expectedOut);
  EXPECT_EQ(one.exitCode, 4) << one.err;  // unreadable (4) outranks missing (3)
  EXPECT_LT(one.err.find("missing.bmp"), one.err.find("text.bmp")) << one.err;
  for (const char* jobs : {"-j 2", "--jobs 5", ""}) {
    const CliRun many = Cli(dir, std::string("decode -n ") + jobs + files);
    EXPECT_EQ(many.out, one.out) << jobs;
    EXPECT_EQ(many.err, one.err) << jobs;
    EXPECT_EQ(many.exitCode, one.exitCode) << jobs;
  }
  EXPECT_EQ(Cli(dir, "decode --jobs 0 s0.bmp").exitCode, 2);
}

// Two one-bit pictures, the first above the second with a white gap, as a 24-bit BMP.
void StackBmps(const std::string& top, const std::string& bottom, const std::string& out) {
  pdf417::BinBMP a;
  pdf417::BinBMP b;
  a.LoadFile(top);
  b.LoadFile(bottom);
  const int width = std::max(a.width, b.width) + 40;
  const int height = a.height + b.height + 60;
  const int stride = (3 * width + 3) / 4 * 4;
  std::vector<std::uint8_t> file(54 + static_cast<std::size_t>(stride) * height, 255);
  const std::uint32_t header[] = {
      static_cast<std::uint32_t>(file.size()), 0, 54, 40, static_cast<std::uint32_t>(width),
      static_cast<std::uint32_t>(height)};
  file[0] = 'B';
  file[1] = 'M';
  for (int i = 0; i < 6; ++i) pdf417::PutU32(file.data() + 2 + 4 * i, header[i]);
  pdf417::PutU16(file.data() + 26, 1);
  pdf417::PutU16(file.data() + 28, 24);
  for (int i = 30; i < 54; ++i) file[static_cast<std::size_t>(i)] = 0;
  auto paint = [&](const pdf417::BinBMP& from, int top0) {
    for (int y = 0; y < from.height; ++y) {
      for (int x = 0; x < from.width; ++x) {
        const int row = height - 1 - (top0 + y);  // bottom-up rows
        std::uint8_t* px = file.data() + 54 + static_cast<std::size_t>(row) * stride + 3 * (x + 20);
        px[0] = px[1] = px[2] = from.IsWhite(y, x) ? 255 : 0;
      }
    }
  };
  paint(a, 20);
  paint(b, 40 + a.height);
  testutil::WriteBytes(out, file);
}

// A picture of two Macro PDF417 segments, segment 2 above segment 1: each symbol is written in
// page order, separated as several files' symbols are, tagged with its index; --join puts them in
// segment order.
TEST(CliDecode, EverySymbolOfAPictureInPageOrder) {
  testutil::TempDir dir;
  ASSERT_EQ(Cli(dir, "encode --structapp 2,2,7 -o b.bmp second").exitCode, 0);
  ASSERT_EQ(Cli(dir, "encode --structapp 1,2,7 -o a.bmp first").exitCode, 0);
  StackBmps(dir / "b.bmp", dir / "a.bmp", dir / "two.bmp");
  const CliRun plain = Cli(dir, "decode two.bmp a.bmp");
  EXPECT_EQ(plain.out, "secondfirstfirst") << plain.err;
  EXPECT_EQ(plain.exitCode, 0);
  EXPECT_EQ(Cli(dir, "decode -n -j 2 two.bmp a.bmp").out, "second\nfirst\nfirst\n");
  const CliRun tagged = Cli(dir, "decode --tagged two.bmp");
  EXPECT_EQ(tagged.out.rfind("two.bmp: symbol 1 of 2: segment 2", 0), 0u) << tagged.out;
  EXPECT_NE(tagged.out.find("\ntwo.bmp: symbol 2 of 2: segment 1"), std::string::npos)
      << tagged.out;
  EXPECT_EQ(Cli(dir, "decode --join two.bmp").out, "firstsecond");
}

}  // namespace
