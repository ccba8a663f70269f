#include "Platform/pCache.h"

#include "keys.h"
#include "trace.h"

PCache::PCache(MemoryType t) : Memory(t) {}

PCache::PCache(MemoryType t, int lineSize, int numberOfSets, int associativity)
    : Memory(t), geometry(lineSize, numberOfSets, associativity) {}

int PCache::MEM(Trace& trace, longint_t& memDemand, longint_t&, std::set<int>& UCBs,
                std::set<int>& ECBs) {
  CacheAnalysis(trace, memDemand, UCBs, ECBs);
  return 0;
}

int PCache::CacheAnalysis(Trace& trace, longint_t& memDemand, std::set<int>& UCBs,
                          std::set<int>& ECBs) {
  if (!geometry.isValid()) return 0;
  memDemand = 0;
  UCBs.clear();
  ECBs.clear();
  CacheContents contents = geometry.emptyContents();
  const bool fetches = type == INSTRUCTION || type == UNIFIED;
  const bool dataAccesses = type == DATA || type == UNIFIED;
  for (int j = 0; j < trace.getSize(); ++j) {
    if (fetches && !updateCache(contents, trace.instrAddress(j))) ++memDemand;
    const int kind = trace.instrType(j);
    if (dataAccesses && kind != 2) {
      // Write-through: every write reaches the shared memory, hit or miss.
      const bool hit = updateCache(contents, trace.memAddress(j));
      if (!hit || kind == 0) ++memDemand;
    }
  }
  return 0;
}

bool PCache::updateCache(CacheContents& contents, uint32_t address) const {
  return geometry.access(contents, address);
}
