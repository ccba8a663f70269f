#include "Bus/busFIFO.h"

#include "Platform/processor.h"
#include "keys.h"
#include "nodeset.h"

longint_t BusFIFO::getInterference(int i, longint_t t, Nodeset* nodeset, int bank) {
  const Nodeset& ns = *nodeset;
  const int c = ns.getAssignedTo(i);
  const int priority = ns.getPriority(i);
  longint_t sum = computeS(i, t, nodeset, bank);
  const longint_t relI = ns.getReleaseDate(i);
  forNodesNear(ns, bank, relI, relI + t, [&](longint_t k) {
    const int node = static_cast<int>(k);
    if (ns.getAssignedTo(node) != c && ns.getPriority(node) < priority)
      sum += windowAccesses(i, k, t, nodeset, bank);
  });
  return cycles(proc->getMemDelay(), sum + 1);
}
