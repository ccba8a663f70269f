#include "traceset.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "Platform/dram.h"
#include "Platform/processor.h"
#include "documentCache.h"
#include "inputError.h"
#include "nodeset.h"

namespace {

// OUTPUTDIR/<processor>/<trace><extension>; nothing is trimmed or escaped.
std::string profilePath(const std::string& processorName, const std::string& traceName,
                        const std::string& extension) {
  return OUTPUTDIR + "/" + processorName + "/" + traceName + extension;
}

// Reads a "<word> <value>" line of a text profile; the value stays as it was
// when it cannot be read.
void readScalarLine(std::istream& in, longint_t& value) {
  std::string word;
  longint_t read = 0;
  if (in >> word >> read) value = read;
}

// Reads a "<word> <count> <entries>..." line of a text profile. A list cut
// short keeps the entries read so far; a failed stream reads nothing more.
void readBlockList(std::istream& in, std::set<int>& blocks) {
  std::string word;
  int count = 0;
  if (!(in >> word >> count)) return;
  for (int k = 0; k < count; ++k) {
    int block = 0;
    if (!(in >> block)) return;
    blocks.insert(block);
  }
}

}  // namespace

bool is_file_exist(const char* path) {
  std::ifstream in(path);
  return in.good();
}

int Traceset::readTraceFile(std::string file) {
  traceListFile = file;
  std::ifstream in(file);
  if (!in) {
    std::cerr << "Error: Could not open trace file '" << file << "'" << std::endl;
    return 1;
  }
  if (VERBOSE > 1) std::cout << "Read traceset file '" << file << "'" << std::endl;
  std::string name;
  while (in >> name) {
    traceNames.insert(name);
    if (VERBOSE > 1) std::cout << "Trace " << name << " successfully added." << std::endl;
  }
  empty = false;
  return 0;
}

void Traceset::setEmpty() { empty = true; }

bool Traceset::isEmpty() const { return empty; }

std::string Traceset::getRandomTrace() {
  const longint_t n = traceNames.size();
  if (n == 0) {
    std::cerr << "  Could not provide random trace, trace file is empty." << std::endl;
    return "";
  }
  const longint_t r = static_cast<longint_t>(rand()) % n;
  return *std::next(traceNames.begin(), static_cast<std::ptrdiff_t>(r));
}

int Traceset::getBaseWCET(std::string processorName, std::string traceName, int memDelay,
                          longint_t& wcet, Processor& p) {
  const std::string path = profilePath(processorName, traceName, ".dat");
  std::ifstream in(path);
  if (!in) {
    std::cerr << "  Trace file for trace '" << path << "' not found." << std::endl;
    return 1;
  }
  longint_t procDemand = 0;
  longint_t memDemand = 0;
  readScalarLine(in, procDemand);
  readScalarLine(in, memDemand);
  longint_t bound = procDemand + static_cast<longint_t>(static_cast<int64_t>(memDelay)) * memDemand;
  if (DRAM* dram = p.getDRAM()) bound += dram->DRAMperNode(bound, memDemand);
  wcet = std::max(wcet, bound);
  return 0;
}

int Traceset::readTraceParameter(std::string processorName, std::string traceName,
                                 longint_t& procDemand, longint_t& memDemand,
                                 longint_t& writeAccesses, std::set<int>& UCBData,
                                 std::set<int>& ECBData, std::set<int>& UCBInstr,
                                 std::set<int>& ECBInstr) {
  const std::string yamlPath = profilePath(processorName, traceName, ".yaml");
  if (is_file_exist(yamlPath.c_str())) {
    try {
      const YAML::Node& profile = DocumentCache::view(yamlPath);
      if (!profile.IsMap()) throw InputError("the document is not a map");
      const longint_t proc = requiredValue<longint_t>(profile, "procDemand");
      const longint_t mem = requiredValue<longint_t>(profile, "memDemand");
      const longint_t writes = requiredValue<longint_t>(profile, "nbTransactions");
      procDemand = proc;
      memDemand = mem;
      writeAccesses = writes;
      return 0;
    } catch (const std::runtime_error& e) {
      // InputError and every error of the YAML library.
      std::cerr << "Error: invalid profile '" << yamlPath << "': " << e.what() << std::endl;
      return 1;
    }
  }

  std::ifstream in(profilePath(processorName, traceName, ".dat"));
  if (!in) {
    std::cerr << "  Trace file for trace '" << traceName << "' not found." << std::endl;
    return 1;
  }
  readScalarLine(in, procDemand);
  readScalarLine(in, memDemand);
  writeAccesses = 0;
  // The file lists the instruction lists before the data lists.
  readBlockList(in, UCBInstr);
  readBlockList(in, ECBInstr);
  readBlockList(in, UCBData);
  readBlockList(in, ECBData);
  if (in.eof())
    writeAccesses = memDemand;
  else
    readScalarLine(in, writeAccesses);
  return 0;
}

int Traceset::setNodesetParameter(Processor& p, Nodeset& ns) {
  if (!ns.hasTraceFiles()) return 0;
  const std::string processorName = p.getName();
  for (int i = 0; i < static_cast<int>(ns.getSize()); ++i) {
    const int bank = ns.getLocalMemoryBank(i);
    ns.addMemDemandPerBank(i, bank, 0);
    ns.addTransactionsPerBank(i, bank, 0);
    if (ns.isEmpty(i)) continue;
    for (const std::string& trace : ns.getTraceVector(i)) {
      longint_t procDemand = 0;
      longint_t memDemand = 0;
      longint_t writeAccesses = 0;
      std::set<int> UCBData, ECBData, UCBInstr, ECBInstr;
      if (readTraceParameter(processorName, trace, procDemand, memDemand, writeAccesses, UCBData,
                             ECBData, UCBInstr, ECBInstr) != 0)
        return 1;
      ns.setProcDemand(i, std::max(ns.getProcDemand(i), procDemand));
      ns.setMemDemand(i, std::max(ns.getMemDemand(i), memDemand));
      ns.addMemDemandPerBank(i, bank, memDemand);
      ns.addTransactionsPerBank(i, bank, writeAccesses);
    }
  }
  return 0;
}
