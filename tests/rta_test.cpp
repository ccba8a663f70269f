#include <climits>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/rta.h"
#include "globals.h"
#include "rta_reference.h"
#include "rta_support.h"
#include "testSupport.h"

namespace {

// Sets VERBOSE and TMPDIR for one test and restores them.
class Settings {
 public:
  explicit Settings(int level, std::string tmp = TMPDIR) : verbose(level), oldTmp(TMPDIR) {
    TMPDIR = std::move(tmp);
  }
  ~Settings() { TMPDIR = oldTmp; }

 private:
  VerboseLevel verbose;
  std::string oldTmp;
};

struct Outcome {
  int status = 0;
  bool schedulable = true;
  int outerLoopIter = 0;
  std::vector<longint_t> responseTimes;
  std::vector<longint_t> releaseDates;
  std::string out;
  std::string err;
  bool operator==(const Outcome&) const = default;
};

template <typename AnalysisType>
Outcome runAnalysis(AnalysisType& analysis, const Nodeset& ns) {
  Outcome o;
  CapturedStdout capturedOut;
  CapturedStderr capturedErr;
  o.status = analysis.analyse();
  o.out = capturedOut.text();
  o.err = capturedErr.text();
  o.schedulable = analysis.isSchedulable();
  o.outerLoopIter = analysis.getOuterLoopIter();
  for (longint_t i = 0; i < ns.getSize(); ++i) {
    o.responseTimes.push_back(ns.getResponseTime(static_cast<int>(i)));
    o.releaseDates.push_back(ns.getReleaseDate(static_cast<int>(i)));
  }
  return o;
}

Outcome analyse(Nodeset& ns, TestPlatform& platform) {
  ResponseTimeAnalysis rta;
  rta.init(&ns, &platform.proc);
  return runAnalysis(rta, ns);
}

// A model for the mends: its answer is given by a function of the node set.
class ScriptedBus : public Bus {
 public:
  typedef longint_t (*Script)(int i, longint_t t, Nodeset* ns);
  ScriptedBus(Processor* p, Script s) : Bus(p), script(s) {}
  longint_t getInterference(int i, longint_t t, Nodeset* ns, int) override {
    return script(i, t, ns);
  }

 private:
  Script script;
};

void useBus(TestPlatform& platform, ScriptedBus::Script script) {
  platform.bus = std::make_unique<ScriptedBus>(&platform.proc, script);
  platform.proc.setBus(platform.bus.get());
}

TEST(ResponseTimeAnalysis, TwoNodesUnderPerfectBusNeedTwoOuterIterations) {
  Settings settings(3);
  TestPlatform platform("PerfectBus", 2, 1, false);
  Nodeset ns;
  buildGraph(ns, {{.name = "a", .core = 0, .demand = 10, .deadline = 100},
                  {.name = "b", .core = 1, .demand = 20, .deps = {0}, .deadline = 25}});
  const Outcome o = analyse(ns, platform);
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.responseTimes, (std::vector<longint_t>{10, 20}));
  EXPECT_EQ(o.releaseDates, (std::vector<longint_t>{0, 10}));
  EXPECT_EQ(o.outerLoopIter, 2);
  EXPECT_FALSE(o.schedulable);
  EXPECT_EQ(o.out,
            "WCRT Computation Fixed-Point: 1 iterations.\n"
            "WCRT Computation Fixed-Point: 1 iterations.\n"
            "Release Date Fixed-Point: 2 iterations.\n"
            " Task 'a': R_0 = 10. Release_0 = 0. D_0 = 100.\n"
            "\033[1;31m Task 'b' exceeded its deadline: finish date = 30, deadline = 25\033[0m\n"
            " Task 'b': R_1 = 20. Release_1 = 10. D_1 = 25.\n");
  EXPECT_EQ(o.err, "");
}

TEST(ResponseTimeAnalysis, ReleaseDatesFollowPredecessorsAndHigherPrioritiesOfTheCore) {
  Settings settings(0);
  const struct {
    int priorityA, priorityB;
    longint_t releaseC;
    std::vector<longint_t> expected;
  } cases[] = {
      {1, 2, 0, {0, 10, 30}},   // b waits for a, c for both
      {2, 1, 0, {20, 0, 30}},   // a waits for b
      {1, 1, 0, {0, 0, 20}},    // equal priorities do not wait
      {1, 2, 50, {0, 10, 50}},  // c's own date is later than its predecessors' finish
  };
  for (const auto& c : cases) {
    TestPlatform platform("PerfectBus", 2, 1, false);
    Nodeset ns;
    buildGraph(ns, {{.name = "a", .core = 0, .demand = 10, .priority = c.priorityA},
                    {.name = "b", .core = 0, .demand = 20, .priority = c.priorityB},
                    {.name = "c", .core = 1, .demand = 5, .deps = {0, 1}, .release = c.releaseC}});
    const Outcome o = analyse(ns, platform);
    EXPECT_EQ(o.releaseDates, c.expected) << c.priorityA << " " << c.priorityB;
  }
}

