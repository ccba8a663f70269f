#ifndef TOLLBRIG_PLATFORM_SCRATCHPAD_H
#define TOLLBRIG_PLATFORM_SCRATCHPAD_H

#include "Platform/memory.h"

// Scratchpad: reads and fetches are local, every data write reaches the shared memory.
class ScratchPad : public Memory {
 public:
  ScratchPad() = default;
  explicit ScratchPad(MemoryType t);
  // Sets memDemand to the number of write entries (0 for an instruction scratchpad).
  int MEM(Trace& trace, longint_t& memDemand, longint_t& writeAccesses, std::set<int>& UCBs,
          std::set<int>& ECBs) override;
};

#endif
