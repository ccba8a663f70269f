#ifndef TOLLBRIG_PLATFORM_PERFECTMEMORY_H
#define TOLLBRIG_PLATFORM_PERFECTMEMORY_H

#include "Platform/memory.h"

// Ideal local memory: every access is served locally.
class PerfectMemory : public Memory {
 public:
  PerfectMemory() = default;
  explicit PerfectMemory(MemoryType t);
  int MEM(Trace& trace, longint_t& memDemand, longint_t& writeAccesses, std::set<int>& UCBs,
          std::set<int>& ECBs) override;
};

#endif
