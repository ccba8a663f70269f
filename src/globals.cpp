#include "keys.h"

int VERBOSE = 0;
std::string INPUTDIR;
std::string OUTPUTDIR;
std::string TRACEDIR;
std::string TASKDIR;
std::string TMPDIR = "/tmp";
int MAXCACHESETS = 16384;
