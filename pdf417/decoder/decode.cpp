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
#include <sys/stat.h>

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

#include "pdf417/common/error.h"
#include "pdf417/common/linked_list.h"
#include "pdf417/common/one_bit_rows.h"
#include "pdf417/common/patterns.h"
#include "pdf417/decoder/bin_bmp.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/decoder/decompact.h"
#include "pdf417/decoder/detector_reading.h"
#include "pdf417/decoder/error_correction.h"
#include "pdf417/decoder/fine_grid.h"
#include "pdf417/decoder/image_amend.h"
#include "pdf417/decoder/image_transforms.h"
#include "pdf417/decoder/linear_decode.h"
#include "pdf417/decoder/local_threshold.h"
#include "pdf417/decoder/pipeline.h"
#include "pdf417/decoder/row_col_detect.h"
#include "pdf417/decoder/symbol_check.h"

namespace pdf417 {
namespace {

// White margin put around every loaded picture: a symbol that touches the picture's edge
// would otherwise lose its first column mark or get a wrong row count.
constexpr int kBorderPixels = 8;
// The largest symbol: 90 rows of 30 data columns.
constexpr int kMaxSymbolRows = 90;
constexpr int kMaxDataColumns = 30;

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
    const int x = 30 * (i / 3);
    const int rowInfo = x + (rows - 1) / 3;
    const int levelInfo = x + 3 * level + (rows - 1) % 3;
    const int columnInfo = x + columns - 1;
    int left = 0;
    int right = 0;
    switch (i % 3) {
      case 0:
        left = rowInfo;
        right = columnInfo;
        break;
      case 1:
        left = levelInfo;
        right = rowInfo;
        break;
      default:
        left = columnInfo;
        right = levelInfo;
        break;
    }
    const std::vector<std::int32_t>& row = matrix.codewordGrid[static_cast<std::size_t>(i)];
    agree += row[1] == left;
    agree += row[static_cast<std::size_t>(K - 2)] == right;
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

// With a fitted grid, every cell is read by its edges on the grid's module width
// (fine_grid.h) where that gives a pattern of the row's cluster.
Verdict ReadGrid(const BinBMP& image, const LinkedList<AryRegion>& rowRegions,
                 const LinkedList<AryRegion>& colRegions, DecodeResult& out,
                 const ColumnGrid* grid = nullptr);

std::vector<int> LevelCandidates(const LinearDecode& matrix);
Verdict CheckAndDecompact(const LinearDecode& matrix, int level, DecodeResult& out);

// Column grids tried for a picture whose ordinary column location failed.
constexpr int kFineGrids = 2;

// Replaces the codewords of the grid (indicators and data) by their readings on a fitted column
// grid, where a cell gives one.
void ReadCellsByEdges(LinearDecode& matrix, const ColumnGrid& grid) {
  std::vector<AryRegion> rows;
  for (matrix.rowRegions.Reset(0); !matrix.rowRegions.AtEnd(); matrix.rowRegions.Advance()) {
    rows.push_back(matrix.rowRegions.Data());
  }
  const std::vector<std::vector<std::int32_t>> codewords =
      ReadGridByEdges(matrix.image, rows, grid);
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
// merged row regions split, then on fitted column grids.
Verdict ReadLocated(const BinBMP& image, DecodeResult& out) {
  RowColDetect locator(image);
  locator.FindBounds();
  locator.FindRows();
  // Column location drops the rows when it finds no columns; the fitted grids below need them.
  std::vector<LinkedList<AryRegion>> rowChoices{locator.rowRegions};
  locator.FindColumns();
  Verdict verdict = ReadGrid(locator.image, locator.rowRegions, locator.colRegions, out);
  if (verdict == Verdict::Decoded) return verdict;

  LinkedList<AryRegion> split(rowChoices.front());
  if (SplitMergedRows(split)) {
    rowChoices.push_back(split);
    DecodeResult second;
    const Verdict retry = ReadGrid(locator.image, split, locator.colRegions, second);
    KeepBetter(verdict, out, retry, second);
    if (verdict == Verdict::Decoded) return verdict;
  }

  // Modules that are not a whole number of pixels wide: columns on one fitted module grid, cells
  // read by their edges. Columns of whole modules leave such a grid nothing to add.
  if (WholeModuleColumns(locator.colRegions)) return verdict;
  const std::vector<AryRegion> runs =
      ColumnDarkRuns(locator.image, locator.symbolRows.first, locator.symbolRows.last,
                     locator.leftCol, locator.rightCol);
  for (const ColumnGrid& grid : FitColumnGrids(runs, kFineGrids)) {
    for (const LinkedList<AryRegion>& rows : rowChoices) {
      DecodeResult second;
      const Verdict retry = ReadGrid(locator.image, rows, grid.regions, second, &grid);
      KeepBetter(verdict, out, retry, second);
      if (verdict == Verdict::Decoded) return verdict;
    }
  }
  return verdict;
}

// Runs the reading stages on one picture.
Verdict ReadPicture(const BinBMP& picture, DecodeResult& out) {
  ImageAmend amend(picture);
  amend.CorrectSkew();
  Verdict verdict = ReadLocated(amend.image, out);
  if (verdict == Verdict::Decoded || amend.untouched || !ShowsStartPatternLoosely(picture)) {
    return verdict;
  }

  // The picture as given shows a start pattern, but straightening changed the picture: modules a
  // fractional number of pixels wide scale the pattern's narrow elements unevenly, so it was not
  // recognised, or something else was taken for it and the picture turned by a wrong angle. The
  // upright symbol is then read from the picture as it is.
  DecodeResult second;
  const Verdict retry = ReadLocated(picture, second);
  KeepBetter(verdict, out, retry, second);
  return verdict;
}

// Reads, checks, corrects and decompacts the codewords of a located grid.
Verdict ReadGrid(const BinBMP& image, const LinkedList<AryRegion>& rowRegions,
                 const LinkedList<AryRegion>& colRegions, DecodeResult& out,
                 const ColumnGrid* grid) {
  const int R = rowRegions.Size();
  const int K = colRegions.Size();
  // Start, left indicator, at least one data column, right indicator, stop. A symbol has at most
  // 90 rows and 30 data columns; a grid beyond that (stripes, noise) is no symbol and would only
  // cost time and memory to read.
  if (R < 1 || K < 5 || R > kMaxSymbolRows || K > kMaxDataColumns + 4) return Verdict::NoSymbol;

  LinearDecode matrix(R, K, rowRegions, colRegions);
  matrix.image = image;
  matrix.SampleCells();
  matrix.ReadCodewords();
  if (grid != nullptr) ReadCellsByEdges(matrix, *grid);
  matrix.CollectDataCodewords();
  ReadLevel(matrix);

  // The vote's winner first; when its reading fails, the other levels the indicators voted for
  // (a tie between a damaged and a sound indicator goes to the row voted first).
  Verdict verdict = Verdict::NoSymbol;
  for (const int level : LevelCandidates(matrix)) {
    DecodeResult attempt;
    const Verdict v = CheckAndDecompact(matrix, level, attempt);
    KeepBetter(verdict, out, v, attempt);
    if (verdict == Verdict::Decoded) break;
  }
  return verdict;
}

// The levels to try for a grid: the vote's winner, then every other level some row indicator
// voted for, most votes first; levels outside 0..8 are left out.
std::vector<int> LevelCandidates(const LinearDecode& matrix) {
  const int R = matrix.rowCount;
  const int K = matrix.colCount;
  std::vector<std::pair<int, int>> votes;  // (level, count) in order of the first vote
  for (int i = 0; i < R; ++i) {
    if (i % 3 == 0 || K < 3) continue;
    const std::vector<std::int32_t>& row = matrix.codewordGrid[static_cast<std::size_t>(i)];
    const int indicator = i % 3 == 1 ? row[1] : row[static_cast<std::size_t>(K - 2)];
    const int key = (indicator - 30 * (i / 3) - (R - 1) % 3) / 3;
    if (key < 0 || key > 8) continue;
    auto it = std::find_if(votes.begin(), votes.end(),
                           [key](const std::pair<int, int>& v) { return v.first == key; });
    if (it == votes.end()) {
      votes.emplace_back(key, 1);
    } else {
      ++it->second;
    }
  }
  std::stable_sort(votes.begin(), votes.end(),
                   [](const std::pair<int, int>& a, const std::pair<int, int>& b) {
                     return a.second > b.second;
                   });
  std::vector<int> levels;
  if (matrix.ecLevel >= 0 && matrix.ecLevel <= 8) levels.push_back(matrix.ecLevel);
  for (const auto& v : votes) {
    if (v.first != matrix.ecLevel) levels.push_back(v.first);
  }
  return levels;
}

// Checks the grid's codewords at one level, corrects them and decompacts the data.
Verdict CheckAndDecompact(const LinearDecode& matrix, int level, DecodeResult& out) {
  const int R = matrix.rowCount;
  const int columns = matrix.colCount - 4;
  if (!IndicatorsAgree(matrix, R, columns, level)) return Verdict::NoSymbol;

  out.rows = R;
  out.columns = columns;
  out.level = level;
  const int k = 1 << (level + 1);
  LinkedList<int> codewords(matrix.codewordList);
  const int n = codewords.Size();
  if (n <= k) return Verdict::NotCorrectable;

  // Two error-correction codewords stay for detection: corrections that use them too could have
  // turned a list with more errors into another symbol's list.
  const int corrected = CorrectErrors(codewords, k);
  if (corrected < 0 || 2 * corrected > k - 2) return Verdict::NotCorrectable;
  out.corrected = corrected;

  // The descriptor counts every codeword but the error-correction ones.
  const int dataCount = n - k;
  LinkedList<int>& dataList = codewords;
  const int descriptor = dataList.RemoveFirst();
  if (descriptor != dataCount) return Verdict::NotCorrectable;
  dataList.InsertFront(dataCount);

  LinkedList<int> byteList;
  DecompactInfo info;
  Decompact(dataList, byteList, &info);

  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(byteList.Size()));
  for (byteList.Reset(0); !byteList.AtEnd(); byteList.Advance()) {
    bytes.push_back(static_cast<char>(byteList.Data() & 0xFF));
  }
  out.bytes = std::move(bytes);
  out.eci = std::move(info.eci);
  out.macro = std::move(info.macro);
  return Verdict::Decoded;
}

// One way of presenting the picture to the reading stages.
struct Reading {
  const char* name;
  void (*prepare)(const BinBMP& source, BinBMP& destination);
};

void Turn180(const BinBMP& source, BinBMP& destination) { TurnRightAngle(source, destination, 2); }
void Turn90(const BinBMP& source, BinBMP& destination) { TurnRightAngle(source, destination, 1); }
void Turn270(const BinBMP& source, BinBMP& destination) { TurnRightAngle(source, destination, 3); }

// The readings after the picture as read, in their order of preference.
constexpr Reading kOtherReadings[] = {
    {"with rows doubled", DoubleRows},
    {"turned 180 degrees", Turn180},
    {"turned 90 degrees clockwise", Turn90},
    {"turned 90 degrees counter-clockwise", Turn270},
};

// Reads one picture; a stage that meets a picture it cannot make sense of means no symbol.
Verdict TryReading(const BinBMP& picture, DecodeResult& out) {
  try {
    return ReadPicture(picture, out);
  } catch (const Error&) {
    return Verdict::NoSymbol;
  }
}

DecodeResult DecodeLoaded(BinBMP& source) {
  if (source.bitCount != 1) Binarize(source, source);
  BinBMP bordered;
  AddWhiteBorder(source, bordered, kBorderPixels);
  source.Release();

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

  DecodeResult first;
  const Verdict verdict = TryReading(bordered, first);
  if (verdict == Verdict::Decoded) {
    first.status = DecodeStatus::Decoded;
    first.reading = "as read";
    return first;
  }
  note(verdict, first, "as read");

  // The other readings; those whose picture shows a start pattern the right way up on the rows
  // that straightening probes go first, since the others need the slow angle search.
  struct Prepared {
    const Reading* reading;
    BinBMP picture;
    bool upright;
  };
  std::vector<Prepared> prepared;
  for (const Reading& reading : kOtherReadings) {
    Prepared p{&reading, BinBMP(), false};
    try {
      reading.prepare(bordered, p.picture);
    } catch (const Error&) {
      continue;  // too large to turn or double: that reading finds nothing
    }
    p.upright = ShowsStartPatternLoosely(p.picture);
    prepared.push_back(std::move(p));
  }
  bordered.Release();
  std::stable_partition(prepared.begin(), prepared.end(),
                        [](const Prepared& p) { return p.upright; });

  for (Prepared& p : prepared) {
    DecodeResult attempt;
    const Verdict v = TryReading(p.picture, attempt);
    p.picture.Release();
    if (v == Verdict::Decoded) {
      attempt.status = DecodeStatus::Decoded;
      attempt.reading = p.reading->name;
      return attempt;
    }
    note(v, attempt, p.reading->name);
  }
  if (symbolSeen) {
    seen.status = DecodeStatus::NotCorrectable;
    seen.message = "errors not correctable";
    seen.bytes.clear();
    seen.corrected = 0;
    return seen;
  }
  DecodeResult result;
  result.status = DecodeStatus::NoSymbolFound;
  result.message = "no symbol found";
  return result;
}

DecodeResult Unreadable(const std::string& message) {
  DecodeResult result;
  result.status = DecodeStatus::FileUnreadable;
  result.message = message;
  return result;
}

}  // namespace

DecodeResult DecodePdf417Detailed(const std::string& fileName, const DecodeNotifier& notify) {
  struct stat st {};
  if (::stat(fileName.c_str(), &st) != 0) {
    DecodeResult result;
    result.status = DecodeStatus::FileMissing;
    result.message = "File Not Exist!!!";
    if (notify) notify(result.message, "PDF417Dec");
    return result;
  }
  BinBMP source;
  try {
    source.LoadFile(fileName);
  } catch (const Error& e) {
    return Unreadable(e.what());
  }
  return DecodeLoaded(source);
}

DecodeResult DecodePdf417FromBytes(const std::uint8_t* data, std::size_t size) {
  BinBMP source;
  try {
    source.LoadBytes(data, size);
  } catch (const Error& e) {
    return Unreadable(e.what());
  }
  return DecodeLoaded(source);
}

namespace {

// The readings of the matrix in turn; the pattern-located one also reads the grey picture when
// there is one.
DecodeResult DecodeMatrix(const BitMatrix& bits, const GreyView* grey,
                          const DecodeOptions& options) {
  if (bits.Empty()) {
    DecodeResult result;
    result.status = DecodeStatus::NoSymbolFound;
    result.message = "no symbol found";
    return result;
  }
  BinBMP picture(bits.Height(), bits.Width(), 1);
  const OneBitCanvas canvas = CanvasOf(picture);
  for (std::int32_t r = 0; r < bits.Height(); ++r) {
    std::uint8_t* line = canvas.Line(r);
    const std::uint8_t* row = bits.Row(r);
    for (std::size_t i = 0; i < bits.Stride(); ++i) canvas.PutDark(line, i, row[i]);
  }
  DecodeResult result = DecodeLoaded(picture);
  // The pattern-located reading, only when the readings above found nothing they could decode.
  if (!result.ok()) {
    DecodeResult located = ReadByPatterns(bits, options, grey);
    if (located.ok() || result.status == DecodeStatus::NoSymbolFound) return located;
  }
  return result;
}

}  // namespace

DecodeResult DecodeBits(const BitMatrix& bits, const DecodeOptions& options) {
  return DecodeMatrix(bits, nullptr, options);
}

DecodeResult DecodeGrey(const GreyView& grey, const DecodeOptions& options) {
  DecodeResult result = DecodeMatrix(BinariseGlobal(grey), &grey, options);
  if (result.ok()) return result;
  DecodeResult local = ReadByPatterns(BinariseLocal(grey), options, &grey);
  if (local.ok()) {
    local.reading += ", local threshold";
    return local;
  }
  return result.status == DecodeStatus::NoSymbolFound ? local : result;
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

std::string DecodePdf417(const std::string& fileName, const DecodeNotifier& notify) {
  DecodeResult result = DecodePdf417Detailed(fileName, notify);
  return result.ok() ? std::move(result.bytes) : std::string();
}

}  // namespace pdf417
