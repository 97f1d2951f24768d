#include "pdf417/decoder/classic/fine_grid.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "pdf417/common/patterns.h"
#include "pdf417/common/symbol_geometry.h"
#include "pdf417/decoder/classic/linear_decode.h"
#include "pdf417/decoder/classic/row_col_detect.h"

namespace pdf417 {
namespace {

// The stop pattern's first bar is 7 modules wide and every bar right of it 1 module: the
// rightmost bar at least this wide is the stop pattern's first.
constexpr double kStopBarModules = 4.0;
// Codeword columns of a symbol: start, left indicator, 1 to 30 data columns, right indicator, stop.
constexpr int kMinGridColumns = 5;
constexpr int kMaxGridColumns = kMaxColumns + 4;
// Modules narrower than this many pixels cannot all be seen.
constexpr double kMinModulePixels = 0.9;
// The start pattern's first two bars begin 9 modules apart.
constexpr double kStartBarModules = 9.0;
// A boundary within this many pixels of a mark falls on it.
constexpr double kSnapPixels = 1.5;
// Grids whose inner boundaries fall on marks less often than this are not offered.
constexpr double kMinScore = 0.75;
// How far, in pixels, a module boundary may stray from where the fitted width puts it.
constexpr double kPhaseSlack = 0.02;
// How far an anchor may miss its pixel column.
constexpr double kAnchorSlack = 0.02;
// The module width is refined within this fraction of the first estimate.
constexpr double kModuleSearch = 0.03;

// The mark nearest to x, or -1 when none lies within kSnapPixels.
std::int32_t NearestMark(const std::vector<std::int32_t>& marks, double x) {
  const auto at = static_cast<std::size_t>(
      std::lower_bound(marks.begin(), marks.end(), static_cast<std::int32_t>(std::floor(x))) -
      marks.begin());
  std::int32_t best = -1;
  double bestDistance = kSnapPixels;
  for (std::size_t i = at > 0 ? at - 1 : 0; i < marks.size() && i <= at + 1; ++i) {
    const double d = std::fabs(static_cast<double>(marks[i]) - x);
    if (d <= bestDistance) {
      bestDistance = d;
      best = marks[i];
    }
  }
  return best;
}

// The codeword of a 17-module pattern in a cluster's table, or -1 when it is none.
std::int32_t ExactCodeword(std::int32_t value, int clusterIndex) {
  const PatternEntry* table = PatternToCodeword[clusterIndex];
  const PatternEntry* end = table + kCodewordCount;
  const PatternEntry* at = std::lower_bound(
      table, end, value, [](const PatternEntry& e, std::int32_t v) { return e.value < v; });
  return at != end && at->value == value ? at->codewordPlusOne - 1 : -1;
}

// Width of the interval of origins o that the anchors leave for a module width m: an anchor
// (x, i) is module boundary i found in pixel column x, the first column at or right of o + i m
// (give or take kAnchorSlack: a writer's rounding can go either way where o + i m is whole).
double OriginInterval(const std::vector<std::pair<double, double>>& anchors, double module,
                      double& low, double& high) {
  low = -1e300;
  high = 1e300;
  for (const auto& a : anchors) {
    low = std::max(low, a.first - 1.0 - a.second * module - kAnchorSlack);
    high = std::min(high, a.first - a.second * module + kAnchorSlack);
  }
  return high - low;
}

// Refines the grid's module width and finds its origin from anchors. The (module, origin) pairs
// that satisfy every anchor form a convex region; its centre of area is taken. The width of the
// region at a module width is a concave function of it: its maximum is found first, then where
// it falls to zero on either side. Anchors that no pair satisfies (a picture that does not
// follow the model) leave the pair of the widest interval.
void FitOrigin(const std::vector<std::pair<double, double>>& anchors, ColumnGrid& grid) {
  const double guess = grid.codewordWidth / kModulesPerCodeword;
  double low = 0.0;
  double high = 0.0;
  double a = guess * (1.0 - kModuleSearch);
  double b = guess * (1.0 + kModuleSearch);
  for (int i = 0; i < 100; ++i) {
    const double m1 = a + (b - a) / 3.0;
    const double m2 = b - (b - a) / 3.0;
    if (OriginInterval(anchors, m1, low, high) < OriginInterval(anchors, m2, low, high)) {
      a = m1;
    } else {
      b = m2;
    }
  }
  const double widest = (a + b) / 2.0;
  if (OriginInterval(anchors, widest, low, high) > 0.0) {
    // Where the region ends on either side of the widest interval.
    double lo = guess * (1.0 - kModuleSearch);
    double hi = widest;
    for (int i = 0; i < 60; ++i) {
      const double mid = (lo + hi) / 2.0;
      (OriginInterval(anchors, mid, low, high) > 0.0 ? hi : lo) = mid;
    }
    const double from = hi;
    lo = widest;
    hi = guess * (1.0 + kModuleSearch);
    for (int i = 0; i < 60; ++i) {
      const double mid = (lo + hi) / 2.0;
      (OriginInterval(anchors, mid, low, high) > 0.0 ? lo : hi) = mid;
    }
    const double to = lo;
    double area = 0.0;
    double sumModule = 0.0;
    double sumOrigin = 0.0;
    constexpr int kSlices = 64;
    for (int i = 0; i < kSlices; ++i) {
      const double m = from + (to - from) * (i + 0.5) / kSlices;
      const double w = std::max(OriginInterval(anchors, m, low, high), 0.0);
      area += w;
      sumModule += w * m;
      sumOrigin += w * (low + high) / 2.0;
    }
    if (area > 0.0) {
      grid.module = sumModule / area;
      grid.origin = sumOrigin / area;
      grid.codewordWidth = grid.module * kModulesPerCodeword;
      return;
    }
  }
  OriginInterval(anchors, widest, low, high);
  grid.module = widest;
  grid.origin = (low + high) / 2.0;
  grid.codewordWidth = grid.module * kModulesPerCodeword;
}

// Adds anchors for the edges of the bars of a start or stop pattern: runs from `from` on whose
// left and right edges should lie at the given module offsets (after `base` modules) from the
// pattern's first edge. An edge is taken only where the grid's rough width puts it.
void PatternAnchors(const std::vector<AryRegion>& runs, std::size_t from,
                    const std::vector<int>& lefts, const std::vector<int>& rights, int base,
                    double module, std::vector<std::pair<double, double>>& anchors) {
  if (from >= runs.size()) return;
  const double x0 = runs[from].first;
  for (std::size_t r = 0; r < lefts.size() && from + r < runs.size(); ++r) {
    const AryRegion& run = runs[from + r];
    const double left = run.first;
    const double right = run.last + 1.0;
    if (std::lround((left - x0) / module) == lefts[r]) anchors.emplace_back(left, base + lefts[r]);
    if (std::lround((right - x0) / module) == rights[r]) {
      anchors.emplace_back(right, base + rights[r]);
    }
  }
}

}  // namespace

std::vector<AryRegion> ColumnDarkRuns(const Profile& columnCounts, std::int32_t left,
                                      std::int32_t right) {
  Profile profile = columnCounts;
  ZeroOutside(profile, left, right);
  ThresholdProfile(profile, 0.85);
  std::vector<AryRegion> runs;
  const std::int32_t n = static_cast<std::int32_t>(profile.size());
  for (std::int32_t i = 1; i < n; ++i) {
    if (profile[static_cast<std::size_t>(i)] <= 0 || profile[static_cast<std::size_t>(i - 1)] > 0) {
      continue;
    }
    std::int32_t j = i;
    while (j + 1 < n && profile[static_cast<std::size_t>(j + 1)] > 0) ++j;
    runs.push_back(AryRegion{i, j, j - i + 1});
  }
  return runs;
}

std::vector<ColumnGrid> FitColumnGrids(const std::vector<AryRegion>& runs, int maxGrids) {
  std::vector<ColumnGrid> grids;
  if (runs.size() < 3 || maxGrids <= 0) return grids;
  std::vector<std::int32_t> marks;
  for (const AryRegion& r : runs) marks.push_back(r.first);
  const double f = marks.front();

  // Module width: the start pattern's first two bars begin 9 modules apart, and the left row
  // indicator 17 modules after it; each position is known to within a pixel.
  const double d = marks[1] - f;
  double narrowest = std::max(d - 1.0, 1.0) / kStartBarModules;
  double widest = (d + 1.0) / kStartBarModules;
  if (marks.size() > 4) {
    const double d4 = marks[4] - f;
    const double low = (d4 - 1.0) / kModulesPerCodeword;
    const double high = (d4 + 1.0) / kModulesPerCodeword;
    if (low <= widest && high >= narrowest) {
      narrowest = std::max(narrowest, low);
      widest = std::min(widest, high);
    }
  }
  const double module = (narrowest + widest) / 2.0;

  // The stop pattern begins with the rightmost wide bar: its first bar is 7 modules wide, all its
  // other bars 1. Its last bar is no anchor: a writer that cuts the picture short can lose it.
  std::int32_t stop = -1;
  for (auto it = runs.rbegin(); it != runs.rend(); ++it) {
    if (it->length >= kStopBarModules * narrowest) {
      stop = it->first;
      break;
    }
  }
  if (stop <= marks.front()) return grids;
  const double span = stop - f;  // start pattern to stop pattern: columns - 1 codeword widths
  const int fewest =
      std::max(kMinGridColumns - 1, static_cast<int>(std::floor(span / (17.0 * widest))));
  const int most =
      std::min(kMaxGridColumns - 1, static_cast<int>(std::ceil(span / (17.0 * narrowest))));
  const double expected = span / (17.0 * module);

  struct Candidate {
    int k;  // codeword columns before the stop pattern
    double score;
  };
  std::vector<Candidate> candidates;
  for (int k = fewest; k <= most; ++k) {
    const double width = span / k;
    if (width < kModulesPerCodeword * kMinModulePixels) continue;
    int matched = 0;
    for (int j = 1; j < k; ++j) matched += NearestMark(marks, f + j * width) >= 0;
    const double score = static_cast<double>(matched) / (k - 1);
    if (score >= kMinScore) candidates.push_back(Candidate{k, score});
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [expected](const Candidate& a, const Candidate& b) {
                     if (a.score != b.score) return a.score > b.score;
                     return std::fabs(a.k - expected) < std::fabs(b.k - expected);
                   });
  for (const Candidate& c : candidates) {
    if (static_cast<int>(grids.size()) >= maxGrids) break;
    ColumnGrid grid;
    grid.codewordWidth = span / c.k;
    grid.score = c.score;
    std::vector<std::int32_t> bounds;
    bounds.push_back(marks.front());
    for (int j = 1; j < c.k; ++j) {
      const double x = f + j * grid.codewordWidth;
      const std::int32_t mark = NearestMark(marks, x);
      bounds.push_back(mark >= 0 ? mark : static_cast<std::int32_t>(std::lround(x)));
    }
    bounds.push_back(stop);
    bounds.push_back(static_cast<std::int32_t>(std::lround(stop + grid.codewordWidth)));
    bool ordered = true;
    for (std::size_t j = 0; j + 1 < bounds.size(); ++j) {
      if (bounds[j + 1] <= bounds[j]) ordered = false;
    }
    if (!ordered) continue;
    // Anchors: (pixel column, module index) of edges whose module is known: the left edges of
    // the codeword columns and the edges of the start and stop patterns' bars.
    std::vector<std::pair<double, double>> anchors;
    for (int j = 0; j <= c.k; ++j) {
      const std::int32_t b = bounds[static_cast<std::size_t>(j)];
      if (j == 0 || j == c.k || NearestMark(marks, f + j * grid.codewordWidth) == b) {
        anchors.emplace_back(b, j * kModulesPerCodeword);
      }
    }
    const double rough = grid.codewordWidth / kModulesPerCodeword;
    PatternAnchors(runs, 0, {0, 9, 11, 13}, {8, 10, 12, 14}, 0, rough, anchors);
    const auto stopRun = static_cast<std::size_t>(
        std::find_if(runs.begin(), runs.end(),
                     [stop](const AryRegion& r) { return r.first == stop; }) -
        runs.begin());
    PatternAnchors(runs, stopRun, {0, 8, 12, 14, 17}, {7, 9, 13, 15, 18}, c.k * kModulesPerCodeword,
                   rough, anchors);
    FitOrigin(anchors, grid);
    grid.anchors = std::move(anchors);
    for (std::size_t j = 0; j + 1 < bounds.size(); ++j) {
      const std::int32_t last = bounds[j + 1] - 1;
      grid.regions.Append(AryRegion{bounds[j], last, last - bounds[j]});
    }
    grids.push_back(std::move(grid));
  }
  return grids;
}

CellReading ReadCellByEdges(const BitMatrix& image, const AryRegion& row, const AryRegion& col,
                            int clusterIndex, double start, double module) {
  CellReading reading;
  const std::int32_t n = col.last - col.first + 1;
  if (n <= 0 || module < kMinModulePixels || clusterIndex < 0 || clusterIndex >= kClusterCount) {
    return reading;
  }
  const std::int32_t needed = (row.last - row.first) / 2;
  std::vector<std::int32_t> dark(static_cast<std::size_t>(n));
  CountCellColumns(image, row.first, row.last, col.first, n, dark.data());
  std::vector<bool> bar(static_cast<std::size_t>(n));
  for (std::int32_t k = 0; k < n; ++k)
    bar[static_cast<std::size_t>(k)] = dark[static_cast<std::size_t>(k)] > needed;
  std::int32_t s = 0;
  while (s < n && !bar[static_cast<std::size_t>(s)]) ++s;
  if (s == n) return reading;
  // The first bar's left edge and the seven edges after it, in picture columns.
  std::array<double, 8>& edges = reading.edges;
  edges[0] = col.first + s;
  std::size_t count = 1;
  for (std::int32_t k = s + 1; k < n; ++k) {
    if (bar[static_cast<std::size_t>(k)] == bar[static_cast<std::size_t>(k - 1)]) continue;
    if (count == edges.size()) return reading;  // more than four bars
    edges[count++] = col.first + k;
  }
  if (count != edges.size()) return reading;  // fewer than four bars and four spaces

  // Module boundary i of the codeword lies in the first pixel column at or right of
  // start + i x module (any consistent rounding of a scaled picture is of this form, for some
  // start). So an edge in column x read as boundary i puts start in (x - 1 - i m, x - i m].
  // Each edge may be the boundary just below or just above its measured position; of the
  // readings that some start satisfies and that make a pattern of the cluster, the one whose
  // start lies nearest the grid's prediction wins.
  std::array<int, 8> below{};
  for (std::size_t k = 1; k < 8; ++k) {
    below[k] = static_cast<int>(std::floor((edges[k] - edges[0]) / module));
  }
  double bestMiss = 0.0;
  double bestMargin = 0.0;
  for (unsigned combo = 0; combo < (1u << 7); ++combo) {
    std::array<int, 9> at{};
    at[8] = kModulesPerCodeword;
    for (std::size_t k = 1; k < 8; ++k) {
      at[k] = below[k] + static_cast<int>((combo >> (k - 1)) & 1u);
    }
    double low = edges[0] - 1.0 - kPhaseSlack;
    double high = edges[0] + kPhaseSlack;
    for (std::size_t k = 1; k < 8; ++k) {
      low = std::max(low, edges[k] - 1.0 - at[k] * module - kPhaseSlack);
      high = std::min(high, edges[k] - at[k] * module + kPhaseSlack);
    }
    const double margin = high - low;
    if (margin <= 0.0) continue;
    std::int32_t value = 0;
    bool usable = true;
    for (std::size_t k = 0; k < 8 && usable; ++k) {
      const int width = at[k + 1] - at[k];
      if (width < 1 || width > 6) usable = false;
      for (int w = 0; w < width && usable; ++w) value = value * 2 + (k % 2 == 0 ? 1 : 0);
    }
    if (!usable) continue;
    const std::int32_t codeword = ExactCodeword(value, clusterIndex);
    if (codeword < 0) continue;
    ++reading.readings;
    const double miss = start < low ? low - start : start > high ? start - high : 0.0;
    if (reading.codeword < 0 || miss < bestMiss || (miss == bestMiss && margin > bestMargin)) {
      reading.codeword = codeword;
      for (std::size_t k = 0; k < 8; ++k) reading.boundaries[k] = at[k];
      bestMiss = miss;
      bestMargin = margin;
    }
  }
  return reading;
}

std::vector<std::vector<std::int32_t>> ReadGridByEdges(const BitMatrix& image,
                                                       const std::vector<AryRegion>& rows,
                                                       const ColumnGrid& grid) {
  std::vector<AryRegion> cols;
  LinkedList<AryRegion> regions(grid.regions);
  for (regions.Reset(0); !regions.AtEnd(); regions.Advance()) cols.push_back(regions.Data());
  std::vector<std::vector<std::int32_t>> codewords(rows.size(),
                                                   std::vector<std::int32_t>(cols.size(), -1));
  if (cols.size() < 3) return codewords;

  // First pass on the grid as fitted; the edges of cells that only one reading explains become
  // anchors of a second fit, which places the codewords more precisely.
  ColumnGrid refined = grid;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    for (std::size_t j = 1; j + 1 < cols.size(); ++j) {
      const double start = grid.origin + static_cast<double>(j) * grid.codewordWidth;
      const CellReading cell = ReadCellByEdges(
          image, rows[i], cols[j], static_cast<int>(i % kClusterCount), start, grid.module);
      codewords[i][j] = cell.codeword;
      if (cell.readings != 1) continue;
      for (std::size_t k = 0; k < 8; ++k) {
        refined.anchors.emplace_back(
            cell.edges[k], static_cast<double>(j) * kModulesPerCodeword + cell.boundaries[k]);
      }
    }
  }
  FitOrigin(refined.anchors, refined);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    for (std::size_t j = 1; j + 1 < cols.size(); ++j) {
      const double start = refined.origin + static_cast<double>(j) * refined.codewordWidth;
      codewords[i][j] = ReadCellByEdges(image, rows[i], cols[j],
                                        static_cast<int>(i % kClusterCount), start, refined.module)
                            .codeword;
    }
  }
  return codewords;
}

}  // namespace pdf417
