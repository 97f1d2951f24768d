// Text of the decoded bytes by their ECI designators: round trips through iconv run the other
// way (UTF-8 to each character set), and the reports for what cannot be converted.
#include "pdf417/decoder/decompact/eci_text.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <vector>

namespace pdf417 {
namespace {

// UTF-8 text in a character set, by iconv; empty when a character has no place in it.
std::string FromUtf8(const std::string& text, const char* charset) {
  iconv_t cd = ::iconv_open(charset, "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return "";
  std::string in = text;
  std::vector<char> out(4 * text.size() + 8);
  char* inPtr = &in[0];
  std::size_t inLeft = in.size();
  char* outPtr = out.data();
  std::size_t outLeft = out.size();
  const std::size_t r = ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  ::iconv_close(cd);
  if (r == static_cast<std::size_t>(-1)) return "";
  return std::string(out.data(), out.size() - outLeft);
}

// For every ECI with a character set, a sample of its script.
struct Sample {
  int eci;
  std::string text;
};
const Sample kSamples[] = {
    {0, "Box \xe2\x94\x80\xe2\x94\x82 \xc3\xa7"},  // CP437
    {1, "Gr\xc3\xbc\xc3\x9f"},
    {2, "\xe2\x95\x94\xe2\x95\x97"},
    {3, "caf\xc3\xa9 \xc3\xbf"},
    {4,
     "\xc5\x81\xc3\xb3"
     "d\xc5\xba"},
    {5, "\xc4\xa6\xc4\xa7"},
    {6, "\xc4\x80\xc4\xb8"},
    {7, "\xd0\x9f\xd1\x80\xd0\xb8"},
    {8, "\xd8\xb3\xd9\x84\xd8\xa7\xd9\x85"},
    {9, "\xce\x95\xce\xbb\xce\xbb"},
    {10, "\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d"},
    {11, "\xc4\x9e\xc5\x9f"},
    {12, "\xc4\xb8\xc5\x8b"},
    {13, "\xe0\xb8\xaa\xe0\xb8\xa7"},
    {15, "\xc4\x84\xc5\xb2"},
    {16, "\xe1\xb8\x82\xe1\xba\x80"},
    {17, "\xe2\x82\xac \xc5\x93"},
    {18, "\xc8\x98\xc8\x9a"},
    {20, "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e \xef\xbd\xb1"},
    {21, "\xc5\x98\xc3\xad"},
    {22, "\xd0\x96\xd1\x8a"},
    {23, "\xe2\x82\xac\xe2\x80\x9c"},
    {24, "\xd9\x86\xda\xaf"},
    {25, "\xe4\xb8\x96 A"},
    {26, "\xe4\xb8\x96\xe7\x95\x8c \xf0\x9f\x98\x80"},
    {27, "plain"},
    {28, "\xe7\xb9\x81\xe9\xab\x94"},
    {29, "\xe4\xb8\xad\xe6\x96\x87"},
    {30, "\xed\x95\x9c\xea\xb5\xad"},
    {31, "\xe9\x8d\x8a"},
    {32, "\xf0\xa0\x80\x80\xe4\xb8\xad"},
    {33, "\xe4\xb8\x96 B"},
    {34, "\xf0\x9f\x98\x80"},
    {35, "\xc3\xa9\xf0\x9f\x98\x80"},
    {170, "inv"},
};

TEST(EciText, EverySegmentIsConvertedFromItsCharacterSet) {
  // Each sample alone, then all of them one after another behind their designators, with a
  // Latin-1 stretch first that has no designator.
  std::string bytes = "\xe9!";
  std::string expected = "\xc3\xa9!";
  std::vector<EciDesignator> all;
  for (const Sample& s : kSamples) {
    const char* charset = EciCharset(s.eci);
    ASSERT_NE(charset, nullptr) << s.eci;
    const std::string encoded = FromUtf8(s.text, charset);
    ASSERT_FALSE(encoded.empty()) << s.eci << " " << charset;
    std::vector<std::string> warnings;
    EXPECT_EQ(EciToUtf8(encoded, {{s.eci, 0}}, warnings), s.text) << s.eci;
    EXPECT_TRUE(warnings.empty()) << s.eci;
    all.push_back({s.eci, bytes.size()});
    bytes += encoded;
    expected += s.text;
  }
  std::vector<std::string> warnings;
  EXPECT_EQ(EciToUtf8(bytes, all, warnings), expected);
  EXPECT_TRUE(warnings.empty());
}

TEST(EciText, WhatCannotBeConvertedIsReported) {
  struct Case {
    std::string bytes;
    std::vector<EciDesignator> eci;
    std::string text;
    std::size_t warnings;
  };
  const std::string bad = "\xef\xbf\xbd";
  const Case cases[] = {
      {"abc", {}, "abc", 0},
      {"", {{26, 0}}, "", 0},
      // Invalid UTF-8 in the middle, and a sequence cut off at the end of its stretch.
      {"a\xff"
       "b",
       {{26, 0}},
       "a" + bad + "b",
       1},
      {"\xe4\xb8\x96\xe4\xb8", {{26, 0}, {3, 5}}, "\xe4\xb8\x96" + bad, 1},
      // An odd UTF-16 stretch; then a number without a character set (binary), read as Latin-1.
      {std::string("\x00"
                   "A\x00",
                   3),
       {{25, 0}, {899, 3}},
       "A" + bad,
       1},
      {std::string("A\xe9", 2), {{899, 0}}, "A\xc3\xa9", 1},
      {"xy", {{811799, 1}}, "xy", 1},
      // Several designators at one place: the last one applies; one past the end is harmless.
      {"\xe9", {{26, 0}, {3, 0}, {7, 1}}, "\xc3\xa9", 0},
  };
  for (const Case& c : cases) {
    std::vector<std::string> warnings;
    EXPECT_EQ(EciToUtf8(c.bytes, c.eci, warnings), c.text) << c.bytes;
    EXPECT_EQ(warnings.size(), c.warnings) << c.bytes;
  }
}

TEST(EciText, AppliedOnlyToDecodedResults) {
  DecodeResult r;
  r.status = DecodeStatus::Decoded;
  r.bytes = "\xc4";
  r.eci = {{7, 0}};
  ApplyEciText(r);
  EXPECT_EQ(r.text, "\xd0\xa4");
  DecodeResult failed;
  failed.bytes = "x";
  ApplyEciText(failed);
  EXPECT_EQ(failed.text, "");
  EXPECT_EQ(EciCharset(14), nullptr);
  EXPECT_EQ(EciCharset(-1), nullptr);
}

}  // namespace
}  // namespace pdf417
