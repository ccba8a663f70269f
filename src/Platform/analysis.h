#ifndef TOLLBRIG_PLATFORM_ANALYSIS_H
#define TOLLBRIG_PLATFORM_ANALYSIS_H

#include "keys.h"

class Nodeset;
class Processor;

// Root of the analyses: bound to one node set and one processor.
class Analysis {
 public:
  Analysis() = default;
  explicit Analysis(Nodeset* n);
  Analysis(Nodeset* n, Processor* p);
  virtual ~Analysis() = default;

  int init(Nodeset* n, Processor* p);
  int init(Nodeset* n);
  // 0 when the analysis ran to its end, 1 when it could not give a verdict.
  virtual int analyse();
  bool isSchedulable() const;
  int getOuterLoopIter() const;

 protected:
  bool schedulable = true;
  Processor* processor = nullptr;
  Nodeset* nodeset = nullptr;
  int outerLoopIter = 0;
};

#endif
