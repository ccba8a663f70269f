#include "config.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string_view>
#include <unordered_set>
#include <vector>

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
#include "Taskset/taskset.h"
#include "count.h"
#include "documentCache.h"
#include "inputError.h"
#include "nodeset.h"
#include "traceset.h"

namespace {

// Words of an option file beyond this count are dropped.
const std::size_t maxOptionFileWords = 100;
// Only this many bytes of an option file are read, so a device or an endless
// pipe cannot fill the memory.
const std::size_t maxOptionFileBytes = 1 << 20;

int toInt(const char* word) { return static_cast<int>(std::strtol(word, nullptr, 10)); }

float toFloat(const char* word) { return static_cast<float>(std::strtod(word, nullptr)); }

// One command-line option: its word, the message printed when its argument is
// missing (null for options without an argument) and what it does; a non-zero
// result ends the parse with 1.
struct Option {
  const char* word;
  const char* missingArgument;
  std::function<int(Config&, const char*)> apply;
};

template <typename Field>
std::function<int(Config&, const char*)> storeInt(Field Config::* field) {
  return [field](Config& config, const char* argument) {
    config.*field = toInt(argument);
    return 0;
  };
}

std::function<int(Config&, const char*)> storeText(std::string Config::* field) {
  return [field](Config& config, const char* argument) {
    config.*field = argument;
    return 0;
  };
}

std::function<int(Config&, const char*)> setFlag(bool Config::* field) {
  return [field](Config& config, const char*) {
    config.*field = true;
    return 0;
  };
}

std::function<int(Config&, const char*)> setVerbosity(int level) {
  return [level](Config&, const char*) {
    VERBOSE = level;
    return 0;
  };
}

// Identity of an open file, so that "a" and "./a" are recognised as one file.
struct FileId {
  dev_t device;
  ino_t inode;
  bool operator==(const FileId&) const = default;
};

bool isDirectory(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool identify(const std::string& path, FileId& id) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) {
    return false;
  }
  id = {status.st_dev, status.st_ino};
  return true;
}

// The option files being read, outermost first: a file met again among them
// includes itself and would recurse without end.
std::vector<FileId> optionFilesBeingRead;

class OptionFileGuard {
 public:
  explicit OptionFileGuard(const FileId& id) { optionFilesBeingRead.push_back(id); }
  ~OptionFileGuard() { optionFilesBeingRead.pop_back(); }
  OptionFileGuard(const OptionFileGuard&) = delete;
  OptionFileGuard& operator=(const OptionFileGuard&) = delete;
};

bool isBeingRead(const FileId& id) {
  for (const FileId& open : optionFilesBeingRead) {
    if (open == id) {
      return true;
    }
  }
  return false;
}

// The words of an option file's first maxOptionFileBytes, at most maxOptionFileWords.
// The text grows by chunks, so a short file costs only its own length.
std::vector<std::string> readOptionWords(std::istream& in) {
  std::string text;
  std::array<char, 4096> chunk;
  while (text.size() < maxOptionFileBytes && in) {
    const std::size_t wanted = std::min(chunk.size(), maxOptionFileBytes - text.size());
    in.read(chunk.data(), static_cast<std::streamsize>(wanted));
    text.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
  }
  std::istringstream words(text);
  std::vector<std::string> fileWords;
  std::string word;
  while (fileWords.size() < maxOptionFileWords && words >> word) {
    fileWords.push_back(word);
  }
  return fileWords;
}

void printOpenFailure(const std::string& file) {
  std::cerr << "Error: Could not open config file '" << file << "'" << std::endl;
}

// Two blanks, the option padded to column 32, then the description.
void printUsageLine(const std::string& option, const std::string& description) {
  const std::size_t optionWidth = 30;
  std::string padded = option;
  padded.resize(std::max(optionWidth, option.size()), ' ');
  std::cout << "  " << padded << ": " << description << std::endl;
}

