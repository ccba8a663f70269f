#ifndef TOLLBRIG_ARCHITECTUREREADER_H
#define TOLLBRIG_ARCHITECTUREREADER_H

#include <string>

class DocumentCache;
class Processor;

// What the platform takes from the options besides the architecture file.
struct PlatformOptions {
  bool perfectBus = false;
  int refreshLatency = 0;
  int refreshInterval = 1;
};

// Hands proc the platform used when no architecture file is given.
void assembleSampleProcessor(Processor& proc, const PlatformOptions& options);

// Reads the architecture file at path, in the YAML layout (through documents)
// or else in the text layout, and hands proc the platform objects it
// describes: 0, or 1 after one error line with nothing handed over. busName
// ends as the name of the bus model built.
int readArchitecture(Processor& proc, const std::string& path, const PlatformOptions& options,
                     std::string& busName, DocumentCache& documents);

// Deletes the platform objects handed to proc.
void deletePlatformObjects(const Processor& proc);

// Deletes them and leaves proc without any: the drivers do not tear down a
// processor whose assembly failed.
void discardPlatformObjects(Processor& proc);

#endif
