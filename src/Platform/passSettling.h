#ifndef TOLLBRIG_PLATFORM_PASSSETTLING_H
#define TOLLBRIG_PLATFORM_PASSSETTLING_H

#include <cstdint>
#include <memory>
#include <vector>

#include "Platform/lent.h"
#include "Platform/stateLog.h"
#include "Speedup/nodeFlags.h"
#include "Speedup/overlapIndex.h"
#include "Speedup/passCounts.h"
#include "Speedup/staleNodes.h"
#include "keys.h"

class Nodeset;
class Processor;
class ResponseTimeAnalysis;

// What the pass settlings of an analysis keep from one to the next: the index,
// the counts and the stale nodes' tables with the room they took, each taken
// up anew for the next settling rather than built again. The node set's core
// lists and demands must stay as they were.
class PassSetup {
 public:
  PassSetup(const Nodeset& nodeset, Processor& proc);
  ~PassSetup();
  PassSetup(const PassSetup&) = delete;
  PassSetup& operator=(const PassSetup&) = delete;

 private:
  friend class PassSettling;
  // Takes the node set's release dates and response times anew; the counts
  // only where limits are known, else nullptr.
  PassCounts* start(bool limited);

  const Nodeset& ns;
  Processor& processor;
  OverlapIndex index;
  std::unique_ptr<PassCounts> counts;  // built on the first settling with limits
  std::unique_ptr<StaleNodes> stale;   // built on the first settling
};

// The response times settling pass by pass from their start values under the
// same release dates. Every pass recomputes the response times from the
// current ones alone, and refreshes the first entry of prevR that differs from
// them. differs holds the entries of prevR that differ from the response
// times, and hash sums a hash of every entry of both, so neither needs a walk
// over all nodes per pass. The bus uses the index, and the counts the limits
// allow, and a pass computes only the stale nodes.
class PassSettling {
 public:
  enum class Outcome { settled, busFailed, goesRound };

  // Starts from the response times the node set holds, which are start.
  // limit, when not empty, holds the response times the passes rise to, each
  // from below: a node that reached its limit keeps it, and is not computed
  // again. The setup serves only this settling while it lives.
  PassSettling(const ResponseTimeAnalysis& analysis, Nodeset& nodeset, Processor& proc,
               std::vector<longint_t> start, std::vector<longint_t> limit, PassSetup& setup);

  // Settles the response times; passes counts the refreshes of prevR.
  Outcome settle(int& passes);

 private:
  // One pass of the response-time equation over the stale nodes, in place;
  // true when some response time changed. The other nodes would keep their
  // values.
  bool runPass();
  longint_t responseTime(longint_t i) const;
  // Sets R(i) and keeps what the settling tracks up to date.
  void store(longint_t i, longint_t r);
  longint_t firstDifference(const std::vector<longint_t>& replayed) const;
  void refresh(longint_t i);
  bool revisits(StateLog& seen, const std::vector<longint_t>& start, int pass);

  const ResponseTimeAnalysis& analysis;
  Nodeset& ns;
  Processor& processor;
  std::vector<longint_t> prevR;
  const std::vector<longint_t> limit;
  NodeFlags differs;
  std::uint64_t hash = 0;
  OverlapIndex& index;
  PassCounts* counts;  // with the limits
  StaleNodes& stale;
  Lent lent;
};

#endif
