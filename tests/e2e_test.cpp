// Both programs run as a user runs them, on the small files in tests/data/e2e:
// standard output, standard error, the files written and the exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "inputFixtures.h"
#include "keys.h"
#include "programRun.h"

namespace {

const std::string data = std::string(TEST_DATA_DIR) + "/e2e";

using Fields = std::vector<std::pair<std::string, std::string>>;

// text with every occurrence of each field's key replaced by its value.
std::string fill(std::string text, const Fields& fields) {
  for (const auto& [key, value] : fields)
    for (std::size_t at = text.find(key); at != std::string::npos;
         at = text.find(key, at + value.size()))
      text.replace(at, key.size(), value);
  return text;
}

// Replaces "{data}" by the fixture directory and "{tmp}" by the scratch directory.
std::string expand(const std::string& text, const std::string& tmp) {
  return fill(text, {{"{data}", data}, {"{tmp}", tmp}});
}

std::string banner(const std::string& text) {
  const std::string rule(72, '-');
  return "\n" + rule + "\n" + text + "\n" + rule + "\n\n";
}

const std::string welcome = banner("Welcome to the prototype version of the Fenlowe!");
const std::string goodbye = banner(std::string(32, ' ') + "Goodbye!" + std::string(32, ' '));
const std::string failed = "Error: configuration could not be analysed.\n";

std::string archAdded(const std::string& arch) {
  return " ARCH ADDED: {data}/arch/" + arch + ".yaml\n";
}

std::string verdict(const std::string& nodeset, const std::string& proc, bool schedulable) {
  return " Taskset '" + nodeset + "' " +
         (schedulable ? "\033[1;32mis schedulable " : "\033[1;33mis NOT schedulable ") +
         "\033[0mon processor '" + proc + "' !\n";
}

std::string searchResult(const std::string& test, const std::string& value,
                         const std::string& bus) {
  return "Analysis '" + test + "' is \033[1;32mschedulable at: " + value +
         "\033[0m\n \t with the bus '" + bus + "'\n";
}

std::string flag(bool value) { return value ? "1" : "0"; }

// The result of pair.yaml: a on core 0, then b on core 1, each with response
// time r; b is released when a finishes.
std::string pairResult(longint_t deadline, longint_t r, bool schedulable) {
  return fill(
      "numOfCores: 2\nmulti_rate_sched_test: [pair]\nnodes:\n"
      "  a: {assignedTo: 0, traceName: work, release: 0, deadline: $D, response: $R, deps: []}\n"
      "  b: {assignedTo: 1, traceName: work, release: $R, deadline: $D, deps: [a], response: $R}\n"
      "schedulable: $S",
      {{"$D", std::to_string(deadline)}, {"$R", std::to_string(r)}, {"$S", flag(schedulable)}});
}

// The result of a one-node factor file as the last search step left it.
std::string factorResult(longint_t wcet, longint_t deadline, bool schedulable) {
  return fill(
      "newFormat: true\nnumOfCores: 1\nmulti_rate_sched_test: [factor]\nnodes:\n"
      "  n: {assignedTo: 0, wcet: $W, release: 0, deadline: $D, response: $W, traceName: \"\", "
      "deps: []}\nschedulable: $S",
      {{"$W", std::to_string(wcet)}, {"$D", std::to_string(deadline)}, {"$S", flag(schedulable)}});
}

std::string summary(const std::vector<std::string>& rows) {
  std::string text = "bench,banks,test,time\n";
  for (const std::string& row : rows) text += row + "\n";
  return text;
}

struct RunCase {
  const char* name;
  std::string words;  // with {data} and {tmp}
  std::string out;
  std::string err;
  int status;
  std::vector<std::pair<std::string, std::string>> files;  // written in {tmp}: name, content
  std::vector<std::string> absent;                         // not written in {tmp}
  std::string setUp = "";  // a directory made in {tmp} before the run, to block a file
};

// Runs every case in its own scratch directory, which is also the working
// directory, and checks output, status and files.
void checkRuns(const std::string& program, const std::vector<RunCase>& cases) {
  for (const RunCase& c : cases) {
    SCOPED_TRACE(c.name);
    const ScratchDir scratch;
    const std::string tmp = std::filesystem::path(scratch.path("x")).parent_path().string();
    if (!c.setUp.empty()) std::filesystem::create_directories(scratch.path(c.setUp));
    const ProgramRun run = runProgram(program, expand(c.words, tmp), tmp);
    EXPECT_EQ(run.out, expand(c.out, tmp));
    EXPECT_EQ(run.err, expand(c.err, tmp));
    EXPECT_EQ(run.status, c.status);
    for (const auto& [file, content] : c.files) {
      EXPECT_TRUE(std::filesystem::is_regular_file(scratch.path(file))) << file;
      EXPECT_EQ(readFile(scratch.path(file)), expand(content, tmp)) << file;
    }
    for (const std::string& file : c.absent)
      EXPECT_FALSE(std::filesystem::exists(scratch.path(file))) << file;
  }
}

const std::string pairOn =
    "-ts {data}/nodesets/pair.yaml -profiles {data}/profiles -o {tmp}/out.yaml";
const std::vector<std::string> noCSV = {"detail_pair.csv", "summary_pair.csv"};

TEST(Tollbrig, AnalysesEveryArchitectureAndWritesItsResults) {
  const std::string usage = readFile(std::string(TEST_DATA_DIR) + "/config/usage.txt");
  const std::string fastResult = pairResult(60, 10, true);
  const std::string slowResult = pairResult(60, 40, false);
  const auto csvLines = [](const std::string& dir) {
    return "CSV file generated in " + dir + "/summary_pair.csv\nCSV file generated in " + dir +
           "/detail_pair.csv\n";
  };
  const std::string detail =
      "Task,Core,Release Time, Response Time, Deadline\na,0,0,10,60\nb,1,10,10,60\n";
  checkRuns(
      TOLLBRIG_BIN,
      {
          {"default layout",
           pairOn + " -arch {data}/arch/fast.yaml",
           archAdded("fast") + welcome + "Start Analysis.\nResponseTimeAnalysis done.\n" +
               verdict("pair", "fast", true) + "Analysis finished successfully.\n" + goodbye,
           "",
           0,
           {{"out.yaml", fastResult}},
           noCSV},
          {"two architectures: the output file holds the second one's result",
           pairOn + " -arch {data}/arch/fast.yaml -arch {data}/arch/slow.yaml",
           archAdded("fast") + archAdded("slow") + welcome + "Start Analysis.\n" +
               "ResponseTimeAnalysis done.\n" + verdict("pair", "fast", true) +
               "ResponseTimeAnalysis done.\n" + verdict("pair", "slow", false) +
               "Analysis finished successfully.\n" + goodbye,
           "",
           0,
           {{"out.yaml", slowResult}},
           noCSV},
          {"-silent keeps only the verdict lines",
           "-silent " + pairOn + " -arch {data}/arch/fast.yaml -arch {data}/arch/slow.yaml",
           verdict("pair", "fast", true) + verdict("pair", "slow", false),
           "",
           0,
           {{"out.yaml", slowResult}},
           noCSV},
          {"-csv on a schedulable node set",
           "-silent -csv " + pairOn + " -arch {data}/arch/fast.yaml",
           verdict("pair", "fast", true) + csvLines("{tmp}"),
           "",
           0,
           {{"out.yaml", fastResult},
            {"detail_pair.csv", detail},
            {"summary_pair.csv", summary({"Vesk,2 banks,E0: opt,20"})}},
           {}},
          {"-csv on a node set that is not schedulable",
           "-silent -csv " + pairOn + " -arch {data}/arch/slow.yaml",
           verdict("pair", "slow", false),
           "",
           0,
           {{"out.yaml", slowResult}},
           noCSV},
          {"a bare output name writes beside it, in the working directory",
           "-silent -csv -ts {data}/nodesets/pair.yaml -profiles {data}/profiles -o out.yaml "
           "-arch {data}/arch/fast.yaml",
           verdict("pair", "fast", true) + csvLines("."),
           "",
           0,
           {{"out.yaml", fastResult}, {"detail_pair.csv", detail}},
           {}},
          {"newFormat layout: demands from the file, no profile read, a fresh result document",
           "-silent -ts {data}/nodesets/graph.yaml -arch {data}/arch/fast.yaml "
           "-profiles {tmp}/none -o {tmp}/out.yaml",
           verdict("graph", "fast", true),
           "",
           0,
           {{"out.yaml",
             "schedulable: 1\nnodes:\n"
             "  src:\n    assignedTo: 0\n    response: 30\n    release: 0\n    deadline: 100\n"
             "    traceName: work\n    deps: []\n"
             "  dst:\n    assignedTo: 1\n    response: 50\n    release: 30\n    deadline: 100\n"
             "    traceName: work\n    deps: [src]\n"
             "numOfCores: 2"}},
           {}},
          {"no -ts: the banners only",
           "-arch {data}/arch/fast.yaml -profiles {data}/profiles -o {tmp}/out.yaml",
           archAdded("fast") + welcome + goodbye,
           "",
           0,
           {},
           {"out.yaml"}},
          {"--help ends a complete command line before any analysis",
           pairOn + " -arch {data}/arch/fast.yaml --help",
           archAdded("fast") + usage,
           "",
           0,
           {},
           {"out.yaml"}},
          {"-dot is refused",
           "-silent -dot " + pairOn + " -arch {data}/arch/fast.yaml",
           "Quorl is not compiled with Boost\n",
           "Error: initialization of taskset failed.\n" + failed,
           1,
           {},
           {"out.yaml"}},
          {"a failing second definition keeps the first one's verdict and result",
           "-silent " + pairOn + " -arch {data}/arch/fast.yaml -arch {data}/arch/missing.yaml",
           verdict("pair", "fast", true),
           "Error: Could not open processor definition '{data}/arch/missing.yaml'\n"
           "Error: initialization of processor failed.\n" +
               failed,
           1,
           {{"out.yaml", fastResult}},
           {}},
          {"an output file that cannot be written fails the definition",
           "-silent -ts {data}/nodesets/pair.yaml -profiles {data}/profiles -o {tmp}/no/out.yaml "
           "-arch {data}/arch/fast.yaml -arch {data}/arch/slow.yaml",
           verdict("pair", "fast", true),
           "Error: Could not write output file '{tmp}/no/out.yaml'\n" + failed,
           1,
           {},
           {}},
          {"nodes on cores at both ends of the int range count as cores outside the processor",
           "-silent -ts {data}/nodesets/coreIds.yaml -profiles {data}/profiles "
           "-o {tmp}/out.yaml -arch {data}/arch/slow.yaml",
           verdict("coreIds", "slow", false),
           "",
           0,
           {{"out.yaml",
             "numOfCores: 3\nmulti_rate_sched_test: [coreIds]\nnodes:\n"
             "  a: {assignedTo: 2147483647, traceName: work, release: 0, deadline: 60, "
             "response: 40, deps: []}\n"
             "  b: {assignedTo: -2147483648, traceName: work, release: 0, deadline: 60, "
             "response: 40, deps: []}\n"
             "  c: {assignedTo: 0, traceName: work, release: 40, deadline: 60, deps: [a, b], "
             "response: 40}\nschedulable: 0"}},
           {}},
          {"a CSV file that cannot be written fails the definition",
           "-silent -csv " + pairOn + " -arch {data}/arch/fast.yaml",
           verdict("pair", "fast", true) + "CSV file generated in {tmp}/summary_pair.csv\n",
           "Error: Could not write output file '{tmp}/detail_pair.csv'\n" + failed,
           1,
           {{"out.yaml", fastResult}},
           {},
           "detail_pair.csv"},
      });
}

// The lines of text that do not start with one of the prefixes, and the
// number of lines that start with counted.
struct Filtered {
  std::string kept;
  int counted = 0;
};

Filtered filterLines(const std::string& text, const std::vector<std::string>& dropped,
                     const std::string& counted) {
  Filtered result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(counted, 0) == 0) ++result.counted;
    bool drop = false;
    for (const std::string& prefix : dropped) drop = drop || line.rfind(prefix, 0) == 0;
    if (!drop) result.kept += line + "\n";
  }
  return result;
}

