#include "defaultLayoutReader.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Platform/processor.h"
#include "nodesetReading.h"

namespace {

using namespace nodesetReading;

// Adds both counts to the triple of bank, or appends the triple.
void addToNoC(Nodeset::NoCList& list, int bank, longint_t first, longint_t second) {
  for (auto& [b, f, s] : list)
    if (b == bank) {
      f += first;
      s += second;
      return;
    }
  list.emplace_back(bank, first, second);
}

// Reader of the default layout: computing nodes, each optionally split into
// a compute and a write phase, and the Rx and Tx access elements.
class DefaultLayoutReader {
 public:
  DefaultLayoutReader(const YAML::Node& doc, bool twoPhases, bool oneBank)
      : cw(twoPhases),
        singleBank(oneBank),
        deadline(globalDeadline(doc)),
        nodes(section(doc, KEYS::nodes)),
        rx(section(doc, KEYS::rx)),
        tx(section(doc, KEYS::tx)),
        nodeCount(static_cast<int>(nodes.size())),
        firstAccess(twoPhases ? 2 * nodeCount : nodeCount),
        n(static_cast<std::size_t>(firstAccess) + rx.size() + tx.size()),
        elements(n),
        perBank(n),
        isEmpty(std::make_unique<bool[]>(n)) {
    addNames(nodes, 0, index);
    addNames(rx, firstAccess, index);
    addNames(tx, firstAccess + static_cast<int>(rx.size()), index);
  }

  void read(Nodeset& ns, const std::string& name) {
    readNodes();
    readAccessElements(rx, firstAccess, rxCoreId);
    readAccessElements(tx, firstAccess + static_cast<int>(rx.size()), txCoreId);
    readNodeAccesses();
    readElementAccesses(rx, firstAccess);
    readElementAccesses(tx, firstAccess + static_cast<int>(rx.size()));
    ns.setName(name);
    ns.init(n, elements.priority.data(), elements.deadline.data(), elements.period.data(),
            elements.releaseDate.data(), elements.assignedTo.data(), elements.names.data(),
            elements.traces.data(), elements.deps.data(), elements.globalID.data(),
            elements.globalID.data(), elements.bank.data(), perBank.data(), elements.noc.data(),
            isEmpty.get());
    checkNumbering(ns);
  }

 private:
  // The index a name resolves to: with "-cw" a node stands for its write
  // phase as a predecessor and for its compute phase otherwise.
  int resolve(const YAML::Node& nameNode, bool asPredecessor, const std::string& element) const {
    const std::string name = nameNode.as<std::string>();
    const auto found = index.find(name);
    if (found == index.end())
      report(nameNode.Mark(), "Unknown element " + name + " in node " + element);
    const int v = found->second;
    if (!cw || v >= nodeCount) return v;
    return asPredecessor ? 2 * v + 1 : 2 * v;
  }

  int bankOf(int core) const { return singleBank ? 0 : core; }

  void readNodes() {
    int k = 0;
    for (const auto& node : nodes) {
      const std::string m = node.first.as<std::string>();
      const YAML::Node& properties = node.second;
      const int i = cw ? 2 * k : k;
      elements.names[i] = m;
      const YAML::Mark mark = node.first.Mark();
      const std::string where = "node " + m;
      elements.assignedTo[i] = requiredProperty(properties, KEYS::core, mark, where).as<int>();
      elements.bank[i] = bankOf(elements.assignedTo[i]);
      for (const YAML::Node& dep : listProperty(properties, KEYS::deps, m))
        elements.deps[i].push_back(resolve(dep, true, m));
      elements.traces[i].push_back(
          requiredProperty(properties, KEYS::trace, mark, where).as<std::string>());
      elements.deadline[i] = nodeDeadline(deadline, properties);
      elements.priority[i] = priorityOf(properties);
      elements.releaseDate[i] =
          requiredProperty(properties, KEYS::release, mark, where).as<longint_t>();
      elements.globalID[i] = i;
      if (cw) addWritePhase(i, m);
      ++k;
    }
  }

