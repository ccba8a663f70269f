#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "Bus/busFIFO.h"
#include "Bus/busFP.h"
#include "Bus/busPP.h"
#include "Bus/busPessRR.h"
#include "Bus/busPessVesk.h"
#include "Bus/busRR.h"
#include "Bus/busRRnr.h"
#include "Bus/busTDMA.h"
#include "Bus/busVesk.h"
#include "Bus/busVesknr.h"
#include "Bus/perfectBus.h"
#include "Platform/dram.h"
#include "Platform/processor.h"
#include "count.h"
#include "nodeset.h"
#include "testSupport.h"

namespace {

struct NodeRow {
  int core;
  longint_t rel;
  longint_t resp;
  Nodeset::BankList accesses;      // memDemandPerBank
  Nodeset::BankList transactions;  // transactionsPerBank
  int priority = 0;
  longint_t memDemand = 0;
  longint_t period = 1000;
};

// Nodes get global ids in the order given.
Nodeset build(const std::vector<NodeRow>& rows) {
  Nodeset ns;
  for (const NodeRow& s : rows) {
    ns.insert(0, s.accesses, s.transactions, s.priority, 0, s.period, s.rel, s.core, "n", {}, {}, 0,
              false);
    const int id = static_cast<int>(ns.getSize()) - 1;
    ns.setResponseTime(id, s.resp);
    ns.setMemDemand(id, s.memDemand);
  }
  return ns;
}

struct Platform {
  int realCores = 3;
  bool pseudoCores = true;
  bool oldConfig = false;
  int memDelay = 7;
  int accDelay = 10;
  int burstDelay = 20;
};

std::unique_ptr<Processor> makeProcessor(const Platform& p) {
  auto proc = std::make_unique<Processor>();
  proc->init("p", p.realCores, nullptr, nullptr, nullptr, nullptr, nullptr, p.memDelay, p.accDelay,
             p.burstDelay, nullptr);
  proc->setOldConfig(p.oldConfig);
  proc->setNumberOfBanks(2);
  proc->setRx(p.pseudoCores);
  proc->setTx(p.pseudoCores);
  return proc;
}

// Shared node set of the model tables (bank 0 unless said otherwise). With
// accDelay 10, node 0's window [100, 150) sees 3 accesses of core 1 (node 2
// lies after the window), 1 of core 2, 2 of the Rx core and 1 of the Tx core
// (node 4 ends exactly where the window starts).
Nodeset modelNodes() {
  return build({
      {0, 100, 50, {{0, 4}}, {{0, 2}, {1, 1}}, 5},
      {1, 120, 500, {{0, 9}}, {}, 1, 2},
      {1, 300, 100, {{0, 6}}, {}, 0},
      {rxCoreId, 100, 50, {{0, 2}}, {{0, 1}}, 9},
      {txCoreId, 0, 100, {{0, 3}}, {{0, 3}}, 2},
      {2, 140, 10, {{0, 1}}, {}, 5, 1, 20},
      {txCoreId, 140, 200, {{0, 5}}, {}, 3},
      // Only for the periodic bound: no accesses, lowest priority, core 3 not on the processor.
      {3, 0, 4, {}, {}, 100, 2, 10},
  });
}

struct ModelCase {
  const char* name;
  Platform platform;
  int node;
  longint_t t;
  int bank;
  std::vector<longint_t> expected;  // one per model of the family, in order
};

template <class... Models>
void checkFamily(const std::vector<ModelCase>& cases) {
  Nodeset ns = modelNodes();
  for (const ModelCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto proc = makeProcessor(c.platform);
    std::vector<std::unique_ptr<Bus>> models;
    (models.push_back(std::make_unique<Models>(proc.get())), ...);
    ASSERT_EQ(models.size(), c.expected.size());
    for (std::size_t m = 0; m < models.size(); ++m)
      EXPECT_EQ(models[m]->getInterference(c.node, c.t, &ns, c.bank), c.expected[m])
          << "model " << m;
  }
}

Platform with(void (*change)(Platform&)) {
  Platform p;
  change(p);
  return p;
}

}  // namespace

