#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Taskset/taskset.h"
#include "scratchGlobals.h"
#include "testSupport.h"

namespace {

// Four tasks on cores 0, 1, 0, 1, each with its own name, trace and cache sets;
// task 2 depends on tasks 0 and 1.
void initFourTasks(Taskset& ts) {
  ts.init("four", 4, {1, 2, 3, 4}, {100, 200, 300, 400}, {110, 210, 310, 410}, {5, 6, 7, 8},
          {0, 1, 0, 1}, {"a", "b", "c", "d"}, {11, 12, 13, 14}, {21, 22, 23, 24}, {1, 2, 3, 4},
          {{0}, {1}, {2}, {3}}, {{{10}}, {{11}, {12}}, {}, {{13}}},
          {{"ta"}, {"tb", "tb2"}, {"tc"}, {"td"}}, {{}, {}, {0, 1}, {2}}, {40, 41, 42, 43},
          {0, 1, 2, 3}, {{{0, 5}}, {{1, 6}}, {}, {{3, 7}}}, 2, 3);
  ts.setResponseTime(1, 99);
  ts.getNextTasks(1).insert(3);
}

}  // namespace

TEST(Taskset, StartsEmptyWithoutRxOrTx) {
  const Taskset ts;
  EXPECT_EQ(ts.getSize(), 0);
  EXPECT_EQ(ts.getName(), "");
  EXPECT_EQ(ts.getRxID(), -1);
  EXPECT_EQ(ts.getTxID(), -1);
  EXPECT_EQ(ts.getMemUtil(), 0.0);
}

TEST(Taskset, ElevenListFormZeroesDemandsAndDerivesSuccessors) {
  Taskset ts;
  ts.init("g", 3, {7, 8, 9}, {10, 20, 30}, {11, 21, 31}, {0, 0, 0}, {0, 0, 1}, {"x", "y", "z"},
          {{"t0"}, {"t1"}, {"t2"}}, {{}, {}, {0, 1}}, {}, {}, {}, 4, 5);
  ASSERT_EQ(ts.getSize(), 3);
  EXPECT_EQ(ts.getRxID(), 4);
  EXPECT_EQ(ts.getTxID(), 5);
  EXPECT_EQ(ts.getNextTasks(0), std::set<int>{2});
  EXPECT_EQ(ts.getNextTasks(1), std::set<int>{2});
  EXPECT_TRUE(ts.getNextTasks(2).empty());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(ts.getProcDemand(i), 0u);
    EXPECT_EQ(ts.getMemDemand(i), 0u);
    EXPECT_EQ(ts.getWriteAccesses(i), 0u);
    EXPECT_EQ(ts.getResponseTime(i), 0u);
    EXPECT_TRUE(ts.getECBs(i).empty());
    EXPECT_TRUE(ts.getUCBVector(i).empty());
  }
  EXPECT_EQ(ts.getTaskName(2), "z");
  EXPECT_EQ(ts.getDeadline(1), 20u);
  EXPECT_EQ(ts.getPeriod(1), 21u);
  EXPECT_EQ(ts.getPriority(0), 7);
  EXPECT_EQ(ts.getAssignedTo(2), 1);
  EXPECT_EQ(ts.getTraceVector(1), std::vector<std::string>{"t1"});

  // The generator's call: no predecessor lists, so no successors either.
  Taskset gen;
  gen.init("gen", 2, {0, 1}, {5, 6}, {5, 6}, {0, 0}, {0, 1}, {"T-0-0", "T-1-0"}, {{"a"}, {"b"}}, {},
           {}, {}, {}, -1, -1);
  EXPECT_TRUE(gen.getNextTasks(0).empty());
  EXPECT_TRUE(gen.getNextTasks(1).empty());
  EXPECT_TRUE(gen.getDepsVector(1).empty());
}

