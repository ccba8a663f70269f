#ifndef TOLLBRIG_TESTS_CONFIGTESTACCESS_H
#define TOLLBRIG_TESTS_CONFIGTESTACCESS_H

#include "config.h"

// Turns off the flags that no option turns off, for tests that read again with
// the same Config under other options. Tests set options by parsing their words.
class ConfigTestAccess {
 public:
  static void clearFlags(Config& c) {
    c.cw = false;
    c.singleBank = false;
  }
};

#endif
