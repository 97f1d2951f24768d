// The `encode` command: reads the data, turns the options into SymbolOptions, and writes one
// symbol, the segments of a split, or one symbol per input line.
#include "encode_command.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <unordered_map>

#include "frontend/exit_codes.h"
#include "frontend/file_batch.h"
#include "frontend/input_check.h"
#include "frontend/text_data.h"
#include "pdf417/common/error.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/symbol.h"

namespace {

using namespace exitcode;

// More input than this is far more than a symbol holds; reading stops there, so an endless
// input (/dev/zero, a pipe that never closes) is refused, not hoarded. Batch input may be larger.
constexpr std::size_t kMaxInputBytes = std::size_t{1} << 20;
constexpr std::size_t kMaxBatchBytes = std::size_t{64} << 20;

struct Failure {
  int code;
  std::string message;
};

// Holds back SIGINT, SIGTERM and SIGHUP while files are written, so that the writer can remove
// its temporary files before the tool ends: the writing asks ThrowIfArrived() at each step,
// and the signal is let through when the object goes away, ending the tool as it would have
// without us. A signal the tool was started with ignored (nohup, a background job) stays ignored.
class HeldSignals {
 public:
  HeldSignals() {
    sigemptyset(&held_);
    for (const int s : kSignals) {
      struct sigaction action {};
      if (::sigaction(s, nullptr, &action) == 0 && action.sa_handler != SIG_IGN) {
        sigaddset(&held_, s);
      }
    }
    ::pthread_sigmask(SIG_BLOCK, &held_, &before_);
  }
  HeldSignals(const HeldSignals&) = delete;
  HeldSignals& operator=(const HeldSignals&) = delete;
  ~HeldSignals() { ::pthread_sigmask(SIG_SETMASK, &before_, nullptr); }

  // Throws when one of the held signals has arrived (and was not already held by our caller).
  void ThrowIfArrived() const {
    sigset_t pending;
    if (::sigpending(&pending) != 0) return;
    for (const int s : kSignals) {
      if (sigismember(&held_, s) == 1 && sigismember(&before_, s) != 1 &&
          sigismember(&pending, s) == 1) {
        throw Failure{kGaveUp, std::string("interrupted by SIG") + ::sigabbrev_np(s) +
                                   ": temporary files removed, no file replaced"};
      }
    }
  }

