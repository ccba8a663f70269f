#include "Bus/busFP.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>

#include "Platform/processor.h"
#include "Speedup/rankSweep.h"
#include "count.h"
#include "keys.h"
#include "nodeset.h"

namespace {

// Largest transactions of node i on the banks 0 to banks - 1.
longint_t largestTransactions(const Nodeset& ns, int i, int banks) {
  longint_t most = 0;
  for (const auto& [bank, count] : ns.getVecTransactions(i))
    if (bank >= 0 && bank < banks) most = std::max(most, ns.getTransactionsPerBank(i, bank));
  return most;
}

// Whether the periodic bound of a node with memory demand m and the period
// grows with t and R(k) while both stay at most highest, at a positive memory
// delay. Its first step x does, as every rounding does. Where no window of
// those reaches a period (none, 0, or x at most half of it), the bound is
// min(ceilf(x / d), m). Below 2^24, with d x m too, every single-precision step
// is exact: the bound is N x m + min(ceil((x - N x T) / d), m) with N the floor
// of x / T, and grows with x. Past that, a quotient that rounds up to a whole
// number of periods leaves a negative rest, and the bound may fall.
bool growsUpTo(longint_t highest, longint_t m, longint_t period, int delay) {
  const float x = Bus::periodicWindow(highest, highest, m, delay);
  if (period == 0 || x <= static_cast<float>(period) / 2) return true;
  const longint_t exact = longint_t{1} << 24;
  longint_t memoryCycles;
  return highest < exact / 2 &&
         !__builtin_mul_overflow(static_cast<longint_t>(delay), m, &memoryCycles) &&
         memoryCycles < exact;
}

}  // namespace

longint_t BusFP::getInterference(int i, longint_t t, Nodeset* nodeset, int bank) {
  const Nodeset& ns = *nodeset;
  const int priority = ns.getPriority(i);
  const longint_t higherOrEqual =
      windowSum(i, t, nodeset, bank, [&](int k) { return ns.getPriority(k) >= priority; });
  const longint_t S = computeS(i, t, nodeset, bank);
  const longint_t lowerOrEqual = periodicWorkloadUpTo(i, t, nodeset, priority, S);
  noteSaturation(i, saturated(i) && lowerOrEqual >= S);
  return cycles(proc->getMemDelay(), higherOrEqual + capped(S, lowerOrEqual) + 1);
}

// The periodic bound and the transactions take the same shape on every bank,
// so with the index covering them all, the window accesses of every bank come
// together, from the sweep when it answers, else from one walk, and the
// workload, which does not depend on the bank, is summed once, and only as far
// as the largest transactions of a bank.
longint_t BusFP::bankSum(int i, longint_t t, Nodeset* nodeset, int banks) {
  const Nodeset& ns = *nodeset;
  noteSaturation(i, true);
  const int priority = ns.getPriority(i);
  const std::optional<EveryBankSum> window =
      windowSumEveryBank(i, t, ns, banks, [&](int k) { return ns.getPriority(k) >= priority; });
  if (!window) return Bus::bankSum(i, t, nodeset, banks);
  // A bank without transactions is charged 1.
  longint_t sum = window->sum + static_cast<longint_t>(banks);
  const Nodeset::BankList& own = transactionBanks(ns, i, banks);
  longint_t most = 0;
  for (const auto& [bank, S] : own) most = std::max(most, S);
  // The sweep serves only a settling in release order, which runs once the
  // bound reaches the transactions from the start and holds only where it
  // still does at the end: there every bank adds its transactions twice.
  const longint_t lowerOrEqual =
      window->swept ? most : periodicWorkloadUpTo(i, t, nodeset, priority, most);
  noteSaturation(i, lowerOrEqual >= most);
  for (const auto& [bank, S] : own) sum += capped(S, lowerOrEqual);
  return cycles(proc->getMemDelay(), sum);
}

// The nodes whose priority value is not below node i's are those ranked below
// node i's rank plus 1.
std::unique_ptr<ReleaseSweep> BusFP::makeSweep(const Nodeset& nodeset, int) {
  const longint_t n = nodeset.getSize();
  std::vector<int> values;
  for (longint_t k = 0; k < n; ++k) values.push_back(nodeset.getPriority(static_cast<int>(k)));
  std::vector<int> distinct = values;
  std::sort(distinct.begin(), distinct.end(), std::greater<>());
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  std::vector<int> rank, bound;
  for (int value : values) {
    rank.push_back(static_cast<int>(
        std::lower_bound(distinct.begin(), distinct.end(), value, std::greater<>()) -
        distinct.begin()));
    bound.push_back(rank.back() + 1);
  }
  return std::make_unique<RankSweep>(nodeset, accessDelay(), std::move(rank), std::vector<int>{},
                                     std::move(bound));
}

bool BusFP::readsByPriority(const Nodeset& nodeset, int k) const {
  return nodeset.getMemDemand(k) != 0;
}

