#include "nodesetReading.h"

#include <cstdint>

#include "inputError.h"

namespace nodesetReading {

void report(const YAML::Mark& mark, const std::string& text) {
  throw YAML::ParserException(mark, text);
}

std::string nodesetName(const std::string& path) {
  const std::string stem = path.substr(0, path.rfind('.'));
  const std::size_t slash = stem.rfind('/');
  return slash == std::string::npos ? stem : stem.substr(slash + 1);
}

YAML::Node requiredProperty(const YAML::Node& properties, const std::string& key,
                            const YAML::Mark& mark, const std::string& element) {
  const YAML::Node value = properties[key];
  if (!value.IsDefined()) report(mark, "Missing " + key + " in " + element);
  return value;
}

YAML::Node section(const YAML::Node& doc, const std::string& key) {
  const YAML::Node elements = doc[key];
  if (!elements.IsDefined() || elements.IsNull()) return YAML::Node(YAML::NodeType::Map);
  if (!elements.IsMap()) report(elements.Mark(), "Section " + key + " is not a map");
  return elements;
}

YAML::Node listProperty(const YAML::Node& properties, const std::string& key,
                        const std::string& element) {
  const YAML::Node list = properties[key];
  if (!list.IsDefined() || list.IsNull()) return YAML::Node(YAML::NodeType::Sequence);
  if (!list.IsSequence()) report(list.Mark(), "Invalid " + key + " in node " + element);
  return list;
}

void checkListEntry(const YAML::Node& entry, std::size_t size, const std::string& key,
                    const std::string& element) {
  if (!entry.IsSequence() || entry.size() < size)
    report(entry.Mark(), "Invalid " + key + " entry in node " + element);
}

longint_t globalDeadline(const YAML::Node& doc) {
  const YAML::Node deadline = doc[KEYS::deadline];
  return deadline.IsDefined() ? deadline.as<longint_t>() : 0;
}

longint_t nodeDeadline(longint_t global, const YAML::Node& properties) {
  if (global != 0) return global;
  const YAML::Node own = properties[KEYS::deadline];
  return own.IsDefined() ? own.as<longint_t>() : noDeadline;
}

int priorityOf(const YAML::Node& properties) {
  const YAML::Node order = properties[KEYS::order];
  if (!order.IsDefined()) return 0;
  return static_cast<int>(static_cast<uint32_t>(order.as<longint_t>()));
}

void addNames(const YAML::Node& elements, int first, std::map<std::string, int>& index) {
  int value = first;
  for (const auto& element : elements) {
    const std::string name = element.first.as<std::string>();
    if (!index.emplace(name, value++).second)
      report(element.first.Mark(), "Duplicate element name " + name);
  }
}

void addToBank(Nodeset::BankList& list, int bank, longint_t v) {
  for (auto& [b, count] : list)
    if (b == bank) {
      count += v;
      return;
    }
  list.emplace_back(bank, v);
}

void checkNumbering(const Nodeset& ns) {
  const longint_t n = ns.getSize();
  for (longint_t i = 0; i < n; ++i) {
    const int position = static_cast<int>(i);
    if (ns.getGlobalID(position) != i)
      report(YAML::Mark::null_mark(), "Node " + ns.getTaskName(position) + " has global id " +
                                          std::to_string(ns.getGlobalID(position)) +
                                          " at position " + std::to_string(i));
    for (const longint_t d : ns.getDepsVector(position))
      if (d >= n)
        report(YAML::Mark::null_mark(), "Node " + ns.getTaskName(position) +
                                            " has the predecessor id " + std::to_string(d) +
                                            " beyond the node count " + std::to_string(n));
  }
}

ElementArrays::ElementArrays(std::size_t n)
    : priority(n),
      deadline(n),
      period(n, noPeriod),
      releaseDate(n),
      assignedTo(n),
      bank(n),
      globalID(n),
      names(n),
      traces(n),
      deps(n),
      noc(n) {}

std::string readerVariant(const std::string& layout, std::initializer_list<bool> flags) {
  std::string variant = layout + ":";
  for (const bool flag : flags) variant += flag ? '1' : '0';
  return variant;
}

NodesetHeader readNodesetHeader(const std::string& path, DocumentCache& documents) {
  const YAML::Node* doc = nullptr;
  try {
    doc = &documents.view(path);
  } catch (const YAML::BadFile&) {
    throw InputError("the file cannot be opened");
  }
  if (!doc->IsMap()) throw InputError("the document is not a map");
  NodesetHeader header;
  header.numOfCores = checkedCoreCount(KEYS::nbcores, requiredValue<int>(*doc, KEYS::nbcores));
  const YAML::Node test = (*doc)[KEYS::schedTest];
  header.periodAnalysis = test.IsDefined() && test.size() > 0;
  return header;
}

}  // namespace nodesetReading
