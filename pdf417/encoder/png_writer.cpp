// Writes one-bit PNG pictures with a deflate stream made for symbols.
//
// A symbol's picture is mostly pixel lines that repeat the line above (every line of a symbol
// row, or of a module column once turned) and runs of one byte (quiet zones, wide bars). A
// general compressor still hashes and compares every byte of such a picture, and for a small
// symbol that costs more than making the symbol. Here each line is first compared with the line
// above: repeated lines become one copy of the line before them, and the other lines become
// literals, copies of the line above where they match it, and runs. One deflate block with
// Huffman codes fitted to those tokens follows. The stream's Adler-32 is summed line by line here
// (a run of repeated lines at once); zlib supplies the chunks' CRC-32.
#include "pdf417/encoder/png_writer.h"

#include <zlib.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "pdf417/encoder/symbol.h"

namespace pdf417 {
namespace {

constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 258;
constexpr int kMaxDistance = 32768;
// Copies shorter than this cost about as many bits as their literals.
constexpr int kWorthwhileMatch = 4;
constexpr int kEndOfBlock = 256;
constexpr int kLitLenCodes = 286;
constexpr int kDistanceCodes = 30;
constexpr int kCodeLengthCodes = 19;

// Length codes 257 to 285: the first length of each, and its extra bits.
constexpr std::array<std::uint16_t, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                       15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                       67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
// Distance codes 0 to 29.
constexpr std::array<std::uint16_t, 30> kDistanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<std::uint8_t, 30> kDistanceExtra = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                         4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                         9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which the lengths of the code length code are sent.
constexpr std::array<std::uint8_t, kCodeLengthCodes> kCodeLengthOrder = {
    16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

constexpr std::array<std::uint8_t, kMaxMatch + 1> MakeLengthCodes() {
  std::array<std::uint8_t, kMaxMatch + 1> codes{};
  int code = 0;
  for (int length = kMinMatch; length <= kMaxMatch; ++length) {
    while (code < 28 && kLengthBase[code + 1] <= length) ++code;
    codes[length] = static_cast<std::uint8_t>(code);
  }
  return codes;
}
constexpr std::array<std::uint8_t, kMaxMatch + 1> kLengthCode = MakeLengthCodes();

// kReversed[b] is b with its eight bits in the opposite order.
constexpr std::array<std::uint8_t, 256> MakeReversed() {
  std::array<std::uint8_t, 256> table{};
  for (int b = 0; b < 256; ++b) {
    int r = 0;
    for (int k = 0; k < 8; ++k) r |= ((b >> k) & 1) << (7 - k);
    table[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(r);
  }
  return table;
}
constexpr std::array<std::uint8_t, 256> kReversed = MakeReversed();

int DistanceCode(int distance) {
  const unsigned x = static_cast<unsigned>(distance - 1);
  if (x < 4) return static_cast<int>(x);
#if defined(__GNUC__)
  const int bits = 31 - __builtin_clz(x);  // floor(log2 x)
#else
  int bits = 0;
  while ((x >> (bits + 1)) != 0) ++bits;
#endif
  return 2 * bits + static_cast<int>((x >> (bits - 1)) & 1);
}

// A token is a literal byte (value < 256, distance 0), or a copy of `length` bytes from
// `distance` bytes back: length | distance << 16.
using Token = std::uint32_t;
constexpr int TokenDistance(Token t) { return static_cast<int>(t >> 16); }
constexpr int TokenValue(Token t) { return static_cast<int>(t & 0xffff); }

class Tokens {
 public:
  explicit Tokens(std::size_t expected) { list_.reserve(expected); }

  void Literals(const std::uint8_t* bytes, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) {
      list_.push_back(bytes[k]);
      ++litLen_[bytes[k]];
    }
  }
  // length >= kMinMatch, in pieces of at most kMaxMatch that are none shorter than kMinMatch.
  void Copy(std::size_t length, int distance) {
    const int dc = DistanceCode(distance);
    while (length > 0) {
      std::size_t take = std::min<std::size_t>(length, kMaxMatch);
      if (length > take && length - take < kMinMatch) take = length - kMinMatch;
      list_.push_back(static_cast<Token>(take) | static_cast<Token>(distance) << 16);
      ++litLen_[257 + kLengthCode[take]];
      ++distance_[dc];
      length -= take;
    }
  }
  void End() { ++litLen_[kEndOfBlock]; }

  const std::vector<Token>& List() const { return list_; }
  std::array<std::uint32_t, kLitLenCodes>& LitLenFrequencies() { return litLen_; }
  std::array<std::uint32_t, kDistanceCodes>& DistanceFrequencies() { return distance_; }

 private:
  std::vector<Token> list_;
  std::array<std::uint32_t, kLitLenCodes> litLen_{};
  std::array<std::uint32_t, kDistanceCodes> distance_{};
};

// Writes bits, the first bit in the lowest bit of each byte, into a buffer of the caller's bound
// (not cleared first) and appends them to a byte vector at the end. Each Put stores eight bytes
// and moves on by the whole ones, without a branch.
class BitWriter {
 public:
  explicit BitWriter(std::size_t bound)
      : buffer_(new std::uint8_t[bound + 8]), next_(buffer_.get()) {}
  void Put(std::uint32_t bits, int count) {  // count <= 32
    acc_ |= static_cast<std::uint64_t>(bits) << count_;
    count_ += count;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::memcpy(next_, &acc_, 8);
#else
    for (int k = 0; k < 8; ++k) next_[k] = static_cast<std::uint8_t>(acc_ >> (8 * k));
#endif
    next_ += count_ >> 3;
    acc_ >>= count_ & ~7;
    count_ &= 7;
  }
  void AppendTo(std::vector<std::uint8_t>& out) {
    if (count_ > 0) *next_++ = static_cast<std::uint8_t>(acc_);
    out.insert(out.end(), buffer_.get(), next_);
  }

 private:
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::uint8_t* next_;
  std::uint64_t acc_ = 0;
  int count_ = 0;
};

// Lengths of a prefix code limited to maxBits for the m used symbols (frequency not 0) of
// n <= kLitLenCodes, as PrefixCodeLengths describes, without allocating.
void FitLengths(const std::uint32_t* frequencies, const std::uint16_t* used, int m, int n,
                int maxBits, std::uint8_t* lengths) {
  std::fill(lengths, lengths + n, 0);
  if (m == 0) return;
  if (m == 1) {
    lengths[used[0]] = 1;
    return;
  }
  // The used symbols sorted by weight (then symbol): weight << 9 | symbol.
  std::array<std::uint64_t, kLitLenCodes> leaf;
  for (int k = 0; k < m; ++k)
    leaf[k] = static_cast<std::uint64_t>(frequencies[used[k]]) << 9 | used[k];
  std::sort(leaf.begin(), leaf.begin() + m);
  // Written before they are read; left uninitialised, as they are filled on every call.
  std::array<std::uint64_t, 2 * kLitLenCodes> w;
  std::array<int, 2 * kLitLenCodes> parent;
  std::array<int, 2 * kLitLenCodes> depth;
  for (int shift = 0;; ++shift) {
    // Huffman's construction with two queues: the leaves by weight, and the merged nodes, which
    // are made in order of weight. Each round that gives too deep a tree halves the weights
    // (rounding up): flatter weights give a shallower tree, and all equal it is ceil(log2 m) deep.
    for (int k = 0; k < m; ++k) {
      const std::uint64_t weight = leaf[k] >> 9;
      w[k] = (weight + (std::uint64_t{1} << shift) - 1) >> shift;
    }
    int next = m;
    int leafAt = 0;
    int mergedAt = m;
    const auto lightest = [&]() {
      if (leafAt < m && (mergedAt >= next || w[leafAt] <= w[mergedAt])) return leafAt++;
      return mergedAt++;
    };
    for (; next < 2 * m - 1; ++next) {
      const int a = lightest();
      const int b = lightest();
      w[next] = w[a] + w[b];
      parent[a] = next;
      parent[b] = next;
    }
    depth[2 * m - 2] = 0;
    int deepest = 0;
    for (int k = 2 * m - 3; k >= 0; --k) {
      depth[k] = depth[parent[k]] + 1;
      deepest = std::max(deepest, depth[k]);
    }
    if (deepest <= maxBits) {
      for (int k = 0; k < m; ++k) lengths[leaf[k] & 511] = static_cast<std::uint8_t>(depth[k]);
      return;
    }
  }
}

// A prefix code as deflate sends it: each code's bits reversed, so that they go out first bit
// first through BitWriter.
struct Code {
  std::array<std::uint8_t, kLitLenCodes> lengths;  // all set by FitCode
  std::array<std::uint16_t, kLitLenCodes> bits;    // set for the used symbols, the only ones read
};

// The used symbols in ascending order; returns how many. Inflaters accept a code of one symbol
// only in some places, so fewer than two are made two by giving unused symbols frequency 1: two
// used symbols always make a complete code.
int UsedSymbols(std::uint32_t* frequencies, int n, std::uint16_t* used) {
  int m = 0;
  for (int s = 0; s < n; ++s) {
    used[m] = static_cast<std::uint16_t>(s);
    m += frequencies[s] != 0 ? 1 : 0;
  }
  if (m >= 2) return m;
  for (int s = 0; m < 2 && s < n; ++s) {
    if (frequencies[s] == 0) {
      frequencies[s] = 1;
      ++m;
    }
  }
  return UsedSymbols(frequencies, n, used);
}

// The canonical code for the frequencies, no code longer than maxBits.
void FitCode(std::uint32_t* frequencies, int n, int maxBits, Code& code) {
  std::array<std::uint16_t, kLitLenCodes> used;
  const int m = UsedSymbols(frequencies, n, used.data());
  FitLengths(frequencies, used.data(), m, n, maxBits, code.lengths.data());
  std::array<int, 16> count{};
  for (int k = 0; k < m; ++k) ++count[code.lengths[used[k]]];
  std::array<int, 16> next{};
  int first = 0;
  for (int bits = 1; bits < 16; ++bits) {
    first = (first + count[bits - 1]) << 1;
    next[bits] = first;
  }
  for (int k = 0; k < m; ++k) {
    const int s = used[k];
    const int l = code.lengths[s];
    const int value = next[l]++;
    code.bits[s] = static_cast<std::uint16_t>(
        (kReversed[value & 0xff] << 8 | kReversed[value >> 8]) >> (16 - l));
  }
}

// The literal/length and distance code lengths, run-length coded with the code length alphabet:
// 16 repeats the previous length 3 to 6 times, 17 and 18 give 3 to 10 and 11 to 138 zeros.
struct LengthSymbol {
  std::uint8_t symbol;
  std::uint8_t extra;
};
struct LengthRuns {
  std::array<LengthSymbol, kLitLenCodes + kDistanceCodes> symbols;
  int count = 0;
  void Add(std::uint8_t symbol, std::size_t extra) {
    symbols[count++] = {symbol, static_cast<std::uint8_t>(extra)};
  }
};
void RunLengths(const std::uint8_t* lengths, int n, LengthRuns& out) {
  const auto size = static_cast<std::size_t>(n);
  std::size_t i = 0;
  while (i < size) {
    const std::uint8_t v = lengths[i];
    std::size_t run = 1;
    while (i + run < size && lengths[i + run] == v) ++run;
    i += run;
    if (v == 0) {
      for (; run >= 11; run -= std::min<std::size_t>(run, 138))
        out.Add(18, std::min<std::size_t>(run, 138) - 11);
      if (run >= 3) {
        out.Add(17, run - 3);
        run = 0;
      }
    } else {
      out.Add(v, 0);
      --run;
      for (; run >= 3; run -= std::min<std::size_t>(run, 6))
        out.Add(16, std::min<std::size_t>(run, 6) - 3);
    }
    for (; run > 0; --run) out.Add(v, 0);
  }
}

// The deflate block: a header with the codes, the tokens, the end of the block.
void WriteBlock(Tokens& tokens, std::vector<std::uint8_t>& out) {
  tokens.End();
  Code litLen;
  FitCode(tokens.LitLenFrequencies().data(), kLitLenCodes, 15, litLen);
  Code distance;
  FitCode(tokens.DistanceFrequencies().data(), kDistanceCodes, 15, distance);
  int hlit = kLitLenCodes;
  while (hlit > 257 && litLen.lengths[hlit - 1] == 0) --hlit;
  int hdist = kDistanceCodes;
  while (hdist > 1 && distance.lengths[hdist - 1] == 0) --hdist;
  std::array<std::uint8_t, kLitLenCodes + kDistanceCodes> all{};
  std::copy(litLen.lengths.begin(), litLen.lengths.begin() + hlit, all.begin());
  std::copy(distance.lengths.begin(), distance.lengths.begin() + hdist, all.begin() + hlit);
  LengthRuns runs;
  RunLengths(all.data(), hlit + hdist, runs);
  std::array<std::uint32_t, kCodeLengthCodes> clFrequencies{};
  for (int k = 0; k < runs.count; ++k) ++clFrequencies[runs.symbols[k].symbol];
  Code cl;
  FitCode(clFrequencies.data(), kCodeLengthCodes, 7, cl);
  int hclen = kCodeLengthCodes;
  while (hclen > 4 && cl.lengths[kCodeLengthOrder[hclen - 1]] == 0) --hclen;

  // At most 48 bits a token, 14 a code length, and the header's 17 + 19 x 3 bits.
  BitWriter bits(tokens.List().size() * 6 + static_cast<std::size_t>(runs.count) * 2 + 16);

  bits.Put(1, 1);  // the last block
  bits.Put(2, 2);  // dynamic Huffman codes
  bits.Put(static_cast<std::uint32_t>(hlit - 257), 5);
  bits.Put(static_cast<std::uint32_t>(hdist - 1), 5);
  bits.Put(static_cast<std::uint32_t>(hclen - 4), 4);
  for (int k = 0; k < hclen; ++k) bits.Put(cl.lengths[kCodeLengthOrder[k]], 3);
  for (int k = 0; k < runs.count; ++k) {
    const LengthSymbol& r = runs.symbols[k];
    bits.Put(cl.bits[r.symbol], cl.lengths[r.symbol]);
    if (r.symbol == 16) bits.Put(r.extra, 2);
    if (r.symbol == 17) bits.Put(r.extra, 3);
    if (r.symbol == 18) bits.Put(r.extra, 7);
  }
  for (const Token t : tokens.List()) {
    const int value = TokenValue(t);
    const int dist = TokenDistance(t);
    if (dist == 0) {
      bits.Put(litLen.bits[value], litLen.lengths[value]);
      continue;
    }
    const int lc = kLengthCode[value];
    bits.Put(litLen.bits[257 + lc] | static_cast<std::uint32_t>(value - kLengthBase[lc])
                                         << litLen.lengths[257 + lc],
             litLen.lengths[257 + lc] + kLengthExtra[lc]);
    const int dc = DistanceCode(dist);
    bits.Put(distance.bits[dc] | static_cast<std::uint32_t>(dist - kDistanceBase[dc])
                                     << distance.lengths[dc],
             distance.lengths[dc] + kDistanceExtra[dc]);
  }
  bits.Put(litLen.bits[kEndOfBlock], litLen.lengths[kEndOfBlock]);
  bits.AppendTo(out);
}

// Adler-32 is a low sum (1 + the bytes) and a high sum (the low sums after each byte), both
// modulo 65521. A line of `length` bytes adds its byte sum S to the low sum, and length times the
// low sum before it plus its weighted sum W (each byte times the number of bytes from it to the
// end, itself included) to the high sum.
struct LineSums {
  std::uint64_t bytes = 0;     // S
  std::uint64_t weighted = 0;  // W
};
LineSums SumsOf(const std::uint8_t* line, std::size_t length) {
  LineSums sums;
  constexpr std::uint64_t kBase = 65521;
  std::uint64_t running = 0;
  // In pieces of 64 KiB, after each of which both are reduced, far from overflowing.
  for (std::size_t start = 0; start < length; start += 65536) {
    const std::size_t end = std::min(length, start + 65536);
    for (std::size_t i = start; i < end; ++i) {
      running += line[i];
      sums.weighted += running;  // byte i is counted once for each prefix that holds it
    }
    running %= kBase;
    sums.weighted %= kBase;
  }
  sums.bytes = running;
  return sums;
}

// The checksum after `count` copies of a line: count S on the low sum, and count length a +
// length S count (count - 1) / 2 + count W on the high sum, a being the low sum before them.
std::uint32_t AppendCopies(std::uint32_t adler, const LineSums& line, std::uint64_t length,
                           std::uint64_t count) {
  constexpr std::uint64_t kBase = 65521;
  const std::uint64_t a = adler & 0xffff;
  const std::uint64_t b = adler >> 16;
  const std::uint64_t sum = line.bytes % kBase;
  const std::uint64_t weighted = line.weighted % kBase;
  const std::uint64_t n = count % kBase;
  const std::uint64_t pairs = (count % 2 == 0 ? (count / 2) % kBase * ((count - 1) % kBase)
                                              : count % kBase * ((count - 1) / 2 % kBase)) %
                              kBase;
  const std::uint64_t len = length % kBase;
  const std::uint64_t newA = (a + n * sum) % kBase;
  const std::uint64_t newB =
      (b + n * len % kBase * a + len * sum % kBase * pairs + n * weighted) % kBase;
  return static_cast<std::uint32_t>(newB << 16 | newA);
}

// Bit i of `words` (64 a word, the lowest first) is set when a[i] == b[i], for i < n; the bits
// from n on are clear. With SSE2 both arrays are read in whole blocks of sixteen bytes, so they
// must be readable that far past n.
void EqualBits(const std::uint8_t* a, const std::uint8_t* b, std::size_t n,
               std::vector<std::uint64_t>& words) {
  for (std::size_t w = 0; w < words.size(); ++w) {
    std::uint64_t word = 0;
    const std::size_t first = 64 * w;
#if defined(__SSE2__)
    for (std::size_t i = first; i < n && i < first + 64; i += 16) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
      const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
      word |= static_cast<std::uint64_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y))) << (i - first);
    }
#else
    for (std::size_t i = first; i < n && i < first + 64; ++i) {
      if (a[i] == b[i]) word |= std::uint64_t{1} << (i - first);
    }
#endif
    if (n < first + 64) word &= n <= first ? 0 : (std::uint64_t{1} << (n - first)) - 1;
    words[w] = word;
  }
}

