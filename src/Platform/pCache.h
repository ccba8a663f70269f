#ifndef TOLLBRIG_PLATFORM_PCACHE_H
#define TOLLBRIG_PLATFORM_PCACHE_H

#include "Platform/cacheGeometry.h"
#include "Platform/memory.h"

// Set-associative LRU write-through cache with write allocation, counted for demand only.
class PCache : public Memory {
 public:
  // Geometry 0: MEM then leaves its outputs as they are.
  explicit PCache(MemoryType t);
  PCache(MemoryType t, int lineSize, int numberOfSets, int associativity);

  // Sets memDemand to the accesses that reach the shared memory; UCBs and ECBs come back empty.
  int MEM(Trace& trace, longint_t& memDemand, longint_t& writeAccesses, std::set<int>& UCBs,
          std::set<int>& ECBs) override;
  int CacheAnalysis(Trace& trace, longint_t& memDemand, std::set<int>& UCBs, std::set<int>& ECBs);
  bool updateCache(CacheContents& contents, uint32_t address) const;
  const CacheGeometry& getGeometry() const { return geometry; }

 private:
  CacheGeometry geometry;
};

#endif
