#ifndef TOLLBRIG_NODESETREADING_H
#define TOLLBRIG_NODESETREADING_H

// What the readers of both node-set layouts share: access to the elements'
// properties, the arrays they fill, the checks of the node set they build and
// its keeping for the run.

#include <cstddef>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include <yaml-cpp/yaml.h>

#include "documentCache.h"
#include "keys.h"
#include "nodeset.h"

namespace nodesetReading {

inline constexpr longint_t noDeadline = 9223372036854775807UL;
inline constexpr longint_t noPeriod = 18446744073709551615UL;

// Faults of a node-set file are parser exceptions at the position they concern.
[[noreturn]] void report(const YAML::Mark& mark, const std::string& text);

// The path without its extension, then without its directory.
std::string nodesetName(const std::string& path);

// The value under key of an element's properties; a missing key is reported at
// the element's name, as "Missing <key> in <element>".
YAML::Node requiredProperty(const YAML::Node& properties, const std::string& key,
                            const YAML::Mark& mark, const std::string& element);

// A section of elements; absent or null counts as empty.
YAML::Node section(const YAML::Node& doc, const std::string& key);

// A list property of an element; absent or null counts as empty.
YAML::Node listProperty(const YAML::Node& properties, const std::string& key,
                        const std::string& element);

// An entry of "accessTo" or "nocAccess" is a sequence of a name and its counts.
void checkListEntry(const YAML::Node& entry, std::size_t size, const std::string& key,
                    const std::string& element);

// The global deadline of a file; 0 when there is none.
longint_t globalDeadline(const YAML::Node& doc);

// A node's deadline: the global one when there is one, else its own, else none.
longint_t nodeDeadline(longint_t global, const YAML::Node& properties);

// Only the low 32 bits of "order" reach the priority.
int priorityOf(const YAML::Node& properties);

// Element names to indices, in file order from `first`; a repeated name is a fault.
void addNames(const YAML::Node& elements, int first, std::map<std::string, int>& index);

// Adds v to the pair of bank, or appends (bank, v).
void addToBank(Nodeset::BankList& list, int bank, longint_t v);

// Global ids equal positions and predecessors exist: the analysis relies on both.
void checkNumbering(const Nodeset& ns);

// The per-element arrays that both layouts hand to Nodeset::init.
struct ElementArrays {
  explicit ElementArrays(std::size_t n);

  std::vector<int> priority;
  std::vector<longint_t> deadline;
  std::vector<longint_t> period;
  std::vector<longint_t> releaseDate;
  std::vector<int> assignedTo;
  std::vector<int> bank;
  std::vector<longint_t> globalID;
  std::vector<std::string> names;
  std::vector<std::vector<std::string>> traces;
  std::vector<std::vector<longint_t>> deps;
  std::vector<Nodeset::NoCList> noc;
};

// A reader variant: the layout and the option flags that shape its node set.
std::string readerVariant(const std::string& layout, std::initializer_list<bool> flags);

// The node set that read(document, nodeset) builds from the file at path. It
// depends only on the file and on the reader options named by variant, so it
// is built once per run and copied for every later read (the period search
// reads the file at each of its steps).
template <typename Read>
void readOnce(Nodeset& ns, const std::string& path, const std::string& variant,
              DocumentCache& documents, Read read) {
  ns = documents.derived<Nodeset>(path, variant, [&](const YAML::Node& doc) {
    Nodeset built;
    read(doc, built);
    return built;
  });
}

// The entries of a node-set file that the platform needs.
struct NodesetHeader {
  int numOfCores = 0;
  bool periodAnalysis = false;
};

NodesetHeader readNodesetHeader(const std::string& path, DocumentCache& documents);

}  // namespace nodesetReading

#endif
