#ifndef TOLLBRIG_PLATFORMGUARD_H
#define TOLLBRIG_PLATFORMGUARD_H

#include "config.h"

class Processor;

// Deletes the platform objects that Config::initProc built for a processor,
// on every way out of the scope that analyses it.
class PlatformGuard {
 public:
  PlatformGuard(Config& owner, Processor& processor, int definition)
      : config(owner), proc(processor), i(definition) {}
  ~PlatformGuard() { config.destroyProc(proc, i); }
  PlatformGuard(const PlatformGuard&) = delete;
  PlatformGuard& operator=(const PlatformGuard&) = delete;

 private:
  Config& config;
  Processor& proc;
  int i;
};

#endif
