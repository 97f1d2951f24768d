// The command-line tool, run as a user would: arguments, files, standard streams, exit codes.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "pdf417/common/bitmap.h"
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
  // Defaults: 5 columns, level 1, aspect ratio 3 -> 3 rows of 154 modules, 170 x 13 pixels.
  const auto bytes = testutil::ReadBytes(dir / "bar.bmp");
  ASSERT_EQ(bytes.size(), 62u + 24u * 13u);
  EXPECT_EQ(testutil::U32(bytes, 18), 170u);

  r = Cli(dir, "encode --help");
  EXPECT_EQ(r.exitCode, 0);
  for (const char* word :
       {"--columns", "--level", "--aspect", "--output", "--input", "TEXT", "bar.bmp"}) {
    EXPECT_NE(r.out.find(word), std::string::npos) << word;
  }
  r = Cli(dir, "--help");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("decode"), std::string::npos);
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
  const Case cases[] = {
      {"encode -o keep.bmp -c 31 x", 1},
      {"encode -o keep.bmp -l 9 x", 1},
      {"encode -o keep.bmp -a 0 x", 1},
      {"encode -o keep.bmp -c 30 -l 8 " + std::string(700, 'x'), 1},  // too long for level 8
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

  // A full disk, as a file-size limit of one block: the write fails with "file too large"
  // (the signal the limit would send is ignored, so the tool sees the error as on a full disk).
  CliRun r =
      Cli(dir, "encode -a 40 -o keep.bmp 'no room for this'", "", "trap '' XFSZ; ulimit -f 1; ");
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

TEST(CliDecode, RoundTripsBytesExactly) {
  testutil::TempDir dir;
  std::vector<std::uint8_t> data;
  for (int i = 0; i < 256; ++i) data.push_back(static_cast<std::uint8_t>(i));
  testutil::WriteBytes(dir / "all.bin", data);
  ASSERT_EQ(Cli(dir, "encode -c 10 -l 3 -o all.bmp --input all.bin").exitCode, 0);
  CliRun r = Cli(dir, "decode all.bmp");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(std::vector<std::uint8_t>(r.out.begin(), r.out.end()), data);

  ASSERT_EQ(Cli(dir, "encode -o a.bmp Hello").exitCode, 0);
  ASSERT_EQ(Cli(dir, "encode -o b.bmp World").exitCode, 0);
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
  // A white 5,000 x 4,000 picture at 24 bits: 60 MB, read into twice that under an 80 MB limit.
  const std::uint32_t width = 5000;
  const std::uint32_t height = 4000;
  const std::uint32_t pixels = width * 3 * height;
  std::vector<std::uint8_t> file(54 + pixels, 0xFF);
  std::fill(file.begin(), file.begin() + 54, 0);
  file[0] = 'B';
  file[1] = 'M';
  pdf417::PutU32(&file[2], 54 + pixels);
  pdf417::PutU32(&file[10], 54);
  pdf417::PutU32(&file[14], 40);
  pdf417::PutU32(&file[18], width);
  pdf417::PutU32(&file[22], height);
  pdf417::PutU16(&file[26], 1);
  pdf417::PutU16(&file[28], 24);
  testutil::WriteBytes(dir / "huge.bmp", file);
  ASSERT_EQ(Cli(dir, "encode -o small.bmp fits").exitCode, 0);

  const CliRun r = Cli(dir, "decode huge.bmp small.bmp", "", "ulimit -v 80000; ");
  EXPECT_EQ(r.exitCode, 4) << r.err;
  EXPECT_NE(r.err.find("not enough memory"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "fits");  // the next file is still decoded
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

}  // namespace
