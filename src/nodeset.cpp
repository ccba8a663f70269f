#include "nodeset.h"

#include <algorithm>
#include <iostream>
#include <stdexcept>
#include <tuple>
#include <unordered_map>
#include <utility>

#include <yaml-cpp/yaml.h>

#include "Platform/processor.h"
#include "documentCache.h"
#include "outputPath.h"
#include "resultTree.h"
#include "summaryTable.h"

namespace {
const std::string companionPrefix = "noc_";
const std::string writePhaseMarker = "write-";
const longint_t noGlobalID = ~0UL;

template <typename List>
auto findBank(List& list, int bank) {
  return std::find_if(list.begin(), list.end(),
                      [bank](const auto& entry) { return std::get<0>(entry) == bank; });
}

longint_t countOf(const Nodeset::BankList& list, int bank) {
  const auto it = findBank(list, bank);
  return it == list.end() ? 0 : it->second;
}

void addToBank(Nodeset::BankList& list, int bank, longint_t v) {
  const auto it = findBank(list, bank);
  if (it == list.end())
    list.emplace_back(bank, v);
  else
    it->second += v;
}

// The Rx node that carries one network-on-chip entry (bank, accesses, demand) of
// owner: it has owner's dates and predecessors, not owner itself.
Nodeset::Node_t companionOf(const Nodeset::Node_t& owner,
                            const std::tuple<int, longint_t, longint_t>& entry, longint_t id) {
  const auto& [bank, accesses, demand] = entry;
  Nodeset::Node_t companion{};
  companion.taskName = companionPrefix + owner.taskName;
  companion.priority = owner.priority;
  companion.deadline = owner.deadline;
  companion.period = owner.period;
  companion.releaseDate = owner.releaseDate;
  companion.assignedTo = rxCoreId;
  companion.localMemoryBank = rxCoreId;
  companion.globalID = id;
  companion.procDemand = demand;
  companion.memDemandPerBank = {{bank, accesses}};
  companion.transactionsPerBank = {{bank, accesses}};
  companion.deps = owner.deps;
  companion.isEmpty = true;
  return companion;
}

void setBank(Nodeset::BankList& list, int bank, longint_t v) {
  const auto it = findBank(list, bank);
  if (it == list.end())
    list.emplace_back(bank, v);
  else
    it->second = v;
}
}  // namespace

Nodeset::Nodeset() = default;

bool Nodeset::compareNode(const Node_t& a, const Node_t& b) { return a.globalID < b.globalID; }

void Nodeset::appendNode(Node_t node) {
  nodesPerCore[node.assignedTo].push_back(node.globalID);
  nodes.push_back(std::move(node));
}

void Nodeset::sortNodes() { std::sort(nodes.begin(), nodes.end(), compareNode); }

int Nodeset::init(longint_t n, const int* priority, const longint_t* deadline,
                  const longint_t* period, const longint_t* releaseDate, const int* assignedTo,
                  const std::string* taskName, const std::vector<std::string>* traces,
                  const std::vector<longint_t>* deps, const longint_t* /*unused*/,
                  const longint_t* globalID, const int* localMemoryBank, const BankList* perBank,
                  const NoCList* nocAccess, const bool* isEmpty) {
  nodes.clear();
  nodes.reserve(n);
  size = n;
  std::map<longint_t, longint_t> firstCompanion;
  for (longint_t i = 0; i < n; ++i) {
    const std::size_t owner = nodes.size();
    appendNode(Node_t{taskName[i], traces[i], priority[i], deadline[i], period[i], releaseDate[i],
                      0, assignedTo[i], localMemoryBank[i], globalID[i], 0, 0, perBank[i],
                      perBank[i], nocAccess[i], deps[i], isEmpty != nullptr && isEmpty[i]});
    for (const auto& entry : nocAccess[i]) {
      const longint_t companionID = size++;
      firstCompanion.emplace(globalID[i], companionID);
      appendNode(companionOf(nodes[owner], entry, companionID));
    }
  }
  sortNodes();
  addCompanionDeps(firstCompanion);
  return 0;
}

