// Trace files: read, then profiled as the trace profiler does it: the
// processor demand and the analyses of a cache of one-byte lines, an ordinary
// cache and a plain cache model.
#include <set>

#include "Platform/cache.h"
#include "Platform/core.h"
#include "Platform/pCache.h"
#include "fuzzSupport.h"
#include "globals.h"
#include "trace.h"

namespace {

void profile(Trace& trace, Memory& memory) {
  longint_t memDemand = 0, writeAccesses = 0;
  std::set<int> UCBs, ECBs;
  memory.MEM(trace, memDemand, writeAccesses, UCBs, ECBs);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const FuzzScratch& scratch = FuzzScratch::instance();
  // The trace and the cache analysis's record files live in the scratch directory.
  INPUTDIR = scratch.path();
  TMPDIR = scratch.path();
  scratch.write("t.txt", data, size);
  Trace trace;
  if (trace.readTrace("t") != 0) return 0;
  longint_t procDemand = 0;
  Core().computeProcDemand(trace, procDemand);
  Cache byteLines(UNIFIED, 1, 2, 2);
  profile(trace, byteLines);
  Cache lines(DATA, 16, 4, 2);
  profile(trace, lines);
  PCache plain(UNIFIED, 16, 4, 2);
  profile(trace, plain);
  return 0;
}
