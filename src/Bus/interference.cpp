#include "Bus/interference.h"

#include <iostream>

#include "keys.h"
#include "nodeset.h"

longint_t Interference::getInterference(int, longint_t, Nodeset*, int) {
  std::cout << "noooooooooooooooo";
  return 0;
}

bool Interference::risesByOverlap(const Nodeset& nodeset) const {
  if (!monotone()) return false;
  for (longint_t k = 0; k < nodeset.getSize(); ++k)
    if (readsByPriority(nodeset, static_cast<int>(k))) return false;
  return true;
}