TEST(ResponseTimeAnalysis, FinishingAtTheDeadlineIsSchedulable) {
  Settings settings(2);
  const struct {
    longint_t deadline;
    bool schedulable;
  } cases[] = {{15, true}, {14, false}, {0, false}};
  for (const auto& c : cases) {
    TestPlatform platform("PerfectBus", 1, 1, false);
    Nodeset ns;
    buildGraph(ns, {{.name = "a", .core = 0, .demand = 10, .release = 5, .deadline = c.deadline}});
    const Outcome o = analyse(ns, platform);
    EXPECT_EQ(o.schedulable, c.schedulable) << c.deadline;
    EXPECT_EQ(o.out.find("exceeded its deadline") != std::string::npos, !c.schedulable);
  }
}

TEST(ResponseTimeAnalysis, FinishDatesPastTheLargestDateMissTheDeadline) {
  const longint_t last = ~0UL;
  const std::string miss = "\033[1;31m Task 'a' exceeded its deadline: finish date = ";
  const struct {
    const char* name;
    longint_t demand, release, deadline;
    ScriptedBus::Script bus;  // none: PerfectBus
    std::string missLine;     // empty: schedulable
  } cases[] = {
      {"passes the largest date", last, 640, 60000, nullptr,
       miss + "18446744073709551615, deadline = 60000\033[0m\n"},
      {"passes it even for the largest deadline", last, 1, last, nullptr,
       miss + "18446744073709551615, deadline = 18446744073709551615\033[0m\n"},
      {"a sum that wraps to 0", 1UL << 63, 1UL << 63, 100, nullptr,
       miss + "18446744073709551615, deadline = 100\033[0m\n"},
      {"reaches the largest date exactly", last, 0, last, nullptr, ""},
      // The response time itself wraps as every cycle sum does: 2^64 - 1 + 2 is 1.
      {"a wrapped response time", last, 640, 60000,
       [](int, longint_t, Nodeset*) -> longint_t { return 2; }, ""},
  };
  for (const int verbose : {0, 2}) {
    Settings settings(verbose);
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " at verbosity " + std::to_string(verbose));
      TestPlatform platform("PerfectBus", 1, 1, false);
      if (c.bus) useBus(platform, c.bus);
      Nodeset ns;
      buildGraph(ns,
                 {{.name = "a", .demand = c.demand, .release = c.release, .deadline = c.deadline}});
      const Outcome o = analyse(ns, platform);
      EXPECT_EQ(o.status, 0);
      EXPECT_EQ(o.schedulable, c.missLine.empty());
      const size_t red = o.out.find("exceeded its deadline");
      if (verbose < 2 || c.missLine.empty()) {
        EXPECT_EQ(red, std::string::npos);
      } else {
        EXPECT_TRUE(o.out.ends_with(c.missLine)) << o.out;
      }
    }
  }
}

TEST(ResponseTimeAnalysis, EmptyNodeSetNeedsOnePassOfEach) {
  Settings settings(2);
  TestPlatform platform("BusVesk", 2, 4, true);
  Nodeset ns;
  const Outcome o = analyse(ns, platform);
  EXPECT_EQ(o.status, 0);
  EXPECT_TRUE(o.schedulable);
  EXPECT_EQ(o.outerLoopIter, 1);
  EXPECT_EQ(o.out,
            "WCRT Computation Fixed-Point: 1 iterations.\n"
            "Release Date Fixed-Point: 1 iterations.\n");
}

// The old configuration starts from the memory demand at the memory delay; a
// bus that charges less lowers the response time, which is reported at every
// verbosity, one node per pass, and every refreshed entry costs a pass.
TEST(ResponseTimeAnalysis, FallingResponseTimesWarnAtEveryVerbosity) {
  const std::vector<NodeSpec> tasks = {
      {.name = "a",
       .core = 0,
       .demand = 5,
       .accesses = {{0, 4}, {1, 2}},
       .transactions = {{0, 1}},
       .traces = {"ta", "tb"}},
      {.name = "noc_a",
       .core = rxCoreId,
       .demand = 5,
       .accesses = {{1, 3}},
       .transactions = {{1, 1}}},
      {.name = "c", .core = 1, .demand = 5, .accesses = {{0, 2}}, .transactions = {{0, 2}}},
      {.name = "d", .core = 1, .demand = 5, .accesses = {{0, 1}}, .transactions = {{0, 3}}},
  };
  const std::string warnings =
      "Warning: task ID 0: ta old 65 new 15\n"
      "Warning: task ID 1:  old 35 new 15\n";
  for (int verbose : {-1, 0, 2}) {
    Settings settings(verbose);
    TestPlatform platform("PerfectBus", 2, 2, true);
    Nodeset ns;
    buildGraph(ns, tasks);
    const Outcome o = analyse(ns, platform);
    EXPECT_EQ(o.responseTimes, (std::vector<longint_t>{15, 15, 25, 35}));
    const std::string lines = verbose < 2 ? warnings
                                          : warnings +
                                                "WCRT Computation Fixed-Point: 4 iterations.\n"
                                                "Release Date Fixed-Point: 1 iterations.\n";
    EXPECT_EQ(o.out, lines) << verbose;
  }
}

