#include "Bus/busFP.h"

#include <algorithm>

#include "Platform/processor.h"
#include "keys.h"
#include "nodeset.h"

longint_t BusFP::getInterference(int i, longint_t t, Nodeset* nodeset, int bank) {
  const Nodeset& ns = *nodeset;
  const int priority = ns.getPriority(i);
  longint_t higherOrEqual = 0;
  longint_t lowerOrEqual = 0;
  const longint_t n = ns.getSize();
  for (longint_t k = 0; k < n; ++k) {
    const int node = static_cast<int>(k);
    const int other = ns.getPriority(node);
    if (other >= priority) higherOrEqual += windowAccesses(i, k, t, nodeset, bank);
    if (other <= priority) lowerOrEqual += computeL(i, node, t, nodeset, bank);
  }
  const longint_t S = computeS(i, t, nodeset, bank);
  return cycles(proc->getMemDelay(), higherOrEqual + S + 1 + std::min(lowerOrEqual, S));
}
