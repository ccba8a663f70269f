#ifndef TOLLBRIG_SPEEDUP_RELEASESWEEP_H
#define TOLLBRIG_SPEEDUP_RELEASESWEEP_H

#include <algorithm>
#include <functional>
#include <optional>
#include <queue>
#include <span>
#include <utility>
#include <vector>

#include "Speedup/overlapIndex.h"
#include "count.h"
#include "keys.h"
#include "nodeset.h"

// Window access counts, as computeA's, for the windows of nodes taken in
// release order. While the nodes released at a date settle, those released
// before it are final: the entries they own count the same in every window
// opening at that date, and follow the date by a sweep over their finish
// dates. The entries released from the date on depend only on the window's
// end: those it covers whole come from sums of their demands. No date or sum
// may wrap around.
//
// SlotSweep counts the entries of the core lists on each bank by slot;
// RankSweep sums the counts of the nodes themselves on every bank by rank;
// PassCounts gives SlotSweep's counts for windows asked in any order.
//
// One sweep serves the settlings of a whole analysis, each over an index of
// its own, and keeps the room its lists took from one to the next.
class ReleaseSweep {
 public:
  virtual ~ReleaseSweep();
  ReleaseSweep(const ReleaseSweep&) = delete;
  ReleaseSweep& operator=(const ReleaseSweep&) = delete;

  // Starts a settling over the index, which must outlive it.
  void begin(const OverlapIndex& overlapIndex);
  // Moves on to the nodes released at date, not before the last one; every
  // node released before it keeps its response time from now on.
  void enter(longint_t d) { date = d; }
  // The counts by slot for the window from relI to end on the bank, with the
  // delay as the divisor of the overlap lengths; nullptr unless the window
  // opens at the current date, the node set and delay are the sweep's, and it
  // counts by slot.
  virtual const std::vector<longint_t>* counts(const Nodeset& nodeset, int bank, longint_t relI,
                                               longint_t end, int delay);
  // The sum over every bank of the counts of the nodes ranked below node i's
  // bound and outside its group, for node i's window from relI to end, under
  // the same conditions for a sweep by rank.
  virtual std::optional<longint_t> sumBelow(const Nodeset& nodeset, longint_t relI, longint_t end,
                                            int delay, int i);

 protected:
  ReleaseSweep(const Nodeset& nodeset, int accessDelay)
      : ns(nodeset), delay(accessDelay), quotientOf(accessDelay) {}

  // Bus::unreachable: the full length of an entry that no overlap counts whole.
  static constexpr longint_t unreachable = ~longint_t{0};

  // The index's entries a sweep follows, sorted by release date.
  struct List {
    typedef std::pair<longint_t, size_t> Until;  // last date whose window counts the whole demand
    struct Part {
      longint_t finish;
      size_t at;
      longint_t counted;  // its count at the date
    };

    std::span<const OverlapIndex::Entry> entries;
    std::vector<longint_t> releases;
    std::vector<longint_t> full;         // per entry, see Bus::fullLength
    longint_t longest = 0;               // largest full length
    size_t stopHint = 0, wholeHint = 0;  // where the last window ended

    // The sweep: entries released before date are taken in.
    bool ready = false;
    longint_t date = 0;
    size_t taken = 0;
    std::priority_queue<Until, std::vector<Until>, std::greater<Until>> wholeUntil;
    std::vector<Part> part;    // taken entries counted in part at the date
    std::vector<size_t> idle;  // entries released at date whose node may not run at all

    bool current = false;  // built from the index of the settling under way

    // Empties the list for the next index, keeping the room it took.
    void clear();
  };
  struct Window {
    size_t lo, mid, hi;  // entries released from the date: whole up to mid, then in part
  };

  // Marks every list as built from an earlier index.
  virtual void forgetLists() = 0;
  bool answers(const Nodeset& nodeset, longint_t relI, int d) const;
  // Takes the entries into the emptied list, with their full lengths.
  void take(List& l, std::span<const OverlapIndex::Entry> entries) const;
  // Brings the counts of the entries released before the date up to it,
  // tally(at, count) adding a count of the taken entry at to them.
  template <typename Tally>
  void catchUp(List& l, Tally tally) const;
  Window window(List& l, longint_t end) const;
  // Of the entries that wanted takes, those released from the date that a
  // window up to end counts in part, and those released at the date that it
  // counts only once their node runs; the others cost no quotient.
  template <typename Wanted, typename Add>
  void addPartial(const List& l, const Window& w, longint_t end, Wanted wanted, Add add) const;
  longint_t accesses(longint_t length, longint_t demand) const {
    return std::min(demand, quotient(length));
  }
  // accesses of the entry over the length, its whole demand without a
  // quotient where the length reaches its full length.
  longint_t entryAccesses(const List& l, size_t at, longint_t length) const {
    const longint_t full = l.full[at];
    if (full != unreachable && length >= full) return l.entries[at].demand;
    return accesses(length, l.entries[at].demand);
  }
  longint_t quotient(longint_t length) const { return quotientOf(length); }

  const Nodeset& ns;
  const OverlapIndex* index = nullptr;
  int delay;
  WindowQuotient quotientOf;
  longint_t date = 0;
};

template <typename Tally>
void ReleaseSweep::catchUp(List& l, Tally tally) const {
  if (l.ready && l.date == date) return;
  for (const List::Part& p : l.part) tally(p.at, 0 - p.counted);
  for (; l.taken < l.entries.size() && l.releases[l.taken] < date; ++l.taken) {
    const OverlapIndex::Entry& e = l.entries[l.taken];
    const longint_t finish = e.release + ns.getResponseTime(static_cast<int>(e.node));
    if (finish <= date) continue;
    if (l.full[l.taken] != unreachable && finish - date >= l.full[l.taken]) {
      tally(l.taken, e.demand);
      l.wholeUntil.emplace(finish - l.full[l.taken], l.taken);
    } else {
      l.part.push_back({finish, l.taken, 0});
    }
  }
  while (!l.wholeUntil.empty() && l.wholeUntil.top().first < date) {
    const size_t at = l.wholeUntil.top().second;
    l.wholeUntil.pop();
    const OverlapIndex::Entry& e = l.entries[at];
    tally(at, 0 - e.demand);
    l.part.push_back({e.release + ns.getResponseTime(static_cast<int>(e.node)), at, 0});
  }
  std::erase_if(l.part, [this](const List::Part& p) { return p.finish <= date; });
  for (List::Part& p : l.part) {
    p.counted = entryAccesses(l, p.at, p.finish - date);
    tally(p.at, p.counted);
  }
  l.idle.clear();
  for (size_t at = l.taken; at < l.entries.size() && l.releases[at] == date; ++at)
    if (ns.getProcDemand(static_cast<int>(l.entries[at].node)) == 0) l.idle.push_back(at);
  l.date = date;
  l.ready = true;
}

template <typename Wanted, typename Add>
void ReleaseSweep::addPartial(const List& l, const Window& w, longint_t end, Wanted wanted,
                              Add add) const {
  for (size_t at = w.mid; at < w.hi; ++at)
    if (wanted(at)) add(at, entryAccesses(l, at, end - l.releases[at]));
  for (size_t at : l.idle)
    if (wanted(at) && ns.getResponseTime(static_cast<int>(l.entries[at].node)) == 0)
      add(at, 0 - accesses(end - date, l.entries[at].demand));
}

#endif