// Every node that depends on a node with companions also depends on its first
// companion, once per occurrence of the node in its list. Pairs are applied in
// ascending node id, each counting the list as the earlier pairs left it; a
// per-node count map does that in one ordered walk instead of a scan per pair.
void Nodeset::addCompanionDeps(const std::map<longint_t, longint_t>& firstCompanion) {
  if (firstCompanion.empty()) return;
  for (Node_t& node : nodes) {
    const bool touched = std::any_of(node.deps.begin(), node.deps.end(),
                                     [&](longint_t d) { return firstCompanion.count(d) != 0; });
    if (!touched) continue;
    std::map<longint_t, longint_t> occurrences;
    for (const longint_t d : node.deps) ++occurrences[d];
    for (auto it = occurrences.begin(); it != occurrences.end(); ++it) {
      const auto pair = firstCompanion.find(it->first);
      if (pair == firstCompanion.end()) continue;
      const longint_t count = it->second;
      node.deps.insert(node.deps.end(), count, pair->second);
      occurrences[pair->second] += count;
    }
  }
}

int Nodeset::init(longint_t n, const longint_t* procDemand, const BankList* memDemandPerBank,
                  const BankList* transactionsPerBank, const NoCList* nocAccess,
                  const int* priority, const longint_t* deadline, const longint_t* period,
                  const longint_t* releaseDate, const int* assignedTo, const std::string* taskName,
                  const std::vector<std::string>* traces, const std::vector<longint_t>* deps,
                  const longint_t* globalID, const int* localMemoryBank, const bool* isEmpty) {
  nodes.clear();
  nodes.reserve(n);
  size = n;
  for (longint_t i = 0; i < n; ++i)
    appendNode(Node_t{taskName[i], traces[i], priority[i], deadline[i], period[i], releaseDate[i],
                      0, assignedTo[i], localMemoryBank[i], globalID[i], procDemand[i], 0,
                      memDemandPerBank[i], transactionsPerBank[i], nocAccess[i], deps[i],
                      isEmpty != nullptr && isEmpty[i]});
  sortNodes();
  return 0;
}

int Nodeset::insert(longint_t procDemand, BankList memDemandPerBank, BankList transactionsPerBank,
                    int priority, longint_t deadline, longint_t period, longint_t releaseDate,
                    int assignedTo, std::string taskName, std::vector<std::string> traces,
                    std::vector<longint_t> deps, int localMemoryBank, bool isEmpty) {
  appendNode(Node_t{std::move(taskName),
                    std::move(traces),
                    priority,
                    deadline,
                    period,
                    releaseDate,
                    0,
                    assignedTo,
                    localMemoryBank,
                    size++,
                    procDemand,
                    0,
                    std::move(memDemandPerBank),
                    std::move(transactionsPerBank),
                    {},
                    std::move(deps),
                    isEmpty});
  sortNodes();
  return 0;
}

void Nodeset::clear() {
  nodes.clear();
  nodesPerCore.clear();
}

void Nodeset::setName(std::string newName) { name = std::move(newName); }
std::string Nodeset::getName() const { return name; }
void Nodeset::setSize(unsigned long count) { size = count; }
longint_t Nodeset::getSize() const { return nodes.size(); }

double Nodeset::getMemUtil() const {
  double util = 0.0;
  for (longint_t i = 0; i < size; ++i)
    util += static_cast<double>(nodes[i].memDemand) / static_cast<double>(nodes[i].deadline);
  return util;
}

bool Nodeset::hasTraceFiles() const { return !nodes.empty() && !nodes[0].taskName.empty(); }

// Depth-first walk along predecessor links in preorder; an id met a second
// time, through a cycle or along a second path, ends the walk with false.
bool Nodeset::checkDAG(int id, std::set<int>& visited) {
  std::vector<int> pending{id};
  while (!pending.empty()) {
    const int current = pending.back();
    pending.pop_back();
    if (!visited.insert(current).second) return false;
    const auto& deps = nodes[current].deps;
    for (auto d = deps.rbegin(); d != deps.rend(); ++d) pending.push_back(static_cast<int>(*d));
  }
  return true;
}

