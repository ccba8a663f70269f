#include "graphLayoutReader.h"

#include <map>
#include <string>
#include <unordered_set>
#include <vector>

#include "nodesetReading.h"

namespace {

using namespace nodesetReading;

// Every node on a core comes to depend on each node of lower index on the
// same core that it had no direct dependency with, in either direction.
void addVirtualDeps(const std::vector<int>& core, std::vector<std::vector<longint_t>>& deps) {
  std::vector<std::unordered_set<longint_t>> direct;
  direct.reserve(deps.size());
  for (const auto& list : deps) direct.emplace_back(list.begin(), list.end());
  std::map<int, std::vector<longint_t>> onCore;
  for (std::size_t i = 0; i < core.size(); ++i) onCore[core[i]].push_back(i);
  for (const auto& [c, members] : onCore)
    for (std::size_t later = 1; later < members.size(); ++later)
      for (std::size_t earlier = 0; earlier < later; ++earlier) {
        const longint_t a = members[earlier];
        const longint_t b = members[later];
        if (!direct[b].count(a) && !direct[a].count(b)) deps[b].push_back(a);
      }
}

// Optional unsigned value of a newFormat node; 0 when absent.
longint_t optionalCount(const YAML::Node& properties, const std::string& key) {
  const YAML::Node value = properties[key];
  return value.IsDefined() ? value.as<longint_t>() : 0;
}

// Reader of the newFormat layout: nodes with their own demands, and edges
// that carry dependencies and data volumes.
class GraphLayoutReader {
 public:
  GraphLayoutReader(const YAML::Node& doc, bool cw, bool oneBank)
      : singleBank(oneBank),
        deadline(globalDeadline(doc)),
        nodes(section(doc, KEYS::nodes)),
        edges(section(doc, KEYS::edges)),
        n(nodes.size()) {
    // Rx and Tx elements and write phases would take positions that this
    // layout never fills.
    for (const std::string& key : {KEYS::rx, KEYS::tx})
      if (section(doc, key).size() > 0)
        report(doc[key].Mark(), key + " entries are not supported in the newFormat layout");
    if (cw)
      report(YAML::Mark::null_mark(), "The option -cw is not supported with the newFormat layout");
    addNames(nodes, 0, index);
  }

  void read(Nodeset& ns, const std::string& name, bool virtualDeps) {
    ElementArrays elements(n);
    std::vector<longint_t> procDemand(n);
    std::vector<Nodeset::BankList> memDemandPerBank(n);
    std::vector<Nodeset::BankList> transactionsPerBank(n);
    int i = 0;
    for (const auto& node : nodes) {
      const YAML::Node& properties = node.second;
      elements.names[i] = node.first.as<std::string>();
      const YAML::Mark mark = node.first.Mark();
      const std::string where = "node " + elements.names[i];
      const YAML::Node trace = properties[KEYS::trace];
      if (trace.IsDefined()) elements.traces[i].push_back(trace.as<std::string>());
      elements.assignedTo[i] = requiredProperty(properties, KEYS::core, mark, where).as<int>();
      const int bank = singleBank ? 0 : elements.assignedTo[i];
      elements.bank[i] = bank;
      procDemand[i] = optionalCount(properties, KEYS::wcet);
      const longint_t md = optionalCount(properties, KEYS::md);
      memDemandPerBank[i].emplace_back(bank, md);
      transactionsPerBank[i].emplace_back(bank, optionalCount(properties, KEYS::wcbt));
      elements.noc[i].emplace_back(bank, md, 0);
      elements.deadline[i] = nodeDeadline(deadline, properties);
      elements.period[i] = elements.deadline[i];
      elements.priority[i] = priorityOf(properties);
      elements.releaseDate[i] =
          requiredProperty(properties, KEYS::release, mark, where).as<longint_t>();
      elements.globalID[i] = i;
      ++i;
    }

    for (const auto& edge : edges) {
      const std::string edgeName = edge.first.as<std::string>();
      const YAML::Mark mark = edge.first.Mark();
      const int s = endpoint(edge.second, KEYS::src, mark, edgeName);
      const int d = endpoint(edge.second, KEYS::dest, mark, edgeName);
      elements.deps[d].push_back(s);
      const longint_t volume =
          requiredProperty(edge.second, KEYS::comm, mark, "edge " + edgeName).as<longint_t>();
      // The source is charged with the edge's volume at the destination's bank.
      addToBank(memDemandPerBank[s], elements.bank[d], volume);
      addToBank(transactionsPerBank[s], elements.bank[d], volume);
    }

    if (virtualDeps) addVirtualDeps(elements.assignedTo, elements.deps);

    ns.setName(name);
    ns.init(n, procDemand.data(), memDemandPerBank.data(), transactionsPerBank.data(),
            elements.noc.data(), elements.priority.data(), elements.deadline.data(),
            elements.period.data(), elements.releaseDate.data(), elements.assignedTo.data(),
            elements.names.data(), elements.traces.data(), elements.deps.data(),
            elements.globalID.data(), elements.bank.data(), nullptr);
    checkNumbering(ns);
  }

 private:
  int endpoint(const YAML::Node& properties, const std::string& key, const YAML::Mark& mark,
               const std::string& edgeName) const {
    const YAML::Node value = requiredProperty(properties, key, mark, "edge " + edgeName);
    const std::string node = value.as<std::string>();
    const auto found = index.find(node);
    if (found == index.end())
      report(value.Mark(), "Unknown element " + node + " in edge " + edgeName);
    return found->second;
  }

  const bool singleBank;
  const longint_t deadline;
  const YAML::Node nodes;
  const YAML::Node edges;
  const std::size_t n;
  std::map<std::string, int> index;
};

}  // namespace

void readGraphLayout(Nodeset& ns, const std::string& path, const std::string& name, bool cw,
                     bool singleBank, bool virtualDeps, DocumentCache& documents) {
  readOnce(ns, path, readerVariant("graph", {cw, singleBank, virtualDeps}), documents,
           [&](const YAML::Node& document, Nodeset& built) {
             GraphLayoutReader(document, cw, singleBank).read(built, name, virtualDeps);
           });
}