void printUsage() {
  std::cout << "Usage:" << std::endl
            << std::endl
            << "[TOOL] [OPTIONS] -ts /path/to/benchmark.yaml -arch /path/to/archFile -o /path/to/output.yaml"
            << std::endl
            << std::endl
            << "[TOOL]:" << std::endl
            << "     Tollbrig | Marrowick" << std::endl
            << "[OPTIONS]:" << std::endl;
  printUsageLine("-h, --help", "show this help message");
  printUsageLine("-arch <config-file>", "architecture config file");
  printUsageLine("-csv", "generate CSV files");
  printUsageLine("-cw", "2-phase model");
  printUsageLine("-def  <def-file>", "read options from <def-file>");
  printUsageLine("-dot", "DOT file format if Boost is installed (does not support -sb)");
  printUsageLine("-memDelay", "set memory bus delay");
  printUsageLine("-accDelay", "set bus access interference delay");
  printUsageLine("-burstDelay", "set bus burst interference delay");
  printUsageLine("-o", "output file");
  printUsageLine("-old", "consider Processor Demand instead of WCETs in profiles");
  printUsageLine("-perfectBus", "do not consider bus interference or latency");
  printUsageLine("-profiles <path-to-profiles>", "give the path where profiles are generated");
  printUsageLine("-sb", "single memory bank");
  printUsageLine("-ts <PATH_TO_BENCHNAME>", "select benchmark");
  printUsageLine("-v,-vv,-vvv", "set VERBOSE level");
  std::cout << "return values:" << std::endl
            << "Tollbrig    : schedulable | not schedulable" << std::endl
            << "Marrowick: smallest schedulable period" << std::endl;
}

// Prints the line of a failed start-up check; true when the check failed.
bool reportMissing(bool missing, const char* line) {
  if (missing) {
    std::cout << line << std::endl;
  }
  return missing;
}

}  // namespace

Config::Config() = default;

int Config::parseCommandLine(int argc, char** argv) {
  if (argc <= 1) {
    std::cerr << "Not enough command line provided. Run again with --help option." << std::endl;
    return 1;
  }
  return parseConfig(1, argc, argv);
}

