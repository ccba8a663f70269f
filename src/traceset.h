#ifndef TOLLBRIG_TRACESET_H
#define TOLLBRIG_TRACESET_H

#include <map>
#include <set>
#include <string>

#include "keys.h"
#include "trace.h"

class DocumentCache;
class Nodeset;
class Processor;
class Taskset;

// The trace library of a run: trace names, parsed traces and the per-trace
// profile files under OUTPUTDIR/<processor>/<trace>.{yaml,dat}, read through
// the run's documents.
class Traceset {
 public:
  int readTraceFile(std::string file);
  void setEmpty();
  bool isEmpty() const;
  bool hasTraceNames() const { return !traceNames.empty(); }
  std::string getRandomTrace();
  int getBaseWCET(std::string processorName, std::string traceName, int memDelay, longint_t& wcet,
                  Processor& p);
  int readTraceParameter(std::string processorName, std::string traceName, longint_t& procDemand,
                         longint_t& memDemand, longint_t& writeAccesses, std::set<int>& UCBData,
                         std::set<int>& ECBData, std::set<int>& UCBInstr, std::set<int>& ECBInstr,
                         DocumentCache& documents);
  int setNodesetParameter(Processor& p, Nodeset& ns, DocumentCache& documents);

  int deriveTraceParameter(Processor& p);
  int readTraces();
  int setTasksetParameter(Processor& p, Taskset& ts, DocumentCache& documents);

 private:
  std::string traceListFile;
  std::map<std::string, Trace> traceMap;
  std::set<std::string> traceNames;
  bool empty = true;
};

bool is_file_exist(const char* path);

#endif
