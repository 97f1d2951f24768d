// pdf417: command-line tool over the codec.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "encode_command.h"
#include "frontend/decode_pool.h"
#include "frontend/exit_codes.h"
#include "frontend/input_check.h"
#include "frontend/input_list.h"
#include "frontend/json_text.h"
#include "pdf417/common/error.h"
#include "pdf417/common/micro_tables.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/encoder.h"

namespace {

// Exit codes, documented in --help and the README.
constexpr int kExitOk = exitcode::kOk;
constexpr int kExitUsage = exitcode::kUsage;
constexpr int kExitMissing = exitcode::kMissing;
constexpr int kExitUnreadable = exitcode::kUnreadable;
constexpr int kExitNoSymbol = exitcode::kNoSymbol;
constexpr int kExitNotCorrectable = exitcode::kNotCorrectable;
constexpr int kExitWrite = exitcode::kWrite;
constexpr int kExitGaveUp = exitcode::kGaveUp;
constexpr int kExitInternal = exitcode::kInternal;

constexpr const char* kExitCodeHelp =
    "Exit status: 0 success; 1 data or parameters no symbol can hold; 2 wrong command line;\n"
    "3 input file missing; 4 input file unreadable or not a usable picture; 5 no symbol found;\n"
    "6 symbol errors not correctable; 7 output file cannot be written; 8 gave up (time budget\n"
    "spent or cancelled); 9 internal error (out of memory or a fault in the decoder).";

struct DecodeOptions {
  std::vector<std::string> files;
  std::vector<InputEntry> inputs;  // the files, folders expanded
  std::string filesFrom;
  bool recursive = false;
  bool newline = false;
  bool verbose = false;
  bool utf8 = false;
  double timeoutSeconds = 0;  // per file; 0: no limit
  std::int64_t maxPixels = pdf417::DecodeOptions{}.maxPixels;
  bool tagged = false;
  bool join = false;
  bool json = false;
  int jobs = pdf417::DefaultJobs();
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

// Writes the data of Macro PDF417 segments in their order, once every segment of one file is there
// exactly once. Segments that cannot belong together are refused with what tells them apart:
// another file id (also one of another length), another segment count, another last segment.
int WriteJoined(std::vector<std::pair<std::string, pdf417::DecodeResult>>& parts, bool newline) {
  auto refuse = [](const std::string& why, int code) {
    std::cerr << "pdf417 decode: cannot join: " << why << "\n";
    return code;
  };
  const std::string& first = parts.front().first;
  const pdf417::MacroInfo& m0 = parts.front().second.macro;
  int count = 0;     // from a segment count field, or from the segment marked last
  int countOf = -1;  // the file that gave it
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string& file = parts[i].first;
    const pdf417::MacroInfo& m = parts[i].second.macro;
    if (!m.present) return refuse(file + " is not a Macro PDF417 segment", exitcode::kParameters);
    if (m.fileId != m0.fileId) {
      const bool length = m.fileId.size() != m0.fileId.size();
      return refuse(file + " has file id " + m.fileId + ", " + first + " " + m0.fileId +
                        (length ? " (file ids of different lengths)" : ""),
                    exitcode::kParameters);
    }
    for (const int n : {m.segmentCount, m.lastSegment ? m.segmentIndex + 1 : 0}) {
      if (n == 0 || n == count) continue;
      if (count != 0) {
        return refuse(file + " belongs to a file of " + std::to_string(n) + " segments, " +
                          parts[static_cast<std::size_t>(countOf)].first + " to one of " +
                          std::to_string(count),
                      exitcode::kParameters);
      }
      count = n;
      countOf = static_cast<int>(i);
    }
  }
  std::sort(parts.begin(), parts.end(), [](const auto& a, const auto& b) {
    return a.second.macro.segmentIndex < b.second.macro.segmentIndex;
  });
  for (std::size_t i = 1; i < parts.size(); ++i) {
    if (parts[i].second.macro.segmentIndex == parts[i - 1].second.macro.segmentIndex) {
      return refuse("segment " + std::to_string(parts[i].second.macro.segmentIndex + 1) +
                        " is given twice (" + parts[i - 1].first + " and " + parts[i].first + ")",
                    kExitUsage);
    }
  }
  const int last = parts.back().second.macro.segmentIndex;
  if (count != 0 && last >= count) {
    return refuse(parts.back().first + " is segment " + std::to_string(last + 1) +
                      " of a file of " + std::to_string(count) + " segments",
                  kExitUsage);
  }
  if (count == 0) {
    return refuse("the last segment is missing (no segment gives the count or is marked last)",
                  kExitNoSymbol);
  }
  std::string data;
  for (int i = 0; i < count; ++i) {
    if (static_cast<std::size_t>(i) >= parts.size() ||
        parts[static_cast<std::size_t>(i)].second.macro.segmentIndex != i) {
      return refuse(
          "segment " + std::to_string(i + 1) + " of " + std::to_string(count) + " is missing",
          kExitNoSymbol);
    }
    data += parts[static_cast<std::size_t>(i)].second.bytes;
  }
  std::fwrite(data.data(), 1, data.size(), stdout);
  if (newline) std::fputc('\n', stdout);
  if (std::fflush(stdout) != 0 || StdoutFailed()) {
    std::cerr << "pdf417 decode: cannot write to standard output: " << std::strerror(errno) << "\n";
    return kExitWrite;
  }
  return kExitOk;
}

// Decodes one input: looks a file up, or takes standard input for "-", and decodes every symbol
// in it. A lookup failure comes back as FileMissing or FileUnreadable with its message, alone.
std::vector<pdf417::DecodeResult> DecodeInput(const InputEntry& entry, const DecodeOptions& o) {
  const std::string& file = entry.path;
  pdf417::DecodeResult r;
  if (entry.failure != kExitOk) {
    r.status = entry.failure == kExitMissing ? pdf417::DecodeStatus::FileMissing
                                             : pdf417::DecodeStatus::FileUnreadable;
    r.message = entry.message;
    return {r};
  }
  pdf417::DecodeOptions options;
  options.timeoutSeconds = o.timeoutSeconds;
  options.eciToUtf8 = o.utf8 || o.json;
  options.maxPixels = o.maxPixels;
  try {
    if (file != "-") {
      std::string error;
      if (const int rc = CheckReadable(file, error)) {
        r.status = rc == kExitMissing ? pdf417::DecodeStatus::FileMissing
                                      : pdf417::DecodeStatus::FileUnreadable;
        r.message = error;
        return {r};
      }
      return pdf417::Decode(file, options);
    }
    // Standard input is read as the file it is, pipe or not: its first bytes and its header are
    // checked before the rest is read, and it is read no further than the picture needs.
    struct stat st {};
    if (::fstat(STDIN_FILENO, &st) != 0) {
      r.status = pdf417::DecodeStatus::FileUnreadable;
      r.message = std::string("cannot read standard input: ") + std::strerror(errno);
      return {r};
    }
    static const std::string kStdin = "/dev/stdin";
    std::vector<pdf417::DecodeResult> results = pdf417::Decode(kStdin, options);
    // Messages that name it say "-: ..." as for any file; the path is how it was opened.
    for (pdf417::DecodeResult& each : results) {
      const std::string named = "'" + kStdin + "'";
      if (each.message.compare(0, named.size() + 2, named + ": ") == 0) {
        each.message.erase(0, named.size() + 2);
      }
      for (std::size_t at; (at = each.message.find(named)) != std::string::npos;) {
        each.message.replace(at, named.size(), "standard input");
      }
    }
    return results;
  } catch (const std::bad_alloc&) {
    // A backstop: the library reports running out of memory itself.
    r.status = pdf417::DecodeStatus::InternalError;
    r.message = "not enough memory to decode this picture";
    return {r};
  }
}

// Reports rows, columns, level, corrections, ECI and Macro PDF417 of a decoded symbol.
void ReportDetails(const std::string& file, const pdf417::DecodeResult& r) {
  std::cerr << file << ": ";
  if (r.pages > 1) std::cerr << "page " << r.page + 1 << " of " << r.pages << ", ";
  if (r.symbology == pdf417::Symbology::MicroPdf417) {
    // A MicroPDF417 size fixes its error correction: its count of codewords stands for the level.
    int k = 0;
    for (const pdf417::MicroSize& s : pdf417::MicroSizes()) {
      if (s.columns == r.columns && s.rows == r.rows) k = s.errorCorrection;
    }
    std::cerr << "MicroPDF417, " << r.rows << " rows, " << r.columns << " columns, " << k
              << " error-correction codewords";
  } else {
    std::cerr << r.rows << " rows, " << r.columns << " columns, level " << r.level;
  }
  std::cerr << ", " << r.corrected << " codewords corrected, " << r.bytes.size() << " bytes";
  if (r.erasures > 0) std::cerr << ", " << r.erasures << " codewords not seen (erasures)";
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

const char* SymbologyName(pdf417::Symbology s) {
  switch (s) {
    case pdf417::Symbology::Pdf417:
      return "PDF417";
    case pdf417::Symbology::CompactPdf417:
      return "CompactPDF417";
    case pdf417::Symbology::MicroPdf417:
      return "MicroPDF417";
  }
  return "PDF417";
}

const char* StatusName(pdf417::DecodeStatus status) {
  switch (status) {
    case pdf417::DecodeStatus::Decoded:
      return "decoded";
    case pdf417::DecodeStatus::FileMissing:
      return "file-missing";
    case pdf417::DecodeStatus::FileUnreadable:
      return "file-unreadable";
    case pdf417::DecodeStatus::NoSymbolFound:
      return "no-symbol";
    case pdf417::DecodeStatus::NotCorrectable:
      return "not-correctable";
    case pdf417::DecodeStatus::TimeBudgetSpent:
      return "time-budget-spent";
    case pdf417::DecodeStatus::Cancelled:
      return "cancelled";
    case pdf417::DecodeStatus::InternalError:
      return "internal-error";
  }
  return "no-symbol";
}

std::string Number(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.2f", std::isfinite(v) ? v : 0.0);
  return buffer;
}

// One line of --json: a symbol read (index of count in the file), or why none was. A picture of
// several pages (TIFF) also gives the page, counted from 1, and the number of pages.
std::string JsonLine(const std::string& file, std::size_t index, std::size_t count,
                     const pdf417::DecodeResult& r) {
  using jsontext::String;
  std::string j = "{\"file\":" + String(file);
  if (!r.ok()) {
    return j + ",\"status\":\"" + StatusName(r.status) +
           "\",\"exit\":" + std::to_string(ExitCodeOf(r.status)) +
           ",\"error\":" + String(r.message) + "}";
  }
  j += ",\"index\":" + std::to_string(index) + ",\"count\":" + std::to_string(count);
  if (r.pages > 1) {
    j += ",\"page\":" + std::to_string(r.page + 1) + ",\"pages\":" + std::to_string(r.pages);
  }
  j += ",\"status\":\"decoded\",\"bytes\":" + jsontext::Latin1String(r.bytes);
  j += ",\"base64\":\"" + jsontext::Base64(r.bytes) + "\",\"text\":" + String(r.text);
  j += std::string(",\"symbology\":\"") + SymbologyName(r.symbology) + "\"";
  j += ",\"rows\":" + std::to_string(r.rows) + ",\"columns\":" + std::to_string(r.columns);
  j += ",\"level\":" + (r.level < 0 ? std::string("null") : std::to_string(r.level));
  j += ",\"corrections\":" + std::to_string(r.corrected) +
       ",\"erasures\":" + std::to_string(r.erasures) + ",\"eci\":[";
  for (std::size_t i = 0; i < r.eci.size(); ++i) {
    j += std::string(i > 0 ? "," : "") + "{\"number\":" + std::to_string(r.eci[i].number) +
         ",\"position\":" + std::to_string(r.eci[i].position) + "}";
  }
  j += "],\"macro\":";
  if (r.macro.present) {
    j += "{\"segment_index\":" + std::to_string(r.macro.segmentIndex) + ",\"segment_count\":" +
         (r.macro.segmentCount > 0 ? std::to_string(r.macro.segmentCount) : std::string("null")) +
         ",\"file_id\":" + String(r.macro.fileId) +
         ",\"last_segment\":" + (r.macro.lastSegment ? "true" : "false") + "}";
  } else {
    j += "null";
  }
  j += ",\"corners\":[";
  for (std::size_t i = 0; i < r.corners.size(); ++i) {
    j += std::string(i > 0 ? "," : "") + "[" + Number(r.corners[i].x) + "," +
         Number(r.corners[i].y) + "]";
  }
  j += "],\"orientation\":" + Number(r.orientation);
  j += std::string(",\"inverted\":") + (r.inverted ? "true" : "false") + ",\"warnings\":[";
  for (std::size_t i = 0; i < r.warnings.size(); ++i) {
    j += (i > 0 ? "," : "") + String(r.warnings[i]);
  }
  return j + "]}";
}

// Decodes every file on a pool of threads; stdout gets the bytes of each decoded symbol, exactly,
// in the order of the files. The exit status is the highest code met.
int RunDecode(const DecodeOptions& o) {
  int exitCode = kExitOk;
  bool lost = false;  // standard output failed: nothing more is written
  std::vector<std::pair<std::string, pdf417::DecodeResult>> joined;
  // --json: one line per symbol, or per file without one; failures are told on stderr too.
  auto json = [&](const std::string& file, std::size_t index, std::size_t count,
                  const pdf417::DecodeResult& r) {
    if (!r.ok()) {
      const bool named = r.message.find("'" + file + "'") != std::string::npos;
      std::cerr << "pdf417 decode: " << (named ? "" : file + ": ") << r.message << "\n";
      exitCode = std::max(exitCode, ExitCodeOf(r.status));
    } else if (o.verbose) {
      ReportDetails(file, r);
    }
    if (lost) return;
    const std::string line = JsonLine(file, index, count, r) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    if (std::fflush(stdout) != 0 || StdoutFailed()) {
      std::cerr << "pdf417 decode: cannot write to standard output: " << std::strerror(errno)
                << "\n";
      lost = true;
    }
  };
  auto report = [&](const std::string& file, pdf417::DecodeResult& r) {
    if (!r.ok()) {
      // Messages that quote the file name already say which file they are about.
      const bool named = r.message.find("'" + file + "'") != std::string::npos;
      std::cerr << "pdf417 decode: " << (named ? "" : file + ": ") << r.message << "\n";
      exitCode = std::max(exitCode, ExitCodeOf(r.status));
      return;
    }
    if (o.verbose) ReportDetails(file, r);
    if (o.verbose || o.utf8) {
      for (const std::string& w : r.warnings) std::cerr << file << ": " << w << "\n";
    }
    if (o.join) {
      joined.emplace_back(file, r);
      return;
    }
    if (lost) return;
    if (o.tagged) {
      std::fprintf(stdout, "%s: ", file.c_str());
      if (r.pages > 1) std::fprintf(stdout, "page %d: ", r.page + 1);
      if (r.macro.present) {
        std::fprintf(stdout, "segment %d", r.macro.segmentIndex + 1);
        if (r.macro.segmentCount > 0) std::fprintf(stdout, " of %d", r.macro.segmentCount);
        std::fprintf(stdout, ": ");
      }
    }
    const std::string& out = o.utf8 ? r.text : r.bytes;
    std::fwrite(out.data(), 1, out.size(), stdout);
    if (o.newline || o.tagged) std::fputc('\n', stdout);
    if (std::fflush(stdout) != 0 || StdoutFailed()) {
      std::cerr << "pdf417 decode: cannot write to standard output: " << std::strerror(errno)
                << "\n";
      lost = true;
    }
  };
  // Every symbol of file i; the pool hands over the first (or the failure) and reportFile takes
  // them all from here, each slot written by one thread before its result is handed over.
  std::vector<std::vector<pdf417::DecodeResult>> symbols(o.inputs.size());
  auto decodeOne = [&o, &symbols](std::size_t i) {
    symbols[i] = DecodeInput(o.inputs[i], o);
    return symbols[i].front();
  };
  auto reportFile = [&](std::size_t i, pdf417::DecodeResult& r) {
    if (symbols[i].empty()) symbols[i].push_back(std::move(r));  // the decode threw
    const std::size_t n = symbols[i].size();
    if (o.json) {
      for (std::size_t k = 0; k < n; ++k) json(o.inputs[i].path, k, n, symbols[i][k]);
      symbols[i].clear();
      return;
    }
    for (std::size_t k = 0; k < n; ++k) {
      // A picture of several symbols names each: "FILE: symbol k of n".
      const std::string& file = o.inputs[i].path;
      report(
          n == 1 ? file : file + ": symbol " + std::to_string(k + 1) + " of " + std::to_string(n),
          symbols[i][k]);
    }
    symbols[i].clear();
  };
  pdf417::DecodeInOrder(o.inputs.size(), o.jobs, decodeOne, reportFile);
  if (lost) return kExitWrite;
  if (o.join && exitCode == kExitOk) return WriteJoined(joined, o.newline);
  return exitCode;
}

// The files to decode: those given, then those of --files-from, folders expanded. Returns the
// exit status of a command line that gives nothing to read, or kOk.
int GatherInputs(DecodeOptions& o) {
  auto refuse = [](const std::string& why, int code) {
    std::cerr << "pdf417 decode: " << why << "\n";
    return code;
  };
  std::vector<std::string> paths = o.files;
  if (!o.filesFrom.empty()) {
    if (o.filesFrom == "-" && std::find(paths.begin(), paths.end(), "-") != paths.end()) {
      return refuse("standard input cannot be both the list (--files-from -) and a picture (-)",
                    kExitUsage);
    }
    std::string error;
    if (const int rc = ReadPathList(o.filesFrom, paths, error)) return refuse(error, rc);
    if (o.filesFrom == "-" && std::find(paths.begin(), paths.end(), "-") != paths.end()) {
      return refuse("the list on standard input names '-', standard input itself", kExitUsage);
    }
    if (paths.size() == o.files.size()) {
      return refuse("the list '" + o.filesFrom + "' names no file", kExitUsage);
    }
  }
  if (paths.empty()) {
    return refuse("give the pictures to decode: FILE..., folders or --files-from LIST", kExitUsage);
  }
  o.inputs = ExpandInputs(paths, o.recursive);
  return kExitOk;
}

// A standard stream the caller closed keeps its number, held by /dev/null opened the wrong way
// round: a write to standard output still fails (and is reported), while no file the tool opens
// takes the number by chance and so receives what was meant for that stream.
void HoldClosedStandardStreams() {
  for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number: fd itself, since the lower ones are open by now.
    const int held = ::open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
    if (held >= 0 && held != fd) ::close(held);
  }
}

// Flushes and closes standard output, the last check of everything written to it: output lost
// fails a run that otherwise succeeded with exit 7. A failure already reported keeps its code.
int CloseStdout(int rc) {
  const bool flushed = std::fflush(stdout) == 0 && std::ferror(stdout) == 0 && !std::cout.fail();
  const int err = errno;
  const bool closed = std::fclose(stdout) == 0;
  if ((!flushed || !closed) && rc == kExitOk) {
    std::cerr << "pdf417: cannot write to standard output: "
              << std::strerror(!flushed ? err : errno) << "\n";
    rc = kExitWrite;
  }
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  HoldClosedStandardStreams();
  // Past the file-size limit a write raises SIGXFSZ, which would kill the tool mid-write with no
  // message and a temporary file left over; ignored, the write fails with "file too large" and is
  // reported (exit 7) and cleaned up like any other failed write.
  std::signal(SIGXFSZ, SIG_IGN);
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
      "Decode the PDF417 symbol in each picture file and write its bytes to standard output.");
  decode->add_option("FILE", dec.files,
                     "PNG, JPEG, BMP, Netpbm (PBM, PGM, PPM), WebP or TIFF files (every page), "
                     "told by their content; '-' reads one from standard input; a folder gives "
                     "the picture files in it (.png, .jpg, .jpeg, .bmp, .pgm, .ppm, .pbm, .pnm, "
                     ".webp, .tif, .tiff), in name order");
  decode->add_flag("-r,--recursive", dec.recursive,
                   "folders given also give the pictures of their subfolders");
  decode->add_option("--files-from", dec.filesFrom,
                     "read the paths to decode from this file ('-' for standard input), one a "
                     "line, after the FILEs given");
  decode->add_flag("-n,--newline", dec.newline, "write a line end after the bytes of each symbol");
  decode->add_flag("-t,--tagged", dec.tagged,
                   "start each symbol's line with its file name (and the page of a TIFF of "
                   "several pages, and Macro PDF417 segment i of n)");
  decode->add_flag(
      "--join", dec.join,
      "the files are Macro PDF417 segments of one file: write its data, joined in order");
  decode->add_flag("--json", dec.json,
                   "write one JSON object a line for each symbol: file, index, bytes (as "
                   "ISO 8859-1 text and base64), text, symbology, rows, columns, level, "
                   "corrections, erasures, ECI, Macro PDF417 fields, corners, orientation, and "
                   "page and pages (from 1) for a TIFF of several pages; a file without a symbol "
                   "gets one with its status and error");
  decode->add_flag("-v,--verbose", dec.verbose,
                   "report rows, columns, level and corrections of each symbol on standard error");
  decode->add_flag("-u,--utf8", dec.utf8,
                   "write the text as UTF-8, each ECI segment converted from its character set "
                   "(ISO 8859-1 without a designator); what cannot be converted is reported on "
                   "standard error");
  decode
      ->add_option("--timeout", dec.timeoutSeconds,
                   "give up on a file after this many seconds (exit 8), loading included; 0, the "
                   "default, means no limit")
      ->check(CLI::Validator(
          [](const std::string& text) -> std::string {
            double seconds = -1;
            try {
              seconds = std::stod(text);
            } catch (const std::exception&) {
            }
            return std::isfinite(seconds) && seconds >= 0
                       ? std::string()
                       : "must be a number of seconds, 0 (no limit) or more, not " + text;
          },
          "SECONDS"));
  decode
      ->add_option("--max-pixels", dec.maxPixels,
                   "refuse pictures of more pixels than this (exit 4) before reading their "
                   "pixels; memory is about 3 bytes a pixel. Default 100000000 (10,000 x 10,000); "
                   "a progressive JPEG counts the samples of all its components")
      ->check(CLI::Range(std::int64_t{1}, std::int64_t{400'000'000}));
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
      "  pdf417 decode -n -v scan.png photo.jpg *.bmp\n"
      "  convert photo.heic png:- | pdf417 decode -");
  encode->footer(std::string(encode->get_footer()) + "\n\n" + kExitCodeHelp);
  decode->footer(std::string(decode->get_footer()) + "\n\n" + kExitCodeHelp);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // --help and --version come here too, their text written to standard output.
    return CloseStdout(app.exit(e) == 0 ? kExitOk : kExitUsage);
  }

  if (dec.json && (dec.join || dec.tagged)) {
    std::cerr << "pdf417 decode: --json writes its own lines: give it without "
              << (dec.join ? "--join" : "--tagged") << "\n";
    return CloseStdout(kExitUsage);
  }
  int rc = kExitUsage;
  if (encode->parsed()) rc = RunEncodeCommand(enc);
  if (decode->parsed()) {
    rc = GatherInputs(dec);
    if (rc == kExitOk) rc = RunDecode(dec);
  }
  return CloseStdout(rc);
}