 private:
  static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
  sigset_t held_;
  sigset_t before_;
};

// Reads a whole file (or standard input for "-"), at most maxBytes + 1 bytes.
void ReadAll(const std::string& name, std::string& out, std::size_t maxBytes) {
  if (name != "-") {
    std::string error;
    if (const int rc = CheckReadable(name, error)) throw Failure{rc, error};
  } else if (::isatty(STDIN_FILENO)) {
    throw Failure{kUsage,
                  "no data: give TEXT, -d TEXT or --input FILE, or pipe the data into standard "
                  "input"};
  }
  FILE* f = name == "-" ? stdin : std::fopen(name.c_str(), "rb");
  if (f == nullptr)
    throw Failure{kUnreadable, "cannot open '" + name + "': " + std::strerror(errno)};
  out.clear();
  char buffer[65536];
  std::size_t n = 0;
  while (out.size() <= maxBytes && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
    out.append(buffer, n);
  }
  const bool failed = std::ferror(f) != 0;
  const int err = errno;
  if (f != stdin) std::fclose(f);
  if (failed) throw Failure{kUnreadable, "cannot read '" + name + "': " + std::strerror(err)};
  if (out.size() > maxBytes) {
    throw Failure{kParameters, "input of more than " + std::to_string(maxBytes) +
                                   " bytes is far more than this command encodes"};
  }
}

int ParseAuto(const std::string& value, const char* what) {
  if (value == "auto") return -1;
  try {
    std::size_t used = 0;
    const int v = std::stoi(value, &used);
    if (used == value.size()) return v;
  } catch (const std::exception&) {
  }
  throw Failure{kUsage, std::string(what) + " must be a number or 'auto', got '" + value + "'"};
}

pdf417::Colour ParseColour(const std::string& value) {
  std::string hex = value.size() == 7 && value[0] == '#' ? value.substr(1) : value;
  if (hex.size() != 6 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
    throw Failure{kUsage, "a colour is six hex digits RRGGBB, got '" + value + "'"};
  }
  const unsigned long v = std::stoul(hex, nullptr, 16);
  return {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
          static_cast<std::uint8_t>(v)};
}

// "I,N[,ID]" with I 1-based.
pdf417::MacroSegment ParseStructapp(const std::string& value) {
  pdf417::MacroSegment m;
  m.present = true;
  int index = 0;
  int count = 0;
  char id[64] = "";
  const int got = std::sscanf(value.c_str(), "%d,%d,%63s", &index, &count, id);
  if (got < 2) throw Failure{kUsage, "--structapp is I,N[,ID], got '" + value + "'"};
  m.index = index - 1;
  m.count = count;
  m.fileId = id;
  return m;
}

// The options MicroPDF417 has no use for, refused with what to do instead.
void CheckMicroCommand(const EncodeCommand& c) {
  if (c.compact) {
    throw Failure{kUsage, "--compact and --micro are two different symbologies: give one of them"};
  }
  if (c.level != "auto") {
    throw Failure{kUsage,
                  "--level does not apply to --micro: each MicroPDF417 size has its own fixed "
                  "error correction (choose a larger size with --rows for more)"};
  }
  if (c.aspect >= 0) {
    throw Failure{kUsage,
                  "--aspect draws the classic PDF417 bitmap only: draw MicroPDF417 with "
                  "--module-width and --row-height"};
  }
}

// The character set --encoding names; Auto when it names none.
textdata::Charset CharsetOf(const EncodeCommand& c) {
  const std::string& e = c.encoding;
  if (e.empty()) return textdata::Charset::Auto;
  if (e == "gbk" || e == "GBK") return textdata::Charset::Gbk;
  if (e == "utf-8" || e == "UTF-8" || e == "utf8") return textdata::Charset::Utf8;
  throw Failure{kUsage, "--encoding is gbk or utf-8, got '" + e + "'"};
}

pdf417::SymbolOptions OptionsOf(const EncodeCommand& c) {
  pdf417::SymbolOptions o;
  if (c.micro) {
    CheckMicroCommand(c);
    o.symbology = pdf417::Symbology::MicroPdf417;
  }
  if (c.compaction == "byte") {
    o.compaction = pdf417::Compaction::Byte;
  } else if (c.compaction != "auto") {
    throw Failure{kUsage, "--compaction is auto or byte, got '" + c.compaction + "'"};
  }
  o.level = ParseAuto(c.level, "the level");
  o.columns = std::max(0, ParseAuto(c.columns, "columns"));
  o.rows = std::max(0, ParseAuto(c.rows, "rows"));
  if (c.level != "auto" && o.level < 0) o.level = 99;  // refused with the limits below
  if (c.columns != "auto" && o.columns == 0) o.columns = -1;
  if (c.rows != "auto" && o.rows == 0) o.rows = -1;
  o.drawing.moduleWidth = c.moduleWidth;
  o.drawing.rowHeight = c.rowHeight;
  o.drawing.quietZone = c.quietZone;
  o.drawing.foreground = ParseColour(c.foreground);
  o.drawing.background = ParseColour(c.background);
  if (c.rotate % 90 != 0) throw Failure{kUsage, "--rotate is 0, 90, 180 or 270"};
  o.drawing.quarterTurns = c.rotate / 90;
  o.eci = c.eci;
  if (!c.encoding.empty() && c.eci >= 0) {
    throw Failure{kUsage,
                  "give --eci or --encoding, not both: --encoding writes the ECI of its "
                  "character set (26 for utf-8, 32 for gbk)"};
  }
  if (!c.encoding.empty()) o.eci = CharsetOf(c) == textdata::Charset::Gbk ? 32 : 26;
  if (!c.structapp.empty()) o.macro = ParseStructapp(c.structapp);
  o.compact = c.compact;
  pdf417::CheckOptions(o);
  return o;
}

pdf417::ImageFormat FormatFor(const EncodeCommand& c, const std::string& name) {
  if (!c.format.empty()) return pdf417::FormatOfFileName("." + c.format);
  if (name == "-") return pdf417::ImageFormat::Png;
  // A name without an extension (a device, a classic bitmap name) gets the classic bitmap.
  const std::size_t slash = name.find_last_of('/');
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    return pdf417::ImageFormat::Bmp;
  }
  return pdf417::FormatOfFileName(name);
}

