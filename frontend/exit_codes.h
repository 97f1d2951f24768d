// Exit codes of the pdf417 tool, documented in --help and the README.
#pragma once

namespace exitcode {
constexpr int kOk = 0;
constexpr int kParameters = 1;      // data or parameters that no symbol can hold
constexpr int kUsage = 2;           // the command line could not be understood
constexpr int kMissing = 3;         // an input file does not exist
constexpr int kUnreadable = 4;      // an input file cannot be read or is not a usable picture
constexpr int kNoSymbol = 5;        // no PDF417 symbol found in the picture
constexpr int kNotCorrectable = 6;  // a symbol was found but has too many errors
constexpr int kWrite = 7;           // the output cannot be written
constexpr int kGaveUp = 8;          // the time budget ran out (or the decode was cancelled)
constexpr int kInternal = 9;        // out of memory or a fault in the decoder itself
}  // namespace exitcode
