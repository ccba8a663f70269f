#include "Bus/bus.h"

#include <algorithm>
#include <cmath>

#include "Platform/processor.h"
#include "Speedup/slotSweep.h"
#include "count.h"
#include "keys.h"
#include "nodeset.h"

namespace {

// Node k can touch node i's window (both bounds strict).
bool overlaps(longint_t relK, longint_t respK, longint_t relI, longint_t end) {
  return relK < end && relI < relK + respK;
}

// A bound of computeL for every node with a memory demand in a window of
// length t, nullopt past 64 bits. It takes computeL's steps with the largest
// response time, the shortest period and the largest memory demand, as each
// step only grows with them: x is at most that of the largest response time
// (the memory cycles only subtract), so the periods at most that of the
// shortest one (a node without a period has none), and the count is at most
// (periods + 1) x the largest demand, give or take the rounding of the sum.
std::optional<longint_t> largestWorkload(longint_t t, const OverlapIndex::MemoryNodes& memory,
                                         longint_t responseBound) {
  const float x = static_cast<float>(t) + static_cast<float>(responseBound);
  const longint_t periods = memory.shortestPeriod == 0
                                ? 0
                                : toCount(floorf(x / static_cast<float>(memory.shortestPeriod)));
  longint_t whole;
  if (__builtin_mul_overflow(periods + 1, memory.largestDemand, &whole) || periods + 1 == 0)
    return std::nullopt;
  longint_t most;
  if (__builtin_add_overflow(whole, (whole >> 50) + 2, &most)) return std::nullopt;
  return most;
}

// The sum of delay x count, each capped at cap, over the counts; it wraps.
// Four at a time, in sums side by side, keep the loop's own work small.
longint_t cappedCycles(const std::vector<longint_t>& counts, int delay, longint_t cap) {
  const auto term = [delay, cap](longint_t count) { return std::min(cycles(delay, count), cap); };
  const longint_t* count = counts.data();
  const size_t n = counts.size();
  longint_t a = 0, b = 0, c = 0, d = 0;
  size_t k = 0;
  for (; k + 4 <= n; k += 4) {
    a += term(count[k]);
    b += term(count[k + 1]);
    c += term(count[k + 2]);
    d += term(count[k + 3]);
  }
  for (; k < n; ++k) a += term(count[k]);
  return (a + b) + (c + d);
}

// Whether count more terms of at most most each keep sum below 2^64.
bool staysBelowWrap(longint_t sum, size_t count, longint_t most) {
  longint_t rest;
  return !__builtin_mul_overflow(static_cast<longint_t>(count), most, &rest) &&
         !__builtin_add_overflow(sum, rest, &rest);
}

}  // namespace

// The pure operation's own body: reached only by an explicit qualified call.
longint_t Bus::getInterference(int i, longint_t t, Nodeset* nodeset, int bank) {
  return Interference::getInterference(i, t, nodeset, bank);
}

longint_t Bus::bankSum(int i, longint_t t, Nodeset* nodeset, int banks) {
  longint_t sum = 0;
  for (int bank = 0; bank < banks; ++bank) sum += getInterference(i, t, nodeset, bank);
  return sum;
}

const Nodeset::BankList& Bus::transactionBanks(const Nodeset& nodeset, int i, int banks) {
  const Nodeset::BankList& list = nodeset.getVecTransactions(i);
  const auto kept = [&list, banks](Nodeset::BankList::const_iterator entry) {
    const int bank = entry->first;
    if (bank < 0 || bank >= banks || entry->second == 0) return false;
    for (auto earlier = list.begin(); earlier != entry; ++earlier)
      if (earlier->first == bank) return false;
    return true;
  };
  // A list that keeps every entry is its own answer, without a copy.
  auto entry = list.begin();
  while (entry != list.end() && kept(entry)) ++entry;
  if (entry == list.end()) return list;
  ownBanks.assign(list.begin(), entry);
  for (; entry != list.end(); ++entry)
    if (kept(entry)) ownBanks.push_back(*entry);
  return ownBanks;
}

int Bus::accessDelay() const { return proc->getAccDelay(); }

std::unique_ptr<ReleaseSweep> Bus::makeSweep(const Nodeset& nodeset, int banks) {
  return std::make_unique<SlotSweep>(nodeset, banks, accessDelay());
}

