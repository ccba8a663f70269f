#include <gtest/gtest.h>

#include <set>
#include <string>
#include <typeinfo>
#include <vector>

#include "Bus/busFIFO.h"
#include "Bus/busRR.h"
#include "Bus/busTDMA.h"
#include "Bus/busVesk.h"
#include "Bus/perfectBus.h"
#include "Platform/cache.h"
#include "Platform/core.h"
#include "Platform/dram.h"
#include "Platform/pCache.h"
#include "Platform/perfectMemory.h"
#include "Platform/processor.h"
#include "Platform/scratchPad.h"
#include "config.h"
#include "documentCache.h"
#include "inputFixtures.h"
#include "testSupport.h"

namespace {

const std::string archDir = std::string(TEST_DATA_DIR) + "/arch/";

class ArchTest : public testing::Test {
 protected:
  void TearDown() override {
    if (assembled) config.destroyProc(proc, 0);
  }

  // Assembles definition 0 from path; the objects are torn down after the test.
  int assemble(const std::string& path) {
    applyOptions(config, {"-arch", path});
    const int result = config.initProc(proc, 0, documents);
    assembled = result == 0;
    return result;
  }

  std::vector<int> cores() const {
    return std::vector<int>(proc.getCoresVec()->begin(), proc.getCoresVec()->end());
  }

  Config config;
  DocumentCache documents;
  Processor proc;
  bool assembled = false;
};

template <class T>
bool is(const void* object) {
  return object != nullptr && typeid(*static_cast<const T*>(object)) == typeid(T);
}

struct LayoutCase {
  const char* file;
  const char* name;
  const std::type_info& bus;
  const char* busName;
  const std::type_info& instr;
  MemoryType instrType;
  const std::type_info* data;  // null: no data memory
  int cores, memDelay, accDelay, burstDelay;
};

TEST_F(ArchTest, BothLayoutsBuildTheDescribedProcessor) {
  const LayoutCase cases[] = {
      {"unified.yaml", "P1", typeid(BusRR), "BusRR", typeid(Cache), UNIFIED, nullptr, 8, 10, 3, 5},
      {"split.yaml", "P2", typeid(BusVesk), "BusVesk", typeid(ScratchPad), INSTRUCTION,
       &typeid(PCache), 2, 7, 1, 2},
      {"unified.txt", "TextProc", typeid(BusFIFO), "BusFIFO", typeid(PerfectMemory), UNIFIED,
       nullptr, 4, 9, 2, 4},
      {"split.txt", "TextSplit", typeid(BusTDMA), "BusTDMA", typeid(Cache), INSTRUCTION,
       &typeid(ScratchPad), 3, 6, 1, 8},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.file);
    Config caseConfig;
    DocumentCache caseDocuments;
    Processor caseProc;
    applyOptions(caseConfig, {"-arch", archDir + c.file});
    ASSERT_EQ(caseConfig.initProc(caseProc, 0, caseDocuments), 0);
    EXPECT_EQ(caseProc.getName(), c.name);
    const auto& bus = *caseProc.getBus();
    EXPECT_EQ(typeid(bus), c.bus);
    EXPECT_EQ(caseConfig.getBusName(), c.busName);
    ASSERT_NE(caseProc.getLocalMemoryInstr(), nullptr);
    const auto& instr = *caseProc.getLocalMemoryInstr();
    EXPECT_EQ(typeid(instr), c.instr);
    EXPECT_EQ(caseProc.getLocalMemoryInstr()->getType(), c.instrType);
    if (c.data == nullptr) {
      EXPECT_EQ(caseProc.getLocalMemoryData(), nullptr);
    } else {
      ASSERT_NE(caseProc.getLocalMemoryData(), nullptr);
      const auto& data = *caseProc.getLocalMemoryData();
      EXPECT_EQ(typeid(data), *c.data);
      EXPECT_EQ(caseProc.getLocalMemoryData()->getType(), DATA);
    }
    EXPECT_NE(caseProc.getCore(), nullptr);
    EXPECT_NE(caseProc.getDRAM(), nullptr);
    EXPECT_EQ(caseProc.getNumberOfCores(), c.cores);
    EXPECT_EQ(caseProc.getMemDelay(), c.memDelay);
    EXPECT_EQ(caseProc.getAccDelay(), c.accDelay);
    EXPECT_EQ(caseProc.getBurstDelay(), c.burstDelay);
    EXPECT_FALSE(caseProc.hasRx());
    caseConfig.destroyProc(caseProc, 0);
  }
}

