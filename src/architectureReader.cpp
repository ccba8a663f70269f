#include "architectureReader.h"

#include <charconv>
#include <fstream>
#include <iostream>
#include <memory>
#include <set>

#include "Bus/busModel.h"
#include "Bus/busTDMA.h"
#include "Platform/cache.h"
#include "Platform/cacheGeometry.h"
#include "Platform/core.h"
#include "Platform/dram.h"
#include "Platform/pCache.h"
#include "Platform/perfectMemory.h"
#include "Platform/processor.h"
#include "Platform/scratchPad.h"
#include "documentCache.h"
#include "inputError.h"
#include "keys.h"

namespace {

// The platform objects of a processor under assembly. They pass to the
// Processor only once the whole description has been read, so a fault on the
// way frees them here.
struct PlatformObjects {
  std::unique_ptr<Core> core;
  std::unique_ptr<Bus> bus;
  std::unique_ptr<Memory> instr;
  std::unique_ptr<Memory> data;
  std::unique_ptr<DRAM> dram;
};

struct ProcessorValues {
  std::string name;
  int cores = 0;
  int memDelay = 0;
  int accDelay = 0;
  int burstDelay = 0;
};

void handOver(Processor& proc, PlatformObjects& objects, const ProcessorValues& values,
              const Processor::ClusterMap* clusters) {
  proc.init(values.name, values.cores, objects.core.release(), objects.bus.release(),
            objects.instr.release(), objects.data.release(), objects.dram.release(),
            values.memDelay, values.accDelay, values.burstDelay, clusters);
}

// The bus model named by the architecture file, or PerfectBus under
// "-perfectBus"; busName ends as the name of the model built.
std::unique_ptr<Bus> chooseBus(std::string& busName, bool perfectBus, Processor& proc) {
  if (perfectBus) busName = "PerfectBus";
  if (const BusModel* model = findBusModel(busName)) return model->make(&proc);
  std::cerr << "Invalid bus selected: '" << busName << "'" << std::endl << validBusNames();
  throw InputError("unknown bus model '" + busName + "'");
}

// The memory model of that name, or null after an error line.
std::unique_ptr<Memory> memoryModel(MemoryType type, const std::string& name, int p0, int p1,
                                    int p2) {
  if (name == "PerfectMemory") return std::make_unique<PerfectMemory>(type);
  if (name == "ScratchPad") return std::make_unique<ScratchPad>(type);
  if (name == "Cache" || name == "PCache") {
    const std::string problem = cacheGeometryError(p0, p1, p2);
    if (!problem.empty()) {
      std::cerr << "Invalid memory parameters for '" << name << "': " << problem << std::endl;
      return nullptr;
    }
    if (name == "Cache") return std::make_unique<Cache>(type, p0, p1, p2);
    return std::make_unique<PCache>(type, p0, p1, p2);
  }
  std::cerr << "Invalid memory selected: '" << name << "'" << std::endl;
  return nullptr;
}

std::unique_ptr<Memory> makeMemory(MemoryType type, const std::string& model, const int (&param)[3],
                                   const std::string& which) {
  std::unique_ptr<Memory> memory = memoryModel(type, model, param[0], param[1], param[2]);
  if (!memory) throw InputError("cannot build " + which);
  return memory;
}

// A memory description of the YAML layout: a map with "Type" and "Param".
std::unique_ptr<Memory> readMemoryDescription(const YAML::Node& arch, const std::string& key,
                                              MemoryType type) {
  const YAML::Node description = arch[key];
  if (!description.IsDefined()) throw InputError("missing key '" + key + "'");
  if (!description.IsMap())
    throw InputError("'" + key + "' is not a map" + describePosition(description.Mark()));
  const std::string context = " in '" + key + "'";
  const std::string model = requiredValue<std::string>(description, ARCHKEYS::memType, context);
  const YAML::Node list = description[ARCHKEYS::memParam];
  if (!list.IsDefined()) throw InputError("missing key '" + ARCHKEYS::memParam + "'" + context);
  if (!list.IsSequence() || list.size() < 3)
    throw InputError("'" + ARCHKEYS::memParam + "'" + context + " is not a sequence of three ints" +
                     describePosition(list.Mark()));
  int param[3];
  for (int k = 0; k < 3; ++k)
    param[k] = convertedValue<int>(
        list[k], "item " + std::to_string(k) + " of '" + ARCHKEYS::memParam + "'" + context);
  return makeMemory(type, model, param, "'" + key + "'");
}

// Entry k of "clusters" holds the core ids of cluster k under the integer key
// k; an entry without that key gives an empty cluster.
Processor::ClusterMap readClusters(const YAML::Node& arch) {
  Processor::ClusterMap clusters;
  const YAML::Node entries = arch[ARCHKEYS::clusters];
  if (!entries.IsDefined() || entries.IsNull()) return clusters;
  if (!entries.IsSequence())
    throw InputError("'" + ARCHKEYS::clusters + "' is not a sequence" +
                     describePosition(entries.Mark()));
  int k = 0;
  for (const YAML::Node& entry : entries) {
    const std::string cluster = "cluster " + std::to_string(k);
    std::set<int>& cores = clusters[k];
    if (entry.IsScalar())
      throw InputError("the entry of " + cluster + " is not a map" +
                       describePosition(entry.Mark()));
    const YAML::Node ids = entry[k];
    if (ids.IsDefined() && !ids.IsNull()) {
      if (!ids.IsSequence())
        throw InputError(cluster + " is not a sequence of core ids" + describePosition(ids.Mark()));
      for (const YAML::Node& id : ids)
        cores.insert(convertedValue<int>(id, "a core id of " + cluster));
    }
    ++k;
  }
  return clusters;
}

// The document of an architecture file, or null when the file cannot be
// opened (the text reader then reports it).
const YAML::Node* loadArchitecture(const std::string& path, DocumentCache& documents) {
  try {
    return &documents.view(path);
  } catch (const YAML::BadFile&) {
    return nullptr;
  }
}

// Whitespace-separated tokens of the text layout.
class TextTokens {
 public:
  explicit TextTokens(std::istream& input) : in(input) {}

