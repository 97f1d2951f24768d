#include "pdf417/decoder/binarize/runs.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace pdf417 {

void RunsOf(const std::uint8_t* samples, int count, std::vector<Run>& runs) {
  runs.clear();
  if (count <= 0) return;
  int begin = 0;
  bool dark = samples[0] != 0;
  int k = 1;
  for (;;) {
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    // The next sample of the other colour, eight samples a step: in a light run the first
    // non-zero byte of a word, in a dark run its first zero byte (the lowest address is the
    // word's low byte); the samples after the last whole word one by one.
    while (k + 8 <= count) {
      std::uint64_t word = 0;
      std::memcpy(&word, samples + k, 8);
      const std::uint64_t other =
          dark ? (word - 0x0101010101010101ULL) & ~word & 0x8080808080808080ULL : word;
      if (other != 0) {
        k += __builtin_ctzll(other) / 8;
        break;
      }
      k += 8;
    }
#endif
    while (k < count && (samples[k] != 0) == dark) ++k;
    if (k >= count) break;
    runs.push_back(Run{begin, k - begin, dark});
    begin = k;
    dark = !dark;
    ++k;
  }
  runs.push_back(Run{begin, count - begin, dark});
}

void RowRuns(const BitMatrix& bits, std::int32_t row, std::vector<Run>& runs) {
  RowRunsBetween(bits, row, 0, bits.Width(), runs);
}

void RowRunsBetween(const BitMatrix& bits, std::int32_t row, int from, int to,
                    std::vector<Run>& runs) {
  runs.clear();
  from = std::max(from, 0);
  to = std::min(to, bits.Width());
  if (from >= to || row < 0 || row >= bits.Height()) return;
  const std::uint8_t* bytes = bits.Row(row);
  const std::size_t stride = bits.Stride();
  // Sixty-four pixels a word, the leftmost in the top bit. A set bit of `change` marks a pixel
  // that differs from the one before it; changes at `from` and before it do not count.
  bool dark = ((bytes[from >> 3] >> (7 - (from & 7))) & 1) != 0;
  int begin = from;
  std::uint64_t previous = 0;
  for (std::size_t at = static_cast<std::size_t>(from / 64) * 8; at < stride; at += 8) {
    const int base = static_cast<int>(at * 8);
    if (base >= to) break;
    std::uint64_t word = 0;
    if (stride - at >= 8) {
      std::memcpy(&word, bytes + at, 8);
      word = __builtin_bswap64(word);
    } else {
      for (std::size_t i = 0; at + i < stride; ++i) {
        word |= static_cast<std::uint64_t>(bytes[at + i]) << (56 - 8 * i);
      }
    }
    std::uint64_t change = word ^ ((word >> 1) | (previous << 63));
    previous = word & 1;
    if (base <= from) {
      const int kept = 63 - (from - base);  // bits of the pixels after `from`
      change &= kept == 0 ? 0 : ~std::uint64_t{0} >> (64 - kept);
    }
    while (change != 0) {
      const int lead = __builtin_clzll(change);
      const int k = base + lead;
      if (k >= to) break;
      runs.push_back(Run{begin, k - begin, dark});
      begin = k;
      dark = !dark;
      change &= ~(std::uint64_t{1} << (63 - lead));
    }
  }
  runs.push_back(Run{begin, to - begin, dark});
}

