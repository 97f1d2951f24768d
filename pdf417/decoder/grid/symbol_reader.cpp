#include "pdf417/decoder/grid/symbol_reader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "pdf417/common/symbol_geometry.h"
#include "pdf417/decoder/binarize/runs.h"
#include "pdf417/decoder/codewords/line_reader.h"
#include "pdf417/decoder/correct/symbol_check.h"
#include "pdf417/decoder/grid/codeword_grid.h"
#include "pdf417/decoder/grid/homography.h"
#include "pdf417/decoder/grid/votes.h"
#include "pdf417/decoder/locate/side_tracer.h"

namespace pdf417 {
namespace {

// Samples of one candidate's lines from one source at most: bounds the time a large candidate
// that is no symbol can take.
constexpr long kMaxSamples = 3000000;

DecodeResult Verdict(DecodeStatus status, const char* message) {
  DecodeResult r;
  r.status = status;
  r.message = message;
  return r;
}

double Distance(const PointF& a, const PointF& b) { return std::hypot(a.x - b.x, a.y - b.y); }

// What the row indicators of the lines say, fact by fact: an indicator holds 30 x (row / 3) plus
// one fact of the symbol, chosen by its side and its row's cluster.
struct Facts {
  Votes rowsHigh;  // (rows - 1) / 3
  Votes rowsLow;   // (rows - 1) mod 3
  Votes level;
  Votes columns;

  void Note(const EdgeReading& r, bool leftSide) {
    if (r.codeword < 0) return;
    const int value = r.codeword % 30;
    switch (leftSide ? LeftIndicatorFact(r.cluster) : RightIndicatorFact(r.cluster)) {
      case IndicatorFact::Rows:
        rowsHigh.Add(value);
        break;
      case IndicatorFact::Level:
        level.Add(value / 3);
        rowsLow.Add(value % 3);
        break;
      case IndicatorFact::Columns:
        columns.Add(value + 1);
        break;
    }
  }
};

// The symbol row an indicator was read in: its cluster and its multiple of 30.
int RowOf(const EdgeReading& r) { return r.codeword < 0 ? -1 : 3 * (r.codeword / 30) + r.cluster; }

// The pixel a coordinate falls in, for a lookup that takes every negative index for outside:
// truncation floors the values that matter, and one conversion does it (floor takes several
// without SSE4.1). Negative values, NaN and values past any picture give -1.
int PixelIndex(double v) { return v >= 0 && v < 1e9 ? static_cast<int>(v) : -1; }

// The grey level at a point, interpolated between the four nearest pixels; paper outside.
double GreyAt(const GreyView& grey, double px, double py) {
  const double x = px - 0.5;
  const double y = py - 0.5;
  if (x >= 0 && y >= 0 && x < grey.width - 1 && y < grey.height - 1) {
    // The four pixels inside the picture (nearly every point): no checks, and the weights in
    // 1/256 of a pixel, so that one conversion a coordinate (truncation floors a positive value)
    // and integer arithmetic do what floor, four conversions and floating products did.
    const int sx = static_cast<int>(x * 256);
    const int sy = static_cast<int>(y * 256);
    const int fx = sx & 255;
    const int fy = sy & 255;
    const std::uint8_t* a = grey.Row(sy >> 8) + (sx >> 8);
    const std::uint8_t* b = a + grey.stride;
    const int top = (a[0] << 8) + (a[1] - a[0]) * fx;
    const int bottom = (b[0] << 8) + (b[1] - b[0]) * fx;
    return ((top << 8) + (bottom - top) * fy) * (1.0 / 65536);
  }
  const int x0 = static_cast<int>(std::floor(x));
  const int y0 = static_cast<int>(std::floor(y));
  const double fx = x - x0;
  const double fy = y - y0;
  auto at = [&grey](int row, int col) -> double {
    if (row < 0 || col < 0 || row >= grey.height || col >= grey.width) return 255;
    return grey.At(row, col);
  };
  return (at(y0, x0) * (1 - fx) + at(y0, x0 + 1) * fx) * (1 - fy) +
         (at(y0 + 1, x0) * (1 - fx) + at(y0 + 1, x0 + 1) * fx) * fy;
}

// Dark where a level is below the middle of the darkest and lightest levels around it: blocks of
// half the window, each sample judged by its own block and both neighbours. A window of about
// 13 modules always holds a bar and a space inside a symbol.
void ThresholdLine(const std::vector<double>& levels, double window,
                   std::vector<std::uint8_t>& dark) {
  const std::size_t n = levels.size();
  const std::size_t block = std::max<std::size_t>(2, static_cast<std::size_t>(window / 2));
  const std::size_t blocks = (n + block - 1) / block;
  std::vector<double> lo(blocks, 255);
  std::vector<double> hi(blocks, 0);
  // Block by block, not sample by sample: a division a sample cost more than the comparisons.
  for (std::size_t b = 0; b < blocks; ++b) {
    const std::size_t end = std::min(n, (b + 1) * block);
    for (std::size_t i = b * block; i < end; ++i) {
      lo[b] = std::min(lo[b], levels[i]);
      hi[b] = std::max(hi[b], levels[i]);
    }
  }
  for (std::size_t b = 0; b < blocks; ++b) {
    double l = lo[b];
    double h = hi[b];
    if (b > 0) {
      l = std::min(l, lo[b - 1]);
      h = std::max(h, hi[b - 1]);
    }
    if (b + 1 < blocks) {
      l = std::min(l, lo[b + 1]);
      h = std::max(h, hi[b + 1]);
    }
    // A flat stretch (quiet zone, paper) is light unless it is dark on the global scale.
    const bool flat = h - l < 24;
    const double middle = flat ? kGreyThreshold : (l + h) / 2;
    const std::size_t end = std::min(n, (b + 1) * block);
    for (std::size_t i = b * block; i < end; ++i) dark[i] = levels[i] < middle;
  }
}

// The lines of one candidate and how each is read: from the matrix's own rows (or columns) when
// the symbol lies along them, else sampled through the perspective map; from the grey picture
// through the same map.
class LineSource {
 public:
  LineSource(const BitMatrix& bits, const BitMatrix* transposed, const SymbolCandidate& candidate,
             const GreyView* grey, int border)
      : bits_(bits), grey_(grey), candidate_(candidate), border_(border), map_(candidate.corners) {
    const std::array<PointF, 4>& q = candidate.corners;
    tall_ = std::max(Distance(q[0], q[3]), Distance(q[1], q[2]));
    wide_ = std::max(Distance(q[0], q[1]), Distance(q[3], q[2]));
    usable_ = map_.Valid() && candidate.module > 0 && tall_ >= 3 && tall_ <= 40000 &&
              wide_ >= 30 * candidate.module && wide_ <= 40000;
    if (!usable_) return;
    // Two samples a pixel across; down, a line every two thirds of a pixel or every 0.4 module,
    // whichever is sparser, and at most kMaxSamples samples in all. A little beyond the corners
    // across, so that a corner a module off still shows the whole pattern. The matrix's lines take
    // one sample a pixel where modules are two pixels or more: a second sample in a pixel of one
    // bit adds nothing; the grey picture's take two, whose levels between pixels place edges.
    sampleCount_ = std::min(20000, static_cast<int>(std::ceil(wide_ * 2)));
    matrixSamples_ =
        candidate.module >= 2 ? std::min(20000, static_cast<int>(std::ceil(wide_))) : sampleCount_;
    const double perPixel = std::min(1.5, 2.5 / candidate.module);
    lineCount_ = std::max(6, std::min({2000, static_cast<int>(std::ceil(tall_ * perPixel)),
                                       static_cast<int>(kMaxSamples / sampleCount_)}));
    margin_ = std::min(0.2, 4 * candidate.module / wide_);
    FindAxis(transposed);
  }

