#include "busLabel.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "rta_support.h"

namespace {

TEST(BusLabel, FamilyAndLabelOfEveryBusName) {
  const struct {
    const char* busName;
    const char* bench;
    const char* twoPhase;
    const char* onePhase;
  } cases[] = {
      {"BusVesk", "Vesk", "E1: 2-P", "E2: 1-P"},
      {"BusVesknr", "Vesk", "E3: 2-P (w/o release)", "E4: 1-P (w/o release)"},
      {"BusPessVesk", "Vesk", "E5: pess", "E5: pess"},
      {"BusRR", "RR", "E1: 2-P", "E2: 1-P"},
      {"BusRRnr", "RR", "E3: 2-P (w/o release)", "E4: 1-P (w/o release)"},
      {"BusPessRR", "RR", "E5: pess", "E5: pess"},
      {"PerfectBus", "Vesk", "E0: opt", "E0: opt"},
      // Any other name is its own family; names compare exactly.
      {"BusTDMA", "BusTDMA", "E1: 2-P", "E2: 1-P"},
      {"busrr", "busrr", "E1: 2-P", "E2: 1-P"},
      {"BusRR ", "BusRR ", "E1: 2-P", "E2: 1-P"},
      {"", "", "E1: 2-P", "E2: 1-P"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.busName);
    const BusLabel twoPhase = busLabel(c.busName, true);
    const BusLabel onePhase = busLabel(c.busName, false);
    EXPECT_EQ(twoPhase.bench, c.bench);
    EXPECT_EQ(onePhase.bench, c.bench);
    EXPECT_EQ(twoPhase.test, c.twoPhase);
    EXPECT_EQ(onePhase.test, c.onePhase);
  }
}

// The randomized analysis tests cover every model of the table that gives a
// value, and only those.
TEST(BusModels, WorkingBusesAreTheTableWithoutPP) {
  std::set<std::string> table;
  for (const BusModel& model : busModels())
    if (model.name != "BusPP") table.emplace(model.name);
  EXPECT_EQ(std::set<std::string>(workingBuses().begin(), workingBuses().end()), table);
  EXPECT_EQ(workingBuses().size(), table.size());
}

}  // namespace