const std::vector<longint_t>* Bus::sweptCounts(int i, longint_t t, const Nodeset& nodeset,
                                               int bank) {
  ReleaseSweep* sweep = attached.sweep();
  if (sweep == nullptr) return nullptr;
  const longint_t relI = nodeset.getReleaseDate(i);
  return sweep->counts(nodeset, bank, relI, t + relI, accessDelay());
}

std::optional<longint_t> Bus::sweptSumBelow(int i, longint_t t, const Nodeset& nodeset) {
  ReleaseSweep* sweep = attached.sweep();
  if (sweep == nullptr) return std::nullopt;
  const longint_t relI = nodeset.getReleaseDate(i);
  return sweep->sumBelow(nodeset, relI, t + relI, accessDelay(), i);
}

longint_t Bus::overlapLength(longint_t relK, longint_t respK, longint_t relI, longint_t end) {
  if (!overlaps(relK, respK, relI, end)) return 0;
  return relI > relK ? relK + respK - relI : end - relK;
}

longint_t Bus::overlapAccesses(longint_t relK, longint_t respK, longint_t demand, longint_t relI,
                               longint_t end, int delay) {
  return std::min(demand, windowQuotient(overlapLength(relK, respK, relI, end), delay));
}

longint_t Bus::entryAccesses(const OverlapIndex::Entry& e, const Nodeset& nodeset, longint_t relI,
                             longint_t end, int delay) {
  return overlapAccesses(e.release, nodeset.getResponseTime(static_cast<int>(e.node)), e.demand,
                         relI, end, delay);
}

longint_t Bus::nodeAccesses(const Nodeset& ns, longint_t k, longint_t relI, longint_t end,
                            int delay, int bank) {
  const int node = static_cast<int>(k);
  return overlapAccesses(ns.getReleaseDate(node), ns.getResponseTime(node),
                         ns.getMemDemandPerBank(node, bank), relI, end, delay);
}

bool Bus::isRealCore(int core) { return core != rxCoreId && core != txCoreId; }

longint_t Bus::searchedFullLength(longint_t demand, int delay) {
  const auto reaches = [&](longint_t length) { return windowQuotient(length, delay) >= demand; };
  if (delay == 0) return unreachable;  // every quotient is 0
  const longint_t step = static_cast<longint_t>(delay);
  if (demand - 1 <= (unreachable - 1) / step) {
    const longint_t guess = (demand - 1) * step + 1;
    if (reaches(guess) && !reaches(guess - 1)) return guess;
  }
  if (!reaches(unreachable)) return unreachable;
  longint_t lo = 1, hi = unreachable;  // reaches(hi) holds, reaches(lo - 1) does not
  while (lo < hi) {
    const longint_t mid = lo + (hi - lo) / 2;
    if (reaches(mid))
      hi = mid;
    else
      lo = mid + 1;
  }
  return lo;
}

longint_t Bus::computeS(int i, longint_t, Nodeset* nodeset, int bank) {
  return nodeset->getTransactionsPerBank(i, bank);
}

longint_t Bus::windowAccesses(int i, longint_t k, longint_t t, Nodeset* nodeset, int bank) {
  const longint_t relI = nodeset->getReleaseDate(i);
  return nodeAccesses(*nodeset, k, relI, t + relI, proc->getAccDelay(), bank);
}

longint_t Bus::windowCount(int i, int c, longint_t t, const Nodeset& nodeset, int bank, int delay) {
  const longint_t relI = nodeset.getReleaseDate(i);
  const longint_t end = t + relI;
  longint_t sum = 0;
  if (const OverlapIndex* index = attached.covering(nodeset, bank)) {
    const int slot = index->slotOf(c);
    if (slot < 0) return 0;
    if (const std::vector<longint_t>* kept = attached.keptCounts(attached.keyOf(i, t, bank, delay)))
      return (*kept)[slot];
    for (const OverlapIndex::Entry& e : index->coreListNear(slot, bank, relI, end))
      sum += entryAccesses(e, nodeset, relI, end, delay);
    return sum;
  }
  const std::vector<longint_t>* nodes = nodeset.getNodesPerCore(c);
  if (nodes == nullptr) return 0;
  for (longint_t k : *nodes) sum += nodeAccesses(nodeset, k, relI, end, delay, bank);
  return sum;
}

