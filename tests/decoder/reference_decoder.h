// The plain, pixel-by-pixel versions of the decoder's fast paths, as the decoder first had them.
// The tests hold the fast paths to exactly their results.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "pdf417/common/error.h"
#include "pdf417/common/gf929.h"
#include "pdf417/common/linked_list.h"
#include "pdf417/common/patterns.h"
#include "pdf417/decoder/bin_bmp.h"
#include "pdf417/decoder/image_amend.h"
#include "pdf417/decoder/image_transforms.h"
#include "pdf417/decoder/linear_decode.h"
#include "pdf417/decoder/row_col_detect.h"

namespace reference {

using namespace pdf417;

constexpr double kPi = 3.14159265358979323846;
constexpr int kMaxSyndromes = 512;
using Poly = std::vector<std::int32_t>;

// The white test one pixel at a time, through the sampling rotation.
inline bool IsWhite(const BinBMP& image, std::int32_t row, std::int32_t col) {
  std::int64_t r = row;
  std::int64_t c = col;
  if (image.angle != 0.0f) {
    const double cs = image.cosAngle;
    const double sn = image.sinAngle;
    const double rr = std::trunc(row * cs - col * sn);
    const double cc = std::trunc(row * sn + col * cs);
    if (rr < 0 || cc < 0 || rr >= image.height || cc >= image.width) return true;
    r = static_cast<std::int64_t>(rr);
    c = static_cast<std::int64_t>(cc);
  }
  if (r < 0 || c < 0 || r >= image.height || c >= image.width) return true;
  const auto ri = static_cast<std::int32_t>(r);
  const auto ci = static_cast<std::int32_t>(c);
  if (image.bitCount != 1) {
    return ((image.GetColor(ri, ci) >> 16) & 0xFF) >= kBinarizeThreshold;
  }
  const std::uint8_t byte =
      image.pixelData[static_cast<std::size_t>(image.height - 1 - ri) *
                          static_cast<std::size_t>(image.Stride()) +
                      static_cast<std::size_t>(ci / 8)];
  const bool bit = (byte >> (7 - ci % 8)) & 1;
  return bit == image.SetBitIsWhite();
}

inline void Binarize(const BinBMP& source, BinBMP& destination) {
  if (source.Empty()) {
    destination.Release();
    return;
  }
  BinBMP result(source.height, source.width, 1);
  result.Clear();
  for (std::int32_t r = 0; r < source.height; ++r) {
    for (std::int32_t c = 0; c < source.width; ++c) {
      const std::uint32_t blue = (source.GetColor(r, c) >> 16) & 0xFF;
      if (blue < kBinarizeThreshold) result.SetPixel(r, c, false);
    }
  }
  destination = std::move(result);
}

inline const BinBMP& OneBit(const BinBMP& source, BinBMP& scratch) {
  if (source.bitCount == 1) return source;
  reference::Binarize(source, scratch);
  return scratch;
}

inline float ToRadians(float degrees) {
  return static_cast<float>(static_cast<double>(degrees) * (1.0 / 180.0) * kPi);
}

inline BinBMP BlankPicture(std::int32_t height, std::int32_t width) {
  if (height <= 0 || width <= 0) return BinBMP();
  BinBMP picture(height, width, 1);
  picture.Clear();
  return picture;
}

inline float HoughOnEdges(const BinBMP& edges, float from, float to, float step) {
  const std::int32_t nAngles = pdf417::AngleCandidates(from, to, step);
  if (nAngles <= 0 || edges.Empty()) return from;

  std::int32_t nRho = edges.height;
  if (nRho > 500) nRho /= 2;
  const std::int32_t rows = edges.height;
  const std::int32_t cols = edges.width > 800 ? edges.width / 2 : edges.width;

  std::vector<double> cosines(static_cast<std::size_t>(nAngles));
  std::vector<double> sines(static_cast<std::size_t>(nAngles));
  for (std::int32_t i = 0; i < nAngles; ++i) {
    const float degrees = from + step * static_cast<float>(i);
    const float theta = reference::ToRadians(degrees);
    cosines[static_cast<std::size_t>(i)] = static_cast<float>(std::cos(static_cast<double>(theta)));
    sines[static_cast<std::size_t>(i)] = static_cast<float>(std::sin(static_cast<double>(theta)));
  }

  std::vector<std::int32_t> votes(
      static_cast<std::size_t>(nAngles) * static_cast<std::size_t>(nRho), 0);
  auto vote = [&](std::int32_t r, std::int32_t c) {
    for (std::int32_t i = 0; i < nAngles; ++i) {
      const double rho = std::trunc(r * cosines[static_cast<std::size_t>(i)] +
                                    c * sines[static_cast<std::size_t>(i)]);
      if (rho >= 1 && rho < nRho) {
        ++votes[static_cast<std::size_t>(i) * static_cast<std::size_t>(nRho) +
                static_cast<std::size_t>(rho)];
      }
    }
  };

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
        if (bit != setIsWhite) vote(r, c);
      }
    }
  } else {
    for (std::int32_t r = 0; r < rows; ++r) {
      for (std::int32_t c = 0; c < cols; ++c) {
        if (!reference::IsWhite(edges, r, c)) vote(r, c);
      }
    }
  }

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

