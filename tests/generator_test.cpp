#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/processor.h"
#include "Taskset/taskset.h"
#include "config.h"
#include "scratchGlobals.h"
#include "taskSetGenerator.h"
#include "testSupport.h"
#include "traceset.h"

namespace {

// A profiles directory (OUTPUTDIR) with one ".dat" profile per trace on processor "gen",
// and a trace list naming those traces.
class GeneratorTest : public testing::Test {
 protected:
  void SetUp() override {
    proc.setName("gen");
    proc.setNumberOfCores(2);
    proc.setMemDelay(2);
    srand(7);
  }

  // A profile whose base estimate is procDemand + 2 x memDemand.
  void addTrace(const std::string& name, longint_t procDemand, longint_t memDemand) {
    dirs.dir.write("profiles/gen/" + name + ".dat",
                   "procDemand " + std::to_string(procDemand) + "\nmemDemand " +
                       std::to_string(memDemand) +
                       "\nUCBInstr 0 \nECBInstr 0 \nUCBData 0 \nECBData 0 \nwriteAccesses 0\n\n");
    traceList += name + "\n";
    dirs.dir.write("traces.txt", traceList);
  }
  void loadTraceList() {
    applyOptions(config, {"-traces", dirs.dir.path("traces.txt")});
    ASSERT_EQ(config.readTraceFile(traces), 0);
  }
  int generate(float U) {
    CapturedStdout capturedOut;
    const int result = config.genTaskSet(out, "ts", traces, proc, U);
    generatorOutput = capturedOut.text();
    return result;
  }

  const ScratchGlobals dirs;
  std::string traceList;
  Config config;
  Traceset traces;
  Processor proc;
  Taskset out;
  std::string generatorOutput;
};

}  // namespace

TEST(Generator, UUnifastSplitsTheUtilisation) {
  srand(3);
  const struct {
    int n;
    float U;
  } cases[] = {{1, 0.7f}, {2, 0.5f}, {3, 0.9f}, {8, 2.5f}, {3, 0.0f}};
  for (const auto& c : cases) {
    std::vector<float> u(c.n, -1.0f);
    TaskSetGenerator::UUnifast(c.n, c.U, u.data());
    for (const float v : u) EXPECT_GE(v, 0.0f) << c.n;
    EXPECT_NEAR(std::accumulate(u.begin(), u.end(), 0.0), c.U, 1e-6 * c.n) << c.n;
  }
  float single = 0.0f;
  TaskSetGenerator::UUnifast(1, 0.123f, &single);
  EXPECT_EQ(single, 0.123f);
}

TEST(Generator, SortTasksOrdersIndexesBySelection) {
  const struct {
    std::vector<unsigned long> keys;
    std::vector<int> sorted;
  } cases[] = {
      {{5, 3, 3}, {1, 2, 0}}, {{1, 2, 3}, {0, 1, 2}}, {{4, 4, 4, 1}, {3, 1, 2, 0}}, {{9}, {0}},
      {{~0UL, 0}, {1, 0}},
  };
  for (const auto& c : cases) {
    std::vector<unsigned long> keys = c.keys;
    std::vector<int> index(keys.size());
    std::iota(index.begin(), index.end(), 0);
    TaskSetGenerator::SortTasks(index.data(), keys.data(), static_cast<int>(keys.size()));
    EXPECT_EQ(index, c.sorted) << c.keys.size();
  }
  int pair[] = {4, 8};
  TaskSetGenerator::swap(pair, 0, 1);
  EXPECT_EQ(pair[0], 8);
  EXPECT_EQ(pair[1], 4);
}

TEST_F(GeneratorTest, OneTraceTasksPerCore) {
  addTrace("alpha", 100, 50);
  loadTraceList();
  applyOptions(config, {"-tasksPerCore", "2", "-maxTraces", "1"});
  ASSERT_EQ(generate(0.5f), 0);
  EXPECT_EQ(out.getName(), "ts");
  ASSERT_EQ(out.getSize(), 4);
  std::set<std::string> names;
  for (int i = 0; i < 4; ++i) {
    const std::string name = out.getTaskName(i);
    names.insert(name);
    EXPECT_EQ(out.getAssignedTo(i), name[2] - '0') << name;
    EXPECT_EQ(out.getPriority(i), out.getAssignedTo(i)) << name;
    EXPECT_EQ(out.getReleaseTime(i), 0u);
    EXPECT_EQ(out.getTraceVector(i), std::vector<std::string>{"alpha"});
    EXPECT_EQ(out.getDeadline(i), out.getPeriod(i));
    if (i > 0) {
      EXPECT_LE(out.getDeadline(i - 1), out.getDeadline(i));
    }
  }
  EXPECT_EQ(names, (std::set<std::string>{"T-0-0", "T-0-1", "T-1-0", "T-1-1"}));
  EXPECT_EQ(out.getRxID(), -1);
  EXPECT_EQ(generatorOutput,
            " #TraceName: alpha on core 0 BaseWCET = 200\n"
            " #TraceName: alpha on core 0 BaseWCET = 200\n"
            " #TraceName: alpha on core 1 BaseWCET = 200\n"
            " #TraceName: alpha on core 1 BaseWCET = 200\n");
}

