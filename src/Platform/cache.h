#ifndef TOLLBRIG_CACHE_H
#define TOLLBRIG_CACHE_H

#include "Platform/cacheGeometry.h"
#include "Platform/memory.h"

// Set-associative LRU cache with useful-block analysis.
class Cache : public Memory {
 public:
  // Geometry 0: MEM then leaves its outputs as they are.
  explicit Cache(MemoryType t);
  Cache(MemoryType t, int lineSize, int numberOfSets, int associativity);

  int MEM(Trace& trace, longint_t& memDemand, longint_t& writeAccesses, std::set<int>& UCBs,
          std::set<int>& ECBs) override;
  // Forward pass of the useful-block analysis; MEM runs it only on a valid geometry.
  int CacheAnalysis(Trace& trace, longint_t& memDemand, longint_t& writeAccesses,
                    std::set<int>& UCBs, std::set<int>& ECBs);
  bool updateCache(CacheContents& contents, uint32_t address) const;
  const CacheGeometry& getGeometry() const { return geometry; }

 private:
  CacheGeometry geometry;
};

#endif
