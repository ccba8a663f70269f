#ifndef TOLLBRIG_GLOBALS_H
#define TOLLBRIG_GLOBALS_H

#include <string>

// Every time and demand quantity is a count of processor cycles or accesses.
typedef unsigned long longint_t;

// Process-wide settings, written only while the command line is parsed.
extern int VERBOSE;
extern std::string INPUTDIR;
extern std::string OUTPUTDIR;
extern std::string TRACEDIR;
extern std::string TASKDIR;
extern std::string TMPDIR;
extern int MAXCACHESETS;

#endif