  // The write phase at i + 1 follows its compute phase at i.
  void addWritePhase(int i, const std::string& m) {
    const int w = i + 1;
    elements.names[w] = "write-" + m;
    elements.assignedTo[w] = elements.assignedTo[i];
    elements.bank[w] = elements.bank[i];
    elements.deps[w] = {static_cast<longint_t>(i)};
    elements.traces[w] = {"write-trace"};
    isEmpty[w] = true;
    elements.deadline[w] = elements.deadline[i];
    elements.priority[w] = elements.priority[i];
    elements.releaseDate[w] = elements.releaseDate[i];
    elements.globalID[w] = w;
  }

  void readAccessElements(const YAML::Node& accesses, int first, int core) {
    int i = first;
    for (const auto& element : accesses) {
      const std::string m = element.first.as<std::string>();
      const YAML::Node& properties = element.second;
      elements.names[i] = m;
      elements.assignedTo[i] = core;
      elements.bank[i] = bankOf(core);
      // Each entry of "deps" stands for the element just before; its names are not read.
      const std::size_t count = listProperty(properties, KEYS::deps, m).size();
      if (i > 0) elements.deps[i].assign(count, static_cast<longint_t>(i - 1));
      const YAML::Mark mark = element.first.Mark();
      elements.traces[i].push_back(
          requiredProperty(properties, KEYS::trace, mark, m).as<std::string>());
      elements.deadline[i] =
          deadline != 0 ? deadline
                        : requiredProperty(properties, KEYS::deadline, mark, m).as<longint_t>();
      isEmpty[i] = true;
      elements.releaseDate[i] =
          requiredProperty(properties, KEYS::release, mark, m).as<longint_t>();
      elements.globalID[i] = i;
      ++i;
    }
  }

  void readAccessTo(const YAML::Node& properties, int i, const std::string& m) {
    for (const YAML::Node& entry : listProperty(properties, KEYS::comm, m)) {
      checkListEntry(entry, 2, KEYS::comm, m);
      const int target = resolve(entry[0], false, m);
      addToBank(perBank[i], elements.bank[target], entry[1].as<longint_t>());
    }
  }

  // Accesses of the nodes; with "-cw" they belong to the write phase.
  void readNodeAccesses() {
    int k = 0;
    for (const auto& node : nodes) {
      const std::string m = node.first.as<std::string>();
      const YAML::Node& properties = node.second;
      const int i = cw ? 2 * k + 1 : k;
      readAccessTo(properties, i, m);
      for (const YAML::Node& entry : listProperty(properties, KEYS::nocAccess, m)) {
        checkListEntry(entry, 3, KEYS::nocAccess, m);
        const int target = resolve(entry[0], false, m);
        addToNoC(elements.noc[i], elements.bank[target], entry[1].as<longint_t>(),
                 entry[2].as<longint_t>());
      }
      ++k;
    }
  }

  void readElementAccesses(const YAML::Node& accesses, int first) {
    int i = first;
    for (const auto& element : accesses)
      readAccessTo(element.second, i++, element.first.as<std::string>());
  }

  const bool cw;
  const bool singleBank;
  const longint_t deadline;
  const YAML::Node nodes;
  const YAML::Node rx;
  const YAML::Node tx;
  const int nodeCount;
  const int firstAccess;
  const std::size_t n;
  std::map<std::string, int> index;
  ElementArrays elements;
  std::vector<Nodeset::BankList> perBank;
  std::unique_ptr<bool[]> isEmpty;
};

}  // namespace

void readDefaultLayout(Nodeset& ns, const std::string& path, const std::string& name, bool cw,
                       bool singleBank, DocumentCache& documents) {
  readOnce(ns, path, readerVariant("default", {cw, singleBank}), documents,
           [&](const YAML::Node& document, Nodeset& built) {
             DefaultLayoutReader(document, cw, singleBank).read(built, name);
           });
}