// Node 1 sees node 0's new response time within the same pass.
TEST(ResponseTimeAnalysis, PassUpdatesInPlace) {
  Settings settings(2);
  TestPlatform platform("PerfectBus", 2, 1, false);
  useBus(platform, [](int i, longint_t, Nodeset* ns) -> longint_t {
    return i == 0 ? 5 : ns->getResponseTime(0);
  });
  Nodeset ns;
  buildGraph(ns, {{.name = "a", .core = 0, .demand = 10}, {.name = "b", .core = 1, .demand = 1}});
  ns.setResponseTime(0, 10);
  ns.setResponseTime(1, 1);
  ResponseTimeAnalysis rta(&ns, &platform.proc);
  EXPECT_EQ(rta.computeResponseTime(), 0);
  EXPECT_EQ(ns.getResponseTime(0), 15UL);
  EXPECT_EQ(ns.getResponseTime(1), 16UL);

  const Outcome o = analyse(ns, platform);
  EXPECT_EQ(o.out,
            "WCRT Computation Fixed-Point: 3 iterations.\n"
            "Release Date Fixed-Point: 1 iterations.\n");
}

TEST(ResponseTimeAnalysis, ImagesOfEveryOuterIterationGoToTheTemporaryDirectory) {
  const ScratchDir scratch;
  const std::filesystem::path dir = scratch.root();
  {
    Settings settings(4, dir.string());
    TestPlatform platform("PerfectBus", 2, 1, false);
    Nodeset ns;
    ns.setName("g");
    buildGraph(ns, {{.name = "a", .core = 0, .demand = 10, .deadline = 100},
                    {.name = "b", .core = 1, .demand = 20, .deps = {0}, .deadline = 25}});
    const Outcome o = analyse(ns, platform);
    const std::string first = (dir / "image_g_iter_1.yaml").string();
    const std::string second = (dir / "image_g_iter_2.yaml").string();
    EXPECT_NE(o.out.find("WCRT Computation Fixed-Point: 1 iterations.\n Iteration 1 written in " +
                         first + "\nWCRT"),
              std::string::npos)
        << o.out;
    EXPECT_NE(o.out.find(" Iteration 2 written in " + second + "\nRelease Date"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(first));
    EXPECT_TRUE(std::filesystem::exists(second));
    EXPECT_NE(readFile(first).find("schedulable"), std::string::npos);
  }
}

TEST(ResponseTimeAnalysis, UnwritableImageWarnsAndTheAnalysisGoesOn) {
  Settings settings(4, "/nonexistent/rta");
  TestPlatform platform("PerfectBus", 2, 1, false);
  Nodeset ns;
  ns.setName("g");
  buildGraph(ns, {{.name = "a", .core = 0, .demand = 10, .deadline = 5}});
  const Outcome o = analyse(ns, platform);
  EXPECT_EQ(o.status, 0);
  EXPECT_FALSE(o.schedulable);
  EXPECT_NE(
      o.err.find("Warning: the image of iteration 1 was not written; the analysis goes on.\n"),
      std::string::npos)
      << o.err;
}

// Node-set form with network-on-chip entries: y depends on x, so y's companion
// depends on x's companion, which waits for y's companion by priority.
void buildCompanionCycle(Nodeset& ns, longint_t xTransfer, longint_t yTransfer) {
  const int priority[] = {2, 1};
  const longint_t deadline[] = {1000, 1000}, period[] = {0, 0}, release[] = {0, 0},
                  unused[] = {0, 0}, ids[] = {0, 1};
  const int core[] = {0, 1}, bank[] = {0, 0};
  const std::string name[] = {"x", "y"};
  const std::vector<std::string> traces[] = {{}, {}};
  const std::vector<longint_t> deps[] = {{}, {0}};
  const Nodeset::BankList perBank[] = {{}, {}};
  const Nodeset::NoCList noc[] = {{{0, 5, xTransfer}}, {{0, 5, yTransfer}}};
  ns.init(2, priority, deadline, period, release, core, name, traces, deps, unused, ids, bank,
          perBank, noc, nullptr);
}

TEST(ResponseTimeAnalysis, DependencyCycleOfPositiveWeightFails) {
  Settings settings(2);
  TestPlatform platform("PerfectBus", 2, 1, false);
  Nodeset ns;
  buildCompanionCycle(ns, 7, 3);
  const Outcome o = analyse(ns, platform);
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "Error: dependency cycle through node 'y'.\n");
  EXPECT_EQ(o.out, "WCRT Computation Fixed-Point: 1 iterations.\n");
}

