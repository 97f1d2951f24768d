// Pieces of JSON for the front ends' machine-readable output.
#pragma once

#include <string>

namespace jsontext {

// `text` as a JSON string, quotes included. UTF-8 sequences are written as they are; '"', '\' and
// the control characters are escaped; a byte that is not part of a UTF-8 sequence becomes the
// lone surrogate \udcXX (XX the byte), as Python's surrogateescape has it, so that no byte is lost.
std::string String(const std::string& text);

// Bytes as a JSON string of the characters U+0000 to U+00FF, one for each byte (ISO 8859-1):
// `s.encode("latin-1")` gives the bytes back.
std::string Latin1String(const std::string& bytes);

// Bytes in base64 (RFC 4648, with padding), without quotes.
std::string Base64(const std::string& bytes);

}  // namespace jsontext
