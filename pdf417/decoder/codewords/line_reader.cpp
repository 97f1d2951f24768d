#include "pdf417/decoder/codewords/line_reader.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "pdf417/common/patterns.h"
#include "pdf417/decoder/locate/pattern_finder.h"

namespace pdf417 {
namespace {

// Module boundaries from a pattern's first bar: start 8 1 1 1 1 1 1 3, stop 7 1 1 3 1 1 1 2 1.
constexpr std::array<int, 9> kStartEdges = {0, 8, 9, 10, 11, 12, 13, 14, 17};
constexpr std::array<int, 10> kStopEdges = {0, 7, 8, 9, 12, 13, 14, 15, 17, 18};

double Span(const std::vector<Run>& runs, int first, int count) {
  double s = 0;
  for (int j = 0; j < count; ++j) s += runs[static_cast<std::size_t>(first + j)].length;
  return s;
}

bool HasCodewordAt(const std::vector<Run>& runs, int first) {
  return first >= 0 && first + 8 <= static_cast<int>(runs.size()) &&
         runs[static_cast<std::size_t>(first)].dark;
}

// Where edge k (0 .. 8) of the codeword whose first bar is runs[first] lies.
double EdgeAt(const std::vector<Run>& runs, int first, int k) {
  const Run& r = runs[static_cast<std::size_t>(first + std::min(k, 7))];
  return k < 8 ? r.begin : r.begin + r.length;
}

// Reads the codeword whose first bar is runs[first] by the proportions of its edges, when its
// width is about 17 modules.
EdgeReading ReadRuns(const std::vector<Run>& runs, int first, double module) {
  if (!HasCodewordAt(runs, first)) return {};
  const double span = Span(runs, first, 8);
  if (span < 17 * module * 0.8 || span > 17 * module * 1.2) return {};
  std::array<double, 8> widths{};
  for (std::size_t j = 0; j < 8; ++j) widths[j] = runs[static_cast<std::size_t>(first) + j].length;
  return ReadCodewordByEdges(widths);
}

// Reads the codeword whose first bar is runs[first] by where its edges fall on a module grid:
// modules `module` samples wide from `origin`. Modules a fractional number of pixels wide come
// out of a scaler as a mix of two pixel widths, which the widths' own proportions can round the
// wrong way but a grid fitted to the whole line places right.
EdgeReading ReadRunsOnGrid(const std::vector<Run>& runs, int first, double origin, double module) {
  if (!HasCodewordAt(runs, first)) return {};
  std::array<long, 9> index{};
  for (int k = 0; k < 9; ++k) {
    index[static_cast<std::size_t>(k)] =
        static_cast<long>(std::floor((EdgeAt(runs, first, k) - origin) / module + 0.5));
  }
  std::array<int, 8> widths{};
  for (std::size_t k = 0; k < 8; ++k) widths[k] = static_cast<int>(index[k + 1] - index[k]);
  return ReadCodewordByModules(widths);
}

// The dark run starting nearest pos, within tolerance samples; -1 if none. Runs begin in
// ascending order, so the search starts by halving.
int NearestDarkStart(const std::vector<Run>& runs, double pos, double tolerance) {
  std::size_t lo = 0;
  std::size_t hi = runs.size();
  while (lo < hi) {
    const std::size_t mid = (lo + hi) / 2;
    if (runs[mid].begin < pos - tolerance) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  int best = -1;
  double bestDistance = tolerance;
  for (std::size_t i = lo; i < runs.size() && runs[i].begin <= pos + tolerance; ++i) {
    if (!runs[i].dark) continue;
    const double d = std::fabs(runs[i].begin - pos);
    if (d <= bestDistance) {
      bestDistance = d;
      best = static_cast<int>(i);
    }
  }
  return best;
}

// Where the modules of a line lie: edge = origin + index x module, fitted by least squares to the
// edges whose module index is known (those of the patterns, and of every codeword read, whose
// pattern tells where its edges belong). Older points weigh less each time a codeword is added,
// so the fit follows a module width that changes along the line (a curved label, perspective the
// corners did not catch).
class LineModel {
 public:
  void Add(double index, double edge) {
    points_.push_back(Point{index, edge});
    sw_ += 1;
    sn_ += index;
    sp_ += edge;
    snn_ += index * index;
    snp_ += index * edge;
  }
  // Lowers the weight of every point so far.
  void Fade(double factor) {
    sw_ *= factor;
    sn_ *= factor;
    sp_ *= factor;
    snn_ *= factor;
    snp_ *= factor;
  }
  // Fits origin and module; false when the points do not fix them.
  bool Fit(double& origin, double& module) const {
    const double den = sw_ * snn_ - sn_ * sn_;
    if (points_.size() < 2 || std::fabs(den) < 1e-9) return false;
    const double m = (sw_ * snp_ - sn_ * sp_) / den;
    if (!(m > 0)) return false;
    module = m;
    origin = (sp_ - m * sn_) / sw_;
    return true;
  }
  // Edges on whole pixels of modules little wider than a pixel leave the least-squares origin a
  // few hundredths of a pixel from where rounding puts every edge's index right. Moves the origin
  // to the middle of the stretch, within half a module of it, where the most known edges round to
  // their own index. Modules of a sample and a half or more need no such care: the fit's origin
  // is then well within the margin that rounding leaves.
  double Phase(double origin, double module) const {
    if (module >= 1.5) return origin;
    constexpr int kSteps = 40;
    int best = -1;
    int bestFirst = 0;
    int bestLast = 0;
    for (int s = 0; s <= kSteps; ++s) {
      const double o = origin + (s - kSteps / 2) * module / kSteps;
      int hits = 0;
      for (const Point& p : points_) {
        hits += std::floor((p.edge - o) / module + 0.5) == p.index;
      }
      if (hits > best) {
        best = hits;
        bestFirst = bestLast = s;
      } else if (hits == best && bestLast == s - 1) {
        bestLast = s;
      }
    }
    return origin + ((bestFirst + bestLast) / 2.0 - kSteps / 2) * module / kSteps;
  }

 private:
  struct Point {
    double index;
    double edge;
  };
  std::vector<Point> points_;
  double sw_ = 0, sn_ = 0, sp_ = 0, snn_ = 0, snp_ = 0;
};

// Adds a pattern's edges, its first bar at module index `at`.
template <std::size_t N>
void AddPattern(LineModel& model, const std::vector<Run>& runs, int first, int at,
                const std::array<int, N>& edges) {
  for (std::size_t k = 0; k < N; ++k) {
    const Run& r = runs[static_cast<std::size_t>(first) + std::min(k, N - 2)];
    const double edge = k + 1 < N ? r.begin : r.begin + r.length;
    model.Add(at + edges[k], edge);
  }
}

// Adds the edges of a codeword read, its first bar at module index `at`: the pattern of the
// codeword tells how many modules each of its elements spans.
void AddCodeword(LineModel& model, const std::vector<Run>& runs, int first, int at,
                 const EdgeReading& r) {
  const std::int32_t value = PatternValueOf(r.cluster, r.codeword);
  int index = at;
  int bit = kModulesPerCodeword - 1;
  for (int k = 0; k < 9; ++k) {
    model.Add(index, EdgeAt(runs, first, k));
    if (k == 8) break;
    // The element's width: modules until the colour changes.
    const int colour = (value >> bit) & 1;
    while (bit >= 0 && ((value >> bit) & 1) == colour) {
      --bit;
      ++index;
    }
  }
}

// Reads the codeword expected at module index `at` of a line whose model is (origin, module):
// at the dark run that starts nearest its place, by its edges' proportions, then on the line's
// grid, then on a grid from its own first edge. Returns the run it was read at, or -1.
int ReadCell(const std::vector<Run>& runs, double origin, double module, int at, EdgeReading& out) {
  const double expected = origin + at * module;
  const int first = NearestDarkStart(runs, expected, 1.5 * module + 1);
  out = ReadRunsOnGrid(runs, first, origin, module);
  if (out.codeword < 0) out = ReadRuns(runs, first, module);
  if (out.codeword < 0 && first >= 0) {
    out = ReadRunsOnGrid(runs, first, runs[static_cast<std::size_t>(first)].begin, module);
  }
  return out.codeword >= 0 ? first : -1;
}

// Cells read along a line, at most: a symbol has 30 data columns and two indicators.
constexpr int kMaxCells = 32;

// Reads cell after cell from a pattern, forwards (step 1, from the start pattern: cell j at module
// index 17 (j + 1)) or backwards (step -1, from the stop pattern at index `stopAt`: cell k from the
// right at stopAt - 17 (k + 1)), each where the model fitted to everything read before it puts
// it, until three cells in a row give nothing or the line ends. Then the cells that gave nothing
// are read once more on the fit of the whole walk, which extrapolates better than the pattern's
// alone.
void Walk(const std::vector<Run>& runs, LineModel model, int step, int stopAt, double end,
          std::vector<EdgeReading>& cells, LineFit& fit) {
  cells.clear();
  double origin = 0;
  double module = 0;
  if (!model.Fit(origin, module)) return;
  fit = LineFit{origin, module};
  LineModel all = model;
  int misses = 0;
  for (int j = 0; j < kMaxCells && misses < 3; ++j) {
    const int at = step > 0 ? 17 * (j + 1) : stopAt - 17 * (j + 1);
    const double place = origin + at * module;
    if (step > 0 ? place + 16 * module > end : place < end) break;
    EdgeReading r;
    const int first = ReadCell(runs, origin, module, at, r);
    cells.push_back(r);
    if (r.codeword < 0) {
      ++misses;
      continue;
    }
    misses = 0;
    model.Fade(0.8);
    AddCodeword(model, runs, first, at, r);
    AddCodeword(all, runs, first, at, r);
    double o = 0;
    double m = 0;
    if (model.Fit(o, m) && m > 0.8 * module && m < 1.25 * module) {
      origin = o;
      module = m;
    }
  }
  while (!cells.empty() && cells.back().codeword < 0) cells.pop_back();
  if (!all.Fit(origin, module)) return;
  fit = LineFit{origin, module};
  origin = all.Phase(origin, module);
  for (std::size_t j = 0; j < cells.size(); ++j) {
    if (cells[j].codeword >= 0) continue;
    const int at = step > 0 ? 17 * static_cast<int>(j + 1) : stopAt - 17 * static_cast<int>(j + 1);
    ReadCell(runs, origin, module, at, cells[j]);
  }
}

// With both patterns on the line and a whole number of columns between them that both patterns'
// module widths agree on, one grid fitted to both patterns spans the line: its module width is
// known to a fraction of a percent, where a pattern alone gives it to a few, and the codewords read
// on it refine it further. Returns false when the line shows no such grid.
bool ReadBetweenPatterns(LineReading& line) {
  if (line.startRun < 0 || line.stopRun <= line.startRun + 7) return false;
  const std::vector<Run>& runs = line.runs;
  const Run& last = runs[static_cast<std::size_t>(line.stopRun + 8)];
  const double span =
      last.begin + last.length - runs[static_cast<std::size_t>(line.startRun)].begin;
  const double module = (line.startModule + line.stopModule) / 2;
  const long columns = std::lround((span / module - kFrameModules) / 17.0);
  if (columns < 1 || columns > kMaxCells - 2) return false;
  const double fitted = span / (17.0 * static_cast<double>(columns) + kFrameModules);
  if (std::fabs(fitted - module) > 0.04 * module) return false;
  const int cells = static_cast<int>(columns) + 2;
  const int stopAt = 17 * (cells + 1);
  LineModel model;
  AddPattern(model, runs, line.startRun, 0, kStartEdges);
  AddPattern(model, runs, line.stopRun, stopAt, kStopEdges);
  double origin = 0;
  double m = 0;
  if (!model.Fit(origin, m)) return false;
  origin = model.Phase(origin, m);
  std::vector<EdgeReading> read(static_cast<std::size_t>(cells));
  // Twice: the second time on the grid refitted to every codeword the first time read, when the
  // first left cells unread.
  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1 && std::all_of(read.begin(), read.end(),
                                 [](const EdgeReading& r) { return r.codeword >= 0; })) {
      break;
    }
    for (int j = 0; j < cells; ++j) {
      EdgeReading& cell = read[static_cast<std::size_t>(j)];
      if (cell.codeword >= 0) continue;
      const int first = ReadCell(runs, origin, m, 17 * (j + 1), cell);
      if (cell.codeword >= 0) AddCodeword(model, runs, first, 17 * (j + 1), cell);
    }
    if (!model.Fit(origin, m)) break;
    origin = model.Phase(origin, m);
  }
  line.fromStart = read;
  line.fromStop.assign(read.rbegin(), read.rend());
  line.betweenColumns = static_cast<int>(columns);
  line.forward = LineFit{origin, m};
  return true;
}

// Walks from each pattern the line shows (see Walk): the cells the grid between both patterns left
// unread are filled from the walks when `keep`; otherwise the stop pattern was other bars, and the
// walk from the start goes on to the line's end and replaces what the grid read.
void WalkLine(LineReading& line, bool keep) {
  const std::vector<Run>& runs = line.runs;
  if (!keep) line.stopRun = -1;
  // A line that left the picture at once holds no runs (and no pattern to walk from).
  const double stopBegin = line.stopRun >= 0 ? runs[static_cast<std::size_t>(line.stopRun)].begin
                           : runs.empty()
                               ? 0.0
                               : static_cast<double>(runs.back().begin + runs.back().length);
  const double startEnd = line.startRun >= 0
                              ? runs[static_cast<std::size_t>(line.startRun + 7)].begin +
                                    runs[static_cast<std::size_t>(line.startRun + 7)].length
                              : 0;
  std::vector<EdgeReading> walked;
  if (line.startRun >= 0) {
    LineModel model;
    AddPattern(model, runs, line.startRun, 0, kStartEdges);
    LineFit fit;
    Walk(runs, model, 1, 0, stopBegin + line.startModule, walked, fit);
    if (!keep || line.forward.module <= 0) line.forward = fit;
    if (!keep) {
      line.fromStart.clear();
      line.fromStop.clear();
    }
    if (line.fromStart.size() < walked.size()) line.fromStart.resize(walked.size());
    for (std::size_t j = 0; j < walked.size(); ++j) {
      if (line.fromStart[j].codeword < 0) line.fromStart[j] = walked[j];
    }
  }
  if (line.stopRun >= 0) {
    LineModel model;
    // Module indices from the stop pattern's walk are counted from the start pattern's first bar
    // of a symbol of the most columns; the caller moves them once the columns are known.
    const int stopAt = 17 * (kMaxCells + 2);
    AddPattern(model, runs, line.stopRun, stopAt, kStopEdges);
    Walk(runs, model, -1, stopAt, startEnd - line.stopModule, walked, line.backward);
    line.backwardStopAt = stopAt;
    if (line.fromStop.size() < walked.size()) line.fromStop.resize(walked.size());
    for (std::size_t k = 0; k < walked.size(); ++k) {
      if (line.fromStop[k].codeword < 0) line.fromStop[k] = walked[k];
    }
  }
  line.left = line.fromStart.empty() ? EdgeReading{} : line.fromStart.front();
  line.right = line.fromStop.empty() ? EdgeReading{} : line.fromStop.front();
}

}  // namespace

