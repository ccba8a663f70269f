// Architecture files in either layout, as the analysis steps assemble a platform.
#include "Platform/processor.h"
#include "config.h"
#include "configTestAccess.h"
#include "documentCache.h"
#include "fuzzSupport.h"

namespace {

void assemble(const std::string& path, bool perfectBus) {
  Config config;
  ConfigTestAccess::archFile(config, 0) = path;
  ConfigTestAccess::perfectBus(config) = perfectBus;
  Processor proc;
  if (config.initProc(proc, 0) == 0) config.destroyProc(proc, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string path = FuzzScratch::instance().write("arch.yaml", data, size);
  DocumentCache::clear();
  for (const bool perfectBus : {false, true}) readReportingFaults([&] { assemble(path, perfectBus); });
  return 0;
}
