#include "driver.h"

#include <cstdlib>
#include <exception>
#include <iostream>
#include <new>

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

int fail(const std::string& message) {
  std::cerr << message << std::endl;
  return 1;
}

namespace {

// What the exception in flight says about itself.
std::string currentExceptionText() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return "out of memory";
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown exception";
  }
}

}  // namespace

int analyseDefinition(const Config& config, int i, const std::function<int()>& analyse) {
  try {
    return analyse();
  } catch (...) {
    return fail("Error: " + currentExceptionText() + " (node set '" + config.getTasksetFileName() +
                "', architecture definition " + std::to_string(i + 1) + " '" +
                config.getArchFile(i) + "')");
  }
}

int reportEscapedException() { return fail("Error: " + currentExceptionText()); }
