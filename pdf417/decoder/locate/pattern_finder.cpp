#include "pdf417/decoder/locate/pattern_finder.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

namespace pdf417 {
namespace {

constexpr int kDirections = 4;
constexpr int kDx[kDirections] = {1, 0, 1, 1};
constexpr int kDy[kDirections] = {0, 1, 1, -1};
// Hits an edge needs before it is believed.
constexpr int kMinHits = 3;
// Edges kept from one picture, most hits first: bounds the work on a picture of noise.
constexpr std::size_t kMaxEdges = 24;

// The first pixel and the number of pixels of line t in direction d.
struct LineGeometry {
  int x = 0;
  int y = 0;
  int length = 0;
};

int LineCount(const BitMatrix& bits, int direction, int step) {
  const int w = bits.Width();
  const int h = bits.Height();
  const int span = direction == 0 ? h : direction == 1 ? w : w + h - 1;
  return (span + step - 1) / step;
}

LineGeometry LineAt(const BitMatrix& bits, int direction, int line, int step) {
  const int w = bits.Width();
  const int h = bits.Height();
  const int t = line * step;
  switch (direction) {
    case 0:
      return {0, t, w};
    case 1:
      return {t, 0, h};
    case 2: {  // x - y = t - (h - 1)
      const int o = t - (h - 1);
      const int x = std::max(o, 0);
      const int y = std::max(-o, 0);
      return {x, y, std::min(w - x, h - y)};
    }
    default: {  // x + y = t, walked with x rising
      const int x = std::max(t - (h - 1), 0);
      const int y = t - x;
      return {x, y, std::min(w - x, y + 1)};
    }
  }
}

// The point between samples k - 1 and k of a line, in picture coordinates (pixel centres at .5).
PointF Boundary(const LineGeometry& g, int direction, double k) {
  return PointF{g.x + (k - 0.5) * kDx[direction] + 0.5, g.y + (k - 0.5) * kDy[direction] + 0.5};
}

double Distance(const PointF& a, const PointF& b) { return std::hypot(a.x - b.x, a.y - b.y); }

// The element of the pattern read at offset j from the first run matched.
int WidthAt(const int* widths, int count, bool reversed, int j) {
  return reversed ? widths[count - 1 - j] : widths[j];
}

// Whether the run beyond the pattern's outer edge is light and at least about a module wide.
bool QuietBeyond(const std::vector<Run>& runs, long beyond, double module, bool inverted) {
  if (beyond < 0 || beyond >= static_cast<long>(runs.size())) return true;  // the picture ends
  const Run& r = runs[static_cast<std::size_t>(beyond)];
  return r.dark == inverted && r.length >= 0.8 * module;
}

struct UnionFind {
  std::vector<int> parent;
  explicit UnionFind(std::size_t n) : parent(n) { std::iota(parent.begin(), parent.end(), 0); }
  int Find(int a) {
    while (parent[static_cast<std::size_t>(a)] != a) {
      parent[static_cast<std::size_t>(a)] =
          parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(a)])];
      a = parent[static_cast<std::size_t>(a)];
    }
    return a;
  }
  void Join(int a, int b) { parent[static_cast<std::size_t>(Find(a))] = Find(b); }
};

PointF Add(const PointF& p, const PointF& v, double s) {
  return PointF{p.x + v.x * s, p.y + v.y * s};
}
double Dot(const PointF& a, const PointF& b) { return a.x * b.x + a.y * b.y; }
PointF Sub(const PointF& a, const PointF& b) { return PointF{a.x - b.x, a.y - b.y}; }
PointF Unit(const PointF& v) {
  const double n = std::hypot(v.x, v.y);
  return n > 0 ? PointF{v.x / n, v.y / n} : PointF{1, 0};
}

