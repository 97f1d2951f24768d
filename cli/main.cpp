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

#include "encode_command.h"
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

struct DecodeOptions {
  std::vector<std::string> files;
  bool newline = false;
  bool verbose = false;
  bool tagged = false;
  bool join = false;
};

// Standard output failed (a full disk, a closed descriptor): the bytes are lost.
bool StdoutFailed() { return std::ferror(stdout) != 0; }

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

// Writes the data of Macro PDF417 segments in their order, once every segment of one file id is
// there.
int WriteJoined(std::vector<std::pair<std::string, pdf417::DecodeResult>>& parts, bool newline) {
  for (const auto& [file, r] : parts) {
    if (!r.macro.present) {
      std::cerr << "pdf417 decode: " << file << ": not a Macro PDF417 segment, nothing to join\n";
      return kExitParameters;
    }
    if (r.macro.fileId != parts.front().second.macro.fileId) {
      std::cerr << "pdf417 decode: " << file << ": file id " << r.macro.fileId << ", not "
                << parts.front().second.macro.fileId << " as " << parts.front().first << "\n";
      return kExitParameters;
    }
  }
  std::sort(parts.begin(), parts.end(), [](const auto& a, const auto& b) {
    return a.second.macro.segmentIndex < b.second.macro.segmentIndex;
  });
  int count = 0;
  for (const auto& part : parts) {
    count = std::max(count, part.second.macro.segmentCount);
    if (part.second.macro.lastSegment) count = std::max(count, part.second.macro.segmentIndex + 1);
  }
  if (count == 0) count = parts.back().second.macro.segmentIndex + 2;  // the last is not known
  std::string data;
  for (int i = 0; i < count; ++i) {
    if (static_cast<std::size_t>(i) >= parts.size() ||
        parts[static_cast<std::size_t>(i)].second.macro.segmentIndex != i) {
      const bool twice = static_cast<std::size_t>(i) < parts.size() && i > 0 &&
                         parts[static_cast<std::size_t>(i)].second.macro.segmentIndex == i - 1;
      std::cerr << "pdf417 decode: cannot join: segment " << (twice ? i : i + 1) << " of " << count
                << (twice ? " is given twice" : " is missing") << "\n";
      return twice ? kExitUsage : kExitNoSymbol;
    }
    data += parts[static_cast<std::size_t>(i)].second.bytes;
  }
  if (parts.size() > static_cast<std::size_t>(count)) {
    std::cerr << "pdf417 decode: cannot join: more segments than the " << count << " of the file\n";
    return kExitUsage;
  }
  std::fwrite(data.data(), 1, data.size(), stdout);
  if (newline) std::fputc('\n', stdout);
  if (std::fflush(stdout) != 0 || StdoutFailed()) {
    std::cerr << "pdf417 decode: cannot write to standard output: " << std::strerror(errno) << "\n";
    return kExitWrite;
  }
  return kExitOk;
}

// Decodes every file; stdout gets the bytes of each decoded symbol, exactly.
int RunDecode(const DecodeOptions& o) {
  int exitCode = kExitOk;
  std::vector<std::pair<std::string, pdf417::DecodeResult>> joined;
  for (const std::string& file : o.files) {
    pdf417::DecodeResult r;
    try {
      r = pdf417::DecodePdf417Detailed(file);
    } catch (const std::bad_alloc&) {
      // A picture within the size limits can still need more memory than the process may have.
      r.status = pdf417::DecodeStatus::FileUnreadable;
      r.message = "not enough memory to decode this picture";
    }
    if (!r.ok()) {
      if (r.status == pdf417::DecodeStatus::FileMissing) r.message = "no such file";
      std::cerr << "pdf417 decode: " << file << ": " << r.message << "\n";
      if (exitCode == kExitOk) exitCode = ExitCodeOf(r.status);
      continue;
    }
    if (o.join) {
      joined.emplace_back(file, r);
    } else if (o.tagged) {
      std::fprintf(stdout, "%s: ", file.c_str());
      if (r.macro.present) {
        std::fprintf(stdout, "segment %d", r.macro.segmentIndex + 1);
        if (r.macro.segmentCount > 0) std::fprintf(stdout, " of %d", r.macro.segmentCount);
        std::fprintf(stdout, ": ");
      }
    }
    if (!o.join) std::fwrite(r.bytes.data(), 1, r.bytes.size(), stdout);
    if (!o.join && (o.newline || o.tagged)) std::fputc('\n', stdout);
    if (std::fflush(stdout) != 0 || StdoutFailed()) {
      std::cerr << "pdf417 decode: cannot write to standard output: " << std::strerror(errno)
                << "\n";
      return kExitWrite;
    }
    if (o.verbose) {
      std::cerr << file << ": " << r.rows << " rows, " << r.columns << " columns, level " << r.level
                << ", " << r.corrected << " codewords corrected, " << r.bytes.size() << " bytes";
      if (!r.reading.empty()) std::cerr << ", picture " << r.reading;
      for (const pdf417::EciDesignator& e : r.eci) {
        std::cerr << ", ECI " << e.number << " from byte " << e.position;
      }
      if (r.macro.present) {
        std::cerr << ", Macro PDF417 segment " << r.macro.segmentIndex + 1;
        if (r.macro.segmentCount > 0) std::cerr << " of " << r.macro.segmentCount;
        std::cerr << " of file " << r.macro.fileId << (r.macro.lastSegment ? " (last)" : "");
      }
      std::cerr << "\n";
    }
  }
  if (o.join && exitCode == kExitOk) return WriteJoined(joined, o.newline);
  return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Encode data as PDF417 barcode symbols (PNG, SVG or bitmap pictures), and decode them."};
  app.require_subcommand(1);
  app.footer(kExitCodeHelp);

  app.set_version_flag("-V,--version", "pdf417 " PDF417_VERSION);
  EncodeCommand enc;
  CLI::App* encode = AddEncodeCommand(app, enc);

  DecodeOptions dec;
  CLI::App* decode = app.add_subcommand(
      "decode",
      "Decode the PDF417 symbol in each bitmap file and write its bytes to standard output.");
  decode->add_option("FILE", dec.files, "bitmap files (1, 4, 8, 16, 24 or 32 bits per pixel)")
      ->required();
  decode->add_flag("-n,--newline", dec.newline, "write a line end after the bytes of each symbol");
  decode->add_flag("-t,--tagged", dec.tagged,
                   "start each symbol's line with its file name (and Macro PDF417 segment i of n)");
  decode->add_flag(
      "-j,--join", dec.join,
      "the files are Macro PDF417 segments of one file: write its data, joined in order");
  decode->add_flag("-v,--verbose", dec.verbose,
                   "report rows, columns, level and corrections of each symbol on standard error");
  decode->footer(
      "The bytes are written exactly as the symbol holds them, without any line end unless -n is\n"
      "given. A file that does not decode is reported on standard error.\n\n"
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

  int rc = kExitUsage;
  if (encode->parsed()) rc = RunEncodeCommand(enc);
  if (decode->parsed()) rc = RunDecode(dec);
  // Lost output is a failure even when everything else went well: check the final close.
  if (std::fclose(stdout) != 0 && rc == kExitOk) {
    std::cerr << "pdf417: cannot write to standard output: " << std::strerror(errno) << "\n";
    rc = kExitWrite;
  }
  return rc;
}
