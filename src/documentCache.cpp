#include "documentCache.h"

#include <fstream>
#include <iterator>

std::map<std::string, DocumentCache::Document>& DocumentCache::documents() {
  static std::map<std::string, Document> cache;
  return cache;
}

std::map<DocumentCache::DerivedKey, std::shared_ptr<const void>>& DocumentCache::derivedValues() {
  static std::map<DerivedKey, std::shared_ptr<const void>> values;
  return values;
}

const DocumentCache::Document& DocumentCache::document(const std::string& path) {
  auto& cache = documents();
  auto it = cache.find(path);
  if (it == cache.end()) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw YAML::BadFile(path);
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    // Only an anchor makes one node of two places; '&' anywhere else is harmless.
    it = cache.emplace(path, Document{YAML::Load(text), text.find('&') != std::string::npos}).first;
  }
  return it->second;
}

const YAML::Node& DocumentCache::view(const std::string& path) { return document(path).root; }

bool DocumentCache::sharesNodes(const std::string& path) { return document(path).sharesNodes; }

void DocumentCache::clear() {
  derivedValues().clear();
  documents().clear();
}
