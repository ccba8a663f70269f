#include "Speedup/slotSweep.h"

#include <algorithm>

SlotSweep::SlotSweep(const Nodeset& nodeset, int banks, int accessDelay)
    : ReleaseSweep(nodeset, accessDelay), lists(std::max(banks, 0)) {}

SlotSweep::~SlotSweep() = default;

void SlotSweep::forgetLists() {
  for (const std::unique_ptr<SlotList>& l : lists)
    if (l) l->current = false;
}

SlotSweep::SlotList& SlotSweep::list(int bank) {
  std::unique_ptr<SlotList>& kept = lists[bank];
  if (!kept) kept = std::make_unique<SlotList>();
  SlotList& l = *kept;
  if (l.current) return l;
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
}

void SlotSweep::addWhole(const SlotList& l, size_t lo, size_t hi) {
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

const std::vector<longint_t>* SlotSweep::counts(const Nodeset& nodeset, int bank, longint_t relI,
                                                longint_t end, int d) {
  if (!answers(nodeset, relI, d) || bank < 0 || bank >= static_cast<int>(lists.size()))
    return nullptr;
  SlotList& l = list(bank);
  catchUp(l, [&l](size_t at, longint_t count) { l.before[l.entries[at].slot] += count; });
  result = l.before;
  if (end <= date) return &result;
  const Window w = window(l, end);
  addWhole(l, w.lo, w.mid);
  addPartial(l, w, end, [&](size_t at, longint_t count) { result[l.entries[at].slot] += count; });
  return &result;
}
