#include "Bus/busPP.h"

#include <iostream>

#include "keys.h"

longint_t BusPP::getInterference(int, longint_t, Nodeset*, int) {
  if (!reported) {
    std::cerr << " NOT IMPLEMENTED " << std::endl;
    reported = true;
  }
  failed = true;
  return 0;
}
