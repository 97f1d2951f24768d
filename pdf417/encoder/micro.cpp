// MicroPDF417's sizes, the choice of a size for the data, and the rows of modules.
#include "pdf417/encoder/micro.h"

#include <string>

#include "pdf417/common/error.h"
#include "pdf417/common/patterns.h"

namespace pdf417 {
namespace {

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
  for (const MicroSize& s : MicroSizes()) {
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

}  // namespace

void CheckMicroShape(int columns, int rows) {
  if (columns != 0 && (columns < 1 || columns > kMicroMaxColumns)) {
    Refuse("MicroPDF417 columns must be 1 to 4, got " + std::to_string(columns));
  }
  if (rows == 0) return;
  for (const MicroSize& s : MicroSizes()) {
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
  for (const MicroSize& s : MicroSizes()) {
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
  const int centreAfter = MicroCentreBefore(size.columns);
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