// Word w of bits shifted down by k (1 to 63), the next word's low bits coming in on top.
std::uint64_t ShiftedDown(const std::vector<std::uint64_t>& bits, std::size_t w, int k) {
  const std::uint64_t next = w + 1 < bits.size() ? bits[w + 1] : 0;
  return bits[w] >> k | next << (64 - k);
}

// Bits set where kWorthwhileMatch set bits in a row begin, in word w.
std::uint64_t RunStarts(const std::vector<std::uint64_t>& bits, std::size_t w) {
  std::uint64_t all = bits[w];
  for (int k = 1; k < kWorthwhileMatch; ++k) all &= ShiftedDown(bits, w, k);
  return all;
}

int LowestBit(std::uint64_t x) {  // x != 0
#if defined(__GNUC__)
  return __builtin_ctzll(x);
#else
  int k = 0;
  for (; (x & 0xff) == 0; x >>= 8) k += 8;
  for (; (x & 1) == 0; x >>= 1) ++k;
  return k;
#endif
}

// The first set bit at or after i, or n.
std::size_t NextSet(const std::vector<std::uint64_t>& bits, std::size_t i, std::size_t n) {
  for (std::size_t w = i / 64; w < bits.size(); ++w) {
    const std::uint64_t x = w == i / 64 ? bits[w] >> (i % 64) << (i % 64) : bits[w];
    if (x != 0) return std::min(n, w * 64 + static_cast<std::size_t>(LowestBit(x)));
  }
  return n;
}

