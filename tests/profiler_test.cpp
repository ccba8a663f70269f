#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/cache.h"
#include "Platform/core.h"
#include "Platform/perfectMemory.h"
#include "Platform/processor.h"
#include "Taskset/taskset.h"
#include "documentCache.h"
#include "scratchGlobals.h"
#include "testSupport.h"
#include "traceset.h"

namespace {

// The profile of tests/data/profiler/loop.txt on two direct-mapped caches of
// 8 sets with 16-byte lines: both caches touch and reuse sets 5 and 6.
const std::string loopProfile =
    "procDemand 9\n"
    "memDemand 4\n"
    "UCBInstr 2 5 6 \n"
    "ECBInstr 2 5 6 \n"
    "UCBData 2 16389 16390 \n"
    "ECBData 2 16389 16390 \n"
    "writeAccesses 3\n"
    "\n";

// Traces from tests/data/profiler, temporary files and profiles in a scratch
// directory, and a processor "P" with a core and two caches.
class ProfilerTest : public testing::Test {
 protected:
  ProfilerTest() {
    INPUTDIR = TEST_DATA_DIR;
    TRACEDIR = "profiler";
    proc.setName("P");
    proc.setCore(&core);
    proc.setLocalMemoryData(&dataCache);
    proc.setLocalMemoryInstr(&instrCache);
  }
  void load(const std::string& list) {
    ASSERT_EQ(traces.readTraceFile(std::string(TEST_DATA_DIR) + "/profiler/" + list), 0);
    CapturedStderr capturedErr;
    ASSERT_EQ(traces.readTraces(), 0);
    readErrors = capturedErr.text();
  }
  std::string profile(const std::string& trace) const {
    return readFile(OUTPUTDIR + "/" + proc.getName() + "/" + trace + ".dat");
  }
  std::vector<std::string> profileFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(OUTPUTDIR + "/" + proc.getName()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  struct Run {
    int result;
    std::string out;
    std::string err;
  };
  Run derive() {
    CapturedStdout capturedOut;
    CapturedStderr capturedErr;
    const int result = traces.deriveTraceParameter(proc);
    std::string err = capturedErr.text();
    return {result, capturedOut.text(), err};
  }

  const ScratchGlobals dirs;
  Core core;
  Cache dataCache{DATA, 16, 8, 1};
  Cache instrCache{INSTRUCTION, 16, 8, 1};
  Processor proc;
  Traceset traces;
  DocumentCache documents;
  std::string readErrors;
};

}  // namespace

TEST_F(ProfilerTest, WithoutTracesOnlyTheDirectoriesAreMade) {
  const Run run = derive();
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(std::filesystem::is_directory(OUTPUTDIR + "/P"));
  EXPECT_TRUE(profileFiles().empty());
}

TEST_F(ProfilerTest, WritesTheTextProfileThatTheReaderReadsBack) {
  load("list.txt");
  const VerboseLevel verbose(3);
  const Run run = derive();
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            "    procDemand=9.\n"
            "    memDemandData=2.\n"
            "    |UCBs|=2.\n"
            "    |ECBs|=2.\n"
            "    memDemandInstr=2.\n"
            "    |UCBs|=2.\n"
            "    |ECBs|=2.\n"
            "    procDemand=7.\n"
            "    memDemandData=0.\n"
            "    |UCBs|=0.\n"
            "    |ECBs|=0.\n"
            "    memDemandInstr=1.\n"
            "    |UCBs|=1.\n"
            "    |ECBs|=1.\n");
  EXPECT_EQ(profile("loop"), loopProfile);
  EXPECT_EQ(profile("plain"),
            "procDemand 7\nmemDemand 1\nUCBInstr 1 0 \nECBInstr 1 0 \nUCBData 0 \n"
            "ECBData 0 \nwriteAccesses 1\n\n");
  EXPECT_EQ(profileFiles(), (std::vector<std::string>{"loop.dat", "plain.dat"}));

  longint_t procDemand = 0, memDemand = 0, writeAccesses = 0;
  std::set<int> UCBData, ECBData, UCBInstr, ECBInstr;
  ASSERT_EQ(traces.readTraceParameter("P", "loop", procDemand, memDemand, writeAccesses, UCBData,
                                      ECBData, UCBInstr, ECBInstr, documents),
            0);
  EXPECT_EQ(procDemand, 9u);
  EXPECT_EQ(memDemand, 4u);
  EXPECT_EQ(writeAccesses, 3u);
  EXPECT_EQ(UCBInstr, (std::set<int>{5, 6}));
  EXPECT_EQ(ECBInstr, (std::set<int>{5, 6}));
  EXPECT_EQ(UCBData, (std::set<int>{16389, 16390}));
  EXPECT_EQ(ECBData, (std::set<int>{16389, 16390}));
}