// With -v: what was chosen for the symbol written as `name`.
void Report(const EncodeCommand& c, const std::string& name, const pdf417::Symbol& symbol) {
  if (!c.verbose) return;
  std::cerr << "pdf417 encode: " << (name == "-" ? "standard output" : name) << ": "
            << (symbol.symbology == pdf417::Symbology::MicroPdf417 ? "MicroPDF417"
                : symbol.compact                                   ? "compact PDF417"
                                                                   : "PDF417")
            << ", " << symbol.columns << (symbol.columns == 1 ? " column, " : " columns, ")
            << symbol.rows << " rows, ";
  if (symbol.level >= 0) {
    std::cerr << "level " << symbol.level << (symbol.levelLowered ? " (lowered to fit)" : "");
  } else {
    std::cerr << "the error correction of its size";
  }
  std::cerr << ", " << symbol.width << " modules wide\n";
}

// The picture of one symbol in the chosen format, to be written as `name`.
std::vector<std::uint8_t> Picture(const EncodeCommand& c, pdf417::Symbol symbol,
                                  pdf417::ImageFormat format, const std::string& name) {
  for (const std::string& w : symbol.warnings) std::cerr << "pdf417 encode: note: " << w << "\n";
  Report(c, name, symbol);
  if (c.aspect >= 0) {
    // The classic drawing: one pixel a module, `aspect` pixel rows a row, as EncodePdf417.
    if (format != pdf417::ImageFormat::Bmp || c.compact) {
      throw Failure{kUsage,
                    "--aspect draws classic bitmaps only: use a .bmp output and no --compact"};
    }
    symbol.drawing.classicAspect = c.aspect;
    return pdf417::RenderBmp(symbol);
  }
  if (c.height > 0) {
    symbol.drawing.rowHeight =
        std::max(symbol.drawing.rowHeight, (c.height + symbol.rows - 1) / symbol.rows);
  }
  return pdf417::RenderImage(symbol, format);
}

// Writes to standard output, every write and the flush checked.
void WriteStdout(const std::vector<std::uint8_t>& bytes) {
  if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() ||
      std::fflush(stdout) != 0) {
    throw Failure{kWrite, std::string("cannot write to standard output: ") + std::strerror(errno)};
  }
}

void Write(const std::string& name, const std::vector<std::uint8_t>& bytes,
           const HeldSignals& signals) {
  if (name == "-") return WriteStdout(bytes);
  signals.ThrowIfArrived();
  pdf417::WriteWholeFile(name, bytes.data(), bytes.size());
}

// Puts every file of a batch in place once all are written and flushed; a signal that arrived
// before the renames leaves every target as it was. Once the renames have begun they are finished,
// and the signal ends the tool afterwards.
void PutInPlace(pdf417::FileBatch& files, const HeldSignals& signals) {
  signals.ThrowIfArrived();
  files.Flush();
  signals.ThrowIfArrived();
  files.Commit();
}

// name.png -> name-3.png
std::string NumberedName(const std::string& name, std::size_t number) {
  const std::size_t slash = name.find_last_of('/');
  const std::size_t dot = name.find_last_of('.');
  const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  const std::string stem = hasExt ? name.substr(0, dot) : name;
  return stem + "-" + std::to_string(number) + (hasExt ? name.substr(dot) : "");
}

// The bytes to encode and the ECI they are written under. TEXT is text (UTF-8, as the command
// line gives it) written by the rule of frontend/text_data.h, in the character set of --eci when
// that names one; with --binary it is bytes, as is the data of a file or standard input, written
// as they are under the ECI of --eci or --encoding, if any.
textdata::SymbolText Data(const EncodeCommand& c, bool textGiven, int eci) {
  textdata::SymbolText data;
  data.eci = eci;
  if (textGiven && !c.input.empty()) throw Failure{kUsage, "give either TEXT or --input, not both"};
  if (!textGiven) {
    if (c.escapes) {
      throw Failure{kUsage,
                    "--esc reads the escapes of TEXT; the data of a file is taken as it is"};
    }
    ReadAll(c.input.empty() ? "-" : c.input, data.bytes, c.batch ? kMaxBatchBytes : kMaxInputBytes);
    return data;
  }
  try {
    const std::string text = c.escapes ? textdata::ReadEscapes(c.text) : c.text;
    if (c.binary) {
      data.bytes = text;
    } else if (c.eci >= 0) {
      data.bytes =
          pdf417::EciCharset(c.eci) != nullptr ? textdata::InEciCharset(text, c.eci) : text;
    } else {
      data = textdata::ForSymbol(text, CharsetOf(c));
    }
  } catch (const textdata::TextError& e) {
    switch (e.kind()) {
      case textdata::TextError::Kind::BadEscape:
        throw Failure{kUsage, std::string("--esc: ") + e.what()};
      case textdata::TextError::Kind::NotUtf8:
        throw Failure{kParameters,
                      "TEXT is not UTF-8: give --binary to write its bytes as they are"};
      case textdata::TextError::Kind::Unencodable:
        break;
    }
    throw Failure{kParameters, e.what()};
  }
  return data;
}

