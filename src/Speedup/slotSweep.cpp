#include "Speedup/slotSweep.h"

#include <algorithm>

SlotSweep::SlotSweep(const Nodeset& nodeset, int banks, int accessDelay)
    : ReleaseSweep(nodeset, accessDelay), lists(std::max(banks, 0)) {}

SlotSweep::~SlotSweep() = default;

void SlotSweep::forgetLists() {
  for (const std::unique_ptr<SlotList>& l : lists)
    if (l) l->current = false;
}

SlotSweep::SlotList& SlotSweep::build(int bank) {
  std::unique_ptr<SlotList>& kept = lists[bank];
  if (!kept) kept = std::make_unique<SlotList>();
  SlotList& l = *kept;
  l.prefix.clear();
  take(l, index->allCoreLists(bank));
  buildSlotSums(l);
  return l;
}

void SlotSweep::buildSlotSums(SlotList& l) const {
  l.width = static_cast<size_t>(index->slots());
  l.stride = std::max<size_t>(8, l.width);
  std::vector<longint_t> sums(l.width, 0);
  for (size_t e = 0; e < l.entries.size(); ++e) {
    if (e % l.stride == 0) l.prefix.insert(l.prefix.end(), sums.begin(), sums.end());
    sums[l.entries[e].slot] += l.entries[e].demand;
  }
  if (l.entries.size() % l.stride == 0) l.prefix.insert(l.prefix.end(), sums.begin(), sums.end());
  l.before.assign(l.width, 0);
  l.result.assign(l.width, 0);
  l.partial.resize(l.entries.size());
}

void SlotSweep::addWhole(SlotList& l, size_t lo, size_t hi) {
  std::vector<longint_t>& result = l.result;
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

void SlotSweep::addPart(SlotList& l, size_t at, longint_t end) const {
  const longint_t part = entryAccesses(l, at, end - l.releases[at]);
  l.result[l.entries[at].slot] += part;
  l.partial[l.parts] = {at, part};
  l.parts += part != l.entries[at].demand ? 1 : 0;
}

void SlotSweep::count(SlotList& l, longint_t end) const {
  const Window w = window(l, end);
  std::copy(l.before.begin(), l.before.end(), l.result.begin());
  addWhole(l, w.lo, w.mid);
  l.parts = 0;
  for (size_t at = w.mid; at < w.hi; ++at) addPart(l, at, end);
  // What the entries of idle nodes count changes as their nodes start.
  l.lastKept = l.idle.empty();
  l.lastEnd = end;
  l.lastStop = w.hi;
  addPartial(
      l, Window{w.hi, w.hi, w.hi}, end, [](size_t) { return true; },
      [&l](size_t at, longint_t part) { l.result[l.entries[at].slot] += part; });
}

// An entry that the last window counted whole still counts whole, as the
// count grows with the window; one it counted in part, or that it did not
// reach, counts anew. The releases are sorted, so one look tells whether too
// many entries lie between the two ends.
bool SlotSweep::extend(SlotList& l, longint_t end) const {
  const size_t size = l.entries.size();
  const size_t most = l.lastStop + 2 * l.stride;
  if (most < size && l.releases[most] < end) return false;
  const size_t parts = l.parts;
  l.parts = 0;
  for (size_t p = 0; p < parts; ++p) {
    const SlotList::Counted counted = l.partial[p];
    l.result[l.entries[counted.at].slot] -= counted.count;
    addPart(l, counted.at, end);
  }
  // Of the entries it did not reach, those released by end - longest count whole.
  size_t at = l.lastStop;
  if (l.longest != unreachable && end >= l.longest) {
    const longint_t last = end - l.longest;
    for (; at < size && l.releases[at] < end && l.releases[at] <= last; ++at)
      l.result[l.entries[at].slot] += l.entries[at].demand;
  }
  for (; at < size && l.releases[at] < end; ++at) addPart(l, at, end);
  l.lastEnd = end;
  l.lastStop = at;
  l.stopHint = at;
  return true;
}

const std::vector<longint_t>* SlotSweep::counts(const Nodeset& nodeset, int bank, longint_t relI,
                                                longint_t end, int d) {
  if (!answers(nodeset, relI, d) || bank < 0 || bank >= static_cast<int>(lists.size()))
    return nullptr;
  SlotList& l = list(bank);
  if (!l.ready || l.date != date) l.lastKept = false;
  catchUp(l, [&l](size_t at, longint_t part) { l.before[l.entries[at].slot] += part; });
  if (end <= date) return &l.before;
  if (!l.lastKept || end < l.lastEnd || !extend(l, end)) count(l, end);
  return &l.result;
}