int Config::parseConfig(int first, int end, char** words) {
  static const Option options[] = {
      {"-def", "No config file given.",
       [](Config& config, const char* file) { return config.readConfig(file); }},
      {"-arch", "No architecture file given.",
       [](Config& config, const char* file) {
         if (config.processorDefs >= maxProcessorDefs) {
           std::cout << "Warning, processor definition ignored; already " << maxProcessorDefs
                     << " processors defined." << std::endl;
           return 0;
         }
         config.archFiles[config.processorDefs] = file;
         if (VERBOSE >= 0) {
           std::cout << " ARCH ADDED: " << file << std::endl;
         }
         ++config.processorDefs;
         return 0;
       }},
      {"-taskSets", "No number of task sets provided.", storeInt(&Config::nrOfTaskSets)},
      {"-v", nullptr, setVerbosity(1)},
      {"-vv", nullptr, setVerbosity(2)},
      {"-vvv", nullptr, setVerbosity(3)},
      {"-vvvv", nullptr, setVerbosity(4)},
      {"-silent", nullptr, setVerbosity(-1)},
      {"-weighted", nullptr, setFlag(&Config::weighted)},
      {"-seed", "No number of random seed provided.", storeInt(&Config::seed)},
      {"-tasksPerCore", "No number of tasks per core provided.", storeInt(&Config::tasksPerCore)},
      {"-nrOfCores", "No number of cores provided.",
       [](Config& config, const char* value) {
         try {
           config.nrOfCores = checkedCoreCount("-nrOfCores", toInt(value));
           return 0;
         } catch (const InvalidValue& invalid) {
           reportInvalid(invalid);
           return 1;
         }
       }},
      {"-memDelay", "No main memory latency provided.", storeInt(&Config::memDelay)},
      {"-accDelay", "No access interference delay provided.", storeInt(&Config::accDelay)},
      {"-burstDelay", "No burst interference delay provided.", storeInt(&Config::burstDelay)},
      {"-refreshLatency", "No refresh latency provided.", storeInt(&Config::refreshLatency)},
      {"-refreshInterval", "No refresh interval provided.", storeInt(&Config::refreshInterval)},
      {"-maxTraces", "No maximum number of traces provided.", storeInt(&Config::maxTraces)},
      {"-deadlineFactor", "No end deadline factor provided.",
       [](Config& config, const char* value) {
         config.deadlineFactor = toFloat(value);
         return 0;
       }},
      {"-util", "No end utilization provided.",
       [](Config& config, const char* value) {
         config.utilStart = config.utilEnd = toFloat(value);
         config.generatedTS = true;
         return 0;
       }},
      {"-utilEnd", "No end utilization provided.",
       [](Config& config, const char* value) {
         config.utilEnd = toFloat(value);
         config.generatedTS = true;
         return 0;
       }},
      {"-utilStart", "No start utilization provided.",
       [](Config& config, const char* value) {
         config.utilStart = toFloat(value);
         config.generatedTS = true;
         return 0;
       }},
      {"-utilSteps", "No utilization steps provided.",
       [](Config& config, const char* value) {
         config.utilStep = toFloat(value);
         config.generatedTS = true;
         return 0;
       }},
      {"-ts", "No taskset file given.",
       [](Config& config, const char* file) {
         config.tasksetFileName = file;
         config.singleAnalysis = true;
         return 0;
       }},
      {"-traces", "No traceset file given.", storeText(&Config::tracesFileName)},
      {"-bus", "No bus definition given.", storeText(&Config::busName)},
      {"-prefix", "No prefix for the task names given.", storeText(&Config::namePrefix)},
      {"-o", "No output file given.", storeText(&Config::outFile)},
      {"-profiles", "No profiles directory given.",
       [](Config&, const char* directory) {
         OUTPUTDIR = directory;
         return 0;
       }},
      {"--help", nullptr, setFlag(&Config::help)},
      {"-h", nullptr, setFlag(&Config::help)},
      {"-cw", nullptr, setFlag(&Config::cw)},
      {"-dot", nullptr, setFlag(&Config::dot)},
      {"-perfectBus", nullptr, setFlag(&Config::perfectBus)},
      {"-virtualDeps", nullptr, setFlag(&Config::useVirtualDeps)},
      {"-sb", nullptr, setFlag(&Config::singleBank)},
      {"-old", nullptr, setFlag(&Config::old)},
      {"-csv", nullptr, setFlag(&Config::csv)},
  };

  for (int i = first; i < end; ++i) {
    const std::string word = words[i];
    const Option* option = nullptr;
    for (const Option& candidate : options) {
      if (word == candidate.word) {
        option = &candidate;
        break;
      }
    }
    if (option == nullptr) {
      std::cerr << "Unknown command-line parameter \"" << word << "\"" << std::endl;
      return 1;
    }
    const char* argument = nullptr;
    if (option->missingArgument != nullptr) {
      if (++i == end) {
        // A missing argument ends the parse with success, keeping the options read so far.
        std::cerr << option->missingArgument << std::endl;
        return 0;
      }
      argument = words[i];
    }
    if (option->apply(*this, argument) != 0) {
      return 1;
    }
  }
  return 0;
}

int Config::readConfig(std::string file) {
  // A directory opens as a stream that reads nothing.
  std::ifstream in;
  if (!isDirectory(file)) in.open(file);
  if (!in.is_open()) {
    printOpenFailure(file);
    return 1;
  }
  FileId id{};
  const bool identified = identify(file, id);
  if (identified && isBeingRead(id)) {
    std::cerr << "Error: option file '" << file << "' includes itself." << std::endl;
    return 1;
  }

  std::vector<std::string> fileWords = readOptionWords(in);
  in.close();

  std::vector<char*> wordPointers;
  for (std::string& fileWord : fileWords) {
    wordPointers.push_back(fileWord.data());
  }
  // Only the file's own parse ends at a missing argument or an unknown word;
  // the including words go on after "-def".
  std::optional<OptionFileGuard> guard;
  if (identified) {
    guard.emplace(id);
  }
  parseConfig(0, static_cast<int>(wordPointers.size()), wordPointers.data());
  return 0;
}

int Config::checkConfig() { return 0; }

