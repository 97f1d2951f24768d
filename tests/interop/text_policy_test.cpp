// One rule for text in the command-line tool and the Python module: text that fits ISO 8859-1 is
// written in it with no ECI, other text as UTF-8 under ECI 26 (GBK under ECI 32 when asked),
// bytes as they are. Each symbol made by either front end must read back to the same bytes, ECI
// and text through our decoder (`decode -u`, the library, Python's Result.text) and to the same
// bytes and text through zxing-cpp, which assumes ISO 8859-1 where there is no designator.
#define ZX_USE_UTF8 1
#include <ZXing/BarcodeFormat.h>
#include <ZXing/DecodeHints.h>
#include <ZXing/ImageView.h>
#include <ZXing/ReadBarcode.h>
#include <ZXing/Result.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "pdf417/decoder/decoder.h"
#include "test_util.h"

namespace {

using testutil::ShellQuote;

enum class Maker { Cli, Python };

struct Case {
  Maker maker;
  std::string what;
  std::string args;       // the CLI's encode arguments, or a Python literal (data, {options})
  std::string bytes;      // what the symbol must hold
  int eci;                // the one designator expected, -1 for none
  std::string text;       // the text it reads as (UTF-8); empty for binary data
  std::string file = "";  // written for the case before the CLI runs
};

const std::string kLicence =
    "@\n\x1e\rANSI 636000090002DL00410278ZA03190008DLDAQT64235789\nDCSSAMPLE\nDDEN\r";

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {Maker::Cli, "ASCII", "'Hello, World 42'", "Hello, World 42", -1, "Hello, World 42"},
      {Maker::Cli, "Latin-1 text", "'Grüße'",
       "Gr\xFC\xDF"
       "e",
       -1, "Grüße"},
      {Maker::Cli, "CJK text", "'中文字符'", "中文字符", 26, "中文字符"},
      {Maker::Cli, "CJK text in GBK", "--encoding gbk '中文'", "\xD6\xD0\xCE\xC4", 32, "中文"},
      {Maker::Cli, "Latin-1 as UTF-8", "--encoding utf-8 'Grüße'", "Grüße", 26, "Grüße"},
      {Maker::Cli, "Latin-1 under --eci 3", "--eci 3 'Grüße'",
       "Gr\xFC\xDF"
       "e",
       3, "Grüße"},
      {Maker::Cli, "bytes of a file", "-i data.bin", std::string("\xFF\x00\x80 bin", 7), -1, "",
       std::string("\xFF\x00\x80 bin", 7)},
      {Maker::Cli, "--binary TEXT", "--binary \"$(printf 'Gr\\374\\337e')\"",
       "Gr\xFC\xDF"
       "e",
       -1, "Grüße"},
      {Maker::Cli, "--esc licence",
       "--esc '@\\n\\x1e\\rANSI 636000090002DL00410278ZA03190008"
       "DLDAQT64235789\\nDCSSAMPLE\\nDDEN\\d013'",
       kLicence, -1, kLicence},
      {Maker::Python, "ASCII", "('Hello, World 42', {})", "Hello, World 42", -1, "Hello, World 42"},
      {Maker::Python, "Latin-1 text", "('Grüße', {})",
       "Gr\xFC\xDF"
       "e",
       -1, "Grüße"},
      {Maker::Python, "CJK text", "('中文字符', {})", "中文字符", 26, "中文字符"},
      {Maker::Python, "CJK text in GB 18030", "('中文', {'eci': 32})", "\xD6\xD0\xCE\xC4", 32,
       "中文"},
      {Maker::Python, "bytes", "(b'\\xff\\x00\\x80 bin', {})", std::string("\xFF\x00\x80 bin", 7),
       -1, ""},
      {Maker::Python, "licence",
       "('@\\n\\x1e\\rANSI 636000090002DL00410278ZA03190008"
       "DLDAQT64235789\\nDCSSAMPLE\\nDDEN\\r', {})",
       kLicence, -1, kLicence},
  };
  return cases;
}

struct Grey {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
};

