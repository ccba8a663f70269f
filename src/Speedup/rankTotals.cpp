#include "Speedup/rankTotals.h"

#include <algorithm>

void RankTotals::add(size_t rank, longint_t value) {
  for (size_t p = rank + 1; p < tree.size(); p += p & (~p + 1)) tree[p] += value;
}

longint_t RankTotals::below(size_t bound) const {
  longint_t sum = 0;
  for (size_t p = std::min(bound, tree.size() - 1); p > 0; p -= p & (~p + 1)) sum += tree[p];
  return sum;
}
