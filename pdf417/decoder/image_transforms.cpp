// Whole-picture transforms and the search for the dominant edge direction by line voting.
#include "pdf417/decoder/image_transforms.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "pdf417/common/error.h"

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

// Line voting over the black pixels of an edge picture.
float HoughOnEdges(const BinBMP& edges, float from, float to, float step) {
  const std::int32_t nAngles = AngleCandidates(from, to, step);
  if (nAngles <= 0 || edges.Empty()) return from;

  std::int32_t nRho = edges.height;
  if (nRho > 500) nRho /= 2;
  const std::int32_t rows = edges.height;
  const std::int32_t cols = edges.width > 800 ? edges.width / 2 : edges.width;

  std::vector<double> cosines(static_cast<std::size_t>(nAngles));
  std::vector<double> sines(static_cast<std::size_t>(nAngles));
  for (std::int32_t i = 0; i < nAngles; ++i) {
    const float degrees = from + step * static_cast<float>(i);
    const float theta = ToRadians(degrees);
    cosines[static_cast<std::size_t>(i)] = static_cast<float>(std::cos(static_cast<double>(theta)));
    sines[static_cast<std::size_t>(i)] = static_cast<float>(std::sin(static_cast<double>(theta)));
  }

  std::vector<std::int32_t> votes(
      static_cast<std::size_t>(nAngles) * static_cast<std::size_t>(nRho), 0);
  std::int64_t every = 1;  // every-th edge pixel votes
  std::int64_t seen = 0;
  auto vote = [&](std::int32_t r, std::int32_t c) {
    if (seen++ % every != 0) return;
    for (std::int32_t i = 0; i < nAngles; ++i) {
      const double rho = std::trunc(r * cosines[static_cast<std::size_t>(i)] +
                                    c * sines[static_cast<std::size_t>(i)]);
      if (rho >= 1 && rho < nRho) {
        ++votes[static_cast<std::size_t>(i) * static_cast<std::size_t>(nRho) +
                static_cast<std::size_t>(rho)];
      }
    }
  };

  // Calls visit(r, c) for every edge (black) pixel in the voting area, row by row.
  auto forEachEdge = [&](auto&& visit) {
    if (edges.angle == 0.0f && edges.bitCount == 1) {
      // Straight reading of the stored rows, skipping bytes without a black pixel.
      const bool setIsWhite = edges.SetBitIsWhite();
      const std::uint8_t whiteByte = setIsWhite ? 0xFF : 0x00;
      const std::size_t stride = static_cast<std::size_t>(edges.Stride());
      for (std::int32_t r = 0; r < rows; ++r) {
        const std::uint8_t* line =
            edges.pixelData.data() + static_cast<std::size_t>(edges.height - 1 - r) * stride;
        for (std::int32_t c = 0; c < cols; ++c) {
          const std::uint8_t byte = line[c / 8];
          if (byte == whiteByte) {
            c |= 7;  // to the last pixel of this byte
            continue;
          }
          const bool bit = (byte >> (7 - c % 8)) & 1;
          if (bit != setIsWhite) visit(r, c);
        }
      }
    } else {
      for (std::int32_t r = 0; r < rows; ++r) {
        for (std::int32_t c = 0; c < cols; ++c) {
          if (!edges.IsWhite(r, c)) visit(r, c);
        }
      }
    }
  };
  if (static_cast<std::int64_t>(rows) * cols * nAngles > kMaxVotes) {
    std::int64_t edgePixels = 0;
    forEachEdge([&edgePixels](std::int32_t, std::int32_t) { ++edgePixels; });
    every = std::max<std::int64_t>(1, (edgePixels * nAngles + kMaxVotes - 1) / kMaxVotes);
  }
  forEachEdge(vote);

  // Each distance gives its votes to the angles that come within 85% of its best count.
  std::vector<std::int64_t> scores(static_cast<std::size_t>(nAngles), 0);
  for (std::int32_t rho = 0; rho < nRho; ++rho) {
    std::int32_t best = 0;
    for (std::int32_t i = 0; i < nAngles; ++i) {
      best = std::max(best, votes[static_cast<std::size_t>(i) * static_cast<std::size_t>(nRho) +
                                  static_cast<std::size_t>(rho)]);
    }
    if (best == 0) continue;
    const double threshold = 0.85 * best;
    for (std::int32_t i = 0; i < nAngles; ++i) {
      const std::int32_t count =
          votes[static_cast<std::size_t>(i) * static_cast<std::size_t>(nRho) +
                static_cast<std::size_t>(rho)];
      if (count >= threshold) scores[static_cast<std::size_t>(i)] += count;
    }
  }
  std::int32_t bestIndex = 0;
  for (std::int32_t i = 1; i < nAngles; ++i) {
    if (scores[static_cast<std::size_t>(i)] > scores[static_cast<std::size_t>(bestIndex)]) {
      bestIndex = i;
    }
  }
  return from + step * static_cast<float>(bestIndex);
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

void Transpose(const BinBMP& source, BinBMP& destination) {
  BinBMP result = BlankPicture(source.width, source.height);
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
  for (std::int32_t r = 0; r < source.height; ++r) {
    for (std::int32_t c = 0; c < source.width; ++c) {
      if (!source.IsWhite(r, c)) result.SetPixel(r + pixels, c + pixels, false);
    }
  }
  destination = std::move(result);
}

float HoughAngle(const BinBMP& image, float from, float to, float step) {
  BinBMP edges;
  RowDifference(image, edges);
  return HoughOnEdges(edges, from, to, step);
}

float SearchAngle(const BinBMP& image) {
  // One edge picture serves all three passes.
  BinBMP edges;
  RowDifference(image, edges);
  const float coarse = HoughOnEdges(edges, -30.0f, 30.0f, 2.0f);
  const float medium = HoughOnEdges(edges, coarse - 1.5f, coarse + 1.5f, 1.0f);
  return HoughOnEdges(edges, medium - 0.5f, medium + 0.5f, 0.05f);
}

float RefineAngle(const BinBMP& image, float degrees) {
  return HoughAngle(image, degrees - 1.0f, degrees + 1.0f, 0.01f);
}

}  // namespace pdf417
