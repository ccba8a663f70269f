#ifndef TOLLBRIG_KEYS_H
#define TOLLBRIG_KEYS_H

#include <string>

#include "globals.h"

// YAML key texts of node-set files and the result YAML.
namespace KEYS {
const std::string nodes = "nodes";
const std::string rx = "RxAccesses";
const std::string tx = "TxAccesses";
const std::string nbcores = "numOfCores";
const std::string schedTest = "multi_rate_sched_test";
const std::string newFormat = "newFormat";
const std::string core = "assignedTo";
const std::string deadline = "deadline";
const std::string release = "release";
const std::string order = "order";
const std::string trace = "traceName";
const std::string deps = "deps";
const std::string comm = "accessTo";
const std::string nocAccess = "nocAccess";
const std::string edges = "edges";
const std::string src = "src";
const std::string dest = "dest";
const std::string wcet = "wcet";
const std::string md = "memDemand";
const std::string wcbt = "nbTransactions";
const std::string sched = "schedulable";
const std::string response = "response";
}  // namespace KEYS

// YAML key texts of architecture files.
namespace ARCHKEYS {
const std::string name = "name";
const std::string cores = "Cores";
const std::string memDelay = "memDelay";
const std::string accDelay = "accDelay";
const std::string burstDelay = "burstDelay";
const std::string bus = "Bus";
const std::string memUnif = "MemoryUnified";
const std::string memInstr = "MemoryInstruction";
const std::string memData = "MemoryDATA";
const std::string memType = "Type";
const std::string memParam = "Param";
const std::string clusters = "clusters";
}  // namespace ARCHKEYS

#endif
