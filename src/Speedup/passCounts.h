#ifndef TOLLBRIG_SPEEDUP_PASSCOUNTS_H
#define TOLLBRIG_SPEEDUP_PASSCOUNTS_H

#include <cstdint>
#include <vector>

#include "Speedup/nodeFlags.h"
#include "Speedup/slotSweep.h"
#include "Speedup/sortedSearch.h"
#include "keys.h"

// Window access counts by slot, as computeA's, for the windows of nodes asked
// in any order. An entry released before a window's start counts by the start
// alone: the counts of those entries are walked on the first question at a
// date, from the blocks of entries whose latest finish passes it, and then
// kept, each changed response time moving the kept counts of the dates it
// reaches. Of the entries released from the start, a window counts those
// whole that its end covers whole; the kept counts take them in as the
// windows at the date grow. Every changed response time must be reported. No
// date or sum may wrap around.
class PassCounts : public SlotSweep {
 public:
  PassCounts(const Nodeset& nodeset, int banks, int accessDelay);
  ~PassCounts() override;

  const std::vector<longint_t>* counts(const Nodeset& nodeset, int bank, longint_t relI,
                                       longint_t end, int d, int i) override;
  // Node k's response time changed.
  void changed(longint_t k);

 private:
  static constexpr size_t blockSize = 16;
  static constexpr std::uint32_t none = ~std::uint32_t{0};

  // What the walk before a window's start reads of an entry, side by side.
  struct Term {
    longint_t finish;
    longint_t full;
    longint_t demand;
    size_t slot;
  };
  // Where the entries of a date lie on a bank: the first released from it,
  // the first its kept counts do not take in whole, and the first idle one
  // from start.
  struct DateRow {
    size_t start, whole, idle;
  };
  // Where a window reaches among the entries released from its start: those
  // it counts whole end at mid, those it counts at all at hi.
  struct Reached {
    size_t mid, hi;
  };
  // What a bank's list adds: per entry its term, per block of entries at
  // least their latest finish, and the entries whose node may not run at all;
  // per date asked about, width kept counts by slot.
  struct Reach {
    std::vector<Term> terms;
    std::vector<longint_t> blockFinish;
    std::vector<size_t> idle;
    SortedIndex releaseIndex;            // of the list's releases
    std::vector<std::uint32_t> dateRow;  // per date, its row, or none before its first question
    NodeFlags rowed{0};                  // the dates with a row
    std::vector<DateRow> dateRows;
    std::vector<longint_t> kept;
    std::vector<Reached> last;  // per node, where its last window reached
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
  std::uint32_t rowOf(const SlotList& l, Reach& r, int i);
  // Counts node i's window up to end.
  void countWindow(SlotList& l, Reach& r, int i, longint_t relI, longint_t end);
  // Adds to count the entries released before relI, which start at start.
  void addEarlier(const SlotList& l, const Reach& r, longint_t relI, size_t start,
                  longint_t* count) const;
  // Where the window up to end reaches, found from where the node's last one
  // did, mostly a few steps away.
  Reached reachedNear(const SlotList& l, const Reach& r, longint_t end, size_t start,
                      const Reached& last) const;
  // The first place from start whose release is not below value, looked for
  // from the hint.
  size_t notBelowNear(const SlotList& l, const Reach& r, size_t start, size_t hint,
                      longint_t value) const;
  // Moves the rows that the entry at, whose finish moves, reaches.
  void moveRows(const SlotList& l, Reach& r, size_t at, longint_t release, longint_t from,
                longint_t to);
  // Adds the entries from mid to hi, less those released at relI whose node
  // did not run, from the idle entry idleFrom on.
  void addParts(SlotList& l, const Reach& r, longint_t relI, longint_t end, size_t idleFrom,
                const Reached& w) const;

  bool built = false;
  std::vector<Reach> reaches;
  // Per node, its entries: node k's from the k-th to the (k + 1)-th offset.
  std::vector<size_t> placesFrom;
  std::vector<Place> places;
  std::vector<longint_t> dates;     // the nodes' release dates, sorted, each once
  std::vector<std::uint32_t> dateOf;  // per node, the place of its release date
  SortedIndex dateIndex;
};

#endif