TEST_F(ArchTest, ClustersAreIndexedByTheirPosition) {
  ASSERT_EQ(assemble(archDir + "unified.yaml"), 0);
  // The third entry lacks its key 2: an empty cluster, which leaves no trace.
  const Processor::ClusterMap expected = {{0, {0, 1}}, {1, {2, 3}}};
  EXPECT_EQ(proc.getClusters(), expected);
}

TEST_F(ArchTest, CacheReceivesItsGeometry) {
  ASSERT_EQ(assemble(archDir + "unified.yaml"), 0);
  const auto& geometry = static_cast<Cache*>(proc.getLocalMemoryInstr())->getGeometry();
  EXPECT_EQ(geometry.getLineSize(), 32);
  EXPECT_EQ(geometry.getNumberOfSets(), 64);
  EXPECT_EQ(geometry.getAssociativity(), 2);
}

TEST_F(ArchTest, NodesetHeaderSetsCoresBanksAndPseudoCores) {
  struct Case {
    bool singleBank;
    int banks;
  } cases[] = {{false, 4}, {true, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.singleBank);
    Config caseConfig;
    DocumentCache caseDocuments;
    Processor caseProc;
    applyOptions(caseConfig, {"-arch", archDir + "unified.yaml",  // "Cores" 8
                              "-ts", archDir + "header4.yaml", "-nrOfCores", "12"});
    if (c.singleBank) applyOptions(caseConfig, {"-sb"});
    ASSERT_EQ(caseConfig.initProc(caseProc, 0, caseDocuments), 0);
    const std::vector<int> expected = {txCoreId, rxCoreId, 0, 1, 2, 3};
    EXPECT_EQ(std::vector<int>(caseProc.getCoresVec()->begin(), caseProc.getCoresVec()->end()),
              expected);
    EXPECT_EQ(caseProc.getNumberOfCores(), 6);
    EXPECT_EQ(caseProc.getNumberOfBanks(), c.banks);
    EXPECT_EQ(caseConfig.getNrOfMemBanks(), c.banks);
    EXPECT_TRUE(caseConfig.isPeriodAnalysis());
    caseConfig.destroyProc(caseProc, 0);
  }
}

TEST_F(ArchTest, PeriodAnalysisNeedsANonEmptySchedTest) {
  struct Case {
    const char* entry;
    bool on;
  } cases[] = {{"", false},
               {"multi_rate_sched_test: []\n", false},
               {"multi_rate_sched_test: 5\n", false},
               {"multi_rate_sched_test: {a: 1}\n", true},
               {"multi_rate_sched_test: [x]\n", true}};
  ScratchDir dir;
  int k = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    Config caseConfig;
    DocumentCache caseDocuments;
    Processor caseProc;
    applyOptions(caseConfig, {"-arch", "", "-ts",
                              dir.write("h" + std::to_string(k++) + ".yaml",
                                        std::string("numOfCores: 2\n") + c.entry)});
    ASSERT_EQ(caseConfig.initProc(caseProc, 0, caseDocuments), 0);
    EXPECT_EQ(caseConfig.isPeriodAnalysis(), c.on);
    caseConfig.destroyProc(caseProc, 0);
  }
}

TEST_F(ArchTest, DelayOverridesApplyUnlessMinusOne) {
  applyOptions(config, {"-memDelay", "7", "-accDelay", "-1", "-burstDelay", "0"});
  ASSERT_EQ(assemble(archDir + "unified.yaml"), 0);
  EXPECT_EQ(proc.getMemDelay(), 7);
  EXPECT_EQ(proc.getAccDelay(), 3);
  EXPECT_EQ(proc.getBurstDelay(), 0);
}

TEST_F(ArchTest, CoreOverrideAppliesWithoutANodeSet) {
  applyOptions(config, {"-nrOfCores", "3"});
  ASSERT_EQ(assemble(archDir + "unified.yaml"), 0);
  EXPECT_EQ(cores(), (std::vector<int>{0, 1, 2}));
}