// Looks for the pattern across the edge near p, reading inwards along scan (one pixel step).
// On success outer is the pattern's outer edge closest to p.
bool FindOuterNear(const BitMatrix& bits, const PointF& p, const PointF& scan, bool stop,
                   bool inverted, double modulePx, PointF& outer) {
  const double len = std::hypot(scan.x, scan.y);
  const double mk = modulePx / len;  // module in samples
  const int before = static_cast<int>(3 * mk) + 3;
  const int total = before + static_cast<int>(22 * mk) + 3;
  const PointF base = Add(p, scan, -before);
  std::vector<std::uint8_t> samples(static_cast<std::size_t>(total));
  for (int k = 0; k < total; ++k) {
    const PointF q = Add(base, scan, k);
    samples[static_cast<std::size_t>(k)] =
        bits.IsDark(static_cast<int>(std::floor(q.y)), static_cast<int>(std::floor(q.x)));
  }
  std::vector<Run> runs;
  RunsOf(samples.data(), total, runs);
  const int* widths = stop ? kStopWidths.data() : kStartWidths.data();
  const int count =
      stop ? static_cast<int>(kStopWidths.size()) : static_cast<int>(kStartWidths.size());
  double best = 2 * mk + 2;
  bool found = false;
  for (std::size_t i = 1; i + static_cast<std::size_t>(count) <= runs.size(); ++i) {
    if (runs[i].dark == inverted) continue;
    double m = 0;
    if (!MatchesPattern(runs, i, widths, count, stop, m, inverted)) continue;
    if (m < 0.6 * mk || m > 1.67 * mk) continue;
    const double offset = std::fabs(runs[i].begin - before);
    if (offset < best) {
      best = offset;
      outer = Add(base, scan, runs[i].begin - 0.5);
      found = true;
    }
  }
  return found;
}

// Moves the end of an edge outwards pixel by pixel while the pattern is still there.
PointF Lengthen(const BitMatrix& bits, PointF end, const PointF& along, const PointF& scan,
                bool stop, bool inverted, double modulePx, int limit) {
  int misses = 0;
  PointF p = end;
  for (int i = 0; i < limit && misses < 3; ++i) {
    p = Add(p, along, 1.0);
    PointF q;
    if (FindOuterNear(bits, p, scan, stop, inverted, modulePx, q)) {
      // Keep the found point's position across the edge, the walk's along it.
      const double shift = Dot(Sub(q, p), along);
      p = Add(q, along, -shift);
      end = p;
      misses = 0;
    } else {
      ++misses;
    }
  }
  return end;
}

double Length(const SymbolEdge& e) { return Distance(e.top, e.bottom); }
PointF Mid(const SymbolEdge& e) {
  return PointF{(e.top.x + e.bottom.x) / 2, (e.top.y + e.bottom.y) / 2};
}

// Unit vector along the edge from top to bottom, and the normal into the symbol.
PointF Down(const SymbolEdge& e) { return Unit(Sub(e.bottom, e.top)); }
PointF Normal(const SymbolEdge& e) {
  const PointF d = Down(e);
  PointF n{-d.y, d.x};
  if (Dot(n, e.inward) < 0) n = PointF{d.y, -d.x};
  return n;
}

// Pieces of one edge: a pattern lost on a stretch of lines (noise, a scratch, a fold) breaks an
// edge where the chain of hits could not bridge the gap. Edges of one kind that lie on one
// straight line, facing the same way, with a gap of at most a few codewords between them, are
// joined into one, longest first; each joined edge keeps the hits of both.
//
// The gap must hold the pattern's wide bar as the pieces do (dark along most of its length):
// pieces of the edges of two symbols one above the other have a quiet zone between them instead.
bool WideBarAcross(const BitMatrix& bits, const SymbolEdge& e, const PointF& from,
                   const PointF& to) {
  // The wide bar's middle: 4 modules in from the start pattern's outer edge, 13 from the stop's.
  const PointF in = Add(PointF{0, 0}, e.inward, (e.stop ? 13 : 4) * e.module);
  const double length = Distance(from, to);
  const int n = static_cast<int>(length);
  if (n < 1) return true;
  int dark = 0;
  for (int k = 0; k < n; ++k) {
    const PointF p = Add(Add(from, Unit(Sub(to, from)), k + 0.5), in, 1.0);
    dark += bits.IsDark(static_cast<int>(std::floor(p.y)), static_cast<int>(std::floor(p.x))) !=
            e.inverted;
  }
  return dark >= 0.6 * n;
}

