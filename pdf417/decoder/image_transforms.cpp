// Whole-picture transforms and the search for the dominant edge direction by line voting.
#include "pdf417/decoder/image_transforms.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "pdf417/common/distance_votes.h"
#include "pdf417/common/error.h"
#include "pdf417/common/one_bit_rows.h"

namespace pdf417 {
namespace {

constexpr double kPi = 3.14159265358979323846;
// More candidate angles than any search of ours uses; guards the vote table's size.
constexpr long double kMaxCandidates = 100000;
// Most votes (edge pixels x candidate angles) one search casts. A symbol's row edges stay well
// below it even in a 10,000-pixel picture; beyond it (noise, dense texture) only every k-th edge
// pixel votes, which keeps the search's time bounded and its lines where they were.
constexpr std::int64_t kMaxVotes = std::int64_t{1} << 25;

float ToRadians(float degrees) {
  return static_cast<float>(static_cast<double>(degrees) * (1.0 / 180.0) * kPi);
}

// The source as a 1-bit picture: itself, or a binarized copy held in scratch.
const BinBMP& OneBit(const BinBMP& source, BinBMP& scratch) {
  if (source.bitCount == 1) return source;
  Binarize(source, scratch);
  return scratch;
}

// A white 1-bit picture of the given size; empty when either side is 0.
BinBMP BlankPicture(std::int32_t height, std::int32_t width) {
  if (height <= 0 || width <= 0) return BinBMP();
  BinBMP picture(height, width, 1);
  picture.Clear();
  return picture;
}

// The dark pixels of row `row`, masked to the picture's width: (width + 7) / 8 bytes into out.
void ReadDarkRow(const OneBitRows& rows, std::int32_t row, std::uint8_t* out) {
  const std::size_t bytes = (static_cast<std::size_t>(rows.width()) + 7) / 8;
  const std::uint8_t* line = rows.Line(row);
  for (std::size_t i = 0; i < bytes; ++i) out[i] = rows.Dark(line, i);
  out[bytes - 1] &= MaskTo((rows.width() - 1) & 7);
}

// ORs the bits of in (bit 7 of byte 0 first) into out, moved right by shift bits (left when
// negative); bits that fall outside out are dropped.
void PlaceBits(const std::uint8_t* in, std::size_t inBytes, std::int64_t shift, std::uint8_t* out,
               std::size_t outBytes) {
  const auto n = static_cast<std::int64_t>(outBytes);
  for (std::size_t i = 0; i < inBytes; ++i) {
    const unsigned d = in[i];
    if (d == 0) continue;
    const std::int64_t pos = static_cast<std::int64_t>(i) * 8 + shift;
    const std::int64_t k = pos >= 0 ? pos / 8 : -((-pos + 7) / 8);  // floor(pos / 8)
    const auto s = static_cast<unsigned>(pos - 8 * k);
    if (k >= 0 && k < n) out[k] = static_cast<std::uint8_t>(out[k] | (d >> s));
    if (s != 0 && k + 1 >= 0 && k + 1 < n) {
      out[k + 1] = static_cast<std::uint8_t>(out[k + 1] | (d << (8 - s)));
    }
  }
}

// Stores a row of dark bits into line row of the picture, one byte of the row per stored byte.
void PutDarkRow(const OneBitCanvas& canvas, std::int32_t row, const std::uint8_t* dark,
                std::size_t bytes) {
  std::uint8_t* line = canvas.Line(row);
  for (std::size_t i = 0; i < bytes; ++i) canvas.PutDark(line, i, dark[i]);
}

// Transposes the 8 x 8 bit block held one row a byte, row 0 in the top byte and column 0 in bit 7
// of each byte.
std::uint64_t TransposeBlock(std::uint64_t x) {
  std::uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAull;
  x = x ^ t ^ (t << 7);
  t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCull;
  x = x ^ t ^ (t << 14);
  t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ull;
  return x ^ t ^ (t << 28);
}

// Mirrors the source over its diagonal into a white picture of the swapped size, eight by eight
// pixels: destination (y, x) = source (x', c) with c = y (or width - 1 - y when flipColumns) and
// x' = x (or height - 1 - x when flipRows).
void TransposeRows(const OneBitRows& source, bool flipRows, bool flipColumns, BinBMP& result) {
  const OneBitCanvas canvas = CanvasOf(result);
  const std::int32_t h = source.height();
  const std::int32_t w = source.width();
  const std::size_t bytes = (static_cast<std::size_t>(w) + 7) / 8;
  const std::uint8_t* lines[8];
  for (std::int32_t x0 = 0; x0 < h; x0 += 8) {
    for (int k = 0; k < 8; ++k) {
      const std::int32_t x = x0 + k;
      lines[k] = x < h ? source.Line(flipRows ? h - 1 - x : x) : nullptr;
    }
    const std::size_t column = static_cast<std::size_t>(x0) / 8;
    for (std::size_t j = 0; j < bytes; ++j) {
      std::uint64_t block = 0;
      for (int k = 0; k < 8; ++k) {
        if (lines[k] == nullptr) continue;
        // Pixels past the width land in rows that are not written.
        block |= static_cast<std::uint64_t>(source.Dark(lines[k], j)) << (56 - 8 * k);
      }
      if (block == 0) continue;
      block = TransposeBlock(block);
      for (int m = 0; m < 8; ++m) {
        const auto c = static_cast<std::int32_t>(j * 8) + m;
        if (c >= w) break;
        const auto dark = static_cast<std::uint8_t>(block >> (56 - 8 * m));
        if (dark == 0) continue;
        canvas.PutDark(canvas.Line(flipColumns ? w - 1 - c : c), column, dark);
      }
    }
  }
}

std::uint8_t ReverseBits(std::uint8_t b) {
  b = static_cast<std::uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = static_cast<std::uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
  return static_cast<std::uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

// The black pixels of an edge picture, row by row: the columns of row r are
// columns[start[r] .. start[r + 1] - 1].
struct EdgePoints {
  std::vector<std::int32_t> start;
  std::vector<std::int32_t> columns;
};

// Collects the black pixels of rows 0 .. rows - 1 in columns 0 .. cols - 1; with every > 1 only
// those whose index in row order is a multiple of every.
EdgePoints CollectEdgePoints(const BinBMP& edges, std::int32_t rows, std::int32_t cols,
                             std::int64_t every = 1) {
  EdgePoints points;
  points.start.reserve(static_cast<std::size_t>(rows) + 1);
  const std::optional<OneBitRows> straight = StraightRows(edges);
  std::int64_t index = 0;
  auto keep = [&points, &index, every](std::int32_t c) {
    if (index++ % every == 0) points.columns.push_back(c);
  };
  for (std::int32_t r = 0; r < rows; ++r) {
    points.start.push_back(static_cast<std::int32_t>(points.columns.size()));
    if (straight) {
      straight->ForEachDark(r, 0, std::min(cols, edges.width), keep);
    } else {
      for (std::int32_t c = 0; c < cols; ++c) {
        if (!edges.IsWhite(r, c)) keep(c);
      }
    }
  }
  points.start.push_back(static_cast<std::int32_t>(points.columns.size()));
  return points;
}

// The number of black pixels CollectEdgePoints would visit.
std::int64_t CountEdgePoints(const BinBMP& edges, std::int32_t rows, std::int32_t cols) {
  std::int64_t count = 0;
  const std::optional<OneBitRows> straight = StraightRows(edges);
  for (std::int32_t r = 0; r < rows; ++r) {
    if (straight) {
      straight->ForEachDark(r, 0, std::min(cols, edges.width), [&count](std::int32_t) { ++count; });
    } else {
      for (std::int32_t c = 0; c < cols; ++c) count += edges.IsWhite(r, c) ? 0 : 1;
    }
  }
  return count;
}

// A bounded number of votes: on pictures with very many edge pixels only every k-th one (in row
// order) votes, so the search stays fast on any picture. Returns k.
std::int64_t VoterSpacing(std::int64_t edgeCount, std::int32_t nAngles) {
  const std::int64_t votes = edgeCount * std::max<std::int32_t>(nAngles, 0);
  return votes > kMaxVotes ? (votes + kMaxVotes - 1) / kMaxVotes : 1;
}

// Line voting over the black pixels of an edge picture of the given height (0: an empty picture,
// which answers the lower bound), thinned by VoterSpacing for this many angles. The budget is
// checked every few hundred rows.
float HoughOnPoints(const EdgePoints& voters, std::int32_t height, float from, float to, float step,
                    const Budget* budget) {
  const std::int32_t nAngles = AngleCandidates(from, to, step);
  if (nAngles <= 0 || height <= 0) return from;

  std::int32_t nRho = height;
  if (nRho > 500) nRho /= 2;
  const auto rows = static_cast<std::int32_t>(voters.start.size()) - 1;

  std::vector<double> cosines(static_cast<std::size_t>(nAngles));
  std::vector<double> sines(static_cast<std::size_t>(nAngles));
  for (std::int32_t i = 0; i < nAngles; ++i) {
    const float degrees = from + step * static_cast<float>(i);
    const float theta = ToRadians(degrees);
    cosines[static_cast<std::size_t>(i)] = static_cast<float>(std::cos(static_cast<double>(theta)));
    sines[static_cast<std::size_t>(i)] = static_cast<float>(std::sin(static_cast<double>(theta)));
  }

  // Each black pixel (r, c) votes, for every angle, for the distance trunc(r cos + c sin) when it
  // lies in 1 .. nRho - 1. A row's pixels vote together, angle by angle: r cos is the same for
  // all of them. The conversion to an integer truncates toward zero like trunc, and the
  // distances stay far inside the integer range.
  std::vector<std::int32_t> votes(
      static_cast<std::size_t>(nAngles) * static_cast<std::size_t>(nRho), 0);
  std::vector<double> columns;
  for (std::int32_t r = 0; r < rows; ++r) {
    if (budget != nullptr && r % 256 == 0) budget->Check();
    const std::int32_t begin = voters.start[static_cast<std::size_t>(r)];
    const std::int32_t end = voters.start[static_cast<std::size_t>(r) + 1];
    if (begin == end) continue;
    columns.assign(voters.columns.begin() + begin, voters.columns.begin() + end);
    const double span = columns.back() - columns.front();
    const auto count = static_cast<double>(columns.size());
    for (std::int32_t i = 0; i < nAngles; ++i) {
      const double rowTerm = r * cosines[static_cast<std::size_t>(i)];
      const double sine = sines[static_cast<std::size_t>(i)];
      std::int32_t* line =
          votes.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(nRho);
      // Near the horizontal a row's pixels share few distances: about |sin| x span + 1.
      if (count >= 16 && 8 * (std::fabs(sine) * span + 1) < count) {
        VoteDistancesByRuns(columns.data(), columns.size(), rowTerm, sine, line, nRho);
      } else {
        VoteDistances(columns.data(), columns.size(), rowTerm, sine, line, nRho);
      }
    }
  }

  // Each distance gives its votes to the angles that come within 85% of its best count.
  std::vector<std::int32_t> best(static_cast<std::size_t>(nRho), 0);
  for (std::int32_t i = 0; i < nAngles; ++i) {
    const std::int32_t* line =
        votes.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(nRho);
    for (std::int32_t rho = 0; rho < nRho; ++rho) {
      best[static_cast<std::size_t>(rho)] =
          std::max(best[static_cast<std::size_t>(rho)], line[rho]);
    }
  }
  std::vector<double> thresholds(static_cast<std::size_t>(nRho));
  for (std::int32_t rho = 0; rho < nRho; ++rho) {
    thresholds[static_cast<std::size_t>(rho)] = 0.85 * best[static_cast<std::size_t>(rho)];
  }
  std::vector<std::int64_t> scores(static_cast<std::size_t>(nAngles), 0);
  for (std::int32_t i = 0; i < nAngles; ++i) {
    const std::int32_t* line =
        votes.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(nRho);
    std::int64_t score = 0;
    for (std::int32_t rho = 0; rho < nRho; ++rho) {
      const std::int32_t count = line[rho];
      if (best[static_cast<std::size_t>(rho)] != 0 &&
          count >= thresholds[static_cast<std::size_t>(rho)]) {
        score += count;
      }
    }
    scores[static_cast<std::size_t>(i)] = score;
  }
  std::int32_t bestIndex = 0;
  for (std::int32_t i = 1; i < nAngles; ++i) {
    if (scores[static_cast<std::size_t>(i)] > scores[static_cast<std::size_t>(bestIndex)]) {
      bestIndex = i;
    }
  }
  return from + step * static_cast<float>(bestIndex);
}

// The columns that vote: all of them, or the left half of a picture wider than 800.
std::int32_t VotingColumns(const BinBMP& edges) {
  return edges.width > 800 ? edges.width / 2 : edges.width;
}

// The votes of one search of the edge picture over the candidate angles from .. to by step.
// Voters are collected only as thinned as the search needs: a picture of dense texture has
// tens of millions of edge pixels, far too many to list.
class EdgeVotes {
 public:
  explicit EdgeVotes(const BinBMP& edges)
      : edges_(edges),
        height_(edges.Empty() ? 0 : edges.height),
        cols_(edges.Empty() ? 0 : VotingColumns(edges)),
        count_(CountEdgePoints(edges, height_, cols_)) {}

  float Search(float from, float to, float step, const Budget* budget) {
    const std::int64_t every = VoterSpacing(count_, AngleCandidates(from, to, step));
    if (every != every_) {
      voters_ = CollectEdgePoints(edges_, height_, cols_, every);
      every_ = every;
    }
    return HoughOnPoints(voters_, height_, from, to, step, budget);
  }

 private:
  const BinBMP& edges_;
  std::int32_t height_;
  std::int32_t cols_;
  std::int64_t count_;
  std::int64_t every_ = 0;
  EdgePoints voters_;
};

}  // namespace

std::int32_t AngleCandidates(float from, float to, float step) {
  if (!(step > 0.0f) || !std::isfinite(from) || !std::isfinite(to)) {
    throw Error(ErrorCode::InvalidArgument, "angle search needs finite bounds and a positive step");
  }
  const long double span =
      (static_cast<long double>(to) - static_cast<long double>(from)) / step + 1;
  if (span > kMaxCandidates) {
    throw Error(ErrorCode::InvalidArgument, "angle search has too many candidate angles");
  }
  return span < 1 ? 0 : static_cast<std::int32_t>(span);
}

void Transpose(const BinBMP& source, BinBMP& destination) {
  BinBMP result = BlankPicture(source.width, source.height);
  if (const std::optional<OneBitRows> rows = StraightRows(source)) {
    TransposeRows(*rows, false, false, result);
    destination = std::move(result);
    return;
  }
  for (std::int32_t r = 0; r < source.height; ++r) {
    for (std::int32_t c = 0; c < source.width; ++c) {
      if (!source.IsWhite(r, c)) result.SetPixel(c, r, false);
    }
  }
  destination = std::move(result);
}

void Rotate(const BinBMP& source, BinBMP& destination, float degrees) {
  BinBMP scratch;
  const BinBMP& input = OneBit(source, scratch);
  BinBMP result = input;
  result.Clear();
  const float theta = ToRadians(degrees);
  const double cs = static_cast<float>(std::cos(static_cast<double>(theta)));
  const double sn = static_cast<float>(std::sin(static_cast<double>(theta)));
  const std::optional<OneBitRows> rows = StraightRows(input);
  if (rows && result.height > 0) {
    // Destination (r, c) reads source (trunc(cs r - sn c), trunc(sn r + cs c)). The products with
    // c are the same on every row; the conversion to an integer truncates toward zero like
    // trunc, and every value stays far inside the integer range.
    const OneBitCanvas canvas = CanvasOf(result);
    const std::size_t bytes = (static_cast<std::size_t>(result.width) + 7) / 8;
    std::vector<double> snc(static_cast<std::size_t>(result.width));
    std::vector<double> csc(static_cast<std::size_t>(result.width));
    for (std::int32_t c = 0; c < result.width; ++c) {
      snc[static_cast<std::size_t>(c)] = sn * c;
      csc[static_cast<std::size_t>(c)] = cs * c;
    }
    std::vector<std::uint8_t> dark(bytes);
    for (std::int32_t r = 0; r < result.height; ++r) {
      const double csr = cs * r;
      const double snr = sn * r;
      std::fill(dark.begin(), dark.end(), 0);
      for (std::int32_t c = 0; c < result.width; ++c) {
        const auto sr = static_cast<std::int64_t>(csr - snc[static_cast<std::size_t>(c)]);
        const auto sc = static_cast<std::int64_t>(snr + csc[static_cast<std::size_t>(c)]);
        if (sr < 0 || sc < 0 || sr >= input.height || sc >= input.width) continue;
        if (rows->IsDark(static_cast<std::int32_t>(sr), static_cast<std::int32_t>(sc))) {
          dark[static_cast<std::size_t>(c) >> 3] |= static_cast<std::uint8_t>(0x80u >> (c & 7));
        }
      }
      PutDarkRow(canvas, r, dark.data(), bytes);
    }
    destination = std::move(result);
    return;
  }
  for (std::int32_t r = 0; r < result.height; ++r) {
    for (std::int32_t c = 0; c < result.width; ++c) {
      const double sr = std::trunc(cs * r - sn * c);
      const double sc = std::trunc(sn * r + cs * c);
      if (sr < 0 || sc < 0 || sr >= input.height || sc >= input.width) continue;
      if (!input.IsWhite(static_cast<std::int32_t>(sr), static_cast<std::int32_t>(sc))) {
        result.SetPixel(r, c, false);
      }
    }
  }
  destination = std::move(result);
}

void RowDifference(const BinBMP& source, BinBMP& destination) {
  BinBMP scratch;
  const BinBMP& input = OneBit(source, scratch);
  BinBMP result = input;
  result.Clear();
  if (input.height > 0) {
    const std::size_t stride = static_cast<std::size_t>(input.imageSize / input.height);
    // A set bit of the XOR marks a change; its complement is black when a set bit means white,
    // so invert once more when a set bit means black.
    const std::uint8_t flip = input.SetBitIsWhite() ? 0x00 : 0xFF;
    for (std::int32_t i = 0; i + 1 < input.height; ++i) {
      const std::uint8_t* lower = input.pixelData.data() + static_cast<std::size_t>(i) * stride;
      const std::uint8_t* upper = lower + stride;
      std::uint8_t* out = result.pixelData.data() + static_cast<std::size_t>(i) * stride;
      for (std::size_t j = 0; j < stride; ++j) {
        out[j] = static_cast<std::uint8_t>(~(lower[j] ^ upper[j]) ^ flip);
      }
    }
  }
  destination = std::move(result);
}

void TurnRightAngle(const BinBMP& source, BinBMP& destination, int quarterTurns) {
  const int turns = ((quarterTurns % 4) + 4) % 4;
  const std::int32_t h = source.height;
  const std::int32_t w = source.width;
  BinBMP result = turns % 2 == 0 ? BlankPicture(h, w) : BlankPicture(w, h);
  if (const std::optional<OneBitRows> rows = StraightRows(source)) {
    if (turns == 1) {
      TransposeRows(*rows, true, false, result);  // the left column becomes the top row
    } else if (turns == 3) {
      TransposeRows(*rows, false, true, result);  // the top row becomes the left column
    } else {
      // Row by row; half a turn reverses every row and puts it at the mirrored height.
      const OneBitCanvas canvas = CanvasOf(result);
      const std::size_t bytes = (static_cast<std::size_t>(w) + 7) / 8;
      std::vector<std::uint8_t> dark(bytes);
      std::vector<std::uint8_t> flipped(bytes);
      std::vector<std::uint8_t> reversed(bytes);
      const auto padding = static_cast<std::int64_t>(bytes * 8) - w;
      for (std::int32_t r = 0; r < h; ++r) {
        ReadDarkRow(*rows, r, dark.data());
        if (turns == 0) {
          PutDarkRow(canvas, r, dark.data(), bytes);
          continue;
        }
        // Reversing the bytes and their bits takes column c to 8 bytes - 1 - c; the padding
        // then lies in front and the row moves left by it.
        for (std::size_t i = 0; i < bytes; ++i) flipped[bytes - 1 - i] = ReverseBits(dark[i]);
        std::fill(reversed.begin(), reversed.end(), 0);
        PlaceBits(flipped.data(), bytes, -padding, reversed.data(), bytes);
        PutDarkRow(canvas, h - 1 - r, reversed.data(), bytes);
      }
    }
    destination = std::move(result);
    return;
  }
  for (std::int32_t r = 0; r < h; ++r) {
    for (std::int32_t c = 0; c < w; ++c) {
      if (source.IsWhite(r, c)) continue;
      switch (turns) {
        case 0:
          result.SetPixel(r, c, false);
          break;
        case 1:  // clockwise: the left column becomes the top row
          result.SetPixel(c, h - 1 - r, false);
          break;
        case 2:
          result.SetPixel(h - 1 - r, w - 1 - c, false);
          break;
        default:  // counter-clockwise: the top row becomes the left column
          result.SetPixel(w - 1 - c, r, false);
          break;
      }
    }
  }
  destination = std::move(result);
}

void DoubleRows(const BinBMP& source, BinBMP& destination) {
  BinBMP result = BlankPicture(source.height * 2, source.width);
  if (const std::optional<OneBitRows> rows = StraightRows(source)) {
    const OneBitCanvas canvas = CanvasOf(result);
    const std::size_t bytes = (static_cast<std::size_t>(source.width) + 7) / 8;
    std::vector<std::uint8_t> dark(bytes);
    for (std::int32_t r = 0; r < source.height; ++r) {
      ReadDarkRow(*rows, r, dark.data());
      PutDarkRow(canvas, 2 * r, dark.data(), bytes);
      PutDarkRow(canvas, 2 * r + 1, dark.data(), bytes);
    }
    destination = std::move(result);
    return;
  }
  for (std::int32_t r = 0; r < source.height; ++r) {
    for (std::int32_t c = 0; c < source.width; ++c) {
      if (source.IsWhite(r, c)) continue;
      result.SetPixel(2 * r, c, false);
      result.SetPixel(2 * r + 1, c, false);
    }
  }
  destination = std::move(result);
}

void AddWhiteBorder(const BinBMP& source, BinBMP& destination, int pixels) {
  if (pixels < 0 || pixels > kMaxPictureSide) {
    throw Error(ErrorCode::InvalidArgument,
                "a border is 0 to " + std::to_string(kMaxPictureSide) + " pixels wide");
  }
  if (source.Empty()) {
    destination.Release();
    return;
  }
  BinBMP result(source.height + 2 * pixels, source.width + 2 * pixels, 1);
  result.Clear();
  if (const std::optional<OneBitRows> rows = StraightRows(source)) {
    const OneBitCanvas canvas = CanvasOf(result);
    const std::size_t inBytes = (static_cast<std::size_t>(source.width) + 7) / 8;
    const std::size_t outBytes = (static_cast<std::size_t>(result.width) + 7) / 8;
    std::vector<std::uint8_t> dark(inBytes);
    std::vector<std::uint8_t> shifted(outBytes);
    for (std::int32_t r = 0; r < source.height; ++r) {
      ReadDarkRow(*rows, r, dark.data());
      std::fill(shifted.begin(), shifted.end(), 0);
      PlaceBits(dark.data(), inBytes, pixels, shifted.data(), outBytes);
      PutDarkRow(canvas, r + pixels, shifted.data(), outBytes);
    }
    destination = std::move(result);
    return;
  }
  for (std::int32_t r = 0; r < source.height; ++r) {
    for (std::int32_t c = 0; c < source.width; ++c) {
      if (!source.IsWhite(r, c)) result.SetPixel(r + pixels, c + pixels, false);
    }
  }
  destination = std::move(result);
}

float HoughAngle(const BinBMP& image, float from, float to, float step, const Budget* budget) {
  BinBMP edges;
  RowDifference(image, edges);
  return EdgeVotes(edges).Search(from, to, step, budget);
}

float SearchAngle(const BinBMP& image, const Budget* budget) {
  // One edge picture, and one list of its voting pixels where the thinning allows, serve all
  // three passes.
  BinBMP edges;
  RowDifference(image, edges);
  if (budget != nullptr) budget->Check();
  EdgeVotes votes(edges);
  const float coarse = votes.Search(-30.0f, 30.0f, 2.0f, budget);
  const float medium = votes.Search(coarse - 1.5f, coarse + 1.5f, 1.0f, budget);
  return votes.Search(medium - 0.5f, medium + 0.5f, 0.05f, budget);
}

float RefineAngle(const BinBMP& image, float degrees, const Budget* budget) {
  return HoughAngle(image, degrees - 1.0f, degrees + 1.0f, 0.01f, budget);
}

}  // namespace pdf417
