#include "Bus/busVesknr.h"

#include "keys.h"

longint_t BusVesknr::getInterference(int i, longint_t t, Nodeset* nodeset, int bank) {
  return twoLevel(&Bus::computeNoReleaseA, i, t, nodeset, bank, computeS(i, t, nodeset, bank));
}
