#ifndef TOLLBRIG_SPEEDUP_PASSCOUNTS_H
#define TOLLBRIG_SPEEDUP_PASSCOUNTS_H

#include <cstdint>
#include <vector>

#include "Speedup/nodeFlags.h"
#include "Speedup/slotSweep.h"
#include "Speedup/sortedSearch.h"
#include "keys.h"

// Window access counts by slot, as computeA's, for windows asked in any order
// that open at a node's release date. An entry released before the date
// counts by the date alone: the counts of those entries are walked on the
// first question at the date, from the blocks of entries whose latest finish
// passes it, and then kept, each changed response time moving the kept
// counts of the dates it reaches. Of the entries released from the date, a
// window counts those whole that its end covers whole; the kept counts take
// them in as the windows at the date grow. Every changed response time must
// be reported. No date or sum may wrap around.
class PassCounts : public SlotSweep {
 public:
  PassCounts(const Nodeset& nodeset, int banks, int accessDelay);
  ~PassCounts() override;

  // nullptr also for a window that opens at no node's release date.
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
  // Where the entries of a row's date lie: the first released from it, the
  // first it does not count whole, where the last window at the date ended,
  // and the first idle entry from start.
  struct Row {
    size_t start, whole;
    size_t mid, hi;
    size_t idle;
  };
  // What a bank's list adds: per entry its term, per block of entries at
  // least their latest finish, and the entries whose node may not run at all.
  // A date's row holds the counts by slot of the entries released before it.
  struct Reach {
    std::vector<Term> terms;
    std::vector<longint_t> blockFinish;
    std::vector<size_t> idle;
    SortedIndex releaseIndex;        // of the list's releases
    std::vector<std::uint32_t> row;  // per date, its row, or noRow before its first question
    NodeFlags rowed{0};              // the dates with a row
    std::vector<longint_t> rows;     // width counts per row
    std::vector<Row> rowPlaces;
  };
  // An entry of a node: its bank, its place in the bank's list, its release.
  struct Place {
    longint_t release;
    size_t at;
    size_t bank;
  };

  static constexpr std::uint32_t noRow = ~std::uint32_t{0};

  void forgetLists() override;
  // Takes in every bank's list, on the first question of a settling.
  void buildReaches();
  // The entries released from a window's start that it counts whole end at
  // mid, those it counts at all at hi.
  struct Reached {
    size_t mid, hi;
  };

  // The row of relI, a node's release date; noRow for another date.
  std::uint32_t rowOf(const SlotList& l, Reach& r, longint_t relI);
  // Counts the window from the row of its start.
  void countFromRow(SlotList& l, Reach& r, std::uint32_t row, longint_t relI, longint_t end);
  // Adds to count the entries released before relI, which start at start.
  void addEarlier(const SlotList& l, const Reach& r, longint_t relI, size_t start,
                  longint_t* count) const;
  // Where the window up to end reaches, found from the places of the last
  // window at the row's date, which are mostly a few steps away.
  Reached reachedNear(const SlotList& l, const Reach& r, longint_t end, const Row& row) const;
  // The first place from start whose release is not below value, looked for
  // from the hint.
  size_t notBelowNear(const SlotList& l, const Reach& r, size_t start, size_t hint,
                      longint_t value) const;
  // Moves the rows that the entry at, whose finish moves, reaches.
  void moveRows(const SlotList& l, Reach& r, size_t at, longint_t release, longint_t from,
                longint_t to);
  // Adds the entries from mid to hi, less those released at relI whose node
  // did not run.
  void addParts(SlotList& l, const Reach& r, longint_t relI, longint_t end, size_t idleFrom,
                const Reached& w) const;

  bool built = false;
  std::vector<Reach> reaches;
  // Per node, its entries: node k's from the k-th to the (k + 1)-th offset.
  std::vector<size_t> placesFrom;
  std::vector<Place> places;
  std::vector<longint_t> dates;  // the nodes' release dates, sorted, each once
  SortedIndex dateIndex;
};

#endif
