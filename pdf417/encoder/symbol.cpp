// The options entry: checks the options, compacts the data, chooses level, columns and rows (or
// the MicroPDF417 size), adds the ECI designator and the Macro PDF417 control block, and lays the
// symbol out as modules.
#include "pdf417/encoder/symbol.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "pdf417/common/bitmap.h"
#include "pdf417/common/error.h"
#include "pdf417/common/patterns.h"
#include "pdf417/encoder/micro.h"
#include "pdf417/encoder/stages.h"

namespace pdf417 {
namespace {

constexpr int kMaxModuleWidth = 20;
constexpr int kMinRowHeight = 2;
constexpr int kMaxRowHeight = 20;
constexpr int kMaxQuietZone = 50;
constexpr int kMaxEci = 811799;
constexpr int kMaxSegments = 99999;
constexpr std::size_t kMaxFileIdDigits = 30;
// zxing-cpp's ordinary detector finds no symbol whose bars are under 11 pixel rows tall; the
// row height is raised until they are at least this tall.
constexpr int kMinBarPixelRows = 12;
// zxing-cpp 3.1 reads no MicroPDF417 whose bars are under 32 pixel rows tall (it misses 4-row
// symbols drawn 2 pixels a module and 3 modules a row), nor one whose rows are under 4 pixel
// rows (1 pixel a module and 3 modules a row): the row height is raised to both.
constexpr int kMinMicroBarPixelRows = 32;
constexpr int kMinMicroRowPixelRows = 4;
// Numeric compaction packs at most 44 digits into 15 codewords, so no symbol holds more
// characters than this; longer data is refused before any work.
constexpr std::size_t kMaxSymbolCharacters = 2800;

constexpr int kMacroBlock = 928;
constexpr int kMacroOptionalField = 923;
constexpr int kMacroTerminator = 922;
constexpr int kMacroSegmentCountField = 1;

[[noreturn]] void Refuse(const std::string& message) {
  throw Error(ErrorCode::InvalidArgument, message);
}

void CheckRange(const char* what, long long value, long long low, long long high) {
  if (value < low || value > high) {
    Refuse(std::string(what) + " must be " + std::to_string(low) + " to " + std::to_string(high) +
           ", got " + std::to_string(value));
  }
}

// The decimal digits "1" + digits as base-900 codewords (how numeric values are written in
// control blocks).
CodewordSequence NumericCodewords(const std::string& digits) {
  std::vector<int> decimal{1};
  for (const char c : digits) decimal.push_back(c - '0');
  CodewordSequence out;
  while (!(decimal.size() == 1 && decimal[0] == 0)) {
    int remainder = 0;
    std::vector<int> quotient;
    for (const int d : decimal) {
      const int value = remainder * 10 + d;
      if (!quotient.empty() || value / 900 != 0) quotient.push_back(value / 900);
      remainder = value % 900;
    }
    out.insert(out.begin(), remainder);
    decimal = quotient.empty() ? std::vector<int>{0} : quotient;
  }
  return out;
}

// A file id from the data, for segments that were given none: two codewords (six digits).
std::string FileIdOf(const std::uint8_t* data, std::size_t length) {
  std::uint32_t h = 2166136261u;
  for (std::size_t i = 0; i < length; ++i) h = (h ^ data[i]) * 16777619u;
  const std::uint32_t a = h % 900;
  const std::uint32_t b = (h / 900) % 900;
  char id[7];
  std::snprintf(id, sizeof id, "%03u%03u", a, b);
  return id;
}

CodewordSequence MacroBlock(const MacroSegment& m, const std::uint8_t* data, std::size_t length) {
  CodewordSequence out{kMacroBlock};
  char index[6];
  std::snprintf(index, sizeof index, "%05d", m.index);
  const CodewordSequence indexWords = NumericCodewords(index);
  // "1" + five digits is below 900^2, so the index is two codewords (a leading 0 when smaller).
  if (indexWords.size() < 2) out.push_back(0);
  out.insert(out.end(), indexWords.begin(), indexWords.end());
  std::string id = m.fileId.empty() ? FileIdOf(data, length) : m.fileId;
  while (id.size() % 3 != 0) id.insert(id.begin(), '0');
  for (std::size_t i = 0; i < id.size(); i += 3) out.push_back(std::stoi(id.substr(i, 3)));
  out.push_back(kMacroOptionalField);
  out.push_back(kMacroSegmentCountField);
  const CodewordSequence count = NumericCodewords(std::to_string(m.count));
  out.insert(out.end(), count.begin(), count.end());
  if (m.index == m.count - 1) out.push_back(kMacroTerminator);
  return out;
}

CodewordSequence EciCodewords(int eci) {
  if (eci < 900) return {927, eci};
  if (eci < 810900) return {926, eci / 900 - 1, eci % 900};
  return {925, eci - 810900};
}

// Each byte as eight modules (0 or 1), its most significant bit first.
using SpreadByte = std::array<std::uint8_t, 8>;
constexpr std::array<SpreadByte, 256> BuildSpreadBits() {
  std::array<SpreadByte, 256> table{};
  for (int v = 0; v < 256; ++v) {
    for (int b = 0; b < 8; ++b) table[v][b] = static_cast<std::uint8_t>(v >> (7 - b) & 1);
  }
  return table;
}
constexpr std::array<SpreadByte, 256> kSpreadBits = BuildSpreadBits();
static_assert(kModulesPerCodeword == 17, "a pattern is a top bit and two bytes");

int ModulesPerRow(int columns, bool compact) { return 17 * columns + (compact ? 35 : 69); }

bool IsCompact(const SymbolOptions& o) {
  return o.symbology == Symbology::CompactPdf417 || (o.symbology == Symbology::Pdf417 && o.compact);
}

struct Geometry {
  int columns = 0;
  int rows = 0;
};

// Rows needed for `total` codewords in `columns` columns, at least 3.
int RowsFor(int total, int columns) { return std::max(kMinRows, (total + columns - 1) / columns); }

bool Fits(int columns, int rows, int total) {
  return columns >= kMinColumns && columns <= kMaxColumns && rows >= kMinRows && rows <= kMaxRows &&
         rows * columns <= kMaxCodewords && rows * columns >= total;
}

// The geometry for `total` codewords, or columns 0 when none fits.
Geometry ChooseGeometry(int total, const SymbolOptions& o) {
  if (o.columns > 0 && o.rows > 0) {
    return Fits(o.columns, o.rows, total) ? Geometry{o.columns, o.rows} : Geometry{};
  }
  if (o.columns > 0) {
    const int rows = RowsFor(total, o.columns);
    return Fits(o.columns, rows, total) ? Geometry{o.columns, rows} : Geometry{};
  }
  if (o.rows > 0) {
    const int columns = std::max(1, (total + o.rows - 1) / o.rows);
    return Fits(columns, o.rows, total) ? Geometry{columns, o.rows} : Geometry{};
  }
  // The shape whose width over height is nearest the aim on a logarithmic scale, fewer pads on
  // a tie. The distance |log(ratio / aim)| is log(max(q, 1 / q)) for q = ratio / aim, so the
  // factor max(q, 1 / q) is compared instead, with the tie margin of 1e-9 on the logarithm as a
  // factor.
  const double closer = std::exp(-1e-9);
  const double tie = std::exp(1e-9);
  Geometry best;
  double bestScore = 0;
  int bestWaste = 0;
  for (int c = kMinColumns; c <= kMaxColumns; ++c) {
    const int rows = RowsFor(total, c);
    if (!Fits(c, rows, total)) continue;
    const double ratio = static_cast<double>(ModulesPerRow(c, IsCompact(o))) /
                         (static_cast<double>(rows) * o.drawing.rowHeight);
    const double q = ratio / o.widthToHeight;
    const double score = std::max(q, 1 / q);
    const int waste = rows * c - total;
    if (best.columns == 0 || score < bestScore * closer ||
        (score < bestScore * tie && waste < bestWaste)) {
      best = {c, rows};
      bestScore = score;
      bestWaste = waste;
    }
  }
  return best;
}

// Says why `total` codewords do not fit and which columns would.
[[noreturn]] void RefuseSize(int dataCodewords, int level, const SymbolOptions& o) {
  const int total = dataCodewords + ErrorCorrectionCount(level);
  std::string msg = "the data needs " + std::to_string(dataCodewords) + " data codewords and " +
                    std::to_string(ErrorCorrectionCount(level)) +
                    " error-correction codewords at level " + std::to_string(level);
  if (total > kMaxCodewords) {
    Refuse(msg + ", " + std::to_string(total) +
           " in all; a symbol holds at most 928: lower the level or spread the data over "
           "several symbols (Macro PDF417)");
  }
  int first = 0;
  int last = 0;
  for (int c = kMinColumns; c <= kMaxColumns; ++c) {
    const int rows = o.rows > 0 ? o.rows : RowsFor(total, c);
    if (Fits(c, rows, total)) {
      if (first == 0) first = c;
      last = c;
    }
  }
  if (o.columns > 0) {
    msg += "; with " + std::to_string(o.columns) + " columns that is " +
           std::to_string(RowsFor(total, o.columns)) + " rows";
    if (o.rows > 0) msg += ", and " + std::to_string(o.rows) + " rows were asked for";
  } else if (o.rows > 0) {
    msg += "; " + std::to_string(o.rows) + " rows would need " +
           std::to_string((total + o.rows - 1) / o.rows) + " columns";
  }
  if (first == 0) {
    Refuse(msg + "; no column count fits" +
           (o.rows > 0 ? std::string(" with ") + std::to_string(o.rows) + " rows" : std::string()));
  }
  Refuse(msg + "; " +
         (first == last ? std::to_string(first) + " columns fit"
                        : std::to_string(first) + " to " + std::to_string(last) + " columns fit") +
         (o.rows > 0 ? std::string(" with ") + std::to_string(o.rows) + " rows" : std::string()));
}

// Start pattern, left indicator, data, right indicator and stop pattern of every row.
void LayOut(Symbol& s) {
  const int c = s.columns;
  const int R = s.rows;
  const int L = s.level;
  s.width = ModulesPerRow(c, s.compact);
  s.modules.assign(static_cast<std::size_t>(R) * static_cast<std::size_t>(s.width), 0);
  for (int r = 0; r < R; ++r) {
    std::uint8_t* row = s.modules.data() + static_cast<std::size_t>(r) * s.width;
    int x = 0;
    // A pattern's 17 modules, most significant bit first: its top bit, then two bytes spread
    // to eight modules each through a table.
    const auto put = [&](std::int32_t pattern) {
      row[x] = static_cast<std::uint8_t>(pattern >> 16 & 1);
      std::memcpy(row + x + 1, kSpreadBits[pattern >> 8 & 0xFF].data(), 8);
      std::memcpy(row + x + 9, kSpreadBits[pattern & 0xFF].data(), 8);
      x += kModulesPerCodeword;
    };
    for (int i = 0; i < kStartPatternModules; ++i) row[x++] = StartPattern[i];
    const int cluster = r % 3;
    const int base = 30 * (r / 3);
    int left = 0;
    int right = 0;
    switch (cluster) {
      case 0:
        left = base + (R - 1) / 3;
        right = base + c - 1;
        break;
      case 1:
        left = base + 3 * L + (R - 1) % 3;
        right = base + (R - 1) / 3;
        break;
      default:
        left = base + c - 1;
        right = base + 3 * L + (R - 1) % 3;
        break;
    }
    put(PatternValueOf(cluster, left));
    for (int j = 0; j < c; ++j) {
      put(PatternValueOf(cluster, s.codewords[static_cast<std::size_t>(r * c + j)]));
    }
    if (s.compact) {
      row[x++] = 1;
    } else {
      put(PatternValueOf(cluster, right));
      for (int i = 0; i < kStopPatternModules; ++i) row[x++] = StopPattern[i];
    }
  }
}

// Everything but the error correction and the pads: descriptor placeholder (PDF417 only), ECI,
// data. MicroPDF417 has no descriptor, and its data begin with a mode latch (as zint writes
// them and as its capacities count them): 900 even before text.
CodewordSequence DataCodewords(const std::uint8_t* data, std::size_t length,
                               const SymbolOptions& o) {
  const bool micro = o.symbology == Symbology::MicroPdf417;
  CodewordSequence out;
  if (!micro) out.push_back(0);
  if (o.eci >= 0) {
    const CodewordSequence e = EciCodewords(o.eci);
    out.insert(out.end(), e.begin(), e.end());
  }
  if (o.compaction == Compaction::Byte) {
    CodewordSequence bytes;
    // Byte compaction exactly as EncodePdf417 writes it; one column gives no pads. The
    // descriptor is left out here and counted again below.
    CompactBytes(data, static_cast<int>(length), 1, 0, bytes, 1);
    out.insert(out.end(), bytes.begin() + 1, bytes.end());
  } else {
    const CodewordSequence c =
        micro ? CompactOptimalLatched(data, length) : CompactOptimal(data, length);
    out.insert(out.end(), c.begin(), c.end());
  }
  return out;
}

// The drawing as asked, its row height raised where the readers need it.
Drawing DrawingFor(const Drawing& asked, int rows, bool micro) {
  Drawing d = asked;
  const int pixelRows = rows * d.moduleWidth;
  const int barPixelRows = micro ? kMinMicroBarPixelRows : kMinBarPixelRows;
  d.rowHeight = std::max(d.rowHeight, (barPixelRows + pixelRows - 1) / pixelRows);
  if (micro) {
    d.rowHeight =
        std::max(d.rowHeight, (kMinMicroRowPixelRows + d.moduleWidth - 1) / d.moduleWidth);
  }
  return d;
}

// The MicroPDF417 symbol of the data codewords (ECI and data, from DataCodewords) and the control
// block: the size, the pads, the error correction and the modules.
Symbol MicroSymbol(CodewordSequence words, const CodewordSequence& macro, const SymbolOptions& o) {
  const int dataCount = static_cast<int>(words.size() + macro.size());
  const MicroSize& size = ChooseMicroSize(dataCount, o.columns, o.rows);
  Symbol s;
  s.symbology = Symbology::MicroPdf417;
  s.columns = size.columns;
  s.rows = size.rows;
  s.level = -1;
  // Pads go between the data and the control block, which ends the data codewords.
  words.insert(words.end(), static_cast<std::size_t>(size.DataCapacity() - dataCount),
               kPadCodeword);
  words.insert(words.end(), macro.begin(), macro.end());
  s.dataCodewords = size.DataCapacity();
  AppendErrorCorrectionCodewords(size.errorCorrection, words);
  s.width = MicroRowWidth(size.columns);
  s.modules = MicroModules(size, words);
  s.codewords = std::move(words);
  s.drawing = DrawingFor(o.drawing, s.rows, true);
  return s;
}

}  // namespace

void CheckOptions(const SymbolOptions& o) {
  if (o.symbology == Symbology::MicroPdf417) {
    if (o.compact) Refuse("compact is a form of PDF417; MicroPDF417 has none");
    if (o.level != -1 || o.minLevel != 0) {
      Refuse(
          "MicroPDF417 has no error-correction level: each size has its own fixed number of "
          "error-correction codewords");
    }
    CheckMicroShape(o.columns, o.rows);
  } else if (o.symbology == Symbology::Pdf417 || o.symbology == Symbology::CompactPdf417) {
    if (o.level != -1) CheckRange("the error-correction level", o.level, kMinLevel, kMaxLevel);
    CheckRange("the least error-correction level", o.minLevel, kMinLevel, kMaxLevel);
    if (o.columns != 0) CheckRange("columns", o.columns, kMinColumns, kMaxColumns);
    if (o.rows != 0) CheckRange("rows", o.rows, kMinRows, kMaxRows);
  } else {
    Refuse("unknown symbology " + std::to_string(static_cast<int>(o.symbology)));
  }
  if (!(o.widthToHeight >= 0.1 && o.widthToHeight <= 100)) {
    Refuse("the width-to-height ratio must be 0.1 to 100");
  }
  if (o.eci != -1) CheckRange("the ECI number", o.eci, 0, kMaxEci);
  CheckRange("the module width in pixels", o.drawing.moduleWidth, 1, kMaxModuleWidth);
  CheckRange("the row height in modules", o.drawing.rowHeight, kMinRowHeight, kMaxRowHeight);
  CheckRange("the quiet zone in modules", o.drawing.quietZone, 0, kMaxQuietZone);
  CheckRange("the quarter turns", o.drawing.quarterTurns, 0, 3);
  if (o.drawing.classicAspect != 0) {
    CheckRange("the classic aspect ratio", o.drawing.classicAspect, 1, kMaxBitmapSide);
    const Drawing plain;
    const Drawing& d = o.drawing;
    const bool sameColours = d.foreground.red == 0 && d.foreground.green == 0 &&
                             d.foreground.blue == 0 && d.background.red == 255 &&
                             d.background.green == 255 && d.background.blue == 255;
    if (o.symbology != Symbology::Pdf417 || o.compact || d.moduleWidth != plain.moduleWidth ||
        d.rowHeight != plain.rowHeight || d.quietZone != plain.quietZone || d.quarterTurns != 0 ||
        !sameColours) {
      Refuse(
          "the classic aspect ratio draws the classic black-on-white PDF417 bitmap: symbology, "
          "compact, module width, row height, quiet zone, colours and rotation do not apply to it");
    }
  }
  if (o.macro.present) {
    CheckRange("the number of Macro PDF417 segments", o.macro.count, 1, kMaxSegments);
    if (o.macro.index < 0 || o.macro.index >= o.macro.count) {
      Refuse("the Macro PDF417 segment must be 1 to " + std::to_string(o.macro.count) + ", got " +
             std::to_string(o.macro.index + 1));
    }
    if (o.macro.fileId.size() > kMaxFileIdDigits ||
        o.macro.fileId.find_first_not_of("0123456789") != std::string::npos) {
      Refuse("the Macro PDF417 file id must be up to " + std::to_string(kMaxFileIdDigits) +
             " decimal digits, got '" + o.macro.fileId + "'");
    }
    std::string id = o.macro.fileId;
    while (id.size() % 3 != 0) id.insert(id.begin(), '0');
    for (std::size_t i = 0; i < id.size(); i += 3) {
      if (std::stoi(id.substr(i, 3)) > 899) {
        Refuse(
            "each group of three digits of the Macro PDF417 file id (counted from the right) "
            "must be at most 899, got '" +
            id.substr(i, 3) + "'");
      }
    }
  }
}

int RecommendedLevel(int dataCodewords) {
  if (dataCodewords <= 40) return 2;
  if (dataCodewords <= 160) return 3;
  if (dataCodewords <= 320) return 4;
  return 5;
}

Symbol Encode(const std::uint8_t* data, std::size_t length, const SymbolOptions& o) {
  CheckOptions(o);
  if (length > 0 && data == nullptr) Refuse("no data given");
  if (length > kMaxSymbolCharacters) {
    Refuse(std::to_string(length) + " bytes are more than any symbol holds (at most " +
           std::to_string(kMaxSymbolCharacters) +
           " digits, fewer other characters): spread "
           "the data over several symbols (Macro PDF417)");
  }
  CodewordSequence words = DataCodewords(data, length, o);
  const CodewordSequence macro =
      o.macro.present ? MacroBlock(o.macro, data, length) : CodewordSequence{};
  if (o.symbology == Symbology::MicroPdf417) return MicroSymbol(std::move(words), macro, o);
  const int dataCount = static_cast<int>(words.size() + macro.size());

  Symbol s;
  s.compact = IsCompact(o);
  s.symbology = s.compact ? Symbology::CompactPdf417 : Symbology::Pdf417;
  Geometry g;
  if (o.level >= 0) {
    s.level = o.level;
    g = ChooseGeometry(dataCount + ErrorCorrectionCount(s.level), o);
    if (g.columns == 0) RefuseSize(dataCount, s.level, o);
  } else {
    const int wanted = std::max(o.minLevel, RecommendedLevel(dataCount));
    for (s.level = wanted; s.level >= o.minLevel; --s.level) {
      g = ChooseGeometry(dataCount + ErrorCorrectionCount(s.level), o);
      if (g.columns != 0) break;
    }
    if (g.columns == 0) RefuseSize(dataCount, o.minLevel, o);
    if (s.level < wanted) {
      s.levelLowered = true;
      s.warnings.push_back("error-correction level " + std::to_string(s.level) +
                           " instead of the recommended " + std::to_string(wanted) +
                           ": the data does not fit otherwise");
    }
  }
  s.columns = g.columns;
  s.rows = g.rows;
  const int k = ErrorCorrectionCount(s.level);
  const int pads = s.rows * s.columns - k - dataCount;
  // Pads go between the data and the control block, which ends the data codewords.
  words.insert(words.end(), static_cast<std::size_t>(pads), kPadCodeword);
  words.insert(words.end(), macro.begin(), macro.end());
  words[0] = static_cast<std::int32_t>(words.size());
  s.dataCodewords = words[0];
  AppendErrorCorrection(s.level, words);
  s.codewords = std::move(words);

  s.drawing = DrawingFor(o.drawing, s.rows, false);
  LayOut(s);
  return s;
}

std::size_t LargestFittingPrefix(const std::uint8_t* data, std::size_t length,
                                 const SymbolOptions& options) {
  // A piece fits when it gets at least the recommended level: splitting is how data that does
  // not fit one symbol keeps its protection.
  const auto fits = [&](std::size_t n) {
    try {
      return !Encode(data, n, options).levelLowered;
    } catch (const Error&) {
      return false;
    }
  };
  std::size_t low = 0;                                            // fits (or nothing)
  std::size_t high = std::min(length, kMaxSymbolCharacters) + 1;  // does not fit
  if (high == length + 1 && fits(length)) return length;
  high = std::min(high, length);
  while (high - low > 1) {
    const std::size_t mid = low + (high - low) / 2;
    if (fits(mid)) {
      low = mid;
    } else {
      high = mid;
    }
  }
  // Compaction is not quite monotone in the length (a group or pair may complete): look a few
  // bytes further.
  for (std::size_t n = high + 1; n <= std::min(length, high + 8); ++n) {
    if (fits(n)) low = n;
  }
  return low;
}

}  // namespace pdf417
