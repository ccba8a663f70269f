#ifndef TOLLBRIG_BUS_INTERFERENCE_H
#define TOLLBRIG_BUS_INTERFERENCE_H

#include <cstdint>

#include "keys.h"

// Cycles of count events of an int delay: the delay is widened to signed 64
// bits, the product is unsigned 64-bit and wraps.
inline longint_t cycles(int delay, longint_t count) {
  return static_cast<longint_t>(static_cast<int64_t>(delay)) * count;
}

class Nodeset;
class Processor;

// Root of every model that charges a node with interference cycles.
class Interference {
 public:
  Interference() = default;
  virtual ~Interference() = default;
  // Cycles node i loses on the bank while its window of length t is open.
  virtual longint_t getInterference(int i, longint_t t, Nodeset* nodeset, int bank);

  // Which response times a node's interference depends on; everything else it
  // reads (demands, release dates, priorities, placement) is fixed while the
  // response times settle, so an analysis may skip a node none of whose
  // response times changed.
  enum class Reads {
    Nothing,
    // Node i's own, and node k's only while rel(k) < rel(i) < rel(k) + R(k)
    // holds before or after the change, or while rel(k) = rel(i) and R(k)
    // changes between 0 and more (a sum that wraps around reaches all): a node
    // that starts with or after i's window counts from its start, whatever its
    // length. Another node's release date matters to node i only while that
    // node starts within i's window or covers its start.
    Overlapping,
    Anything,
  };
  virtual Reads reads() const { return Reads::Anything; }
  // Under Overlapping: whether node k's response time also reaches every node
  // whose priority value is not below k's, wherever it lies.
  virtual bool readsByPriority(const Nodeset&, int) const { return false; }
  // Under Overlapping: while no response time exceeds this bound, a node whose
  // last evaluation saturated keeps its value when response times read by
  // priority rise; 0 when no bound holds. Whether node i's last evaluation
  // saturated.
  virtual longint_t saturationBound(const Nodeset&) const { return 0; }
  virtual bool saturated(int) const { return false; }

  // Under Overlapping, on which banks node i reads the others. A window term
  // of node k counts at most k's demand on the bank, so k reaches i only on a
  // bank where k has a demand and i reads.
  enum class BankReads {
    EveryBank,
    // The banks where node i has transactions.
    TransactionBanks,
    // Those, and the nodes on the Rx pseudo-core on every bank.
    TransactionBanksAndRx,
  };
  virtual BankReads bankReads() const { return BankReads::EveryBank; }

  // Under Overlapping: an overlap length from which every window term of node
  // k counts k's whole demand, so a longer overlap gives the same terms;
  // all ones when there is none.
  virtual longint_t wholeDemandFrom(const Nodeset&, int) const { return ~longint_t{0}; }

  // Under Overlapping: whether the value never falls when the window or a
  // response time grows, as long as no date or sum passes 2^63. Such a model
  // charges on one bank at most 2 x (cores + 3) x its largest delay x (1 + the
  // transactions and demands of all nodes and core-list entries on the bank).
  virtual bool monotone() const { return false; }

  // Under Overlapping: whether, from the start of a settling (every response
  // time at its processor demand) on, the model is monotone and reads no node
  // by priority, so that the nodes may settle in release order; the settling
  // then holds only if roseByOverlap accepts the response times it ends with.
  // By default: monotone and no node read by priority.
  virtual bool risesByOverlap(const Nodeset& nodeset) const;
  virtual bool roseByOverlap(const Nodeset&) const { return true; }

 protected:
  Processor* processor = nullptr;
};

#endif
