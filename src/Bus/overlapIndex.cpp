#include "Bus/overlapIndex.h"

#include <algorithm>

#include "nodeset.h"

// Entries sorted by release date, with the dates apart for the searches.
struct OverlapIndex::Sorted {
  std::vector<Entry> entries;
  std::vector<longint_t> releases;

  void add(const Nodeset& ns, longint_t k, int bank, int slot) {
    const int node = static_cast<int>(k);
    const longint_t demand = ns.getMemDemandPerBank(node, bank);
    if (demand != 0) entries.push_back({ns.getReleaseDate(node), demand, k, slot, bank});
  }

  void sort() {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.release < b.release; });
    for (const Entry& e : entries) releases.push_back(e.release);
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

OverlapIndex::Tables::Tables(const Nodeset& ns, int banks) : lists(banks), nodes(banks) {
  const longint_t n = ns.getSize();
  const auto& coreMap = ns.getCoreMap();
  if (!coreMap.empty()) {
    firstCore = coreMap.begin()->first;
    slotOfCore.assign(coreMap.rbegin()->first - firstCore + 1, -1);
  }
  for (const auto& [core, entries] : coreMap) {
    const int slot = static_cast<int>(slotLists.size());
    slotOfCore[core - firstCore] = slot;
    slotLists.emplace_back(banks);
    slotDemand.emplace_back(banks, 0);
    Sorted& everyBank = slotEveryBank.emplace_back();
    for (int bank = 0; bank < banks; ++bank) {
      Sorted& list = slotLists[slot][bank];
      // Ids past the set (left by an earlier build) name no node.
      for (longint_t k : entries)
        if (k < n) list.add(ns, k, bank, slot);
      for (const Entry& e : list.entries) slotDemand[slot][bank] += e.demand;
      lists[bank].entries.insert(lists[bank].entries.end(), list.entries.begin(),
                                 list.entries.end());
      everyBank.entries.insert(everyBank.entries.end(), list.entries.begin(),
                               list.entries.end());
      list.sort();
    }
    everyBank.sort();
  }
  for (longint_t k = 0; k < n; ++k) {
    if (ns.getMemDemand(static_cast<int>(k)) != 0) withMemory.push_back(k);
    for (int bank = 0; bank < banks; ++bank) nodes[bank].add(ns, k, bank, -1);
  }
  for (int bank = 0; bank < banks; ++bank) {
    lists[bank].sort();
    nodes[bank].sort();
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
