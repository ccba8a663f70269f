#include <gtest/gtest.h>

#include <span>
#include <string>
#include <utility>
#include <vector>

#include "Platform/processor.h"
#include "config.h"
#include "configTestAccess.h"
#include "documentCache.h"
#include "inputFixtures.h"
#include "nodeset.h"
#include "testSupport.h"

namespace {

using Deps = std::vector<longint_t>;
using Banks = Nodeset::BankList;

const std::string nodesetDir = std::string(TEST_DATA_DIR) + "/nodesets/";
const longint_t noDeadline = 9223372036854775807UL;
const longint_t noPeriod = 18446744073709551615UL;

std::string red(const std::string& text) { return "\033[1;31m" + text + "\033[0m\n"; }

class NodesetReaderTest : public testing::Test {
 protected:
  int read(const std::string& path) {
    applyOptions(config, {"-ts", path});
    return config.initNodeSet(ns, documents);
  }

  // Reads path and returns what standard error received.
  std::string readFailing(const std::string& path) {
    CapturedStderr capturedErr;
    EXPECT_EQ(read(path), 1);
    return capturedErr.text();
  }

  std::vector<std::string> names() const {
    std::vector<std::string> all;
    for (longint_t i = 0; i < ns.getSize(); ++i) all.push_back(ns.getTaskName(static_cast<int>(i)));
    return all;
  }

