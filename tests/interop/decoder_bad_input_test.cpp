// Other symbologies given to the decoder: zint's command-line tool draws QR codes and Code 128
// barcodes as bitmap files, which must be reported as holding no PDF417 symbol, without any
// text. A PDF417 symbol drawn by zint in the same way shows that its pictures are read at all.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "decode_util.h"
#include "pdf417/decoder/decoder.h"
#include "test_util.h"

namespace pdf417 {

// Statuses by name in failure messages.
static void PrintTo(DecodeStatus status, std::ostream* os) {
  static const char* const names[] = {"Decoded", "FileMissing", "FileUnreadable", "NoSymbolFound",
                                      "NotCorrectable"};
  *os << names[static_cast<int>(status)];
}

namespace {

using testutil::ShellQuote;
using testutil::ZintInstalled;

class DecoderOtherSymbologies : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ZintInstalled()) GTEST_SKIP() << "the zint command-line tool is not installed";
  }

  // Has zint draw `data` in symbology `type` into a bitmap file; returns its name.
  std::string Draw(int type, const std::string& data, const std::string& options) {
    const std::string file = dir_ / ("symbol" + std::to_string(++count_) + ".bmp");
    const std::string command = "zint -b " + std::to_string(type) + " " + options + " -d " +
                                ShellQuote(data) + " -o " + ShellQuote(file) + " >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return file;
  }

  // Decodes the file and checks that no text came out of it.
  void ExpectNoSymbol(const std::string& file, const std::string& what) {
    ASSERT_FALSE(testutil::ReadBytes(file).empty()) << what << ": zint wrote nothing";
    const DecodeResult r = testutil::DecodeFirst(file);
    EXPECT_EQ(r.status, DecodeStatus::NoSymbolFound) << what << ": " << r.message;
    EXPECT_FALSE(r.message.empty()) << what;
    EXPECT_TRUE(r.bytes.empty()) << what;
    EXPECT_EQ(DecodePdf417(file), "") << what;
  }

  testutil::TempDir dir_;
  int count_ = 0;
};

constexpr int kCode128 = 20;
constexpr int kPdf417 = 55;
constexpr int kQrCode = 58;

TEST_F(DecoderOtherSymbologies, PeerPdf417IsRead) {
  const std::string text = "HELLO PDF417";
  for (const std::string options : {"", "--scale=2 --height=40"}) {
    const DecodeResult r = testutil::DecodeFirst(Draw(kPdf417, text, options));
    ASSERT_EQ(r.status, DecodeStatus::Decoded) << options << ": " << r.message;
    EXPECT_EQ(r.bytes, text) << options;
  }
}

TEST_F(DecoderOtherSymbologies, QrCodesHoldNoSymbol) {
  for (const std::string data : {"HELLO PDF417", "0123456789012345678901234567890123456789",
                                 "A longer text of a few words, with punctuation; and digits 42"}) {
    for (int scale = 1; scale <= 4; ++scale) {
      const std::string options = "--scale=" + std::to_string(scale);
      ExpectNoSymbol(Draw(kQrCode, data, options), "QR \"" + data + "\" " + options);
    }
  }
}

TEST_F(DecoderOtherSymbologies, Code128BarcodesHoldNoSymbol) {
  for (const std::string data : {"HELLO-128", "0123456789", "Code 128 with a longer text"}) {
    for (const std::string options : {"", "--scale=3", "--height=100", "--height=5 --scale=2"}) {
      ExpectNoSymbol(Draw(kCode128, data, options), "Code 128 \"" + data + "\" " + options);
    }
  }
}

}  // namespace
}  // namespace pdf417
