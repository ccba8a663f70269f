#ifndef TOLLBRIG_SPEEDUP_SORTEDSEARCH_H
#define TOLLBRIG_SPEEDUP_SORTEDSEARCH_H

#include <cstddef>
#include <vector>

#include "keys.h"

// Binary searches in sorted values without a branch on the values: the
// windows of a pass are asked in no order, so a branch per step would be
// guessed wrong about every other time.

// The first place from lo to hi whose value before does not accept, where
// before accepts a prefix of the values.
template <typename Before>
size_t partitionSorted(const std::vector<longint_t>& values, size_t lo, size_t hi, Before before) {
  if (lo >= hi) return lo;
  const longint_t* base = values.data() + lo;
  for (size_t n = hi - lo; n > 1;) {
    const size_t half = n / 2;
    base = before(base[half - 1]) ? base + half : base;
    n -= half;
  }
  return static_cast<size_t>(base - values.data()) + (before(*base) ? 1 : 0);
}

// The first place from lo to hi with a value not below, or above, the value.
inline size_t firstNotBelow(const std::vector<longint_t>& values, size_t lo, size_t hi,
                            longint_t value) {
  return partitionSorted(values, lo, hi, [value](longint_t v) { return v < value; });
}
inline size_t firstAbove(const std::vector<longint_t>& values, size_t lo, size_t hi,
                         longint_t value) {
  return partitionSorted(values, lo, hi, [value](longint_t v) { return v <= value; });
}

#endif