// The number of set bits in a row from bit i.
std::size_t RunFrom(const std::vector<std::uint64_t>& bits, std::size_t i) {
  std::size_t k = i;
  for (std::size_t w = i / 64; w < bits.size(); ++w) {
    const std::uint64_t clear = ~bits[w] >> (k % 64);
    if (clear != 0) return k + static_cast<std::size_t>(LowestBit(clear)) - i;
    k = (w + 1) * 64;
  }
  return k - i;
}

// PNG's lines, each a filter byte (0, none) and the packed pixels, as tokens; returns the
// Adler-32 checksum of those bytes. A line that differs from the one above is compared with it
// and with itself one byte on, sixteen bytes at a time: where four or more bytes in a row match
// the line above or the byte before, they become one copy; the rest are literals.
std::uint32_t Tokenise(const std::uint8_t* packed, std::size_t stride, int height, Tokens& tokens) {
  const std::size_t length = stride + 1;  // one line with its filter byte
  const bool copyLines = length <= static_cast<std::size_t>(kMaxDistance);
  // Sixteen bytes past the line for EqualBits' blocks.
  std::vector<std::uint8_t> line(length + 16, 0);
  std::vector<std::uint8_t> above(length + 16, 0);
  const std::size_t words = (length + 63) / 64;
  std::vector<std::uint64_t> up(words);    // equal to the byte above
  std::vector<std::uint64_t> same(words);  // equal to the byte before
  std::vector<std::uint64_t> starts(words);
  std::uint32_t adler = 1;
  for (int y = 0; y < height;) {
    const std::uint8_t* row = packed + stride * static_cast<std::size_t>(y);
    std::memcpy(line.data() + 1, row, stride);
    const bool haveAbove = y > 0 && copyLines;
    if (haveAbove) {
      EqualBits(line.data(), above.data(), length, up);
    } else {
      for (std::uint64_t& word : up) word = 0;
    }
    // Bit i + 1 of `same` compares byte i + 1 with byte i.
    EqualBits(line.data() + 1, line.data(), length - 1, same);
    for (std::size_t w = words; w-- > 0;) same[w] = same[w] << 1 | (w > 0 ? same[w - 1] >> 63 : 0);
    for (std::size_t w = 0; w < words; ++w) starts[w] = RunStarts(up, w) | RunStarts(same, w);
    std::size_t i = 0;
    while (i < length) {
      const std::size_t next = NextSet(starts, i, length);
      tokens.Literals(line.data() + i, next - i);
      if (next >= length) break;
      const std::size_t byUp = RunFrom(up, next);
      const std::size_t byRun = RunFrom(same, next);
      tokens.Copy(std::max(byUp, byRun), byUp >= byRun ? static_cast<int>(length) : 1);
      i = next + std::max(byUp, byRun);
    }
    // The lines below that repeat it: one copy of the line before, however many there are.
    std::size_t repeats = 0;
    while (copyLines && y + 1 + static_cast<int>(repeats) < height &&
           std::memcmp(row + stride * (repeats + 1), row, stride) == 0) {
      ++repeats;
    }
    if (length * repeats < static_cast<std::size_t>(kMinMatch)) repeats = 0;
    if (repeats > 0) tokens.Copy(length * repeats, static_cast<int>(length));
    adler = AppendCopies(adler, SumsOf(line.data(), length), length, 1 + repeats);
    y += 1 + static_cast<int>(repeats);
    line.swap(above);
  }
  return adler;
}

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v >> 24));
  out.push_back(static_cast<std::uint8_t>(v >> 16));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}

