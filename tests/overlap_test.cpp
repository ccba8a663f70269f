#include <algorithm>
#include <climits>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Speedup/overlapIndex.h"
#include "Speedup/passCounts.h"
#include "Speedup/previousSettling.h"
#include "Speedup/rangeRankSums.h"
#include "Speedup/rankSweep.h"
#include "Speedup/rankTotals.h"
#include "Speedup/releaseSweep.h"
#include "Speedup/slotSweep.h"
#include "Speedup/sortedSearch.h"
#include "Speedup/staleNodes.h"
#include "rta_support.h"

namespace {

// Random node sets whose dates and response times sit near 0 or near the top
// of the 64-bit range, so that windows and intervals also wrap around.
class Scenes {
 public:
  explicit Scenes(std::uint64_t seed) : rng(seed) {}

  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

  longint_t time() {
    return pick(0, 5) == 0 ? ~0UL - pick(0, 40) : static_cast<longint_t>(pick(0, 60));
  }

  // Mostly with the Tx and Rx cores, sometimes without one of them.
  std::unique_ptr<TestPlatform> platform(const std::string& bus, int cores, int banks) {
    auto p =
        std::make_unique<TestPlatform>(bus, cores, banks, pick(0, 1) == 1,
                                       TestPlatform::Delays{pick(0, 12), pick(0, 4), pick(0, 6)});
    p->proc.setTx(pick(0, 4) != 0);
    p->proc.setRx(pick(0, 4) != 0);
    return p;
  }

  void fill(Nodeset& ns, int cores, int banks, int most = 12) {
    std::vector<NodeSpec> tasks;
    const int n = pick(1, most);
    for (int i = 0; i < n; ++i) {
      NodeSpec t;
      t.name = "t" + std::to_string(i);
      // Now and then on a core the processor lacks.
      const int place = pick(-2, cores + 1);
      t.core = place == -2     ? txCoreId
               : place == -1   ? rxCoreId
               : place > cores ? cores
                               : std::min(place, cores - 1);
      t.demand = pick(0, 30);
      for (int b = 0; b < banks; ++b)
        if (pick(0, 2) != 0) {
          t.accesses.emplace_back(b, pick(1, 9));
          t.transactions.emplace_back(b, pick(0, 9));
          // A bank listed twice: the first entry counts.
          if (pick(0, 5) == 0) t.transactions.emplace_back(b, pick(0, 9));
        }
      t.priority = pick(0, 3);
      tasks.push_back(std::move(t));
    }
    buildGraph(ns, tasks);
    for (int i = 0; i < n; ++i) {
      ns.setReleaseDate(i, time());
      ns.setResponseTime(i, time());
      if (pick(0, 2) == 0) ns.setMemDemand(i, pick(1, 4));
      ns.setPeriod(i, pick(0, 3) == 0 ? 0 : pick(1, 80));
    }
  }

  // Small release dates, and response times that are 0 only where a node has
  // no work to do, as a settling leaves them; the distinct dates in order.
  std::vector<longint_t> settle(Nodeset& ns) {
    std::vector<longint_t> dates;
    for (int i = 0; i < static_cast<int>(ns.getSize()); ++i) {
      ns.setReleaseDate(i, pick(0, 3) == 0 ? 0 : pick(0, 60));
      const bool idle = ns.getProcDemand(i) == 0 && pick(0, 1) == 0;
      ns.setResponseTime(i, idle ? 0 : pick(1, 60));
      dates.push_back(ns.getReleaseDate(i));
    }
    std::sort(dates.begin(), dates.end());
    dates.erase(std::unique(dates.begin(), dates.end()), dates.end());
    return dates;
  }

