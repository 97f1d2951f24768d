// pdf417: command-line tool over the codec.
#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "decode_pool.h"
#include "pdf417/common/error.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/encoder.h"

namespace {

// Exit codes, documented in --help and the README.
constexpr int kExitOk = 0;
constexpr int kExitParameters = 1;      // data or parameters that no symbol can hold
constexpr int kExitUsage = 2;           // the command line could not be understood
constexpr int kExitMissing = 3;         // an input file does not exist
constexpr int kExitUnreadable = 4;      // an input file cannot be read or is not a usable bitmap
constexpr int kExitNoSymbol = 5;        // no PDF417 symbol found in the picture
constexpr int kExitNotCorrectable = 6;  // a symbol was found but has too many errors
constexpr int kExitWrite = 7;           // the output file cannot be written
constexpr int kExitGaveUp = 8;          // the time budget ran out (or the decode was cancelled)
constexpr int kExitInternal = 9;        // out of memory or a fault in the decoder itself

constexpr const char* kExitCodeHelp =
    "Exit status: 0 success; 1 data or parameters no symbol can hold; 2 wrong command line;\n"
    "3 input file missing; 4 input file unreadable or not a usable bitmap; 5 no symbol found;\n"
    "6 symbol errors not correctable; 7 output file cannot be written.";

// More input than this is far more than a symbol holds (1,024 bytes at most); reading stops there,
// so an endless input (/dev/zero, a pipe that never closes its end) is refused, not hoarded.
constexpr std::size_t kMaxInputBytes = std::size_t{1} << 20;

// Reads a whole file (or standard input for "-") as raw bytes, but no more than maxBytes + 1;
// returns an exit code.
int ReadAll(const std::string& name, std::string& out, std::string& error, std::size_t maxBytes) {
  if (name != "-") {
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) {
      error = "cannot open '" + name + "': " + std::strerror(errno);
      return errno == ENOENT ? kExitMissing : kExitUnreadable;
    }
    if (S_ISDIR(st.st_mode)) {
      error = "cannot read '" + name + "': it is a folder";
      return kExitUnreadable;
    }
  }
  FILE* f = name == "-" ? stdin : std::fopen(name.c_str(), "rb");
  if (f == nullptr) {
    error = "cannot open '" + name + "': " + std::strerror(errno);
    return kExitUnreadable;
  }
  out.clear();
  char buffer[65536];
  size_t n = 0;
  while (out.size() <= maxBytes && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
    out.append(buffer, n);
  }
  const bool failed = std::ferror(f) != 0;
  const int err = errno;
  if (f != stdin) std::fclose(f);
  if (failed) {
    error = "cannot read '" + name + "': " + std::strerror(err);
    return kExitUnreadable;
  }
  return kExitOk;
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
    const int rc = ReadAll(o.input.empty() ? "-" : o.input, data, error, kMaxInputBytes);
    if (rc != kExitOk) {
      std::cerr << "pdf417 encode: " << error << "\n";
      return rc;
    }
  }
  if (data.size() > kMaxInputBytes) {
    std::cerr << "pdf417 encode: input of more than " << kMaxInputBytes
              << " bytes is far more than a symbol holds\n";
    return kExitParameters;
  }
  try {
    pdf417::EncodePdf417(reinterpret_cast<const std::uint8_t*>(data.data()),
                         static_cast<int>(data.size()), o.output, o.columns, o.level, o.aspect);
  } catch (const pdf417::Error& e) {
    std::cerr << "pdf417 encode: " << e.what() << "\n";
    return e.code() == pdf417::ErrorCode::FileWrite ? kExitWrite : kExitParameters;
  }
  return kExitOk;
}

struct DecodeOptions {
  std::vector<std::string> files;
  bool newline = false;
  bool verbose = false;
  int jobs = pdf417::DefaultJobs();
};

int ExitCodeOf(pdf417::DecodeStatus status) {
  switch (status) {
    case pdf417::DecodeStatus::Decoded:
      return kExitOk;
    case pdf417::DecodeStatus::FileMissing:
      return kExitMissing;
    case pdf417::DecodeStatus::FileUnreadable:
      return kExitUnreadable;
    case pdf417::DecodeStatus::NoSymbolFound:
      return kExitNoSymbol;
    case pdf417::DecodeStatus::NotCorrectable:
      return kExitNotCorrectable;
    case pdf417::DecodeStatus::TimeBudgetSpent:
    case pdf417::DecodeStatus::Cancelled:
      return kExitGaveUp;
    case pdf417::DecodeStatus::InternalError:
      return kExitInternal;
  }
  return kExitNoSymbol;
}

