#include <cmath>
#include <limits>
#include <set>

#include <gtest/gtest.h>

#include "nodeset.h"
#include "nodesetBuilder.h"
#include "testSupport.h"

namespace {
const longint_t noID = std::numeric_limits<longint_t>::max();

std::vector<std::string> namesInOrder(const Nodeset& set) {
  std::vector<std::string> names;
  for (longint_t i = 0; i < set.getSize(); ++i)
    names.push_back(set.getTaskName(static_cast<int>(i)));
  return names;
}

std::vector<longint_t> idsInOrder(const Nodeset& set) {
  std::vector<longint_t> ids;
  for (longint_t i = 0; i < set.getSize(); ++i) ids.push_back(set.getGlobalID(static_cast<int>(i)));
  return ids;
}

std::string printed(const Nodeset& set, void (Nodeset::*dump)() const) {
  CapturedStdout capturedOut;
  (set.*dump)();
  return capturedOut.text();
}
}  // namespace

TEST(NodesetBuild, CompanionNodesForNoCEntries) {
  Nodeset set;
  buildNodeset(set, {{.name = "a",
                      .core = 1,
                      .release = 10,
                      .deadline = 500,
                      .noc = {{2, 100, 7}, {3, 50, 9}},
                      .perBank = {{0, 4}},
                      .priority = 3,
                      .period = 600,
                      .bank = 1},
                     {.name = "b", .core = 1, .deps = {0}}});
  ASSERT_EQ(set.getSize(), 4u);
  EXPECT_EQ(namesInOrder(set), (std::vector<std::string>{"a", "b", "noc_a", "noc_a"}));
  EXPECT_EQ(idsInOrder(set), (std::vector<longint_t>{0, 1, 2, 3}));

  const struct {
    int pos;
    longint_t procDemand;
    Nodeset::BankList banks;
  } companions[] = {{2, 7, {{2, 100}}}, {3, 9, {{3, 50}}}};
  for (const auto& c : companions) {
    SCOPED_TRACE(c.pos);
    EXPECT_EQ(set.getProcDemand(c.pos), c.procDemand);
    EXPECT_EQ(set.getVecMemDemand(c.pos), c.banks);
    EXPECT_EQ(set.getTransactionsPerBank(c.pos, c.banks[0].first), c.banks[0].second);
    EXPECT_EQ(set.getMemDemand(c.pos), 0u);
    EXPECT_EQ(set.getAssignedTo(c.pos), -10);
    EXPECT_EQ(set.getLocalMemoryBank(c.pos), -10);
    EXPECT_TRUE(set.isEmpty(c.pos));
    EXPECT_TRUE(set.getTraceVector(c.pos).empty());
    EXPECT_TRUE(set.getDepsVector(c.pos).empty());
    EXPECT_EQ(set.getNoCAccessPerBank(c.pos, c.banks[0].first), std::make_pair(0ul, 0ul));
    EXPECT_EQ(set.getPriority(c.pos), 3);
    EXPECT_EQ(set.getDeadline(c.pos), 500u);
    EXPECT_EQ(set.getPeriod(c.pos), 600u);
    EXPECT_EQ(set.getReleaseDate(c.pos), 10u);
  }
  EXPECT_EQ(set.getDepsVector(1), (std::vector<longint_t>{0, 2}));
  EXPECT_EQ(set.getVecMemDemand(0), (Nodeset::BankList{{0, 4}}));
  EXPECT_EQ(set.getTransactionsPerBank(0, 0), 4u);
  EXPECT_EQ(set.getNoCAccessPerBank(0, 3), std::make_pair(50ul, 9ul));
  EXPECT_FALSE(set.isEmpty(0));
  EXPECT_EQ(*set.getNodesPerCore(-10), (std::vector<longint_t>{2, 3}));
  EXPECT_EQ(*set.getNodesPerCore(1), (std::vector<longint_t>{0, 1}));

  // The builder advanced size past the companions: the next inserted node gets id 4.
  set.insert(0, {}, {}, 0, 0, 0, 0, 2, "c", {}, {}, 0, false);
  EXPECT_EQ(set.getGlobalID(4), 4u);
}

TEST(NodesetBuild, CompanionAppendedOncePerOccurrenceOfItsNode) {
  Nodeset set;
  buildNodeset(set, {{.name = "a", .noc = {{0, 1, 1}}}, {.name = "b", .deps = {0, 0}}});
  EXPECT_EQ(set.getDepsVector(1), (std::vector<longint_t>{0, 0, 2, 2}));
}

