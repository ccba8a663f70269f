#ifndef TOLLBRIG_BUS_PERFECTBUS_H
#define TOLLBRIG_BUS_PERFECTBUS_H

#include "Bus/bus.h"

// Ideal bus: charges a node its own transactions in the old configuration only.
class PerfectBus : public Bus {
 public:
  PerfectBus() = default;
  explicit PerfectBus(Processor* p) : Bus(p) {}
  longint_t getInterference(int i, longint_t t, Nodeset* nodeset, int bank) override;
  Reads reads() const override { return Reads::Nothing; }
};

#endif