  bool Usable() const { return usable_; }
  const Perspective& Map() const { return map_; }
  int Lines() const { return axis_ != nullptr ? axisLines_ : lineCount_; }
  int Sources() const { return grey_ != nullptr ? 2 : 1; }
  double Width() const { return wide_; }

  // Reads line l (0 .. Lines() - 1) of a source (0 the matrix, 1 the grey picture) into `line`.
  void Read(int source, int l, LineReading& line) {
    line.v = V(l);
    int samples = 0;
    double perPixel = 1;
    if (source == 0 && axis_ != nullptr) {
      samples = AxisRuns(l, line.runs);
      const double span = axisEnd_ - axisStart_;
      line.uPerSample = (reversed_ ? -1 : 1) / span;
      line.uOrigin = ((reversed_ ? hi_ : lo_) - axisStart_) / span;
    } else {
      const int count = source == 0 ? matrixSamples_ : sampleCount_;
      perPixel = count * (1 + 2 * margin_) / wide_;
      line.uPerSample = (1 + 2 * margin_) / count;
      line.uOrigin = -margin_;
      samples = count;
      const Perspective::Line map = map_.LineAt(line.v);
      const double du = (1 + 2 * margin_) / count;
      if (OffTheMatrix(map)) {
        // Every sample would be paper (light, or dark on an inverted candidate).
        line.runs.assign(1, Run{0, count, candidate_.inverted});
        ReadLine(line, samples, perPixel);
        return;
      }
      samples_.resize(static_cast<std::size_t>(count));
      if (source == 0) {
        SampleMatrix(map, du, 0, count);
      } else {
        levels_.resize(static_cast<std::size_t>(sampleCount_));
        for (int k = 0; k < sampleCount_; ++k) {
          const double u = -margin_ + (k + 0.5) * du;
          const double w = 1 / (map.g * u + map.h);
          const double level = GreyAt(*grey_, (map.ax * u + map.bx) * w - border_,
                                      (map.ay * u + map.by) * w - border_);
          levels_[static_cast<std::size_t>(k)] = candidate_.inverted ? 255 - level : level;
        }
        ThresholdLine(levels_, 6.5 * candidate_.module * sampleCount_ / wide_, samples_);
      }
      RunsOf(samples_.data(), count, line.runs);
    }
    ReadLine(line, samples, perPixel);
  }

  // Whether ReadPart can read parts of this candidate's matrix lines: they are sampled through
  // the perspective map, not taken from the matrix's own rows.
  bool Partial() const { return axis_ == nullptr; }
  int MatrixSamples() const { return matrixSamples_; }

  // Reads samples `from` .. `to` - 1 of line l of the matrix, as Read samples the whole line: the
  // runs' begins count from the line's first sample and the line reader is told the whole line's
  // length, so that it looks for each pattern where it would on the whole line.
  void ReadPart(int l, int from, int to, LineReading& line) {
    const int count = matrixSamples_;
    from = std::clamp(from, 0, count);
    to = std::clamp(to, from, count);
    line.v = V(l);
    const double perPixel = count * (1 + 2 * margin_) / wide_;
    line.uPerSample = (1 + 2 * margin_) / count;
    line.uOrigin = -margin_;
    const Perspective::Line map = map_.LineAt(line.v);
    const double du = (1 + 2 * margin_) / count;
    if (OffTheMatrix(map) || to == from) {
      line.runs.assign(1, Run{from, to - from, candidate_.inverted});
    } else {
      samples_.resize(static_cast<std::size_t>(to - from));
      SampleMatrix(map, du, from, to);
      RunsOf(samples_.data(), to - from, line.runs);
      for (Run& r : line.runs) r.begin += from;
    }
    ReadLine(line, count, perPixel);
  }

