#ifndef TOLLBRIG_DRIVER_H
#define TOLLBRIG_DRIVER_H

#include <functional>
#include <optional>
#include <string>

class Config;

// The start-up sequence both programs share: reads the command line (ending the
// process with status 1 when it cannot be read), runs the start-up checks and
// prints the usage text. Returns the exit status when the run ends here.
std::optional<int> startUp(Config& config, int argc, char** argv);

// Prints message and a line end on standard error; returns the failure status 1.
int fail(const std::string& message);

// Runs the analysis of architecture definition i. An exception that escapes it
// is reported as one "Error: " line that names the node set and the definition
// with its architecture file, and the definition fails.
int analyseDefinition(const Config& config, int i, const std::function<int()>& analyse);

// The report of an exception that escaped everything else; returns 1.
int reportEscapedException();

#endif