BitMatrix DiagonalRows(const BitMatrix& bits, bool falling) {
  const int w = bits.Width();
  const int h = bits.Height();
  if (w <= 0 || h <= 0) return BitMatrix();
  // Each row shifted right, by height - 1 - y (rising) or y (falling), so that a diagonal is a
  // column; the columns then become rows.
  BitMatrix sheared(w + h - 1, h);
  const std::size_t from = bits.Stride();
  const unsigned lastMask = w % 8 == 0 ? 0xFFu : (0xFFu << (8 - w % 8)) & 0xFFu;
  for (int y = 0; y < h; ++y) {
    const int shift = falling ? y : h - 1 - y;
    const std::uint8_t* in = bits.Row(y);
    std::uint8_t* out = sheared.Row(y) + shift / 8;
    // Bytes of the sheared row from `out` on: the spill of the last source byte past them holds
    // only bits beyond the source's width, which are clear.
    const std::size_t room = sheared.Stride() - static_cast<std::size_t>(shift / 8);
    const int bit = shift % 8;
    std::size_t i = 0;
    // Eight bytes a step while a whole word and the byte its last bits spill into fit (the
    // source's last byte, whose bits past the width are masked, goes by the byte loop).
    for (; i + 8 < from && i + 9 <= room; i += 8) {
      std::uint64_t word = 0;
      std::memcpy(&word, in + i, 8);
      if (word == 0) continue;
      word = __builtin_bswap64(word);
      std::uint64_t target = 0;
      std::memcpy(&target, out + i, 8);
      target = __builtin_bswap64(__builtin_bswap64(target) | (word >> bit));
      std::memcpy(out + i, &target, 8);
      if (bit != 0) {
        out[i + 8] = static_cast<std::uint8_t>(out[i + 8] | ((word << (8 - bit)) & 0xFFu));
      }
    }
    for (; i < from; ++i) {
      const unsigned byte = i + 1 == from ? in[i] & lastMask : in[i];
      if (byte == 0) continue;
      out[i] = static_cast<std::uint8_t>(out[i] | (byte >> bit));
      if (bit != 0 && i + 1 < room) {
        out[i + 1] = static_cast<std::uint8_t>(out[i + 1] | ((byte << (8 - bit)) & 0xFFu));
      }
    }
  }
  return Transposed(sheared);
}

namespace {

// Transposes the 64 x 64 bit matrix of a[0..63], row i in a[i] and its column 0 in the top bit:
// blocks of 32, 16, ... 1 bits swapped across the diagonal (six steps of 32 swaps).
void Transpose64(std::uint64_t a[64]) {
  std::uint64_t m = 0x00000000FFFFFFFFULL;
  for (int j = 32; j != 0; j >>= 1, m ^= m << j) {
    for (int k = 0; k < 64; k = (k + j + 1) & ~j) {
      const std::uint64_t t = (a[k] ^ (a[k + j] >> j)) & m;
      a[k] ^= t;
      a[k + j] ^= t << j;
    }
  }
}

}  // namespace

BitMatrix ReversedRows(const BitMatrix& bits) {
  BitMatrix out(bits.Width(), bits.Height());
  for (std::int32_t r = 0; r < bits.Height(); ++r) {
    std::memcpy(out.Row(r), bits.Row(bits.Height() - 1 - r), bits.Stride());
  }
  return out;
}

BitMatrix Transposed(const BitMatrix& bits) {
  const int w = bits.Width();
  const int h = bits.Height();
  BitMatrix out(h, w);
  const std::size_t inStride = bits.Stride();
  const std::size_t outStride = out.Stride();
  // Blocks of 64 x 64 pixels: eight bytes of each of 64 source rows become eight bytes of each of
  // 64 rows of the result. Source rows past the height read as light, so the result's bits past
  // its width stay clear; a block all light leaves the result's zeros as they are.
  std::uint64_t block[64];
  for (int by = 0; by < h; by += 64) {
    const int rows = std::min(64, h - by);
    for (int bx = 0; bx < w; bx += 64) {
      const std::size_t from = static_cast<std::size_t>(bx / 8);
      const std::size_t bytes = std::min<std::size_t>(8, inStride - from);
      std::uint64_t any = 0;
      for (int i = 0; i < 64; ++i) {
        std::uint64_t x = 0;
        if (i < rows) {
          const std::uint8_t* p = bits.Row(by + i) + from;
          if (bytes == 8) {
            std::memcpy(&x, p, 8);
            x = __builtin_bswap64(x);
          } else {
            for (std::size_t k = 0; k < bytes; ++k) {
              x |= static_cast<std::uint64_t>(p[k]) << (56 - 8 * k);
            }
          }
        }
        block[i] = x;
        any |= x;
      }
      if (any == 0) continue;
      Transpose64(block);
      const int columns = std::min(64, w - bx);
      const std::size_t to = static_cast<std::size_t>(by / 8);
      const std::size_t outBytes = std::min<std::size_t>(8, outStride - to);
      for (int j = 0; j < columns; ++j) {
        std::uint8_t* q = out.Row(bx + j) + to;
        if (outBytes == 8) {
          const std::uint64_t y = __builtin_bswap64(block[j]);
          std::memcpy(q, &y, 8);
        } else {
          for (std::size_t k = 0; k < outBytes; ++k) {
            q[k] = static_cast<std::uint8_t>(block[j] >> (56 - 8 * k));
          }
        }
      }
    }
  }
  return out;
}

}  // namespace pdf417
