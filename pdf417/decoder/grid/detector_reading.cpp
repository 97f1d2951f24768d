#include "pdf417/decoder/grid/detector_reading.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <utility>

#include "pdf417/common/error.h"
#include "pdf417/common/linked_list.h"
#include "pdf417/decoder/budget.h"
#include "pdf417/decoder/grid/compact_symbol.h"
#include "pdf417/decoder/codewords/edge_reader.h"
#include "pdf417/decoder/correct/error_correction.h"
#include "pdf417/decoder/correct/reed_solomon.h"
#include "pdf417/decoder/grid/homography.h"
#include "pdf417/decoder/correct/symbol_check.h"

namespace pdf417 {
namespace {

constexpr int kMaxRows = 90;
constexpr int kMaxColumns = 30;
// Modules of a symbol beyond its data columns: start, two indicators, stop.
constexpr int kFrameModules = 17 + 17 + 17 + 18;
// Samples of one candidate's lines from one source at most: bounds the time a large candidate
// that is no symbol can take.
constexpr long kMaxSamples = 3000000;
// Candidates read from one matrix at most.
constexpr std::size_t kMaxCandidates = 16;

// A small tally of values.
struct Votes {
  std::vector<std::pair<int, int>> counts;  // value, votes
  void Add(int value) {
    for (auto& c : counts) {
      if (c.first == value) {
        ++c.second;
        return;
      }
    }
    counts.emplace_back(value, 1);
  }
  // Values by votes, most first.
  std::vector<int> Ranked() const {
    std::vector<std::pair<int, int>> sorted = counts;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    std::vector<int> out;
    for (const auto& s : sorted) out.push_back(s.first);
    return out;
  }
  // The clear winner, or -1 when nobody voted or two values tie.
  int Winner() const {
    int best = -1, bestVotes = 0, second = 0;
    for (const auto& c : counts) {
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
};

// One line across the symbol, sampled in the symbol's own frame.
struct Line {
  double v = 0;
  std::vector<Run> runs;
  int startRun = -1;  // first run of the start pattern
  int stopRun = -1;   // first run of the stop pattern
  double startModule = 0;
  double stopModule = 0;
  EdgeReading left;
  EdgeReading right;
  int row = -1;
  bool sampled = false;  // read yet
};

double Span(const std::vector<Run>& runs, int first, int count) {
  double s = 0;
  for (int j = 0; j < count; ++j) s += runs[static_cast<std::size_t>(first + j)].length;
  return s;
}

// Reads the codeword whose first bar is runs[first], when its width is about 17 modules.
EdgeReading ReadRuns(const std::vector<Run>& runs, int first, double module) {
  if (first < 0 || first + 8 > static_cast<int>(runs.size()) ||
      !runs[static_cast<std::size_t>(first)].dark) {
    return {};
  }
  const double span = Span(runs, first, 8);
  if (span < 17 * module * 0.8 || span > 17 * module * 1.2) return {};
  std::array<double, 8> widths{};
  for (std::size_t j = 0; j < 8; ++j) {
    widths[j] = runs[static_cast<std::size_t>(first) + j].length;
  }
  return ReadCodewordByEdges(widths);
}

// The dark run starting nearest pos, within tolerance samples; -1 if none.
int NearestDarkStart(const std::vector<Run>& runs, double pos, double tolerance) {
  int best = -1;
  double bestDistance = tolerance;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    if (!runs[i].dark) continue;
    const double d = std::fabs(runs[i].begin - pos);
    if (d <= bestDistance) {
      bestDistance = d;
      best = static_cast<int>(i);
    }
    if (runs[i].begin > pos + tolerance) break;
  }
  return best;
}

// Row-indicator arithmetic: an indicator of row r holds 30 * (r / 3) plus one of three facts.
struct Facts {
  Votes rowsHigh;  // (rows - 1) / 3
  Votes rowsLow;   // (rows - 1) % 3
  Votes level;
  Votes columns;
};

void NoteIndicator(const EdgeReading& r, bool leftSide, Facts& facts) {
  if (r.codeword < 0) return;
  const int x = r.codeword % 30;
  // Left: cluster 0 rows, 1 level, 2 columns; right: 0 columns, 1 rows, 2 level.
  const int fact = leftSide ? r.cluster : (r.cluster + 2) % 3;
  if (fact == 0) {
    facts.rowsHigh.Add(x);
  } else if (fact == 1) {
    facts.level.Add(x / 3);
    facts.rowsLow.Add(x % 3);
  } else {
    facts.columns.Add(x + 1);
  }
}

int RowOf(const EdgeReading& r) { return r.codeword < 0 ? -1 : 3 * (r.codeword / 30) + r.cluster; }

DecodeResult Verdict(DecodeStatus status, const char* message) {
  DecodeResult r;
  r.status = status;
  r.message = message;
  return r;
}

// A point of a matrix with a light border of the given width, in the picture inside it.
PointF Shifted(PointF p, int border) { return PointF{p.x - border, p.y - border}; }

// The grey level at a point, interpolated between the four nearest pixels; paper outside.
double GreyAt(const GreyView& grey, const PointF& p) {
  const double x = p.x - 0.5;
  const double y = p.y - 0.5;
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
void ThresholdLine(const std::vector<double>& levels, double window, std::vector<bool>& dark) {
  const std::size_t n = levels.size();
  const std::size_t block = std::max<std::size_t>(2, static_cast<std::size_t>(window / 2));
  const std::size_t blocks = (n + block - 1) / block;
  std::vector<double> lo(blocks, 255);
  std::vector<double> hi(blocks, 0);
  for (std::size_t i = 0; i < n; ++i) {
    lo[i / block] = std::min(lo[i / block], levels[i]);
    hi[i / block] = std::max(hi[i / block], levels[i]);
  }
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t b = i / block;
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
    dark[i] = h - l < 24 ? levels[i] < kGreyThreshold : levels[i] < (l + h) / 2;
  }
}

DecodeResult ReadSampledLines(std::vector<Line>& lines, const Facts& facts,
                              const Votes& widthColumns, const SymbolCandidate& candidate);

}  // namespace

DecodeResult ReadSymbolAt(const BitMatrix& bits, const SymbolCandidate& candidate,
                          const GreyView* grey, int border) {
  const std::array<PointF, 4>& q = candidate.corners;
  const Perspective map(q);
  if (!map.Valid() || !(candidate.module > 0)) {
    return Verdict(DecodeStatus::NoSymbolFound, "no symbol found");
  }
  auto dist = [](const PointF& a, const PointF& b) { return std::hypot(a.x - b.x, a.y - b.y); };
  const double tall = std::max(dist(q[0], q[3]), dist(q[1], q[2]));
  const double wide = std::max(dist(q[0], q[1]), dist(q[3], q[2]));
  if (tall < 3 || wide < 30 * candidate.module || wide > 40000) {
    return Verdict(DecodeStatus::NoSymbolFound, "no symbol found");
  }
  // Two samples a pixel across; down, a line every two thirds of a pixel or every 0.4 module,
  // whichever is sparser, and at most kMaxSamples samples in all. A little beyond the corners
  // across, so that a corner a module off still shows the whole pattern.
  const int sampleCount = std::min(20000, static_cast<int>(std::ceil(wide * 2)));
  const double perPixel = std::min(1.5, 2.5 / candidate.module);
  const int lineCount = std::max(6, std::min({2000, static_cast<int>(std::ceil(tall * perPixel)),
                                              static_cast<int>(kMaxSamples / sampleCount)}));
  const double margin = std::min(0.2, 4 * candidate.module / wide);
  const double du = (1 + 2 * margin) / sampleCount;

  // Each line is read from the matrix and, when given, from the grey picture between the grey
  // levels around each sample (sub-pixel edges); both readings vote.
  const int sources = grey != nullptr ? 2 : 1;
  std::vector<Line> lines(static_cast<std::size_t>(lineCount * sources));
  Facts facts;
  Votes widthColumns;
  std::vector<bool> samples(static_cast<std::size_t>(sampleCount));
  std::vector<double> levels(static_cast<std::size_t>(sampleCount));
  const auto sample = [&](std::size_t li) {
    Line& line = lines[li];
    line.sampled = true;
    const int l = static_cast<int>(li) % lineCount;
    line.v = (l + 0.5) / lineCount;
    if (static_cast<int>(li) < lineCount) {
      for (int k = 0; k < sampleCount; ++k) {
        const PointF p = map.Map(-margin + (k + 0.5) * du, line.v);
        samples[static_cast<std::size_t>(k)] =
            bits.IsDark(static_cast<int>(std::floor(p.y)), static_cast<int>(std::floor(p.x)));
      }
    } else {
      for (int k = 0; k < sampleCount; ++k) {
        levels[static_cast<std::size_t>(k)] =
            GreyAt(*grey, Shifted(map.Map(-margin + (k + 0.5) * du, line.v), border));
      }
      ThresholdLine(levels, 6.5 * candidate.module * sampleCount / wide, samples);
    }
    line.runs = RunsOf(samples);
    const std::vector<Run>& runs = line.runs;
    const int n = static_cast<int>(runs.size());
    // The start pattern near the left end, the stop pattern near the right end.
    for (int i = 0; i + 8 <= n && runs[static_cast<std::size_t>(i)].begin < sampleCount / 4; ++i) {
      double m = 0;
      if (runs[static_cast<std::size_t>(i)].dark &&
          MatchesPattern(runs, static_cast<std::size_t>(i), kStartWidths.data(), 8, false, m)) {
        line.startRun = i;
        line.startModule = m;
        break;
      }
    }
    for (int i = n - 9; i >= 0 && runs[static_cast<std::size_t>(i)].begin > sampleCount / 2; --i) {
      double m = 0;
      if (runs[static_cast<std::size_t>(i)].dark &&
          MatchesPattern(runs, static_cast<std::size_t>(i), kStopWidths.data(), 9, false, m)) {
        line.stopRun = i;
        line.stopModule = m;
        break;
      }
    }
    if (line.startRun >= 0) {
      line.left = ReadRuns(runs, line.startRun + 8, line.startModule);
      NoteIndicator(line.left, true, facts);
    }
    if (line.stopRun >= 8) {
      line.right = ReadRuns(runs, line.stopRun - 8, line.stopModule);
      NoteIndicator(line.right, false, facts);
    }
    if (line.startRun >= 0 && line.stopRun > line.startRun) {
      const double m = (line.startModule + line.stopModule) / 2;
      const double modules = (runs[static_cast<std::size_t>(line.stopRun + 8)].begin +
                              runs[static_cast<std::size_t>(line.stopRun + 8)].length -
                              runs[static_cast<std::size_t>(line.startRun)].begin) /
                             m;
      widthColumns.Add(static_cast<int>(std::lround((modules - kFrameModules) / 17.0)));
    }
  };

  // Every other line first, from both sources: most symbols decode from those. Otherwise every
  // line, the first ones voting again with the rest. Each source alone reads less than half the
  // lines of both: the matrix and the grey picture go wrong in different places.
  for (std::size_t l = 0; l < static_cast<std::size_t>(lineCount); l += 2) {
    for (int source = 0; source < sources; ++source) {
      sample(static_cast<std::size_t>(source * lineCount) + l);
    }
  }
  DecodeResult result = ReadSampledLines(lines, facts, widthColumns, candidate);
  if (!result.ok()) {
    for (std::size_t li = 0; li < lines.size(); ++li) {
      if (!lines[li].sampled) sample(li);
    }
    result = ReadSampledLines(lines, facts, widthColumns, candidate);
  }
  for (PointF& c : result.corners) c = Shifted(c, border);
  return result;
}

namespace {

// The symbol the sampled lines show: rows, columns and level from the indicators' votes, each
// codeword voted per cell, then checked and corrected.
DecodeResult ReadSampledLines(std::vector<Line>& lines, const Facts& facts,
                              const Votes& widthColumns, const SymbolCandidate& candidate) {
  const std::array<PointF, 4>& q = candidate.corners;
  // Rows, columns and level from the indicators; columns also from the measured width.
  const int rowsHigh = facts.rowsHigh.Winner();
  const int rowsLow = facts.rowsLow.Winner();
  int columns = facts.columns.Winner();
  if (columns < 1) columns = widthColumns.Winner();
  if (rowsHigh < 0 || rowsLow < 0 || columns < 1 || columns > kMaxColumns) {
    return Verdict(DecodeStatus::NoSymbolFound, "no symbol found");
  }
  const int rows = 3 * rowsHigh + rowsLow + 1;
  if (rows < 3 || rows > kMaxRows || rows * columns > 928) {
    return Verdict(DecodeStatus::NoSymbolFound, "no symbol found");
  }

  // Each line's row: its own indicators where they agree with a straight fit of row against v
  // over all lines whose indicators were read, else the fit.
  double sv = 0, sr = 0, svv = 0, svr = 0;
  int count = 0;
  for (Line& line : lines) {
    if (!line.sampled) continue;
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
  for (Line& line : lines) {
    if (!line.sampled) continue;
    const double fit = slope * line.v + offset;
    if (line.row >= 0 && std::fabs(line.row - fit) <= 1.5) continue;
    const long r = std::lround(fit);
    line.row = r >= 0 && r < rows ? static_cast<int>(r) : -1;
  }

  // Every codeword of every line, trusted only in its row's cluster, voted per cell.
  const int gridColumns = columns + 4;
  std::vector<std::vector<Votes>> cells(static_cast<std::size_t>(rows),
                                        std::vector<Votes>(static_cast<std::size_t>(gridColumns)));
  const int totalModules = 17 * columns + kFrameModules;
  for (const Line& line : lines) {
    if (!line.sampled || line.row < 0) continue;
    const std::vector<Run>& runs = line.runs;
    const int cluster = line.row % 3;
    std::vector<Votes>& rowCells = cells[static_cast<std::size_t>(line.row)];
    auto vote = [&](int column, const EdgeReading& r) {
      if (r.codeword >= 0 && r.cluster == cluster)
        rowCells[static_cast<std::size_t>(column)].Add(r.codeword);
    };
    const bool hasStart = line.startRun >= 0;
    const bool hasStop = line.stopRun >= 0;
    if (hasStart && hasStop) {
      // Both ends known: each codeword where the module grid between them puts it.
      const double a = runs[static_cast<std::size_t>(line.startRun)].begin;
      const Run& last = runs[static_cast<std::size_t>(line.stopRun + 8)];
      const double module = (last.begin + last.length - a) / totalModules;
      for (int j = 0; j <= columns + 1; ++j) {
        const int at = NearestDarkStart(runs, a + 17.0 * (j + 1) * module, 1.5 * module + 1);
        vote(j + 1, ReadRuns(runs, at, module));
      }
    } else if (hasStart) {
      // Only the start: each codeword from where the previous one ended.
      double module = line.startModule;
      double pos = runs[static_cast<std::size_t>(line.startRun + 8 < static_cast<int>(runs.size())
                                                     ? line.startRun + 8
                                                     : line.startRun)]
                       .begin;
      for (int j = 0; j <= columns + 1; ++j) {
        const int at = NearestDarkStart(runs, pos, 1.5 * module + 1);
        const EdgeReading r = ReadRuns(runs, at, module);
        vote(j + 1, r);
        if (r.codeword >= 0) {
          const double span = Span(runs, at, 8);
          module = 0.7 * module + 0.3 * span / 17;
          pos = runs[static_cast<std::size_t>(at)].begin + span;
        } else {
          pos += 17 * module;
        }
      }
    } else if (hasStop) {
      // Only the stop: from the right, each codeword ending where the next one began.
      double module = line.stopModule;
      double end = runs[static_cast<std::size_t>(line.stopRun)].begin;
      for (int j = columns + 1; j >= 0; --j) {
        const int next = NearestDarkStart(runs, end, 1.5 * module + 1);
        const EdgeReading r = next >= 8 ? ReadRuns(runs, next - 8, module) : EdgeReading{};
        vote(j + 1, r);
        if (r.codeword >= 0) {
          const double span = Span(runs, next - 8, 8);
          module = 0.7 * module + 0.3 * span / 17;
          end = runs[static_cast<std::size_t>(next)].begin - span;
        } else {
          end -= 17 * module;
        }
      }
    }
  }

  // The grid, with unread data cells as erasures.
  std::vector<std::vector<int>> grid(static_cast<std::size_t>(rows),
                                     std::vector<int>(static_cast<std::size_t>(gridColumns), 0));
  std::vector<int> codewords;
  std::vector<int> erasures;
  for (int r = 0; r < rows; ++r) {
    for (int c = 1; c < gridColumns - 1; ++c) {
      const int value = cells[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)].Winner();
      grid[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] = value;
      if (c >= 2 && c < gridColumns - 2) {
        if (value < 0) erasures.push_back(static_cast<int>(codewords.size()));
        codewords.push_back(value);
      }
    }
  }

  // No stop pattern and no right indicator anywhere: a compact symbol, checked on its left
  // indicators alone; its right corners go where the final bar ends by the column count.
  const bool compact = !candidate.hasStop && LooksCompact(grid) &&
                       std::none_of(lines.begin(), lines.end(),
                                    [](const Line& l) { return l.sampled && l.stopRun >= 0; });

  DecodeResult best = Verdict(DecodeStatus::NoSymbolFound, "no symbol found");
  for (const int level : facts.level.Ranked()) {
    if (level < 0 || level > 8) continue;
    const int k = 1 << (level + 1);
    if (static_cast<int>(codewords.size()) <= k) continue;
    DecodeResult attempt;
    attempt.rows = rows;
    attempt.columns = columns;
    attempt.level = level;
    std::vector<int> corrected = codewords;
    const int changed = CorrectErrata(corrected, k, erasures, 2);
    if (changed < 0) {
      if (best.status == DecodeStatus::NoSymbolFound) {
        best = Verdict(DecodeStatus::NotCorrectable, "errors not correctable");
        best.rows = rows;
        best.columns = columns;
        best.level = level;
      }
      continue;
    }
    std::vector<std::vector<int>> fixed = grid;
    std::size_t i = 0;
    for (int r = 0; r < rows; ++r) {
      for (int c = 2; c < gridColumns - 2; ++c) {
        fixed[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] = corrected[i++];
      }
    }
    const GridVerdict v = compact ? CheckCompactGrid(fixed, level, attempt)
                                  : CheckCodewordGrid(fixed, level, attempt);
    if (v == GridVerdict::Decoded) {
      attempt.status = DecodeStatus::Decoded;
      attempt.message.clear();
      attempt.corrected = changed;
      attempt.erasures = static_cast<int>(erasures.size());
      attempt.reading = kPatternReadingName;
      const std::array<PointF, 4> corners =
          compact ? CompactCorners(q, candidate.module, columns) : q;
      attempt.corners.assign(corners.begin(), corners.end());
      return attempt;
    }
    if (v == GridVerdict::NotCorrectable && best.status == DecodeStatus::NoSymbolFound) {
      best = Verdict(DecodeStatus::NotCorrectable, "errors not correctable");
      best.rows = rows;
      best.columns = columns;
      best.level = level;
    }
  }
  return best;
}

// Whether point p lies inside the convex quadrilateral q grown by `grow` of its size about its
// centre.
bool InsideQuad(const std::vector<PointF>& q, PointF p, double grow) {
  if (q.size() != 4) return false;
  PointF centre;
  for (const PointF& c : q) {
    centre.x += c.x / 4;
    centre.y += c.y / 4;
  }
  int sign = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const PointF a{centre.x + (q[i].x - centre.x) * (1 + grow),
                   centre.y + (q[i].y - centre.y) * (1 + grow)};
    const PointF b{centre.x + (q[(i + 1) % 4].x - centre.x) * (1 + grow),
                   centre.y + (q[(i + 1) % 4].y - centre.y) * (1 + grow)};
    const double cross = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
    const int s = cross > 0 ? 1 : (cross < 0 ? -1 : 0);
    if (s == 0) continue;
    if (sign == 0) sign = s;
    if (s != sign) return false;
  }
  return true;
}

// A point well inside the candidate's symbol: its centre when both patterns were found; else a
// little inside the one edge that was, since a lone edge's far side is only a guess.
PointF InnerPoint(const SymbolCandidate& c) {
  const std::array<PointF, 4>& q = c.corners;
  const PointF left{(q[0].x + q[3].x) / 2, (q[0].y + q[3].y) / 2};
  const PointF right{(q[1].x + q[2].x) / 2, (q[1].y + q[2].y) / 2};
  if (c.hasStart == c.hasStop) return PointF{(left.x + right.x) / 2, (left.y + right.y) / 2};
  const PointF from = c.hasStart ? left : right;
  const PointF to = c.hasStart ? right : left;
  const double length = std::hypot(to.x - from.x, to.y - from.y);
  const double t = length > 0 ? std::min(0.5, 25 * c.module / length) : 0;
  return PointF{from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t};
}

// Reads the candidates of the matrix, best first: until one decodes (into `found`), or, with
// `all`, every one that does not overlap a symbol in `found`. The rows and columns are scanned
// first; the diagonals, which cost more than both, only when that gave no symbol (or, with `all`,
// always), for symbols too short to show a pattern on a line crossing it at 45 degrees. A
// candidate read in the first round is not read again in the second, and both rounds together
// read at most kMaxCandidates.
DecodeResult ReadCandidates(const BitMatrix& bits, const DecodeOptions& options,
                            const GreyView* grey, int border, std::vector<DecodeResult>* found,
                            bool all) {
  const Budget budget(options);
  DecodeResult best = Verdict(DecodeStatus::NoSymbolFound, "no symbol found");
  if (bits.Empty()) return best;
  const int step = ScanStep(bits);
  std::vector<PatternHit> hits;
  std::vector<SymbolCandidate> read;
  std::size_t tried = 0;
  for (const ScanLines lines : {ScanLines::Straight, ScanLines::Diagonal}) {
    const DecodeStatus stop = budget.Stop();
    if (stop != DecodeStatus::Decoded) return Verdict(stop, Budget::MessageOf(stop));
    const std::vector<PatternHit> more = FindPatternHits(bits, step, lines);
    if (more.empty()) continue;
    hits.insert(hits.end(), more.begin(), more.end());
    const std::vector<SymbolEdge> edges = ChainEdges(bits, hits, step);
    // A lone edge reaches as far as the widest symbol.
    const std::vector<SymbolCandidate> candidates =
        PairEdges(edges, 17.0 * kMaxColumns + kFrameModules);
    for (const SymbolCandidate& c : candidates) {
      const PointF inner = Shifted(InnerPoint(c), border);
      if (std::any_of(found->begin(), found->end(), [&inner](const DecodeResult& f) {
            return InsideQuad(f.corners, inner, 0.05);
          })) {
        continue;
      }
      if (std::any_of(read.begin(), read.end(),
                      [&c](const SymbolCandidate& r) { return SameCandidate(r, c); })) {
        continue;
      }
      if (tried++ >= kMaxCandidates) return best;
      const DecodeStatus stopped = budget.Stop();
      if (stopped != DecodeStatus::Decoded) return Verdict(stopped, Budget::MessageOf(stopped));
      read.push_back(c);
      DecodeResult r;
      try {
        r = ReadSymbolAt(bits, c, grey, border);
      } catch (const Error&) {
        continue;
      }
      if (r.ok()) {
        found->push_back(std::move(r));
        if (!all) return best;
        continue;
      }
      if (r.status == DecodeStatus::NotCorrectable && best.status == DecodeStatus::NoSymbolFound) {
        best = std::move(r);
      }
    }
  }
  return best;
}

}  // namespace

DecodeResult ReadByPatterns(const BitMatrix& bits, const DecodeOptions& options,
                            const GreyView* grey, int border) {
  std::vector<DecodeResult> found;
  DecodeResult best = ReadCandidates(bits, options, grey, border, &found, /*all=*/false);
  return found.empty() ? best : std::move(found.front());
}

DecodeResult ReadAllByPatterns(const BitMatrix& bits, const DecodeOptions& options,
                               const GreyView* grey, std::vector<DecodeResult>& found, int border) {
  return ReadCandidates(bits, options, grey, border, &found, /*all=*/true);
}

}  // namespace pdf417
