// The reading pipeline: one grey picture, one matrix made from it by the global threshold, and
// the readings below in their order, each handing its codewords to the same checks
// (correct/symbol_check.h). A symbol counts only when its codewords correct with two
// error-correction codewords to spare and its data decompacts; anything less is never reported.
//
// The readings, in order:
//  1. classic: the demonstration decoder's stages (classic/classic_reading.h) on the matrix as
//     read, when the picture is nearly two-tone (drawn or scanned in black and white, not a
//     photograph) and one of its rows shows an upright start pattern, or on the matrix turned a
//     quarter turn back when one of its columns does: the cheapest way to a clean symbol upright
//     or turned by a right angle.
//  2. patterns along rows and columns: start and stop patterns found along the matrix's rows and
//     columns, dark on light and (tryInverted) light on dark, paired into candidates that are read
//     line by line (grid/symbol_reader.h): symbols at any angle, in perspective, defaced, several
//     in a picture. Candidates over a symbol already read are skipped.
//  3. patterns along the diagonals (tryHarder, while nothing decoded): symbols too short to show a
//     whole pattern on a row or column crossing them at about 45 degrees.
//  4. patterns on a matrix thresholded locally (tryHarder, while nothing decoded), along its rows
//     and columns, then its diagonals: shadows, gradients, faded grey print on grey paper.
// After the patterns along rows and columns, MicroPDF417 symbols are looked for along lines a
// fraction of the picture apart, then along every line around the rows those crossed
// (grid/micro_reader.h), unless enough symbols were read already; along sloped lines too when
// nothing was read and no PDF417 symbol was seen.
// With maxSymbols 1 the first symbol that decodes ends the search; otherwise the picture is
// searched once, every candidate read once.
#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <tuple>
#include <utility>
#include <vector>

#include "pdf417/common/error.h"
#include "pdf417/common/micro_tables.h"
#include "pdf417/decoder/binarize/local_threshold.h"
#include "pdf417/decoder/binarize/picture.h"
#include "pdf417/decoder/binarize/runs.h"
#include "pdf417/decoder/budget.h"
#include "pdf417/decoder/classic/classic_reading.h"
#include "pdf417/decoder/classic/image_amend.h"
#include "pdf417/decoder/codewords/line_reader.h"
#include "pdf417/decoder/correct/symbol_check.h"
#include "pdf417/decoder/decompact/eci_text.h"
#include "pdf417/decoder/grid/micro_reader.h"
#include "pdf417/decoder/grid/symbol_reader.h"
#include "pdf417/decoder/locate/pattern_finder.h"
#include "pdf417/decoder/locate/rap_finder.h"
#include "pdf417/decoder/pipeline.h"