TEST(ResponseTimeAnalysis, DependencyCycleOfZeroWeightEnds) {
  Settings settings(0);
  TestPlatform platform("PerfectBus", 2, 1, false);
  Nodeset ns;
  buildCompanionCycle(ns, 0, 0);
  const Outcome o = analyse(ns, platform);
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "");
  EXPECT_TRUE(o.schedulable);
}

TEST(ResponseTimeAnalysis, ResponseTimesGoingRoundFail) {
  Settings settings(-1);
  TestPlatform platform("PerfectBus", 1, 1, false);
  useBus(platform, [](int, longint_t t, Nodeset*) -> longint_t { return t == 10 ? 1 : 0; });
  Nodeset ns;
  buildGraph(ns, {{.name = "a", .core = 0, .demand = 10, .traces = {"ta"}}});
  const Outcome o = analyse(ns, platform);
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, "Warning: task ID 0: ta old 11 new 10\n");
  EXPECT_EQ(o.err, "Error: the analysis does not converge.\n");
}

TEST(ResponseTimeAnalysis, OuterIterationsGoingRoundFail) {
  Settings settings(0);
  TestPlatform platform("PerfectBus", 2, 1, false);
  useBus(platform, [](int i, longint_t, Nodeset* ns) -> longint_t {
    return i == 0 && ns->getReleaseDate(1) < 12 ? 5 : 0;
  });
  Nodeset ns;
  buildGraph(ns, {{.name = "a", .core = 0, .demand = 10},
                  {.name = "b", .core = 1, .demand = 10, .deps = {0}}});
  const Outcome o = analyse(ns, platform);
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.outerLoopIter, 3);
  EXPECT_EQ(o.err, "Error: the analysis does not converge.\n");
}

// Every outer iteration starts with the same hash, so each start is compared
// with all the earlier ones by replaying the iterations up to them.
class CollidingAnalysis : public ResponseTimeAnalysis {
 protected:
  std::uint64_t releaseDatesHash() const override { return 0; }
};

Outcome analyseColliding(Nodeset& ns, TestPlatform& platform) {
  CollidingAnalysis rta;
  rta.init(&ns, &platform.proc);
  return runAnalysis(rta, ns);
}

// Node a's bus charge follows node b's release date, which follows a's
// response time, so the release dates go round. In the old configuration a
// starts from its memory demand, 20, and every outer iteration warns of its
// fall. Whether by the hash or by every hash matching, the error comes at the
// start the dates first repeat, after the same lines and images as when every
// start is kept whole, and no replayed iteration prints or writes anything.
TEST(ResponseTimeAnalysis, ReleaseDatesGoingRoundFailWhereTheyFirstRepeat) {
  const struct {
    const char* name;
    longint_t releaseB;
    ScriptedBus::Script bus;
    int outerLoopIter;
    std::vector<longint_t> falls;  // a's response time in each outer iteration
  } cases[] = {
      {"back to the first start",
       12,
       [](int i, longint_t, Nodeset* ns) -> longint_t {
         return i == 0 && ns->getReleaseDate(1) == 12 ? 5 : 0;
       },
       2,
       {15, 10}},
      {"back to the second start",
       0,
       [](int i, longint_t, Nodeset* ns) -> longint_t {
         if (i != 0) return 0;
         switch (ns->getReleaseDate(1)) {
           case 0:
           case 13:
             return 5;
           case 15:
             return 7;
           case 17:
             return 3;
           default:
             return 0;
         }
       },
       4,
       {15, 17, 13, 15}},
  };
  for (const auto& c : cases)
    for (const int verbose : {-1, 0, 2, 4})
      for (const bool colliding : {false, true}) {
        SCOPED_TRACE(std::string(c.name) + " at verbosity " + std::to_string(verbose) +
                     (colliding ? " with colliding hashes" : ""));
        const ScratchDir scratch;
        const std::filesystem::path dir = scratch.root();
        Settings settings(verbose, dir.string());
        TestPlatform platform("PerfectBus", 2, 1, true);
        useBus(platform, c.bus);
        Nodeset ns;
        ns.setName("g");
        buildGraph(ns,
                   {{.name = "a", .core = 0, .demand = 10, .accesses = {{0, 1}}, .traces = {"ta"}},
                    {.name = "b", .core = 1, .demand = 10, .deps = {0}, .release = c.releaseB}});
        Nodeset referenceSet = ns;
        const Outcome o = colliding ? analyseColliding(ns, platform) : analyse(ns, platform);

        std::string expected;
        for (size_t k = 0; k < c.falls.size(); ++k) {
          expected += "Warning: task ID 0: ta old 20 new " + std::to_string(c.falls[k]) + "\n";
          if (verbose > 1) expected += "WCRT Computation Fixed-Point: 2 iterations.\n";
          if (verbose > 3)
            expected += " Iteration " + std::to_string(k + 1) + " written in " +
                        (dir / ("image_g_iter_" + std::to_string(k + 1) + ".yaml")).string() + "\n";
        }
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(o.outerLoopIter, c.outerLoopIter);
        EXPECT_EQ(o.out, expected);
        EXPECT_EQ(o.err, "Error: the analysis does not converge.\n");
        const size_t images = static_cast<size_t>(std::distance(
            std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()));
        EXPECT_EQ(images, verbose > 3 ? c.falls.size() : 0);

        ReferenceAnalysis reference(&referenceSet, &platform.proc);
        EXPECT_TRUE(o == runAnalysis(reference, referenceSet));
      }
}

