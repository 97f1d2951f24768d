// The shortest codeword sequence of some data in text, numeric and byte compaction.
//
// A dynamic programme over the positions of the data. Costs are counted in text values, half a
// codeword: so a byte group's sixth byte, which turns five single-byte codewords into a
// five-codeword group, costs nothing. At each position the encoder is in one of these states:
// text in one of four sub-modes with an even or odd number of text values so far (two values
// make a codeword); byte compaction with 0..5 bytes of an unfinished six-byte group; numeric
// compaction just latched to (its entry state); or at the end of a numeric segment (its exit
// state). Latches between modes and sub-modes are moves within a position; characters and
// bytes are moves to the next position, and a numeric segment is a move from its entry state
// at its first digit to its exit state after its last. The cheapest path to the end is the
// answer.
//
// A numeric segment's codewords depend only on its length L: 15 for each full group of 44
// digits and the length of the last group's number (kGroupLengths). So the cheapest segment
// ending at j is the least over its last group's length g (1..44) of 2 kGroupLengths[g] plus
// F(j - g), where F(m) is the cheapest way to have started a segment at m and written full
// groups up to m: the entry cost at m, or F(m - 44) + 30. The forward pass keeps the last 44 F
// within the current run of digits in a small window and takes that least over it with fixed
// weights, which the compiler vectorises; no state per digit count is needed.
//
// The forward pass keeps only costs: for every position the text states as reached, the byte
// states, the numeric entry and exit states, and F. The way back finds, for each state of the
// cheapest path, a move whose source cost plus the move's price equals the state's cost, which
// is how it was reached; it looks at only the states of the path. Within a position, the
// sub-mode latches are a table of the cheapest latch chain from each text state to each other
// (the min-plus closure of the single latches), folded into a table per class of character
// with the move that takes the character.
//
// Data that must begin with a mode latch start from three states at position 0, each at the
// price of its latch: Alpha (900), byte compaction (901 or 924) and the numeric entry (902).
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "pdf417/common/error.h"
#include "pdf417/encoder/stages.h"
#include "pdf417/encoder/symbol.h"

