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
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "pdf417/common/error.h"
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

// The value of a byte in a sub-mode's table, or -1.
int TextValue(int submode, std::uint8_t c) {
  switch (submode) {
    case kAlpha:
      if (c >= 'A' && c <= 'Z') return c - 'A';
      return c == ' ' ? 26 : -1;
    case kLower:
      if (c >= 'a' && c <= 'z') return c - 'a';
      return c == ' ' ? 26 : -1;
    case kMixed: {
      if (c >= '0' && c <= '9') return c - '0';
      static constexpr char kMixedRest[] = "&\r\t,:#-.$/+%*=^";  // values 10 .. 24
      for (int i = 0; kMixedRest[i] != '\0'; ++i) {
        if (kMixedRest[i] == static_cast<char>(c)) return 10 + i;
      }
      return c == ' ' ? 26 : -1;
    }
    default: {
      static constexpr char kPunctuation[] = ";<>@[\\]_`~!\r\t,:\n-.$/\"|*()?{}'";  // 0 .. 28
      for (int i = 0; kPunctuation[i] != '\0'; ++i) {
        if (kPunctuation[i] == static_cast<char>(c)) return i;
      }
      return -1;
    }
  }
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
// the d digits. No power of 900 below 900^16 starts with the digit 1, so the length does not
// depend on which digits they are.
std::array<int, kDigitsPerGroup + 1> NumericGroupLengths() {
  std::array<int, kDigitsPerGroup + 1> lengths{};
  for (int d = 1; d <= kDigitsPerGroup; ++d) {
    lengths[static_cast<std::size_t>(d)] =
        1 + static_cast<int>(std::floor(d * std::log(10.0) / std::log(900.0)));
  }
  return lengths;
}

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

struct Step {
  int cost = std::numeric_limits<int>::max();
  std::int16_t from = -1;  // previous state
  bool samePosition = false;
  Move move = Move::None;
  std::int8_t a = 0;
  std::int8_t b = 0;
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
  static const std::array<int, kDigitsPerGroup + 1> kGroupLengths = NumericGroupLengths();
  const std::size_t n = length;
  std::vector<std::array<Step, kStateCount>> steps(n + 1);
  steps[0][TextState(kAlpha, 0)].cost = 0;

  const auto relax = [](std::array<Step, kStateCount>& to, int state, int cost, int from, bool same,
                        Move move, int a = 0, int b = 0) {
    Step& s = to[static_cast<std::size_t>(state)];
    if (cost < s.cost) {
      s.cost = cost;
      s.from = static_cast<std::int16_t>(from);
      s.samePosition = same;
      s.move = move;
      s.a = static_cast<std::int8_t>(a);
      s.b = static_cast<std::int8_t>(b);
    }
  };
  constexpr int kInfinity = std::numeric_limits<int>::max();

  for (std::size_t i = 0; i <= n; ++i) {
    std::array<Step, kStateCount>& here = steps[i];
    // Moves within the position until nothing gets cheaper (costs are positive, so a few
    // rounds settle it).
    for (bool changed = true; changed;) {
      changed = false;
      const auto before = here;
      for (int s = 0; s < kStateCount; ++s) {
        const int cost = here[static_cast<std::size_t>(s)].cost;
        if (cost == kInfinity) continue;
        if (s < kTextStates) {
          const int submode = s / 2;
          const int parity = s % 2;
          for (const SubmodeLatch& l : kSubmodeLatches) {
            if (l.from == submode) {
              relax(here, TextState(l.to, parity ^ 1), cost + 1, s, true, Move::Value, l.value);
            }
          }
          relax(here, kByteBase, cost + 2 + parity, s, true, Move::LatchByte);
          relax(here, kNumericBase, cost + 2 + parity, s, true, Move::LatchNumber);
        } else {
          relax(here, TextState(kAlpha, 0), cost + 2, s, true, Move::LatchText);
          if (s >= kNumericBase) relax(here, kByteBase, cost + 2, s, true, Move::LatchByte);
          if (s < kNumericBase) relax(here, kNumericBase, cost + 2, s, true, Move::LatchNumber);
        }
      }
      for (int s = 0; s < kStateCount; ++s) {
        if (here[static_cast<std::size_t>(s)].cost != before[static_cast<std::size_t>(s)].cost) {
          changed = true;
        }
      }
    }
    if (i == n) break;

    // Moves that take data[i].
    const std::uint8_t c = data[i];
    std::array<Step, kStateCount>& next = steps[i + 1];
    for (int s = 0; s < kStateCount; ++s) {
      const int cost = here[static_cast<std::size_t>(s)].cost;
      if (cost == kInfinity) continue;
      if (s < kTextStates) {
        const int submode = s / 2;
        const int parity = s % 2;
        const int v = TextValue(submode, c);
        if (v >= 0) relax(next, TextState(submode, parity ^ 1), cost + 1, s, false, Move::Char, v);
        if (submode == kLower && c >= 'A' && c <= 'Z') {
          relax(next, s, cost + 2, s, false, Move::ShiftChar, 27, c - 'A');
        }
        const int p = TextValue(kPunct, c);
        if (submode != kPunct && p >= 0) relax(next, s, cost + 2, s, false, Move::ShiftChar, 29, p);
        // A pad value 29 in Punctuation is its latch back to Alpha.
        const int after = parity == 1 && submode == kPunct ? kAlpha : submode;
        relax(next, TextState(after, 0), cost + parity + 4, s, false, Move::ByteShift);
      } else if (s < kNumericBase) {
        const int phase = s - kByteBase;
        relax(next, kByteBase + (phase + 1) % 6, cost + (phase == 5 ? 0 : 2), s, false, Move::Byte);
      } else if (c >= '0' && c <= '9') {
        const int g = s - kNumericBase;
        const int to = g == kDigitsPerGroup ? 1 : g + 1;
        const int add = g == kDigitsPerGroup ? kGroupLengths[1]
                                             : kGroupLengths[static_cast<std::size_t>(g + 1)] -
                                                   kGroupLengths[static_cast<std::size_t>(g)];
        relax(next, kNumericBase + to, cost + 2 * add, s, false, Move::Digit);
      }
    }
  }

  // The cheapest end; an odd count of text values takes a pad.
  int best = -1;
  int bestCost = kInfinity;
  for (int s = 0; s < kStateCount; ++s) {
    const int cost = steps[n][static_cast<std::size_t>(s)].cost;
    if (cost == kInfinity) continue;
    const int total = cost + (s < kTextStates ? s % 2 : 0);
    if (total < bestCost) {
      bestCost = total;
      best = s;
    }
  }

  // Walk back, then replay forward.
  struct Taken {
    std::size_t position;
    Step step;
  };
  std::vector<Taken> path;
  std::size_t pos = n;
  int state = best;
  while (true) {
    const Step& s = steps[pos][static_cast<std::size_t>(state)];
    if (s.move == Move::None) break;
    path.push_back({pos, s});
    state = s.from;
    if (!s.samePosition) --pos;
  }

  CodewordSequence out;
  out.reserve(static_cast<std::size_t>(bestCost / 2 + 2));
  Emitter emit(out);
  for (auto it = path.rbegin(); it != path.rend(); ++it) {
    const Step& s = it->step;
    const std::uint8_t c = s.samePosition ? 0 : data[it->position - 1];
    switch (s.move) {
      case Move::Value:
      case Move::Char:
        emit.Value(s.a);
        break;
      case Move::ShiftChar:
        emit.Value(s.a);
        emit.Value(s.b);
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
