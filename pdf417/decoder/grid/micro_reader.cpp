#include "pdf417/decoder/grid/micro_reader.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <utility>

#include "pdf417/common/error.h"
#include "pdf417/common/micro_tables.h"
#include "pdf417/common/patterns.h"
#include "pdf417/decoder/correct/reed_solomon.h"
#include "pdf417/decoder/decompact/decompact.h"
#include "pdf417/decoder/grid/votes.h"

namespace pdf417 {
namespace {

// Rows a symbol needs to be found: a symbol of 4 rows two pixels tall shows on 8 lines.
constexpr std::size_t kMinHits = 3;
// Distinct rows a symbol must show.
constexpr long kMinRowsSeen = 3;
// Sizes tried for one group of rows, best told first.
constexpr std::size_t kMaxSizesTried = 2;

int Find(std::vector<int>& parent, int a) {
  while (parent[static_cast<std::size_t>(a)] != a) {
    parent[static_cast<std::size_t>(a)] =
        parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(a)])];
    a = parent[static_cast<std::size_t>(a)];
  }
  return a;
}

// Hits of one direction and shade on lines a few modules apart whose rows begin and end near each
// other: one symbol's rows. Groups of most hits first.
std::vector<std::vector<std::size_t>> Group(const std::vector<MicroRowHit>& hits) {
  std::vector<std::size_t> order(hits.size());
  std::iota(order.begin(), order.end(), 0);
  auto key = [&hits](std::size_t i) {
    return std::make_tuple(hits[i].inverted, hits[i].direction, hits[i].slope, hits[i].line);
  };
  std::sort(order.begin(), order.end(),
            [&](std::size_t a, std::size_t b) { return key(a) < key(b); });
  std::vector<int> parent(hits.size());
  std::iota(parent.begin(), parent.end(), 0);
  for (std::size_t oi = 0; oi < order.size(); ++oi) {
    const MicroRowHit& a = hits[order[oi]];
    const double m = a.row.module;
    for (std::size_t oj = oi + 1; oj < order.size(); ++oj) {
      const MicroRowHit& b = hits[order[oj]];
      if (b.inverted != a.inverted || b.direction != a.direction || b.slope != a.slope) break;
      const int dt = b.line - a.line;
      if (dt > 4 * m + 2) break;
      if (dt < 1) continue;
      if (b.row.module > 1.3 * m || m > 1.3 * b.row.module) continue;
      const double slack = 2 * m + 0.5 * dt;
      if (std::fabs(a.row.begin - b.row.begin) > slack ||
          std::fabs(a.row.end - b.row.end) > slack) {
        continue;
      }
      parent[static_cast<std::size_t>(Find(parent, static_cast<int>(order[oi])))] =
          Find(parent, static_cast<int>(order[oj]));
    }
  }
  std::vector<std::vector<std::size_t>> groups(hits.size());
  for (std::size_t i = 0; i < hits.size(); ++i) {
    groups[static_cast<std::size_t>(Find(parent, static_cast<int>(i)))].push_back(i);
  }
  groups.erase(
      std::remove_if(groups.begin(), groups.end(),
                     [](const std::vector<std::size_t>& g) { return g.size() < kMinHits; }),
      groups.end());
  std::stable_sort(groups.begin(), groups.end(),
                   [](const std::vector<std::size_t>& a, const std::vector<std::size_t>& b) {
                     return a.size() > b.size();
                   });
  return groups;
}

// The row a RAP number read at a place stands in, for a size whose first row has `first` there;
// -1 when no row of the size has it.
int RowOfRap(int rap, int first, int rows) {
  if (rap <= 0 || first <= 0) return -1;
  const int row = ((rap - first) % kRapCount + kRapCount) % kRapCount;
  return row < rows ? row : -1;
}

int ClusterOfRow(const MicroSize& size, int row) { return (size.firstCluster + row) % 3; }

// The row each read cell of a hit stands in, for the size: from the left RAP's row on, moved to
// the row above or below where a cell's cluster says the line went there. -1 for cells unread or
// outside the symbol.
std::vector<int> CellRows(const MicroRowHit& hit, const MicroSize& size, int& rightRow) {
  std::vector<int> rows(hit.row.cells.size(), -1);
  int row = RowOfRap(hit.row.leftRap, size.leftRap, size.rows);
  rightRow = -1;
  if (row < 0) return rows;
  for (std::size_t c = 0; c < hit.row.cells.size(); ++c) {
    const EdgeReading& cell = hit.row.cells[c];
    if (cell.codeword < 0) continue;
    const int shift = ((cell.cluster - ClusterOfRow(size, row)) % 3 + 3) % 3;
    row += shift == 1 ? 1 : shift == 2 ? -1 : 0;
    rows[c] = row >= 0 && row < size.rows ? row : -1;
  }
  rightRow = row;
  return rows;
}