namespace pdf417 {
namespace {

constexpr int kTextLatch = 900;
constexpr int kByteLatch = 901;
constexpr int kNumericLatch = 902;
constexpr int kByteShift = 913;
constexpr int kByteLatchSix = 924;

enum Submode { kAlpha = 0, kLower = 1, kMixed = 2, kPunct = 3 };

constexpr int kPadValue = 29;
constexpr int kDigitsPerGroup = 44;

// States: text (sub-mode, parity) 0..7, byte phase 8..13, numeric entry 14 and exit 15.
constexpr int kTextStates = 8;
constexpr int kByteBase = 8;
constexpr int kNumberEntry = 14;
constexpr int kNumberExit = 15;
constexpr int kStates = 16;
// Per position: the text states as reached (before the position's latches), the byte states,
// the numeric entry and exit states and, in slot kOtherToAlpha, Alpha through a latch out of
// byte or numeric compaction.
constexpr int kRowSize = 17;
constexpr int kOtherToAlpha = 16;
// The numeric window: the last 44 F, padded to 48 entries.
constexpr int kWindow = 48;

constexpr int TextState(int submode, int parity) { return submode * 2 + parity; }

// Costs are small (at most about five values a byte), so 16 bits hold them; anything dearer
// than kInfinity is out of reach. Sums are formed in int and clamped back.
using Cost = std::int16_t;
constexpr Cost kInfinity = 16000;
Cost Clamp(int cost) { return static_cast<Cost>(std::min<int>(cost, kInfinity)); }

// The value of every byte in each sub-mode's table, or -1.
using TextTables = std::array<std::array<std::int8_t, 256>, 4>;
constexpr TextTables BuildTextTables() {
  TextTables t{};
  for (auto& table : t) {
    for (auto& v : table) v = -1;
  }
  for (int i = 0; i < 26; ++i) {
    t[kAlpha][static_cast<std::size_t>('A' + i)] = static_cast<std::int8_t>(i);
    t[kLower][static_cast<std::size_t>('a' + i)] = static_cast<std::int8_t>(i);
  }
  for (int i = 0; i < 10; ++i)
    t[kMixed][static_cast<std::size_t>('0' + i)] = static_cast<std::int8_t>(i);
  const char mixed[] = "&\r\t,:#-.$/+%*=^";  // values 10 .. 24
  for (int i = 0; mixed[i] != '\0'; ++i) {
    t[kMixed][static_cast<unsigned char>(mixed[i])] = static_cast<std::int8_t>(10 + i);
  }
  for (int m = kAlpha; m <= kMixed; ++m) t[static_cast<std::size_t>(m)][' '] = 26;
  const char punctuation[] = ";<>@[\\]_`~!\r\t,:\n-.$/\"|*()?{}'";  // values 0 .. 28
  for (int i = 0; punctuation[i] != '\0'; ++i) {
    t[kPunct][static_cast<unsigned char>(punctuation[i])] = static_cast<std::int8_t>(i);
  }
  return t;
}
constexpr TextTables kTextTables = BuildTextTables();

int TextValue(int submode, std::uint8_t c) {
  return kTextTables[static_cast<std::size_t>(submode)][c];
}

// Which sub-mode tables hold each byte: bit t for sub-mode t.
constexpr std::array<std::uint8_t, 256> BuildTableMasks() {
  std::array<std::uint8_t, 256> masks{};
  for (int c = 0; c < 256; ++c) {
    for (int t = 0; t < 4; ++t) {
      if (kTextTables[static_cast<std::size_t>(t)][static_cast<std::size_t>(c)] >= 0)
        masks[static_cast<std::size_t>(c)] |= static_cast<std::uint8_t>(1 << t);
    }
  }
  return masks;
}
constexpr std::array<std::uint8_t, 256> kTableMasks = BuildTableMasks();

constexpr bool IsUpper(std::uint8_t c) { return c >= 'A' && c <= 'Z'; }
bool IsDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }

// Whether sub-mode t takes a character by a one-character shift without leaving t, from the
// tables that hold it (mask) and whether it is an upper-case letter: an upper-case letter from
// Lower (value 27), a punctuation mark from Alpha, Lower or Mixed (value 29).
constexpr bool ShiftTakes(int t, int mask, bool upper) {
  return (t == kLower && upper) || (t != kPunct && (mask & 1 << kPunct) != 0);
}
bool Shiftable(int t, std::uint8_t c) { return ShiftTakes(t, kTableMasks[c], IsUpper(c)); }

// Single-value latches between sub-modes; the others are chains of these
// (Alpha to Punctuation through Mixed, Lower to Alpha through Mixed, Punctuation to Lower or
// Mixed through Alpha).
struct SubmodeLatch {
  int from;
  int to;
  int value;
};
constexpr SubmodeLatch kSubmodeLatches[] = {
    {kAlpha, kLower, 27}, {kAlpha, kMixed, 28}, {kLower, kMixed, 28}, {kMixed, kAlpha, 28},
    {kMixed, kLower, 27}, {kMixed, kPunct, 25}, {kPunct, kAlpha, 29},
};

// Costs of the eight text states, and min-plus matrices over them: entry [from][to] is the price
// of going from one state to the other, kInfinity when there is no such move.
using TextCosts = std::array<Cost, kTextStates>;
using TextMatrix = std::array<TextCosts, kTextStates>;

// Eight 16-bit costs side by side, for the eight text states and for the numeric window eight
// at a time. With SSE2 (every x86-64 processor) each operation is one instruction on one
// register; elsewhere, a short loop. No sum exceeds 2 kInfinity, so none overflows.
#if defined(__SSE2__)
class Lanes {
 public:
  static Lanes Load(const Cost* p) {
    return Lanes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
  }
  static Lanes All(Cost c) { return Lanes(_mm_set1_epi16(c)); }
  void Store(Cost* p) const { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v_); }
  friend Lanes operator+(Lanes a, Lanes b) { return Lanes(_mm_add_epi16(a.v_, b.v_)); }
  friend Lanes Min(Lanes a, Lanes b) { return Lanes(_mm_min_epi16(a.v_, b.v_)); }
  // The least of the eight: halves folded onto each other.
  Cost Least() const {
    __m128i m = _mm_min_epi16(v_, _mm_shuffle_epi32(v_, 0x4E));
    m = _mm_min_epi16(m, _mm_shuffle_epi32(m, 0xB1));
    m = _mm_min_epi16(m, _mm_shufflelo_epi16(m, 0xB1));
    return static_cast<Cost>(_mm_cvtsi128_si32(m));
  }

