// The escapes of the front ends' text helper, and bad ones refused with a message naming them;
// its conversions of text into character sets and back (the text rule itself is checked through
// both front ends in tests/interop/text_policy_test.cpp).
#include "frontend/text_data.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using textdata::TextError;

TEST(TextData, EscapesStandForTheirBytes) {
  const struct {
    std::string text;
    std::string bytes;
  } cases[] = {
      {"a\\nb\\rc\\td\\\\e", "a\nb\rc\td\\e"},
      {"\\x1e\\x1E\\xff\\x00", std::string("\x1e\x1e\xff\0", 4)},
      {"\\d000\\d013\\d255", std::string("\0\r\xff", 3)},
      {"\\0\\a\\b\\f\\v\\e\\E\\G\\R", std::string("\0\a\b\f\v\x1b\x04\x1d\x1e", 9)},
      {"no escapes, \xC3\xBC", "no escapes, \xC3\xBC"},
  };
  for (const auto& c : cases) EXPECT_EQ(textdata::ReadEscapes(c.text), c.bytes) << c.text;
}

TEST(TextData, BadEscapesAreRefusedByName) {
  const struct {
    std::string text;
    std::string names;
  } cases[] = {
      {"a\\qb", "'\\q'"},
      {"\\x1", "'\\x1'"},
      {"\\xg0", "'\\xg0'"},
      {"\\d25", "'\\d25'"},
      {"\\d256", "'\\d256'"},
      {"end\\", "backslash"},
      {"\\\xC3\xBC", "'\\\xC3\xBC'"},
  };
  for (const auto& c : cases) {
    try {
      textdata::ReadEscapes(c.text);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const TextError& e) {
      EXPECT_EQ(e.kind(), TextError::Kind::BadEscape);
      EXPECT_NE(std::string(e.what()).find(c.names), std::string::npos) << e.what();
    }
  }
}

}  // namespace

namespace {

// Text into a character set: the bytes (a stateful set's closing sequence included), or the
// offset of the first character the set lacks, or of the first byte that is not UTF-8.
TEST(TextData, TextIntoACharacterSetOrWhereItStops) {
  const struct {
    std::string utf8;
    const char* charset;
    std::string bytes;  // empty when it stops
    std::size_t stoppedAt;
  } cases[] = {
      {"\xE6\xB1\x89"
       "A\xE2\x82\xAC",
       "GBK",
       "\xBA\xBA"
       "A\x80",
       std::string::npos},
      {std::string("a\0b\r\n", 5), "GBK", std::string("a\0b\r\n", 5), std::string::npos},
      {"AB\xF0\x9F\x98\x80", "GBK", "", 2},
      {"A\xE6\xB1\x89\xFF", "GBK", "", 4},
      {"\xCE\xB1\xCE\xB2", "ISO-8859-7", "\xE1\xE2", std::string::npos},
      {"x\xE6\xB1\x89", "ISO-8859-1", "", 1},
      {"\xE6\x97\xA5", "ISO-2022-JP", "\x1B$BF|\x1B(B", std::string::npos},
  };
  for (const auto& c : cases) {
    const textdata::Converted out = textdata::FromUtf8(c.utf8, c.charset);
    EXPECT_EQ(out.bytes, c.bytes) << c.charset << " " << c.utf8;
    EXPECT_EQ(out.stoppedAt, c.stoppedAt) << c.charset << " " << c.utf8;
  }
  EXPECT_THROW(textdata::FromUtf8("a", "NO-SUCH-CHARSET"), TextError);
}

// Bytes of a character set as text: what forms no character is one U+FFFD a byte, and the
// conversion goes on after it.
TEST(TextData, BytesOfACharacterSetAsText) {
  const std::string bad = "\xEF\xBF\xBD";
  const struct {
    std::string bytes;
    const char* charset;
    std::string utf8;
  } cases[] = {
      {"\xBA\xBA"
       "A\x80",
       "GBK",
       "\xE6\xB1\x89"
       "A\xE2\x82\xAC"},
      {"\xFF"
       "A",
       "GBK", bad + "A"},
      {"A\xBA", "GBK", "A" + bad},
      {"\xBA\xBA\xFF\xBA\xBA", "GBK", "\xE6\xB1\x89" + bad + "\xE6\xB1\x89"},
      {"\xE1\xE2", "ISO-8859-7", "\xCE\xB1\xCE\xB2"},
      {"a\xC3(b", "UTF-8", "a" + bad + "(b"},
      {std::string(3000, '\xBA'), "GBK",
       [] {
         std::string s;
         for (int i = 0; i < 1500; ++i) s += "\xE6\xB1\x89";
         return s;
       }()},
  };
  for (const auto& c : cases) EXPECT_EQ(textdata::ToUtf8(c.bytes, c.charset), c.utf8) << c.charset;
  EXPECT_THROW(textdata::ToUtf8("a", "NO-SUCH-CHARSET"), TextError);
}

}  // namespace
