#include "Bus/overlapIndex.h"

#include <algorithm>
#include <numeric>

#include "nodeset.h"

// Entries by release date, with the dates apart for the searches.
struct OverlapIndex::Sorted {
  std::vector<Entry> entries;
  std::vector<longint_t> releases;

  void add(const Entry& e) {
    entries.push_back(e);
    releases.push_back(e.release);
  }
};

struct OverlapIndex::Tables {
  Tables(const Nodeset& ns, int banks);

  int firstCore = 0;
  std::vector<int> slotOfCore;                     // by core - firstCore
  std::vector<std::vector<Sorted>> slotLists;      // per slot and bank
  std::vector<Sorted> slotEveryBank;               // per slot
  std::vector<std::vector<longint_t>> slotDemand;  // per slot and bank
  std::vector<Sorted> lists;                       // per bank
  std::vector<Sorted> nodes;                       // per bank
  std::vector<longint_t> withMemory;
};

// The nodes are taken in release order, so every table comes out sorted.
OverlapIndex::Tables::Tables(const Nodeset& ns, int banks) : lists(banks), nodes(banks) {
  const longint_t n = ns.getSize();
  const auto& coreMap = ns.getCoreMap();
  if (!coreMap.empty()) {
    firstCore = coreMap.begin()->first;
    slotOfCore.assign(coreMap.rbegin()->first - firstCore + 1, -1);
  }
  std::vector<std::vector<int>> slotsOfNode(n);
  for (const auto& [core, entries] : coreMap) {
    const int slot = static_cast<int>(slotLists.size());
    slotOfCore[core - firstCore] = slot;
    // Ids past the set (left by an earlier build) name no node.
    for (longint_t k : entries)
      if (k < n) slotsOfNode[k].push_back(slot);
    slotLists.emplace_back(banks);
    slotDemand.emplace_back(banks, 0);
  }
  slotEveryBank.resize(slotLists.size());
  std::vector<longint_t> byRelease(n);
  std::iota(byRelease.begin(), byRelease.end(), 0);
  const auto release = [&ns](longint_t k) { return ns.getReleaseDate(static_cast<int>(k)); };
  std::stable_sort(byRelease.begin(), byRelease.end(),
                   [&](longint_t a, longint_t b) { return release(a) < release(b); });
  for (longint_t k = 0; k < n; ++k)
    if (ns.getMemDemand(static_cast<int>(k)) != 0) withMemory.push_back(k);
  std::vector<int> seen;
  for (longint_t k : byRelease) {
    seen.clear();
    for (const auto& [bank, demand] : ns.getVecMemDemand(static_cast<int>(k))) {
      // The first entry of a bank decides, as in the node set's lookup.
      if (bank < 0 || bank >= banks || std::find(seen.begin(), seen.end(), bank) != seen.end())
        continue;
      seen.push_back(bank);
      if (demand == 0) continue;
      nodes[bank].add({release(k), demand, k, -1, bank});
      for (int slot : slotsOfNode[k]) {
        const Entry e{release(k), demand, k, slot, bank};
        slotLists[slot][bank].add(e);
        slotEveryBank[slot].add(e);
        lists[bank].add(e);
        slotDemand[slot][bank] += demand;
      }
    }
  }
}

OverlapIndex::OverlapIndex(const Nodeset& nodeset, int bankCount)
    : ns(nodeset), banks(bankCount) {}

OverlapIndex::~OverlapIndex() = default;

const OverlapIndex::Tables& OverlapIndex::tables() const {
  if (!built) {
    built = std::make_unique<Tables>(ns, banks);
    for (longint_t k = 0; k < ns.getSize(); ++k)
      bound = std::max(bound, ns.getResponseTime(static_cast<int>(k)));
  }
  return *built;
}

bool OverlapIndex::covers(const Nodeset& nodeset, int bank) const {
  return &nodeset == &ns && bank >= 0 && bank < banks;
}

void OverlapIndex::noteResponseTime(longint_t r) {
  bound = std::max(bound, r);
  ++notes;
}

int OverlapIndex::slotOf(int core) const {
  const Tables& t = tables();
  const long at = static_cast<long>(core) - t.firstCore;
  return at >= 0 && at < static_cast<long>(t.slotOfCore.size()) ? t.slotOfCore[at] : -1;
}

int OverlapIndex::slots() const { return static_cast<int>(tables().slotLists.size()); }

std::span<const OverlapIndex::Entry> OverlapIndex::near(const Sorted& list, longint_t relI,
                                                       longint_t end) const {
  // An entry before from ends by relI, as relK + R(k) <= relK + bound <= relI
  // cannot wrap around; one from end on starts too late.
  const longint_t from = relI >= bound ? relI - bound + 1 : 0;
  const std::vector<longint_t>& rel = list.releases;
  const auto lo = std::lower_bound(rel.begin(), rel.end(), from);
  const auto hi = std::lower_bound(lo, rel.end(), end);
  return {list.entries.data() + (lo - rel.begin()), static_cast<size_t>(hi - lo)};
}

std::span<const OverlapIndex::Entry> OverlapIndex::listNear(int slot, int bank, longint_t relI,
                                                           longint_t end) const {
  return near(tables().slotLists[slot][bank], relI, end);
}

std::span<const OverlapIndex::Entry> OverlapIndex::listNearEveryBank(int slot, longint_t relI,
                                                                    longint_t end) const {
  return near(tables().slotEveryBank[slot], relI, end);
}

std::span<const OverlapIndex::Entry> OverlapIndex::listsNear(int bank, longint_t relI,
                                                            longint_t end) const {
  return near(tables().lists[bank], relI, end);
}

std::span<const OverlapIndex::Entry> OverlapIndex::lists(int bank) const {
  return tables().lists[bank].entries;
}

std::span<const OverlapIndex::Entry> OverlapIndex::nodes(int bank) const {
  return tables().nodes[bank].entries;
}

std::span<const OverlapIndex::Entry> OverlapIndex::nodesNear(int bank, longint_t relI,
                                                            longint_t end) const {
  return near(tables().nodes[bank], relI, end);
}

size_t OverlapIndex::listEntries(int core, int bank) const {
  const int slot = slotOf(core);
  return slot < 0 ? 0 : tables().slotLists[slot][bank].entries.size();
}

longint_t OverlapIndex::listDemand(int core, int bank) const {
  const int slot = slotOf(core);
  return slot < 0 ? 0 : tables().slotDemand[slot][bank];
}

const std::vector<longint_t>& OverlapIndex::memoryNodes() const { return tables().withMemory; }
