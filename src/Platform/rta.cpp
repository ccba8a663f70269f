#include "Platform/rta.h"

#include <cstdint>
#include <iostream>
#include <limits>
#include <string>
#include <unordered_map>

#include "Bus/bus.h"
#include "Platform/core.h"
#include "Platform/hashMix.h"
#include "Platform/passSettling.h"
#include "Platform/processor.h"
#include "Platform/releaseDates.h"
#include "Platform/releaseOrderSettling.h"
#include "console.h"
#include "globals.h"
#include "keys.h"
#include "nodeset.h"

namespace {

const char* const nonConvergence = "Error: the analysis does not converge.";

std::uint64_t hashOf(const std::vector<longint_t>& values, std::uint64_t h) {
  for (longint_t v : values) h = hashMix(h + v);
  return h;
}

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

int ResponseTimeAnalysis::settleResponseTimes(ReleaseOrderSettling& releaseOrder, int& passes) {
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
  PassSettling settling(*this, *ns, *processor, startResponseTimes(), std::move(limit));
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

int ResponseTimeAnalysis::analyse() {
  const longint_t n = ns->getSize();
  std::vector<longint_t> rel0(n);
  for (longint_t i = 0; i < n; ++i) rel0[i] = ns->getReleaseDate(static_cast<int>(i));
  outerLoopIter = 0;
  ReleaseDates releases(*ns);
  ReleaseOrderSettling releaseOrder(*this, *ns, *processor);
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
    if (settleResponseTimes(releaseOrder, passes) != 0) return 1;
    if (VERBOSE > 1)
      std::cout << "WCRT Computation Fixed-Point: " << passes + 1 << " iterations.\n";
    if (releases.settle(rel0, changed) != 0) return 1;
    ++outerLoopIter;
    if (VERBOSE > 3) writeImage();
  }
  if (VERBOSE > 1) std::cout << "Release Date Fixed-Point: " << outerLoopIter << " iterations.\n";
  checkDeadlines();
  std::cout.flush();
  return 0;
}
