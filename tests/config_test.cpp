#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config.h"
#include "configProbe.h"
#include "testSupport.h"

namespace {

using Fields = ConfigProbe::Fields;
using Words = std::vector<std::string>;

const std::string dataDir = std::string(TEST_DATA_DIR) + "/config";

// The record of a fresh Config with the globals at their start values.
Fields defaults() {
  return {
      {"fileName", ""},
      {"archFiles", ""},
      {"tasksetFileName", ""},
      {"tracesFileName", ""},
      {"namePrefix", "ts"},
      {"outFile", ""},
      {"utilStart", "0.05"},
      {"utilEnd", "1"},
      {"utilStep", "0.025"},
      {"tasksPerCore", "2"},
      {"maxTraces", "1"},
      {"nrOfTaskSets", "0"},
      {"processorDefs", "0"},
      {"help", "false"},
      {"generatedTS", "false"},
      {"singleAnalysis", "false"},
      {"weighted", "false"},
      {"cw", "false"},
      {"old", "false"},
      {"dot", "false"},
      {"perfectBus", "false"},
      {"newFormat", "false"},
      {"periodAnalysis", "false"},
      {"useVirtualDeps", "false"},
      {"singleBank", "false"},
      {"csv", "false"},
      {"seed", "19091982"},
      {"nrOfCores", "-1"},
      {"nrOfMemBanks", "0"},
      {"memDelay", "-1"},
      {"accDelay", "-1"},
      {"burstDelay", "-1"},
      {"refreshLatency", "0"},
      {"refreshInterval", "1"},
      {"deadlineFactor", "1"},
      {"busName", ""},
      {"VERBOSE", "0"},
      {"OUTPUTDIR", ""},
  };
}

Fields withChanges(const Fields& changes) {
  Fields fields = defaults();
  for (const auto& [name, value] : changes) {
    EXPECT_TRUE(fields.count(name)) << "no field " << name;
    fields[name] = value;
  }
  return fields;
}

// Words parsed into a fresh Config: the expected record is the defaults with
// `changes` applied, so any other field that moves fails the case.
struct ParseCase {
  Words words;
  Fields changes;
  std::string out;
  std::string err;
  int result;
};

std::string describe(const Words& words) {
  std::string text;
  for (const std::string& word : words) {
    text += "[" + word + "]";
  }
  return text;
}

// Globals reset and option-file fixtures reachable by their plain names.
class ConfigFixture : public testing::Test {
 protected:
  void SetUp() override {
    OUTPUTDIR.clear();
    previousDir = std::filesystem::current_path();
    std::filesystem::current_path(dataDir);
  }
  void TearDown() override {
    std::filesystem::current_path(previousDir);
    OUTPUTDIR.clear();
  }

  void check(const ParseCase& c) {
    SCOPED_TRACE(describe(c.words));
    const VerboseLevel quiet(0);
    OUTPUTDIR.clear();
    Config config;
    const ParseOutcome outcome = parseOptions(config, c.words);
    EXPECT_EQ(outcome.result, c.result);
    EXPECT_EQ(outcome.out, c.out);
    EXPECT_EQ(outcome.err, c.err);
    EXPECT_EQ(ConfigProbe::fields(config), withChanges(c.changes));
  }

