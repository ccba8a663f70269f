#include "count.h"

#include <cmath>
#include <limits>

longint_t toCount(double value) {
  if (!std::isfinite(value) || value <= 0.0) return 0;
  if (value >= 18446744073709551616.0) return std::numeric_limits<longint_t>::max();
  return static_cast<longint_t>(value);
}
