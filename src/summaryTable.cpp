#include "summaryTable.h"

namespace SummaryTable {
namespace {
std::string formatRow(const std::string& bench, const std::string& banks, bool plural,
                      const std::string& test, const std::string& time) {
  return bench + "," + banks + (plural ? " banks," : " bank,") + test + "," + time + "\n";
}
}  // namespace

std::string row(const std::string& bench, longint_t banks, const std::string& test,
                longint_t time) {
  return formatRow(bench, std::to_string(banks), banks > 1, test, std::to_string(time));
}

std::string row(const std::string& bench, int banks, const std::string& test,
                const std::string& time) {
  return formatRow(bench, std::to_string(banks), banks > 1, test, time);
}
}  // namespace SummaryTable
