// The shortest codeword sequence of some data in text, numeric and byte compaction.
//
// A dynamic programme over the positions of the data. At each position the encoder is in one
// of 59 states: text in one of four sub-modes with an even or odd number of text values so far
// (two values make a codeword), byte compaction with 0..5 bytes of an unfinished six-byte group,
// or numeric compaction with 0..44 digits of an unfinished group. Costs are counted in text
// values, half a codeword: so a byte group's sixth byte, which turns five single-byte codewords
// into a five-codeword group, costs nothing, and each digit costs what it adds to its group's
// codewords. Latches between modes and sub-modes are moves within a position; characters,
// bytes and digits are moves to the next. The cheapest path to the end is the answer.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
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

// States: text (sub-mode, parity) 0..7, byte phase 8..13, numeric digits in group 14..58.
constexpr int kTextStates = 8;
constexpr int kByteBase = 8;
constexpr int kNumericBase = 14;
constexpr int kStateCount = kNumericBase + kDigitsPerGroup + 1;

constexpr int TextState(int submode, int parity) { return submode * 2 + parity; }

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

// How a state was reached.
enum class Move : std::uint8_t {
  None,
  Value,        // a text value in place (a sub-mode latch): payload a
  Char,         // a character in the sub-mode's table: payload a
  ShiftChar,    // a shift value then a character: payloads a, b
  ByteShift,    // (a pad when odd) 913 and the byte
  LatchText,    // (pad) 900
  LatchByte,    // (pad) into byte compaction
  LatchNumber,  // (pad) 902
  Byte,         // a byte of byte compaction
  Digit,        // a digit of numeric compaction
};

// How the cheapest way to a state at a position arrived, packed in 32 bits: the previous
// state, whether it was at the same position, the move and its two values.
struct Back {
  std::uint32_t bits;
  static Back Of(int from, bool same, Move move, int a, int b) {
    return {static_cast<std::uint32_t>(from) | (same ? 1u << 6 : 0u) |
            static_cast<std::uint32_t>(move) << 7 | static_cast<std::uint32_t>(a) << 11 |
            static_cast<std::uint32_t>(b) << 16};
  }
  int From() const { return static_cast<int>(bits & 63); }
  bool Same() const { return (bits >> 6 & 1) != 0; }
  Move GetMove() const { return static_cast<Move>(bits >> 7 & 15); }
  int A() const { return static_cast<int>(bits >> 11 & 31); }
  int B() const { return static_cast<int>(bits >> 16 & 31); }
};

// Builds the codewords along the chosen path.
class Emitter {
 public:
  explicit Emitter(CodewordSequence& out) : out_(out) {}

  void Value(int v) { values_.push_back(v); }
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
  void Byte(std::uint8_t byte) { bytes_.push_back(byte); }
  void Digit(std::uint8_t digit) { digits_.push_back(digit); }
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
  }

 private:
  enum class Mode { Text, Byte, Number };

  void FlushValues() {
    if (values_.size() % 2 != 0) values_.push_back(kPadValue);
    for (std::size_t i = 0; i < values_.size(); i += 2)
      out_.push_back(values_[i] * 30 + values_[i + 1]);
    values_.clear();
  }
  void FlushBytes() {
    const std::size_t n = bytes_.size();
    out_.push_back(n % 6 == 0 ? kByteLatchSix : kByteLatch);
    std::size_t i = 0;
    for (; i + 6 <= n; i += 6) {
      std::uint64_t v = 0;
      for (std::size_t j = 0; j < 6; ++j) v = (v << 8) | bytes_[i + j];
      std::int32_t group[5];
      for (int j = 4; j >= 0; --j) {
        group[j] = static_cast<std::int32_t>(v % 900);
        v /= 900;
      }
      out_.insert(out_.end(), group, group + 5);
    }
    for (; i < n; ++i) out_.push_back(bytes_[i]);
    bytes_.clear();
  }
  void FlushDigits() {
    out_.push_back(kNumericLatch);
    for (std::size_t i = 0; i < digits_.size(); i += kDigitsPerGroup) {
      const std::size_t end = std::min(digits_.size(), i + kDigitsPerGroup);
      // Base-900 digits of "1" followed by the group's digits, by long division in base 10.
      std::vector<int> decimal{1};
      for (std::size_t j = i; j < end; ++j) decimal.push_back(digits_[j] - '0');
      std::vector<std::int32_t> group;
      while (!(decimal.size() == 1 && decimal[0] == 0)) {
        int remainder = 0;
        std::vector<int> quotient;
        for (const int d : decimal) {
          const int value = remainder * 10 + d;
          if (!quotient.empty() || value / 900 != 0) quotient.push_back(value / 900);
          remainder = value % 900;
        }
        group.push_back(remainder);
        decimal = quotient.empty() ? std::vector<int>{0} : quotient;
      }
      out_.insert(out_.end(), group.rbegin(), group.rend());
    }
    digits_.clear();
  }

  CodewordSequence& out_;
  Mode mode_ = Mode::Text;
  std::vector<int> values_;
  std::vector<std::uint8_t> bytes_;
  std::vector<std::uint8_t> digits_;
};

}  // namespace

