#ifndef TOLLBRIG_RELEASESWEEP_H
#define TOLLBRIG_RELEASESWEEP_H

#include <memory>
#include <vector>

#include "Bus/overlapIndex.h"
#include "keys.h"

class Nodeset;

// Window access counts, as computeA's, for the windows of nodes taken in
// release order. While the nodes released at a date settle, those released
// before it are final: the entries they own count the same in every window
// opening at that date, and follow the date by a sweep over their finish
// dates. The entries released from the date on depend only on the window's
// end, and come from prefix sums of their demands. No date or sum may wrap
// around.
//
// The counts go by the slot of the core list an entry comes from, or, for a
// sweep over the nodes themselves, by a class of each node.
class ReleaseSweep {
 public:
  ReleaseSweep(const Nodeset& ns, const OverlapIndex& index, int banks, int delay);
  ReleaseSweep(const Nodeset& ns, const OverlapIndex& index, int banks, int delay,
               std::vector<int> classOfNode, int classes);
  ~ReleaseSweep();
  ReleaseSweep(const ReleaseSweep&) = delete;
  ReleaseSweep& operator=(const ReleaseSweep&) = delete;

  // Moves on to the nodes released at date, not before the last one; every
  // node released before it keeps its response time from now on.
  void enter(longint_t date);
  // Whether the counts go by core-list slot.
  bool bySlot() const { return classOfNode.empty(); }
  // The counts by slot for the window from relI to end on the bank, with the
  // delay as the divisor of the overlap lengths; nullptr unless the window
  // opens at the current date and the node set and delay are the sweep's.
  const std::vector<longint_t>* counts(const Nodeset& nodeset, int bank, longint_t relI,
                                       longint_t end, int delay);

 private:
  struct Bank;

  Bank& bank(int b);
  void catchUp(Bank& b) const;
  longint_t accesses(longint_t length, longint_t demand) const;
  void addWhole(const Bank& b, size_t lo, size_t hi);

  const Nodeset& ns;
  const OverlapIndex& index;
  int delay;
  std::vector<int> classOfNode;
  int classes;
  longint_t date = 0;
  std::vector<std::unique_ptr<Bank>> banks;  // built on the first question
  std::vector<longint_t> result;
};

#endif
