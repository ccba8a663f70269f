#ifndef TOLLBRIG_INTERFERENCE_H
#define TOLLBRIG_INTERFERENCE_H

#include "keys.h"

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
