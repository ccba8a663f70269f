#include "Speedup/releaseSweep.h"

#include <algorithm>
#include <functional>
#include <queue>
#include <utility>

#include "Bus/bus.h"
#include "Speedup/rangeRankSums.h"
#include "Speedup/rankTotals.h"
#include "nodeset.h"

namespace {

// A run of entries counted whole is walked when it is short, or until the
// long ones walked have cost this many times the entries of the list; from
// then on, summing them by rank pays.
const size_t shortRun = 1024;
const size_t walksPerEntry = 64;

}  // namespace

struct ReleaseSweep::List {
  typedef std::pair<longint_t, size_t> Until;  // last date whose window counts the whole demand
  struct Part {
    longint_t finish;
    size_t at;
    longint_t counted;  // its count at the date
  };

  std::span<const OverlapIndex::Entry> entries;  // the index's, sorted by release date
  std::vector<longint_t> releases;
  std::vector<longint_t> full;  // per entry, see Bus::fullLength
  longint_t longest = 0;        // largest full length
  size_t stopHint = 0, wholeHint = 0;  // where the last window ended

  // By slot: demands by slot before every stride-th entry, one row per slot
  // count of entries at most, so that the rows take about the room of the
  // entries; the counts of the taken entries at the date.
  size_t width = 0;
  size_t stride = 0;
  std::vector<longint_t> prefix;
  std::vector<longint_t> before;

  // By rank: per entry, the rank, group and (group, rank) pair of its node;
  // the counts of the taken entries at the date by rank and by pair; the
  // demands of the entries by rank and by pair, built once the entries walked
  // instead come to cost more.
  std::vector<int> rankAt, groupAt, keyAt;
  RankTotals beforeByRank, beforeByKey;
  size_t walked = 0;
  bool demandSumsBuilt = false;
  RangeRankSums demandByRank, demandByKey;

  // The sweep: entries released before date are taken in.
  bool ready = false;
  longint_t date = 0;
  size_t taken = 0;
  std::priority_queue<Until, std::vector<Until>, std::greater<Until>> wholeUntil;
  std::vector<Part> part;    // taken entries counted in part at the date
  std::vector<size_t> idle;  // entries released at date whose node may not run at all

  bool current = false;  // built from the index of the settling under way

  // Empties the list for the next index, keeping the room it took.
  void clear() {
    releases.clear();
    full.clear();
    longest = 0;
    prefix.clear();
    rankAt.clear();
    groupAt.clear();
    keyAt.clear();
    walked = 0;
    demandSumsBuilt = false;
    ready = false;
    date = 0;
    taken = 0;
    wholeUntil = {};
    part.clear();
    idle.clear();
  }
};

ReleaseSweep::ReleaseSweep(const Nodeset& nodeset, int bankCount, int accessDelay)
    : ns(nodeset), delay(accessDelay), lists(std::max(bankCount, 0)) {}

ReleaseSweep::ReleaseSweep(const Nodeset& nodeset, int accessDelay, std::vector<int> nodeRanks,
                           std::vector<int> nodeGroups, std::vector<int> nodeBounds)
    : ns(nodeset),
      delay(accessDelay),
      byRank(true),
      rankOfNode(std::move(nodeRanks)),
      groupOfNode(std::move(nodeGroups)),
      boundOfNode(std::move(nodeBounds)),
      lists(1) {
  for (int rank : rankOfNode) rankCount = std::max(rankCount, static_cast<size_t>(rank) + 1);
  if (grouped()) numberKeys();
}

ReleaseSweep::~ReleaseSweep() = default;

void ReleaseSweep::begin(const OverlapIndex& overlapIndex) {
  index = &overlapIndex;
  date = 0;
  for (const std::unique_ptr<List>& list : lists)
    if (list) list->current = false;
}

void ReleaseSweep::enter(longint_t d) { date = d; }

longint_t ReleaseSweep::accesses(longint_t length, longint_t demand) const {
  return std::min(demand, Bus::windowQuotient(length, delay));
}