TEST(ResponseTimeAnalysis, BusWithoutAnswerFailsTheAnalysis) {
  Settings settings(2);
  TestPlatform platform("BusPP", 2, 1, false);
  Nodeset ns;
  buildGraph(ns, {{.name = "a", .core = 0, .demand = 10}});
  const Outcome o = analyse(ns, platform);
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err, " NOT IMPLEMENTED \n");
}

TEST(ResponseTimeAnalysis, InitResetsTheVerdictAndOutOfRangeReadsReportAnError) {
  Settings settings(0);
  TestPlatform platform("PerfectBus", 1, 1, false);
  Nodeset ns;
  buildGraph(ns, {{.name = "a", .core = 0, .demand = 10, .deadline = 5}});
  ResponseTimeAnalysis rta(&ns, &platform.proc);
  EXPECT_EQ(rta.analyse(), 0);
  EXPECT_FALSE(rta.isSchedulable());
  EXPECT_EQ(rta.getOuterLoopIter(), 1);
  EXPECT_EQ(rta.getResponseTime(0), 10UL);
  rta.init(&ns, &platform.proc);
  EXPECT_TRUE(rta.isSchedulable());
  EXPECT_EQ(rta.getOuterLoopIter(), 0);

  CapturedStderr capturedErr;
  EXPECT_EQ(rta.getResponseTime(1), ~0UL);
  EXPECT_EQ(capturedErr.text(),
            "Error: array access out of bounds! (node 1, ResponseTimeAnalysis::getResponseTime)\n");
}

// Small random node sets: Rx and Tx nodes, ties in priority, sparse per-bank
// demands, zero delays. Most sets wait only on lower indexes; the others take
// predecessors and priorities at random, so that cycles occur.
struct RandomCase {
  std::string bus;
  int cores;
  int banks;
  bool oldConfig;
  TestPlatform::Delays delays;
  int verbose;
  std::vector<NodeSpec> tasks;
};

RandomCase randomCase(std::mt19937_64& rng, int mostNodes = 14) {
  const auto pick = [&rng](int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
  };
  RandomCase c;
  c.bus = workingBuses()[pick(0, static_cast<int>(workingBuses().size()) - 1)];
  c.cores = pick(1, 3);
  c.banks = pick(0, 3) == 0 ? 1 : 3;
  c.oldConfig = pick(0, 1) == 1;
  c.delays = {pick(0, 12), pick(0, 4), pick(0, 6)};
  c.verbose = std::vector<int>{-1, 0, 1, 2, 3, 3}[pick(0, 5)];
  const bool ordered = pick(0, 3) != 0;
  // Some sets take dates and demands near 2^64, so that sums wrap around.
  const int shift = pick(0, 7) == 0 ? 58 : 0;
  const int n = pick(0, mostNodes);
  int priority = 0;
  for (int i = 0; i < n; ++i) {
    NodeSpec t;
    t.name = "t" + std::to_string(i);
    const int place = pick(-2, c.cores + 1);
    t.core = place == -2 ? txCoreId : place == -1 ? rxCoreId : std::min(place, c.cores - 1);
    t.demand = (pick(0, 4) == 0 ? 0 : longint_t(pick(1, 40))) << shift;
    for (int b = 0; b < c.banks; ++b) {
      if (pick(0, 1) == 0) continue;
      const int accesses = pick(1, 12);
      t.accesses.emplace_back(b, accesses);
      t.transactions.emplace_back(b, pick(0, 2) == 0 ? pick(0, 15) : accesses);
    }
    priority += pick(0, 2) == 0 ? 1 : 0;
    t.priority = ordered ? priority : pick(0, 3);
    t.release = (pick(0, 2) == 0 ? longint_t(pick(0, 60)) : 0) << shift;
    t.deadline = pick(10, 400);
    for (int d = 0; d < (ordered ? i : n); ++d)
      if (d != i && pick(0, 9) < (d < i ? 2 : 1)) t.deps.push_back(d);
    if (pick(0, 1) == 1) t.traces = {"trace" + std::to_string(i)};
    c.tasks.push_back(std::move(t));
  }
  return c;
}

