#include "pdf417/decoder/binarize/picture.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pdf417 {

namespace {

// Each byte with its bits in reverse order.
struct Reversed {
  std::uint8_t bytes[256];
  constexpr Reversed() : bytes() {
    for (int b = 0; b < 256; ++b) {
      int r = 0;
      for (int k = 0; k < 8; ++k) r |= ((b >> k) & 1) << (7 - k);
      bytes[b] = static_cast<std::uint8_t>(r);
    }
  }
};
constexpr Reversed kReversed;

}  // namespace

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
#if defined(__SSE2__)
    // Sixteen pixels at a time: compared as signed bytes after flipping their top bit, which
    // orders them as unsigned; the comparison's mask has pixel k in bit k, the matrix wants the
    // first pixel in the top bit of its byte.
    const __m128i flip = _mm_set1_epi8(static_cast<char>(0x80));
    const __m128i limit = _mm_set1_epi8(static_cast<char>(threshold ^ 0x80));
    for (; c + 16 <= grey.width; c += 16) {
      const __m128i v =
          _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + c)), flip);
      const auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(v, limit)));
      out[(c + border) >> 3] = kReversed.bytes[mask & 0xFF];
      out[((c + border) >> 3) + 1] = kReversed.bytes[mask >> 8];
    }
#endif
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
