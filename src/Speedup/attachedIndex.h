#ifndef TOLLBRIG_SPEEDUP_ATTACHEDINDEX_H
#define TOLLBRIG_SPEEDUP_ATTACHEDINDEX_H

#include <vector>

#include "Speedup/overlapIndex.h"
#include "Speedup/releaseSweep.h"
#include "keys.h"

class Nodeset;

// The overlap index and release sweep lent to a bus model for one settling,
// with what the model keeps while they stay attached: the core-list slots of
// its processor, the full lengths of the entries of every bank, and the last
// counts by slot.
class AttachedIndex {
 public:
  // A core and the slot of its list in the index; -1 without either.
  struct CoreSlot {
    int core;
    int slot;
  };
  // The processor's cores in ascending order, its real cores among them, the
  // slots of those real cores that have a list, and its pseudo-cores; whether
  // each slot of the index is the list of one of its real cores or of the Tx
  // or Rx core it has.
  struct ProcessorCores {
    std::vector<CoreSlot> all;
    std::vector<CoreSlot> real;
    std::vector<int> realSlots;
    CoreSlot tx{};
    CoreSlot rx{};
    bool everySlotTheirs = false;
  };
  // What a set of counts by slot was computed for.
  struct CountsKey {
    int i;
    longint_t t;
    int bank;
    int delay;
    unsigned long generation;
    bool operator==(const CountsKey&) const = default;
  };

  // nullptr detaches both.
  void attach(const OverlapIndex* index, ReleaseSweep* sweep);

  const OverlapIndex* index() const { return overlapIndex; }
  ReleaseSweep* sweep() const { return releaseSweep; }
  // The index when it answers for this node set and bank, else nullptr.
  const OverlapIndex* covering(const Nodeset& nodeset, int bank) const {
    return overlapIndex != nullptr && overlapIndex->covers(nodeset, bank) ? overlapIndex : nullptr;
  }
  // The index when it answers for this node set on the banks 0 to banks - 1
  // together, else nullptr.
  const OverlapIndex* coveringEveryBank(const Nodeset& nodeset, int banks) const {
    return overlapIndex != nullptr && overlapIndex->coversEveryBank(nodeset, banks) ? overlapIndex
                                                                                    : nullptr;
  }

  // The slot of the core's list in the index, -1 without an index.
  CoreSlot slotOf(int core) const {
    return {core, overlapIndex != nullptr ? overlapIndex->slotOf(core) : -1};
  }
  // The cores as fill leaves them, filled again on each call without an index.
  template <typename Fill>
  const ProcessorCores& cores(Fill fill) {
    if (coresValid) return processorCores;
    fill(processorCores);
    coresValid = overlapIndex != nullptr;
    return processorCores;
  }

  // The slot of node i's core when that is a real core of the processor with
  // a list, else -1: what find returns on the node's first question while
  // the index stays attached.
  template <typename Find>
  int ownSlot(int i, Find find) {
    const auto at = static_cast<size_t>(i);
    if (at < ownSlots.size() && ownSlots[at] != unknownSlot) return ownSlots[at];
    return keepOwnSlot(at, find());
  }

  // fullLength of every entry of the index's list of every bank at the delay.
  const std::vector<longint_t>& everyBankFullLengths(int delay);

  // Requires an attached index.
  CountsKey keyOf(int i, longint_t t, int bank, int delay) const {
    return {i, t, bank, delay, overlapIndex->generation()};
  }
  // The counts kept under the key, else nullptr.
  const std::vector<longint_t>* keptCounts(const CountsKey& key) const {
    return countsValid && countsKey == key ? &room : nullptr;
  }
  // The counts under the key: those kept, else the ones count fills in.
  template <typename Count>
  const std::vector<longint_t>& counts(const CountsKey& key, Count count) {
    if (keptCounts(key) != nullptr) return room;
    countsKey = key;
    countsValid = true;
    count(room);
    return room;
  }

 private:
  const OverlapIndex* overlapIndex = nullptr;
  ReleaseSweep* releaseSweep = nullptr;
  ProcessorCores processorCores;
  bool coresValid = false;
  static constexpr int unknownSlot = -2;
  // Keeps the slot found for the node at and returns it.
  int keepOwnSlot(size_t at, int slot);
  std::vector<int> ownSlots;
  std::vector<longint_t> fullLengths;
  int fullLengthsDelay = 0;
  bool fullLengthsValid = false;
  std::vector<longint_t> room;  // the counts under countsKey
  CountsKey countsKey{};
  bool countsValid = false;
};

#endif
