// Text given to the front ends as the bytes a symbol holds, one rule for the command-line tool
// and the Python module:
//  - text whose characters all lie in ISO 8859-1 (ASCII included) is written as ISO 8859-1 bytes
//    with no ECI designator, the symbology's own character set, which every reader assumes;
//  - other text is written as UTF-8 under ECI 26;
//  - an encoding asked for by name is always used: UTF-8 under ECI 26, GBK under ECI 32 (GB18030,
//    of which GBK is the two-byte part);
//  - bytes (a file, standard input, data marked binary) are written as they are.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace textdata {

// Text that cannot become the bytes asked for: a bad escape, text that is not UTF-8, a character
// the character set lacks. The message says which and where.
class TextError : public std::runtime_error {
 public:
  enum class Kind { BadEscape, NotUtf8, Unencodable };
  TextError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
  Kind kind() const noexcept { return kind_; }

 private:
  Kind kind_;
};

enum class Charset { Auto, Utf8, Gbk };

struct SymbolText {
  std::string bytes;
  int eci = -1;  // -1: no designator
};

// UTF-8 text as the bytes and ECI designator of the rule above. Throws TextError for text that is
// not UTF-8 and for characters GBK lacks.
SymbolText ForSymbol(const std::string& utf8, Charset charset);

// UTF-8 text in the character set that an ECI number names (pdf417::EciCharset). Throws TextError
// when the number names none or the text has a character the character set lacks.
std::string InEciCharset(const std::string& utf8, int eci);

// UTF-8 text converted by iconv into a character set (iconv's name for it): the bytes, or where
// the conversion stopped.
struct Converted {
  std::string bytes;
  // The byte offset in the text of the first character the character set lacks (or of the first
  // byte that is not UTF-8); npos when the whole text was converted.
  std::size_t stoppedAt = std::string::npos;
};
// Throws TextError (Unencodable) when iconv has no conversion into the character set.
Converted FromUtf8(const std::string& utf8, const char* charset);

// Bytes in a character set (iconv's name for it) as UTF-8 text: each byte that starts no
// character of the set (a character cut off at the end included) becomes U+FFFD, so that any
// bytes can be shown. Throws TextError (Unencodable) when iconv has no conversion from the
// character set.
std::string ToUtf8(const std::string& bytes, const char* charset);

// Whether the bytes are UTF-8: no overlong forms, surrogates or code points past U+10FFFF.
bool IsUtf8(const std::string& bytes);

// The bytes that the escapes of `text` stand for: \n \r \t \\, \xHH (two hex digits), \dNNN
// (three decimal digits, 000 to 255) and the control characters \0 (NUL), \a (BEL), \b (BS),
// \f (FF), \v (VT), \e (ESC), \E (EOT), \G (GS, 0x1d), \R (RS, 0x1e). Anything else after a
// backslash, and a backslash at the end, is refused with a TextError that names it.
std::string ReadEscapes(const std::string& text);

}  // namespace textdata
