#include "Bus/overlapIndex.h"

#include <algorithm>
#include <numeric>

#include "nodeset.h"

OverlapIndex::OverlapIndex(const Nodeset& nodeset, int bankCount)
    : ns(nodeset), banks(bankCount), slotsOf(nodeset.getSize()) {
  const longint_t n = ns.getSize();
  const auto response = [this](longint_t k) { return ns.getResponseTime(static_cast<int>(k)); };
  for (const auto& [core, entries] : ns.getCoreMap()) {
    const int slot = static_cast<int>(bounds.size());
    slotOfCore[core] = slot;
    // Ids past the set come from an earlier build and are never read.
    std::vector<longint_t> present;
    for (longint_t k : entries)
      if (k < n) present.push_back(k);
    longint_t bound = 0;
    for (longint_t k : present) {
      bound = std::max(bound, response(k));
      slotsOf[k].push_back(slot);
    }
    bounds.push_back(bound);
    for (int bank = 0; bank < banks; ++bank) lists.push_back(sorted(present, bank, slot));
  }
  std::vector<longint_t> every(n);
  std::iota(every.begin(), every.end(), 0);
  longint_t bound = 0;
  for (longint_t k : every) {
    bound = std::max(bound, response(k));
    if (ns.getMemDemand(static_cast<int>(k)) != 0) withMemory.push_back(k);
  }
  for (int bank = 0; bank < banks; ++bank) bankNodes.push_back(sorted(every, bank, bounds.size()));
  bounds.push_back(bound);
}

OverlapIndex::Sorted OverlapIndex::sorted(const std::vector<longint_t>& candidates, int bank,
                                          size_t bound) const {
  Sorted s;
  s.bound = bound;
  for (longint_t k : candidates) {
    const longint_t demand = ns.getMemDemandPerBank(static_cast<int>(k), bank);
    if (demand == 0) continue;
    s.nodes.push_back(k);
    s.demand += demand;
  }
  std::stable_sort(s.nodes.begin(), s.nodes.end(), [this](longint_t a, longint_t b) {
    return ns.getReleaseDate(static_cast<int>(a)) < ns.getReleaseDate(static_cast<int>(b));
  });
  for (longint_t k : s.nodes) s.releases.push_back(ns.getReleaseDate(static_cast<int>(k)));
  return s;
}

bool OverlapIndex::covers(const Nodeset& nodeset, int bank) const {
  return &nodeset == &ns && bank >= 0 && bank < banks;
}

void OverlapIndex::noteResponseTime(longint_t k, longint_t r) {
  for (int slot : slotsOf[k]) bounds[slot] = std::max(bounds[slot], r);
  bounds.back() = std::max(bounds.back(), r);
}

const OverlapIndex::Sorted* OverlapIndex::list(int core, int bank) const {
  const auto it = slotOfCore.find(core);
  if (it == slotOfCore.end()) return nullptr;
  return &lists[static_cast<size_t>(it->second) * banks + bank];
}

std::span<const longint_t> OverlapIndex::near(const Sorted& s, longint_t relI,
                                              longint_t end) const {
  const std::vector<longint_t>& rel = s.releases;
  const longint_t bound = bounds[s.bound];
  if (rel.empty()) return {};
  if (end < relI || rel.back() + bound < rel.back()) return s.nodes;
  // relK + bound > relI, and relK < end.
  const longint_t from = relI >= bound ? relI - bound + 1 : 0;
  const auto lo = std::lower_bound(rel.begin(), rel.end(), from);
  const auto hi = std::lower_bound(lo, rel.end(), end);
  return {s.nodes.data() + (lo - rel.begin()), static_cast<size_t>(hi - lo)};
}

std::span<const longint_t> OverlapIndex::listNear(int core, int bank, longint_t relI,
                                                  longint_t end) const {
  const Sorted* s = list(core, bank);
  return s == nullptr ? std::span<const longint_t>() : near(*s, relI, end);
}

std::span<const longint_t> OverlapIndex::nodesNear(int bank, longint_t relI, longint_t end) const {
  return near(bankNodes[bank], relI, end);
}

size_t OverlapIndex::listEntries(int core, int bank) const {
  const Sorted* s = list(core, bank);
  return s == nullptr ? 0 : s->nodes.size();
}

longint_t OverlapIndex::listDemand(int core, int bank) const {
  const Sorted* s = list(core, bank);
  return s == nullptr ? 0 : s->demand;
}
