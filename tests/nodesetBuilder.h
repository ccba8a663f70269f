#ifndef TOLLBRIG_TESTS_NODESETBUILDER_H
#define TOLLBRIG_TESTS_NODESETBUILDER_H

#include <string>
#include <vector>

#include "nodeset.h"

// One element of a node set as a node-set reader would hand it to the builder.
struct NodeInput {
  std::string name;
  int core = 0;
  std::vector<longint_t> deps = {};
  std::vector<std::string> traces = {};
  longint_t release = 0;
  longint_t deadline = 0;
  Nodeset::NoCList noc = {};
  Nodeset::BankList perBank = {};
  int priority = 0;
  longint_t period = 0;
  int bank = 0;
};

// Builds set with the node-set form of init; element i gets global id ids[i],
// or i when ids is empty.
inline void buildNodeset(Nodeset& set, const std::vector<NodeInput>& inputs,
                         std::vector<longint_t> ids = {}) {
  const size_t n = inputs.size();
  if (ids.empty())
    for (size_t i = 0; i < n; ++i) ids.push_back(i);
  std::vector<int> priority, core, bank;
  std::vector<longint_t> deadline, period, release, unused(n);
  std::vector<std::string> name;
  std::vector<std::vector<std::string>> traces;
  std::vector<std::vector<longint_t>> deps;
  std::vector<Nodeset::BankList> perBank;
  std::vector<Nodeset::NoCList> noc;
  for (const NodeInput& in : inputs) {
    priority.push_back(in.priority);
    core.push_back(in.core);
    bank.push_back(in.bank);
    deadline.push_back(in.deadline);
    period.push_back(in.period);
    release.push_back(in.release);
    name.push_back(in.name);
    traces.push_back(in.traces);
    deps.push_back(in.deps);
    perBank.push_back(in.perBank);
    noc.push_back(in.noc);
  }
  set.init(n, priority.data(), deadline.data(), period.data(), release.data(), core.data(),
           name.data(), traces.data(), deps.data(), unused.data(), ids.data(), bank.data(),
           perBank.data(), noc.data(), nullptr);
}

#endif
