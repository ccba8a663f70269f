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
  struct SlotList : List {
    size_t width = 0;
    size_t stride = 0;
    std::vector<longint_t> prefix;
    std::vector<longint_t> before;
  };

  void forgetLists() override;
  // The list of the bank, built on its first question in a settling.
  SlotList& list(int bank);
  void buildSlotSums(SlotList& l) const;
  // Adds the demands of the entries from lo to hi by slot.
  void addWhole(const SlotList& l, size_t lo, size_t hi);

  std::vector<std::unique_ptr<SlotList>> lists;
  std::vector<longint_t> result;
};

#endif
