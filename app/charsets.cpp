#include "charsets.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>

#include "gbk.h"

namespace {

// The first character of the text (whole, when it takes two UTF-16 units) that the encoder
// cannot write.
QString FirstUnencodable(const QString& text, const char* charset) {
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QString character = text.mid(i, length);
    QStringEncoder encoder(charset);
    encoder(character);
    if (encoder.hasError()) return character;
    i += length;
  }
  return {};
}

EncodedText WithQt(const QString& text, const char* charset, const char* shownName, int eci) {
  EncodedText out;
  out.eci = eci;
  out.charsetName = QString::fromLatin1(shownName);
  QStringEncoder encoder(charset);
  const QByteArray bytes = encoder(text);
  if (encoder.hasError()) {
    out.unencodable = FirstUnencodable(text, charset);
    // An error that no single character shows (it cannot happen for these encoders) still
    // refuses the text.
    if (out.unencodable.isEmpty()) out.unencodable = text.left(1);
    return out;
  }
  out.bytes.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  return out;
}

QString SegmentText(const std::string& bytes, int eci) {
  const char* charset = eci < 0 ? nullptr : pdf417::EciCharset(eci);
  if (charset != nullptr) {
    QStringDecoder decoder(charset);
    if (decoder.isValid()) {
      return decoder(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
    }
  }
  return QString::fromStdString(gbk::ToUtf8(bytes));
}

}  // namespace

EncodedText EncodeText(const QString& text, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf8Eci26:
      return WithQt(text, "UTF-8", "UTF-8", 26);
    case TextEncoding::GbkEci32:
      return WithQt(text, "GB18030", "GBK", 32);
    case TextEncoding::ClassicGbk:
      break;
  }
  EncodedText out;
  out.charsetName = QStringLiteral("GBK");
  const std::string utf8 = text.toStdString();
  try {
    out.bytes = gbk::FromUtf8(utf8);
  } catch (const gbk::UnrepresentableError& e) {
    const QString rest = QString::fromStdString(utf8.substr(e.offset()));
    out.unencodable = rest.left(!rest.isEmpty() && rest.at(0).isHighSurrogate() ? 2 : 1);
  }
  return out;
}

QString DecodedText(const std::string& bytes, const std::vector<pdf417::EciDesignator>& eci) {
  QString text;
  std::size_t start = 0;
  int current = -1;
  for (const pdf417::EciDesignator& designator : eci) {
    const std::size_t end = std::clamp(designator.position, start, bytes.size());
    text += SegmentText(bytes.substr(start, end - start), current);
    start = end;
    current = designator.number;
  }
  text += SegmentText(bytes.substr(start), current);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}
