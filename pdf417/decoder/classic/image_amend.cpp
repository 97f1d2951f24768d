// Symbol geometry: the start pattern, the skew of its left edge and the picture's straightening.
#include "pdf417/decoder/classic/image_amend.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "pdf417/common/patterns.h"
#include "pdf417/common/symbol_geometry.h"
#include "pdf417/decoder/classic/image_transforms.h"

namespace pdf417 {
namespace {

constexpr double kPi = 3.14159265358979323846;
// Rows probed on each side of the centre, and the skew below which the picture is left alone.
constexpr int kProbeSteps = 30;
constexpr float kSkewTolerance = 0.05f;
constexpr std::array<std::int32_t, 8> kStartPattern = kStartPatternWidths;
constexpr int kModulesPerStartPattern = kStartPatternModules;
// The loose start pattern search: the narrowest module it considers, the module widths it tries
// between (total - 1) / 17 and (total + 1) / 17, and how far a boundary may stray from its
// pixel column (a writer's rounding can go either way where a boundary falls on a whole pixel).
constexpr double kMinLooseModule = 0.9;
constexpr int kLooseWidthSteps = 40;
constexpr double kLooseSlack = 0.05;

// Probes rows outward from the centre with find; on success row and col locate the start
// pattern.
bool ProbeRows(const BitMatrix& image, std::int32_t& row, std::int32_t& col,
               bool (*find)(const BitMatrix&, std::int32_t, std::int32_t&) = FindStartPattern) {
  const std::int32_t centre = image.Height() / 2;
  for (int n = 0; n < kProbeSteps; ++n) {
    const auto offset =
        static_cast<std::int32_t>(static_cast<double>(n) / kProbeSteps * image.Height() * 0.5);
    for (const std::int32_t candidate : {centre + offset, centre - offset}) {
      if (find(image, candidate, col)) {
        row = candidate;
        return true;
      }
    }
  }
  return false;
}

// Run lengths along a row, from column 0; the run still open at the right edge is not recorded.
// firstBlack tells whether the first run is dark.
std::vector<std::int32_t> RowRuns(const BitMatrix& image, std::int32_t row, bool& firstBlack) {
  std::vector<std::int32_t> runs;
  firstBlack = false;
  if (row < 0 || row >= image.Height()) return runs;  // outside: one light run
  // The stored bytes directly, skipping whole bytes of the current colour.
  const std::uint8_t* line = image.Row(row);
  bool dark = image.IsDark(row, 0);
  firstBlack = dark;
  std::int32_t runStart = 0;
  const std::int32_t width = image.Width();
  for (std::int32_t c = 1; c < width;) {
    const std::uint8_t byte = line[static_cast<std::size_t>(c) >> 3];
    if ((c & 7) == 0 && c + 8 <= width && byte == (dark ? 0xFF : 0x00)) {
      c += 8;
      continue;
    }
    const bool d = (byte >> (7 - (c & 7))) & 1;
    if (d != dark) {
      runs.push_back(c - runStart);
      runStart = c;
      dark = d;
    }
    ++c;
  }
  return runs;
}

// Whether eight runs (bar first) can be the start pattern drawn with modules of some width m of
// at least kMinLooseModule pixels: module boundary i in the first pixel column at or right of
// a + i m, for some start a (any consistent rounding of a scaled picture has this form). For a
// given m the boundaries leave an interval of starts; m is tried across the widths the runs'
// total allows.
bool FitsStartPattern(const std::int32_t* runs) {
  // Any fit has its wide bar (8 modules of at least 0.9 pixels, give or take 1.1 pixels) at least
  // twice as wide as each one-module element (1 module plus 1.1 pixels): a cheap test that turns
  // away almost every other run before the search below.
  for (std::size_t i = 1; i < 7; ++i) {
    if (2 * runs[i] > runs[0]) return false;
  }
  std::array<std::int32_t, 9> edge{};  // pixel columns of the boundaries, from the first bar
  std::array<std::int32_t, 9> module{};
  for (std::size_t i = 0; i < 8; ++i) {
    edge[i + 1] = edge[i] + runs[i];
    module[i + 1] = module[i] + kStartPattern[i];
  }
  const double total = edge[8];
  if (total < kMinLooseModule * kModulesPerStartPattern) return false;
  for (int step = 0; step <= kLooseWidthSteps; ++step) {
    const double m = (total - 1.0 + 2.0 * step / kLooseWidthSteps) / kModulesPerStartPattern;
    double low = -1.0 - kLooseSlack;
    double high = kLooseSlack;
    for (std::size_t i = 1; i < 9; ++i) {
      low = std::max(low, edge[i] - 1.0 - module[i] * m - kLooseSlack);
      high = std::min(high, edge[i] - module[i] * m + kLooseSlack);
    }
    if (low < high && m >= kMinLooseModule) return true;
  }
  return false;
}

// Follows the white boundary left of the start pattern's first bar, one row at a time in
// direction step, for at most limit rows, collecting its positions.
void WalkEdge(const BitMatrix& image, std::int32_t row0, std::int32_t col0, int step,
              std::int32_t limit, LinkedList<float>& rows, LinkedList<float>& cols) {
  std::int32_t r = row0;
  std::int32_t c = col0;
  for (std::int32_t n = 0; n < limit; ++n) {
    r += step;
    c += 4;
    if (!image.IsDark(r, c)) return;  // past the end of the bar
    for (int tries = 0; tries < 9; ++tries) {
      --c;
      if (!image.IsDark(r, c)) {
        rows.Append(static_cast<float>(r));
        cols.Append(static_cast<float>(c));
        break;
      }
    }
  }
}

}  // namespace

void ImageAmend::CorrectSkew(const Budget* budget) {
  untouched = true;
  transposed_ = false;
  rotated_ = false;
  image_ = BitMatrix();
  edges_ = BitMatrix();
  const BitMatrix& source = *source_;
  if (source.Empty()) return;

  std::int32_t row = 0;
  std::int32_t col = 0;
  if (!ProbeRows(source, row, col)) {
    if (budget != nullptr) budget->Check();
    image_ = Transpose(source);
    untouched = false;
    transposed_ = true;
    if (!ProbeRows(image_, row, col)) {
      // No start pattern either way: turn the transposed picture by its dominant edges' angle.
      // The rows are then located on its edge picture turned the same way.
      const BitMatrix edges = RowDifference(image_);
      skewAngle = SearchEdgeAngle(edges, budget);
      image_ = Rotate(image_, skewAngle);
      edges_ = Rotate(edges, skewAngle);
      rotated_ = true;
      return;
    }
  }
  const BitMatrix& found = Image();
  skewAngle = EstimateEdgeAngle(found, row, col);
  if (std::fabs(skewAngle) > kSkewTolerance) {
    skewAngle = RefineAngle(found, skewAngle, budget);
    image_ = Rotate(found, skewAngle);
    untouched = false;
    rotated_ = true;
  }
}

PointF ImageAmend::ToSource(PointF p) const {
  if (rotated_) {
    // Rotate's pixel (r, c) shows the picture's (cos r - sin c, sin r + cos c), with the same
    // single-precision cosine and sine.
    const double theta =
        static_cast<float>(static_cast<double>(skewAngle) * (1.0 / 180.0) * 3.14159265358979323846);
    const auto cosine = static_cast<double>(static_cast<float>(std::cos(theta)));
    const auto sine = static_cast<double>(static_cast<float>(std::sin(theta)));
    p = PointF{sine * p.y + cosine * p.x, cosine * p.y - sine * p.x};
  }
  if (transposed_) p = PointF{p.y, p.x};
  return p;
}

namespace {

// Walks the runs of a row and reports the leftmost eight, starting with a bar, that match.
template <typename Matches>
bool FindEightRuns(const BitMatrix& image, std::int32_t row, std::int32_t& col, Matches matches) {
  if (image.Width() <= 0) return false;
  bool firstBlack = false;
  const std::vector<std::int32_t> runs = RowRuns(image, row, firstBlack);
  if (runs.size() < 8) return false;

  std::int32_t before = 0;  // pixels left of run s
  for (std::size_t s = 0; s + 8 <= runs.size(); ++s) {
    const bool black = (s % 2 == 0) == firstBlack;
    if (black && matches(&runs[s])) {
      col = before;
      return true;
    }
    before += runs[s];
  }
  return false;
}

}  // namespace

bool FindStartPattern(const BitMatrix& image, std::int32_t row, std::int32_t& col) {
  return FindEightRuns(image, row, col, [](const std::int32_t* runs) {
    std::array<std::int32_t, 8> widths;
    for (std::size_t i = 0; i < 8; ++i) widths[i] = runs[i];
    NormalizeWidths(widths);
    return widths == kStartPattern;
  });
}

bool FindStartPatternLoosely(const BitMatrix& image, std::int32_t row, std::int32_t& col) {
  return FindEightRuns(image, row, col, FitsStartPattern);
}

bool ShowsStartPatternLoosely(const BitMatrix& image) {
  std::int32_t row = 0;
  std::int32_t col = 0;
  return !image.Empty() && ProbeRows(image, row, col, FindStartPatternLoosely);
}

bool ShowsSkewedStartPattern(const BitMatrix& image) {
  std::int32_t row = 0;
  std::int32_t col = 0;
  return !image.Empty() && ProbeRows(image, row, col) &&
         std::fabs(EstimateEdgeAngle(image, row, col)) > kSkewTolerance;
}

bool ShowsThinRows(const BitMatrix& image) {
  std::int32_t row = 0;
  std::int32_t col = 0;
  if (image.Empty() || !ProbeRows(image, row, col, FindStartPatternLoosely)) return false;
  // The start pattern's width from its eight runs: 17 modules, one codeword column.
  bool firstBlack = false;
  const std::vector<std::int32_t> runs = RowRuns(image, row, firstBlack);
  std::int32_t at = 0;
  std::size_t i = 0;
  while (i < runs.size() && at < col) at += runs[i++];
  std::int32_t pattern = 0;
  for (std::size_t k = i; k < runs.size() && k < i + 8; ++k) pattern += runs[k];
  if (pattern < 8) return false;
  // Vertical runs in the two codeword columns after the left row indicator, a few pixel rows
  // around the probe: symbol rows one or two pixels tall give runs of one or two pixels.
  constexpr std::int32_t kReach = 24;
  const std::int32_t top = std::max(0, row - kReach);
  const std::int32_t bottom = std::min(image.Height(), row + kReach);
  std::vector<std::int32_t> lengths;
  for (std::int32_t x = col + 2 * pattern; x < col + 4 * pattern && x < image.Width(); ++x) {
    std::int32_t start = top;
    for (std::int32_t y = top + 1; y <= bottom; ++y) {
      if (y < bottom && image.IsDark(y, x) == image.IsDark(start, x)) continue;
      if (start > top && y < bottom) lengths.push_back(y - start);  // whole runs only
      start = y;
    }
  }
  if (lengths.size() < 8) return false;
  std::nth_element(lengths.begin(), lengths.begin() + static_cast<long>(lengths.size() / 2),
                   lengths.end());
  return lengths[lengths.size() / 2] <= 2;
}

void NormalizeWidths(std::array<std::int32_t, 8>& widths) {
  std::array<std::int64_t, 8> scaled{};
  std::int64_t total = 0;
  bool usable = true;
  for (std::size_t i = 0; i < 8; ++i) {
    scaled[i] = static_cast<std::int64_t>(widths[i]) * 5;
    total += scaled[i];
    if (widths[i] < 0) usable = false;
  }
  if (total <= 0) usable = false;

  std::array<std::int32_t, 8> modules{};
  std::array<float, 8> remainders{};
  std::int32_t assigned = 0;
  for (std::size_t i = 0; i < 8; ++i) {
    // Measurements that cannot be scaled (negative, or nothing measured) count as 0 modules.
    const double q =
        usable ? static_cast<double>(scaled[i] * 17) / static_cast<double>(total) : 0.0;
    modules[i] = static_cast<std::int32_t>(q);
    remainders[i] = static_cast<float>(q - modules[i]);
    assigned += modules[i];
  }
  // Hand out the modules still missing: elements at 0 first, then the largest remainders, the
  // lowest index winning ties.
  for (std::int32_t left = 17 - assigned; left > 0; --left) {
    for (std::size_t i = 0; i < 8; ++i) {
      if (modules[i] == 0) remainders[i] = 1.0f;
    }
    std::size_t k = 0;
    for (std::size_t i = 1; i < 8; ++i) {
      if (remainders[i] > remainders[k]) k = i;
    }
    ++modules[k];
    remainders[k] = 0.0f;
  }
  widths = modules;
}

float EstimateEdgeAngle(const BitMatrix& image, std::int32_t row, std::int32_t col) {
  LinkedList<float> rows;
  LinkedList<float> cols;
  rows.Append(static_cast<float>(row));
  cols.Append(static_cast<float>(col - 1));
  WalkEdge(image, row, col, -1, image.Height() - row, rows, cols);
  WalkEdge(image, row, col, +1, row, rows, cols);

  float slope = 0.0f;
  float intercept = 0.0f;
  if (!FitLine(rows, cols, slope, intercept)) return 0.0f;  // no direction: treat as upright
  return static_cast<float>(std::atan(static_cast<double>(slope)) * (1.0 / kPi) * 180.0);
}

bool FitLine(LinkedList<float>& xs, LinkedList<float>& ys, float& slope, float& intercept) {
  slope = 0.0f;
  intercept = 0.0f;
  const std::int32_t n = xs.Size();
  if (n == 0 || ys.Size() < n) return false;
  float sx = 0.0f;
  float sy = 0.0f;
  float sxx = 0.0f;
  float sxy = 0.0f;
  bool distinct = false;
  xs.Reset(0);
  ys.Reset(0);
  const float first = xs.Data();
  for (std::int32_t i = 0; i < n; ++i) {
    const float x = xs.Data();
    const float y = ys.Data();
    if (x != first) distinct = true;
    sx += x;
    sy += y;
    sxx += x * x;
    sxy += x * y;
    xs.Advance();
    ys.Advance();
  }
  intercept = sy / static_cast<float>(n);
  if (!distinct) return false;  // all points on one x: the slope is undefined

  std::vector<std::vector<float>> system = {{static_cast<float>(n), sx, sy}, {sx, sxx, sxy}};
  std::vector<float> solution(2, 0.0f);
  if (!SolveLinear(2, system, solution)) return false;
  intercept = solution[0];
  slope = solution[1];
  return std::isfinite(slope) && std::isfinite(intercept);
}

bool SolveLinear(int n, std::vector<std::vector<float>>& matrix, std::vector<float>& solution) {
  if (n <= 0 || static_cast<int>(matrix.size()) < n) return false;
  for (int i = 0; i < n; ++i) {
    if (static_cast<int>(matrix[static_cast<std::size_t>(i)].size()) < n + 1) return false;
  }
  solution.assign(static_cast<std::size_t>(n), 0.0f);
  auto at = [&matrix](int i, int j) -> float& {
    return matrix[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
  };
  for (int k = 0; k + 1 < n; ++k) {
    // Pivot: the largest signed value in column k, the earlier row winning ties.
    int p = k;
    for (int i = k + 1; i < n; ++i) {
      if (at(i, k) > at(p, k)) p = i;
    }
    if (std::fabs(at(p, k)) < 1e-6f) return false;
    if (p != k) {
      for (int j = k; j <= n; ++j) std::swap(at(k, j), at(p, j));
    }
    for (int i = k + 1; i < n; ++i) {
      at(i, k) = at(i, k) / at(k, k);
      for (int j = k + 1; j <= n; ++j) at(i, j) = at(i, j) - at(k, j) * at(i, k);
    }
  }
  // The last pivot is tested too: a zero there would divide by zero.
  if (std::fabs(at(n - 1, n - 1)) < 1e-6f) return false;
  for (int i = n - 1; i >= 0; --i) {
    float sum = at(i, n);
    for (int j = i + 1; j < n; ++j) sum -= at(i, j) * solution[static_cast<std::size_t>(j)];
    solution[static_cast<std::size_t>(i)] = sum / at(i, i);
  }
  return true;
}

}  // namespace pdf417
