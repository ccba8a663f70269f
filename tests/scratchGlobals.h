#ifndef TOLLBRIG_TESTS_SCRATCHGLOBALS_H
#define TOLLBRIG_TESTS_SCRATCHGLOBALS_H

#include <string>

#include "globals.h"
#include "inputFixtures.h"

// Points TMPDIR, OUTPUTDIR and the trace directories into a scratch directory
// for the lifetime of the object: temporary files in "tmp", profiles in
// "profiles", trace files in "input/traces/<name>.txt".
class ScratchGlobals {
 public:
  ScratchGlobals() : saved{TMPDIR, OUTPUTDIR, INPUTDIR, TRACEDIR} {
    dir.write("tmp/.keep", "");
    TMPDIR = dir.path("tmp");
    OUTPUTDIR = dir.path("profiles");
    INPUTDIR = dir.path("input");
    TRACEDIR = "traces";
  }
  ~ScratchGlobals() {
    TMPDIR = saved[0];
    OUTPUTDIR = saved[1];
    INPUTDIR = saved[2];
    TRACEDIR = saved[3];
  }
  ScratchGlobals(const ScratchGlobals&) = delete;
  ScratchGlobals& operator=(const ScratchGlobals&) = delete;

  std::string writeTrace(const std::string& name, const std::string& lines) const {
    return dir.write("input/traces/" + name + ".txt", lines);
  }

  ScratchDir dir;

 private:
  std::string saved[4];
};

#endif
