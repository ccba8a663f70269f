#ifndef TOLLBRIG_PLATFORM_MEMORY_H
#define TOLLBRIG_PLATFORM_MEMORY_H

#include <set>

#include "keys.h"

class Trace;

enum MemoryType { INSTRUCTION = 0, DATA = 1, UNIFIED = 2 };

// Root of the local memory models.
class Memory {
 public:
  virtual ~Memory() = default;
  // Analyses the whole trace and returns its memory demand, write count and
  // useful and evicting cache sets through the references; each model writes
  // only the outputs it computes. Returns 0; a cache whose analysis could not
  // run returns 1.
  virtual int MEM(Trace& trace, longint_t& memDemand, longint_t& writeAccesses, std::set<int>& UCBs,
                  std::set<int>& ECBs);
  MemoryType getType() const { return type; }

 protected:
  Memory() = default;
  explicit Memory(MemoryType t) : type(t) {}

  MemoryType type = UNIFIED;
};

#endif
