#include "pdf417/decoder/correct/error_correction.h"

#include <algorithm>
#include <string>
#include <vector>

#include "pdf417/common/error.h"
#include "pdf417/common/gf929.h"
#include "pdf417/common/symbol_geometry.h"

namespace pdf417 {
namespace {

constexpr int kMaxSyndromes = 512;

using Poly = std::vector<std::int32_t>;

std::int32_t Mul(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::int64_t>(a) * b % kFieldSize);
}

// S[1..n] of the received polynomial (first codeword = highest power, every one 0..928) at 3,
// 3^2, ... 3^n; S[0] = 1. Returns whether every S[i] (i >= 1) is 0.
//
// All n Horner evaluations advance together, four codewords at a time: with w the point,
// d <- c3 + w c2 + w^2 c1 + w^3 c0 + w^4 d does four Horner steps with one reduction, and the sum
// of five products of numbers below 929 fits 32 bits. The residues are those of one step at a
// time.
bool Syndromes(const std::vector<std::int32_t>& received, int n, Poly& s) {
  const std::size_t count = static_cast<std::size_t>(n);
  std::vector<std::uint32_t> w1(count);
  std::vector<std::uint32_t> w2(count);
  std::vector<std::uint32_t> w3(count);
  std::vector<std::uint32_t> w4(count);
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
  std::size_t k = 0;
  for (; k + 4 <= total; k += 4) {
    const auto c0 = static_cast<std::uint32_t>(received[k]);
    const auto c1 = static_cast<std::uint32_t>(received[k + 1]);
    const auto c2 = static_cast<std::uint32_t>(received[k + 2]);
    const auto c3 = static_cast<std::uint32_t>(received[k + 3]);
    for (std::size_t i = 0; i < count; ++i) {
      values[i] = (c3 + w1[i] * c2 + w2[i] * c1 + w3[i] * c0 + w4[i] * values[i]) % kFieldSize;
    }
  }
  for (; k < total; ++k) {
    const auto c = static_cast<std::uint32_t>(received[k]);
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
  for (std::size_t k = b.size() - 1; k > 0; --k) b[k] = b[k - 1];
  b[0] = 0;
}

// Error locator by the Berlekamp-Massey iteration.
Poly ErrorLocator(const Poly& s, int n) {
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
      delta =
          (delta + Mul(lambda[static_cast<std::size_t>(k)], s[static_cast<std::size_t>(r - k)])) %
          kFieldSize;
    }
    if (delta == 0) {
      ShiftUp(b);
      continue;
    }
    // T = Lambda - delta * x * B
    t[0] = lambda[0];
    for (std::size_t k = 0; k + 1 < size; ++k) {
      t[k + 1] = FieldReduce(static_cast<std::int64_t>(lambda[k + 1]) - Mul(delta, b[k]));
    }
    if (2 * l <= r - 1) {
      const std::int32_t inverse = FieldInverse(delta);
      for (std::size_t k = 0; k < size; ++k) b[k] = Mul(lambda[k], inverse);
      l = r - l;
    } else {
      ShiftUp(b);
    }
    lambda = t;
  }
  return lambda;
}

int Degree(const Poly& p) {
  int d = static_cast<int>(p.size()) - 1;
  while (d > 0 && p[static_cast<std::size_t>(d)] == 0) --d;
  return d;
}

// Horner evaluation of p[0..degree] at w.
std::int32_t Evaluate(const Poly& p, int degree, std::int32_t w) {
  std::int32_t value = 0;
  for (int k = degree; k >= 0; --k)
    value = (Mul(value, w) + p[static_cast<std::size_t>(k)]) % kFieldSize;
  return value;
}

