#ifndef TOLLBRIG_SPEEDUP_STALENODES_H
#define TOLLBRIG_SPEEDUP_STALENODES_H

#include <cstdint>
#include <utility>
#include <vector>

#include "Bus/interference.h"
#include "Speedup/nodeFlags.h"
#include "Speedup/sortedSearch.h"
#include "keys.h"

class Nodeset;

// The nodes whose response time a pass must compute again: those a changed
// response time can reach, as the interference models declare. Any other node
// would compute the value it already has. Release dates must not change while
// the set is in use, but between settlings through restart.
//
// A node read by priority reaches every node whose priority value is not
// below its own. Rather than marking them all, the changes of such nodes are
// kept with their place in the pass: in index order, a node is stale when one
// of them came before it in this pass, or after it in the last one. Rises
// that keep every response time within the bus's saturation bound are kept
// apart, as they leave the nodes whose last evaluation saturated as they are.
class StaleNodes {
 public:
  StaleNodes(const Nodeset& ns, const Interference& core, const Interference& bus);

  // Takes the node set's release dates and response times anew, for the next
  // settling, with every node stale; its demands must be as they were.
  void restart();

  void markAll() { stale.setAll(); }
  // Starts a pass over the nodes in index order.
  void beginPass();
  // The first stale node from i on; n when there is none.
  longint_t next(longint_t i) const;
  void computed(longint_t i) { stale.reset(i); }
  // Node k's response time changed from before to after.
  void changed(longint_t k, longint_t before, longint_t after);

 private:
  // Banks as bits, bank b at bit b mod 64; a shared bit may be a false match,
  // which only marks a node more.
  static std::uint64_t bankBit(int bank) {
    return std::uint64_t{1} << (static_cast<unsigned>(bank) % 64);
  }
  void collectBanks(Interference::BankReads scope);
  // The nodes that read each bank, by release date.
  void sortReaders();
  // The overlap length from which every model that reads by overlap counts
  // node k's whole demand.
  longint_t wholeDemandFrom(int k) const;

  const Nodeset& ns;
  const Interference& core;
  const Interference& bus;
  Interference::Reads reads;
  NodeFlags stale;
  std::vector<longint_t> byRelease;  // node indexes sorted by release date
  std::vector<longint_t> releases;   // their release dates
  SortedIndex releaseIndex;
  // Whether node j reads a change by priority.
  bool readsChange(longint_t j) const;

  // Changes of nodes read by priority: those of this pass, with their priority
  // values, and the least of these values; those of the last pass by index,
  // and from each on the least priority value.
  class PriorityChanges {
   public:
    void add(longint_t k, int priority);
    void beginPass();
    bool empty() const { return leastNow == noChange && before.empty(); }
    // Whether a node j of this priority value reads one: one in this pass, or
    // one of the last pass after it.
    bool reach(longint_t j, int priority) const;

   private:
    static constexpr std::int64_t noChange = INT64_MAX;
    std::vector<std::pair<longint_t, int>> now;
    std::int64_t leastNow = noChange;
    std::vector<longint_t> before;
    std::vector<int> leastFrom;
  };
  PriorityChanges changes;  // those every node of a reached priority reads
  PriorityChanges rises;    // those only the nodes that did not saturate read
  longint_t saturationBound;
  longint_t largestResponse = 0;
  std::vector<std::uint64_t> reachBanks;  // per node, the banks where it has a demand
  std::vector<bool> reachesAll;           // per node, whether it reaches every node it overlaps
  std::vector<longint_t> wholeFrom;       // per node, the overlap from which it counts whole
  // Per bank bit, the nodes that read a bank of it, by release date; none
  // when every node reads every bank.
  struct Readers {
    std::vector<longint_t> releases;
    std::vector<longint_t> nodes;
    SortedIndex releaseIndex;
  };
  std::vector<Readers> readersOf;
  std::vector<std::uint64_t> readBanks;  // per node, the bank bits it reads
};

#endif
