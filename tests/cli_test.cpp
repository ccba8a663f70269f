#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

struct ProgramRun {
  int status;
  std::string out;
  std::string err;
};

// Runs a program with its words (shell syntax) and collects exit status and output.
ProgramRun runProgram(const std::string& program, const std::string& words) {
  const std::filesystem::path dir = testing::TempDir();
  const std::string tag = std::to_string(getpid());
  const std::filesystem::path out = dir / ("cli_stdout_" + tag + ".txt");
  const std::filesystem::path err = dir / ("cli_stderr_" + tag + ".txt");
  const std::string command =
      "'" + program + "' " + words + " >'" + out.string() + "' 2>'" + err.string() + "'";
  const int raw = std::system(command.c_str());
  ProgramRun result{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(out), readFile(err)};
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return result;
}

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
