#ifndef TOLLBRIG_BUS_BUS_H
#define TOLLBRIG_BUS_BUS_H

#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "Bus/interference.h"
#include "Platform/processor.h"
#include "Speedup/attachedIndex.h"
#include "count.h"
#include "nodeset.h"

// Abstract bus arbitration model with the window operations its models share.
// Node i's window runs from rel(i) to rel(i) + t; node k occupies rel(k) to
// rel(k) + R(k). All window arithmetic is unsigned 64-bit and wraps.
class Bus : public Interference {
 public:
  Bus() = default;
  explicit Bus(Processor* p) : proc(p) {}
  longint_t getInterference(int i, longint_t t, Nodeset* nodeset, int bank) override = 0;

  // getInterference of node i summed over the banks 0 to banks - 1.
  virtual longint_t bankSum(int i, longint_t t, Nodeset* nodeset, int banks);

  // True once the model was asked for a value it cannot give; the analysis
  // then fails instead of using the answer.
  bool hasFailed() const { return failed; }

  // While an index is attached, the window operations on its node set visit
  // only the nodes it finds near a window, and computeA takes its counts from
  // the sweep when there is one and it answers; nullptr detaches them.
  void attach(const OverlapIndex* index, ReleaseSweep* sweep = nullptr) {
    attached.attach(index, sweep);
  }
  // A sweep for an analysis that takes the nodes in release order, with the
  // counts this model asks for; nullptr when none serves.
  virtual std::unique_ptr<ReleaseSweep> makeSweep(const Nodeset& nodeset, int banks);
  // The models that read by overlap (round robin, two-level with the Rx nodes
  // on every bank, FIFO, and the window part of fixed priority) count node k
  // on a bank as min(demand, window quotient of the overlap by the access
  // delay), so from the full length of its largest demand on. The others
  // read no response time.
  longint_t wholeDemandFrom(const Nodeset& nodeset, int k) const override;

  // Transactions of node i on the bank.
  longint_t computeS(int i, longint_t t, Nodeset* nodeset, int bank);
  // Accesses of the nodes on core c that can fall into node i's window.
  longint_t computeA(int i, int c, longint_t t, Nodeset* nodeset, int bank);
  // Whole demand of the nodes on core c on the bank, wherever they lie.
  longint_t computeNoReleaseA(int i, int c, longint_t t, Nodeset* nodeset, int bank);
  // Periodic workload bound of node k in a window of length t.
  longint_t computeL(int i, int k, longint_t t, Nodeset* nodeset, int bank);
  // computeL of a node with response time respK, memory demand m and the period.
  static longint_t periodicWorkload(longint_t t, longint_t respK, longint_t m, longint_t period,
                                    int memDelay);
  // Its first step: t + respK less the memory cycles of m, in single precision.
  static float periodicWindow(longint_t t, longint_t respK, longint_t m, int memDelay);
  // Overlap bound of the nodes on core c built from node i's own demand.
  longint_t computeY(int i, int c, longint_t t, int S, Nodeset* nodeset, int bank);
  // Accesses of node k that can fall into node i's window: the per-node term of computeA.
  longint_t windowAccesses(int i, longint_t k, longint_t t, Nodeset* nodeset, int bank);

  static bool isRealCore(int core);
  // The least overlap length from which the window quotient reaches the
  // demand, unreachable when no length does. The quotient grows with the length.
  static constexpr longint_t unreachable = ~longint_t{0};
  // Where the demand, the delay and the answer are exact in single precision,
  // the quotient is the integer ceiling, which reaches the demand from
  // (demand - 1) x delay + 1 on.
  static longint_t fullLength(longint_t demand, int delay) {
    if (demand == 0) return 0;
    const auto step = static_cast<longint_t>(delay);
    if (delay > 0 && step <= exactQuotients && demand <= exactQuotients &&
        (demand - 1) * step < exactQuotients)
      return (demand - 1) * step + 1;
    return searchedFullLength(demand, delay);
  }

 protected:
  // computeA or computeNoReleaseA: accesses of one core against node i's window.
  typedef longint_t (Bus::*CoreAccesses)(int i, int c, longint_t t, Nodeset* nodeset, int bank);
  typedef AttachedIndex::CoreSlot CoreSlot;

  int accessDelay() const;

