#include "Bus/perfectBus.h"

#include "Platform/processor.h"
#include "keys.h"

longint_t PerfectBus::getInterference(int i, longint_t t, Nodeset* nodeset, int bank) {
  if (!proc->isOldConfig()) return 0;
  return cycles(proc->getMemDelay(), computeS(i, t, nodeset, bank));
}
