#include "frontend/text_data.h"

#include <errno.h>
#include <iconv.h>

#include <cstdint>
#include <cstdio>
#include <utility>

#include "pdf417/decoder/decoder.h"

namespace textdata {
namespace {

constexpr int kUtf8Eci = 26;
constexpr int kGbkEci = 32;

// Reads the code point that starts at bytes[at] and moves `at` past it; false for a sequence
// that is not UTF-8 (`at` is then left where it was).
bool NextCodePoint(const std::string& bytes, std::size_t& at, std::uint32_t& cp) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
  const std::uint8_t lead = byte(at);
  int more = 0;
  std::uint32_t least = 0;
  if (lead < 0x80) {
    cp = lead;
    ++at;
    return true;
  } else if ((lead & 0xe0) == 0xc0) {
    more = 1;
    least = 0x80;
    cp = lead & 0x1fu;
  } else if ((lead & 0xf0) == 0xe0) {
    more = 2;
    least = 0x800;
    cp = lead & 0x0fu;
  } else if ((lead & 0xf8) == 0xf0) {
    more = 3;
    least = 0x10000;
    cp = lead & 0x07u;
  } else {
    return false;
  }
  if (bytes.size() - at <= static_cast<std::size_t>(more)) return false;
  for (int k = 1; k <= more; ++k) {
    const std::uint8_t next = byte(at + static_cast<std::size_t>(k));
    if ((next & 0xc0) != 0x80) return false;
    cp = (cp << 6) | (next & 0x3fu);
  }
  if (cp < least || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return false;
  at += static_cast<std::size_t>(more) + 1;
  return true;
}

[[noreturn]] void NotUtf8(std::size_t at) {
  throw TextError(TextError::Kind::NotUtf8, "the text is not UTF-8 (byte " +
                                                std::to_string(at + 1) +
                                                "): give it as bytes to write it as it is");
}

// The character at byte `at` of valid UTF-8 text, and which character of the text it is.
std::string CharacterAt(const std::string& utf8, std::size_t at) {
  std::size_t count = 1;
  std::size_t i = 0;
  std::uint32_t cp = 0;
  while (i < at && NextCodePoint(utf8, i, cp)) ++count;
  std::size_t end = at;
  if (end < utf8.size() && !NextCodePoint(utf8, end, cp)) end = at + 1;
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(cp));
  return "'" + utf8.substr(at, end - at) + "' (" + code + ", character " + std::to_string(count) +
         ")";
}

// An iconv conversion, closed when the object goes away. Throws TextError (Unencodable) when
// iconv has none: "no conversion of text to X" from UTF-8, else "... from X".
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(::iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      const bool fromText = std::string(from) == "UTF-8";
      throw TextError(TextError::Kind::Unencodable, std::string("no conversion of text ") +
                                                        (fromText ? "to " : "from ") +
                                                        (fromText ? to : from) + " on this system");
    }
  }
  ~Iconv() { ::iconv_close(cd_); }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  // Converts what it can of [in, in + inLeft) into out and moves `in` and inLeft past it; with
  // `in` null, appends the closing sequence of a stateful character set and goes back to the
  // initial state. Returns 0, or the errno value of what stopped it (EILSEQ, EINVAL).
  int Append(const char*& in, std::size_t& inLeft, std::string& out) {
    char buffer[1024];
    for (;;) {
      char* dst = buffer;
      std::size_t outLeft = sizeof buffer;
      // iconv's interface takes char**; it does not write the input.
      char* src = const_cast<char*>(in);
      const std::size_t rc = in == nullptr ? ::iconv(cd_, nullptr, nullptr, &dst, &outLeft)
                                           : ::iconv(cd_, &src, &inLeft, &dst, &outLeft);
      const int err = rc == static_cast<std::size_t>(-1) ? errno : 0;
      if (in != nullptr) in = src;
      out.append(buffer, sizeof buffer - outLeft);
      if (err != E2BIG) return err;
    }
  }
  void Reset() { ::iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

 private:
  iconv_t cd_;
};

// Converts valid UTF-8 text into `charset`.
std::string Convert(const std::string& utf8, const char* charset) {
  Converted converted = FromUtf8(utf8, charset);
  if (converted.stoppedAt != std::string::npos) {
    throw TextError(
        TextError::Kind::Unencodable,
        "the text has " + CharacterAt(utf8, converted.stoppedAt) + ", which " + charset + " lacks");
  }
  return std::move(converted.bytes);
}

}  // namespace

Converted FromUtf8(const std::string& utf8, const char* charset) {
  Iconv iconv(charset, "UTF-8");
  Converted out;
  out.bytes.reserve(utf8.size());
  const char* in = utf8.data();
  std::size_t inLeft = utf8.size();
  // The text, then the closing sequence of a stateful character set.
  const char* end = nullptr;
  std::size_t none = 0;
  if (iconv.Append(in, inLeft, out.bytes) != 0 || iconv.Append(end, none, out.bytes) != 0) {
    out.bytes.clear();
    out.stoppedAt = utf8.size() - inLeft;
  }
  return out;
}

