#ifndef TOLLBRIG_PLATFORM_RELEASEORDERSETTLING_H
#define TOLLBRIG_PLATFORM_RELEASEORDERSETTLING_H

#include <memory>
#include <vector>

#include "Speedup/overlapIndex.h"
#include "Speedup/previousSettling.h"
#include "Speedup/releaseSweep.h"

class Nodeset;
class Processor;
class ResponseTimeAnalysis;

// The response times settling one release date after the other, for one
// analysis: a node reads the nodes released before it, and of those released
// with it only whether they have run at all. What the last settling reached
// is kept for the next one under new release dates.
class ReleaseOrderSettling {
 public:
  ReleaseOrderSettling(const ResponseTimeAnalysis& analysis, Nodeset& nodeset, Processor& proc);

  // Whether the response times rise from the processor demands to the least
  // fixed point above them whatever order the nodes are updated in: then any
  // order reaches the values of the passes.
  bool applies() const;
  // Settles from the processor demands the node set holds. False when a
  // response time fell, which a monotone model never lets happen, or when the
  // bus does not vouch for the response times reached; the caller then
  // settles pass by pass.
  bool settle();
  // The response times were settled some other way since the last settle.
  void forget() { previous.forget(); }

 private:
  bool settleReleasedTogether(const std::vector<int>& nodes);
  bool keeps(int i);
  bool modelsRiseByOverlap() const;

  const ResponseTimeAnalysis& analysis;
  Nodeset& ns;
  Processor& processor;
  PreviousSettling previous;
  OverlapIndex index;                   // kept from one settling to the next
  std::unique_ptr<ReleaseSweep> sweep;  // made by the first settle
  const bool modelsAllow;               // all that applies asks but the release dates
  const long double charges;            // what the models can charge a node, at most
};

#endif