int Split(const EncodeCommand& c, const std::string& data, pdf417::SymbolOptions o,
          pdf417::ImageFormat format, const HeldSignals& signals) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data());
  try {
    const pdf417::Symbol one = pdf417::Encode(bytes, data.size(), o);
    Write(c.output, Picture(c, one, format, c.output), signals);
    return kOk;
  } catch (const pdf417::Error& e) {
    if (e.code() != pdf417::ErrorCode::InvalidArgument) throw;
  }
  if (c.output == "-") throw Failure{kUsage, "--split writes files: give -o NAME.EXT"};
  // Cut with the largest control block (index 99,998 of 99,999, the last), then number.
  pdf417::SymbolOptions probe = o;
  probe.macro = {true, 99998, 99999, o.macro.fileId};
  if (probe.macro.fileId.empty()) {
    std::uint32_t h = 2166136261u;
    for (const char ch : data) h = (h ^ static_cast<std::uint8_t>(ch)) * 16777619u;
    char id[7];
    std::snprintf(id, sizeof id, "%03u%03u", h % 900, (h / 900) % 900);
    probe.macro.fileId = id;
  }
  std::vector<std::pair<std::size_t, std::size_t>> pieces;
  for (std::size_t at = 0; at < data.size();) {
    const std::size_t n = pdf417::LargestFittingPrefix(bytes + at, data.size() - at, probe);
    if (n == 0) throw Failure{kParameters, "not even one byte fits a symbol of these options"};
    pieces.emplace_back(at, n);
    at += n;
  }
  // Every segment is written before any is put in place: a failure leaves the old segments, never
  // new ones beside old ones that --join could take for one file.
  pdf417::FileBatch files;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    pdf417::SymbolOptions segment = o;
    segment.macro = {true, static_cast<int>(i), static_cast<int>(pieces.size()),
                     probe.macro.fileId};
    signals.ThrowIfArrived();
    const std::string name = NumberedName(c.output, i + 1);
    files.Add(name, Picture(c, pdf417::Encode(bytes + pieces[i].first, pieces[i].second, segment),
                            format, name));
  }
  PutInPlace(files, signals);
  std::cerr << "pdf417 encode: " << pieces.size() << " segments written as "
            << NumberedName(c.output, 1) << " to " << NumberedName(c.output, pieces.size()) << "\n";
  return kOk;
}

// A file name from a line of data: letters, digits, '-', '_' and '.', at most 40 of them.
std::string NameFromData(const std::string& line) {
  std::string name;
  for (const char ch : line) {
    if (name.size() >= 40) break;
    const bool keep = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') ||
                      (ch >= '0' && ch <= '9') || ch == '-' || ch == '_' || ch == '.';
    name += keep ? ch : '_';
  }
  if (name.empty() || name[0] == '.') name.insert(name.begin(), '_');
  return name;
}

