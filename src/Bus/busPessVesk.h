#ifndef TOLLBRIG_BUS_BUSPESSVESK_H
#define TOLLBRIG_BUS_BUSPESSVESK_H

#include "Bus/bus.h"

// Pessimistic two-level arbitration: one burst per competing core and per active Rx node.
class BusPessVesk : public Bus {
 public:
  BusPessVesk() = default;
  explicit BusPessVesk(Processor* p) : Bus(p) {}
  longint_t getInterference(int i, longint_t t, Nodeset* nodeset, int bank) override;
  Reads reads() const override { return Reads::Nothing; }
};

#endif