inline void Transpose(const BinBMP& source, BinBMP& destination) {
  BinBMP result = reference::BlankPicture(source.width, source.height);
  for (std::int32_t r = 0; r < source.height; ++r) {
    for (std::int32_t c = 0; c < source.width; ++c) {
      if (!reference::IsWhite(source, r, c)) result.SetPixel(c, r, false);
    }
  }
  destination = std::move(result);
}

inline void Rotate(const BinBMP& source, BinBMP& destination, float degrees) {
  BinBMP scratch;
  const BinBMP& input = reference::OneBit(source, scratch);
  BinBMP result = input;
  result.Clear();
  const float theta = reference::ToRadians(degrees);
  const double cs = static_cast<float>(std::cos(static_cast<double>(theta)));
  const double sn = static_cast<float>(std::sin(static_cast<double>(theta)));
  for (std::int32_t r = 0; r < result.height; ++r) {
    for (std::int32_t c = 0; c < result.width; ++c) {
      const double sr = std::trunc(cs * r - sn * c);
      const double sc = std::trunc(sn * r + cs * c);
      if (sr < 0 || sc < 0 || sr >= input.height || sc >= input.width) continue;
      if (!reference::IsWhite(input, static_cast<std::int32_t>(sr), static_cast<std::int32_t>(sc))) {
        result.SetPixel(r, c, false);
      }
    }
  }
  destination = std::move(result);
}

