#include "Bus/busFIFO.h"

#include <algorithm>

#include "Platform/processor.h"
#include "keys.h"
#include "nodeset.h"

namespace {

// More classes than this make the per-window sums cost more than a walk.
const size_t mostClasses = 256;

// Per node the rank of its value among the distinct values; their count.
template <typename Value>
int ranks(longint_t n, Value value, std::vector<int>& rank) {
  std::vector<int> distinct;
  for (longint_t k = 0; k < n; ++k) distinct.push_back(value(static_cast<int>(k)));
  std::sort(distinct.begin(), distinct.end());
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  rank.clear();
  for (longint_t k = 0; k < n; ++k)
    rank.push_back(static_cast<int>(
        std::lower_bound(distinct.begin(), distinct.end(), value(static_cast<int>(k))) -
        distinct.begin()));
  return static_cast<int>(distinct.size());
}

}  // namespace

longint_t BusFIFO::getInterference(int i, longint_t t, Nodeset* nodeset, int bank) {
  const Nodeset& ns = *nodeset;
  const int c = ns.getAssignedTo(i);
  const int priority = ns.getPriority(i);
  longint_t sum = computeS(i, t, nodeset, bank);
  if (const std::vector<longint_t>* counts = sweptCounts(i, t, ns, bank, false)) {
    const int cores = priorities == 0 ? 0 : static_cast<int>(counts->size()) / priorities;
    for (int core = 0; core < cores; ++core) {
      if (core == coreRank[i]) continue;
      for (int p = 0; p < priorityRank[i]; ++p) sum += (*counts)[core * priorities + p];
    }
  } else {
    sum += windowSum(i, t, nodeset, bank, [&](int k) {
      return ns.getAssignedTo(k) != c && ns.getPriority(k) < priority;
    });
  }
  return cycles(proc->getMemDelay(), sum + 1);
}

std::unique_ptr<ReleaseSweep> BusFIFO::makeSweep(const Nodeset& nodeset,
                                                 const OverlapIndex& index, int banks) {
  const longint_t n = nodeset.getSize();
  const int cores = ranks(n, [&](int k) { return nodeset.getAssignedTo(k); }, coreRank);
  priorities = ranks(n, [&](int k) { return nodeset.getPriority(k); }, priorityRank);
  if (static_cast<size_t>(cores) * static_cast<size_t>(priorities) > mostClasses) {
    priorities = 0;
    return nullptr;
  }
  std::vector<int> classOfNode(n);
  for (longint_t k = 0; k < n; ++k) classOfNode[k] = coreRank[k] * priorities + priorityRank[k];
  return std::make_unique<ReleaseSweep>(nodeset, index, banks, accessDelay(),
                                        std::move(classOfNode), cores * priorities);
}