 private:
  explicit Lanes(__m128i v) : v_(v) {}
  __m128i v_;
};
#else
class Lanes {
 public:
  static Lanes Load(const Cost* p) {
    Lanes l;
    std::copy(p, p + 8, l.v_.begin());
    return l;
  }
  static Lanes All(Cost c) {
    Lanes l;
    l.v_.fill(c);
    return l;
  }
  void Store(Cost* p) const { std::copy(v_.begin(), v_.end(), p); }
  friend Lanes operator+(Lanes a, Lanes b) {
    for (int k = 0; k < 8; ++k) a.v_[k] = static_cast<Cost>(a.v_[k] + b.v_[k]);
    return a;
  }
  friend Lanes Min(Lanes a, Lanes b) {
    for (int k = 0; k < 8; ++k) a.v_[k] = std::min(a.v_[k], b.v_[k]);
    return a;
  }
  Cost Least() const { return *std::min_element(v_.begin(), v_.end()); }

 private:
  std::array<Cost, 8> v_;
};
#endif

// The cheapest chain of sub-mode latches from each text state to each other, in values (each
// latch is one value and flips the parity); 0 on the diagonal. Every state reaches every other.
constexpr TextMatrix BuildLatchClosure() {
  TextMatrix d{};
  for (int a = 0; a < kTextStates; ++a) {
    for (int b = 0; b < kTextStates; ++b) d[a][b] = a == b ? 0 : kInfinity;
  }
  for (const SubmodeLatch& l : kSubmodeLatches) {
    for (int p = 0; p < 2; ++p) d[TextState(l.from, p)][TextState(l.to, p ^ 1)] = 1;
  }
  for (int k = 0; k < kTextStates; ++k) {
    for (int a = 0; a < kTextStates; ++a) {
      for (int b = 0; b < kTextStates; ++b) {
        if (d[a][k] + d[k][b] < d[a][b]) d[a][b] = static_cast<Cost>(d[a][k] + d[k][b]);
      }
    }
  }
  return d;
}
constexpr TextMatrix kLatchClosure = BuildLatchClosure();
static_assert(kLatchClosure[TextState(kPunct, 0)][TextState(kLower, 0)] == 2 &&
                  kLatchClosure[TextState(kAlpha, 0)][TextState(kAlpha, 1)] == 3,
              "latch closure");

// What text does with a byte depends only on which tables hold it and whether it is an
// upper-case letter (which Lower shifts to): 32 classes, each with its matrix of moves.
constexpr int kCharClasses = 32;
int CharClass(std::uint8_t c) { return kTableMasks[c] | (IsUpper(c) ? 16 : 0); }

constexpr std::array<TextMatrix, kCharClasses> BuildTextMoves() {
  std::array<TextMatrix, kCharClasses> moves{};
  for (int k = 0; k < kCharClasses; ++k) {
    TextMatrix& m = moves[k];
    for (auto& row : m) {
      for (auto& v : row) v = kInfinity;
    }
    const auto offer = [&m](int from, int to, int price) {
      if (price < m[from][to]) m[from][to] = static_cast<Cost>(price);
    };
    const int mask = k & 15;
    const bool upper = k >= 16;
    for (int t = 0; t < 4; ++t) {
      for (int p = 0; p < 2; ++p) {
        if ((mask >> t & 1) != 0) offer(TextState(t, p), TextState(t, p ^ 1), 1);
        if (ShiftTakes(t, mask, upper)) offer(TextState(t, p), TextState(t, p), 2);
      }
    }
    // A byte shift takes any byte: 913 and the byte, after a pad when the values are odd. The
    // pad value 29 in Punctuation is its latch back to Alpha.
    for (int t = kAlpha; t <= kMixed; ++t) {
      offer(TextState(t, 0), TextState(t, 0), 4);
      offer(TextState(t, 1), TextState(t, 0), 5);
    }
    offer(TextState(kPunct, 0), TextState(kPunct, 0), 4);
    offer(TextState(kPunct, 1), TextState(kAlpha, 0), 5);
  }
  return moves;
}
constexpr std::array<TextMatrix, kCharClasses> kTextMoves = BuildTextMoves();

// The sub-mode latches of a position and then the move that takes a character, as one matrix
// per class: the min-plus product of the latch closure and the class's moves.
constexpr std::array<TextMatrix, kCharClasses> BuildSettleAndTake() {
  std::array<TextMatrix, kCharClasses> out{};
  for (int k = 0; k < kCharClasses; ++k) {
    for (int a = 0; a < kTextStates; ++a) {
      for (int b = 0; b < kTextStates; ++b) {
        int best = kInfinity;
        for (int via = 0; via < kTextStates; ++via) {
          best = std::min(best, kLatchClosure[a][via] + kTextMoves[k][via][b]);
        }
        out[k][a][b] = static_cast<Cost>(best);
      }
    }
  }
  return out;
}
constexpr std::array<TextMatrix, kCharClasses> kSettleAndTake = BuildSettleAndTake();

