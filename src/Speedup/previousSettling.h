#ifndef TOLLBRIG_SPEEDUP_PREVIOUSSETTLING_H
#define TOLLBRIG_SPEEDUP_PREVIOUSSETTLING_H

#include <vector>

#include "keys.h"

class Nodeset;

// The release dates and response times of the last settling in release order,
// for the next one under new release dates. A node reads the others only
// where they overlap its window, so a node released at the same date as then,
// whose window up to its last response time no node entered or left since,
// and whose start no changed node covers, settles to the same response time.
// Nodes released at the same date must not run for 0 cycles.
class PreviousSettling {
 public:
  explicit PreviousSettling(const Nodeset& nodeset) : ns(nodeset) {}

  // Takes the node set's release dates and response times as the last
  // settling's, with its nodes in release order.
  void record(const std::vector<longint_t>& releaseOrder);
  void forget() { recorded = false; }

  // Starts a settling under the node set's release dates, with its nodes in
  // release order; then enter each date in increasing order and report every
  // node as it settles.
  void begin(const std::vector<longint_t>& releaseOrder);
  void enter(longint_t date);
  // Whether node i, released at the entered date, settles as last time.
  bool keeps(longint_t i) const;
  longint_t responseTime(longint_t i) const { return response[i]; }
  void settled(longint_t i);

 private:
  struct Interval {
    longint_t start;
    longint_t finish;
  };

  const Nodeset& ns;
  bool recorded = false;
  std::vector<longint_t> release;
  std::vector<longint_t> response;
  std::vector<longint_t> order;  // by release
  // For the settling under way:
  bool usable = false;
  longint_t date = 0;
  std::vector<longint_t> movedStarts;    // old and new release dates of the moved nodes
  std::vector<Interval> movedIntervals;  // their old intervals, by start
  size_t taken = 0;                      // of those, the ones that start before date
  longint_t reach = 0;                   // latest finish of a changed interval before date
  longint_t pendingReach = 0;            // of the changed nodes settled at date
};

#endif