TEST(Taskset, SixteenListFormKeepsDemandsAndLeavesSuccessorsEmpty) {
  Taskset ts;
  initFourTasks(ts);
  EXPECT_EQ(ts.getProcDemand(2), 13u);
  EXPECT_EQ(ts.getMemDemand(3), 24u);
  EXPECT_EQ(ts.getWriteAccesses(0), 1u);
  EXPECT_EQ(ts.getECBs(2), std::set<int>{2});
  EXPECT_EQ(ts.getUCBVector(1).size(), 2u);
  EXPECT_EQ(ts.getGlobalID(3), 43);
  EXPECT_EQ(ts.getLocalMemoryBank(2), 2);
  EXPECT_EQ(ts.getReleaseTime(3), 8u);
  EXPECT_EQ(ts.getResponseTime(0), 0u);
  EXPECT_TRUE(ts.getNextTasks(0).empty());
  EXPECT_EQ(ts.getDepsVector(2), (std::vector<int>{0, 1}));
}

TEST(Taskset, TasksetOnCoreCopiesTheTasksOfThatCore) {
  Taskset ts;
  initFourTasks(ts);
  Taskset out;
  ASSERT_EQ(ts.tasksetOnCore(out, 1), 0);
  EXPECT_EQ(out.getName(), "four-1");
  ASSERT_EQ(out.getSize(), 2);
  EXPECT_EQ(out.getRxID(), -1);
  EXPECT_EQ(out.getTxID(), -1);
  EXPECT_EQ(out.getTaskName(0), "b");
  EXPECT_EQ(out.getTaskName(1), "d");
  EXPECT_EQ(out.getTraceVector(0), (std::vector<std::string>{"tb", "tb2"}));
  EXPECT_EQ(out.getUCBVector(0), (std::vector<std::set<int>>{{11}, {12}}));
  EXPECT_EQ(out.getECBs(1), std::set<int>{3});
  EXPECT_EQ(out.getPriority(1), 4);
  EXPECT_EQ(out.getDeadline(1), 400u);
  EXPECT_EQ(out.getPeriod(1), 410u);
  EXPECT_EQ(out.getReleaseTime(0), 6u);
  EXPECT_EQ(out.getProcDemand(0), 12u);
  EXPECT_EQ(out.getMemDemand(0), 22u);
  EXPECT_EQ(out.getWriteAccesses(1), 4u);
  EXPECT_EQ(out.getGlobalID(1), 43);
  EXPECT_EQ(out.getLocalMemoryBank(1), 3);
  EXPECT_EQ(out.getMemDemandPerBank(1, 3), 7u);
  // Predecessors keep the indexes of the whole set; response times and successors start afresh.
  EXPECT_EQ(out.getDepsVector(1), std::vector<int>{2});
  EXPECT_EQ(out.getResponseTime(0), 0u);
  EXPECT_TRUE(out.getNextTasks(0).empty());
  // The copies are independent of the source.
  out.getECBs(1).insert(99);
  EXPECT_EQ(ts.getECBs(3), std::set<int>{3});
}

TEST(Taskset, TasksetOnCoreWithoutTasksIsEmptyAndNamed) {
  Taskset ts;
  initFourTasks(ts);
  Taskset out;
  initFourTasks(out);
  ASSERT_EQ(ts.tasksetOnCore(out, 7), 0);
  EXPECT_EQ(out.getName(), "four-7");
  EXPECT_EQ(out.getSize(), 0);
  EXPECT_EQ(out.getRxID(), -1);
}

TEST(Taskset, PerBankListAddsToTheFirstMatch) {
  Taskset ts;
  ts.init("b", 1);
  EXPECT_EQ(ts.getMemDemandPerBank(0, 2), 0u);
  ts.setMemDemandPerBank(0, 2, 4);
  ts.setMemDemandPerBank(0, 2, 6);
  ts.setMemDemandPerBank(0, 5, 0);
  EXPECT_EQ(ts.getVecMemDemand(0), (Taskset::BankList{{2, 10}, {5, 0}}));
  EXPECT_EQ(ts.getMemDemandPerBank(0, 2), 10u);
  EXPECT_EQ(ts.getMemDemandPerBank(0, 5), 0u);
}

