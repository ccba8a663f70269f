// Node-set files in either layout, read as the analysis steps read them: the
// header while the platform is assembled, then the whole node set, under the
// options that change how it is read.
#include "Platform/processor.h"
#include "config.h"
#include "configTestAccess.h"
#include "documentCache.h"
#include "fuzzSupport.h"
#include "nodeset.h"

namespace {

struct ReadOptions {
  bool cw;
  bool singleBank;
  bool virtualDeps;
};

constexpr ReadOptions optionSets[] = {
    {false, false, false},
    {true, false, false},
    {false, true, true},
    {true, true, false},
};

void read(const std::string& path, const ReadOptions& options) {
  Config config;
  ConfigTestAccess::setTaskset(config, path);
  ConfigTestAccess::cw(config) = options.cw;
  ConfigTestAccess::singleBank(config) = options.singleBank;
  ConfigTestAccess::virtualDeps(config) = options.virtualDeps;
  Processor proc;
  if (config.initProc(proc, 0) == 0) config.destroyProc(proc, 0);
  // The reader must hold on its own, also where the header was refused.
  Nodeset nodeset;
  config.initNodeSet(nodeset);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string path = FuzzScratch::instance().write("nodes.yaml", data, size);
  DocumentCache::clear();
  for (const ReadOptions& options : optionSets) readReportingFaults([&] { read(path, options); });
  return 0;
}
