#ifndef TOLLBRIG_STARTUP_H
#define TOLLBRIG_STARTUP_H

#include <optional>

class Config;

// The start-up sequence both programs share: reads the command line (ending the
// process with status 1 when it cannot be read), runs the start-up checks and
// prints the usage text. Returns the exit status when the run ends here.
std::optional<int> startUp(Config& config, int argc, char** argv);

#endif
