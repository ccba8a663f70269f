#ifndef TOLLBRIG_PLATFORM_RTA_H
#define TOLLBRIG_PLATFORM_RTA_H

#include <cstdint>
#include <vector>

#include "Platform/analysis.h"

class PassSetup;
class ReleaseDates;
class ReleaseOrderSettling;
class StateLog;

// Response times and release dates by two nested fixed points.
class ResponseTimeAnalysis : public Analysis {
 public:
  ResponseTimeAnalysis();
  ResponseTimeAnalysis(Nodeset* n, Processor* p);
  ~ResponseTimeAnalysis() override;

  int init(Nodeset* n, Processor* p);
  int analyse() override;
  int computeResponseTime();
  longint_t getResponseTime(unsigned long i);
  // The right side of node i's response-time equation under the current
  // response times; the settlings solve it.
  longint_t equation(int i) const;

 protected:
  // The hash of the node set's release dates, by which the outer loop logs
  // the start of each iteration.
  virtual std::uint64_t releaseDatesHash() const;

 private:
  // Sets every response time to its start value, and returns them.
  std::vector<longint_t> startResponseTimes();
  int settleResponseTimes(ReleaseOrderSettling& releaseOrder, PassSetup& passSetup, int& passes);
  // One outer iteration: the response times under the release dates, with
  // their pass count at -vv, then the release dates from rel0 under those.
  int outerIteration(ReleaseOrderSettling& releaseOrder, PassSetup& passSetup,
                     ReleaseDates& releases, const std::vector<longint_t>& rel0, bool& changed);
  bool revisits(StateLog& seen, ReleaseDates& releases, const std::vector<longint_t>& rel0);
  std::vector<longint_t> responseTimes() const;
  bool busFailed() const;
  void writeImage() const;
  void checkDeadlines();

  Nodeset* ns = nullptr;
};

#endif
