#ifndef TOLLBRIG_TESTS_RTA_SUPPORT_H
#define TOLLBRIG_TESTS_RTA_SUPPORT_H

#include <memory>
#include <string>
#include <vector>

#include "Bus/busModel.h"
#include "Platform/core.h"
#include "Platform/processor.h"
#include "nodeset.h"
#include "nodesetBuilder.h"

// Bus and platform builders shared by the analysis tests and benchmarks; node
// sets come from nodesetBuilder.h.

inline std::unique_ptr<Bus> makeBus(const std::string& name, Processor* p) {
  const BusModel* model = findBusModel(name);
  return model == nullptr ? nullptr : model->make(p);
}

// Every bus model that gives a value, in the order the randomized tests cycle
// through (the order decides which generated case meets which model).
inline const std::vector<std::string>& workingBuses() {
  static const std::vector<std::string> names = {"PerfectBus", "BusRR",      "BusRRnr", "BusPessRR",
                                                 "BusFIFO",    "BusFP",      "BusTDMA", "BusVesk",
                                                 "BusVesknr",  "BusPessVesk"};
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

#endif
