#include "Speedup/overlapIndex.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "nodeset.h"

// Entries by release date, with the dates apart for the searches.
struct OverlapIndex::Sorted {
  std::vector<Entry> entries;
  std::vector<longint_t> releases;

  void add(const Entry& e) {
    entries.push_back(e);
    releases.push_back(e.release);
  }
  // Empties the list for a new fill, keeping its room; empty does so for count lists.
  void clear() {
    entries.clear();
    releases.clear();
  }
  static void empty(std::vector<Sorted>& lists, int count) {
    lists.resize(static_cast<size_t>(count));
    for (Sorted& list : lists) list.clear();
  }
};

// What every table is built from; each table is built on its first question.
struct OverlapIndex::Tables {
  Tables(const Nodeset& ns, int banks);

  // Calls add with the entry of each node, on each bank where it has a demand,
  // for each core list holding it (slot -1 and once when the node stands for
  // itself), in release order.
  template <typename Add>
  void forEachEntry(bool inLists, Add add) const;
  // Whether node a comes before node b in release order.
  bool earlier(longint_t a, longint_t b) const {
    return releaseOf[a] != releaseOf[b] ? releaseOf[a] < releaseOf[b] : a < b;
  }
  // Takes the node set's release dates; false when none moved.
  bool takeReleases(const Nodeset& nodeset);

  int banks;
  std::vector<int> coreOfSlot;  // ascending, so that a core's slot is found by search
  int slots = 0;
  // Node k's core-list slots, and its banks with their demands, in one array
  // each: from the k-th to the (k + 1)-th offset.
  std::vector<int> slotOfNode;
  std::vector<size_t> slotsFrom;
  std::vector<std::pair<int, longint_t>> demands;
  std::vector<size_t> demandsFrom;
  std::vector<longint_t> byRelease;
  std::vector<longint_t> releaseOf;
  // Room for takeReleases: the moved nodes with their dates, and the others.
  std::vector<std::pair<longint_t, longint_t>> movedNodes;
  std::vector<longint_t> keptNodes;
  MemoryNodes memory;

  std::vector<std::vector<Sorted>> slotLists;      // per slot and bank
  std::vector<std::vector<longint_t>> slotDemand;  // per slot and bank
  std::vector<Sorted> slotEveryBank;               // per slot
  std::vector<Sorted> lists;                       // per bank
  std::vector<Sorted> nodes;                       // per bank
  Sorted nodesEveryBank;
  bool slotListsBuilt = false, everyBankBuilt = false, listsBuilt = false, nodesBuilt = false,
       nodesEveryBankBuilt = false, memoryBuilt = false;
};

OverlapIndex::Tables::Tables(const Nodeset& ns, int bankCount) : banks(bankCount) {
  const longint_t n = ns.getSize();
  const auto& coreMap = ns.getCoreMap();
  // Ids past the set (left by an earlier build) name no node.
  slotsFrom.assign(n + 1, 0);
  for (const auto& [core, entries] : coreMap)
    for (longint_t k : entries)
      if (k < n) ++slotsFrom[k + 1];
  std::partial_sum(slotsFrom.begin(), slotsFrom.end(), slotsFrom.begin());
  slotOfNode.resize(slotsFrom[n]);
  std::vector<size_t> filled(slotsFrom.begin(), slotsFrom.end() - 1);
  for (const auto& [core, entries] : coreMap) {
    coreOfSlot.push_back(core);
    for (longint_t k : entries)
      if (k < n) slotOfNode[filled[k]++] = slots;
    ++slots;
  }
  releaseOf.resize(n);
  byRelease.resize(n);
  demandsFrom.push_back(0);
  for (longint_t k = 0; k < n; ++k) {
    const int node = static_cast<int>(k);
    releaseOf[k] = ns.getReleaseDate(node);
    const long own = static_cast<long>(demands.size());
    for (const auto& entry : ns.getVecMemDemand(node)) {
      // The first entry of a bank decides, as in the node set's lookup.
      const int bank = entry.first;
      const auto sameBank = [bank](const auto& earlier) { return earlier.first == bank; };
      if (bank < 0 || bank >= banks || std::any_of(demands.begin() + own, demands.end(), sameBank))
        continue;
      demands.push_back(entry);
    }
    const auto isZero = [](const auto& entry) { return entry.second == 0; };
    demands.erase(std::remove_if(demands.begin() + own, demands.end(), isZero), demands.end());
    demandsFrom.push_back(demands.size());
  }
  std::iota(byRelease.begin(), byRelease.end(), 0);
  std::sort(byRelease.begin(), byRelease.end(),
            [this](longint_t a, longint_t b) { return earlier(a, b); });
}