int Batch(const EncodeCommand& c, const std::string& data, const pdf417::SymbolOptions& o,
          pdf417::ImageFormat format, const HeldSignals& signals) {
  if (c.output == "-")
    throw Failure{kUsage, "--batch writes files: give -o PATTERN such as label-%04d.png"};
  const bool numbered = c.output.find('%') != std::string::npos;
  const std::size_t slash = c.output.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : c.output.substr(0, slash + 1);
  const std::size_t dot = c.output.find_last_of('.');
  const std::string ext = dot == std::string::npos ? "" : c.output.substr(dot);
  pdf417::FileBatch writer;
  std::unordered_map<std::string, std::size_t> lineOf;  // the names given so far, and their lines
  std::size_t number = 0;
  for (std::size_t at = 0; at < data.size();) {
    std::size_t end = data.find('\n', at);
    if (end == std::string::npos) end = data.size();
    std::string line = data.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ++number;
    if (line.empty()) continue;
    signals.ThrowIfArrived();
    std::string name;
    if (numbered) {
      char buf[4096];
      std::snprintf(buf, sizeof buf, c.output.c_str(), static_cast<int>(number));
      name = buf;
    } else {
      // Lines that make the same name (or a name made before) get a number: x.png, x-2.png, ...
      const std::string first = folder + NameFromData(line) + ext;
      name = first;
      for (std::size_t k = 2; lineOf.count(name) > 0; ++k) name = NumberedName(first, k);
      if (name != first) {
        std::cerr << "pdf417 encode: note: line " << number << " written as " << name << ", since "
                  << first << " is line " << lineOf[first] << "'s\n";
      }
    }
    lineOf.emplace(name, number);
    try {
      const pdf417::Symbol s =
          pdf417::Encode(reinterpret_cast<const std::uint8_t*>(line.data()), line.size(), o);
      writer.Add(name, Picture(c, s, format, name));
    } catch (const pdf417::Error& e) {
      if (e.code() != pdf417::ErrorCode::InvalidArgument) throw;
      throw Failure{kParameters, "line " + std::to_string(number) + ": " + e.what()};
    }
  }
  if (writer.Count() == 0) throw Failure{kParameters, "no data: every input line is empty"};
  PutInPlace(writer, signals);
  return kOk;
}

// The module rows, one line each, 1 for a dark module; no quiet zone, not rotated.
std::vector<std::uint8_t> Dump(const pdf417::Symbol& symbol) {
  std::vector<std::uint8_t> out;
  out.reserve(static_cast<std::size_t>(symbol.rows) * (static_cast<std::size_t>(symbol.width) + 1));
  for (int row = 0; row < symbol.rows; ++row) {
    for (int m = 0; m < symbol.width; ++m) out.push_back(symbol.Dark(row, m) ? '1' : '0');
    out.push_back('\n');
  }
  return out;
}

// --dump writes one symbol's modules to standard output: no picture, no file.
void CheckDumpCommand(const EncodeCommand& c) {
  const char* other = c.split                                      ? "--split"
                      : c.batch                                    ? "--batch"
                      : c.app->get_option("--output")->count() > 0 ? "--output"
                      : c.aspect >= 0                              ? "--aspect"
                      : !c.format.empty()                          ? "--format"
                                                                   : nullptr;
  if (other != nullptr) {
    throw Failure{kUsage, std::string("--dump writes the modules of one symbol to standard "
                                      "output: give it without ") +
                              other};
  }
}

bool PatternIsSafe(const std::string& pattern) {
  // One conversion, an integer one: %d, %04d, %5i; and %% anywhere.
  int conversions = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%') continue;
    if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    while (j < pattern.size() && (pattern[j] >= '0' && pattern[j] <= '9')) ++j;
    if (j >= pattern.size() || (pattern[j] != 'd' && pattern[j] != 'i') || j - i > 4) return false;
    ++conversions;
    i = j;
  }
  return conversions <= 1;
}

}  // namespace

