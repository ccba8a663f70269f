#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "count.h"

TEST(ToCount, ConvertsEveryFloatingValueToADefinedCount) {
  const longint_t max = std::numeric_limits<longint_t>::max();
  const struct {
    double in;
    longint_t out;
  } cases[] = {
      {0.0, 0},
      {2.9, 2},
      {-0.5, 0},
      {-1e30, 0},
      {std::nan(""), 0},
      {INFINITY, 0},
      {-INFINITY, 0},
      {18446744073709551616.0, max},
      {1e30, max},
      {9223372036854775808.0, 9223372036854775808UL},
      {static_cast<double>(ceilf(30.0f / 10.0f)), 3},
  };
  for (const auto& c : cases) EXPECT_EQ(toCount(c.in), c.out) << c.in;
}
