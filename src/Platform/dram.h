#ifndef TOLLBRIG_PLATFORM_DRAM_H
#define TOLLBRIG_PLATFORM_DRAM_H

#include "Bus/interference.h"

class Bus;

// Refresh cost of the external memory within a window.
class DRAM : public Interference {
 public:
  DRAM() = default;
  DRAM(Processor* p, Bus* bus, int refreshDelay, int refreshInterval);
  longint_t getInterference(int i, longint_t t, Nodeset* nodeset, int bank) override;
  longint_t DRAMperNode(unsigned long t, unsigned long cap);
  void setRefreshInterval(int v);
  int getRefreshInterval() const;
  void setRefreshDelay(int v);
  int getRefreshDelay() const;

 private:
  longint_t refreshes(longint_t t) const;

  Bus* bus = nullptr;
  int refreshDelay = 0;
  int refreshInterval = 1;
  int refreshCount = 8192;
};

#endif
