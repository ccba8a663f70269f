#include "Speedup/previousSettling.h"

#include <algorithm>

#include "nodeset.h"

void PreviousSettling::record() {
  const longint_t n = ns.getSize();
  release.resize(n);
  response.resize(n);
  for (longint_t k = 0; k < n; ++k) {
    release[k] = ns.getReleaseDate(static_cast<int>(k));
    response[k] = ns.getResponseTime(static_cast<int>(k));
  }
  recorded = true;
}

void PreviousSettling::begin() {
  usable = recorded && release.size() == ns.getSize();
  movedStarts.clear();
  movedIntervals.clear();
  taken = 0;
  reach = 0;
  pendingReach = 0;
  if (!usable) return;
  for (longint_t k = 0; k < release.size(); ++k) {
    const longint_t now = ns.getReleaseDate(static_cast<int>(k));
    if (now == release[k]) continue;
    movedStarts.push_back(release[k]);
    movedStarts.push_back(now);
    movedIntervals.push_back({release[k], release[k] + response[k]});
  }
  std::sort(movedStarts.begin(), movedStarts.end());
  std::sort(movedIntervals.begin(), movedIntervals.end(),
            [](const Interval& a, const Interval& b) { return a.start < b.start; });
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
