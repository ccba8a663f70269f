#include "busLabel.h"

#include <array>

namespace {

struct BusLabelRow {
  const char* busName;
  const char* bench;
  const char* twoPhase;
  const char* onePhase;
};

const std::array<BusLabelRow, 7> busLabelRows = {{
    {"BusVesk", "Vesk", "E1: 2-P", "E2: 1-P"},
    {"BusVesknr", "Vesk", "E3: 2-P (w/o release)", "E4: 1-P (w/o release)"},
    {"BusPessVesk", "Vesk", "E5: pess", "E5: pess"},
    {"BusRR", "RR", "E1: 2-P", "E2: 1-P"},
    {"BusRRnr", "RR", "E3: 2-P (w/o release)", "E4: 1-P (w/o release)"},
    {"BusPessRR", "RR", "E5: pess", "E5: pess"},
    {"PerfectBus", "Vesk", "E0: opt", "E0: opt"},
}};

}  // namespace

BusLabel busLabel(const std::string& busName, bool twoPhase) {
  for (const auto& row : busLabelRows)
    if (busName == row.busName) return {row.bench, twoPhase ? row.twoPhase : row.onePhase};
  return {busName, twoPhase ? "E1: 2-P" : "E2: 1-P"};
}