// How well the hits fit a size: +1 for a hit whose RAP numbers and clusters are the size's, -1
// for one whose are not.
int Fit(const std::vector<const MicroRowHit*>& hits, const MicroSize& size) {
  int score = 0;
  for (const MicroRowHit* hit : hits) {
    const int row = RowOfRap(hit->row.leftRap, size.leftRap, size.rows);
    if (row < 0) {
      --score;
      continue;
    }
    int rightRow = -1;
    const std::vector<int> rows = CellRows(*hit, size, rightRow);
    bool fits = true;
    // The first cell read lies in the left RAP's row or next to it.
    for (std::size_t c = 0; c < rows.size(); ++c) {
      if (hit->row.cells[c].codeword < 0) continue;
      fits = hit->row.cells[c].cluster == ClusterOfRow(size, row) || c > 0;
      break;
    }
    auto near = [](int rap, int first, int at) {
      if (rap == 0 || at < 0) return true;
      for (int d = -1; d <= 1; ++d) {
        if (at + d >= 0 && RapOfRow(first, at + d) == rap) return true;
      }
      return false;
    };
    fits = fits && near(hit->row.rightRap, size.rightRap, rightRow);
    if (size.centreRap > 0) fits = fits && near(hit->row.centreRap, size.centreRap, row);
    score += fits ? 1 : -1;
  }
  return score;
}

// A straight line y = a + b x through the points, by least squares; b 0 for fewer than two
// distinct x.
struct LineFit {
  double a = 0;
  double b = 0;
  bool ok = false;
  double At(double x) const { return a + b * x; }
};

LineFit FitLine(const std::vector<PointF>& points) {
  LineFit f;
  if (points.empty()) return f;
  double sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (const PointF& p : points) {
    sx += p.x;
    sy += p.y;
    sxx += p.x * p.x;
    sxy += p.x * p.y;
  }
  const double n = static_cast<double>(points.size());
  const double den = n * sxx - sx * sx;
  if (std::fabs(den) < 1e-9) {
    f.a = sy / n;
    return f;
  }
  f.b = (n * sxy - sx * sy) / den;
  f.a = (sy - f.b * sx) / n;
  f.ok = true;
  return f;
}

