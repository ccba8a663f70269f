#include "Platform/rta.h"

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <limits>
#include <string>

#include "Bus/bus.h"
#include "Platform/core.h"
#include "Speedup/previousSettling.h"
#include "Platform/processor.h"
#include "Platform/releaseDates.h"
#include "Speedup/staleNodes.h"
#include "globals.h"
#include "keys.h"
#include "nodeset.h"

namespace {

const char* const nonConvergence = "Error: the analysis does not converge.";

std::uint64_t mix(std::uint64_t h) {
  h ^= h >> 30;
  h *= 0xbf58476d1ce4e5b9ULL;
  h ^= h >> 27;
  h *= 0x94d049bb133111ebULL;
  return h ^ (h >> 31);
}

std::uint64_t hashOf(const std::vector<longint_t>& values, std::uint64_t h) {
  for (longint_t v : values) h = mix(h + v);
  return h;
}

// Hash of entry i holding v, in the vector the salt stands for.
const std::uint64_t responseSalt = 0x9e3779b97f4a7c15ULL;
const std::uint64_t prevSalt = 0xc2b2ae3d27d4eb4fULL;
std::uint64_t entryHash(longint_t i, longint_t v, std::uint64_t salt) {
  return mix(mix(i ^ salt) + v);
}

// Whether no date or sum can pass 2^63 under a monotone model: its charge
// per bank is bounded by the delays and the demands of the node set.
bool sumsStaySmall(const Nodeset& ns, const Processor& p) {
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
  Wide largest = 0;  // release date plus processor demand
  for (longint_t k = 0; k < n; ++k) {
    const int node = static_cast<int>(k);
    for (const auto& [bank, accesses] : ns.getVecMemDemand(node))
      demands += copies[k] * static_cast<Wide>(accesses);
    for (const auto& [bank, transactions] : ns.getVecTransactions(node))
      demands += static_cast<Wide>(transactions);
    largest = std::max(largest, static_cast<Wide>(ns.getReleaseDate(node)) +
                                    static_cast<Wide>(ns.getProcDemand(node)));
  }
  const Wide cores = static_cast<Wide>(p.getCoresVec()->size());
  const Wide banks = std::max(p.getNumberOfBanks(), 0);
  return largest + banks * 2 * (cores + 3) * largestDelay * demands < 0x1p62L;
}

void failWith(const std::string& message) {
  std::cout.flush();
  std::cerr << message << std::endl;
}

// Lends an index, and a sweep if given, to the bus while it lives.
class Lent {
 public:
  Lent(Bus* bus, const OverlapIndex& index, ReleaseSweep* sweep = nullptr) : bus(bus) {
    bus->attach(&index, sweep);
  }
  ~Lent() { bus->attach(nullptr); }
  Lent(const Lent&) = delete;
  Lent& operator=(const Lent&) = delete;

 private:
  Bus* bus;
};

}  // namespace

// The response times settle from prevR under the same release dates. differs
// holds the entries of prevR that differ from the response times, and hash sums
// a hash of every entry of both, so neither needs a walk over all nodes per
// pass. The bus uses the index, and a pass computes only the stale nodes.
struct ResponseTimeAnalysis::Settling {
  Settling(Nodeset& ns, Processor& p, std::vector<longint_t> start)
      : prevR(std::move(start)),
        differs(prevR.size()),
        index(ns, p.getNumberOfBanks()),
        stale(ns, *p.getCore(), *p.getBus()),
        lent(p.getBus(), index) {
    for (longint_t i = 0; i < prevR.size(); ++i)
      hash += entryHash(i, prevR[i], responseSalt) + entryHash(i, prevR[i], prevSalt);
  }

  std::vector<longint_t> prevR;
  NodeFlags differs;
  std::uint64_t hash = 0;
  OverlapIndex index;
  StaleNodes stale;
  Lent lent;
};

ResponseTimeAnalysis::ResponseTimeAnalysis() = default;
ResponseTimeAnalysis::ResponseTimeAnalysis(Nodeset* n, Processor* p) : ns(n) { processor = p; }
ResponseTimeAnalysis::~ResponseTimeAnalysis() = default;

int ResponseTimeAnalysis::init(Nodeset* n, Processor* p) {
  ns = n;
  processor = p;
  schedulable = true;
  outerLoopIter = 0;
  return 0;
}

