#include "pdf417/decoder/correct/reed_solomon.h"

#include <algorithm>
#include <cstdint>

#include "pdf417/common/gf929.h"

namespace pdf417 {
namespace {

using Poly = std::vector<std::int32_t>;

std::int32_t Mul(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::int64_t>(a) * b % kFieldSize);
}

// S[1..k] of the received polynomial (first codeword = highest power, every one 0..928) at 3,
// 3^2, ... 3^k; S[0] = 1. Returns whether every S[i] (i >= 1) is 0.
//
// All k Horner evaluations advance together, four codewords at a time: with w the point,
// d <- c3 + w c2 + w^2 c1 + w^3 c0 + w^4 d does four Horner steps with one reduction, and the sum
// of five products of numbers below 929 fits 32 bits.
bool Syndromes(const std::vector<std::int32_t>& received, int k, Poly& s) {
  const std::size_t count = static_cast<std::size_t>(k);
  std::vector<std::uint32_t> w1(count), w2(count), w3(count), w4(count);
  std::uint32_t w = 3;
  for (std::size_t i = 0; i < count; ++i) {
    w1[i] = w;
    w2[i] = w * w % kFieldSize;
    w3[i] = w2[i] * w % kFieldSize;
    w4[i] = w3[i] * w % kFieldSize;
    w = w * 3 % kFieldSize;
  }
  std::vector<std::uint32_t> values(count, 0);
  const std::size_t total = received.size();
  std::size_t j = 0;
  for (; j + 4 <= total; j += 4) {
    const auto c0 = static_cast<std::uint32_t>(received[j]);
    const auto c1 = static_cast<std::uint32_t>(received[j + 1]);
    const auto c2 = static_cast<std::uint32_t>(received[j + 2]);
    const auto c3 = static_cast<std::uint32_t>(received[j + 3]);
    for (std::size_t i = 0; i < count; ++i) {
      values[i] = (c3 + w1[i] * c2 + w2[i] * c1 + w3[i] * c0 + w4[i] * values[i]) % kFieldSize;
    }
  }
  for (; j < total; ++j) {
    const auto c = static_cast<std::uint32_t>(received[j]);
    for (std::size_t i = 0; i < count; ++i) values[i] = (c + w1[i] * values[i]) % kFieldSize;
  }
  s.assign(count + 1, 0);
  s[0] = 1;
  bool clean = true;
  for (std::size_t i = 0; i < count; ++i) {
    s[i + 1] = static_cast<std::int32_t>(values[i]);
    if (values[i] != 0) clean = false;
  }
  return clean;
}

// Multiplies a polynomial by the variable, dropping the top coefficient.
void ShiftUp(Poly& b) {
  for (std::size_t j = b.size() - 1; j > 0; --j) b[j] = b[j - 1];
  b[0] = 0;
}

int Degree(const Poly& p) {
  int d = static_cast<int>(p.size()) - 1;
  while (d > 0 && p[static_cast<std::size_t>(d)] == 0) --d;
  return d;
}

// Horner evaluation of p[0..degree] at w.
std::int32_t Evaluate(const Poly& p, int degree, std::int32_t w) {
  std::int32_t value = 0;
  for (int j = degree; j >= 0; --j) {
    value = (Mul(value, w) + p[static_cast<std::size_t>(j)]) % kFieldSize;
  }
  return value;
}

// Errata locator by the Berlekamp-Massey iteration started from the erasure locator gamma
// (f = its degree): the result is gamma times the locator of the errors among the other places.
// s[1..k] are the syndromes. Returns the degree of the locator in l.
Poly ErrataLocator(const Poly& s, int k, const Poly& gamma, int f, int& l) {
  const std::size_t size = static_cast<std::size_t>(k) + 1;
  Poly lambda = gamma;
  lambda.resize(size, 0);
  Poly b = lambda;
  Poly t(size, 0);
  l = f;
  for (int r = f + 1; r <= k; ++r) {
    std::int64_t delta = 0;
    for (int j = 0; j <= r - 1; ++j) {
      delta += Mul(lambda[static_cast<std::size_t>(j)], s[static_cast<std::size_t>(r - j)]);
    }
    delta %= kFieldSize;
    if (delta == 0) {
      ShiftUp(b);
      continue;
    }
    const auto d = static_cast<std::int32_t>(delta);
    t[0] = lambda[0];
    for (std::size_t j = 0; j + 1 < size; ++j) {
      t[j + 1] = FieldReduce(static_cast<std::int64_t>(lambda[j + 1]) - Mul(d, b[j]));
    }
    if (2 * l <= r - 1 + f) {
      const std::int32_t inverse = FieldInverse(d);
      for (std::size_t j = 0; j < size; ++j) b[j] = Mul(lambda[j], inverse);
      l = r - l + f;
    } else {
      ShiftUp(b);
    }
    lambda.swap(t);
  }
  return lambda;
}

}  // namespace

