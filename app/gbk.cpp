#include "gbk.h"

#include <cerrno>
#include <cstring>
#include <vector>

namespace gbk {
namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

}  // namespace

Converter::Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {
  if (cd_ == reinterpret_cast<iconv_t>(-1)) {
    throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " + to + ": " +
                             std::strerror(errno));
  }
}

Converter::~Converter() { ::iconv_close(cd_); }

int Converter::Convert(const char*& in, std::size_t& inLeft, char*& out, std::size_t& outLeft) {
  // glibc declares the input as char**, though it never writes through it.
  char* src = const_cast<char*>(in);
  const std::size_t rc = ::iconv(cd_, &src, &inLeft, &out, &outLeft);
  in = src;
  return rc == static_cast<std::size_t>(-1) ? errno : 0;
}

void Converter::Reset() { ::iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

std::string FromUtf8(const std::string& utf8) {
  Converter converter("GBK", "UTF-8");
  // A GBK character never takes more bytes than its UTF-8 form.
  std::vector<char> buffer(utf8.size() + 1);
  const char* in = utf8.data();
  std::size_t inLeft = utf8.size();
  char* out = buffer.data();
  std::size_t outLeft = buffer.size();
  const int err = converter.Convert(in, inLeft, out, outLeft);
  if (err != 0) {
    const std::size_t offset = utf8.size() - inLeft;
    if (err == EILSEQ || err == EINVAL) {
      throw UnrepresentableError(
          offset, "the text cannot be written in GBK at byte " + std::to_string(offset));
    }
    throw std::runtime_error(std::string("GBK conversion failed: ") + std::strerror(err));
  }
  return std::string(buffer.data(), static_cast<std::size_t>(out - buffer.data()));
}

std::string ToUtf8(const std::string& bytes) {
  Converter converter("UTF-8", "GBK");
  std::string result;
  result.reserve(bytes.size() * 3 / 2 + 4);
  const char* in = bytes.data();
  std::size_t inLeft = bytes.size();
  char chunk[256];
  while (inLeft > 0) {
    char* out = chunk;
    std::size_t outLeft = sizeof chunk;
    const int err = converter.Convert(in, inLeft, out, outLeft);
    result.append(chunk, static_cast<std::size_t>(out - chunk));
    if (err == 0 || err == E2BIG) continue;
    if (err == EILSEQ || err == EINVAL) {
      // Not a GBK character here (or a lead byte at the very end): show one replacement and go on
      // with the next byte.
      result.append(kReplacement);
      ++in;
      --inLeft;
      converter.Reset();
      continue;
    }
    throw std::runtime_error(std::string("GBK conversion failed: ") + std::strerror(err));
  }
  return result;
}

}  // namespace gbk