// Runs the decoder on a copy; returns the count of corrections or -1, and the corrected values.
int Correct(std::vector<std::int32_t>& received, int n) {
  Poly s;
  if (Syndromes(received, n, s)) return 0;

  const Poly lambda = ErrorLocator(s, n);
  const int e = Degree(lambda);
  if (e == 0) return -1;  // errors present but none located
  // n syndromes locate at most n / 2 errors; a longer locator fits some other codeword that
  // differs from the list in more places, which is a guess and not a correction.
  if (2 * e > n) return -1;

  // Chien search over every non-zero element: a root 3^j marks the codeword of power 928 - j.
  // Term k of Lambda(3^j) is lambda_k 3^(jk); going from j to j + 1 multiplies it by 3^k. The
  // sum of the e + 1 terms (each below 929) fits 32 bits and is reduced once.
  std::vector<std::uint32_t> terms(static_cast<std::size_t>(e) + 1);
  std::vector<std::uint32_t> steps(static_cast<std::size_t>(e) + 1);
  for (int k = 0; k <= e; ++k) {
    terms[static_cast<std::size_t>(k)] =
        static_cast<std::uint32_t>(lambda[static_cast<std::size_t>(k)]);
    steps[static_cast<std::size_t>(k)] = static_cast<std::uint32_t>(FieldPow3(k));
  }
  std::vector<std::int32_t> roots;
  std::vector<int> positions;
  std::int32_t w = 3;
  for (int j = 1; j <= kFieldSize - 1; ++j) {
    std::uint32_t sum = 0;
    for (std::size_t k = 0; k < terms.size(); ++k) {
      terms[k] = terms[k] * steps[k] % kFieldSize;
      sum += terms[k];
    }
    if (sum % kFieldSize == 0) {
      roots.push_back(w);
      positions.push_back(kFieldSize - 1 - j);
    }
    w = Mul(w, 3);
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
      sum = (sum + Mul(s[static_cast<std::size_t>(l - m)], lambda[static_cast<std::size_t>(m)])) %
            kFieldSize;
    }
    omega[static_cast<std::size_t>(l)] = sum;
  }
  const int omegaDegree = Degree(omega);

  // Forney: the value to add at each root w is Omega(w) * w^-1 / Lambda'(w).
  std::vector<std::int32_t> values;
  for (const std::int32_t root : roots) {
    const std::int32_t o = Evaluate(omega, omegaDegree, root);
    const std::int32_t t = FieldInverse(root);
    std::int32_t u = Mul(e, lambda[static_cast<std::size_t>(e)]);
    for (int j = e - 1; j >= 1; --j) {
      u = (Mul(u, root) + Mul(j, lambda[static_cast<std::size_t>(j)])) % kFieldSize;
    }
    if (u == 0) return -1;
    const std::int32_t v = kFieldSize - Mul(Mul(o, kFieldSize - t), FieldInverse(u));
    values.push_back(v);
  }

  for (std::size_t k = 0; k < positions.size(); ++k) {
    std::int32_t& c = received[static_cast<std::size_t>(count - 1 - positions[k])];
    c = (c + values[k]) % kFieldSize;
  }
  return static_cast<int>(roots.size());
}

// x^power in the field, power >= 0.
std::int32_t Pow(std::int32_t x, int power) {
  std::int32_t result = 1;
  for (; power > 0; power >>= 1) {
    if (power & 1) result = Mul(result, x);
    x = Mul(x, x);
  }
  return result;
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
    std::int32_t delta = 0;
    for (int j = 0; j <= r - 1; ++j) {
      delta =
          (delta + Mul(lambda[static_cast<std::size_t>(j)], s[static_cast<std::size_t>(r - j)])) %
          kFieldSize;
    }
    if (delta == 0) {
      ShiftUp(b);
      continue;
    }
    t[0] = lambda[0];
    for (std::size_t j = 0; j + 1 < size; ++j) {
      t[j + 1] = FieldReduce(static_cast<std::int64_t>(lambda[j + 1]) - Mul(delta, b[j]));
    }
    if (2 * l <= r - 1 + f) {
      const std::int32_t inverse = FieldInverse(delta);
      for (std::size_t j = 0; j < size; ++j) b[j] = Mul(lambda[j], inverse);
      l = r - l + f;
    } else {
      ShiftUp(b);
    }
    lambda = t;
  }
  return lambda;
}

}  // namespace

void Tally(CountMost& votes, std::int32_t key) {
  MyLinkedList<OccurCnt>& entries = votes.entries;
  for (entries.Reset(0); !entries.AtEnd(); entries.Advance()) {
    const OccurCnt entry = entries.Data();
    if (entry.key == key) {
      entries.SetAtCursor(entry.count + 1, key);
      return;
    }
  }
  entries.Append(OccurCnt{0, key});
}

std::int32_t Winner(CountMost& votes) {
  MyLinkedList<OccurCnt>& entries = votes.entries;
  if (entries.Size() == 0) {
    votes.best = 0;
    return 0;
  }
  entries.Reset(0);
  OccurCnt choice = entries.Data();
  for (; !entries.AtEnd(); entries.Advance()) {
    if (entries.Data().count > choice.count) choice = entries.Data();
  }
  votes.best = choice.count;
  return choice.key;
}

void ReadLevel(LinearDecode& matrix) {
  const std::int32_t rows = matrix.rowCount;
  const std::int32_t cols = matrix.colCount;
  CountMost votes;
  for (std::int32_t i = 0; i < rows; ++i) {
    // Rows 1, 4, 7, ... carry the level in the left indicator, rows 2, 5, 8, ... in the right.
    std::int32_t column = -1;
    if (LeftIndicatorFact(i) == IndicatorFact::Level) column = 1;
    if (RightIndicatorFact(i) == IndicatorFact::Level) column = cols - 2;
    if (column < 0 || column >= cols) continue;
    const std::int32_t indicator =
        matrix.codewordGrid[static_cast<std::size_t>(i)][static_cast<std::size_t>(column)];
    Tally(votes, LevelFromIndicator(i, indicator, rows));
  }
  matrix.ecLevel = Winner(votes);

  // Every level of 0..8 voted for, most votes first; equal votes in the order of the first vote,
  // so that the winner leads whenever it is a level at all.
  std::vector<OccurCnt> tallies;
  MyLinkedList<OccurCnt>& entries = votes.entries;
  for (entries.Reset(0); !entries.AtEnd(); entries.Advance()) {
    const OccurCnt entry = entries.Data();
    if (entry.key >= kMinLevel && entry.key <= kMaxLevel) tallies.push_back(entry);
  }
  std::stable_sort(tallies.begin(), tallies.end(),
                   [](const OccurCnt& a, const OccurCnt& b) { return a.count > b.count; });
  matrix.levelCandidates.clear();
  for (const OccurCnt& entry : tallies) matrix.levelCandidates.push_back(entry.key);
}

