// Exit codes of the pdf417 tool, documented in --help and the README.
#pragma once

namespace exitcode {
constexpr int kOk = 0;
constexpr int kParameters = 1;  // data or parameters that no symbol can hold
constexpr int kUsage = 2;       // the command line could not be understood
constexpr int kMissing = 3;     // an input file does not exist
constexpr int kUnreadable = 4;  // an input file cannot be read or is not a usable picture
constexpr int kWrite = 7;       // the output cannot be written
}  // namespace exitcode