const std::vector<longint_t>* Bus::countEveryCore(CoreAccesses accesses, int i, longint_t t,
                                                  const Nodeset& nodeset, int bank) {
  const OverlapIndex* index = attached.covering(nodeset, bank);
  if (accesses != &Bus::computeA || index == nullptr) return nullptr;
  // The sweep's counts stay as they are until the next question to it, which
  // only comes from here.
  if (const std::vector<longint_t>* swept = sweptCounts(i, t, nodeset, bank)) return swept;
  return &walkCounts(i, t, nodeset, bank, *index);
}

const std::vector<longint_t>& Bus::walkCounts(int i, longint_t t, const Nodeset& nodeset, int bank,
                                              const OverlapIndex& index) {
  const int delay = proc->getAccDelay();
  return attached.counts(attached.keyOf(i, t, bank, delay), [&](std::vector<longint_t>& counts) {
    const longint_t relI = nodeset.getReleaseDate(i);
    const longint_t end = t + relI;
    counts.assign(index.slots(), 0);
    for (const OverlapIndex::Entry& e : index.allCoreListsNear(bank, relI, end))
      counts[e.slot] += entryAccesses(e, nodeset, relI, end, delay);
  });
}

longint_t Bus::coreCount(CoreAccesses accesses, const std::vector<longint_t>* every, int i,
                         const CoreSlot& q, longint_t t, Nodeset* nodeset, int bank) {
  if (every == nullptr) return (this->*accesses)(i, q.core, t, nodeset, bank);
  return q.slot < 0 ? 0 : (*every)[q.slot];
}

const Bus::ProcessorCores& Bus::processorCores() {
  return attached.cores([this](ProcessorCores& cores) {
    cores.all.clear();
    cores.real.clear();
    cores.realSlots.clear();
    for (int core : *proc->getCoresVec()) {
      cores.all.push_back(attached.slotOf(core));
      if (!isRealCore(core)) continue;
      cores.real.push_back(cores.all.back());
      if (cores.all.back().slot >= 0) cores.realSlots.push_back(cores.all.back().slot);
    }
    cores.tx = attached.slotOf(txCoreId);
    cores.rx = attached.slotOf(rxCoreId);
    // The processor's cores are distinct, and so are the slots of their lists.
    const size_t theirs = cores.realSlots.size() + (proc->hasTx() && cores.tx.slot >= 0 ? 1 : 0) +
                          (proc->hasRx() && cores.rx.slot >= 0 ? 1 : 0);
    const OverlapIndex* index = attached.index();
    cores.everySlotTheirs = index != nullptr && theirs == static_cast<size_t>(index->slots());
  });
}

int Bus::ownSlot(int i, int c) {
  return attached.ownSlot(i, [&] {
    for (const CoreSlot& q : processorCores().real)
      if (q.core == c) return q.slot;
    return -1;
  });
}

longint_t Bus::computeA(int i, int c, longint_t t, Nodeset* nodeset, int bank) {
  return windowCount(i, c, t, *nodeset, bank, proc->getAccDelay());
}

longint_t Bus::computeNoReleaseA(int, int c, longint_t, Nodeset* nodeset, int bank) {
  const Nodeset& ns = *nodeset;
  if (const OverlapIndex* index = attached.covering(ns, bank)) return index->listDemand(c, bank);
  const std::vector<longint_t>* nodes = ns.getNodesPerCore(c);
  if (nodes == nullptr) return 0;
  longint_t sum = 0;
  for (longint_t k : *nodes) sum += ns.getMemDemandPerBank(static_cast<int>(k), bank);
  return sum;
}

longint_t Bus::demandingNodes(int c, const Nodeset& nodeset, int bank) const {
  if (const OverlapIndex* index = attached.covering(nodeset, bank))
    return index->listEntries(c, bank);
  longint_t count = 0;
  if (const std::vector<longint_t>* nodes = nodeset.getNodesPerCore(c))
    for (longint_t k : *nodes)
      if (nodeset.getMemDemandPerBank(static_cast<int>(k), bank) != 0) ++count;
  return count;
}

longint_t Bus::computeL(int, int k, longint_t t, Nodeset* nodeset, int) {
  return periodicWorkload(t, nodeset->getResponseTime(k), nodeset->getMemDemand(k),
                          nodeset->getPeriod(k), proc->getMemDelay());
}

