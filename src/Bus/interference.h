#ifndef TOLLBRIG_INTERFERENCE_H
#define TOLLBRIG_INTERFERENCE_H

#include <cstdint>

#include "keys.h"

// Cycles of count events of an int delay: the delay is widened to signed 64
// bits, the product is unsigned 64-bit and wraps.
inline longint_t cycles(int delay, longint_t count) {
  return static_cast<longint_t>(static_cast<int64_t>(delay)) * count;
}

class Nodeset;
class Processor;

// Root of every model that charges a node with interference cycles.
class Interference {
 public:
  Interference() = default;
  virtual ~Interference() = default;
  // Cycles node i loses on the bank while its window of length t is open.
  virtual longint_t getInterference(int i, longint_t t, Nodeset* nodeset, int bank);

 protected:
  Processor* processor = nullptr;
};

#endif
