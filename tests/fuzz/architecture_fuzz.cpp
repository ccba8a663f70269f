// Architecture files in either layout, as the analysis steps assemble a platform.
#include <string>
#include <vector>

#include "Platform/processor.h"
#include "config.h"
#include "documentCache.h"
#include "fuzzSupport.h"
#include "optionWords.h"

namespace {

void assemble(const std::string& path, bool perfectBus, DocumentCache& documents) {
  Config config;
  std::vector<std::string> words = {"-arch", path};
  if (perfectBus) words.push_back("-perfectBus");
  parseOptionWords(config, words);
  Processor proc;
  if (config.initProc(proc, 0, documents) == 0) config.destroyProc(proc, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string path = FuzzScratch::instance().write("arch.yaml", data, size);
  DocumentCache documents;
  for (const bool perfectBus : {false, true})
    readReportingFaults([&] { assemble(path, perfectBus, documents); });
  return 0;
}
