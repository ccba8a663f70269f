#ifndef TOLLBRIG_BUS_BUSTDMA_H
#define TOLLBRIG_BUS_BUSTDMA_H

#include "Bus/bus.h"

// Time-division slots: per transaction, slot units for every other core.
class BusTDMA : public Bus {
 public:
  // The slot is 2 whatever the int argument says.
  BusTDMA() = default;
  explicit BusTDMA(Processor* p) : Bus(p) {}
  explicit BusTDMA(int) {}
  BusTDMA(Processor* p, int) : Bus(p) {}
  longint_t getInterference(int i, longint_t t, Nodeset* nodeset, int bank) override;
  Reads reads() const override { return Reads::Nothing; }
  int getSlot() const { return slot; }

 private:
  int slot = 2;
};

#endif
