// PDF417 decoder: pictures to the bytes of the symbols in them.
//
// One entry, Decode, over three sources: a picture file, the bytes of one held in memory, and
// caller-owned pixels. DecodePdf417 is the classic entry of the demonstration window: the text of
// the first symbol of a file.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "pdf417/common/export.h"
#include "pdf417/common/symbol_geometry.h"

namespace pdf417 {

// The largest picture file the decoder reads, in bytes (a 10,000 x 10,000 picture at 32 bits
// per pixel is 400,000,000 bytes).
constexpr std::size_t kMaxPictureFileBytes = std::size_t{512} << 20;
// The longest side of a picture the decoder reads, in pixels; longer ones are refused.
constexpr int kMaxPictureSidePixels = 10000;

// Outcome of one decode.
enum class DecodeStatus {
  Decoded,          // the symbol was read and verified
  FileMissing,      // no file of that name
  FileUnreadable,   // the file could not be read or is not a picture this decoder understands
  NoSymbolFound,    // the picture holds no readable symbol
  NotCorrectable,   // a symbol was found but its errors exceed what its level corrects
  InternalError,    // out of memory or a fault in the decoder itself: a bug to report, not a miss
  TimeBudgetSpent,  // DecodeOptions::timeoutSeconds ran out before a symbol was read
  Cancelled,        // DecodeOptions::cancel was set before a symbol was read
};

// Layout of one pixel of an ImageView.
enum class PixelFormat {
  Grey8,   // one byte, 0 black .. 255 white
  RGB24,   // red, green, blue
  BGR24,   // blue, green, red
  RGBA32,  // red, green, blue, alpha (alpha composited on white)
  BGRA32,  // blue, green, red, alpha (alpha composited on white)
};

// Caller-owned pixels, top row first. Nothing is copied before the grey picture is made; a Grey8
// view is read in place. The pixels must stay valid and unchanged for the whole call.
struct ImageView {
  const std::uint8_t* data = nullptr;
  int width = 0;              // 1 .. 10,000
  int height = 0;             // 1 .. 10,000
  std::ptrdiff_t stride = 0;  // bytes from one row to the next; 0 means tightly packed
  PixelFormat format = PixelFormat::Grey8;
};

// Choices of one decode; the defaults read every symbol of a picture as well as the decoder can.
struct DecodeOptions {
  // Stop at the next reading boundary once this many seconds have passed; 0 means no limit.
  double timeoutSeconds = 0;
  // Another thread may set this to stop the decode at the next reading boundary. May be null.
  const std::atomic<bool>* cancel = nullptr;
  // Also convert each ECI segment of the bytes to UTF-8 into DecodeResult::text.
  bool eciToUtf8 = false;
  // The most symbols to return: 0 for every symbol in the picture, 1 to stop at the first symbol
  // that decodes (faster: the rest of the picture is not searched).
  int maxSymbols = 0;
  // Also the slower readings for hard pictures (a threshold that follows uneven light, lines at
  // 45 degrees); false tries only what reads clean and moderately damaged pictures.
  bool tryHarder = true;
  // Also look for light symbols on a dark ground.
  bool tryInverted = true;
  // The most pixels (width x height) a picture may have; a larger one is refused as unreadable
  // before any pixel memory is taken. A decode's peak memory is in proportion to the pixels, about
  // 3 bytes each, so this bounds it: a service decoding uploads lowers it. A JPEG whose scans are
  // not all interleaved (progressive files) holds every sample of every component until it is
  // loaded, and counts those samples instead (up to 3 a pixel in colour, 4 in CMYK). The default,
  // 10,000 x 10,000, reads every picture up to 10,000 pixels a side except such JPEGs in colour
  // over about 8,000 x 8,000; raising it (to 400,000,000 at most) reads those too.
  std::int64_t maxPixels = 100'000'000;
};

// A position in the picture, in pixels from its top-left corner.
struct PointF {
  double x = 0;
  double y = 0;
};

// An Extended Channel Interpretation designator met in the data.
struct EciDesignator {
  int number = 0;            // the ECI number
  std::size_t position = 0;  // byte offset in the decoded data from which it applies
};

// What a Macro PDF417 control block said about the symbol.
struct MacroInfo {
  bool present = false;
  int segmentIndex = -1;
  std::string fileId;  // the file id codewords, as decimal numbers of three digits each
  bool lastSegment = false;
  int segmentCount = 0;  // from the optional segment count field; 0 when not given
};

// One symbol read, or the reason why none was.
struct DecodeResult {
  DecodeStatus status = DecodeStatus::NoSymbolFound;
  std::string message;  // for people; empty when decoded
  std::string bytes;    // the decoded bytes (any value, zero included)
  Symbology symbology = Symbology::Pdf417;
  int rows = 0;         // symbol rows
  int columns = 0;      // data columns
  int level = -1;       // error-correction level
  int corrected = 0;    // codewords corrected
  int erasures = 0;     // codewords not read and corrected as erasures
  std::string reading;  // which reading of the picture decoded it
  std::vector<EciDesignator> eci;
  MacroInfo macro;
  std::vector<std::string> warnings;  // decoded, but with something a person should know
  std::string text;                   // UTF-8 text of the bytes when DecodeOptions::eciToUtf8
  std::vector<PointF> corners;  // top-left, top-right, bottom-right, bottom-left as the symbol
                                // reads; empty when not known
  // The turn of the symbol's rows from left to right, in degrees clockwise from the picture's
  // x axis (0 upright, 90 reading downwards, 180 upside down), from the corners.
  double orientation = 0;
  bool inverted = false;  // light bars on a dark ground
  // The page of the picture the symbol is on, 0-based, and how many pages the picture has: a TIFF
  // may have several; every other picture is page 0 of 1. A result telling why nothing decoded
  // has the page it tells about (the first that could not be loaded, else one without a symbol).
  int page = 0;
  int pages = 1;