  Config config;
  DocumentCache documents;
  Nodeset ns;
};

TEST_F(NodesetReaderTest, NodesThenAccessElementsAreNumberedInFileOrder) {
  ASSERT_EQ(read(nodesetDir + "phases.yaml"), 0);
  EXPECT_EQ(names(), (std::vector<std::string>{"a", "b", "r"}));
  EXPECT_EQ(ns.getDepsVector(1), Deps{0});
  EXPECT_EQ(ns.getDepsVector(2), (Deps{1, 1}));  // one per "deps" entry, whatever the names
  EXPECT_EQ(ns.getVecMemDemand(0), (Banks{{1, 10}}));
  EXPECT_EQ(ns.getAssignedTo(2), rxCoreId);
  EXPECT_EQ(ns.getLocalMemoryBank(2), rxCoreId);
  EXPECT_TRUE(ns.isEmpty(2));
  EXPECT_FALSE(ns.isEmpty(0));
  EXPECT_EQ(ns.getTraceVector(2), std::vector<std::string>{"tr"});
  EXPECT_EQ(ns.getDeadline(0), 100u);
  EXPECT_EQ(ns.getDeadline(1), noDeadline);
  EXPECT_EQ(ns.getDeadline(2), 50u);
  EXPECT_EQ(ns.getPeriod(0), noPeriod);
  EXPECT_EQ(ns.getReleaseDate(0), 5u);
  EXPECT_EQ(ns.getPriority(0), 3);
  EXPECT_EQ(ns.getPriority(2), 0);
  EXPECT_EQ(ns.getProcDemand(0), 0u);
  EXPECT_EQ(ns.getName(), "phases");
  EXPECT_EQ(config.getFileName(), "phases");
  EXPECT_FALSE(config.isNewFormat());
}

TEST_F(NodesetReaderTest, WritePhasesDoubleTheNodeIndices) {
  applyOptions(config, {"-cw"});
  ASSERT_EQ(read(nodesetDir + "phases.yaml"), 0);
  EXPECT_EQ(names(), (std::vector<std::string>{"a", "write-a", "b", "write-b", "r"}));
  EXPECT_EQ(ns.getDepsVector(1), Deps{0});
  EXPECT_EQ(ns.getDepsVector(2), Deps{1});  // a predecessor is its write phase
  EXPECT_EQ(ns.getDepsVector(4), (Deps{3, 3}));
  // The node's accesses belong to its write phase.
  EXPECT_EQ(ns.getVecMemDemand(0), Banks{});
  EXPECT_EQ(ns.getVecMemDemand(1), (Banks{{1, 10}}));
  EXPECT_TRUE(ns.isEmpty(1));
  EXPECT_EQ(ns.getTraceVector(1), std::vector<std::string>{"write-trace"});
  EXPECT_EQ(ns.getAssignedTo(1), 0);
  EXPECT_EQ(ns.getDeadline(1), 100u);
  EXPECT_EQ(ns.getPriority(1), 3);
  EXPECT_EQ(ns.getReleaseDate(1), 5u);
  EXPECT_EQ(ns.getPeriod(1), noPeriod);
}

TEST_F(NodesetReaderTest, AccessVolumesSumPerBankAndNoCEntriesMerge) {
  struct Case {
    bool singleBank;
    Banks aBanks;
    int nocKey;
    Banks txBanks;
  } cases[] = {{false, {{1, 15}, {0, 1}}, rxCoreId, {{0, 3}}}, {true, {{0, 16}}, 0, {{0, 3}}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.singleBank);
    Config caseConfig;
    DocumentCache caseDocuments;
    Nodeset caseNodes;
    applyOptions(caseConfig, {"-ts", nodesetDir + "banks.yaml"});
    if (c.singleBank) applyOptions(caseConfig, {"-sb"});
    ASSERT_EQ(caseConfig.initNodeSet(caseNodes, caseDocuments), 0);
    ASSERT_EQ(caseNodes.getSize(), 6u);  // a, b, c, r, t and the companion of a
    EXPECT_EQ(caseNodes.getVecMemDemand(0), c.aBanks);
    EXPECT_EQ(caseNodes.getVecMemDemand(4), c.txBanks);
    // Two entries naming the same bank add both counts to one triple.
    EXPECT_EQ(caseNodes.getNoCAccessPerBank(0, c.nocKey),
              (std::pair<longint_t, longint_t>{150, 16}));
    EXPECT_EQ(caseNodes.getTaskName(5), "noc_a");
    EXPECT_EQ(caseNodes.getVecMemDemand(5), (Banks{{c.nocKey, 150}}));
    EXPECT_EQ(caseNodes.getDepsVector(1), (Deps{0, 5}));
    EXPECT_EQ(caseNodes.getLocalMemoryBank(3), c.singleBank ? 0 : rxCoreId);
    EXPECT_EQ(caseNodes.getLocalMemoryBank(4), c.singleBank ? 0 : txCoreId);
  }
}

TEST_F(NodesetReaderTest, WithWritePhasesTheNoCEntriesBelongToTheWritePhase) {
  applyOptions(config, {"-cw"});
  ASSERT_EQ(read(nodesetDir + "banks.yaml"), 0);
  // a, write-a, b, write-b, c, write-c, r, t, then the companion of write-a.
  ASSERT_EQ(ns.getSize(), 9u);
  EXPECT_EQ(ns.getTaskName(8), "noc_write-a");
  EXPECT_EQ(ns.getNoCAccessPerBank(0, rxCoreId), (std::pair<longint_t, longint_t>{0, 0}));
  EXPECT_EQ(ns.getNoCAccessPerBank(1, rxCoreId), (std::pair<longint_t, longint_t>{150, 16}));
  EXPECT_EQ(ns.getVecMemDemand(0), Banks{});
  EXPECT_EQ(ns.getVecMemDemand(1), (Banks{{1, 15}, {0, 1}}));
  // Names in "accessTo" stand for the compute phase: a's bank 0 for t.
  EXPECT_EQ(ns.getVecMemDemand(7), (Banks{{0, 3}}));
  EXPECT_EQ(ns.getDepsVector(2), (Deps{1, 8}));
}

TEST_F(NodesetReaderTest, OrderKeepsOnlyItsLow32Bits) {
  ASSERT_EQ(read(nodesetDir + "banks.yaml"), 0);
  EXPECT_EQ(ns.getPriority(0), 1);
  EXPECT_EQ(ns.getDeadline(0), noDeadline);  // a global deadline of 0 is none
}

TEST_F(NodesetReaderTest, GlobalDeadlineReplacesEveryOwnDeadline) {
  ScratchDir dir;
  const std::string path = dir.write(
      "g.yaml",
      "deadline: 77\nnodes:\n  a: {assignedTo: 0, traceName: t, release: 0, deadline: 5}\n"
      "RxAccesses:\n  r: {traceName: t, release: 0, deadline: not-read}\n");
  ASSERT_EQ(read(path), 0);
  EXPECT_EQ(ns.getDeadline(0), 77u);
  EXPECT_EQ(ns.getDeadline(1), 77u);
}

TEST_F(NodesetReaderTest, AccessElementAtIndexZeroHasNoPredecessor) {
  ScratchDir dir;
  ASSERT_EQ(
      read(dir.write("r.yaml",
                     "TxAccesses:\n  t: {traceName: t, release: 0, deadline: 1, deps: [x]}\n")),
      0);
  EXPECT_EQ(ns.getDepsVector(0), Deps{});
}

TEST_F(NodesetReaderTest, FileWithoutSectionsGivesAnEmptyNodeSet) {
  ScratchDir dir;
  ASSERT_EQ(read(dir.write("e.yaml", "numOfCores: 2\nnewFormat: false\n")), 0);
  EXPECT_EQ(ns.getSize(), 0u);
  EXPECT_FALSE(config.isNewFormat());
}

TEST_F(NodesetReaderTest, NodesetNameIsThePathWithoutDirectoryAndExtension) {
  const std::pair<std::string, std::string> cases[] = {{"data/graphs/fft.yaml", "fft"},
                                                       {"fft", "fft"},
                                                       {"data/fft", "fft"},
                                                       {"./fft", ""},
                                                       {"rel.2/fft", "rel"}};
  ScratchDir dir;
  for (const auto& [file, name] : cases) {
    SCOPED_TRACE(file);
    Config caseConfig;
    DocumentCache caseDocuments;
    Nodeset caseNodes;
    applyOptions(caseConfig, {"-ts", dir.write(file, "numOfCores: 1\n")});
    ASSERT_EQ(caseConfig.initNodeSet(caseNodes, caseDocuments), 0);
    EXPECT_EQ(caseConfig.getFileName(), name);
    EXPECT_EQ(caseNodes.getName(), name);
  }
}

TEST_F(NodesetReaderTest, DotInputIsRefusedWithoutOpeningTheFile) {
  applyOptions(config, {"-dot"});
  CapturedStdout capturedOut;
  EXPECT_EQ(read("/nonexistent.dot"), 1);
  EXPECT_EQ(config.readDOTNodeSet(ns), 1);
  EXPECT_EQ(capturedOut.text(),
            "Quorl is not compiled with Boost\nQuorl is not compiled with Boost\n");
}

struct FaultCase {
  const char* label;
  std::string content;
  std::string expected;  // without the colour codes
};

// Reads each case's content with a fresh Config: the read fails, leaves the
// set empty and reports the case's error in red.
void expectFaults(std::span<const FaultCase> cases) {
  ScratchDir dir;
  int k = 0;
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.label);
    Config config;
    DocumentCache documents;
    Nodeset ns;
    applyOptions(config, {"-ts", dir.write("f" + std::to_string(k++) + ".yaml", c.content)});
    CapturedStderr capturedErr;
    EXPECT_EQ(config.initNodeSet(ns, documents), 1);
    EXPECT_EQ(capturedErr.text(), red(c.expected));
    EXPECT_EQ(ns.getSize(), 0u);
  }
}