namespace pdf417 {
namespace {

// The light border, in pixels on every side, that the readings need around a picture: a symbol
// touching the picture's edge would otherwise lose its first column mark or get a wrong row count.
constexpr std::int32_t kReadingBorder = 8;
// Candidates read from one matrix at most, beyond two for every symbol found: bounds the work on
// a picture of noise.
constexpr std::size_t kMaxCandidates = 16;
// Candidates read without a symbol over one place of a matrix, after which that place is left.
constexpr long kMissesAPlace = 3;

DecodeResult Failure(DecodeStatus status, const std::string& message) {
  DecodeResult r;
  r.status = status;
  r.message = message;
  return r;
}

// Whether point p lies inside the quadrilateral q grown by `grow` of its size about its centre.
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

PointF CentreOf(const std::vector<PointF>& corners) {
  PointF c;
  for (const PointF& p : corners) {
    c.x += p.x / static_cast<double>(corners.size());
    c.y += p.y / static_cast<double>(corners.size());
  }
  return c;
}

// The upright box around corners given in the picture, in the matrix (`border` pixels more).
MatrixBox BoxAround(const std::vector<PointF>& corners, int border) {
  MatrixBox b{1e18, 1e18, -1e18, -1e18};
  for (const PointF& c : corners) {
    b.x0 = std::min(b.x0, c.x + border);
    b.y0 = std::min(b.y0, c.y + border);
    b.x1 = std::max(b.x1, c.x + border);
    b.y1 = std::max(b.y1, c.y + border);
  }
  return b;
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

// Whether a MicroPDF417 row's RAP numbers and cluster are those of a row of some size of its
// columns: within a size, every RAP number and the cluster go on by one a row.
bool MicroRowFitsASize(const MicroLine& row, int cluster) {
  for (const MicroSize& size : MicroSizes()) {
    if (size.columns != row.columns) continue;
    const int r = (row.leftRap - size.leftRap + kRapCount) % kRapCount;  // the row, if it fits
    if (r >= size.rows) continue;
    if (RapOfRow(size.rightRap, r) != row.rightRap) continue;
    if ((size.firstCluster + r) % 3 != cluster) continue;
    if (row.centreRap != 0 && size.centreRap != 0 && RapOfRow(size.centreRap, r) != row.centreRap) {
      continue;
    }
    return true;
  }
  return false;
}

// Whether a row read along a straight line could be a MicroPDF417 row turned a few degrees: the
// line leaves its row for the next one on the way, so its left RAP and first cell are of one row
// of some size of its columns and its right RAP is of that row or one up to two rows away.
bool MicroRowFitsATilt(const MicroLine& row) {
  if (row.cells.empty() || row.cells.front().codeword < 0 || row.rightRap == 0) return false;
  const int cluster = row.cells.front().cluster;
  for (const MicroSize& size : MicroSizes()) {
    if (size.columns != row.columns) continue;
    const int r = (row.leftRap - size.leftRap + kRapCount) % kRapCount;
    if (r >= size.rows || (size.firstCluster + r) % 3 != cluster) continue;
    for (int d = -2; d <= 2; ++d) {
      if (r + d >= 0 && r + d < size.rows && RapOfRow(size.rightRap, r + d) == row.rightRap) {
        return true;
      }
    }
  }
  return false;
}

// Whether the picture is (nearly) two grey levels, as a symbol drawn by an encoder or scanned in
// black and white is: at most a tenth of its pixels (every other pixel of every other row) lie
// between a quarter and three quarters of the grey scale. The classic reading is for such
// pictures; in a photograph (blur, shading, a desk around the label) it seldom reads what the
// readings by patterns do not, and it costs as much as they do.
bool TwoTone(const GreyView& grey) {
  const std::int64_t all =
      static_cast<std::int64_t>((grey.height + 1) / 2) * ((grey.width + 1) / 2);
  std::int64_t middle = 0;
  for (std::int32_t y = 0; y < grey.height; y += 2) {
    const std::uint8_t* row = grey.Row(y);
    for (std::int32_t x = 0; x < grey.width; x += 2) middle += row[x] > 64 && row[x] < 192;
    if (10 * middle > all) return false;
  }
  return true;
}

// Whether some hit of `hits` is none of `seen`: one of the same kind, way and shade on the same
// line whose outer end lies within two pixels.
bool AnyNewHit(const std::vector<PatternHit>& hits, const std::vector<PatternHit>& seen) {
  auto key = [](const PatternHit& h) {
    return std::make_tuple(h.direction, h.line, h.stop, h.reversed, h.inverted);
  };
  std::vector<const PatternHit*> sorted;
  sorted.reserve(seen.size());
  for (const PatternHit& h : seen) sorted.push_back(&h);
  std::sort(sorted.begin(), sorted.end(),
            [&key](const PatternHit* a, const PatternHit* b) { return key(*a) < key(*b); });
  for (const PatternHit& h : hits) {
    const auto same = std::equal_range(
        sorted.begin(), sorted.end(), &h,
        [&key](const PatternHit* a, const PatternHit* b) { return key(*a) < key(*b); });
    if (std::none_of(same.first, same.second, [&h](const PatternHit* s) {
          return std::hypot(s->outer.x - h.outer.x, s->outer.y - h.outer.y) <= 2;
        })) {
      return true;
    }
  }
  return false;
}

// The MicroPDF417 search's first lines: about this many across the picture's shorter side.
constexpr int kMicroCoarseLines = 64;
// The largest picture whose MicroPDF417 search also follows lines a few degrees off the pixels.
constexpr long long kMicroSlopedPixels = 1000000;

// One decode: the options, the budget, what was found and the best failure seen.
class Search {
 public:
  Search(const GreyView& grey, const DecodeOptions& options)
      : grey_(grey), options_(options), budget_(options) {}

  std::vector<DecodeResult> Run() {
    try {
      Readings();
    } catch (const BudgetStop& stop) {
      const std::string message = Budget::MessageOf(stop.status);
      if (heldClassic_.ok()) found_.push_back(std::move(heldClassic_));
      if (found_.empty()) return {Failure(stop.status, message)};
      found_.back().warnings.push_back("stopped before every candidate was read: " + message);
    }
    if (found_.empty()) return {failure_};
    return std::move(found_);
  }

 private:
  bool Enough() const {
    return options_.maxSymbols > 0 &&
           found_.size() >= static_cast<std::size_t>(options_.maxSymbols);
  }

  // Keeps a failure that saw a symbol over one that saw none.
  void Note(DecodeResult r) {
    if (r.status == DecodeStatus::NotCorrectable &&
        failure_.status == DecodeStatus::NoSymbolFound) {
      failure_ = std::move(r);
      failure_.bytes.clear();
      failure_.corners.clear();
      failure_.corrected = failure_.erasures = 0;
      failure_.eci.clear();
      failure_.macro = MacroInfo{};
      failure_.warnings.clear();
    }
  }

  void Readings() {
    const BitMatrix bits = BinariseGlobal(grey_, kGreyThreshold, kReadingBorder);
    budget_.Check();
    BitMatrix transposed;  // made when a reading first needs it
    Classic(bits, transposed);
    if (Enough()) return;
    if (transposed.Empty()) transposed = Transposed(bits);
    PatternReadings(bits, transposed);
    // The classic reading's symbol that needed erasures counts when no other reading read it
    // whole.
    if (heldClassic_.ok()) {
      const std::vector<PointF>& q = heldClassic_.corners;
      const PointF centre{(q[0].x + q[2].x) / 2, (q[0].y + q[2].y) / 2};
      if (std::none_of(found_.begin(), found_.end(), [&centre](const DecodeResult& f) {
            return InsideQuad(f.corners, centre, 0.05);
          })) {
        found_.push_back(std::move(heldClassic_));
      }
    }
  }

  void PatternReadings(const BitMatrix& bits, const BitMatrix& transposed) {
    std::vector<PatternHit> hits;
    std::vector<SymbolCandidate> read;
    const int step = ScanStep(bits);
    Patterns(bits, &transposed, kReadingBorder, ScanLines::Straight, step, hits, read);
    if (!Enough()) Micro(bits, transposed, kReadingBorder, read);
    if (!found_.empty() || !options_.tryHarder) return;
    Patterns(bits, &transposed, kReadingBorder, ScanLines::Diagonal, step, hits, read);
    if (!found_.empty()) return;
    // Rows and columns every pixel around the patterns seen so far: symbols only a few pixels
    // tall (rows of one pixel) show their patterns on too few of the lines scanned so far.
    if (step > 1) {
      std::vector<PatternHit> everyLine;
      Patterns(bits, &transposed, kReadingBorder, ScanLines::Straight, 1, everyLine, read, &hits,
               step);
      if (!found_.empty()) return;
    }
    budget_.Check();
    // A threshold that follows the light, where it sets the pixels otherwise than the global one
    // (a shadow, a gradient, grey print on grey paper): where it sets nearly all alike, its
    // patterns are the ones already looked at.
    const BitMatrix local = BinariseLocal(grey_, 0, kReadingBorder);
    if (DifferentShare(bits, local) < 0.002) return;
    budget_.Check();
    const BitMatrix localTransposed = Transposed(local);
    const std::size_t before = found_.size();
    std::vector<PatternHit> localHits;
    std::vector<SymbolCandidate> localRead;
    Patterns(local, &localTransposed, kReadingBorder, ScanLines::Straight, ScanStep(local),
             localHits, localRead);
    // Then its diagonals, where its rows and columns showed patterns that the global threshold's
    // did not, and read nothing: where they showed the same ones, the threshold made no
    // difference to the patterns, and the global matrix's diagonals were looked at already.
    if (found_.size() == before && AnyNewHit(localHits, hits)) {
      Patterns(local, &localTransposed, kReadingBorder, ScanLines::Diagonal, ScanStep(local),
               localHits, localRead);
    }
    for (std::size_t i = before; i < found_.size(); ++i) found_[i].reading += ", local threshold";
  }

  // The classic reading reads upright symbols. One turned a quarter turn shows its rows down the
  // matrix's columns and is read from the matrix turned back: turned clockwise, the transposed
  // matrix upside down; anticlockwise, the matrix upside down, transposed. `transposed` is made
  // here when the turns are looked at.
  void Classic(const BitMatrix& bits, BitMatrix& transposed) {
    if (!TwoTone(grey_)) return;
    if (ShowsStartPatternLoosely(bits)) {
      ClassicOn(bits, [](PointF p) { return p; });
      return;
    }
    transposed = Transposed(bits);
    if (ShowsStartPatternLoosely(transposed)) {
      const double w = bits.Width();
      ClassicOn(ReversedRows(transposed), [w](PointF p) { return PointF{w - p.y, p.x}; });
      return;
    }
    const BitMatrix anticlockwise = Transposed(ReversedRows(bits));
    if (ShowsStartPatternLoosely(anticlockwise)) {
      const double h = bits.Height();
      ClassicOn(anticlockwise, [h](PointF p) { return PointF{p.y, h - p.x}; });
    }
  }

  // The classic reading of an upright matrix; `toBits` takes its points to the matrix read. A
  // symbol tilted beyond what the reading leaves as it is is left to the readings by patterns:
  // the reading's angle search and turn of the whole picture take three times as long as they
  // take to read it.
  template <typename Map>
  void ClassicOn(const BitMatrix& upright, Map toBits) {
    if (ShowsSkewedStartPattern(upright)) return;
    ClassicReading reading;
    try {
      if (!ReadClassic(upright, budget_, reading)) return;
    } catch (const Error&) {
      return;  // a picture the stages cannot make sense of holds no symbol for them
    }
    DecodeResult r;
    const GridVerdict verdict = DecodeGrid(reading.grid, reading.levels, r);
    if (verdict == GridVerdict::Decoded) {
      r.status = DecodeStatus::Decoded;
      r.reading = "classic";
      for (PointF& c : reading.corners) {
        c = toBits(c);
        c = PointF{c.x - kReadingBorder, c.y - kReadingBorder};
      }
      r.corners = std::move(reading.corners);
      // Codewords it did not see in a picture that shows a whole symbol are the classic reading's
      // limits (a compact symbol's missing columns, say) more often than damage: the readings by
      // patterns get their turn, and this symbol counts only if they do not read it.
      if (r.erasures > 0 && r.corners.size() == 4) {
        heldClassic_ = std::move(r);
      } else {
        found_.push_back(std::move(r));
      }
    } else if (verdict == GridVerdict::NotCorrectable) {
      r.status = DecodeStatus::NotCorrectable;
      r.message = "errors not correctable";
      Note(std::move(r));
    }
  }

  // MicroPDF417 symbols: rows found along every pixel row and column, both ways, gathered into
  // symbols. A symbol over one already read is not reported again.
  void Micro(const BitMatrix& bits, const BitMatrix& transposed, int border,
             const std::vector<SymbolCandidate>& located) {
    budget_.Check();
    // Lines are not read from inside the symbols found: their bars hold many a RAP's widths.
    std::vector<MatrixBox> skip;
    for (const DecodeResult& f : found_) {
      if (!f.corners.empty()) skip.push_back(BoxAround(f.corners, border));
    }
    const std::size_t before = found_.size();
    if (!MicroAlong(bits, transposed, border, skip, 0, located) || !found_.empty() ||
        !options_.tryHarder) {
      return;
    }
    // Rows seen but no symbol read at all: perhaps a MicroPDF417 turned a few degrees, whose long
    // rows run across the pixel lines (a line meets the next row before the right RAP). Lines
    // that follow them, up to six degrees either way, in pictures of up to a megapixel (a label
    // or a crop; over a page of text these lines cost more than all the other readings).
    if (static_cast<long long>(bits.Width()) * bits.Height() > kMicroSlopedPixels) return;
    // Nor where a PDF417 symbol was found that did not check out: its bars and row indicators
    // show RAP-like rows along any slope, and the picture's symbol is that one.
    if (failure_.status == DecodeStatus::NotCorrectable &&
        failure_.symbology != Symbology::MicroPdf417) {
      return;
    }
    for (const double slope : {0.035, -0.035, 0.07, -0.07, 0.105, -0.105}) {
      MicroAlong(bits, transposed, border, skip, slope, {});
      if (found_.size() > before || Enough()) return;
    }
  }

  // The MicroPDF417 search along lines of one slope; whether the first lines showed any row
  // outside the PDF417 candidates `located` (whose bars show RAP-like rows along any line).
  bool MicroAlong(const BitMatrix& bits, const BitMatrix& transposed, int border,
                  const std::vector<MatrixBox>& skip, double slope,
                  const std::vector<SymbolCandidate>& located) {
    budget_.Check();
    // Lines a fraction of the picture apart first (a symbol of four rows at one pixel a module is
    // eight pixels tall), then every line around the rows they crossed.
    const int coarse =
        std::max(ScanStep(bits), std::min(bits.Width(), bits.Height()) / kMicroCoarseLines);
    std::vector<MicroRowHit> hits = FindMicroRows(bits, &transposed, coarse, options_.tryInverted,
                                                  skip, &budget_, nullptr, 0, slope);
    std::vector<MatrixBox> pdf417Areas;
    for (const SymbolCandidate& c : located) {
      pdf417Areas.push_back(BoxAround({c.corners.begin(), c.corners.end()}, 0));
    }
    const bool rowsOutside = std::any_of(hits.begin(), hits.end(), [&](const MicroRowHit& h) {
      if (!MicroRowFitsATilt(h.row)) return false;
      const PointF p =
          MicroLinePoint(bits, h.direction, h.line, (h.row.begin + h.row.end) / 2, h.slope);
      return std::none_of(pdf417Areas.begin(), pdf417Areas.end(), [&p](const MatrixBox& b) {
        return p.x >= b.x0 && p.x < b.x1 && p.y >= b.y0 && p.y < b.y1;
      });
    });
    if (hits.empty()) return false;
    // Every line is read only around rows that look like a symbol's: both RAPs read, and at least
    // half the cells, all of one cluster (text and other bars can show a RAP at each end of a
    // row's width, and cells that happen to spell codewords, but of any cluster).
    std::vector<MicroRowHit> strong;
    for (const MicroRowHit& h : hits) {
      int read = 0;
      int clusters[3] = {0, 0, 0};
      for (const EdgeReading& c : h.row.cells) {
        if (c.codeword < 0 || c.cluster < 0 || c.cluster > 2) continue;
        ++read;
        ++clusters[c.cluster];
      }
      const int most = std::max({clusters[0], clusters[1], clusters[2]});
      if (h.row.rightRap == 0 || read == 0 || most != read ||
          2 * read < static_cast<int>(h.row.cells.size())) {
        continue;
      }
      const int cluster = clusters[0] == most ? 0 : clusters[1] == most ? 1 : 2;
      if (MicroRowFitsASize(h.row, cluster)) strong.push_back(h);
    }
    // No row that looks like a symbol's: bars of text or of another symbology.
    if (strong.empty()) return rowsOutside;
    if (coarse > 1) {
      std::vector<MicroRowHit> around = FindMicroRows(bits, &transposed, 1, options_.tryInverted,
                                                      skip, &budget_, &strong, coarse, slope);
      hits.insert(hits.end(), std::make_move_iterator(around.begin()),
                  std::make_move_iterator(around.end()));
    }
    for (DecodeResult& r : ReadMicroSymbols(bits, hits, border, budget_)) {
      if (!r.ok()) {
        Note(std::move(r));
        continue;
      }
      const PointF centre = CentreOf(r.corners);
      if (std::any_of(found_.begin(), found_.end(), [&centre](const DecodeResult& f) {
            return InsideQuad(f.corners, centre, 0.05);
          })) {
        continue;
      }
      found_.push_back(std::move(r));
      if (Enough()) return true;
    }
    return true;
  }

  // Looks for patterns along the given lines, adds them to the hits of the matrix found before
  // (an edge seen along rows pairs with one seen only along the diagonals), and reads the
  // candidates they give.
  void Patterns(const BitMatrix& bits, const BitMatrix* transposed, int border, ScanLines lines,
                int step, std::vector<PatternHit>& hits, std::vector<SymbolCandidate>& read,
                const std::vector<PatternHit>* near = nullptr, int nearStep = 0) {
    budget_.Check();
    // Rows and columns are not scanned across the symbols read already.
    std::vector<std::array<PointF, 4>> skip;
    for (const DecodeResult& f : found_) {
      if (f.corners.size() != 4) continue;
      std::array<PointF, 4> q;
      for (std::size_t k = 0; k < 4; ++k) {
        q[k] = PointF{f.corners[k].x + border, f.corners[k].y + border};
      }
      skip.push_back(q);
    }
    const std::vector<PatternHit> more =
        FindPatternHits(bits, step, lines, options_.tryInverted, transposed, near, nearStep, &skip);
    if (more.empty()) return;
    hits.insert(hits.end(), more.begin(), more.end());
    const std::vector<SymbolEdge> edges = ChainEdges(bits, hits, step);
    // A lone edge reaches as far as the widest symbol.
    const std::vector<SymbolCandidate> candidates =
        PairEdges(edges, 17.0 * kMaxColumns + kFrameModules);
    std::size_t tried = 0;
    for (const SymbolCandidate& c : candidates) {
      // Read already in an earlier round over this matrix.
      if (std::any_of(read.begin(), read.end(),
                      [&c](const SymbolCandidate& r) { return SameCandidate(r, c); })) {
        continue;
      }
      const PointF inner = InnerPoint(c);
      const PointF inPicture{inner.x - border, inner.y - border};
      if (std::any_of(found_.begin(), found_.end(), [&inPicture](const DecodeResult& f) {
            return InsideQuad(f.corners, inPicture, 0.05);
          })) {
        continue;
      }
      // Over a symbol that was read and did not check out: once more from another candidate (its
      // corners may have been what went wrong), but not from every piece of its edges. A matrix
      // of another threshold reads it afresh.
      const auto over = std::find_if(failed_.begin(), failed_.end(), [&](const Failed& f) {
        return f.matrix == &bits && InsideQuad(f.corners, inPicture, 0.05);
      });
      if (over != failed_.end() && over->tries >= 1) continue;
      // Over a place where three candidates of this matrix read nothing already (pieces of broken
      // edges paired every way): a fourth would read the same lines.
      if (std::count_if(missed_.begin(), missed_.end(), [&](const Missed& m) {
            return m.matrix == &bits && InsideQuad(m.corners, inner, 0);
          }) >= kMissesAPlace) {
        continue;
      }
      if (tried++ >= kMaxCandidates + 2 * found_.size()) return;
      budget_.Check();
      read.push_back(c);
      DecodeResult r;
      const SymbolCandidate within = WithinPicture(c, bits.Width(), bits.Height());
      try {
        r = ReadCandidate(bits, transposed, within, &grey_, border);
      } catch (const Error&) {
        continue;
      }
      if (!r.ok()) {
        missed_.push_back(Missed{&bits, {within.corners.begin(), within.corners.end()}});
      }
      if (r.status == DecodeStatus::NotCorrectable) {
        if (over != failed_.end()) {
          ++over->tries;
        } else if (r.corners.size() == 4) {
          failed_.push_back(Failed{&bits, r.corners, 0});
        }
      }
      if (r.ok()) {
        // A candidate over part of a symbol already read can read it again (its rows place
        // the whole symbol): once is enough.
        const PointF centre = CentreOf(r.corners);
        if (std::any_of(found_.begin(), found_.end(), [&centre](const DecodeResult& f) {
              return InsideQuad(f.corners, centre, 0.05);
            })) {
          continue;
        }
        found_.push_back(std::move(r));
        if (Enough()) return;
      } else {
        Note(std::move(r));
      }
    }
  }

  const GreyView& grey_;
  const DecodeOptions& options_;
  const Budget budget_;
  std::vector<DecodeResult> found_;
  DecodeResult heldClassic_ = Failure(DecodeStatus::NoSymbolFound, "");
  // Symbols read that did not check out, with the matrix they were read from.
  struct Failed {
    const BitMatrix* matrix;
    std::vector<PointF> corners;
    int tries;  // candidates over it read since that did not check out either
  };
  std::vector<Failed> failed_;
  // Every candidate read that gave no symbol, with its matrix and its corners there.
  struct Missed {
    const BitMatrix* matrix;
    std::vector<PointF> corners;
  };
  std::vector<Missed> missed_;
  DecodeResult failure_ = Failure(DecodeStatus::NoSymbolFound, "no symbol found");
};

// The centre of a symbol and its extent from top to bottom, from its corners.
struct Placed {
  double x = 0, y = 0, top = 0, bottom = 0;
};

Placed PlaceOf(const DecodeResult& r) {
  Placed p;
  if (r.corners.empty()) return p;
  p.top = p.bottom = r.corners.front().y;
  for (const PointF& c : r.corners) {
    p.x += c.x / static_cast<double>(r.corners.size());
    p.y += c.y / static_cast<double>(r.corners.size());
    p.top = std::min(p.top, c.y);
    p.bottom = std::max(p.bottom, c.y);
  }
  return p;
}

// Orders symbols top to bottom, left to right: by their centres from the top; symbols whose centre
// lies within the height of the first of a line make that line, ordered from the left.
void OrderOnPage(std::vector<DecodeResult>& symbols) {
  std::stable_sort(
      symbols.begin(), symbols.end(),
      [](const DecodeResult& a, const DecodeResult& b) { return PlaceOf(a).y < PlaceOf(b).y; });
  for (std::size_t first = 0; first < symbols.size();) {
    const Placed head = PlaceOf(symbols[first]);
    std::size_t end = first + 1;
    while (end < symbols.size() && PlaceOf(symbols[end]).y <= head.bottom) ++end;
    std::stable_sort(
        symbols.begin() + static_cast<long>(first), symbols.begin() + static_cast<long>(end),
        [](const DecodeResult& a, const DecodeResult& b) { return PlaceOf(a).x < PlaceOf(b).x; });
    first = end;
  }
}

// The turn of the symbol's top edge, in degrees clockwise from the x axis, in [0, 360).
double OrientationOf(const std::vector<PointF>& corners) {
  if (corners.size() != 4) return 0;
  const double degrees = std::atan2(corners[1].y - corners[0].y, corners[1].x - corners[0].x) *
                         180.0 / 3.14159265358979323846;
  const double rounded = std::round(degrees * 10) / 10;
  return rounded < 0 ? rounded + 360 : rounded;
}

}  // namespace

std::vector<DecodeResult> ReadGreyPicture(const GreyView& grey, const DecodeOptions& options) {
  if (grey.width <= 0 || grey.height <= 0) {
    return {Failure(DecodeStatus::NoSymbolFound, "no symbol found")};
  }
  std::vector<DecodeResult> results = Search(grey, options).Run();
  if (!results.front().ok()) return results;
  OrderOnPage(results);
  for (DecodeResult& r : results) {
    r.orientation = OrientationOf(r.corners);
    if (options.eciToUtf8) ApplyEciText(r);
  }
  return results;
}

}  // namespace pdf417