int CorrectErrata(std::vector<int>& codewords, int k, const std::vector<int>& erasures,
                  int reserve) {
  const int count = static_cast<int>(codewords.size());
  if (k < 0 || k > kMaxErrorCorrection) return -1;

  std::vector<int> erased(erasures);
  std::sort(erased.begin(), erased.end());
  erased.erase(std::unique(erased.begin(), erased.end()), erased.end());
  for (const int p : erased) {
    if (p < 0 || p >= count) return -1;
  }
  const int f = static_cast<int>(erased.size());
  const int budget = k - std::max(reserve, 0);
  if (f > 0 && f > budget) return -1;

  // The codeword at index i is the coefficient of x^(count - 1 - i); an erased one counts as 0.
  std::vector<std::int32_t> received(codewords.size(), 0);
  std::vector<bool> isErased(codewords.size(), false);
  for (const int p : erased) isErased[static_cast<std::size_t>(p)] = true;
  for (std::size_t i = 0; i < codewords.size(); ++i) {
    if (isErased[i]) continue;
    const int c = codewords[i];
    if (c < 0 || c >= kFieldSize) return -1;
    received[i] = c;
  }
  if (k == 0 || count == 0) return f == 0 ? 0 : -1;

  Poly s;
  const bool clean = Syndromes(received, k, s);
  if (clean && f == 0) return 0;

  // Erasure locator: the product of (1 - X x) over the erased places, X = 3^power.
  Poly gamma(1, 1);
  for (const int p : erased) {
    const std::int32_t x = FieldPow3(count - 1 - p);
    gamma.push_back(0);
    for (std::size_t j = gamma.size() - 1; j > 0; --j) {
      gamma[j] = FieldReduce(gamma[j] - static_cast<std::int64_t>(Mul(x, gamma[j - 1])));
    }
  }
  int l = 0;
  const Poly lambda = ErrataLocator(s, k, gamma, f, l);
  const int degree = Degree(lambda);
  if (degree != l || degree == 0) return -1;
  const int errors = l - f;
  if (errors < 0 || 2 * errors + f > budget) return -1;

  // Chien search over the list's own places: place i is an erratum when Lambda(3^-(count-1-i))
  // vanishes. Walking i downwards, term j of the sum is multiplied by 3^-j at every step.
  const std::int32_t third = FieldInverse(3);
  std::vector<std::uint32_t> terms(static_cast<std::size_t>(degree) + 1);
  std::vector<std::uint32_t> steps(static_cast<std::size_t>(degree) + 1);
  std::int32_t step = 1;
  for (int j = 0; j <= degree; ++j) {
    terms[static_cast<std::size_t>(j)] =
        static_cast<std::uint32_t>(lambda[static_cast<std::size_t>(j)]);
    steps[static_cast<std::size_t>(j)] = static_cast<std::uint32_t>(step);
    step = Mul(step, third);
  }
  std::vector<int> places;
  for (int i = count - 1; i >= 0; --i) {
    std::uint64_t sum = 0;
    for (const std::uint32_t t : terms) sum += t;
    if (sum % kFieldSize == 0) {
      places.push_back(i);
      if (static_cast<int>(places.size()) > degree) return -1;
    }
    for (std::size_t j = 0; j < terms.size(); ++j) terms[j] = terms[j] * steps[j] % kFieldSize;
  }
  if (static_cast<int>(places.size()) != degree) return -1;

  // Error evaluator Omega = S(x) Lambda(x) mod x^k with S(x) = sum S[j + 1] x^j; Forney gives the
  // value at place X as -Omega(1/X) / Lambda'(1/X), which is subtracted from what was received.
  Poly omega(static_cast<std::size_t>(k), 0);
  for (int j = 0; j < k; ++j) {
    std::int64_t sum = 0;
    for (int m = 0; m <= j && m <= degree; ++m) {
      sum += Mul(s[static_cast<std::size_t>(j - m + 1)], lambda[static_cast<std::size_t>(m)]);
    }
    omega[static_cast<std::size_t>(j)] = FieldReduce(sum);
  }
  Poly derivative(static_cast<std::size_t>(degree), 0);
  for (int j = 1; j <= degree; ++j) {
    derivative[static_cast<std::size_t>(j - 1)] =
        Mul(j % kFieldSize, lambda[static_cast<std::size_t>(j)]);
  }
  std::vector<std::int32_t> corrected = received;
  for (const int i : places) {
    const std::int32_t inverse = FieldInverse(FieldPow3(count - 1 - i));
    const std::int32_t d = Evaluate(derivative, degree - 1, inverse);
    if (d == 0) return -1;
    const std::int32_t value = Mul(Evaluate(omega, k - 1, inverse), FieldInverse(d));
    std::int32_t& c = corrected[static_cast<std::size_t>(i)];
    c = FieldReduce(static_cast<std::int64_t>(c) + value);
  }
  if (!Syndromes(corrected, k, s)) return -1;

  int changed = 0;
  for (std::size_t i = 0; i < codewords.size(); ++i) {
    if (codewords[i] != corrected[i]) {
      codewords[i] = corrected[i];
      ++changed;
    }
  }
  return changed;
}

}  // namespace pdf417
