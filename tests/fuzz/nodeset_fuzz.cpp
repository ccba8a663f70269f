// Node-set files in either layout, read as the analysis steps read them: the
// header while the platform is assembled, the whole node set, then the node
// demands from the profile of trace "work", under the options that change how
// the file is read.
#include <optional>
#include <string>
#include <vector>

#include "Platform/processor.h"
#include "config.h"
#include "documentCache.h"
#include "fuzzSupport.h"
#include "globals.h"
#include "nodeset.h"
#include "optionWords.h"
#include "platformGuard.h"
#include "traceset.h"

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

void read(const std::string& path, const ReadOptions& options, DocumentCache& documents) {
  Config config;
  std::vector<std::string> words = {"-ts", path};
  if (options.cw) words.push_back("-cw");
  if (options.singleBank) words.push_back("-sb");
  if (options.virtualDeps) words.push_back("-virtualDeps");
  parseOptionWords(config, words);
  Processor proc;
  std::optional<PlatformGuard> platform;
  if (config.initProc(proc, 0, documents) == 0) platform.emplace(config, proc, 0);
  // The reader must hold on its own, also where the header was refused.
  Nodeset nodeset;
  if (config.initNodeSet(nodeset, documents) != 0 || config.isNewFormat()) return;
  Traceset traces;
  traces.setNodesetParameter(proc, nodeset, documents);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const FuzzScratch& scratch = FuzzScratch::instance();
  // The platform without an architecture file is named SampleProcessor.
  static const bool profileWritten = [&] {
    const std::string profile = "procDemand: 7\nmemDemand: 3\nnbTransactions: 2\n";
    scratch.write("SampleProcessor/work.yaml", reinterpret_cast<const uint8_t*>(profile.data()),
                  profile.size());
    OUTPUTDIR = scratch.path();
    return true;
  }();
  (void)profileWritten;
  const std::string path = scratch.write("nodes.yaml", data, size);
  // One run per input: the option sets read through the same documents.
  DocumentCache documents;
  for (const ReadOptions& options : optionSets)
    readReportingFaults([&] { read(path, options, documents); });
  return 0;
}
