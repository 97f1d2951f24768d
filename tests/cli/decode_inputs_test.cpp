// What `pdf417 decode` reads: folders of pictures in name order (-r with their subfolders) and
// lists of paths (--files-from FILE or -), beside files named one by one.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "test_util.h"

namespace {

using testutil::ShellQuote;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

Outcome Decode(const testutil::TempDir& dir, const std::string& args,
               const std::string& input = "") {
  const std::string command = "cd " + ShellQuote(dir.path()) + " && " +
                              ShellQuote(PDF417_CLI_PATH) + " decode " + args + " >.out 2>.err <" +
                              (input.empty() ? std::string("/dev/null") : ShellQuote(input));
  const int rc = std::system(command.c_str());
  Outcome r;
  r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  const auto out = testutil::ReadBytes(dir / ".out");
  const auto err = testutil::ReadBytes(dir / ".err");
  r.out.assign(out.begin(), out.end());
  r.err.assign(err.begin(), err.end());
  return r;
}

void Encode(const testutil::TempDir& dir, const std::string& file, const std::string& text) {
  const std::string command = "cd " + ShellQuote(dir.path()) + " && " +
                              ShellQuote(PDF417_CLI_PATH) + " encode -o " + ShellQuote(file) + " " +
                              ShellQuote(text);
  ASSERT_EQ(std::system(command.c_str()), 0) << file;
}

TEST(CliDecodeInputs, FoldersAndListsGiveTheirPicturesInOrder) {
  testutil::TempDir dir;
  for (const char* folder : {"top", "top/sub", "top/sub/deeper", "top/.git", "empty"}) {
    ASSERT_EQ(::mkdir((dir / folder).c_str(), 0755), 0);
  }
  Encode(dir, "top/b.png", "b");
  Encode(dir, "top/a.PNG", "a");
  Encode(dir, "top/.hidden.png", "hidden");
  Encode(dir, "top/.git/x.png", "hidden folder");
  Encode(dir, "top/sub/c.bmp", "c");
  Encode(dir, "top/sub/deeper/d.png", "d");
  Encode(dir, "loose.png", "loose");
  testutil::WriteBytes(dir / "top/notes.txt", {'n', 'o'});
  testutil::WriteBytes(dir / "list.txt", {'t',  'o',  'p', '/', 'b', '.', 'p', 'n', 'g', '\r',
                                          '\n', '\n', 't', 'o', 'p', '/', 's', 'u', 'b', '\n'});
  testutil::WriteBytes(dir / "blank.txt", {'\n', '\n'});

  const struct {
    std::string args;
    std::string input;  // a file fed to standard input
    int status;
    std::string out;
    std::string err;  // part of standard error
  } cases[] = {
      {"-t top", "", 0, "top/a.PNG: a\ntop/b.png: b\n", ""},
      {"-t -r top/", "", 0,
       "top/a.PNG: a\ntop/b.png: b\ntop/sub/c.bmp: c\ntop/sub/deeper/d.png: d\n", ""},
      {"-t loose.png top/sub", "", 0, "loose.png: loose\ntop/sub/c.bmp: c\n", ""},
      {"-t --files-from list.txt", "", 0, "top/b.png: b\ntop/sub/c.bmp: c\n", ""},
      {"-t loose.png --files-from -", "list.txt", 0,
       "loose.png: loose\ntop/b.png: b\ntop/sub/c.bmp: c\n", ""},
      {"-t top/sub/deeper empty", "", 4, "top/sub/deeper/d.png: d\n",
       "no picture file in the folder 'empty'"},
      {"--files-from missing.txt", "", 3, "", "missing.txt"},
      {"--files-from blank.txt", "", 2, "", "names no file"},
      {"- --files-from -", "list.txt", 2, "", "standard input"},
      {"", "", 2, "", "--files-from"},
  };
  for (const auto& c : cases) {
    const Outcome r = Decode(dir, c.args, c.input.empty() ? "" : dir / c.input);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_EQ(r.out, c.out) << c.args;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args << "\n" << r.err;
  }
}

}  // namespace