TEST_F(NodesetReaderTest, DefaultLayoutFaultsAreReportedInRedWithTheirPosition) {
  const std::string at = "yaml-cpp: error at line ";
  const FaultCase cases[] = {
      {"missing assignedTo", "nodes:\n  alpha: {traceName: t}\n",
       at + "2, column 3: Missing assignedTo in node alpha"},
      {"missing traceName", "nodes:\n  a: {assignedTo: 0}\n",
       at + "2, column 3: Missing traceName in node a"},
      {"missing release", "nodes:\n  a: {assignedTo: 0, traceName: t}\n",
       at + "2, column 3: Missing release in node a"},
      {"first faulty node wins",
       "nodes:\n  a: {assignedTo: 0, traceName: t, release: 0}\n  b: {}\n  c: {}\n",
       at + "3, column 3: Missing assignedTo in node b"},
      {"element without properties", "nodes:\n  a:\n",
       at + "2, column 3: Missing assignedTo in node a"},
      {"Rx missing traceName", "RxAccesses:\n  r: {release: 0}\n",
       at + "2, column 3: Missing traceName in r"},
      {"Tx missing release", "TxAccesses:\n  t: {traceName: t, deadline: 1}\n",
       at + "2, column 3: Missing release in t"},
      {"Rx without deadline", "RxAccesses:\n  r: {traceName: t, release: 0}\n",
       at + "2, column 3: Missing deadline in r"},
      {"Tx without deadline", "TxAccesses:\n  t: {traceName: t, release: 0}\n",
       at + "2, column 3: Missing deadline in t"},
      {"release not a number", "nodes:\n  a: {assignedTo: 0, traceName: t, release: soon}\n",
       at + "2, column 45: bad conversion"},
      {"unknown dep", "nodes:\n  a: {assignedTo: 0, traceName: t, release: 0, deps: [zz]}\n",
       at + "2, column 55: Unknown element zz in node a"},
      {"unknown accessTo",
       "nodes:\n  a: {assignedTo: 0, traceName: t, release: 0, accessTo: [[zz, 1]]}\n",
       at + "2, column 60: Unknown element zz in node a"},
      {"unknown nocAccess",
       "RxAccesses:\n  r: {traceName: t, release: 0, deadline: 1}\n"
       "nodes:\n  a: {assignedTo: 0, traceName: t, release: 0, nocAccess: [[r, 1, 1], [q, 1, "
       "1]]}\n",
       at + "4, column 72: Unknown element q in node a"},
      {"unknown name in Rx accessTo",
       "RxAccesses:\n  r: {traceName: t, release: 0, deadline: 1, accessTo: [[zz, 1]]}\n",
       at + "2, column 58: Unknown element zz in node r"},
      {"duplicate within a section",
       "nodes:\n  a: {assignedTo: 0, traceName: t, release: 0}\n  a: {assignedTo: 1}\n",
       at + "3, column 3: Duplicate element name a"},
      {"duplicate across sections",
       "nodes:\n  a: {assignedTo: 0, traceName: t, release: 0}\nTxAccesses:\n  a: {}\n",
       at + "4, column 3: Duplicate element name a"},
      {"deps not a list", "nodes:\n  a: {assignedTo: 0, traceName: t, release: 0, deps: b}\n",
       at + "2, column 54: Invalid deps in node a"},
      {"short accessTo entry",
       "nodes:\n  a: {assignedTo: 0, traceName: t, release: 0, accessTo: [[a]]}\n",
       at + "2, column 59: Invalid accessTo entry in node a"},
      {"section not a map", "nodes: [a, b]\n", at + "1, column 8: Section nodes is not a map"},
      {"malformed", "nodes: {a: [\n", at + "2, column 1: end of sequence flow not found"},
  };
  expectFaults(cases);
}