// Starts a chunk: its length is filled in by EndChunk. Returns where the chunk begins.
std::size_t BeginChunk(std::vector<std::uint8_t>& out, const char* type) {
  const std::size_t start = out.size();
  PutBigEndian(out, 0);
  out.insert(out.end(), type, type + 4);
  return start;
}

void EndChunk(std::vector<std::uint8_t>& out, std::size_t start) {
  const std::size_t dataLength = out.size() - start - 8;
  for (int k = 0; k < 4; ++k)
    out[start + static_cast<std::size_t>(k)] =
        static_cast<std::uint8_t>(dataLength >> (24 - 8 * k));
  const uLong crc =
      crc32(crc32(0L, Z_NULL, 0), out.data() + start + 4, static_cast<uInt>(dataLength + 4));
  PutBigEndian(out, static_cast<std::uint32_t>(crc));
}

}  // namespace

// With SSE2, sixteen pixels at a time: the comparison's byte mask has the first pixel in its
// lowest bit, so each of its bytes is reversed.
void PackBits(const std::uint8_t* line, int width, std::uint8_t* packed) {
  int x = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; x + 16 <= width; x += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + x));
    const unsigned mask = ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)));
    packed[x / 8] = kReversed[mask & 0xff];
    packed[x / 8 + 1] = kReversed[(mask >> 8) & 0xff];
  }