int Nodeset::getPriority(int i) const { return nodes[i].priority; }
void Nodeset::setPriority(int i, int priority) { nodes[i].priority = priority; }
longint_t Nodeset::getPeriod(int i) const { return nodes[i].period; }
void Nodeset::setPeriod(int i, unsigned long period) { nodes[i].period = period; }
longint_t Nodeset::getDeadline(int i) const { return nodes[i].deadline; }
void Nodeset::setDeadline(int i, unsigned long deadline) { nodes[i].deadline = deadline; }
longint_t Nodeset::getReleaseDate(int i) const { return nodes[i].releaseDate; }
void Nodeset::setReleaseDate(int i, unsigned long releaseDate) {
  nodes[i].releaseDate = releaseDate;
}
longint_t Nodeset::getResponseTime(int i) const { return nodes[i].responseTime; }
void Nodeset::setResponseTime(int i, unsigned long responseTime) {
  nodes[i].responseTime = responseTime;
}
longint_t Nodeset::getProcDemand(int i) const { return nodes[i].procDemand; }
void Nodeset::setProcDemand(int i, unsigned long procDemand) { nodes[i].procDemand = procDemand; }
longint_t Nodeset::getMemDemand(int i) const { return nodes[i].memDemand; }
void Nodeset::setMemDemand(int i, unsigned long memDemand) { nodes[i].memDemand = memDemand; }
std::string Nodeset::getTaskName(int i) const { return nodes[i].taskName; }
void Nodeset::setTaskName(std::string taskName, int i) { nodes[i].taskName = std::move(taskName); }
std::vector<std::string>& Nodeset::getTraceVector(int i) { return nodes[i].traces; }
std::vector<longint_t>& Nodeset::getDepsVector(int i) { return nodes[i].deps; }
const std::vector<longint_t>& Nodeset::getDepsVector(int i) const { return nodes[i].deps; }
int Nodeset::getAssignedTo(int i) const { return nodes[i].assignedTo; }
int Nodeset::getLocalMemoryBank(int i) const { return nodes[i].localMemoryBank; }
longint_t Nodeset::getGlobalID(int i) const { return nodes[i].globalID; }
bool Nodeset::isEmpty(unsigned long i) const { return nodes[i].isEmpty; }
Nodeset::BankList Nodeset::getVecMemDemand(int i) const { return nodes[i].memDemandPerBank; }
const Nodeset::BankList& Nodeset::getVecTransactions(int i) const {
  return nodes[i].transactionsPerBank;
}

longint_t Nodeset::getMemDemandPerBank(int i, int bank) const {
  return countOf(nodes[i].memDemandPerBank, bank);
}

longint_t Nodeset::getTransactionsPerBank(int i, int bank) const {
  return countOf(nodes[i].transactionsPerBank, bank);
}

std::pair<longint_t, longint_t> Nodeset::getNoCAccessPerBank(int i, int bank) const {
  const auto& list = nodes[i].NoCAccessPerBank;
  const auto it = findBank(list, bank);
  if (it == list.end()) return {0, 0};
  return {std::get<1>(*it), std::get<2>(*it)};
}

void Nodeset::addMemDemandPerBank(int i, int bank, unsigned long v) {
  addToBank(nodes[i].memDemandPerBank, bank, v);
}

void Nodeset::addTransactionsPerBank(int i, int bank, unsigned long v) {
  addToBank(nodes[i].transactionsPerBank, bank, v);
}

void Nodeset::setTransactionsPerBank(int i, int bank, unsigned long v) {
  setBank(nodes[i].transactionsPerBank, bank, v);
}

longint_t Nodeset::getGlobalID(int core, unsigned long k) const {
  const auto* list = getNodesPerCore(core);
  if (list == nullptr || k >= list->size()) return noGlobalID;
  return (*list)[k];
}

