#include "pdf417/decoder/picture.h"

namespace pdf417 {

BitMatrix BinariseGlobal(const GreyView& grey, std::uint8_t threshold) {
  BitMatrix bits(grey.width, grey.height);
  for (std::int32_t r = 0; r < grey.height; ++r) {
    const std::uint8_t* in = grey.Row(r);
    std::uint8_t* out = bits.Row(r);
    for (std::int32_t c = 0; c < grey.width; ++c) {
      if (in[c] < threshold) out[c >> 3] |= static_cast<std::uint8_t>(0x80u >> (c & 7));
    }
  }
  return bits;
}

}  // namespace pdf417