// From each text state, the cheapest latch chain and then a latch to byte or numeric
// compaction: 2 values, and a pad when the count of values is odd.
constexpr TextCosts BuildLeaveText() {
  TextCosts out{};
  for (int a = 0; a < kTextStates; ++a) {
    int best = kInfinity;
    for (int s = 0; s < kTextStates; ++s) best = std::min(best, kLatchClosure[a][s] + 2 + s % 2);
    out[a] = static_cast<Cost>(best);
  }
  return out;
}
constexpr TextCosts kLeaveText = BuildLeaveText();

// Codewords of a numeric group of d digits: the base-900 length of the number "1" followed by
// the d digits, which lies in [10^d, 2 10^d). No power of 900 below 900^16 starts with the
// digit 1, so the length does not depend on which digits they are: it is the least m with
// 900^m >= 2 10^d, that is 9^m 10^(2m) >= 2 10^d.
constexpr std::array<int, kDigitsPerGroup + 1> NumericGroupLengths() {
  std::array<int, kDigitsPerGroup + 1> lengths{};
  for (int d = 1; d <= kDigitsPerGroup; ++d) {
    int m = 1;
    for (;; ++m) {
      if (2 * m >= d && (2 * m > d || m > 0)) break;  // 9^m 10^(2m - d) >= 9 > 2
      const int gap = d - 2 * m;                      // need 9^m >= 2 10^gap
      if (gap <= 15) {
        long long nine = 1;
        for (int k = 0; k < m; ++k) nine *= 9;
        long long ten = 2;
        for (int k = 0; k < gap; ++k) ten *= 10;
        if (nine >= ten) break;
      }
    }
    lengths[static_cast<std::size_t>(d)] = m;
  }
  return lengths;
}
constexpr std::array<int, kDigitsPerGroup + 1> kGroupLengths = NumericGroupLengths();
static_assert(kGroupLengths[1] == 1 && kGroupLengths[2] == 1 && kGroupLengths[3] == 2 &&
                  kGroupLengths[44] == 15,
              "numeric group lengths");

// The price of a numeric segment's last group, by how far back in the window it starts: entry
// t of the window is the F of kDigitsPerGroup - t digits ago, whose group then holds that many
// digits. Entries past the window are out of reach.
constexpr std::array<Cost, kWindow> LastGroupPrices() {
  std::array<Cost, kWindow> prices{};
  for (int t = 0; t < kWindow; ++t) {
    prices[static_cast<std::size_t>(t)] =
        t < kDigitsPerGroup
            ? static_cast<Cost>(2 * kGroupLengths[static_cast<std::size_t>(kDigitsPerGroup - t)])
            : kInfinity;
  }
  return prices;
}
constexpr std::array<Cost, kWindow> kLastGroupPrices = LastGroupPrices();
constexpr int kFullGroupPrice = 2 * kGroupLengths[kDigitsPerGroup];

// Appends the base-900 codewords of "1" followed by 1 to 44 digits. The number is below
// 2 10^44: it is held in three limbs of 15 decimal digits, most significant first, and divided
// by 900 until nothing is left; each remainder is the next codeword from the right.
void AppendNumericGroup(const std::uint8_t* digits, std::size_t count, CodewordSequence& out) {
  constexpr std::uint64_t kLimbBase = 1000000000000000;  // 10^15
  constexpr std::size_t kLimbDigits = 15;
  std::uint64_t limbs[3] = {0, 0, 0};
  const std::size_t length = count + 1;
  for (std::size_t j = 0; j < length; ++j) {
    const std::uint64_t d = j == 0 ? 1 : static_cast<std::uint64_t>(digits[j - 1] - '0');
    std::uint64_t& limb = limbs[2 - (length - 1 - j) / kLimbDigits];
    limb = limb * 10 + d;
  }
  std::int32_t words[16];
  int n = 0;
  std::size_t top = 0;  // the first limb that is not zero
  while (top < 3) {
    std::uint64_t remainder = 0;
    for (std::size_t k = top; k < 3; ++k) {
      const std::uint64_t value = remainder * kLimbBase + limbs[k];
      limbs[k] = value / 900;
      remainder = value % 900;
    }
    words[n++] = static_cast<std::int32_t>(remainder);
    while (top < 3 && limbs[top] == 0) ++top;
  }
  while (n > 0) out.push_back(words[--n]);
}

