#include "Bus/busFP.h"

#include <algorithm>

#include "Platform/processor.h"
#include "keys.h"
#include "nodeset.h"

longint_t BusFP::getInterference(int i, longint_t t, Nodeset* nodeset, int bank) {
  const Nodeset& ns = *nodeset;
  const int priority = ns.getPriority(i);
  const longint_t higherOrEqual =
      windowSum(i, t, nodeset, bank, [&](int k) { return ns.getPriority(k) >= priority; });
  return cycles(proc->getMemDelay(),
                higherOrEqual + charge(computeS(i, t, nodeset, bank), workload(i, t, nodeset)));
}

// The periodic bound and the transactions take the same shape on every bank,
// so with the index covering them all, the window accesses of every bank come
// from one walk and the workload, which does not depend on the bank, is summed
// once.
longint_t BusFP::bankSum(int i, longint_t t, Nodeset* nodeset, int banks) {
  const Nodeset& ns = *nodeset;
  const OverlapIndex* index = indexForEveryBank(ns, banks);
  if (index == nullptr) return Bus::bankSum(i, t, nodeset, banks);
  const int priority = ns.getPriority(i);
  longint_t sum =
      windowSumEveryBank(i, t, ns, *index, [&](int k) { return ns.getPriority(k) >= priority; });
  const longint_t lowerOrEqual = workload(i, t, nodeset);
  for (int bank = 0; bank < banks; ++bank)
    sum += charge(computeS(i, t, nodeset, bank), lowerOrEqual);
  return cycles(proc->getMemDelay(), sum);
}

bool BusFP::readsByPriority(const Nodeset& nodeset, int k) const {
  return nodeset.getMemDemand(k) != 0;
}

// The node's transactions, one more, and the workload capped at the transactions.
longint_t BusFP::charge(longint_t S, longint_t lowerOrEqual) {
  return S + 1 + std::min(lowerOrEqual, S);
}

// The periodic bound of the nodes whose priority value is not above node i's.
longint_t BusFP::workload(int i, longint_t t, Nodeset* nodeset) {
  const Nodeset& ns = *nodeset;
  const int priority = ns.getPriority(i);
  longint_t sum = 0;
  const auto add = [&](longint_t k) {
    const int node = static_cast<int>(k);
    if (ns.getPriority(node) <= priority) sum += computeL(i, node, t, nodeset, 0);
  };
  // The periodic bound of a node without memory demand is 0 for every window.
  if (const OverlapIndex* index = indexFor(ns, 0))
    for (longint_t k : index->memoryNodes()) add(k);
  else
    for (longint_t k = 0; k < ns.getSize(); ++k) add(k);
  return sum;
}
