#include "Speedup/rankSweep.h"

#include <algorithm>

namespace {

// A run of entries counted whole is walked when it is short, or until the
// long ones walked have cost this many times the entries of the list; from
// then on, summing them by rank pays.
const size_t shortRun = 1024;
const size_t walksPerEntry = 64;

}  // namespace

RankSweep::RankSweep(const Nodeset& nodeset, int accessDelay, std::vector<int> nodeRanks,
                     std::vector<int> nodeGroups, std::vector<int> nodeBounds)
    : ReleaseSweep(nodeset, accessDelay),
      rankOfNode(std::move(nodeRanks)),
      groupOfNode(std::move(nodeGroups)),
      boundOfNode(std::move(nodeBounds)) {
  for (int rank : rankOfNode) rankCount = std::max(rankCount, static_cast<size_t>(rank) + 1);
  if (grouped()) numberKeys();
}

RankSweep::~RankSweep() = default;

void RankSweep::forgetLists() {
  if (kept) kept->current = false;
}

RankSweep::RankList& RankSweep::list() {
  if (!kept) kept = std::make_unique<RankList>();
  RankList& l = *kept;
  if (l.current) return l;
  l.rankAt.clear();
  l.groupAt.clear();
  l.keyAt.clear();
  l.walked = 0;
  l.demandSumsBuilt = false;
  take(l, index->nodesEveryBank());
  buildRankSums(l);
  return l;
}

void RankSweep::buildRankSums(RankList& l) const {
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
void RankSweep::numberKeys() {
  std::vector<std::pair<int, int>> keys;
  for (size_t k = 0; k < rankOfNode.size(); ++k) keys.emplace_back(groupOfNode[k], rankOfNode[k]);
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  keyCount = keys.size();
  const auto below = [&](int group, int rank) {
    return static_cast<size_t>(
        std::lower_bound(keys.begin(), keys.end(), std::make_pair(group, rank)) - keys.begin());
  };
  for (size_t k = 0; k < rankOfNode.size(); ++k) {
    keyOfNode.push_back(static_cast<int>(below(groupOfNode[k], rankOfNode[k])));
    groupKeysOfNode.push_back({below(groupOfNode[k], 0), keyOfNode.back()});
  }
}

void RankSweep::buildDemandSums(RankList& l) const {
  std::vector<longint_t> demands;
  for (const OverlapIndex::Entry& e : l.entries) demands.push_back(e.demand);
  l.demandByRank.build(l.rankAt, demands);
  if (grouped()) l.demandByKey.build(l.keyAt, demands);
  l.demandSumsBuilt = true;
}

// Adds a count of the taken entry to the counts at the date.
void RankSweep::tally(RankList& l, size_t at, longint_t count) const {
  l.beforeByRank.add(static_cast<size_t>(l.rankAt[at]), count);
  if (grouped()) l.beforeByKey.add(static_cast<size_t>(l.keyAt[at]), count);
}

std::optional<longint_t> RankSweep::sumBelow(const Nodeset& nodeset, longint_t relI, longint_t end,
                                             int d, int i) {
  if (!answers(nodeset, relI, d)) return std::nullopt;
  RankList& l = list();
  catchUp(l, [this, &l](size_t at, longint_t count) { tally(l, at, count); });
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
  const bool walk =
      run < shortRun || (!l.demandSumsBuilt && l.walked + run <= walksPerEntry * l.entries.size());
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
  addPartial(l, w, end, ahead, [&sum](size_t, longint_t count) { sum += count; });
  return sum;
}