  const VerboseLevel verbose{0};
  std::filesystem::path previousDir;
};

TEST_F(ConfigFixture, ConstructorSetsEveryDefault) {
  EXPECT_EQ(ConfigProbe::fields(Config()), defaults());
}

TEST_F(ConfigFixture, EachOptionHasItsEffect) {
  const ParseCase cases[] = {
      {{"-def", "seed.def"}, {{"csv", "true"}, {"seed", "5"}}, "", "", 0},
      {{"-arch", "a.yaml"},
       {{"archFiles", "a.yaml"}, {"processorDefs", "1"}},
       " ARCH ADDED: a.yaml\n",
       "",
       0},
      {{"-taskSets", "7"}, {{"nrOfTaskSets", "7"}}, "", "", 0},
      {{"-v"}, {{"VERBOSE", "1"}}, "", "", 0},
      {{"-vv"}, {{"VERBOSE", "2"}}, "", "", 0},
      {{"-vvv"}, {{"VERBOSE", "3"}}, "", "", 0},
      {{"-vvvv"}, {{"VERBOSE", "4"}}, "", "", 0},
      {{"-silent"}, {{"VERBOSE", "-1"}}, "", "", 0},
      {{"-weighted"}, {{"weighted", "true"}}, "", "", 0},
      {{"-seed", "42"}, {{"seed", "42"}}, "", "", 0},
      {{"-tasksPerCore", "3"}, {{"tasksPerCore", "3"}}, "", "", 0},
      {{"-nrOfCores", "8"}, {{"nrOfCores", "8"}}, "", "", 0},
      {{"-memDelay", "10"}, {{"memDelay", "10"}}, "", "", 0},
      {{"-accDelay", "11"}, {{"accDelay", "11"}}, "", "", 0},
      {{"-burstDelay", "12"}, {{"burstDelay", "12"}}, "", "", 0},
      {{"-refreshLatency", "13"}, {{"refreshLatency", "13"}}, "", "", 0},
      {{"-refreshInterval", "14"}, {{"refreshInterval", "14"}}, "", "", 0},
      {{"-maxTraces", "15"}, {{"maxTraces", "15"}}, "", "", 0},
      {{"-deadlineFactor", "2.5"}, {{"deadlineFactor", "2.5"}}, "", "", 0},
      {{"-util", "0.5"},
       {{"utilStart", "0.5"}, {"utilEnd", "0.5"}, {"generatedTS", "true"}},
       "",
       "",
       0},
      {{"-utilEnd", "0.75"}, {{"utilEnd", "0.75"}, {"generatedTS", "true"}}, "", "", 0},
      {{"-utilStart", "0.25"}, {{"utilStart", "0.25"}, {"generatedTS", "true"}}, "", "", 0},
      {{"-utilSteps", "0.125"}, {{"utilStep", "0.125"}, {"generatedTS", "true"}}, "", "", 0},
      {{"-ts", "g.yaml"}, {{"tasksetFileName", "g.yaml"}, {"singleAnalysis", "true"}}, "", "", 0},
      {{"-traces", "t.txt"}, {{"tracesFileName", "t.txt"}}, "", "", 0},
      {{"-bus", "BusRR"}, {{"busName", "BusRR"}}, "", "", 0},
      {{"-prefix", "job"}, {{"namePrefix", "job"}}, "", "", 0},
      {{"-o", "out.yaml"}, {{"outFile", "out.yaml"}}, "", "", 0},
      {{"-profiles", "prof"}, {{"OUTPUTDIR", "prof"}}, "", "", 0},
      {{"--help"}, {{"help", "true"}}, "", "", 0},
      {{"-h"}, {{"help", "true"}}, "", "", 0},
      {{"-cw"}, {{"cw", "true"}}, "", "", 0},
      {{"-dot"}, {{"dot", "true"}}, "", "", 0},
      {{"-perfectBus"}, {{"perfectBus", "true"}}, "", "", 0},
      {{"-virtualDeps"}, {{"useVirtualDeps", "true"}}, "", "", 0},
      {{"-sb"}, {{"singleBank", "true"}}, "", "", 0},
      {{"-old"}, {{"old", "true"}}, "", "", 0},
      {{"-csv"}, {{"csv", "true"}}, "", "", 0},
  };
  for (const ParseCase& c : cases) {
    check(c);
  }
}

TEST_F(ConfigFixture, MissingArgumentEndsTheParseKeepingEarlierOptions) {
  const struct {
    const char* option;
    const char* message;
  } cases[] = {
      {"-def", "No config file given."},
      {"-arch", "No architecture file given."},
      {"-taskSets", "No number of task sets provided."},
      {"-seed", "No number of random seed provided."},
      {"-tasksPerCore", "No number of tasks per core provided."},
      {"-nrOfCores", "No number of cores provided."},
      {"-memDelay", "No main memory latency provided."},
      {"-accDelay", "No access interference delay provided."},
      {"-burstDelay", "No burst interference delay provided."},
      {"-refreshLatency", "No refresh latency provided."},
      {"-refreshInterval", "No refresh interval provided."},
      {"-maxTraces", "No maximum number of traces provided."},
      {"-deadlineFactor", "No end deadline factor provided."},
      {"-util", "No end utilization provided."},
      {"-utilEnd", "No end utilization provided."},
      {"-utilStart", "No start utilization provided."},
      {"-utilSteps", "No utilization steps provided."},
      {"-ts", "No taskset file given."},
      {"-traces", "No traceset file given."},
      {"-bus", "No bus definition given."},
      {"-prefix", "No prefix for the task names given."},
      {"-o", "No output file given."},
      {"-profiles", "No profiles directory given."},
  };
  for (const auto& c : cases) {
    check({{"-cw", c.option}, {{"cw", "true"}}, "", std::string(c.message) + "\n", 0});
  }
}

TEST_F(ConfigFixture, ArgumentsConvertAndLaterOptionsOverride) {
  const ParseCase cases[] = {
      {{"-memDelay", "5", "-memDelay", "-1"}, {}, "", "", 0},
      {{"-accDelay", "-1", "-burstDelay", "-1", "-nrOfCores", "-1"}, {}, "", "", 0},
      {{"-memDelay", "12x"}, {{"memDelay", "12"}}, "", "", 0},
      {{"-memDelay", "abc"}, {{"memDelay", "0"}}, "", "", 0},
      {{"-seed", "  +9"}, {{"seed", "9"}}, "", "", 0},
      {{"-deadlineFactor", "abc"}, {{"deadlineFactor", "0"}}, "", "", 0},
      {{"-deadlineFactor", "1.5e1x"}, {{"deadlineFactor", "15"}}, "", "", 0},
      {{"-o", "-csv"}, {{"outFile", "-csv"}}, "", "", 0},
      {{"-vv", "-v"}, {{"VERBOSE", "1"}}, "", "", 0},
      {{"-util", "0.5", "-utilEnd", "0.75"},
       {{"utilStart", "0.5"}, {"utilEnd", "0.75"}, {"generatedTS", "true"}},
       "",
       "",
       0},
      {{"-silent", "-arch", "a.yaml"},
       {{"VERBOSE", "-1"}, {"archFiles", "a.yaml"}, {"processorDefs", "1"}},
       "",
       "",
       0},
      {{"-arch", "a.yaml", "-silent"},
       {{"VERBOSE", "-1"}, {"archFiles", "a.yaml"}, {"processorDefs", "1"}},
       " ARCH ADDED: a.yaml\n",
       "",
       0},
      {{"-cw", "-bogus", "-csv"},
       {{"cw", "true"}},
       "",
       "Unknown command-line parameter \"-bogus\"\n",
       1},
      {{"-CSV"}, {}, "", "Unknown command-line parameter \"-CSV\"\n", 1},
      {{}, {}, "", "", 0},
  };
  for (const ParseCase& c : cases) {
    check(c);
  }
}

TEST_F(ConfigFixture, SeventeenthArchitectureIsDroppedWithWarningEvenWhenSilent) {
  Words words = {"-silent"};
  std::string archFiles;
  for (int i = 1; i <= 17; ++i) {
    words.push_back("-arch");
    words.push_back("a" + std::to_string(i) + ".yaml");
    if (i <= 16) {
      archFiles += (i == 1 ? "" : ",") + words.back();
    }
  }
  words.push_back("-csv");
  check({words,
         {{"VERBOSE", "-1"}, {"archFiles", archFiles}, {"processorDefs", "16"}, {"csv", "true"}},
         "Warning, processor definition ignored; already 16 processors defined.\n",
         "",
         0});
}

TEST_F(ConfigFixture, ParseCommandLineSkipsTheProgramName) {
  std::string program = "Tollbrig";
  std::string option = "-csv";
  char* argv[] = {program.data(), option.data()};

  Config config;
  EXPECT_EQ(config.parseCommandLine(2, argv), 0);
  EXPECT_EQ(ConfigProbe::fields(config), withChanges({{"csv", "true"}}));

  for (int argc : {1, 0}) {
    Config bare;
    CapturedStderr capturedErr;
    EXPECT_EQ(bare.parseCommandLine(argc, argv), 1);
    EXPECT_EQ(capturedErr.text(),
              "Not enough command line provided. Run again with --help option.\n");
  }
}

TEST_F(ConfigFixture, OptionFiles) {
  const std::string arch = " ARCH ADDED: a.yaml\n";
  const std::string longPath = readFile("long_word.def").substr(3, 208);
  const ParseCase cases[] = {
      // Nested files act at the position of their "-def".
      {{"-def", "nested_outer.def"},
       {{"seed", "5"}, {"singleBank", "true"}, {"cw", "true"}},
       "",
       "",
       0},
      // A fault inside a file ends only that file.
      {{"-def", "inner_unknown.def", "-cw"},
       {{"singleBank", "true"}, {"cw", "true"}},
       "",
       "Unknown command-line parameter \"-bogus\"\n",
       0},
      {{"-def", "inner_missing_argument.def", "-csv"},
       {{"cw", "true"}, {"csv", "true"}},
       "",
       "No output file given.\n",
       0},
      // Only the first 100 words count: the 100th is "-o" without its argument.
      {{"-def", "words150.def"}, {{"cw", "true"}}, "", "No output file given.\n", 0},
      {{"-def", "long_word.def"}, {{"outFile", longPath}}, "", "", 0},
      {{"-def", "nonexistent.def", "-cw"},
       {},
       "",
       "Error: Could not open config file 'nonexistent.def'\n",
       1},
      // A directory opens on Linux but is no option file.
      {{"-def", ".", "-cw"}, {}, "", "Error: Could not open config file '.'\n", 1},
      {{"-def", "outer_missing.def", "-cw"},
       {{"singleBank", "true"}, {"cw", "true"}},
       "",
       "Error: Could not open config file 'nonexistent.def'\n",
       0},
      // "./self.def" and "self.def" are one file.
      {{"-def", "self.def", "-cw"},
       {{"singleBank", "true"}, {"cw", "true"}},
       "",
       "Error: option file './self.def' includes itself.\n",
       0},
      {{"-def", "loop_a.def"},
       {{"cw", "true"}, {"singleBank", "true"}, {"csv", "true"}},
       "",
       "Error: option file './loop_a.def' includes itself.\n",
       0},
      // The same file read again after it was closed is no self-inclusion.
      {{"-def", "twice.def", "-def", "arch.def"},
       {{"archFiles", "a.yaml,a.yaml,a.yaml"}, {"processorDefs", "3"}},
       arch + arch + arch,
       "",
       0},
  };
  for (const ParseCase& c : cases) {
    check(c);
  }
}

TEST_F(ConfigFixture, OnlyTheFirstMebibyteOfAnOptionFileIsRead) {
  const std::size_t mebibyte = 1 << 20;
  const std::filesystem::path file =
      std::filesystem::path(testing::TempDir()) / ("big_" + std::to_string(getpid()) + ".def");
  const struct {
    const char* label;
    std::string content;
    Fields changes;
    std::string err;
  } cases[] = {
      {"word after the limit", "-cw" + std::string(mebibyte, ' ') + "-csv", {{"cw", "true"}}, ""},
      {"word cut at the limit",
       "-o" + std::string(mebibyte - 5, ' ') + "out.yaml",
       {{"outFile", "out"}},
       ""},
      {"one endless word",
       std::string(mebibyte + 10, 'x'),
       {},
       "Unknown command-line parameter \"" + std::string(mebibyte, 'x') + "\"\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    std::ofstream(file) << c.content;
    check({{"-def", file.string()}, c.changes, "", c.err, 0});
  }
  std::filesystem::remove(file);
  // Its one word of NUL characters reads as the empty word.
  check({{"-def", "/dev/zero", "-cw"},
         {{"cw", "true"}},
         "",
         "Unknown command-line parameter \"\"\n",
         0});
}

TEST_F(ConfigFixture, OptionFileMayBeAPipe) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  const std::string words = "-cw -seed 7\n";
  ASSERT_EQ(write(ends[1], words.data(), words.size()), static_cast<ssize_t>(words.size()));
  close(ends[1]);
  check(
      {{"-def", "/dev/fd/" + std::to_string(ends[0])}, {{"cw", "true"}, {"seed", "7"}}, "", "", 0});
  close(ends[0]);
}

TEST_F(ConfigFixture, ReadConfigResult) {
  Config config;
  CapturedStderr capturedErr;
  EXPECT_EQ(config.readConfig("nonexistent.def"), 1);
  EXPECT_EQ(config.readConfig("inner_unknown.def"), 0);
  EXPECT_EQ(capturedErr.text(),
            "Error: Could not open config file 'nonexistent.def'\n"
            "Unknown command-line parameter \"-bogus\"\n");
}

TEST_F(ConfigFixture, UsageTextSuppressesTheChecks) {
  for (const Words& words : {Words{"-h"}, Words{"-o", "x.yaml", "--help", "-profiles", "p"}}) {
    SCOPED_TRACE(describe(words));
    Config config;
    parseOptions(config, words);
    CapturedStdout capturedOut;
    EXPECT_EQ(config.printHelp(), 1);
    EXPECT_EQ(capturedOut.text(), readFile("usage.txt"));
  }
}

TEST_F(ConfigFixture, StartUpChecksPrintEveryFailingLine) {
  std::vector<std::string> lines;
  std::istringstream fixture(readFile("startup_checks.txt"));
  for (std::string line; std::getline(fixture, line);) {
    lines.push_back(line + "\n");
  }
  ASSERT_EQ(lines.size(), 3u);
  const struct {
    Words words;
    std::string out;
  } cases[] = {
      {{}, lines[0] + lines[1] + lines[2]},
      {{"-o", "x.yaml"}, lines[1] + lines[2]},
      {{"-profiles", "p", "-arch", "a.yaml"}, lines[0]},
      {{"-o", "x.yaml", "-arch", "a.yaml"}, lines[1]},
      {{"-o", "x.yaml", "-profiles", "p"}, lines[2]},
      {{"-o", "x.yaml", "-profiles", "p", "-arch", "a.yaml"}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(describe(c.words));
    OUTPUTDIR.clear();
    Config config;
    parseOptions(config, c.words);
    EXPECT_EQ(config.checkConfig(), 0);
    CapturedStdout capturedOut;
    EXPECT_EQ(config.printHelp(), c.out.empty() ? 0 : 1);
    EXPECT_EQ(capturedOut.text(), c.out);
  }
}

TEST_F(ConfigFixture, WriteConfigIsAStubThatTruncates) {
  const ScratchDir dir;
  const std::filesystem::path file = dir.write("written.def", "-cw\n");
  Config config;
  CapturedStderr capturedErr;
  EXPECT_EQ(config.writeConfig(file.string()), 1);
  EXPECT_EQ(config.writeConfig("/nonexistent-dir/x.def"), 1);
  EXPECT_EQ(capturedErr.text(), "Error: Function not yet implemented." + file.string() + "'\n" +
                                    "Error: Could not open config file '/nonexistent-dir/x.def'\n");
  EXPECT_EQ(std::filesystem::file_size(file), 0u);
}

TEST_F(ConfigFixture, AccessorsReportTheParsedOptions) {
  Config config;
  parseOptions(config, {"-ts",       "g.yaml",       "-o",         "out.yaml", "-bus",
                        "BusFIFO",   "-arch",        "a.yaml",     "-cw",      "-csv",
                        "-util",     "0.5",          "-utilSteps", "0.1",      "-prefix",
                        "p",         "-taskSets",    "3",          "-seed",    "4",
                        "-weighted", "-virtualDeps", "-dot"});
  EXPECT_TRUE(config.isSingleAnalysis());
  EXPECT_EQ(config.getTasksetFileName(), "g.yaml");
  EXPECT_EQ(config.getOutFile(), "out.yaml");
  EXPECT_EQ(config.getBusName(), "BusFIFO");
  EXPECT_EQ(config.getProcessorDefs(), 1);
  EXPECT_TRUE(config.isCW());
  EXPECT_TRUE(config.hasCSV());
  EXPECT_TRUE(config.isDOT());
  EXPECT_TRUE(config.isGeneratedTS());
  EXPECT_EQ(config.getUtilStart(), 0.5f);
  EXPECT_EQ(config.getUtilEnd(), 0.5f);
  EXPECT_EQ(config.getUtilStep(), 0.1f);
  EXPECT_EQ(config.getNamePrefix(), "p");
  EXPECT_EQ(config.getNrOfTaskSets(), 3);
  EXPECT_EQ(config.getSeed(), 4);
  EXPECT_TRUE(config.printWeightedResults());
  EXPECT_TRUE(config.virtualDeps());
  EXPECT_FALSE(config.isPeriodAnalysis());
  EXPECT_FALSE(config.isNewFormat());
  EXPECT_EQ(config.getFileName(), "");
  config.setProcessorDefs(0);
  EXPECT_EQ(config.getProcessorDefs(), 0);
}

}  // namespace
