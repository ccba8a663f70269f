#ifndef TOLLBRIG_DOCUMENTCACHE_H
#define TOLLBRIG_DOCUMENTCACHE_H

#include <map>
#include <string>

#include <yaml-cpp/yaml.h>

#include "keys.h"

// Each YAML input file is read once per run: every later read of the same path
// sees that first reading, even when the run has rewritten the file since
// (an "-o" path may name the "-ts" file). Load errors of the YAML library
// propagate to the caller and nothing is cached for them.
class DocumentCache {
 public:
  // The cached document itself, for reading only.
  static const YAML::Node& view(const std::string& path);
  // An independent deep copy that the caller may change.
  static YAML::Node copy(const std::string& path);
  // Forgets every document (tests).
  static void clear();

 private:
  static std::map<std::string, YAML::Node>& documents();
};

#endif
