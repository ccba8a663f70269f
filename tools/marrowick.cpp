#include <iostream>

#include "config.h"

int main(int argc, char** argv) {
  Config config;
  if (config.parseCommandLine(argc, argv) != 0) {
    std::cerr << "Error while reading command line arguments, abort execution." << std::endl << std::endl;
    return 1;
  }
  config.checkConfig();
  // Shows the usage text or rejects an incomplete run; either way the run ends
  // with status 0, as every accepted run does until the analysis is wired in.
  config.printHelp();
  return 0;
}