// Builds the codewords along the chosen path. Byte and numeric segments cover consecutive
// bytes of the data, so they are kept as where they start and how long they are.
class Emitter {
 public:
  Emitter(const std::uint8_t* data, CodewordSequence& out) : data_(data), out_(out) {}

  void Value(int v) {
    if (pending_ < 0) {
      pending_ = v;
    } else {
      out_.push_back(pending_ * 30 + v);
      pending_ = -1;
    }
  }
  void ByteShift(std::uint8_t byte) {
    FlushValues();
    out_.push_back(kByteShift);
    out_.push_back(byte);
  }
  void StartText() {
    EndSegment();
    mode_ = Mode::Text;
    out_.push_back(kTextLatch);
  }
  void StartByte() {
    EndSegment();
    mode_ = Mode::Byte;
  }
  void StartNumber() {
    EndSegment();
    mode_ = Mode::Number;
  }
  // The next `count` bytes or digits of the current segment, from `position` of the data.
  void Take(std::size_t position, std::size_t count) {
    if (count_ == 0) begin_ = position;
    count_ += count;
  }
  void EndSegment() {
    switch (mode_) {
      case Mode::Text:
        FlushValues();
        break;
      case Mode::Byte:
        FlushBytes();
        break;
      case Mode::Number:
        FlushDigits();
        break;
    }
    count_ = 0;
  }

 private:
  enum class Mode { Text, Byte, Number };

  void FlushValues() {
    if (pending_ >= 0) Value(kPadValue);
  }
  void FlushBytes() {
    const std::uint8_t* bytes = data_ + begin_;
    const std::size_t n = count_;
    out_.push_back(n % 6 == 0 ? kByteLatchSix : kByteLatch);
    std::size_t i = 0;
    for (; i + 6 <= n; i += 6) {
      std::uint64_t v = 0;
      for (std::size_t j = 0; j < 6; ++j) v = (v << 8) | bytes[i + j];
      std::int32_t group[5];
      for (int j = 4; j >= 0; --j) {
        group[j] = static_cast<std::int32_t>(v % 900);
        v /= 900;
      }
      out_.insert(out_.end(), group, group + 5);
    }
    for (; i < n; ++i) out_.push_back(bytes[i]);
  }
  void FlushDigits() {
    out_.push_back(kNumericLatch);
    for (std::size_t i = 0; i < count_; i += kDigitsPerGroup) {
      const std::size_t n = std::min<std::size_t>(kDigitsPerGroup, count_ - i);
      AppendNumericGroup(data_ + begin_ + i, n, out_);
    }
  }

  const std::uint8_t* data_;
  CodewordSequence& out_;
  Mode mode_ = Mode::Text;
  int pending_ = -1;  // a text value waiting for its pair
  std::size_t begin_ = 0;
  std::size_t count_ = 0;
};

// A move of the cheapest path, found on the way back.
enum class Move : std::uint8_t {
  Value,        // a text value in place (a sub-mode latch): a
  Char,         // a character in the sub-mode's table: a
  ShiftChar,    // a shift value then a character: a, b
  ByteShift,    // (a pad when odd) 913 and the byte
  LatchText,    // (pad) 900
  LatchByte,    // (pad) into byte compaction
  LatchNumber,  // (pad) 902
  Byte,         // a byte of byte compaction
  Digits,       // a numeric segment
};
struct Step {
  explicit Step(Move m, int first = 0, int second = 0, std::uint32_t length = 0)
      : move(m),
        a(static_cast<std::uint8_t>(first)),
        b(static_cast<std::uint8_t>(second)),
        digits(length) {}
  Move move;
  std::uint8_t a;
  std::uint8_t b;
  std::uint32_t digits;  // Digits: the segment's length
};

bool TakesData(Move m) {
  return m == Move::Char || m == Move::ShiftChar || m == Move::ByteShift || m == Move::Byte ||
         m == Move::Digits;
}