// Node i adds min(L, S) per bank. If the exact sum L reaches the largest S of
// node i at the start, where t and every R(k) are at their processor demands,
// it does in every later state where each term grows with t and R(k) and the
// sum does not wrap around: then node i pays its transactions twice whatever
// the others' response times, and reads them only by overlap. A memory delay
// of 0 charges nothing at all.
bool BusFP::risesByOverlap(const Nodeset& nodeset) const {
  const int delay = proc->getMemDelay();
  if (delay == 0) return true;
  if (delay < 0) return false;
  const longint_t n = nodeset.getSize();
  std::vector<int> memory;
  for (longint_t k = 0; k < n; ++k)
    if (nodeset.getMemDemand(static_cast<int>(k)) != 0) memory.push_back(static_cast<int>(k));
  std::stable_sort(memory.begin(), memory.end(),
                   [&](int a, int b) { return nodeset.getPriority(a) < nodeset.getPriority(b); });
  for (longint_t node = 0; node < n; ++node) {
    const int i = static_cast<int>(node);
    const longint_t most = largestTransactions(nodeset, i, proc->getNumberOfBanks());
    longint_t sum = 0;
    for (auto k = memory.begin();
         sum < most && k != memory.end() && nodeset.getPriority(*k) <= nodeset.getPriority(i);
         ++k) {
      const longint_t term =
          periodicWorkload(nodeset.getProcDemand(i), nodeset.getProcDemand(*k),
                           nodeset.getMemDemand(*k), nodeset.getPeriod(*k), delay);
      if (__builtin_add_overflow(sum, term, &sum)) return false;
    }
    if (sum < most) return false;
  }
  return true;
}

// The response times of a settling in release order only rise from the start,
// so every state it passed lies between the start and the largest response
// time it reached: there every term must grow, and the sum of every node's
// largest term must stay below 2^64. The passes from the start rise within
// the same bounds, so they reach the same response times.
bool BusFP::roseByOverlap(const Nodeset& nodeset) const {
  const int delay = proc->getMemDelay();
  if (delay == 0) return true;
  const longint_t n = nodeset.getSize();
  longint_t highest = 0;
  for (longint_t k = 0; k < n; ++k)
    highest = std::max(highest, nodeset.getResponseTime(static_cast<int>(k)));
  longint_t sum = 0;
  for (longint_t node = 0; node < n; ++node) {
    const int k = static_cast<int>(node);
    const longint_t m = nodeset.getMemDemand(k);
    if (m == 0) continue;
    if (!growsUpTo(highest, m, nodeset.getPeriod(k), delay)) return false;
    const longint_t term = periodicWorkload(highest, highest, m, nodeset.getPeriod(k), delay);
    if (__builtin_add_overflow(sum, term, &sum)) return false;
  }
  return true;
}

bool BusFP::saturated(int i) const {
  return static_cast<size_t>(i) < saturatedLast.size() && saturatedLast[i];
}

void BusFP::noteSaturation(int i, bool reached) {
  if (static_cast<size_t>(i) >= saturatedLast.size()) saturatedLast.resize(i + 1);
  saturatedLast[i] = reached;
}

// Below the bound, computeL is exact and never falls as a response time rises,
// and the workload cannot wrap around, so it stays at or above the caps it
// reached. With t and R(k) at most T: x = t + R(k) - memory cycles is an exact
// integer below 2^24 or negative (computeL is then 0), so with x + period
// below 2^24 the quotient by the period is exact and y is x's remainder, and
// a period of 0 or of 2^24 and more holds no whole period of x; computeL is
// then at most (periods + 1) x m, at most (2T + 1) x m, and the sum
// of the bounds stays below 2^53, where doubles are exact. Within one number
// of periods it grows with y; one more period adds m, at least what min(q, m)
// held. The ceilings divide by the memory delay, so it must be positive.
longint_t BusFP::saturationBound(const Nodeset& nodeset) const {
  const int64_t d = proc->getMemDelay();
  if (d <= 0) return 0;
  constexpr longint_t exactFloat = longint_t{1} << 24, exactDouble = longint_t{1} << 53;
  longint_t periods = 0, demands = 0;
  for (longint_t k = 0; k < nodeset.getSize(); ++k) {
    const longint_t m = nodeset.getMemDemand(static_cast<int>(k));
    if (m == 0) continue;
    const longint_t period = nodeset.getPeriod(static_cast<int>(k));
    if (period < exactFloat) periods = std::max(periods, period);
    if (m >= exactDouble - demands) return 0;
    demands += m;
  }
  if (demands == 0 || periods >= exactFloat - 1) return 0;
  const longint_t byFloat = (exactFloat - 1 - periods) / 2;
  const longint_t byDouble = ((exactDouble - 1) / demands - 1) / 2;
  return std::min(byFloat, byDouble);
}

// The node's transactions and the workload capped at them.
longint_t BusFP::capped(longint_t S, longint_t lowerOrEqual) {
  return S + std::min(lowerOrEqual, S);
}