// The nodes whose date stayed keep their order; the moved ones are sorted
// apart, by date and index, and merged in.
bool OverlapIndex::Tables::takeReleases(const Nodeset& nodeset) {
  movedNodes.clear();
  keptNodes.clear();
  for (longint_t k : byRelease) {
    const longint_t release = nodeset.getReleaseDate(static_cast<int>(k));
    if (release == releaseOf[k]) {
      keptNodes.push_back(k);
    } else {
      releaseOf[k] = release;
      movedNodes.emplace_back(release, k);
    }
  }
  if (movedNodes.empty()) return false;
  std::sort(movedNodes.begin(), movedNodes.end());
  auto out = byRelease.begin();
  auto moved = movedNodes.begin();
  for (longint_t k : keptNodes) {
    for (const std::pair<longint_t, longint_t> at(releaseOf[k], k);
         moved != movedNodes.end() && *moved < at; ++moved)
      *out++ = moved->second;
    *out++ = k;
  }
  for (; moved != movedNodes.end(); ++moved) *out++ = moved->second;
  return true;
}

template <typename Add>
void OverlapIndex::Tables::forEachEntry(bool inLists, Add add) const {
  for (longint_t k : byRelease)
    for (size_t d = demandsFrom[k]; d < demandsFrom[k + 1]; ++d) {
      const auto [bank, demand] = demands[d];
      if (!inLists)
        add(Entry{releaseOf[k], demand, k, -1, bank});
      else
        for (size_t s = slotsFrom[k]; s < slotsFrom[k + 1]; ++s)
          add(Entry{releaseOf[k], demand, k, slotOfNode[s], bank});
    }
}

OverlapIndex::OverlapIndex(const Nodeset& nodeset, int bankCount) : ns(nodeset), banks(bankCount) {}

OverlapIndex::~OverlapIndex() = default;

const OverlapIndex::Tables& OverlapIndex::tables() const {
  if (!built) {
    built = std::make_unique<Tables>(ns, banks);
    for (longint_t k = 0; k < ns.getSize(); ++k)
      bound = std::max(bound, ns.getResponseTime(static_cast<int>(k)));
  }
  return *built;
}

void OverlapIndex::restart() {
  ++notes;
  bound = 0;
  if (!built) return;
  for (longint_t k = 0; k < ns.getSize(); ++k)
    bound = std::max(bound, ns.getResponseTime(static_cast<int>(k)));
  Tables& t = *built;
  if (!t.takeReleases(ns)) return;
  t.slotListsBuilt = t.everyBankBuilt = t.listsBuilt = t.nodesBuilt = t.nodesEveryBankBuilt = false;
}

bool OverlapIndex::covers(const Nodeset& nodeset, int bank) const {
  return &nodeset == &ns && bank >= 0 && bank < banks;
}

void OverlapIndex::noteResponseTime(longint_t r) {
  bound = std::max(bound, r);
  ++notes;
}

bool OverlapIndex::coversEveryBank(const Nodeset& nodeset, int bankCount) const {
  return &nodeset == &ns && bankCount == banks;
}

int OverlapIndex::slotOf(int core) const {
  const std::vector<int>& cores = tables().coreOfSlot;
  const auto at = std::lower_bound(cores.begin(), cores.end(), core);
  return at != cores.end() && *at == core ? static_cast<int>(at - cores.begin()) : -1;
}

int OverlapIndex::slots() const { return tables().slots; }

template <typename Fill>
OverlapIndex::Tables& OverlapIndex::filled(bool Tables::*done, Fill fill) const {
  tables();
  Tables& t = *built;
  if (!(t.*done)) {
    fill(t);
    t.*done = true;
  }
  return t;
}

const std::vector<std::vector<OverlapIndex::Sorted>>& OverlapIndex::slotLists() const {
  return filled(&Tables::slotListsBuilt,
                [this](Tables& t) {
                  t.slotLists.resize(static_cast<size_t>(t.slots));
                  for (std::vector<Sorted>& lists : t.slotLists) Sorted::empty(lists, banks);
                  t.slotDemand.assign(t.slots, std::vector<longint_t>(banks, 0));
                  t.forEachEntry(true, [&t](const Entry& e) {
                    t.slotLists[e.slot][e.bank].add(e);
                    t.slotDemand[e.slot][e.bank] += e.demand;
                  });
                })
      .slotLists;
}

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

