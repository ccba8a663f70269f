#include "Bus/busFIFO.h"

#include "Platform/processor.h"
#include "keys.h"
#include "nodeset.h"

longint_t BusFIFO::getInterference(int i, longint_t t, Nodeset* nodeset, int bank) {
  const Nodeset& ns = *nodeset;
  const int c = ns.getAssignedTo(i);
  const int priority = ns.getPriority(i);
  longint_t sum = computeS(i, t, nodeset, bank);
  sum += windowSum(i, t, nodeset, bank, [&](int k) {
    return ns.getAssignedTo(k) != c && ns.getPriority(k) < priority;
  });
  return cycles(proc->getMemDelay(), sum + 1);
}