longint_t ResponseTimeAnalysis::getResponseTime(unsigned long i) {
  if (i < ns->getSize()) return ns->getResponseTime(static_cast<int>(i));
  std::cerr << "Error: array access out of bounds! (node " << i
            << ", ResponseTimeAnalysis::getResponseTime)" << std::endl;
  return std::numeric_limits<longint_t>::max();
}

int ResponseTimeAnalysis::computeResponseTime() {
  responseTimePass();
  return 0;
}

longint_t ResponseTimeAnalysis::responseTime(longint_t i) const {
  return ns->getResponseTime(static_cast<int>(i));
}

bool ResponseTimeAnalysis::responseTimePass() {
  const longint_t n = ns->getSize();
  const auto next = [this](longint_t k) { return settling ? settling->stale.next(k) : k; };
  bool moved = false;
  if (settling) settling->stale.beginPass();
  for (longint_t k = next(0); k < n; k = next(k + 1)) {
    if (settling) settling->stale.computed(k);
    const longint_t r = equation(static_cast<int>(k));
    if (r == responseTime(k)) continue;
    store(k, r);
    moved = true;
  }
  return moved;
}

longint_t ResponseTimeAnalysis::equation(int i) const {
  const longint_t window = ns->getResponseTime(i);
  const longint_t busCycles =
      processor->getBus()->bankSum(i, window, ns, processor->getNumberOfBanks());
  return ns->getProcDemand(i) + processor->getCore()->getInterference(i, window, ns, 0) +
         busCycles;
}

void ResponseTimeAnalysis::store(longint_t i, longint_t r) {
  const longint_t before = responseTime(i);
  ns->setResponseTime(static_cast<int>(i), r);
  if (!settling || r == before) return;
  settling->index.noteResponseTime(r);
  settling->stale.changed(i, before, r);
  settling->differs.assign(i, settling->prevR[i] != r);
  settling->hash += entryHash(i, r, responseSalt) - entryHash(i, before, responseSalt);
}

// Processor demand, plus the memory demand at the memory delay in the old configuration.
std::vector<longint_t> ResponseTimeAnalysis::startResponseTimes() {
  const longint_t memDelay = static_cast<longint_t>(static_cast<int64_t>(processor->getMemDelay()));
  std::vector<longint_t> prevR(ns->getSize());
  for (longint_t k = 0; k < prevR.size(); ++k) {
    const int i = static_cast<int>(k);
    prevR[k] = ns->getProcDemand(i);
    if (processor->isOldConfig())
      for (int bank = 0; bank < processor->getNumberOfBanks(); ++bank)
        prevR[k] += ns->getMemDemandPerBank(i, bank) * memDelay;
    ns->setResponseTime(i, prevR[k]);
  }
  return prevR;
}

longint_t ResponseTimeAnalysis::firstDifference(const std::vector<longint_t>& prevR) const {
  longint_t i = 0;
  while (i < prevR.size() && prevR[i] == responseTime(i)) ++i;
  return i;
}

// Takes over node i's new response time, reporting a fall.
void ResponseTimeAnalysis::refresh(longint_t i) {
  std::vector<longint_t>& prevR = settling->prevR;
  const longint_t r = responseTime(i);
  if (prevR[i] > r) {
    const std::vector<std::string>& traces = ns->getTraceVector(static_cast<int>(i));
    std::cout << "Warning: task ID " << i << ": " << (traces.empty() ? "" : traces.front())
              << " old " << prevR[i] << " new " << r << '\n';
  }
  settling->hash += entryHash(i, r, prevSalt) - entryHash(i, prevR[i], prevSalt);
  prevR[i] = r;
  settling->differs.reset(i);
}

// Whether the response times rise from the processor demands to the least
// fixed point above them whatever order the nodes are updated in, and no pass
// count is printed: then any order reaches the values of the passes.
bool ResponseTimeAnalysis::risesInReleaseOrder() const {
  const Interference& bus = *processor->getBus();
  if (VERBOSE > 1 || processor->isOldConfig()) return false;
  if (processor->getCore()->reads() != Interference::Reads::Nothing) return false;
  if (bus.reads() != Interference::Reads::Overlapping || !bus.risesByOverlap(*ns)) return false;
  return sumsStaySmall(*ns, *processor);
}

