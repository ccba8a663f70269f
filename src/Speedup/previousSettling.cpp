#include "Speedup/previousSettling.h"

#include <algorithm>

#include "nodeset.h"

void PreviousSettling::record(const std::vector<longint_t>& releaseOrder) {
  const longint_t n = ns.getSize();
  release.resize(n);
  response.resize(n);
  for (longint_t k = 0; k < n; ++k) {
    release[k] = ns.getReleaseDate(static_cast<int>(k));
    response[k] = ns.getResponseTime(static_cast<int>(k));
  }
  order = releaseOrder;
  recorded = true;
}

// Both settlings' orders list the moved nodes by their dates there, so the
// moved starts and intervals come sorted from them.
void PreviousSettling::begin(const std::vector<longint_t>& releaseOrder) {
  usable = recorded && release.size() == ns.getSize() && releaseOrder.size() == order.size();
  movedStarts.clear();
  movedIntervals.clear();
  taken = 0;
  reach = 0;
  pendingReach = 0;
  if (!usable) return;
  const auto moved = [this](longint_t k) {
    return ns.getReleaseDate(static_cast<int>(k)) != release[k];
  };
  for (longint_t k : order)
    if (moved(k)) {
      movedStarts.push_back(release[k]);
      movedIntervals.push_back({release[k], release[k] + response[k]});
    }
  const auto old = static_cast<long>(movedStarts.size());
  for (longint_t k : releaseOrder)
    if (moved(k)) movedStarts.push_back(ns.getReleaseDate(static_cast<int>(k)));
  std::inplace_merge(movedStarts.begin(), movedStarts.begin() + old, movedStarts.end());
}

void PreviousSettling::enter(longint_t d) {
  date = d;
  reach = std::max(reach, pendingReach);
  pendingReach = 0;
  for (; taken < movedIntervals.size() && movedIntervals[taken].start < date; ++taken)
    reach = std::max(reach, movedIntervals[taken].finish);
}

bool PreviousSettling::keeps(longint_t i) const {
  if (!usable || release[i] != date || reach > date) return false;
  const auto moved = std::lower_bound(movedStarts.begin(), movedStarts.end(), date);
  return moved == movedStarts.end() || *moved >= date + response[i];
}

void PreviousSettling::settled(longint_t i) {
  if (!usable) return;
  const longint_t r = ns.getResponseTime(static_cast<int>(i));
  if (release[i] != date) {
    pendingReach = std::max(pendingReach, date + r);
  } else if (r != response[i]) {
    pendingReach = std::max(pendingReach, date + std::max(r, response[i]));
  }
}
