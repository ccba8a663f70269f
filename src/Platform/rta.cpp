#include "Platform/rta.h"

#include <cstdint>
#include <ios>
#include <iostream>
#include <limits>
#include <string>
#include <vector>

#include "Bus/bus.h"
#include "Platform/core.h"
#include "Platform/hashMix.h"
#include "Platform/passSettling.h"
#include "Platform/processor.h"
#include "Platform/releaseDates.h"
#include "Platform/releaseOrderSettling.h"
#include "Platform/stateLog.h"
#include "console.h"
#include "globals.h"
#include "keys.h"
#include "nodeset.h"

namespace {

const char* const nonConvergence = "Error: the analysis does not converge.";

// The node set's release dates in node order.
std::vector<longint_t> releaseDatesOf(const Nodeset& ns) {
  std::vector<longint_t> dates(ns.getSize());
  for (longint_t i = 0; i < dates.size(); ++i) dates[i] = ns.getReleaseDate(static_cast<int>(i));
  return dates;
}

void setReleaseDates(Nodeset& ns, const std::vector<longint_t>& dates) {
  for (longint_t i = 0; i < dates.size(); ++i) ns.setReleaseDate(static_cast<int>(i), dates[i]);
}

// The release dates and response times of a node set, which the outer
// iterations change, to compare and to put back.
class NodesetState {
 public:
  explicit NodesetState(const Nodeset& ns) : releases(releaseDatesOf(ns)), responses(ns.getSize()) {
    for (longint_t i = 0; i < responses.size(); ++i)
      responses[i] = ns.getResponseTime(static_cast<int>(i));
  }

  bool sameReleaseDates(const Nodeset& ns) const {
    for (longint_t i = 0; i < releases.size(); ++i)
      if (ns.getReleaseDate(static_cast<int>(i)) != releases[i]) return false;
    return true;
  }

  void restore(Nodeset& ns) const {
    setReleaseDates(ns, releases);
    for (longint_t i = 0; i < responses.size(); ++i)
      ns.setResponseTime(static_cast<int>(i), responses[i]);
  }

 private:
  std::vector<longint_t> releases;
  std::vector<longint_t> responses;
};

// Drops what is written to the standard streams while it lives: a stream
// without a buffer writes nothing.
class Muted {
 public:
  Muted()
      : outState(std::cout.rdstate()),
        errState(std::cerr.rdstate()),
        out(std::cout.rdbuf(nullptr)),
        err(std::cerr.rdbuf(nullptr)) {}
  ~Muted() {
    std::cout.rdbuf(out);
    std::cout.clear(outState);
    std::cerr.rdbuf(err);
    std::cerr.clear(errState);
  }
  Muted(const Muted&) = delete;
  Muted& operator=(const Muted&) = delete;

 private:
  std::ios_base::iostate outState;
  std::ios_base::iostate errState;
  std::streambuf* out;
  std::streambuf* err;
};

void failWith(const std::string& message) {
  std::cout.flush();
  std::cerr << message << std::endl;
}

}  // namespace

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
  const longint_t n = ns->getSize();
  for (longint_t k = 0; k < n; ++k) {
    const int i = static_cast<int>(k);
    const longint_t r = equation(i);
    if (r != ns->getResponseTime(i)) ns->setResponseTime(i, r);
  }
  return 0;
}

