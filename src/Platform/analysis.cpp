#include "Platform/analysis.h"

#include "keys.h"

Analysis::Analysis(Nodeset* n) : nodeset(n) {}

Analysis::Analysis(Nodeset* n, Processor* p) : processor(p), nodeset(n) {}

int Analysis::init(Nodeset* n, Processor* p) {
  nodeset = n;
  processor = p;
  schedulable = true;
  return 0;
}

int Analysis::init(Nodeset* n) {
  nodeset = n;
  processor = nullptr;
  schedulable = true;
  outerLoopIter = 0;
  return 0;
}

int Analysis::analyse() { return 0; }

bool Analysis::isSchedulable() const { return schedulable; }

int Analysis::getOuterLoopIter() const { return outerLoopIter; }
