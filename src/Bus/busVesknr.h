#ifndef TOLLBRIG_BUS_BUSVESKNR_H
#define TOLLBRIG_BUS_BUSVESKNR_H

#include "Bus/bus.h"

// Two-level arbitration as BusVesk, with whole per-core demands instead of
// window accesses.
class BusVesknr : public Bus {
 public:
  BusVesknr() = default;
  explicit BusVesknr(Processor* p) : Bus(p) {}
  longint_t getInterference(int i, longint_t t, Nodeset* nodeset, int bank) override;
  Reads reads() const override { return Reads::Nothing; }
};

#endif
