// Decompaction of text, byte and numeric compaction, and the control codewords around them.
#include "pdf417/decoder/decompact/decompact.h"

#include <initializer_list>
#include <string>
#include <utility>

#include "pdf417/common/error.h"

namespace pdf417 {
namespace {

constexpr int kTextLatch = 900;
constexpr int kByteLatch = 901;
constexpr int kNumericLatch = 902;
constexpr int kByteShift = 913;
constexpr int kByteLatchSix = 924;  // byte compaction of a multiple of six bytes
constexpr int kReaderInitialisation = 921;
constexpr int kMacroTerminator = 922;
constexpr int kMacroOptionalField = 923;
constexpr int kEciUserDefined = 925;     // one parameter: ECI 810900 + p
constexpr int kEciGeneralPurpose = 926;  // two parameters: ECI 900 (p1 + 1) + p2
constexpr int kEciCharacterSet = 927;    // one parameter: ECI p
constexpr int kMacroBlock = 928;

constexpr int kNoCharacter = -1;

// Codewords that are neither data nor a compaction mode, with the parameters that follow them.
bool IsControlCodeword(int codeword) {
  return codeword == kReaderInitialisation || codeword == kEciUserDefined ||
         codeword == kEciGeneralPurpose || codeword == kEciCharacterSet || codeword == kMacroBlock;
}

bool IsEciDesignator(int codeword) {
  return codeword == kEciUserDefined || codeword == kEciGeneralPurpose ||
         codeword == kEciCharacterSet;
}

// A codeword that stands for one byte: 0..255, anything else is a corrupt symbol (never cut
// to its low eight bits, which would give other data).
int SingleByte(int codeword) {
  if (codeword < 0 || codeword > 255) {
    throw Error(ErrorCode::ContainerMisuse, "Corrupt symbol data: codeword " +
                                                std::to_string(codeword) + " where a byte belongs");
  }
  return codeword;
}

bool IsModeCodeword(int codeword) {
  CompactionMode unused = CompactionMode::Text;
  return ClassifyModeCodeword(codeword, unused);
}

// The data codewords not yet read.
class DataCursor {
 public:
  explicit DataCursor(const std::vector<int>& data) : data_(data) {}

  bool HasMore() const { return next_ < data_.size(); }
  int Peek() const { return data_[next_]; }
  std::size_t Position() const { return next_; }

  // Reads the next data codeword; the data must not end here.
  int Take(const char* inside) {
    if (next_ >= data_.size()) {
      throw Error(ErrorCode::ContainerMisuse,
                  std::string("Corrupt symbol data: the data codewords end inside ") + inside);
    }
    return data_[next_++];
  }

