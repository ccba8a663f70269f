#ifndef TOLLBRIG_PLATFORM_CORE_H
#define TOLLBRIG_PLATFORM_CORE_H

#include "Bus/interference.h"

class Trace;

// The core itself adds no interference; it sums a trace's execution times.
class Core : public Interference {
 public:
  Core() = default;
  explicit Core(Processor* p);
  longint_t getInterference(int i, longint_t t, Nodeset* nodeset, int bank) override;
  Reads reads() const override { return Reads::Nothing; }
  int computeProcDemand(Trace& trace, longint_t& demand);
};

#endif
