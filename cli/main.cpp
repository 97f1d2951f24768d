// pdf417: command-line tool over the codec.
#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "pdf417/common/error.h"
#include "pdf417/encoder/encoder.h"

namespace {

// Exit codes, documented in --help and the README.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // the work itself failed (bad parameters, a write error)
constexpr int kExitUsage = 2;    // the command line could not be understood
constexpr int kExitInput = 3;    // an input file could not be read

// Reads a whole file (or standard input for "-") as raw bytes.
bool ReadAll(const std::string& name, std::string& out, std::string& error) {
  FILE* f = name == "-" ? stdin : std::fopen(name.c_str(), "rb");
  if (f == nullptr) {
    error = "cannot open '" + name + "': " + std::strerror(errno);
    return false;
  }
  out.clear();
  char buffer[65536];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, n);
  const bool failed = std::ferror(f) != 0;
  const int err = errno;
  if (f != stdin) std::fclose(f);
  if (failed) {
    error = "cannot read '" + name + "': " + std::strerror(err);
    return false;
  }
  return true;
}

struct EncodeOptions {
  int columns = 5;
  int level = 1;
  int aspect = 3;
  std::string output = "bar.bmp";
  std::string input;
  std::string text;
};

int RunEncode(const EncodeOptions& o, bool textGiven) {
  std::string data;
  if (textGiven && !o.input.empty()) {
    std::cerr << "pdf417 encode: give either TEXT or --input, not both\n";
    return kExitUsage;
  }
  if (textGiven) {
    data = o.text;
  } else {
    std::string error;
    if (!ReadAll(o.input.empty() ? "-" : o.input, data, error)) {
      std::cerr << "pdf417 encode: " << error << "\n";
      return kExitInput;
    }
  }
  if (data.size() > static_cast<std::size_t>(1) << 20) {
    std::cerr << "pdf417 encode: input of " << data.size() << " bytes is far more than a symbol holds\n";
    return kExitFailure;
  }
  try {
    pdf417::EncodePdf417(reinterpret_cast<const std::uint8_t*>(data.data()),
                         static_cast<int>(data.size()), o.output, o.columns, o.level, o.aspect);
  } catch (const pdf417::Error& e) {
    std::cerr << "pdf417 encode: " << e.what() << "\n";
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Encode data as PDF417 barcode symbols in one-bit bitmap files."};
  app.require_subcommand(1);
  app.footer(
      "Exit status: 0 success, 1 the work failed (parameters a symbol cannot hold, a write error),\n"
      "2 the command line is wrong, 3 an input file cannot be read.");

  EncodeOptions enc;
  CLI::App* encode = app.add_subcommand(
      "encode", "Encode bytes as a PDF417 symbol and write it as a one-bit bitmap file.");
  encode->add_option("-c,--columns", enc.columns, "data columns per row, 1 to 30")
      ->capture_default_str();
  encode->add_option("-l,--level", enc.level, "error-correction level, 0 to 8")
      ->capture_default_str();
  encode->add_option("-a,--aspect", enc.aspect,
                     "pixel rows per symbol row, at least 1; 1 also drops the quiet zone")
      ->capture_default_str();
  encode->add_option("-o,--output", enc.output, "bitmap file to write")->capture_default_str();
  encode->add_option("-i,--input", enc.input,
                     "read the data from this file ('-' for standard input)");
  CLI::Option* textOpt = encode->add_option(
      "TEXT", enc.text,
      "the data, taken as raw bytes; without TEXT or --input the data is read from standard input");
  encode->footer(
      "Examples:\n"
      "  pdf417 encode 'Hello World'                 writes bar.bmp\n"
      "  pdf417 encode -c 10 -l 4 -o big.bmp --input notes.txt\n"
      "  printf 'raw\\001bytes' | pdf417 encode -o raw.bmp");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int rc = app.exit(e);
    return rc == 0 ? kExitOk : kExitUsage;
  }

  if (encode->parsed()) return RunEncode(enc, textOpt->count() > 0);
  return kExitUsage;
}