#endif
  for (; x + 8 <= width; x += 8) {
    std::uint8_t byte = 0;
    for (int k = 0; k < 8; ++k) byte |= static_cast<std::uint8_t>((line[x + k] != 0) << (7 - k));
    packed[x / 8] = byte;
  }
  if (x < width) {
    std::uint8_t last = 0;
    for (int k = 0; x + k < width; ++k)
      last |= static_cast<std::uint8_t>((line[x + k] != 0) << (7 - k));
    packed[x / 8] = last;
  }
}

std::vector<std::uint8_t> PrefixCodeLengths(const std::vector<std::uint32_t>& frequencies,
                                            int maxBits) {
  std::size_t used = 0;
  for (const std::uint32_t f : frequencies) used += f != 0 ? 1 : 0;
  if (frequencies.size() > static_cast<std::size_t>(kLitLenCodes) || maxBits < 1 || maxBits > 15 ||
      used > (std::size_t{1} << maxBits)) {
    throw std::invalid_argument("no prefix code of that many symbols fits in that many bits");
  }
  std::vector<std::uint16_t> symbols;
  for (std::size_t s = 0; s < frequencies.size(); ++s) {
    if (frequencies[s] != 0) symbols.push_back(static_cast<std::uint16_t>(s));
  }
  std::vector<std::uint8_t> lengths(frequencies.size(), 0);
  FitLengths(frequencies.data(), symbols.data(), static_cast<int>(symbols.size()),
             static_cast<int>(frequencies.size()), maxBits, lengths.data());
  return lengths;
}

