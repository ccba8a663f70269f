// Tollbrig: analyses the node set once on every architecture given.
#include <iostream>
#include <string>

#include "Platform/processor.h"
#include "Platform/rta.h"
#include "busLabel.h"
#include "config.h"
#include "console.h"
#include "documentCache.h"
#include "driver.h"
#include "keys.h"
#include "nodeset.h"
#include "platformGuard.h"
#include "traceset.h"

namespace {

const std::string rule(72, '-');

void printBanner(const std::string& text) {
  std::cout << std::endl
            << rule << std::endl
            << text << std::endl
            << rule << std::endl
            << std::endl;
}

// One pass of the analysis loop: architecture definition i.
int analysePlatform(Config& config, int i, DocumentCache& documents) {
  Processor proc;
  Nodeset nodeset;
  Traceset traceset;
  if (config.initProc(proc, i, documents) != 0)
    return fail("Error: initialization of processor failed.");
  const PlatformGuard platform(config, proc, i);
  if (config.initNodeSet(nodeset, documents) != 0)
    return fail("Error: initialization of taskset failed.");
  if (!config.isDOT() && !config.isNewFormat() &&
      traceset.setNodesetParameter(proc, nodeset, documents) != 0)
    return fail("Error: initialization of trace parameter failed.");

  ResponseTimeAnalysis analysis;
  if (analysis.init(&nodeset, &proc) != 0) return fail("Error: initialization of analysis failed.");
  if (analysis.analyse() != 0) return fail("Error: analysis failed.");
  const bool schedulable = analysis.isSchedulable();
  if (VERBOSE >= 0) std::cout << "ResponseTimeAnalysis done." << std::endl;
  std::cout << " Taskset '" << nodeset.getName() << "' "
            << (schedulable ? std::string(console::green) + "is schedulable "
                            : std::string(console::yellow) + "is NOT schedulable ")
            << console::reset << "on processor '" << proc.getName() << "' !" << std::endl;

  const std::string base = config.isNewFormat() ? "" : config.getTasksetFileName();
  if (nodeset.exportYAML(schedulable, config.getOutFile(), base, documents) != 0) return 1;
  if (schedulable && config.hasCSV()) {
    const BusLabel label = busLabel(config.getBusName(), config.isCW());
    if (nodeset.exportCSV(config.getOutFile(), config.getFileName(), label.bench,
                          static_cast<longint_t>(config.getNrOfMemBanks()), label.test) != 0)
      return 1;
  }
  return 0;
}

}  // namespace

int analyseConfiguration(Config config) {
  if (VERBOSE >= 0) std::cout << "Start Analysis." << std::endl;
  DocumentCache documents;
  for (int i = 0; i < config.getProcessorDefs(); ++i) {
    if (analyseDefinition(config, i, [&] { return analysePlatform(config, i, documents); }) != 0)
      return 1;
  }
  return 0;
}

int main(int argc, char** argv) try {
  Config config;
  if (const auto status = startUp(config, argc, argv)) return *status;
  if (VERBOSE >= 0) printBanner("Welcome to the prototype version of the Fenlowe!");
  if (config.isSingleAnalysis()) {
    if (analyseConfiguration(config) != 0) {
      std::cerr << "Error: configuration could not be analysed." << std::endl;
      return 1;
    }
    if (VERBOSE >= 0) std::cout << "Analysis finished successfully." << std::endl;
  }
  if (VERBOSE >= 0) printBanner(std::string(32, ' ') + "Goodbye!" + std::string(32, ' '));
  return 0;
} catch (...) {
  return reportEscapedException();
}
