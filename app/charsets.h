// The window's text as the bytes a symbol holds, and a symbol's bytes as text.
//
// The classic choice writes GBK (code page 936) with no ECI, as the window always has; the
// others write an Extended Channel Interpretation designator before the data: UTF-8 under ECI 26,
// or GBK under ECI 32 (whose character set, GB18030, is GBK with four-byte forms for the
// characters GBK lacks).
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "pdf417/decoder/decoder.h"

enum class TextEncoding { ClassicGbk, Utf8Eci26, GbkEci32 };

struct EncodedText {
  std::string bytes;
  int eci = -1;         // -1: no designator
  QString unencodable;  // the first character the encoding lacks; bytes is then empty
  QString charsetName;  // for messages: "GBK", "UTF-8"
};

EncodedText EncodeText(const QString& text, TextEncoding encoding);

// Decoded bytes as text: bytes before any ECI designator as GBK (as the window writes them),
// each designator's bytes in the character set it names (GBK where Qt has no converter for it).
// Bytes that form no character become U+FFFD; CR LF and a lone CR become line breaks.
QString DecodedText(const std::string& bytes, const std::vector<pdf417::EciDesignator>& eci);
