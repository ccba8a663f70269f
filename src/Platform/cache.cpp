#include "Platform/cache.h"

#include "keys.h"

Cache::Cache(MemoryType t) : Memory(t) {}

Cache::Cache(MemoryType t, int lineSize, int numberOfSets, int associativity)
    : Memory(t), geometry(lineSize, numberOfSets, associativity) {}

int Cache::MEM(Trace& trace, longint_t& memDemand, longint_t& writeAccesses,
               std::set<int>& UCBs, std::set<int>& ECBs) {
  if (geometry.isValid()) CacheAnalysis(trace, memDemand, writeAccesses, UCBs, ECBs);
  return 0;
}

int Cache::CacheAnalysis(Trace&, longint_t&, longint_t&, std::set<int>&, std::set<int>&) {
  return 0;
}

bool Cache::updateCache(CacheContents& contents, uint32_t address) const {
  return geometry.access(contents, address);
}