longint_t ResponseTimeAnalysis::equation(int i) const {
  const longint_t window = ns->getResponseTime(i);
  const longint_t busCycles =
      processor->getBus()->bankSum(i, window, ns, processor->getNumberOfBanks());
  return ns->getProcDemand(i) + processor->getCore()->getInterference(i, window, ns, 0) + busCycles;
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

int ResponseTimeAnalysis::settleResponseTimes(ReleaseOrderSettling& releaseOrder,
                                              PassSetup& passSetup, int& passes) {
  // The pass count is printed only where the settling goes pass by pass. Where
  // the response times rise to the least fixed point in any order, settling in
  // release order first gives the passes the values they rise to.
  passes = 0;
  std::vector<longint_t> limit;
  if (releaseOrder.applies()) {
    startResponseTimes();
    if (releaseOrder.settle()) {
      if (busFailed()) return 1;
      if (VERBOSE <= 1) return 0;
      limit = responseTimes();
    } else {
      releaseOrder.forget();
    }
  } else {
    releaseOrder.forget();
  }
  PassSettling settling(*this, *ns, *processor, startResponseTimes(), std::move(limit), passSetup);
  switch (settling.settle(passes)) {
    case PassSettling::Outcome::settled:
      return 0;
    case PassSettling::Outcome::busFailed:
      return 1;
    case PassSettling::Outcome::goesRound:
      break;
  }
  failWith(nonConvergence);
  return 1;
}

std::vector<longint_t> ResponseTimeAnalysis::responseTimes() const {
  std::vector<longint_t> r(ns->getSize());
  for (longint_t k = 0; k < r.size(); ++k) r[k] = ns->getResponseTime(static_cast<int>(k));
  return r;
}

bool ResponseTimeAnalysis::busFailed() const { return processor->getBus()->hasFailed(); }

void ResponseTimeAnalysis::writeImage() const {
  const std::string path =
      TMPDIR + "/image_" + ns->getName() + "_iter_" + std::to_string(outerLoopIter) + ".yaml";
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
        std::cout << console::red << " Task '" << name
                  << "' exceeded its deadline: finish date = " << finish
                  << ", deadline = " << deadline << console::reset << '\n';
    }
    if (VERBOSE > 2)
      std::cout << " Task '" << name << "': R_" << k << " = " << r << ". Release_" << k << " = "
                << rel << ". D_" << k << " = " << deadline << ".\n";
  }
}

std::uint64_t ResponseTimeAnalysis::releaseDatesHash() const {
  std::uint64_t h = 0;
  for (longint_t i = 0; i < ns->getSize(); ++i)
    h = hashMix(h + ns->getReleaseDate(static_cast<int>(i)));
  return h;
}

int ResponseTimeAnalysis::outerIteration(ReleaseOrderSettling& releaseOrder, PassSetup& passSetup,
                                         ReleaseDates& releases, const std::vector<longint_t>& rel0,
                                         bool& changed) {
  int passes = 0;
  if (settleResponseTimes(releaseOrder, passSetup, passes) != 0) return 1;
  if (VERBOSE > 1) std::cout << "WCRT Computation Fixed-Point: " << passes + 1 << " iterations.\n";
  return releases.settle(rel0, changed);
}

// Whether this outer iteration starts from the release dates an earlier one
// started from; the loop would then go round for ever. A matching hash is
// confirmed by replaying the iterations from rel0 up to the earlier one. An
// iteration depends on the release dates alone, and on what the release-order
// settling kept from the one before, so the replay takes settlings of its
// own, as the first run did; it prints nothing, and the node set is put back.
bool ResponseTimeAnalysis::revisits(StateLog& seen, ReleaseDates& releases,
                                    const std::vector<longint_t>& rel0) {
  const std::vector<int> earlier = seen.note(releaseDatesHash(), outerLoopIter);
  if (earlier.empty()) return false;
  const NodesetState now(*ns);
  bool repeated = false;
  {
    const Muted muted;
    ReleaseOrderSettling releaseOrder(*this, *ns, *processor);
    PassSetup passSetup(*ns, *processor);
    setReleaseDates(*ns, rel0);
    int replayed = 0;
    bool changed = true;
    for (auto candidate = earlier.begin(); candidate != earlier.end() && !repeated; ++candidate) {
      // These iterations ran before from the same release dates, so they succeed again.
      for (; replayed < *candidate; ++replayed)
        outerIteration(releaseOrder, passSetup, releases, rel0, changed);
      repeated = now.sameReleaseDates(*ns);
    }
  }
  now.restore(*ns);
  return repeated;
}

int ResponseTimeAnalysis::analyse() {
  const std::vector<longint_t> rel0 = releaseDatesOf(*ns);
  outerLoopIter = 0;
  ReleaseDates releases(*ns);
  ReleaseOrderSettling releaseOrder(*this, *ns, *processor);
  PassSetup passSetup(*ns, *processor);
  StateLog seen;
  bool changed = true;
  while (changed) {
    if (revisits(seen, releases, rel0)) {
      failWith(nonConvergence);
      return 1;
    }
    if (outerIteration(releaseOrder, passSetup, releases, rel0, changed) != 0) return 1;
    ++outerLoopIter;
    if (VERBOSE > 3) writeImage();
  }
  if (VERBOSE > 1) std::cout << "Release Date Fixed-Point: " << outerLoopIter << " iterations.\n";
  checkDeadlines();
  std::cout.flush();
  return 0;
}
