#ifndef TOLLBRIG_STALENODES_H
#define TOLLBRIG_STALENODES_H

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
  const Nodeset& ns;
  const Interference& core;
  const Interference& bus;
  Interference::Reads reads;
  NodeFlags stale;
  std::vector<longint_t> byRelease;  // node indexes sorted by release date
  std::vector<longint_t> releases;   // their release dates
  std::vector<longint_t> byPriority;  // node indexes sorted by priority value
  std::vector<int> priorities;        // their priority values
};

#endif
