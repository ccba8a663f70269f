#ifndef TOLLBRIG_TESTS_RTA_REFERENCE_H
#define TOLLBRIG_TESTS_RTA_REFERENCE_H

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Bus/bus.h"
#include "Platform/core.h"
#include "Platform/processor.h"
#include "globals.h"
#include "nodeset.h"

// The response-time analysis written plainly, one full pass per refreshed
// entry, to check the fast analysis against.
class ReferenceAnalysis {
 public:
  ReferenceAnalysis(Nodeset* n, Processor* p) : ns(n), proc(p) {}

  bool isSchedulable() const { return schedulable; }
  int getOuterLoopIter() const { return outerLoopIter; }

  void computeResponseTime() {
    for (longint_t k = 0; k < ns->getSize(); ++k) {
      const int i = static_cast<int>(k);
      const longint_t window = ns->getResponseTime(i);
      longint_t bus = 0;
      for (int b = 0; b < proc->getNumberOfBanks(); ++b)
        bus += proc->getBus()->getInterference(i, window, ns, b);
      ns->setResponseTime(
          i, ns->getProcDemand(i) + proc->getCore()->getInterference(i, window, ns, 0) + bus);
    }
  }

  int analyse() {
    const longint_t n = ns->getSize();
    std::vector<longint_t> prevR(n), rel0(n);
    for (longint_t i = 0; i < n; ++i) rel0[i] = rel(i);
    outerLoopIter = 0;
    std::vector<std::vector<longint_t>> starts;
    bool changed = true;
    while (changed) {
      std::vector<longint_t> dates(n);
      for (longint_t i = 0; i < n; ++i) dates[i] = rel(i);
      if (std::find(starts.begin(), starts.end(), dates) != starts.end())
        return fail("Error: the analysis does not converge.");
      starts.push_back(dates);

      for (longint_t i = 0; i < n; ++i) {
        prevR[i] = ns->getProcDemand(at(i));
        if (proc->isOldConfig())
          for (int b = 0; b < proc->getNumberOfBanks(); ++b)
            prevR[i] += ns->getMemDemandPerBank(at(i), b) *
                        static_cast<longint_t>(static_cast<int64_t>(proc->getMemDelay()));
        ns->setResponseTime(at(i), prevR[i]);
      }
      int passes = 0;
      std::set<std::pair<std::vector<longint_t>, std::vector<longint_t>>> seen;
      while (true) {
        computeResponseTime();
        if (proc->getBus()->hasFailed()) return 1;
        longint_t i = 0;
        while (i < n && prevR[i] == R(i)) ++i;
        if (i == n) break;
        std::vector<longint_t> now(n);
        for (longint_t k = 0; k < n; ++k) now[k] = R(k);
        if (!seen.emplace(now, prevR).second) return fail("Error: the analysis does not converge.");
        if (prevR[i] > R(i)) {
          const auto& traces = ns->getTraceVector(at(i));
          std::cout << "Warning: task ID " << i << ": " << (traces.empty() ? "" : traces[0])
                    << " old " << prevR[i] << " new " << R(i) << '\n';
        }
        prevR[i] = R(i);
        ++passes;
      }
      if (VERBOSE > 1)
        std::cout << "WCRT Computation Fixed-Point: " << passes + 1 << " iterations.\n";

      changed = false;
      bool passChanged = true;
      for (longint_t pass = 1; passChanged; ++pass) {
        passChanged = false;
        longint_t first = 0;
        for (longint_t i = 0; i < n; ++i) {
          longint_t r = rel0[i];
          for (longint_t d : ns->getDepsVector(at(i))) r = std::max(r, R(d) + rel(d));
          if (const auto* list = ns->getNodesPerCore(ns->getAssignedTo(at(i))))
            for (longint_t j : *list)
              if (ns->getPriority(at(j)) < ns->getPriority(at(i))) r = std::max(r, R(j) + rel(j));
          if (r != rel(i)) {
            ns->setReleaseDate(at(i), r);
            if (!passChanged) first = i;
            passChanged = changed = true;
          }
        }
        if (passChanged && pass > n + 1)
          return fail("Error: dependency cycle through node '" + ns->getTaskName(at(first)) + "'.");
      }
      ++outerLoopIter;
      if (VERBOSE > 3) {
        const std::string path =
            TMPDIR + "/image_" + ns->getName() + "_iter_" + std::to_string(outerLoopIter) + ".yaml";
        std::cout << " Iteration " << outerLoopIter << " written in " << path << '\n';
        std::cout.flush();
        if (ns->exportYAML(schedulable, path, "") != 0)
          std::cerr << "Warning: the image of iteration " << outerLoopIter
                    << " was not written; the analysis goes on." << std::endl;
      }
    }
    if (VERBOSE > 1) std::cout << "Release Date Fixed-Point: " << outerLoopIter << " iterations.\n";

    for (longint_t i = 0; i < n; ++i) {
      const bool beyond = R(i) > ~0UL - rel(i);
      const longint_t finish = beyond ? ~0UL : R(i) + rel(i);
      const longint_t deadline = ns->getDeadline(at(i));
      if (beyond || finish > deadline) {
        schedulable = false;
        if (VERBOSE > 1)
          std::cout << "\033[1;31m Task '" << ns->getTaskName(at(i))
                    << "' exceeded its deadline: finish date = " << finish
                    << ", deadline = " << deadline << "\033[0m\n";
      }
      if (VERBOSE > 2)
        std::cout << " Task '" << ns->getTaskName(at(i)) << "': R_" << i << " = " << R(i)
                  << ". Release_" << i << " = " << rel(i) << ". D_" << i << " = " << deadline
                  << ".\n";
    }
    std::cout.flush();
    return 0;
  }

 private:
  static int at(longint_t i) { return static_cast<int>(i); }
  longint_t R(longint_t i) const { return ns->getResponseTime(at(i)); }
  longint_t rel(longint_t i) const { return ns->getReleaseDate(at(i)); }

  static int fail(const std::string& message) {
    std::cout.flush();
    std::cerr << message << std::endl;
    return 1;
  }

  Nodeset* ns;
  Processor* proc;
  bool schedulable = true;
  int outerLoopIter = 0;
};

#endif
