#include "traceset.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>

#include "Platform/core.h"
#include "Platform/dram.h"
#include "Platform/memory.h"
#include "Platform/processor.h"
#include "Taskset/taskset.h"
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

// The figures of one trace parameter file.
struct TraceFigures {
  longint_t procDemand = 0;
  longint_t memDemand = 0;
  longint_t writeAccesses = 0;
  std::set<int> UCBData, ECBData, UCBInstr, ECBInstr;
};

int readFigures(Traceset& traces, const std::string& processorName, const std::string& trace,
                TraceFigures& f, DocumentCache& documents) {
  return traces.readTraceParameter(processorName, trace, f.procDemand, f.memDemand, f.writeAccesses,
                                   f.UCBData, f.ECBData, f.UCBInstr, f.ECBInstr, documents);
}

// The scalar figures of a profile, the part that node demands take.
struct Demands {
  longint_t procDemand = 0;
  longint_t memDemand = 0;
  longint_t writeAccesses = 0;
};

// A profile is read once per run, however many nodes and search steps name
// its trace (documentCache.h); one that cannot be read is not kept, so each
// attempt reports it.
int readDemands(Traceset& traces, const std::string& processorName, const std::string& trace,
                Demands& demands, DocumentCache& documents) {
  const Demands* known = documents.kept<Demands>(
      profilePath(processorName, trace, ""), "profile demands", [&]() -> std::optional<Demands> {
        TraceFigures f;
        if (readFigures(traces, processorName, trace, f, documents) != 0) return std::nullopt;
        return Demands{f.procDemand, f.memDemand, f.writeAccesses};
      });
  if (known == nullptr) return 1;
  demands = *known;
  return 0;
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
                                 std::set<int>& ECBInstr, DocumentCache& documents) {
  const std::string yamlPath = profilePath(processorName, traceName, ".yaml");
  if (is_file_exist(yamlPath.c_str())) {
    try {
      const YAML::Node& profile = documents.view(yamlPath);
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

int Traceset::setNodesetParameter(Processor& p, Nodeset& ns, DocumentCache& documents) {
  if (!ns.hasTraceFiles()) return 0;
  const std::string processorName = p.getName();
  for (int i = 0; i < static_cast<int>(ns.getSize()); ++i) {
    const int bank = ns.getLocalMemoryBank(i);
    ns.addMemDemandPerBank(i, bank, 0);
    ns.addTransactionsPerBank(i, bank, 0);
    if (ns.isEmpty(i)) continue;
    for (const std::string& trace : ns.getTraceVector(i)) {
      Demands f;
      if (readDemands(*this, processorName, trace, f, documents) != 0) return 1;
      ns.setProcDemand(i, std::max(ns.getProcDemand(i), f.procDemand));
      ns.setMemDemand(i, std::max(ns.getMemDemand(i), f.memDemand));
      ns.addMemDemandPerBank(i, bank, f.memDemand);
      ns.addTransactionsPerBank(i, bank, f.writeAccesses);
    }
  }
  return 0;
}

namespace {

// Creates dir unless it exists already; a warning when it cannot be created.
void makeProfileDirectory(const std::string& dir) {
  std::error_code error;
  std::filesystem::create_directory(dir, error);
  if (error) {
    std::cerr << "WARNING: directory \"" << dir << "\" could not be created: " << error.message()
              << std::endl;
  }
}

// One local memory's share of a trace profile.
struct MemoryProfile {
  longint_t memDemand = 0;
  longint_t writeAccesses = 0;
  std::set<int> UCBs;
  std::set<int> ECBs;
};

struct TraceProfile {
  longint_t procDemand = 0;
  MemoryProfile data;
  MemoryProfile instr;
};

// Runs the trace through a local memory; false when its analysis failed. An
// absent memory contributes nothing.
bool profileMemory(Memory* memory, Trace& trace, MemoryProfile& out) {
  return memory == nullptr ||
         memory->MEM(trace, out.memDemand, out.writeAccesses, out.UCBs, out.ECBs) == 0;
}

void printMemoryProfile(const char* side, const MemoryProfile& profile) {
  if (VERBOSE <= 2) return;
  std::cout << "    memDemand" << side << "=" << profile.memDemand << "." << std::endl;
  std::cout << "    |UCBs|=" << profile.UCBs.size() << "." << std::endl;
  std::cout << "    |ECBs|=" << profile.ECBs.size() << "." << std::endl;
}

// "<keyword> <n> " and each of the n blocks plus offset, followed by a blank.
void writeBlockList(std::ostream& out, const char* keyword, const std::set<int>& blocks,
                    long long offset) {
  out << keyword << " " << blocks.size() << " ";
  for (const int block : blocks) out << block + offset << " ";
  out << "\n";
}

// The text form of a trace profile. Data-cache sets are shifted by
// MAXCACHESETS so that they stay apart from instruction-cache sets when merged.
void writeProfile(std::ostream& out, const TraceProfile& profile) {
  out << "procDemand " << profile.procDemand << "\n";
  out << "memDemand " << profile.data.memDemand + profile.instr.memDemand << "\n";
  writeBlockList(out, "UCBInstr", profile.instr.UCBs, 0);
  writeBlockList(out, "ECBInstr", profile.instr.ECBs, 0);
  writeBlockList(out, "UCBData", profile.data.UCBs, MAXCACHESETS);
  writeBlockList(out, "ECBData", profile.data.ECBs, MAXCACHESETS);
  out << "writeAccesses " << profile.data.writeAccesses + profile.instr.writeAccesses << "\n\n";
}

// Writes the profile beside path under a temporary name and renames it once it
// is complete, so that path never holds a cut-short profile. 0 done, 1 failed.
int storeProfile(const std::string& path, const TraceProfile& profile) {
  const std::string partial = path + ".tmp";
  std::ofstream out(partial, std::ios::trunc);
  if (!out) {
    std::cerr << "Error: Could not open temporary file '" << path << "'" << std::endl;
    return 1;
  }
  writeProfile(out, profile);
  out.close();
  std::error_code error;
  if (!out.fail()) std::filesystem::rename(partial, path, error);
  if (out.fail() || error) {
    std::filesystem::remove(partial, error);
    std::cerr << "Error: Could not write trace parameter file '" << path << "'" << std::endl;
    return 1;
  }
  return 0;
}

}  // namespace

int Traceset::deriveTraceParameter(Processor& p) {
  const std::string processorName = p.getName();
  if (!OUTPUTDIR.empty()) makeProfileDirectory(OUTPUTDIR);
  makeProfileDirectory(OUTPUTDIR + "/" + processorName);
  int result = 0;
  for (auto& [traceName, trace] : traceMap) {
    const std::string path = profilePath(processorName, traceName, ".dat");
    if (std::ifstream(path)) {
      if (VERBOSE > 2) {
        std::cout << "  Trace parameter for trace '" << traceName << "' on proc '" << processorName
                  << "' already found. Nothing to be done." << std::endl;
      }
      continue;
    }
    // readTraces keeps an unnamed, empty trace for a file it could not read.
    if (trace.getName().empty()) {
      std::cerr << "  Trace '" << traceName
                << "' could not be read: no trace parameter file written." << std::endl;
      result = 1;
      continue;
    }

    TraceProfile profile;
    if (Core* core = p.getCore()) core->computeProcDemand(trace, profile.procDemand);
    if (VERBOSE > 2) std::cout << "    procDemand=" << profile.procDemand << "." << std::endl;
    const bool dataDone = profileMemory(p.getLocalMemoryData(), trace, profile.data);
    printMemoryProfile("Data", profile.data);
    const bool instrDone = profileMemory(p.getLocalMemoryInstr(), trace, profile.instr);
    printMemoryProfile("Instr", profile.instr);
    if (!dataDone || !instrDone) {
      std::cerr << "  Trace '" << traceName << "' could not be analysed on proc '" << processorName
                << "': no trace parameter file written." << std::endl;
      result = 1;
      continue;
    }
    if (storeProfile(path, profile) != 0) return 1;
  }
  return result;
}

int Traceset::readTraces() {
  for (const std::string& name : traceNames) {
    Trace trace;
    trace.readTrace(name);
    traceMap.try_emplace(name, std::move(trace));
  }
  return 0;
}

int Traceset::setTasksetParameter(Processor& p, Taskset& ts, DocumentCache& documents) {
  const std::string processorName = p.getName();
  for (int i = 0; i < ts.getSize(); ++i) {
    const int bank = ts.getLocalMemoryBank(i);
    ts.setProcDemand(i, 0);
    ts.setMemDemand(i, 0);
    // Makes sure the bank has an entry; what it held stays.
    ts.setMemDemandPerBank(i, bank, 0);
    ts.getECBs(i).clear();
    ts.getUCBVector(i).clear();
    for (const std::string& trace : ts.getTraceVector(i)) {
      TraceFigures f;
      if (readFigures(*this, processorName, trace, f, documents) != 0) return 1;
      ts.setProcDemand(i, std::max(ts.getProcDemand(i), f.procDemand));
      ts.setMemDemand(i, std::max(ts.getMemDemand(i), f.memDemand));
      ts.setMemDemandPerBank(i, bank, f.memDemand);
      ts.setWriteAccesses(i, std::max(ts.getWriteAccesses(i), f.writeAccesses));
      std::set<int>& ECBs = ts.getECBs(i);
      ECBs.insert(f.ECBData.begin(), f.ECBData.end());
      ECBs.insert(f.ECBInstr.begin(), f.ECBInstr.end());
      f.UCBData.merge(f.UCBInstr);
      ts.getUCBVector(i).push_back(std::move(f.UCBData));
    }
  }
  return 0;
}