longint_t Bus::periodicWorkloadUpTo(int i, longint_t t, Nodeset* nodeset, int priority,
                                    longint_t cap) {
  const Nodeset& ns = *nodeset;
  longint_t sum = 0;
  const OverlapIndex* index = attached.covering(ns, 0);
  if (index == nullptr) {
    for (longint_t k = 0; k < ns.getSize(); ++k) {
      const int node = static_cast<int>(k);
      if (ns.getPriority(node) <= priority) sum += computeL(i, node, t, nodeset, 0);
    }
    return sum;
  }
  // The periodic bound of a node without memory demand is 0 for every window.
  const OverlapIndex::MemoryNodes& memory = index->memoryNodes();
  const size_t count =
      std::upper_bound(memory.priorities.begin(), memory.priorities.end(), priority) -
      memory.priorities.begin();
  const std::optional<longint_t> most = largestWorkload(t, memory, index->responseBound());
  for (size_t p = 0; p < count; ++p) {
    sum += computeL(i, static_cast<int>(memory.nodes[p]), t, nodeset, 0);
    if (sum >= cap && most && staysBelowWrap(sum, count - p - 1, *most)) return sum;
  }
  return sum;
}

float Bus::periodicWindow(longint_t t, longint_t respK, longint_t m, int memDelay) {
  return static_cast<float>(t) + static_cast<float>(respK) -
         static_cast<float>(cycles(memDelay, m));
}

longint_t Bus::periodicWorkload(longint_t t, longint_t respK, longint_t m, longint_t period,
                                int memDelay) {
  const int64_t d = memDelay;
  const float x = periodicWindow(t, respK, m, memDelay);
  const longint_t n = toCount(floorf(x / static_cast<float>(period)));
  const float y = x - static_cast<float>(n * period);
  const float q = ceilf(y / static_cast<float>(d));
  return toCount(std::min(static_cast<double>(q), static_cast<double>(m)) +
                 static_cast<double>(n * m) + 0.0);
}

longint_t Bus::computeY(int i, int c, longint_t t, int S, Nodeset* nodeset, int bank) {
  const Nodeset& ns = *nodeset;
  const std::vector<longint_t>* nodes = ns.getNodesPerCore(c);
  if (nodes == nullptr) return 0;
  const int d = proc->getMemDelay();
  const longint_t m = ns.getMemDemandPerBank(i, bank);
  const longint_t relI = ns.getReleaseDate(i);
  const longint_t end = t + relI;
  const longint_t e = end - cycles(d, m);
  longint_t sum = 0;
  for (longint_t k : *nodes) {
    const longint_t relK = ns.getReleaseDate(static_cast<int>(k));
    const longint_t respK = ns.getResponseTime(static_cast<int>(k));
    if (!overlaps(relK, respK, relI, end)) continue;
    longint_t w =
        relI <= relK ? static_cast<longint_t>(static_cast<int64_t>(S)) - windowQuotient(relK - e, d)
                     : windowQuotient(relK + respK - relI, d);
    w = std::max(w, sum);
    sum += std::min(m, w);
  }
  return sum;
}

longint_t Bus::roundRobin(CoreAccesses accesses, int i, int c, longint_t t, Nodeset* nodeset,
                          int bank, longint_t cap) {
  // Every term is capped, so none needs counting under a cap of 0.
  if (cap == 0) return 0;
  if (const std::vector<longint_t>* every = countEveryCore(accesses, i, t, *nodeset, bank))
    return roundRobinOf(*every, i, c, cap);
  const int acc = proc->getAccDelay();
  const ProcessorCores& cores = processorCores();
  const auto term = [&](const CoreSlot& q) {
    return std::min(cycles(acc, (this->*accesses)(i, q.core, t, nodeset, bank)), cap);
  };
  longint_t sum = 0;
  for (const CoreSlot& q : cores.real)
    if (q.core != c) sum += term(q);
  if (proc->hasTx() && c != txCoreId) sum += term(cores.tx);
  if (proc->hasRx() && c != rxCoreId) sum += term(cores.rx);
  return sum;
}

longint_t Bus::roundRobinOf(const std::vector<longint_t>& every, int i, int c, longint_t cap) {
  const int acc = proc->getAccDelay();
  const ProcessorCores& cores = processorCores();
  const longint_t* count = every.data();
  const auto term = [&](int slot) { return std::min(cycles(acc, count[slot]), cap); };
  // A core without a list counts 0, which adds nothing. The sum wraps as
  // its terms do, so taking node i's own core out again is exact.
  if (cores.everySlotTheirs) {
    const int own = c == txCoreId ? cores.tx.slot : c == rxCoreId ? cores.rx.slot : ownSlot(i, c);
    const longint_t sum = cappedCycles(every, acc, cap);
    return own >= 0 ? sum - term(own) : sum;
  }
  longint_t sum = 0;
  for (int slot : cores.realSlots) sum += term(slot);
  if (const int own = ownSlot(i, c); own >= 0) sum -= term(own);
  if (proc->hasTx() && c != txCoreId && cores.tx.slot >= 0) sum += term(cores.tx.slot);
  if (proc->hasRx() && c != rxCoreId && cores.rx.slot >= 0) sum += term(cores.rx.slot);
  return sum;
}

