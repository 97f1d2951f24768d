// Reed-Solomon error-correction codewords over GF(929), for any number k of them: PDF417's levels
// (k = 2^(level + 1)) from a table built at compile time, other counts (MicroPDF417's fixed
// counts per size) from a generator expanded when asked for.
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "pdf417/common/error.h"
#include "pdf417/common/gf929.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/stages.h"

namespace pdf417 {
namespace {

constexpr int kCoefficientCount = 1022;  // 2 + 4 + ... + 512
// The register keeps its entries unreduced (see Divide), which stays below 2^32 for k <= 512.
constexpr int kMaxErrorCorrectionCount = 512;

constexpr int TableOffset(int level) { return ErrorCorrectionCount(level) - 2; }

// Expands g(x) = (x - 3)(x - 3^2)...(x - 3^k) into out[0 .. k-1], out[j] the coefficient of x^j;
// the leading 1 is left out. `work` holds k + 1 entries.
constexpr void ExpandGenerator(int k, std::int32_t* work, std::int32_t* out) {
  for (int j = 0; j <= k; ++j) work[j] = 0;
  work[0] = 1;
  int degree = 0;
  std::int32_t root = 1;
  for (int i = 1; i <= k; ++i) {
    root = (root * 3) % kFieldSize;
    const std::int32_t negRoot = kFieldSize - root;
    // Multiply by (x - root).
    work[degree + 1] = work[degree];
    for (int j = degree; j >= 1; --j) work[j] = (work[j - 1] + work[j] * negRoot) % kFieldSize;
    work[0] = (work[0] * negRoot) % kFieldSize;
    ++degree;
  }
  for (int j = 0; j < k; ++j) out[j] = work[j];
}

// The generators of every level, one after the other.
constexpr std::array<std::int32_t, kCoefficientCount> BuildCoefficients() {
  std::array<std::int32_t, kCoefficientCount> table{};
  std::int32_t work[kMaxErrorCorrectionCount + 1] = {};
  for (int level = 0; level <= kMaxLevel; ++level) {
    ExpandGenerator(ErrorCorrectionCount(level), work, table.data() + TableOffset(level));
  }
  return table;
}

constexpr std::array<std::int32_t, kCoefficientCount> kCoefficients = BuildCoefficients();

static_assert(kCoefficients[0] == 27 && kCoefficients[1] == 917, "level 0 generator");

// -c[j] modulo 929, for the register's update.
constexpr std::uint32_t Negated(std::int32_t c) {
  return static_cast<std::uint32_t>((kFieldSize - c) % kFieldSize);
}
constexpr std::array<std::uint32_t, kCoefficientCount> NegatedCoefficients() {
  std::array<std::uint32_t, kCoefficientCount> table{};
  for (int j = 0; j < kCoefficientCount; ++j) {
    table[static_cast<std::size_t>(j)] = Negated(kCoefficients[static_cast<std::size_t>(j)]);
  }
  return table;
}
constexpr std::array<std::uint32_t, kCoefficientCount> kNegatedCoefficients = NegatedCoefficients();
static_assert(kCoefficients[2] == 522 && kCoefficients[5] == 809, "level 1 generator");

void CheckCodewords(const CodewordSequence& sequence) {
  for (const std::int32_t d : sequence) {
    if (d < 0 || d >= kFieldSize) {
      throw Error(ErrorCode::InvalidArgument, "codewords must be 0 to 928");
    }
  }
}

// Appends the remainder of sequence x^k divided by the generator whose negated coefficients are
// `negated` (k of them, x^0 first), negated: the k error-correction codewords.
void Divide(const std::uint32_t* negated, std::size_t kk, CodewordSequence& sequence) {
  // Division by the generator polynomial, register ec[0..k-1]. Each data codeword d feeds
  // t = d + ec[k - 1] back, and the register shifts up by one while taking -c[j] t:
  // ec[j] = ec[j - 1] - c[j] t, ec[0] = -c[0] t, all modulo 929.
  //
  // Only the top entry must be reduced at once, to give t. The others are kept unreduced: an
  // entry is the sum of at most k products (928 - c[j]) t, each below 929^2, which for k <= 512
  // stays below 2^32; reducing at the end gives the same residues. The register lives in a
  // buffer that slides down instead of moving its entries: base + j holds ec[j].
  const std::size_t n = sequence.size();
  // A symbol holds at most 928 codewords: the register fits on the stack for every symbol;
  // longer sequences (only from direct callers) take the heap.
  std::array<std::uint32_t, 2048> onStack;
  std::vector<std::uint32_t> onHeap;
  std::uint32_t* buffer = onStack.data();
  if (n + kk > onStack.size()) {
    onHeap.resize(n + kk);
    buffer = onHeap.data();
  }
  std::fill(buffer, buffer + n + kk, 0u);
  std::size_t base = n;  // ec[j] is buffer[base + j]
  for (std::size_t i = 0; i < n; ++i) {
    const auto t = (static_cast<std::uint32_t>(sequence[i]) + buffer[base + kk - 1]) % kFieldSize;
    // Shift up: the new ec[j] (at base - 1 + j) is the old ec[j - 1] plus -c[j] t; the old top
    // entry falls out.
    --base;
    std::uint32_t* ec = buffer + base;
    ec[0] = negated[0] * t;
    for (std::size_t j = 1; j < kk; ++j) ec[j] += negated[j] * t;
  }
  for (std::size_t j = kk; j-- > 0;) {
    const std::uint32_t v = buffer[base + j] % kFieldSize;
    sequence.push_back(v == 0 ? 0 : kFieldSize - static_cast<std::int32_t>(v));
  }
}

}  // namespace

const std::int32_t* ErrorCorrectionCoefficients(int level) {
  if (level < kMinLevel || level > kMaxLevel) {
    throw Error(ErrorCode::InvalidArgument, "error-correction level must be 0 to 8");
  }
  return kCoefficients.data() + TableOffset(level);
}

void AppendErrorCorrection(int errorCorrectionLevel, CodewordSequence& sequence) {
  ErrorCorrectionCoefficients(errorCorrectionLevel);  // refuses a level outside 0..8
  CheckCodewords(sequence);
  Divide(kNegatedCoefficients.data() + TableOffset(errorCorrectionLevel),
         static_cast<std::size_t>(ErrorCorrectionCount(errorCorrectionLevel)), sequence);
}

void AppendErrorCorrectionCodewords(int count, CodewordSequence& sequence) {
  if (count < 1 || count > kMaxErrorCorrectionCount) {
    throw Error(ErrorCode::InvalidArgument, "the error-correction count must be 1 to " +
                                                std::to_string(kMaxErrorCorrectionCount) +
                                                ", got " + std::to_string(count));
  }
  CheckCodewords(sequence);
  const std::size_t k = static_cast<std::size_t>(count);
  std::vector<std::int32_t> coefficients(k);
  std::vector<std::int32_t> work(k + 1);
  ExpandGenerator(count, work.data(), coefficients.data());
  std::vector<std::uint32_t> negated(k);
  std::transform(coefficients.begin(), coefficients.end(), negated.begin(), Negated);
  Divide(negated.data(), k, sequence);
}

}  // namespace pdf417