// The costs of every position, from the forward pass.
class CostTable {
 public:
  explicit CostTable(std::size_t n) : rows_((n + 1) * kRowSize), groupStarts_(n + 1) {}
  Cost* Row(std::size_t position) { return rows_.data() + position * kRowSize; }
  // F at a position: the cheapest numeric segment that started there or 44, 88, ... digits
  // before and has written only full groups so far; kInfinity where no digit follows.
  Cost& GroupStart(std::size_t position) { return groupStarts_[position]; }
  // The settled cost of a state: for text, the cheapest latch chain from the stored costs of the
  // text states as the position was reached (and of Alpha through a latch out of byte or numeric
  // compaction). The way back asks for the text states of the same two positions many times:
  // the last two positions' settled text states are kept.
  int At(std::size_t position, int state) {
    const Cost* row = Row(position);
    if (state >= kTextStates) return row[state];
    Settled& slot = settled_[position % 2];
    if (slot.position != position) {
      Lanes costs =
          Min(Lanes::All(kInfinity), Lanes::All(row[kOtherToAlpha]) +
                                         Lanes::Load(kLatchClosure[TextState(kAlpha, 0)].data()));
      for (int from = 0; from < kTextStates; ++from) {
        costs = Min(costs, Lanes::All(row[from]) + Lanes::Load(kLatchClosure[from].data()));
      }
      costs.Store(slot.costs.data());
      slot.position = position;
    }
    return slot.costs[state];
  }

 private:
  struct Settled {
    std::size_t position = static_cast<std::size_t>(-1);
    TextCosts costs;
  };
  std::vector<Cost> rows_;
  std::vector<Cost> groupStarts_;
  std::array<Settled, 2> settled_;
};

// The price of the mode latch a sequence that must begin with one starts with: 900 into Alpha,
// or straight into byte or numeric compaction. kInfinity for a plain start in Alpha.
int StartLatchPrice(bool leadingLatch) { return leadingLatch ? 2 : kInfinity; }

// The forward pass: fills the table and returns the cheapest final state.
int Forward(const std::uint8_t* data, std::size_t n, CostTable& table, bool leadingLatch) {
  const int startLatch = StartLatchPrice(leadingLatch);
  TextCosts start;
  start.fill(kInfinity);
  start[TextState(kAlpha, 0)] = static_cast<Cost>(leadingLatch ? startLatch : 0);  // 900 or none
  Lanes text = Lanes::Load(start.data());  // the text states as this position is reached
  const Lanes leaveText = Lanes::Load(kLeaveText.data());
  std::array<Cost, 6> bytes;
  bytes.fill(kInfinity);
  bytes[0] = Clamp(startLatch);
  // F of the current run of digits, slot m % 44 and again m % 44 + 44, so that the window of the
  // last 44 positions before j starts at slot j % 44 and runs in order; kInfinity before the run.
  std::array<Cost, 2 * kDigitsPerGroup + kWindow - kDigitsPerGroup> window;
  bool inDigits = false;  // a numeric segment may end here: data[i - 1] is a digit

  for (std::size_t i = 0;; ++i) {
    // The cheapest numeric segment ending here.
    int numberExit = kInfinity;
    if (inDigits) {
      const Cost* last = window.data() + i % kDigitsPerGroup;
      Lanes best = Lanes::All(kInfinity);
      for (int t = 0; t < kWindow; t += 8) {
        best = Min(best, Lanes::Load(last + t) + Lanes::Load(kLastGroupPrices.data() + t));
      }
      numberExit = best.Least();
    }
    // Moves within the position. Out of byte and numeric compaction first (every byte state
    // latches out at the same price: only the cheapest matters), then sub-mode latch chains,
    // then out of text. Latching back and forth never pays, so this order settles every state.
    int cheapestByte = kInfinity;
    for (const Cost c : bytes) cheapestByte = std::min<int>(cheapestByte, c);
    // Alpha through a latch out of byte or numeric compaction; the other text states through
    // latch chains are folded into the matrices below.
    const int alpha = TextState(kAlpha, 0);
    const Cost otherToAlpha = Clamp(std::min(cheapestByte, numberExit) + 2);
    const int leave =
        std::min(otherToAlpha + kLeaveText[alpha], static_cast<int>((text + leaveText).Least()));
    bytes[0] = Clamp(std::min({static_cast<int>(bytes[0]), numberExit + 2, leave}));
    const int numberEntry = std::min({cheapestByte + 2, leave, i == 0 ? startLatch : kInfinity});

    Cost* row = table.Row(i);
    text.Store(row);
    for (int k = 0; k < 6; ++k) row[kByteBase + k] = bytes[k];  // kept in registers
    row[kNumberEntry] = Clamp(numberEntry);
    row[kNumberExit] = static_cast<Cost>(numberExit);
    row[kOtherToAlpha] = otherToAlpha;
    table.GroupStart(i) = kInfinity;
    if (i == n) break;

    // Moves that take data[i].
    const std::uint8_t c = data[i];
    const TextMatrix& moves = kSettleAndTake[CharClass(c)];
    Lanes next =
        Min(Lanes::All(kInfinity), Lanes::All(otherToAlpha) + Lanes::Load(moves[alpha].data()));
    for (int from = 0; from < kTextStates; ++from) {
      next = Min(next, Lanes::All(row[from]) + Lanes::Load(moves[from].data()));
    }
    text = next;
    const Cost sixth = bytes[5];
    for (int k = 5; k > 0; --k) bytes[k] = Clamp(bytes[k - 1] + 2);
    bytes[0] = sixth;  // the sixth byte completes a group: five codewords for six bytes
    if (IsDigit(c)) {
      if (!inDigits) window.fill(kInfinity);  // a run of digits starts
      const std::size_t slot = i % kDigitsPerGroup;
      const Cost f = Clamp(std::min(numberEntry, window[slot] + kFullGroupPrice));
      window[slot] = f;
      window[slot + kDigitsPerGroup] = f;
      table.GroupStart(i) = f;
    }
    inDigits = IsDigit(c);
  }

  // The cheapest end; an odd count of text values takes a pad.
  int best = 0;
  int bestCost = kInfinity;
  for (int s = 0; s < kStates; ++s) {
    const int cost = table.At(n, s);
    if (s == kNumberEntry || cost >= kInfinity) continue;
    const int total = cost + (s < kTextStates ? s % 2 : 0);
    if (total < bestCost) {
      bestCost = total;
      best = s;
    }
  }
  return best;
}