std::string ToUtf8(const std::string& bytes, const char* charset) {
  Iconv iconv("UTF-8", charset);
  std::string out;
  out.reserve(bytes.size() * 3 / 2 + 4);
  const char* in = bytes.data();
  std::size_t inLeft = bytes.size();
  while (inLeft > 0 && iconv.Append(in, inLeft, out) != 0) {
    // No character starts here (or the last one is cut off): one replacement, then the next byte.
    out += "\xEF\xBF\xBD";
    ++in;
    --inLeft;
    iconv.Reset();
  }
  const char* end = nullptr;
  std::size_t none = 0;
  iconv.Append(end, none, out);
  return out;
}

bool IsUtf8(const std::string& bytes) {
  std::uint32_t cp = 0;
  for (std::size_t at = 0; at < bytes.size();) {
    if (!NextCodePoint(bytes, at, cp)) return false;
  }
  return true;
}

SymbolText ForSymbol(const std::string& utf8, Charset charset) {
  SymbolText out;
  if (charset == Charset::Gbk) {
    if (!IsUtf8(utf8)) NotUtf8(0);
    out.bytes = Convert(utf8, "GBK");
    out.eci = kGbkEci;
    return out;
  }
  std::string latin1;
  latin1.reserve(utf8.size());
  bool fits = true;
  std::uint32_t cp = 0;
  for (std::size_t at = 0; at < utf8.size();) {
    if (!NextCodePoint(utf8, at, cp)) NotUtf8(at);
    fits = fits && cp <= 0xff;
    if (fits) latin1.push_back(static_cast<char>(cp));
  }
  if (charset == Charset::Auto && fits) {
    out.bytes = std::move(latin1);
  } else {
    out.bytes = utf8;
    out.eci = kUtf8Eci;
  }
  return out;
}

std::string InEciCharset(const std::string& utf8, int eci) {
  const char* charset = pdf417::EciCharset(eci);
  if (charset == nullptr) {
    throw TextError(TextError::Kind::Unencodable,
                    "ECI " + std::to_string(eci) + " names no character set for text");
  }
  std::size_t at = 0;
  std::uint32_t cp = 0;
  while (at < utf8.size()) {
    if (!NextCodePoint(utf8, at, cp)) NotUtf8(at);
  }
  return Convert(utf8, charset);
}

std::string ReadEscapes(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out.push_back(text[i]);
      continue;
    }
    if (i + 1 == text.size())
      throw TextError(TextError::Kind::BadEscape,
                      "a lone backslash ends the text: write \\\\ for one");
    const char kind = text[++i];
    // A numeric escape: `digits` characters of `base` after the letter.
    auto number = [&](int digits, int base) {
      const std::string written = text.substr(i - 1, static_cast<std::size_t>(digits) + 2);
      int value = 0;
      for (int k = 1; k <= digits; ++k) {
        const char c = i + static_cast<std::size_t>(k) < text.size()
                           ? text[i + static_cast<std::size_t>(k)]
                           : '\0';
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0) {
          throw TextError(TextError::Kind::BadEscape, "bad escape '" + written + "': \\" + kind +
                                                          " takes " + std::to_string(digits) +
                                                          (base == 16 ? " hex" : " decimal") +
                                                          " digits");
        }
        value = value * base + d;
      }
      if (value > 255) {
        throw TextError(TextError::Kind::BadEscape,
                        "bad escape '" + written + "': a byte is 0 to 255");
      }
      i += static_cast<std::size_t>(digits);
      return static_cast<char>(value);
    };
    switch (kind) {
      case 'n':
        out.push_back('\n');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case 't':
        out.push_back('\t');
        break;
      case '\\':
        out.push_back('\\');
        break;
      case '0':
        out.push_back('\0');
        break;
      case 'a':
        out.push_back('\a');
        break;
      case 'b':
        out.push_back('\b');
        break;
      case 'f':
        out.push_back('\f');
        break;
      case 'v':
        out.push_back('\v');
        break;
      case 'e':
        out.push_back('\x1b');
        break;
      case 'E':
        out.push_back('\x04');
        break;
      case 'G':
        out.push_back('\x1d');
        break;
      case 'R':
        out.push_back('\x1e');
        break;
      case 'x':
        out.push_back(number(2, 16));
        break;
      case 'd':
        out.push_back(number(3, 10));
        break;
      default: {
        std::size_t end = i + 1;
        std::uint32_t cp = 0;
        std::size_t at = i;
        if (NextCodePoint(text, at, cp)) end = at;
        throw TextError(TextError::Kind::BadEscape,
                        "bad escape '\\" + text.substr(i, end - i) +
                            "': the escapes are \\n \\r \\t \\\\ \\xHH \\dNNN \\0 \\a \\b \\f \\v "
                            "\\e \\E \\G \\R");
      }
    }
  }
  return out;
}

}  // namespace textdata