TEST(ResponseTimeAnalysis, MatchesTheStraightforwardAnalysisOnRandomNodeSets) {
  const ScratchDir scratch;
  const std::filesystem::path dir = scratch.root();
  std::mt19937_64 rng(20240611);
  int failures = 0, cycles = 0;
  for (int run = 0; run < 600 && failures < 5; ++run) {
    RandomCase c = randomCase(rng);
    if (run % 50 == 0) c.verbose = 4;
    Settings settings(c.verbose, dir.string());
    TestPlatform platform(c.bus, c.cores, c.banks, c.oldConfig, c.delays);
    Nodeset fastSet;
    fastSet.setName("r" + std::to_string(run));
    buildGraph(fastSet, c.tasks);
    Nodeset referenceSet = fastSet;

    const Outcome fast = analyse(fastSet, platform);
    ReferenceAnalysis reference(&referenceSet, &platform.proc);
    const Outcome expected = runAnalysis(reference, referenceSet);

    const std::string what = "run " + std::to_string(run) + " " + c.bus +
                             (c.oldConfig ? " old" : "") + " banks " + std::to_string(c.banks);
    const bool same =
        fast.status == expected.status && fast.out == expected.out && fast.err == expected.err &&
        fast.schedulable == expected.schedulable && fast.outerLoopIter == expected.outerLoopIter &&
        fast.responseTimes == expected.responseTimes && fast.releaseDates == expected.releaseDates;
    if (!same) ++failures;
    if (expected.status != 0) ++cycles;
    EXPECT_TRUE(same) << what << "\nfast:\n"
                      << fast.out << fast.err << "reference:\n"
                      << expected.out << expected.err;
  }
  EXPECT_GT(cycles, 0);
}

// With every hash matching, each outer iteration is replayed against all the
// earlier ones, and nearly all turn out to differ: the analysis goes on as if
// nothing had been replayed, under every bus, in release order too, and gives
// what the straightforward analysis gives, lines, images and failures included.
TEST(ResponseTimeAnalysis, FalseMatchesOfTheReleaseDatesLeaveTheAnalysisAsItWas) {
  const ScratchDir scratch;
  const std::filesystem::path dir = scratch.root();
  std::mt19937_64 rng(20261212);
  int failures = 0, replays = 0, cycles = 0;
  for (int run = 0; run < 600 && failures < 5; ++run) {
    RandomCase c = randomCase(rng, 40);
    if (run % 50 == 0) c.verbose = 4;
    Settings settings(c.verbose, dir.string());
    TestPlatform platform(c.bus, c.cores, c.banks, c.oldConfig, c.delays);
    Nodeset fastSet;
    fastSet.setName("r" + std::to_string(run));
    buildGraph(fastSet, c.tasks);
    Nodeset referenceSet = fastSet;
    const Outcome fast = analyseColliding(fastSet, platform);
    ReferenceAnalysis reference(&referenceSet, &platform.proc);
    const Outcome expected = runAnalysis(reference, referenceSet);
    if (expected.outerLoopIter > 2) ++replays;
    if (expected.status != 0) ++cycles;
    if (!(fast == expected)) ++failures;
    EXPECT_TRUE(fast == expected) << "run " << run << " " << c.bus << (c.oldConfig ? " old" : "")
                                  << " verbosity " << c.verbose << "\nfast:\n"
                                  << fast.out << fast.err << "reference:\n"
                                  << expected.out << expected.err;
  }
  EXPECT_GT(replays, 100);
  EXPECT_GT(cycles, 0);
}

