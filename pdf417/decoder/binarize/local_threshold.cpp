#include "pdf417/decoder/binarize/local_threshold.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pdf417 {

namespace {

#if defined(__SSE2__)
// Each byte with its bits in reverse order: the compare gives pixel i in bit i, the matrix keeps
// a byte's first pixel in its top bit.
constexpr std::array<std::uint8_t, 256> ReversedBytes() {
  std::array<std::uint8_t, 256> table{};
  for (int b = 0; b < 256; ++b) {
    int r = 0;
    for (int i = 0; i < 8; ++i) r |= ((b >> i) & 1) << (7 - i);
    table[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(r);
  }
  return table;
}
constexpr std::array<std::uint8_t, 256> kReversedBytes = ReversedBytes();

// The sum of the four 32-bit lanes.
int LaneSum(__m128i v) {
  v = _mm_add_epi32(v, _mm_srli_si128(v, 8));
  v = _mm_add_epi32(v, _mm_srli_si128(v, 4));
  return _mm_cvtsi128_si32(v);
}
#endif

// The set bits of a word, by adding neighbouring bit fields (no call into the runtime where the
// processor's population count is not assumed).
std::uint64_t BitCount(std::uint64_t x) {
  x = x - ((x >> 1) & 0x5555555555555555ULL);
  x = (x & 0x3333333333333333ULL) + ((x >> 2) & 0x3333333333333333ULL);
  x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
  return (x * 0x0101010101010101ULL) >> 56;
}

}  // namespace

BitMatrix BinariseLocal(const GreyView& grey, int radius, int border) {
  const int w = grey.width;
  const int h = grey.height;
  if (w <= 0 || h <= 0) return BitMatrix();
  BitMatrix bits(w + 2 * border, h + 2 * border);
  const int bw = (w + kLocalBlock - 1) / kLocalBlock;
  const int bh = (h + kLocalBlock - 1) / kLocalBlock;
  if (radius <= 0) radius = std::clamp(std::min(w, h) / (25 * kLocalBlock), 2, 8);
  // Sums of the grey levels, their squares and the pixel count per block, as running sums over
  // the block grid (row by) row: entry (i + 1, j + 1) holds blocks (0..i, 0..j).
  const std::size_t stride = static_cast<std::size_t>(bw) + 1;
  std::vector<std::uint64_t> sum(stride * static_cast<std::size_t>(bh + 1), 0);
  std::vector<std::uint64_t> sq(sum.size(), 0);
  for (int by = 0; by < bh; ++by) {
    std::vector<std::uint64_t> rowSum(static_cast<std::size_t>(bw), 0);
    std::vector<std::uint64_t> rowSq(static_cast<std::size_t>(bw), 0);
    for (int y = by * kLocalBlock; y < std::min(h, (by + 1) * kLocalBlock); ++y) {
      const std::uint8_t* row = grey.Row(y);
      int bx = 0;
#if defined(__SSE2__)
      // Two whole blocks a step: the sums of each block's eight levels, and of their squares
      // (pairs of 16-bit products added into 32-bit lanes).
      const __m128i zero = _mm_setzero_si128();
      for (; (bx + 2) * kLocalBlock <= w; bx += 2) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + bx * kLocalBlock));
        const __m128i sums = _mm_sad_epu8(p, zero);
        const __m128i lo = _mm_unpacklo_epi8(p, zero);
        const __m128i hi = _mm_unpackhi_epi8(p, zero);
        rowSum[static_cast<std::size_t>(bx)] += static_cast<std::uint32_t>(_mm_cvtsi128_si32(sums));
        rowSum[static_cast<std::size_t>(bx + 1)] +=
            static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
        rowSq[static_cast<std::size_t>(bx)] +=
            static_cast<std::uint32_t>(LaneSum(_mm_madd_epi16(lo, lo)));
        rowSq[static_cast<std::size_t>(bx + 1)] +=
            static_cast<std::uint32_t>(LaneSum(_mm_madd_epi16(hi, hi)));
      }
#endif
      for (; bx < bw; ++bx) {
        const int x1 = std::min(w, (bx + 1) * kLocalBlock);
        std::uint32_t s = 0;
        std::uint32_t q = 0;
        for (int x = bx * kLocalBlock; x < x1; ++x) {
          const std::uint32_t g = row[x];
          s += g;
          q += g * g;
        }
        rowSum[static_cast<std::size_t>(bx)] += s;
        rowSq[static_cast<std::size_t>(bx)] += q;
      }
    }
    for (int bx = 0; bx < bw; ++bx) {
      const std::size_t at =
          static_cast<std::size_t>(by + 1) * stride + static_cast<std::size_t>(bx + 1);
      sum[at] = rowSum[static_cast<std::size_t>(bx)] + sum[at - 1] + sum[at - stride] -
                sum[at - stride - 1];
      sq[at] =
          rowSq[static_cast<std::size_t>(bx)] + sq[at - 1] + sq[at - stride] - sq[at - stride - 1];
    }
  }
  // Each block's threshold over the blocks around it, then each pixel against its block's.
  std::vector<int> threshold(static_cast<std::size_t>(bw));
  for (int by = 0; by < bh; ++by) {
    const int y0 = std::max(0, by - radius);
    const int y1 = std::min(bh - 1, by + radius);
    const int py0 = y0 * kLocalBlock;
    const int py1 = std::min(h, (y1 + 1) * kLocalBlock);
    for (int bx = 0; bx < bw; ++bx) {
      const int x0 = std::max(0, bx - radius);
      const int x1 = std::min(bw - 1, bx + radius);
      auto box = [&](const std::vector<std::uint64_t>& t) {
        const std::size_t a = static_cast<std::size_t>(y1 + 1) * stride;
        const std::size_t b = static_cast<std::size_t>(y0) * stride;
        return t[a + static_cast<std::size_t>(x1 + 1)] - t[a + static_cast<std::size_t>(x0)] -
               t[b + static_cast<std::size_t>(x1 + 1)] + t[b + static_cast<std::size_t>(x0)];
      };
      // In whole numbers: the deviation is below 6 where n squares less the square of the sum
      // fall below 36 n^2, and a pixel is dark below the mean where it is below the mean rounded
      // up (the smallest whole level at or above it).
      const std::int64_t n = static_cast<std::int64_t>(py1 - py0) *
                             (std::min(w, (x1 + 1) * kLocalBlock) - x0 * kLocalBlock);
      const auto s = static_cast<std::int64_t>(box(sum));
      const auto q = static_cast<std::int64_t>(box(sq));
      const bool flat = q * n - s * s < 36 * n * n;
      threshold[static_cast<std::size_t>(bx)] =
          flat ? kGreyThreshold : static_cast<int>((s + n - 1) / n);
    }
    for (int y = by * kLocalBlock; y < std::min(h, (by + 1) * kLocalBlock); ++y) {
      const std::uint8_t* in = grey.Row(y);
      std::uint8_t* out = bits.Row(y + border);
      if (border % 8 == 0) {
        // A block is 8 pixels wide, so with a border of whole bytes each block's pixels make one
        // byte of the matrix under one threshold.
        static_assert(kLocalBlock == 8, "a block of pixels is a byte of the matrix");
        std::uint8_t* to = out + border / 8;
        int bx = 0;
#if defined(__SSE2__)
        // Two whole blocks a step: the levels against their blocks' thresholds (unsigned bytes
        // compared as signed ones with the top bit flipped), one bit a pixel.
        const __m128i flip = _mm_set1_epi8(static_cast<char>(0x80));
        for (; (bx + 2) * kLocalBlock <= w; bx += 2) {
          const __m128i p = _mm_xor_si128(
              _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + bx * kLocalBlock)), flip);
          const __m128i t = _mm_xor_si128(
              _mm_unpacklo_epi64(
                  _mm_set1_epi8(static_cast<char>(threshold[static_cast<std::size_t>(bx)])),
                  _mm_set1_epi8(static_cast<char>(threshold[static_cast<std::size_t>(bx + 1)]))),
              flip);
          const int mask = _mm_movemask_epi8(_mm_cmplt_epi8(p, t));
          to[bx] = kReversedBytes[static_cast<std::size_t>(mask & 0xFF)];
          to[bx + 1] = kReversedBytes[static_cast<std::size_t>((mask >> 8) & 0xFF)];
        }
#endif
        for (; bx < bw; ++bx) {
          const int t = threshold[static_cast<std::size_t>(bx)];
          const int x0 = bx * kLocalBlock;
          const int n = std::min(kLocalBlock, w - x0);
          unsigned byte = 0;
          for (int i = 0; i < n; ++i) byte |= static_cast<unsigned>(in[x0 + i] < t) << (7 - i);
          to[bx] = static_cast<std::uint8_t>(byte);
        }
      } else {
        for (int x = 0; x < w; ++x) {
          if (in[x] < threshold[static_cast<std::size_t>(x / kLocalBlock)]) {
            const int c = x + border;
            out[c >> 3] |= static_cast<std::uint8_t>(0x80u >> (c & 7));
          }
        }
      }
    }
  }
  return bits;
}

double DifferentShare(const BitMatrix& a, const BitMatrix& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.Empty()) return 1;
  std::uint64_t different = 0;
  for (std::int32_t r = 0; r < a.Height(); ++r) {
    const std::uint8_t* p = a.Row(r);
    const std::uint8_t* q = b.Row(r);
    std::size_t i = 0;
    for (; i + 8 <= a.Stride(); i += 8) {
      std::uint64_t x = 0;
      std::uint64_t y = 0;
      std::memcpy(&x, p + i, 8);
      std::memcpy(&y, q + i, 8);
      different += BitCount(x ^ y);
    }
    for (; i < a.Stride(); ++i) different += BitCount(static_cast<std::uint64_t>(p[i] ^ q[i]));
  }
  return static_cast<double>(different) / (static_cast<double>(a.Width()) * a.Height());
}

}  // namespace pdf417
