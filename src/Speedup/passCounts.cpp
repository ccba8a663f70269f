#include "Speedup/passCounts.h"

#include <algorithm>
#include <numeric>

PassCounts::PassCounts(const Nodeset& nodeset, int banks, int accessDelay)
    : SlotSweep(nodeset, banks, accessDelay) {}

PassCounts::~PassCounts() = default;

void PassCounts::forgetLists() {
  SlotSweep::forgetLists();
  built = false;
}

void PassCounts::buildReaches() {
  const longint_t n = ns.getSize();
  reaches.resize(lists.size());
  placesFrom.assign(n + 1, 0);
  for (size_t bank = 0; bank < lists.size(); ++bank) {
    const SlotList& l = list(static_cast<int>(bank));
    Reach& r = reaches[bank];
    const size_t entries = l.entries.size();
    r.terms.resize(entries);
    r.blockFinish.assign((entries + blockSize - 1) / blockSize, 0);
    r.idle.clear();
    r.releaseIndex.build(l.releases);
    for (size_t at = 0; at < entries; ++at) {
      const OverlapIndex::Entry& e = l.entries[at];
      const int node = static_cast<int>(e.node);
      const longint_t finish = e.release + ns.getResponseTime(node);
      r.terms[at] = Term{finish, l.full[at], e.demand, static_cast<size_t>(e.slot)};
      longint_t& latest = r.blockFinish[at / blockSize];
      latest = std::max(latest, finish);
      ++placesFrom[e.node + 1];
      if (ns.getProcDemand(node) == 0) r.idle.push_back(at);
    }
  }
  std::partial_sum(placesFrom.begin(), placesFrom.end(), placesFrom.begin());
  places.resize(placesFrom.back());
  std::vector<size_t> filled(placesFrom.begin(), placesFrom.end() - 1);
  for (size_t bank = 0; bank < lists.size(); ++bank) {
    const SlotList& l = *lists[bank];
    for (size_t at = 0; at < l.entries.size(); ++at)
      places[filled[l.entries[at].node]++] = Place{l.entries[at].release, at, bank};
  }
  built = true;
}

// A block's latest finish is only raised, so it stays at least the finish of
// each of its entries, also when one falls.
void PassCounts::changed(longint_t k) {
  if (!built) return;
  const longint_t r = ns.getResponseTime(static_cast<int>(k));
  for (size_t p = placesFrom[k]; p < placesFrom[k + 1]; ++p) {
    const Place& place = places[p];
    Reach& bankReach = reaches[place.bank];
    const longint_t finish = place.release + r;
    bankReach.terms[place.at].finish = finish;
    longint_t& latest = bankReach.blockFinish[place.at / blockSize];
    latest = std::max(latest, finish);
  }
}

// The entries released before relI, which start at start, that reach past
// it; none released by relI - bound does.
void PassCounts::addEarlier(SlotList& l, const Reach& r, longint_t relI, size_t start) {
  const longint_t bound = index->responseBound();
  const longint_t from = relI >= bound ? relI - bound + 1 : 0;
  const size_t lo = std::min(r.releaseIndex.firstNotBelow(l.releases, from), start);
  const size_t hi = start;
  const Term* terms = r.terms.data();
  longint_t* count = l.result.data();
  for (size_t block = lo / blockSize; block * blockSize < hi; ++block) {
    if (r.blockFinish[block] <= relI) continue;
    const size_t stop = std::min(hi, (block + 1) * blockSize);
    for (size_t at = std::max(lo, block * blockSize); at < stop; ++at) {
      const Term& term = terms[at];
      const bool passes = term.finish > relI;
      const longint_t length = term.finish - relI;
      // Most that pass count whole; one in part needs a quotient.
      if (passes & (length < term.full)) {
        count[term.slot] += entryAccesses(l, at, length);
        continue;
      }
      count[term.slot] += term.demand & (longint_t{0} - static_cast<longint_t>(passes));
    }
  }
}

// The entries released from relI, which start at start, to end, less those
// released at relI whose node did not run.
void PassCounts::addFrom(SlotList& l, const Reach& r, longint_t relI, longint_t end, size_t start) {
  const size_t lo = start;
  const size_t hi = std::max(r.releaseIndex.firstNotBelow(l.releases, end), lo);
  const size_t mid =
      l.longest != unreachable && end >= l.longest
          ? std::clamp(r.releaseIndex.firstAbove(l.releases, end - l.longest), lo, hi)
          : lo;
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
  if (!built) buildReaches();
  SlotList& l = *lists[static_cast<size_t>(bank)];
  const Reach& r = reaches[static_cast<size_t>(bank)];
  l.result.resize(l.width);
  std::fill(l.result.begin(), l.result.end(), 0);
  const size_t start = r.releaseIndex.firstNotBelow(l.releases, relI);
  addEarlier(l, r, relI, start);
  addFrom(l, r, relI, end, start);
  return &l.result;
}
