#include "Bus/busTDMA.h"

#include "Platform/processor.h"
#include "keys.h"

longint_t BusTDMA::getInterference(int i, longint_t t, Nodeset* nodeset, int bank) {
  const int slotsPerTransaction = (proc->getNumberOfCores() - 1) * slot + 1;
  const longint_t S = computeS(i, t, nodeset, bank);
  return cycles(proc->getMemDelay(), cycles(slotsPerTransaction, S) + 1);
}
