#include "outputPath.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>

namespace {
namespace fs = std::filesystem;

// Whether the two paths name one file: by identity when both exist (links
// included), else by their resolved spellings.
bool namesOneFile(const std::string& a, const std::string& b) {
  if (a == b) return true;
  std::error_code error;
  if (fs::equivalent(a, b, error)) return true;
  const fs::path resolvedA = fs::weakly_canonical(fs::absolute(a, error), error);
  if (error) return false;
  const fs::path resolvedB = fs::weakly_canonical(fs::absolute(b, error), error);
  return !error && resolvedA == resolvedB;
}
}  // namespace

std::string outputDirectory(const std::string& outFile) {
  const auto separator = outFile.find_last_of("/\\");
  if (separator == std::string::npos) return ".";
  return outFile.substr(0, separator);
}

int writeOutputFile(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::out | std::ios::trunc | std::ios::binary);
  if (file) {
    file << text;
    file.close();
  }
  if (!file) {
    std::cerr << "Error: Could not write output file '" << path << "'" << std::endl;
    return 1;
  }
  return 0;
}

int writeBesideResult(const std::string& path, const std::string& resultFile,
                      const std::string& text) {
  if (!resultFile.empty() && namesOneFile(path, resultFile)) {
    std::cerr << "Error: Could not write output file '" << path << "': it is the result file '"
              << resultFile << "'" << std::endl;
    return 1;
  }
  return writeOutputFile(path, text);
}
