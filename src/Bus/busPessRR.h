#ifndef TOLLBRIG_BUS_BUSPESSRR_H
#define TOLLBRIG_BUS_BUSPESSRR_H

#include "Bus/bus.h"

// Pessimistic round robin: one burst per competing core.
class BusPessRR : public Bus {
 public:
  BusPessRR() = default;
  explicit BusPessRR(Processor* p) : Bus(p) {}
  longint_t getInterference(int i, longint_t t, Nodeset* nodeset, int bank) override;
  Reads reads() const override { return Reads::Nothing; }
};

#endif
