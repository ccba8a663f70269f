#ifndef TOLLBRIG_SPEEDUP_SORTEDSEARCH_H
#define TOLLBRIG_SPEEDUP_SORTEDSEARCH_H

#include <cstddef>
#include <cstdint>
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

// The first place from lo to hi with a value not below the value.
inline size_t firstNotBelow(const std::vector<longint_t>& values, size_t lo, size_t hi,
                            longint_t value) {
  return partitionSorted(values, lo, hi, [value](longint_t v) { return v < value; });
}

// Finds places in sorted values through a table by value range: each range
// holds about one value, so a search looks only at the values of one range.
// It answers for the values it was built from, unchanged.
class SortedIndex {
 public:
  void build(const std::vector<longint_t>& sorted) {
    starts.clear();
    if (sorted.empty()) return;
    low = sorted.front();
    const longint_t span = sorted.back() - low;
    shift = 0;
    while ((span >> shift) >= sorted.size()) ++shift;
    const size_t ranges = static_cast<size_t>(span >> shift) + 1;
    starts.resize(ranges + 1);
    size_t at = 0;
    for (size_t r = 0; r <= ranges; ++r) {
      while (at < sorted.size() && rangeOf(sorted[at]) < r) ++at;
      starts[r] = static_cast<std::uint32_t>(at);
    }
  }
  // The first place with a value not below, or above, the value.
  size_t firstNotBelow(const std::vector<longint_t>& values, longint_t value) const {
    if (starts.empty() || value <= low) return 0;
    const size_t r = rangeOf(value);
    if (r >= starts.size() - 1) return values.size();
    return ::firstNotBelow(values, starts[r], starts[r + 1], value);
  }
  size_t firstAbove(const std::vector<longint_t>& values, longint_t value) const {
    return value == ~longint_t{0} ? values.size() : firstNotBelow(values, value + 1);
  }

 private:
  size_t rangeOf(longint_t value) const { return static_cast<size_t>((value - low) >> shift); }

  longint_t low = 0;
  unsigned shift = 0;
  // By range, the first place of a value in it or above; small, as the
  // searches find it mostly outside the cache. Node and entry counts fit.
  std::vector<std::uint32_t> starts;
};

#endif
