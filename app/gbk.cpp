// The front ends' iconv conversions (frontend/text_data.h), with GBK's messages for the window.
#include "gbk.h"

#include <string>
#include <utility>

#include "frontend/text_data.h"

namespace gbk {

std::string FromUtf8(const std::string& utf8) {
  textdata::Converted converted = textdata::FromUtf8(utf8, "GBK");
  if (converted.stoppedAt != std::string::npos) {
    throw UnrepresentableError(converted.stoppedAt, "the text cannot be written in GBK at byte " +
                                                        std::to_string(converted.stoppedAt));
  }
  return std::move(converted.bytes);
}

std::string ToUtf8(const std::string& bytes) { return textdata::ToUtf8(bytes, "GBK"); }

}  // namespace gbk