std::vector<longint_t>* Nodeset::getNodesPerCore(int core) {
  const auto it = nodesPerCore.find(core);
  return it == nodesPerCore.end() ? nullptr : &it->second;
}

const std::vector<longint_t>* Nodeset::getNodesPerCore(int core) const {
  const auto it = nodesPerCore.find(core);
  return it == nodesPerCore.end() ? nullptr : &it->second;
}

const std::map<int, std::vector<longint_t>>& Nodeset::getCoreMap() const { return nodesPerCore; }

void Nodeset::print(Node_t node) const {
  std::cout << "== Task " << node.taskName << ":" << std::endl;
  std::cout << "    global ID " << node.globalID << "," << std::endl;
  std::cout << "    period " << node.period << "," << std::endl;
  std::cout << "    deadline " << node.deadline << "," << std::endl;
  std::cout << "    assignedTo " << node.assignedTo << "," << std::endl;
  std::cout << "    memBank " << node.localMemoryBank << "," << std::endl;
  std::cout << "    priority: " << node.priority << "," << std::endl;
  std::cout << "    procDemand: " << node.procDemand << "," << std::endl;
  std::cout << "    deps: ";
  for (const longint_t d : node.deps) std::cout << "[" << nodes[d].taskName << "]";
  std::cout << std::endl;
  std::cout << "    memDemands: ";
  for (const auto& [bank, count] : node.memDemandPerBank)
    std::cout << "bank(" << bank << ")=" << count << " ";
  std::cout << std::endl;
  std::cout << "    blocking transactions: ";
  for (const auto& [bank, count] : node.transactionsPerBank)
    std::cout << "bank(" << bank << ")=" << count << " ";
  std::cout << std::endl;
  std::cout << "    responseTime: " << node.responseTime << "," << std::endl;
  std::cout << "    release: " << node.releaseDate << std::endl;
}

void Nodeset::print(int i) const { print(nodes[i]); }

void Nodeset::print() const {
  std::cout << "Print Nodeset " << name << std::endl;
  for (const Node_t& node : nodes) print(node);
  std::cout << "Done " << name << std::endl;
}

void Nodeset::printPerCore() const {
  std::cout << "Print Nodeset " << name << std::endl;
  for (const auto& [core, ids] : nodesPerCore) {
    std::cout << " SIZE " << nodesPerCore.size() << std::endl;
    std::cout << " On Core : " << core << std::endl;
    std::cout << " There are " << ids.size() << " tasks. " << std::endl;
    for (const longint_t g : ids) print(nodes[g]);
  }
  std::cout << "Done " << name << std::endl;
}

namespace {
using ResultMap = ResultTree::Map;

std::runtime_error shapeError(const std::string& baseFile, const std::string& what) {
  return std::runtime_error("Error: Unexpected content in base file '" + baseFile + "': " + what);
}

// One section of the result document with its entries indexed by task name,
// so that each node finds its entry without a scan of the section. An entry
// that the result changes is an independent copy of the entry read, so that
// nothing written lands in a place that shares its nodes; copies counts the
// copies made for the document.
class ResultSection {
 public:
  ResultSection(ResultMap& root, const std::string& sectionKey, const std::string& base,
                int& copyCount)
      : key(sectionKey), baseFile(base), copies(copyCount) {
    ResultTree::Value* value = root.find(key);
    const auto* read = value ? std::get_if<ResultTree::Read>(value) : nullptr;
    if (read && read->node().IsMap()) {
      auto map = ResultMap::of(*read);
      section = map.get();
      *value = std::move(map);
      for (std::size_t i = 0; i < section->pairs.size(); ++i)
        if (const auto& name = std::get<ResultTree::Read>(section->pairs[i].key).node();
            name.IsScalar())
          entries.emplace(name.Scalar(), i);
      return;
    }
    if (read && !read->node().IsNull()) throw shapeError(baseFile, "'" + key + "' is not a map");
    auto map = std::make_unique<ResultMap>();
    section = map.get();
    if (value)
      *value = std::move(map);
    else
      root.set(key, std::move(map));
  }

