#ifndef TOLLBRIG_RTA_H
#define TOLLBRIG_RTA_H

#include <cstdint>
#include <unordered_map>
#include <vector>

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
  // Hashes of the fixed-point states seen, with the pass after which each was seen.
  typedef std::unordered_multimap<std::uint64_t, int> StateLog;

  // One pass of the response-time equation over all nodes, in place; true
  // when some response time changed.
  bool responseTimePass();
  void startResponseTimes(std::vector<longint_t>& prevR) const;
  int settleResponseTimes(std::vector<longint_t>& prevR, int& passes);
  longint_t firstDifference(const std::vector<longint_t>& prevR) const;
  void refresh(longint_t i, std::vector<longint_t>& prevR);
  bool revisits(StateLog& seen, const std::vector<longint_t>& start,
                const std::vector<longint_t>& prevR, int pass);
  bool busFailed() const;
  void writeImage() const;
  void checkDeadlines();

  Nodeset* ns = nullptr;
};

#endif
