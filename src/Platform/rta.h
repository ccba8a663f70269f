#ifndef TOLLBRIG_RTA_H
#define TOLLBRIG_RTA_H

#include "Platform/analysis.h"

// Response times and release dates by two nested fixed points.
class ResponseTimeAnalysis : public Analysis {
 public:
  ResponseTimeAnalysis() = default;
  ResponseTimeAnalysis(Nodeset* n, Processor* p);

  int init(Nodeset* n, Processor* p);
  int analyse() override;
  int computeResponseTime();
  longint_t getResponseTime(unsigned long i);

 private:
  Nodeset* ns = nullptr;
};

#endif
