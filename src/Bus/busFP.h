#ifndef TOLLBRIG_BUS_BUSFP_H
#define TOLLBRIG_BUS_BUSFP_H

#include <memory>

#include "Bus/bus.h"

// Fixed priority: window accesses of the nodes whose priority value is not
// below the node's, plus the periodic workload of those whose value is not
// above it, capped at the node's transactions.
class BusFP : public Bus {
 public:
  BusFP() = default;
  explicit BusFP(Processor* p) : Bus(p) {}
  longint_t getInterference(int i, longint_t t, Nodeset* nodeset, int bank) override;
  longint_t bankSum(int i, longint_t t, Nodeset* nodeset, int banks) override;
  Reads reads() const override { return Reads::Overlapping; }
  // The periodic bound reads the response time of every node with a memory demand.
  bool readsByPriority(const Nodeset& nodeset, int k) const override;
  // Once the periodic bound of every node reaches its transactions, it stays
  // there, and the model reads the others only by overlap.
  bool risesByOverlap(const Nodeset& nodeset) const override;
  bool roseByOverlap(const Nodeset& nodeset) const override;
  // Sums over the nodes ranked by priority value, highest first.
  std::unique_ptr<ReleaseSweep> makeSweep(const Nodeset& nodeset, int banks) override;
  // Saturated: the periodic workload reached the transactions of every bank.
  longint_t saturationBound(const Nodeset& nodeset) const override;
  bool saturated(int i) const override;

 private:
  static longint_t capped(longint_t S, longint_t lowerOrEqual);
  void noteSaturation(int i, bool reached);

  std::vector<bool> saturatedLast;
};

#endif
