// What `pdf417 decode` reads: folders of pictures in name order (-r with their subfolders) and
// lists of paths (--files-from FILE or -), beside files named one by one.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "test_util.h"

namespace {

using testutil::ShellQuote;

TEST(CliDecodeInputs, FoldersAndListsGiveTheirPicturesInOrder) {
  testutil::TempDir dir;
  const std::string cli = "cd " + ShellQuote(dir.path()) + " && " + ShellQuote(PDF417_CLI_PATH);
  for (const char* folder : {"top", "top/sub", "top/sub/deeper", "top/.git", "empty"}) {
    ASSERT_EQ(::mkdir((dir / folder).c_str(), 0755), 0);
  }
  int status = -1;
  for (const char* name : {"top/b.png", "top/a.PNG", "top/.hidden.png", "top/.git/x.png",
                           "top/sub/c.bmp", "top/sub/deeper/d.png", "loose.png"}) {
    // Each symbol holds its file's name without folder and extension.
    std::string data = std::string(name).substr(std::string(name).rfind('/') + 1);
    data = data.substr(0, data.find('.', 1));
    testutil::Shell(cli + " encode -o " + name + " " + ShellQuote(data), status);
    ASSERT_EQ(status, 0) << name;
  }
  const std::string list = "top/b.png\r\n\ntop/sub\n";
  testutil::WriteBytes(dir / "list.txt", {list.begin(), list.end()});
  testutil::WriteBytes(dir / "blank.txt", {'\n', '\n'});
  testutil::WriteBytes(dir / "top/notes.txt", {'n', 'o'});

  const struct {
    std::string args;
    int status;
    std::string out;
    std::string err;  // part of standard error
  } cases[] = {
      {"-t top", 0, "top/a.PNG: a\ntop/b.png: b\n", ""},
      {"-t -r top/", 0, "top/a.PNG: a\ntop/b.png: b\ntop/sub/c.bmp: c\ntop/sub/deeper/d.png: d\n",
       ""},
      {"-t loose.png top/sub", 0, "loose.png: loose\ntop/sub/c.bmp: c\n", ""},
      {"-t --files-from list.txt", 0, "top/b.png: b\ntop/sub/c.bmp: c\n", ""},
      {"-t loose.png --files-from - <list.txt", 0,
       "loose.png: loose\ntop/b.png: b\ntop/sub/c.bmp: c\n", ""},
      {"-t top/sub/deeper empty", 4, "top/sub/deeper/d.png: d\n",
       "no picture file in the folder 'empty'"},
      {"--files-from missing.txt", 3, "", "missing.txt"},
      {"--files-from blank.txt", 2, "", "names no file"},
      {"- --files-from - <list.txt", 2, "", "standard input"},
      {"", 2, "", "--files-from"},
  };
  for (const auto& c : cases) {
    const std::string out = testutil::Shell(cli + " decode " + c.args + " 2>.err", status);
    const auto err = testutil::ReadBytes(dir / ".err");
    EXPECT_EQ(status, c.status) << c.args;
    EXPECT_EQ(out, c.out) << c.args;
    EXPECT_NE(std::string(err.begin(), err.end()).find(c.err), std::string::npos) << c.args;
  }
}

}  // namespace
