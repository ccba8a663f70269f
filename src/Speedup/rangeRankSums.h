#ifndef TOLLBRIG_SPEEDUP_RANGERANKSUMS_H
#define TOLLBRIG_SPEEDUP_RANGERANKSUMS_H

#include <cstdint>
#include <vector>

#include "keys.h"

// Fixed sequence of (rank, weight) pairs answering, for a range of positions,
// the sum of the weights whose rank lies below a bound, in one step per bit of
// the largest rank. Each level splits the sequence, stably, by one bit of the
// rank, highest bit first. Sums are unsigned 64-bit and wrap.
class RangeRankSums {
 public:
  // Takes the sequence, reusing the room of the last one. Ranks are not
  // negative; both vectors have the same length.
  void build(const std::vector<int>& ranks, const std::vector<longint_t>& weights);

  // Sum of the weights at positions lo to hi - 1 whose rank is below bound.
  longint_t below(size_t lo, size_t hi, int bound) const;

 private:
  int bits = 0;
  size_t stride = 0;  // positions per level, plus one
  // Per level, before each position: the ranks with the level's bit clear,
  // and the weights summed in the order the level's split leaves them.
  std::vector<std::uint32_t> zeros;
  std::vector<longint_t> sums;
  std::vector<longint_t> total;   // prefix sums in the original order
  std::vector<int> order, split;  // scratch for the splits
  std::vector<longint_t> orderWeights, splitWeights;
};

#endif
