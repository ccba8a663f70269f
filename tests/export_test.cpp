
#include <filesystem>
#include <fstream>
#include <limits>
#include <stdexcept>

#include <gtest/gtest.h>

#include "documentCache.h"
#include "nodeset.h"
#include "nodesetBuilder.h"
#include "outputPath.h"
#include "summaryTable.h"
#include "testSupport.h"

namespace fs = std::filesystem;

namespace {
const std::string dataDir = std::string(TEST_DATA_DIR) + "/export/";

// The analysed graph of the merge cases: a write phase with its compute phase,
// an Rx node, a node on core 3 with predecessors in the order 2, 0, and a Tx node.
void buildAnalysedSet(Nodeset& set) {
  buildNodeset(set, {{.name = "a", .core = 0, .traces = {"ta", "tb"}, .release = 3, .deadline = 90},
                     {.name = "write-a", .core = 0, .deps = {0}},
                     {.name = "r", .core = -10, .deps = {1}},
                     {.name = "b", .core = 3, .deps = {2, 0}},
                     {.name = "t", .core = -11}});
  set.setResponseTime(0, 40);
}

class ExportTest : public testing::Test {
 protected:
  const ScratchDir scratch;
  const fs::path dir{scratch.root()};
  DocumentCache documents;
};

class CurrentDirectory {
 public:
  explicit CurrentDirectory(const fs::path& path) : previous(fs::current_path()) {
    fs::current_path(path);
  }
  ~CurrentDirectory() { fs::current_path(previous); }

 private:
  fs::path previous;
};
}  // namespace

TEST_F(ExportTest, EmptySetFreshDocument) {
  Nodeset set;
  EXPECT_EQ(set.exportYAMLString(true, "", documents), "schedulable: 1\nnumOfCores: 0");
}

TEST_F(ExportTest, FreshDocumentKeyOrder) {
  // Sections follow the first node in each; a write phase without a base gets a null accessTo.
  Nodeset set;
  buildNodeset(set, {{.name = "t", .core = -11},
                     {.name = "a", .core = 2, .traces = {"ta"}, .deadline = 9, .noc = {{0, 1, 1}}},
                     {.name = "write-a", .core = 2, .deps = {1}}});
  set.setResponseTime(1, 18446744073709551615ul);
  set.setReleaseDate(2, 7);
  EXPECT_EQ(set.exportYAMLString(true, "", documents),
            "schedulable: 1\n"
            "TxAccesses:\n"
            "  t:\n    assignedTo: -11\n    response: 0\n    release: 0\n    deadline: 0\n"
            "    traceName: \"\"\n    deps: []\n"
            "nodes:\n"
            "  a:\n    assignedTo: 2\n    response: 18446744073709551615\n    release: 0\n"
            "    deadline: 9\n    traceName: ta\n    deps: []\n"
            "  write-a:\n    assignedTo: 2\n    response: 0\n    release: 7\n    deadline: 0\n"
            "    traceName: \"\"\n    deps: [a, noc_a]\n    accessTo: ~\n"
            "RxAccesses:\n"
            "  noc_a:\n    assignedTo: -10\n    response: 0\n    release: 0\n    deadline: 9\n"
            "    traceName: \"\"\n    deps: []\n"
            "numOfCores: 1");
}

TEST_F(ExportTest, BaseMergeKeepsKeyOrderAndUntouchedEntries) {
  Nodeset set;
  buildAnalysedSet(set);
  EXPECT_EQ(set.exportYAMLString(false, dataDir + "base.yaml", documents) + "\n",
            readFile(dataDir + "base_result.yaml"));
}

TEST_F(ExportTest, WritePartnerRule) {
  // "xwrite-y" takes over xy's list, "write-write-lonely" that of "write-lonely",
  // and "write-a", whose partner has no entry, gets null in place of its own value.
  Nodeset set;
  buildNodeset(set, {{.name = "xwrite-y"}, {.name = "write-write-lonely"}, {.name = "write-a"}});
  EXPECT_EQ(set.exportYAMLString(true, dataDir + "partners.yaml", documents) + "\n",
            readFile(dataDir + "partners_result.yaml"));
}

TEST_F(ExportTest, NodesWithOneNameShareAnEntryWithTheLaterValues) {
  Nodeset set;
  buildNodeset(set, {{.name = "a", .noc = {{0, 1, 1}, {1, 1, 1}}}});
  set.setResponseTime(1, 5);
  set.setResponseTime(2, 6);
  const YAML::Node result = YAML::Load(set.exportYAMLString(true, "", documents));
  ASSERT_EQ(result[KEYS::rx].size(), 1u);
  EXPECT_EQ(result[KEYS::rx]["noc_a"][KEYS::response].as<std::string>(), "6");
}