inline void TurnRightAngle(const BinBMP& source, BinBMP& destination, int quarterTurns) {
  const int turns = ((quarterTurns % 4) + 4) % 4;
  const std::int32_t h = source.height;
  const std::int32_t w = source.width;
  BinBMP result = turns % 2 == 0 ? reference::BlankPicture(h, w) : reference::BlankPicture(w, h);
  for (std::int32_t r = 0; r < h; ++r) {
    for (std::int32_t c = 0; c < w; ++c) {
      if (reference::IsWhite(source, r, c)) continue;
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

inline void DoubleRows(const BinBMP& source, BinBMP& destination) {
  BinBMP result = reference::BlankPicture(source.height * 2, source.width);
  for (std::int32_t r = 0; r < source.height; ++r) {
    for (std::int32_t c = 0; c < source.width; ++c) {
      if (reference::IsWhite(source, r, c)) continue;
      result.SetPixel(2 * r, c, false);
      result.SetPixel(2 * r + 1, c, false);
    }
  }
  destination = std::move(result);
}

inline void AddWhiteBorder(const BinBMP& source, BinBMP& destination, int pixels) {
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
      if (!reference::IsWhite(source, r, c)) result.SetPixel(r + pixels, c + pixels, false);
    }
  }
  destination = std::move(result);
}

inline float HoughAngle(const BinBMP& image, float from, float to, float step) {
  BinBMP edges;
  RowDifference(image, edges);
  return reference::HoughOnEdges(edges, from, to, step);
}

inline float SearchAngle(const BinBMP& image) {
  // One edge picture serves all three passes.
  BinBMP edges;
  RowDifference(image, edges);
  const float coarse = reference::HoughOnEdges(edges, -30.0f, 30.0f, 2.0f);
  const float medium = reference::HoughOnEdges(edges, coarse - 1.5f, coarse + 1.5f, 1.0f);
  return reference::HoughOnEdges(edges, medium - 0.5f, medium + 0.5f, 0.05f);
}

inline float RefineAngle(const BinBMP& image, float degrees) {
  return reference::HoughAngle(image, degrees - 1.0f, degrees + 1.0f, 0.01f);
}


inline void RowDarkCounts(const BinBMP& image, Profile& rowProfile) {
  for (std::int32_t r = 1; r < image.height; ++r) {
    std::int32_t dark = 0;
    for (std::int32_t c = 0; c < image.width; ++c) {
      if (!reference::IsWhite(image, r, c)) ++dark;
    }
    rowProfile[static_cast<std::size_t>(r)] += dark;
  }
}

inline void RowDarkCountsInColumns(const BinBMP& image, Profile& rowProfile, std::int32_t a,
                            std::int32_t b) {
  // Everything outside the picture is white, so only columns inside it can count.
  const std::int32_t from = std::max(a, 0);
  const std::int32_t to = std::min(b, image.width);
  for (std::int32_t r = 0; r < image.height; ++r) {
    std::int32_t dark = 0;
    for (std::int32_t c = from; c < to; ++c) {
      if (!reference::IsWhite(image, r, c)) ++dark;
    }
    rowProfile[static_cast<std::size_t>(r)] += dark;
  }
}

inline void ColumnDarkCounts(const BinBMP& image, Profile& colProfile, std::int32_t a, std::int32_t b) {
  if (b == 0) b = image.height;
  const std::int32_t from = std::max(a, 0);
  const std::int32_t to = std::min(b, image.height);
  for (std::int32_t c = 0; c < image.width; ++c) {
    std::int32_t dark = 0;
    for (std::int32_t r = from; r < to; ++r) {
      if (!reference::IsWhite(image, r, c)) ++dark;
    }
    colProfile[static_cast<std::size_t>(c)] = dark;
  }
}

inline CellWidths SampleCell(const BinBMP& image, const AryRegion& row, const AryRegion& col) {
  CellWidths widths{};
  const std::int32_t a = row.first;
  const std::int32_t b = row.last;
  const std::int32_t c = col.first;
  const std::int32_t n = col.last - col.first + 1;
  if (n <= 0) return widths;

  // A pixel column is a bar when more than half of the cell's rows are dark in it.
  std::vector<bool> bar(static_cast<std::size_t>(n));
  const std::int32_t needed = (b - a) / 2;
  for (std::int32_t k = 0; k < n; ++k) {
    std::int32_t dark = 0;
    for (std::int32_t y = a; y <= b; ++y) {
      if (!reference::IsWhite(image, y, c + k)) ++dark;
    }
    bar[static_cast<std::size_t>(k)] = dark > needed;
  }

  // Runs from the first bar column on; space columns in front of it are skipped.
  std::int32_t s = 0;
  while (s < n && !bar[static_cast<std::size_t>(s)]) ++s;
  if (s == n) s = 0;
  std::vector<std::int32_t> runs;
  bool expected = true;
  for (std::int32_t k = s; k < n; ++k) {
    if (bar[static_cast<std::size_t>(k)] != expected) {
      runs.push_back(k - s);
      s = k;
      expected = !expected;
    }
  }
  // The run reaching the cell's right end counts only while fewer than eight were found.
  if (runs.size() < widths.size()) runs.push_back(n - s);
  for (std::size_t i = 0; i < widths.size() && i < runs.size(); ++i) widths[i] = runs[i];

  pdf417::NormalizeWidths(widths);
  return widths;
}

inline std::int32_t PatternValue(const CellWidths& modules) {
  std::int32_t value = 0;
  int laid = 0;
  for (std::size_t i = 0; i < modules.size() && laid < kModulesPerCodeword; ++i) {
    const std::int32_t bit = i % 2 == 0 ? 1 : 0;
    for (std::int32_t k = 0; k < modules[i] && laid < kModulesPerCodeword; ++k) {
      value = value * 2 + bit;
      ++laid;
    }
  }
  return value << (kModulesPerCodeword - laid);
}

inline std::int32_t LookupCodeword(std::int32_t value, const PatternEntry (&table)[kCodewordCount]) {
  for (int k = 0; k + 1 < kCodewordCount; ++k) {
    if (table[k].value <= value && value < table[k + 1].value) return table[k].codewordPlusOne - 1;
  }
  return table[kCodewordCount - 1].codewordPlusOne - 1;
}

inline std::int32_t Mul(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::int64_t>(a) * b % kFieldSize);
}

