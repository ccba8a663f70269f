#ifndef TOLLBRIG_TESTS_PROGRAMRUN_H
#define TOLLBRIG_TESTS_PROGRAMRUN_H

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

struct ProgramRun {
  int status;
  std::string out;
  std::string err;
};

// A fresh, empty file in the test's temporary directory, removed with the object.
class CaptureFile {
 public:
  CaptureFile() {
    std::string pattern = (std::filesystem::path(testing::TempDir()) / "runXXXXXX").string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0) throw std::runtime_error("cannot create " + pattern);
    close(fd);
    path = pattern;
  }
  ~CaptureFile() { std::filesystem::remove(path); }
  CaptureFile(const CaptureFile&) = delete;
  CaptureFile& operator=(const CaptureFile&) = delete;

  std::string path;
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
