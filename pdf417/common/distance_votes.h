// Line votes of one row of pixels for one angle, as the decoder's angle search counts them:
// pixel (r, c) votes for the distance trunc(r cos + c sin) when it lies in 1 .. nRho - 1. The
// caller passes rowTerm = r cos, computed once per row and angle.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pdf417 {

// One distance per pixel.
inline void VoteDistances(const double* columns, std::size_t n, double rowTerm, double sine,
                          std::int32_t* line, std::int32_t nRho) {
  for (std::size_t k = 0; k < n; ++k) {
    const auto rho = static_cast<std::int32_t>(rowTerm + columns[k] * sine);
    if (rho >= 1 && rho < nRho) ++line[rho];
  }
}

// The same votes for columns in ascending order, in runs of equal distance.
//
// The distance is monotone in c: rounding to the nearest double and truncation never reverse an
// order, so c sin, rowTerm + c sin and its integer part all move one way as c grows. Two columns
// with the same distance therefore enclose only columns of that distance. The row is walked in
// runs of equal distance, each found by doubling steps and then halving them: near the
// horizontal, where long runs share a distance, that costs a few evaluations per run instead of
// one per pixel. Every distance used is computed exactly as VoteDistances computes it.
inline void VoteDistancesByRuns(const double* columns, std::size_t count, double rowTerm,
                                double sine, std::int32_t* line, std::int32_t nRho) {
  const auto n = static_cast<std::int64_t>(count);
  auto distance = [columns, rowTerm, sine](std::int64_t k) {
    return static_cast<std::int32_t>(rowTerm + columns[k] * sine);
  };
  std::int64_t i = 0;
  std::int32_t value = n > 0 ? distance(0) : 0;
  while (i < n) {
    // The run of value starts at i; last is its last known member, differ the first index known
    // to lie past it (n when none is), with its distance in differValue.
    std::int64_t last = i;
    std::int64_t differ = n;
    std::int32_t differValue = 0;
    for (std::int64_t step = 1;; step *= 2) {
      const std::int64_t probe = last + step;
      if (probe >= n) break;
      const std::int32_t v = distance(probe);
      if (v != value) {
        differ = probe;
        differValue = v;
        break;
      }
      last = probe;
    }
    while (differ - last > 1) {
      const std::int64_t mid = last + (differ - last) / 2;
      const std::int32_t v = distance(mid);
      if (v == value) {
        last = mid;
      } else {
        differ = mid;
        differValue = v;
      }
    }
    if (value >= 1 && value < nRho) line[value] += static_cast<std::int32_t>(last - i + 1);
    i = last + 1;
    // The search ends with differ = last + 1 unless the run reached the end.
    value = differValue;
  }
}

}  // namespace pdf417
