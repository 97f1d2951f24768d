// The decoder's entry operations: load, straighten, locate, read, correct and decompact.
//
// The picture is read in several ways in turn (as loaded; then with its pixel rows doubled, and
// turned by 180, 90 and 270 degrees, those that show an upright start pattern first); the first
// reading whose symbol passes every check wins. A reading passes when the row indicators agree
// with the rows, columns and level measured, the
// Reed-Solomon syndromes vanish (after correcting at most (k - 2) / 2 of the k error-correction
// codewords' worth, so that two of them always check the result) and the length descriptor
// matches the number of data codewords. Anything less is never reported as decoded.
//
// Within a reading, the straightened picture is located and read as the stages define it first.
// When that fails come, in turn: the row regions that hold two symbol rows split; column grids
// fitted for modules that are not a whole number of pixels wide (fine_grid.h); and, when
// straightening changed the picture, the same on the picture as given. A grid whose voted level
// does not check out is also tried at the other levels its indicators voted for.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <iterator>
#include <new>
#include <utility>
#include <vector>

#include "pdf417/common/error.h"
#include "pdf417/common/linked_list.h"
#include "pdf417/common/patterns.h"
#include "pdf417/common/symbol_geometry.h"
#include "pdf417/decoder/binarize/local_threshold.h"
#include "pdf417/decoder/budget.h"
#include "pdf417/decoder/classic/bin_bmp.h"
#include "pdf417/decoder/classic/fine_grid.h"
#include "pdf417/decoder/classic/image_amend.h"
#include "pdf417/decoder/classic/image_transforms.h"
#include "pdf417/decoder/classic/linear_decode.h"
#include "pdf417/decoder/classic/row_col_detect.h"
#include "pdf417/decoder/correct/codeword_check.h"
#include "pdf417/decoder/correct/error_correction.h"
#include "pdf417/decoder/correct/symbol_check.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/decoder/decompact/decompact.h"
#include "pdf417/decoder/decompact/eci_text.h"
#include "pdf417/decoder/grid/detector_reading.h"
#include "pdf417/decoder/grid/symbol_assembly.h"
#include "pdf417/decoder/pipeline.h"

