#ifndef TOLLBRIG_SPEEDUP_RANKTOTALS_H
#define TOLLBRIG_SPEEDUP_RANKTOTALS_H

#include <vector>

#include "keys.h"

// A Fenwick tree over the ranks.
// Totals by rank that change one rank at a time, with the total of the ranks
// below a bound in one step per bit of the rank count. Sums are unsigned
// 64-bit and wrap, so a value is taken back by adding its negation.
class RankTotals {
 public:
  // All ranks below ranks at 0.
  void reset(size_t ranks) { tree.assign(ranks + 1, 0); }

  void add(size_t rank, longint_t value);
  // Total of the ranks below bound.
  longint_t below(size_t bound) const;

 private:
  std::vector<longint_t> tree = {0};  // tree[p] holds the ranks p - lowbit(p) to p - 1
};

#endif
