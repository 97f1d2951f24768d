// The escapes of the front ends' text helper, and bad ones refused with a message naming them (the
// text rule itself is checked through both front ends in tests/interop/text_policy_test.cpp).
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