 private:
  const std::vector<int>& data_;
  std::size_t next_ = 0;
};

// The number written in numeric compaction by a few codewords (the segment index).
int NumericValue(std::initializer_list<int> codewords) {
  const std::vector<int> group(codewords);
  std::string digits;
  NumericDigits(group.data(), group.data() + group.size(), digits);
  int value = 0;
  for (const char d : digits) value = value * 10 + (d - '0');
  return value;
}

std::vector<int> ValuesOf(LinkedList<int>& list) {
  std::vector<int> values;
  values.reserve(static_cast<std::size_t>(list.Size()));
  for (list.Reset(0); !list.AtEnd(); list.Advance()) values.push_back(list.Data());
  return values;
}

std::string ThreeDigits(int codeword) {
  std::string digits = std::to_string(codeword);
  return std::string(digits.size() < 3 ? 3 - digits.size() : 0, '0') + digits;
}

// Reads a Macro PDF417 control block after its 928: the segment index, the file id, and
// optional fields (923, a field designator and its content) up to the terminator 922.
void ReadMacroBlock(DataCursor& data, MacroInfo& macro) {
  const char* inside = "a Macro PDF417 control block";
  macro = MacroInfo{};
  macro.present = true;
  const int high = data.Take(inside);
  const int low = data.Take(inside);
  macro.segmentIndex = NumericValue({high, low});
  // File id codewords are base-900 digits, so any codeword from 900 up ends the id.
  while (data.HasMore() && data.Peek() < kTextLatch) macro.fileId += ThreeDigits(data.Take(inside));
  while (data.HasMore()) {
    const int c = data.Peek();
    if (c == kMacroTerminator) {
      data.Take(inside);
      macro.lastSegment = true;
      return;
    }
    if (c != kMacroOptionalField) return;  // the block is over; what follows is data again
    data.Take(inside);
    const int field = data.HasMore() ? data.Take(inside) : -1;
    std::vector<int> content;
    while (data.HasMore() && data.Peek() != kMacroTerminator &&
           data.Peek() != kMacroOptionalField) {
      content.push_back(data.Take(inside));
    }
    // Field 1 is the segment count, a number in numeric compaction.
    if (field == 1 && content.size() == 2)
      macro.segmentCount = NumericValue({content[0], content[1]});
    if (field == 1 && content.size() == 1) macro.segmentCount = NumericValue({content[0]});
  }
}

// Reads a control codeword's parameters and records what it says. bytesSoFar is where an ECI
// takes effect in the decoded bytes.
void ReadControl(int codeword, DataCursor& data, std::size_t bytesSoFar, DecompactInfo& info) {
  const char* inside = "an ECI designator";
  switch (codeword) {
    case kReaderInitialisation:
      info.readerInitialisation = true;
      break;
    case kEciCharacterSet:
      info.eci.push_back({data.Take(inside), bytesSoFar});
      break;
    case kEciGeneralPurpose: {
      const int high = data.Take(inside);
      const int low = data.Take(inside);
      info.eci.push_back({900 * (high + 1) + low, bytesSoFar});
      break;
    }
    case kEciUserDefined:
      info.eci.push_back({810900 + data.Take(inside), bytesSoFar});
      break;
    case kMacroBlock:
      ReadMacroBlock(data, info.macro);
      break;
    default:
      break;
  }
}

int LatchOf(CompactionMode mode, int byteLatch) {
  switch (mode) {
    case CompactionMode::Byte:
      return byteLatch;
    case CompactionMode::Numeric:
      return kNumericLatch;
    case CompactionMode::Text:
      break;
  }
  return kTextLatch;
}

}  // namespace

bool ClassifyModeCodeword(int codeword, CompactionMode& mode) {
  switch (codeword) {
    case kTextLatch:
      mode = CompactionMode::Text;
      return true;
    case kByteLatch:
    case kByteLatchSix:
      mode = CompactionMode::Byte;
      return true;
    case kNumericLatch:
      mode = CompactionMode::Numeric;
      return true;
    case kByteShift:
      return true;
    default:
      return false;
  }
}

std::string DecompactCodewords(const std::vector<int>& data, DecompactInfo& info,
                               std::vector<std::pair<std::size_t, int>>* implied) {
  info = DecompactInfo{};
  DataCursor cursor(data);
  std::string bytes;
  // Decoding starts in text, sub-mode Alpha. A byte shift or a control codeword interrupts
  // the data without changing its mode: what follows without a mode codeword goes on in the
  // mode (and text sub-mode) in force, through an implied latch.
  CompactionMode mode = CompactionMode::Text;
  TextSubmode subMode = TextSubmode::Alpha;
  int byteLatch = kByteLatch;
  while (cursor.HasMore()) {
    int c = cursor.Peek();
    if (IsControlCodeword(c)) {
      cursor.Take("a control codeword");
      ReadControl(c, cursor, bytes.size(), info);
      continue;
    }
    if (!IsModeCodeword(c)) {
      c = LatchOf(mode, byteLatch);
      if (implied != nullptr) implied->emplace_back(cursor.Position(), c);
    } else {
      if (c == kTextLatch) subMode = TextSubmode::Alpha;  // an explicit latch starts in Alpha
      cursor.Take("a segment");
    }
    ClassifyModeCodeword(c, mode);

    if (c == kByteShift) {
      // One codeword stands for one byte; text then goes on in its sub-mode. A shift met
      // outside text leaves the data to be read as text from Alpha.
      bytes.push_back(static_cast<char>(SingleByte(cursor.Take("a byte shift"))));
      if (mode != CompactionMode::Text) {
        mode = CompactionMode::Text;
        subMode = TextSubmode::Alpha;
      }
      continue;
    }
    if (c == kByteLatch || c == kByteLatchSix) byteLatch = c;

    if (mode == CompactionMode::Byte) {
      // A byte run goes on across ECI designators: they change the character set of the bytes
      // that follow, not the grouping of the run's codewords into six-byte groups.
      std::vector<int> run;
      std::vector<std::pair<std::size_t, int>> designators;  // (codewords before it, eci index)
      while (cursor.HasMore() && !IsModeCodeword(cursor.Peek())) {
        const int next = cursor.Peek();
        if (IsEciDesignator(next)) {
          cursor.Take("a byte run");
          ReadControl(next, cursor, 0, info);
          designators.emplace_back(run.size(), static_cast<int>(info.eci.size()) - 1);
          continue;
        }
        if (IsControlCodeword(next)) break;
        run.push_back(cursor.Take("a segment"));
      }
      const std::size_t before = bytes.size();
      for (const auto& d : designators) {
        info.eci[static_cast<std::size_t>(d.second)].position =
            before + ByteRunOffset(c, run.size(), d.first);
      }
      for (const int byte : DecodeByteRun(c, run)) bytes.push_back(static_cast<char>(byte));
      continue;
    }

    const std::size_t first = cursor.Position();
    while (cursor.HasMore() && !IsModeCodeword(cursor.Peek()) &&
           !IsControlCodeword(cursor.Peek())) {
      cursor.Take("a segment");
    }
    const int* begin = data.data() + first;
    const int* end = data.data() + cursor.Position();
    if (mode == CompactionMode::Text) {
      TextCharacters(begin, end, subMode, bytes);
    } else {
      NumericDigits(begin, end, bytes);
    }
  }
  return bytes;
}

void Decompact(LinkedList<int>& dataList, LinkedList<int>& byteList, DecompactInfo* info) {
  DecompactInfo unused;
  DecompactInfo& found = info != nullptr ? *info : unused;
  found = DecompactInfo{};
  byteList.Clear();
  dataList.Reset(0);
  const int count = dataList.Data();  // throws for an empty list
  std::vector<int> data;
  for (dataList.Advance(); static_cast<int>(data.size()) + 1 < count; dataList.Advance()) {
    data.push_back(dataList.Data());  // throws when the count runs past the list
  }
  std::vector<std::pair<std::size_t, int>> implied;
  const std::string bytes = DecompactCodewords(data, found, &implied);
  // The implied latches go into the data list where they stood.
  for (auto it = implied.rbegin(); it != implied.rend(); ++it) {
    dataList.Reset(static_cast<std::int32_t>(it->first) + 1);
    dataList.InsertBeforeCursor(it->second);
  }
  for (const char b : bytes) byteList.Append(static_cast<unsigned char>(b));
}

bool TextSubmodeStep(int value, TextSubmode& subMode, TextSubmode& shiftTarget, bool& shifted) {
  // Under a shift to Punctuation every value but 29 is read from the Punctuation table.
  if (shifted && shiftTarget == TextSubmode::Punctuation && value != 29 &&
      subMode != TextSubmode::Punctuation) {
    return false;
  }
  const auto latch = [&](TextSubmode to) {
    subMode = to;
    shifted = false;
    return true;
  };
  const auto shift = [&](TextSubmode to) {
    shiftTarget = to;
    shifted = true;
    return true;
  };
  switch (subMode) {
    case TextSubmode::Alpha:
      if (value == 27) return latch(TextSubmode::Lower);
      if (value == 28) return latch(TextSubmode::Mixed);
      if (value == 29) return shift(TextSubmode::Punctuation);
      break;
    case TextSubmode::Lower:
      if (value == 27) return shift(TextSubmode::Alpha);
      if (value == 28) return latch(TextSubmode::Mixed);
      if (value == 29) return shift(TextSubmode::Punctuation);
      break;
    case TextSubmode::Mixed:
      if (value == 25) return latch(TextSubmode::Punctuation);
      if (value == 27) return latch(TextSubmode::Lower);
      if (value == 28) return latch(TextSubmode::Alpha);
      if (value == 29) return shift(TextSubmode::Punctuation);
      break;
    case TextSubmode::Punctuation:
      if (value == 29) return latch(TextSubmode::Alpha);
      break;
  }
  return false;
}

int TextTableLookup(int value, TextSubmode subMode) {
  constexpr int N = kNoCharacter;
  static constexpr int kMixed[27] = {'0', '1', '2',  '3',  '4', '5', '6', '7', '8',
                                     '9', '&', '\r', '\t', ',', ':', '#', '-', '.',
                                     '$', '/', '+',  '%',  '*', '=', '^', N,   ' '};
  static constexpr int kPunctuation[29] = {';', '<',  '>',  '@', '[', '\\', ']', '_', '`', '~',
                                           '!', '\r', '\t', ',', ':', '\n', '-', '.', '$', '/',
                                           '"', '|',  '*',  '(', ')', '?',  '{', '}', '\''};
  if (value < 0) return N;
  switch (subMode) {
    case TextSubmode::Alpha:
    case TextSubmode::Lower:
      if (value < 26) return (subMode == TextSubmode::Alpha ? 'A' : 'a') + value;
      return value == 26 ? ' ' : N;
    case TextSubmode::Mixed:
      return value < 27 ? kMixed[value] : N;
    case TextSubmode::Punctuation:
      return value < 29 ? kPunctuation[value] : N;
  }
  return N;
}

void TextCharacters(const int* begin, const int* end, TextSubmode& subMode, std::string& out) {
  TextSubmode shiftTarget = TextSubmode::Alpha;
  bool shifted = false;
  for (const int* p = begin; p != end; ++p) {
    // Two values per codeword. Codewords from 900 give the value 30, which no table holds:
    // it yields nothing (and uses up a pending shift).
    for (const int value : {*p / 30, *p % 30}) {
      if ((value == 25 || (value >= 27 && value <= 29)) &&
          TextSubmodeStep(value, subMode, shiftTarget, shifted)) {
        continue;
      }
      const int ch = TextTableLookup(value, shifted ? shiftTarget : subMode);
      shifted = false;
      if (ch != kNoCharacter) out.push_back(static_cast<char>(ch));
    }
  }
}

void DecodeTextSegment(LinkedList<int>& segment, TextSubmode* subModeInOut) {
  segment.RemoveFirst();  // the text latch
  TextSubmode subMode = subModeInOut != nullptr ? *subModeInOut : TextSubmode::Alpha;
  const std::vector<int> codewords = ValuesOf(segment);
  std::string characters;
  TextCharacters(codewords.data(), codewords.data() + codewords.size(), subMode, characters);
  segment.Clear();
  for (const char ch : characters) segment.Append(static_cast<unsigned char>(ch));
  if (subModeInOut != nullptr) *subModeInOut = subMode;
}

void DecodeByteSegment(LinkedList<int>& segment) {
  const int latch = segment.RemoveFirst();
  const std::vector<int> run = ValuesOf(segment);
  segment.Clear();
  for (const int byte : DecodeByteRun(latch, run)) segment.Append(byte);
}

std::size_t ByteRunGroups(int latch, std::size_t count) {
  std::size_t groups = count / 5;
  // After 901 the last five codewords of a multiple of five are single bytes.
  if (count % 5 == 0 && latch == kByteLatch && groups > 0) --groups;
  return groups;
}

std::size_t ByteRunOffset(int latch, std::size_t count, std::size_t index) {
  const std::size_t grouped = 5 * ByteRunGroups(latch, count);
  // Inside a group (which no encoder writes) the designator is taken to apply to the whole group.
  if (index <= grouped) return 6 * (index / 5);
  return 6 * (grouped / 5) + (index - grouped);
}

std::vector<int> DecodeByteRun(int latch, const std::vector<int>& codewords) {
  const std::size_t groups = ByteRunGroups(latch, codewords.size());
  std::vector<int> bytes;
  bytes.reserve(6 * groups + codewords.size());
  for (std::size_t g = 0; g < groups; ++g) {
    std::int64_t value = 0;
    for (std::size_t i = 5 * g; i < 5 * g + 5; ++i) {
      const int c = codewords[i];
      if (c < 0 || c >= 900) {
        throw Error(ErrorCode::ContainerMisuse,
                    "Corrupt symbol data: codeword " + std::to_string(c) + " in a byte group");
      }
      value = value * 900 + c;
    }
    // Five base-900 digits reach beyond 2^48: such a group stands for no six bytes.
    if (value >= (std::int64_t{1} << 48)) {
      throw Error(ErrorCode::ContainerMisuse, "Corrupt symbol data: a byte group beyond 48 bits");
    }
    // Six bytes per group, most significant first.
    for (int i = 5; i >= 0; --i) bytes.push_back(static_cast<int>((value >> (8 * i)) & 255));
  }
  for (std::size_t i = 5 * groups; i < codewords.size(); ++i) {
    bytes.push_back(SingleByte(codewords[i]));
  }
  return bytes;
}

void NumericDigits(const int* begin, const int* end, std::string& out) {
  for (const int* p = begin; p != end;) {
    // Groups of up to 15 codewords, each a base-900 number whose decimal form starts with a 1
    // that the encoder put in front of the digits.
    DigitAccumulator group;
    for (int s = 0; s < 15 && p != end; ++s, ++p) {
      group.MultiplyBy900();
      group.Add(*p);
    }
    int i = 0;
    while (i < DigitAccumulator::kDigits && group.Digit(i) == 0) ++i;
    for (++i; i < DigitAccumulator::kDigits; ++i)
      out.push_back(static_cast<char>('0' + group.Digit(i)));
  }
}

void DecodeNumericSegment(LinkedList<int>& segment) {
  segment.RemoveFirst();  // the numeric latch
  const std::vector<int> codewords = ValuesOf(segment);
  std::string digits;
  NumericDigits(codewords.data(), codewords.data() + codewords.size(), digits);
  segment.Clear();
  for (const char d : digits) segment.Append(d);
}

void DigitAccumulator::MultiplyBy900() {
  // Times 9 with carries (what passes beyond the first digit is lost), then times 100.
  int carry = 0;
  for (int i = kDigits - 1; i >= 0; --i) {
    const int v = digits_[static_cast<std::size_t>(i)] * 9 + carry;
    digits_[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v % 10);
    carry = v / 10;
  }
  for (int i = 0; i < kDigits - 2; ++i) {
    digits_[static_cast<std::size_t>(i)] = digits_[static_cast<std::size_t>(i + 2)];
  }
  digits_[kDigits - 2] = 0;
  digits_[kDigits - 1] = 0;
}

void DigitAccumulator::Add(int value) {
  int carry = value > 0 ? value : 0;  // codewords are never negative
  for (int i = kDigits - 1; i >= 0 && carry != 0; --i) {
    const int v = digits_[static_cast<std::size_t>(i)] + carry;
    digits_[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v % 10);
    carry = v / 10;
  }
}

}  // namespace pdf417