TEST(Marrowick, BisectsForTheSmallestSchedulableFactor) {
  const std::string releaseLine = "Release Date Fixed-Point: ";
  // The analysis reports each step with one release-date line at -vv and above.
  const std::vector<std::string> analysisLines = {"WCRT Computation Fixed-Point: ", releaseLine,
                                                  "\033[1;31m Task '", " Task '"};
  const struct {
    const char* name;
    const char* nodeset;
    const char* verbosity;
    int steps;
    std::string out;
    std::string lastStep;  // the output file
    std::string row;       // of the summary file
  } cases[] = {
      {"smallest factor 1: 14 steps, the last one tries 0", "factor1", "-vv", 14,
       searchResult("E0: opt", "1", "PerfectBus"), factorResult(1, 0, false),
       "Vesk,1 bank,E0: opt,1"},
      {"smallest factor 5000: 13 steps, the last one tries 4999", "factor5000", "-vv", 13,
       searchResult("E0: opt", "5000", "PerfectBus"), factorResult(5000, 4999, false),
       "Vesk,1 bank,E0: opt,5000"},
      {"smallest factor 9999: 13 steps, the last one tries it", "factor9999", "-vv", 13,
       searchResult("E0: opt", "9999", "PerfectBus"), factorResult(9999, 9999, true),
       "Vesk,1 bank,E0: opt,9999"},
      {"no factor below 10000", "noFactor", "-vvv", 13,
       searchResult("E0: opt", "inf", "PerfectBus") + " [min,max] = [10000,10000]\n",
       factorResult(10000, 9999, false), "Vesk,1 bank,E0: opt,inf"},
      {"release dates scale with the deadlines", "released", "-vv", 14,
       searchResult("E0: opt", "55", "PerfectBus"),
       "newFormat: true\nnumOfCores: 1\nmulti_rate_sched_test: [factor]\nnodes:\n"
       "  n: {assignedTo: 0, wcet: 5, release: 50, deadline: 55, response: 5, traceName: \"\", "
       "deps: []}\nschedulable: 1",
       "Vesk,1 bank,E0: opt,55"},
      {"scaled dates past 2^64 - 1 stay there and miss", "saturated", "-vvv", 13,
       searchResult("E0: opt", "inf", "PerfectBus") +
           " [min,max] = [18446744073709551615,18446744073709551615]\n",
       "newFormat: true\nnumOfCores: 1\nmulti_rate_sched_test: [factor]\nnodes:\n"
       "  n: {assignedTo: 0, wcet: 10, release: 18446744073709551615, deadline: "
       "18446744073709551615, response: 10, traceName: \"\", deps: []}\nschedulable: 0",
       "Vesk,1 bank,E0: opt,inf"},
      {"the largest deadline keeps 64 bits", "wideDeadline", "-vvv", 14,
       searchResult("E0: opt", "4294967301", "PerfectBus") +
           " [min,max] = [4294967301,4294967301]\n",
       "newFormat: true\nnumOfCores: 2\nmulti_rate_sched_test: [factor]\nnodes:\n"
       "  wide: {assignedTo: 0, wcet: 4294967301, release: 0, deadline: 0, response: 4294967301, "
       "traceName: \"\", deps: []}\n"
       "  small: {assignedTo: 1, wcet: 7, release: 0, deadline: 0, response: 7, traceName: \"\", "
       "deps: []}\nschedulable: 0",
       "Vesk,2 banks,E0: opt,4294967301"},
      {"the reported period saturates at 64 bits", "hugeDeadline", "-vvv", 13,
       searchResult("E0: opt", "18446744073709551615", "PerfectBus") +
           " [min,max] = [18446744073709551615,18446744073709551615]\n",
       "newFormat: true\nnumOfCores: 2\nmulti_rate_sched_test: [factor]\nnodes:\n"
       "  idle: {assignedTo: 0, wcet: 0, release: 0, deadline: 18446744073709551615, response: 0, "
       "traceName: \"\", deps: []}\n"
       "  busy: {assignedTo: 1, wcet: 5000, release: 0, deadline: 4999, response: 5000, "
       "traceName: \"\", deps: []}\nschedulable: 0",
       "Vesk,2 banks,E0: opt,18446744073709551615"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ScratchDir scratch;
    // The verbosity comes after "-arch", which then prints no ARCH ADDED line.
    const std::string words = "-silent -ts " + data + "/nodesets/" + c.nodeset + ".yaml -arch " +
                              data + "/arch/fast.yaml -profiles " + data + "/profiles -o " +
                              scratch.path("out.yaml") + " " + c.verbosity;
    const ProgramRun run = runProgram(MARROWICK_BIN, words);
    const Filtered out = filterLines(run.out, analysisLines, releaseLine);
    EXPECT_EQ(out.counted, c.steps);
    EXPECT_EQ(out.kept, c.out);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(readFile(scratch.path("out.yaml")), c.lastStep);
    EXPECT_EQ(readFile(scratch.path(std::string("summary_") + c.nodeset + ".csv")),
              summary({c.row}));
  }
}

TEST(Marrowick, SearchesEveryArchitectureAndWritesItsSummary) {
  const std::string fastRow = "Vesk,2 banks,E0: opt,60";
  const std::string slowRow = "RR,2 banks,E2: 1-P,120";
  const std::string fastResult = searchResult("E0: opt", "60", "PerfectBus");
  // Factor 0 is the last step on fast, factor 1 on slow; neither is schedulable.
  const std::string fastLastStep = pairResult(0, 10, false);
  const std::string slowLastStep = pairResult(60, 40, false);
  checkRuns(
      MARROWICK_BIN,
      {
          {"two architectures: two results, two rows, the second one's last step",
           pairOn + " -arch {data}/arch/fast.yaml -arch {data}/arch/slow.yaml",
           archAdded("fast") + archAdded("slow") + fastResult +
               searchResult("E2: 1-P", "120", "BusRR"),
           "",
           0,
           {{"out.yaml", slowLastStep}, {"summary_pair.csv", summary({fastRow, slowRow})}},
           {}},
          {"-silent and -csv change nothing but the ARCH ADDED line",
           "-silent -csv " + pairOn + " -arch {data}/arch/fast.yaml",
           fastResult,
           "",
           0,
           {{"out.yaml", fastLastStep}, {"summary_pair.csv", summary({fastRow})}},
           {"detail_pair.csv"}},
          {"-cw labels the two-phase model",
           "-silent -cw " + pairOn + " -arch {data}/arch/slow.yaml",
           searchResult("E1: 2-P", "120", "BusRR"),
           "",
           0,
           {{"summary_pair.csv", summary({"RR,2 banks,E1: 2-P,120"})}},
           {}},
          {"a bare output name puts the summary in the working directory",
           "-silent -ts {data}/nodesets/pair.yaml -profiles {data}/profiles -o out.yaml "
           "-arch {data}/arch/fast.yaml",
           fastResult,
           "",
           0,
           {{"out.yaml", fastLastStep}, {"summary_pair.csv", summary({fastRow})}},
           {}},
          {"no -ts: nothing but the ARCH ADDED line",
           "-arch {data}/arch/fast.yaml -profiles {data}/profiles -o {tmp}/out.yaml",
           archAdded("fast"),
           "",
           0,
           {},
           {"out.yaml"}},
          {"a node set without multi_rate_sched_test",
           "-silent -ts {data}/nodesets/plain.yaml -profiles {data}/profiles -o {tmp}/out.yaml "
           "-arch {data}/arch/fast.yaml",
           "",
           "Error: wrong file format.\n" + failed,
           1,
           {},
           {"out.yaml", "summary_plain.csv"}},
          {"-dot is refused before the node set is read",
           "-silent -dot " + pairOn + " -arch {data}/arch/fast.yaml",
           "",
           "Error: wrong file format.\n" + failed,
           1,
           {},
           {"out.yaml"}},
          {"a failing second definition keeps the first one's result but writes no summary",
           "-silent " + pairOn + " -arch {data}/arch/fast.yaml -arch {data}/arch/missing.yaml",
           fastResult,
           "Error: Could not open processor definition '{data}/arch/missing.yaml'\n"
           "Error: initialization of processor failed.\n" +
               failed,
           1,
           {{"out.yaml", fastLastStep}},
           {"summary_pair.csv"}},
          {"an output file that cannot be written fails the definition",
           "-silent -ts {data}/nodesets/pair.yaml -profiles {data}/profiles -o {tmp}/no/out.yaml "
           "-arch {data}/arch/fast.yaml",
           "",
           "Error: Could not write output file '{tmp}/no/out.yaml'\n" + failed,
           1,
           {},
           {}},
          {"a summary file that cannot be written fails the run",
           "-silent " + pairOn + " -arch {data}/arch/fast.yaml",
           fastResult,
           "Error: Could not write output file '{tmp}/summary_pair.csv'\n" + failed,
           1,
           {{"out.yaml", fastLastStep}},
           {},
           "summary_pair.csv"},
      });
}

TEST(BothPrograms, RunOnTheShippedExample) {
  const std::string examples = std::string(TEST_DATA_DIR) + "/../../examples";
  const std::string inputs =
      " -arch " + examples + "/quad.yaml -profiles " + examples + "/profiles";
  const ScratchDir scratch;
  const struct {
    const char* program;
    std::string words;
    std::string out;
  } cases[] = {
      {TOLLBRIG_BIN, "-ts " + examples + "/camera.yaml", verdict("camera", "quad", true)},
      {TOLLBRIG_BIN, "-ts " + examples + "/camera-graph.yaml",
       verdict("camera-graph", "quad", true)},
      {MARROWICK_BIN, "-ts " + examples + "/camera.yaml",
       searchResult("E2: 1-P", "60000", "BusVesk")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.words);
    const ProgramRun run =
        runProgram(c.program, "-silent " + c.words + inputs + " -o " + scratch.path("out.yaml"));
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
  }
}

// Under -old the example's release dates alternate between two states.
TEST(BothPrograms, ShippedExampleDoesNotConvergeUnderOld) {
  const std::string examples = std::string(TEST_DATA_DIR) + "/../../examples";
  const ScratchDir scratch;
  for (const char* program : {TOLLBRIG_BIN, MARROWICK_BIN}) {
    SCOPED_TRACE(program);
    const ProgramRun run =
        runProgram(program, "-silent -old -ts " + examples + "/camera.yaml -arch " + examples +
                                "/quad.yaml -profiles " + examples + "/profiles -o " +
                                scratch.path("out.yaml"));
    EXPECT_EQ(run.err,
              "Error: the analysis does not converge.\nError: analysis failed.\n" + failed);
    EXPECT_EQ(run.status, 1);
  }
}

TEST(BothPrograms, OutputFileNamingTheNodeSetFileIsNotReadBack) {
  // Were the result of the first definition read as the node set of the
  // second, b would start at 40 on fast, and the search on slow would start
  // from deadlines scaled by 0.
  const struct {
    const char* name;
    const char* program;
    const char* archs;
    std::string out;
    std::string result;
  } cases[] = {
      {"Tollbrig", TOLLBRIG_BIN, "slow fast",
       verdict("pair", "slow", false) + verdict("pair", "fast", true), pairResult(60, 10, true)},
      {"Marrowick", MARROWICK_BIN, "fast slow",
       searchResult("E0: opt", "60", "PerfectBus") + searchResult("E2: 1-P", "120", "BusRR"),
       pairResult(60, 40, false)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ScratchDir scratch;
    const std::string nodeset = scratch.write("pair.yaml", readFile(data + "/nodesets/pair.yaml"));
    std::string archs;
    std::istringstream names(c.archs);
    for (std::string name; names >> name;) archs += " -arch " + data + "/arch/" + name + ".yaml";
    const ProgramRun run = runProgram(c.program, "-silent -ts " + nodeset + archs + " -profiles " +
                                                     data + "/profiles -o " + nodeset);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(readFile(nodeset), c.result);
  }
}

TEST(BothPrograms, TablesThatWouldReplaceTheResultFileAreNotWritten) {
  namespace fs = std::filesystem;
  const auto refused = [](const std::string& path, const std::string& result) {
    return "Error: Could not write output file '{tmp}/" + path + "': it is the result file '" +
           result + "'\n" + failed;
  };
  const auto symlinkTo = [](const char* target) {
    return [target](const fs::path& tmp) { fs::create_symlink(target, tmp / "out.yaml"); };
  };
  const auto hardLinkTo = [](const char* target) {
    return [target](const fs::path& tmp) {
      std::ofstream(tmp / target) << "old";
      fs::create_hard_link(tmp / target, tmp / "out.yaml");
    };
  };
  const std::string tollbrigRun = verdict("pair", "fast", true) + "CSV file generated in {tmp}/";
  const struct {
    const char* name;
    const char* program;
    std::string output;  // the -o path, with {tmp}
    std::function<void(const fs::path&)> prepare;
    const char* resultFile;  // where the result YAML lands
    std::string out;
    std::string err;
    std::vector<std::string> written;  // the other table, which is still written
  } cases[] = {
      {"summary table",
       TOLLBRIG_BIN,
       "{tmp}/summary_pair.csv",
       nullptr,
       "summary_pair.csv",
       tollbrigRun + "detail_pair.csv\n",
       refused("summary_pair.csv", "{tmp}/summary_pair.csv"),
       {"detail_pair.csv"}},
      {"detail table",
       TOLLBRIG_BIN,
       "{tmp}/detail_pair.csv",
       nullptr,
       "detail_pair.csv",
       tollbrigRun + "summary_pair.csv\n",
       refused("detail_pair.csv", "{tmp}/detail_pair.csv"),
       {"summary_pair.csv"}},
      {"spelt with ./",
       TOLLBRIG_BIN,
       "{tmp}/./summary_pair.csv",
       nullptr,
       "summary_pair.csv",
       verdict("pair", "fast", true) + "CSV file generated in {tmp}/./detail_pair.csv\n",
       "Error: Could not write output file '{tmp}/./summary_pair.csv': it is the result file "
       "'{tmp}/./summary_pair.csv'\n" +
           failed,
       {"detail_pair.csv"}},
      {"through a symbolic link",
       TOLLBRIG_BIN,
       "{tmp}/out.yaml",
       symlinkTo("summary_pair.csv"),
       "summary_pair.csv",
       tollbrigRun + "detail_pair.csv\n",
       refused("summary_pair.csv", "{tmp}/out.yaml"),
       {"detail_pair.csv"}},
      {"through a hard link",
       TOLLBRIG_BIN,
       "{tmp}/out.yaml",
       hardLinkTo("detail_pair.csv"),
       "detail_pair.csv",
       tollbrigRun + "summary_pair.csv\n",
       refused("detail_pair.csv", "{tmp}/out.yaml"),
       {"summary_pair.csv"}},
      {"Marrowick's summary file",
       MARROWICK_BIN,
       "{tmp}/summary_pair.csv",
       nullptr,
       "summary_pair.csv",
       searchResult("E0: opt", "60", "PerfectBus"),
       refused("summary_pair.csv", "{tmp}/summary_pair.csv"),
       {}},
      {"Marrowick's summary file through a symbolic link",
       MARROWICK_BIN,
       "{tmp}/out.yaml",
       symlinkTo("summary_pair.csv"),
       "summary_pair.csv",
       searchResult("E0: opt", "60", "PerfectBus"),
       refused("summary_pair.csv", "{tmp}/out.yaml"),
       {}},
  };
  const std::string tollbrigResult = pairResult(60, 10, true);
  const std::string marrowickResult = pairResult(0, 10, false);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ScratchDir scratch;
    const fs::path tmp = fs::path(scratch.path("x")).parent_path();
    if (c.prepare) c.prepare(tmp);
    const ProgramRun run =
        runProgram(c.program, "-silent -csv -ts " + data + "/nodesets/pair.yaml -arch " + data +
                                  "/arch/fast.yaml -profiles " + data + "/profiles -o " +
                                  expand(c.output, tmp.string()));
    EXPECT_EQ(run.out, expand(c.out, tmp.string()));
    EXPECT_EQ(run.err, expand(c.err, tmp.string()));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(readFile(tmp / c.resultFile),
              c.program == std::string(TOLLBRIG_BIN) ? tollbrigResult : marrowickResult);
    for (const std::string& table : c.written) {
      const std::string header = table.starts_with("detail_") ? "Task," : "bench,";
      EXPECT_TRUE(readFile(tmp / table).starts_with(header)) << table;
    }
  }
}

TEST(BothPrograms, ReportFaultyInputAndFail) {
  const std::string processorFailed = "Error: initialization of processor failed.\n" + failed;
  const std::string tasksetFailed = "Error: initialization of taskset failed.\n" + failed;
  const std::string traceFailed = "Error: initialization of trace parameter failed.\n" + failed;
  const auto red = [](const std::string& text) { return "\033[1;31m" + text + "\033[0m\n"; };
  const struct {
    const char* name;
    const char* nodeset;
    const char* arch;
    const char* options;
    std::string err;
  } cases[] = {
      {"missing architecture file", "pair", "missing", "",
       "Error: Could not open processor definition '{data}/arch/missing.yaml'\n" + processorFailed},
      {"malformed architecture file", "pair", "malformed", "",
       "Error: invalid processor definition '{data}/arch/malformed.yaml': yaml-cpp: error at line "
       "2, column 1: end of sequence flow not found\n" +
           processorFailed},
      {"architecture file without a delay", "pair", "missingDelay", "",
       "Error: invalid processor definition '{data}/arch/missingDelay.yaml': missing key "
       "'memDelay'\n" +
           processorFailed},
      {"unknown bus model", "pair", "unknownBus", "",
       "Invalid bus selected: 'BusNope'\nBus'XX': 'XX' in {RR,FP,PP,FIFO,Vesk}\n"
       "  for 'pessimistic' and 'no-release' configs: 'XX' in {PessRR,RRnr, PessVesk, Vesknr}\n"
       "Error: invalid processor definition '{data}/arch/unknownBus.yaml': unknown bus model "
       "'BusNope'\n" +
           processorFailed},
      {"unknown memory model", "pair", "unknownMemory", "",
       "Invalid memory selected: 'Flash'\nError: invalid processor definition "
       "'{data}/arch/unknownMemory.yaml': cannot build 'MemoryDATA'\n" +
           processorFailed},
      {"cache without sets", "pair", "badCache", "",
       "Invalid memory parameters for 'Cache': number of sets 0 is below 1\nError: invalid "
       "processor definition '{data}/arch/badCache.yaml': cannot build 'MemoryDATA'\n" +
           processorFailed},
      {"architecture value of the wrong type", "pair", "wrongType", "",
       "Error: invalid processor definition '{data}/arch/wrongType.yaml': 'memDelay' is not an "
       "int (line 3, column 11)\n" +
           processorFailed},
      {"clusters that are not a sequence", "pair", "badClusters", "",
       "Error: invalid processor definition '{data}/arch/badClusters.yaml': 'clusters' is not a "
       "sequence (line 9, column 11)\n" +
           processorFailed},
      {"text layout cut short", "pair", "textCut", "",
       "Error: invalid processor definition '{data}/arch/textCut.yaml': the text layout ends "
       "before the bus model name\n" +
           processorFailed},
      {"negative delay in the architecture file", "pair", "negativeDelay", "",
       "Error: invalid value for 'burstDelay': -16\n" + processorFailed},
      {"negative delay on the command line", "pair", "fast", "-memDelay -3",
       "Error: invalid value for 'memDelay': -3\n" + processorFailed},
      {"missing node-set file", "missing", "fast", "",
       "Error: invalid node-set file '{data}/nodesets/missing.yaml': the file cannot be opened\n" +
           processorFailed},
      {"malformed node-set file", "malformed", "fast", "",
       "Error: invalid node-set file '{data}/nodesets/malformed.yaml': yaml-cpp: error at line 4, "
       "column 1: end of sequence flow not found\n" +
           processorFailed},
      {"node-set file without numOfCores", "missingCores", "fast", "",
       "Error: invalid node-set file '{data}/nodesets/missingCores.yaml': missing key "
       "'numOfCores'\n" +
           processorFailed},
      {"negative numOfCores", "negativeCores", "fast", "",
       "Error: invalid value for 'numOfCores': -2\n" + processorFailed},
      {"node without release", "missingRelease", "fast", "",
       red("yaml-cpp: error at line 4, column 3: Missing release in node a") + tasksetFailed},
      {"node without assignedTo", "missingAssignedTo", "fast", "",
       red("yaml-cpp: error at line 4, column 3: Missing assignedTo in node a") + tasksetFailed},
      {"node without traceName", "missingTraceName", "fast", "",
       red("yaml-cpp: error at line 4, column 3: Missing traceName in node a") + tasksetFailed},
      {"Rx element without deadline", "missingRxDeadline", "fast", "",
       red("yaml-cpp: error at line 6, column 3: Missing deadline in in") + tasksetFailed},
      {"unknown predecessor", "unknownDep", "fast", "",
       red("yaml-cpp: error at line 4, column 72: Unknown element ghost in node a") +
           tasksetFailed},
      {"unknown edge end", "unknownEdge", "fast", "",
       red("yaml-cpp: error at line 7, column 21: Unknown element ghost in edge e") +
           tasksetFailed},
      {"graph layout with Rx elements", "graphRx", "fast", "",
       red("yaml-cpp: error at line 8, column 3: RxAccesses entries are not supported in the "
           "newFormat layout") +
           tasksetFailed},
      {"graph layout with -cw", "graph", "fast", "-cw",
       red("The option -cw is not supported with the newFormat layout") + tasksetFailed},
      {"duplicate element name", "duplicate", "fast", "",
       red("yaml-cpp: error at line 6, column 3: Duplicate element name a") + tasksetFailed},
      {"missing profile", "missingProfile", "fast", "",
       "  Trace file for trace 'absent' not found.\n" + traceFailed},
      {"malformed profile", "malformedProfile", "fast", "",
       "Error: invalid profile '{data}/profiles/fast/broken.yaml': yaml-cpp: error at line 2, "
       "column 1: end of sequence flow not found\n" +
           traceFailed},
      {"dependency cycle", "cycle", "fast", "",
       "Error: dependency cycle through node 'a'.\nError: analysis failed.\n" + failed},
  };
  for (const char* program : {TOLLBRIG_BIN, MARROWICK_BIN}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(program) + ": " + c.name);
      const ScratchDir scratch;
      const std::string words = std::string("-silent ") + c.options + " -ts " + data +
                                "/nodesets/" + c.nodeset + ".yaml -arch " + data + "/arch/" +
                                c.arch + ".yaml -profiles " + data + "/profiles -o " +
                                scratch.path("out.yaml");
      const ProgramRun run = runProgram(program, words);
      EXPECT_EQ(run.out, "");
      EXPECT_EQ(run.err, expand(c.err, ""));
      EXPECT_EQ(run.status, 1);
      EXPECT_FALSE(std::filesystem::exists(scratch.path("out.yaml")));
    }
  }
}