 private:
  // Samples `from` .. `to` - 1 of a matrix line (`du` apart across the symbol) into samples_ from
  // its start, dark as 1 (light on an inverted candidate).
  void SampleMatrix(const Perspective::Line& map, double du, int from, int to) {
    for (int k = from; k < to; ++k) {
      const double u = -margin_ + (k + 0.5) * du;
      const double w = 1 / (map.g * u + map.h);
      const double x = (map.ax * u + map.bx) * w;
      const double y = (map.ay * u + map.by) * w;
      const bool dark = bits_.IsDark(PixelIndex(y), PixelIndex(x));
      samples_[static_cast<std::size_t>(k - from)] = dark != candidate_.inverted;
    }
  }

  // Whether the line's stretch that Read samples lies wholly outside the matrix (a candidate that
  // reaches past the picture's edge): the straight segment between its ends, clipped to the
  // matrix by the parametric (Liang-Barsky) test, is empty.
  bool OffTheMatrix(const Perspective::Line& map) const {
    auto at = [&map](double u) {
      const double w = map.g * u + map.h;
      return PointF{(map.ax * u + map.bx) / w, (map.ay * u + map.by) / w};
    };
    // Between ends on either side of the map's horizon the line is not that segment.
    if ((map.g * -margin_ + map.h) * (map.g * (1 + margin_) + map.h) <= 0) return false;
    const PointF a = at(-margin_);
    const PointF b = at(1 + margin_);
    if (!std::isfinite(a.x + a.y + b.x + b.y)) return false;
    double t0 = 0, t1 = 1;
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    // Each side of the matrix as p t <= q.
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x, bits_.Width() - a.x, a.y, bits_.Height() - a.y};
    for (int k = 0; k < 4; ++k) {
      if (p[k] == 0) {
        if (q[k] < 0) return true;
        continue;
      }
      const double t = q[k] / p[k];
      if (p[k] < 0) {
        t0 = std::max(t0, t);
      } else {
        t1 = std::min(t1, t);
      }
    }
    return t0 > t1;
  }

  // Where line l crosses the symbol, from its top edge (0) to its bottom edge (1).
  double V(int l) const {
    if (axis_ == nullptr) return (l + 0.5) / lineCount_;
    return (axisFirst_ + step_ * l + 0.5 - axisTop_) / (axisBottom_ - axisTop_);
  }

  // A symbol whose rows lie along the matrix's rows (or columns: along the rows of the transposed
  // matrix), read either way, with its corners within a pixel of a rectangle: its lines are the
  // pixel rows themselves.
  void FindAxis(const BitMatrix* transposed) {
    const std::array<PointF, 4>& q = candidate_.corners;
    const auto near = [](double a, double b) { return std::fabs(a - b) <= 1.0; };
    if (near(q[0].y, q[1].y) && near(q[3].y, q[2].y) && near(q[0].x, q[3].x) &&
        near(q[1].x, q[2].x)) {
      axis_ = &bits_;
      across_ = false;
    } else if (transposed != nullptr && near(q[0].x, q[1].x) && near(q[3].x, q[2].x) &&
               near(q[0].y, q[3].y) && near(q[1].y, q[2].y)) {
      axis_ = transposed;
      across_ = true;
    } else {
      return;
    }
    // In the axis matrix's own coordinates: along its rows (s) and down its rows (t).
    auto s = [this](const PointF& p) { return across_ ? p.y : p.x; };
    auto t = [this](const PointF& p) { return across_ ? p.x : p.y; };
    const double start = (s(q[0]) + s(q[3])) / 2;
    const double end = (s(q[1]) + s(q[2])) / 2;
    axisStart_ = start;
    axisEnd_ = end;
    axisTop_ = (t(q[0]) + t(q[1])) / 2;
    axisBottom_ = (t(q[3]) + t(q[2])) / 2;
    reversed_ = end < start;
    step_ = axisBottom_ > axisTop_ ? 1 : -1;
    const double marginPixels = 4 * candidate_.module;
    lo_ = static_cast<int>(std::floor(std::min(start, end) - marginPixels));
    hi_ = static_cast<int>(std::ceil(std::max(start, end) + marginPixels));
    lo_ = std::max(lo_, 0);
    hi_ = std::min(hi_, axis_->Width());
    // Pixel rows whose centres lie between the top and bottom edges.
    const double first = step_ > 0 ? std::ceil(axisTop_ - 0.5) : std::floor(axisTop_ - 0.5);
    axisFirst_ = static_cast<int>(first);
    axisLines_ = static_cast<int>(std::floor(std::fabs(axisBottom_ - axisTop_)));
    if (hi_ - lo_ < 30 || axisLines_ < 1) axis_ = nullptr;
  }

  // The runs of pixel row l of the axis matrix between lo_ and hi_, in reading order.
  int AxisRuns(int l, std::vector<Run>& runs) {
    RowRuns(*axis_, axisFirst_ + step_ * l, rowRuns_);
    runs.clear();
    for (const Run& r : rowRuns_) {
      const int b = std::max(r.begin, lo_);
      const int e = std::min(r.begin + r.length, hi_);
      if (e <= b) continue;
      runs.push_back(Run{b - lo_, e - b, r.dark != candidate_.inverted});
    }
    const int length = hi_ - lo_;
    if (reversed_) {
      std::reverse(runs.begin(), runs.end());
      for (Run& r : runs) r.begin = length - r.begin - r.length;
    }
    return length;
  }