// The step that reached `state` (not the numeric exit) at `position` at its settled cost. Only
// called for reachable states, for which one always exists.
Step StepInto(const std::uint8_t* data, CostTable& table, std::size_t position, int state,
              int& from) {
  const int cost = table.At(position, state);
  const auto matches = [&](std::size_t at, int source, int price) {
    const int c = table.At(at, source);
    if (c >= kInfinity || c + price != cost) return false;
    from = source;
    return true;
  };
  // A move that took data[position - 1].
  if (position > 0) {
    const std::size_t before = position - 1;
    const std::uint8_t c = data[before];
    if (state < kTextStates) {
      const int t = state / 2;
      const int p = state % 2;
      const int v = TextValue(t, c);
      if (v >= 0 && matches(before, TextState(t, p ^ 1), 1)) {
        return Step(Move::Char, v);
      }
      if (Shiftable(t, c) && matches(before, state, 2)) {
        if (t == kLower && IsUpper(c)) {
          return Step(Move::ShiftChar, 27, c - 'A');
        }
        return Step(Move::ShiftChar, 29, TextValue(kPunct, c));
      }
      if (p == 0) {
        const bool shifted = matches(before, state, 4) ||
                             (t != kPunct && matches(before, TextState(t, 1), 5)) ||
                             (t == kAlpha && matches(before, TextState(kPunct, 1), 5));
        if (shifted) return Step(Move::ByteShift);
      }
    } else if (state < kNumberEntry) {
      const int phase = state - kByteBase;
      if (matches(before, kByteBase + (phase + 5) % 6, phase == 0 ? 0 : 2)) {
        return Step(Move::Byte);
      }
    }
  }
  // A move within the position. A latch out of byte compaction starts from a state that holds
  // at least one byte of its segment (as in the forward pass), never from phase 0 reached by a
  // latch at this same position.
  const auto byteLatchOut = [&] {
    for (int s = kByteBase; s < kNumberEntry; ++s) {
      const bool holdsBytes =
          s > kByteBase ||
          (position > 0 && table.At(position, kByteBase) == table.At(position - 1, kByteBase + 5));
      if (holdsBytes && matches(position, s, 2)) return true;
    }
    return false;
  };
  if (state < kTextStates) {
    const int t = state / 2;
    const int p = state % 2;
    for (const SubmodeLatch& l : kSubmodeLatches) {
      if (l.to == t && matches(position, TextState(l.from, p ^ 1), 1)) {
        return Step(Move::Value, l.value);
      }
    }
    if (state == TextState(kAlpha, 0) && (byteLatchOut() || matches(position, kNumberExit, 2))) {
      return Step(Move::LatchText);
    }
  } else if (state == kByteBase || state == kNumberEntry) {
    const Move move = state == kByteBase ? Move::LatchByte : Move::LatchNumber;
    for (int s = 0; s < kTextStates; ++s) {
      if (matches(position, s, 2 + s % 2)) return Step(move);
    }
    const bool fromOther = state == kByteBase ? matches(position, kNumberExit, 2) : byteLatchOut();
    if (fromOther) return Step(move);
  }
  throw std::logic_error("optimal compaction: no step reaches a state of the cheapest path");
}