// accesses of the entry over the length, its whole demand without a quotient
// where the length reaches its full length.
longint_t ReleaseSweep::entryAccesses(const List& l, size_t at, longint_t length) const {
  const longint_t full = l.full[at];
  if (full != Bus::unreachable && length >= full) return l.entries[at].demand;
  return accesses(length, l.entries[at].demand);
}

bool ReleaseSweep::answers(const Nodeset& nodeset, int at, longint_t relI, int d) const {
  return index != nullptr && &nodeset == &ns && d == delay && delay > 0 && relI == date &&
         at >= 0 && at < static_cast<int>(lists.size());
}

// By slot, the list of a bank; by rank, the one list of every bank.
ReleaseSweep::List& ReleaseSweep::list(int at) {
  std::unique_ptr<List>& kept = lists[at];
  if (!kept) kept = std::make_unique<List>();
  List& list = *kept;
  if (list.current) return list;
  list.clear();
  list.current = true;
  list.entries = byRank ? index->nodesEveryBank() : index->lists(at);
  for (const OverlapIndex::Entry& entry : list.entries) {
    list.releases.push_back(entry.release);
    list.full.push_back(Bus::fullLength(entry.demand, delay));
    list.longest = std::max(list.longest, list.full.back());
  }
  if (byRank) buildRankSums(list);
  else buildSlotSums(list);
  return list;
}

void ReleaseSweep::buildSlotSums(List& l) const {
  l.width = static_cast<size_t>(index->slots());
  l.stride = std::max<size_t>(8, l.width);
  std::vector<longint_t> sums(l.width, 0);
  for (size_t e = 0; e < l.entries.size(); ++e) {
    if (e % l.stride == 0) l.prefix.insert(l.prefix.end(), sums.begin(), sums.end());
    sums[l.entries[e].slot] += l.entries[e].demand;
  }
  if (l.entries.size() % l.stride == 0) l.prefix.insert(l.prefix.end(), sums.begin(), sums.end());
  l.before.assign(l.width, 0);
}

void ReleaseSweep::buildRankSums(List& l) const {
  for (const OverlapIndex::Entry& e : l.entries) {
    l.rankAt.push_back(rankOfNode[e.node]);
    if (!grouped()) continue;
    l.groupAt.push_back(groupOfNode[e.node]);
    l.keyAt.push_back(keyOfNode[e.node]);
  }
  l.beforeByRank.reset(rankCount);
  if (grouped()) l.beforeByKey.reset(keyCount);
}

// Numbers the distinct (group, rank) pairs of the nodes in order.
void ReleaseSweep::numberKeys() {
  std::vector<std::pair<int, int>> keys;
  for (size_t k = 0; k < rankOfNode.size(); ++k) keys.emplace_back(groupOfNode[k], rankOfNode[k]);
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  keyCount = keys.size();
  const auto below = [&](int group, int rank) {
    return static_cast<size_t>(std::lower_bound(keys.begin(), keys.end(),
                                                std::make_pair(group, rank)) -
                               keys.begin());
  };
  for (size_t k = 0; k < rankOfNode.size(); ++k) {
    keyOfNode.push_back(static_cast<int>(below(groupOfNode[k], rankOfNode[k])));
    groupKeysOfNode.push_back({below(groupOfNode[k], 0), keyOfNode.back()});
  }
}

void ReleaseSweep::buildDemandSums(List& l) const {
  std::vector<longint_t> demands;
  for (const OverlapIndex::Entry& e : l.entries) demands.push_back(e.demand);
  l.demandByRank.build(l.rankAt, demands);
  if (grouped()) l.demandByKey.build(l.keyAt, demands);
  l.demandSumsBuilt = true;
}

