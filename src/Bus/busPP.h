#ifndef TOLLBRIG_BUS_BUSPP_H
#define TOLLBRIG_BUS_BUSPP_H

#include "Bus/bus.h"

// Selectable, but without an interference formula: asking it fails the analysis.
class BusPP : public Bus {
 public:
  BusPP() = default;
  explicit BusPP(Processor* p) : Bus(p) {}
  longint_t getInterference(int i, longint_t t, Nodeset* nodeset, int bank) override;

 private:
  bool reported = false;  // the failure is reported once per model
};

#endif
