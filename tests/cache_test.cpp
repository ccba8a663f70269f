#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/cache.h"
#include "Platform/pCache.h"
#include "scratchGlobals.h"
#include "testSupport.h"
#include "trace.h"

namespace {

struct Outcome {
  int status = 0;
  longint_t memDemand = 0;
  longint_t writeAccesses = 0;
  std::set<int> UCBs;
  std::set<int> ECBs;
};

// Runs the cache's analysis on a trace given as the lines of a trace file.
class CacheTest : public testing::Test {
 protected:
  Trace trace(const std::string& lines) {
    dirs.writeTrace("t", lines);
    Trace t;
    EXPECT_EQ(t.readTrace("t"), 0);
    return t;
  }
  Outcome analyse(Cache& cache, const std::string& lines, Outcome start = {}) {
    Trace t = trace(lines);
    start.status = cache.MEM(t, start.memDemand, start.writeAccesses, start.UCBs, start.ECBs);
    return start;
  }
  std::string records() const { return readFile(TMPDIR + "/tmp.dat"); }
  std::string reversedRecords() const { return readFile(TMPDIR + "/tmp2.dat"); }

  const ScratchGlobals dirs;
};

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace

TEST_F(CacheTest, EmptyTraceGivesNothingAndEmptiesTheSets) {
  Cache cache(UNIFIED, 16, 4, 2);
  const Outcome out = analyse(cache, "", {0, 5, 6, {1, 2}, {3}});
  EXPECT_EQ(out.status, 0);
  EXPECT_EQ(out.memDemand, 0u);
  EXPECT_EQ(out.writeAccesses, 0u);
  EXPECT_TRUE(out.UCBs.empty());
  EXPECT_TRUE(out.ECBs.empty());
  EXPECT_TRUE(std::filesystem::exists(TMPDIR + "/tmp.dat"));
  EXPECT_TRUE(std::filesystem::exists(TMPDIR + "/tmp2.dat"));
  EXPECT_EQ(records(), "");
  EXPECT_EQ(reversedRecords(), "");
}

TEST_F(CacheTest, UsefulBlocksOfInstructionTraces) {
  // 16-byte lines, 4 sets of 2 ways: address 0x10 * b is block b in set b % 4.
  const struct {
    const char* name;
    const char* trace;
    longint_t misses;
    std::set<int> UCBs;
    std::set<int> ECBs;
  } cases[] = {
      {"one fetch", "10 1 e\n", 1, {1}, {1}},
      // Every entry's intersection holds only its own block; ties replace.
      {"no reuse", "0 1 e\n10 1 e\n20 1 e\n", 3, {2}, {0, 1, 2}},
      // Blocks 0 and 1 are both cached and used again at entries 1 and 2; at
      // entry 3 only block 1 is, which does not replace the larger set.
      {"reuse", "0 1 e\n10 1 e\n0 1 e\n10 1 e\n", 2, {0, 1}, {0, 1}},
      // Set 0 sees blocks 0, 4, 8, 0: with two ways the reused block 0 is
      // evicted in between, so no entry finds more than its own block useful.
      {"eviction", "0 1 e\n40 1 e\n80 1 e\n0 1 e\n", 4, {0}, {0}},
      // Two fetches from one line: one miss.
      {"same line twice", "4 1 e\nc 1 e\n", 1, {0}, {0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Cache cache(INSTRUCTION, 16, 4, 2);
    const Outcome out = analyse(cache, c.trace);
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.memDemand, c.misses);
    EXPECT_EQ(out.writeAccesses, c.misses);
    EXPECT_EQ(out.UCBs, c.UCBs);
    EXPECT_EQ(out.ECBs, c.ECBs);
  }
}

TEST_F(CacheTest, DataSideCounts) {
  const struct {
    const char* name;
    MemoryType type;
    const char* trace;
    longint_t memDemand;
    longint_t writeAccesses;
  } cases[] = {
      {"read miss, read hit", DATA, "0 1 r 100\n4 1 r 104\n", 1, 0},
      {"read miss, write hit", DATA, "0 1 r 100\n4 1 w 104\n", 2, 1},
      {"write miss, read hit", DATA, "0 1 w 100\n4 1 r 104\n", 1, 1},
      {"write miss, write hit", DATA, "0 1 w 100\n4 1 w 104\n", 2, 2},
      {"instruction addresses ignored", DATA, "0 1 r 100\n40 1 e\n80 1 r 100\n", 1, 0},
      // Fetch miss (1, 1), then the data access hits the fetched line.
      {"unified, same line read", UNIFIED, "100 1 r 104\n", 1, 1},
      {"unified, same line write", UNIFIED, "100 1 w 104\n", 2, 2},
      {"instruction cache ignores data", INSTRUCTION, "0 1 w 200\n4 1 w 300\n", 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Cache cache(c.type, 16, 4, 2);
    const Outcome out = analyse(cache, c.trace);
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.memDemand, c.memDemand);
    EXPECT_EQ(out.writeAccesses, c.writeAccesses);
  }
}

TEST_F(CacheTest, EntriesWithoutDataAccessStillGetARecord) {
  Cache cache(DATA, 16, 2, 1);
  const Outcome out = analyse(cache, "0 1 e\n0 1 r 10\n0 1 w 0xffffff\n");
  EXPECT_EQ(out.memDemand, 1u);
  EXPECT_EQ(out.writeAccesses, 0u);
  EXPECT_EQ(out.ECBs, std::set<int>{1});
  EXPECT_EQ(out.UCBs, std::set<int>{1});
  EXPECT_EQ(records(), "Instr: 2 -1 -1 \nInstr: 1 -1 1 \nInstr: 0 -1 1 \n");
  EXPECT_EQ(reversedRecords(), "Instr: 0 -1 1 \nInstr: 1 -1 1 \nInstr: 2 -1 -1 \n");
}

TEST_F(CacheTest, RecordLinesHoldEverySlotOfTheBackwardCache) {
  // Two sets of one way: blocks 0 and 2 share set 0.
  Cache cache(INSTRUCTION, 16, 2, 1);
  ASSERT_EQ(analyse(cache, "0 1 e\n10 1 e\n20 1 e\n").status, 0);
  EXPECT_EQ(records(), "Instr: 2 2 -1 \nInstr: 1 2 1 \nInstr: 0 0 1 \n");
  EXPECT_EQ(reversedRecords(), "Instr: 0 0 1 \nInstr: 1 2 1 \nInstr: 2 2 -1 \n");

  Cache wide(INSTRUCTION, 16, 2, 2);
  ASSERT_EQ(analyse(wide, "0 1 e\n20 1 e\n").status, 0);
  EXPECT_EQ(records(), "Instr: 1 2 -1 -1 -1 \nInstr: 0 0 2 -1 -1 \n");
}

TEST_F(CacheTest, LongTraceIsReversedLineByLineAndCostsWhatPCacheCosts) {
  // Enough records to span several read chunks of the reversal.
  std::string lines;
  for (int j = 0; j < 3000; ++j) {
    const int fetch = (j * 7) % 97 * 16;
    const int data = (j * 13) % 61 * 8;
    lines +=
        std::to_string(fetch) + " 1 " + (j % 3 == 0 ? "w " : "r ") + std::to_string(data) + "\n";
  }
  Cache cache(UNIFIED, 16, 8, 4);
  const Outcome out = analyse(cache, lines);
  ASSERT_EQ(out.status, 0);

  std::vector<std::string> forward = linesOf(records());
  ASSERT_EQ(forward.size(), 3000u);
  EXPECT_GT(records().size(), 3u * 65536u);
  std::reverse(forward.begin(), forward.end());
  EXPECT_EQ(linesOf(reversedRecords()), forward);
  EXPECT_EQ(forward.front().rfind("Instr: 0 ", 0), 0u);

  Trace t = trace(lines);
  PCache pcache(UNIFIED, 16, 8, 4);
  longint_t demand = 0;
  longint_t unused = 0;
  std::set<int> ucbs, ecbs;
  pcache.MEM(t, demand, unused, ucbs, ecbs);
  EXPECT_EQ(out.memDemand, demand);
  EXPECT_EQ(out.ECBs.size(), 8u);
}

TEST_F(CacheTest, MissingRecordsReadAsEmpty) {
  // The record file cannot be created; the reversed file is emptied all the
  // same, so records of an earlier analysis are not read.
  std::filesystem::create_directory(TMPDIR + "/tmp.dat");
  dirs.dir.write("tmp/tmp2.dat", "Instr: 0 0 1 \nInstr: 1 0 1 \n");
  Cache cache(INSTRUCTION, 16, 2, 1);
  CapturedStderr capturedErr;
  const Outcome out = analyse(cache, "0 1 e\n10 1 e\n");
  EXPECT_EQ(capturedErr.text(), "Error: Could not open temporary file '" + TMPDIR + "/tmp.dat'\n");
  EXPECT_EQ(out.status, 0);
  EXPECT_EQ(out.memDemand, 2u);
  EXPECT_EQ(out.ECBs, (std::set<int>{0, 1}));
  EXPECT_TRUE(out.UCBs.empty());
  EXPECT_EQ(reversedRecords(), "");
}

TEST_F(CacheTest, UnusableTemporaryDirectoryFailsTheAnalysis) {
  TMPDIR = dirs.dir.path("absent");
  Cache cache(INSTRUCTION, 16, 2, 1);
  CapturedStderr capturedErr;
  const Outcome out = analyse(cache, "0 1 e\n", {0, 5, 6, {1}, {2}});
  EXPECT_EQ(capturedErr.text(), "Error: Could not open temporary file '" + TMPDIR + "/tmp2.dat'\n");
  EXPECT_EQ(out.status, 1);
  EXPECT_EQ(out.memDemand, 0u);
  EXPECT_EQ(out.writeAccesses, 0u);
  EXPECT_EQ(out.UCBs, std::set<int>{1});
  EXPECT_EQ(out.ECBs, std::set<int>{2});
}

TEST_F(CacheTest, BackwardPassAloneWritesBothRecordFiles) {
  Cache cache(INSTRUCTION, 16, 2, 1);
  Trace t = trace("0 1 e\n10 1 e\n");
  std::set<int> ucbs{7};
  std::set<int> ecbs{8};
  EXPECT_EQ(cache.reverseCacheAnalysis(t, ucbs, ecbs), 0);
  EXPECT_EQ(ucbs, std::set<int>{7});
  EXPECT_EQ(ecbs, std::set<int>{8});
  EXPECT_EQ(records(), "Instr: 1 -1 1 \nInstr: 0 0 1 \n");
  EXPECT_EQ(reversedRecords(), "Instr: 0 0 1 \nInstr: 1 -1 1 \n");

  Cache unset(INSTRUCTION);
  CapturedStderr capturedErr;
  EXPECT_EQ(unset.reverseCacheAnalysis(t, ucbs, ecbs), 1);
  EXPECT_EQ(capturedErr.text(),
            "Error: cannot analyse the cache: line size 0 is below 1, number of sets 0 is below "
            "1, associativity 0 is below 1\n");
}
