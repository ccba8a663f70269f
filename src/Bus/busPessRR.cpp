#include "Bus/busPessRR.h"

#include "Platform/processor.h"
#include "keys.h"

longint_t BusPessRR::getInterference(int i, longint_t t, Nodeset* nodeset, int bank) {
  // The core count already holds the pseudo-cores once they are present, so
  // they count twice here.
  const int competitors =
      proc->getNumberOfCores() + (proc->hasTx() ? 1 : 0) + (proc->hasRx() ? 1 : 0) - 1;
  return cycles(competitors, cycles(proc->getBurstDelay(), computeS(i, t, nodeset, bank)));
}