  // Sum of the window accesses of the nodes that wanted accepts: the index's
  // candidates, else every node.
  template <typename Wanted>
  longint_t windowSum(int i, longint_t t, Nodeset* nodeset, int bank, Wanted wanted) {
    const Nodeset& ns = *nodeset;
    longint_t sum = 0;
    if (const OverlapIndex* index = attached.covering(ns, bank)) {
      const longint_t relI = ns.getReleaseDate(i);
      const longint_t end = t + relI;
      const int delay = accessDelay();
      for (const OverlapIndex::Entry& e : index->nodesNear(bank, relI, end))
        if (wanted(static_cast<int>(e.node))) sum += entryAccesses(e, ns, relI, end, delay);
      return sum;
    }
    for (longint_t k = 0; k < ns.getSize(); ++k)
      if (wanted(static_cast<int>(k))) sum += windowAccesses(i, k, t, nodeset, bank);
    return sum;
  }
  // windowSum over the banks 0 to banks - 1, and whether the sweep gave it.
  struct EveryBankSum {
    longint_t sum;
    bool swept;
  };
  // With an index covering those banks together, windowSum over all of them:
  // from the sweep, when it answers with the sum over the nodes ranked below
  // node i and outside its group, else from one walk; nullopt without one.
  template <typename Wanted>
  std::optional<EveryBankSum> windowSumEveryBank(int i, longint_t t, const Nodeset& ns, int banks,
                                                 Wanted wanted) {
    const OverlapIndex* index = attached.coveringEveryBank(ns, banks);
    if (index == nullptr || banks <= 0) return std::nullopt;
    if (const std::optional<longint_t> swept = sweptSumBelow(i, t, ns))
      return EveryBankSum{*swept, true};
    return EveryBankSum{walkEveryBank(i, t, ns, *index, wanted), false};
  }
  // computeA of the Rx core summed over the banks below banks that accepted takes.
  template <typename Accepted>
  longint_t rxAccessesOn(int i, longint_t t, Nodeset* nodeset, int banks, Accepted accepted) {
    longint_t sum = 0;
    const OverlapIndex* index = attached.covering(*nodeset, 0);
    if (index == nullptr) {
      for (int bank = 0; bank < banks; ++bank)
        if (accepted(bank)) sum += computeA(i, rxCoreId, t, nodeset, bank);
      return sum;
    }
    const int slot = processorCores().rx.slot;
    if (slot < 0) return 0;
    const longint_t relI = nodeset->getReleaseDate(i);
    const longint_t end = t + relI;
    const int delay = accessDelay();
    for (const OverlapIndex::Entry& e : index->coreListNearEveryBank(slot, relI, end))
      if (e.bank < banks && accepted(e.bank)) sum += entryAccesses(e, *nodeset, relI, end, delay);
    return sum;
  }
  // The nodes on core c with a demand on the bank.
  longint_t demandingNodes(int c, const Nodeset& nodeset, int bank) const;
  // computeL of node i against the nodes whose priority value is not above
  // the given one, summed, or, once it reaches cap, any value from cap on:
  // the terms are counts, so the sum only grows while no wrap around can follow.
  longint_t periodicWorkloadUpTo(int i, longint_t t, Nodeset* nodeset, int priority, longint_t cap);

  // The banks below banks where node i has transactions, each once with them:
  // the first entry of a bank decides, as in the node set's lookup.
  // The list lives at least until the next call.
  const Nodeset::BankList& transactionBanks(const Nodeset& nodeset, int i, int banks);

  // computeA with the given delay as the divisor of the overlap lengths.
  longint_t windowCount(int i, int c, longint_t t, const Nodeset& nodeset, int bank, int delay);

  // Round robin over the other cores than c (real cores ascending, then Tx and
  // Rx where the processor has them): accDelay x accesses, each capped at cap.
  longint_t roundRobin(CoreAccesses accesses, int i, int c, longint_t t, Nodeset* nodeset, int bank,
                       longint_t cap);

  // Two-level arbitration with separate cases for Rx, Tx and real-core nodes,
  // given node i's transactions S on the bank.
  longint_t twoLevel(CoreAccesses accesses, int i, longint_t t, Nodeset* nodeset, int bank,
                     longint_t S);

  Processor* proc = nullptr;
  bool failed = false;

 private:
  typedef AttachedIndex::ProcessorCores ProcessorCores;