TEST(BusWindow, AccessesOfOneNodeInTheWindow) {
  // Node 0 on core 0 is analysed with the window [100, 150); node 1 on core 1.
  const struct {
    const char* name;
    longint_t rel, resp, accesses;
    int accDelay;
    longint_t expected;
  } cases[] = {
      {"starts inside: len 150 - 120", 120, 500, 9, 10, 3},
      {"starts before: len 80 + 45 - 100, ceiling", 80, 45, 9, 10, 3},
      {"ends exactly at the window start", 60, 40, 9, 10, 0},
      {"ends just after the window start", 60, 41, 9, 10, 1},
      {"starts exactly at the window end", 150, 10, 9, 10, 0},
      {"starts just before the window end", 149, 10, 9, 10, 1},
      {"equal release dates use the window end", 100, 10, 9, 10, 5},
      {"length not clipped to the window", 80, 1000, 200, 10, 98},
      {"end of a response time that wraps past 2^64", 80, ~0ul, 9, 10, 0},
      {"capped at the accesses on the bank", 100, 50, 2, 10, 2},
      {"no accesses on the bank", 120, 500, 0, 10, 0},
      {"access delay 0", 120, 500, 9, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Nodeset ns = build({{0, 100, 50, {}, {}}, {1, c.rel, c.resp, {{0, c.accesses}}, {}}});
    Platform platform;
    platform.accDelay = c.accDelay;
    auto proc = makeProcessor(platform);
    PerfectBus bus(proc.get());
    EXPECT_EQ(bus.computeA(0, 1, 50, &ns, 0), c.expected);
    EXPECT_EQ(bus.windowAccesses(0, 1, 50, &ns, 0), c.expected);
    EXPECT_EQ(bus.computeNoReleaseA(0, 1, 50, &ns, 0), c.accesses);
  }
}

TEST(BusWindow, QuotientsInSinglePrecisionOnWrappingWindows) {
  // Node 0 on core 0 is analysed; node 1 on core 1 holds 2^25 accesses.
  const longint_t many = 1ul << 25;
  const struct {
    const char* name;
    longint_t relI, t, relK, respK;
    longint_t expected;
  } cases[] = {
      {"length 2^24 + 1 is 2^24 as a float", 0, 16777217, 0, 1, 16777216},
      {"window end wraps past 2^64 before node k starts", 100, ~0ul - 49, 60, 10, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Nodeset ns = build({{0, c.relI, 0, {}, {}}, {1, c.relK, c.respK, {{0, many}}, {}}});
    auto proc = makeProcessor(with([](Platform& p) { p.accDelay = 1; }));
    PerfectBus bus(proc.get());
    EXPECT_EQ(bus.computeA(0, 1, c.t, &ns, 0), c.expected);
  }

  // x = float(2^24 + 1) - 1 x 1 is 2^24 - 1 in single precision (2^24 in double):
  // that many whole periods of length 1, one access each.
  Nodeset ns = build({{0, 0, 0, {}, {}}, {1, 0, 0, {}, {}, 0, 1, 1}});
  auto proc = makeProcessor(with([](Platform& p) { p.memDelay = 1; }));
  PerfectBus bus(proc.get());
  EXPECT_EQ(bus.computeL(0, 1, 16777217, &ns, 0), 16777215u);
}

// The window quotient is the single-precision one for every length and delay:
// short lengths under short delays, lengths about 2^24, where single precision
// stops holding every length, and delays about 2^24 and beyond.
TEST(BusWindow, WindowQuotientIsTheSinglePrecisionOne) {
  const auto inFloat = [](longint_t length, int delay) {
    const float divisor = static_cast<float>(static_cast<longint_t>(static_cast<int64_t>(delay)));
    return toCount(ceilf(static_cast<float>(length) / divisor));
  };
  for (int delay = -2; delay <= 40; ++delay)
    for (longint_t length = 0; length <= 5000; ++length)
      ASSERT_EQ(windowQuotient(length, delay), inFloat(length, delay))
          << "length " << length << " delay " << delay;
  const longint_t top = longint_t{1} << 24;
  for (int delay : {1, 3, 7, 10, 255, (1 << 24) - 1, 1 << 24, (1 << 24) + 1, (1 << 24) + 3,
                    std::numeric_limits<int>::max()})
    for (longint_t base : {top - 8, 2 * top - 8, 3 * top - 8, ~longint_t{0} - 16})
      for (longint_t length = base; length - base < 16; ++length)
        EXPECT_EQ(windowQuotient(length, delay), inFloat(length, delay))
            << "length " << length << " delay " << delay;
}

// The quotient under one delay is the window quotient, for every length about
// the edges of the exact range and below, under delays short, about powers of
// two and about 2^24, and outside the exact range.
TEST(BusWindow, QuotientUnderOneDelayIsTheWindowQuotient) {
  const longint_t top = longint_t{1} << 24;
  std::vector<int> delays = {-3, 0, std::numeric_limits<int>::max()};
  for (int delay = 1; delay <= 70; ++delay) delays.push_back(delay);
  for (int power = 7; power <= 24; ++power)
    for (int near : {-1, 0, 1}) delays.push_back((1 << power) + near);
  for (int delay : {1000, 4099, 65521, 999983, (1 << 24) - 3}) delays.push_back(delay);
  for (int delay : delays) {
    const WindowQuotient quotient(delay);
    const auto expectSame = [&](longint_t length) {
      ASSERT_EQ(quotient(length), windowQuotient(length, delay))
          << "length " << length << " delay " << delay;
    };
    for (longint_t length = 0; length <= 3000; ++length) expectSame(length);
    for (longint_t base :
         {top - 3000, top / 2 - 50, static_cast<longint_t>(std::max(delay, 1)) * 1000 - 50,
          2 * top - 8, ~longint_t{0} - 16})
      for (longint_t length = base; length - base < 3016; ++length) expectSame(length);
  }
}

// The full length is the least length whose window quotient reaches the
// demand: for short demands and delays, where the demand times the delay
// crosses 2^24, and for delays past it and negative ones.
TEST(BusWindow, FullLengthIsTheLeastLengthThatReachesTheDemand) {
  const longint_t top = longint_t{1} << 24;
  const auto expectLeast = [](longint_t demand, int delay) {
    const longint_t full = Bus::fullLength(demand, delay);
    const auto reaches = [&](longint_t length) { return windowQuotient(length, delay) >= demand; };
    if (full == Bus::unreachable) {
      EXPECT_FALSE(reaches(Bus::unreachable)) << "demand " << demand << " delay " << delay;
      return;
    }
    EXPECT_TRUE(reaches(full)) << "demand " << demand << " delay " << delay;
    EXPECT_TRUE(full == 0 || !reaches(full - 1)) << "demand " << demand << " delay " << delay;
  };
  for (int delay = -2; delay <= 20; ++delay)
    for (longint_t demand = 0; demand <= 300; ++demand) expectLeast(demand, delay);
  for (int delay :
       {1, 3, 7, 10, 255, (1 << 24) - 1, 1 << 24, (1 << 24) + 1, std::numeric_limits<int>::max()}) {
    const longint_t step = static_cast<longint_t>(delay);
    for (longint_t near : {top / step, (top - 1) / step + 1, 2 * top / step, 3 * top / step})
      for (longint_t demand = near > 3 ? near - 3 : 0; demand <= near + 3; ++demand)
        expectLeast(demand, delay);
    for (longint_t demand : {top - 1, top, top + 1, 2 * top + 1, ~longint_t{0}})
      expectLeast(demand, delay);
  }
}

TEST(BusWindow, CoreSumsAndOwnTransactions) {
  Nodeset ns = modelNodes();
  auto proc = makeProcessor({});
  PerfectBus bus(proc.get());
  EXPECT_EQ(bus.computeS(0, 50, &ns, 0), 2u);
  EXPECT_EQ(bus.computeS(0, 50, &ns, 1), 1u);
  EXPECT_EQ(bus.computeS(1, 50, &ns, 0), 0u);
  const struct {
    int core;
    longint_t a, na;
  } cores[] = {{1, 3, 15}, {2, 1, 1}, {rxCoreId, 2, 2}, {txCoreId, 1, 8}, {0, 4, 4}, {5, 0, 0}};
  for (const auto& c : cores) {
    EXPECT_EQ(bus.computeA(0, c.core, 50, &ns, 0), c.a) << c.core;
    EXPECT_EQ(bus.computeNoReleaseA(0, c.core, 50, &ns, 0), c.na) << c.core;
    EXPECT_EQ(bus.computeA(0, c.core, 50, &ns, 1), 0u) << c.core;
  }
}

TEST(BusWindow, PeriodicWorkloadBound) {
  // memDelay 7. Node 7: R 4, memDemand 2, period 10; node 5: R 10, memDemand 1, period 20.
  Nodeset ns = modelNodes();
  auto proc = makeProcessor({});
  PerfectBus bus(proc.get());
  const struct {
    int k;
    longint_t t, expected;
  } cases[] = {
      {7, 10, 0},  // t + R = d x m
      {7, 5, 0},   // negative x
      {7, 30, 4},  // two whole periods, no remainder
      {7, 31, 5},  // remainder of 1 cycle: one more access
      {5, 50, 3},  // remainder capped at the demand
      {1, 50, 2},
  };
  for (const auto& c : cases)
    EXPECT_EQ(bus.computeL(0, c.k, c.t, &ns, 0), c.expected) << c.k << " " << c.t;
  ns.setPeriod(7, 0);
  EXPECT_EQ(bus.computeL(0, 7, 31, &ns, 0), 2u);
}

TEST(BusWindow, OverlapBoundFromOwnDemand) {
  // memDelay 10; node 0: window [100, 150), 3 accesses, so e = 120.
  Nodeset ns = build({{0, 100, 50, {{0, 3}}, {}}, {1, 130, 100, {}, {}}, {1, 80, 45, {}, {}}});
  auto proc = makeProcessor(with([](Platform& p) { p.memDelay = 10; }));
  PerfectBus bus(proc.get());
  EXPECT_EQ(bus.computeY(0, 1, 50, 5, &ns, 0), 6u);
  EXPECT_EQ(bus.computeY(0, 4, 50, 5, &ns, 0), 0u);
}

TEST(BusModels, WorkedExamplesOfRoundRobinAndVesk) {
  // Node 0 on core 0 with S = 2; every other node overlaps the whole window,
  // so A(q) is its accesses: A(1) = 5, A(2) = 1, A(-11) = 1, A(-10) = 2.
  Nodeset ns = build({
      {0, 0, 100, {}, {{0, 2}}},
      {1, 0, 100, {{0, 5}}, {}},
      {2, 0, 100, {{0, 1}}, {}},
      {txCoreId, 0, 100, {{0, 1}}, {}},
      {rxCoreId, 0, 100, {{0, 2}}, {}},
  });
  Platform platform;
  platform.accDelay = 3;
  platform.burstDelay = 5;
  auto proc = makeProcessor(platform);
  BusRR rr(proc.get());
  EXPECT_EQ(rr.computeA(0, 1, 100, &ns, 0), 5u);
  EXPECT_EQ(rr.computeA(0, txCoreId, 100, &ns, 0), 1u);
  EXPECT_EQ(rr.getInterference(0, 100, &ns, 0), 22u);

  platform.realCores = 2;
  auto vproc = makeProcessor(platform);
  BusVesk vesk(vproc.get());
  EXPECT_EQ(vesk.getInterference(0, 100, &ns, 0), 19u);
}

TEST(BusModels, PessimisticFactorsCountThePseudoCores) {
  // 4 real cores and both pseudo-cores; Rx nodes 1 and 2 access bank 0, node 3 does not.
  Nodeset ns = build({
      {0, 0, 10, {}, {{0, 2}}},
      {rxCoreId, 0, 10, {{0, 4}}, {{0, 2}}},
      {rxCoreId, 0, 10, {{0, 1}}, {}},
      {rxCoreId, 0, 10, {{1, 3}}, {}},
  });
  Platform platform;
  platform.realCores = 4;
  platform.burstDelay = 5;
  platform.memDelay = 3;
  auto proc = makeProcessor(platform);
  ASSERT_EQ(proc->getNumberOfCores(), 6);
  BusPessRR rr(proc.get());
  BusPessVesk vesk(proc.get());
  EXPECT_EQ(rr.getInterference(0, 10, &ns, 0), 5u * 2 * 7);
  EXPECT_EQ(vesk.getInterference(0, 10, &ns, 0), 2u * (6 + 1 - 1 + 2) * 5);
  EXPECT_EQ(vesk.getInterference(1, 10, &ns, 0), 2u * (5 + 3));

  // The Rx node's two delays are summed in int: past INT_MAX the sum wraps to INT_MIN.
  proc->setBurstDelay(std::numeric_limits<int>::max());
  proc->setMemDelay(1);
  EXPECT_EQ(vesk.getInterference(1, 10, &ns, 0), 2u * (0ul - (1ul << 31)));
}

TEST(BusModels, RoundRobinFamily) {
  // BusRR, BusRRnr, BusPessRR, PerfectBus; memDelay 7, accDelay 10, burstDelay 20.
  checkFamily<BusRR, BusRRnr, BusPessRR, PerfectBus>({
      {"real-core node", {}, 0, 50, 0, {70, 110, 240, 0}},
      {"real-core node, oldConfig",
       with([](Platform& p) { p.oldConfig = true; }),
       0,
       50,
       0,
       {110, 150, 240, 14}},
      {"Rx node", {}, 3, 50, 0, {60, 77, 120, 0}},
      {"Rx node, oldConfig",
       with([](Platform& p) { p.oldConfig = true; }),
       3,
       50,
       0,
       {80, 77, 120, 7}},
      {"Tx node", {}, 4, 150, 0, {100, 151, 360, 0}},
      {"Tx node, oldConfig",
       with([](Platform& p) { p.oldConfig = true; }),
       4,
       150,
       0,
       {160, 151, 360, 21}},
      {"no pseudo-cores",
       with([](Platform& p) { p.pseudoCores = false; }),
       0,
       50,
       0,
       {40, 50, 80, 0}},
      {"only real core",
       with([](Platform& p) {
         p.pseudoCores = false;
         p.realCores = 1;
       }),
       0,
       50,
       0,
       {0, 0, 0, 0}},
      {"no transactions, oldConfig",
       with([](Platform& p) { p.oldConfig = true; }),
       5,
       10,
       0,
       {0, 0, 0, 0}},
      {"access delay 0", with([](Platform& p) { p.accDelay = 0; }), 0, 50, 0, {0, 0, 240, 0}},
      {"access delay 0, Rx node",
       with([](Platform& p) { p.accDelay = 0; }),
       3,
       50,
       0,
       {0, 7, 120, 0}},
      {"burst delay 0, oldConfig",
       with([](Platform& p) {
         p.burstDelay = 0;
         p.oldConfig = true;
       }),
       0,
       50,
       0,
       {0, 0, 0, 14}},
      {"bank without competitors, oldConfig",
       with([](Platform& p) { p.oldConfig = true; }),
       0,
       50,
       1,
       {20, 20, 120, 7}},
  });
}

TEST(BusModels, VeskFamily) {
  // BusVesk, BusVesknr, BusPessVesk; memDelay 7, accDelay 10, burstDelay 20.
  checkFamily<BusVesk, BusVesknr, BusPessVesk>({
      {"real-core node", {}, 0, 50, 0, {70, 150, 240}},
      {"real-core node, oldConfig",
       with([](Platform& p) { p.oldConfig = true; }),
       0,
       50,
       0,
       {84, 164, 240}},
      {"Rx node", {}, 3, 50, 0, {27, 27, 27}},
      {"Tx node", {}, 4, 150, 0, {101, 101, 360}},
      {"no transactions: Rx accesses uncapped", {}, 5, 10, 0, {10, 20, 0}},
      {"burst delay 0", with([](Platform& p) { p.burstDelay = 0; }), 0, 50, 0, {20, 20, 0}},
      {"burst delay 5: Tx term capped",
       with([](Platform& p) { p.burstDelay = 5; }),
       0,
       50,
       0,
       {50, 65, 60}},
      {"bank without Rx accesses", {}, 0, 50, 1, {0, 0, 100}},
      {"no pseudo-cores: Rx and Tx terms still charged",
       with([](Platform& p) { p.pseudoCores = false; }),
       0,
       50,
       0,
       {70, 150, 120}},
      {"access delay 0", with([](Platform& p) { p.accDelay = 0; }), 0, 50, 0, {0, 0, 240}},
      {"access delay 0, Rx node", with([](Platform& p) { p.accDelay = 0; }), 3, 50, 0, {7, 7, 27}},
  });
}

TEST(BusModels, PriorityAndSlotFamily) {
  // BusFIFO, BusFP, BusTDMA; memDelay 7, accDelay 10.
  checkFamily<BusFIFO, BusFP, BusTDMA>({
      {"real-core node", {}, 0, 50, 0, {49, 84, 133}},
      {"Rx node", {}, 3, 50, 0, {77, 35, 70}},
      {"same-core higher priority excluded", {}, 1, 500, 0, {7, 147, 7}},
      {"access delay 0", with([](Platform& p) { p.accDelay = 0; }), 0, 50, 0, {21, 35, 133}},
      {"no pseudo-cores", with([](Platform& p) { p.pseudoCores = false; }), 0, 50, 0, {49, 84, 77}},
      {"memory delay 0", with([](Platform& p) { p.memDelay = 0; }), 0, 50, 0, {0, 0, 0}},
  });
}

// The periodic term is capped at S, but its sum wraps around below S: node 1
// adds its whole demand of 2 (it has no period), the others as many periods
// as fit. Summing only until the cap is reached would give S.
TEST(BusModels, FixedPriorityWorkloadThatWrapsBelowTheCap) {
  const longint_t most = std::numeric_limits<longint_t>::max();
  const struct {
    const char* name;
    longint_t t;
    int periodic;  // nodes of memory demand 1 and period 1
    longint_t S;
    longint_t workload;  // L modulo 2^64
  } cases[] = {
      // A saturated count of 2^64 - 1: no bound on a node's count holds.
      {"saturated", most - 100, 1, 2, 1},
      // Four counts of 2^62 each: each count is bounded, their sum is not.
      {"four quarters", longint_t{1} << 62, 4, 3, 2},
  };
  for (const auto& c : cases) {
    std::vector<NodeRow> rows = {{0, 0, 10, {}, {{0, c.S}}, 5}, {1, 0, 10, {}, {}, 0, 2, 0}};
    for (int k = 0; k < c.periodic; ++k) rows.push_back({1, 0, 10, {}, {}, 1, 1, 1});
    Nodeset ns = build(rows);
    auto proc = makeProcessor({});
    BusFP bus(proc.get());
    longint_t workload = 0;
    for (int k = 1; k < static_cast<int>(ns.getSize()); ++k)
      workload += bus.computeL(0, k, c.t, &ns, 0);
    ASSERT_EQ(workload, c.workload) << c.name;
    // memDelay x (H + S + 1 + min(L, S)), H = 0; the other bank charges memDelay.
    const longint_t expected = 7 * (c.S + 1 + std::min(c.workload, c.S));
    OverlapIndex index(ns, 2);
    for (bool indexed : {false, true}) {
      bus.attach(indexed ? &index : nullptr);
      EXPECT_EQ(bus.getInterference(0, c.t, &ns, 0), expected) << c.name << " indexed " << indexed;
      EXPECT_EQ(bus.bankSum(0, c.t, &ns, 2), expected + 7) << c.name << " indexed " << indexed;
    }
  }
}

// Whether BusFP may settle in release order: every node's periodic bound must
// reach its transactions at the start (node 0: 3 transactions, processor
// demand 100; node 1: memory demand 5, processor demand 100, bound
// min(ceilf(165 / 7), 5) = 5 without a period).
TEST(BusModels, FixedPriorityRisesByOverlapOnceTheBoundReachesTheTransactions) {
  const longint_t none = ~0UL;
  const struct {
    const char* name;
    int memDelay;
    longint_t transactions;
    int priority;  // of node 1
    longint_t period;
    bool rises;
  } cases[] = {
      {"reaches them", 7, 3, 0, none, true},
      {"reaches them exactly", 7, 5, 0, none, true},
      {"falls short", 7, 6, 0, none, false},
      {"a higher priority value does not count", 7, 3, 1, none, false},
      {"a period of 10 adds 16 periods of 5", 7, 6, 0, 10, true},
      {"memory delay 0 charges nothing", 0, 6, 0, none, true},
  };
  for (const auto& c : cases) {
    Nodeset ns =
        build({{0, 0, 0, {}, {{0, c.transactions}}}, {1, 0, 0, {}, {}, c.priority, 5, c.period}});
    for (int k = 0; k < 2; ++k) ns.setProcDemand(k, 100);
    Platform platform;
    platform.memDelay = c.memDelay;
    auto proc = makeProcessor(platform);
    EXPECT_EQ(BusFP(proc.get()).risesByOverlap(ns), c.rises) << c.name;
  }
}

// And the settling holds only if every node's periodic bound grows up to the
// largest response time reached and their largest values do not wrap around.
TEST(BusModels, FixedPriorityRoseByOverlapUpToTheLargestResponseTime) {
  const longint_t none = ~0UL;
  const struct {
    const char* name;
    int memDelay;
    longint_t memDemand;
    longint_t period;
    longint_t highest;
    int nodes;
    bool rose;
  } cases[] = {
      {"no period", 7, 5, none, longint_t{1} << 40, 1, true},
      {"period 0", 7, 5, 0, longint_t{1} << 40, 1, true},
      {"windows within half a period", 7, 5, longint_t{1} << 42, longint_t{1} << 40, 1, true},
      {"short period below 2^23", 7, 5, 100, (longint_t{1} << 23) - 1, 1, true},
      {"short period at 2^23", 7, 5, 100, longint_t{1} << 23, 1, false},
      {"memory cycles that wrap around", 8, longint_t{1} << 62, 100, 1000, 1, false},
      {"one largest bound of 2^63", 1, longint_t{1} << 63, none, longint_t{1} << 63, 1, true},
      {"two that wrap around", 1, longint_t{1} << 63, none, longint_t{1} << 63, 2, false},
      {"memory delay 0", 0, 5, 100, longint_t{1} << 40, 2, true},
  };
  for (const auto& c : cases) {
    std::vector<NodeRow> rows = {{0, 0, c.highest, {}, {}}};
    for (int k = 0; k < c.nodes; ++k) rows.push_back({1, 0, 1, {}, {}, 0, c.memDemand, c.period});
    Nodeset ns = build(rows);
    Platform platform;
    platform.memDelay = c.memDelay;
    auto proc = makeProcessor(platform);
    EXPECT_EQ(BusFP(proc.get()).roseByOverlap(ns), c.rose) << c.name;
  }
}

TEST(BusModels, TdmaSlotIsTwo) {
  Processor p;
  std::vector<std::unique_ptr<BusTDMA>> buses;
  buses.push_back(std::make_unique<BusTDMA>());
  buses.push_back(std::make_unique<BusTDMA>(&p));
  buses.push_back(std::make_unique<BusTDMA>(4));
  buses.push_back(std::make_unique<BusTDMA>(&p, 4));
  for (const auto& bus : buses) EXPECT_EQ(bus->getSlot(), 2);

  // 4 real cores and both pseudo-cores: 10 x (3 x 11 + 1).
  Nodeset ns = build({{0, 0, 10, {}, {{0, 3}}}, {1, 0, 10, {}, {}}});
  Platform platform;
  platform.realCores = 4;
  platform.memDelay = 10;
  auto proc = makeProcessor(platform);
  BusTDMA tdma(proc.get(), 4);
  EXPECT_EQ(tdma.getInterference(0, 10, &ns, 0), 340u);
  EXPECT_EQ(tdma.getInterference(1, 10, &ns, 0), 10u);
}

TEST(BusModels, PPFailsAndSaysSoOncePerModel) {
  Nodeset ns = modelNodes();
  auto proc = makeProcessor({});
  for (int model = 0; model < 2; ++model) {
    SCOPED_TRACE(model);
    BusPP bus(proc.get());
    EXPECT_FALSE(bus.hasFailed());
    CapturedStderr capturedErr;
    EXPECT_EQ(bus.getInterference(0, 50, &ns, 0), 0u);
    EXPECT_EQ(bus.getInterference(1, 50, &ns, 0), 0u);
    EXPECT_EQ(capturedErr.text(), " NOT IMPLEMENTED \n");
    EXPECT_TRUE(bus.hasFailed());
  }
}

TEST(BusModels, DramCapsRefreshesByTheBus) {
  Nodeset ns = modelNodes();
  auto proc = makeProcessor(with([](Platform& p) { p.oldConfig = true; }));
  PerfectBus bus(proc.get());
  DRAM dram(proc.get(), &bus, 5, 1000);
  EXPECT_EQ(dram.getInterference(0, 1001, &ns, 0), 5u * 14);
  EXPECT_EQ(dram.getInterference(0, 0, &ns, 0), 0u);
  EXPECT_EQ(dram.getInterference(5, 1001, &ns, 0), 0u);
}

TEST(BusModels, VeskHelpersWithoutCallers) {
  // memDelay 7. computeARx takes the nodes whose assignedTo equals the node
  // index i (here 0) and their network-on-chip entries (accesses, offset).
  const longint_t n = 6;
  const longint_t proc0[n] = {};
  const Nodeset::BankList accesses[n] = {{}, {}, {}, {}, {}, {{0, 9}}};
  const Nodeset::BankList transactions[n] = {};
  const Nodeset::NoCList noc[n] = {{{0, 9, 10}}, {{0, 3, 200}}, {{0, 4, 0}}, {{0, 2, 5}}, {}, {}};
  const int priority[n] = {};
  const longint_t zero[n] = {};
  const longint_t rel[n] = {100, 0, 100, 90, 100, 120};
  const int core[n] = {0, 0, 1, 0, rxCoreId, txCoreId};
  const std::string names[n] = {"a", "b", "c", "d", "e", "f"};
  const std::vector<std::string> traces[n] = {};
  const std::vector<longint_t> deps[n] = {};
  const longint_t ids[n] = {0, 1, 2, 3, 4, 5};
  const int banks[n] = {};
  Nodeset ns;
  ns.init(n, proc0, accesses, transactions, noc, priority, zero, zero, rel, core, names, traces,
          deps, ids, banks, nullptr);
  const longint_t resp[n] = {50, 20, 50, 20, 50, 100};
  for (longint_t k = 0; k < n; ++k) ns.setResponseTime(static_cast<int>(k), resp[k]);

  auto proc = makeProcessor({});
  BusVesk bus(proc.get());
  // Node 0: entry from 110, length 150 - 110 = 40, 6 accesses of 9; node 1's
  // entry starts after the window; node 3's runs from 95 to 120: 20 cycles, 2 accesses.
  EXPECT_EQ(bus.computeARx(0, 50, &ns, 0), 6u + 2);
  EXPECT_EQ(bus.computeARx(4, 50, &ns, 0), 0u);
  // Tx node 5: 30 cycles of the window at the memory delay.
  EXPECT_EQ(bus.computeATx(0, 50, &ns, 0), 5u);
  EXPECT_EQ(bus.computeATx(5, 50, &ns, 0), 0u);
  EXPECT_EQ(bus.computeARM(5), 0u);
  EXPECT_EQ(bus.computeADSU(5), 0u);

  proc->setRx(false);
  proc->setTx(false);
  EXPECT_EQ(bus.computeARx(0, 50, &ns, 0), 0u);
  EXPECT_EQ(bus.computeATx(0, 50, &ns, 0), 0u);
}
