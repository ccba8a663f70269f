#include "Speedup/staleNodes.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <numeric>

#include "Platform/processor.h"
#include "nodeset.h"

StaleNodes::StaleNodes(const Nodeset& nodeset, const Interference& coreModel,
                       const Interference& busModel)
    : ns(nodeset),
      core(coreModel),
      bus(busModel),
      reads(std::max(coreModel.reads(), busModel.reads())),
      stale(nodeset.getSize()),
      saturationBound(0) {
  if (reads == Interference::Reads::Overlapping) {
    byRelease.resize(ns.getSize());
    std::iota(byRelease.begin(), byRelease.end(), 0);
    const bool busOnly = coreModel.reads() != Interference::Reads::Overlapping;
    collectBanks(busOnly ? busModel.bankReads() : Interference::BankReads::EveryBank);
    for (longint_t k = 0; k < ns.getSize(); ++k)
      wholeFrom.push_back(wholeDemandFrom(static_cast<int>(k)));
  }
  restart();
}

// The last order is mostly kept, so sorting from it is quick.
void StaleNodes::restart() {
  stale.setAll();
  changes = PriorityChanges();
  rises = PriorityChanges();
  saturationBound = bus.saturationBound(ns);
  largestResponse = 0;
  for (longint_t k = 0; k < ns.getSize(); ++k)
    largestResponse = std::max(largestResponse, ns.getResponseTime(static_cast<int>(k)));
  if (reads != Interference::Reads::Overlapping) return;
  const auto release = [this](longint_t k) { return ns.getReleaseDate(static_cast<int>(k)); };
  std::sort(byRelease.begin(), byRelease.end(),
            [&](longint_t a, longint_t b) { return release(a) < release(b); });
  releases.clear();
  for (longint_t k : byRelease) releases.push_back(release(k));
  releaseIndex.build(releases);
  sortReaders();
}

longint_t StaleNodes::wholeDemandFrom(int k) const {
  longint_t whole = 0;
  for (const Interference* model : {&core, &bus})
    if (model->reads() == Interference::Reads::Overlapping)
      whole = std::max(whole, model->wholeDemandFrom(ns, k));
  return whole;
}

void StaleNodes::collectBanks(Interference::BankReads scope) {
  const longint_t n = ns.getSize();
  reachBanks.assign(n, 0);
  reachesAll.assign(n, false);
  for (longint_t k = 0; k < n; ++k)
    for (const auto& [bank, demand] : ns.getVecMemDemand(static_cast<int>(k)))
      if (demand != 0) reachBanks[k] |= bankBit(bank);
  if (scope == Interference::BankReads::EveryBank) return;
  readersOf.resize(64);
  readBanks.assign(n, 0);
  for (longint_t k = 0; k < n; ++k)
    for (const auto& [bank, transactions] : ns.getVecTransactions(static_cast<int>(k)))
      if (transactions != 0) readBanks[k] |= bankBit(bank);
  if (scope != Interference::BankReads::TransactionBanksAndRx) return;
  for (longint_t k = 0; k < n; ++k)
    reachesAll[k] = ns.getAssignedTo(static_cast<int>(k)) == rxCoreId && reachBanks[k] != 0;
}

void StaleNodes::sortReaders() {
  if (readersOf.empty()) return;
  for (Readers& readers : readersOf) {
    readers.releases.clear();
    readers.nodes.clear();
  }
  for (size_t p = 0; p < byRelease.size(); ++p)
    for (std::uint64_t read = readBanks[byRelease[p]]; read != 0; read &= read - 1) {
      Readers& readers = readersOf[std::countr_zero(read)];
      readers.releases.push_back(releases[p]);
      readers.nodes.push_back(byRelease[p]);
    }
  for (Readers& readers : readersOf) readers.releaseIndex.build(readers.releases);
}

void StaleNodes::beginPass() {
  changes.beginPass();
  rises.beginPass();
}

longint_t StaleNodes::next(longint_t i) const {
  const longint_t flagged = stale.next(i);
  if (changes.empty() && rises.empty()) return flagged;
  for (longint_t j = i; j < flagged; ++j)
    if (readsChange(j)) return j;
  return flagged;
}

bool StaleNodes::readsChange(longint_t j) const {
  const int priority = ns.getPriority(static_cast<int>(j));
  return changes.reach(j, priority) ||
         (!bus.saturated(static_cast<int>(j)) && rises.reach(j, priority));
}

void StaleNodes::PriorityChanges::add(longint_t k, int priority) {
  now.emplace_back(k, priority);
  leastNow = std::min<std::int64_t>(leastNow, priority);
}

void StaleNodes::PriorityChanges::beginPass() {
  std::sort(now.begin(), now.end());
  before.clear();
  leastFrom.assign(now.size(), 0);
  int least = INT_MAX;
  for (size_t c = now.size(); c-- > 0;) leastFrom[c] = least = std::min(least, now[c].second);
  for (const auto& change : now) before.push_back(change.first);
  now.clear();
  leastNow = noChange;
}

bool StaleNodes::PriorityChanges::reach(longint_t j, int priority) const {
  if (priority >= leastNow) return true;
  const auto after = std::upper_bound(before.begin(), before.end(), j);
  return after != before.end() && leastFrom[after - before.begin()] <= priority;
}

void StaleNodes::changed(longint_t k, longint_t before, longint_t after) {
  if (reads == Interference::Reads::Nothing) return;
  if (reads == Interference::Reads::Anything) {
    markAll();
    return;
  }
  const int node = static_cast<int>(k);
  stale.set(k);
  largestResponse = std::max(largestResponse, after);
  if (core.readsByPriority(ns, node)) {
    changes.add(k, ns.getPriority(node));
  } else if (bus.readsByPriority(ns, node)) {
    const bool keepsSaturation = after > before && largestResponse <= saturationBound;
    (keepsSaturation ? rises : changes).add(k, ns.getPriority(node));
  }
  const longint_t rel = ns.getReleaseDate(node);
  const longint_t end = rel + std::max(before, after);
  if (end < rel) {
    markAll();
    return;
  }
  // Without a demand, node k adds no term to any window.
  if (reachBanks[k] == 0) return;
  // A node released at rel + d, 0 < d, counts k's terms from the overlap
  // R(k) - d, unclipped by its own window, so one whose overlap reaches k's
  // whole demand both before and after counts k's whole demand both times:
  // the nodes up to rel + min(before, after) - whole keep their terms. Those
  // released with k see only whether k has run at all.
  const bool ranBoth = before != 0 && after != 0;
  const longint_t shorter = std::min(before, after);
  const longint_t kept = shorter > wholeFrom[k] ? shorter - wholeFrom[k] : 0;
  const auto mark = [&](const std::vector<longint_t>& dates, const SortedIndex& dateIndex,
                        const std::vector<longint_t>& nodes) {
    const size_t first =
        ranBoth ? dateIndex.firstAbove(dates, rel + kept) : dateIndex.firstNotBelow(dates, rel);
    for (size_t r = first; r < dates.size() && dates[r] < end; ++r) stale.set(nodes[r]);
  };
  if (readersOf.empty() || reachesAll[k]) {
    mark(releases, releaseIndex, byRelease);
    return;
  }
  for (std::uint64_t banks = reachBanks[k]; banks != 0; banks &= banks - 1) {
    const Readers& readers = readersOf[std::countr_zero(banks)];
    mark(readers.releases, readers.releaseIndex, readers.nodes);
  }
}
