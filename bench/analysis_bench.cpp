// Times the response-time analysis on generated node sets of several sizes
// under several bus models, and the straightforward analysis of the tests
// beside it on the sizes where it finishes in reasonable time.

#include <algorithm>
#include <iostream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "Platform/rta.h"
#include "globals.h"
#include "rta_reference.h"
#include "rta_support.h"

namespace {

const int cores = 16;
const int banks = 16;

// A layered task graph: every node waits for a few recent nodes, priorities
// rise with the index (with ties), a tenth of the nodes each sit on the Rx and
// Tx pseudo-cores, and every node accesses one to three of the banks. At the
// default delays its memory accesses take about 40 % of its processing time;
// heavier traffic ties the response times closer to the release dates and
// multiplies the outer iterations.
std::vector<NodeSpec> generateTasks(int n) {
  std::mt19937_64 rng(0x5eed0000u + n);
  const auto pick = [&rng](int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
  };
  std::vector<NodeSpec> tasks;
  tasks.reserve(n);
  int priority = 0;
  for (int i = 0; i < n; ++i) {
    NodeSpec t;
    t.name = "t" + std::to_string(i);
    const int place = pick(0, 9);
    t.core = place == 0 ? rxCoreId : place == 1 ? txCoreId : pick(0, cores - 1);
    t.demand = pick(100, 2000);
    std::vector<int> used;
    for (int count = pick(1, 3); static_cast<int>(used.size()) < count;) {
      const int bank = pick(0, banks - 1);
      if (std::find(used.begin(), used.end(), bank) != used.end()) continue;
      used.push_back(bank);
      const int accesses = pick(1, 40);
      t.accesses.emplace_back(bank, accesses);
      t.transactions.emplace_back(bank, pick(0, 3) == 0 ? pick(1, accesses) : accesses);
    }
    priority += pick(0, 2) == 0 ? 0 : 1;
    t.priority = priority;
    const int window = std::min(i, 4 * cores);
    for (int d = pick(0, std::min(3, window)); d > 0; --d) {
      const longint_t dep = i - pick(1, window);
      if (std::find(t.deps.begin(), t.deps.end(), dep) == t.deps.end()) t.deps.push_back(dep);
    }
    t.traces = {"trace" + std::to_string(i)};
    tasks.push_back(std::move(t));
  }
  return tasks;
}

// One generated node set on one platform, restored to its initial release
// dates before every run.
class Workload {
 public:
  Workload(const std::string& bus, int n) : platform(bus, cores, banks, false) {
    buildGraph(nodes, generateTasks(n));
    // No period, as the node-set readers leave it.
    for (longint_t i = 0; i < nodes.getSize(); ++i) nodes.setPeriod(static_cast<int>(i), ~0UL);
    nodes.setName("bench" + std::to_string(n));
  }

  void reset() {
    for (longint_t i = 0; i < nodes.getSize(); ++i) nodes.setReleaseDate(static_cast<int>(i), 0);
  }

  std::vector<longint_t> results() const {
    std::vector<longint_t> values;
    for (longint_t i = 0; i < nodes.getSize(); ++i) {
      values.push_back(nodes.getResponseTime(static_cast<int>(i)));
      values.push_back(nodes.getReleaseDate(static_cast<int>(i)));
    }
    return values;
  }

  Nodeset nodes;
  TestPlatform platform;
};

// Sends std::cout to a discarded buffer while the analyses run (falling
// response times warn at every verbosity).
class QuietOutput {
 public:
  QuietOutput() : saved(std::cout.rdbuf(sink.rdbuf())) {}
  ~QuietOutput() { std::cout.rdbuf(saved); }

 private:
  std::ostringstream sink;
  std::streambuf* saved;
};

template <typename AnalysisType>
int runOnce(Workload& w, benchmark::State& state) {
  state.PauseTiming();
  w.reset();
  AnalysisType analysis(&w.nodes, &w.platform.proc);
  state.ResumeTiming();
  const int status = analysis.analyse();
  state.counters["outer"] = analysis.getOuterLoopIter();
  return status;
}

void fastAnalysis(benchmark::State& state, const std::string& bus, int n) {
  Workload w(bus, n);
  QuietOutput quiet;
  for (auto _ : state)
    if (runOnce<ResponseTimeAnalysis>(w, state) != 0) state.SkipWithError("analysis failed");
}

// The fast analysis as printing the pass counts asks for: settling pass by pass.
void passAnalysis(benchmark::State& state, const std::string& bus, int n) {
  Workload w(bus, n);
  QuietOutput quiet;
  VERBOSE = 2;
  for (auto _ : state)
    if (runOnce<ResponseTimeAnalysis>(w, state) != 0) state.SkipWithError("analysis failed");
  VERBOSE = 0;
}

// The straightforward analysis, checked against the fast one on the same set.
void referenceAnalysis(benchmark::State& state, const std::string& bus, int n) {
  Workload fast(bus, n);
  Workload w(bus, n);
  QuietOutput quiet;
  ResponseTimeAnalysis(&fast.nodes, &fast.platform.proc).analyse();
  for (auto _ : state)
    if (runOnce<ReferenceAnalysis>(w, state) != 0) state.SkipWithError("analysis failed");
  if (w.results() != fast.results()) state.SkipWithError("results differ from the fast analysis");
}

}  // namespace

int main(int argc, char** argv) {
  VERBOSE = 0;
  // The straightforward analysis redoes a whole pass per refreshed entry, so
  // it runs on the smallest sets only, and not under BusFP, whose hundreds of
  // outer iterations would take it hours. BusFIFO and BusFP need many more
  // outer iterations than the others, and BusFP settles pass by pass: its
  // 2000-node set takes about a minute, its 8000-node set would take hours.
  const struct {
    std::string bus;
    std::vector<int> sizes;
    bool reference;
  } cases[] = {
      {"PerfectBus", {500, 2000, 8000}, true}, {"BusTDMA", {500, 2000, 8000}, true},
      {"BusRR", {500, 2000, 8000}, true},      {"BusVesk", {500, 2000, 8000}, true},
      {"BusFIFO", {500, 2000, 8000}, true},    {"BusFP", {500, 2000}, false},
  };
  for (const auto& c : cases) {
    for (int n : c.sizes)
      benchmark::RegisterBenchmark(("fast/" + c.bus + "/" + std::to_string(n)).c_str(),
                                   fastAnalysis, c.bus, n)
          ->Unit(benchmark::kMillisecond);
    if (c.bus == "BusRR" || c.bus == "BusVesk" || c.bus == "BusFIFO")
      for (int n : c.sizes)
        benchmark::RegisterBenchmark(("passes/" + c.bus + "/" + std::to_string(n)).c_str(),
                                     passAnalysis, c.bus, n)
            ->Unit(benchmark::kMillisecond);
    if (c.reference)
      benchmark::RegisterBenchmark(("reference/" + c.bus + "/500").c_str(), referenceAnalysis,
                                   c.bus, 500)
          ->Unit(benchmark::kMillisecond)
          ->Iterations(1);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
