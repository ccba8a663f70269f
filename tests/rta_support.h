#ifndef TOLLBRIG_TESTS_RTA_SUPPORT_H
#define TOLLBRIG_TESTS_RTA_SUPPORT_H

#include <memory>
#include <string>
#include <vector>

#include "Bus/busModel.h"
#include "Platform/core.h"
#include "Platform/processor.h"
#include "nodeset.h"

// Node-set and platform builders shared by the analysis tests and benchmarks.

inline std::unique_ptr<Bus> makeBus(const std::string& name, Processor* p) {
  const BusModel* model = findBusModel(name);
  return model == nullptr ? nullptr : model->make(p);
}

// Every bus model that gives a value, in the order the randomized tests cycle
// through (the order decides which generated case meets which model).
inline const std::vector<std::string>& workingBuses() {
  static const std::vector<std::string> names = {
      "PerfectBus", "BusRR",   "BusRRnr", "BusPessRR", "BusFIFO",    "BusFP",
      "BusTDMA",    "BusVesk", "BusVesknr", "BusPessVesk"};
  return names;
}

// A processor as the platform builder leaves it: real cores 0 to cores - 1 and
// both pseudo-cores.
struct TestPlatform {
  struct Delays {
    int mem = 10;
    int acc = 3;
    int burst = 5;
  };

  TestPlatform(const std::string& busName, int cores, int banks, bool oldConfig)
      : TestPlatform(busName, cores, banks, oldConfig, Delays{}) {}

  TestPlatform(const std::string& busName, int cores, int banks, bool oldConfig, Delays d)
      : core(&proc) {
    proc.init("test", cores, &core, nullptr, nullptr, nullptr, nullptr, d.mem, d.acc, d.burst,
              nullptr);
    bus = makeBus(busName, &proc);
    proc.setBus(bus.get());
    proc.setNumberOfBanks(banks);
    proc.setOldConfig(oldConfig);
    proc.setTx(true);
    proc.setRx(true);
  }

  Processor proc;
  Core core;
  std::unique_ptr<Bus> bus;
};

// One node as the graph-form builder takes it.
struct TaskSpec {
  std::string name;
  int core = 0;
  longint_t demand = 0;
  Nodeset::BankList accesses = {};
  Nodeset::BankList transactions = {};
  std::vector<longint_t> deps = {};
  int priority = 0;
  longint_t release = 0;
  longint_t deadline = ~0UL;
  std::vector<std::string> traces = {};
};

// Builds the set with the graph form of init; task i gets global id i.
inline void buildGraph(Nodeset& ns, const std::vector<TaskSpec>& tasks) {
  const size_t n = tasks.size();
  std::vector<longint_t> demand, deadline, period(n, 0), release, ids;
  std::vector<Nodeset::BankList> accesses, transactions;
  std::vector<Nodeset::NoCList> noc(n);
  std::vector<int> priority, core, bank(n, 0);
  std::vector<std::string> name;
  std::vector<std::vector<std::string>> traces;
  std::vector<std::vector<longint_t>> deps;
  for (const TaskSpec& t : tasks) {
    demand.push_back(t.demand);
    accesses.push_back(t.accesses);
    transactions.push_back(t.transactions);
    priority.push_back(t.priority);
    deadline.push_back(t.deadline);
    release.push_back(t.release);
    core.push_back(t.core);
    name.push_back(t.name);
    traces.push_back(t.traces);
    deps.push_back(t.deps);
    ids.push_back(ids.size());
  }
  ns.init(n, demand.data(), accesses.data(), transactions.data(), noc.data(), priority.data(),
          deadline.data(), period.data(), release.data(), core.data(), name.data(),
          traces.data(), deps.data(), ids.data(), bank.data(), nullptr);
}

#endif