namespace pdf417 {
namespace {

// The light border, in pixels on every side, that the readings need around a picture: a symbol
// touching the picture's edge would otherwise lose its first column mark or get a wrong row count.
constexpr std::int32_t kReadingBorder = 8;

enum class Verdict {
  Decoded,
  NoSymbol,        // nothing that looks like a PDF417 symbol
  NotCorrectable,  // a symbol whose indicators agree, but whose codewords do not check out
};

// Whether most row indicators state the rows, data columns and level that were measured.
bool IndicatorsAgree(const LinearDecode& matrix, int rows, int columns, int level) {
  const int K = matrix.colCount;
  int agree = 0;
  int total = 0;
  for (int i = 0; i < rows; ++i) {
    const RowIndicators expected = RowIndicatorsOf(i, rows, columns, level);
    const std::vector<std::int32_t>& row = matrix.codewordGrid[static_cast<std::size_t>(i)];
    agree += row[1] == expected.left;
    agree += row[static_cast<std::size_t>(K - 2)] == expected.right;
    total += 2;
  }
  return 2 * agree > total;
}

// Splits every row region that is about m >= 2 times as tall as the median region into m equal
// regions. Two symbol rows whose pixels change in only a few columns (a narrow symbol) can miss
// the boundary between them; rows of one symbol all have the same height. Returns whether any
// region was split.
bool SplitMergedRows(LinkedList<AryRegion>& rows) {
  std::vector<AryRegion> regions;
  for (rows.Reset(0); !rows.AtEnd(); rows.Advance()) regions.push_back(rows.Data());
  if (regions.size() < 2) return false;
  std::vector<int> heights;
  for (const AryRegion& r : regions) heights.push_back(r.last - r.first + 1);
  std::nth_element(heights.begin(), heights.begin() + static_cast<long>(heights.size() / 2),
                   heights.end());
  const int median = heights[heights.size() / 2];
  if (median < 1) return false;
  bool split = false;
  LinkedList<AryRegion> result;
  for (const AryRegion& r : regions) {
    const int h = r.last - r.first + 1;
    const int parts = (2 * h + median) / (2 * median);  // rounded
    if (parts < 2) {
      result.Append(r);
      continue;
    }
    split = true;
    for (int j = 0; j < parts; ++j) {
      AryRegion part;
      part.first = r.first + j * h / parts;
      part.last = r.first + (j + 1) * h / parts - 1;
      part.length = part.last - part.first;
      result.Append(part);
    }
  }
  if (split) rows = std::move(result);
  return split;
}

// The outer corners of a located grid in the picture it was read from: the top of its first row
// and the bottom of its last, the start pattern's first pixel column and the end of the stop
// pattern, whose 18 modules reach one module past its column region.
std::vector<PointF> GridCorners(const LinkedList<AryRegion>& rowRegions,
                                const LinkedList<AryRegion>& colRegions) {
  LinkedList<AryRegion> rows(rowRegions);
  LinkedList<AryRegion> cols(colRegions);
  rows.Reset(0);
  cols.Reset(0);
  const double top = rows.Data().first;
  const double left = cols.Data().first;
  const double module = (cols.Data().last + 1 - left) / kModulesPerCodeword;
  rows.Reset(rows.Size() - 1);
  cols.Reset(cols.Size() - 1);
  const double bottom = rows.Data().last + 1;
  const double right = cols.Data().first + (kModulesPerCodeword + 1) * module;
  return {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
}

// With a fitted grid, every cell is read by its edges on the grid's module width
// (fine_grid.h) where that gives a pattern of the row's cluster.
Verdict ReadGrid(const BitMatrix& image, const LinkedList<AryRegion>& rowRegions,
                 const LinkedList<AryRegion>& colRegions, DecodeResult& out,
                 const ColumnGrid* grid = nullptr);

Verdict CheckAndDecompact(const LinearDecode& matrix, int level, DecodeResult& out);
Verdict CheckAssembled(const LinearDecode& matrix, DecodeResult& out);

// Column grids tried for a picture whose ordinary column location failed.
constexpr int kFineGrids = 2;

// Replaces the codewords of the grid (indicators and data) by their readings on a fitted column
// grid, where a cell gives one.
void ReadCellsByEdges(LinearDecode& matrix, const BitMatrix& image, const ColumnGrid& grid) {
  std::vector<AryRegion> rows;
  for (matrix.rowRegions.Reset(0); !matrix.rowRegions.AtEnd(); matrix.rowRegions.Advance()) {
    rows.push_back(matrix.rowRegions.Data());
  }
  const std::vector<std::vector<std::int32_t>> codewords = ReadGridByEdges(image, rows, grid);
  for (std::size_t i = 0; i < codewords.size(); ++i) {
    for (std::size_t j = 1; j + 1 < codewords[i].size(); ++j) {
      if (codewords[i][j] >= 0) matrix.codewordGrid[i][j] = codewords[i][j];
    }
  }
}

// Whether the column regions are a whole symbol's (start, indicators, a data column, stop at
// least) and, apart from the stop pattern's, all equally wide, a whole number of pixels per
// module: then the columns were found where a fitted grid would put them.
bool WholeModuleColumns(const LinkedList<AryRegion>& colRegions) {
  std::vector<std::int32_t> widths;
  LinkedList<AryRegion> regions(colRegions);
  for (regions.Reset(0); !regions.AtEnd(); regions.Advance()) {
    widths.push_back(regions.Data().last - regions.Data().first + 1);
  }
  if (widths.size() < 5 || widths.front() % kModulesPerCodeword != 0) return false;
  return std::all_of(widths.begin(), widths.end() - 1,
                     [&widths](std::int32_t w) { return w == widths.front(); });
}

// Keeps the better of two verdicts in verdict and out: a decoded symbol over anything, a symbol
// seen over none.
void KeepBetter(Verdict& verdict, DecodeResult& out, Verdict retry, DecodeResult& second) {
  if (retry == Verdict::Decoded || verdict == Verdict::NoSymbol) {
    verdict = retry;
    out = std::move(second);
  }
}

// Locates rows and columns in a straightened picture and reads the grid; when that fails, with
// merged row regions split, then on fitted column grids. Rows are located on edges when given.
// The budget is checked between these steps.
Verdict ReadLocated(const BitMatrix& image, const BitMatrix* edges, DecodeResult& out,
                    const Budget& budget) {
  RowColDetect locator(image, edges);
  locator.FindBounds();
  locator.FindRows();
  budget.Check();
  // Column location drops the rows when it finds no columns; the fitted grids below need them.
  std::vector<LinkedList<AryRegion>> rowChoices{locator.rowRegions};
  locator.FindColumns();
  Verdict verdict = ReadGrid(image, locator.rowRegions, locator.colRegions, out);
  if (verdict == Verdict::Decoded) return verdict;

  budget.Check();
  LinkedList<AryRegion> split(rowChoices.front());
  if (SplitMergedRows(split)) {
    rowChoices.push_back(split);
    DecodeResult second;
    const Verdict retry = ReadGrid(image, split, locator.colRegions, second);
    KeepBetter(verdict, out, retry, second);
    if (verdict == Verdict::Decoded) return verdict;
  }

  // Modules that are not a whole number of pixels wide: columns on one fitted module grid, cells
  // read by their edges. Columns of whole modules leave such a grid nothing to add.
  if (WholeModuleColumns(locator.colRegions)) return verdict;
  const std::vector<AryRegion> runs =
      ColumnDarkRuns(locator.columnCounts, locator.leftCol, locator.rightCol);
  for (const ColumnGrid& grid : FitColumnGrids(runs, kFineGrids)) {
    for (const LinkedList<AryRegion>& rows : rowChoices) {
      budget.Check();
      DecodeResult second;
      const Verdict retry = ReadGrid(image, rows, grid.regions, second, &grid);
      KeepBetter(verdict, out, retry, second);
      if (verdict == Verdict::Decoded) return verdict;
    }
  }
  return verdict;
}

// Runs the reading stages on one picture.
Verdict ReadPicture(const BitMatrix& picture, DecodeResult& out, const Budget& budget) {
  ImageAmend amend(picture);
  amend.CorrectSkew(&budget);
  budget.Check();
  Verdict verdict = ReadLocated(amend.Image(), amend.Edges(), out, budget);
  // Corners found on a straightened picture are taken back to this one.
  for (PointF& c : out.corners) c = amend.ToSource(c);
  if (verdict == Verdict::Decoded || amend.untouched || !ShowsStartPatternLoosely(picture)) {
    return verdict;
  }

  // The picture as given shows a start pattern, but straightening changed the picture: modules a
  // fractional number of pixels wide scale the pattern's narrow elements unevenly, so it was not
  // recognised, or something else was taken for it and the picture turned by a wrong angle. The
  // upright symbol is then read from the picture as it is.
  budget.Check();
  DecodeResult second;
  const Verdict retry = ReadLocated(picture, nullptr, second, budget);
  KeepBetter(verdict, out, retry, second);
  return verdict;
}

// Reads, checks, corrects and decompacts the codewords of a located grid.
Verdict ReadGrid(const BitMatrix& image, const LinkedList<AryRegion>& rowRegions,
                 const LinkedList<AryRegion>& colRegions, DecodeResult& out,
                 const ColumnGrid* grid) {
  const int R = rowRegions.Size();
  const int K = colRegions.Size();
  // Start, left indicator, at least one data column, right indicator, stop. A symbol has at most
  // 90 rows and 30 data columns; a grid beyond that (stripes, noise) is no symbol and would only
  // cost time and memory to read.
  if (R < 1 || K < 5 || R > kMaxRows || K > kMaxColumns + 4) return Verdict::NoSymbol;

  LinearDecode matrix(R, K, rowRegions, colRegions);
  matrix.SampleCells(image);
  matrix.ReadCodewords();
  if (grid != nullptr) ReadCellsByEdges(matrix, image, *grid);
  matrix.CollectDataCodewords();
  ReadLevel(matrix);

  // The vote's winner first; when its reading fails, the other levels the indicators voted for
  // (a tie between a damaged and a sound indicator goes to the row voted first).
  Verdict verdict = Verdict::NoSymbol;
  for (const int level : matrix.levelCandidates) {
    DecodeResult attempt;
    const Verdict v = CheckAndDecompact(matrix, level, attempt);
    KeepBetter(verdict, out, v, attempt);
    if (verdict == Verdict::Decoded) break;
  }
  if (verdict != Verdict::Decoded) {
    DecodeResult attempt;
    const Verdict v = CheckAssembled(matrix, attempt);
    KeepBetter(verdict, out, v, attempt);
  }
  if (verdict == Verdict::Decoded) out.corners = GridCorners(rowRegions, colRegions);
  return verdict;
}

// The symbol the row indicators describe, with each read row at the place its indicators give
// and the rows not seen (cut off by the picture's edge) as erasures (symbol_assembly.h). Only
// tried when that differs from the grid as measured, which CheckAndDecompact has checked.
Verdict CheckAssembled(const LinearDecode& matrix, DecodeResult& out) {
  const int K = matrix.colCount;
  std::vector<ReadRow> rows;
  for (int i = 0; i < matrix.rowCount; ++i) {
    const std::vector<std::int32_t>& grid = matrix.codewordGrid[static_cast<std::size_t>(i)];
    rows.push_back({i % 3, grid[1], grid[static_cast<std::size_t>(K - 2)],
                    std::vector<int>(grid.begin() + 2, grid.end() - 2)});
  }
  AssembledSymbol symbol;
  if (!AssembleSymbol(rows, symbol)) return Verdict::NoSymbol;
  if (symbol.rows == matrix.rowCount && symbol.erasures.empty()) return Verdict::NoSymbol;
  out.rows = symbol.rows;
  out.columns = symbol.columns;
  out.level = symbol.level;
  return CorrectAndDecompact(std::move(symbol.codewords), symbol.level, symbol.erasures, out)
             ? Verdict::Decoded
             : Verdict::NotCorrectable;
}

// Checks the grid's codewords at one level, corrects them and decompacts the data.
Verdict CheckAndDecompact(const LinearDecode& matrix, int level, DecodeResult& out) {
  const int R = matrix.rowCount;
  const int columns = matrix.colCount - 4;
  if (!IndicatorsAgree(matrix, R, columns, level)) return Verdict::NoSymbol;

  out.rows = R;
  out.columns = columns;
  out.level = level;
  LinkedList<int> list(matrix.codewordList);
  std::vector<int> codewords;
  for (list.Reset(0); !list.AtEnd(); list.Advance()) codewords.push_back(list.Data());
  if (!CorrectAndDecompact(std::move(codewords), level, {}, out)) return Verdict::NotCorrectable;
  return Verdict::Decoded;
}

BitMatrix Turn180(const BitMatrix& source) { return TurnRightAngle(source, 2); }
BitMatrix Turn90(const BitMatrix& source) { return TurnRightAngle(source, 1); }
BitMatrix Turn270(const BitMatrix& source) { return TurnRightAngle(source, 3); }

// One way of presenting the picture to the reading stages: its name, how its matrix is made
// from the bordered picture (null: the bordered picture itself), where its points lie in the
// bordered picture, and whether its pixel rows are those of the bordered picture (so that it shows
// an upright start pattern exactly when that does). Each reading makes at most one new matrix,
// and every stage reads it through a const reference.
struct Reading {
  const char* name;
  BitMatrix (*make)(const BitMatrix& bordered);
  PointF (*back)(PointF p, double width, double height);
  bool sameRows;
};

PointF Unchanged(PointF p, double, double) { return p; }
PointF FromDoubled(PointF p, double, double) { return {p.x, p.y / 2}; }
PointF From180(PointF p, double width, double height) { return {width - p.x, height - p.y}; }
PointF From90(PointF p, double, double height) { return {p.y, height - p.x}; }
PointF From270(PointF p, double width, double) { return {width - p.y, p.x}; }

// The readings in their order of preference. After the first, those whose picture shows an
// upright start pattern go first: a symbol turned by a right angle is read at once. Then comes
// the pattern-located reading (the caller's step between), which reads a symbol at any angle
// and in perspective; then the doubled rows, and last the readings that need the slow angle
// search. The doubled rows go before the patterns when the picture's rows are one or two pixels
// tall: the patterns' lines read such rows only with corrections, if at all.
constexpr Reading kReadings[] = {
    {"as read", nullptr, Unchanged, true},
    {"with rows doubled", DoubleRows, FromDoubled, true},
    {"turned 180 degrees", Turn180, From180, false},
    {"turned 90 degrees clockwise", Turn90, From90, false},
    {"turned 90 degrees counter-clockwise", Turn270, From270, false},
};

// Reads one picture; a stage that meets a picture it cannot make sense of means no symbol.
Verdict TryReading(const BitMatrix& picture, DecodeResult& out, const Budget& budget) {
  try {
    return ReadPicture(picture, out, budget);
  } catch (const Error&) {
    return Verdict::NoSymbol;
  }
}

// Whether a result ends the decode: decoded, or stopped by the budget or a cancellation.
bool Final(const DecodeResult& result) {
  return result.ok() || result.status == DecodeStatus::TimeBudgetSpent ||
         result.status == DecodeStatus::Cancelled;
}

// A further reading's result replaces an earlier failure unless only the earlier one saw a symbol.
void KeepLater(DecodeResult& result, DecodeResult later) {
  if (Final(later) || result.status == DecodeStatus::NoSymbolFound) result = std::move(later);
}

// A reading run between the readings of the bordered picture (the pattern-located one); its
// corners are those of the picture without the border.
using Between = std::function<DecodeResult()>;

// Runs the readings on the bordered picture until one decodes, with `between` (when given) in its
// place in the order; the budget is checked before each (BudgetStop leaves). Corners come back in
// the picture inside the border.
DecodeResult ReadAll(const BitMatrix& bordered, int border, const Budget& budget,
                     const Between& between) {
  bool symbolSeen = false;
  DecodeResult seen;
  // Keeps the first reading that saw a symbol, for the report when none decodes.
  auto note = [&](Verdict verdict, DecodeResult& attempt, const char* name) {
    if (verdict == Verdict::NotCorrectable && !symbolSeen) {
      symbolSeen = true;
      seen = std::move(attempt);
      seen.reading = name;
    }
  };
  // Reads one picture; true when it decoded, with the result in out.
  auto read = [&](const Reading& reading, const BitMatrix& picture, DecodeResult& out) {
    budget.Check();
    const Verdict verdict = TryReading(picture, out, budget);
    if (verdict == Verdict::Decoded) {
      out.status = DecodeStatus::Decoded;
      out.reading = reading.name;
      for (PointF& c : out.corners) {
        c = reading.back(c, bordered.Width(), bordered.Height());
        c = PointF{c.x - border, c.y - border};
      }
      return true;
    }
    note(verdict, out, reading.name);
    return false;
  };

  DecodeResult result;
  if (read(kReadings[0], bordered, result)) return result;

  // The other readings: an upright one that goes before the patterns is read as soon as it is
  // made; the others wait, in order, with those that show an upright start pattern first. The
  // doubled rows show the same rows as the picture: their matrix, twice its size, is made only
  // when it is read.
  struct Deferred {
    const Reading* reading;
    BitMatrix picture;
    bool made;
  };
  std::vector<Deferred> upright;
  std::vector<Deferred> deferred;
  for (const Reading& reading : kReadings) {
    if (reading.make == nullptr) continue;
    budget.Check();
    if (reading.sameRows && !ShowsThinRows(bordered)) {
      (ShowsStartPatternLoosely(bordered) ? upright : deferred)
          .push_back(Deferred{&reading, BitMatrix(), false});
      continue;
    }
    BitMatrix picture;
    try {
      picture = reading.make(bordered);
    } catch (const Error&) {
      continue;  // too large to turn or double: that reading finds nothing
    }
    if (!ShowsStartPatternLoosely(picture)) {
      deferred.push_back(Deferred{&reading, std::move(picture), true});
    } else {
      DecodeResult attempt;
      if (read(reading, picture, attempt)) return attempt;
    }
  }
  DecodeResult patterns;
  patterns.status = DecodeStatus::NoSymbolFound;
  if (between) {
    budget.Check();
    patterns = between();
    if (Final(patterns)) return patterns;
  }
  deferred.insert(deferred.begin(), std::make_move_iterator(upright.begin()),
                  std::make_move_iterator(upright.end()));
  for (Deferred& d : deferred) {
    if (!d.made) {
      budget.Check();
      try {
        d.picture = d.reading->make(bordered);
      } catch (const Error&) {
        continue;
      }
    }
    DecodeResult attempt;
    const bool decoded = read(*d.reading, d.picture, attempt);
    d.picture = BitMatrix();
    if (decoded) return attempt;
  }

  if (symbolSeen) {
    seen.status = DecodeStatus::NotCorrectable;
    seen.message = "errors not correctable";
    seen.bytes.clear();
    seen.corrected = 0;
    seen.corners.clear();
    return seen;
  }
  if (patterns.status != DecodeStatus::NoSymbolFound) return patterns;
  result = DecodeResult();
  result.status = DecodeStatus::NoSymbolFound;
  result.message = "no symbol found";
  return result;
}

// Runs the readings within the options' budget; see ReadAll.
DecodeResult ReadWithin(const BitMatrix& bordered, int border, const DecodeOptions& options,
                        const Between& between = nullptr) {
  try {
    return ReadAll(bordered, border, Budget(options), between);
  } catch (const BudgetStop& stop) {
    DecodeResult result;
    result.status = stop.status;
    result.message = Budget::MessageOf(stop.status);
    return result;
  }
}

// The options of a later step of the decode, with what is left of the time budget since start.
DecodeOptions Remaining(const DecodeOptions& options, std::chrono::steady_clock::time_point start) {
  DecodeOptions rest = options;
  if (options.timeoutSeconds > 0) {
    const double spent =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rest.timeoutSeconds = std::max(options.timeoutSeconds - spent, 1e-9);
  }
  return rest;
}

DecodeResult Finish(DecodeResult result, const DecodeOptions& options) {
  if (options.eciToUtf8 && result.ok()) ApplyEciText(result);
  return result;
}

DecodeResult NoSymbol() {
  DecodeResult result;
  result.status = DecodeStatus::NoSymbolFound;
  result.message = "no symbol found";
  return result;
}

// Reads the first symbol of the grey picture that decodes.
DecodeResult DecodeGrey(const GreyView& grey, const DecodeOptions& options) {
  if (grey.width <= 0 || grey.height <= 0) return NoSymbol();
  const auto start = std::chrono::steady_clock::now();
  // The readings of the global matrix, made with its border, with the pattern-located reading of
  // the same matrix (also reading the grey picture) in its place among them; last that reading on
  // a matrix thresholded locally, for uneven light.
  const BitMatrix bordered = BinariseGlobal(grey, kGreyThreshold, kReadingBorder);
  const Between patterns = [&] {
    return ReadByPatterns(bordered, Remaining(options, start), &grey, kReadingBorder);
  };
  DecodeResult result = ReadWithin(bordered, kReadingBorder, options, patterns);
  if (!Final(result)) {
    DecodeResult local = ReadByPatterns(BinariseLocal(grey), Remaining(options, start), &grey);
    if (local.ok()) local.reading += ", local threshold";
    KeepLater(result, std::move(local));
  }
  return Finish(std::move(result), options);
}

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

// Reads every symbol of the grey picture.
std::vector<DecodeResult> DecodeGreyAll(const GreyView& grey, const DecodeOptions& options) {
  if (grey.width <= 0 || grey.height <= 0) return {NoSymbol()};
  const auto start = std::chrono::steady_clock::now();
  // The readings as in DecodeGrey; the pattern-located one, in its place among them, reads every
  // candidate of the global threshold into `found`. The other readings read one symbol at most.
  std::vector<DecodeResult> found;
  DecodeResult failure;
  bool searched = false;
  const BitMatrix bordered = BinariseGlobal(grey, kGreyThreshold, kReadingBorder);
  const Between patterns = [&] {
    searched = true;
    failure = ReadAllByPatterns(bordered, Remaining(options, start), &grey, found, kReadingBorder);
    return found.empty() ? failure : found.front();
  };
  DecodeResult first = ReadWithin(bordered, kReadingBorder, options, patterns);
  if (Final(first) && !first.ok()) return {std::move(first)};
  if (!found.empty()) first = DecodeResult();  // the patterns read it: it is in found
  const bool firstOk = first.ok();
  // When another reading decoded a symbol before the patterns were searched, they are searched
  // now for the others; a candidate over a symbol already read is skipped, so a symbol placed by
  // those readings is not read twice. Only when nothing has decoded, the local threshold.
  if (firstOk) found.push_back(std::move(first));
  if (!searched) {
    failure = ReadAllByPatterns(bordered, Remaining(options, start), &grey, found, kReadingBorder);
  }
  if (!Final(failure) && found.empty() && !firstOk) {
    DecodeResult local =
        ReadAllByPatterns(BinariseLocal(grey), Remaining(options, start), &grey, found);
    for (DecodeResult& r : found) r.reading += ", local threshold";
    KeepLater(failure, std::move(local));
  }
  if (found.empty()) {
    KeepLater(first, std::move(failure));
    return {Finish(std::move(first), options)};
  }
  if (!failure.ok() && Final(failure)) {
    found.back().warnings.push_back("stopped before every candidate was read: " + failure.message);
  }
  OrderOnPage(found);
  for (DecodeResult& r : found) r = Finish(std::move(r), options);
  return found;
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
  std::vector<DecodeResult> results;
  if (options.maxSymbols == 1) {
    results.push_back(DecodeGrey(grey, options));
  } else {
    results = DecodeGreyAll(grey, options);
    if (options.maxSymbols > 1 && results.size() > static_cast<std::size_t>(options.maxSymbols)) {
      results.resize(static_cast<std::size_t>(options.maxSymbols));
    }
  }
  for (DecodeResult& r : results) r.orientation = OrientationOf(r.corners);
  return results;
}

// The checks of CheckAndDecompact over a grid read elsewhere: the grid becomes a LinearDecode
// whose regions only give its size.
GridVerdict CheckCodewordGrid(const std::vector<std::vector<int>>& grid, int level,
                              DecodeResult& out) {
  const int rows = static_cast<int>(grid.size());
  const int columns = rows > 0 ? static_cast<int>(grid.front().size()) : 0;
  if (rows < 1 || columns < 5) return GridVerdict::NoSymbol;
  LinkedList<AryRegion> rowRegions;
  LinkedList<AryRegion> colRegions;
  for (int i = 0; i < rows; ++i) rowRegions.Append(AryRegion{});
  for (int j = 0; j < columns; ++j) colRegions.Append(AryRegion{});
  LinearDecode matrix(rows, columns, rowRegions, colRegions);
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < columns; ++j) {
      matrix.codewordGrid[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] =
          grid[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
    }
  }
  matrix.CollectDataCodewords();
  try {
    switch (CheckAndDecompact(matrix, level, out)) {
      case Verdict::Decoded:
        return GridVerdict::Decoded;
      case Verdict::NotCorrectable:
        return GridVerdict::NotCorrectable;
      case Verdict::NoSymbol:
        break;
    }
  } catch (const Error&) {
    return GridVerdict::NotCorrectable;  // decompaction met data no encoder writes
  }
  return GridVerdict::NoSymbol;
}

}  // namespace pdf417
