// A small tally of values: how the readings of one cell, one fact of the row indicators, or the
// columns measured across the symbol are decided among the lines that read them.
#pragma once

#include <algorithm>
#include <utility>
#include <vector>

namespace pdf417 {

class Votes {
 public:
  void Add(int value, int weight = 1) {
    for (auto& c : counts_) {
      if (c.first == value) {
        c.second += weight;
        return;
      }
    }
    counts_.emplace_back(value, weight);
  }
  bool Empty() const { return counts_.empty(); }
  // Values by votes, most first; equal votes in the order of their first vote.
  std::vector<int> Ranked() const {
    std::vector<std::pair<int, int>> sorted = counts_;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    std::vector<int> out;
    out.reserve(sorted.size());
    for (const auto& s : sorted) out.push_back(s.first);
    return out;
  }
  // The clear winner, or -1 when nobody voted or two values tie.
  int Winner() const {
    int best = -1, bestVotes = 0, second = 0;
    for (const auto& c : counts_) {
      if (c.second > bestVotes) {
        second = bestVotes;
        bestVotes = c.second;
        best = c.first;
      } else if (c.second > second) {
        second = c.second;
      }
    }
    return bestVotes > second ? best : -1;
  }

 private:
  std::vector<std::pair<int, int>> counts_;  // value, votes
};

}  // namespace pdf417
