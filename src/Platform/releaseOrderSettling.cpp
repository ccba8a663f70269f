#include "Platform/releaseOrderSettling.h"

#include <algorithm>
#include <cstdint>

#include "Bus/bus.h"
#include "Platform/core.h"
#include "Platform/lent.h"
#include "Platform/processor.h"
#include "Platform/rta.h"
#include "nodeset.h"

namespace {

// What a monotone model can charge a node on every bank together: its charge
// per bank is bounded by the delays and the demands of the node set.
long double chargeBound(const Nodeset& ns, const Processor& p) {
  typedef long double Wide;
  const auto delay = [](int d) {
    return static_cast<Wide>(static_cast<longint_t>(static_cast<int64_t>(d)));
  };
  const Wide largestDelay =
      std::max({delay(p.getMemDelay()), delay(p.getAccDelay()), delay(p.getBurstDelay())});
  const longint_t n = ns.getSize();
  std::vector<Wide> copies(n, 1);  // a node, and each core-list entry of it
  for (const auto& [core, list] : ns.getCoreMap())
    for (longint_t k : list)
      if (k < n) ++copies[k];
  Wide demands = 1;
  for (longint_t k = 0; k < n; ++k) {
    const int node = static_cast<int>(k);
    for (const auto& [bank, accesses] : ns.getVecMemDemand(node))
      demands += copies[k] * static_cast<Wide>(accesses);
    for (const auto& [bank, transactions] : ns.getVecTransactions(node))
      demands += static_cast<Wide>(transactions);
  }
  const Wide cores = static_cast<Wide>(p.getCoresVec()->size());
  const Wide banks = std::max(p.getNumberOfBanks(), 0);
  return banks * 2 * (cores + 3) * largestDelay * demands;
}

// Whether no date or sum can pass 2^63 under a monotone model.
bool sumsStaySmall(const Nodeset& ns, long double charges) {
  typedef long double Wide;
  Wide largest = 0;  // release date plus processor demand
  for (longint_t k = 0; k < ns.getSize(); ++k) {
    const int node = static_cast<int>(k);
    largest = std::max(largest, static_cast<Wide>(ns.getReleaseDate(node)) +
                                    static_cast<Wide>(ns.getProcDemand(node)));
  }
  return largest + charges < 0x1p62L;
}

}  // namespace

ReleaseOrderSettling::ReleaseOrderSettling(const ResponseTimeAnalysis& rta, Nodeset& nodeset,
                                           Processor& proc)
    : analysis(rta),
      ns(nodeset),
      processor(proc),
      previous(nodeset),
      index(nodeset, proc.getNumberOfBanks()),
      modelsAllow(modelsRiseByOverlap()),
      charges(modelsAllow ? chargeBound(nodeset, proc) : 0) {}

// The verbosity, the configuration, the models and the demands stay as they
// are for the whole analysis; only the release dates change.
bool ReleaseOrderSettling::modelsRiseByOverlap() const {
  const Interference& bus = *processor.getBus();
  if (processor.isOldConfig()) return false;
  if (processor.getCore()->reads() != Interference::Reads::Nothing) return false;
  return bus.reads() == Interference::Reads::Overlapping && bus.risesByOverlap(ns);
}

bool ReleaseOrderSettling::applies() const { return modelsAllow && sumsStaySmall(ns, charges); }

bool ReleaseOrderSettling::settle() {
  index.restart();
  if (!sweep) sweep = processor.getBus()->makeSweep(ns, processor.getNumberOfBanks());
  if (sweep) sweep->begin(index);
  const Lent lent(processor.getBus(), index, sweep.get());
  const std::vector<longint_t>& order = index.releaseOrder();
  const auto release = [this](longint_t k) { return ns.getReleaseDate(static_cast<int>(k)); };
  previous.begin(order);
  std::vector<int> together;
  for (size_t first = 0; first < order.size();) {
    size_t last = first + 1;
    while (last < order.size() && release(order[last]) == release(order[first])) ++last;
    const longint_t date = release(order[first]);
    if (sweep) sweep->enter(date);
    previous.enter(date);
    together.assign(order.begin() + static_cast<long>(first),
                    order.begin() + static_cast<long>(last));
    // A node that may run for 0 cycles is seen by those released with it.
    const bool mayIdle = std::any_of(together.begin(), together.end(),
                                     [this](int k) { return ns.getProcDemand(k) == 0; });
    if (!mayIdle) std::erase_if(together, [&](int k) { return keeps(k); });
    if (!settleReleasedTogether(together)) return false;
    for (size_t p = first; p < last; ++p) previous.settled(order[p]);
    first = last;
  }
  if (!processor.getBus()->roseByOverlap(ns)) return false;
  previous.record(order);
  return true;
}

// Whether node i settles as in the last settling; it then takes that response time.
bool ReleaseOrderSettling::keeps(int i) {
  if (!previous.keeps(i)) return false;
  const longint_t r = previous.responseTime(i);
  ns.setResponseTime(i, r);
  index.noteResponseTime(r);
  return true;
}

// Each node in turn until its equation holds; again while one of them
// started to run, as the others may see that.
bool ReleaseOrderSettling::settleReleasedTogether(const std::vector<int>& nodes) {
  for (bool started = true; started;) {
    started = false;
    for (const int i : nodes) {
      for (longint_t r = analysis.equation(i); r != ns.getResponseTime(i);
           r = analysis.equation(i)) {
        const longint_t before = ns.getResponseTime(i);
        if (r < before) return false;
        ns.setResponseTime(i, r);
        index.noteResponseTime(r);
        started = started || before == 0;
      }
    }
  }
  return true;
}