TEST(NodesetBuild, CompanionIdsAddedEarlierCountForLaterNodes) {
  // Ids with a gap: a's companion takes id 3, which is also c's id, so b,
  // depending on a, also gains c's first companion (id 4).
  Nodeset set;
  buildNodeset(set,
               {{.name = "a", .noc = {{0, 1, 1}}},
                {.name = "b", .deps = {0}},
                {.name = "c", .noc = {{0, 1, 1}}}},
               {0, 1, 3});
  EXPECT_EQ(set.getDepsVector(1), (std::vector<longint_t>{0, 3, 4}));
}

TEST(NodesetBuild, SortsByIdAndKeepsPerCoreInputOrder) {
  Nodeset set;
  buildNodeset(set, {{.name = "two"}, {.name = "one"}, {.name = "zero"}}, {2, 1, 0});
  EXPECT_EQ(namesInOrder(set), (std::vector<std::string>{"zero", "one", "two"}));
  EXPECT_EQ(*set.getNodesPerCore(0), (std::vector<longint_t>{2, 1, 0}));
}

TEST(NodesetBuild, RebuildWithoutClearKeepsOldPerCoreLists) {
  Nodeset set;
  set.setName("g");
  const std::vector<NodeSpec> inputs = {{.name = "a", .core = 0}, {.name = "b", .core = 1}};
  buildNodeset(set, inputs);
  buildNodeset(set, inputs);
  EXPECT_EQ(set.getSize(), 2u);
  EXPECT_EQ(*set.getNodesPerCore(0), (std::vector<longint_t>{0, 0}));

  set.clear();
  EXPECT_EQ(set.getSize(), 0u);
  EXPECT_TRUE(set.getCoreMap().empty());
  EXPECT_EQ(set.getName(), "g");
  buildNodeset(set, inputs);
  EXPECT_EQ(*set.getNodesPerCore(0), (std::vector<longint_t>{0}));
}

TEST(NodesetBuild, EmptyInput) {
  Nodeset set;
  buildNodeset(set, {});
  EXPECT_EQ(set.getSize(), 0u);
  EXPECT_FALSE(set.hasTraceFiles());
  EXPECT_EQ(set.getMemUtil(), 0.0);
}

TEST(NodesetBuild, GraphFormKeepsDemandsAndAddsNoCompanions) {
  Nodeset set;
  const longint_t procDemand[] = {70, 80};
  const Nodeset::BankList mem[] = {{{0, 5}}, {}};
  const Nodeset::BankList transactions[] = {{{0, 2}}, {{1, 1}}};
  const Nodeset::NoCList noc[] = {{{4, 6, 8}}, {}};
  const int priority[] = {1, 2}, core[] = {0, 1}, bank[] = {0, 0};
  const longint_t deadline[] = {100, 200}, period[] = {0, 0}, release[] = {0, 0}, ids[] = {1, 0};
  const std::string names[] = {"x", "y"};
  const std::vector<std::string> traces[] = {{"t"}, {}};
  const std::vector<longint_t> deps[] = {{0}, {}};
  const bool empty[] = {false, true};
  EXPECT_EQ(set.init(2, procDemand, mem, transactions, noc, priority, deadline, period, release,
                     core, names, traces, deps, ids, bank, empty),
            0);
  ASSERT_EQ(set.getSize(), 2u);
  EXPECT_EQ(namesInOrder(set), (std::vector<std::string>{"y", "x"}));
  EXPECT_EQ(set.getProcDemand(1), 70u);
  EXPECT_EQ(set.getMemDemandPerBank(1, 0), 5u);
  EXPECT_EQ(set.getTransactionsPerBank(1, 0), 2u);
  EXPECT_EQ(set.getNoCAccessPerBank(1, 4), std::make_pair(6ul, 8ul));
  EXPECT_EQ(set.getDepsVector(1), (std::vector<longint_t>{0}));
  EXPECT_TRUE(set.isEmpty(0));
  EXPECT_FALSE(set.isEmpty(1));
  EXPECT_EQ(set.getNodesPerCore(-10), nullptr);
}

