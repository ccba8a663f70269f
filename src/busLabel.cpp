#include "busLabel.h"

#include "Bus/busModel.h"

BusLabel busLabel(const std::string& busName, bool twoPhase) {
  const BusModel* model = findBusModel(busName);
  if (model == nullptr) return {busName, twoPhase ? "E1: 2-P" : "E2: 1-P"};
  const std::string_view bench = model->bench.empty() ? model->name : model->bench;
  return {std::string(bench), std::string(twoPhase ? model->twoPhaseLabel : model->onePhaseLabel)};
}