longint_t Bus::twoLevel(CoreAccesses accesses, int i, longint_t t, Nodeset* nodeset, int bank,
                        longint_t S) {
  const int acc = proc->getAccDelay();
  const int burst = proc->getBurstDelay();
  const longint_t B = cycles(burst, S);
  const longint_t M = cycles(proc->getMemDelay(), S);
  const int c = nodeset->getAssignedTo(i);
  const std::vector<longint_t>* every =
      B != 0 ? countEveryCore(accesses, i, t, *nodeset, bank) : nullptr;
  if (every != nullptr && isRealCore(c)) return realCoreTwoLevel(every->data(), i, c, B, M);
  const auto count = [&](const CoreSlot& q) {
    return coreCount(accesses, every, i, q, t, nodeset, bank);
  };
  const ProcessorCores& slotted = processorCores();
  const std::vector<CoreSlot>& cores = slotted.all;

  // Every term but the Rx accesses of a Tx or real-core node is capped at B, so
  // none of them needs counting when B is 0.
  if (c == rxCoreId) {
    longint_t sum = 0;
    if (B != 0)
      for (const CoreSlot& q : cores)
        if (q.core != rxCoreId) sum += cycles(acc, count(q));
    return M + std::min(sum, B);
  }
  const longint_t rxTerm = cycles(acc, count(slotted.rx));
  if (c == txCoreId) {
    longint_t sum = 0;
    if (B != 0)
      for (const CoreSlot& q : cores)
        if (isRealCore(q.core)) sum += cycles(acc, count(q));
    return M + std::min(sum, B) + rxTerm;
  }
  // Per other real core: its accesses at most one burst of node i's transactions;
  // the Tx accesses at most node i's burst plus the others' burst-weighted accesses.
  longint_t base = proc->isOldConfig() ? M : 0;
  if (B == 0) return base + rxTerm;
  const longint_t tx = cycles(acc, count(slotted.tx));
  longint_t cap = B;
  for (const CoreSlot& q : cores) {
    if (!isRealCore(q.core) || q.core == c) continue;
    const longint_t a = count(q);
    base += std::min(cycles(acc, a), B);
    cap += std::min(cycles(burst, a), B);
  }
  return base + std::min(tx, cap) + rxTerm;
}

longint_t Bus::realCoreTwoLevel(const longint_t* counts, int i, int c, longint_t B, longint_t M) {
  const int acc = proc->getAccDelay();
  const int burst = proc->getBurstDelay();
  const ProcessorCores& cores = processorCores();
  const auto count = [counts](const CoreSlot& q) { return q.slot < 0 ? 0 : counts[q.slot]; };
  longint_t base = proc->isOldConfig() ? M : 0;
  longint_t cap = B;
  const auto add = [&](longint_t a) {
    base += std::min(cycles(acc, a), B);
    cap += std::min(cycles(burst, a), B);
  };
  // Every real core with a list, then node i's own one out again: a core
  // without a list counts 0, which adds nothing, and the sums wrap as their
  // terms do, so taking one out is exact. The slots are ascending, mostly one run.
  const std::vector<int>& real = cores.realSlots;
  if (!real.empty() && real.back() - real.front() + 1 == static_cast<int>(real.size()))
    for (const longint_t *a = counts + real.front(), *stop = a + real.size(); a != stop; ++a)
      add(*a);
  else
    for (int slot : real) add(counts[slot]);
  if (const int own = ownSlot(i, c); own >= 0) {
    base -= std::min(cycles(acc, counts[own]), B);
    cap -= std::min(cycles(burst, counts[own]), B);
  }
  return base + std::min(cycles(acc, count(cores.tx)), cap) + cycles(acc, count(cores.rx));
}

longint_t Bus::wholeDemandFrom(const Nodeset& nodeset, int k) const {
  longint_t most = 0;
  for (const auto& [bank, demand] : nodeset.getVecMemDemand(k)) most = std::max(most, demand);
  return fullLength(most, accessDelay());
}