  // The entry of a node: the base's own, or a new one appended behind the others.
  ResultMap& entryFor(const std::string& taskName) {
    const auto it = entries.find(taskName);
    if (it == entries.end()) {
      entries.emplace(taskName, section->pairs.size());
      auto entry = std::make_unique<ResultMap>();
      ResultMap& added = *entry;
      section->pairs.push_back({ResultTree::Text{taskName, ""}, std::move(entry)});
      return added;
    }
    ResultTree::Value& value = section->pairs[it->second].value;
    if (auto* map = std::get_if<ResultTree::MapPtr>(&value)) return **map;
    const YAML::Node& read = std::get<ResultTree::Read>(value).node();
    if (!read.IsNull() && !read.IsMap())
      throw shapeError(baseFile, "entry '" + taskName + "' of '" + key + "' is not a map");
    auto entry = read.IsMap() ? ResultMap::of({read, ++copies}) : std::make_unique<ResultMap>();
    if (read.IsNull()) entry->tag = read.Tag();
    ResultMap& own = *entry;
    value = std::move(entry);
    return own;
  }

  // A copy of the "accessTo" value of the entry taskName, removed from that
  // entry; null when the entry is no map or holds no such value.
  ResultTree::Value takeAccess(const std::string& taskName) {
    const auto it = entries.find(taskName);
    if (it == entries.end()) return ResultTree::Null{};
    ResultTree::Value& value = section->pairs[it->second].value;
    if (const auto* read = std::get_if<ResultTree::Read>(&value)) {
      if (!read->node().IsMap() || !std::as_const(read->node())[KEYS::comm].IsDefined())
        return ResultTree::Null{};
      value = ResultMap::of({read->node(), ++copies});
    }
    auto* map = std::get_if<ResultTree::MapPtr>(&value);
    if (map == nullptr) return ResultTree::Null{};
    const ResultTree::Value* access = (*map)->find(KEYS::comm);
    if (access == nullptr) return ResultTree::Null{};
    ResultTree::Value taken = copyOf(*access, ++copies);
    (*map)->remove(KEYS::comm);
    return taken;
  }

 private:
  const std::string key;
  const std::string& baseFile;
  int& copies;
  ResultMap* section;
  std::unordered_map<std::string, std::size_t> entries;
};

const std::string& sectionKeyOf(int core) {
  if (core == rxCoreId) return KEYS::rx;
  if (core == txCoreId) return KEYS::tx;
  return KEYS::nodes;
}

// The root of the result: a map on the base document when baseFile names one.
ResultTree loadBase(const std::string& baseFile, DocumentCache& documents) {
  if (baseFile.find(".yaml") == std::string::npos)
    return ResultTree(std::make_unique<ResultMap>(), false);
  try {
    const YAML::Node& root = documents.view(baseFile);
    if (root.IsNull()) return ResultTree(std::make_unique<ResultMap>(), false);
    if (!root.IsMap()) throw shapeError(baseFile, "the document is not a map");
    return ResultTree(ResultMap::of(ResultTree::Read{root}), documents.sharesNodes(baseFile));
  } catch (const YAML::BadFile&) {
    throw std::runtime_error("Error: Could not read base file '" + baseFile + "'");
  } catch (const YAML::Exception& e) {
    throw std::runtime_error("Error: Could not read base file '" + baseFile + "': " + e.what());
  }
}

// The computed values of node, with its predecessors by name.
void writeResults(ResultMap& entry, const Nodeset::Node_t& node,
                  const std::vector<Nodeset::Node_t>& nodes) {
  entry.setText(KEYS::core, std::to_string(node.assignedTo));
  entry.setText(KEYS::response, std::to_string(node.responseTime));
  entry.setText(KEYS::release, std::to_string(node.releaseDate));
  entry.setText(KEYS::deadline, std::to_string(node.deadline));
  entry.setText(KEYS::trace, node.traces.empty() ? std::string() : node.traces.front());
  ResultTree::Names deps;
  deps.names.reserve(node.deps.size());
  for (const longint_t d : node.deps) {
    if (d >= nodes.size())
      throw std::runtime_error("Error: predecessor " + std::to_string(d) + " of node '" +
                               node.taskName + "' is not in the node set");
    deps.names.push_back(nodes[d].taskName);
  }
  entry.set(KEYS::deps, std::move(deps));
}

// The write phase "write-X" takes the access list of X, its compute phase.
void movePartnerAccess(ResultSection& section, const std::string& taskName, ResultMap& entry) {
  const auto marker = taskName.find(writePhaseMarker);
  if (marker == std::string::npos) return;
  std::string partnerName = taskName;
  partnerName.erase(marker, writePhaseMarker.size());
  entry.set(KEYS::comm, section.takeAccess(partnerName));
}
}  // namespace

