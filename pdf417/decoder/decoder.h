// PDF417 decoder: a bitmap file to the bytes of its symbol.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pdf417 {

// The largest picture file the decoder reads, in bytes (a 10,000 x 10,000 picture at 32 bits
// per pixel is 400,000,000 bytes).
constexpr std::size_t kMaxPictureFileBytes = std::size_t{512} << 20;

// Outcome of one decode.
enum class DecodeStatus {
  Decoded,          // the symbol was read and verified
  FileMissing,      // no file of that name
  FileUnreadable,   // the file could not be read or is not a bitmap this decoder understands
  NoSymbolFound,    // the picture holds no readable PDF417 symbol
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

// Choices of one decode; the defaults are what every entry without options does.
struct DecodeOptions {
  // Stop at the next reading boundary once this many seconds have passed; 0 means no limit.
  double timeoutSeconds = 0;
  // Another thread may set this to stop the decode at the next reading boundary. May be null.
  const std::atomic<bool>* cancel = nullptr;
  // Also convert each ECI segment of the bytes to UTF-8 into DecodeResult::text.
  bool eciToUtf8 = false;
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

struct DecodeResult {
  DecodeStatus status = DecodeStatus::NoSymbolFound;
  std::string message;  // for people; empty when decoded
  std::string bytes;    // the decoded bytes (any value, zero included)
  int rows = 0;         // symbol rows
  int columns = 0;      // data columns
  int level = -1;       // error-correction level
  int corrected = 0;    // codewords corrected
  std::string reading;  // which reading of the picture decoded it
  std::vector<EciDesignator> eci;
  MacroInfo macro;
  int erasures = 0;                   // codewords not read and corrected as erasures
  std::vector<std::string> warnings;  // decoded, but with something a person should know
  std::string text;                   // UTF-8 text of the bytes when DecodeOptions::eciToUtf8
  std::vector<PointF> corners;  // top-left, top-right, bottom-right, bottom-left; may be empty

  bool ok() const { return status == DecodeStatus::Decoded; }
};

// Called with a message and a caption when the decoder has something to tell a person
// (a missing file: "File Not Exist!!!", "PDF417Dec"). May be empty.
using DecodeNotifier = std::function<void(const std::string& message, const std::string& caption)>;

// Decodes the symbol in a picture file: PNG, JPEG or BMP, told by its first bytes, at most
// 10,000 pixels a side and kMaxPictureFileBytes; the header is checked before the rest of the file
// is read. Returns Decoded with the bytes, or FileMissing (also told through `notify`, when set),
// FileUnreadable (cannot be read, not one of these formats, damaged or too large; the message says
// which), NoSymbolFound, NotCorrectable, TimeBudgetSpent, Cancelled or InternalError (out of
// memory or a fault in the decoder). A time budget in `options` counts from the call, loading
// included; the decode stops at the next reading boundary once it is spent or once
// `options.cancel` is set. Throws nothing.
DecodeResult DecodePdf417Detailed(const std::string& fileName, const DecodeNotifier& notify = {});
DecodeResult DecodePdf417Detailed(const std::string& fileName, const DecodeOptions& options,
                                  const DecodeNotifier& notify = {});

// Decodes the symbol in the `size` bytes at `data` of a picture file (PNG, JPEG or BMP) held in
// memory; `data` may be null when `size` is 0. Returns as DecodePdf417Detailed, never FileMissing.
// Throws nothing.
DecodeResult DecodePdf417FromBytes(const std::uint8_t* data, std::size_t size,
                                   const DecodeOptions& options = {});

// Decodes the symbol in caller-owned pixels (see ImageView: 1 to 10,000 pixels a side, a stride of
// 0 or at least width x bytes per pixel). Returns FileUnreadable for a view outside those ranges,
// otherwise as DecodePdf417Detailed. Throws nothing.
DecodeResult DecodeImage(const ImageView& image, const DecodeOptions& options = {});

// Decodes every symbol in a picture: a picture file, the bytes of one held in memory, or
// caller-owned pixels, taken as DecodePdf417Detailed, DecodePdf417FromBytes and DecodeImage take
// them. Returns one result per symbol decoded, each with its four corners, ordered top to bottom
// and, for symbols side by side, left to right; a candidate over a symbol already decoded is not
// read again. When no symbol decodes, returns exactly one result: the failure (not Decoded) that
// the single-symbol entry would report. A time budget or cancellation that stops the search after
// some symbols were decoded returns those, the last with a warning. The single-symbol entries
// above are unchanged and faster (they stop at the first symbol that decodes); the symbol they
// return is among these, first when its corners are not known. Throws nothing.
std::vector<DecodeResult> DecodeAll(const std::string& fileName, const DecodeOptions& options = {});
std::vector<DecodeResult> DecodeAll(const std::uint8_t* data, std::size_t size,
                                    const DecodeOptions& options = {});
std::vector<DecodeResult> DecodeAll(const ImageView& image, const DecodeOptions& options = {});

// Decodes the symbol in a picture file as DecodePdf417Detailed does; returns its bytes, or an empty
// string when it could not be decoded (for whatever reason). Throws nothing.
std::string DecodePdf417(const std::string& fileName, const DecodeNotifier& notify = {});

}  // namespace pdf417
