// Encodes and decodes one symbol through the installed headers and libraries.
#include <cstdio>
#include <string>

#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/encoder.h"

int main() {
  const std::string text = "installed";
  const auto image = pdf417::EncodePdf417ToImage(
      reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<int>(text.size()), 5, 2, 3);
  const pdf417::DecodeResult r = pdf417::DecodePdf417FromBytes(image.data(), image.size());
  if (!r.ok() || r.bytes != text) {
    std::fprintf(stderr, "round trip failed: %s\n", r.message.c_str());
    return 1;
  }
  std::puts("ok");
  return 0;
}
