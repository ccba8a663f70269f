#include "Platform/core.h"

#include <cstdint>

#include "keys.h"
#include "trace.h"

Core::Core(Processor* p) { processor = p; }

longint_t Core::getInterference(int, longint_t, Nodeset*, int) { return 0; }

int Core::computeProcDemand(Trace& trace, longint_t& demand) {
  demand = 0;
  // Execution times are signed: one with bit 31 set lowers the sum.
  for (int j = 0; j < trace.getSize(); ++j)
    demand += static_cast<longint_t>(static_cast<int64_t>(trace.execTime(j)));
  return 0;
}
