#include "outputPath.h"

#include <fstream>
#include <iostream>

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
