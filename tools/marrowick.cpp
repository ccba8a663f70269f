// Marrowick: bisects per architecture for the smallest factor by which the
// release dates and deadlines of the node set can be scaled to make it schedulable.
#include <iostream>
#include <limits>
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
#include "outputPath.h"
#include "platformGuard.h"
#include "summaryTable.h"
#include "traceset.h"

namespace {

const longint_t noFactor = std::numeric_limits<longint_t>::max();
const long long factorLimit = 10000;

// a times b, or the largest value when the product does not fit in 64 bits.
longint_t saturatingProduct(longint_t a, longint_t b) {
  longint_t product;
  if (__builtin_mul_overflow(a, b, &product)) return std::numeric_limits<longint_t>::max();
  return product;
}

// State of the bisection for one architecture definition.
struct Search {
  long long low = 0;
  long long high = factorLimit;
  longint_t best = noFactor;
  longint_t largestDeadline = 1;
  bool lastVerdict = false;
};

// Scales release dates and deadlines by the factor (a product past 2^64 - 1
// stays there, so a node cannot move back to an early date) and records the
// largest unscaled deadline.
void scale(Nodeset& nodeset, longint_t factor, Search& search) {
  for (longint_t j = 0; j < nodeset.getSize(); ++j) {
    const int i = static_cast<int>(j);
    const longint_t deadline = nodeset.getDeadline(i);
    if (deadline > search.largestDeadline) search.largestDeadline = deadline;
    nodeset.setReleaseDate(i, saturatingProduct(nodeset.getReleaseDate(i), factor));
    nodeset.setDeadline(i, saturatingProduct(deadline, factor));
  }
}

// One step of the search: the node set read afresh, scaled and analysed.
int searchStep(Config& config, int i, Nodeset& nodeset, Search& search, DocumentCache& documents) {
  Processor proc;
  Traceset traceset;
  nodeset.clear();
  const longint_t factor = static_cast<longint_t>((search.low + search.high) / 2);
  if (config.initProc(proc, i, documents) != 0)
    return fail("Error: initialization of processor failed.");
  const PlatformGuard platform(config, proc, i);
  if (!config.isPeriodAnalysis()) return fail("Error: wrong file format.");
  if (config.initNodeSet(nodeset, documents) != 0)
    return fail("Error: initialization of taskset failed.");
  if (!config.isDOT() && traceset.setNodesetParameter(proc, nodeset, documents) != 0)
    return fail("Error: initialization of trace parameter failed.");
  scale(nodeset, factor, search);

  ResponseTimeAnalysis analysis;
  if (analysis.init(&nodeset, &proc) != 0) return fail("Error: initialization of analysis failed.");
  if (analysis.analyse() != 0) return fail("Error: analysis failed.");
  search.lastVerdict = analysis.isSchedulable();
  if (search.lastVerdict) {
    search.high = static_cast<long long>(factor);
    search.best = factor;
  } else {
    search.low = static_cast<long long>(factor) + 1;
  }
  return 0;
}

// The smallest schedulable period found, or "inf" when no factor fit.
std::string periodText(const Search& search) {
  if (search.best == noFactor) return "inf";
  return std::to_string(saturatingProduct(search.best, search.largestDeadline));
}

int searchDefinition(Config& config, int i, std::string& summary, DocumentCache& documents) {
  Nodeset nodeset;
  Search search;
  do {
    if (searchStep(config, i, nodeset, search, documents) != 0) return 1;
  } while (search.low < search.high);

  if (nodeset.exportYAML(search.lastVerdict, config.getOutFile(), config.getTasksetFileName(),
                         documents) != 0)
    return 1;
  const BusLabel label = busLabel(config.getBusName(), config.isCW());
  const std::string period = periodText(search);
  std::cout << "Analysis '" << label.test << "' is " << console::green
            << "schedulable at: " << period << console::reset << std::endl;
  std::cout << " \t with the bus '" << config.getBusName() << "'" << std::endl;
  if (VERBOSE > 2)
    std::cout << " [min,max] = ["
              << saturatingProduct(static_cast<longint_t>(search.low), search.largestDeadline)
              << ","
              << saturatingProduct(static_cast<longint_t>(search.high), search.largestDeadline)
              << "]" << std::endl;
  summary += SummaryTable::row(label.bench, config.getNrOfMemBanks(), label.test, period);
  return 0;
}

}  // namespace

int analyseConfiguration(Config config) {
  std::string summary = SummaryTable::header;
  DocumentCache documents;
  for (int i = 0; i < config.getProcessorDefs(); ++i) {
    if (analyseDefinition(config, i,
                          [&] { return searchDefinition(config, i, summary, documents); }) != 0)
      return 1;
  }
  return writeBesideResult(
      outputDirectory(config.getOutFile()) + "/summary_" + config.getFileName() + ".csv",
      config.getOutFile(), summary);
}

int main(int argc, char** argv) try {
  Config config;
  if (const auto status = startUp(config, argc, argv)) return *status;
  if (!config.isSingleAnalysis()) return 0;
  if (analyseConfiguration(config) != 0) {
    std::cerr << "Error: configuration could not be analysed." << std::endl;
    return 1;
  }
  return 0;
} catch (...) {
  return reportEscapedException();
}