std::vector<SymbolEdge> JoinPieces(const BitMatrix& bits, std::vector<SymbolEdge> edges) {
  std::sort(edges.begin(), edges.end(),
            [](const SymbolEdge& a, const SymbolEdge& b) { return Length(a) > Length(b); });
  std::vector<SymbolEdge> out;
  for (const SymbolEdge& e : edges) {
    bool joined = false;
    for (SymbolEdge& o : out) {
      if (o.stop != e.stop || o.inverted != e.inverted || Dot(o.inward, e.inward) < 0.9) continue;
      const PointF down = Down(o);
      const PointF normal{-down.y, down.x};
      const double tolerance = 2 * std::max(o.module, e.module);
      // Both ends of the piece close to the line of the longer edge.
      if (std::fabs(Dot(Sub(e.top, o.top), normal)) > tolerance ||
          std::fabs(Dot(Sub(e.bottom, o.top), normal)) > tolerance) {
        continue;
      }
      double a = Dot(Sub(e.top, o.top), down);
      double b = Dot(Sub(e.bottom, o.top), down);
      if (a > b) std::swap(a, b);
      const double length = Length(o);
      const double gap = std::max(a - length, -b);
      if (gap > 40 * std::max(o.module, e.module)) continue;
      if (gap > 0) {
        const PointF from = a > length ? o.bottom : e.bottom;
        const PointF to = a > length ? Add(o.top, down, a) : o.top;
        if (!WideBarAcross(bits, o, from, to)) continue;
      }
      const PointF top = o.top;
      o.top = Add(top, down, std::min(a, 0.0));
      o.bottom = Add(top, down, std::max(b, length));
      o.hits += e.hits;
      joined = true;
      break;
    }
    if (!joined) out.push_back(e);
  }
  return out;
}

}  // namespace

bool MatchesPattern(const std::vector<Run>& runs, std::size_t i, const int* widths, int count,
                    bool reversed, double& module, bool inverted, double quantum) {
  if (i + static_cast<std::size_t>(count) > runs.size()) return false;
  const bool bar = (reversed ? count - 1 : 0) % 2 == 0;
  if (runs[i].dark != (bar != inverted)) return false;
  int modules = 0;
  int total = 0;
  for (int j = 0; j < count; ++j) {
    modules += widths[j];
    total += runs[i + static_cast<std::size_t>(j)].length;
  }
  const double m = static_cast<double>(total) / modules;
  // Edges on whole pixels move by up to a pixel: with modules of one or two pixels that is most of
  // a module.
  const double slack = quantum / m;
  for (int j = 0; j < count; ++j) {
    const double w = runs[i + static_cast<std::size_t>(j)].length / m;
    const int e = WidthAt(widths, count, reversed, j);
    if (std::fabs(w - e) > 0.5 + 0.25 * e + slack) return false;
    if (j + 1 < count) {
      const double pair = (runs[i + static_cast<std::size_t>(j)].length +
                           runs[i + static_cast<std::size_t>(j) + 1].length) /
                          m;
      if (std::fabs(pair - e - WidthAt(widths, count, reversed, j + 1)) > 0.8 + slack) {
        return false;
      }
    }
  }
  module = m;
  return true;
}

int ScanStep(const BitMatrix& bits) {
  const long long pixels = static_cast<long long>(bits.Width()) * bits.Height();
  return pixels <= 120000 ? 2 : pixels <= 4000000 ? 3 : 4;
}

bool SameCandidate(const SymbolCandidate& a, const SymbolCandidate& b) {
  if (a.inverted != b.inverted) return false;
  const double near = 2 * std::max(a.module, b.module);
  for (std::size_t k = 0; k < 4; ++k) {
    if (!(Distance(a.corners[k], b.corners[k]) < near)) return false;
  }
  return true;
}

