// Whole-picture transforms and the search for the dominant edge direction by line voting.
//
// Every transform reads its source matrix a byte (eight pixels) at a time and builds one new
// matrix; the BinBMP forms read the picture as its white test does (binarised, through its
// sampling rotation), transform that matrix and hand back a one-bit BinBMP.
#include "pdf417/decoder/classic/image_transforms.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
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

// A light matrix of the given size; empty when either side is 0. Throws pdf417::Error
// (InvalidArgument) beyond the limits of pictures made in memory.
BitMatrix Blank(std::int64_t height, std::int64_t width) {
  if (height <= 0 || width <= 0) return BitMatrix();
  if (height > kMaxPictureSide || width > kMaxPictureSide ||
      (width + 7) / 8 * height > kMaxPictureBytes) {
    throw Error(ErrorCode::InvalidArgument, "a picture of " + std::to_string(width) + " x " +
                                                std::to_string(height) + " pixels is too large");
  }
  return BitMatrix(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
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

// Mirrors the source over its diagonal, eight by eight pixels: destination (y, x) = source
// (x', c) with c = y (or width - 1 - y when flipColumns) and x' = x (or height - 1 - x when
// flipRows).
BitMatrix TransposeFlipped(const BitMatrix& source, bool flipRows, bool flipColumns) {
  BitMatrix result = Blank(source.Width(), source.Height());
  const std::int32_t h = source.Height();
  const std::int32_t w = source.Width();
  const std::size_t bytes = source.Stride();
  const std::uint8_t* lines[8];
  for (std::int32_t x0 = 0; x0 < h; x0 += 8) {
    for (int k = 0; k < 8; ++k) {
      const std::int32_t x = x0 + k;
      lines[k] = x < h ? source.Row(flipRows ? h - 1 - x : x) : nullptr;
    }
    const std::size_t column = static_cast<std::size_t>(x0) / 8;
    for (std::size_t j = 0; j < bytes; ++j) {
      std::uint64_t block = 0;
      for (int k = 0; k < 8; ++k) {
        if (lines[k] == nullptr) continue;
        block |= static_cast<std::uint64_t>(lines[k][j]) << (56 - 8 * k);
      }
      if (block == 0) continue;
      block = TransposeBlock(block);
      for (int m = 0; m < 8; ++m) {
        const auto c = static_cast<std::int32_t>(j * 8) + m;
        if (c >= w) break;
        const auto dark = static_cast<std::uint8_t>(block >> (56 - 8 * m));
        if (dark != 0) result.Row(flipColumns ? w - 1 - c : c)[column] = dark;
      }
    }
  }
  return result;
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

// The pixels that vote: all rows, and the left half of the columns of a picture wider than 800.
// Of an edge picture, its dark pixels; of a picture (changes), the pixels that differ from the one
// above them, which are the edge picture's dark pixels without making it. Calls f(row, col) for
// each, in row order.
template <typename F>
void ForEachVoter(const BitMatrix& picture, bool changes, const Budget* budget, F&& f) {
  const std::int32_t cols = picture.Width() > 800 ? picture.Width() / 2 : picture.Width();
  std::vector<std::uint8_t> change(changes ? picture.Stride() : 0);
  const OneBitRows rows = picture.Rows();
  const OneBitRows changed(change.data(), picture.Width(), 1, change.size());
  for (std::int32_t r = 0; r < picture.Height(); ++r) {
    if (budget != nullptr && r % 256 == 0) budget->Check();
    if (!changes) {
      f(r, rows, r, cols);
    } else if (r > 0) {  // the top row has no row above to differ from
      const std::uint8_t* upper = picture.Row(r - 1);
      const std::uint8_t* lower = picture.Row(r);
      for (std::size_t i = 0; i < change.size(); ++i) {
        change[i] = static_cast<std::uint8_t>(upper[i] ^ lower[i]);
      }
      f(r, changed, 0, cols);
    }
  }
}

// The voting pixels, every `every`-th of them in row order.
EdgePoints VotingPoints(const BitMatrix& picture, bool changes, const Budget* budget,
                        std::int64_t every) {
  EdgePoints points;
  points.start.assign(static_cast<std::size_t>(std::max(picture.Height(), 0)) + 1, 0);
  std::int64_t index = 0;
  std::int32_t last = 0;
  ForEachVoter(picture, changes, budget,
               [&](std::int32_t r, const OneBitRows& bits, std::int32_t line, std::int32_t cols) {
                 for (std::int32_t k = last + 1; k <= r; ++k) {
                   points.start[static_cast<std::size_t>(k)] =
                       static_cast<std::int32_t>(points.columns.size());
                 }
                 last = r;
                 bits.ForEachDark(line, 0, cols, [&](std::int32_t c) {
                   if (index++ % every == 0) points.columns.push_back(c);
                 });
               });
  for (std::size_t k = static_cast<std::size_t>(last) + 1; k < points.start.size(); ++k) {
    points.start[k] = static_cast<std::int32_t>(points.columns.size());
  }
  return points;
}

// The voting pixels of a picture, listed only as thinned as a search over a number of angles
// needs: a picture of dense texture (a one-pixel checkerboard) has tens of millions of them, far
// too many to list, and at most kMaxVotes votes are cast anyway.
class Voters {
 public:
  Voters(const BitMatrix& picture, bool changes, const Budget* budget)
      : picture_(picture), changes_(changes), budget_(budget) {
    ForEachVoter(picture, changes, budget,
                 [this](std::int32_t, const OneBitRows& bits, std::int32_t line,
                        std::int32_t cols) { count_ += bits.CountDark(line, 0, cols); });
  }

  const EdgePoints& For(std::int32_t nAngles) {
    const std::int64_t votes = count_ * std::max<std::int32_t>(nAngles, 0);
    const std::int64_t every = votes > kMaxVotes ? (votes + kMaxVotes - 1) / kMaxVotes : 1;
    if (every != every_) {
      points_ = VotingPoints(picture_, changes_, budget_, every);
      every_ = every;
    }
    return points_;
  }

 private:
  const BitMatrix& picture_;
  bool changes_;
  const Budget* budget_;
  std::int64_t count_ = 0;
  std::int64_t every_ = 0;
  EdgePoints points_;
};

// The three passes of the angle search over the voting pixels.
float SearchOnVoters(Voters& voters, std::int32_t height, const Budget* budget);

// Line voting over the black pixels of an edge picture of the given height (0: an empty picture,
// which answers the lower bound). The budget, when given, is checked every few hundred rows.
float HoughOnPoints(const EdgePoints& points, std::int32_t height, float from, float to, float step,
                    const Budget* budget) {
  const std::int32_t nAngles = AngleCandidates(from, to, step);
  if (nAngles <= 0 || height <= 0) return from;

  std::int32_t nRho = height;
  if (nRho > 500) nRho /= 2;
  const auto rows = static_cast<std::int32_t>(points.start.size()) - 1;

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
  // A bounded number of votes: on pictures with very many edge pixels only every k-th one
  // (in row order) votes, so the search stays fast on any picture.
  const EdgePoints* voters = &points;
  EdgePoints thinned;
  const auto edgeCount = static_cast<std::int64_t>(points.columns.size());
  if (edgeCount * nAngles > kMaxVotes) {
    const std::int64_t every = (edgeCount * nAngles + kMaxVotes - 1) / kMaxVotes;
    thinned.start.reserve(points.start.size());
    for (std::int32_t r = 0; r < rows; ++r) {
      thinned.start.push_back(static_cast<std::int32_t>(thinned.columns.size()));
      for (std::int32_t j = points.start[static_cast<std::size_t>(r)];
           j < points.start[static_cast<std::size_t>(r) + 1]; ++j) {
        if (j % every == 0) thinned.columns.push_back(points.columns[static_cast<std::size_t>(j)]);
      }
    }
    thinned.start.push_back(static_cast<std::int32_t>(thinned.columns.size()));
    voters = &thinned;
  }

  std::vector<double> columns;
  for (std::int32_t r = 0; r < rows; ++r) {
    if (budget != nullptr && r % 256 == 0) budget->Check();
    const std::int32_t begin = voters->start[static_cast<std::size_t>(r)];
    const std::int32_t end = voters->start[static_cast<std::size_t>(r) + 1];
    if (begin == end) continue;
    columns.assign(voters->columns.begin() + begin, voters->columns.begin() + end);
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

float SearchOnVoters(Voters& voters, std::int32_t height, const Budget* budget) {
  const auto pass = [&](float from, float to, float step) {
    return HoughOnPoints(voters.For(AngleCandidates(from, to, step)), height, from, to, step,
                         budget);
  };
  const float coarse = pass(-30.0f, 30.0f, 2.0f);
  const float medium = pass(coarse - 1.5f, coarse + 1.5f, 1.0f);
  return pass(medium - 0.5f, medium + 0.5f, 0.05f);
}

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

BitMatrix Transpose(const BitMatrix& source) { return TransposeFlipped(source, false, false); }

namespace {

// ORs n bits of `from`, starting at bit `at`, into `to` from bit `into` (bit 7 of a byte first).
void CopyBitRun(const std::uint8_t* from, std::int64_t at, std::uint8_t* to, std::int64_t into,
                std::int64_t n) {
  while (n > 0) {
    const auto intoBit = static_cast<int>(into & 7);
    const int take = static_cast<int>(std::min<std::int64_t>(n, 8 - intoBit));
    const auto atBit = static_cast<int>(at & 7);
    const std::uint8_t* b = from + (at >> 3);
    const unsigned window = static_cast<unsigned>(b[0]) << 8 | (atBit + take > 8 ? b[1] : 0u);
    const unsigned bits = (window >> (16 - atBit - take)) & ((1u << take) - 1);
    to[into >> 3] = static_cast<std::uint8_t>(to[into >> 3] | bits << (8 - intoBit - take));
    at += take;
    into += take;
    n -= take;
  }
}

}  // namespace

BitMatrix Resample(const BitMatrix& source, double cosine, double sine) {
  BitMatrix result = Blank(source.Height(), source.Width());
  if (result.Empty()) return result;
  // Destination (r, c) reads source (trunc(cos r - sin c), trunc(sin r + cos c)). Along a row
  // both coordinates change by a constant step: they are followed in fixed point with 32
  // fraction bits. Truncating toward zero takes (-1, 0) to 0; below that lies outside. For a
  // small turn, the source row stays the same and the column steps by exactly one over runs of
  // many pixels: each run, worked out from the fractions, is copied as a string of bits.
  constexpr std::int64_t kOne = std::int64_t{1} << 32;
  constexpr std::int64_t kFraction = kOne - 1;
  const std::int32_t width = result.Width();
  const std::int64_t height = source.Height();
  const std::int64_t sourceWidth = source.Width();
  const std::uint8_t* base = source.Row(0);
  const auto stride = static_cast<std::int64_t>(source.Stride());
  const auto rowStep = static_cast<std::int64_t>(std::llround(-sine * static_cast<double>(kOne)));
  const auto colStep = static_cast<std::int64_t>(std::llround(cosine * static_cast<double>(kOne)));
  const std::int64_t drift = colStep - kOne;  // how far the column slips from one a pixel
  // Runs pay for their two divisions when they are long: a turn of a few degrees at most.
  const bool runs = std::fabs(sine) < 0.125 && cosine > 0;
  const auto trunc = [](std::int64_t v) { return v >= 0 ? v >> 32 : (v > -kOne ? 0 : -1); };
  // How many further steps of `step` keep a value whose fraction is f in the same whole number.
  // Both are below 2^33, so the quotient in double precision is exact in its whole part while it
  // is below 2^19; a larger one is more than any row is wide.
  const auto stay = [](std::int64_t f, std::int64_t step) -> std::int64_t {
    if (step == 0) return std::numeric_limits<std::int32_t>::max();
    const double q = step < 0 ? static_cast<double>(f) / static_cast<double>(-step)
                              : static_cast<double>(kFraction - f) / static_cast<double>(step);
    return q < 1e9 ? static_cast<std::int64_t>(q) : std::numeric_limits<std::int32_t>::max();
  };
  for (std::int32_t r = 0; r < result.Height(); ++r) {
    auto sr = static_cast<std::int64_t>(std::llround(cosine * r * static_cast<double>(kOne)));
    auto sc = static_cast<std::int64_t>(std::llround(sine * r * static_cast<double>(kOne)));
    std::uint8_t* out = result.Row(r);
    for (std::int64_t c = 0; c < width;) {
      const std::int64_t row = trunc(sr);
      const std::int64_t col = trunc(sc);
      const bool inside = row >= 0 && row < height && col >= 0 && col < sourceWidth;
      std::int64_t n = 1;
      if (inside && runs && sr >= 0 && sc >= 0) {
        n = 1 + std::min(stay(sr & kFraction, rowStep), stay(sc & kFraction, drift));
        n = std::min({n, width - c, sourceWidth - col});
        CopyBitRun(base + row * stride, col, out, c, n);
      } else if (inside) {
        const std::uint8_t b = base[row * stride + (col >> 3)];
        if ((b >> (7 - (col & 7))) & 1) out[c >> 3] |= static_cast<std::uint8_t>(0x80u >> (c & 7));
      }
      sr += n * rowStep;
      sc += n * colStep;
      c += n;
    }
  }
  return result;
}

BitMatrix Rotate(const BitMatrix& source, float degrees) {
  const float theta = ToRadians(degrees);
  return Resample(source, static_cast<float>(std::cos(static_cast<double>(theta))),
                  static_cast<float>(std::sin(static_cast<double>(theta))));
}

BitMatrix RowDifference(const BitMatrix& source) {
  BitMatrix result = Blank(source.Height(), source.Width());
  for (std::int32_t r = 1; r < result.Height(); ++r) {
    const std::uint8_t* upper = source.Row(r - 1);
    const std::uint8_t* lower = source.Row(r);
    std::uint8_t* out = result.Row(r);
    for (std::size_t j = 0; j < result.Stride(); ++j) {
      out[j] = static_cast<std::uint8_t>(upper[j] ^ lower[j]);
    }
  }
  return result;
}

BitMatrix TurnRightAngle(const BitMatrix& source, int quarterTurns) {
  const int turns = ((quarterTurns % 4) + 4) % 4;
  if (turns == 1) return TransposeFlipped(source, true, false);  // the left column becomes the top
  if (turns == 3) return TransposeFlipped(source, false, true);  // the top row becomes the left
  if (turns == 0) return source;
  // Half a turn reverses every row and puts it at the mirrored height. Reversing the bytes and
  // their bits takes column c to 8 bytes - 1 - c; the padding then lies in front and the row
  // moves left by it.
  BitMatrix result = Blank(source.Height(), source.Width());
  const std::int32_t h = source.Height();
  const std::size_t bytes = source.Stride();
  const auto padding = static_cast<std::int64_t>(bytes * 8) - source.Width();
  std::vector<std::uint8_t> flipped(bytes);
  for (std::int32_t r = 0; r < h; ++r) {
    const std::uint8_t* in = source.Row(r);
    for (std::size_t i = 0; i < bytes; ++i) flipped[bytes - 1 - i] = ReverseBits(in[i]);
    PlaceBits(flipped.data(), bytes, -padding, result.Row(h - 1 - r), bytes);
  }
  return result;
}

BitMatrix DoubleRows(const BitMatrix& source) {
  BitMatrix result = Blank(2 * static_cast<std::int64_t>(source.Height()), source.Width());
  for (std::int32_t r = 0; r < source.Height(); ++r) {
    std::copy_n(source.Row(r), source.Stride(), result.Row(2 * r));
    std::copy_n(source.Row(r), source.Stride(), result.Row(2 * r + 1));
  }
  return result;
}

BitMatrix AddWhiteBorder(const BitMatrix& source, int pixels) {
  if (pixels < 0 || pixels > kMaxPictureSide) {
    throw Error(ErrorCode::InvalidArgument,
                "a border is 0 to " + std::to_string(kMaxPictureSide) + " pixels wide");
  }
  if (source.Empty()) return BitMatrix();
  BitMatrix result = Blank(source.Height() + 2LL * pixels, source.Width() + 2LL * pixels);
  for (std::int32_t r = 0; r < source.Height(); ++r) {
    PlaceBits(source.Row(r), source.Stride(), pixels, result.Row(r + pixels), result.Stride());
  }
  return result;
}

float HoughAngle(const BitMatrix& image, float from, float to, float step, const Budget* budget) {
  Voters voters(image, true, budget);
  return HoughOnPoints(voters.For(AngleCandidates(from, to, step)), image.Height(), from, to, step,
                       budget);
}

float SearchEdgeAngle(const BitMatrix& edges, const Budget* budget) {
  Voters voters(edges, false, budget);
  return SearchOnVoters(voters, edges.Height(), budget);
}

float SearchAngle(const BitMatrix& image, const Budget* budget) {
  Voters voters(image, true, budget);
  return SearchOnVoters(voters, image.Height(), budget);
}

float RefineAngle(const BitMatrix& image, float degrees, const Budget* budget) {
  return HoughAngle(image, degrees - 1.0f, degrees + 1.0f, 0.01f, budget);
}

void Transpose(const BinBMP& source, BinBMP& destination) {
  destination = PictureOf(Transpose(MatrixOf(source)));
}

void Rotate(const BinBMP& source, BinBMP& destination, float degrees) {
  destination = PictureOf(Rotate(MatrixOf(source), degrees));
}

void RowDifference(const BinBMP& source, BinBMP& destination) {
  destination = PictureOf(RowDifference(MatrixOf(source)));
}

void TurnRightAngle(const BinBMP& source, BinBMP& destination, int quarterTurns) {
  destination = PictureOf(TurnRightAngle(MatrixOf(source), quarterTurns));
}

void DoubleRows(const BinBMP& source, BinBMP& destination) {
  destination = PictureOf(DoubleRows(MatrixOf(source)));
}

void AddWhiteBorder(const BinBMP& source, BinBMP& destination, int pixels) {
  destination = PictureOf(AddWhiteBorder(MatrixOf(source), pixels));
}

float HoughAngle(const BinBMP& image, float from, float to, float step) {
  return HoughAngle(MatrixOf(image), from, to, step);
}

float SearchAngle(const BinBMP& image) { return SearchAngle(MatrixOf(image)); }

float RefineAngle(const BinBMP& image, float degrees) {
  return RefineAngle(MatrixOf(image), degrees);
}

}  // namespace pdf417
