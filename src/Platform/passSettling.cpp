#include "Platform/passSettling.h"

#include <iostream>
#include <string>
#include <utility>

#include "Platform/core.h"
#include "Platform/hashMix.h"
#include "Platform/processor.h"
#include "Platform/rta.h"
#include "nodeset.h"

namespace {

// Hash of entry i holding v, in the vector the salt stands for.
const std::uint64_t responseSalt = 0x9e3779b97f4a7c15ULL;
const std::uint64_t prevSalt = 0xc2b2ae3d27d4eb4fULL;
std::uint64_t entryHash(longint_t i, longint_t v, std::uint64_t salt) {
  return hashMix(hashMix(i ^ salt) + v);
}

}  // namespace

PassSetup::PassSetup(const Nodeset& nodeset, Processor& proc)
    : ns(nodeset), processor(proc), index(nodeset, proc.getNumberOfBanks()) {}

PassSetup::~PassSetup() = default;

PassCounts* PassSetup::start(bool limited) {
  index.restart();
  if (stale)
    stale->restart();
  else
    stale = std::make_unique<StaleNodes>(ns, *processor.getCore(), *processor.getBus());
  if (!limited) return nullptr;
  if (!counts)
    counts =
        std::make_unique<PassCounts>(ns, processor.getNumberOfBanks(), processor.getAccDelay());
  counts->begin(index);
  return counts.get();
}

PassSettling::PassSettling(const ResponseTimeAnalysis& rta, Nodeset& nodeset, Processor& proc,
                           std::vector<longint_t> start, std::vector<longint_t> reached,
                           PassSetup& setup)
    : analysis(rta),
      ns(nodeset),
      processor(proc),
      prevR(std::move(start)),
      limit(std::move(reached)),
      differs(prevR.size()),
      index(setup.index),
      counts(setup.start(!limit.empty())),
      stale(*setup.stale),
      lent(proc.getBus(), index, counts) {
  for (longint_t i = 0; i < prevR.size(); ++i)
    hash += entryHash(i, prevR[i], responseSalt) + entryHash(i, prevR[i], prevSalt);
}

longint_t PassSettling::responseTime(longint_t i) const {
  return ns.getResponseTime(static_cast<int>(i));
}

bool PassSettling::runPass() {
  const longint_t n = ns.getSize();
  bool moved = false;
  stale.beginPass();
  for (longint_t k = stale.next(0); k < n; k = stale.next(k + 1)) {
    stale.computed(k);
    if (!limit.empty() && responseTime(k) == limit[k]) continue;
    const longint_t r = analysis.equation(static_cast<int>(k));
    if (r == responseTime(k)) continue;
    store(k, r);
    moved = true;
  }
  return moved;
}

void PassSettling::store(longint_t i, longint_t r) {
  const longint_t before = responseTime(i);
  ns.setResponseTime(static_cast<int>(i), r);
  if (r == before) return;
  index.noteResponseTime(r);
  if (counts) counts->changed(i);
  stale.changed(i, before, r);
  differs.assign(i, prevR[i] != r);
  hash += entryHash(i, r, responseSalt) - entryHash(i, before, responseSalt);
}

longint_t PassSettling::firstDifference(const std::vector<longint_t>& replayed) const {
  longint_t i = 0;
  while (i < replayed.size() && replayed[i] == responseTime(i)) ++i;
  return i;
}

// Takes over node i's new response time, reporting a fall.
void PassSettling::refresh(longint_t i) {
  const longint_t r = responseTime(i);
  if (prevR[i] > r) {
    const std::vector<std::string>& traces = ns.getTraceVector(static_cast<int>(i));
    std::cout << "Warning: task ID " << i << ": " << (traces.empty() ? "" : traces.front())
              << " old " << prevR[i] << " new " << r << '\n';
  }
  hash += entryHash(i, r, prevSalt) - entryHash(i, prevR[i], prevSalt);
  prevR[i] = r;
  differs.reset(i);
}

// Once a pass changes nothing, all later passes repeat it, so the remaining
// refreshes are taken in one sweep instead of one pass each.
PassSettling::Outcome PassSettling::settle(int& passes) {
  const longint_t n = ns.getSize();
  const std::vector<longint_t> start = prevR;
  StateLog seen;
  passes = 0;
  for (int pass = 1;; ++pass) {
    const bool moved = runPass();
    if (processor.getBus()->hasFailed()) return Outcome::busFailed;
    if (!moved) {
      for (longint_t i = differs.next(0); i < n; i = differs.next(i + 1)) {
        refresh(i);
        ++passes;
      }
      return Outcome::settled;
    }
    const longint_t i = differs.next(0);
    if (i == n) return Outcome::settled;
    if (revisits(seen, start, pass)) return Outcome::goesRound;
    refresh(i);
    ++passes;
  }
}

// Whether the state after this pass (response times and prevR) was seen after an
// earlier pass; a repeated state means the passes go round for ever. States are
// kept as hashes, and a matching hash is confirmed by replaying the passes up to
// the earlier one.
bool PassSettling::revisits(StateLog& seen, const std::vector<longint_t>& start, int pass) {
  const std::vector<int> earlier = seen.note(hash, pass);
  bool repeated = false;
  if (!earlier.empty()) {
    const longint_t n = start.size();
    std::vector<longint_t> current(n);
    for (longint_t i = 0; i < n; ++i) current[i] = responseTime(i);
    for (auto it = earlier.begin(); it != earlier.end() && !repeated; ++it) {
      std::vector<longint_t> replayed = start;
      for (longint_t i = 0; i < n; ++i) store(i, start[i]);
      stale.markAll();
      for (int p = 1; p <= *it; ++p) {
        runPass();
        if (p == *it) break;
        const longint_t i = firstDifference(replayed);
        replayed[i] = responseTime(i);
      }
      repeated = replayed == prevR;
      for (longint_t i = 0; i < n && repeated; ++i) repeated = responseTime(i) == current[i];
      for (longint_t i = 0; i < n; ++i) store(i, current[i]);
      stale.markAll();
    }
  }
  return repeated;
}