namespace {

// The runs of `count` samples from `from` of row `row` of the diagonals' matrix, counted from
// `from` (from its far end, and in reverse order, when `reversed`).
void DiagonalRuns(const BitMatrix& diagonals, int row, int from, int count, bool reversed,
                  std::vector<Run>& runs) {
  RowRunsBetween(diagonals, row, from, from + count, runs);
  for (Run& r : runs) r.begin -= from;
  if (!reversed) return;
  std::reverse(runs.begin(), runs.end());
  for (Run& r : runs) r.begin = count - (r.begin + r.length);
}

// The stretches [from, to) of a row (d 0) or column (d 1) outside the quadrilaterals to skip:
// each cuts out where the line through the pixels' centres crosses it.
void StretchesBeside(int d, const LineGeometry& g, const std::vector<std::array<PointF, 4>>* skip,
                     std::vector<std::pair<int, int>>& stretches) {
  stretches.assign(1, {0, g.length});
  if (skip == nullptr) return;
  const double c = d == 0 ? g.y + 0.5 : g.x + 0.5;
  std::vector<std::pair<int, int>> kept;
  for (const std::array<PointF, 4>& q : *skip) {
    double lo = 1e18;
    double hi = -1e18;
    for (std::size_t k = 0; k < 4; ++k) {
      // Along the line (a) and across it (b), for both ends of the side.
      const PointF& p = q[k];
      const PointF& r = q[(k + 1) % 4];
      const double pa = d == 0 ? p.x : p.y;
      const double pb = d == 0 ? p.y : p.x;
      const double ra = d == 0 ? r.x : r.y;
      const double rb = d == 0 ? r.y : r.x;
      if ((pb - c) * (rb - c) > 0 || pb == rb) continue;
      const double a = pa + (c - pb) * (ra - pa) / (rb - pb);
      lo = std::min(lo, a);
      hi = std::max(hi, a);
    }
    if (!(lo <= hi)) continue;
    const int cutFrom = static_cast<int>(std::max(-1.0, std::floor(lo)));
    const int cutTo = static_cast<int>(std::min(1e9, std::ceil(hi)));
    kept.clear();
    for (const auto& [a, e] : stretches) {
      if (e <= cutFrom || a >= cutTo) {
        kept.emplace_back(a, e);
        continue;
      }
      if (a < cutFrom) kept.emplace_back(a, cutFrom);
      if (e > cutTo) kept.emplace_back(cutTo, e);
    }
    stretches.swap(kept);
  }
}

// The pattern hits among the runs of line t (direction d, geometry g, `unit` pixels a sample
// along it), appended to `hits`; `prefix` is room for the runs' running lengths.
void HitsAlong(const std::vector<Run>& runs, bool inverted, int d, int t, const LineGeometry& g,
               double unit, std::vector<int>& prefix, std::vector<PatternHit>& hits) {
  const int startCount = static_cast<int>(kStartWidths.size());
  const int stopCount = static_cast<int>(kStopWidths.size());
  const std::size_t n = runs.size();
  prefix.resize(n + 1);
  prefix[0] = 0;
  for (std::size_t k = 0; k < n; ++k) prefix[k + 1] = prefix[k] + runs[k].length;
  // Every pattern has its wide bar at one end: the start pattern's 8 and the stop pattern's 7
  // lead them forwards and end them backwards. Only a bar of a pattern's colour, at least
  // three samples wide and well over twice its inner neighbour, is looked at further, as the
  // first or the last bar of each pattern it can open or close.
  for (std::size_t w = 0; w < n; ++w) {
    const Run& bar = runs[w];
    if (bar.length < 3 || (bar.dark ? false : !inverted)) continue;
    // Over twice and a half the run after it (opening a pattern) or before it (closing
    // one): most runs are neither.
    const bool opens = w + 1 < n && 2 * bar.length >= 5 * runs[w + 1].length;
    const bool closes = w >= 1 && 2 * bar.length >= 5 * runs[w - 1].length;
    if (!opens && !closes) continue;
    const bool light = !bar.dark;
    for (int kind = 0; kind < 4; ++kind) {
      const bool stop = kind >= 2;
      const bool reversed = kind % 2 == 1;
      if (!(reversed ? closes : opens)) continue;
      const int count = stop ? stopCount : startCount;
      if (reversed ? w + 1 < static_cast<std::size_t>(count) : w + count > n) continue;
      const std::size_t i = reversed ? w + 1 - static_cast<std::size_t>(count) : w;
      // The wide bar is 8 of the start pattern's 17 modules, 7 of the stop pattern's 18:
      // within a third of that share of the runs it would open or close.
      const int total = prefix[i + static_cast<std::size_t>(count)] - prefix[i];
      const int share = stop ? 7 : 8;
      const int modules = stop ? 18 : 17;
      if (3 * modules * bar.length < 2 * share * total ||
          3 * modules * bar.length > 4 * share * total) {
        continue;
      }
      double m = 0;
      if (!MatchesPattern(runs, i, stop ? kStopWidths.data() : kStartWidths.data(), count, reversed,
                          m, light)) {
        continue;
      }
      const long last = static_cast<long>(i) + count - 1;
      const Run& firstRun = runs[i];
      const Run& endRun = runs[static_cast<std::size_t>(last)];
      // The outer edge is at the start's wide bar or the stop's last narrow bar.
      const bool outerFirst = stop == reversed;
      if (!QuietBeyond(runs, outerFirst ? static_cast<long>(i) - 1 : last + 1, m, light)) {
        continue;
      }
      PatternHit hit;
      hit.stop = stop;
      hit.direction = d;
      hit.reversed = reversed;
      hit.line = t;
      hit.module = m * unit;
      hit.inverted = light;
      const PointF a = Boundary(g, d, firstRun.begin);
      const PointF b = Boundary(g, d, endRun.begin + endRun.length);
      hit.outer = outerFirst ? a : b;
      hit.inner = outerFirst ? b : a;
      hits.push_back(hit);
    }
  }
}

}  // namespace