std::vector<std::uint8_t> BilevelPng(const std::uint8_t* packed, int width, int height,
                                     const Colour& background, const Colour& foreground) {
  const std::size_t stride = (static_cast<std::size_t>(width) + 7) / 8;
  Tokens tokens(stride * 16 + 64);
  const std::uint32_t adler = Tokenise(packed, stride, height, tokens);

  std::vector<std::uint8_t> out;
  out.reserve(128 + tokens.List().size());  // most tokens take under a byte
  static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  out.insert(out.end(), kSignature, kSignature + 8);

  std::size_t chunk = BeginChunk(out, "IHDR");
  PutBigEndian(out, static_cast<std::uint32_t>(width));
  PutBigEndian(out, static_cast<std::uint32_t>(height));
  // One bit a pixel, indexed colour, deflate, adaptive filtering, not interlaced.
  out.insert(out.end(), {1, 3, 0, 0, 0});
  EndChunk(out, chunk);

  chunk = BeginChunk(out, "PLTE");
  out.insert(out.end(), {background.red, background.green, background.blue, foreground.red,
                         foreground.green, foreground.blue});
  EndChunk(out, chunk);

  chunk = BeginChunk(out, "IDAT");
  out.push_back(0x78);  // deflate with a 32 KiB window
  out.push_back(0x01);  // no dictionary, the fastest level; a multiple of 31 with the byte before
  WriteBlock(tokens, out);
  PutBigEndian(out, adler);
  EndChunk(out, chunk);

  chunk = BeginChunk(out, "IEND");
  EndChunk(out, chunk);
  return out;
}

}  // namespace pdf417
