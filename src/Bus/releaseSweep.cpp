#include "Bus/releaseSweep.h"

#include <algorithm>
#include <functional>
#include <queue>
#include <utility>

#include "Bus/bus.h"
#include "nodeset.h"

namespace {

const longint_t never = ~longint_t{0};

// The least overlap length from which the window quotient reaches the demand;
// never when no length does. The quotient grows with the length.
longint_t fullLength(longint_t demand, int delay) {
  const auto reaches = [&](longint_t length) {
    return Bus::windowQuotient(length, delay) >= demand;
  };
  const longint_t step = static_cast<longint_t>(delay);
  if (demand - 1 <= (never - 1) / step) {
    const longint_t guess = (demand - 1) * step + 1;
    if (reaches(guess) && !reaches(guess - 1)) return guess;
  }
  if (!reaches(never)) return never;
  longint_t lo = 1, hi = never;  // reaches(hi) holds, reaches(lo - 1) does not
  while (lo < hi) {
    const longint_t mid = lo + (hi - lo) / 2;
    if (reaches(mid)) hi = mid;
    else lo = mid + 1;
  }
  return lo;
}

}  // namespace

struct ReleaseSweep::Bank {
  typedef std::pair<longint_t, size_t> Until;  // last date whose window counts the whole demand

  std::span<const OverlapIndex::Entry> entries;  // the index's, sorted by release date
  std::vector<int> classOf;                      // per entry, unless the slots are the classes
  std::vector<longint_t> releases;
  std::vector<longint_t> full;               // per entry, see fullLength
  // Demands by class before every stride-th entry: one row per class count of
  // entries at most, so that the rows take about as much room as the entries.
  size_t stride = 0;
  std::vector<longint_t> prefix;
  longint_t longest = 0;                     // largest full length
  size_t width = 0;  // classes

  // The sweep: entries released before date are taken in.
  bool ready = false;
  longint_t date = 0;
  size_t taken = 0;
  std::vector<longint_t> whole;  // by class, demands of the taken entries counted whole at date
  std::priority_queue<Until, std::vector<Until>, std::greater<Until>> wholeUntil;
  std::vector<std::pair<longint_t, size_t>> part;  // finish and entry of those counted in part
  std::vector<longint_t> before;                   // by class, counts of the taken entries at date
  std::vector<size_t> idle;  // entries released at date whose node may not run at all

  int classAt(size_t at) const { return classOf.empty() ? entries[at].slot : classOf[at]; }
};

ReleaseSweep::ReleaseSweep(const Nodeset& nodeset, const OverlapIndex& overlapIndex, int bankCount,
                           int accessDelay)
    : ns(nodeset),
      index(overlapIndex),
      delay(accessDelay),
      classes(overlapIndex.slots()),
      banks(std::max(bankCount, 0)) {}

ReleaseSweep::ReleaseSweep(const Nodeset& nodeset, const OverlapIndex& overlapIndex, int bankCount,
                           int accessDelay, std::vector<int> nodeClasses, int classCount)
    : ns(nodeset),
      index(overlapIndex),
      delay(accessDelay),
      classOfNode(std::move(nodeClasses)),
      classes(classCount),
      banks(std::max(bankCount, 0)) {}

ReleaseSweep::~ReleaseSweep() = default;

void ReleaseSweep::enter(longint_t d) { date = d; }

longint_t ReleaseSweep::accesses(longint_t length, longint_t demand) const {
  return std::min(demand, Bus::windowQuotient(length, delay));
}

ReleaseSweep::Bank& ReleaseSweep::bank(int b) {
  std::unique_ptr<Bank>& built = banks[b];
  if (built) return *built;
  built = std::make_unique<Bank>();
  Bank& bank = *built;
  const std::span<const OverlapIndex::Entry> list = bySlot() ? index.lists(b) : index.nodes(b);
  bank.entries = list;
  if (!bySlot())
    for (const OverlapIndex::Entry& e : list) bank.classOf.push_back(classOfNode[e.node]);
  bank.width = static_cast<size_t>(classes);
  bank.stride = std::max<size_t>(8, bank.width);
  std::vector<longint_t> sums(bank.width, 0);
  for (size_t e = 0; e < bank.entries.size(); ++e) {
    const OverlapIndex::Entry& entry = bank.entries[e];
    if (e % bank.stride == 0) bank.prefix.insert(bank.prefix.end(), sums.begin(), sums.end());
    sums[bank.classAt(e)] += entry.demand;
    bank.releases.push_back(entry.release);
    bank.full.push_back(fullLength(entry.demand, delay));
    bank.longest = std::max(bank.longest, bank.full.back());
  }
  if (bank.entries.size() % bank.stride == 0)
    bank.prefix.insert(bank.prefix.end(), sums.begin(), sums.end());
  bank.whole.assign(bank.width, 0);
  return bank;
}