void ReadLine(LineReading& line, int samples, double perPixel) {
  const std::vector<Run>& runs = line.runs;
  const int n = static_cast<int>(runs.size());
  line.startRun = line.stopRun = -1;
  line.fromStart.clear();
  line.fromStop.clear();
  line.forward = line.backward = LineFit{};
  line.betweenColumns = 0;
  for (int i = 0; i + 8 <= n && runs[static_cast<std::size_t>(i)].begin < samples / 4; ++i) {
    double m = 0;
    if (runs[static_cast<std::size_t>(i)].dark &&
        MatchesPattern(runs, static_cast<std::size_t>(i), kStartWidths.data(), 8, false, m, false,
                       perPixel)) {
      line.startRun = i;
      line.startModule = m;
      break;
    }
  }
  for (int i = n - 9; i >= 0 && runs[static_cast<std::size_t>(i)].begin > samples / 2; --i) {
    double m = 0;
    if (runs[static_cast<std::size_t>(i)].dark &&
        MatchesPattern(runs, static_cast<std::size_t>(i), kStopWidths.data(), 9, false, m, false,
                       perPixel)) {
      line.stopRun = i;
      line.stopModule = m;
      break;
    }
  }
  // One grid between both patterns where the line shows it; the cells it leaves unread, and the
  // lines that show one pattern, are read by walking from each pattern.
  const bool between = ReadBetweenPatterns(line);
  if (between && std::all_of(line.fromStart.begin(), line.fromStart.end(),
                             [](const EdgeReading& r) { return r.codeword >= 0; })) {
    line.left = line.fromStart.front();
    line.right = line.fromStop.front();
    return;
  }
  WalkLine(line, true);
}

