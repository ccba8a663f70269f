#ifndef TOLLBRIG_BUS_H
#define TOLLBRIG_BUS_H

#include <span>

#include "Bus/interference.h"
#include "Bus/overlapIndex.h"
#include "nodeset.h"

// Abstract bus arbitration model with the window operations its models share.
// Node i's window runs from rel(i) to rel(i) + t; node k occupies rel(k) to
// rel(k) + R(k). All window arithmetic is unsigned 64-bit and wraps.
class Bus : public Interference {
 public:
  Bus() = default;
  explicit Bus(Processor* p) : proc(p) {}
  longint_t getInterference(int i, longint_t t, Nodeset* nodeset, int bank) override = 0;

  // True once the model was asked for a value it cannot give; the analysis
  // then fails instead of using the answer.
  bool hasFailed() const { return failed; }

  // While an index is attached, the window operations on its node set visit
  // only the nodes it finds near a window; nullptr detaches it.
  void attach(const OverlapIndex* index) { overlapIndex = index; }

  // Transactions of node i on the bank.
  longint_t computeS(int i, longint_t t, Nodeset* nodeset, int bank);
  // Accesses of the nodes on core c that can fall into node i's window.
  longint_t computeA(int i, int c, longint_t t, Nodeset* nodeset, int bank);
  // Whole demand of the nodes on core c on the bank, wherever they lie.
  longint_t computeNoReleaseA(int i, int c, longint_t t, Nodeset* nodeset, int bank);
  // Periodic workload bound of node k in a window of length t.
  longint_t computeL(int i, int k, longint_t t, Nodeset* nodeset, int bank);
  // Overlap bound of the nodes on core c built from node i's own demand.
  longint_t computeY(int i, int c, longint_t t, int S, Nodeset* nodeset, int bank);
  // Accesses of node k that can fall into node i's window: the per-node term of computeA.
  longint_t windowAccesses(int i, longint_t k, longint_t t, Nodeset* nodeset, int bank);

  static bool isRealCore(int core);
  // ceilf(length / delay) in single precision as a count; the delay is widened
  // to signed 64 bits and taken as unsigned. A delay of 0 gives 0.
  static longint_t windowQuotient(longint_t length, int delay);

 protected:
  // computeA or computeNoReleaseA: accesses of one core against node i's window.
  typedef longint_t (Bus::*CoreAccesses)(int i, int c, longint_t t, Nodeset* nodeset, int bank);

  // The attached index when it answers for this node set and bank, else nullptr.
  const OverlapIndex* indexFor(const Nodeset& nodeset, int bank) const {
    return overlapIndex != nullptr && overlapIndex->covers(nodeset, bank) ? overlapIndex : nullptr;
  }

  // The entries of core c's list that can add accesses on the bank to the
  // window from relI to end: the index's candidates, else the whole list.
  std::span<const longint_t> listNear(const Nodeset& nodeset, int c, int bank, longint_t relI,
                                      longint_t end) const;

  // Visits every node that can add accesses on the bank to the window from
  // relI to end: the index's candidates, else every node.
  template <typename Visit>
  void forNodesNear(const Nodeset& nodeset, int bank, longint_t relI, longint_t end,
                    Visit visit) const {
    if (const OverlapIndex* index = indexFor(nodeset, bank)) {
      for (longint_t k : index->nodesNear(bank, relI, end)) visit(k);
      return;
    }
    for (longint_t k = 0; k < nodeset.getSize(); ++k) visit(k);
  }

  // computeA with the given delay as the divisor of the overlap lengths.
  longint_t windowCount(int i, int c, longint_t t, const Nodeset& nodeset, int bank, int delay);

  // Round robin over the other cores than c (real cores ascending, then Tx and
  // Rx where the processor has them): accDelay x accesses, each capped at cap.
  longint_t roundRobin(CoreAccesses accesses, int i, int c, longint_t t, Nodeset* nodeset,
                       int bank, longint_t cap);

  // Two-level arbitration with separate cases for Rx, Tx and real-core nodes.
  longint_t twoLevel(CoreAccesses accesses, int i, longint_t t, Nodeset* nodeset, int bank);

  Processor* proc = nullptr;
  bool failed = false;
  const OverlapIndex* overlapIndex = nullptr;
};

#endif
