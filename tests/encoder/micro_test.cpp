// MicroPDF417 without any reader: the mode latch its data begin with, and refusals that name the
// limit or the largest size. (The layout and the error correction are checked against zint and
// zxing-cpp in tests/interop/micro_peers_test.cpp.)

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "pdf417/common/error.h"
#include "pdf417/encoder/stages.h"
#include "pdf417/encoder/symbol.h"

namespace {

TEST(MicroCompaction, DataBeginWithALatchAtMostOneCodewordDearer) {
  const std::string cases[] = {"A",       "abc",           "123456",
                               "A123456", "1234567890123", "\xff\x01",
                               "ab\xff",  "AB12cd\n",      std::string(12, '\x80')};
  for (const std::string& data : cases) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data());
    const pdf417::CodewordSequence plain = pdf417::CompactOptimal(bytes, data.size());
    const pdf417::CodewordSequence latched = pdf417::CompactOptimalLatched(bytes, data.size());
    const std::set<int> latches{900, 901, 902, 924};
    EXPECT_EQ(latches.count(latched.front()), 1u) << data;
    EXPECT_GE(latched.size(), plain.size()) << data;
    EXPECT_LE(latched.size(), plain.size() + (latches.count(plain.front()) != 0 ? 0 : 1)) << data;
  }
  // Six digits tie in text (a latch to digits and three pairs) and numeric compaction: only
  // numeric compaction begins with its latch without one more codeword.
  const std::string six = "123456";
  EXPECT_EQ(pdf417::CompactOptimalLatched(reinterpret_cast<const std::uint8_t*>(six.data()), 6),
            (pdf417::CodewordSequence{902, 1, 348, 256}));
}

TEST(MicroOptions, RefusalsNameTheLimitOrTheLargestSize) {
  struct Case {
    int columns, rows, level, length;
    bool compact;
    const char* says;
  };
  const Case cases[] = {
      {0, 0, -1, 200, false, "the largest MicroPDF417 (4 columns x 44 rows) holds 126"},
      {1, 0, -1, 60, false, "with 1 column the largest MicroPDF417 (1 column x 28 rows) holds 20"},
      {3, 6, -1, 20, false, "the MicroPDF417 of 3 columns x 6 rows holds 6"},
      {5, 0, -1, 1, false, "columns must be 1 to 4, got 5"},
      {0, 9, -1, 1, false, "rows must be 4, 6, 8, 10, 11, 12, 14, 15, 17, 20, 23, 24, 26, 28, 32"},
      {1, 8, -1, 1, false, "with 1 column the rows are 11, 14, 17, 20, 24 or 28"},
      {0, 0, 2, 1, false, "no error-correction level"},
      {0, 0, -1, 1, true, "MicroPDF417 has none"},
  };
  for (const Case& c : cases) {
    pdf417::SymbolOptions o;
    o.symbology = pdf417::Symbology::MicroPdf417;
    o.columns = c.columns;
    o.rows = c.rows;
    o.level = c.level;
    o.compact = c.compact;
    try {
      pdf417::Encode(std::string(static_cast<std::size_t>(c.length), '\xa7'), o);
      ADD_FAILURE() << "accepted: " << c.says;
    } catch (const pdf417::Error& e) {
      EXPECT_EQ(e.code(), pdf417::ErrorCode::InvalidArgument);
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
  }
}

}  // namespace