double FrameModules(const LineReading& line) {
  if (line.startRun < 0 || line.stopRun <= line.startRun) return 0;
  const std::vector<Run>& runs = line.runs;
  const double m = (line.startModule + line.stopModule) / 2;
  const Run& last = runs[static_cast<std::size_t>(line.stopRun + 8)];
  return (last.begin + last.length - runs[static_cast<std::size_t>(line.startRun)].begin) / m;
}

void CellsOf(LineReading& line, int columns, bool compact, std::vector<EdgeReading>& cells) {
  // The grid between the patterns assumed another column count: its stop pattern was some other
  // bars, and the cells are read by walking instead.
  if (line.betweenColumns > 0 && line.betweenColumns != columns && line.stopRun >= 0) {
    WalkLine(line, false);
  }
  cells.assign(static_cast<std::size_t>(columns) + 2, EdgeReading{});
  const std::size_t count = compact ? static_cast<std::size_t>(columns) + 1 : cells.size();
  for (std::size_t j = 0; j < count && j < line.fromStart.size(); ++j) cells[j] = line.fromStart[j];
  if (compact || line.fromStop.empty()) return;
  // The stop pattern's cells count only when it stands where a symbol of these columns puts it
  // after the start pattern: a line can run on past its symbol's stop pattern into the next
  // symbol's.
  if (line.forward.module > 0 && line.stopRun >= 0) {
    const double expected = line.forward.origin + 17.0 * (columns + 3) * line.forward.module;
    const double found = line.runs[static_cast<std::size_t>(line.stopRun)].begin;
    if (std::fabs(found - expected) > 3 * line.forward.module) {
      // Other bars, not this symbol's stop pattern: the walk from the start goes on past them.
      WalkLine(line, false);
      for (std::size_t j = 0; j < count && j < line.fromStart.size(); ++j) {
        cells[j] = line.fromStart[j];
      }
      return;
    }
  }
  // From the stop pattern: cell k from the right is cell columns + 1 - k, where the walk from the
  // start gave nothing.
  for (std::size_t k = 0; k < line.fromStop.size() && k < cells.size(); ++k) {
    EdgeReading& cell = cells[cells.size() - 1 - k];
    if (cell.codeword < 0) cell = line.fromStop[k];
  }
}

}  // namespace pdf417