std::string Nodeset::exportYAMLString(bool schedulable, std::string baseFile,
                                      DocumentCache& documents) const {
  ResultTree tree = loadBase(baseFile, documents);
  ResultMap& root = *std::get<ResultTree::MapPtr>(tree.root());
  root.setText(KEYS::sched, schedulable ? "1" : "0");
  std::map<std::string, ResultSection> sections;
  int copies = 0;
  for (const Node_t& node : nodes) {
    const std::string& key = sectionKeyOf(node.assignedTo);
    auto section = sections.find(key);
    if (section == sections.end())
      section = sections.try_emplace(key, root, key, baseFile, copies).first;
    ResultMap& entry = section->second.entryFor(node.taskName);
    writeResults(entry, node, nodes);
    movePartnerAccess(section->second, node.taskName, entry);
  }
  // Cores that carry work: the Rx and Tx pseudo-cores count only when they hold a node.
  const int cores = static_cast<int>(nodesPerCore.size()) -
                    static_cast<int>(sections.count(KEYS::rx) + sections.count(KEYS::tx));
  root.setText(KEYS::nbcores, std::to_string(cores));
  return tree.text();
}

int Nodeset::exportYAML(bool schedulable, std::string outFile, std::string baseFile,
                        DocumentCache& documents) const {
  std::string text;
  try {
    text = exportYAMLString(schedulable, std::move(baseFile), documents);
  } catch (const std::runtime_error& e) {
    std::cerr << e.what() << std::endl;
    return 1;
  }
  if (outFile.empty()) {
    std::cout << text << std::endl;
    return 0;
  }
  return writeOutputFile(outFile, text);
}

int Nodeset::exportYAML(bool schedulable, std::string outFile, std::string baseFile) const {
  DocumentCache documents;
  return exportYAML(schedulable, std::move(outFile), std::move(baseFile), documents);
}

int Nodeset::exportCSV(std::string outFile, std::string fileName, std::string bench,
                       longint_t banks, std::string test) const {
  const std::string directory = outputDirectory(outFile);
  const std::string detailPath = directory + "/detail_" + fileName + ".csv";
  const std::string summaryPath = directory + "/summary_" + fileName + ".csv";

  std::string detail = "Task,Core,Release Time, Response Time, Deadline\n";
  longint_t makespan = 0;
  for (const Node_t& node : nodes) {
    detail += node.taskName + "," + std::to_string(node.assignedTo) + "," +
              std::to_string(node.releaseDate) + "," + std::to_string(node.responseTime) + "," +
              std::to_string(node.deadline) + "\n";
    makespan = std::max(makespan, node.releaseDate + node.responseTime);
  }
  const bool detailWritten = writeBesideResult(detailPath, outFile, detail) == 0;
  const bool summaryWritten =
      writeBesideResult(summaryPath, outFile,
                        SummaryTable::header + SummaryTable::row(bench, banks, test, makespan)) ==
      0;
  if (summaryWritten) std::cout << "CSV file generated in " << summaryPath << std::endl;
  if (detailWritten) std::cout << "CSV file generated in " << detailPath << std::endl;
  return detailWritten && summaryWritten ? 0 : 1;
}