int Config::printHelp() {
  if (help) {
    printUsage();
    return 1;
  }
  bool failed = reportMissing(outFile.empty(), "ERROR: missing output file see -o option");
  failed |= reportMissing(OUTPUTDIR.empty(), "ERROR: missing profile directory see -profiles option");
  failed |= reportMissing(processorDefs == 0, "ERROR: missing architecture file see -arch option");
  return failed ? 1 : 0;
}

int Config::writeConfig(std::string file) {
  std::ofstream out(file, std::ios::trunc);
  if (!out) {
    printOpenFailure(file);
    return 1;
  }
  out.close();
  std::cerr << "Error: Function not yet implemented." << file << "'" << std::endl;
  return 1;
}

// ---------------------------------------------------------------------------
// Platform assembly
// ---------------------------------------------------------------------------

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

// The bus model named by the architecture file, or PerfectBus under
// "-perfectBus"; busName ends as the name of the model built.
std::unique_ptr<Bus> chooseBus(std::string& busName, bool perfectBus, Processor& proc) {
  if (perfectBus) busName = "PerfectBus";
  if (const BusModel* model = findBusModel(busName)) return model->make(&proc);
  std::cerr << "Invalid bus selected: '" << busName << "'" << std::endl << validBusNames();
  throw InputError("unknown bus model '" + busName + "'");
}

std::unique_ptr<Memory> makeMemory(Config& config, MemoryType type, const std::string& model,
                                   const int (&param)[3], const std::string& which) {
  std::unique_ptr<Memory> memory(
      config.parseMemoryDescription(type, model, param[0], param[1], param[2]));
  if (!memory) throw InputError("cannot build " + which);
  return memory;
}

