#ifndef TOLLBRIG_TESTS_INPUTFIXTURES_H
#define TOLLBRIG_TESTS_INPUTFIXTURES_H

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

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

 private:
  std::string dir;
};

// Replaces every "{path}" in text by path.
inline std::string withPath(std::string text, const std::string& path) {
  for (std::size_t at = text.find("{path}"); at != std::string::npos; at = text.find("{path}", at))
    text.replace(at, 6, path);
  return text;
}

#endif
