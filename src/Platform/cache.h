#ifndef TOLLBRIG_PLATFORM_CACHE_H
#define TOLLBRIG_PLATFORM_CACHE_H

#include <string>

#include "Platform/cacheGeometry.h"
#include "Platform/memory.h"

// Set-associative LRU cache with useful-block analysis.
class Cache : public Memory {
 public:
  // Geometry 0: MEM leaves its outputs as they are and returns 1.
  explicit Cache(MemoryType t);
  Cache(MemoryType t, int lineSize, int numberOfSets, int associativity);

  // The useful-block analysis; 1 when it could not run.
  int MEM(Trace& trace, longint_t& memDemand, longint_t& writeAccesses, std::set<int>& UCBs,
          std::set<int>& ECBs) override;
  // Forward pass: demand, write count, every touched set (ECBs) and the sets of
  // the largest group of cached blocks that are used again (UCBs). 0 done; 1,
  // outputs untouched, when the geometry is invalid; 1, counts 0, when the
  // reversed records cannot be read.
  int CacheAnalysis(Trace& trace, longint_t& memDemand, longint_t& writeAccesses,
                    std::set<int>& UCBs, std::set<int>& ECBs);
  // Backward pass: records per entry the contents of a cache fed the trace from
  // its end back to that entry (TMPDIR/tmp.dat), then writes those records in
  // trace order (TMPDIR/tmp2.dat). The sets are not touched. 0 done, 1 when the
  // geometry is invalid or the record file cannot be written.
  int reverseCacheAnalysis(Trace& trace, std::set<int>& UCBs, std::set<int>& ECBs);
  bool updateCache(CacheContents& contents, uint32_t address) const;
  const CacheGeometry& getGeometry() const { return geometry; }

 private:
  // Runs entry j's accesses that this cache serves, each through access(address, kind):
  // the instruction fetch first (kind -1), then the data access (kind 0 or 1).
  template <typename Access>
  void forEachAccess(const Trace& trace, int j, Access access) const;
  // False, with a message, when the geometry cannot be analysed.
  bool checkGeometry() const;

  CacheGeometry geometry;
};

#endif
