#ifndef TOLLBRIG_TESTS_CONFIGTESTACCESS_H
#define TOLLBRIG_TESTS_CONFIGTESTACCESS_H

#include <string>

#include "config.h"

// The fields that the command line would set, for tests of the readers.
class ConfigTestAccess {
 public:
  static std::string& archFile(Config& c, int i) { return c.archFiles[i]; }
  static void setTaskset(Config& c, const std::string& path) {
    c.tasksetFileName = path;
    c.singleAnalysis = true;
  }
  static bool& cw(Config& c) { return c.cw; }
  static bool& old(Config& c) { return c.old; }
  static bool& dot(Config& c) { return c.dot; }
  static bool& perfectBus(Config& c) { return c.perfectBus; }
  static bool& singleBank(Config& c) { return c.singleBank; }
  static bool& virtualDeps(Config& c) { return c.useVirtualDeps; }
  static int& nrOfCores(Config& c) { return c.nrOfCores; }
  static int& memDelay(Config& c) { return c.memDelay; }
  static int& accDelay(Config& c) { return c.accDelay; }
  static int& burstDelay(Config& c) { return c.burstDelay; }
  static std::string& busName(Config& c) { return c.busName; }
};

#endif