 private:
  std::mt19937_64 rng;
};

// A scene under the run's bus model: a random platform and a node set on it.
struct Scene {
  Scene(Scenes& scenes, int run)
      : bus(workingBuses()[run % workingBuses().size()]),
        cores(scenes.pick(1, 3)),
        banks(scenes.pick(1, 3)),
        platform(scenes.platform(bus, cores, banks)) {
    scenes.fill(ns, cores, banks);
  }
  const std::string bus;
  const int cores;
  const int banks;
  const std::unique_ptr<TestPlatform> platform;
  Nodeset ns;
};

// Every window operation of the model, for every node, bank and core, with and
// without the index attached.
void expectSameAnswers(Bus& bus, Nodeset& ns, const OverlapIndex& index, int banks,
                       const std::vector<longint_t>& windows, const std::string& what) {
  const std::vector<int> cores = {INT_MIN, rxCoreId, txCoreId, 0, 1, 2, INT_MAX};
  for (int i = 0; i < static_cast<int>(ns.getSize()); ++i)
    for (int bank = 0; bank < banks; ++bank)
      for (longint_t t : windows) {
        std::vector<longint_t> plain, indexed;
        for (bool attached : {false, true}) {
          bus.attach(attached ? &index : nullptr);
          std::vector<longint_t>& answers = attached ? indexed : plain;
          answers.push_back(bus.getInterference(i, t, &ns, bank));
          for (int c : cores) {
            answers.push_back(bus.computeA(i, c, t, &ns, bank));
            answers.push_back(bus.computeNoReleaseA(i, c, t, &ns, bank));
          }
        }
        bus.attach(nullptr);
        EXPECT_EQ(plain, indexed) << what << " node " << i << " bank " << bank << " t " << t;
      }
  // The sum over all banks, which a model may take without asking every bank.
  for (int i = 0; i < static_cast<int>(ns.getSize()); ++i)
    for (longint_t t : windows) {
      longint_t perBank = 0;
      for (int bank = 0; bank < banks; ++bank) perBank += bus.getInterference(i, t, &ns, bank);
      for (bool attached : {false, true}) {
        bus.attach(attached ? &index : nullptr);
        EXPECT_EQ(bus.bankSum(i, t, &ns, banks), perBank)
            << what << " node " << i << " t " << t << (attached ? " indexed" : "");
      }
      bus.attach(nullptr);
    }
}

TEST(OverlapIndex, WindowOperationsAnswerAsWithoutIt) {
  Scenes scenes(11);
  for (int run = 0; run < 400; ++run) {
    Scene scene(scenes, run);
    OverlapIndex index(scene.ns, scene.banks);
    const std::string what = "run " + std::to_string(run) + " " + scene.bus;
    std::vector<longint_t> windows = {0, scenes.time(), scenes.time(), ~0UL};
    expectSameAnswers(*scene.platform->bus, scene.ns, index, scene.banks, windows, what);

    // Response times that change after the index was built, raised or lowered,
    // between two questions with the same arguments.
    Bus& model = *scene.platform->bus;
    const int n = static_cast<int>(scene.ns.getSize());
    for (int change = 0; change < 3; ++change) {
      const int i = scenes.pick(0, n - 1), bank = scenes.pick(0, scene.banks - 1);
      const longint_t t = windows[scenes.pick(0, 3)];
      model.attach(&index);
      model.getInterference(i, t, &scene.ns, bank);
      const longint_t r = scenes.time();
      scene.ns.setResponseTime(scenes.pick(0, n - 1), r);
      index.noteResponseTime(r);
      const longint_t indexed = model.getInterference(i, t, &scene.ns, bank);
      model.attach(nullptr);
      EXPECT_EQ(model.getInterference(i, t, &scene.ns, bank), indexed)
          << what << " change " << change;
    }
    expectSameAnswers(model, scene.ns, index, scene.banks, windows, what + " after changes");

    // The next settlings under new release dates, of no node, some or all,
    // with the index kept and restarted.
    for (int settling = 0; settling < 2; ++settling) {
      const int moved = scenes.pick(0, 2);
      for (int k = 0; k < n; ++k) {
        if (moved == 2 || (moved == 1 && scenes.pick(0, 3) == 0))
          scene.ns.setReleaseDate(k, scenes.time());
        scene.ns.setResponseTime(k, scenes.time());
      }
      index.restart();
      expectSameAnswers(model, scene.ns, index, scene.banks, windows,
                        what + " settling " + std::to_string(settling));
    }
  }
}

// At access delay 0 no overlap reaches a demand, not even one of 2^64 - 1
// cycles, the longest a window can give.
TEST(OverlapIndex, LongestOverlapAtAccessDelayZeroCountsNothing) {
  const struct {
    const char* bus;
    int asked;  // node 0 goes before node 1 under BusFIFO; node 1 reads node 0 under BusFP
  } cases[] = {{"BusFIFO", 0}, {"BusFP", 1}};
  for (const auto& c : cases) {
    TestPlatform platform(c.bus, 2, 1, false, TestPlatform::Delays{10, 0, 5});
    std::vector<NodeSpec> tasks(2);
    for (int k = 0; k < 2; ++k) {
      tasks[k].name = "t" + std::to_string(k);
      tasks[k].core = k;
      tasks[k].priority = 1 - k;
      tasks[k].demand = 1;
      tasks[k].accesses = {{0, 3}};
      tasks[k].transactions = {{0, 1}};
    }
    Nodeset ns;
    buildGraph(ns, tasks);
    for (int k = 0; k < 2; ++k) ns.setResponseTime(k, 10);
    const longint_t t = ~longint_t{0};
    const longint_t plain = platform.bus->bankSum(c.asked, t, &ns, 1);
    OverlapIndex index(ns, 1);
    platform.bus->attach(&index);
    EXPECT_EQ(platform.bus->bankSum(c.asked, t, &ns, 1), plain) << c.bus;
    platform.bus->attach(nullptr);
  }
}

// A processor without banks charges nothing, with the index or without.
TEST(OverlapIndex, NoBanksChargeNothing) {
  for (const char* bus : {"BusFIFO", "BusFP"})
    for (int banks : {0, -1}) {
      TestPlatform platform(bus, 2, banks, false);
      std::vector<NodeSpec> tasks(2);
      for (int k = 0; k < 2; ++k) {
        tasks[k].name = "t" + std::to_string(k);
        tasks[k].core = k;
        tasks[k].accesses = {{0, 3}};
        tasks[k].transactions = {{0, 1}};
      }
      Nodeset ns;
      buildGraph(ns, tasks);
      OverlapIndex index(ns, banks);
      platform.bus->attach(&index);
      EXPECT_EQ(platform.bus->bankSum(0, 50, &ns, banks), 0u) << bus << " " << banks;
      platform.bus->attach(nullptr);
    }
}

// A model keeps its processor's core-list slots while an index stays attached,
// for every question it is asked. Moved to the index of another node set,
// whose lists sit in other slots, or detached, it answers each set as it does
// without any index; so it does for the set the attached index does not cover.
TEST(OverlapIndex, KeptSlotsFollowTheAttachedIndex) {
  Scenes scenes(13);
  for (int run = 0; run < 200; ++run) {
    const int cores = scenes.pick(1, 3), banks = scenes.pick(1, 3);
    const auto platform = scenes.platform(run % 3 == 0 ? "BusVesknr" : "BusVesk", cores, banks);
    Bus& bus = *platform->bus;
    Nodeset sets[2];
    for (Nodeset& ns : sets) scenes.fill(ns, cores, banks);
    const OverlapIndex first(sets[0], banks), second(sets[1], banks);
    const OverlapIndex* indexes[] = {nullptr, &first, &second};
    const std::vector<longint_t> windows = {0, scenes.time(), scenes.time(), ~0UL};
    // What each set gets with nothing attached, per node and window: the sum
    // over the banks, then each bank.
    const auto answers = [&](Nodeset& ns) {
      std::vector<longint_t> all;
      for (int i = 0; i < static_cast<int>(ns.getSize()); ++i)
        for (longint_t t : windows) {
          all.push_back(bus.bankSum(i, t, &ns, banks));
          for (int bank = 0; bank < banks; ++bank)
            all.push_back(bus.getInterference(i, t, &ns, bank));
        }
      return all;
    };
    bus.attach(nullptr);
    const std::vector<longint_t> plain[] = {answers(sets[0]), answers(sets[1])};
    for (int step = 0; step < 6; ++step) {
      const int attached = scenes.pick(0, 2), asked = scenes.pick(0, 1);
      bus.attach(indexes[attached]);
      EXPECT_EQ(answers(sets[asked]), plain[asked])
          << "run " << run << " step " << step << " index " << attached << " set " << asked;
    }
    bus.attach(nullptr);
  }
}

// Counts by slot of node i's window of length t on a bank against computeA's.
void expectCountsOfComputeA(const std::vector<longint_t>* counts, Bus& bus, Nodeset& ns,
                            const OverlapIndex& index, int i, int bank, longint_t t,
                            const std::string& what) {
  ASSERT_NE(counts, nullptr) << what;
  for (int c : {rxCoreId, txCoreId, 0, 1, 2}) {
    const int slot = index.slotOf(c);
    if (slot < 0) continue;
    EXPECT_EQ((*counts)[slot], bus.computeA(i, c, t, &ns, bank))
        << what << " node " << i << " core " << c << " bank " << bank << " t " << t;
  }
}

// The counts by slot of one window at node i's release date against computeA's;
// under an access delay of 0 there are none.
void expectSweptCounts(SlotSweep& sweep, Bus& bus, Nodeset& ns, const OverlapIndex& index, int i,
                       int bank, longint_t t, int delay, const std::string& what) {
  const longint_t date = ns.getReleaseDate(i);
  const std::vector<longint_t>* counts = sweep.counts(ns, bank, date, date + t, delay);
  if (delay == 0) {
    EXPECT_EQ(counts, nullptr) << what;
    return;
  }
  expectCountsOfComputeA(counts, bus, ns, index, i, bank, t, what);
}

// Windows opening at each release date in turn, with the nodes released
// earlier final: the sweep's counts per core list are computeA's.
// Some sets are long, so that the windows asked one after the other, longer
// and shorter, end far apart in a list.
TEST(ReleaseSweep, CountsAsComputeAForWindowsTakenInReleaseOrder) {
  Scenes scenes(12);
  for (int run = 0; run < 330; ++run) {
    const int cores = scenes.pick(1, 3), banks = scenes.pick(1, 3);
    const auto platform = scenes.platform("BusRR", cores, banks);
    Bus& bus = *platform->bus;
    Nodeset ns;
    scenes.fill(ns, cores, banks, run < 300 ? 12 : 400);
    const int n = static_cast<int>(ns.getSize());
    const std::vector<longint_t> dates = scenes.settle(ns);
    OverlapIndex index(ns, banks);
    const int delay = platform->proc.getAccDelay();
    SlotSweep sweep(ns, banks, delay);
    sweep.begin(index);
    for (longint_t date : dates) {
      sweep.enter(date);
      for (int i = 0; i < n; ++i) {
        if (ns.getReleaseDate(i) != date) continue;
        for (int bank = 0; bank < banks; ++bank)
          for (longint_t t : {0, scenes.pick(1, 20), scenes.pick(20, 200)})
            expectSweptCounts(sweep, bus, ns, index, i, bank, t, delay,
                              "run " + std::to_string(run));
      }
    }
    // A window that does not open at the current date is not the sweep's.
    EXPECT_EQ(sweep.counts(ns, 0, dates.back() + 1, dates.back() + 5, delay), nullptr);
  }
}

// Windows asked in any order, while response times rise, fall, and start or
// stop at 0 for the nodes with no work: the counts of computeA, for windows of
// length 0 too and past every node. One object serves several settlings under
// new dates, some with a change reported before the first question.
TEST(PassCounts, CountAsComputeAForWindowsInAnyOrderAsResponseTimesChange) {
  Scenes scenes(31);
  for (int run = 0; run < 330; ++run) {
    const int cores = scenes.pick(1, 3), banks = scenes.pick(1, 3);
    const auto platform = scenes.platform("BusRR", cores, banks);
    Bus& bus = *platform->bus;
    Nodeset ns;
    scenes.fill(ns, cores, banks, run < 300 ? 12 : 400);
    const int n = static_cast<int>(ns.getSize());
    const int delay = platform->proc.getAccDelay();
    PassCounts counts(ns, banks, delay);
    const auto change = [&](OverlapIndex& index) {
      const int k = scenes.pick(0, n - 1);
      const longint_t old = ns.getResponseTime(k);
      const int how = scenes.pick(0, 5);
      const longint_t r = how == 0 && ns.getProcDemand(k) == 0 ? 0
                          : how <= 1                           ? old / 2 + 1
                                                               : old + scenes.pick(1, 40);
      if (r == old) return;
      ns.setResponseTime(k, r);
      index.noteResponseTime(r);
      counts.changed(k);
    };
    for (int settling = 0; settling < 2; ++settling) {
      scenes.settle(ns);
      OverlapIndex index(ns, banks);
      counts.begin(index);
      if (scenes.pick(0, 1) == 0) change(index);
      for (int step = 0; step < 4 * n + 20; ++step) {
        const int i = scenes.pick(0, n - 1);
        const int bank = scenes.pick(0, banks - 1);
        for (longint_t t : {0, scenes.pick(1, 20), scenes.pick(20, 200)})
          expectSweptCounts(counts, bus, ns, index, i, bank, t, delay,
                            "run " + std::to_string(run) + " settling " + std::to_string(settling) +
                                " step " + std::to_string(step));
        change(index);
      }
    }
  }
}

// The branch-free searches find std::lower_bound's and std::upper_bound's
// places in every part of sorted values, with repeats, at the ends and empty.
TEST(SortedSearch, FindsTheBoundsOfTheStandardSearches) {
  const std::vector<std::vector<longint_t>> sets = {
      {}, {5}, {1, 2, 3, 4, 5, 6, 7, 8}, {0, 0, 3, 3, 3, 9, 9, ~0UL}, {4, 4, 4, 4, 4, 4, 4}};
  for (const std::vector<longint_t>& v : sets)
    for (size_t lo = 0; lo <= v.size(); ++lo)
      for (size_t hi = lo; hi <= v.size(); ++hi)
        for (longint_t value : {longint_t{0}, longint_t{1}, longint_t{3}, longint_t{4},
                                longint_t{5}, longint_t{10}, ~0UL}) {
          const auto first = v.begin() + static_cast<long>(lo);
          const auto last = v.begin() + static_cast<long>(hi);
          EXPECT_EQ(firstNotBelow(v, lo, hi, value),
                    static_cast<size_t>(std::lower_bound(first, last, value) - v.begin()))
              << lo << " " << hi << " " << value;
          EXPECT_EQ(partitionSorted(v, lo, hi, [value](longint_t x) { return x <= value; }),
                    static_cast<size_t>(std::upper_bound(first, last, value) - v.begin()))
              << lo << " " << hi << " " << value;
        }
}

// The table finds the same places, for values spread evenly, bunched, far
// apart and at both ends of the 64-bit range, asked inside, between and
// beyond them.
TEST(SortedSearch, IndexFindsTheBoundsOfTheStandardSearches) {
  Scenes scenes(41);
  std::vector<std::vector<longint_t>> sets = {
      {}, {7}, {0, ~0UL}, {3, 3, 3}, {0, 1, 2, 1000000, 1000001, ~0UL - 1, ~0UL}};
  for (int run = 0; run < 60; ++run) {
    std::vector<longint_t> v;
    const int n = scenes.pick(1, 300), spread = scenes.pick(0, 2);
    for (int i = 0; i < n; ++i)
      v.push_back(spread == 0   ? static_cast<longint_t>(scenes.pick(0, 50))
                  : spread == 1 ? static_cast<longint_t>(scenes.pick(0, 1 << 30)) * 4096
                                : scenes.time());
    std::sort(v.begin(), v.end());
    sets.push_back(std::move(v));
  }
  for (const std::vector<longint_t>& v : sets) {
    SortedIndex index;
    index.build(v);
    std::vector<longint_t> asked = {0, 1, ~0UL, ~0UL - 1};
    for (longint_t value : v)
      for (longint_t near : {value - 1, value, value + 1}) asked.push_back(near);
    for (int q = 0; q < 20; ++q) asked.push_back(scenes.time() * 977);
    for (longint_t value : asked) {
      EXPECT_EQ(index.firstNotBelow(v, value),
                static_cast<size_t>(std::lower_bound(v.begin(), v.end(), value) - v.begin()))
          << value << " of " << v.size() << " from " << v.front() << " to " << v.back();
      EXPECT_EQ(index.firstAbove(v, value),
                static_cast<size_t>(std::upper_bound(v.begin(), v.end(), value) - v.begin()))
          << value;
    }
  }
}

// The windows of a node settling at a date grow a little or much, stay or
// shrink, on the banks in turn, and the next node starts small again; the
// sweep moves from the last window's counts, so each answer must still be
// computeA's. Idle nodes start to run halfway, which changes what their
// entries count. One sweep serves several settlings under new dates, as an
// analysis keeps it.
TEST(ReleaseSweep, CountsAsComputeAWhileWindowsMoveAtADate) {
  Scenes scenes(15);
  for (int run = 0; run < 200; ++run) {
    const int cores = scenes.pick(1, 3), banks = scenes.pick(1, 3);
    const auto platform = scenes.platform("BusRR", cores, banks);
    Bus& bus = *platform->bus;
    const int delay = platform->proc.getAccDelay();
    if (delay == 0) continue;
    Nodeset ns;
    scenes.fill(ns, cores, banks, run < 150 ? 12 : 400);
    const int n = static_cast<int>(ns.getSize());
    SlotSweep sweep(ns, banks, delay);
    for (int settling = 0; settling < 3; ++settling) {
      const std::vector<longint_t> dates = scenes.settle(ns);
      OverlapIndex index(ns, banks);
      sweep.begin(index);
      for (longint_t date : dates) {
        sweep.enter(date);
        std::vector<int> idle;
        for (int i = 0; i < n; ++i)
          if (ns.getReleaseDate(i) == date && ns.getResponseTime(i) == 0) idle.push_back(i);
        for (int i = 0; i < n; ++i) {
          if (ns.getReleaseDate(i) != date) continue;
          longint_t t = static_cast<longint_t>(scenes.pick(1, 10));
          for (int step = 0; step < 8; ++step) {
            if (step == 4)
              for (int k : idle) ns.setResponseTime(k, static_cast<longint_t>(scenes.pick(1, 9)));
            const int move = scenes.pick(0, 9);
            t = move == 0   ? t
                : move == 1 ? static_cast<longint_t>(scenes.pick(1, 10))
                : move == 2 ? t + static_cast<longint_t>(scenes.pick(100, 400))
                            : t + static_cast<longint_t>(scenes.pick(1, 12));
            const int bank = scenes.pick(0, banks - 1);
            expectSweptCounts(sweep, bus, ns, index, i, bank, t, delay,
                              "run " + std::to_string(run) + " settling " +
                                  std::to_string(settling) + " step " + std::to_string(step));
          }
        }
      }
    }
  }
}

void expectSameEntries(std::span<const OverlapIndex::Entry> kept,
                       std::span<const OverlapIndex::Entry> fresh, const std::string& what) {
  ASSERT_EQ(kept.size(), fresh.size()) << what;
  for (size_t e = 0; e < kept.size(); ++e) {
    const OverlapIndex::Entry &a = kept[e], &b = fresh[e];
    EXPECT_TRUE(a.release == b.release && a.demand == b.demand && a.node == b.node &&
                a.slot == b.slot && a.bank == b.bank)
        << what << " entry " << e;
  }
}

// An index restarted for the next settling answers as one built for it,
// whether no release date moved, a few or all, and whatever tables it had
// built before; so does a sweep over it.
TEST(OverlapIndex, RestartedAnswersAsOneBuiltAnew) {
  Scenes scenes(41);
  for (int run = 0; run < 200; ++run) {
    const int cores = scenes.pick(1, 3), banks = scenes.pick(1, 3);
    const auto platform = scenes.platform("BusRR", cores, banks);
    Nodeset ns;
    scenes.fill(ns, cores, banks, run < 150 ? 12 : 200);
    const int n = static_cast<int>(ns.getSize());
    const int delay = platform->proc.getAccDelay();
    OverlapIndex kept(ns, banks);
    SlotSweep sweep(ns, banks, delay);
    std::vector<longint_t> dates = scenes.settle(ns);
    for (int settling = 0; settling < 5; ++settling) {
      const std::string what =
          "run " + std::to_string(run) + " settling " + std::to_string(settling);
      if (settling > 0) {
        const int moved = scenes.pick(0, 2);
        if (moved == 2) dates = scenes.settle(ns);
        for (int k = 0; moved == 1 && k < n; ++k)
          if (scenes.pick(0, 3) == 0)
            ns.setReleaseDate(k, static_cast<longint_t>(scenes.pick(0, 60)));
        for (int k = 0; moved < 2 && k < n; ++k)
          ns.setResponseTime(
              k, static_cast<longint_t>(scenes.pick(ns.getProcDemand(k) == 0 ? 0 : 1, 60)));
        dates.clear();
        for (int k = 0; k < n; ++k) dates.push_back(ns.getReleaseDate(k));
        std::sort(dates.begin(), dates.end());
        dates.erase(std::unique(dates.begin(), dates.end()), dates.end());
        kept.restart();
      }
      OverlapIndex fresh(ns, banks);
      // Each kind of table is asked of the kept index in some settlings only.
      const int asked = scenes.pick(0, 31);
      EXPECT_EQ(kept.releaseOrder(), fresh.releaseOrder()) << what;
      EXPECT_EQ(kept.responseBound(), fresh.responseBound()) << what;
      const longint_t relI = static_cast<longint_t>(scenes.pick(0, 60));
      const longint_t end = relI + static_cast<longint_t>(scenes.pick(0, 60));
      for (int bank = 0; bank < banks; ++bank) {
        if (asked & 1)
          expectSameEntries(kept.allCoreListsNear(bank, relI, end),
                            fresh.allCoreListsNear(bank, relI, end), what + " core lists");
        if (asked & 2)
          expectSameEntries(kept.nodesNear(bank, relI, end), fresh.nodesNear(bank, relI, end),
                            what + " nodes");
        for (int slot = 0; (asked & 4) && slot < kept.slots(); ++slot)
          expectSameEntries(kept.coreListNear(slot, bank, relI, end),
                            fresh.coreListNear(slot, bank, relI, end), what + " core list");
        for (int core = 0; (asked & 4) && core < cores; ++core)
          EXPECT_EQ(kept.listDemand(core, bank), fresh.listDemand(core, bank)) << what;
      }
      for (int slot = 0; (asked & 8) && slot < kept.slots(); ++slot)
        expectSameEntries(kept.coreListNearEveryBank(slot, relI, end),
                          fresh.coreListNearEveryBank(slot, relI, end), what + " every bank");
      if (asked & 16)
        expectSameEntries(kept.nodesEveryBank(), fresh.nodesEveryBank(), what + " nodes");
      if (delay == 0) continue;
      sweep.begin(kept);
      for (longint_t date : dates) {
        sweep.enter(date);
        for (int i = 0; i < n; ++i)
          if (ns.getReleaseDate(i) == date)
            expectSweptCounts(sweep, *platform->bus, ns, kept, i, scenes.pick(0, banks - 1),
                              static_cast<longint_t>(scenes.pick(0, 80)), delay, what);
      }
    }
  }
}

// The sweep's sum over every bank of the window accesses of the nodes ahead of
// node i (ranked below its bound, in another group if there are groups),
// against the sum node by node.
longint_t aheadByHand(Bus& bus, Nodeset& ns, int i, longint_t t, int banks,
                      const std::vector<int>& rank, const std::vector<int>& group,
                      const std::vector<int>& bound) {
  longint_t sum = 0;
  for (int k = 0; k < static_cast<int>(ns.getSize()); ++k)
    if (rank[k] < bound[i] && (group.empty() || group[k] != group[i]))
      for (int bank = 0; bank < banks; ++bank) sum += bus.windowAccesses(i, k, t, &ns, bank);
  return sum;
}

// With groups and each node's rank as its bound, as BusFIFO asks; without
// groups and with bounds above the ranks, as BusFP asks.
TEST(ReleaseSweep, SumsBelowARankAsNodeByNodeForWindowsTakenInReleaseOrder) {
  Scenes scenes(13);
  for (int run = 0; run < 600; ++run) {
    const bool grouped = run % 2 == 0;
    const int cores = scenes.pick(1, 3), banks = scenes.pick(1, 3);
    const auto platform = scenes.platform(grouped ? "BusFIFO" : "BusFP", cores, banks);
    Bus& bus = *platform->bus;
    Nodeset ns;
    scenes.fill(ns, cores, banks);
    const int n = static_cast<int>(ns.getSize());
    std::vector<int> rank(n), group, bound(n);
    for (int i = 0; i < n; ++i) {
      rank[i] = scenes.pick(0, 6);
      bound[i] = grouped ? rank[i] : rank[i] + scenes.pick(0, 2);
      if (grouped) group.push_back(scenes.pick(0, 2));
    }
    const int delay = platform->proc.getAccDelay();
    // One sweep for two settlings under new release dates, as an analysis
    // keeps it from one to the next.
    RankSweep sweep =
        grouped ? RankSweep(ns, delay, rank, group) : RankSweep(ns, delay, rank, group, bound);
    for (int settling = 0; settling < 2; ++settling) {
      const std::vector<longint_t> dates = scenes.settle(ns);
      OverlapIndex index(ns, banks);
      sweep.begin(index);
      for (longint_t date : dates) {
        sweep.enter(date);
        for (int i = 0; i < n; ++i) {
          if (ns.getReleaseDate(i) != date) continue;
          for (longint_t t : {0, scenes.pick(1, 20), scenes.pick(20, 200)}) {
            const std::optional<longint_t> sum = sweep.sumBelow(ns, date, date + t, delay, i);
            if (delay == 0) {
              EXPECT_FALSE(sum);
              continue;
            }
            ASSERT_TRUE(sum);
            EXPECT_EQ(*sum, aheadByHand(bus, ns, i, t, banks, rank, group, bound))
                << "run " << run << " settling " << settling << " node " << i << " t " << t;
          }
        }
      }
      EXPECT_FALSE(sweep.sumBelow(ns, dates.back() + 1, dates.back() + 5, delay, 0));
    }
  }
}

// Long windows over many nodes, asked often enough that the sweep sums the
// nodes counted whole by rank instead of walking them; with groups, and
// without them under bounds above the ranks.
TEST(ReleaseSweep, SumsBelowARankOverLongRuns) {
  for (const bool grouped : {true, false}) {
    Scenes scenes(14);
    const int cores = 3, banks = 2, n = 1500;
    TestPlatform platform("BusFIFO", cores, banks, false, TestPlatform::Delays{10, 1, 5});
    Nodeset ns;
    std::vector<NodeSpec> tasks(n);
    for (int k = 0; k < n; ++k) {
      tasks[k].name = "t" + std::to_string(k);
      tasks[k].core = k % cores;
      tasks[k].demand = 1;
      tasks[k].accesses = {{k % banks, scenes.pick(1, 3)}};
      tasks[k].transactions = {{k % banks, 1}};
    }
    buildGraph(ns, tasks);
    std::vector<int> rank(n), group, bound(n);
    for (int k = 0; k < n; ++k) {
      rank[k] = scenes.pick(0, 400);
      bound[k] = grouped ? rank[k] : rank[k] + 1;
      if (grouped) group.push_back(k % cores);
    }
    RankSweep sweep(ns, 1, rank, group, bound);
    // The second settling sees the nodes from 20 on in the reverse order.
    for (int settling = 0; settling < 2; ++settling) {
      for (int k = 0; k < n; ++k) {
        ns.setReleaseDate(k, k < 20 ? 0 : settling == 0 ? k : n + 19 - k);
        ns.setResponseTime(k, scenes.pick(1, 5));
      }
      OverlapIndex index(ns, banks);
      sweep.begin(index);
      for (longint_t date : {0, 20, 21}) {
        sweep.enter(date);
        for (int asked = 0; asked < 100; ++asked) {
          const int i = date == 0       ? scenes.pick(0, 19)
                        : settling == 0 ? static_cast<int>(date)
                                        : n + 19 - static_cast<int>(date);
          const longint_t t = static_cast<longint_t>(scenes.pick(1200, 2000));
          const std::optional<longint_t> sum = sweep.sumBelow(ns, date, date + t, 1, i);
          ASSERT_TRUE(sum);
          EXPECT_EQ(*sum, aheadByHand(*platform.bus, ns, i, t, banks, rank, group, bound))
              << (grouped ? "grouped" : "ungrouped") << " settling " << settling << " date " << date
              << " node " << i << " t " << t;
        }
      }
    }
  }
}

TEST(RangeRankSums, SumsTheWeightsBelowABoundInARange) {
  Scenes scenes(15);
  for (int run = 0; run < 200; ++run) {
    const int size = scenes.pick(0, 40), largest = scenes.pick(0, 1 << scenes.pick(0, 12));
    std::vector<int> ranks;
    std::vector<longint_t> weights;
    for (int p = 0; p < size; ++p) {
      ranks.push_back(scenes.pick(0, largest));
      weights.push_back(scenes.time());
    }
    RangeRankSums sums;
    sums.build(ranks, weights);
    for (int asked = 0; asked < 30; ++asked) {
      const size_t lo = static_cast<size_t>(scenes.pick(0, size));
      const size_t hi = static_cast<size_t>(scenes.pick(static_cast<int>(lo), size));
      const int bound = scenes.pick(-1, largest + 2);
      longint_t expected = 0;
      for (size_t p = lo; p < hi; ++p)
        if (ranks[p] < bound) expected += weights[p];
      EXPECT_EQ(sums.below(lo, hi, bound), expected)
          << "run " << run << " [" << lo << ", " << hi << ") below " << bound;
    }
  }
}

TEST(RankTotals, TotalsTheRanksBelowABound) {
  Scenes scenes(16);
  for (int run = 0; run < 100; ++run) {
    const int ranks = scenes.pick(0, 50);
    RankTotals totals;
    totals.reset(ranks);
    std::vector<longint_t> byRank(ranks, 0);
    for (int change = 0; change < 60 && ranks > 0; ++change) {
      const int rank = scenes.pick(0, ranks - 1);
      const longint_t value = scenes.time();
      totals.add(rank, value);
      byRank[rank] += value;
      const int bound = scenes.pick(0, ranks + 1);
      longint_t expected = 0;
      for (int r = 0; r < std::min(bound, ranks); ++r) expected += byRank[r];
      EXPECT_EQ(totals.below(bound), expected) << "run " << run << " below " << bound;
    }
  }
}

// The right-hand side of the response-time equation of node i at its own window.
longint_t equation(TestPlatform& platform, Nodeset& ns, int i, int banks) {
  const longint_t t = ns.getResponseTime(i);
  longint_t bus = 0;
  for (int bank = 0; bank < banks; ++bank) bus += platform.bus->getInterference(i, t, &ns, bank);
  return ns.getProcDemand(i) + platform.core.getInterference(i, t, &ns, 0) + bus;
}

// A node whose equation a changed response time moves must be stale, under
// what each model declares it reads.
TEST(StaleNodes, ChangedResponseTimeMarksEveryNodeItMoves) {
  Scenes scenes(23);
  for (int run = 0; run < 3000; ++run) {
    Scene scene(scenes, run);
    const int n = static_cast<int>(scene.ns.getSize());
    // Response times that start or stop at 0 matter to the nodes released with k.
    const int k = scenes.pick(0, n - 1);
    if (scenes.pick(0, 5) == 0) scene.ns.setResponseTime(k, 0);
    StaleNodes stale(scene.ns, scene.platform->core, *scene.platform->bus);
    std::vector<longint_t> before(n);
    for (int i = 0; i < n; ++i) {
      before[i] = equation(*scene.platform, scene.ns, i, scene.banks);
      stale.computed(i);
    }
    const longint_t old = scene.ns.getResponseTime(k);
    const int change = scenes.pick(0, 5);
    const longint_t r = change == 0 ? 0 : change <= 2 ? scenes.time() : old + scenes.pick(1, 20);
    scene.ns.setResponseTime(k, r);
    stale.changed(k, old, r);
    for (int i = 0; i < n; ++i) {
      if (equation(*scene.platform, scene.ns, i, scene.banks) == before[i]) continue;
      EXPECT_EQ(stale.next(i), static_cast<longint_t>(i))
          << "run " << run << " " << scene.bus << ": node " << k << " from " << old << " to " << r
          << " moves node " << i;
    }
    // A pass computes the nodes in index order, so those before k, computed
    // before the change, are still stale in the next pass.
    stale.beginPass();
    for (int i = 0; i < k; ++i) {
      if (equation(*scene.platform, scene.ns, i, scene.banks) == before[i]) continue;
      EXPECT_EQ(stale.next(i), static_cast<longint_t>(i))
          << "run " << run << " " << scene.bus << ": node " << k << " from " << old << " to " << r
          << " moves node " << i << " in the next pass";
    }
  }
}

// The right-hand side as a pass takes it: the bus summed over the banks in one call.
longint_t passEquation(TestPlatform& platform, Nodeset& ns, int i, int banks) {
  const longint_t t = ns.getResponseTime(i);
  return ns.getProcDemand(i) + platform.core.getInterference(i, t, &ns, 0) +
         platform.bus->bankSum(i, t, &ns, banks);
}

// Under BusFP, with the index attached as in a pass: a node whose last
// evaluation saturated is spared by a rise read by priority, and every node
// whose equation a change moves is still stale, also with response times near
// the bound below which saturation holds, with demands that make the workload
// large, and near 2^64.
TEST(StaleNodes, SaturatedNodesAreSparedOnlyWhereTheyKeepTheirValue) {
  Scenes scenes(41);
  int spared = 0;
  for (int run = 0; run < 4000; ++run) {
    const int cores = scenes.pick(1, 3), banks = scenes.pick(1, 3);
    const auto platform = scenes.platform("BusFP", cores, banks);
    Nodeset ns;
    scenes.fill(ns, cores, banks);
    const int n = static_cast<int>(ns.getSize());
    const int scale = scenes.pick(0, 4);
    for (int i = 0; i < n; ++i) {
      if (scale == 1) ns.setResponseTime(i, (longint_t{1} << 23) - scenes.pick(0, 200));
      // Past 2^24, single precision rounds the periods of computeL.
      if (scale == 4) {
        ns.setResponseTime(i, (longint_t{1} << 24) + scenes.pick(0, 1 << 22));
        ns.setPeriod(i, (longint_t{1} << 24) + scenes.pick(0, 1 << 22));
      }
      if (scale == 2 && ns.getMemDemand(i) != 0)
        ns.setMemDemand(i, (longint_t{1} << 46) + scenes.pick(0, 9));
      if (scale == 3 && scenes.pick(0, 1) == 0)
        ns.setPeriod(i, (longint_t{1} << 24) - scenes.pick(0, 90));
    }
    const int k = scenes.pick(0, n - 1);
    if (ns.getMemDemand(k) == 0) ns.setMemDemand(k, scenes.pick(1, 4));
    OverlapIndex index(ns, banks);
    platform->bus->attach(&index);
    StaleNodes stale(ns, platform->core, *platform->bus);
    std::vector<longint_t> before(n);
    for (int i = 0; i < n; ++i) {
      before[i] = passEquation(*platform, ns, i, banks);
      stale.computed(i);
    }
    const longint_t old = ns.getResponseTime(k);
    const int change = scenes.pick(0, 5);
    const longint_t r = change == 0   ? old / 2
                        : change == 1 ? old + scenes.pick(1, 1 << 22)
                                      : old + scenes.pick(1, 40);
    ns.setResponseTime(k, r);
    index.noteResponseTime(r);
    stale.changed(k, old, r);
    // Saturation is that of the last evaluation, so ask before evaluating again.
    std::vector<bool> staleNow(n), staleNext(n);
    for (int i = 0; i < n; ++i) staleNow[i] = stale.next(i) == static_cast<longint_t>(i);
    stale.beginPass();
    for (int i = 0; i < k; ++i) staleNext[i] = stale.next(i) == static_cast<longint_t>(i);
    for (int i = 0; i < n; ++i) {
      if (passEquation(*platform, ns, i, banks) == before[i]) {
        if (i != k && ns.getPriority(i) >= ns.getPriority(k) && !staleNow[i]) ++spared;
        continue;
      }
      EXPECT_TRUE(staleNow[i]) << "run " << run << ": node " << k << " from " << old << " to " << r
                               << " moves node " << i;
      if (i < k) {
        EXPECT_TRUE(staleNext[i]) << "run " << run << ": node " << i << " in the next pass";
      }
    }
    platform->bus->attach(nullptr);
  }
  EXPECT_GT(spared, 0);
}

// Under BusFP a node with a memory demand is read by every node whose
// priority value is not below its own. Two such nodes change late in a pass,
// the first with the higher value: a node before both that reads only the
// second is stale in the next pass, one that reads neither is not.
TEST(StaleNodes, ChangesReadByPriorityReachTheNextPass) {
  TestPlatform platform("BusFP", 2, 1, false);
  Nodeset ns;
  std::vector<NodeSpec> tasks(5);
  const int priorities[] = {0, 3, 9, 4, 1};
  for (int k = 0; k < 5; ++k) {
    tasks[k].name = "t" + std::to_string(k);
    tasks[k].priority = priorities[k];
  }
  buildGraph(ns, tasks);
  for (int k = 0; k < 5; ++k) ns.setResponseTime(k, 10);
  ns.setMemDemand(3, 1);
  ns.setMemDemand(4, 1);
  StaleNodes stale(ns, platform.core, *platform.bus);
  stale.beginPass();
  for (int k = 0; k < 5; ++k) stale.computed(k);
  stale.changed(3, 10, 20);
  stale.changed(4, 10, 20);
  stale.beginPass();
  EXPECT_EQ(stale.next(0), 1u);  // node 0 reads neither, node 1 reads node 4
  EXPECT_EQ(stale.next(2), 2u);
  EXPECT_EQ(stale.next(3), 3u);  // the changed nodes themselves
}

// Stale nodes taken up by restart under new release dates and response times,
// after changes of their own in earlier passes, answer as ones built anew,
// through the changes, computed nodes and passes that follow.
TEST(StaleNodes, RestartAnswersAsBuiltAnew) {
  Scenes scenes(61);
  for (int run = 0; run < 600; ++run) {
    Scene scene(scenes, run);
    const int n = static_cast<int>(scene.ns.getSize());
    const auto change = [&](std::vector<StaleNodes*> sets) {
      const int k = scenes.pick(0, n - 1);
      const longint_t old = scene.ns.getResponseTime(k);
      const longint_t r = scenes.pick(0, 4) == 0 ? scenes.time() : old + scenes.pick(1, 20);
      scene.ns.setResponseTime(k, r);
      for (StaleNodes* stale : sets) stale->changed(k, old, r);
    };
    StaleNodes carried(scene.ns, scene.platform->core, *scene.platform->bus);
    for (int step = 0; step < 6; ++step) {
      carried.beginPass();
      carried.computed(scenes.pick(0, n - 1));
      change({&carried});
    }
    if (scenes.pick(0, 1) == 0)
      scenes.settle(scene.ns);
    else
      for (int i = 0; i < n; ++i) {
        scene.ns.setReleaseDate(i, scenes.time());
        scene.ns.setResponseTime(i, scenes.time());
      }
    carried.restart();
    StaleNodes fresh(scene.ns, scene.platform->core, *scene.platform->bus);
    for (int pass = 0; pass < 4; ++pass) {
      carried.beginPass();
      fresh.beginPass();
      for (int i = 0; i < n; ++i) {
        ASSERT_EQ(carried.next(i), fresh.next(i))
            << "run " << run << " " << scene.bus << " pass " << pass << " node " << i;
        carried.computed(i);
        fresh.computed(i);
        if (scenes.pick(0, 3) == 0) change({&carried, &fresh});
      }
    }
  }
}

// The nodes by release date, equal dates by index.
std::vector<longint_t> releaseOrderOf(const Nodeset& ns) {
  std::vector<longint_t> order(ns.getSize());
  for (longint_t k = 0; k < order.size(); ++k) order[k] = k;
  std::stable_sort(order.begin(), order.end(), [&ns](longint_t a, longint_t b) {
    return ns.getReleaseDate(static_cast<int>(a)) < ns.getReleaseDate(static_cast<int>(b));
  });
  return order;
}

// A node keeps its last response time unless it moved, a changed node's
// interval reaches past the date, or a moved node started or starts within
// its last window, against that rule node by node; the moved nodes' dates of
// both settlings are merged for the search.
TEST(PreviousSettling, KeepsExactlyTheNodesNoChangeReaches) {
  Scenes scenes(52);
  for (int run = 0; run < 300; ++run) {
    const int cores = scenes.pick(1, 3), banks = scenes.pick(1, 2);
    Nodeset ns;
    scenes.fill(ns, cores, banks, run < 250 ? 12 : 100);
    const int n = static_cast<int>(ns.getSize());
    const auto date = [&ns](longint_t k) { return ns.getReleaseDate(static_cast<int>(k)); };
    const auto response = [&ns](longint_t k) { return ns.getResponseTime(static_cast<int>(k)); };
    for (int k = 0; k < n; ++k) {
      ns.setReleaseDate(k, static_cast<longint_t>(scenes.pick(0, 60)));
      ns.setResponseTime(k, static_cast<longint_t>(scenes.pick(1, 30)));
    }
    PreviousSettling previous(ns);
    previous.record(releaseOrderOf(ns));
    std::vector<longint_t> oldRelease, oldResponse, newResponse;
    for (int k = 0; k < n; ++k) {
      oldRelease.push_back(date(k));
      oldResponse.push_back(response(k));
      const int change = scenes.pick(0, 5);
      if (change == 0) ns.setReleaseDate(k, static_cast<longint_t>(scenes.pick(0, 60)));
      newResponse.push_back(change == 1 ? static_cast<longint_t>(scenes.pick(1, 30)) : response(k));
    }
    const auto moved = [&](longint_t k) { return date(k) != oldRelease[k]; };
    const auto expected = [&](longint_t i, longint_t at) {
      if (moved(i)) return false;
      for (longint_t k = 0; k < static_cast<longint_t>(n); ++k) {
        if (moved(k)) {
          if (oldRelease[k] < at && oldRelease[k] + oldResponse[k] > at) return false;
          if (date(k) < at && date(k) + newResponse[k] > at) return false;
          for (longint_t start : {oldRelease[k], date(k)})
            if (start >= at && start < at + oldResponse[i]) return false;
        } else if (date(k) < at && newResponse[k] != oldResponse[k] &&
                   date(k) + std::max(newResponse[k], oldResponse[k]) > at) {
          return false;
        }
      }
      return true;
    };
    const std::vector<longint_t> order = releaseOrderOf(ns);
    previous.begin(order);
    for (size_t first = 0; first < order.size();) {
      const longint_t at = date(order[first]);
      previous.enter(at);
      size_t last = first;
      for (; last < order.size() && date(order[last]) == at; ++last)
        EXPECT_EQ(previous.keeps(order[last]), expected(order[last], at))
            << "run " << run << " node " << order[last] << " date " << at;
      for (; first < last; ++first) {
        ns.setResponseTime(static_cast<int>(order[first]), newResponse[order[first]]);
        previous.settled(order[first]);
      }
    }
  }
}

}  // namespace