  bool ok() const { return status == DecodeStatus::Decoded; }
};

// Decodes the symbols in a picture:
//  - a picture file: PNG, JPEG, BMP, Netpbm (PBM, PGM, PPM), WebP or TIFF, told by its first
//    bytes, at most 10,000 pixels a side and kMaxPictureFileBytes; the header is checked before
//    the rest of the file is read (WebP and TIFF files are read whole first); every page of a
//    TIFF is read in turn, each within the pixel limit, its symbols tagged with the page;
//  - the `size` bytes at `data` of such a file held in memory (`data` may be null when `size` is
//  0);
//  - caller-owned pixels (1 to 10,000 pixels a side, a stride of 0 or at least width x bytes per
//    pixel).
// Returns the symbols decoded, at most options.maxSymbols when that is not 0, each with its
// corners, in page order and, within a page, ordered top to bottom and, for symbols side by side,
// left to right; a symbol is read once. A page that cannot be loaded is reported only when no
// page decodes. When no symbol decodes, returns exactly one result that says why: FileMissing (no
// such file; the message names it), FileUnreadable (cannot be read, not one of these formats,
// damaged or too large; the message says which), NoSymbolFound, NotCorrectable, TimeBudgetSpent,
// Cancelled or InternalError (out of memory or a fault in the decoder). A time budget counts from
// the call, loading included; the decode stops at the next reading boundary once it is spent or
// once options.cancel is set, and returns the symbols decoded by then, the last with a warning.
// Thread-safe; throws nothing.
PDF417_EXPORT std::vector<DecodeResult> Decode(const std::string& fileName,
                                               const DecodeOptions& options = {});
PDF417_EXPORT std::vector<DecodeResult> Decode(const std::uint8_t* data, std::size_t size,
                                               const DecodeOptions& options = {});
PDF417_EXPORT std::vector<DecodeResult> Decode(const ImageView& image,
                                               const DecodeOptions& options = {});

// The character set an ECI number names, as iconv calls it ("ISO-8859-1" for 3, "UTF-8" for 26,
// "GB18030" for 32, ...), or nullptr for numbers that name none.
PDF417_EXPORT const char* EciCharset(int eci);

// Called with a message and a caption when the decoder has something to tell a person
// (a missing file: "File Not Exist!!!", "PDF417Dec"). May be empty.
using DecodeNotifier = std::function<void(const std::string& message, const std::string& caption)>;

// The classic entry: decodes the first symbol in a picture file and returns its bytes, or an
// empty string when it could not be decoded (for whatever reason). A missing file is told through
// `notify`, when set. With `details`, the whole result is stored there (status, message, rows,
// columns, level, corrections). Throws nothing.
PDF417_EXPORT std::string DecodePdf417(const std::string& fileName,
                                       const DecodeNotifier& notify = {},
                                       DecodeResult* details = nullptr);

}  // namespace pdf417
