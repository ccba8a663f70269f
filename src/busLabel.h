#ifndef TOLLBRIG_BUSLABEL_H
#define TOLLBRIG_BUSLABEL_H

#include <string>

#include "keys.h"

// The bus family and label under which results of a bus model are reported.
struct BusLabel {
  std::string bench;
  std::string test;
};

BusLabel busLabel(const std::string& busName, bool twoPhase);

#endif
