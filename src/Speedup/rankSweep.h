#ifndef TOLLBRIG_SPEEDUP_RANKSWEEP_H
#define TOLLBRIG_SPEEDUP_RANKSWEEP_H

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "Speedup/rangeRankSums.h"
#include "Speedup/rankTotals.h"
#include "Speedup/releaseSweep.h"
#include "keys.h"

// A release sweep that sums the counts of the nodes themselves on every bank
// the index covers by a rank of each node, and a group when there are groups,
// from totals and range sums by rank. A window of node i sums the nodes ranked
// below its bound (its own rank when no bounds are given), outside its group
// unless there are none.
class RankSweep : public ReleaseSweep {
 public:
  RankSweep(const Nodeset& nodeset, int accessDelay, std::vector<int> rankOfNode,
            std::vector<int> groupOfNode, std::vector<int> boundOfNode = {});
  ~RankSweep() override;

  std::optional<longint_t> sumBelow(const Nodeset& nodeset, longint_t relI, longint_t end, int d,
                                    int i) override;

 private:
  // Per entry, the rank, group and (group, rank) pair of its node; the counts
  // of the taken entries at the date by rank and by pair; the demands of the
  // entries by rank and by pair, built once the entries walked instead come to
  // cost more.
  struct RankList : List {
    std::vector<int> rankAt, groupAt, keyAt;
    RankTotals beforeByRank, beforeByKey;
    size_t walked = 0;
    bool demandSumsBuilt = false;
    RangeRankSums demandByRank, demandByKey;
  };

  bool grouped() const { return !groupOfNode.empty(); }
  void forgetLists() override;
  // The one list of every bank, built on its first question in a settling.
  RankList& list();
  void buildRankSums(RankList& l) const;
  void buildDemandSums(RankList& l) const;
  void numberKeys();
  void tally(RankList& l, size_t at, longint_t count) const;

  std::vector<int> rankOfNode;
  std::vector<int> groupOfNode;
  std::vector<int> boundOfNode;
  // The number of ranks and of (group, rank) pairs, per node the number of its
  // pair and the numbers of the pairs below its group and its own pair.
  size_t rankCount = 0;
  size_t keyCount = 0;
  std::vector<int> keyOfNode;
  std::vector<std::pair<size_t, size_t>> groupKeysOfNode;
  std::unique_ptr<RankList> kept;
};

#endif