TEST_F(ExportTest, BaseIsLoadedOnlyWhenItsPathHoldsDotYaml) {
  const struct {
    const char* file;
    bool loaded;
  } cases[] = {{"plain.yml", false}, {"plain.yaml.bak", true}};
  Nodeset set;
  buildNodeset(set, {{.name = "a"}});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const YAML::Node result = YAML::Load(set.exportYAMLString(true, dataDir + c.file, documents));
    EXPECT_EQ(result[KEYS::nodes]["other"].IsDefined(), c.loaded);
  }
}

TEST_F(ExportTest, StandardOutputEndsWithOneNewlineAndAFileWithNone) {
  Nodeset set;
  buildAnalysedSet(set);
  const std::string text = set.exportYAMLString(true, dataDir + "base.yaml", documents);

  CapturedStdout capturedOut;
  EXPECT_EQ(set.exportYAML(true, "", dataDir + "base.yaml", documents), 0);
  EXPECT_EQ(capturedOut.text(), text + "\n");

  const fs::path out = dir / "out.yaml";
  std::ofstream(out) << "old content that is longer than nothing";
  EXPECT_EQ(set.exportYAML(true, out.string(), dataDir + "base.yaml", documents), 0);
  EXPECT_EQ(readFile(out), text);
}

TEST_F(ExportTest, OutputNamingTheBaseFileReceivesTheFullResult) {
  const fs::path file = dir / "graph.yaml";
  fs::copy_file(dataDir + "base.yaml", file);
  Nodeset set;
  buildAnalysedSet(set);
  const std::string expected = readFile(dataDir + "base_result.yaml");
  // The second export still merges onto the file as first read in this run.
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(set.exportYAML(false, file.string(), file.string(), documents), 0);
    EXPECT_EQ(readFile(file) + "\n", expected);
  }
}

TEST_F(ExportTest, UnwritableOutputFileFailsTheExport) {
  const std::string paths[] = {(dir / "missing" / "out.yaml").string(), "/dev/full"};
  Nodeset set;
  buildAnalysedSet(set);
  for (const auto& path : paths) {
    SCOPED_TRACE(path);
    CapturedStderr capturedErr;
    EXPECT_EQ(set.exportYAML(true, path, "", documents), 1);
    EXPECT_EQ(capturedErr.text(), "Error: Could not write output file '" + path + "'\n");
  }
}

TEST_F(ExportTest, UnusableBaseFailsTheExportBeforeTheOutputIsOpened) {
  const struct {
    const char* file;
    std::string message;
  } cases[] = {
      {"missing.yaml", ""},
      {"malformed.yaml", ": yaml-cpp: error at line 2, column 1: end of sequence flow not found"},
      {"scalarRoot.yaml", ": the document is not a map"},
      {"scalarSection.yaml", ": 'nodes' is not a map"},
      {"sequenceSection.yaml", ": 'RxAccesses' is not a map"},
      {"scalarEntry.yaml", ": entry 'a' of 'nodes' is not a map"},
  };
  Nodeset set;
  buildAnalysedSet(set);
  const fs::path out = dir / "out.yaml";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string base = dataDir + c.file;
    const std::string kind = c.message.empty() || c.message.starts_with(": yaml-cpp")
                                 ? "Could not read base file '"
                                 : "Unexpected content in base file '";
    const std::string expected = "Error: " + kind + base + "'" + c.message;
    try {
      set.exportYAMLString(true, base, documents);
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(e.what(), expected);
    }
    CapturedStderr capturedErr;
    EXPECT_EQ(set.exportYAML(true, out.string(), base, documents), 1);
    EXPECT_EQ(capturedErr.text(), expected + "\n");
    EXPECT_FALSE(fs::exists(out));
  }
}

TEST_F(ExportTest, EmptyBaseFileStartsFresh) {
  Nodeset set;
  EXPECT_EQ(set.exportYAMLString(false, dataDir + "empty.yaml", documents),
            "schedulable: 0\nnumOfCores: 0");
}

TEST_F(ExportTest, PredecessorOutsideTheSetIsAnError) {
  Nodeset set;
  buildNodeset(set, {{.name = "a", .deps = {1}}});
  EXPECT_THROW(
      {
        try {
          set.exportYAMLString(true, "", documents);
        } catch (const std::runtime_error& e) {
          EXPECT_STREQ(e.what(), "Error: predecessor 1 of node 'a' is not in the node set");
          throw;
        }
      },
      std::runtime_error);
}

