#include "pdf417/decoder/classic/row_col_detect.h"

#include <algorithm>
#include <string>

#include "pdf417/common/error.h"
#include "pdf417/common/one_bit_rows.h"

namespace pdf417 {
namespace {

constexpr std::int32_t kMark = 100;

// Codeword width = distance of the start pattern's first two bars x 17 / 9.
constexpr std::int64_t kModulesPerCodeword = 17;
constexpr std::int64_t kStartBarDistance = 9;

std::int32_t Count(const Profile& v) { return static_cast<std::int32_t>(v.size()); }

void CheckSize(const Profile& v, std::int32_t n, const char* what) {
  if (Count(v) != n) {
    throw Error(ErrorCode::InvalidArgument, std::string(what) + " has " + std::to_string(v.size()) +
                                                " entries, expected " + std::to_string(n));
  }
}

}  // namespace

RowColDetect::RowColDetect(const BitMatrix& source, const BitMatrix* edges)
    : image(source),
      rowProfile(static_cast<std::size_t>(std::max(source.Height(), 0)), 0),
      colProfile(static_cast<std::size_t>(std::max(source.Width(), 0)), 0),
      edges_(edges) {}

void RowColDetect::FindBounds() {
  std::fill(rowProfile.begin(), rowProfile.end(), 0);
  RowDarkCounts(image, rowProfile);
  // The tallest unbroken band of rows holding any dark pixel, then within it the longest band of
  // rows that reach 40% of the darkest row.
  symbolRows = LongestRun(rowProfile);
  ZeroOutside(rowProfile, symbolRows.first, symbolRows.last);
  ThresholdProfile(rowProfile, 0.4);
  symbolRows = LongestRun(rowProfile);

  // Columns dark in at least 85% as many symbol rows as the darkest column: the start pattern's
  // wide bar on the left, the stop pattern's last bar on the right. The last image column is
  // never taken as the right bound.
  columnCounts.assign(colProfile.size(), 0);
  ColumnDarkCounts(image, columnCounts, symbolRows.first, symbolRows.last);
  colProfile = columnCounts;
  ThresholdProfile(colProfile, 0.85);
  const std::int32_t n = Count(colProfile);
  std::int32_t left = -1;
  for (std::int32_t i = 0; i < n; ++i) {
    if (colProfile[static_cast<std::size_t>(i)] > 0) {
      left = i;
      break;
    }
  }
  std::int32_t right = -1;
  for (std::int32_t i = n - 2; i >= 0; --i) {
    if (colProfile[static_cast<std::size_t>(i)] > 0) {
      right = i;
      break;
    }
  }
  // Without a dark column the bounds enclose no column, so no row and no codeword is found.
  leftCol = left < 0 ? 0 : left;
  rightCol = right < 0 ? leftCol : right;
}

void RowColDetect::FindRows() {
  // Rows where the picture changes from the row above.
  std::fill(rowProfile.begin(), rowProfile.end(), 0);
  if (edges_ != nullptr) {
    RowDarkCountsInColumns(*edges_, rowProfile, leftCol, rightCol);
  } else {
    RowChangeCountsInColumns(image, rowProfile, leftCol, rightCol);
  }
  // One entry of margin keeps the change into the first row below the symbol.
  ZeroOutside(rowProfile, symbolRows.first, symbolRows.last);
  ThresholdProfile(rowProfile, 0.25);
  InvertBetweenMarks(rowProfile);
  rowRegions = CollectRegions(rowProfile);
}

void RowColDetect::FindColumns() {
  if (columnCounts.size() != colProfile.size()) {  // FindBounds did not run
    columnCounts.assign(colProfile.size(), 0);
    ColumnDarkCounts(image, columnCounts, symbolRows.first, symbolRows.last);
  }
  colProfile = columnCounts;
  ZeroOutside(colProfile, leftCol, rightCol);
  ThresholdProfile(colProfile, 0.85);
  KeepRisingEdges(colProfile);
  KeepPeriodicEdges(colProfile);
  InvertBetweenMarks(colProfile);
  colRegions = CollectRegions(colProfile);
  // A symbol has at least its start and stop pattern columns; anything less is no symbol.
  if (colRegions.Size() < 2) {
    colRegions.Clear();
    rowRegions.Clear();
  }
}

void RowDarkCounts(const BitMatrix& image, Profile& rowProfile) {
  CheckSize(rowProfile, image.Height(), "row profile");
  const OneBitRows rows = image.Rows();
  for (std::int32_t r = 1; r < image.Height(); ++r) {
    rowProfile[static_cast<std::size_t>(r)] += rows.CountDark(r, 0, image.Width());
  }
}

void RowDarkCountsInColumns(const BitMatrix& image, Profile& rowProfile, std::int32_t a,
                            std::int32_t b) {
  CheckSize(rowProfile, image.Height(), "row profile");
  // Everything outside the picture is light, so only columns inside it can count.
  const std::int32_t from = std::max(a, 0);
  const std::int32_t to = std::min(b, image.Width());
  const OneBitRows rows = image.Rows();
  for (std::int32_t r = 0; r < image.Height(); ++r) {
    rowProfile[static_cast<std::size_t>(r)] += rows.CountDark(r, from, to);
  }
}

void RowChangeCountsInColumns(const BitMatrix& image, Profile& rowProfile, std::int32_t a,
                              std::int32_t b) {
  CheckSize(rowProfile, image.Height(), "row profile");
  const std::int32_t from = std::max(a, 0);
  const std::int32_t to = std::min(b, image.Width());
  if (from >= to) return;
  // Each pair of rows XORed a byte at a time into one scratch row, whose dark pixels are counted.
  const std::size_t first = static_cast<std::size_t>(from) >> 3;
  const std::size_t last = static_cast<std::size_t>(to - 1) >> 3;
  std::vector<std::uint8_t> change(image.Stride());
  const OneBitRows changed = OneBitRows(change.data(), image.Width(), 1, image.Stride());
  for (std::int32_t r = 1; r < image.Height(); ++r) {
    const std::uint8_t* upper = image.Row(r - 1);
    const std::uint8_t* lower = image.Row(r);
    for (std::size_t i = first; i <= last; ++i) {
      change[i] = static_cast<std::uint8_t>(upper[i] ^ lower[i]);
    }
    rowProfile[static_cast<std::size_t>(r)] += changed.CountDark(0, from, to);
  }
}

void ColumnDarkCounts(const BitMatrix& image, Profile& colProfile, std::int32_t a, std::int32_t b) {
  CheckSize(colProfile, image.Width(), "column profile");
  if (b == 0) b = image.Height();
  const std::int32_t from = std::max(a, 0);
  const std::int32_t to = std::min(b, image.Height());
  // Row by row, eight columns at a time.
  std::fill(colProfile.begin(), colProfile.end(), 0);
  if (from < to) image.Rows().AddColumnCounts(from, to, colProfile.data());
}

void ZeroOutside(Profile& v, std::int32_t a, std::int32_t b) {
  const std::int32_t n = Count(v);
  for (std::int32_t i = 0; i < n && i <= a - 2; ++i) v[static_cast<std::size_t>(i)] = 0;
  for (std::int32_t i = std::max(b + 2, 0); i < n; ++i) v[static_cast<std::size_t>(i)] = 0;
}

void ThresholdProfile(Profile& v, double fraction) {
  std::int32_t m = 0;
  for (const std::int32_t x : v) m = std::max(m, x);
  const auto t = static_cast<std::int32_t>(static_cast<double>(m) * fraction);
  for (std::int32_t& x : v) x = x < t ? 0 : m;
}

AryRegion LongestRun(const Profile& v) {
  const std::int32_t n = Count(v);
  AryRegion best{0, n - 1, n};
  bool found = false;
  std::int32_t i = 0;
  while (i < n) {
    if (v[static_cast<std::size_t>(i)] <= 0) {
      ++i;
      continue;
    }
    std::int32_t k = 1;
    while (i + k < n && v[static_cast<std::size_t>(i + k)] != 0) ++k;
    if (i + k >= n) break;  // a run that reaches the last entry does not count
    // Strictly longer only: of equally long runs the earliest stays.
    if (!found || k > best.length) {
      best = AryRegion{i, i + k - 1, k};
      found = true;
    }
    i += k;
  }
  return best;
}

void KeepRisingEdges(Profile& v) {
  const std::int32_t n = Count(v);
  std::vector<std::int32_t> edges;
  for (std::int32_t i = 1; i < n; ++i) {
    if (v[static_cast<std::size_t>(i)] > 0 && v[static_cast<std::size_t>(i - 1)] == 0) {
      edges.push_back(i);
    }
  }
  for (std::int32_t& x : v) {
    if (x > 0) x = 0;
  }
  for (const std::int32_t i : edges) v[static_cast<std::size_t>(i)] = kMark;
}

void KeepPeriodicEdges(Profile& v) {
  const std::int32_t n = Count(v);
  std::int32_t f = 0;
  while (f < n && v[static_cast<std::size_t>(f)] <= 0) ++f;
  std::int32_t s = f + 1;
  while (s < n && v[static_cast<std::size_t>(s)] <= 0) ++s;
  if (s >= n) return;  // fewer than two marks: no width to measure
  std::int32_t last = n - 1;
  while (v[static_cast<std::size_t>(last)] <= 0) --last;

  std::int64_t p = (static_cast<std::int64_t>(s) - f) * kModulesPerCodeword / kStartBarDistance;
  std::int64_t c = 1;
  for (std::int32_t j = f + 1; j < last; ++j) {
    if (v[static_cast<std::size_t>(j)] == 0) continue;
    const std::int64_t distance = static_cast<std::int64_t>(j) - f;
    const std::int64_t r = distance % p;
    const std::int64_t h = p / 2;
    const std::int64_t off = r > h ? r - h : h - r;
    // Accept when 2|r - h| / p exceeds 0.9: the mark lies close to a whole number of widths.
    if (20 * off > 9 * p) {
      // The distance from the previous kept mark counts as one width in the running mean.
      p = (p * c + distance) / (c + 1);
      ++c;
      f = j;
    } else {
      v[static_cast<std::size_t>(j)] = 0;
    }
  }
}

void InvertBetweenMarks(Profile& v) {
  const std::int32_t n = Count(v);
  std::int32_t a = 0;
  while (a < n && v[static_cast<std::size_t>(a)] <= 0) ++a;
  if (a >= n) return;
  std::int32_t b = n - 2;
  while (b >= 1 && v[static_cast<std::size_t>(b)] <= 0) --b;
  if (b < 1 || b < a) return;
  for (std::int32_t i = a; i <= b; ++i) {
    std::int32_t& x = v[static_cast<std::size_t>(i)];
    x = x > 0 ? 0 : kMark;
  }
}

LinkedList<AryRegion> CollectRegions(const Profile& v) {
  LinkedList<AryRegion> regions;
  const std::int32_t n = Count(v);
  std::int32_t i = 1;
  while (i < n - 1) {
    if (v[static_cast<std::size_t>(i)] > 0 && v[static_cast<std::size_t>(i - 1)] == 0) {
      std::int32_t k = 0;
      while (i + k != n - 1 && !(v[static_cast<std::size_t>(i + k)] > 0 &&
                                 v[static_cast<std::size_t>(i + k + 1)] == 0)) {
        ++k;
      }
      regions.Append(AryRegion{i - 1, i + k, k + 1});
      i += k > 0 ? k : 1;
    } else {
      ++i;
    }
  }
  return regions;
}

}  // namespace pdf417