TEST_F(ArchTest, PerfectBusReplacesTheFileModelInBothLayouts) {
  ScratchDir dir;
  const std::string files[] = {
      dir.write("a.yaml",
                "name: P\nCores: 2\nmemDelay: 1\naccDelay: 1\nburstDelay: 1\nBus: NoSuchBus\n"
                "MemoryUnified: {Type: PerfectMemory, Param: [0, 0, 0]}\n"),
      dir.write("a.txt", "n P c 2 b NoSuchBus MemoryUnified PerfectMemory 0 0 0 m 1 a 1 b 1\n"),
  };
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    Config caseConfig;
    DocumentCache caseDocuments;
    Processor caseProc;
    applyOptions(caseConfig, {"-arch", file, "-perfectBus"});
    ASSERT_EQ(caseConfig.initProc(caseProc, 0, caseDocuments), 0);
    EXPECT_TRUE(is<PerfectBus>(caseProc.getBus()));
    EXPECT_EQ(caseConfig.getBusName(), "PerfectBus");
    caseConfig.destroyProc(caseProc, 0);
  }
}

TEST_F(ArchTest, TextLayoutNumbersMayCarryAPlusSign) {
  ScratchDir dir;
  ASSERT_EQ(assemble(dir.write("signed.txt",
                               "n P c +3 b BusRR MemoryUnified Cache +32 8 +1 m +7 a 0 b 1\n")),
            0);
  EXPECT_EQ(cores(), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(proc.getMemDelay(), 7);
  EXPECT_EQ(static_cast<Cache*>(proc.getLocalMemoryInstr())->getGeometry().getLineSize(), 32);
}

TEST_F(ArchTest, EmptyArchWordBuildsTheSampleProcessor) {
  applyOptions(config, {"-bus", "BusFP", "-perfectBus", "-burstDelay", "4"});
  ASSERT_EQ(assemble(""), 0);
  EXPECT_EQ(proc.getName(), "SampleProcessor");
  EXPECT_TRUE(is<BusTDMA>(proc.getBus()));
  EXPECT_EQ(config.getBusName(), "BusFP");
  EXPECT_TRUE(is<PerfectMemory>(proc.getLocalMemoryInstr()));
  EXPECT_TRUE(is<PerfectMemory>(proc.getLocalMemoryData()));
  EXPECT_EQ(cores(), (std::vector<int>{0, 1}));
  EXPECT_EQ(proc.getMemDelay(), 1);
  EXPECT_EQ(proc.getAccDelay(), 1);
  EXPECT_EQ(proc.getBurstDelay(), 4);
}

TEST_F(ArchTest, DotUsesSixteenCoresAndBanksWithoutReadingTheNodeSet) {
  applyOptions(config, {"-ts", "/nonexistent/graph.dot", "-dot"});
  ASSERT_EQ(assemble(archDir + "split.yaml"), 0);
  EXPECT_EQ(proc.getNumberOfCores(), 16);
  EXPECT_EQ(proc.getCoresVec()->count(rxCoreId), 0u);
  EXPECT_EQ(proc.getNumberOfBanks(), 16);
  EXPECT_EQ(config.getNrOfMemBanks(), 16);
}

TEST_F(ArchTest, FlagsReachTheProcessor) {
  applyOptions(config, {"-cw", "-old"});
  ASSERT_EQ(assemble(archDir + "split.yaml"), 0);
  EXPECT_TRUE(proc.getCW());
  EXPECT_TRUE(proc.isOldConfig());
}

const char* const validHead = "name: P\nCores: 2\nmemDelay: 1\naccDelay: 1\nburstDelay: 1\n";
const char* const unknownBusLines =
    "Invalid bus selected: 'BusXY'\n"
    "Bus'XX': 'XX' in {RR,FP,PP,FIFO,Vesk}\n"
    "  for 'pessimistic' and 'no-release' configs: 'XX' in {PessRR,RRnr, PessVesk, Vesknr}\n";

struct ErrorCase {
  const char* label;
  std::string content;  // empty: the file does not exist
  std::string expected;
};

TEST_F(ArchTest, EveryFaultOfAnArchitectureFileEndsInOneLineNamingIt) {
  const std::string yaml = validHead;
  const std::string bus = "Bus: BusRR\n";
  const std::string unified = "MemoryUnified: {Type: PerfectMemory, Param: [0, 0, 0]}\n";
  const std::string fail = "Error: invalid processor definition '{path}': ";
  const ErrorCase cases[] = {
      {"missing file", "", "Error: Could not open processor definition '{path}'\n"},
      {"malformed", "name: [P\nCores: 2\n",
       fail + "yaml-cpp: error at line 2, column 6: end of sequence flow not found\n"},
      {"missing key", "name: P\nmemDelay: 1\n", fail + "missing key 'Cores'\n"},
      {"wrong type", "name: P\nCores: four\n", fail + "'Cores' is not an int (line 2, column 8)\n"},
      {"too many cores", "name: P\nCores: 2000000000\n",
       "Error: invalid value for 'Cores': 2000000000\n"},
      {"text too many cores", "name P\ncores 65537\n", "Error: invalid value for 'Cores': 65537\n"},
      {"name not a string", "name: [a]\n", fail + "'name' is not a string (line 1, column 7)\n"},
      {"unknown bus", yaml + "Bus: BusXY\n" + unified,
       unknownBusLines + fail + "unknown bus model 'BusXY'\n"},
      {"unknown memory", yaml + bus + "MemoryUnified: {Type: Flash, Param: [0, 0, 0]}\n",
       "Invalid memory selected: 'Flash'\n" + fail + "cannot build 'MemoryUnified'\n"},
      {"cache geometry", yaml + bus + "MemoryUnified: {Type: Cache, Param: [0, 8, 1]}\n",
       "Invalid memory parameters for 'Cache': line size 0 is below 1\n" + fail +
           "cannot build 'MemoryUnified'\n"},
      {"two params", yaml + bus + "MemoryUnified: {Type: ScratchPad, Param: [0, 0]}\n",
       fail + "'Param' in 'MemoryUnified' is not a sequence of three ints (line 7, column 42)\n"},
      {"param not int", yaml + bus + "MemoryUnified: {Type: Cache, Param: [32, x, 1]}\n",
       fail + "item 1 of 'Param' in 'MemoryUnified' is not an int (line 7, column 42)\n"},
      {"missing type", yaml + bus + "MemoryUnified: {Param: [0, 0, 0]}\n",
       fail + "missing key 'Type' in 'MemoryUnified'\n"},
      {"memory not a map", yaml + bus + "MemoryUnified: Cache\n",
       fail + "'MemoryUnified' is not a map (line 7, column 16)\n"},
      {"missing data memory",
       yaml + bus + "MemoryInstruction: {Type: ScratchPad, Param: [0, 0, 0]}\n",
       fail + "missing key 'MemoryDATA'\n"},
      {"clusters not a sequence", yaml + bus + unified + "clusters: 3\n",
       fail + "'clusters' is not a sequence (line 8, column 11)\n"},
      {"cluster entry a plain value", yaml + bus + unified + "clusters:\n  - 3\n",
       fail + "the entry of cluster 0 is not a map (line 9, column 5)\n"},
      {"cluster value a map", yaml + bus + unified + "clusters:\n  - 0: {a: 1}\n",
       fail + "cluster 0 is not a sequence of core ids (line 9, column 8)\n"},
      {"core id not an int", yaml + bus + unified + "clusters:\n  - 0: [1]\n  - 1: [x]\n",
       fail + "a core id of cluster 1 is not an int (line 10, column 9)\n"},
      {"empty file", "\n", fail + "the text layout ends before the processor name\n"},
      {"text sign without digits", "name P\ncores +\n",
       fail + "'+' is not an int for the number of cores\n"},
      {"text two signs", "name P\ncores +-4\n",
       fail + "'+-4' is not an int for the number of cores\n"},
      {"text ends early", "name P\ncores 4\n",
       fail + "the text layout ends before the bus model name\n"},
      {"text non-number", "name P\ncores four\n",
       fail + "'four' is not an int for the number of cores\n"},
      {"text number with suffix", "n P c 2 b BusRR MemoryUnified Cache 32x 8 1\n",
       fail + "'32x' is not an int for the unified memory\n"},
      {"text data memory cut", "n P c 2 b BusRR MemoryInstruction ScratchPad 0 0 0 MemoryDATA\n",
       fail + "the text layout ends before the data memory\n"},
      {"text delays cut", "n P c 2 b BusRR MemoryUnified ScratchPad 0 0 0 m 1 a 1\n",
       fail + "the text layout ends before burstDelay\n"},
      {"text unknown bus", "n P c 2 b BusXY\n",
       unknownBusLines + fail + "unknown bus model 'BusXY'\n"},
  };
  ScratchDir dir;
  int k = 0;
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string name = "arch" + std::to_string(k++);
    const std::string path = c.content.empty() ? dir.path(name) : dir.write(name, c.content);
    Config caseConfig;
    DocumentCache caseDocuments;
    Processor caseProc;
    applyOptions(caseConfig, {"-arch", path});
    CapturedStderr capturedErr;
    EXPECT_EQ(caseConfig.initProc(caseProc, 0, caseDocuments), 1);
    EXPECT_EQ(capturedErr.text(), withPath(c.expected, path));
    EXPECT_EQ(caseProc.getBus(), nullptr);
    EXPECT_EQ(caseProc.getLocalMemoryInstr(), nullptr);
  }
}