TEST(Taskset, ReadAccessesAndMemoryUtilisation) {
  Taskset ts;
  ts.init("u", 2);
  ts.setMemDemand(0, 30);
  ts.setWriteAccesses(0, 12);
  ts.setDeadline(0, 60);
  ts.setMemDemand(1, 5);
  ts.setWriteAccesses(1, 6);
  ts.setDeadline(1, 20);
  EXPECT_EQ(ts.getReadAccesses(0), 18u);
  EXPECT_DOUBLE_EQ(ts.getMemUtil(), 0.5 + 0.25);

  CapturedStderr capturedErr;
  EXPECT_EQ(ts.getReadAccesses(1), 0u);
  EXPECT_EQ(capturedErr.text(), "Something is wrong with the trace's bus accesses\n");
}

TEST(Taskset, SetSizeGrowsWithEmptyTasks) {
  Taskset ts;
  ts.setSize(2);
  ts.setTaskName("n", 1);
  EXPECT_EQ(ts.getSize(), 2);
  EXPECT_EQ(ts.getTaskName(1), "n");
  EXPECT_EQ(ts.getTaskName(0), "");
}

TEST(Taskset, PrintWritesTheTaskList) {
  const ScratchDir dir;
  Taskset ts;
  initFourTasks(ts);
  const std::string file = dir.path("four.txt");
  CapturedStdout capturedOut;
  ASSERT_EQ(ts.print(file), 0);
  EXPECT_EQ(capturedOut.text(), "# FINENAME " + file + "\n");
  EXPECT_EQ(readFile(file),
            "name four\n"
            "size 4\n"
            "priority 1 deadline 100 period 110 assignedTo 0 taskName a nrOfTraces 1\n"
            "trace ta\n"
            "priority 2 deadline 200 period 210 assignedTo 1 taskName b nrOfTraces 2\n"
            "trace tb\n"
            "trace tb2\n"
            "priority 3 deadline 300 period 310 assignedTo 0 taskName c nrOfTraces 1\n"
            "trace tc\n"
            "priority 4 deadline 400 period 410 assignedTo 1 taskName d nrOfTraces 1\n"
            "trace td\n"
            "\n");

  Taskset none;
  none.init("none", 0);
  CapturedStdout quiet;
  ASSERT_EQ(none.print(file), 0);
  quiet.text();
  EXPECT_EQ(readFile(file), "name none\nsize 0\n\n");
}

TEST(Taskset, PrintToAnUnwritablePathFails) {
  const ScratchDir dir;
  Taskset ts;
  const std::string file = dir.path("missing/ts.txt");
  CapturedStdout capturedOut;
  CapturedStderr capturedErr;
  EXPECT_EQ(ts.print(file), 1);
  EXPECT_EQ(capturedErr.text(), "Error: Could not open taskset file '" + file + "'\n");
  EXPECT_EQ(capturedOut.text(), "# FINENAME " + file + "\n");
}

TEST(Taskset, PrintToStandardOutput) {
  Taskset ts;
  ts.init("c", 1);
  ts.setTaskName("t", 0);
  ts.setPeriod(0, 50);
  ts.setPriority(0, 3);
  ts.setProcDemand(0, 9);
  ts.setMemDemand(0, 4);
  ts.getUCBVector(0) = {{1, 2}, {}};
  ts.getECBs(0) = {1, 2, 3};
  CapturedStdout capturedOut;
  ts.print();
  EXPECT_EQ(capturedOut.text(),
            "Print Taskset c\n"
            "  Task t:\n"
            "    periods 50:\n"
            "    assignedTo 0:\n"
            "     priority: 3.\n"
            "     procDemand: 9.\n"
            "     memDemand: 4.\n"
            "     |UCBVector| = 2:\n"
            "      |UCB[0]| =  2\n"
            "      |UCB[1]| =  0\n"
            "     |ECB| = 3\n"
            "Done c\n");
}
