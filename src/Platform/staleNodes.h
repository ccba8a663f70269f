#ifndef TOLLBRIG_STALENODES_H
#define TOLLBRIG_STALENODES_H

#include <cstdint>
#include <vector>

#include "Bus/interference.h"
#include "Platform/nodeFlags.h"
#include "keys.h"

class Nodeset;

// The nodes whose response time a pass must compute again: those a changed
// response time can reach, as the interference models declare. Any other node
// would compute the value it already has. Release dates must not change while
// the set is in use.
class StaleNodes {
 public:
  StaleNodes(const Nodeset& ns, const Interference& core, const Interference& bus);

  void markAll() { stale.setAll(); }
  // The first stale node from i on; n when there is none.
  longint_t next(longint_t i) const { return stale.next(i); }
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

  const Nodeset& ns;
  const Interference& core;
  const Interference& bus;
  Interference::Reads reads;
  NodeFlags stale;
  std::vector<longint_t> byRelease;  // node indexes sorted by release date
  std::vector<longint_t> releases;   // their release dates
  std::vector<longint_t> byPriority;  // node indexes sorted by priority value
  std::vector<int> priorities;        // their priority values
  std::vector<std::uint64_t> reachBanks;  // per node, the banks where it has a demand
  std::vector<bool> reachesAll;           // per node, whether it reaches every node it overlaps
  std::vector<std::uint64_t> readBanks;   // in byRelease order, the banks where a node reads
};

#endif
