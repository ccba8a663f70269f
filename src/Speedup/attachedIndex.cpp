#include "Speedup/attachedIndex.h"

#include "Bus/bus.h"

void AttachedIndex::attach(const OverlapIndex* index, ReleaseSweep* sweep) {
  overlapIndex = index;
  coresValid = false;
  ownSlots.clear();
  releaseSweep = index != nullptr ? sweep : nullptr;
  countsValid = false;
  fullLengthsValid = false;
}

const std::vector<longint_t>& AttachedIndex::everyBankFullLengths(int delay) {
  if (fullLengthsValid && fullLengthsDelay == delay) return fullLengths;
  fullLengths.clear();
  for (const OverlapIndex::Entry& e : overlapIndex->nodesEveryBank())
    fullLengths.push_back(Bus::fullLength(e.demand, delay));
  fullLengthsDelay = delay;
  fullLengthsValid = true;
  return fullLengths;
}

int AttachedIndex::keepOwnSlot(size_t at, int slot) {
  if (at >= ownSlots.size()) ownSlots.resize(at + 1, unknownSlot);
  ownSlots[at] = slot;
  return slot;
}