// Nodes on any int core id, the pseudo-cores and the ends of the range
// included, next to nodes on the processor's cores: the same results as the
// straightforward analysis, and a core id the processor lacks gives what any
// other core id outside it gives.
TEST(ResponseTimeAnalysis, AnyCoreIdAnswersAsTheStraightforwardAnalysis) {
  const int elsewhere = 1000;  // neither a core of the processor nor a node index
  const struct {
    int core;
    bool inProcessor;
  } ids[] = {{INT_MIN, false},    {INT_MIN + 1, false}, {-12, false},    {txCoreId, true},
             {rxCoreId, true},    {-1, false},          {0, true},       {2000000000, false},
             {2147483636, false}, {INT_MAX - 1, false}, {INT_MAX, false}};
  std::mt19937_64 rng(20261211);
  for (const auto& id : ids)
    for (int run = 0; run < 60; ++run) {
      RandomCase c = randomCase(rng);
      Settings settings(std::min(c.verbose, 3));
      TestPlatform platform(c.bus, c.cores, c.banks, c.oldConfig, c.delays);
      std::vector<NodeSpec> outside = c.tasks;
      for (size_t k = 0; k < c.tasks.size(); k += 2) {
        c.tasks[k].core = id.core;
        outside[k].core = elsewhere;
      }
      Nodeset fastSet, referenceSet, outsideSet;
      buildGraph(fastSet, c.tasks);
      buildGraph(referenceSet, c.tasks);
      buildGraph(outsideSet, outside);
      const Outcome fast = analyse(fastSet, platform);
      ReferenceAnalysis reference(&referenceSet, &platform.proc);
      const std::string what =
          "core " + std::to_string(id.core) + " run " + std::to_string(run) + " " + c.bus;
      EXPECT_TRUE(fast == runAnalysis(reference, referenceSet)) << what;
      if (!id.inProcessor) {
        EXPECT_TRUE(fast == analyse(outsideSet, platform)) << what;
      }
    }
}

// Pass by pass, as printing the pass counts asks for, under every bus and in
// both configurations, on sets large enough that windows overlap others in
// part and in whole, some with dates and demands near 2^64: the output, pass
// counts and results of the straightforward analysis.
TEST(ResponseTimeAnalysis, PassByPassMatchesTheStraightforwardAnalysisOnLargerSets) {
  std::mt19937_64 rng(20261211);
  int failures = 0;
  for (int run = 0; run < 500 && failures < 5; ++run) {
    RandomCase c = randomCase(rng, 40);
    c.bus = workingBuses()[run % workingBuses().size()];
    c.oldConfig = run % 3 == 0;
    Settings settings(2);
    TestPlatform platform(c.bus, c.cores, c.banks, c.oldConfig, c.delays);
    Nodeset fastSet;
    buildGraph(fastSet, c.tasks);
    Nodeset referenceSet = fastSet;
    const Outcome fast = analyse(fastSet, platform);
    ReferenceAnalysis reference(&referenceSet, &platform.proc);
    const Outcome expected = runAnalysis(reference, referenceSet);
    const bool same = fast.status == expected.status && fast.out == expected.out &&
                      fast.err == expected.err && fast.responseTimes == expected.responseTimes &&
                      fast.releaseDates == expected.releaseDates;
    if (!same) ++failures;
    EXPECT_TRUE(same) << "run " << run << " " << c.bus << (c.oldConfig ? " old" : "") << " banks "
                      << c.banks << "\nfast:\n"
                      << fast.out << fast.err << "reference:\n"
                      << expected.out << expected.err;
  }
}

// Larger sets under the monotone buses, printing the pass counts: the passes
// skip the nodes that reached the response times settling in release order
// gives, and the bus counts from the windows' dates, yet print and end as the
// straightforward analysis does.
TEST(ResponseTimeAnalysis, PassesAfterSettlingInReleaseOrderMatchTheStraightforwardAnalysis) {
  std::mt19937_64 rng(20261212);
  const std::vector<std::string> buses = {"BusRR", "BusVesk", "BusFIFO"};
  int failures = 0;
  for (int run = 0; run < 240 && failures < 5; ++run) {
    RandomCase c = randomCase(rng, 120);
    c.bus = buses[run % buses.size()];
    Settings settings(2);
    TestPlatform platform(c.bus, c.cores, c.banks, false, c.delays);
    Nodeset fastSet;
    buildGraph(fastSet, c.tasks);
    Nodeset referenceSet = fastSet;
    const Outcome fast = analyse(fastSet, platform);
    ReferenceAnalysis reference(&referenceSet, &platform.proc);
    const Outcome expected = runAnalysis(reference, referenceSet);
    const bool same = fast == expected;
    if (!same) ++failures;
    EXPECT_TRUE(same) << "run " << run << " " << c.bus << " banks " << c.banks << "\nfast:\n"
                      << fast.out << fast.err << "reference:\n"
                      << expected.out << expected.err;
  }
}