  const BitMatrix& bits_;
  const GreyView* grey_;
  const SymbolCandidate& candidate_;
  int border_;
  Perspective map_;
  double tall_ = 0, wide_ = 0, margin_ = 0;
  bool usable_ = false;
  int sampleCount_ = 0;
  int matrixSamples_ = 0;
  int lineCount_ = 0;
  std::vector<std::uint8_t> samples_;
  std::vector<double> levels_;
  // The axis-aligned reading.
  const BitMatrix* axis_ = nullptr;
  bool across_ = false;
  bool reversed_ = false;
  int step_ = 1;
  int lo_ = 0, hi_ = 0;
  int axisFirst_ = 0, axisLines_ = 0;
  double axisTop_ = 0, axisBottom_ = 0;
  double axisStart_ = 0, axisEnd_ = 1;
  std::vector<Run> rowRuns_;
};

// A symbol's left or right side in the candidate's frame: u = at0 + slope v.
struct EdgeLine {
  double at0;
  double slope;
  double At(double v) const { return at0 + slope * v; }
};

// The straight line u(v) through points (x = v, y = u), by least squares after dropping the
// points farthest from a first fit (a line can misread where its grid ends).
EdgeLine FitEdge(const std::vector<PointF>& points) {
  auto fit = [](const std::vector<PointF>& p) {
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const PointF& q : p) {
      sx += q.x;
      sy += q.y;
      sxx += q.x * q.x;
      sxy += q.x * q.y;
    }
    const double n = static_cast<double>(p.size());
    const double den = n * sxx - sx * sx;
    if (std::fabs(den) < 1e-12) return EdgeLine{sy / n, 0};
    const double slope = (n * sxy - sx * sy) / den;
    return EdgeLine{(sy - slope * sx) / n, slope};
  };
  const EdgeLine first = fit(points);
  std::vector<double> residuals;
  for (const PointF& q : points) residuals.push_back(std::fabs(q.y - first.At(q.x)));
  std::vector<double> sorted = residuals;
  std::nth_element(sorted.begin(), sorted.begin() + static_cast<long>(sorted.size() / 2),
                   sorted.end());
  const double limit = 3 * sorted[sorted.size() / 2] + 1e-9;
  std::vector<PointF> kept;
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (residuals[i] <= limit) kept.push_back(points[i]);
  }
  return kept.size() >= 2 ? fit(kept) : first;
}

// The symbol's outer corners, in the candidate's frame: from its top row to its bottom row by the
// fit of row against v (a candidate may cover only some of the rows), and across from the
// patterns found; where only one pattern edge was found, or the symbol is compact (its stop edge
// may have been something else), the far side goes where the lines' module grids put the end of
// the symbol's modules.
std::array<PointF, 4> SymbolCorners(const Perspective& map, const std::vector<LineReading>& lines,
                                    const std::vector<bool>& sampled, int rows, double slope,
                                    double offset, int columns, bool compact) {
  double top = (-0.5 - offset) / slope;
  double bottom = (rows - 0.5 - offset) / slope;
  // Within half a row of the candidate's own edges, the candidate's edges stand.
  const double halfRow = 0.5 / slope;
  if (std::fabs(top) < halfRow) top = 0;
  if (std::fabs(bottom - 1) < halfRow) bottom = 1;
  const int width = 17 * columns + (compact ? kCompactFrameModules : kFrameModules);
  // Where each line's module grid puts the symbol's left and right ends, against the line's v.
  std::vector<PointF> starts;
  std::vector<PointF> ends;
  std::vector<PointF> backwardStarts;
  std::vector<PointF> backwardEnds;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!sampled[i]) continue;
    const LineReading& line = lines[i];
    auto u = [&line](double sample) { return line.uOrigin + sample * line.uPerSample; };
    // A pattern on the line marks its end itself; otherwise the line's grid, carried on from the
    // other end, puts it.
    const double startAt =
        line.startRun >= 0 ? line.runs[static_cast<std::size_t>(line.startRun)].begin : -1;
    double stopEnd = -1;
    if (line.stopRun >= 0 && !compact) {
      const Run& last = line.runs[static_cast<std::size_t>(line.stopRun + 8)];
      stopEnd = last.begin + last.length;
    }
    if (line.forward.module > 0) {
      starts.push_back(PointF{line.v, u(startAt >= 0 ? startAt : line.forward.origin)});
      ends.push_back(PointF{
          line.v, u(stopEnd >= 0 ? stopEnd : line.forward.origin + width * line.forward.module)});
    }
    if (line.backward.module > 0) {
      const double first = line.backwardStopAt - 17.0 * (columns + 3);
      backwardStarts.push_back(PointF{
          line.v, u(startAt >= 0 ? startAt : line.backward.origin + first * line.backward.module)});
      backwardEnds.push_back(PointF{
          line.v, u(stopEnd >= 0 ? stopEnd
                                 : line.backward.origin + (first + width) * line.backward.module)});
    }
  }
  // The symbol's sides are the straight lines fitted to where the lines' module grids put its
  // ends, down the symbol: measured on every line, they place it better than the ends of the
  // pattern edges it was found by, and right where a candidate's stop edge was another symbol's or
  // bars inside its own. The grids from the start pattern first (the walk from a stop pattern may
  // have been another symbol's too); without them, those from the stop pattern; without any, the
  // candidate's own edges.
  const bool forward = starts.size() >= 3;
  const std::vector<PointF>& lefts = forward ? starts : backwardStarts;
  const std::vector<PointF>& rights = forward ? ends : backwardEnds;
  EdgeLine left{0, 0};
  EdgeLine right{1, 0};
  if (lefts.size() >= 3) {
    left = FitEdge(lefts);
    right = FitEdge(rights);
  }
  return {map.Map(left.At(top), top), map.Map(right.At(top), top),
          map.Map(right.At(bottom), bottom), map.Map(left.At(bottom), bottom)};
}

// The symbol the lines read so far show: rows, columns and level from the indicators' votes, each
// line's row from its indicators (or a straight fit of row against v), each codeword voted per
// cell, then checked and corrected.
// The lines that showed the start pattern and those whose stop pattern stood where the symbol's
// columns put one, as the last reading of the lines found them.
struct PatternCounts {
  int starts = 0;
  int stops = 0;
};

// Where the row indicators on each side put the symbol's corners: each side's top and bottom where
// a straight fit of the rows its indicators read, against the line, puts the first row's top and
// the last row's bottom. A candidate whose pattern edges were broken (a streak or glare across
// them) covers only some rows, and one whose sides were found at different heights has lines that
// cross rows; the indicators show where each side's rows are.
struct Outline {
  bool valid = false;
  std::array<PointF, 4> corners;
};

