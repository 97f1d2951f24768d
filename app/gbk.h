// Conversion between the window's text (UTF-8) and the bytes of code page 936 (GBK) that the
// codec encodes and decodes. A Chinese character is two GBK bytes.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace gbk {

// Raised when a text holds a character that GBK cannot represent.
class UnrepresentableError : public std::runtime_error {
 public:
  UnrepresentableError(std::size_t offset, const std::string& message)
      : std::runtime_error(message), offset_(offset) {}
  // Byte offset of the first such character in the UTF-8 text.
  std::size_t offset() const noexcept { return offset_; }

 private:
  std::size_t offset_;
};

// UTF-8 text to GBK bytes. Throws UnrepresentableError for a character GBK lacks and for
// text that is not valid UTF-8.
std::string FromUtf8(const std::string& utf8);

// GBK bytes to UTF-8 text. Bytes that do not form a GBK character (as in binary data) become
// U+FFFD, so any byte string can be shown.
std::string ToUtf8(const std::string& bytes);

}  // namespace gbk