std::span<const OverlapIndex::Entry> OverlapIndex::coreListNear(int slot, int bank, longint_t relI,
                                                                longint_t end) const {
  return near(slotLists()[slot][bank], relI, end);
}

std::span<const OverlapIndex::Entry> OverlapIndex::coreListNearEveryBank(int slot, longint_t relI,
                                                                         longint_t end) const {
  const Tables& t = filled(&Tables::everyBankBuilt, [](Tables& into) {
    Sorted::empty(into.slotEveryBank, into.slots);
    into.forEachEntry(true, [&into](const Entry& e) { into.slotEveryBank[e.slot].add(e); });
  });
  return near(t.slotEveryBank[slot], relI, end);
}

const OverlapIndex::Sorted& OverlapIndex::bankList(int bank) const {
  return filled(&Tables::listsBuilt,
                [this](Tables& t) {
                  Sorted::empty(t.lists, banks);
                  t.forEachEntry(true, [&t](const Entry& e) { t.lists[e.bank].add(e); });
                })
      .lists[bank];
}

const OverlapIndex::Sorted& OverlapIndex::bankNodes(int bank) const {
  return filled(&Tables::nodesBuilt,
                [this](Tables& t) {
                  Sorted::empty(t.nodes, banks);
                  t.forEachEntry(false, [&t](const Entry& e) { t.nodes[e.bank].add(e); });
                })
      .nodes[bank];
}

const OverlapIndex::Sorted& OverlapIndex::everyBankNodes() const {
  return filled(&Tables::nodesEveryBankBuilt,
                [](Tables& t) {
                  t.nodesEveryBank.clear();
                  t.forEachEntry(false, [&t](const Entry& e) { t.nodesEveryBank.add(e); });
                })
      .nodesEveryBank;
}

std::span<const OverlapIndex::Entry> OverlapIndex::nodesEveryBank() const {
  return everyBankNodes().entries;
}

std::span<const OverlapIndex::Entry> OverlapIndex::nodesNearEveryBank(longint_t relI,
                                                                      longint_t end) const {
  return near(everyBankNodes(), relI, end);
}

std::span<const OverlapIndex::Entry> OverlapIndex::allCoreListsNear(int bank, longint_t relI,
                                                                    longint_t end) const {
  return near(bankList(bank), relI, end);
}

std::span<const OverlapIndex::Entry> OverlapIndex::allCoreLists(int bank) const {
  return bankList(bank).entries;
}

std::span<const OverlapIndex::Entry> OverlapIndex::nodesNear(int bank, longint_t relI,
                                                             longint_t end) const {
  return near(bankNodes(bank), relI, end);
}

size_t OverlapIndex::listEntries(int core, int bank) const {
  const int slot = slotOf(core);
  return slot < 0 ? 0 : slotLists()[slot][bank].entries.size();
}

longint_t OverlapIndex::listDemand(int core, int bank) const {
  const int slot = slotOf(core);
  if (slot < 0) return 0;
  slotLists();
  return built->slotDemand[slot][bank];
}

const OverlapIndex::MemoryNodes& OverlapIndex::memoryNodes() const {
  return filled(
             &Tables::memoryBuilt,
             [this](Tables& t) {
               MemoryNodes& memory = t.memory;
               for (longint_t k = 0; k < ns.getSize(); ++k) {
                 const int node = static_cast<int>(k);
                 const longint_t demand = ns.getMemDemand(node), period = ns.getPeriod(node);
                 if (demand == 0) continue;
                 memory.nodes.push_back(k);
                 memory.largestDemand = std::max(memory.largestDemand, demand);
                 if (period != 0 && (memory.shortestPeriod == 0 || period < memory.shortestPeriod))
                   memory.shortestPeriod = period;
               }
               std::stable_sort(memory.nodes.begin(), memory.nodes.end(),
                                [this](longint_t a, longint_t b) {
                                  return ns.getPriority(static_cast<int>(a)) <
                                         ns.getPriority(static_cast<int>(b));
                                });
               for (longint_t k : memory.nodes)
                 memory.priorities.push_back(ns.getPriority(static_cast<int>(k)));
             })
      .memory;
}

longint_t OverlapIndex::responseBound() const {
  tables();
  return bound;
}

const std::vector<longint_t>& OverlapIndex::releaseOrder() const { return tables().byRelease; }