TEST(BothPrograms, RefuseCoreCountsAboveTheLimit) {
  const std::string processorFailed = "Error: initialization of processor failed.\n" + failed;
  const std::string abort = "Error while reading command line arguments, abort execution.\n\n";
  const std::string yamlArch = readFile(data + "/arch/fast.yaml");  // "Cores: 2"
  const std::string textArch =
      "name fast\ncores {n}\nbus PerfectBus\nMemoryUnified PerfectMemory 0 0 0\n"
      "memDelay 10\naccDelay 4\nburstDelay 16\n";
  const std::string pair = readFile(data + "/nodesets/pair.yaml");  // "numOfCores: 2"
  const auto cores = [&](const char* n) {
    return fill(yamlArch, {{"Cores: 2", "Cores: " + std::string(n)}});
  };
  const auto text = [&](const char* n) { return fill(textArch, {{"{n}", n}}); };
  const auto header = [&](const char* n) {
    return fill(pair, {{"numOfCores: 2", "numOfCores: " + std::string(n)}});
  };
  const struct {
    const char* name;
    std::string arch;
    std::string nodeset;
    std::string options;
    std::string err;  // empty: the run succeeds
  } cases[] = {
      {"Cores at the limit", cores("65536"), pair, "", ""},
      {"Cores above", cores("65537"), pair, "",
       "Error: invalid value for 'Cores': 65537\n" + processorFailed},
      {"text layout count at the limit", text("65536"), pair, "", ""},
      {"text layout count above", text("65537"), pair, "",
       "Error: invalid value for 'Cores': 65537\n" + processorFailed},
      {"numOfCores at the limit", yamlArch, header("65536"), "", ""},
      {"numOfCores above", yamlArch, header("65537"), "",
       "Error: invalid value for 'numOfCores': 65537\n" + processorFailed},
      {"-nrOfCores at the limit", yamlArch, pair, "-nrOfCores 65536", ""},
      {"-nrOfCores above", yamlArch, pair, "-nrOfCores 65537",
       "Error: invalid value for '-nrOfCores': 65537\n" + abort},
  };
  for (const char* program : {TOLLBRIG_BIN, MARROWICK_BIN}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(program) + ": " + c.name);
      const ScratchDir scratch;
      const std::string words = "-silent " + c.options + " -ts " +
                                scratch.write("pair.yaml", c.nodeset) + " -arch " +
                                scratch.write("arch.yaml", c.arch) + " -profiles " + data +
                                "/profiles -o " + scratch.path("out.yaml");
      const ProgramRun run = runProgram(program, words);
      EXPECT_EQ(run.err, c.err);
      EXPECT_EQ(run.status, c.err.empty() ? 0 : 1);
      EXPECT_EQ(std::filesystem::exists(scratch.path("out.yaml")), c.err.empty());
    }
  }
}

}  // namespace