std::vector<PatternHit> FindPatternHits(const BitMatrix& bits, int step, ScanLines directions,
                                        bool inverted, const BitMatrix* transposed,
                                        const std::vector<PatternHit>* near, int nearStep,
                                        const std::vector<std::array<PointF, 4>>* skip) {
  std::vector<PatternHit> hits;
  BitMatrix ownTransposed;
  if (transposed == nullptr && directions != ScanLines::Diagonal) {
    ownTransposed = Transposed(bits);
    transposed = &ownTransposed;
  }
  std::vector<std::pair<int, int>> stretches;
  std::vector<Run> runs;
  BitMatrix diagonals[2];
  std::vector<int> prefix;
  const int first = directions == ScanLines::Diagonal ? 2 : 0;
  const int end = directions == ScanLines::Straight ? 2 : kDirections;
  for (int d = first; d < end; ++d) {
    const double unit = std::hypot(kDx[d], kDy[d]);
    const int lines = LineCount(bits, d, step);
    // The lines near earlier hits, when only those are scanned.
    std::vector<bool> wanted;
    if (near != nullptr) {
      wanted.assign(static_cast<std::size_t>(lines), false);
      for (const PatternHit& h : *near) {
        if (h.direction != d) continue;
        const int at = h.line * nearStep;
        const int from = std::max(0, (at - nearStep) / step);
        const int to = std::min(lines - 1, (at + nearStep) / step);
        for (int t = from; t <= to; ++t) wanted[static_cast<std::size_t>(t)] = true;
      }
    }
    for (int t = 0; t < lines; ++t) {
      if (near != nullptr && !wanted[static_cast<std::size_t>(t)]) continue;
      const LineGeometry g = LineAt(bits, d, t, step);
      if (g.length < 17) continue;
      if (d < 2) {
        StretchesBeside(d, g, skip, stretches);
      } else {
        stretches.assign(1, {0, g.length});
      }
      for (const auto& [from, to] : stretches) {
        if (to - from < 17) continue;
        if (d == 0) {
          RowRunsBetween(bits, g.y, from, to, runs);
        } else if (d == 1) {
          RowRunsBetween(*transposed, g.x, from, to, runs);
        } else {
          // A diagonal is a row of the diagonals' matrix: its runs between the line's ends, in the
          // line's order (y rising for d 2, falling for d 3).
          if (diagonals[d - 2].Empty()) diagonals[d - 2] = DiagonalRows(bits, d == 3);
          const int start = d == 2 ? g.y : g.y - g.length + 1;
          DiagonalRuns(diagonals[d - 2], t * step, start, g.length, d == 3, runs);
        }
        HitsAlong(runs, inverted, d, t, g, unit, prefix, hits);
      }
    }
  }
  return hits;
}

