#ifndef TOLLBRIG_TESTS_FUZZ_FUZZSUPPORT_H
#define TOLLBRIG_TESTS_FUZZ_FUZZSUPPORT_H

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

// The scratch directory of this fuzzing process, created on first use under
// $TMPDIR (default /tmp) and removed at exit. The readers' messages are silenced: libFuzzer reports
// through its own channel.
class FuzzScratch {
 public:
  static FuzzScratch& instance() {
    static FuzzScratch scratch;
    return scratch;
  }

  // Writes the input bytes to name (directories included) and returns the path.
  std::string write(const std::string& name, const uint8_t* data, std::size_t size) const {
    const std::filesystem::path file = std::filesystem::path(dir) / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return file.string();
  }

  const std::string& path() const { return dir; }

 private:
  FuzzScratch() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/tollbrig-fuzzXXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      std::abort();
    }
    dir = pattern;
    std::cout.rdbuf(nullptr);
    std::cerr.rdbuf(nullptr);
  }
  ~FuzzScratch() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }

  std::string dir;
};

// Runs a reader on one input. A std::runtime_error is an input fault that the
// programs report as one error line; any other exception escapes to libFuzzer
// as a finding.
template <class Read>
void readReportingFaults(Read read) {
  try {
    read();
  } catch (const std::runtime_error&) {
  }
}

#endif
