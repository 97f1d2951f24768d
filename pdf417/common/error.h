// Error type shared by every part of the codec.
#pragma once

#include <stdexcept>
#include <string>

#include "pdf417/common/export.h"

namespace pdf417 {

// What kind of failure an Error reports; callers map these to exit codes or messages.
enum class ErrorCode {
  InvalidArgument,  // a parameter outside what a symbol can hold
  FileWrite,        // the output file could not be written
  FileRead,         // the input file could not be opened or read
  BadBitmap,        // the input file is not a bitmap this codec can read
  ContainerMisuse,  // a list was read or changed where it has no element
};

// Every codec call that can fail throws this, with a message meant for people.
class PDF417_EXPORT Error : public std::runtime_error {
 public:
  Error(ErrorCode code, const std::string& message) : std::runtime_error(message), code_(code) {}
  ErrorCode code() const noexcept { return code_; }

 private:
  ErrorCode code_;
};

}  // namespace pdf417
