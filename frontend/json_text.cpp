#include "frontend/json_text.h"

#include <cstdint>
#include <cstdio>

namespace jsontext {
namespace {

void AppendEscaped(std::uint32_t cp, std::string& out) {
  switch (cp) {
    case '"':
      out += "\\\"";
      return;
    case '\\':
      out += "\\\\";
      return;
    case '\n':
      out += "\\n";
      return;
    case '\r':
      out += "\\r";
      return;
    case '\t':
      out += "\\t";
      return;
    default:
      break;
  }
  char code[8];
  std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned>(cp));
  out += code;
}

// The length of the UTF-8 sequence at text[at], or 0 when none starts there.
std::size_t Utf8Length(const std::string& text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(at);
  std::size_t n = 0;
  std::uint32_t cp = 0;
  if (lead >= 0xc2 && lead <= 0xdf) {
    n = 2;
    cp = lead & 0x1fu;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    n = 3;
    cp = lead & 0x0fu;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    n = 4;
    cp = lead & 0x07u;
  } else {
    return 0;
  }
  if (text.size() - at < n) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((byte(at + k) & 0xc0) != 0x80) return 0;
    cp = (cp << 6) | (byte(at + k) & 0x3fu);
  }
  const bool overlong = (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000);
  if (overlong || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return 0;
  return n;
}

}  // namespace

std::string String(const std::string& text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<std::uint8_t>(text[i]);
    if (c < 0x20 || c == '"' || c == '\\' || c == 0x7f) {
      AppendEscaped(c, out);
      ++i;
    } else if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++i;
    } else if (const std::size_t n = Utf8Length(text, i)) {
      out.append(text, i, n);
      i += n;
    } else {
      AppendEscaped(0xdc00u + c, out);
      ++i;
    }
  }
  return out + "\"";
}

std::string Latin1String(const std::string& bytes) {
  std::string out = "\"";
  for (const char ch : bytes) {
    const auto c = static_cast<std::uint8_t>(ch);
    if (c < 0x20 || c == '"' || c == '\\' || (c >= 0x7f && c < 0xa0)) {
      AppendEscaped(c, out);
    } else if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back(static_cast<char>(0xc0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
    }
  }
  return out + "\"";
}

std::string Base64(const std::string& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < 3; ++k) {
      v = (v << 8) | (k < n ? static_cast<std::uint8_t>(bytes[i + k]) : 0u);
    }
    for (std::size_t k = 0; k < 4; ++k) {
      out.push_back(k <= n ? kDigits[(v >> (18 - 6 * k)) & 0x3f] : '=');
    }
  }
  return out;
}

}  // namespace jsontext
