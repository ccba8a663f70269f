#include "Bus/busModel.h"

#include <array>

#include "Bus/busFIFO.h"
#include "Bus/busFP.h"
#include "Bus/busPP.h"
#include "Bus/busPessRR.h"
#include "Bus/busPessVesk.h"
#include "Bus/busRR.h"
#include "Bus/busRRnr.h"
#include "Bus/busTDMA.h"
#include "Bus/busVesk.h"
#include "Bus/busVesknr.h"
#include "Bus/perfectBus.h"

namespace {

template <class Model>
std::unique_ptr<Bus> make(Processor* proc) {
  return std::make_unique<Model>(proc);
}

std::unique_ptr<Bus> makeFourSlotTDMA(Processor* proc) {
  return std::make_unique<BusTDMA>(proc, 4);
}

using Listed = BusModel::Listed;

constexpr const char* twoPhase = "E1: 2-P";
constexpr const char* onePhase = "E2: 1-P";

const std::array<BusModel, 11> models = {{
    {"PerfectBus", make<PerfectBus>, "Vesk", "E0: opt", "E0: opt", Listed::no, ""},
    {"BusTDMA", makeFourSlotTDMA, "", twoPhase, onePhase, Listed::no, ""},
    {"BusRR", make<BusRR>, "RR", twoPhase, onePhase, Listed::plain, ""},
    {"BusPessRR", make<BusPessRR>, "RR", "E5: pess", "E5: pess", Listed::variant, ""},
    {"BusRRnr", make<BusRRnr>, "RR", "E3: 2-P (w/o release)", "E4: 1-P (w/o release)",
     Listed::variant, ","},
    {"BusFP", make<BusFP>, "", twoPhase, onePhase, Listed::plain, ","},
    {"BusPP", make<BusPP>, "", twoPhase, onePhase, Listed::plain, ","},
    {"BusFIFO", make<BusFIFO>, "", twoPhase, onePhase, Listed::plain, ","},
    {"BusVesk", make<BusVesk>, "Vesk", twoPhase, onePhase, Listed::plain, ","},
    {"BusPessVesk", make<BusPessVesk>, "Vesk", "E5: pess", "E5: pess", Listed::variant, ", "},
    {"BusVesknr", make<BusVesknr>, "Vesk", "E3: 2-P (w/o release)", "E4: 1-P (w/o release)",
     Listed::variant, ", "},
}};

// The listed models' names without their "Bus" prefix, each after its separator.
std::string listOf(Listed listed) {
  std::string list;
  for (const BusModel& model : models)
    if (model.listed == listed) {
      list += model.listSeparator;
      list += model.name.substr(std::string_view("Bus").size());
    }
  return list;
}

}  // namespace

std::span<const BusModel> busModels() { return models; }

const BusModel* findBusModel(std::string_view name) {
  for (const BusModel& model : models)
    if (model.name == name) return &model;
  return nullptr;
}

std::string validBusNames() {
  return "Bus'XX': 'XX' in {" + listOf(Listed::plain) +
         "}\n  for 'pessimistic' and 'no-release' configs: 'XX' in {" + listOf(Listed::variant) +
         "}\n";
}
