#include "startUp.h"

#include <cstdlib>
#include <iostream>

#include "config.h"

std::optional<int> startUp(Config& config, int argc, char** argv) {
  if (config.parseCommandLine(argc, argv) != 0) {
    std::cerr << "Error while reading command line arguments, abort execution." << std::endl
              << std::endl;
    std::exit(1);
  }
  config.checkConfig();
  if (config.printHelp() != 0) return 0;
  return std::nullopt;
}
