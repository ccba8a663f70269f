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
  const auto release = [this](longint_t k) { return ns.getReleaseDate(static_cast<int>(k)); };
  dates.resize(n);
  for (longint_t k = 0; k < n; ++k) dates[k] = release(k);
  std::sort(dates.begin(), dates.end());
  dates.erase(std::unique(dates.begin(), dates.end()), dates.end());
  dateIndex.build(dates);
  dateOf.resize(n);
  for (longint_t k = 0; k < n; ++k)
    dateOf[k] = static_cast<std::uint32_t>(dateIndex.firstNotBelow(dates, release(k)));
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
    r.dateRow.assign(dates.size(), none);
    r.rowed = NodeFlags(dates.size());
    r.dateRows.clear();
    r.kept.clear();
    r.last.assign(n, Reached{0, 0});
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
    longint_t& was = bankReach.terms[place.at].finish;
    if (was != finish && !bankReach.dateRows.empty())
      moveRows(*lists[place.bank], bankReach, place.at, place.release, was, finish);
    was = finish;
    longint_t& latest = bankReach.blockFinish[place.at / blockSize];
    latest = std::max(latest, finish);
  }
}

// An entry released before a date counts by its finish alone, and the same
// for every finish at least its full length past the date, so a move changes
// only the rows of the dates from the earlier finish less the full length to
// the later finish.
void PassCounts::moveRows(const SlotList& l, Reach& r, size_t at, longint_t release,
                          longint_t from, longint_t to) {
  const longint_t earlier = std::min(from, to), later = std::max(from, to);
  const longint_t full = l.full[at];
  const longint_t unchangedTo =
      full != unreachable && earlier >= full ? std::max(release, earlier - full) : release;
  const auto count = [&](longint_t finish, longint_t on) {
    return finish > on ? entryAccesses(l, at, finish - on) : 0;
  };
  const size_t slot = r.terms[at].slot;
  const size_t width = l.width;
  r.rowed.forEach(dateIndex.firstAbove(dates, unchangedTo), dateIndex.firstNotBelow(dates, later),
                  [&](size_t q) {
                    r.kept[r.dateRow[q] * width + slot] +=
                        count(to, dates[q]) - count(from, dates[q]);
                  });
}

std::uint32_t PassCounts::rowOf(const SlotList& l, Reach& r, int i) {
  const std::uint32_t q = dateOf[static_cast<size_t>(i)];
  if (r.dateRow[q] == none) {
    const longint_t relI = dates[q];
    r.dateRow[q] = static_cast<std::uint32_t>(r.dateRows.size());
    r.rowed.set(q);
    const size_t start = r.releaseIndex.firstNotBelow(l.releases, relI);
    const size_t idle = std::lower_bound(r.idle.begin(), r.idle.end(), start) - r.idle.begin();
    r.dateRows.push_back(DateRow{start, start, idle});
    r.kept.resize(r.kept.size() + l.width, 0);
    addEarlier(l, r, relI, start, &r.kept[r.kept.size() - l.width]);
  }
  return r.dateRow[q];
}

void PassCounts::countWindow(SlotList& l, Reach& r, int i, longint_t relI, longint_t end) {
  const std::uint32_t row = rowOf(l, r, i);
  DateRow& opening = r.dateRows[row];
  Reached& last = r.last[static_cast<size_t>(i)];
  const Reached w = reachedNear(l, r, end, opening.start, last);
  last = w;
  longint_t* counts = &r.kept[row * l.width];
  for (; opening.whole < w.mid; ++opening.whole)
    counts[l.entries[opening.whole].slot] += l.entries[opening.whole].demand;
  l.result.assign(counts, counts + l.width);
  for (size_t at = w.mid; at < opening.whole; ++at)
    l.result[l.entries[at].slot] -= l.entries[at].demand;
  addParts(l, r, relI, end, opening.idle, w);
}

// The entries released before relI, which start at start, that reach past
// it; none released by relI - bound does.
void PassCounts::addEarlier(const SlotList& l, const Reach& r, longint_t relI, size_t start,
                            longint_t* count) const {
  const longint_t bound = index->responseBound();
  const longint_t from = relI >= bound ? relI - bound + 1 : 0;
  const size_t lo = std::min(r.releaseIndex.firstNotBelow(l.releases, from), start);
  const size_t hi = start;
  const Term* terms = r.terms.data();
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

PassCounts::Reached PassCounts::reachedNear(const SlotList& l, const Reach& r, longint_t end,
                                           size_t start, const Reached& last) const {
  const size_t hi = notBelowNear(l, r, start, last.hi, end);
  const size_t mid = l.longest != unreachable && end >= l.longest
                         ? std::min(notBelowNear(l, r, start, last.mid, end - l.longest + 1), hi)
                         : start;
  return {mid, hi};
}

size_t PassCounts::notBelowNear(const SlotList& l, const Reach& r, size_t start, size_t hint,
                                longint_t value) const {
  const std::vector<longint_t>& releases = l.releases;
  size_t at = std::max(hint, start);
  for (int step = 0; step < 4; ++step) {
    if (at > start && releases[at - 1] >= value)
      --at;
    else if (at < releases.size() && releases[at] < value)
      ++at;
    else
      return at;
  }
  return std::max(r.releaseIndex.firstNotBelow(releases, value), start);
}

void PassCounts::addParts(SlotList& l, const Reach& r, longint_t relI, longint_t end,
                          size_t idleFrom, const Reached& w) const {
  for (size_t at = w.mid; at < w.hi; ++at)
    l.result[l.entries[at].slot] += entryAccesses(l, at, end - l.releases[at]);
  for (auto at = r.idle.begin() + static_cast<std::ptrdiff_t>(idleFrom);
       at != r.idle.end() && *at < w.hi && l.releases[*at] == relI; ++at) {
    const OverlapIndex::Entry& e = l.entries[*at];
    if (ns.getResponseTime(static_cast<int>(e.node)) == 0)
      l.result[e.slot] -= entryAccesses(l, *at, end - relI);
  }
}

const std::vector<longint_t>* PassCounts::counts(const Nodeset& nodeset, int bank, longint_t relI,
                                                 longint_t end, int d, int i) {
  if (index == nullptr || &nodeset != &ns || d != delay || delay <= 0 || end < relI || bank < 0 ||
      bank >= static_cast<int>(lists.size()) || i < 0 || i >= static_cast<int>(ns.getSize()))
    return nullptr;
  if (!built) buildReaches();
  countWindow(*lists[static_cast<size_t>(bank)], reaches[static_cast<size_t>(bank)], i, relI, end);
  return &lists[static_cast<size_t>(bank)]->result;
}
