#include "pdf417/common/gf929.h"

namespace pdf417 {

std::int32_t FieldInverse(std::int32_t a) {
  a = FieldReduce(a);
  if (a == 0) return kFieldSize;
  // Fermat: a^(p-2) is the inverse; it is unique in 1..928, hence also the smallest.
  std::int32_t result = 1;
  std::int32_t base = a;
  std::int32_t e = kFieldSize - 2;
  while (e > 0) {
    if (e & 1) result = FieldMul(result, base);
    base = FieldMul(base, base);
    e >>= 1;
  }
  return result;
}

}  // namespace pdf417