Outline OutlineByIndicators(const std::vector<LineReading>& lines, const std::vector<bool>& sampled,
                            int rows, const Perspective& map) {
  struct Span {
    bool ok = false;
    double top = 0, bottom = 0;
  };
  auto side = [&](bool left) {
    std::vector<PointF> points;
    int lowest = rows, highest = -1;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (!sampled[i]) continue;
      const int r = RowOf(left ? lines[i].left : lines[i].right);
      if (r < 0 || r >= rows) continue;
      points.push_back(PointF{lines[i].v, static_cast<double>(r)});
      lowest = std::min(lowest, r);
      highest = std::max(highest, r);
    }
    Span span;
    if (points.size() < 4 || highest - lowest < 2) return span;
    const EdgeLine fit = FitEdge(points);
    if (!(fit.slope > 0)) return span;
    span.ok = true;
    span.top = (-0.5 - fit.at0) / fit.slope;
    span.bottom = (rows - 0.5 - fit.at0) / fit.slope;
    return span;
  };
  Span left = side(true);
  Span right = side(false);
  Outline outline;
  if (!left.ok && !right.ok) return outline;
  if (!left.ok) left = right;
  if (!right.ok) right = left;
  // A symbol reaches at most three of the candidate's heights beyond its edges, and its sides are
  // of like length: fits that say otherwise rest on misread indicators.
  for (const Span& span : {left, right}) {
    if (span.top < -3 || span.bottom > 4) return outline;
  }
  const double l = left.bottom - left.top;
  const double r = right.bottom - right.top;
  if (l > 3 * r || r > 3 * l) return outline;
  outline.valid = true;
  outline.corners = {map.Map(0, left.top), map.Map(1, right.top), map.Map(1, right.bottom),
                     map.Map(0, left.bottom)};
  return outline;
}

DecodeResult ReadLines(std::vector<LineReading>& lines, const std::vector<bool>& sampled,
                       const SymbolCandidate& candidate, const Perspective& map,
                       PatternCounts* counts = nullptr, Outline* outline = nullptr) {
  Facts facts;
  Votes widthColumns;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!sampled[i]) continue;
    const LineReading& line = lines[i];
    facts.Note(line.left, true);
    facts.Note(line.right, false);
    const double modules = FrameModules(line);
    if (modules > 0) {
      widthColumns.Add(static_cast<int>(std::lround((modules - kFrameModules) / 17.0)));
    }
  }
  const int rowsHigh = facts.rowsHigh.Winner();
  const int rowsLow = facts.rowsLow.Winner();
  int columns = facts.columns.Winner();
  if (columns < 1) columns = widthColumns.Winner();
  if (rowsHigh < 0 || rowsLow < 0 || columns < 1 || columns > kMaxColumns) {
    return Verdict(DecodeStatus::NoSymbolFound, "no symbol found");
  }
  const int rows = 3 * rowsHigh + rowsLow + 1;
  if (rows < kMinRows || rows > kMaxRows || rows * columns > kMaxCodewords) {
    return Verdict(DecodeStatus::NoSymbolFound, "no symbol found");
  }
  if (outline != nullptr) *outline = OutlineByIndicators(lines, sampled, rows, map);

  // Each line's row: its own indicators where they agree with a straight fit of row against v
  // over all lines whose indicators were read, else the fit.
  double sv = 0, sr = 0, svv = 0, svr = 0;
  int count = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    LineReading& line = lines[i];
    line.row = -1;
    if (!sampled[i]) continue;
    const int a = RowOf(line.left);
    const int b = RowOf(line.right);
    line.row = a >= 0 && b >= 0 ? (a == b ? a : -1) : std::max(a, b);
    if (line.row < 0 || line.row >= rows) {
      line.row = -1;
      continue;
    }
    sv += line.v;
    sr += line.row;
    svv += line.v * line.v;
    svr += line.v * line.row;
    ++count;
  }
  double slope = rows;
  double offset = -0.5;
  const double den = count * svv - sv * sv;
  if (count >= 2 && std::fabs(den) > 1e-12) {
    slope = (count * svr - sv * sr) / den;
    offset = (sr - slope * sv) / count;
  }
  if (!(slope > 0)) return Verdict(DecodeStatus::NoSymbolFound, "no symbol found");

  // Every codeword of every line, trusted only in its row's cluster, voted per cell.
  std::vector<Votes> cells(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns + 2));
  std::vector<EdgeReading> read;
  int starts = 0;
  int stops = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!sampled[i]) continue;
    LineReading& line = lines[i];
    const double fit = slope * line.v + offset;
    if (line.row < 0 || std::fabs(line.row - fit) > 1.5) {
      const long r = std::lround(fit);
      line.row = r >= 0 && r < rows ? static_cast<int>(r) : -1;
    }
    if (line.row < 0) continue;
    CellsOf(line, columns, false, read);
    // Counted once the line's cells are placed: a stop pattern where the symbol's columns do
    // not put one was other bars.
    starts += line.startRun >= 0;
    stops += line.stopRun >= 0;
    const int cluster = line.row % 3;
    Votes* row = &cells[static_cast<std::size_t>(line.row) * static_cast<std::size_t>(columns + 2)];
    for (int c = 0; c < columns + 2; ++c) {
      const EdgeReading& r = read[static_cast<std::size_t>(c)];
      if (r.codeword >= 0 && r.cluster == cluster) row[c].Add(r.codeword);
    }
  }

  // Hardly a stop pattern and hardly a right indicator: a compact symbol, checked on its left
  // indicators alone; its right corners go where the final bar ends by the column count. (A few
  // lines can take bars inside a symbol for a stop pattern, or read a codeword where the final
  // bar is.)
  int rightRows = 0;
  for (int r = 0; r < rows; ++r) {
    rightRows += !cells[static_cast<std::size_t>(r) * static_cast<std::size_t>(columns + 2) +
                        static_cast<std::size_t>(columns + 1)]
                      .Empty();
  }
  const bool compact = 4 * stops < starts && 4 * rightRows < rows;
  if (counts != nullptr) *counts = PatternCounts{starts, stops};
  CodewordGrid grid(rows, columns, compact);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns + 2; ++c) {
      grid.At(r, c) = cells[static_cast<std::size_t>(r) * static_cast<std::size_t>(columns + 2) +
                            static_cast<std::size_t>(c)]
                          .Winner();
    }
  }
  DecodeResult result;
  const GridVerdict verdict = DecodeGrid(grid, facts.level.Ranked(), result);
  if (verdict == GridVerdict::NoSymbol)
    return Verdict(DecodeStatus::NoSymbolFound, "no symbol found");
  // A symbol that does not check out is placed too: the readings after this one need not read it
  // again.
  const std::array<PointF, 4> corners =
      SymbolCorners(map, lines, sampled, rows, slope, offset, columns, compact);
  result.corners.assign(corners.begin(), corners.end());
  result.inverted = candidate.inverted;
  if (verdict == GridVerdict::NotCorrectable) {
    result.status = DecodeStatus::NotCorrectable;
    result.message = "errors not correctable";
    return result;
  }
  result.status = DecodeStatus::Decoded;
  result.reading = kPatternReadingName;
  return result;
}

