#include "documentCache.h"

std::map<std::string, YAML::Node>& DocumentCache::documents() {
  static std::map<std::string, YAML::Node> cache;
  return cache;
}

std::map<DocumentCache::DerivedKey, std::shared_ptr<const void>>& DocumentCache::derivedValues() {
  static std::map<DerivedKey, std::shared_ptr<const void>> values;
  return values;
}

const YAML::Node& DocumentCache::view(const std::string& path) {
  auto& cache = documents();
  auto it = cache.find(path);
  if (it == cache.end()) it = cache.emplace(path, YAML::LoadFile(path)).first;
  return it->second;
}

YAML::Node DocumentCache::copy(const std::string& path) { return YAML::Clone(view(path)); }

void DocumentCache::clear() {
  derivedValues().clear();
  documents().clear();
}
