// Trace files: read, then every entry visited through the accessors that the
// profiler uses.
#include "fuzzSupport.h"
#include "globals.h"
#include "trace.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const FuzzScratch& scratch = FuzzScratch::instance();
  INPUTDIR = scratch.path();
  scratch.write("t.txt", data, size);
  Trace trace;
  if (trace.readTrace("t") != 0) return 0;
  uint64_t sum = 0;
  for (int i = 0; i < trace.getSize(); ++i)
    sum += trace.memAddress(i) + trace.instrAddress(i) + static_cast<uint32_t>(trace.execTime(i)) +
           static_cast<uint32_t>(trace.instrType(i));
  volatile uint64_t kept = sum;
  (void)kept;
  return 0;
}
