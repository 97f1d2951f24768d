// MicroPDF417's sizes, the choice of a size for the data, and the rows of modules.
#include "pdf417/encoder/micro.h"

#include <string>

#include "pdf417/common/error.h"
#include "pdf417/common/patterns.h"

namespace pdf417 {
namespace {

// columns, rows, error-correction codewords, the first row's left, centre and right RAP, and
// the first row's cluster index. A reader tells the size from where its RAPs start.
constexpr std::array<MicroSize, kMicroSizeCount> kSizes = {{
    {1, 11, 7, 1, 0, 9, 0},     {1, 14, 7, 8, 0, 8, 1},     {1, 17, 7, 36, 0, 36, 2},
    {1, 20, 8, 19, 0, 19, 0},   {1, 24, 8, 9, 0, 17, 2},    {1, 28, 8, 25, 0, 33, 0},
    {2, 8, 8, 1, 0, 1, 0},      {2, 11, 9, 1, 0, 9, 0},     {2, 14, 9, 8, 0, 8, 1},
    {2, 17, 10, 36, 0, 36, 2},  {2, 20, 11, 19, 0, 19, 0},  {2, 23, 13, 9, 0, 17, 2},
    {2, 26, 15, 27, 0, 35, 2},  {3, 6, 12, 1, 1, 1, 0},     {3, 8, 14, 7, 7, 7, 0},
    {3, 10, 16, 15, 15, 15, 2}, {3, 12, 18, 25, 25, 25, 0}, {3, 15, 21, 37, 37, 37, 0},
    {3, 20, 26, 1, 17, 33, 0},  {3, 26, 32, 1, 9, 17, 0},   {3, 32, 38, 21, 29, 37, 2},
    {3, 38, 44, 15, 31, 47, 2}, {3, 44, 50, 1, 25, 49, 0},  {4, 4, 8, 47, 19, 43, 1},
    {4, 6, 12, 1, 1, 1, 0},     {4, 8, 14, 7, 7, 7, 0},     {4, 10, 16, 15, 15, 15, 2},
    {4, 12, 18, 25, 25, 25, 0}, {4, 15, 21, 37, 37, 37, 0}, {4, 20, 26, 1, 17, 33, 0},
    {4, 26, 32, 1, 9, 17, 0},   {4, 32, 38, 21, 29, 37, 2}, {4, 38, 44, 15, 31, 47, 2},
    {4, 44, 50, 1, 25, 49, 0},
}};

// The left and right RAPs: three bars and three spaces, a bar first, 10 modules.
constexpr std::array<std::uint16_t, kRapCount> kSideRaps = {
    0b1100100010, 0b1110100010, 0b1110110010, 0b1100110010, 0b1101110010, 0b1101111010,
    0b1100111010, 0b1110111010, 0b1110011010, 0b1111011010, 0b1111001010, 0b1110001010,
    0b1100001010, 0b1100011010, 0b1100010010, 0b1110010010, 0b1111010010, 0b1111010110,
    0b1111010100, 0b1110010100, 0b1110110100, 0b1110100100, 0b1110100110, 0b1110101110,
    0b1110101100, 0b1110101000, 0b1100101000, 0b1100101100, 0b1100101110, 0b1100100110,
    0b1100110110, 0b1110110110, 0b1110010110, 0b1100010110, 0b1100010100, 0b1100110100,
    0b1101110100, 0b1101100100, 0b1101100110, 0b1101101110, 0b1101101100, 0b1101101000,
    0b1101001000, 0b1101011000, 0b1101011100, 0b1101011110, 0b1101001110, 0b1101001100,
    0b1101000100, 0b1101000110, 0b1101000010, 0b1101100010,
};

// The centre RAPs: the same frame, their own 52 patterns (each begins with a one-module bar).
constexpr std::array<std::uint16_t, kRapCount> kCentreRaps = {
    0b1011001110, 0b1001001110, 0b1001101110, 0b1000101110, 0b1000100110, 0b1000110110,
    0b1000010110, 0b1000010010, 0b1000011010, 0b1000111010, 0b1000110010, 0b1000100010,
    0b1001100010, 0b1001110010, 0b1001111010, 0b1011111010, 0b1011110010, 0b1011110110,
    0b1001110110, 0b1001110100, 0b1001100100, 0b1001100110, 0b1001000110, 0b1001000010,
    0b1011000010, 0b1011100010, 0b1011100110, 0b1011100100, 0b1011101100, 0b1001101100,
    0b1000101100, 0b1000101000, 0b1001101000, 0b1011101000, 0b1011001000, 0b1011001100,
    0b1011000100, 0b1011000110, 0b1010000110, 0b1010001110, 0b1010001100, 0b1010011100,
    0b1010011000, 0b1010111000, 0b1010110000, 0b1010010000, 0b1011010000, 0b1001010000,
    0b1001011000, 0b1001011100, 0b1011011100, 0b1011011110,
};

[[noreturn]] void Refuse(const std::string& message) {
  throw Error(ErrorCode::InvalidArgument, message);
}

std::string Name(const MicroSize& s) {
  return std::to_string(s.columns) + (s.columns == 1 ? " column" : " columns") + " x " +
         std::to_string(s.rows) + " rows";
}

// "11, 14, 17, 20, 24 or 28": the rows of the sizes with these columns (0: of every size).
std::string RowList(int columns) {
  std::string list;
  bool seen[45] = {};
  int last = 0;
  for (const MicroSize& s : kSizes) {
    if (columns == 0 || s.columns == columns) seen[s.rows] = true;
  }
  for (int r = 0; r <= 44; ++r) last = seen[r] ? r : last;
  for (int r = 0; r <= 44; ++r) {
    if (!seen[r]) continue;
    if (!list.empty()) list += r == last ? " or " : ", ";
    list += std::to_string(r);
  }
  return list;
}

// Area in modules of row width x rows: what the automatic choice keeps small.
int Area(const MicroSize& s) { return MicroRowWidth(s.columns) * s.rows; }

// Writes the low `count` bits of value, its highest first, as modules from `out` on.
std::uint8_t* Put(std::uint32_t value, int count, std::uint8_t* out) {
  for (int b = count - 1; b >= 0; --b) *out++ = static_cast<std::uint8_t>(value >> b & 1);
  return out;
}

// RAP number `first` moved on by `row` rows: 52 is followed by 1.
int RapOfRow(int first, int row) { return (first - 1 + row) % kRapCount + 1; }

}  // namespace

const std::array<MicroSize, kMicroSizeCount>& MicroSizes() { return kSizes; }

const MicroSize& LargestMicroSize() { return kSizes.back(); }

std::uint32_t SideRapPattern(int rap) { return kSideRaps.at(static_cast<std::size_t>(rap - 1)); }

std::uint32_t CentreRapPattern(int rap) {
  return kCentreRaps.at(static_cast<std::size_t>(rap - 1));
}

void CheckMicroShape(int columns, int rows) {
  if (columns != 0 && (columns < 1 || columns > kMicroMaxColumns)) {
    Refuse("MicroPDF417 columns must be 1 to 4, got " + std::to_string(columns));
  }
  if (rows == 0) return;
  for (const MicroSize& s : kSizes) {
    if (s.rows == rows && (columns == 0 || s.columns == columns)) return;
  }
  if (columns == 0) {
    Refuse("MicroPDF417 rows must be " + RowList(0) + ", got " + std::to_string(rows));
  }
  Refuse("MicroPDF417 has no size of " + std::to_string(columns) +
         (columns == 1 ? " column" : " columns") + " and " + std::to_string(rows) + " rows; with " +
         std::to_string(columns) + (columns == 1 ? " column" : " columns") + " the rows are " +
         RowList(columns));
}

const MicroSize& ChooseMicroSize(int dataCodewords, int columns, int rows) {
  CheckMicroShape(columns, rows);
  const MicroSize* best = nullptr;
  const MicroSize* largest = nullptr;  // of the sizes allowed, the one that holds the most
  for (const MicroSize& s : kSizes) {
    if ((columns != 0 && s.columns != columns) || (rows != 0 && s.rows != rows)) continue;
    if (largest == nullptr || s.DataCapacity() > largest->DataCapacity()) largest = &s;
    if (s.DataCapacity() < dataCodewords) continue;
    // The sizes run by columns then rows, so with columns given the first that holds the data
    // has the fewest rows, and with rows given the fewest columns.
    if (best == nullptr) {
      best = &s;
    } else if (columns == 0 && rows == 0 &&
               (Area(s) < Area(*best) ||
                (Area(s) == Area(*best) && s.Codewords() < best->Codewords()))) {
      best = &s;
    }
  }
  if (best != nullptr) return *best;
  std::string message = "the data needs " + std::to_string(dataCodewords) + " codewords; ";
  if (columns == 0 && rows == 0) {
    message += "the largest MicroPDF417 (" + Name(*largest) + ") holds " +
               std::to_string(largest->DataCapacity());
  } else if (columns != 0 && rows != 0) {
    message += "the MicroPDF417 of " + Name(*largest) + " holds " +
               std::to_string(largest->DataCapacity());
  } else {
    message += "with " +
               (columns != 0 ? std::to_string(columns) + (columns == 1 ? " column" : " columns")
                             : std::to_string(rows) + " rows") +
               " the largest MicroPDF417 (" + Name(*largest) + ") holds " +
               std::to_string(largest->DataCapacity());
  }
  if (largest != &LargestMicroSize()) {
    message += "; the largest of all (" + Name(LargestMicroSize()) + ") holds " +
               std::to_string(LargestMicroSize().DataCapacity());
  }
  Refuse(message);
}

std::vector<std::uint8_t> MicroModules(const MicroSize& size, const CodewordSequence& codewords) {
  if (codewords.size() != static_cast<std::size_t>(size.Codewords())) {
    Refuse("a MicroPDF417 of " + Name(size) + " holds " + std::to_string(size.Codewords()) +
           " codewords, got " + std::to_string(codewords.size()));
  }
  const int width = MicroRowWidth(size.columns);
  // The centre RAP stands after the first data column of three, after the second of four.
  const int centreAfter = size.columns == 3 ? 1 : size.columns == 4 ? 2 : -1;
  std::vector<std::uint8_t> modules(static_cast<std::size_t>(size.rows) *
                                    static_cast<std::size_t>(width));
  for (int r = 0; r < size.rows; ++r) {
    const int cluster = (size.firstCluster + r) % kClusterCount;
    std::uint8_t* out = modules.data() + static_cast<std::size_t>(r) * width;
    out = Put(SideRapPattern(RapOfRow(size.leftRap, r)), kRapModules, out);
    for (int j = 0; j < size.columns; ++j) {
      if (j == centreAfter) {
        out = Put(CentreRapPattern(RapOfRow(size.centreRap, r)), kRapModules, out);
      }
      const std::int32_t word = codewords[static_cast<std::size_t>(r * size.columns + j)];
      if (word < 0 || word >= kCodewordCount) Refuse("codewords must be 0 to 928");
      out =
          Put(static_cast<std::uint32_t>(PatternValueOf(cluster, word)), kModulesPerCodeword, out);
    }
    out = Put(SideRapPattern(RapOfRow(size.rightRap, r)), kRapModules, out);
    *out = 1;  // the stop bar
  }
  return modules;
}

}  // namespace pdf417