// A node reads the nodes released before it, and of those released with it
// only whether they have run at all, so the nodes settle one release date
// after the other. False when a response time fell, which a monotone model
// never lets happen, or when the bus does not vouch for the response times
// reached; the caller then settles pass by pass.
bool ResponseTimeAnalysis::settleInReleaseOrder() {
  startResponseTimes();
  OverlapIndex index(*ns, processor->getNumberOfBanks());
  if (!sweep) sweep = processor->getBus()->makeSweep(*ns, processor->getNumberOfBanks());
  if (sweep) sweep->begin(index);
  const Lent lent(processor->getBus(), index, sweep.get());
  const std::vector<longint_t>& order = index.releaseOrder();
  const auto release = [this](longint_t k) { return ns->getReleaseDate(static_cast<int>(k)); };
  previous->begin();
  std::vector<int> together;
  for (size_t first = 0; first < order.size();) {
    size_t last = first + 1;
    while (last < order.size() && release(order[last]) == release(order[first])) ++last;
    const longint_t date = release(order[first]);
    if (sweep) sweep->enter(date);
    previous->enter(date);
    together.assign(order.begin() + static_cast<long>(first),
                    order.begin() + static_cast<long>(last));
    // A node that may run for 0 cycles is seen by those released with it.
    const bool mayIdle = std::any_of(together.begin(), together.end(),
                                     [this](int k) { return ns->getProcDemand(k) == 0; });
    if (!mayIdle) std::erase_if(together, [&](int k) { return keeps(k, index); });
    if (!settleReleasedTogether(together, index)) return false;
    for (size_t p = first; p < last; ++p) previous->settled(order[p]);
    first = last;
  }
  if (!processor->getBus()->roseByOverlap(*ns)) return false;
  previous->record();
  return true;
}

// Whether node i settles as in the last settling; it then takes that response time.
bool ResponseTimeAnalysis::keeps(int i, OverlapIndex& index) {
  if (!previous->keeps(i)) return false;
  const longint_t r = previous->responseTime(i);
  ns->setResponseTime(i, r);
  index.noteResponseTime(r);
  return true;
}

// Each node in turn until its equation holds; again while one of them
// started to run, as the others may see that.
bool ResponseTimeAnalysis::settleReleasedTogether(const std::vector<int>& nodes,
                                                  OverlapIndex& index) {
  for (bool started = true; started;) {
    started = false;
    for (const int i : nodes) {
      for (longint_t r = equation(i); r != ns->getResponseTime(i); r = equation(i)) {
        const longint_t before = ns->getResponseTime(i);
        if (r < before) return false;
        ns->setResponseTime(i, r);
        index.noteResponseTime(r);
        started = started || before == 0;
      }
    }
  }
  return true;
}

int ResponseTimeAnalysis::settleResponseTimes(int& passes) {
  // The pass count is printed only where the settling goes pass by pass.
  passes = 0;
  if (risesInReleaseOrder() && settleInReleaseOrder()) return busFailed() ? 1 : 0;
  previous->forget();
  settling = std::make_unique<Settling>(*ns, *processor, startResponseTimes());
  const int status = settle(passes);
  settling.reset();
  return status;
}

// Every pass recomputes the response times from the current ones alone, and
// refreshes the first entry of prevR that differs from them. Once a pass
// changes nothing, all later passes repeat it, so the remaining refreshes are
// taken in one sweep instead of one pass each.
int ResponseTimeAnalysis::settle(int& passes) {
  const longint_t n = ns->getSize();
  const std::vector<longint_t> start = settling->prevR;
  const NodeFlags& differs = settling->differs;
  StateLog seen;
  passes = 0;
  for (int pass = 1;; ++pass) {
    const bool moved = responseTimePass();
    if (busFailed()) return 1;
    if (!moved) {
      for (longint_t i = differs.next(0); i < n; i = differs.next(i + 1)) {
        refresh(i);
        ++passes;
      }
      return 0;
    }
    const longint_t i = differs.next(0);
    if (i == n) return 0;
    if (revisits(seen, start, pass)) {
      failWith(nonConvergence);
      return 1;
    }
    refresh(i);
    ++passes;
  }
}