// A memory description of the YAML layout: a map with "Type" and "Param".
std::unique_ptr<Memory> readMemoryDescription(Config& config, const YAML::Node& arch,
                                              const std::string& key, MemoryType type) {
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
  return makeMemory(config, type, model, param, "'" + key + "'");
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
const YAML::Node* loadArchitecture(const std::string& path) {
  try {
    return &DocumentCache::view(path);
  } catch (const YAML::BadFile&) {
    return nullptr;
  }
}

// Whitespace-separated tokens of the text layout.
class TextTokens {
 public:
  explicit TextTokens(std::istream& in) : in(in) {}

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
std::unique_ptr<Memory> readTextMemory(Config& config, TextTokens& tokens, MemoryType type,
                                       const std::string& which) {
  const std::string model = tokens.word(which);
  int param[3];
  for (int& p : param) p = tokens.number(which);
  return makeMemory(config, type, model, param, which);
}

struct NodesetHeader {
  int numOfCores = 0;
  bool periodAnalysis = false;
};

// The entries of a node-set file that the platform needs.
NodesetHeader readNodesetHeader(const std::string& path) {
  const YAML::Node* doc = nullptr;
  try {
    doc = &DocumentCache::view(path);
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

// Negative delays and core counts would wrap in the unsigned cycle arithmetic.
bool refuseNegative(const std::string& key, int value) {
  if (value >= 0) return false;
  reportInvalid(InvalidValue(key, value));
  return true;
}

}  // namespace

int Config::initProc(Processor& proc, int i) {
  if (archFiles[i].empty()) {
    PlatformObjects objects;
    objects.bus = std::make_unique<BusTDMA>(&proc, 2);
    objects.instr = std::make_unique<PerfectMemory>();
    objects.data = std::make_unique<PerfectMemory>();
    objects.core = std::make_unique<Core>(&proc);
    objects.dram =
        std::make_unique<DRAM>(&proc, objects.bus.get(), refreshLatency, refreshInterval);
    handOver(proc, objects, {"SampleProcessor", 2, 1, 1, 1}, nullptr);
  } else if (readProc(proc, i) != 0) {
    return 1;
  }

  if (memDelay != -1) proc.setMemDelay(memDelay);
  if (accDelay != -1) proc.setAccDelay(accDelay);
  if (burstDelay != -1) proc.setBurstDelay(burstDelay);
  if (nrOfCores != -1) proc.setNumberOfCores(nrOfCores);
  if (refuseNegative(ARCHKEYS::memDelay, proc.getMemDelay()) ||
      refuseNegative(ARCHKEYS::accDelay, proc.getAccDelay()) ||
      refuseNegative(ARCHKEYS::burstDelay, proc.getBurstDelay())) {
    discardPlatformObjects(proc);
    return 1;
  }

  if (dot) {
    proc.setNumberOfCores(16);
    proc.setNumberOfBanks(16);
    nrOfMemBanks = 16;
  } else if (singleAnalysis) {
    NodesetHeader header;
    try {
      header = readNodesetHeader(tasksetFileName);
    } catch (const InvalidValue& invalid) {
      reportInvalid(invalid);
      discardPlatformObjects(proc);
      return 1;
    } catch (const std::runtime_error& e) {
      // InputError and every error of the YAML library.
      std::cerr << "Error: invalid node-set file '" << tasksetFileName << "': " << e.what()
                << std::endl;
      discardPlatformObjects(proc);
      return 1;
    }
    if (refuseNegative(KEYS::nbcores, header.numOfCores)) {
      discardPlatformObjects(proc);
      return 1;
    }
    if (header.periodAnalysis) periodAnalysis = true;
    proc.setNumberOfCores(header.numOfCores);
    // The pseudo-cores come last: setting the core count drops them.
    proc.setRx(true);
    proc.setTx(true);
    nrOfMemBanks = singleBank ? 1 : header.numOfCores;
    proc.setNumberOfBanks(nrOfMemBanks);
  }

  proc.setCW(cw);
  proc.setOldConfig(old);
  return 0;
}

int Config::readProc(Processor& proc, int i) {
  const std::string& path = archFiles[i];
  try {
    if (readYAMLProc(proc, i) == 0) return 0;

    std::ifstream in(path);
    if (!in) {
      std::cerr << "Error: Could not open processor definition '" << path << "'" << std::endl;
      return 1;
    }
    TextTokens tokens(in);
    PlatformObjects objects;
    objects.core = std::make_unique<Core>(&proc);
    ProcessorValues values;
    values.name = tokens.labelledWord("the processor name");
    values.cores = checkedCoreCount(ARCHKEYS::cores, tokens.labelledNumber("the number of cores"));
    busName = tokens.labelledWord("the bus model name");
    objects.bus = chooseBus(busName, perfectBus, proc);
    if (tokens.word("the first memory description") == ARCHKEYS::memUnif) {
      objects.instr = readTextMemory(*this, tokens, UNIFIED, "the unified memory");
    } else {
      objects.instr = readTextMemory(*this, tokens, INSTRUCTION, "the instruction memory");
      tokens.word("the data memory");
      objects.data = readTextMemory(*this, tokens, DATA, "the data memory");
    }
    objects.dram =
        std::make_unique<DRAM>(&proc, objects.bus.get(), refreshLatency, refreshInterval);
    values.memDelay = tokens.labelledNumber(ARCHKEYS::memDelay);
    values.accDelay = tokens.labelledNumber(ARCHKEYS::accDelay);
    values.burstDelay = tokens.labelledNumber(ARCHKEYS::burstDelay);
    handOver(proc, objects, values, nullptr);
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

int Config::readYAMLProc(Processor& proc, int i) {
  const YAML::Node* doc = loadArchitecture(archFiles[i]);
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
  objects.bus = chooseBus(busName, perfectBus, proc);
  if (arch[ARCHKEYS::memUnif].IsDefined()) {
    objects.instr = readMemoryDescription(*this, arch, ARCHKEYS::memUnif, UNIFIED);
  } else {
    objects.instr = readMemoryDescription(*this, arch, ARCHKEYS::memInstr, INSTRUCTION);
    objects.data = readMemoryDescription(*this, arch, ARCHKEYS::memData, DATA);
  }
  objects.dram = std::make_unique<DRAM>(&proc, objects.bus.get(), refreshLatency, refreshInterval);
  const Processor::ClusterMap clusters = readClusters(arch);
  handOver(proc, objects, values, &clusters);
  return 0;
}

Memory* Config::parseMemoryDescription(MemoryType type, std::string name, int p0, int p1, int p2) {
  if (name == "PerfectMemory") return new PerfectMemory(type);
  if (name == "ScratchPad") return new ScratchPad(type);
  if (name == "Cache" || name == "PCache") {
    const std::string problem = cacheGeometryError(p0, p1, p2);
    if (!problem.empty()) {
      std::cerr << "Invalid memory parameters for '" << name << "': " << problem << std::endl;
      return nullptr;
    }
    if (name == "Cache") return new Cache(type, p0, p1, p2);
    return new PCache(type, p0, p1, p2);
  }
  std::cerr << "Invalid memory selected: '" << name << "'" << std::endl;
  return nullptr;
}

int Config::destroyProc(Processor& proc, int) {
  deletePlatformObjects(proc);
  return 0;
}

// ---------------------------------------------------------------------------
// Node-set files
// ---------------------------------------------------------------------------

namespace {

constexpr longint_t noDeadline = 9223372036854775807UL;
constexpr longint_t noPeriod = 18446744073709551615UL;

// Faults of a node-set file are parser exceptions at the position they concern.
[[noreturn]] void report(const YAML::Mark& mark, const std::string& text) {
  throw YAML::ParserException(mark, text);
}

// The path without its extension, then without its directory.
std::string nodesetName(const std::string& path) {
  const std::string stem = path.substr(0, path.rfind('.'));
  const std::size_t slash = stem.rfind('/');
  return slash == std::string::npos ? stem : stem.substr(slash + 1);
}

// The value under key of an element's properties; a missing key is reported at
// the element's name, as "Missing <key> in <element>".
YAML::Node requiredProperty(const YAML::Node& properties, const std::string& key,
                            const YAML::Mark& mark, const std::string& element) {
  const YAML::Node value = properties[key];
  if (!value.IsDefined()) report(mark, "Missing " + key + " in " + element);
  return value;
}

// A section of elements; absent or null counts as empty.
YAML::Node section(const YAML::Node& doc, const std::string& key) {
  const YAML::Node elements = doc[key];
  if (!elements.IsDefined() || elements.IsNull()) return YAML::Node(YAML::NodeType::Map);
  if (!elements.IsMap()) report(elements.Mark(), "Section " + key + " is not a map");
  return elements;
}

// A list property of an element; absent or null counts as empty.
YAML::Node listProperty(const YAML::Node& properties, const std::string& key,
                        const std::string& element) {
  const YAML::Node list = properties[key];
  if (!list.IsDefined() || list.IsNull()) return YAML::Node(YAML::NodeType::Sequence);
  if (!list.IsSequence()) report(list.Mark(), "Invalid " + key + " in node " + element);
  return list;
}

// An entry of "accessTo" or "nocAccess" is a sequence of a name and its counts.
void checkListEntry(const YAML::Node& entry, std::size_t size, const std::string& key,
                    const std::string& element) {
  if (!entry.IsSequence() || entry.size() < size)
    report(entry.Mark(), "Invalid " + key + " entry in node " + element);
}

// The global deadline of a file; 0 when there is none.
longint_t globalDeadline(const YAML::Node& doc) {
  const YAML::Node deadline = doc[KEYS::deadline];
  return deadline.IsDefined() ? deadline.as<longint_t>() : 0;
}

// A node's deadline: the global one when there is one, else its own, else none.
longint_t nodeDeadline(longint_t global, const YAML::Node& properties) {
  if (global != 0) return global;
  const YAML::Node own = properties[KEYS::deadline];
  return own.IsDefined() ? own.as<longint_t>() : noDeadline;
}

// Only the low 32 bits of "order" reach the priority.
int priorityOf(const YAML::Node& properties) {
  const YAML::Node order = properties[KEYS::order];
  if (!order.IsDefined()) return 0;
  return static_cast<int>(static_cast<uint32_t>(order.as<longint_t>()));
}

// Element names to indices, in file order from `first`; a repeated name is a fault.
void addNames(const YAML::Node& elements, int first, std::map<std::string, int>& index) {
  int value = first;
  for (const auto& element : elements) {
    const std::string name = element.first.as<std::string>();
    if (!index.emplace(name, value++).second)
      report(element.first.Mark(), "Duplicate element name " + name);
  }
}

// Adds v to the pair of bank, or appends (bank, v).
void addToBank(Nodeset::BankList& list, int bank, longint_t v) {
  for (auto& [b, count] : list)
    if (b == bank) {
      count += v;
      return;
    }
  list.emplace_back(bank, v);
}

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

// Global ids equal positions and predecessors exist: the analysis relies on both.
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

// The per-element arrays that both layouts hand to Nodeset::init.
struct ElementArrays {
  explicit ElementArrays(std::size_t n)
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

// Reader of the default layout: computing nodes, each optionally split into
// a compute and a write phase, and the Rx and Tx access elements.
class DefaultLayoutReader {
 public:
  DefaultLayoutReader(const YAML::Node& doc, bool cw, bool singleBank)
      : cw(cw),
        singleBank(singleBank),
        deadline(globalDeadline(doc)),
        nodes(section(doc, KEYS::nodes)),
        rx(section(doc, KEYS::rx)),
        tx(section(doc, KEYS::tx)),
        nodeCount(static_cast<int>(nodes.size())),
        firstAccess(cw ? 2 * nodeCount : nodeCount),
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
  GraphLayoutReader(const YAML::Node& doc, bool cw, bool singleBank)
      : singleBank(singleBank),
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

// The node set that read(document, nodeset) builds from the file at path. It
// depends only on the file and on the reader options named by variant, so it
// is built once per run and copied for every later read (the period search
// reads the file at each of its steps).
template <typename Read>
void readOnce(Nodeset& ns, const std::string& path, const std::string& variant, Read read) {
  ns = DocumentCache::derived<Nodeset>(path, variant, [&](const YAML::Node& doc) {
    Nodeset built;
    read(doc, built);
    return built;
  });
}

// A reader variant: the layout and the option flags that shape its node set.
std::string readerVariant(const std::string& layout, std::initializer_list<bool> flags) {
  std::string variant = layout + ":";
  for (const bool flag : flags) variant += flag ? '1' : '0';
  return variant;
}

}  // namespace

int Config::initNodeSet(Nodeset& ns) {
  if (dot) return readDOTNodeSet(ns);
  try {
    return readYAMLNodeSet(ns);
  } catch (const YAML::Exception& e) {
    std::cerr << "\033[1;31m" << e.what() << "\033[0m" << std::endl;
    return 1;
  }
}

int Config::readYAMLNodeSet(Nodeset& ns) {
  const YAML::Node& doc = DocumentCache::view(tasksetFileName);
  const YAML::Node mark = doc[KEYS::newFormat];
  if (mark.IsDefined() && mark.as<bool>()) {
    newFormat = true;
    return readGraphYAMLNodeSet(ns);
  }
  fileName = nodesetName(tasksetFileName);
  readOnce(ns, tasksetFileName, readerVariant("default", {cw, singleBank}),
           [this](const YAML::Node& document, Nodeset& built) {
             DefaultLayoutReader(document, cw, singleBank).read(built, fileName);
           });
  return 0;
}

int Config::readGraphYAMLNodeSet(Nodeset& ns) {
  fileName = nodesetName(tasksetFileName);
  readOnce(ns, tasksetFileName, readerVariant("graph", {cw, singleBank, useVirtualDeps}),
           [this](const YAML::Node& document, Nodeset& built) {
             GraphLayoutReader(document, cw, singleBank).read(built, fileName, useVirtualDeps);
           });
  return 0;
}

int Config::readDOTNodeSet(Nodeset&) {
  std::cout << "Quorl is not compiled with Boost" << std::endl;
  return 1;
}

namespace {

// Period factor of a utilisation below the smallest one used: 1 / 1e-6f.
const double minUtilisationFactor = 1000000.0025247573;
const longint_t cwPeriod = 10000000;

// One generated task until the final, deadline-ordered copy.
struct GeneratedTask {
  longint_t deadline = 0;
  longint_t period = 0;
  int core = 0;
  std::string name;
  std::vector<std::string> traces;
};

}  // namespace

int Config::genTaskSet(Taskset& out, std::string name, Traceset& traces, Processor& proc,
                       float U) {
  if (tasksPerCore < 1) {
    std::cerr << "Error: cannot generate a task set with tasksPerCore " << tasksPerCore
              << ", it must be at least 1." << std::endl;
    return 1;
  }
  if (maxTraces < 1) {
    std::cerr << "Error: cannot generate a task set with maxTraces " << maxTraces
              << ", it must be at least 1." << std::endl;
    return 1;
  }
  if (!traces.hasTraceNames()) {
    std::cerr << "Error: cannot generate a task set, the trace list holds no trace name."
              << std::endl;
    return 1;
  }

  const int nCores = proc.getNumberOfCores();
  const int n = nCores * tasksPerCore;
  std::vector<GeneratedTask> tasks(n);
  std::vector<float> util(tasksPerCore);
  for (int c = 0; c < nCores; ++c) {
    UUnifast(tasksPerCore, U, util.data());
    for (int j = 0; j < tasksPerCore; ++j) {
      GeneratedTask& task = tasks[tasksPerCore * c + j];
      const int drawn = rand() % maxTraces;
      const int nTraces = drawn > 0 ? drawn : 1;
      longint_t wcet = 0;
      for (int k = 0; k < nTraces; ++k) {
        const std::string trace = traces.getRandomTrace();
        task.traces.push_back(trace);
        traces.getBaseWCET(proc.getName(), trace, proc.getMemDelay(), wcet, proc);
        std::cout << " #TraceName: " << trace << " on core " << c << " BaseWCET = " << wcet
                  << "\n";
      }
      task.core = c;
      task.name = "T-" + std::to_string(c) + "-" + std::to_string(j);
      if (proc.getCW()) {
        task.period = cwPeriod;
      } else {
        const double factor =
            util[j] < 1e-6f ? minUtilisationFactor : 1.0 / static_cast<double>(util[j]);
        task.period = toCount(factor * static_cast<double>(wcet));
      }
      task.deadline = toCount(static_cast<float>(task.period) * deadlineFactor);
    }
  }

  std::vector<int> order(n);
  std::vector<longint_t> deadlines(n);
  for (int t = 0; t < n; ++t) {
    order[t] = t;
    deadlines[t] = tasks[t].deadline;
  }
  SortTasks(order.data(), deadlines.data(), n);

  std::vector<int> priority(n), core(n);
  std::vector<longint_t> deadline(n), period(n), release(n, 0);
  std::vector<std::string> taskName(n);
  std::vector<std::vector<std::string>> taskTraces(n);
  for (int r = 0; r < n; ++r) {
    GeneratedTask& task = tasks[order[r]];
    priority[r] = task.core;
    deadline[r] = task.deadline;
    period[r] = task.period;
    core[r] = task.core;
    taskName[r] = std::move(task.name);
    taskTraces[r] = std::move(task.traces);
  }
  out.init(std::move(name), n, std::move(priority), std::move(deadline), std::move(period),
           std::move(release), std::move(core), std::move(taskName), std::move(taskTraces), {},
           {}, {}, {}, -1, -1);
  return 0;
}

void Config::UUnifast(int n, float U, float* out) {
  if (n < 1) return;
  float sum = U;
  for (int k = n - 1; k >= 1; --k) {
    const float x = static_cast<float>(rand()) * 0x1p-31f;
    const float e = 1.0f / static_cast<float>(k);
    const float next = static_cast<float>(
        std::pow(static_cast<double>(x), static_cast<double>(e)) * static_cast<double>(sum));
    out[n - 1 - k] = sum - next;
    sum = next;
  }
  out[n - 1] = sum;
}

void Config::SortTasks(int* index, unsigned long* key, int n) {
  for (int i = 0; i + 1 < n; ++i) {
    int smallest = i;
    for (int j = i + 1; j < n; ++j) {
      if (key[index[j]] < key[index[smallest]]) smallest = j;
    }
    swap(index, i, smallest);
  }
}

void Config::swap(int* a, int i, int j) {
  const int held = a[i];
  a[i] = a[j];
  a[j] = held;
}

int Config::readTraceFile(Traceset& traces) {
  if (tracesFileName.empty()) {
    traces.setEmpty();
    return 0;
  }
  return traces.readTraceFile(tracesFileName);
}
