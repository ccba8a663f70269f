#ifndef TOLLBRIG_PLATFORM_LENT_H
#define TOLLBRIG_PLATFORM_LENT_H

#include "Bus/bus.h"

// Lends an index, and a sweep if given, to the bus while it lives.
class Lent {
 public:
  Lent(Bus* borrower, const OverlapIndex& index, ReleaseSweep* sweep = nullptr) : bus(borrower) {
    bus->attach(&index, sweep);
  }
  ~Lent() { bus->attach(nullptr); }
  Lent(const Lent&) = delete;
  Lent& operator=(const Lent&) = delete;

 private:
  Bus* bus;
};

#endif
