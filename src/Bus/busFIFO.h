#ifndef TOLLBRIG_BUSFIFO_H
#define TOLLBRIG_BUSFIFO_H

#include <memory>
#include <vector>

#include "Bus/bus.h"

// First in, first out: window accesses of higher-priority nodes on other cores.
class BusFIFO : public Bus {
 public:
  BusFIFO() = default;
  explicit BusFIFO(Processor* p) : Bus(p) {}
  longint_t getInterference(int i, longint_t t, Nodeset* nodeset, int bank) override;
  Reads reads() const override { return Reads::Overlapping; }
  bool monotone() const override { return true; }
  // Counts by the core and the priority of the nodes.
  std::unique_ptr<ReleaseSweep> makeSweep(const Nodeset& nodeset, const OverlapIndex& index,
                                          int banks) override;

 private:
  // The classes of the last sweep made: per node the rank of its core and of
  // its priority among those of the set.
  std::vector<int> coreRank;
  std::vector<int> priorityRank;
  int priorities = 0;
};

#endif
