#ifndef TOLLBRIG_RELEASESWEEP_H
#define TOLLBRIG_RELEASESWEEP_H

#include <memory>
#include <optional>
#include <vector>

#include "Speedup/overlapIndex.h"
#include "keys.h"

class Nodeset;

// Window access counts, as computeA's, for the windows of nodes taken in
// release order. While the nodes released at a date settle, those released
// before it are final: the entries they own count the same in every window
// opening at that date, and follow the date by a sweep over their finish
// dates. The entries released from the date on depend only on the window's
// end: those it covers whole come from sums of their demands. No date or sum
// may wrap around.
//
// A sweep either counts the entries of the core lists on each bank by slot,
// from prefix sums by slot, or sums the counts of the nodes themselves on
// every bank the index covers by a rank of each node, and a group when there
// are groups, from totals and range sums by rank.
//
// One sweep serves the settlings of a whole analysis, each over an index of
// its own, and keeps the room its lists took from one to the next.
class ReleaseSweep {
 public:
  ReleaseSweep(const Nodeset& ns, int banks, int delay);
  // By rank: a window of node i sums the nodes ranked below its bound (its own
  // rank when no bounds are given), outside its group unless there are none.
  ReleaseSweep(const Nodeset& ns, int delay, std::vector<int> rankOfNode,
               std::vector<int> groupOfNode, std::vector<int> boundOfNode = {});
  ~ReleaseSweep();
  ReleaseSweep(const ReleaseSweep&) = delete;
  ReleaseSweep& operator=(const ReleaseSweep&) = delete;

  // Starts a settling over the index, which must outlive it.
  void begin(const OverlapIndex& index);
  // Moves on to the nodes released at date, not before the last one; every
  // node released before it keeps its response time from now on.
  void enter(longint_t date);
  // The counts by slot for the window from relI to end on the bank, with the
  // delay as the divisor of the overlap lengths; nullptr unless the window
  // opens at the current date, the node set and delay are the sweep's, and it
  // counts by slot.
  const std::vector<longint_t>* counts(const Nodeset& nodeset, int bank, longint_t relI,
                                       longint_t end, int delay);
  // The sum over every bank of the counts of the nodes ranked below node i's
  // bound and outside its group, for node i's window from relI to end, under
  // the same conditions for a sweep by rank.
  std::optional<longint_t> sumBelow(const Nodeset& nodeset, longint_t relI, longint_t end,
                                    int delay, int i);

 private:
  struct List;
  struct Window {
    size_t lo, mid, hi;  // entries released from the date: whole up to mid, then in part
  };

  bool answers(const Nodeset& nodeset, int list, longint_t relI, int delay) const;
  bool grouped() const { return !groupOfNode.empty(); }
  List& list(int at);
  void buildSlotSums(List& l) const;
  void buildRankSums(List& l) const;
  void buildDemandSums(List& l) const;
  void numberKeys();
  void tally(List& l, size_t at, longint_t count) const;
  void catchUp(List& l) const;
  Window window(List& l, longint_t end) const;
  template <typename Add>
  void addPartial(const List& l, const Window& w, longint_t end, Add add) const;
  longint_t accesses(longint_t length, longint_t demand) const;
  longint_t entryAccesses(const List& l, size_t at, longint_t length) const;
  void addWhole(const List& l, size_t lo, size_t hi);

  const Nodeset& ns;
  const OverlapIndex* index = nullptr;
  int delay;
  bool byRank = false;
  std::vector<int> rankOfNode;
  std::vector<int> groupOfNode;
  std::vector<int> boundOfNode;
  // By rank: the number of ranks and of (group, rank) pairs, per node the
  // number of its pair and the numbers of the pairs below its group and its
  // own pair.
  size_t rankCount = 0;
  size_t keyCount = 0;
  std::vector<int> keyOfNode;
  std::vector<std::pair<size_t, size_t>> groupKeysOfNode;
  longint_t date = 0;
  std::vector<std::unique_ptr<List>> lists;  // each built on its first question in a settling
  std::vector<longint_t> result;
};

#endif