// Brings the counts of the entries released before the date up to it.
void ReleaseSweep::catchUp(Bank& b) const {
  if (b.ready && b.date == date) return;
  for (; b.taken < b.entries.size() && b.releases[b.taken] < date; ++b.taken) {
    const OverlapIndex::Entry& e = b.entries[b.taken];
    const longint_t finish = e.release + ns.getResponseTime(static_cast<int>(e.node));
    if (finish <= date) continue;
    if (b.full[b.taken] != never && finish - date >= b.full[b.taken]) {
      b.whole[b.classAt(b.taken)] += e.demand;
      b.wholeUntil.emplace(finish - b.full[b.taken], b.taken);
    } else {
      b.part.emplace_back(finish, b.taken);
    }
  }
  while (!b.wholeUntil.empty() && b.wholeUntil.top().first < date) {
    const size_t at = b.wholeUntil.top().second;
    b.wholeUntil.pop();
    const OverlapIndex::Entry& e = b.entries[at];
    b.whole[b.classAt(at)] -= e.demand;
    b.part.emplace_back(e.release + ns.getResponseTime(static_cast<int>(e.node)), at);
  }
  std::erase_if(b.part, [this](const auto& p) { return p.first <= date; });
  b.before = b.whole;
  for (const auto& [finish, at] : b.part)
    b.before[b.classAt(at)] += accesses(finish - date, b.entries[at].demand);
  b.idle.clear();
  for (size_t at = b.taken; at < b.entries.size() && b.releases[at] == date; ++at)
    if (ns.getProcDemand(static_cast<int>(b.entries[at].node)) == 0) b.idle.push_back(at);
  b.date = date;
  b.ready = true;
}

// Adds the demands of the entries from lo to hi by class.
void ReleaseSweep::addWhole(const Bank& b, size_t lo, size_t hi) {
  const size_t stride = b.stride;
  const size_t fromRow = (lo + stride - 1) / stride, toRow = hi / stride;
  if (fromRow >= toRow) {
    for (size_t at = lo; at < hi; ++at) result[b.classAt(at)] += b.entries[at].demand;
    return;
  }
  for (size_t at = lo; at < fromRow * stride; ++at)
    result[b.classAt(at)] += b.entries[at].demand;
  const longint_t* from = &b.prefix[fromRow * b.width];
  const longint_t* to = &b.prefix[toRow * b.width];
  for (size_t s = 0; s < b.width; ++s) result[s] += to[s] - from[s];
  for (size_t at = toRow * stride; at < hi; ++at)
    result[b.classAt(at)] += b.entries[at].demand;
}

const std::vector<longint_t>* ReleaseSweep::counts(const Nodeset& nodeset, int bankIndex,
                                                  longint_t relI, longint_t end, int d) {
  if (&nodeset != &ns || d != delay || delay <= 0 || relI != date || bankIndex < 0 ||
      bankIndex >= static_cast<int>(banks.size()))
    return nullptr;
  Bank& b = bank(bankIndex);
  catchUp(b);
  result = b.before;
  if (end <= date) return &result;
  // Entries released from the date to end - longest count their whole demand.
  const auto first = b.releases.begin() + static_cast<long>(b.taken);
  const auto stop = std::lower_bound(first, b.releases.end(), end);
  const auto whole = b.longest != never && end >= b.longest
                         ? std::upper_bound(first, stop, end - b.longest)
                         : first;
  const size_t lo = b.taken, mid = whole - b.releases.begin(), hi = stop - b.releases.begin();
  addWhole(b, lo, mid);
  for (size_t at = mid; at < hi; ++at)
    result[b.classAt(at)] += accesses(end - b.releases[at], b.entries[at].demand);
  // A node released at the date counts only once it runs.
  for (size_t at : b.idle)
    if (ns.getResponseTime(static_cast<int>(b.entries[at].node)) == 0)
      result[b.classAt(at)] -= accesses(end - date, b.entries[at].demand);
  return &result;
}
