#ifndef TOLLBRIG_CONFIG_H
#define TOLLBRIG_CONFIG_H

#include <sys/types.h>

#include <array>
#include <string>
#include <vector>

#include "keys.h"

class DocumentCache;
class Nodeset;
class Processor;
class Taskset;
class Traceset;
struct PlatformOptions;

// Every option of a run with its default, and the entry points through which
// the options reach the architecture and node-set readers and the generator.
class Config {
 public:
  static const int maxProcessorDefs = 16;

  // Identity of an open file, so that "a" and "./a" are recognised as one file.
  struct FileId {
    dev_t device;
    ino_t inode;
    bool operator==(const FileId&) const = default;
  };

  Config();

  // Command line and option files (0 go on, 1 the command line cannot be used).
  int parseCommandLine(int argc, char** argv);
  int parseConfig(int first, int end, char** words);
  int readConfig(std::string file);
  int checkConfig();
  int printHelp();
  int writeConfig(std::string file);

  // Platform assembly; the files are read through the run's documents.
  int initProc(Processor& proc, int i, DocumentCache& documents);
  int readProc(Processor& proc, int i, DocumentCache& documents);
  int destroyProc(Processor& proc, int i);

  // Node-set files.
  int initNodeSet(Nodeset& ns, DocumentCache& documents);
  int readYAMLNodeSet(Nodeset& ns, DocumentCache& documents);
  int readGraphYAMLNodeSet(Nodeset& ns, DocumentCache& documents);
  int readDOTNodeSet(Nodeset& ns);

  // Random task-set generator.
  int genTaskSet(Taskset& out, std::string name, Traceset& traces, Processor& proc, float U);
  int readTraceFile(Traceset& traces);

  bool isSingleAnalysis() const { return singleAnalysis; }
  int getProcessorDefs() const { return processorDefs; }
  std::string getArchFile(int i) const { return archFiles[i]; }
  void setProcessorDefs(int n) { processorDefs = n; }
  bool isPeriodAnalysis() const { return periodAnalysis; }
  std::string getOutFile() const { return outFile; }
  std::string getBusName() const { return busName; }
  bool isDOT() const { return dot; }
  bool isNewFormat() const { return newFormat; }
  std::string getFileName() const { return fileName; }
  int getNrOfMemBanks() const { return nrOfMemBanks; }
  bool isCW() const { return cw; }
  bool hasCSV() const { return csv; }
  std::string getTasksetFileName() const { return tasksetFileName; }
  bool isGeneratedTS() const { return generatedTS; }
  float getUtilStart() const { return utilStart; }
  float getUtilEnd() const { return utilEnd; }
  float getUtilStep() const { return utilStep; }
  std::string getNamePrefix() const { return namePrefix; }
  int getNrOfTaskSets() const { return nrOfTaskSets; }
  int getSeed() const { return seed; }
  bool printWeightedResults() const { return weighted; }
  bool virtualDeps() const { return useVirtualDeps; }

 private:
  // Test hook: reads the fields of a Config (tests/configProbe.h).
  friend struct ConfigProbe;
  friend class ConfigTestAccess;

  PlatformOptions platformOptions() const;

  std::string fileName;
  std::array<std::string, maxProcessorDefs> archFiles;
  std::string tasksetFileName;
  std::string tracesFileName;
  std::string namePrefix = "ts";
  std::string outFile;
  float utilStart = 0.05f;
  float utilEnd = 1.0f;
  float utilStep = 0.025f;
  int tasksPerCore = 2;
  int maxTraces = 1;
  int nrOfTaskSets = 0;
  int processorDefs = 0;
  bool help = false;
  bool generatedTS = false;
  bool singleAnalysis = false;
  bool weighted = false;
  bool cw = false;
  bool old = false;
  bool dot = false;
  bool perfectBus = false;
  bool newFormat = false;
  bool periodAnalysis = false;
  bool useVirtualDeps = false;
  bool singleBank = false;
  bool csv = false;
  int seed = 19091982;
  int nrOfCores = -1;
  int nrOfMemBanks = 0;
  int memDelay = -1;
  int accDelay = -1;
  int burstDelay = -1;
  int refreshLatency = 0;
  int refreshInterval = 1;
  float deadlineFactor = 1.0f;
  std::string busName;
  // The option files being read, outermost first: a file met again among them
  // includes itself and would recurse without end. Empty outside parseConfig.
  std::vector<FileId> optionFilesBeingRead;
};

#endif
