#include "Platform/dram.h"

#include <algorithm>
#include <cmath>

#include "Bus/bus.h"
#include "count.h"
#include "keys.h"

DRAM::DRAM(Processor* p, Bus* b, int delay, int interval)
    : bus(b), refreshDelay(delay), refreshInterval(interval) {
  processor = p;
}

longint_t DRAM::refreshes(longint_t t) const {
  // Double precision; an interval of 0 gives no finite count, so 0.
  return toCount(std::ceil(static_cast<double>(t) / static_cast<double>(refreshInterval)) *
                 static_cast<double>(refreshCount));
}

longint_t DRAM::getInterference(int i, longint_t t, Nodeset* nodeset, int bank) {
  return cycles(refreshDelay, std::min(refreshes(t), bus->getInterference(i, t, nodeset, bank)));
}

longint_t DRAM::DRAMperNode(unsigned long t, unsigned long cap) {
  return cycles(refreshDelay, std::min(refreshes(t), cap));
}

void DRAM::setRefreshInterval(int v) { refreshInterval = v; }
int DRAM::getRefreshInterval() const { return refreshInterval; }
void DRAM::setRefreshDelay(int v) { refreshDelay = v; }
int DRAM::getRefreshDelay() const { return refreshDelay; }
