#include "Platform/scratchPad.h"

#include "keys.h"
#include "trace.h"

ScratchPad::ScratchPad(MemoryType t) : Memory(t) {}

int ScratchPad::MEM(Trace& trace, longint_t& memDemand, longint_t&, std::set<int>&,
                    std::set<int>&) {
  memDemand = 0;
  if (type == INSTRUCTION) return 0;
  for (int j = 0; j < trace.getSize(); ++j)
    if (trace.instrType(j) == 0) ++memDemand;
  return 0;
}