TEST_F(NodesetReaderTest, MissingFileIsReportedInRed) {
  ScratchDir dir;
  EXPECT_EQ(readFailing(dir.path("none.yaml")), red("bad file: " + dir.path("none.yaml")));
}

TEST_F(NodesetReaderTest, NewFormatNodesCarryTheirDemandsAndEdgesAddVolumes) {
  ASSERT_EQ(read(nodesetDir + "graph.yaml"), 0);
  EXPECT_TRUE(config.isNewFormat());
  EXPECT_EQ(config.getFileName(), "graph");
  EXPECT_EQ(names(), (std::vector<std::string>{"x", "y", "z"}));
  // x: two edges of 40 to z on bank 1 add up; y: an edge of 6 to x on its own bank.
  EXPECT_EQ(ns.getVecMemDemand(0), (Banks{{0, 100}, {1, 80}}));
  EXPECT_EQ(ns.getTransactionsPerBank(0, 0), 7u);
  EXPECT_EQ(ns.getTransactionsPerBank(0, 1), 80u);
  EXPECT_EQ(ns.getNoCAccessPerBank(0, 0), (std::pair<longint_t, longint_t>{100, 0}));
  EXPECT_EQ(ns.getVecMemDemand(1), (Banks{{0, 6}}));
  EXPECT_EQ(ns.getTransactionsPerBank(1, 0), 6u);
  EXPECT_EQ(ns.getVecMemDemand(2), (Banks{{1, 0}}));
  EXPECT_EQ(ns.getDepsVector(0), Deps{1});
  EXPECT_EQ(ns.getDepsVector(2), (Deps{0, 0}));
  EXPECT_EQ(ns.getProcDemand(0), 10u);
  EXPECT_EQ(ns.getProcDemand(1), 0u);  // no "wcet"
  EXPECT_EQ(ns.getTraceVector(0), std::vector<std::string>{"tx"});
  EXPECT_EQ(ns.getTraceVector(1), std::vector<std::string>{});
  EXPECT_EQ(ns.getDeadline(0), 500u);
  EXPECT_EQ(ns.getPeriod(0), 500u);
  EXPECT_EQ(ns.getDeadline(1), noDeadline);
  EXPECT_EQ(ns.getPeriod(1), noDeadline);
  EXPECT_EQ(ns.getPriority(0), 2);
  EXPECT_EQ(ns.getReleaseDate(2), 1u);
  EXPECT_FALSE(ns.isEmpty(0));
}

