#ifndef TOLLBRIG_OVERLAPINDEX_H
#define TOLLBRIG_OVERLAPINDEX_H

#include <map>
#include <span>
#include <vector>

#include "keys.h"

class Nodeset;

// Finds the nodes that can reach into a window without walking whole lists.
// Node k touches the window from relI to end only when relK < end and
// relI < relK + R(k), and it adds accesses on a bank only when it has a demand
// there. So per core list and bank, and per bank over all nodes, the entries
// with a demand on the bank are kept sorted by release date; with a bound on
// their response times, one range of each holds every node that can touch a
// window. Where a sum could wrap around, the range is the whole list.
//
// Release dates must not change while an index is in use, and every new
// response time must be reported with noteResponseTime.
class OverlapIndex {
 public:
  OverlapIndex(const Nodeset& ns, int banks);

  // Whether the index answers for this node set and bank.
  bool covers(const Nodeset& nodeset, int bank) const;
  void noteResponseTime(longint_t k, longint_t r);

  // Entries of core c's list with a demand on the bank that may touch the window.
  std::span<const longint_t> listNear(int core, int bank, longint_t relI, longint_t end) const;
  // Nodes with a demand on the bank that may touch the window.
  std::span<const longint_t> nodesNear(int bank, longint_t relI, longint_t end) const;
  // Entries of core c's list with a demand on the bank, and the sum of those demands.
  size_t listEntries(int core, int bank) const;
  longint_t listDemand(int core, int bank) const;
  // Nodes with a memory demand.
  const std::vector<longint_t>& memoryNodes() const { return withMemory; }

 private:
  struct Sorted {
    std::vector<longint_t> nodes;
    std::vector<longint_t> releases;
    longint_t demand = 0;
    size_t bound = 0;  // index into bounds
  };

  Sorted sorted(const std::vector<longint_t>& candidates, int bank, size_t bound) const;
  const Sorted* list(int core, int bank) const;
  std::span<const longint_t> near(const Sorted& s, longint_t relI, longint_t end) const;

  const Nodeset& ns;
  int banks;
  std::map<int, int> slotOfCore;
  std::vector<Sorted> lists;      // per core list (slot) and bank: slot * banks + bank
  std::vector<Sorted> bankNodes;  // per bank
  // At least every R(k) of each slot's list, then at least every R(k).
  std::vector<longint_t> bounds;
  std::vector<std::vector<int>> slotsOf;  // per node, the slots whose lists hold it
  std::vector<longint_t> withMemory;
};

#endif
