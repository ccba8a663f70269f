#ifndef TOLLBRIG_SPEEDUP_PASSCOUNTS_H
#define TOLLBRIG_SPEEDUP_PASSCOUNTS_H

#include <vector>

#include "Speedup/slotSweep.h"
#include "Speedup/sortedSearch.h"
#include "keys.h"

// Window access counts by slot, as computeA's, for windows asked in any order.
// An entry released from the window's start on counts by the window's end
// alone, so those covered whole come from the sums by slot. Of those released
// before it, only the blocks of entries whose latest finish passes the start
// are walked. Every changed response time must be reported. No date or sum
// may wrap around.
class PassCounts : public SlotSweep {
 public:
  PassCounts(const Nodeset& nodeset, int banks, int accessDelay);
  ~PassCounts() override;

  const std::vector<longint_t>* counts(const Nodeset& nodeset, int bank, longint_t relI,
                                       longint_t end, int d) override;
  // Node k's response time changed.
  void changed(longint_t k);

 private:
  static constexpr size_t blockSize = 16;

  // What the walk before a window's start reads of an entry, side by side.
  struct Term {
    longint_t finish;
    longint_t full;
    longint_t demand;
    size_t slot;
  };
  // What a bank's list adds: per entry its term, per block of entries at
  // least their latest finish, and the entries whose node may not run at all.
  struct Reach {
    std::vector<Term> terms;
    std::vector<longint_t> blockFinish;
    std::vector<size_t> idle;
    SortedIndex releaseIndex;  // of the list's releases
  };
  // An entry of a node: its bank, its place in the bank's list, its release.
  struct Place {
    longint_t release;
    size_t at;
    size_t bank;
  };

  void forgetLists() override;
  // Takes in every bank's list, on the first question of a settling.
  void buildReaches();
  // The entries from start on are released from relI on.
  void addEarlier(SlotList& l, const Reach& r, longint_t relI, size_t start);
  void addFrom(SlotList& l, const Reach& r, longint_t relI, longint_t end, size_t start);

  bool built = false;
  std::vector<Reach> reaches;
  // Per node, its entries: node k's from the k-th to the (k + 1)-th offset.
  std::vector<size_t> placesFrom;
  std::vector<Place> places;
};

#endif
