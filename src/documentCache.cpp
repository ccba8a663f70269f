#include "documentCache.h"

#include <fstream>
#include <iterator>

const DocumentCache::Document& DocumentCache::document(const std::string& path) {
  auto it = documents.find(path);
  if (it == documents.end()) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw YAML::BadFile(path);
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    // Only an anchor makes one node of two places; '&' anywhere else is harmless.
    it = documents.emplace(path, Document{YAML::Load(text), text.find('&') != std::string::npos})
             .first;
  }
  return it->second;
}

const YAML::Node& DocumentCache::view(const std::string& path) { return document(path).root; }

bool DocumentCache::sharesNodes(const std::string& path) { return document(path).sharesNodes; }