// Where the cheapest numeric segment that ends at `end` begins: its last group starts within
// the last 44 digits at a position whose F plus the group's price is the exit cost, and F
// leads back by whole groups to the position whose entry cost it is.
std::size_t NumberSegmentStart(const std::uint8_t* data, CostTable& table, std::size_t end) {
  const int cost = table.At(end, kNumberExit);
  for (std::size_t digits = 1; digits <= kDigitsPerGroup && digits <= end; ++digits) {
    const std::size_t start = end - digits;
    if (!IsDigit(data[start])) break;
    if (table.GroupStart(start) + 2 * kGroupLengths[digits] != cost) continue;
    std::size_t m = start;
    while (table.GroupStart(m) != table.At(m, kNumberEntry)) m -= kDigitsPerGroup;
    return m;
  }
  throw std::logic_error("optimal compaction: no numeric segment ends at its exit cost");
}

// The shortest sequence, from Alpha or (leadingLatch) from a first mode latch.
CodewordSequence Compact(const std::uint8_t* data, std::size_t length, bool leadingLatch) {
  if (length > 0 && data == nullptr) throw Error(ErrorCode::InvalidArgument, "no data given");
  const std::size_t n = length;
  CostTable table(n);
  int state = Forward(data, n, table, leadingLatch);
  const int bestCost = table.At(n, state) + (state < kTextStates ? state % 2 : 0);

  // Walk back from the cheapest end to the start: Alpha, even, before the first byte; with a
  // leading latch also byte compaction (phase 0) or the numeric entry there, each of which
  // costs only its latch at position 0 and so cannot have been reached otherwise.
  const auto isStart = [leadingLatch](std::size_t at, int s) {
    return at == 0 &&
           (s == TextState(kAlpha, 0) || (leadingLatch && (s == kByteBase || s == kNumberEntry)));
  };
  std::vector<Step> path;
  path.reserve(n + n / 4 + 8);
  std::size_t position = n;
  while (!isStart(position, state)) {
    if (state == kNumberExit) {
      const std::size_t start = NumberSegmentStart(data, table, position);
      path.push_back(Step(Move::Digits, 0, 0, static_cast<std::uint32_t>(position - start)));
      position = start;
      state = kNumberEntry;
      continue;
    }
    int from = 0;
    const Step step = StepInto(data, table, position, state, from);
    path.push_back(step);
    state = from;
    if (TakesData(step.move)) --position;
  }
  CodewordSequence out;
  out.reserve(static_cast<std::size_t>(bestCost / 2 + 2));
  Emitter emit(data, out);
  if (leadingLatch) {
    if (state == kByteBase) {
      emit.StartByte();
    } else if (state == kNumberEntry) {
      emit.StartNumber();
    } else {
      emit.StartText();
    }
  }
  position = 0;  // of the next byte to take
  for (auto it = path.rbegin(); it != path.rend(); ++it) {
    switch (it->move) {
      case Move::Value:
      case Move::Char:
        emit.Value(it->a);
        break;
      case Move::ShiftChar:
        emit.Value(it->a);
        emit.Value(it->b);
        break;
      case Move::ByteShift:
        emit.ByteShift(data[position]);
        break;
      case Move::LatchText:
        emit.StartText();
        break;
      case Move::LatchByte:
        emit.StartByte();
        break;
      case Move::LatchNumber:
        emit.StartNumber();
        break;
      case Move::Byte:
        emit.Take(position, 1);
        break;
      case Move::Digits:
        emit.Take(position, it->digits);
        break;
    }
    position += TakesData(it->move) ? (it->move == Move::Digits ? it->digits : 1) : 0;
  }
  emit.EndSegment();
  return out;
}

}  // namespace

CodewordSequence CompactOptimal(const std::uint8_t* data, std::size_t length) {
  return Compact(data, length, false);
}

CodewordSequence CompactOptimalLatched(const std::uint8_t* data, std::size_t length) {
  return Compact(data, length, true);
}

}  // namespace pdf417
