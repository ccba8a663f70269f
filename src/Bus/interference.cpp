#include "Bus/interference.h"

#include <iostream>

#include "keys.h"

longint_t Interference::getInterference(int, longint_t, Nodeset*, int) {
  std::cout << "noooooooooooooooo";
  return 0;
}
