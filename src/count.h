#ifndef TOLLBRIG_COUNT_H
#define TOLLBRIG_COUNT_H

#include <cmath>
#include <limits>

#include "keys.h"

// Converts a floating-point quotient or product to a cycle or access count:
// NaN, infinities and negative values give 0, values of 2^64 and above give
// 2^64-1, anything else is truncated. Floats widen to double exactly, so this
// one conversion serves both precisions.
inline longint_t toCount(double value) {
  if (!std::isfinite(value) || value <= 0.0) return 0;
  if (value >= 18446744073709551616.0) return std::numeric_limits<longint_t>::max();
  return static_cast<longint_t>(value);
}

#endif
