#include "Bus/busFIFO.h"

#include <algorithm>

#include "Platform/processor.h"
#include "Speedup/rankSweep.h"
#include "keys.h"
#include "nodeset.h"

namespace {

// Per node the rank of its value among the distinct values.
template <typename Value>
std::vector<int> ranks(longint_t n, Value value) {
  std::vector<int> distinct;
  for (longint_t k = 0; k < n; ++k) distinct.push_back(value(static_cast<int>(k)));
  std::sort(distinct.begin(), distinct.end());
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  std::vector<int> rank;
  for (longint_t k = 0; k < n; ++k)
    rank.push_back(static_cast<int>(
        std::lower_bound(distinct.begin(), distinct.end(), value(static_cast<int>(k))) -
        distinct.begin()));
  return rank;
}

// Whether a node goes before node i: on another core, with a higher priority.
struct Ahead {
  const Nodeset& ns;
  int core;
  int priority;
  bool operator()(int k) const {
    return ns.getAssignedTo(k) != core && ns.getPriority(k) < priority;
  }
};

Ahead ahead(const Nodeset& ns, int i) { return {ns, ns.getAssignedTo(i), ns.getPriority(i)}; }

}  // namespace

longint_t BusFIFO::getInterference(int i, longint_t t, Nodeset* nodeset, int bank) {
  const longint_t sum =
      computeS(i, t, nodeset, bank) + windowSum(i, t, nodeset, bank, ahead(*nodeset, i));
  return cycles(proc->getMemDelay(), sum + 1);
}

// The charge of every bank is the memory delay times a sum, so with the index
// covering them all, the window accesses of every bank come together: from
// the sweep when it answers, else from one walk.
longint_t BusFIFO::bankSum(int i, longint_t t, Nodeset* nodeset, int banks) {
  const Nodeset& ns = *nodeset;
  const std::optional<EveryBankSum> window = windowSumEveryBank(i, t, ns, banks, ahead(ns, i));
  if (!window) return Bus::bankSum(i, t, nodeset, banks);
  longint_t sum = window->sum;
  for (const auto& [bank, S] : transactionBanks(ns, i, banks)) sum += S;
  return cycles(proc->getMemDelay(), sum + static_cast<longint_t>(banks));
}

// Ranks the nodes by priority and groups them by core.
std::unique_ptr<ReleaseSweep> BusFIFO::makeSweep(const Nodeset& nodeset, int) {
  const longint_t n = nodeset.getSize();
  return std::make_unique<RankSweep>(nodeset, accessDelay(),
                                     ranks(n, [&](int k) { return nodeset.getPriority(k); }),
                                     ranks(n, [&](int k) { return nodeset.getAssignedTo(k); }));
}
