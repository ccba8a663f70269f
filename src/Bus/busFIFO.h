#ifndef TOLLBRIG_BUS_BUSFIFO_H
#define TOLLBRIG_BUS_BUSFIFO_H

#include <memory>

#include "Bus/bus.h"

// First in, first out: window accesses of higher-priority nodes on other cores.
class BusFIFO : public Bus {
 public:
  BusFIFO() = default;
  explicit BusFIFO(Processor* p) : Bus(p) {}
  longint_t getInterference(int i, longint_t t, Nodeset* nodeset, int bank) override;
  longint_t bankSum(int i, longint_t t, Nodeset* nodeset, int banks) override;
  Reads reads() const override { return Reads::Overlapping; }
  bool monotone() const override { return true; }
  // Sums over the nodes ranked by priority and grouped by core.
  std::unique_ptr<ReleaseSweep> makeSweep(const Nodeset& nodeset, int banks) override;
};

#endif
