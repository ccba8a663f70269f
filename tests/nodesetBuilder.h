#ifndef TOLLBRIG_TESTS_NODESETBUILDER_H
#define TOLLBRIG_TESTS_NODESETBUILDER_H

#include <optional>
#include <string>
#include <vector>

#include "nodeset.h"

// One node as the tests hand it to either form of Nodeset::init.
struct NodeSpec {
  std::string name;
  int core = 0;
  longint_t demand = 0;
  Nodeset::BankList accesses = {};
  Nodeset::BankList transactions = {};
  std::vector<longint_t> deps = {};
  std::vector<std::string> traces = {};
  longint_t release = 0;
  // Absent: 0 in the node-set form, no deadline (~0) in the graph form.
  std::optional<longint_t> deadline = {};
  Nodeset::NoCList noc = {};
  Nodeset::BankList perBank = {};
  int priority = 0;
  longint_t period = 0;
  int bank = 0;
};

// The nodes' fields column by column, as both forms of init take them.
struct NodeColumns {
  NodeColumns(const std::vector<NodeSpec>& specs, longint_t absentDeadline) {
    for (const NodeSpec& spec : specs) {
      name.push_back(spec.name);
      core.push_back(spec.core);
      demand.push_back(spec.demand);
      accesses.push_back(spec.accesses);
      transactions.push_back(spec.transactions);
      deps.push_back(spec.deps);
      traces.push_back(spec.traces);
      release.push_back(spec.release);
      deadline.push_back(spec.deadline.value_or(absentDeadline));
      noc.push_back(spec.noc);
      perBank.push_back(spec.perBank);
      priority.push_back(spec.priority);
      period.push_back(spec.period);
      bank.push_back(spec.bank);
    }
  }

  std::vector<std::string> name;
  std::vector<int> core;
  std::vector<longint_t> demand;
  std::vector<Nodeset::BankList> accesses, transactions;
  std::vector<std::vector<longint_t>> deps;
  std::vector<std::vector<std::string>> traces;
  std::vector<longint_t> release, deadline;
  std::vector<Nodeset::NoCList> noc;
  std::vector<Nodeset::BankList> perBank;
  std::vector<int> priority;
  std::vector<longint_t> period;
  std::vector<int> bank;
};

// Builds set with the node-set form of init; element i gets global id ids[i],
// or i when ids is empty.
inline void buildNodeset(Nodeset& set, const std::vector<NodeSpec>& specs,
                         std::vector<longint_t> ids = {}) {
  const size_t n = specs.size();
  if (ids.empty())
    for (size_t i = 0; i < n; ++i) ids.push_back(i);
  NodeColumns c(specs, 0);
  std::vector<longint_t> unused(n);
  set.init(n, c.priority.data(), c.deadline.data(), c.period.data(), c.release.data(),
           c.core.data(), c.name.data(), c.traces.data(), c.deps.data(), unused.data(), ids.data(),
           c.bank.data(), c.perBank.data(), c.noc.data(), nullptr);
}

// Builds set with the graph form of init; node i gets global id i. It takes the
// demands and bank accesses and leaves out perBank.
inline void buildGraph(Nodeset& set, const std::vector<NodeSpec>& specs) {
  const size_t n = specs.size();
  std::vector<longint_t> ids;
  for (size_t i = 0; i < n; ++i) ids.push_back(i);
  NodeColumns c(specs, ~0UL);
  set.init(n, c.demand.data(), c.accesses.data(), c.transactions.data(), c.noc.data(),
           c.priority.data(), c.deadline.data(), c.period.data(), c.release.data(), c.core.data(),
           c.name.data(), c.traces.data(), c.deps.data(), ids.data(), c.bank.data(), nullptr);
}

#endif