  std::string word(const std::string& what) {
    std::string token;
    if (!(in >> token)) throw InputError("the text layout ends before " + what);
    return token;
  }

  int number(const std::string& what) {
    const std::string token = word(what);
    const char* first = token.data();
    const char* last = first + token.size();
    // A plus sign before the digits is allowed, as in any decimal int.
    if (token.size() > 1 && token[0] == '+' && token[1] != '-') ++first;
    int value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last)
      throw InputError("'" + token + "' is not an int for " + what);
    return value;
  }

  // A value preceded by its label, whose text does not matter.
  std::string labelledWord(const std::string& what) {
    word(what);
    return word(what);
  }

  int labelledNumber(const std::string& what) {
    word(what);
    return number(what);
  }

 private:
  std::istream& in;
};

// A memory line of the text layout after its label: model name and three ints.
std::unique_ptr<Memory> readTextMemory(TextTokens& tokens, MemoryType type,
                                       const std::string& which) {
  const std::string model = tokens.word(which);
  int param[3];
  for (int& p : param) p = tokens.number(which);
  return makeMemory(type, model, param, which);
}

// The YAML layout: 1 when the file cannot be opened or holds no map, so that
// the text layout is tried.
int readYAMLArchitecture(Processor& proc, const std::string& path, const PlatformOptions& options,
                         std::string& busName, DocumentCache& documents) {
  const YAML::Node* doc = loadArchitecture(path, documents);
  if (doc == nullptr || !doc->IsMap()) return 1;
  const YAML::Node& arch = *doc;

  PlatformObjects objects;
  objects.core = std::make_unique<Core>(&proc);
  ProcessorValues values;
  values.name = requiredValue<std::string>(arch, ARCHKEYS::name);
  values.cores = checkedCoreCount(ARCHKEYS::cores, requiredValue<int>(arch, ARCHKEYS::cores));
  values.memDelay = requiredValue<int>(arch, ARCHKEYS::memDelay);
  values.accDelay = requiredValue<int>(arch, ARCHKEYS::accDelay);
  values.burstDelay = requiredValue<int>(arch, ARCHKEYS::burstDelay);
  busName = requiredValue<std::string>(arch, ARCHKEYS::bus);
  objects.bus = chooseBus(busName, options.perfectBus, proc);
  if (arch[ARCHKEYS::memUnif].IsDefined()) {
    objects.instr = readMemoryDescription(arch, ARCHKEYS::memUnif, UNIFIED);
  } else {
    objects.instr = readMemoryDescription(arch, ARCHKEYS::memInstr, INSTRUCTION);
    objects.data = readMemoryDescription(arch, ARCHKEYS::memData, DATA);
  }
  objects.dram = std::make_unique<DRAM>(&proc, objects.bus.get(), options.refreshLatency,
                                        options.refreshInterval);
  const Processor::ClusterMap clusters = readClusters(arch);
  handOver(proc, objects, values, &clusters);
  return 0;
}

