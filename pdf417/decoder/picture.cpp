#include "pdf417/decoder/picture.h"

namespace pdf417 {

BitMatrix BinariseGlobal(const GreyView& grey, std::uint8_t threshold, std::int32_t border) {
  if (grey.width <= 0 || grey.height <= 0) return BitMatrix();
  BitMatrix bits(grey.width + 2 * border, grey.height + 2 * border);
  for (std::int32_t r = 0; r < grey.height; ++r) {
    const std::uint8_t* in = grey.Row(r);
    std::uint8_t* out = bits.Row(r + border);
    for (std::int32_t c = 0; c < grey.width; ++c) {
      const std::int32_t x = c + border;
      if (in[c] < threshold) out[x >> 3] |= static_cast<std::uint8_t>(0x80u >> (x & 7));
    }
  }
  return bits;
}

}  // namespace pdf417