// Whether the state after this pass (response times and prevR) was seen after an
// earlier pass; a repeated state means the passes go round for ever. States are
// kept as hashes, and a matching hash is confirmed by replaying the passes up to
// the earlier one.
bool ResponseTimeAnalysis::revisits(StateLog& seen, const std::vector<longint_t>& start,
                                    int pass) {
  const std::uint64_t h = settling->hash;
  const auto [first, last] = seen.equal_range(h);
  bool repeated = false;
  if (first != last) {
    const longint_t n = start.size();
    std::vector<longint_t> current(n);
    for (longint_t i = 0; i < n; ++i) current[i] = responseTime(i);
    for (auto it = first; it != last && !repeated; ++it) {
      std::vector<longint_t> replayed = start;
      for (longint_t i = 0; i < n; ++i) store(i, start[i]);
      settling->stale.markAll();
      for (int p = 1; p <= it->second; ++p) {
        responseTimePass();
        if (p == it->second) break;
        const longint_t i = firstDifference(replayed);
        replayed[i] = responseTime(i);
      }
      repeated = replayed == settling->prevR;
      for (longint_t i = 0; i < n && repeated; ++i) repeated = responseTime(i) == current[i];
      for (longint_t i = 0; i < n; ++i) store(i, current[i]);
      settling->stale.markAll();
    }
  }
  seen.emplace(h, pass);
  return repeated;
}

bool ResponseTimeAnalysis::busFailed() const { return processor->getBus()->hasFailed(); }

void ResponseTimeAnalysis::writeImage() const {
  const std::string path = TMPDIR + "/image_" + ns->getName() + "_iter_" +
                           std::to_string(outerLoopIter) + ".yaml";
  std::cout << " Iteration " << outerLoopIter << " written in " << path << '\n';
  std::cout.flush();
  if (ns->exportYAML(schedulable, path, "") != 0)
    std::cerr << "Warning: the image of iteration " << outerLoopIter
              << " was not written; the analysis goes on." << std::endl;
}

void ResponseTimeAnalysis::checkDeadlines() {
  const longint_t n = ns->getSize();
  for (longint_t k = 0; k < n; ++k) {
    const int i = static_cast<int>(k);
    const std::string name = ns->getTaskName(i);
    const longint_t r = ns->getResponseTime(i);
    const longint_t rel = ns->getReleaseDate(i);
    const longint_t deadline = ns->getDeadline(i);
    // A finish date past 2^64 - 1 misses any deadline; it is printed as 2^64 - 1.
    longint_t finish;
    const bool beyond = __builtin_add_overflow(r, rel, &finish);
    if (beyond) finish = std::numeric_limits<longint_t>::max();
    if (beyond || finish > deadline) {
      schedulable = false;
      if (VERBOSE > 1)
        std::cout << "\033[1;31m Task '" << name << "' exceeded its deadline: finish date = "
                  << finish << ", deadline = " << deadline << "\033[0m\n";
    }
    if (VERBOSE > 2)
      std::cout << " Task '" << name << "': R_" << k << " = " << r << ". Release_" << k << " = "
                << rel << ". D_" << k << " = " << deadline << ".\n";
  }
}

int ResponseTimeAnalysis::analyse() {
  const longint_t n = ns->getSize();
  std::vector<longint_t> rel0(n);
  for (longint_t i = 0; i < n; ++i) rel0[i] = ns->getReleaseDate(static_cast<int>(i));
  outerLoopIter = 0;
  ReleaseDates releases(*ns);
  previous = std::make_unique<PreviousSettling>(*ns);
  sweep.reset();
  std::vector<std::vector<longint_t>> starts;
  std::unordered_multimap<std::uint64_t, size_t> startIndex;
  bool changed = true;
  while (changed) {
    std::vector<longint_t> dates(n);
    for (longint_t i = 0; i < n; ++i) dates[i] = ns->getReleaseDate(static_cast<int>(i));
    const std::uint64_t h = hashOf(dates, 0);
    const auto [first, last] = startIndex.equal_range(h);
    for (auto it = first; it != last; ++it)
      if (starts[it->second] == dates) {
        failWith(nonConvergence);
        return 1;
      }
    startIndex.emplace(h, starts.size());
    starts.push_back(std::move(dates));

    int passes = 0;
    if (settleResponseTimes(passes) != 0) return 1;
    if (VERBOSE > 1) std::cout << "WCRT Computation Fixed-Point: " << passes + 1 << " iterations.\n";
    if (releases.settle(rel0, changed) != 0) return 1;
    ++outerLoopIter;
    if (VERBOSE > 3) writeImage();
  }
  if (VERBOSE > 1) std::cout << "Release Date Fixed-Point: " << outerLoopIter << " iterations.\n";
  checkDeadlines();
  std::cout.flush();
  return 0;
}
