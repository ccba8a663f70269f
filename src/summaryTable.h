#ifndef TOLLBRIG_SUMMARYTABLE_H
#define TOLLBRIG_SUMMARYTABLE_H

#include <string>

#include "keys.h"

// The summary CSV table: a header line, then one line per analysed platform.
// Fields are written as they are, neither quoted nor escaped.
namespace SummaryTable {
const std::string header = "bench,banks,test,time\n";

// One row with its line end; banks reads "<n> bank" for n up to 1, "<n> banks" above.
std::string row(const std::string& bench, longint_t banks, const std::string& test, longint_t time);
// The period search's row: an int bank count and a time that may read "inf".
std::string row(const std::string& bench, int banks, const std::string& test,
                const std::string& time);
}  // namespace SummaryTable

#endif
