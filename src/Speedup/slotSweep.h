#ifndef TOLLBRIG_SPEEDUP_SLOTSWEEP_H
#define TOLLBRIG_SPEEDUP_SLOTSWEEP_H

#include <memory>
#include <vector>

#include "Speedup/releaseSweep.h"
#include "keys.h"

// A release sweep that counts the entries of the core lists on each bank by
// slot, from prefix sums by slot.
class SlotSweep : public ReleaseSweep {
 public:
  SlotSweep(const Nodeset& nodeset, int banks, int accessDelay);
  ~SlotSweep() override;

  const std::vector<longint_t>* counts(const Nodeset& nodeset, int bank, longint_t relI,
                                       longint_t end, int d) override;

 protected:
  // Demands by slot before every stride-th entry, one row per slot count of
  // entries at most, so that the rows take about the room of the entries; the
  // counts of the taken entries at the date.
  // The counts by slot of the last window at the date, with where it ended:
  // the entries up to lastStop count whole but the first parts in partial,
  // with their counts. The next window at the date that ends no earlier starts
  // from them. partial has room for every entry.
  struct SlotList : List {
    struct Counted {
      size_t at;
      longint_t count;
    };

    size_t width = 0;
    size_t stride = 0;
    std::vector<longint_t> prefix;
    std::vector<longint_t> before;
    std::vector<longint_t> result;
    std::vector<Counted> partial;
    size_t parts = 0;
    bool lastKept = false;
    longint_t lastEnd = 0;
    size_t lastStop = 0;
  };

  void forgetLists() override;
  // The list of the bank, built on its first question in a settling.
  SlotList& list(int bank) {
    SlotList* l = lists[bank].get();
    return l != nullptr && l->current ? *l : build(bank);
  }
  SlotList& build(int bank);
  void buildSlotSums(SlotList& l) const;
  // Adds the demands of the entries from lo to hi by slot.
  static void addWhole(SlotList& l, size_t lo, size_t hi);
  // The counts of a window up to end from those of the last one; false,
  // changing nothing, when too many entries lie between their ends.
  bool extend(SlotList& l, longint_t end) const;
  // The counts of a window up to end from the entries.
  void count(SlotList& l, longint_t end) const;
  // Adds the count of the entry in a window up to end, keeping it in partial
  // unless it counts whole.
  void addPart(SlotList& l, size_t at, longint_t end) const;

  std::vector<std::unique_ptr<SlotList>> lists;
};

#endif
