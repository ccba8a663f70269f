#include "Bus/busRR.h"

#include "Platform/processor.h"
#include "keys.h"
#include "nodeset.h"

longint_t BusRR::getInterference(int i, longint_t t, Nodeset* nodeset, int bank) {
  const longint_t B = cycles(proc->getBurstDelay(), computeS(i, t, nodeset, bank));
  const longint_t base = proc->isOldConfig() ? B : 0;
  return base + roundRobin(&Bus::computeA, i, nodeset->getAssignedTo(i), t, nodeset, bank, B);
}

// A bank without transactions of node i has no burst time to charge.
longint_t BusRR::bankSum(int i, longint_t t, Nodeset* nodeset, int banks) {
  return sumOver(transactionBanks(*nodeset, i, banks), i, t, nodeset);
}