// Adds a count of the taken entry to the counts at the date.
void ReleaseSweep::tally(List& l, size_t at, longint_t count) const {
  if (!byRank) {
    l.before[l.entries[at].slot] += count;
    return;
  }
  l.beforeByRank.add(static_cast<size_t>(l.rankAt[at]), count);
  if (grouped()) l.beforeByKey.add(static_cast<size_t>(l.keyAt[at]), count);
}

// Brings the counts of the entries released before the date up to it.
void ReleaseSweep::catchUp(List& l) const {
  if (l.ready && l.date == date) return;
  for (const List::Part& p : l.part) tally(l, p.at, 0 - p.counted);
  for (; l.taken < l.entries.size() && l.releases[l.taken] < date; ++l.taken) {
    const OverlapIndex::Entry& e = l.entries[l.taken];
    const longint_t finish = e.release + ns.getResponseTime(static_cast<int>(e.node));
    if (finish <= date) continue;
    if (l.full[l.taken] != Bus::unreachable && finish - date >= l.full[l.taken]) {
      tally(l, l.taken, e.demand);
      l.wholeUntil.emplace(finish - l.full[l.taken], l.taken);
    } else {
      l.part.push_back({finish, l.taken, 0});
    }
  }
  while (!l.wholeUntil.empty() && l.wholeUntil.top().first < date) {
    const size_t at = l.wholeUntil.top().second;
    l.wholeUntil.pop();
    const OverlapIndex::Entry& e = l.entries[at];
    tally(l, at, 0 - e.demand);
    l.part.push_back({e.release + ns.getResponseTime(static_cast<int>(e.node)), at, 0});
  }
  std::erase_if(l.part, [this](const List::Part& p) { return p.finish <= date; });
  for (List::Part& p : l.part) {
    p.counted = entryAccesses(l, p.at, p.finish - date);
    tally(l, p.at, p.counted);
  }
  l.idle.clear();
  for (size_t at = l.taken; at < l.entries.size() && l.releases[at] == date; ++at)
    if (ns.getProcDemand(static_cast<int>(l.entries[at].node)) == 0) l.idle.push_back(at);
  l.date = date;
  l.ready = true;
}

// The first position from lo to hi whose date before does not accept, in
// dates sorted so that before accepts a prefix. The search runs outward from
// the hint, as the windows asked one after the other end close together.
template <typename Before>
size_t partitionNear(const std::vector<longint_t>& dates, size_t lo, size_t hi, size_t hint,
                     Before before) {
  hint = std::clamp(hint, lo, hi);
  size_t from = lo, to = hi;  // the answer lies from from to to
  if (hint < hi && before(dates[hint])) {
    from = hint + 1;
    for (size_t step = 1; from + step - 1 < hi; step *= 2) {
      const size_t probe = from + step - 1;
      if (!before(dates[probe])) {
        to = probe;
        break;
      }
      from = probe + 1;
    }
  } else {
    to = hint;
    for (size_t step = 1; to - lo >= step; step *= 2) {
      const size_t probe = to - step;
      if (before(dates[probe])) {
        from = probe + 1;
        break;
      }
      to = probe;
    }
  }
  const auto first = dates.begin() + static_cast<long>(from);
  return static_cast<size_t>(std::partition_point(first, dates.begin() + static_cast<long>(to), before) -
                             dates.begin());
}

// Entries released from the date to end - longest count their whole demand,
// those up to end in part.
ReleaseSweep::Window ReleaseSweep::window(List& l, longint_t end) const {
  const size_t stop = partitionNear(l.releases, l.taken, l.releases.size(), l.stopHint,
                                    [end](longint_t r) { return r < end; });
  size_t whole = l.taken;
  if (l.longest != Bus::unreachable && end >= l.longest) {
    const longint_t last = end - l.longest;
    whole = partitionNear(l.releases, l.taken, stop, l.wholeHint,
                          [last](longint_t r) { return r <= last; });
  }
  l.stopHint = stop;
  l.wholeHint = whole;
  return {l.taken, whole, stop};
}

