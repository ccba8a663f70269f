#include "Bus/busVesk.h"

#include <algorithm>
#include <vector>

#include "Platform/processor.h"
#include "keys.h"
#include "nodeset.h"

longint_t BusVesk::getInterference(int i, longint_t t, Nodeset* nodeset, int bank) {
  return twoLevel(&Bus::computeA, i, t, nodeset, bank, computeS(i, t, nodeset, bank));
}

longint_t BusVesk::computeATx(int i, longint_t t, Nodeset* nodeset, int bank) {
  if (!proc->hasTx() || nodeset->getAssignedTo(i) == txCoreId) return 0;
  return windowCount(i, txCoreId, t, *nodeset, bank, proc->getMemDelay());
}

longint_t BusVesk::computeARx(int i, longint_t t, Nodeset* nodeset, int bank) {
  const Nodeset& ns = *nodeset;
  if (!proc->hasRx() || ns.getAssignedTo(i) == rxCoreId) return 0;
  const longint_t relI = ns.getReleaseDate(i);
  const longint_t end = relI + t;
  longint_t sum = 0;
  const longint_t n = ns.getSize();
  for (longint_t k = 0; k < n; ++k) {
    const int node = static_cast<int>(k);
    if (ns.getAssignedTo(node) != i) continue;
    const auto [accesses, offset] = ns.getNoCAccessPerBank(node, bank);
    const longint_t start = ns.getReleaseDate(node) + offset;
    const longint_t stop = start + offset + ns.getResponseTime(node);
    if (!(start < end && relI < stop)) continue;
    const longint_t length = relI > start ? stop - relI : end - start;
    sum += std::min(accesses, windowQuotient(length, proc->getMemDelay()));
  }
  return sum;
}

longint_t BusVesk::computeARM(longint_t) { return 0; }
longint_t BusVesk::computeADSU(longint_t) { return 0; }

// A bank without transactions of node i charges it only the Rx accesses in its
// window, and an Rx node nothing.
longint_t BusVesk::bankSum(int i, longint_t t, Nodeset* nodeset, int banks) {
  const Nodeset::BankList& own = transactionBanks(*nodeset, i, banks);
  longint_t sum = 0;
  for (const auto& [bank, S] : own) sum += twoLevel(&Bus::computeA, i, t, nodeset, bank, S);
  if (nodeset->getAssignedTo(i) == rxCoreId) return sum;
  return sum + cycles(proc->getAccDelay(), rxAccessesElsewhere(i, t, *nodeset, banks, own));
}

longint_t BusVesk::rxAccessesElsewhere(int i, longint_t t, Nodeset& nodeset, int banks,
                                       const Nodeset::BankList& own) {
  const auto elsewhere = [&](int bank) {
    return std::none_of(own.begin(), own.end(), [bank](const auto& o) { return o.first == bank; });
  };
  return rxAccessesOn(i, t, &nodeset, banks, elsewhere);
}
