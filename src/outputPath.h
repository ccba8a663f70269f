#ifndef TOLLBRIG_OUTPUTPATH_H
#define TOLLBRIG_OUTPUTPATH_H

#include <string>

#include "keys.h"

// The directory of an output path: everything before its last "/" or "\",
// "." when it holds neither. "/result.yaml" gives "", so names joined with "/"
// stay at the root.
std::string outputDirectory(const std::string& outFile);

// Replaces the file at path by text. On failure prints
// "Error: Could not write output file '<path>'" on standard error and returns 1,
// else returns 0.
int writeOutputFile(const std::string& path, const std::string& text);

// Like writeOutputFile for a file written beside the result file (the "-o" path),
// but a path that names the result file itself, under this or another name, is
// not written: prints "Error: Could not write output file '<path>': it is the
// result file '<resultFile>'" on standard error and returns 1.
int writeBesideResult(const std::string& path, const std::string& resultFile,
                      const std::string& text);

#endif