TEST_F(ArchTest, FaultsAfterAssemblyReleaseThePlatformObjects) {
  const ErrorCase cases[] = {
      {"missing file", "", "Error: invalid node-set file '{path}': the file cannot be opened\n"},
      {"malformed", "numOfCores: [2\n",
       "Error: invalid node-set file '{path}': yaml-cpp: error at line 2, column 1: end of "
       "sequence flow not found\n"},
      {"not a map", "- numOfCores\n",
       "Error: invalid node-set file '{path}': the document is not a map\n"},
      {"missing numOfCores", "nodes: {}\n",
       "Error: invalid node-set file '{path}': missing key 'numOfCores'\n"},
      {"numOfCores not an int", "numOfCores: many\n",
       "Error: invalid node-set file '{path}': 'numOfCores' is not an int (line 1, column 13)\n"},
      {"negative numOfCores", "numOfCores: -2\n", "Error: invalid value for 'numOfCores': -2\n"},
      {"too many cores", "numOfCores: 65537\n", "Error: invalid value for 'numOfCores': 65537\n"},
  };
  ScratchDir dir;
  int k = 0;
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string name = "ts" + std::to_string(k++) + ".yaml";
    const std::string path = c.content.empty() ? dir.path(name) : dir.write(name, c.content);
    Config caseConfig;
    DocumentCache caseDocuments;
    Processor caseProc;
    applyOptions(caseConfig, {"-arch", archDir + "split.yaml", "-ts", path});
    CapturedStderr capturedErr;
    EXPECT_EQ(caseConfig.initProc(caseProc, 0, caseDocuments), 1);
    EXPECT_EQ(capturedErr.text(), withPath(c.expected, path));
    EXPECT_EQ(caseProc.getBus(), nullptr);
    EXPECT_EQ(caseProc.getCore(), nullptr);
    EXPECT_EQ(caseProc.getLocalMemoryInstr(), nullptr);
    EXPECT_EQ(caseProc.getLocalMemoryData(), nullptr);
    EXPECT_EQ(caseProc.getDRAM(), nullptr);
  }
}

