#include "pdf417/decoder/locate/rap_finder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "pdf417/common/micro_tables.h"
#include "pdf417/decoder/binarize/runs.h"

namespace pdf417 {

namespace {

// The longest stretch of [0, length) outside the spans.
double LongestFree(std::vector<Span> spans, int length) {
  std::sort(spans.begin(), spans.end(),
            [](const Span& a, const Span& b) { return a.begin < b.begin; });
  double longest = 0;
  double at = 0;
  for (const Span& s : spans) {
    longest = std::max(longest, s.begin - at);
    at = std::max(at, s.end);
  }
  return std::max(longest, length - at);
}

}  // namespace

std::vector<MicroRowHit> FindMicroRows(const BitMatrix& bits, const BitMatrix* transposed, int step,
                                       bool inverted, const std::vector<MatrixBox>& skip,
                                       const Budget* budget, const std::vector<MicroRowHit>* near,
                                       int nearStep, double slope) {
  std::vector<MicroRowHit> hits;
  std::vector<Span> forward;
  std::vector<Span> backward;
  std::vector<Run> runs;
  std::vector<Run> reversed;
  std::vector<MicroLine> rows;
  std::vector<std::uint8_t> samples;
  for (int across = 0; across < 2; ++across) {
    const BitMatrix* matrix = across == 0 ? &bits : transposed;
    if (matrix == nullptr) continue;
    const int length = matrix->Width();
    std::vector<bool> wanted;
    if (near != nullptr) {
      wanted.assign(static_cast<std::size_t>(matrix->Height()), false);
      for (const MicroRowHit& h : *near) {
        if (h.direction / 2 != across || h.slope != slope) continue;
        const int from = std::max(0, h.line - nearStep);
        const int to = std::min(matrix->Height() - 1, h.line + nearStep);
        for (int t = from; t <= to; ++t) wanted[static_cast<std::size_t>(t)] = t % nearStep != 0;
      }
    }
    for (int t = 0; t < matrix->Height(); t += std::max(step, 1)) {
      if (budget != nullptr && t % 64 == 0) budget->Check();
      if (near != nullptr && !wanted[static_cast<std::size_t>(t)]) continue;
      // The boxes the line crosses, as stretches of it either way.
      forward.clear();
      backward.clear();
      for (const MatrixBox& b : skip) {
        const double lo = across == 0 ? b.y0 : b.x0;
        const double hi = across == 0 ? b.y1 : b.x1;
        if (t + 0.5 < lo || t + 0.5 >= hi) continue;
        const Span span = across == 0 ? Span{b.x0, b.x1} : Span{b.y0, b.y1};
        forward.push_back(span);
        backward.push_back(Span{length - span.end, length - span.begin});
      }
      // Too little of the line outside those boxes for the narrowest row at a sample a module.
      if (!forward.empty() && LongestFree(forward, length) < MicroRowWidth(1)) continue;
      if (slope == 0) {
        RowRuns(*matrix, t, runs);
      } else {
        // Sample k of the line lies at across t + slope * k (rounded) on the matrix's row or
        // column k.
        samples.assign(static_cast<std::size_t>(length), 0);
        for (int k = 0; k < length; ++k) {
          const int a = t + static_cast<int>(std::floor(slope * k + 0.5));
          samples[static_cast<std::size_t>(k)] =
              across == 0 ? bits.IsDark(a, k) : bits.IsDark(k, a);
        }
        RunsOf(samples.data(), length, runs);
      }
      // A row is at least its two RAPs and the stop bar (its cells blank): a line of fewer runs
      // crosses none.
      if (runs.size() < 13) continue;
      reversed.assign(runs.rbegin(), runs.rend());
      for (Run& r : reversed) r.begin = length - r.begin - r.length;
      for (int shade = 0; shade < (inverted ? 2 : 1); ++shade) {
        for (int backwards = 0; backwards < 2; ++backwards) {
          std::vector<Run>& line = backwards == 0 ? runs : reversed;
          if (shade == 1) {
            for (Run& r : line) r.dark = !r.dark;
          }
          rows.clear();
          ReadMicroLine(line, rows, backwards == 0 ? forward : backward);
          if (shade == 1) {
            for (Run& r : line) r.dark = !r.dark;
          }
          for (MicroLine& row : rows) {
            MicroRowHit hit;
            hit.row = std::move(row);
            hit.direction = 2 * across + backwards;
            hit.line = t;
            hit.inverted = shade == 1;
            hit.slope = slope;
            hits.push_back(std::move(hit));
          }
        }
      }
    }
  }
  return hits;
}

PointF MicroLinePoint(const BitMatrix& bits, int direction, double line, double s, double slope) {
  const double middle = line + 0.5;
  switch (direction) {
    case 0:
      return PointF{s, middle + slope * s};
    case 1:
      return PointF{bits.Width() - s, middle + slope * (bits.Width() - s)};
    case 2:
      return PointF{middle + slope * s, s};
    default:
      return PointF{middle + slope * (bits.Height() - s), bits.Height() - s};
  }
}

}  // namespace pdf417
