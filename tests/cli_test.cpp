#include <gtest/gtest.h>

#include <string>

#include "programRun.h"

namespace {

TEST(CommandLine, StartUpOfBothPrograms) {
  const std::string usage = readFile(std::string(TEST_DATA_DIR) + "/config/usage.txt");
  const std::string checks = readFile(std::string(TEST_DATA_DIR) + "/config/startup_checks.txt");
  const std::string abort = "Error while reading command line arguments, abort execution.\n\n";
  const struct {
    const char* words;
    std::string out;
    std::string err;
    int status;
  } cases[] = {
      {"--help", usage, "", 0},
      {"-o x.yaml -h", usage, "", 0},
      {"", "", "Not enough command line provided. Run again with --help option.\n" + abort, 1},
      {"-v", checks, "", 0},
      {"-h -bogus", "", "Unknown command-line parameter \"-bogus\"\n" + abort, 1},
  };
  for (const char* program : {TOLLBRIG_BIN, MARROWICK_BIN}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(program) + " " + c.words);
      const ProgramRun result = runProgram(program, c.words);
      EXPECT_EQ(result.status, c.status);
      EXPECT_EQ(result.out, c.out);
      EXPECT_EQ(result.err, c.err);
    }
  }
}

}  // namespace
