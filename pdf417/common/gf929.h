// Arithmetic in the prime field GF(929), shared by error-correction encoding and decoding.
#pragma once

#include <cstdint>

namespace pdf417 {

constexpr std::int32_t kFieldSize = 929;

// Reduces any int64 into 0..928.
constexpr std::int32_t FieldReduce(std::int64_t v) {
  std::int64_t r = v % kFieldSize;
  return static_cast<std::int32_t>(r < 0 ? r + kFieldSize : r);
}

constexpr std::int32_t FieldMul(std::int32_t a, std::int32_t b) { return (a * b) % kFieldSize; }

// 3 to the power e (e >= 0), modulo 929. 3 generates the multiplicative group.
constexpr std::int32_t FieldPow3(std::int32_t e) {
  std::int32_t result = 1;
  std::int32_t base = 3;
  while (e > 0) {
    if (e & 1) result = FieldMul(result, base);
    base = FieldMul(base, base);
    e >>= 1;
  }
  return result;
}

// The smallest i in 1..928 with a * i = 1 (mod 929); 929 when there is none (a = 0).
std::int32_t FieldInverse(std::int32_t a);

}  // namespace pdf417
