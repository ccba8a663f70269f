#include <vector>

#include <gtest/gtest.h>

#include "Platform/dram.h"
#include "Platform/processor.h"

namespace {

std::vector<int> coresOf(const Processor& p) {
  return {p.getCoresVec()->begin(), p.getCoresVec()->end()};
}

}  // namespace

TEST(Processor, CoreSetKeepsPseudoCoresFirstAndCountsThem) {
  Processor p;
  EXPECT_EQ(coresOf(p), (std::vector<int>{0, 1}));
  EXPECT_EQ(p.getNumberOfCores(), 2);

  p.setNumberOfCores(4);
  p.setTx(true);
  p.setRx(true);
  p.setRx(true);
  EXPECT_EQ(coresOf(p), (std::vector<int>{-11, -10, 0, 1, 2, 3}));
  EXPECT_EQ(p.getNumberOfCores(), 6);

  p.setNumberOfCores(4);
  EXPECT_EQ(coresOf(p), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_TRUE(p.hasRx());
  EXPECT_TRUE(p.hasTx());

  p.setRx(false);
  EXPECT_FALSE(p.hasRx());
  EXPECT_EQ(p.getNumberOfCores(), 4);

  p.setNumberOfCores(-1);
  EXPECT_TRUE(coresOf(p).empty());
  EXPECT_EQ(p.getNumberOfCores(), -1);
}

TEST(Processor, InitSetsModelsAndDelaysAndCopiesClusters) {
  Processor p;
  p.setCW(true);
  p.setOldConfig(true);
  p.setNumberOfBanks(3);
  p.setRx(true);
  p.addCoreToCluster(7, 0);

  DRAM dram;
  ASSERT_EQ(p.init("mppa", 3, nullptr, nullptr, nullptr, nullptr, &dram, 10, 3, 5, nullptr), 0);
  EXPECT_EQ(p.getName(), "mppa");
  EXPECT_EQ(coresOf(p), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(p.getNumberOfCores(), 3);
  EXPECT_EQ(p.getDRAM(), &dram);
  EXPECT_EQ(p.getMemDelay(), 10);
  EXPECT_EQ(p.getAccDelay(), 3);
  EXPECT_EQ(p.getBurstDelay(), 5);
  // The flags and bank count belong to the builder's later steps.
  EXPECT_TRUE(p.getCW());
  EXPECT_TRUE(p.isOldConfig());
  EXPECT_EQ(p.getNumberOfBanks(), 3);
  EXPECT_TRUE(p.hasRx());
  // A null cluster map keeps the clusters.
  EXPECT_EQ(p.getClusters(), (Processor::ClusterMap{{7, {0}}}));

  const Processor::ClusterMap clusters{{2, {1, 0}}, {1, {1}}, {5, {}}};
  p.init("mppa", 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0, 0, &clusters);
  EXPECT_TRUE(coresOf(p).empty());
  // Replaced; a cluster without cores is not created.
  EXPECT_EQ(p.getClusters(), (Processor::ClusterMap{{1, {1}}, {2, {0, 1}}}));
  EXPECT_EQ(p.getClusterFromCore(1), 1);
  EXPECT_EQ(p.getClusterFromCore(0), 2);
  EXPECT_EQ(p.getClusterFromCore(4), -1);
}

TEST(DRAM, RefreshesInAWindowCappedAndCharged) {
  const struct {
    int delay, interval;
    unsigned long t, cap;
    longint_t expected;
  } cases[] = {
      {5, 1000, 1001, 100, 500},             // N = 2 x 8192, capped at 100
      {1, 1000, 1001, ~0ul, 16384},          // N itself
      {1, 1000, 1000, ~0ul, 8192},           // a full interval starts no second one
      {5, 1000, 0, 100, 0},                  // empty window
      {0, 1000, 1001, 100, 0},               // no refresh cost
      {5, 1000, 1001, 0, 0},                 // no cap left
      {5, 0, 1001, 100, 0},                  // no finite interval count
      {-2, 1000, 1, 3, ~0ul - 5},            // a negative delay wraps
      {1, 1, 16777217, ~0ul, 137438961664},  // double precision: a float window loses a cycle
  };
  for (const auto& c : cases) {
    DRAM dram(nullptr, nullptr, c.delay, c.interval);
    EXPECT_EQ(dram.DRAMperNode(c.t, c.cap), c.expected) << c.interval << " " << c.t;
  }
  DRAM dram(nullptr, nullptr, 5, 1000);
  dram.setRefreshDelay(7);
  dram.setRefreshInterval(250);
  EXPECT_EQ(dram.getRefreshDelay(), 7);
  EXPECT_EQ(dram.getRefreshInterval(), 250);
}