// Reads the group's hits as a symbol of the size. Decoded, NotCorrectable (with the shape and
// corners) or NoSymbolFound.
DecodeResult ReadAs(const BitMatrix& bits, const std::vector<const MicroRowHit*>& hits,
                    const MicroSize& size, int border) {
  DecodeResult out;
  out.status = DecodeStatus::NoSymbolFound;
  out.message = "no symbol found";
  const std::size_t width = static_cast<std::size_t>(size.columns);
  std::vector<Votes> cells(static_cast<std::size_t>(size.rows) * width);
  // Where the rows lie: the line against the row at the left and the right end, and the rows'
  // ends along the lines against the line.
  std::vector<PointF> leftRows, rightRows, begins, ends;
  for (const MicroRowHit* hit : hits) {
    const int row = RowOfRap(hit->row.leftRap, size.leftRap, size.rows);
    if (row < 0) continue;
    int rightRow = -1;
    const std::vector<int> rows = CellRows(*hit, size, rightRow);
    for (std::size_t c = 0; c < width; ++c) {
      if (rows[c] < 0) continue;
      cells[static_cast<std::size_t>(rows[c]) * width + c].Add(hit->row.cells[c].codeword);
    }
    const double line = hit->line;
    leftRows.push_back(PointF{static_cast<double>(row), line});
    const int right = RowOfRap(hit->row.rightRap, size.rightRap, size.rows);
    if (right >= 0 && std::abs(right - rightRow) <= 1) {
      rightRows.push_back(PointF{static_cast<double>(right), line});
    }
    begins.push_back(PointF{line, hit->row.begin});
    ends.push_back(PointF{line, hit->row.end});
  }
  if (leftRows.size() < kMinHits) return out;
  // Every size has four rows or more: lines that all show one or two (bars of another symbology,
  // stripes) are no symbol, and are not reported as one that did not check out.
  std::vector<int> seen;
  for (const PointF& p : leftRows) seen.push_back(static_cast<int>(p.x));
  std::sort(seen.begin(), seen.end());
  if (std::unique(seen.begin(), seen.end()) - seen.begin() < kMinRowsSeen) return out;

  std::vector<int> codewords;
  std::vector<int> erased;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const int value = cells[i].Winner();
    if (value < 0) erased.push_back(static_cast<int>(i));
    codewords.push_back(value);
  }
  // A row's lines lie about its middle: the symbol's top and bottom edges are half a row beyond
  // the first and the last row's middles, on the lines the rows' fit puts them.
  LineFit leftAt = FitLine(leftRows);
  if (!leftAt.ok) leftAt.b = 2 * hits.front()->row.module;  // one row seen: rows two modules tall
  const LineFit rightAt =
      rightRows.size() >= 2 && FitLine(rightRows).ok ? FitLine(rightRows) : leftAt;
  const LineFit beginAt = FitLine(begins);
  const LineFit endAt = FitLine(ends);
  const int direction = hits.front()->direction;
  auto corner = [&](const LineFit& along, const LineFit& across, double row) {
    const double line = across.At(row);
    const PointF p = MicroLinePoint(bits, direction, line, along.At(line), hits.front()->slope);
    return PointF{p.x - border, p.y - border};
  };
  out.corners = {corner(beginAt, leftAt, -0.5), corner(endAt, rightAt, -0.5),
                 corner(endAt, rightAt, size.rows - 0.5), corner(beginAt, leftAt, size.rows - 0.5)};
  out.rows = size.rows;
  out.columns = size.columns;
  out.level = -1;
  out.symbology = Symbology::MicroPdf417;
  out.inverted = hits.front()->inverted;

  const std::vector<int> asRead = codewords;
  if (CorrectErrata(codewords, size.errorCorrection, erased, 2) < 0) {
    out.status = DecodeStatus::NotCorrectable;
    out.message = "errors not correctable";
    return out;
  }
  int corrected = 0;
  for (std::size_t i = 0; i < codewords.size(); ++i) {
    corrected += asRead[i] >= 0 && codewords[i] != asRead[i];
  }
  // Every codeword before the error correction is data or a pad: there is no length descriptor.
  DecompactInfo info;
  try {
    out.bytes = DecompactCodewords(
        std::vector<int>(codewords.begin(), codewords.begin() + size.DataCapacity()), info);
  } catch (const Error&) {
    out.status = DecodeStatus::NotCorrectable;
    out.message = "errors not correctable";
    return out;
  }
  out.eci = std::move(info.eci);
  out.macro = std::move(info.macro);
  out.corrected = corrected;
  out.erasures = static_cast<int>(erased.size());
  out.status = DecodeStatus::Decoded;
  out.message.clear();
  out.reading = kMicroReadingName;
  return out;
}

}  // namespace

std::vector<DecodeResult> ReadMicroSymbols(const BitMatrix& bits,
                                           const std::vector<MicroRowHit>& hits, int border,
                                           const Budget& budget) {
  std::vector<DecodeResult> out;
  for (const std::vector<std::size_t>& group : Group(hits)) {
    budget.Check();
    Votes columns;
    for (std::size_t i : group) columns.Add(hits[i].row.columns);
    const int c = columns.Winner();
    if (c < 1) continue;
    std::vector<const MicroRowHit*> rows;
    for (std::size_t i : group) {
      if (hits[i].row.columns == c) rows.push_back(&hits[i]);
    }
    if (rows.size() < kMinHits) continue;
    // The sizes of these columns the RAP numbers fit, best first; a size must fit most rows.
    std::vector<std::pair<int, const MicroSize*>> sizes;
    for (const MicroSize& s : MicroSizes()) {
      if (s.columns != c) continue;
      const int score = Fit(rows, s);
      if (2 * score > static_cast<int>(rows.size())) sizes.emplace_back(score, &s);
    }
    std::stable_sort(sizes.begin(), sizes.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    DecodeResult failed;
    bool decoded = false;
    for (std::size_t k = 0; k < sizes.size() && k < kMaxSizesTried && !decoded; ++k) {
      DecodeResult r = ReadAs(bits, rows, *sizes[k].second, border);
      decoded = r.ok();
      if (decoded) {
        out.push_back(std::move(r));
      } else if (k == 0) {
        failed = std::move(r);
      }
    }
    if (!decoded && failed.status == DecodeStatus::NotCorrectable) out.push_back(std::move(failed));
  }
  return out;
}

}  // namespace pdf417
