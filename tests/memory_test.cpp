#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/cache.h"
#include "Platform/pCache.h"
#include "Platform/perfectMemory.h"
#include "Platform/scratchPad.h"
#include "globals.h"
#include "testSupport.h"
#include "trace.h"

namespace {

Trace fixture(const std::string& name) {
  INPUTDIR = TEST_DATA_DIR;
  TRACEDIR = "trace";
  Trace trace;
  EXPECT_EQ(trace.readTrace(name), 0) << name;
  INPUTDIR.clear();
  TRACEDIR.clear();
  return trace;
}

struct Outputs {
  longint_t memDemand = 0;
  longint_t writeAccesses = 0;
  std::set<int> UCBs;
  std::set<int> ECBs;
};

Outputs run(Memory& memory, Trace& trace, Outputs start = {}) {
  EXPECT_EQ(memory.MEM(trace, start.memDemand, start.writeAccesses, start.UCBs, start.ECBs), 0);
  return start;
}

}  // namespace

TEST(LruStep, EvictsTheLeastRecentlyUsedBlock) {
  // Blocks 0, 1, 2 of a one-set cache with 16-byte lines; X = 0x00, Y = 0x10, Z = 0x20.
  const struct {
    const char* name;
    int associativity;
    std::vector<uint32_t> addresses;
    std::vector<bool> hits;
    CacheContents after;
  } cases[] = {
      {"X,Y,X,Z,Y", 2, {0x00, 0x10, 0x00, 0x20, 0x10}, {false, false, true, false, false}, {1, 2}},
      {"X,Y,X,Z,X", 2, {0x00, 0x10, 0x00, 0x20, 0x00}, {false, false, true, false, true}, {0, 2}},
      {"same block, other byte", 2, {0x04, 0x0c}, {false, true}, {0, -1}},
      {"direct-mapped", 1, {0x00, 0x10, 0x00}, {false, false, false}, {0}},
      {"hit in the middle", 3, {0x00, 0x10, 0x20, 0x10}, {false, false, false, true}, {1, 2, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const PCache pcache(DATA, 16, 1, c.associativity);
    const Cache cache(DATA, 16, 1, c.associativity);
    CacheContents pContents = pcache.getGeometry().emptyContents();
    CacheContents cContents = cache.getGeometry().emptyContents();
    for (std::size_t j = 0; j < c.addresses.size(); ++j) {
      EXPECT_EQ(pcache.updateCache(pContents, c.addresses[j]), c.hits[j]) << j;
      EXPECT_EQ(cache.updateCache(cContents, c.addresses[j]), c.hits[j]) << j;
    }
    EXPECT_EQ(pContents, c.after);
    EXPECT_EQ(cContents, c.after);
  }
}

TEST(LruStep, MapsBlocksToSetsByModulo) {
  const PCache cache(DATA, 4, 2, 1);
  CacheContents contents = cache.getGeometry().emptyContents();
  // Blocks 3 and 4 land in sets 1 and 0; block 5 then replaces block 3.
  for (uint32_t address : {12u, 16u, 20u}) cache.updateCache(contents, address);
  EXPECT_EQ(contents, (CacheContents{4, 5}));
}

TEST(LocalMemory, DemandsOfTheModels) {
  const struct {
    const char* name;
    std::shared_ptr<Memory> memory;
    const char* trace;
    longint_t memDemand;
  } cases[] = {
      // Data side: write miss 1, write hit 1, read miss 1, read hit 0; kind 2 skipped.
      {"data PCache", std::make_shared<PCache>(DATA, 16, 4, 2), "data_side", 3},
      {"instruction PCache on the same trace", std::make_shared<PCache>(INSTRUCTION, 16, 4, 2),
       "data_side", 1},
      {"unified PCache", std::make_shared<PCache>(UNIFIED, 16, 4, 2), "data_side", 4},
      {"unified read in the fetched line", std::make_shared<PCache>(UNIFIED, 16, 4, 2),
       "same_line_read", 1},
      {"unified write in the fetched line", std::make_shared<PCache>(UNIFIED, 16, 4, 2),
       "same_line_write", 2},
      {"LRU X,Y,X,Z,Y", std::make_shared<PCache>(DATA, 16, 1, 2), "lru_xyxzy", 4},
      {"LRU X,Y,X,Z,X", std::make_shared<PCache>(DATA, 16, 1, 2), "lru_xyxzx", 3},
      {"instruction PCache ignores kinds", std::make_shared<PCache>(INSTRUCTION, 16, 1, 2),
       "fetches", 4},
      {"data PCache skips kind 2", std::make_shared<PCache>(DATA, 16, 1, 2), "fetches", 2},
      {"instruction scratchpad", std::make_shared<ScratchPad>(INSTRUCTION), "data_side", 0},
      {"data scratchpad counts writes", std::make_shared<ScratchPad>(DATA), "data_side", 2},
      {"unified scratchpad counts writes", std::make_shared<ScratchPad>(UNIFIED), "fetches", 1},
      {"default scratchpad is unified", std::make_shared<ScratchPad>(), "data_side", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Trace trace = fixture(c.trace);
    const Outputs out = run(*c.memory, trace, {7, 9, {}, {}});
    EXPECT_EQ(out.memDemand, c.memDemand);
    EXPECT_EQ(out.writeAccesses, 9u);
  }
}

TEST(LocalMemory, OutputsEachModelLeavesUntouched) {
  Trace trace = fixture("data_side");
  Trace empty;
  const Outputs start{7, 9, {1, 2}, {3}};

  PerfectMemory perfect;
  EXPECT_EQ(perfect.getType(), UNIFIED);
  Outputs out = run(perfect, trace, start);
  EXPECT_EQ(out.memDemand, 7u);
  EXPECT_EQ(out.UCBs, start.UCBs);
  EXPECT_EQ(out.ECBs, start.ECBs);

  ScratchPad scratch(DATA);
  out = run(scratch, empty, start);
  EXPECT_EQ(out.memDemand, 0u);
  EXPECT_EQ(out.UCBs, start.UCBs);

  PCache pcache(DATA, 16, 4, 2);
  out = run(pcache, empty, start);
  EXPECT_EQ(out.memDemand, 0u);
  EXPECT_EQ(out.writeAccesses, 9u);
  EXPECT_TRUE(out.UCBs.empty());
  EXPECT_TRUE(out.ECBs.empty());
}

TEST(LocalMemory, CacheWithoutValidGeometryLeavesEveryOutput) {
  Trace trace = fixture("data_side");
  const Outputs start{7, 9, {1}, {2}};
  // The useful-block analysis reports that it could not run.
  std::vector<std::pair<std::unique_ptr<Memory>, int>> caches;
  caches.emplace_back(std::make_unique<PCache>(DATA), 0);
  caches.emplace_back(std::make_unique<Cache>(DATA), 1);
  caches.emplace_back(std::make_unique<PCache>(UNIFIED, 0, 4, 2), 0);
  caches.emplace_back(std::make_unique<PCache>(UNIFIED, 16, 0, 2), 0);
  caches.emplace_back(std::make_unique<PCache>(UNIFIED, 16, 4, 0), 0);
  caches.emplace_back(std::make_unique<Cache>(UNIFIED, 16, -4, 2), 1);
  for (std::size_t k = 0; k < caches.size(); ++k) {
    Outputs out = start;
    CapturedStderr quiet;
    EXPECT_EQ(caches[k].first->MEM(trace, out.memDemand, out.writeAccesses, out.UCBs, out.ECBs),
              caches[k].second)
        << k;
    quiet.text();
    EXPECT_EQ(out.memDemand, 7u) << k;
    EXPECT_EQ(out.writeAccesses, 9u) << k;
    EXPECT_EQ(out.UCBs, start.UCBs) << k;
    EXPECT_EQ(out.ECBs, start.ECBs) << k;
  }
}

TEST(CacheGeometry, ErrorNamesEveryValueBelowOne) {
  const struct {
    int lineSize, numberOfSets, associativity;
    const char* error;
  } cases[] = {
      {16, 4, 2, ""},
      {1, 1, 1, ""},
      {0, 4, 2, "line size 0 is below 1"},
      {16, -3, 2, "number of sets -3 is below 1"},
      {16, 4, 0, "associativity 0 is below 1"},
      {0, 0, 0, "line size 0 is below 1, number of sets 0 is below 1, associativity 0 is below 1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cacheGeometryError(c.lineSize, c.numberOfSets, c.associativity), c.error);
    EXPECT_EQ(CacheGeometry(c.lineSize, c.numberOfSets, c.associativity).isValid(),
              std::string(c.error).empty());
  }
}
