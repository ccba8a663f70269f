#include "config.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <vector>

namespace {

// Words of an option file beyond this count are dropped.
const std::size_t maxOptionFileWords = 100;

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
      {"-nrOfCores", "No number of cores provided.", storeInt(&Config::nrOfCores)},
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
  std::ifstream in(file);
  if (!in) {
    printOpenFailure(file);
    return 1;
  }
  FileId id{};
  const bool identified = identify(file, id);
  if (identified && isBeingRead(id)) {
    std::cerr << "Error: option file '" << file << "' includes itself." << std::endl;
    return 1;
  }

  std::vector<std::string> fileWords;
  std::string word;
  while (fileWords.size() < maxOptionFileWords && in >> word) {
    fileWords.push_back(word);
  }
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
