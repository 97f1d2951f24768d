#include "pdf417/decoder/grid/symbol_assembly.h"

#include <algorithm>
#include <utility>

namespace pdf417 {
namespace {

// What an indicator value states besides the row group (value / 30).
enum Kind { kRowInfo = 0, kLevelInfo = 1, kColumnInfo = 2 };

// The kind of the left (side 0) or right (side 1) indicator of a row of the cluster.
Kind KindOf(int cluster, int side) {
  static constexpr Kind kKinds[3][2] = {
      {kRowInfo, kColumnInfo}, {kLevelInfo, kRowInfo}, {kColumnInfo, kLevelInfo}};
  return kKinds[cluster][side];
}

// The value with a strict majority of the votes, or -1.
int Majority(const std::vector<int>& votes) {
  std::vector<std::pair<int, int>> counts;  // (value, count)
  for (const int v : votes) {
    auto it = std::find_if(counts.begin(), counts.end(),
                           [v](const std::pair<int, int>& c) { return c.first == v; });
    if (it == counts.end()) {
      counts.emplace_back(v, 1);
    } else {
      ++it->second;
    }
  }
  for (const auto& c : counts) {
    if (2 * c.second > static_cast<int>(votes.size())) return c.first;
  }
  return -1;
}

bool IsIndicator(int value) { return value >= 0 && value < 900; }

}  // namespace

bool AssembleSymbol(const std::vector<ReadRow>& rows, AssembledSymbol& out) {
  out = AssembledSymbol{};
  std::vector<int> votes[3];
  for (const ReadRow& row : rows) {
    if (row.cluster < 0 || row.cluster > 2) return false;
    const int sides[2] = {row.left, row.right};
    for (int side = 0; side < 2; ++side) {
      if (IsIndicator(sides[side])) votes[KindOf(row.cluster, side)].push_back(sides[side] % 30);
    }
  }
  const int rowInfo = Majority(votes[kRowInfo]);
  const int levelInfo = Majority(votes[kLevelInfo]);
  const int columnInfo = Majority(votes[kColumnInfo]);
  if (rowInfo < 0 || levelInfo < 0 || columnInfo < 0) return false;
  const int R = 3 * rowInfo + levelInfo % 3 + 1;
  const int C = columnInfo + 1;
  const int level = levelInfo / 3;
  if (R < 3 || R > 90 || level > 8) return false;
  const int info[3] = {rowInfo, levelInfo, columnInfo};

  // Each read row's number from the indicators that state the agreed counts; -1 when none does,
  // or they disagree.
  std::vector<int> number(rows.size(), -1);
  std::vector<int> claims(static_cast<std::size_t>(R), 0);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ReadRow& row = rows[i];
    if (static_cast<int>(row.codewords.size()) != C) return false;
    const int sides[2] = {row.left, row.right};
    int n = -1;
    bool conflict = false;
    for (int side = 0; side < 2; ++side) {
      const int v = sides[side];
      if (!IsIndicator(v) || v % 30 != info[KindOf(row.cluster, side)]) continue;
      const int candidate = 3 * (v / 30) + row.cluster;
      if (n >= 0 && candidate != n) conflict = true;
      n = candidate;
    }
    if (conflict || n < 0 || n >= R) continue;
    number[i] = n;
    ++claims[static_cast<std::size_t>(n)];
  }

  out.rows = R;
  out.columns = C;
  out.level = level;
  out.codewords.assign(static_cast<std::size_t>(R) * static_cast<std::size_t>(C), -1);
  bool placed = false;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (number[i] < 0 || claims[static_cast<std::size_t>(number[i])] != 1) continue;
    placed = true;
    std::copy(rows[i].codewords.begin(), rows[i].codewords.end(),
              out.codewords.begin() + static_cast<long>(number[i]) * C);
  }
  if (!placed) {
    out = AssembledSymbol{};
    return false;
  }
  for (std::size_t p = 0; p < out.codewords.size(); ++p) {
    if (out.codewords[p] < 0) out.erasures.push_back(static_cast<int>(p));
  }
  return true;
}

}  // namespace pdf417
