#include "Platform/staleNodes.h"

#include <algorithm>
#include <numeric>

#include "nodeset.h"

StaleNodes::StaleNodes(const Nodeset& nodeset, const Interference& coreModel,
                       const Interference& busModel)
    : ns(nodeset),
      core(coreModel),
      bus(busModel),
      reads(std::max(coreModel.reads(), busModel.reads())),
      stale(nodeset.getSize()) {
  stale.setAll();
  if (reads != Interference::Reads::Overlapping) return;
  byRelease.resize(ns.getSize());
  byPriority.resize(ns.getSize());
  std::iota(byRelease.begin(), byRelease.end(), 0);
  std::iota(byPriority.begin(), byPriority.end(), 0);
  const auto release = [this](longint_t k) { return ns.getReleaseDate(static_cast<int>(k)); };
  const auto priority = [this](longint_t k) { return ns.getPriority(static_cast<int>(k)); };
  std::sort(byRelease.begin(), byRelease.end(),
            [&](longint_t a, longint_t b) { return release(a) < release(b); });
  std::sort(byPriority.begin(), byPriority.end(),
            [&](longint_t a, longint_t b) { return priority(a) < priority(b); });
  for (longint_t k : byRelease) releases.push_back(release(k));
  for (longint_t k : byPriority) priorities.push_back(priority(k));
}

void StaleNodes::changed(longint_t k, longint_t before, longint_t after) {
  if (reads == Interference::Reads::Nothing) return;
  if (reads == Interference::Reads::Anything) {
    markAll();
    return;
  }
  const int node = static_cast<int>(k);
  stale.set(k);
  if (core.readsByPriority(ns, node) || bus.readsByPriority(ns, node)) {
    const auto first = std::lower_bound(priorities.begin(), priorities.end(), ns.getPriority(node));
    for (auto p = first; p != priorities.end(); ++p) stale.set(byPriority[p - priorities.begin()]);
  }
  const longint_t rel = ns.getReleaseDate(node);
  const longint_t end = rel + std::max(before, after);
  if (end < rel) {
    markAll();
    return;
  }
  const auto first = std::lower_bound(releases.begin(), releases.end(), rel);
  for (auto r = first; r != releases.end() && *r < end; ++r)
    stale.set(byRelease[r - releases.begin()]);
}