// S[1..n] of the received polynomial (first codeword = highest power) at 3, 3^2, ... 3^n;
// S[0] = 1. Returns whether every S[i] (i >= 1) is 0.
inline bool Syndromes(const std::vector<std::int32_t>& received, int n, Poly& s) {
  s.assign(static_cast<std::size_t>(n) + 1, 0);
  s[0] = 1;
  bool clean = true;
  std::int32_t w = 3;
  for (int i = 1; i <= n; ++i) {
    std::int32_t d = 0;
    for (const std::int32_t c : received) d = (c + reference::Mul(w, d)) % kFieldSize;
    s[static_cast<std::size_t>(i)] = d;
    if (d != 0) clean = false;
    w = reference::Mul(w, 3);
  }
  return clean;
}

// Multiplies a polynomial by the variable, dropping the top coefficient.
inline void ShiftUp(Poly& b) {
  for (std::size_t k = b.size() - 1; k > 0; --k) b[k] = b[k - 1];
  b[0] = 0;
}

// Error locator by the Berlekamp-Massey iteration.
inline Poly ErrorLocator(const Poly& s, int n) {
  const std::size_t size = static_cast<std::size_t>(n) + 1;
  Poly lambda(size, 0);
  Poly b(size, 0);
  Poly t(size, 0);
  lambda[0] = 1;
  b[0] = 1;
  int l = 0;
  for (int r = 1; r <= n; ++r) {
    std::int32_t delta = 0;
    for (int k = 0; k <= r - 1; ++k) {
      delta = (delta + reference::Mul(lambda[static_cast<std::size_t>(k)],
                           s[static_cast<std::size_t>(r - k)])) %
              kFieldSize;
    }
    if (delta == 0) {
      reference::ShiftUp(b);
      continue;
    }
    // T = Lambda - delta * x * B
    t[0] = lambda[0];
    for (std::size_t k = 0; k + 1 < size; ++k) {
      t[k + 1] = FieldReduce(static_cast<std::int64_t>(lambda[k + 1]) - reference::Mul(delta, b[k]));
    }
    if (2 * l <= r - 1) {
      const std::int32_t inverse = FieldInverse(delta);
      for (std::size_t k = 0; k < size; ++k) b[k] = reference::Mul(lambda[k], inverse);
      l = r - l;
    } else {
      reference::ShiftUp(b);
    }
    lambda = t;
  }
  return lambda;
}

inline int Degree(const Poly& p) {
  int d = static_cast<int>(p.size()) - 1;
  while (d > 0 && p[static_cast<std::size_t>(d)] == 0) --d;
  return d;
}

// Horner evaluation of p[0..degree] at w.
inline std::int32_t Evaluate(const Poly& p, int degree, std::int32_t w) {
  std::int32_t value = 0;
  for (int k = degree; k >= 0; --k) value = (reference::Mul(value, w) + p[static_cast<std::size_t>(k)]) % kFieldSize;
  return value;
}