TEST_F(NodesetReaderTest, NewFormatSingleBankPutsEveryVolumeOnBankZero) {
  applyOptions(config, {"-sb"});
  ASSERT_EQ(read(nodesetDir + "graph.yaml"), 0);
  EXPECT_EQ(ns.getVecMemDemand(0), (Banks{{0, 180}}));
  EXPECT_EQ(ns.getLocalMemoryBank(2), 0);
}

TEST_F(NodesetReaderTest, NewFormatGlobalDeadlineSetsDeadlineAndPeriod) {
  ScratchDir dir;
  ASSERT_EQ(read(dir.write("g.yaml",
                           "newFormat: true\ndeadline: 9\nnodes:\n"
                           "  x: {assignedTo: 0, release: 0, deadline: 500}\n")),
            0);
  EXPECT_EQ(ns.getDeadline(0), 9u);
  EXPECT_EQ(ns.getPeriod(0), 9u);
}

TEST_F(NodesetReaderTest, VirtualDepsChainTheNodesOfEachCore) {
  const char* const nodes =
      "newFormat: true\nnodes:\n  p: {assignedTo: 0, release: 0}\n  q: {assignedTo: 0, release: "
      "0}\n"
      "  s: {assignedTo: 1, release: 0}\n  r: {assignedTo: 0, release: 0}\n";
  struct Case {
    const char* edges;
    Deps q, r;
  } cases[] = {{"", {0}, {0, 1}},
               {"edges:\n  e: {src: p, dest: r, accessTo: 1}\n", {0}, {0, 1}},
               {"edges:\n  e: {src: r, dest: q, accessTo: 1}\n", {3, 0}, {0}}};
  ScratchDir dir;
  int k = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.edges);
    Config caseConfig;
    DocumentCache caseDocuments;
    Nodeset caseNodes;
    const std::string file = "v" + std::to_string(k++) + ".yaml";
    applyOptions(caseConfig,
                 {"-ts", dir.write(file, std::string(nodes) + c.edges), "-virtualDeps"});
    ASSERT_EQ(caseConfig.initNodeSet(caseNodes, caseDocuments), 0);
    EXPECT_EQ(caseNodes.getDepsVector(0), Deps{});
    EXPECT_EQ(caseNodes.getDepsVector(1), c.q);
    EXPECT_EQ(caseNodes.getDepsVector(2), Deps{});  // alone on core 1
    EXPECT_EQ(caseNodes.getDepsVector(3), c.r);
  }
}

TEST_F(NodesetReaderTest, NewFormatFaultsAreReportedInRed) {
  const std::string at = "yaml-cpp: error at line ";
  const std::string head = "newFormat: true\nnodes:\n  x: {assignedTo: 0, release: 0}\n";
  const FaultCase cases[] = {
      {"unknown src", head + "edges:\n  e1: {src: w, dest: x, accessTo: 1}\n",
       at + "5, column 13: Unknown element w in edge e1"},
      {"unknown dest", head + "edges:\n  e1: {src: x, dest: w, accessTo: 1}\n",
       at + "5, column 22: Unknown element w in edge e1"},
      {"duplicate node", head + "  x: {assignedTo: 1, release: 0}\n",
       at + "4, column 3: Duplicate element name x"},
      {"Rx entries", head + "RxAccesses:\n  r: {}\n",
       at + "5, column 3: RxAccesses entries are not supported in the newFormat layout"},
      {"Tx entries", head + "TxAccesses: {t: {}}\n",
       at + "4, column 13: TxAccesses entries are not supported in the newFormat layout"},
      {"missing assignedTo", "newFormat: true\nnodes:\n  x: {release: 0}\n",
       at + "3, column 3: Missing assignedTo in node x"},
      {"missing release", "newFormat: true\nnodes:\n  x: {assignedTo: 0}\n",
       at + "3, column 3: Missing release in node x"},
      {"node without properties", "newFormat: true\nnodes:\n  x:\n",
       at + "3, column 3: Missing assignedTo in node x"},
      {"edge without src", head + "edges:\n  e1: {dest: x, accessTo: 1}\n",
       at + "5, column 3: Missing src in edge e1"},
      {"edge without dest", head + "edges:\n  e1: {src: x, accessTo: 1}\n",
       at + "5, column 3: Missing dest in edge e1"},
      {"edge without volume", head + "edges:\n  e1: {src: x, dest: x}\n",
       at + "5, column 3: Missing accessTo in edge e1"},
      {"edge without properties", head + "edges:\n  e1:\n",
       at + "5, column 3: Missing src in edge e1"},
  };
  expectFaults(cases);
}