  // fullLength of a demand of at least 1 where the quotient is not the integer ceiling.
  static longint_t searchedFullLength(longint_t demand, int delay);

  // The attached sweep's counts by core-list slot for node i's window on the
  // bank, when it gives them; else nullptr.
  const std::vector<longint_t>* sweptCounts(int i, longint_t t, const Nodeset& nodeset, int bank);
  // The attached sweep's sum over every bank of the counts of the nodes ranked
  // below node i and outside its group, for its window, when it gives one.
  std::optional<longint_t> sweptSumBelow(int i, longint_t t, const Nodeset& nodeset);

  // Length of the overlap of a node from relK to relK + respK with the window
  // from relI to end, 0 without one. It is not clipped to the end.
  static longint_t overlapLength(longint_t relK, longint_t respK, longint_t relI, longint_t end);
  // overlapAccesses of an index entry.
  static longint_t entryAccesses(const OverlapIndex::Entry& e, const Nodeset& nodeset,
                                 longint_t relI, longint_t end, int delay);
  // windowSum over every bank the index covers, from one walk: a node's
  // entries share its overlap, and an entry that the overlap covers for its
  // full length counts its whole demand without a quotient.
  template <typename Wanted>
  longint_t walkEveryBank(int i, longint_t t, const Nodeset& ns, const OverlapIndex& index,
                          Wanted wanted) {
    const longint_t relI = ns.getReleaseDate(i);
    const longint_t end = t + relI;
    const int delay = accessDelay();
    const OverlapIndex::Entry* first = index.nodesEveryBank().data();
    const std::vector<longint_t>& full = attached.everyBankFullLengths(delay);
    longint_t sum = 0, node = ~longint_t{0}, length = 0, reach = 0;
    bool reachKnown = false;
    for (const OverlapIndex::Entry& e : index.nodesNearEveryBank(relI, end)) {
      if (e.node != node) {
        node = e.node;
        const int k = static_cast<int>(node);
        length = wanted(k) ? overlapLength(e.release, ns.getResponseTime(k), relI, end) : 0;
        reachKnown = false;
      }
      if (length == 0) continue;
      const longint_t whole = full[&e - first];
      if (whole != unreachable && length >= whole) {
        sum += e.demand;
        continue;
      }
      if (!reachKnown) reach = windowQuotient(length, delay);
      reachKnown = true;
      sum += std::min(e.demand, reach);
    }
    return sum;
  }

  // Accesses of a node from relK to relK + respK within the window from relI to
  // end: the window quotient of overlapLength, at most its demand on the bank.
  static longint_t overlapAccesses(longint_t relK, longint_t respK, longint_t demand,
                                   longint_t relI, longint_t end, int delay);
  // overlapAccesses of node k with its own dates and demand.
  static longint_t nodeAccesses(const Nodeset& ns, longint_t k, longint_t relI, longint_t end,
                                int delay, int bank);
  // With the index and computeA asked for, computeA of every core list by slot
  // from one walk of the index, kept while the arguments stay and no response
  // time changes; else nullptr.
  const std::vector<longint_t>* countEveryCore(CoreAccesses accesses, int i, longint_t t,
                                               const Nodeset& nodeset, int bank);
  // Those counts from the walk, kept under their arguments.
  const std::vector<longint_t>& walkCounts(int i, longint_t t, const Nodeset& nodeset, int bank,
                                           const OverlapIndex& index);
  // roundRobin from the counts of every core list by slot.
  longint_t roundRobinOf(const std::vector<longint_t>& every, int i, int c, longint_t cap);
  // The processor's cores with their slots, kept while the index stays attached.
  const ProcessorCores& processorCores();
  // With an index attached: the slot of node i's core c when c is a real core
  // of the processor with a list, else -1.
  int ownSlot(int i, int c);
  // twoLevel of a node on a real core from computeA of every core list by slot.
  longint_t realCoreTwoLevel(const longint_t* counts, int i, int c, longint_t B, longint_t M);
  // The accesses of core q: from those counts when there are some, else asked for.
  longint_t coreCount(CoreAccesses accesses, const std::vector<longint_t>* every, int i,
                      const CoreSlot& q, longint_t t, Nodeset* nodeset, int bank);

  AttachedIndex attached;
  Nodeset::BankList ownBanks;
};

#endif
