// Text of the decoded bytes: each stretch between ECI designators converted to UTF-8 from the
// character set its designator names (iconv), the symbology's default ISO 8859-1 before the
// first designator.
#pragma once

#include <string>
#include <vector>

#include "pdf417/decoder/decoder.h"

namespace pdf417 {

// Converts the bytes to UTF-8 stretch by stretch; each designator applies from its position to
// the next one's (of several at one position the last wins). What could not be converted
// (sequences invalid in their character set, numbers without a character set) is appended to
// warnings as one message per stretch; an invalid sequence becomes U+FFFD, and the bytes under
// a number without a character set are read as ISO 8859-1.
std::string EciToUtf8(const std::string& bytes, const std::vector<EciDesignator>& eci,
                      std::vector<std::string>& warnings);

// For a decoded result: fills text from bytes and eci, and adds any warnings. Others are left
// as they are.
void ApplyEciText(DecodeResult& result);

}  // namespace pdf417