TEST_F(NodesetReaderTest, NewFormatRefusesWritePhases) {
  applyOptions(config, {"-cw"});
  EXPECT_EQ(readFailing(nodesetDir + "graph.yaml"),
            red("The option -cw is not supported with the newFormat layout"));
}

// The node set of a file is built once per run and copied for every read: a
// read must neither see what an earlier reader did to its copy nor the node
// set built under other options.
TEST_F(NodesetReaderTest, EachReadGetsItsOwnNodeSetForItsOptions) {
  const std::string path = nodesetDir + "phases.yaml";
  ASSERT_EQ(read(path), 0);
  ns.setReleaseDate(0, 999);
  ns.getDepsVector(1).push_back(2);
  Nodeset again;
  ASSERT_EQ(config.initNodeSet(again, documents), 0);
  EXPECT_EQ(again.getReleaseDate(0), 5u);
  EXPECT_EQ(again.getDepsVector(1), Deps{0});

  applyOptions(config, {"-cw"});
  Nodeset phases;
  ASSERT_EQ(config.initNodeSet(phases, documents), 0);
  EXPECT_EQ(phases.getSize(), 5u);
  applyOptions(config, {"-sb"});
  Nodeset oneBank;
  ASSERT_EQ(config.initNodeSet(oneBank, documents), 0);
  EXPECT_EQ(oneBank.getSize(), 5u);
  EXPECT_EQ(oneBank.getLocalMemoryBank(4), 0);
  ConfigTestAccess::clearFlags(config);
  Nodeset plain;
  ASSERT_EQ(config.initNodeSet(plain, documents), 0);
  EXPECT_EQ(plain.getSize(), 3u);
  EXPECT_EQ(plain.getLocalMemoryBank(2), rxCoreId);
}

TEST_F(NodesetReaderTest, GraphLayoutReadsKeepTheirOptionsApart) {
  ScratchDir dir;
  const std::string path = dir.write("g.yaml",
                                     "newFormat: true\nnodes:\n  a: {assignedTo: 0, release: 0}\n"
                                     "  b: {assignedTo: 0, release: 0}\n");
  ASSERT_EQ(read(path), 0);
  EXPECT_TRUE(config.isNewFormat());
  EXPECT_EQ(ns.getDepsVector(1), Deps{});
  applyOptions(config, {"-virtualDeps"});
  Nodeset virtualDeps;
  ASSERT_EQ(config.initNodeSet(virtualDeps, documents), 0);
  EXPECT_EQ(virtualDeps.getDepsVector(1), Deps{0});
}

TEST_F(NodesetReaderTest, TheNextRunReadsTheFileAnew) {
  ScratchDir dir;
  const std::string path =
      dir.write("anew.yaml", "nodes:\n  a: {assignedTo: 0, traceName: t, release: 0}\n");
  ASSERT_EQ(read(path), 0);
  dir.write("anew.yaml", "nodes: {}\n");
  DocumentCache nextRun;
  Nodeset again;
  ASSERT_EQ(config.initNodeSet(again, nextRun), 0);
  EXPECT_EQ(again.getSize(), 0u);
}

TEST_F(NodesetReaderTest, TheFileIsReadOncePerRun) {
  ScratchDir dir;
  const std::string path =
      dir.write("once.yaml", "nodes:\n  a: {assignedTo: 0, traceName: t, release: 0}\n");
  ASSERT_EQ(read(path), 0);
  dir.write("once.yaml", "nodes: {}\n");
  Nodeset again;
  ASSERT_EQ(config.initNodeSet(again, documents), 0);
  EXPECT_EQ(again.getSize(), 1u);
}

}  // namespace
