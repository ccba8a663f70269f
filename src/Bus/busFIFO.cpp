#include "Bus/busFIFO.h"

#include "Platform/processor.h"
#include "keys.h"
#include "nodeset.h"

longint_t BusFIFO::getInterference(int i, longint_t t, Nodeset* nodeset, int bank) {
  const Nodeset& ns = *nodeset;
  const int c = ns.getAssignedTo(i);
  const int priority = ns.getPriority(i);
  longint_t sum = computeS(i, t, nodeset, bank);
  const longint_t n = ns.getSize();
  for (longint_t k = 0; k < n; ++k) {
    const int node = static_cast<int>(k);
    if (ns.getAssignedTo(node) != c && ns.getPriority(node) < priority)
      sum += windowAccesses(i, k, t, nodeset, bank);
  }
  return cycles(proc->getMemDelay(), sum + 1);
}
