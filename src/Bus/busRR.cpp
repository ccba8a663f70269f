#include "Bus/busRR.h"

#include "Platform/processor.h"
#include "keys.h"
#include "nodeset.h"

longint_t BusRR::getInterference(int i, longint_t t, Nodeset* nodeset, int bank) {
  return onBank(i, t, nodeset, bank, computeS(i, t, nodeset, bank));
}

// A bank without transactions of node i has no burst time to charge.
longint_t BusRR::bankSum(int i, longint_t t, Nodeset* nodeset, int banks) {
  longint_t sum = 0;
  for (const auto& [bank, S] : transactionBanks(*nodeset, i, banks))
    sum += onBank(i, t, nodeset, bank, S);
  return sum;
}

longint_t BusRR::onBank(int i, longint_t t, Nodeset* nodeset, int bank, longint_t S) {
  const longint_t B = cycles(proc->getBurstDelay(), S);
  const longint_t base = proc->isOldConfig() ? B : 0;
  return base + roundRobin(&Bus::computeA, i, nodeset->getAssignedTo(i), t, nodeset, bank, B);
}
