#include "Speedup/passCounts.h"

#include <algorithm>
#include <numeric>

PassCounts::PassCounts(const Nodeset& nodeset, int banks, int accessDelay)
    : SlotSweep(nodeset, banks, accessDelay), reaches(std::max(banks, 0)) {
  banksFrom.push_back(0);
  for (longint_t k = 0; k < ns.getSize(); ++k) {
    for (const auto& [bank, demand] : ns.getVecMemDemand(static_cast<int>(k)))
      if (demand != 0 && bank >= 0 && bank < banks) banksOf.push_back(bank);
    banksFrom.push_back(banksOf.size());
  }
}

PassCounts::~PassCounts() = default;

const PassCounts::Reach& PassCounts::reach(int bank, const SlotList& l) {
  Reach& r = reaches[bank];
  if (r.built) return r;
  const size_t entries = l.entries.size();
  r.finish.resize(entries);
  r.blockFinish.assign((entries + blockSize - 1) / blockSize, 0);
  r.entriesFrom.assign(ns.getSize() + 1, 0);
  for (size_t at = 0; at < entries; ++at) {
    const OverlapIndex::Entry& e = l.entries[at];
    const int node = static_cast<int>(e.node);
    r.finish[at] = e.release + ns.getResponseTime(node);
    longint_t& latest = r.blockFinish[at / blockSize];
    latest = std::max(latest, r.finish[at]);
    ++r.entriesFrom[e.node + 1];
    if (ns.getProcDemand(node) == 0) r.idle.push_back(at);
  }
  std::partial_sum(r.entriesFrom.begin(), r.entriesFrom.end(), r.entriesFrom.begin());
  r.entryAt.resize(entries);
  std::vector<size_t> filled(r.entriesFrom.begin(), r.entriesFrom.end() - 1);
  for (size_t at = 0; at < entries; ++at) r.entryAt[filled[l.entries[at].node]++] = at;
  r.built = true;
  return r;
}

// A block's latest finish is only raised, so it stays at least the finish of
// each of its entries, also when one falls.
void PassCounts::changed(longint_t k) {
  const longint_t r = ns.getResponseTime(static_cast<int>(k));
  for (size_t b = banksFrom[k]; b < banksFrom[k + 1]; ++b) {
    const size_t bank = static_cast<size_t>(banksOf[b]);
    Reach& bankReach = reaches[bank];
    if (!bankReach.built) continue;
    for (size_t p = bankReach.entriesFrom[k]; p < bankReach.entriesFrom[k + 1]; ++p) {
      const size_t at = bankReach.entryAt[p];
      bankReach.finish[at] = lists[bank]->entries[at].release + r;
      longint_t& latest = bankReach.blockFinish[at / blockSize];
      latest = std::max(latest, bankReach.finish[at]);
    }
  }
}

// The entries released before relI, which start at start, that reach past
// it; none released by relI - bound does.
void PassCounts::addEarlier(SlotList& l, const Reach& r, longint_t relI, size_t start) {
  const longint_t bound = index->responseBound();
  const longint_t from = relI >= bound ? relI - bound + 1 : 0;
  const auto begin = l.releases.begin();
  const size_t lo =
      static_cast<size_t>(std::lower_bound(begin, begin + static_cast<long>(start), from) - begin);
  const size_t hi = start;
  const longint_t* finish = r.finish.data();
  longint_t* count = l.result.data();
  for (size_t block = lo / blockSize; block * blockSize < hi; ++block) {
    if (r.blockFinish[block] <= relI) continue;
    const size_t stop = std::min(hi, (block + 1) * blockSize);
    for (size_t at = std::max(lo, block * blockSize); at < stop; ++at) {
      if (finish[at] <= relI) continue;
      const longint_t length = finish[at] - relI;
      const OverlapIndex::Entry& e = l.entries[at];
      // Most are covered whole; without a wrap, no length reaches unreachable.
      count[e.slot] += length >= l.full[at] ? e.demand : entryAccesses(l, at, length);
    }
  }
}

// The entries released from relI, which start at start, to end, less those
// released at relI whose node did not run.
void PassCounts::addFrom(SlotList& l, const Reach& r, longint_t relI, longint_t end, size_t start) {
  const auto first = l.releases.begin() + static_cast<long>(start);
  const auto last = std::lower_bound(first, l.releases.end(), end);
  auto whole = first;
  if (l.longest != unreachable && end >= l.longest)
    whole = std::upper_bound(first, last, end - l.longest);
  const size_t lo = start;
  const size_t mid = static_cast<size_t>(whole - l.releases.begin());
  const size_t hi = static_cast<size_t>(last - l.releases.begin());
  addWhole(l, lo, mid);
  for (size_t at = mid; at < hi; ++at)
    l.result[l.entries[at].slot] += entryAccesses(l, at, end - l.releases[at]);
  for (auto at = std::lower_bound(r.idle.begin(), r.idle.end(), lo);
       at != r.idle.end() && *at < hi && l.releases[*at] == relI; ++at) {
    const OverlapIndex::Entry& e = l.entries[*at];
    if (ns.getResponseTime(static_cast<int>(e.node)) == 0)
      l.result[e.slot] -= entryAccesses(l, *at, end - relI);
  }
}

const std::vector<longint_t>* PassCounts::counts(const Nodeset& nodeset, int bank, longint_t relI,
                                                 longint_t end, int d) {
  if (index == nullptr || &nodeset != &ns || d != delay || delay <= 0 || end < relI || bank < 0 ||
      bank >= static_cast<int>(lists.size()))
    return nullptr;
  SlotList& l = list(bank);
  const Reach& r = reach(bank, l);
  l.result.assign(l.width, 0);
  const size_t start = static_cast<size_t>(
      std::lower_bound(l.releases.begin(), l.releases.end(), relI) - l.releases.begin());
  addEarlier(l, r, relI, start);
  addFrom(l, r, relI, end, start);
  return &l.result;
}