std::vector<SymbolEdge> ChainEdges(const BitMatrix& bits, const std::vector<PatternHit>& hits,
                                   int step) {
  UnionFind groups(hits.size());
  // Hits of one kind on lines up to three apart whose outer points are close enough for an edge
  // at up to about 68 degrees from the lines' normal.
  std::vector<std::size_t> order(hits.size());
  std::iota(order.begin(), order.end(), 0);
  auto key = [&hits](std::size_t i) {
    const PatternHit& h = hits[i];
    return std::make_tuple(h.inverted, h.stop, h.direction, h.reversed, h.line);
  };
  std::sort(order.begin(), order.end(),
            [&](std::size_t a, std::size_t b) { return key(a) < key(b); });
  for (std::size_t oi = 0; oi < order.size(); ++oi) {
    const PatternHit& a = hits[order[oi]];
    // Lines along a diagonal are step / sqrt(2) apart.
    const double spacing = step / std::hypot(kDx[a.direction], kDy[a.direction]);
    for (std::size_t oj = oi + 1; oj < order.size(); ++oj) {
      const PatternHit& b = hits[order[oj]];
      if (b.inverted != a.inverted || b.stop != a.stop || b.direction != a.direction ||
          b.reversed != a.reversed) {
        break;
      }
      const int dt = b.line - a.line;
      if (dt > 3) break;
      if (dt < 1) continue;
      if (b.module > 1.67 * a.module || a.module > 1.67 * b.module) continue;
      if (Distance(a.outer, b.outer) <= spacing * dt * 2.5 + 2 * std::max(a.module, b.module)) {
        groups.Join(static_cast<int>(order[oi]), static_cast<int>(order[oj]));
      }
    }
  }
  std::vector<std::vector<std::size_t>> members(hits.size());
  for (std::size_t i = 0; i < hits.size(); ++i) {
    members[static_cast<std::size_t>(groups.Find(static_cast<int>(i)))].push_back(i);
  }
  std::sort(members.begin(), members.end(),
            [](const std::vector<std::size_t>& a, const std::vector<std::size_t>& b) {
              return a.size() > b.size();
            });

  std::vector<SymbolEdge> edges;
  for (const std::vector<std::size_t>& group : members) {
    if (group.size() < static_cast<std::size_t>(kMinHits) || edges.size() >= kMaxEdges) break;
    // A straight line through the outer points (principal axis), the inward direction and the
    // module width as their means.
    PointF c{0, 0};
    PointF in{0, 0};
    std::vector<double> modules;
    for (std::size_t i : group) {
      c = Add(c, hits[i].outer, 1.0 / static_cast<double>(group.size()));
      in = Add(in, Unit(Sub(hits[i].inner, hits[i].outer)), 1.0);
      modules.push_back(hits[i].module);
    }
    double sxx = 0, sxy = 0, syy = 0;
    for (std::size_t i : group) {
      const PointF d = Sub(hits[i].outer, c);
      sxx += d.x * d.x;
      sxy += d.x * d.y;
      syy += d.y * d.y;
    }
    const double angle = 0.5 * std::atan2(2 * sxy, sxx - syy);
    PointF along{std::cos(angle), std::sin(angle)};
    double lo = 1e18, hi = -1e18;
    for (std::size_t i : group) {
      const double s = Dot(Sub(hits[i].outer, c), along);
      lo = std::min(lo, s);
      hi = std::max(hi, s);
    }
    std::nth_element(modules.begin(), modules.begin() + static_cast<long>(modules.size() / 2),
                     modules.end());
    SymbolEdge edge;
    edge.stop = hits[group.front()].stop;
    edge.inverted = hits[group.front()].inverted;
    edge.inward = Unit(in);
    edge.module = modules[modules.size() / 2];
    edge.hits = static_cast<int>(group.size());
    // Lengthen both ends, reading inwards across the edge: along the symbol's rows, so that the
    // last row still shows the whole pattern when the scanned lines crossed it at a slant.
    PointF scan{-along.y, along.x};
    if (Dot(scan, edge.inward) < 0) scan = PointF{along.y, -along.x};
    const int limit = 4 * step + 8 + static_cast<int>(20 * edge.module);
    PointF e1 = Lengthen(bits, Add(c, along, lo), PointF{-along.x, -along.y}, scan, edge.stop,
                         edge.inverted, edge.module, limit);
    PointF e2 = Lengthen(bits, Add(c, along, hi), along, scan, edge.stop, edge.inverted,
                         edge.module, limit);
    // The walk ends on the centres of the last lines that show the pattern; the symbol's edge
    // lies half a pixel beyond each.
    e1 = Add(e1, along, -0.5);
    e2 = Add(e2, along, 0.5);
    // Top as the symbol is read: "up" is the reading direction turned a quarter to the left.
    const PointF right = edge.stop ? PointF{-edge.inward.x, -edge.inward.y} : edge.inward;
    const PointF up{right.y, -right.x};
    if (Dot(e1, up) < Dot(e2, up)) std::swap(e1, e2);
    edge.top = e1;
    edge.bottom = e2;
    // The same edge seen along another direction is kept once.
    bool duplicate = false;
    for (const SymbolEdge& other : edges) {
      if (other.stop == edge.stop && other.inverted == edge.inverted &&
          Dot(other.inward, edge.inward) > 0.5 &&
          Distance(Mid(other), Mid(edge)) < 3 * edge.module + 0.25 * Length(edge)) {
        duplicate = true;
        break;
      }
    }
    if (!duplicate) edges.push_back(edge);
  }
  return JoinPieces(bits, edges);
}