// Larger sets under the monotone buses, where the nodes settle in release
// order and later outer iterations take over what did not change: the same
// results as settling pass by pass, which printing the pass counts asks for.
TEST(ResponseTimeAnalysis, SettlingInReleaseOrderMatchesSettlingPassByPass) {
  std::mt19937_64 rng(20261210);
  const std::vector<std::string> buses = {"BusRR", "BusVesk", "BusFIFO"};
  int failures = 0;
  for (int run = 0; run < 3000 && failures < 5; ++run) {
    RandomCase c = randomCase(rng, 150);
    c.bus = buses[run % buses.size()];
    TestPlatform platform(c.bus, c.cores, c.banks, false, c.delays);
    Nodeset inOrder;
    buildGraph(inOrder, c.tasks);
    Nodeset byPass = inOrder;
    Outcome fast, plain;
    {
      Settings quiet(0);
      fast = analyse(inOrder, platform);
    }
    {
      Settings passCounts(2);
      plain = analyse(byPass, platform);
    }
    const bool same = fast.status == plain.status && fast.schedulable == plain.schedulable &&
                      fast.outerLoopIter == plain.outerLoopIter &&
                      fast.responseTimes == plain.responseTimes &&
                      fast.releaseDates == plain.releaseDates;
    if (!same) ++failures;
    EXPECT_TRUE(same) << "run " << run << " " << c.bus << " banks " << c.banks;
  }
}

// BusFP with memory demands and periods. Where the periodic bound of every
// node reaches its transactions from the start, the nodes settle in release
// order; at the single-precision edges (memory delay 0, windows past 2^23
// under short periods, memory demands near 2^64, bounds whose sum wraps
// around) the analysis settles pass by pass instead. Either way: the results
// of the passes and of the straightforward analysis. Printing the pass counts
// also settles in release order first where that applies, and where it ends
// with response times the bus does not vouch for, the passes run as before:
// the output of the straightforward analysis, pass counts included.
TEST(ResponseTimeAnalysis, BusFPSettlingInReleaseOrderMatchesThePasses) {
  std::mt19937_64 rng(20261211);
  const auto pick = [&rng](int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
  };
  int failures = 0, risesByOverlap = 0, notVouched = 0;
  for (int run = 0; run < 1500 && failures < 5; ++run) {
    RandomCase c = randomCase(rng, 40);
    if (pick(0, 5) == 0) c.delays.mem = 0;
    const int procShift = std::vector<int>{0, 0, 20, 23}[pick(0, 3)];
    for (NodeSpec& t : c.tasks) t.demand <<= procShift;
    TestPlatform platform("BusFP", c.cores, c.banks, false, c.delays);
    Nodeset inOrder;
    buildGraph(inOrder, c.tasks);
    for (int k = 0; k < static_cast<int>(inOrder.getSize()); ++k) {
      const int memory = pick(0, 9);
      inOrder.setMemDemand(k, memory == 0   ? 0
                              : memory == 1 ? ~0UL - pick(0, 2)
                              : memory == 2 ? 1UL << pick(20, 44)
                                            : static_cast<longint_t>(pick(1, 60)));
      const int period = pick(0, 5);
      inOrder.setPeriod(k, period <= 2   ? ~0UL
                           : period == 3 ? 0
                           : period == 4 ? static_cast<longint_t>(pick(1, 300))
                                         : static_cast<longint_t>(pick(1, 5)) << 22);
    }
    if (platform.bus->risesByOverlap(inOrder)) ++risesByOverlap;
    Nodeset byPass = inOrder, plain = inOrder, plainByPass = inOrder;
    Outcome fast, passes, expected, expectedPasses;
    {
      Settings quiet(0);
      fast = analyse(inOrder, platform);
      ReferenceAnalysis reference(&plain, &platform.proc);
      expected = runAnalysis(reference, plain);
    }
    {
      Settings passCounts(2);
      passes = analyse(byPass, platform);
      ReferenceAnalysis reference(&plainByPass, &platform.proc);
      expectedPasses = runAnalysis(reference, plainByPass);
    }
    if (platform.bus->risesByOverlap(inOrder) && !platform.bus->roseByOverlap(byPass)) ++notVouched;
    const bool same =
        passes.out == expectedPasses.out && passes.err == expectedPasses.err &&
        passes.status == expectedPasses.status &&
        passes.responseTimes == expectedPasses.responseTimes && fast.status == passes.status &&
        fast.schedulable == passes.schedulable && fast.outerLoopIter == passes.outerLoopIter &&
        fast.responseTimes == passes.responseTimes && fast.releaseDates == passes.releaseDates &&
        fast.out == expected.out && fast.err == expected.err && fast.status == expected.status &&
        fast.responseTimes == expected.responseTimes && fast.releaseDates == expected.releaseDates;
    if (!same) ++failures;
    EXPECT_TRUE(same) << "run " << run << " memDelay " << c.delays.mem << " banks " << c.banks
                      << " shift " << procShift;
  }
  EXPECT_GT(risesByOverlap, 300);
  EXPECT_GT(notVouched, 10);
}

}  // namespace