TEST(OutputPath, DirectoryOfTheOutputPath) {
  const struct {
    const char* path;
    const char* directory;
  } cases[] = {
      {"out/run/result.yaml", "out/run"},
      {"a\\b\\result.yaml", "a\\b"},
      {"a/b\\c.yaml", "a/b"},
      {"a\\b/c.yaml", "a\\b"},
      {"result.yaml", "."},
      {"/result.yaml", ""},
      {"dir/", "dir"},
      {"", "."},
  };
  for (const auto& c : cases) EXPECT_EQ(outputDirectory(c.path), c.directory) << c.path;
}

TEST(SummaryTable, Rows) {
  const longint_t max = std::numeric_limits<longint_t>::max();
  EXPECT_EQ(SummaryTable::header, "bench,banks,test,time\n");
  EXPECT_EQ(SummaryTable::row("RR", 0ul, "E5: pess", 1200), "RR,0 bank,E5: pess,1200\n");
  EXPECT_EQ(SummaryTable::row("RR", 1ul, "t", max), "RR,1 bank,t,18446744073709551615\n");
  EXPECT_EQ(SummaryTable::row("RR", 2ul, "t", 0), "RR,2 banks,t,0\n");
  EXPECT_EQ(SummaryTable::row("RR", max, "t", 0), "RR,18446744073709551615 banks,t,0\n");
  EXPECT_EQ(SummaryTable::row("RR", 4, "E2: 1-P", "960"), "RR,4 banks,E2: 1-P,960\n");
  EXPECT_EQ(SummaryTable::row("a,b", 1, "t", "5"), "a,b,1 bank,t,5\n");
  EXPECT_EQ(SummaryTable::row("RR", -2, "t", "5"), "RR,-2 bank,t,5\n");
  EXPECT_EQ(SummaryTable::row("RR", 2, "t", "inf"), "RR,2 banks,t,inf\n");
}

TEST_F(ExportTest, CsvFileNamesAndRows) {
  fs::create_directories(dir / "run");
  const std::string out = (dir / "run" / "result.yaml").string();
  Nodeset set;
  buildNodeset(set, {{.name = "n1", .core = 2, .release = 100, .deadline = 300},
                     {.name = "rx", .core = -10, .deadline = 18446744073709551615ul}});
  set.setResponseTime(0, 50);
  set.setResponseTime(1, 140);
  CapturedStdout capturedOut;
  EXPECT_EQ(set.exportCSV(out, "graph", "RR", 4, "E5: pess"), 0);
  const fs::path detail = dir / "run" / "detail_graph.csv";
  const fs::path summary = dir / "run" / "summary_graph.csv";
  EXPECT_EQ(capturedOut.text(), "CSV file generated in " + summary.string() +
                                    "\nCSV file generated in " + detail.string() + "\n");
  EXPECT_EQ(readFile(detail),
            "Task,Core,Release Time, Response Time, Deadline\n"
            "n1,2,100,50,300\n"
            "rx,-10,0,140,18446744073709551615\n");
  EXPECT_EQ(readFile(summary), "bench,banks,test,time\nRR,4 banks,E5: pess,150\n");
}

TEST_F(ExportTest, CsvMakespan) {
  const longint_t max = std::numeric_limits<longint_t>::max();
  const struct {
    const char* what;
    std::vector<std::pair<longint_t, longint_t>> releaseAndResponse;
    longint_t makespan;
  } cases[] = {
      {"empty", {}, 0},
      {"largest finish", {{100, 50}, {0, 140}}, 150},
      {"wraps", {{max, 2}, {0, 0}}, 1},
  };
  const std::string out = (dir / "result.yaml").string();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<NodeSpec> inputs;
    for (const auto& [release, response] : c.releaseAndResponse)
      inputs.push_back({.name = "n", .release = release});
    Nodeset set;
    buildNodeset(set, inputs);
    for (size_t i = 0; i < inputs.size(); ++i)
      set.setResponseTime(static_cast<int>(i), c.releaseAndResponse[i].second);
    CapturedStdout quiet;
    EXPECT_EQ(set.exportCSV(out, "g", "B", 1, "T"), 0);
    quiet.text();
    EXPECT_EQ(readFile(dir / "summary_g.csv"),
              "bench,banks,test,time\nB,1 bank,T," + std::to_string(c.makespan) + "\n");
  }
}

