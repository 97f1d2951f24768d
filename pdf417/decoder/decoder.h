// PDF417 decoder: a bitmap file to the bytes of its symbol.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pdf417 {

// Outcome of one decode.
enum class DecodeStatus {
  Decoded,         // the symbol was read and verified
  FileMissing,     // no file of that name
  FileUnreadable,  // the file could not be read or is not a bitmap this decoder understands
  NoSymbolFound,   // the picture holds no readable PDF417 symbol
  NotCorrectable,  // a symbol was found but its errors exceed what its level corrects
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

  bool ok() const { return status == DecodeStatus::Decoded; }
};

// Called with a message and a caption when the decoder has something to tell a person
// (a missing file: "File Not Exist!!!", "PDF417Dec"). May be empty.
using DecodeNotifier = std::function<void(const std::string& message, const std::string& caption)>;

// Decodes the symbol in a bitmap file and says what happened. Never throws for bad input.
DecodeResult DecodePdf417Detailed(const std::string& fileName, const DecodeNotifier& notify = {});

// Decodes the symbol in the bytes of a bitmap file held in memory.
DecodeResult DecodePdf417FromBytes(const std::uint8_t* data, std::size_t size);

// Decodes the symbol in a bitmap file; empty text when it could not be decoded.
std::string DecodePdf417(const std::string& fileName, const DecodeNotifier& notify = {});

}  // namespace pdf417
