#ifndef TOLLBRIG_TESTS_CONFIGPROBE_H
#define TOLLBRIG_TESTS_CONFIGPROBE_H

#include <map>
#include <sstream>
#include <string>

#include "config.h"

// Every field of a Config, and the globals that options set, as text by field
// name, so that a test compares a whole record and sees any stray change.
struct ConfigProbe {
  using Fields = std::map<std::string, std::string>;

  static Fields fields(const Config& c) {
    std::string archFiles;
    std::size_t filled = c.archFiles.size();
    while (filled > 0 && c.archFiles[filled - 1].empty()) {
      --filled;
    }
    for (std::size_t i = 0; i < filled; ++i) {
      archFiles += (i == 0 ? "" : ",") + c.archFiles[i];
    }
    return {
        {"fileName", c.fileName},
        {"archFiles", archFiles},
        {"tasksetFileName", c.tasksetFileName},
        {"tracesFileName", c.tracesFileName},
        {"namePrefix", c.namePrefix},
        {"outFile", c.outFile},
        {"utilStart", text(c.utilStart)},
        {"utilEnd", text(c.utilEnd)},
        {"utilStep", text(c.utilStep)},
        {"tasksPerCore", text(c.tasksPerCore)},
        {"maxTraces", text(c.maxTraces)},
        {"nrOfTaskSets", text(c.nrOfTaskSets)},
        {"processorDefs", text(c.processorDefs)},
        {"help", text(c.help)},
        {"generatedTS", text(c.generatedTS)},
        {"singleAnalysis", text(c.singleAnalysis)},
        {"weighted", text(c.weighted)},
        {"cw", text(c.cw)},
        {"old", text(c.old)},
        {"dot", text(c.dot)},
        {"perfectBus", text(c.perfectBus)},
        {"newFormat", text(c.newFormat)},
        {"periodAnalysis", text(c.periodAnalysis)},
        {"useVirtualDeps", text(c.useVirtualDeps)},
        {"singleBank", text(c.singleBank)},
        {"csv", text(c.csv)},
        {"seed", text(c.seed)},
        {"nrOfCores", text(c.nrOfCores)},
        {"nrOfMemBanks", text(c.nrOfMemBanks)},
        {"memDelay", text(c.memDelay)},
        {"accDelay", text(c.accDelay)},
        {"burstDelay", text(c.burstDelay)},
        {"refreshLatency", text(c.refreshLatency)},
        {"refreshInterval", text(c.refreshInterval)},
        {"deadlineFactor", text(c.deadlineFactor)},
        {"busName", c.busName},
        {"VERBOSE", text(VERBOSE)},
        {"OUTPUTDIR", OUTPUTDIR},
    };
  }

 private:
  template <typename T>
  static std::string text(T value) {
    std::ostringstream out;
    out << std::boolalpha << value;
    return out.str();
  }
};

#endif
