#ifndef TOLLBRIG_COUNT_H
#define TOLLBRIG_COUNT_H

#include <bit>
#include <cmath>
#include <cstdint>
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

// Up to this, lengths and delays are exact in single precision.
constexpr longint_t exactQuotients = longint_t{1} << 24;

// The quotient below in single precision, out of line so that the integer
// part stays small where it is inlined.
longint_t singlePrecisionQuotient(longint_t length, int delay);

// ceilf(length / delay) in single precision as a count; the delay is widened
// to signed 64 bits and taken as unsigned. A delay of 0 gives 0.
// Up to 2^24 a length and a delay are exact in single precision, and the
// rounded quotient stays on the same side of every integer as the exact
// one, so its ceiling is the integer one.
inline longint_t windowQuotient(longint_t length, int delay) {
  if (length <= exactQuotients && delay > 0 && static_cast<longint_t>(delay) <= exactQuotients) {
    const auto d = static_cast<std::uint32_t>(delay);
    return (static_cast<std::uint32_t>(length) + d - 1) / d;
  }
  return singlePrecisionQuotient(length, delay);
}

// windowQuotient under one delay, with the division of the exact range
// taken as a multiplication: for n below 2^25 and a delay d of at most 2^l,
// m = floor(2^(25 + l) / d) + 1 overshoots 2^(25 + l) / d by less than
// 2^(25 + l) / (n d), so n m / 2^(25 + l) stays below the next integer above
// n / d, and its floor is floor(n / d). n m stays below 2^52.
class WindowQuotient {
 public:
  explicit WindowQuotient(int of) : delay(of) {
    if (of <= 0 || static_cast<longint_t>(of) > exactQuotients) return;
    const auto d = static_cast<longint_t>(of);
    shift = 25 + static_cast<unsigned>(std::bit_width(d - 1));
    factor = (longint_t{1} << shift) / d + 1;
    roundUp = d - 1;
  }
  longint_t operator()(longint_t length) const {
    if (factor != 0 && length <= exactQuotients) return ((length + roundUp) * factor) >> shift;
    return windowQuotient(length, delay);
  }

 private:
  int delay;
  unsigned shift = 0;
  longint_t factor = 0;  // 0 outside the exact range
  longint_t roundUp = 0;
};

#endif
