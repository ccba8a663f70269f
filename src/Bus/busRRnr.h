#ifndef TOLLBRIG_BUS_BUSRRNR_H
#define TOLLBRIG_BUS_BUSRRNR_H

#include "Bus/bus.h"

// Round robin without release dates: each other core's whole demand, capped
// at the node's burst time.
class BusRRnr : public Bus {
 public:
  BusRRnr() = default;
  explicit BusRRnr(Processor* p) : Bus(p) {}
  longint_t getInterference(int i, longint_t t, Nodeset* nodeset, int bank) override;
  Reads reads() const override { return Reads::Nothing; }
};

#endif
