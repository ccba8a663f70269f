#include "Bus/busRRnr.h"

#include "Platform/processor.h"
#include "keys.h"
#include "nodeset.h"

longint_t BusRRnr::getInterference(int i, longint_t t, Nodeset* nodeset, int bank) {
  const longint_t S = computeS(i, t, nodeset, bank);
  const longint_t B = cycles(proc->getBurstDelay(), S);
  const int c = nodeset->getAssignedTo(i);
  // An Rx or Tx node always pays its own transactions at the memory delay.
  longint_t base = proc->isOldConfig() ? B : 0;
  if (!isRealCore(c)) base = cycles(proc->getMemDelay(), S);
  return base + roundRobin(&Bus::computeNoReleaseA, i, c, t, nodeset, bank, B);
}