int CorrectErrors(LinkedList<int>& codewords, int n) {
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
  const int result = Correct(corrected, n);
  if (result <= 0) return result;  // 0: consistent as read
  // Keep a correction only if it leads to a consistent list; otherwise the errors were more
  // than the level can locate, and the list stays as read.
  Poly s;
  if (!Syndromes(corrected, n, s)) return -1;

  std::size_t k = 0;
  for (codewords.Reset(0); !codewords.AtEnd(); codewords.Advance())
    codewords.Data() = corrected[k++];
  return result;
}

}  // namespace pdf417

namespace pdf417 {

int CorrectErrorsAndErasures(std::vector<int>& codewords, int k,
                             const std::vector<int>& erasurePositions) {
  const int count = static_cast<int>(codewords.size());
  if (k < 0 || k > kMaxSyndromes || count == 0) return k == 0 && erasurePositions.empty() ? 0 : -1;

  std::vector<int> erased(erasurePositions);
  std::sort(erased.begin(), erased.end());
  erased.erase(std::unique(erased.begin(), erased.end()), erased.end());
  for (const int p : erased) {
    if (p < 0 || p >= count) return -1;
  }
  const int f = static_cast<int>(erased.size());
  if (f > 0 && f > k - 2) return -1;

  // The codeword at index i is the coefficient of x^(count - 1 - i); an erased one counts as 0.
  std::vector<std::int32_t> received(codewords.size());
  std::vector<bool> isErased(codewords.size(), false);
  for (const int p : erased) isErased[static_cast<std::size_t>(p)] = true;
  for (std::size_t i = 0; i < codewords.size(); ++i) {
    const int c = codewords[i];
    if (isErased[i]) continue;
    if (c < 0 || c >= kFieldSize) return -1;
    received[i] = c;
  }
  if (k == 0) return f == 0 ? 0 : -1;

  Poly s;
  const bool clean = Syndromes(received, k, s);
  if (clean && f == 0) return 0;

  // Erasure locator: the product of (1 - X x) over the erased places, X = 3^power.
  Poly gamma(1, 1);
  for (const int p : erased) {
    const std::int32_t x = Pow(3, count - 1 - p);
    gamma.push_back(0);
    for (std::size_t j = gamma.size() - 1; j > 0; --j) {
      gamma[j] = FieldReduce(gamma[j] - static_cast<std::int64_t>(Mul(x, gamma[j - 1])));
    }
  }
  int l = 0;
  const Poly lambda = ErrataLocator(s, k, gamma, f, l);
  const int degree = Degree(lambda);
  if (degree != l) return -1;
  const int errors = l - f;
  if (errors < 0 || 2 * errors + f > k - 2) return -1;

  // Places whose inverse locator is a root, among the list's own places only.
  std::vector<int> places;
  for (int i = 0; i < count; ++i) {
    const std::int32_t inverse = FieldInverse(Pow(3, count - 1 - i));
    if (Evaluate(lambda, degree, inverse) == 0) places.push_back(i);
  }
  if (static_cast<int>(places.size()) != degree) return -1;

  // Error evaluator Omega = S(x) Lambda(x) mod x^k with S(x) = sum S[j + 1] x^j; Forney gives
  // the value at place X as -Omega(1/X) / Lambda'(1/X).
  Poly omega(static_cast<std::size_t>(k), 0);
  for (int j = 0; j < k; ++j) {
    std::int64_t sum = 0;
    for (int m = 0; m <= j && m <= degree; ++m) {
      sum += Mul(s[static_cast<std::size_t>(j - m + 1)], lambda[static_cast<std::size_t>(m)]);
    }
    omega[static_cast<std::size_t>(j)] = FieldReduce(sum);
  }
  Poly derivative(static_cast<std::size_t>(std::max(degree, 1)), 0);
  for (int j = 1; j <= degree; ++j) {
    derivative[static_cast<std::size_t>(j - 1)] =
        Mul(j % kFieldSize, lambda[static_cast<std::size_t>(j)]);
  }
  std::vector<std::int32_t> corrected = received;
  for (const int i : places) {
    const std::int32_t inverse = FieldInverse(Pow(3, count - 1 - i));
    const std::int32_t d = Evaluate(derivative, static_cast<int>(derivative.size()) - 1, inverse);
    if (d == 0) return -1;
    const std::int32_t value = Mul(Evaluate(omega, k - 1, inverse), FieldInverse(d));
    std::int32_t& c = corrected[static_cast<std::size_t>(i)];
    c = FieldReduce(static_cast<std::int64_t>(c) + value);  // subtracting -value
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
