// Profiles in both forms: the input is the YAML form of trace t on processor
// Y and the text form of trace t on processor D, which the generator's base
// bound reads too.
#include <set>

#include "Platform/processor.h"
#include "documentCache.h"
#include "fuzzSupport.h"
#include "globals.h"
#include "traceset.h"

namespace {

void readProfile(const std::string& processor, DocumentCache& documents) {
  Traceset traces;
  longint_t procDemand = 0, memDemand = 0, writeAccesses = 0;
  std::set<int> UCBData, ECBData, UCBInstr, ECBInstr;
  traces.readTraceParameter(processor, "t", procDemand, memDemand, writeAccesses, UCBData, ECBData,
                            UCBInstr, ECBInstr, documents);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const FuzzScratch& scratch = FuzzScratch::instance();
  OUTPUTDIR = scratch.path();
  scratch.write("Y/t.yaml", data, size);
  scratch.write("D/t.dat", data, size);
  DocumentCache documents;
  readReportingFaults([&] { readProfile("Y", documents); });
  readReportingFaults([&] { readProfile("D", documents); });
  Traceset traces;
  Processor proc;
  longint_t wcet = 0;
  traces.getBaseWCET("D", "t", -3, wcet, proc);
  return 0;
}
