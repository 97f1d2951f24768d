// Reed-Solomon error-correction codewords over GF(929).
#include <array>

#include "pdf417/common/error.h"
#include "pdf417/common/gf929.h"
#include "pdf417/encoder/encoder.h"

namespace pdf417 {
namespace {

constexpr int kCoefficientCount = 1022;  // 2 + 4 + ... + 512

constexpr int TableOffset(int level) { return (1 << (level + 1)) - 2; }

// Expands g(x) = (x - 3)(x - 3^2)...(x - 3^k) for every level; entry j of a level is the
// coefficient of x^j, the leading 1 left out.
constexpr std::array<std::int32_t, kCoefficientCount> BuildCoefficients() {
  std::array<std::int32_t, kCoefficientCount> table{};
  for (int level = 0; level <= kMaxLevel; ++level) {
    const int k = 1 << (level + 1);
    std::int32_t poly[513] = {};  // poly[j] = coefficient of x^j
    poly[0] = 1;
    int degree = 0;
    std::int32_t root = 1;
    for (int i = 1; i <= k; ++i) {
      root = (root * 3) % kFieldSize;
      const std::int32_t negRoot = kFieldSize - root;
      // Multiply by (x - root).
      poly[degree + 1] = poly[degree];
      for (int j = degree; j >= 1; --j) {
        poly[j] = (poly[j - 1] + poly[j] * negRoot) % kFieldSize;
      }
      poly[0] = (poly[0] * negRoot) % kFieldSize;
      ++degree;
    }
    for (int j = 0; j < k; ++j) table[static_cast<std::size_t>(TableOffset(level) + j)] = poly[j];
  }
  return table;
}

constexpr std::array<std::int32_t, kCoefficientCount> kCoefficients = BuildCoefficients();

static_assert(kCoefficients[0] == 27 && kCoefficients[1] == 917, "level 0 generator");
static_assert(kCoefficients[2] == 522 && kCoefficients[5] == 809, "level 1 generator");

}  // namespace

const std::int32_t* ErrorCorrectionCoefficients(int level) {
  if (level < kMinLevel || level > kMaxLevel) {
    throw Error(ErrorCode::InvalidArgument, "error-correction level must be 0 to 8");
  }
  return kCoefficients.data() + TableOffset(level);
}

void AppendErrorCorrection(int errorCorrectionLevel, CodewordSequence& sequence) {
  const std::int32_t* c = ErrorCorrectionCoefficients(errorCorrectionLevel);
  const int k = ErrorCorrectionCount(errorCorrectionLevel);
  std::vector<std::int32_t> ec(static_cast<std::size_t>(k), 0);
  for (const std::int32_t d : sequence) {
    if (d < 0 || d >= kFieldSize) {
      throw Error(ErrorCode::InvalidArgument, "codewords must be 0 to 928");
    }
    const std::int32_t t = (d + ec[static_cast<std::size_t>(k - 1)]) % kFieldSize;
    for (int j = k - 1; j >= 1; --j) {
      ec[static_cast<std::size_t>(j)] =
          (ec[static_cast<std::size_t>(j - 1)] + (kFieldSize - (c[j] * t) % kFieldSize)) %
          kFieldSize;
    }
    ec[0] = (kFieldSize - (c[0] * t) % kFieldSize) % kFieldSize;
  }
  for (int j = k - 1; j >= 0; --j) {
    const std::int32_t v = ec[static_cast<std::size_t>(j)];
    sequence.push_back(v == 0 ? 0 : kFieldSize - v);
  }
}

}  // namespace pdf417