TEST(NodesetBuild, InsertIntoNewSetStartsAtIdZero) {
  Nodeset set;
  set.insert(5, {{1, 2}}, {{1, 3}}, 4, 100, 200, 10, 2, "n", {"tr"}, {}, 1, true);
  ASSERT_EQ(set.getSize(), 1u);
  EXPECT_EQ(set.getGlobalID(0), 0u);
  EXPECT_EQ(set.getProcDemand(0), 5u);
  EXPECT_EQ(set.getMemDemandPerBank(0, 1), 2u);
  EXPECT_EQ(set.getTransactionsPerBank(0, 1), 3u);
  EXPECT_EQ(set.getTraceVector(0), (std::vector<std::string>{"tr"}));
  EXPECT_TRUE(set.hasTraceFiles());
  EXPECT_EQ(*set.getNodesPerCore(2), (std::vector<longint_t>{0}));
}

TEST(Nodeset, HasTraceFilesLooksAtTheFirstNameOnly) {
  Nodeset set;
  buildNodeset(set, {{.name = ""}, {.name = "b", .traces = {"t"}}});
  EXPECT_FALSE(set.hasTraceFiles());
  set.setTaskName("a", 0);
  EXPECT_TRUE(set.hasTraceFiles());
}

TEST(Nodeset, CheckDAG) {
  const struct {
    const char* what;
    std::vector<std::vector<longint_t>> deps;
    int start;
    bool dag;
  } cases[] = {
      {"chain", {{}, {0}, {1}}, 2, true},
      {"diamond", {{}, {0}, {0}, {1, 2}}, 3, false},
      {"self", {{0}}, 0, false},
      {"cycle", {{1}, {0}}, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<NodeSpec> inputs;
    for (const auto& d : c.deps) inputs.push_back({.name = "n", .deps = d});
    Nodeset set;
    buildNodeset(set, inputs);
    std::set<int> visited;
    EXPECT_EQ(set.checkDAG(c.start, visited), c.dag);
  }
}

TEST(Nodeset, CheckDAGStopsAtTheFirstRevisit) {
  // 3 depends on 1 and 2, both on 0: the walk 3, 1, 0, 2 meets 0 again and never reaches 4.
  Nodeset set;
  buildNodeset(set, {{.name = "n"},
                     {.name = "n", .deps = {0}},
                     {.name = "n", .deps = {0}},
                     {.name = "n", .deps = {1, 2, 4}},
                     {.name = "n"}});
  std::set<int> visited;
  EXPECT_FALSE(set.checkDAG(3, visited));
  EXPECT_EQ(visited, (std::set<int>{0, 1, 2, 3}));
}

TEST(Nodeset, PerBankLists) {
  Nodeset set;
  buildNodeset(set, {{.name = "a"}});
  set.addTransactionsPerBank(0, 3, 5);
  EXPECT_EQ(set.getTransactionsPerBank(0, 3), 5u);
  set.addTransactionsPerBank(0, 3, 2);
  EXPECT_EQ(set.getTransactionsPerBank(0, 3), 7u);
  set.setTransactionsPerBank(0, 3, 1);
  EXPECT_EQ(set.getTransactionsPerBank(0, 3), 1u);
  set.setTransactionsPerBank(0, 1, 9);
  EXPECT_EQ(set.getTransactionsPerBank(0, 1), 9u);
  EXPECT_EQ(set.getTransactionsPerBank(0, 4), 0u);

  set.addMemDemandPerBank(0, 2, 4);
  set.addMemDemandPerBank(0, 2, 6);
  set.addMemDemandPerBank(0, 0, 1);
  EXPECT_EQ(set.getVecMemDemand(0), (Nodeset::BankList{{2, 10}, {0, 1}}));
  EXPECT_EQ(set.getMemDemandPerBank(0, 5), 0u);
  EXPECT_EQ(set.getNoCAccessPerBank(0, 2), std::make_pair(0ul, 0ul));
}

TEST(Nodeset, PerBankLookupTakesTheFirstMatch) {
  Nodeset set;
  buildNodeset(set, {{.name = "a", .noc = {{1, 2, 3}, {1, 4, 5}}, .perBank = {{0, 1}, {0, 2}}}});
  EXPECT_EQ(set.getMemDemandPerBank(0, 0), 1u);
  EXPECT_EQ(set.getNoCAccessPerBank(0, 1), std::make_pair(2ul, 3ul));
  set.addMemDemandPerBank(0, 0, 10);
  EXPECT_EQ(set.getVecMemDemand(0), (Nodeset::BankList{{0, 11}, {0, 2}}));
}

TEST(Nodeset, GlobalIDPerCore) {
  Nodeset set;
  buildNodeset(set, {{.name = "a", .core = 2}, {.name = "b", .core = 2}});
  EXPECT_EQ(set.getGlobalID(2, 0), 0u);
  EXPECT_EQ(set.getGlobalID(2, 1), 1u);
  EXPECT_EQ(set.getGlobalID(2, 2), noID);
  EXPECT_EQ(set.getGlobalID(5, 0), noID);
  EXPECT_EQ(set.getNodesPerCore(5), nullptr);
  set.getNodesPerCore(2)->push_back(7);
  EXPECT_EQ(set.getGlobalID(2, 2), 7u);
}

TEST(Nodeset, MemUtilDividesByDeadlineOverSizeNodes) {
  Nodeset set;
  buildNodeset(set, {{.name = "a", .deadline = 4}, {.name = "b", .deadline = 8}});
  set.setMemDemand(0, 1);
  set.setMemDemand(1, 6);
  set.setPeriod(0, 1);
  EXPECT_DOUBLE_EQ(set.getMemUtil(), 0.25 + 0.75);
  set.setSize(1);
  EXPECT_DOUBLE_EQ(set.getMemUtil(), 0.25);
  set.setDeadline(0, 1ul << 63);
  set.setMemDemand(0, 1ul << 63);
  EXPECT_DOUBLE_EQ(set.getMemUtil(), 1.0);
  set.setDeadline(0, 0);
  EXPECT_TRUE(std::isinf(set.getMemUtil()));
  set.setMemDemand(0, 0);
  EXPECT_TRUE(std::isnan(set.getMemUtil()));
  set.setSize(0);
  EXPECT_EQ(set.getMemUtil(), 0.0);
}

TEST(NodesetPrint, EmptySet) {
  Nodeset set;
  set.setName("g");
  EXPECT_EQ(printed(set, &Nodeset::print), "Print Nodeset g\nDone g\n");
  EXPECT_EQ(printed(set, &Nodeset::printPerCore), "Print Nodeset g\nDone g\n");
}

TEST(NodesetPrint, NodesPerCore) {
  Nodeset set;
  set.setName("g");
  buildNodeset(set, {{.name = "a",
                      .core = 1,
                      .deadline = 50,
                      .noc = {{2, 100, 7}},
                      .perBank = {{0, 3}},
                      .priority = -1,
                      .period = 60,
                      .bank = 2},
                     {.name = "b", .core = 1, .deps = {0}, .release = 4}});
  set.setResponseTime(1, 12);
  const std::string nodeA =
      "== Task a:\n    global ID 0,\n    period 60,\n    deadline 50,\n    assignedTo 1,\n"
      "    memBank 2,\n    priority: -1,\n    procDemand: 0,\n    deps: \n"
      "    memDemands: bank(0)=3 \n    blocking transactions: bank(0)=3 \n"
      "    responseTime: 0,\n    release: 0\n";
  const std::string nodeB =
      "== Task b:\n    global ID 1,\n    period 0,\n    deadline 0,\n    assignedTo 1,\n"
      "    memBank 0,\n    priority: 0,\n    procDemand: 0,\n    deps: [a][noc_a]\n"
      "    memDemands: \n    blocking transactions: \n    responseTime: 12,\n    release: 4\n";
  const std::string companion =
      "== Task noc_a:\n    global ID 2,\n    period 60,\n    deadline 50,\n    assignedTo -10,\n"
      "    memBank -10,\n    priority: -1,\n    procDemand: 7,\n    deps: \n"
      "    memDemands: bank(2)=100 \n    blocking transactions: bank(2)=100 \n"
      "    responseTime: 0,\n    release: 0\n";
  EXPECT_EQ(printed(set, &Nodeset::printPerCore),
            "Print Nodeset g\n SIZE 2\n On Core : -10\n There are 1 tasks. \n" + companion +
                " SIZE 2\n On Core : 1\n There are 2 tasks. \n" + nodeA + nodeB + "Done g\n");
  EXPECT_EQ(printed(set, &Nodeset::print),
            "Print Nodeset g\n" + nodeA + nodeB + companion + "Done g\n");
}
