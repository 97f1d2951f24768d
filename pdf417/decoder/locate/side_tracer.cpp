#include "pdf417/decoder/locate/side_tracer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace pdf417 {
namespace {

PointF Add(const PointF& p, const PointF& v, double s) {
  return PointF{p.x + v.x * s, p.y + v.y * s};
}
double Distance(const PointF& a, const PointF& b) { return std::hypot(a.x - b.x, a.y - b.y); }
PointF Unit(const PointF& v) {
  const double n = std::hypot(v.x, v.y);
  return n > 0 ? PointF{v.x / n, v.y / n} : PointF{1, 0};
}

// The share of dark samples (light ones when inverted), one a pixel, along `length` pixels from p
// in direction d.
double DarkShare(const BitMatrix& bits, bool inverted, const PointF& p, const PointF& d,
                 double length) {
  const int n = std::max(1, static_cast<int>(length));
  int dark = 0;
  for (int k = 0; k < n; ++k) {
    const PointF q = Add(p, d, k + 0.5);
    dark += bits.IsDark(static_cast<int>(std::floor(q.y)), static_cast<int>(std::floor(q.x))) !=
            inverted;
  }
  return static_cast<double>(dark) / n;
}

// Follows one side of a symbol from `corner` along `along` (into the symbol), `outward` pointing
// away from it: step by step, the side is where a codeword's length of samples parallel to it
// stops holding bars. The direction is refitted to the side's points as they come. Returns the far
// end of the side, or false when the side could not be followed for the length of a few codewords.
bool TraceSide(const BitMatrix& bits, bool inverted, const PointF& corner, PointF along,
               PointF outward, double module, double reach, PointF& far) {
  const double step = 4 * module;
  const double window = 17 * module;
  const double band = 3 * module;
  std::vector<PointF> points{corner};
  PointF origin = corner;
  int misses = 0;
  PointF last = corner;
  for (double s = step; s <= reach; s += step) {
    const PointF p = Add(origin, along, s);
    // Inside the symbol a codeword's length parallel to its side holds bars; beyond the side,
    // the quiet zone does not. The side is the outermost offset that still holds some.
    double side = -1e9;
    for (double t = -band; t <= band; t += 1) {
      const PointF q = Add(Add(p, outward, t), along, -window / 2);
      if (DarkShare(bits, inverted, q, along, window) >= 0.15) side = t;
    }
    if (side < -band + 0.5) {
      // Nothing dark in the band: past the symbol's end, or a gap (a light column, a glare).
      if (++misses >= 2) break;
      continue;
    }
    misses = 0;
    last = Add(p, outward, side);
    points.push_back(last);
    // The side's direction from its points so far: the least-squares line through them.
    if (points.size() >= 3) {
      PointF c{0, 0};
      for (const PointF& q : points) {
        c.x += q.x / static_cast<double>(points.size());
        c.y += q.y / static_cast<double>(points.size());
      }
      double sxx = 0, sxy = 0, syy = 0;
      for (const PointF& q : points) {
        sxx += (q.x - c.x) * (q.x - c.x);
        sxy += (q.x - c.x) * (q.y - c.y);
        syy += (q.y - c.y) * (q.y - c.y);
      }
      const double angle = 0.5 * std::atan2(2 * sxy, sxx - syy);
      PointF d{std::cos(angle), std::sin(angle)};
      if (d.x * along.x + d.y * along.y < 0) d = PointF{-d.x, -d.y};
      // Keep the outward side: the normal on the same side as before.
      PointF n{-d.y, d.x};
      if (n.x * outward.x + n.y * outward.y < 0) n = PointF{d.y, -d.x};
      along = d;
      outward = n;
      // Walk on along the fitted line from the corner's projection onto it.
      const double back = (corner.x - c.x) * d.x + (corner.y - c.y) * d.y;
      origin = Add(c, d, back);
    }
  }
  if (points.size() < 4) return false;
  // The end: half a step past the last point that held bars, on the fitted line.
  far = Add(last, along, step / 2);
  return true;
}

}  // namespace

SymbolCandidate TraceSides(const BitMatrix& bits, const SymbolCandidate& lone) {
  if (lone.hasStart == lone.hasStop || !(lone.module > 0)) return lone;
  const std::array<PointF, 4>& q = lone.corners;
  // The known edge's ends, and the directions across the symbol from it and out of its sides.
  const PointF top = lone.hasStart ? q[0] : q[1];
  const PointF bottom = lone.hasStart ? q[3] : q[2];
  const PointF farTop = lone.hasStart ? q[1] : q[0];
  const PointF across = Unit(PointF{farTop.x - top.x, farTop.y - top.y});
  const PointF down = Unit(PointF{bottom.x - top.x, bottom.y - top.y});
  const double reach = Distance(top, farTop);
  // Start a little inside the edge, past the pattern's wide bar, so the side is measured over
  // codewords.
  PointF endTop;
  PointF endBottom;
  if (!TraceSide(bits, lone.inverted, top, across, PointF{-down.x, -down.y}, lone.module, reach,
                 endTop) ||
      !TraceSide(bits, lone.inverted, bottom, across, down, lone.module, reach, endBottom)) {
    return lone;
  }
  // Too short to hold a column of codewords beside the patterns: not a symbol's side.
  if (Distance(top, endTop) < 40 * lone.module || Distance(bottom, endBottom) < 40 * lone.module) {
    return lone;
  }
  SymbolCandidate traced = lone;
  if (lone.hasStart) {
    traced.corners = {top, endTop, endBottom, bottom};
  } else {
    traced.corners = {endTop, top, bottom, endBottom};
  }
  return traced;
}

}  // namespace pdf417
