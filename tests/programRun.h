#ifndef TOLLBRIG_TESTS_PROGRAMRUN_H
#define TOLLBRIG_TESTS_PROGRAMRUN_H

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "testSupport.h"

struct ProgramRun {
  int status;
  std::string out;
  std::string err;
};

// Runs a program with its words (shell syntax), in workDir when one is given,
// and collects exit status and output.
inline ProgramRun runProgram(const std::string& program, const std::string& words,
                             const std::string& workDir = "") {
  const CaptureFile out;
  const CaptureFile err;
  const std::string cd = workDir.empty() ? "" : "cd '" + workDir + "' && ";
  const std::string command =
      cd + "'" + program + "' " + words + " >'" + out.path + "' 2>'" + err.path + "'";
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(out.path), readFile(err.path)};
}

#endif