// Whether the quadrilateral's corners, in order, turn the same way at every corner.
bool Convex(const std::array<PointF, 4>& q) {
  int sign = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const PointF a = Sub(q[(i + 1) % 4], q[i]);
    const PointF b = Sub(q[(i + 2) % 4], q[(i + 1) % 4]);
    const double cross = a.x * b.y - a.y * b.x;
    const int s = cross > 0 ? 1 : cross < 0 ? -1 : 0;
    if (s == 0 || (sign != 0 && s != sign)) return false;
    sign = s;
  }
  return true;
}

std::vector<SymbolCandidate> PairEdges(const std::vector<SymbolEdge>& edges, double reach) {
  struct Pair {
    double score;
    std::size_t start;
    std::size_t stop;
  };
  std::vector<Pair> pairs;
  for (std::size_t i = 0; i < edges.size(); ++i) {
    const SymbolEdge& s = edges[i];
    if (s.stop) continue;
    for (std::size_t j = 0; j < edges.size(); ++j) {
      const SymbolEdge& t = edges[j];
      if (!t.stop || t.inverted != s.inverted) continue;
      if (Dot(s.inward, t.inward) > -0.5) continue;  // they must face each other
      // Seen square on, a symbol's edges are parallel; a page tilted steeply away makes them
      // converge, the far side short and the near side long, as long as they make a convex
      // quadrilateral. Across and along are measured on the edges' mean direction.
      if (Dot(Down(s), Down(t)) < -0.9 || !Convex({s.top, t.top, t.bottom, s.bottom})) continue;
      if (t.module > 2 * s.module || s.module > 2 * t.module) continue;
      const PointF down = Unit(Add(Down(s), Down(t), 1.0));
      PointF normal{-down.y, down.x};
      if (Dot(normal, s.inward) < 0) normal = PointF{down.y, -down.x};
      const PointF gap = Sub(Mid(t), Mid(s));
      const double across = Dot(gap, normal);
      const double m = (s.module + t.module) / 2;
      if (across < 40 * m) continue;  // start, two indicators, a column and the stop at least
      const double sideways = std::fabs(Dot(gap, down));
      // A short edge's direction is known to a pixel or two over its length: far across (a wide
      // symbol of few rows), its normal can miss the other edge by more than the edges are long.
      const double slack = across * std::min(0.1, 2.0 / std::max(1.0, Length(s)));
      if (sideways > 0.5 * (Length(s) + Length(t)) + 4 * m + slack) continue;
      // Edges of about the same length first, then nearer and better aligned ones first: bars
      // inside a large symbol can show a pattern over one row, a short edge that would otherwise
      // pair with the symbol's own edge before the true one across it.
      const double ratio = std::min(Length(s), Length(t)) / std::max(Length(s), Length(t));
      const double unequal = ratio < 0.5 ? 1e9 : 0;
      pairs.push_back(Pair{unequal + across + 4 * sideways, i, j});
    }
  }
  std::sort(pairs.begin(), pairs.end(),
            [](const Pair& a, const Pair& b) { return a.score < b.score; });

  // Candidates in order; one whose corners all lie within two modules of an earlier one's would
  // read the same lines again and is dropped.
  std::vector<SymbolCandidate> out;
  auto add = [&out](const SymbolCandidate& c) {
    if (std::none_of(out.begin(), out.end(),
                     [&c](const SymbolCandidate& o) { return SameCandidate(o, c); })) {
      out.push_back(c);
    }
  };
  // A pair as it was found, and the same pair with its shorter edge lengthened to the other's
  // ends: a covered corner shortens one edge, and so does a pattern found only in pieces (hits
  // missing where blur or dim light joins its narrow elements). Where the shorter edge is under
  // half the longer, the lengthened pair comes first.
  auto pairOf = [&edges](const Pair& p, SymbolCandidate& plain, SymbolCandidate& lengthened) {
    const SymbolEdge& s = edges[p.start];
    const SymbolEdge& t = edges[p.stop];
    plain.corners = {s.top, t.top, t.bottom, s.bottom};
    plain.module = (s.module + t.module) / 2;
    plain.hasStart = plain.hasStop = true;
    plain.inverted = s.inverted;
    const double ls = Length(s);
    const double lt = Length(t);
    if (std::fabs(ls - lt) <= 0.1 * std::max(ls, lt) + 2 * plain.module) return false;
    const bool startShort = ls < lt;
    const SymbolEdge& shortEdge = startShort ? s : t;
    const SymbolEdge& longEdge = startShort ? t : s;
    const PointF down = Down(shortEdge);
    const PointF top =
        Add(shortEdge.top, down, std::min(0.0, Dot(Sub(longEdge.top, shortEdge.top), down)));
    const PointF bottom = Add(shortEdge.bottom, down,
                              std::max(0.0, Dot(Sub(longEdge.bottom, shortEdge.bottom), down)));
    lengthened = plain;
    if (startShort) {
      lengthened.corners[0] = top;
      lengthened.corners[3] = bottom;
    } else {
      lengthened.corners[1] = top;
      lengthened.corners[2] = bottom;
    }
    if (std::min(ls, lt) < 0.5 * std::max(ls, lt)) std::swap(plain, lengthened);
    return true;
  };
  // Pairs of edges of about one length first, the lengthened ones after them all.
  std::vector<SymbolCandidate> later;
  std::size_t unequal = 0;
  for (const Pair& p : pairs) {
    if (p.score >= 1e9) break;
    ++unequal;
    SymbolCandidate first;
    SymbolCandidate second;
    const bool both = pairOf(p, first, second);
    add(first);
    if (both) later.push_back(second);
  }
  for (const SymbolCandidate& c : later) add(c);
  // Lone edges: the other side is put `reach` modules away across the edge. Every edge alone
  // comes after the pairs of equal edges, paired or not: its partner may have been another
  // symbol's.
  for (std::size_t i = 0; i < edges.size(); ++i) {
    const SymbolEdge& e = edges[i];
    const PointF n = Normal(e);
    const double w = reach * e.module;
    SymbolCandidate c;
    c.module = e.module;
    c.inverted = e.inverted;
    if (e.stop) {
      c.corners = {Add(e.top, n, w), e.top, e.bottom, Add(e.bottom, n, w)};
      c.hasStop = true;
    } else {
      c.corners = {e.top, Add(e.top, n, w), Add(e.bottom, n, w), e.bottom};
      c.hasStart = true;
    }
    add(c);
  }
  // Last, pairs of edges of very different lengths: mostly a symbol's edge and bars inside
  // another that looked like a pattern over a row or two.
  for (std::size_t k = unequal; k < pairs.size(); ++k) {
    SymbolCandidate first;
    SymbolCandidate second;
    const bool both = pairOf(pairs[k], first, second);
    add(first);
    if (both) add(second);
  }
  return out;
}

}  // namespace pdf417