// Rows the lines read so far show, from the indicators' votes; 0 when they do not tell.
int RowsShown(const std::vector<LineReading>& lines, const std::vector<bool>& sampled) {
  Facts facts;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!sampled[i]) continue;
    facts.Note(lines[i].left, true);
    facts.Note(lines[i].right, false);
  }
  const int high = facts.rowsHigh.Winner();
  const int low = facts.rowsLow.Winner();
  return high >= 0 && low >= 0 ? 3 * high + low + 1 : 0;
}

// How far the lines drift across the symbol's rows, in rows per cell, from the clusters of the
// codewords they read walking from their pattern: a line that keeps to its row reads every
// codeword in its row's cluster, one that climbs or falls reads the next row's or the one before's.
// Measured while the drift is under a row and a half either way.
double RowDrift(const std::vector<LineReading>& lines, const std::vector<bool>& sampled,
                bool fromStart) {
  double moved = 0;
  double weight = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!sampled[i]) continue;
    const std::vector<EdgeReading>& cells = fromStart ? lines[i].fromStart : lines[i].fromStop;
    int reference = -1;
    for (std::size_t j = 0; j < cells.size(); ++j) {
      if (cells[j].codeword < 0) continue;
      if (reference < 0) {
        reference = static_cast<int>(j);
        continue;
      }
      const int step =
          (cells[j].cluster - cells[static_cast<std::size_t>(reference)].cluster + 3) % 3;
      const double x = static_cast<double>(j) - reference;
      moved += (step == 1 ? 1 : step == 2 ? -1 : 0) * x;
      weight += x * x;
    }
  }
  return weight > 0 ? moved / weight : 0;
}

// The candidate of one pattern edge turned about that edge so that its lines follow the rows:
// the far side moves along the edge by the drift the lines showed.
SymbolCandidate Retilted(const SymbolCandidate& c, double drift, int rows) {
  SymbolCandidate out = c;
  const std::array<PointF, 4>& q = c.corners;
  const bool start = c.hasStart;
  const PointF& top = start ? q[0] : q[1];
  const PointF& bottom = start ? q[3] : q[2];
  const double tall = Distance(top, bottom);
  if (!(tall > 0) || rows < 1) return out;
  const PointF down{(bottom.x - top.x) / tall, (bottom.y - top.y) / tall};
  const double cells = Distance(q[0], q[1]) / (17 * c.module);
  const double shift = -drift * cells * tall / rows;
  for (const std::size_t k :
       start ? std::array<std::size_t, 2>{1, 2} : std::array<std::size_t, 2>{0, 3}) {
    out.corners[k] = PointF{q[k].x + down.x * shift, q[k].y + down.y * shift};
  }
  return out;
}

DecodeResult ReadOnce(const BitMatrix& bits, const BitMatrix* transposed,
                      const SymbolCandidate& candidate, const GreyView* grey, int border,
                      bool mayRetilt);

// A dozen lines across the candidate: where fewer than three show the pattern its edge was made
// of, or none reads a row indicator beside it, there is no symbol to read (bars of text, stripes,
// noise that happened to chain into an edge). Reads the lines into `lines` (marking `sampled`).
bool ProbeLines(LineSource& source, const SymbolCandidate& candidate,
                std::vector<LineReading>& lines, std::vector<bool>& sampled) {
  constexpr int kProbes = 12;
  const int lineCount = source.Lines();
  auto probed = [&](auto readLine) {
    int patterns = 0;
    bool indicator = false;
    for (int k = 0; k < kProbes; ++k) {
      const int l = std::min(lineCount - 1, (2 * k + 1) * lineCount / (2 * kProbes)) & ~1;
      const LineReading& line = readLine(l);
      const bool start = candidate.hasStart && line.startRun >= 0;
      const bool stop = candidate.hasStop && line.stopRun >= 0;
      patterns += start || stop;
      indicator =
          indicator || (start && line.left.codeword >= 0) || (stop && line.right.codeword >= 0);
    }
    return patterns >= std::min(3, lineCount / 2) && indicator;
  };
  // A lone edge's lines reach as far as the widest symbol, and most lone edges are other bars.
  // The line reader looks for a start pattern in a line's first quarter and a stop pattern in its
  // second half: the probe reads that part of each line next to the edge, with the first
  // codewords after the pattern, and whole lines only where those parts pass.
  if (candidate.hasStart != candidate.hasStop && source.Partial()) {
    const int count = source.MatrixSamples();
    const int extra =
        static_cast<int>(std::ceil(3 * 17 * count / (source.Width() / candidate.module)));
    LineReading part;
    const bool passed = probed([&](int l) -> const LineReading& {
      if (candidate.hasStart) {
        source.ReadPart(l, 0, count / 4 + extra, part);
      } else {
        source.ReadPart(l, count / 2 - extra, count, part);
      }
      return part;
    });
    if (!passed) return false;
  }
  return probed([&](int l) -> const LineReading& {
    if (!sampled[static_cast<std::size_t>(l)]) {
      source.Read(0, l, lines[static_cast<std::size_t>(l)]);
      sampled[static_cast<std::size_t>(l)] = true;
    }
    return lines[static_cast<std::size_t>(l)];
  });
}

