#ifndef TOLLBRIG_PLATFORM_RTA_H
#define TOLLBRIG_PLATFORM_RTA_H

#include <vector>

#include "Platform/analysis.h"

class ReleaseOrderSettling;

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

 private:
  // Sets every response time to its start value, and returns them.
  std::vector<longint_t> startResponseTimes();
  int settleResponseTimes(ReleaseOrderSettling& releaseOrder, int& passes);
  std::vector<longint_t> responseTimes() const;
  bool busFailed() const;
  void writeImage() const;
  void checkDeadlines();

  Nodeset* ns = nullptr;
};

#endif
