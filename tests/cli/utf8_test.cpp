// `pdf417 decode --utf8`: the text of each ECI segment converted to UTF-8, against the raw
// bytes of a plain decode.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/stages.h"
#include "test_util.h"

namespace {

using testutil::ShellQuote;

struct CliResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

CliResult Decode(const testutil::TempDir& dir, const std::string& args) {
  const std::string out = dir / ".stdout";
  const std::string err = dir / ".stderr";
  const std::string cmd = ShellQuote(PDF417_CLI_PATH) + " decode " + args + " >" + ShellQuote(out) +
                          " 2>" + ShellQuote(err) + " </dev/null";
  const int status = std::system(cmd.c_str());
  CliResult r;
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  const auto o = testutil::ReadBytes(out);
  const auto e = testutil::ReadBytes(err);
  r.out.assign(o.begin(), o.end());
  r.err.assign(e.begin(), e.end());
  return r;
}

// A symbol of the given data codewords (descriptor first) at level 3 with 6 columns.
void WriteSymbol(const std::string& file, std::vector<int> data) {
  pdf417::CodewordSequence seq{0};
  seq.insert(seq.end(), data.begin(), data.end());
  while ((seq.size() + 16) % 6 != 0) seq.push_back(900);
  seq[0] = static_cast<int>(seq.size());
  pdf417::AppendErrorCorrection(3, seq);
  pdf417::RenderSymbol(6, 3, seq, file, 3);
}

TEST(CliDecodeUtf8, SegmentsAreConvertedByTheirEci) {
  testutil::TempDir dir;
  // "AB" without a designator, then one byte run under Shift JIS (20), GB 2312 (29, after an
  // empty EUC-KR stretch) and ISO 8859-6 (8).
  WriteSymbol(dir / "sample.bmp", {1,  901, 927, 20,  246, 877, 166, 106, 797, 927, 30, 927,
                                   29, 415, 537, 357, 329, 194, 927, 8,   225, 144, 172});
  CliResult raw = Decode(dir, ShellQuote(dir / "sample.bmp"));
  ASSERT_EQ(raw.exitCode, 0) << raw.err;
  EXPECT_EQ(raw.out, "AB\x93\x5f\xe4\xaa\x83\x65\xf7\xfe\xb0\xf2\xf4\xf6\xe1\x90\xac");
  CliResult text = Decode(dir, "--utf8 -n " + ShellQuote(dir / "sample.bmp"));
  ASSERT_EQ(text.exitCode, 0) << text.err;
  EXPECT_EQ(text.out,
            "AB\xe7\x82\xb9\xe8\x8c\x97\xe3\x83\x86\xe9\xbd\x84\xe8\x86\x80\xe8\xb5\xa7"
            "\xd9\x81\xc2\x90\xd8\x8c\n");
  EXPECT_EQ(text.err, "");

  // Bytes that are not valid UTF-8 under ECI 26: replaced, and reported on standard error.
  WriteSymbol(dir / "bad.bmp", {927, 26, 901, 65, 255, 66});
  CliResult bad = Decode(dir, "-u " + ShellQuote(dir / "bad.bmp"));
  EXPECT_EQ(bad.exitCode, 0);
  EXPECT_EQ(bad.out,
            "A\xef\xbf\xbd"
            "B");
  EXPECT_NE(bad.err.find("not valid UTF-8"), std::string::npos) << bad.err;
}

TEST(CliDecodeUtf8, ZintSegmentsComeBackAsTheTextThatWentIn) {
  if (!testutil::ZintInstalled()) GTEST_SKIP() << "the zint command-line tool is not installed";
  testutil::TempDir dir;
  // zint takes UTF-8 and writes each segment in its ECI's character set.
  const std::string cyrillic = "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82";
  const std::string chinese = "\xe4\xb8\x96\xe7\x95\x8c\xe4\xbd\xa0\xe5\xa5\xbd";
  const std::string greek = "\xce\x91\xce\xb2\xce\xb3";
  const std::string file = dir / "zint.bmp";
  const std::string cmd = "zint -b 55 --filetype=bmp -o " + ShellQuote(file) + " --eci=7 -d " +
                          ShellQuote(cyrillic) + " --seg1=29," + ShellQuote(chinese) +
                          " --seg2=9," + ShellQuote(greek) + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  CliResult text = Decode(dir, "--utf8 " + ShellQuote(file));
  ASSERT_EQ(text.exitCode, 0) << text.err;
  EXPECT_EQ(text.out, cyrillic + chinese + greek);
  CliResult raw = Decode(dir, ShellQuote(file));
  EXPECT_EQ(raw.out.size(), 6u + 8u + 3u) << "one byte a letter, two a Chinese character";
}

}  // namespace