bool Probe(const BitMatrix& bits, const BitMatrix* transposed, const SymbolCandidate& candidate,
           const GreyView* grey, int border) {
  LineSource source(bits, transposed, candidate, grey, border);
  if (!source.Usable()) return false;
  std::vector<LineReading> lines(static_cast<std::size_t>(source.Lines()));
  std::vector<bool> sampled(lines.size(), false);
  return ProbeLines(source, candidate, lines, sampled);
}

}  // namespace

SymbolCandidate WithinPicture(const SymbolCandidate& c, double width, double height) {
  if (c.hasStart == c.hasStop) return c;
  SymbolCandidate out = c;
  const std::array<PointF, 4>& q = c.corners;
  const std::size_t nearTop = c.hasStart ? 0 : 1;
  const std::size_t farTop = c.hasStart ? 1 : 0;
  const std::size_t nearBottom = c.hasStart ? 3 : 2;
  const std::size_t farBottom = c.hasStart ? 2 : 3;
  // The largest share t of the way from each near corner to its far one that stays inside.
  auto inside = [width, height](const PointF& from, const PointF& to) {
    double t = 1;
    const double dx = to.x - from.x;
    const double dy = to.y - from.y;
    if (dx > 0) t = std::min(t, (width - from.x) / dx);
    if (dx < 0) t = std::min(t, -from.x / dx);
    if (dy > 0) t = std::min(t, (height - from.y) / dy);
    if (dy < 0) t = std::min(t, -from.y / dy);
    return std::max(t, 0.0);
  };
  const double t = std::max(inside(q[nearTop], q[farTop]), inside(q[nearBottom], q[farBottom]));
  out.corners[farTop] = PointF{q[nearTop].x + (q[farTop].x - q[nearTop].x) * t,
                               q[nearTop].y + (q[farTop].y - q[nearTop].y) * t};
  out.corners[farBottom] = PointF{q[nearBottom].x + (q[farBottom].x - q[nearBottom].x) * t,
                                  q[nearBottom].y + (q[farBottom].y - q[nearBottom].y) * t};
  return out;
}

DecodeResult ReadCandidate(const BitMatrix& bits, const BitMatrix* transposed,
                           const SymbolCandidate& candidate, const GreyView* grey, int border) {
  // One pattern edge alone: its far corners where the symbol's sides end, when they can be
  // followed; otherwise as far as the widest symbol reaches along the edge's normal.
  if (candidate.hasStart != candidate.hasStop) {
    if (!Probe(bits, transposed, candidate, grey, border)) {
      return Verdict(DecodeStatus::NoSymbolFound, "no symbol found");
    }
    const SymbolCandidate traced = TraceSides(bits, candidate);
    DecodeResult r = ReadOnce(bits, transposed, traced, grey, border, true);
    const bool same =
        std::equal(traced.corners.begin(), traced.corners.end(), candidate.corners.begin(),
                   [](const PointF& a, const PointF& b) { return a.x == b.x && a.y == b.y; });
    if (same || (r.ok() && r.corrected + r.erasures == 0)) return r;
    // Sides traced short of the symbol's end (a symbol of few, thin rows) leave its last columns
    // unseen: read as far as the widest symbol reaches too, and keep the reading that needed
    // fewer codewords corrected or filled in.
    DecodeResult wide = ReadOnce(bits, transposed, candidate, grey, border, true);
    if (!r.ok() || (wide.ok() && wide.corrected + wide.erasures < r.corrected + r.erasures)) {
      return wide;
    }
    return r;
  }
  return ReadOnce(bits, transposed, candidate, grey, border, true);
}