// Runs the decoder on a copy; returns the count of corrections or -1, and the corrected values.
inline int Correct(std::vector<std::int32_t>& received, int n) {
  Poly s;
  if (reference::Syndromes(received, n, s)) return 0;

  const Poly lambda = reference::ErrorLocator(s, n);
  const int e = reference::Degree(lambda);
  if (e == 0) return -1;  // errors present but none located

  // Chien search over every non-zero element: a root 3^j marks the codeword of power 928 - j.
  std::vector<std::int32_t> roots;
  std::vector<int> positions;
  std::int32_t w = 3;
  for (int j = 1; j <= kFieldSize - 1; ++j) {
    if (reference::Evaluate(lambda, e, w) == 0) {
      roots.push_back(w);
      positions.push_back(kFieldSize - 1 - j);
    }
    w = reference::Mul(w, 3);
  }
  if (static_cast<int>(roots.size()) != e) return -1;

  const int count = static_cast<int>(received.size());
  for (const int position : positions) {
    if (position >= count) return -1;  // an error located outside the list
  }

  // Error evaluator: (1 + S(x)) * Lambda(x), cut after the power n.
  const std::size_t size = static_cast<std::size_t>(n) + 1;
  Poly omega(size, 0);
  omega[0] = 1;
  for (int l = 1; l <= n; ++l) {
    std::int32_t sum = 0;
    for (int m = 0; m <= e && m <= l; ++m) {
      sum = (sum + reference::Mul(s[static_cast<std::size_t>(l - m)], lambda[static_cast<std::size_t>(m)])) %
            kFieldSize;
    }
    omega[static_cast<std::size_t>(l)] = sum;
  }
  const int omegaDegree = reference::Degree(omega);

  // Forney: the value to add at each root w is Omega(w) * w^-1 / Lambda'(w).
  std::vector<std::int32_t> values;
  for (const std::int32_t root : roots) {
    const std::int32_t o = reference::Evaluate(omega, omegaDegree, root);
    const std::int32_t t = FieldInverse(root);
    std::int32_t u = reference::Mul(e, lambda[static_cast<std::size_t>(e)]);
    for (int j = e - 1; j >= 1; --j) {
      u = (reference::Mul(u, root) + reference::Mul(j, lambda[static_cast<std::size_t>(j)])) % kFieldSize;
    }
    if (u == 0) return -1;
    const std::int32_t v = kFieldSize - reference::Mul(reference::Mul(o, kFieldSize - t), FieldInverse(u));
    values.push_back(v);
  }

  for (std::size_t k = 0; k < positions.size(); ++k) {
    std::int32_t& c = received[static_cast<std::size_t>(count - 1 - positions[k])];
    c = (c + values[k]) % kFieldSize;
  }
  return static_cast<int>(roots.size());
}


inline int CorrectErrors(LinkedList<int>& codewords, int n) {
  if (n < 0 || n > kMaxSyndromes) {
    throw Error(ErrorCode::InvalidArgument,
                "count of error-correction codewords must be 0 to 512, not " + std::to_string(n));
  }
  if (n == 0 || codewords.Size() == 0) return 0;

  std::vector<std::int32_t> received;
  received.reserve(static_cast<std::size_t>(codewords.Size()));
  for (codewords.Reset(0); !codewords.AtEnd(); codewords.Advance()) {
    const int c = codewords.Data();
    if (c < 0 || c >= kFieldSize) return -1;  // not a codeword: nothing to compute with
    received.push_back(c);
  }

  std::vector<std::int32_t> corrected = received;
  const int result = reference::Correct(corrected, n);
  if (result <= 0) return result;  // 0: consistent as read
  // Keep a correction only if it leads to a consistent list; otherwise the errors were more
  // than the level can locate, and the list stays as read.
  Poly s;
  if (!reference::Syndromes(corrected, n, s)) return -1;

  std::size_t k = 0;
  for (codewords.Reset(0); !codewords.AtEnd(); codewords.Advance()) codewords.Data() = corrected[k++];
  return result;
}

}  // namespace reference