TEST_F(ProfilerTest, DataSetsAreOffsetByTheCurrentMaxCacheSets) {
  load("list.txt");
  const int saved = MAXCACHESETS;
  MAXCACHESETS = 100;
  const Run run = derive();
  MAXCACHESETS = saved;
  ASSERT_EQ(run.result, 0);
  EXPECT_NE(profile("loop").find("\nUCBInstr 2 5 6 \nECBInstr 2 5 6 \nUCBData 2 105 106 \n"
                                 "ECBData 2 105 106 \n"),
            std::string::npos);
}

TEST_F(ProfilerTest, SecondRunKeepsTheExistingProfiles) {
  load("list.txt");
  ASSERT_EQ(derive().result, 0);
  dirs.dir.write("profiles/P/plain.dat", "kept\n");
  const VerboseLevel verbose(3);
  const Run run = derive();
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.out,
            "  Trace parameter for trace 'loop' on proc 'P' already found. Nothing to be done.\n"
            "  Trace parameter for trace 'plain' on proc 'P' already found. Nothing to be done.\n");
  EXPECT_EQ(profile("plain"), "kept\n");
  EXPECT_EQ(profile("loop"), loopProfile);
}

TEST_F(ProfilerTest, AbsentOrPerfectMemoriesContributeNothing) {
  load("list.txt");
  PerfectMemory perfect(DATA);
  const struct {
    const char* name;
    Memory* data;
    Memory* instr;
    std::string loop;
  } cases[] = {
      {"no memories", nullptr, nullptr,
       "procDemand 9\nmemDemand 0\nUCBInstr 0 \nECBInstr 0 \nUCBData 0 \nECBData 0 \n"
       "writeAccesses 0\n\n"},
      {"perfect memories", &perfect, &perfect,
       "procDemand 9\nmemDemand 0\nUCBInstr 0 \nECBInstr 0 \nUCBData 0 \nECBData 0 \n"
       "writeAccesses 0\n\n"},
      {"no data memory", nullptr, &instrCache,
       "procDemand 9\nmemDemand 2\nUCBInstr 2 5 6 \nECBInstr 2 5 6 \nUCBData 0 \nECBData 0 \n"
       "writeAccesses 2\n\n"},
      {"no instruction memory", &dataCache, nullptr,
       "procDemand 9\nmemDemand 2\nUCBInstr 0 \nECBInstr 0 \nUCBData 2 16389 16390 \n"
       "ECBData 2 16389 16390 \nwriteAccesses 1\n\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(OUTPUTDIR);
    proc.setLocalMemoryData(c.data);
    proc.setLocalMemoryInstr(c.instr);
    ASSERT_EQ(derive().result, 0);
    EXPECT_EQ(profile("loop"), c.loop);
  }
}

TEST_F(ProfilerTest, NoProfileForAnUnreadableTrace) {
  load("withAbsent.txt");
  EXPECT_EQ(readErrors,
            "Error: Could not open trace file '" + INPUTDIR + "/" + TRACEDIR + "/absent.txt'\n");
  const Run run = derive();
  EXPECT_EQ(run.result, 1);
  EXPECT_EQ(run.err, "  Trace 'absent' could not be read: no trace parameter file written.\n");
  EXPECT_EQ(profileFiles(), std::vector<std::string>{"loop.dat"});
  EXPECT_EQ(profile("loop"), loopProfile);
}

TEST_F(ProfilerTest, NoProfileWhenTheCacheAnalysisFails) {
  load("list.txt");
  Cache unset(DATA);
  proc.setLocalMemoryData(&unset);
  const Run run = derive();
  EXPECT_EQ(run.result, 1);
  const std::string geometry =
      "Error: cannot analyse the cache: line size 0 is below 1, number of sets 0 is below 1, "
      "associativity 0 is below 1\n";
  EXPECT_EQ(run.err, geometry +
                         "  Trace 'loop' could not be analysed on proc 'P': no trace parameter "
                         "file written.\n" +
                         geometry +
                         "  Trace 'plain' could not be analysed on proc 'P': no trace parameter "
                         "file written.\n");
  EXPECT_TRUE(profileFiles().empty());
}

TEST_F(ProfilerTest, DirectoriesWithBlanksAndShellCharacters) {
  load("list.txt");
  OUTPUTDIR = dirs.dir.path("pro files; $(x) 'q'");
  proc.setName("P &1");
  const Run run = derive();
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(profile("loop"), loopProfile);
}

TEST_F(ProfilerTest, UncreatableDirectoryWarnsAndStopsAtTheFirstProfile) {
  load("list.txt");
  dirs.dir.write("profiles", "a file, not a directory\n");
  const Run run = derive();
  EXPECT_EQ(run.result, 1);
  EXPECT_EQ(run.err, "WARNING: directory \"" + OUTPUTDIR +
                         "\" could not be created: File exists\n"
                         "WARNING: directory \"" +
                         OUTPUTDIR +
                         "/P\" could not be created: Not a directory\n"
                         "Error: Could not open temporary file '" +
                         OUTPUTDIR + "/P/loop.dat'\n");
}

TEST_F(ProfilerTest, SetTasksetParameterTakesMaximaAndSumsPerBank) {
  // (procDemand, memDemand, writeAccesses) of the three profiles.
  const struct {
    const char* name;
    longint_t proc, mem, writes;
    const char* lists;
  } profiles[] = {
      {"a", 100, 10, 3, "UCBInstr 1 4 \nECBInstr 2 4 5 \nUCBData 1 16390 \nECBData 1 16390 \n"},
      {"b", 80, 30, 5, "UCBInstr 0 \nECBInstr 1 7 \nUCBData 0 \nECBData 1 16391 \n"},
      {"c", 20, 5, 1, "UCBInstr 1 9 \nECBInstr 1 9 \nUCBData 0 \nECBData 0 \n"},
  };
  for (const auto& p : profiles) {
    dirs.dir.write("profiles/P/" + std::string(p.name) + ".dat",
                   "procDemand " + std::to_string(p.proc) + "\nmemDemand " + std::to_string(p.mem) +
                       "\n" + p.lists + "writeAccesses " + std::to_string(p.writes) + "\n\n");
  }
  Taskset ts;
  ts.init("ts", 2, {0, 0}, {1000, 1000}, {1000, 1000}, {0, 0}, {0, 1}, {"t0", "t1"}, {}, {}, {}, {},
          {}, {{"a", "b"}, {"a", "b", "c"}}, {}, {}, {2, 0}, {}, -1, -1);
  ts.setWriteAccesses(0, 50);

  ASSERT_EQ(traces.setTasksetParameter(proc, ts, documents), 0);
  EXPECT_EQ(ts.getProcDemand(0), 100u);
  EXPECT_EQ(ts.getMemDemand(0), 30u);
  EXPECT_EQ(ts.getVecMemDemand(0), (Taskset::BankList{{2, 40}}));
  // The write count is not reset, only raised.
  EXPECT_EQ(ts.getWriteAccesses(0), 50u);
  EXPECT_EQ(ts.getWriteAccesses(1), 5u);
  EXPECT_EQ(ts.getUCBVector(1), (std::vector<std::set<int>>{{4, 16390}, {}, {9}}));
  EXPECT_EQ(ts.getECBs(1), (std::set<int>{4, 5, 7, 9, 16390, 16391}));
  EXPECT_EQ(ts.getMemDemandPerBank(1, 0), 45u);

  ASSERT_EQ(traces.setTasksetParameter(proc, ts, documents), 0);
  EXPECT_EQ(ts.getMemDemand(0), 30u);
  EXPECT_EQ(ts.getVecMemDemand(0), (Taskset::BankList{{2, 80}}));
  EXPECT_EQ(ts.getUCBVector(1).size(), 3u);
}

TEST_F(ProfilerTest, SetTasksetParameterStopsAtAMissingProfile) {
  dirs.dir.write("profiles/P/a.dat", "procDemand 10\nmemDemand 4\n");
  Taskset ts;
  ts.init("ts", 2);
  ts.getTraceVector(0) = {"a", "gone", "a"};
  ts.getTraceVector(1) = {"a"};
  CapturedStderr capturedErr;
  EXPECT_EQ(traces.setTasksetParameter(proc, ts, documents), 1);
  EXPECT_EQ(capturedErr.text(), "  Trace file for trace 'gone' not found.\n");
  EXPECT_EQ(ts.getProcDemand(0), 10u);
  EXPECT_EQ(ts.getMemDemandPerBank(0, 0), 4u);
  EXPECT_EQ(ts.getUCBVector(0).size(), 1u);
  EXPECT_EQ(ts.getProcDemand(1), 0u);
}