namespace {

DecodeResult ReadOnce(const BitMatrix& bits, const BitMatrix* transposed,
                      const SymbolCandidate& given, const GreyView* grey, int border,
                      bool mayRetilt) {
  // Second readings below make lone edges of their own (and turn or move them), as far as the
  // widest symbol: their lines end at the picture's edge too.
  const SymbolCandidate candidate = WithinPicture(given, bits.Width(), bits.Height());
  LineSource source(bits, transposed, candidate, grey, border);
  if (!source.Usable()) return Verdict(DecodeStatus::NoSymbolFound, "no symbol found");
  const int lineCount = source.Lines();
  const int sources = source.Sources();
  std::vector<LineReading> lines(static_cast<std::size_t>(lineCount * sources));
  std::vector<bool> sampled(lines.size(), false);
  auto read = [&](int s, int l) {
    const std::size_t i = static_cast<std::size_t>(s * lineCount + l);
    if (sampled[i]) return;
    source.Read(s, l, lines[i]);
    sampled[i] = true;
  };

  if (!ProbeLines(source, candidate, lines, sampled)) {
    return Verdict(DecodeStatus::NoSymbolFound, "no symbol found");
  }
  // Then about two lines a row, as far as the probe told the rows: a clean symbol decodes from
  // those.
  const int probedRows = RowsShown(lines, sampled);
  const int spacing = probedRows > 0 ? std::max(1, lineCount / (2 * probedRows)) : 2;
  for (int l = spacing / 2; l < lineCount; l += spacing) read(0, l);
  // A pattern edge that no line shows was something else (bars inside a symbol that looked like
  // a stop pattern, a compact symbol's final bar): the symbol is read from the other edge alone,
  // as far across as the widest symbol reaches.
  if (candidate.hasStart && candidate.hasStop) {
    int starts = 0;
    int stops = 0;
    for (int l = 0; l < lineCount; ++l) {
      if (!sampled[static_cast<std::size_t>(l)]) continue;
      starts += lines[static_cast<std::size_t>(l)].startRun >= 0;
      stops += lines[static_cast<std::size_t>(l)].stopRun >= 0;
    }
    // An edge that a few lines show where the other shows on many is taken for something else.
    if (4 * std::min(starts, stops) < std::max(starts, stops)) {
      SymbolCandidate lone = candidate;
      const std::array<PointF, 4>& q = candidate.corners;
      const double reach = (17.0 * kMaxColumns + kFrameModules) * candidate.module;
      auto along = [reach](const PointF& from, const PointF& to) {
        const double d = Distance(from, to);
        const double t = d > 0 ? reach / d : 1;
        return PointF{from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t};
      };
      if (starts > stops) {
        lone.hasStop = false;
        lone.corners = {q[0], along(q[0], q[1]), along(q[3], q[2]), q[3]};
      } else {
        lone.hasStart = false;
        lone.corners = {along(q[1], q[0]), q[1], q[2], along(q[2], q[3])};
      }
      return ReadOnce(bits, transposed, lone, grey, border, mayRetilt);
    }
  }
  // Lines that show no row indicator at all cross no symbol the matrix shows: the grey picture
  // would not change that.
  const bool anyIndicator = std::any_of(lines.begin(), lines.end(), [](const LineReading& line) {
    return line.left.codeword >= 0 || line.right.codeword >= 0;
  });
  if (!anyIndicator) return Verdict(DecodeStatus::NoSymbolFound, "no symbol found");
  // One edge alone gives the rows' direction only as its normal, which a short edge gets a few
  // degrees wrong: far across, the lines would cross rows. When the codewords' clusters show that
  // they do, the candidate is turned to follow the rows and read again.
  const int rows = RowsShown(lines, sampled);
  if (mayRetilt && candidate.hasStart != candidate.hasStop && rows > 0) {
    const double drift = RowDrift(lines, sampled, candidate.hasStart);
    if (std::fabs(drift) * 8 > 0.5) {
      DecodeResult retilted =
          ReadOnce(bits, transposed, Retilted(candidate, drift, rows), grey, border, false);
      if (retilted.ok()) return retilted;
    }
  }
  PatternCounts counts;
  Outline outline;
  DecodeResult result = ReadLines(lines, sampled, candidate, source.Map(), &counts, &outline);
  // A candidate's stop edge that hardly a line shows where the symbol's columns put the stop
  // pattern was other bars (or a compact symbol's final bar): the symbol is read from its start
  // edge alone, its far side where its sides end.
  if (!result.ok() && mayRetilt && candidate.hasStart && candidate.hasStop &&
      4 * counts.stops < counts.starts) {
    SymbolCandidate lone = candidate;
    lone.hasStop = false;
    const std::array<PointF, 4>& q = candidate.corners;
    const double reach = (17.0 * kMaxColumns + kFrameModules) * candidate.module;
    auto along = [reach](const PointF& from, const PointF& to) {
      const double d = Distance(from, to);
      const double t = d > 0 ? reach / d : 1;
      return PointF{from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t};
    };
    lone.corners = {q[0], along(q[0], q[1]), along(q[3], q[2]), q[3]};
    return ReadCandidate(bits, transposed, lone, grey, border);
  }
  // Then every other line; then the grey picture's lines, which go wrong in other places than
  // the matrix's; last every line of both. A symbol that decoded only by correcting or filling in
  // codewords is read on from more of the matrix's lines too: in a clean picture those were cells
  // the lines so far missed, and the reading that needs fewer of them is kept. (The grey lines,
  // which cost three times as much, are read only while the symbol has not decoded: after it, they
  // changed only how many codewords were corrected.)
  const auto errata = [](const DecodeResult& r) { return r.corrected + r.erasures; };
  const auto settled = [&result, &errata] { return result.ok() && errata(result) == 0; };
  auto more = [&](int s, int first, int step) {
    bool added = false;
    for (int l = first; l < lineCount; l += step) {
      added = added || !sampled[static_cast<std::size_t>(s * lineCount + l)];
      read(s, l);
    }
    if (!added) return;
    DecodeResult again = ReadLines(lines, sampled, candidate, source.Map(), nullptr, &outline);
    if (!result.ok() || (again.ok() && errata(again) < errata(result))) result = std::move(again);
  };
  if (!settled()) more(0, 0, 2);
  if (!result.ok() && sources > 1) more(1, 0, 2);
  if (!settled()) more(0, 1, 2);
  if (!result.ok() && sources > 1) more(1, 1, 2);
  // A symbol that did not check out where the row indicators place its corners elsewhere than the
  // candidate's (by half a row or more): read once more between the corners they place.
  if (!result.ok() && mayRetilt && outline.valid && result.rows > 0) {
    const std::array<PointF, 4>& q = candidate.corners;
    const std::array<PointF, 4>& o = outline.corners;
    const double halfRow = 0.5 * std::min(Distance(o[0], o[3]), Distance(o[1], o[2])) / result.rows;
    // Corners moved over three times as far as the candidate is tall come of misread indicators
    // (or of a candidate whose sides were nothing like a symbol's): no second reading there.
    const double tall = std::max(Distance(q[0], q[3]), Distance(q[1], q[2]));
    bool moved = false;
    bool far = false;
    for (std::size_t k = 0; k < 4; ++k) {
      moved = moved || Distance(q[k], o[k]) > halfRow;
      far = far || Distance(q[k], o[k]) > 3 * tall;
    }
    if (moved && !far && halfRow > 0.5) {
      SymbolCandidate placed = candidate;
      placed.corners = o;
      DecodeResult again = ReadOnce(bits, transposed, placed, grey, border, false);
      if (again.ok()) return again;
    }
  }
  for (PointF& c : result.corners) c = PointF{c.x - border, c.y - border};
  return result;
}

}  // namespace
}  // namespace pdf417