TEST_F(GeneratorTest, PeriodsSpreadTheUtilisationOverEachCore) {
  addTrace("alpha", 1000000, 0);
  loadTraceList();
  applyOptions(config, {"-tasksPerCore", "3", "-maxTraces", "1", "-deadlineFactor", "0.5"});
  ASSERT_EQ(generate(0.6f), 0);
  ASSERT_EQ(out.getSize(), 6);
  double util[2] = {0.0, 0.0};
  for (int i = 0; i < 6; ++i) {
    util[out.getAssignedTo(i)] += 1000000.0 / static_cast<double>(out.getPeriod(i));
    EXPECT_EQ(out.getDeadline(i),
              static_cast<longint_t>(static_cast<float>(out.getPeriod(i)) * 0.5f));
  }
  EXPECT_NEAR(util[0], 0.6, 1e-4);
  EXPECT_NEAR(util[1], 0.6, 1e-4);
}

TEST_F(GeneratorTest, ZeroUtilisationUsesTheSmallestFactor) {
  addTrace("alpha", 1000, 0);
  loadTraceList();
  applyOptions(config, {"-tasksPerCore", "2", "-maxTraces", "1"});
  ASSERT_EQ(generate(0.0f), 0);
  for (int i = 0; i < out.getSize(); ++i) EXPECT_EQ(out.getPeriod(i), 1000000002u);
}

TEST_F(GeneratorTest, CWProcessorFixesThePeriod) {
  addTrace("alpha", 10, 0);
  loadTraceList();
  proc.setCW(true);
  const struct {
    float deadlineFactor;
    longint_t deadline;
  } cases[] = {{1.0f, 10000000}, {0.5f, 5000000}};
  for (const auto& c : cases) {
    applyOptions(config, {"-tasksPerCore", "2", "-maxTraces", "1", "-deadlineFactor",
                          std::to_string(c.deadlineFactor)});
    ASSERT_EQ(generate(0.4f), 0);
    ASSERT_EQ(out.getSize(), 4);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(out.getPeriod(i), 10000000u);
      EXPECT_EQ(out.getDeadline(i), c.deadline);
    }
  }
}

TEST_F(GeneratorTest, MaxTracesBoundsTheTracesPerTask) {
  addTrace("alpha", 10, 1);
  addTrace("beta", 20, 2);
  loadTraceList();
  proc.setNumberOfCores(4);
  applyOptions(config, {"-tasksPerCore", "8", "-maxTraces", "3"});
  ASSERT_EQ(generate(0.5f), 0);
  std::set<size_t> counts;
  for (int i = 0; i < out.getSize(); ++i) counts.insert(out.getTraceVector(i).size());
  EXPECT_EQ(counts, (std::set<size_t>{1, 2}));
}

TEST_F(GeneratorTest, RefusesShapesItCannotFill) {
  addTrace("alpha", 10, 0);
  const struct {
    int tasksPerCore;
    int maxTraces;
    bool loadList;
    std::string error;
  } cases[] = {
      {0, 1, true,
       "Error: cannot generate a task set with tasksPerCore 0, it must be at least 1.\n"},
      {2, 0, true, "Error: cannot generate a task set with maxTraces 0, it must be at least 1.\n"},
      {2, 1, false, "Error: cannot generate a task set, the trace list holds no trace name.\n"},
  };
  for (const auto& c : cases) {
    Traceset fresh;
    if (c.loadList) {
      ASSERT_EQ(fresh.readTraceFile(dirs.dir.path("traces.txt")), 0);
    }
    applyOptions(config, {"-tasksPerCore", std::to_string(c.tasksPerCore), "-maxTraces",
                          std::to_string(c.maxTraces)});
    CapturedStderr capturedErr;
    EXPECT_EQ(config.genTaskSet(out, "ts", fresh, proc, 0.5f), 1);
    EXPECT_EQ(capturedErr.text(), c.error);
    EXPECT_EQ(out.getSize(), 0);
  }
}

TEST_F(GeneratorTest, ReadTraceFileFollowsTheConfiguredList) {
  addTrace("alpha", 10, 0);
  addTrace("beta", 10, 0);

  Traceset none;
  ASSERT_EQ(config.readTraceFile(none), 0);
  EXPECT_TRUE(none.isEmpty());
  EXPECT_FALSE(none.hasTraceNames());

  loadTraceList();
  EXPECT_FALSE(traces.isEmpty());
  EXPECT_TRUE(traces.hasTraceNames());

  applyOptions(config, {"-traces", dirs.dir.path("missing.txt")});
  Traceset missing;
  CapturedStderr capturedErr;
  EXPECT_EQ(config.readTraceFile(missing), 1);
  EXPECT_EQ(capturedErr.text(),
            "Error: Could not open trace file '" + dirs.dir.path("missing.txt") + "'\n");
}
