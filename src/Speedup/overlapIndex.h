#ifndef TOLLBRIG_SPEEDUP_OVERLAPINDEX_H
#define TOLLBRIG_SPEEDUP_OVERLAPINDEX_H

#include <memory>
#include <span>
#include <vector>

#include "keys.h"

class Nodeset;

// Finds the nodes that can reach into a window without walking whole lists.
// Node k touches the window from relI to end only when relK < end and
// relI < relK + R(k), and it adds accesses on a bank only when it has a demand
// there. So per bank, the entries of each core list, of all core lists
// together, and the nodes with a demand on the bank are kept sorted by release
// date, and the entries of each core list on every bank too; with a bound on
// the response times, one range of each holds every entry that can touch a
// window. Each table is built on its first question, so a model that asks
// none costs nothing.
//
// Release dates must not change while an index is in use, but between
// settlings through restart, and every new response time must be reported
// with noteResponseTime.
class OverlapIndex {
 public:
  struct Entry {
    longint_t release;
    longint_t demand;  // on the bank
    longint_t node;
    int slot;  // the core list it comes from; -1 in the node lists
    int bank;
  };

  OverlapIndex(const Nodeset& ns, int banks);
  ~OverlapIndex();

  // Whether the index answers for this node set and bank.
  bool covers(const Nodeset& nodeset, int bank) const;
  // Whether it answers for this node set on the banks 0 to banks - 1 together.
  bool coversEveryBank(const Nodeset& nodeset, int banks) const;
  void noteResponseTime(longint_t r);
  // Takes the node set's release dates and response times anew, for the next
  // settling; its core lists and demands must be as they were. The tables
  // sorted by release date are built anew where a date moved.
  void restart();
  // Counts the reported response times, so that a cached sum can tell it is current.
  unsigned long generation() const { return notes; }

  // The slot of core c's list, -1 when the core has none; slots run from 0 to slots() - 1.
  int slotOf(int core) const;
  int slots() const;

  // Entries of the core list in the slot with a demand on the bank that may
  // touch the window.
  std::span<const Entry> coreListNear(int slot, int bank, longint_t relI, longint_t end) const;
  // Entries of the core list in the slot with a demand on any bank that may touch the window.
  std::span<const Entry> coreListNearEveryBank(int slot, longint_t relI, longint_t end) const;
  // Entries of all core lists with a demand on the bank: those that may touch
  // the window, and all of them by release date.
  std::span<const Entry> allCoreListsNear(int bank, longint_t relI, longint_t end) const;
  std::span<const Entry> allCoreLists(int bank) const;
  // Nodes with a demand on the bank that may touch the window.
  std::span<const Entry> nodesNear(int bank, longint_t relI, longint_t end) const;
  // The entries of the nodes on every bank where they have a demand, by
  // release date, a node's entries next to each other; and those that may
  // touch the window.
  std::span<const Entry> nodesEveryBank() const;
  std::span<const Entry> nodesNearEveryBank(longint_t relI, longint_t end) const;
  // Entries of core c's list with a demand on the bank, and the sum of those demands.
  size_t listEntries(int core, int bank) const;
  longint_t listDemand(int core, int bank) const;
  // The nodes with a memory demand by priority value (equal values by
  // index), and what bounds their periodic workload.
  struct MemoryNodes {
    std::vector<longint_t> nodes;
    std::vector<int> priorities;   // theirs
    longint_t largestDemand = 0;   // memory demand
    longint_t shortestPeriod = 0;  // of those with a period; 0 when none has one
  };
  const MemoryNodes& memoryNodes() const;
  // At least every response time reported.
  longint_t responseBound() const;
  // Every node, by release date (equal dates by index).
  const std::vector<longint_t>& releaseOrder() const;

 private:
  struct Sorted;
  struct Tables;

  const Tables& tables() const;
  // The tables, with the one that done marks built by fill on its first question.
  template <typename Fill>
  Tables& filled(bool Tables::*done, Fill fill) const;
  const std::vector<std::vector<Sorted>>& slotLists() const;
  const Sorted& bankList(int bank) const;
  const Sorted& bankNodes(int bank) const;
  const Sorted& everyBankNodes() const;
  std::span<const Entry> near(const Sorted& list, longint_t relI, longint_t end) const;

  const Nodeset& ns;
  int banks;
  mutable std::unique_ptr<Tables> built;
  mutable longint_t bound = 0;  // at least every R(k), once built
  unsigned long notes = 0;
};

#endif
