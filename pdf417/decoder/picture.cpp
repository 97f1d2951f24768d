#include "pdf417/decoder/picture.h"

namespace pdf417 {

BitMatrix BinariseGlobal(const GreyView& grey, std::uint8_t threshold, std::int32_t border) {
  if (grey.width <= 0 || grey.height <= 0) return BitMatrix();
  BitMatrix bits(grey.width + 2 * border, grey.height + 2 * border);
  for (std::int32_t r = 0; r < grey.height; ++r) {
    const std::uint8_t* in = grey.Row(r);
    std::uint8_t* out = bits.Row(r + border);
    std::int32_t c = 0;
    // Pixel by pixel up to a byte boundary of the matrix, then eight pixels to a byte.
    for (; c < grey.width && (c + border) % 8 != 0; ++c) {
      const std::int32_t x = c + border;
      if (in[c] < threshold) out[x >> 3] |= static_cast<std::uint8_t>(0x80u >> (x & 7));
    }
    for (; c + 8 <= grey.width; c += 8) {
      const std::uint8_t* p = in + c;
      unsigned byte = 0;
      for (int k = 0; k < 8; ++k) byte = byte << 1 | (p[k] < threshold ? 1u : 0u);
      out[(c + border) >> 3] = static_cast<std::uint8_t>(byte);
    }
    for (; c < grey.width; ++c) {
      const std::int32_t x = c + border;
      if (in[c] < threshold) out[x >> 3] |= static_cast<std::uint8_t>(0x80u >> (x & 7));
    }
  }
  return bits;
}

}  // namespace pdf417
