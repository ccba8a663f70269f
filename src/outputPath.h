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

#endif