CLI::App* AddEncodeCommand(CLI::App& tool, EncodeCommand& c) {
  CLI::App* e = tool.add_subcommand(
      "encode", "Encode data as a PDF417 symbol and write it as a PNG, SVG or bitmap picture.");
  c.app = e;
  e->add_option("-o,--output", c.output,
                "picture to write; .png, .svg or .bmp by its extension; '-' for standard "
                "output; bar.bmp when not given with --aspect")
      ->capture_default_str();
  e->add_option("-i,--input", c.input, "read the data from this file ('-' for standard input)");
  e->add_option("TEXT,-d,--data", c.text,
                "the data as text: ISO 8859-1 with no ECI when all its characters are in it, "
                "otherwise UTF-8 under ECI 26; without TEXT or --input the data is read from "
                "standard input, as bytes");
  e->add_flag("--binary", c.binary, "TEXT is bytes: written as they are, with no conversion");
  e->add_flag("--esc", c.escapes,
              "read escapes in TEXT: \\n \\r \\t \\\\ \\xHH \\dNNN (a byte in decimal) "
              "\\0 \\a \\b \\f \\v \\e \\E (EOT) \\G (GS) \\R (RS)");
  e->add_option("-c,--columns,--cols", c.columns,
                "data columns, 1 to 30 (1 to 4 with --micro), or auto")
      ->capture_default_str();
  e->add_option("-r,--rows", c.rows,
                "rows, 3 to 90 (with --micro: 4 to 44, the rows of one of its sizes), or auto")
      ->capture_default_str();
  e->add_option("-l,--level,--secure", c.level,
                "error-correction level 0 to 8, or auto (2 to 5 by the data's size); not with "
                "--micro")
      ->capture_default_str();
  e->add_option("--compaction", c.compaction,
                "auto (shortest mix of text, numeric and byte) or byte (as the window writes)")
      ->capture_default_str();
  e->add_option("--module-width,--scale", c.moduleWidth, "pixels per module, 1 to 20")
      ->capture_default_str();
  e->add_option("--row-height", c.rowHeight, "modules per row, 2 to 20")->capture_default_str();
  e->add_option("--height", c.height, "height of the bars in modules (sets the row height)");
  e->add_option("--quiet-zone", c.quietZone, "blank modules around the symbol, 0 to 50")
      ->capture_default_str();
  e->add_option("--fg", c.foreground, "bar colour RRGGBB")->capture_default_str();
  e->add_option("--bg", c.background, "background colour RRGGBB")->capture_default_str();
  e->add_option("--rotate", c.rotate, "clockwise turn: 0, 90, 180 or 270")->capture_default_str();
  e->add_option("--eci", c.eci,
                "ECI number written before the data (0 to 811799); TEXT is converted to the "
                "character set it names, if any");
  e->add_option("--encoding", c.encoding,
                "gbk: convert TEXT to GBK and write ECI 32; utf-8: write TEXT as UTF-8 under "
                "ECI 26 (not with --eci)");
  e->add_option("--structapp", c.structapp,
                "Macro PDF417 segment I of N, file id ID (digits): I,N[,ID]");
  e->add_flag("--split", c.split,
              "spread data too long for one symbol over NAME-1.EXT, NAME-2.EXT, ...");
  e->add_flag("--compact", c.compact, "compact PDF417: no right row indicator, short stop");
  e->add_flag("--micro", c.micro,
              "MicroPDF417: 1 to 4 columns, 34 sizes of 4 to 44 rows with their own error "
              "correction; the smallest size that holds the data unless --cols/--rows say");
  e->add_flag("--batch", c.batch,
              "one symbol per input line; -o label-%04d.png numbers the files, otherwise they "
              "are named from the data (x.png, then x-2.png for a second line of that name)");
  e->add_option("--format", c.format, "png, svg or bmp, whatever the output's extension");
  e->add_flag("-v,--verbose", c.verbose,
              "report the symbology, columns, rows and level chosen on standard error");
  e->add_flag("--dump", c.dump,
              "write the module rows to standard output as lines of 0 and 1 (1 dark) instead "
              "of a picture; no quiet zone");
  e->add_option("-a,--aspect", c.aspect,
                "classic one-bit bitmap: one pixel a module, this many pixel rows a row");
  e->footer(
      "Defaults: out.png; compaction, level, columns and rows chosen for the data; 2 pixels a\n"
      "module, rows 3 modules tall, a quiet zone of 2 modules, black on white (bars lighter\n"
      "than the background are written with a warning). '--compaction byte --level 1\n"
      "--columns 5 --aspect 3' writes the classic bitmap of the window, bar.bmp. With --micro,\n"
      "the MicroPDF417 size of least area that holds the data (of fewest codewords on a tie).\n\n"
      "TEXT whose characters are all in ISO 8859-1 (ASCII included) is written in ISO 8859-1\n"
      "with no ECI, as every reader expects; other text as UTF-8 under ECI 26. --encoding\n"
      "gbk writes GBK under ECI 32. Data from --input or standard input, and TEXT with\n"
      "--binary, is written byte for byte.\n\n"
      "Examples:\n"
      "  pdf417 encode 'Hello World'                 writes out.png\n"
      "  pdf417 encode -o ticket.png -d 'M1DOE/JOHN E ABC123 LHRJFKBA 0123'\n"
      "  pdf417 encode --cols 6 --secure 4 -o notes.svg --input notes.txt\n"
      "  pdf417 encode --encoding gbk -o zh.png '中文'\n"
      "  pdf417 encode --esc -o id.png '@\\n\\x1e\\rANSI 636000090002DL'\n"
      "  pdf417 encode --micro --cols 2 -o label.png 'LOT 4711 EXP 2027-06'\n"
      "  pdf417 encode --split -o part.png --input long.txt     part-1.png, part-2.png, ...\n"
      "  pdf417 encode --batch -o label-%04d.png --input lines.txt\n"
      "  pdf417 encode -o - 'to a pipe' > x.png");
  return e;
}

