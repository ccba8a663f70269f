#include "Speedup/rangeRankSums.h"

#include <algorithm>
#include <bit>

namespace {

void prefixSums(const std::vector<longint_t>& weights, longint_t* sums) {
  sums[0] = 0;
  for (size_t p = 0; p < weights.size(); ++p) sums[p + 1] = sums[p] + weights[p];
}

}  // namespace

void RangeRankSums::build(const std::vector<int>& ranks, const std::vector<longint_t>& weights) {
  stride = ranks.size() + 1;
  total.resize(stride);
  prefixSums(weights, total.data());
  const int largest = ranks.empty() ? 0 : *std::max_element(ranks.begin(), ranks.end());
  bits = std::bit_width(static_cast<unsigned>(largest));
  zeros.resize(static_cast<size_t>(bits) * stride);
  sums.resize(static_cast<size_t>(bits) * stride);
  order = ranks;
  orderWeights = weights;
  split.resize(ranks.size());
  splitWeights.resize(weights.size());
  for (int level = 0; level < bits; ++level) {
    const unsigned bit = 1u << (bits - 1 - level);
    std::uint32_t* zero = &zeros[level * stride];
    zero[0] = 0;
    for (size_t p = 0; p < order.size(); ++p)
      zero[p + 1] = zero[p] + ((static_cast<unsigned>(order[p]) & bit) == 0 ? 1 : 0);
    size_t clear = 0, set = zero[order.size()];
    for (size_t p = 0; p < order.size(); ++p) {
      const size_t to = (static_cast<unsigned>(order[p]) & bit) == 0 ? clear++ : set++;
      split[to] = order[p];
      splitWeights[to] = orderWeights[p];
    }
    order.swap(split);
    orderWeights.swap(splitWeights);
    prefixSums(orderWeights, &sums[level * stride]);
  }
}

longint_t RangeRankSums::below(size_t lo, size_t hi, int bound) const {
  if (bound <= 0 || lo >= hi) return 0;
  if (static_cast<unsigned>(bound) >> bits != 0) return total[hi] - total[lo];
  longint_t sum = 0;
  for (int level = 0; level < bits; ++level) {
    const std::uint32_t* zero = &zeros[level * stride];
    const size_t zeroLo = zero[lo], zeroHi = zero[hi];
    if ((static_cast<unsigned>(bound) >> (bits - 1 - level) & 1u) != 0) {
      // Ranks with this bit clear lie below the bound; the others go on.
      const longint_t* sum0 = &sums[level * stride];
      sum += sum0[zeroHi] - sum0[zeroLo];
      const size_t zeroCount = zero[stride - 1];
      lo = zeroCount + lo - zeroLo;
      hi = zeroCount + hi - zeroHi;
    } else {
      lo = zeroLo;
      hi = zeroHi;
    }
  }
  return sum;
}
