#ifndef TOLLBRIG_RTA_H
#define TOLLBRIG_RTA_H

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "Platform/analysis.h"

class OverlapIndex;
class PreviousSettling;
class ReleaseSweep;

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

 private:
  // Hashes of the fixed-point states seen, with the pass after which each was seen.
  typedef std::unordered_multimap<std::uint64_t, int> StateLog;

  // What one response-time fixed point keeps besides the response times.
  struct Settling;

  // One pass of the response-time equation over all nodes, in place; true
  // when some response time changed. While the response times settle, the
  // nodes that are not stale are skipped, as they would keep their values.
  bool responseTimePass();
  // The right side of node i's response-time equation.
  longint_t equation(int i) const;
  bool risesInReleaseOrder() const;
  bool settleInReleaseOrder();
  bool settleReleasedTogether(const std::vector<int>& nodes, OverlapIndex& index);
  bool keeps(int i, OverlapIndex& index);
  longint_t responseTime(longint_t i) const;
  // Sets R(i) and keeps what the settling tracks up to date.
  void store(longint_t i, longint_t r);
  std::vector<longint_t> startResponseTimes();
  int settleResponseTimes(int& passes);
  int settle(int& passes);
  longint_t firstDifference(const std::vector<longint_t>& prevR) const;
  void refresh(longint_t i);
  bool revisits(StateLog& seen, const std::vector<longint_t>& start, int pass);
  bool busFailed() const;
  void writeImage() const;
  void checkDeadlines();

  Nodeset* ns = nullptr;
  std::unique_ptr<Settling> settling;  // while the response times settle
  std::unique_ptr<PreviousSettling> previous;  // of the last analysis
  std::unique_ptr<ReleaseSweep> sweep;  // of the settlings in release order, once one runs
};

#endif