TEST_F(ArchTest, NegativeDelaysAreRefusedAndZeroIsAllowed) {
  struct Case {
    int memDelay, accDelay, burstDelay;
    std::string expected;
  } cases[] = {{0, 0, 0, ""},
               {0, -1, 0, ""},  // -1 keeps the file's value
               {-5, 0, 0, "Error: invalid value for 'memDelay': -5\n"},
               {0, -3, 0, "Error: invalid value for 'accDelay': -3\n"},
               {0, 0, -7, "Error: invalid value for 'burstDelay': -7\n"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    Config caseConfig;
    DocumentCache caseDocuments;
    Processor caseProc;
    applyOptions(caseConfig, {"-arch", archDir + "split.yaml", "-memDelay",
                              std::to_string(c.memDelay), "-accDelay", std::to_string(c.accDelay),
                              "-burstDelay", std::to_string(c.burstDelay)});
    CapturedStderr capturedErr;
    const int result = caseConfig.initProc(caseProc, 0, caseDocuments);
    EXPECT_EQ(capturedErr.text(), c.expected);
    if (c.expected.empty()) {
      EXPECT_EQ(result, 0);
      caseConfig.destroyProc(caseProc, 0);
    } else {
      EXPECT_EQ(result, 1);
      EXPECT_EQ(caseProc.getBus(), nullptr);
      EXPECT_EQ(caseProc.getDRAM(), nullptr);
    }
  }
}

TEST_F(ArchTest, NegativeDelayInTheFileIsRefused) {
  ScratchDir dir;
  const std::string path =
      dir.write("neg.yaml",
                "name: P\nCores: 2\nmemDelay: -4\naccDelay: 1\nburstDelay: 1\nBus: BusRR\n"
                "MemoryUnified: {Type: PerfectMemory, Param: [0, 0, 0]}\n");
  CapturedStderr capturedErr;
  EXPECT_EQ(assemble(path), 1);
  EXPECT_EQ(capturedErr.text(), "Error: invalid value for 'memDelay': -4\n");
}

}  // namespace
