// Option files: every word sequence goes through the command-line parser.
#include "config.h"
#include "fuzzSupport.h"
#include "globals.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string path = FuzzScratch::instance().write("options.def", data, size);
  readReportingFaults([&] {
    Config config;
    config.readConfig(path);
  });
  // Options set these process-wide settings; the next input starts afresh.
  VERBOSE = 0;
  OUTPUTDIR.clear();
  return 0;
}