// The entries released from the date that a window up to end counts in part,
// and those released at the date that it counts only once their node runs.
template <typename Add>
void ReleaseSweep::addPartial(const List& l, const Window& w, longint_t end, Add add) const {
  for (size_t at = w.mid; at < w.hi; ++at)
    add(at, entryAccesses(l, at, end - l.releases[at]));
  for (size_t at : l.idle)
    if (ns.getResponseTime(static_cast<int>(l.entries[at].node)) == 0)
      add(at, 0 - accesses(end - date, l.entries[at].demand));
}

// Adds the demands of the entries from lo to hi by slot.
void ReleaseSweep::addWhole(const List& l, size_t lo, size_t hi) {
  const size_t stride = l.stride;
  const size_t fromRow = (lo + stride - 1) / stride, toRow = hi / stride;
  if (fromRow >= toRow) {
    for (size_t at = lo; at < hi; ++at) result[l.entries[at].slot] += l.entries[at].demand;
    return;
  }
  for (size_t at = lo; at < fromRow * stride; ++at)
    result[l.entries[at].slot] += l.entries[at].demand;
  const longint_t* from = &l.prefix[fromRow * l.width];
  const longint_t* to = &l.prefix[toRow * l.width];
  for (size_t s = 0; s < l.width; ++s) result[s] += to[s] - from[s];
  for (size_t at = toRow * stride; at < hi; ++at)
    result[l.entries[at].slot] += l.entries[at].demand;
}

const std::vector<longint_t>* ReleaseSweep::counts(const Nodeset& nodeset, int bank,
                                                  longint_t relI, longint_t end, int d) {
  if (byRank || !answers(nodeset, bank, relI, d)) return nullptr;
  List& l = list(bank);
  catchUp(l);
  result = l.before;
  if (end <= date) return &result;
  const Window w = window(l, end);
  addWhole(l, w.lo, w.mid);
  addPartial(l, w, end, [&](size_t at, longint_t count) { result[l.entries[at].slot] += count; });
  return &result;
}

std::optional<longint_t> ReleaseSweep::sumBelow(const Nodeset& nodeset, longint_t relI,
                                                longint_t end, int d, int i) {
  if (!byRank || !answers(nodeset, 0, relI, d)) return std::nullopt;
  List& l = list(0);
  catchUp(l);
  const int rank = boundOfNode.empty() ? rankOfNode[i] : boundOfNode[i];
  // Below the rank, less those of the group below it.
  const int group = grouped() ? groupOfNode[i] : 0;
  const auto [groupLo, groupHi] = grouped() ? groupKeysOfNode[i] : std::pair<size_t, size_t>{};
  const size_t below = static_cast<size_t>(std::max(rank, 0));
  longint_t sum = l.beforeByRank.below(below);
  if (grouped()) sum -= l.beforeByKey.below(groupHi) - l.beforeByKey.below(groupLo);
  if (end <= date) return sum;
  const auto ahead = [&](size_t at) {
    return l.rankAt[at] < rank && (!grouped() || l.groupAt[at] != group);
  };
  const Window w = window(l, end);
  const size_t run = w.mid - w.lo;
  const bool walk = run < shortRun || (!l.demandSumsBuilt &&
                                       l.walked + run <= walksPerEntry * l.entries.size());
  if (walk) {
    if (run >= shortRun) l.walked += run;
    for (size_t at = w.lo; at < w.mid; ++at)
      if (ahead(at)) sum += l.entries[at].demand;
  } else {
    if (!l.demandSumsBuilt) buildDemandSums(l);
    sum += l.demandByRank.below(w.lo, w.mid, rank);
    if (grouped())
      sum -= l.demandByKey.below(w.lo, w.mid, static_cast<int>(groupHi)) -
             l.demandByKey.below(w.lo, w.mid, static_cast<int>(groupLo));
  }
  addPartial(l, w, end, [&](size_t at, longint_t count) {
    if (ahead(at)) sum += count;
  });
  return sum;
}
