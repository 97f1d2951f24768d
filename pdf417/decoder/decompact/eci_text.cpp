#include "pdf417/decoder/decompact/eci_text.h"

#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace pdf417 {
namespace {

constexpr int kDefaultEci = 3;  // ISO 8859-1, the symbology's character set without a designator

// An open iconv conversion to UTF-8, closed on destruction.
class Converter {
 public:
  explicit Converter(const char* from) : cd_(::iconv_open("UTF-8", from)) {}
  ~Converter() {
    if (ok()) ::iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Appends the UTF-8 of the bytes to out; returns how many bytes could not be converted.
  std::size_t Convert(const char* data, std::size_t size, std::string& out) {
    const std::string kReplacement = "\xef\xbf\xbd";
    std::size_t bad = 0;
    char* in = const_cast<char*>(data);  // iconv's interface; it does not write the input
    std::size_t inLeft = size;
    std::vector<char> buffer(4 * size + 16);
    while (inLeft > 0) {
      char* outPtr = buffer.data();
      std::size_t outLeft = buffer.size();
      const std::size_t r = ::iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
      out.append(buffer.data(), buffer.size() - outLeft);
      if (r != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) continue;
      // An invalid sequence: one byte is replaced and skipped. An incomplete one at the end
      // (EINVAL): the rest is replaced.
      const std::size_t skip = errno == EINVAL ? inLeft : 1;
      out += kReplacement;
      bad += skip;
      in += skip;
      inLeft -= skip;
      ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    }
    // Flush a stateful conversion's closing sequence.
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    ::iconv(cd_, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer.data(), buffer.size() - outLeft);
    return bad;
  }

 private:
  iconv_t cd_;
};

void Latin1ToUtf8(const char* data, std::size_t size, std::string& out) {
  for (std::size_t i = 0; i < size; ++i) {
    const auto c = static_cast<unsigned char>(data[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back(static_cast<char>(0xc0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
    }
  }
}

std::string Where(int eci, std::size_t from, std::size_t to) {
  return "ECI " + std::to_string(eci) + " (bytes " + std::to_string(from) + " to " +
         std::to_string(to) + ")";
}

}  // namespace

const char* EciCharset(int eci) {
  static const char* const kIso8859[] = {
      "ISO-8859-1",  "ISO-8859-2",  "ISO-8859-3",  "ISO-8859-4",  "ISO-8859-5",  "ISO-8859-6",
      "ISO-8859-7",  "ISO-8859-8",  "ISO-8859-9",  "ISO-8859-10", "ISO-8859-11", nullptr,
      "ISO-8859-13", "ISO-8859-14", "ISO-8859-15", "ISO-8859-16"};
  if (eci >= 3 && eci <= 18) return kIso8859[eci - 3];  // ECI 14 (once part 12) is not assigned
  switch (eci) {
    case 0:
    case 2:
      return "CP437";
    case 1:
      return "ISO-8859-1";
    case 20:
      return "SHIFT_JIS";
    case 21:
      return "CP1250";
    case 22:
      return "CP1251";
    case 23:
      return "CP1252";
    case 24:
      return "CP1256";
    case 25:
      return "UTF-16BE";
    case 26:
      return "UTF-8";
    case 27:
    case 170:
      return "ASCII";
    case 28:
      return "BIG5";
    case 29:
      return "GB2312";
    case 30:
      return "EUC-KR";
    case 31:
      return "GBK";
    case 32:
      return "GB18030";
    case 33:
      return "UTF-16LE";
    case 34:
      return "UTF-32BE";
    case 35:
      return "UTF-32LE";
    default:
      return nullptr;
  }
}

std::string EciToUtf8(const std::string& bytes, const std::vector<EciDesignator>& eci,
                      std::vector<std::string>& warnings) {
  // Stretches: (start, eci number), positions in order, the last of equal positions winning.
  std::vector<std::pair<std::size_t, int>> stretches{{0, kDefaultEci}};
  for (const EciDesignator& d : eci) {
    const std::size_t at = std::min(d.position, bytes.size());
    while (!stretches.empty() && stretches.back().first >= at) stretches.pop_back();
    stretches.emplace_back(at, d.number);
  }
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t s = 0; s < stretches.size(); ++s) {
    const std::size_t from = stretches[s].first;
    const std::size_t to = s + 1 < stretches.size() ? stretches[s + 1].first : bytes.size();
    const int number = stretches[s].second;
    if (to <= from) continue;
    const char* data = bytes.data() + from;
    const std::size_t size = to - from;
    const char* charset = EciCharset(number);
    if (charset == nullptr) {
      warnings.push_back(Where(number, from, to - 1) +
                         ": no character set known for this ECI; its bytes are read as ISO 8859-1");
      Latin1ToUtf8(data, size, text);
      continue;
    }
    Converter converter(charset);
    if (!converter.ok()) {
      warnings.push_back(Where(number, from, to - 1) + ": the conversion from " + charset +
                         " is not available; its bytes are read as ISO 8859-1");
      Latin1ToUtf8(data, size, text);
      continue;
    }
    const std::size_t bad = converter.Convert(data, size, text);
    if (bad > 0) {
      warnings.push_back(Where(number, from, to - 1) + ": " + std::to_string(bad) +
                         (bad == 1 ? " byte is" : " bytes are") + " not valid " + charset +
                         " and shown as U+FFFD");
    }
  }
  return text;
}

void ApplyEciText(DecodeResult& result) {
  if (!result.ok()) return;
  result.text = EciToUtf8(result.bytes, result.eci, result.warnings);
}

}  // namespace pdf417
