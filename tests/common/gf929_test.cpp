#include <gtest/gtest.h>

#include "pdf417/common/gf929.h"

namespace pdf417 {
namespace {

TEST(Field, InverseIsSmallestAndZeroHasNone) {
  EXPECT_EQ(FieldInverse(0), 929);
  EXPECT_EQ(FieldInverse(1), 1);
  for (int a = 1; a < 929; ++a) {
    const int inv = FieldInverse(a);
    ASSERT_EQ(a * inv % 929, 1) << a;
  }
  EXPECT_EQ(FieldPow3(0), 1);
  EXPECT_EQ(FieldPow3(928), 1);  // 3 generates the group of order 928
  EXPECT_NE(FieldPow3(464), 1);
}

}  // namespace
}  // namespace pdf417