CodewordSequence CompactOptimal(const std::uint8_t* data, std::size_t length) {
  if (length > 0 && data == nullptr) throw Error(ErrorCode::InvalidArgument, "no data given");
  constexpr int kInfinity = std::numeric_limits<int>::max() / 2;
  const std::size_t n = length;
  // Only the entries of states reached are written and read: no need to clear the rest.
  const std::unique_ptr<Back[]> back(new Back[(n + 1) * kStateCount]);
  back[TextState(kAlpha, 0)] = Back::Of(0, true, Move::None, 0, 0);
  int numericTop = -1;  // the highest numeric state reached at this position, or -1
  std::array<int, kStateCount> here;
  std::array<int, kStateCount> next;
  here.fill(kInfinity);
  here[TextState(kAlpha, 0)] = 0;

  for (std::size_t i = 0;; ++i) {
    Back* backHere = back.get() + i * kStateCount;
    const auto relax = [&](int state, int cost, int from, Move move, int a = 0) {
      if (cost < here[static_cast<std::size_t>(state)]) {
        here[static_cast<std::size_t>(state)] = cost;
        backHere[state] = Back::Of(from, true, move, a, 0);
      }
    };
    // Moves within the position. Out of byte and numeric compaction first, then sub-mode
    // latches (two rounds reach every sub-mode: no latch chain is longer than two), then out of
    // text. Latching back and forth never pays, so one sweep settles every state.
    // Every byte state (and every numeric one) latches out at the same price: only the
    // cheapest of each group matters.
    int cheapestByte = kByteBase;
    for (int s = kByteBase + 1; s < kNumericBase; ++s) {
      if (here[static_cast<std::size_t>(s)] < here[static_cast<std::size_t>(cheapestByte)])
        cheapestByte = s;
    }
    int cheapestNumber = kNumericBase;
    for (int s = kNumericBase + 1; s <= kNumericBase + numericTop; ++s) {
      if (here[static_cast<std::size_t>(s)] < here[static_cast<std::size_t>(cheapestNumber)])
        cheapestNumber = s;
    }
    for (const int s : {cheapestByte, cheapestNumber}) {
      const int cost = here[static_cast<std::size_t>(s)];
      if (cost >= kInfinity) continue;
      relax(TextState(kAlpha, 0), cost + 2, s, Move::LatchText);
      if (s >= kNumericBase) {
        relax(kByteBase, cost + 2, s, Move::LatchByte);
      } else {
        relax(kNumericBase, cost + 2, s, Move::LatchNumber);
      }
    }
    for (int round = 0; round < 2; ++round) {
      for (const SubmodeLatch& l : kSubmodeLatches) {
        for (int parity = 0; parity < 2; ++parity) {
          const int from = TextState(l.from, parity);
          const int cost = here[static_cast<std::size_t>(from)];
          if (cost < kInfinity)
            relax(TextState(l.to, parity ^ 1), cost + 1, from, Move::Value, l.value);
        }
      }
    }
    for (int s = 0; s < kTextStates; ++s) {
      const int cost = here[static_cast<std::size_t>(s)];
      if (cost >= kInfinity) continue;
      relax(kByteBase, cost + 2 + s % 2, s, Move::LatchByte);
      relax(kNumericBase, cost + 2 + s % 2, s, Move::LatchNumber);
    }
    numericTop = std::max(numericTop, 0);
    // Numeric states far dearer than the cheapest one can be dropped. A group of d digits takes
    // floor(d log 900 / log 10) + 1 codewords, so the next digits cost at most one codeword
    // more or less after one numeric state than after another: a state two codewords (four
    // values) dearer than another is beaten by it.
    int cheapest = kInfinity;
    for (int g = 0; g <= numericTop; ++g)
      cheapest = std::min(cheapest, here[static_cast<std::size_t>(kNumericBase + g)]);
    if (cheapest < kInfinity) {
      int top = 0;
      for (int g = 0; g <= numericTop; ++g) {
        int& cost = here[static_cast<std::size_t>(kNumericBase + g)];
        if (cost >= cheapest + 4) cost = kInfinity;
        if (cost < kInfinity) top = g;
      }
      numericTop = top;
    }
    if (i == n) break;

    // Moves that take data[i].
    const std::uint8_t c = data[i];
    Back* backNext = backHere + kStateCount;
    next.fill(kInfinity);
    const auto take = [&](int state, int cost, int from, Move move, int a = 0, int b = 0) {
      if (cost < next[static_cast<std::size_t>(state)]) {
        next[static_cast<std::size_t>(state)] = cost;
        backNext[state] = Back::Of(from, false, move, a, b);
      }
    };
    const int punct = TextValue(kPunct, c);
    for (int s = 0; s < kTextStates; ++s) {
      const int cost = here[static_cast<std::size_t>(s)];
      if (cost >= kInfinity) continue;
      const int submode = s / 2;
      const int parity = s % 2;
      const int v = TextValue(submode, c);
      if (v >= 0) take(TextState(submode, parity ^ 1), cost + 1, s, Move::Char, v);
      if (submode == kLower && c >= 'A' && c <= 'Z')
        take(s, cost + 2, s, Move::ShiftChar, 27, c - 'A');
      if (submode != kPunct && punct >= 0) take(s, cost + 2, s, Move::ShiftChar, 29, punct);
      // A pad value 29 in Punctuation is its latch back to Alpha.
      const int after = parity == 1 && submode == kPunct ? kAlpha : submode;
      take(TextState(after, 0), cost + parity + 4, s, Move::ByteShift);
    }
    for (int phase = 0; phase < 6; ++phase) {
      const int cost = here[static_cast<std::size_t>(kByteBase + phase)];
      if (cost < kInfinity) {
        take(kByteBase + (phase + 1) % 6, cost + (phase == 5 ? 0 : 2), kByteBase + phase,
             Move::Byte);
      }
    }
    int nextTop = -1;
    if (c >= '0' && c <= '9') {
      for (int g = 0; g <= numericTop; ++g) {
        const int cost = here[static_cast<std::size_t>(kNumericBase + g)];
        if (cost >= kInfinity) continue;
        const int to = g == kDigitsPerGroup ? 1 : g + 1;
        const int add = g == kDigitsPerGroup ? kGroupLengths[1]
                                             : kGroupLengths[static_cast<std::size_t>(g + 1)] -
                                                   kGroupLengths[static_cast<std::size_t>(g)];
        take(kNumericBase + to, cost + 2 * add, kNumericBase + g, Move::Digit);
        nextTop = std::max(nextTop, to);
      }
    }
    numericTop = nextTop;
    here = next;
  }

  // The cheapest end; an odd count of text values takes a pad.
  int best = 0;
  int bestCost = kInfinity;
  for (int s = 0; s < kStateCount; ++s) {
    const int cost = here[static_cast<std::size_t>(s)];
    if (cost >= kInfinity) continue;
    const int total = cost + (s < kTextStates ? s % 2 : 0);
    if (total < bestCost) {
      bestCost = total;
      best = s;
    }
  }

  // Walk back, then replay forward.
  struct Taken {
    std::size_t position;
    Back step;
  };
  std::vector<Taken> path;
  std::size_t pos = n;
  int state = best;
  while (true) {
    const Back& s = back[pos * kStateCount + static_cast<std::size_t>(state)];
    if (s.GetMove() == Move::None) break;
    path.push_back({pos, s});
    state = s.From();
    if (!s.Same()) --pos;
  }

  CodewordSequence out;
  out.reserve(static_cast<std::size_t>(bestCost / 2 + 2));
  Emitter emit(out);
  for (auto it = path.rbegin(); it != path.rend(); ++it) {
    const Back& s = it->step;
    const std::uint8_t c = s.Same() ? 0 : data[it->position - 1];
    switch (s.GetMove()) {
      case Move::Value:
      case Move::Char:
        emit.Value(s.A());
        break;
      case Move::ShiftChar:
        emit.Value(s.A());
        emit.Value(s.B());
        break;
      case Move::ByteShift:
        emit.ByteShift(c);
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
        emit.Byte(c);
        break;
      case Move::Digit:
        emit.Digit(c);
        break;
      case Move::None:
        break;
    }
  }
  emit.EndSegment();
  return out;
}

}  // namespace pdf417
