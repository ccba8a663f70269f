#include "config.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "Platform/processor.h"
#include "architectureReader.h"
#include "console.h"
#include "defaultLayoutReader.h"
#include "documentCache.h"
#include "graphLayoutReader.h"
#include "inputError.h"
#include "nodeset.h"
#include "nodesetReading.h"
#include "taskSetGenerator.h"
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
std::function<int(Config&, const char*)> storeInt(Field Config::*field) {
  return [field](Config& config, const char* argument) {
    config.*field = toInt(argument);
    return 0;
  };
}

std::function<int(Config&, const char*)> storeText(std::string Config::*field) {
  return [field](Config& config, const char* argument) {
    config.*field = argument;
    return 0;
  };
}

std::function<int(Config&, const char*)> setFlag(bool Config::*field) {
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

bool isDirectory(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool identify(const std::string& path, Config::FileId& id) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) {
    return false;
  }
  id = {status.st_dev, status.st_ino};
  return true;
}

// Keeps an option file on the stack of those being read while its words are parsed.
class OptionFileGuard {
 public:
  OptionFileGuard(std::vector<Config::FileId>& stack, const Config::FileId& id) : files(stack) {
    files.push_back(id);
  }
  ~OptionFileGuard() { files.pop_back(); }
  OptionFileGuard(const OptionFileGuard&) = delete;
  OptionFileGuard& operator=(const OptionFileGuard&) = delete;

 private:
  std::vector<Config::FileId>& files;
};

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
            << "[TOOL] [OPTIONS] -ts /path/to/benchmark.yaml -arch /path/to/archFile -o "
               "/path/to/output.yaml"
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
  if (identified && std::find(optionFilesBeingRead.begin(), optionFilesBeingRead.end(), id) !=
                        optionFilesBeingRead.end()) {
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
    guard.emplace(optionFilesBeingRead, id);
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
  failed |=
      reportMissing(OUTPUTDIR.empty(), "ERROR: missing profile directory see -profiles option");
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

// Negative delays and core counts would wrap in the unsigned cycle arithmetic.
bool refuseNegative(const std::string& key, int value) {
  if (value >= 0) return false;
  reportInvalid(InvalidValue(key, value));
  return true;
}

}  // namespace

int Config::initProc(Processor& proc, int i, DocumentCache& documents) {
  if (archFiles[i].empty()) {
    assembleSampleProcessor(proc, platformOptions());
  } else if (readProc(proc, i, documents) != 0) {
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
    nodesetReading::NodesetHeader header;
    try {
      header = nodesetReading::readNodesetHeader(tasksetFileName, documents);
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

int Config::readProc(Processor& proc, int i, DocumentCache& documents) {
  return readArchitecture(proc, archFiles[i], platformOptions(), busName, documents);
}

int Config::destroyProc(Processor& proc, int) {
  deletePlatformObjects(proc);
  return 0;
}

PlatformOptions Config::platformOptions() const {
  return {perfectBus, refreshLatency, refreshInterval};
}

// ---------------------------------------------------------------------------
// Node-set files
// ---------------------------------------------------------------------------

int Config::initNodeSet(Nodeset& ns, DocumentCache& documents) {
  if (dot) return readDOTNodeSet(ns);
  try {
    return readYAMLNodeSet(ns, documents);
  } catch (const YAML::Exception& e) {
    std::cerr << console::red << e.what() << console::reset << std::endl;
    return 1;
  }
}

int Config::readYAMLNodeSet(Nodeset& ns, DocumentCache& documents) {
  const YAML::Node& doc = documents.view(tasksetFileName);
  const YAML::Node mark = doc[KEYS::newFormat];
  if (mark.IsDefined() && mark.as<bool>()) {
    newFormat = true;
    return readGraphYAMLNodeSet(ns, documents);
  }
  fileName = nodesetReading::nodesetName(tasksetFileName);
  readDefaultLayout(ns, tasksetFileName, fileName, cw, singleBank, documents);
  return 0;
}

int Config::readGraphYAMLNodeSet(Nodeset& ns, DocumentCache& documents) {
  fileName = nodesetReading::nodesetName(tasksetFileName);
  readGraphLayout(ns, tasksetFileName, fileName, cw, singleBank, useVirtualDeps, documents);
  return 0;
}

int Config::readDOTNodeSet(Nodeset&) {
  std::cout << "Quorl is not compiled with Boost" << std::endl;
  return 1;
}

// ---------------------------------------------------------------------------
// Random task-set generator
// ---------------------------------------------------------------------------

int Config::genTaskSet(Taskset& out, std::string name, Traceset& traces, Processor& proc, float U) {
  return TaskSetGenerator(tasksPerCore, maxTraces, deadlineFactor)
      .generate(out, std::move(name), traces, proc, U);
}

int Config::readTraceFile(Traceset& traces) {
  if (tracesFileName.empty()) {
    traces.setEmpty();
    return 0;
  }
  return traces.readTraceFile(tracesFileName);
}