// Decodes every file on a pool of threads; stdout gets the bytes of each decoded symbol, exactly,
// in the order of the files. The exit status is the worst one met: the highest exit code, so
// that it does not depend on the order of the files or on the number of threads.
int RunDecode(const DecodeOptions& o) {
  int exitCode = kExitOk;
  auto decodeOne = [&o](std::size_t i) {
    const std::string& file = o.files[i];
    pdf417::DecodeResult r;
    try {
      r = pdf417::DecodePdf417Detailed(file);
    } catch (const std::bad_alloc&) {
      // A picture within the size limits can still need more memory than the process may have.
      r.status = pdf417::DecodeStatus::FileUnreadable;
      r.message = "not enough memory to decode this picture";
    }
    return r;
  };
  auto report = [&](std::size_t i, pdf417::DecodeResult& r) {
    const std::string& file = o.files[i];
    if (!r.ok()) {
      std::cerr << "pdf417 decode: " << file << ": " << r.message << "\n";
      exitCode = std::max(exitCode, ExitCodeOf(r.status));
      return;
    }
    std::fwrite(r.bytes.data(), 1, r.bytes.size(), stdout);
    if (o.newline) std::fputc('\n', stdout);
    std::fflush(stdout);
    if (o.verbose) {
      std::cerr << file << ": " << r.rows << " rows, " << r.columns << " columns, level " << r.level
                << ", " << r.corrected << " codewords corrected, " << r.bytes.size() << " bytes";
      if (!r.reading.empty()) std::cerr << ", picture " << r.reading;
      for (const pdf417::EciDesignator& e : r.eci) {
        std::cerr << ", ECI " << e.number << " from byte " << e.position;
      }
      if (r.macro.present) {
        std::cerr << ", Macro PDF417 segment " << r.macro.segmentIndex << " of file "
                  << r.macro.fileId << (r.macro.lastSegment ? " (last)" : "");
      }
      std::cerr << "\n";
    }
  };
  pdf417::DecodeInOrder(o.files.size(), o.jobs, decodeOne, report);
  return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Encode data as PDF417 barcode symbols in one-bit bitmap files, and decode them."};
  app.require_subcommand(1);
  app.footer(kExitCodeHelp);

  EncodeOptions enc;
  CLI::App* encode = app.add_subcommand(
      "encode", "Encode bytes as a PDF417 symbol and write it as a one-bit bitmap file.");
  encode->add_option("-c,--columns", enc.columns, "data columns per row, 1 to 30")
      ->capture_default_str();
  encode->add_option("-l,--level", enc.level, "error-correction level, 0 to 8")
      ->capture_default_str();
  encode
      ->add_option("-a,--aspect", enc.aspect,
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

  DecodeOptions dec;
  CLI::App* decode = app.add_subcommand(
      "decode",
      "Decode the PDF417 symbol in each bitmap file and write its bytes to standard output.");
  decode->add_option("FILE", dec.files, "bitmap files (1, 4, 8, 16, 24 or 32 bits per pixel)")
      ->required();
  decode->add_flag("-n,--newline", dec.newline, "write a line end after the bytes of each symbol");
  decode->add_flag("-v,--verbose", dec.verbose,
                   "report rows, columns, level and corrections of each symbol on standard error");
  decode
      ->add_option("-j,--jobs", dec.jobs,
                   "decode on this many threads (default: the number of cores); the output keeps "
                   "the order of the files")
      ->check(CLI::Range(1, 1024));
  decode->footer(
      "The bytes are written exactly as the symbol holds them, without any line end unless -n is\n"
      "given. A file that does not decode is reported on standard error and the others go on;\n"
      "with several failures the exit status is the highest of their codes.\n\n"
      "Examples:\n"
      "  pdf417 decode bar.bmp\n"
      "  pdf417 decode -n -v *.bmp");
  encode->footer(std::string(encode->get_footer()) + "\n\n" + kExitCodeHelp);
  decode->footer(std::string(decode->get_footer()) + "\n\n" + kExitCodeHelp);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int rc = app.exit(e);
    return rc == 0 ? kExitOk : kExitUsage;
  }

  if (encode->parsed()) return RunEncode(enc, textOpt->count() > 0);
  if (decode->parsed()) return RunDecode(dec);
  return kExitUsage;
}