TEST_F(ExportTest, CsvBesideAPathWithoutSeparatorGoesToTheCurrentDirectory) {
  Nodeset set;
  const CurrentDirectory inTemp(dir);
  CapturedStdout capturedOut;
  EXPECT_EQ(set.exportCSV("result.yaml", "g", "B", 2, "T"), 0);
  EXPECT_EQ(capturedOut.text(),
            "CSV file generated in ./summary_g.csv\nCSV file generated in ./detail_g.csv\n");
  EXPECT_EQ(readFile(dir / "detail_g.csv"), "Task,Core,Release Time, Response Time, Deadline\n");
  EXPECT_EQ(readFile(dir / "summary_g.csv"), "bench,banks,test,time\nB,2 banks,T,0\n");
}

TEST_F(ExportTest, CsvIntoAMissingDirectoryFails) {
  const std::string missing = (dir / "missing").string();
  Nodeset set;
  CapturedStdout capturedOut;
  CapturedStderr capturedErr;
  EXPECT_EQ(set.exportCSV(missing + "/result.yaml", "g", "B", 2, "T"), 1);
  EXPECT_EQ(capturedErr.text(), "Error: Could not write output file '" + missing +
                                    "/detail_g.csv'\nError: Could not write output file '" +
                                    missing + "/summary_g.csv'\n");
  EXPECT_EQ(capturedOut.text(), "");
}

TEST_F(ExportTest, ValuesWrittenIntoSharedNodesLandOnlyInTheirOwnEntry) {
  // Node "a" is released at 2000, "b" at 3000; "write-a", where listed, takes a's access list.
  // An entry written is a copy of its own; values not written keep what they share.
  const std::string written = "response: 0, deadline: 0, traceName: \"\", deps: []";
  const std::string newB =
      "  b:\n    assignedTo: 0\n    response: 0\n    release: 3000\n    deadline: 0\n"
      "    traceName: \"\"\n    deps: []\n";
  const std::string end = "schedulable: 1\nnumOfCores: 1";
  const struct {
    const char* what;
    const char* base;
    bool writePhase;
    std::string result;
  } cases[] = {
      {"a root key shared by the releases",
       "start: &R 0\nnodes:\n  a: {release: *R}\n  b: {release: *R}\n", false,
       "start: 0\nnodes:\n  a: {release: 2000, assignedTo: 0, " + written +
           "}\n  b: {release: 3000, assignedTo: 0, " + written + "}\n" + end},
      {"one entry for two nodes", "nodes:\n  a: &E {release: 5}\n  b: *E\n", false,
       "nodes:\n  a: {release: 2000, assignedTo: 0, " + written +
           "}\n  b: {release: 3000, assignedTo: 0, " + written + "}\n" + end},
      {"an entry shared with one outside the node set",
       "nodes:\n  a: &E\n    release: 5\n    order: 1\n  c: *E\n", false,
       "nodes:\n  a:\n    release: 2000\n    order: 1\n    assignedTo: 0\n    response: 0\n"
       "    deadline: 0\n    traceName: \"\"\n    deps: []\n  c:\n    release: 5\n    order: 1\n" +
           newB + end},
      {"a value shared outside the entry written",
       "p: &P 7\nnodes:\n  a: {order: *P}\n  c: {order: *P}\n", false,
       "p: &1 7\nnodes:\n  a: {order: 7, assignedTo: 0, response: 0, release: 2000, deadline: 0, "
       "traceName: \"\", deps: []}\n  c: {order: *1}\n" +
           newB + end},
      {"a predecessor list shared with an entry outside the node set",
       "nodes:\n  a: {deps: &D [c]}\n  c: {deps: *D}\n", false,
       "nodes:\n  a: {deps: [], assignedTo: 0, response: 0, release: 2000, deadline: 0, "
       "traceName: \"\"}\n  c: {deps: [c]}\n" +
           newB + end},
      {"an access list shared with a root key", "lists: &L [x]\nnodes:\n  a: {accessTo: *L}\n",
       true,
       "lists: [x]\nnodes:\n  a: {assignedTo: 0, response: 0, release: 2000, deadline: 0, "
       "traceName: \"\", deps: []}\n" +
           newB +
           "  write-a:\n    assignedTo: 0\n    response: 0\n    release: 0\n    deadline: 0\n"
           "    traceName: \"\"\n    deps: []\n    accessTo: [x]\n" +
           end},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DocumentCache caseDocuments;
    const fs::path base = dir / "base.yaml";
    std::ofstream(base) << c.base;
    std::vector<NodeSpec> inputs = {{.name = "a", .release = 2000}, {.name = "b", .release = 3000}};
    if (c.writePhase) inputs.push_back({.name = "write-a"});
    Nodeset set;
    buildNodeset(set, inputs);
    EXPECT_EQ(set.exportYAMLString(true, base.string(), caseDocuments), c.result);
  }
}
