#include "traceset.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Platform/dram.h"
#include "Platform/processor.h"
#include "documentCache.h"
#include "inputFixtures.h"
#include "nodeset.h"
#include "testSupport.h"

namespace {

const std::string profilesDir = std::string(TEST_DATA_DIR) + "/profiles";

class TracesetTest : public testing::Test {
 protected:
  void SetUp() override {
    savedOutputDir = OUTPUTDIR;
    OUTPUTDIR = profilesDir;
    proc.setName("P");
  }
  void TearDown() override { OUTPUTDIR = savedOutputDir; }

  std::string savedOutputDir;
  Processor proc;
  Traceset traces;
  DocumentCache documents;
};

struct Profile {
  longint_t procDemand = 0, memDemand = 0, writeAccesses = 0;
  std::set<int> UCBData, ECBData, UCBInstr, ECBInstr;
  bool operator==(const Profile&) const = default;
};

struct ProfileCase {
  const char* trace;
  Profile expected;
};

TEST_F(TracesetTest, ProfilesAreReadFromEitherForm) {
  const ProfileCase cases[] = {
      // The ".yaml" form wins over a ".dat" beside it and carries no block lists.
      {"both", {70, 8, 2, {}, {}, {}, {}}},
      // Without any list, writeAccesses falls back to memDemand.
      {"scalars", {10, 4, 4, {}, {}, {}, {}}},
      {"scalars_nonl", {10, 4, 4, {}, {}, {}, {}}},
      // The end of the file right after the last list decides the fallback.
      {"nowrites", {10, 4, 0, {}, {16390}, {}, {}}},
      {"nowrites_nonl", {10, 4, 4, {}, {16390}, {}, {}}},
      // The file lists instruction blocks first; data blocks keep their offset.
      {"full", {12, 6, 5, {16385, 16390}, {16390}, {1, 3}, {1, 2, 3}}},
      // A list cut short keeps what it holds; the missing lists stay empty.
      {"cut", {12, 6, 6, {}, {}, {1, 2}, {}}},
  };
  for (const ProfileCase& c : cases) {
    SCOPED_TRACE(c.trace);
    Profile read;
    EXPECT_EQ(traces.readTraceParameter("P", c.trace, read.procDemand, read.memDemand,
                                        read.writeAccesses, read.UCBData, read.ECBData,
                                        read.UCBInstr, read.ECBInstr, documents),
              0);
    EXPECT_EQ(read, c.expected);
  }
}

TEST_F(TracesetTest, FaultyProfilesEndInOneLineNamingTheFile) {
  const struct {
    const char* trace;
    std::string expected;
  } cases[] = {
      {"absent", "  Trace file for trace 'absent' not found.\n"},
      {"malformed",
       "Error: invalid profile '{path}': yaml-cpp: error at line 2, column 1: end of "
       "sequence flow not found\n"},
      {"nomem", "Error: invalid profile '{path}': missing key 'memDemand'\n"},
      {"negative",
       "Error: invalid profile '{path}': 'memDemand' is not an unsigned integer (line 2, "
       "column 12)\n"},
      {"sequence", "Error: invalid profile '{path}': the document is not a map\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.trace);
    Profile read{1, 2, 3, {}, {}, {}, {}};
    CapturedStderr capturedErr;
    EXPECT_EQ(traces.readTraceParameter("P", c.trace, read.procDemand, read.memDemand,
                                        read.writeAccesses, read.UCBData, read.ECBData,
                                        read.UCBInstr, read.ECBInstr, documents),
              1);
    EXPECT_EQ(capturedErr.text(), withPath(c.expected, profilesDir + "/P/" + c.trace + ".yaml"));
    EXPECT_EQ(read, (Profile{1, 2, 3, {}, {}, {}, {}}));
  }
}

struct NodeSpec {
  std::string name;
  std::vector<std::string> traces;
  int bank;
  bool isEmpty;
};

// A node set of the given nodes on core 0, with no demands.
Nodeset makeNodeset(const std::vector<NodeSpec>& specs) {
  const std::size_t n = specs.size();
  std::vector<int> priority(n), core(n), bank(n);
  std::vector<longint_t> deadline(n, 100), period(n, 100), release(n), id(n);
  std::vector<std::string> names(n);
  std::vector<std::vector<std::string>> traces(n);
  std::vector<std::vector<longint_t>> deps(n);
  std::vector<Nodeset::BankList> perBank(n);
  std::vector<Nodeset::NoCList> noc(n);
  auto isEmpty = std::make_unique<bool[]>(n);
  for (std::size_t i = 0; i < n; ++i) {
    names[i] = specs[i].name;
    traces[i] = specs[i].traces;
    bank[i] = specs[i].bank;
    id[i] = i;
    isEmpty[i] = specs[i].isEmpty;
  }
  Nodeset ns;
  ns.init(n, priority.data(), deadline.data(), period.data(), release.data(), core.data(),
          names.data(), traces.data(), deps.data(), id.data(), id.data(), bank.data(),
          perBank.data(), noc.data(), isEmpty.get());
  return ns;
}

TEST_F(TracesetTest, NodeDemandsAreMaximaAndBankCountsSumsOverTraces) {
  Nodeset ns = makeNodeset(
      {{"n", {"t1", "t2"}, 2, false}, {"idle", {"t1"}, 3, true}, {"traceless", {}, 1, false}});
  ASSERT_EQ(traces.setNodesetParameter(proc, ns, documents), 0);
  EXPECT_EQ(ns.getProcDemand(0), 100u);
  EXPECT_EQ(ns.getMemDemand(0), 30u);
  EXPECT_EQ(ns.getVecMemDemand(0), (Nodeset::BankList{{2, 40}}));
  EXPECT_EQ(ns.getTransactionsPerBank(0, 2), 8u);
  for (int i : {1, 2}) {
    SCOPED_TRACE(i);
    EXPECT_EQ(ns.getVecMemDemand(i), (Nodeset::BankList{{ns.getLocalMemoryBank(i), 0}}));
    EXPECT_EQ(ns.getTransactionsPerBank(i, ns.getLocalMemoryBank(i)), 0u);
    EXPECT_EQ(ns.getProcDemand(i), 0u);
    EXPECT_EQ(ns.getMemDemand(i), 0u);
  }
}

TEST_F(TracesetTest, NodeSetWithoutNameAtPositionZeroIsLeftAlone) {
  Nodeset ns = makeNodeset({{"", {}, 0, false}, {"n", {"t1"}, 2, false}});
  ASSERT_EQ(traces.setNodesetParameter(proc, ns, documents), 0);
  EXPECT_EQ(ns.getProcDemand(1), 0u);
  EXPECT_EQ(ns.getVecMemDemand(1), Nodeset::BankList{});
}

TEST_F(TracesetTest, MissingThirdTraceFailsAfterTheFirstTwo) {
  Nodeset ns = makeNodeset({{"n", {"t1", "t2", "t3"}, 2, false}});
  CapturedStderr capturedErr;
  EXPECT_EQ(traces.setNodesetParameter(proc, ns, documents), 1);
  EXPECT_EQ(capturedErr.text(), "  Trace file for trace 't3' not found.\n");
  EXPECT_EQ(ns.getProcDemand(0), 100u);
  EXPECT_EQ(ns.getMemDemand(0), 30u);
  EXPECT_EQ(ns.getMemDemandPerBank(0, 2), 40u);
  EXPECT_EQ(ns.getTransactionsPerBank(0, 2), 8u);
}

TEST_F(TracesetTest, MalformedProfileFailsTheNodeSet) {
  Nodeset ns = makeNodeset({{"n", {"malformed"}, 0, false}});
  CapturedStderr capturedErr;
  EXPECT_EQ(traces.setNodesetParameter(proc, ns, documents), 1);
  EXPECT_NE(capturedErr.text().find("malformed.yaml"), std::string::npos);
}

// Profiles are read once per run; what a later node set gets must be what a
// fresh reading of the same file would give, and only of that file.
TEST_F(TracesetTest, LaterNodeSetsGetTheDemandsOfTheirOwnProfiles) {
  ScratchDir dir;
  dir.write("one/P/t.yaml", "procDemand: 7\nmemDemand: 3\nnbTransactions: 2\n");
  dir.write("one/Q/t.dat", "procDemand 9\nmemDemand 4\n");
  dir.write("two/P/t.dat",
            "procDemand 11\nmemDemand 5\nUCBInstr 0 \nECBInstr 0 \n"
            "UCBData 0 \nECBData 0 \nwriteAccesses 1\n\n");
  struct Case {
    const char* profiles;
    const char* processor;
    longint_t procDemand, memDemand, writeAccesses;
  };
  const Case cases[] = {
      {"one", "P", 7, 3, 2}, {"one", "Q", 9, 4, 4}, {"two", "P", 11, 5, 1}, {"one", "P", 7, 3, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.profiles) + "/" + c.processor);
    OUTPUTDIR = dir.path(c.profiles);
    proc.setName(c.processor);
    for (int step = 0; step < 2; ++step) {
      Nodeset ns = makeNodeset({{"n", {"t"}, 1, false}});
      Traceset fresh;
      ASSERT_EQ(fresh.setNodesetParameter(proc, ns, documents), 0);
      EXPECT_EQ(ns.getProcDemand(0), c.procDemand);
      EXPECT_EQ(ns.getMemDemand(0), c.memDemand);
      EXPECT_EQ(ns.getVecMemDemand(0), (Nodeset::BankList{{1, c.memDemand}}));
      EXPECT_EQ(ns.getTransactionsPerBank(0, 1), c.writeAccesses);
    }
  }
}

TEST_F(TracesetTest, AProfileThatCouldNotBeReadIsReadAgainLater) {
  ScratchDir dir;
  OUTPUTDIR = dir.path("profiles");
  Nodeset ns = makeNodeset({{"n", {"late"}, 0, false}});
  CapturedStderr capturedErr;
  EXPECT_EQ(traces.setNodesetParameter(proc, ns, documents), 1);
  EXPECT_EQ(capturedErr.text(), "  Trace file for trace 'late' not found.\n");
  dir.write("profiles/P/late.dat", "procDemand 6\nmemDemand 2\n");
  Nodeset again = makeNodeset({{"n", {"late"}, 0, false}});
  ASSERT_EQ(traces.setNodesetParameter(proc, again, documents), 0);
  EXPECT_EQ(again.getProcDemand(0), 6u);
}

TEST_F(TracesetTest, AProfileKeepsItsFirstReadingUntilTheNextRun) {
  ScratchDir dir;
  OUTPUTDIR = dir.path("profiles");
  const auto demandAfterWriting = [&](const char* text, DocumentCache& run) {
    dir.write("profiles/P/kept.dat", text);
    Nodeset ns = makeNodeset({{"n", {"kept"}, 0, false}});
    EXPECT_EQ(traces.setNodesetParameter(proc, ns, run), 0);
    return ns.getProcDemand(0);
  };
  EXPECT_EQ(demandAfterWriting("procDemand 6\nmemDemand 2\n", documents), 6u);
  EXPECT_EQ(demandAfterWriting("procDemand 8\nmemDemand 2\n", documents), 6u);
  DocumentCache nextRun;
  EXPECT_EQ(demandAfterWriting("procDemand 8\nmemDemand 2\n", nextRun), 8u);
}

TEST_F(TracesetTest, BaseWCETAddsMemoryDelaysToTheTextProfile) {
  DRAM dram(&proc, nullptr, 0, 1);
  proc.setDRAM(&dram);
  longint_t wcet = 0;
  EXPECT_EQ(traces.getBaseWCET("P", "scalars", 3, wcet, proc), 0);
  EXPECT_EQ(wcet, 22u);  // 10 + 3 * 4
  wcet = 50;
  EXPECT_EQ(traces.getBaseWCET("P", "scalars", 3, wcet, proc), 0);
  EXPECT_EQ(wcet, 50u);
  CapturedStderr capturedErr;
  EXPECT_EQ(traces.getBaseWCET("P", "t2", 3, wcet, proc), 1);  // only the ".dat" form counts
  EXPECT_EQ(capturedErr.text(),
            "  Trace file for trace '" + profilesDir + "/P/t2.dat' not found.\n");
  EXPECT_EQ(wcet, 50u);
}

TEST_F(TracesetTest, TraceListGivesDistinctNamesAndClearsEmpty) {
  ScratchDir dir;
  const std::string list = dir.write("list.txt", "a b\na\n");
  EXPECT_TRUE(traces.isEmpty());
  CapturedStdout capturedOut;
  {
    const VerboseLevel verbose(2);
    EXPECT_EQ(traces.readTraceFile(list), 0);
  }
  EXPECT_EQ(capturedOut.text(),
            "Read traceset file '" + list +
                "'\nTrace a successfully added.\nTrace b successfully added.\nTrace a successfully "
                "added.\n");
  EXPECT_FALSE(traces.isEmpty());
  for (int k = 0; k < 8; ++k) {
    const std::string trace = traces.getRandomTrace();
    EXPECT_TRUE(trace == "a" || trace == "b") << trace;
  }
  traces.setEmpty();
  EXPECT_TRUE(traces.isEmpty());
}

TEST_F(TracesetTest, TraceListEdgeCases) {
  ScratchDir dir;
  CapturedStderr capturedErr;
  EXPECT_EQ(traces.readTraceFile(dir.path("none.txt")), 1);
  EXPECT_EQ(traces.getRandomTrace(), "");
  EXPECT_EQ(capturedErr.text(), "Error: Could not open trace file '" + dir.path("none.txt") +
                                    "'\n  Could not provide random trace, trace file is empty.\n");
  EXPECT_TRUE(traces.isEmpty());

  EXPECT_EQ(traces.readTraceFile(dir.write("empty.txt", "")), 0);
  EXPECT_FALSE(traces.isEmpty());
  EXPECT_EQ(traces.readTraceFile(dir.write("one.txt", "only\n")), 0);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(traces.getRandomTrace(), "only");
}

TEST(FileExistence, OpensForReading) {
  ScratchDir dir;
  EXPECT_TRUE(is_file_exist(dir.write("f", "x").c_str()));
  EXPECT_FALSE(is_file_exist(dir.path("g").c_str()));
}

}  // namespace