Grey ReadPng(const std::string& path) {
  Grey g;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return g;
  image.format = PNG_FORMAT_GRAY;
  g.pixels.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, g.pixels.data(), 0, nullptr)) {
    png_image_free(&image);
    g.pixels.clear();
    return g;
  }
  g.width = static_cast<int>(image.width);
  g.height = static_cast<int>(image.height);
  return g;
}

TEST(TextPolicy, BothFrontEndsWriteTextAlikeAndEveryReaderReadsIt) {
  testutil::TempDir dir;
  int n = 0;
  for (const Case& c : Cases()) {
    const std::string picture = dir / ("case-" + std::to_string(++n) + ".png");
    const std::string label =
        std::string(c.maker == Maker::Cli ? "CLI: " : "Python: ") + c.what + " (" + c.args + ")";
    int status = -1;
    std::string pythonText;
    if (c.maker == Maker::Cli) {
      if (!c.file.empty()) {
        testutil::WriteBytes(dir / "data.bin", {c.file.begin(), c.file.end()});
      }
      testutil::Shell("cd " + ShellQuote(dir.path()) + " && " + ShellQuote(PDF417_CLI_PATH) +
                          " encode -o " + ShellQuote(picture) + " " + c.args + " 2>&1",
                      status);
      ASSERT_EQ(status, 0) << label;
    } else {
#ifdef PDF417_PYTHON
      // Encodes, writes the PNG, and prints what our Python decode gives as text.
      const std::string script =
          "import ast, sys, pdf417\n"
          "data, options = ast.literal_eval(sys.argv[1])\n"
          "open(sys.argv[2], 'wb').write(pdf417.encode(data, **options).to_png())\n"
          "[r] = pdf417.decode(sys.argv[2])\n"
          "sys.stdout.buffer.write(r.text.encode('utf-8'))\n";
      pythonText = testutil::Shell("PYTHONPATH=" + ShellQuote(PDF417_PYTHON_PATH) + " " +
                                       ShellQuote(PDF417_PYTHON) + " -c " + ShellQuote(script) +
                                       " " + ShellQuote(c.args) + " " + ShellQuote(picture),
                                   status);
      ASSERT_EQ(status, 0) << label;
#else
      continue;  // no Python module in this build
#endif
    }

    // Our library, as `decode -u` and the Python module call it.
    pdf417::DecodeOptions options;
    options.eciToUtf8 = true;
    const std::vector<pdf417::DecodeResult> ours = pdf417::Decode(picture, options);
    ASSERT_EQ(ours.size(), 1u) << label;
    ASSERT_TRUE(ours[0].ok()) << label << ": " << ours[0].message;
    EXPECT_EQ(ours[0].bytes, c.bytes) << label;
    if (c.eci < 0) {
      EXPECT_TRUE(ours[0].eci.empty()) << label;
    } else {
      ASSERT_EQ(ours[0].eci.size(), 1u) << label;
      EXPECT_EQ(ours[0].eci[0].number, c.eci) << label;
    }
    const std::string cliText =
        testutil::Shell(ShellQuote(PDF417_CLI_PATH) + " decode -u " + ShellQuote(picture), status);
    EXPECT_EQ(status, 0) << label;
    if (!c.text.empty()) {
      EXPECT_EQ(ours[0].text, c.text) << label;
      EXPECT_EQ(cliText, c.text) << label;
      if (c.maker == Maker::Python) {
        EXPECT_EQ(pythonText, c.text) << label;
      }
    }

    const Grey grey = ReadPng(picture);
    ASSERT_FALSE(grey.pixels.empty()) << label;
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::PDF417);
    const ZXing::Result zx = ZXing::ReadBarcode(
        ZXing::ImageView(grey.pixels.data(), grey.width, grey.height, ZXing::ImageFormat::Lum),
        hints);
    ASSERT_TRUE(zx.isValid()) << label;
    EXPECT_EQ(std::string(zx.bytes().begin(), zx.bytes().end()), c.bytes) << label;
    // zxing-cpp 1.4 names no character set for ECI 32 (GB 18030) and shows its bytes as
    // ISO 8859-1; the bytes above are what counts there.
    if (!c.text.empty() && c.eci != 32) {
      EXPECT_EQ(zx.text(), c.text) << label;
    }
  }
}

}  // namespace