// A colour's luminance (BT.601 weights, as the decoder makes grey of colour).
int Grey(const pdf417::Colour& c) { return (77 * c.red + 150 * c.green + 29 * c.blue + 128) >> 8; }

// Bars no darker than the background are written as asked, with a warning: few readers look for
// light bars on a dark ground.
void WarnOfInvertedColours(const EncodeCommand& c, const pdf417::Drawing& d) {
  if (Grey(d.foreground) < Grey(d.background)) return;
  std::cerr << "pdf417 encode: warning: the bars (--fg " << c.foreground << ") are "
            << (Grey(d.foreground) == Grey(d.background) ? "as light as" : "lighter than")
            << " the background (--bg " << c.background
            << "): most readers will not read this symbol (ours reads light bars on a dark "
               "ground, but not a symbol without contrast)\n";
}

int RunEncodeCommand(const EncodeCommand& given) {
  // The classic one-pixel bitmap keeps the window's name when no output is given.
  EncodeCommand c = given;
  if (c.aspect >= 0 && c.app->get_option("--output")->count() == 0) c.output = "bar.bmp";
  // Taken once the data is read (reading a pipe must stay interruptible), and let go after the
  // message: the destructors of the writers have removed their temporary files by then.
  std::optional<HeldSignals> signals;
  try {
    const bool textGiven = c.app->get_option("TEXT")->count() > 0;
    if (c.batch && c.output.find('%') != std::string::npos && !PatternIsSafe(c.output)) {
      throw Failure{kUsage, "the --batch pattern takes one number, as %d or %04d"};
    }
    if (c.aspect == 0 || c.aspect < -1) {
      throw Failure{kParameters,
                    "aspect ratio must be at least 1, got " + std::to_string(c.aspect)};
    }
    if (c.dump) CheckDumpCommand(c);
    pdf417::SymbolOptions options = OptionsOf(c);
    const pdf417::ImageFormat format = FormatFor(c, c.output);
    if (!c.dump) WarnOfInvertedColours(c, options.drawing);
    if (c.output == "-" && !c.dump && ::isatty(STDOUT_FILENO)) {
      throw Failure{kUsage, "standard output is a terminal: redirect it to a file or a pipe"};
    }
    const textdata::SymbolText text = Data(c, textGiven, options.eci);
    options.eci = text.eci;
    const std::string& data = text.bytes;
    if (data.empty()) {
      throw Failure{kParameters, "no data: the data is empty, and an empty symbol helps nobody"};
    }
    signals.emplace();
    if (c.batch) return Batch(c, data, options, format, *signals);
    if (c.split) return Split(c, data, options, format, *signals);
    const pdf417::Symbol symbol =
        pdf417::Encode(reinterpret_cast<const std::uint8_t*>(data.data()), data.size(), options);
    if (c.dump) {
      for (const std::string& w : symbol.warnings) {
        std::cerr << "pdf417 encode: note: " << w << "\n";
      }
      Report(c, "-", symbol);
      WriteStdout(Dump(symbol));
      return kOk;
    }
    Write(c.output, Picture(c, symbol, format, c.output), *signals);
    return kOk;
  } catch (const Failure& f) {
    std::cerr << "pdf417 encode: " << f.message << "\n";
    return f.code;
  } catch (const pdf417::Error& e) {
    std::cerr << "pdf417 encode: " << e.what() << "\n";
    return e.code() == pdf417::ErrorCode::FileWrite ? kWrite : kParameters;
  }
}
