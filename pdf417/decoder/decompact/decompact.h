// Decompaction: the data codewords of a symbol back to bytes.
//
// The data codewords are split into segments at the mode codewords and each segment is decoded
// by text, byte or numeric compaction. Control codewords of other encoders (ECI designators,
// reader initialisation, the Macro PDF417 control block) are read and skipped so that they do
// not disturb the data.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "pdf417/common/linked_list.h"
#include "pdf417/decoder/decoder.h"

namespace pdf417 {

enum class CompactionMode { Text = 1, Byte = 2, Numeric = 3 };

enum class TextSubmode { Alpha = 1, Lower = 2, Mixed = 3, Punctuation = 4 };

// What the control codewords of a symbol said.
struct DecompactInfo {
  std::vector<EciDesignator> eci;
  MacroInfo macro;
  bool readerInitialisation = false;
};

// The bytes of a symbol's data codewords: those after the length descriptor, up to the last data
// or pad codeword. A byte-compaction run goes on across ECI designators; each designator is
// recorded at the position of the byte it precedes. With `implied`, receives (index into data,
// latch) for every segment that began without a mode codeword and was read through the latch of
// the mode in force. Throws pdf417::Error (ContainerMisuse) when the data ends inside a byte shift
// or a control codeword's parameters, or a byte position holds something that is no byte (a single
// codeword above 255, a group of five above 2^48 - 1).
std::string DecompactCodewords(const std::vector<int>& data, DecompactInfo& info,
                               std::vector<std::pair<std::size_t, int>>* implied = nullptr);

// The same on the classic lists: decodes the data list into the byte list, one element per byte
// (every element 0..255).
// A byte-compaction run goes on across ECI designators; each designator is recorded at the
// position of the byte it precedes.
// The data list's first element is the data count: the number of elements from that one up
// to the last data or pad codeword. The byte list is emptied first. Segments that begin
// without a mode codeword get their implied latch inserted into the data list.
// Throws pdf417::Error (ContainerMisuse) when the data ends inside a byte shift or a control
// codeword's parameters, the count runs past the end of the list, or a byte position holds
// something that is no byte (a single codeword above 255, a group of five above 2^48 - 1).
void Decompact(LinkedList<int>& dataList, LinkedList<int>& byteList, DecompactInfo* info = nullptr);

// True for the codewords that open a segment (900, 901, 902, 913, 924); sets mode to the
// compaction mode they select (913, a byte shift, leaves it unchanged).
bool ClassifyModeCodeword(int codeword, CompactionMode& mode);

// Each takes a segment that starts with its mode codeword and replaces it by the byte values.
// subMode, when given, is the text sub-mode to start in and receives the one in force at the
// end (a pending shift does not outlive the segment).
void DecodeTextSegment(LinkedList<int>& segment, TextSubmode* subMode = nullptr);
void DecodeByteSegment(LinkedList<int>& segment);
// The characters of text-compaction codewords [begin, end) appended to out, starting in subMode,
// which receives the sub-mode in force at the end.
void TextCharacters(const int* begin, const int* end, TextSubmode& subMode, std::string& out);

// The bytes of a byte-compaction run (the codewords after its latch 901 or 924, designators
// left out): groups of five codewords give six bytes each, counted from the run's start; the
// rest are single bytes. Throws pdf417::Error for values that are no bytes (see Decompact).
std::vector<int> DecodeByteRun(int latch, const std::vector<int>& codewords);
// How many of a run's codewords are read in groups of five (times five).
std::size_t ByteRunGroups(int latch, std::size_t count);
// Where in the run's bytes the codeword at index lands (index = count: the end).
std::size_t ByteRunOffset(int latch, std::size_t count, std::size_t index);
void DecodeNumericSegment(LinkedList<int>& segment);
// The digits of numeric-compaction codewords [begin, end) appended to out.
void NumericDigits(const int* begin, const int* end, std::string& out);

// Applies a text value to the sub-mode state if it is a latch or shift there; returns whether
// it was one (then it yields no character).
bool TextSubmodeStep(int value, TextSubmode& subMode, TextSubmode& shiftTarget, bool& shifted);

// The character of a text value in a sub-mode's table, or -1 where the table has none.
int TextTableLookup(int value, TextSubmode subMode);

// A 45-digit decimal number, most significant digit first: holds the value of any group of
// 15 numeric-compaction codewords. Arithmetic wraps modulo 10^45.
class DigitAccumulator {
 public:
  static constexpr int kDigits = 45;

  void MultiplyBy900();
  void Add(int value);  // value >= 0
  std::uint8_t Digit(int index) const { return digits_[static_cast<std::size_t>(index)]; }

 private:
  std::array<std::uint8_t, kDigits> digits_{};
};

}  // namespace pdf417
