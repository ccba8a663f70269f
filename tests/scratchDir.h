#ifndef TOLLBRIG_TESTS_SCRATCHDIR_H
#define TOLLBRIG_TESTS_SCRATCHDIR_H

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

// A fresh directory for one test, removed with everything in it at the end.
class ScratchDir {
 public:
  ScratchDir() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string leaf = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : leaf) {
      if (c == '/') c = '_';
    }
    path_ = std::filesystem::path(testing::TempDir()) / ("tollbrig-" + leaf);
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::string str() const { return path_.string(); }
  std::string operator/(const std::string& leaf) const { return (path_ / leaf).string(); }

 private:
  std::filesystem::path path_;
};

inline std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void writeFile(const std::string& path, const std::string& text) {
  std::ofstream(path) << text;
}

#endif
