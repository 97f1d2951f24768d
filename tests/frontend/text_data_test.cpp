// The front ends' text rule and escapes: bytes and ECI for each kind of text, and escapes that are
// refused with a message naming them.
#include "frontend/text_data.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using textdata::Charset;
using textdata::TextError;

TEST(TextData, TextBecomesTheBytesAndEciOfItsCharacterSet) {
  const struct {
    std::string text;
    Charset charset;
    std::string bytes;
    int eci;
  } cases[] = {
      {"plain ASCII", Charset::Auto, "plain ASCII", -1},
      {"Gr\xC3\xBC\xC3\x9F"
       "e \xC3\xBF",
       Charset::Auto,
       "Gr\xFC\xDF"
       "e \xFF",
       -1},
      {std::string("nul\0byte", 8), Charset::Auto, std::string("nul\0byte", 8), -1},
      {"\xC3\xBC and \xE2\x82\xAC", Charset::Auto, "\xC3\xBC and \xE2\x82\xAC", 26},  // ü and €
      {"\xF0\x9F\x98\x80", Charset::Auto, "\xF0\x9F\x98\x80", 26},
      {"plain", Charset::Utf8, "plain", 26},
      {"\xE4\xB8\xAD\xE6\x96\x87", Charset::Gbk, "\xD6\xD0\xCE\xC4", 32},
      {"", Charset::Auto, "", -1},
  };
  for (const auto& c : cases) {
    const textdata::SymbolText out = textdata::ForSymbol(c.text, c.charset);
    EXPECT_EQ(out.bytes, c.bytes) << c.text;
    EXPECT_EQ(out.eci, c.eci) << c.text;
  }
}

TEST(TextData, TextThatCannotBeWrittenIsRefusedWithWhy) {
  const struct {
    std::string text;
    Charset charset;
    TextError::Kind kind;
    std::string says;
  } cases[] = {
      {"Gr\xFC\xDF"
       "e",
       Charset::Auto, TextError::Kind::NotUtf8, "byte 3"},
      {"\xC0\xAF", Charset::Auto, TextError::Kind::NotUtf8, "not UTF-8"},      // overlong '/'
      {"\xED\xA0\x80", Charset::Auto, TextError::Kind::NotUtf8, "not UTF-8"},  // a surrogate
      {"ab\xE4\xB8", Charset::Utf8, TextError::Kind::NotUtf8, "byte 3"},       // cut short
      {"ok \xF0\x9F\x98\x80", Charset::Gbk, TextError::Kind::Unencodable, "U+1F600, character 4"},
  };
  for (const auto& c : cases) {
    try {
      textdata::ForSymbol(c.text, c.charset);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const TextError& e) {
      EXPECT_EQ(e.kind(), c.kind) << c.text;
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(textdata::InEciCharset("Gr\xC3\xBC\xC3\x9F"
                                   "e",
                                   3),
            "Gr\xFC\xDF"
            "e");
  EXPECT_THROW(textdata::InEciCharset("x", 899), TextError);
  EXPECT_THROW(textdata::InEciCharset("\xE4\xB8\xAD", 3), TextError);
}

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
