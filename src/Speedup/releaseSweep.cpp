#include "Speedup/releaseSweep.h"

#include "Bus/bus.h"

ReleaseSweep::~ReleaseSweep() = default;

void ReleaseSweep::List::clear() {
  releases.clear();
  full.clear();
  longest = 0;
  ready = false;
  date = 0;
  taken = 0;
  wholeUntil = {};
  part.clear();
  idle.clear();
}

void ReleaseSweep::begin(const OverlapIndex& overlapIndex) {
  index = &overlapIndex;
  date = 0;
  forgetLists();
}

const std::vector<longint_t>* ReleaseSweep::counts(const Nodeset&, int, longint_t, longint_t, int) {
  return nullptr;
}

std::optional<longint_t> ReleaseSweep::sumBelow(const Nodeset&, longint_t, longint_t, int, int) {
  return std::nullopt;
}

bool ReleaseSweep::answers(const Nodeset& nodeset, longint_t relI, int d) const {
  return index != nullptr && &nodeset == &ns && d == delay && delay > 0 && relI == date;
}

void ReleaseSweep::take(List& l, std::span<const OverlapIndex::Entry> entries) const {
  static_assert(unreachable == Bus::unreachable);
  l.clear();
  l.current = true;
  l.entries = entries;
  for (const OverlapIndex::Entry& entry : l.entries) {
    l.releases.push_back(entry.release);
    l.full.push_back(Bus::fullLength(entry.demand, delay));
    l.longest = std::max(l.longest, l.full.back());
  }
}

namespace {

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
  return static_cast<size_t>(
      std::partition_point(first, dates.begin() + static_cast<long>(to), before) - dates.begin());
}

}  // namespace

// Entries released from the date to end - longest count their whole demand,
// those up to end in part.
ReleaseSweep::Window ReleaseSweep::window(List& l, longint_t end) const {
  const size_t stop = partitionNear(l.releases, l.taken, l.releases.size(), l.stopHint,
                                    [end](longint_t r) { return r < end; });
  size_t whole = l.taken;
  if (l.longest != unreachable && end >= l.longest) {
    const longint_t last = end - l.longest;
    whole = partitionNear(l.releases, l.taken, stop, l.wholeHint,
                          [last](longint_t r) { return r <= last; });
  }
  l.stopHint = stop;
  l.wholeHint = whole;
  return {l.taken, whole, stop};
}