// The text layout: labelled values in a fixed order.
void readTextArchitecture(Processor& proc, std::istream& in, const PlatformOptions& options,
                          std::string& busName) {
  TextTokens tokens(in);
  PlatformObjects objects;
  objects.core = std::make_unique<Core>(&proc);
  ProcessorValues values;
  values.name = tokens.labelledWord("the processor name");
  values.cores = checkedCoreCount(ARCHKEYS::cores, tokens.labelledNumber("the number of cores"));
  busName = tokens.labelledWord("the bus model name");
  objects.bus = chooseBus(busName, options.perfectBus, proc);
  if (tokens.word("the first memory description") == ARCHKEYS::memUnif) {
    objects.instr = readTextMemory(tokens, UNIFIED, "the unified memory");
  } else {
    objects.instr = readTextMemory(tokens, INSTRUCTION, "the instruction memory");
    tokens.word("the data memory");
    objects.data = readTextMemory(tokens, DATA, "the data memory");
  }
  objects.dram = std::make_unique<DRAM>(&proc, objects.bus.get(), options.refreshLatency,
                                        options.refreshInterval);
  values.memDelay = tokens.labelledNumber(ARCHKEYS::memDelay);
  values.accDelay = tokens.labelledNumber(ARCHKEYS::accDelay);
  values.burstDelay = tokens.labelledNumber(ARCHKEYS::burstDelay);
  handOver(proc, objects, values, nullptr);
}

}  // namespace

// Deletes the platform objects in the order in which they are torn down.
void deletePlatformObjects(const Processor& proc) {
  delete proc.getBus();
  delete proc.getCore();
  delete proc.getLocalMemoryData();
  delete proc.getLocalMemoryInstr();
  delete proc.getDRAM();
}

// Undoes an assembly that failed after the objects were handed over: the
// drivers do not tear down a processor whose assembly failed.
void discardPlatformObjects(Processor& proc) {
  deletePlatformObjects(proc);
  proc.setBus(nullptr);
  proc.setCore(nullptr);
  proc.setLocalMemoryData(nullptr);
  proc.setLocalMemoryInstr(nullptr);
  proc.setDRAM(nullptr);
}

void assembleSampleProcessor(Processor& proc, const PlatformOptions& options) {
  PlatformObjects objects;
  objects.bus = std::make_unique<BusTDMA>(&proc, 2);
  objects.instr = std::make_unique<PerfectMemory>();
  objects.data = std::make_unique<PerfectMemory>();
  objects.core = std::make_unique<Core>(&proc);
  objects.dram = std::make_unique<DRAM>(&proc, objects.bus.get(), options.refreshLatency,
                                        options.refreshInterval);
  handOver(proc, objects, {"SampleProcessor", 2, 1, 1, 1}, nullptr);
}

int readArchitecture(Processor& proc, const std::string& path, const PlatformOptions& options,
                     std::string& busName, DocumentCache& documents) {
  try {
    if (readYAMLArchitecture(proc, path, options, busName, documents) == 0) return 0;

    std::ifstream in(path);
    if (!in) {
      std::cerr << "Error: Could not open processor definition '" << path << "'" << std::endl;
      return 1;
    }
    readTextArchitecture(proc, in, options, busName);
    return 0;
  } catch (const InvalidValue& invalid) {
    reportInvalid(invalid);
    return 1;
  } catch (const std::runtime_error& e) {
    // InputError and every error of the YAML library.
    std::cerr << "Error: invalid processor definition '" << path << "': " << e.what() << std::endl;
    return 1;
  }
}
