#ifndef TOLLBRIG_TESTS_TESTSUPPORT_H
#define TOLLBRIG_TESTS_TESTSUPPORT_H

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "config.h"
#include "globals.h"
#include "optionWords.h"

// The whole content of a file; empty when it cannot be read.
inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A fresh directory, removed at the end of the test, for the input files a
// test writes itself. Its path holds no "." (node-set names depend on it).
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = "/tmp/tollbrigXXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create " + pattern);
    dir = pattern;
  }
  ~ScratchDir() { std::filesystem::remove_all(dir); }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // Writes content to name (directories included) and returns the path.
  std::string write(const std::string& name, const std::string& content) const {
    const std::filesystem::path file = std::filesystem::path(dir) / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << content;
    return file.string();
  }
  std::string path(const std::string& name) const { return dir + "/" + name; }
  const std::string& root() const { return dir; }

 private:
  std::string dir;
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

// Sets VERBOSE for the lifetime of the object and restores it afterwards.
class VerboseLevel {
 public:
  explicit VerboseLevel(int level) : saved(VERBOSE) { VERBOSE = level; }
  ~VerboseLevel() { VERBOSE = saved; }
  VerboseLevel(const VerboseLevel&) = delete;
  VerboseLevel& operator=(const VerboseLevel&) = delete;

 private:
  int saved;
};

// Collects what the program writes to one standard stream from construction
// until text(); a capture still running when the object goes is dropped.
template <void (*start)(), std::string (*collect)()>
class Captured {
 public:
  Captured() { start(); }
  ~Captured() {
    if (running) collect();
  }
  Captured(const Captured&) = delete;
  Captured& operator=(const Captured&) = delete;

  // Ends the capture and returns the text; later calls return nothing.
  std::string text() {
    if (!running) return {};
    running = false;
    return collect();
  }

 private:
  bool running = true;
};

using CapturedStdout =
    Captured<&testing::internal::CaptureStdout, &testing::internal::GetCapturedStdout>;
using CapturedStderr =
    Captured<&testing::internal::CaptureStderr, &testing::internal::GetCapturedStderr>;

struct ParseOutcome {
  int result;
  std::string out;
  std::string err;
};

// Parses option words into config and collects what the parse printed.
inline ParseOutcome parseOptions(Config& config, std::vector<std::string> words) {
  CapturedStdout out;
  CapturedStderr err;
  const int result = parseOptionWords(config, std::move(words));
  return {result, out.text(), err.text()};
}

// Sets options on config by their words, without the notes the parse prints
// at verbosity 0, and captures nothing, so it may run inside a capture; a word
// that is refused fails the test. Words that set the verbosity do not last.
inline void applyOptions(Config& config, const std::vector<std::string>& words) {
  const VerboseLevel quiet(-1);
  EXPECT_EQ(parseOptionWords(config, words), 0);
}

#endif
