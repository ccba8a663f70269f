#include "Bus/busPessVesk.h"

#include "Platform/processor.h"
#include "keys.h"
#include "nodeset.h"

longint_t BusPessVesk::getInterference(int i, longint_t t, Nodeset* nodeset, int bank) {
  const Nodeset& ns = *nodeset;
  const longint_t S = computeS(i, t, nodeset, bank);
  const int burst = proc->getBurstDelay();
  if (ns.getAssignedTo(i) == rxCoreId) {
    // The two delays are summed in int; a sum past INT_MAX wraps as an int would.
    const int delays = static_cast<int>(static_cast<int64_t>(burst) + proc->getMemDelay());
    return cycles(delays, S);
  }

  // One burst per competing core (the core count holds the pseudo-cores, Tx
  // counts twice) and per Rx node with accesses on the bank.
  const longint_t activeRx = demandingNodes(rxCoreId, ns, bank);
  const int cores = proc->getNumberOfCores() + (proc->hasTx() ? 1 : 0) - 1;
  const longint_t factor = static_cast<longint_t>(static_cast<int64_t>(cores)) + activeRx;
  return S * cycles(burst, factor);
}
