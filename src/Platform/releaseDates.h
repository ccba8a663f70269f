#ifndef TOLLBRIG_PLATFORM_RELEASEDATES_H
#define TOLLBRIG_PLATFORM_RELEASEDATES_H

#include <vector>

#include "keys.h"

class Nodeset;

// The release-date fixed point. A node waits for its predecessors and for the
// nodes of its core's list with a strictly lower priority value; it is released
// at the latest of their finish dates and its initial date.
//
// The passes run in node index order and update in place. When the waits-for
// relation is acyclic their limit is its unique solution, which one sweep in
// topological order gives directly; only a cyclic relation is iterated pass by
// pass, since there the start values and the order decide the outcome.
class ReleaseDates {
 public:
  explicit ReleaseDates(Nodeset& ns);

  // Settles the dates from rel0 under the current response times; changed tells
  // whether any date moved. A pass beyond the (n + 1)-th that still moves a
  // date proves a cycle of positive weight: the error is printed and 1 returned.
  int settle(const std::vector<longint_t>& rel0, bool& changed);

 private:
  // The nodes of one core's list sorted by priority, split into levels of equal priority.
  struct CoreOrder {
    std::vector<longint_t> nodes;
    std::vector<int> priorities;
    std::vector<int> levelStart;  // one entry per level plus the end
    int firstLevel = 0;           // index of this core's first level among all levels
  };

  longint_t finish(longint_t k) const;
  longint_t predecessorsFinish(longint_t i, longint_t r) const;
  void buildOrder();
  void sweep(const std::vector<longint_t>& rel0, bool& changed);
  int iterate(const std::vector<longint_t>& rel0, bool& changed);

  Nodeset& ns;
  longint_t n;
  std::vector<CoreOrder> cores;
  std::vector<int> waitCore;         // index into cores, -1 when the node waits for no core list
  std::vector<int> waitPrefix;       // number of leading entries of that list the node waits for
  std::vector<int> waitLevel;        // global index of the last level it waits for, -1 for none
  std::vector<longint_t> topoOrder;  // nodes, then n + level; empty when cyclic
};

#endif
