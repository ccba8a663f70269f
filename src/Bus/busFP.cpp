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
  longint_t lowerOrEqual = 0;
  const auto addWorkload = [&](longint_t k) {
    const int node = static_cast<int>(k);
    if (ns.getPriority(node) <= priority) lowerOrEqual += computeL(i, node, t, nodeset, bank);
  };
  // The periodic bound of a node without memory demand is 0 for every window.
  if (const OverlapIndex* index = indexFor(ns, bank))
    for (longint_t k : index->memoryNodes()) addWorkload(k);
  else
    for (longint_t k = 0; k < ns.getSize(); ++k) addWorkload(k);
  const longint_t S = computeS(i, t, nodeset, bank);
  return cycles(proc->getMemDelay(), higherOrEqual + S + 1 + std::min(lowerOrEqual, S));
}

bool BusFP::readsByPriority(const Nodeset& nodeset, int k) const {
  return nodeset.getMemDemand(k) != 0;
}
