#ifndef TOLLBRIG_DOCUMENTCACHE_H
#define TOLLBRIG_DOCUMENTCACHE_H

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include <yaml-cpp/yaml.h>

#include "keys.h"

// The documents of one run: each input file is read once, and every later read
// of the same path sees that first reading, even when the run has rewritten the
// file since (an "-o" path may name the "-ts" file). Load errors of the YAML
// library propagate to the caller and nothing is kept for them. Each program's
// driver owns one for its run and passes it to what reads the inputs.
class DocumentCache {
 public:
  DocumentCache() = default;
  DocumentCache(const DocumentCache&) = delete;
  DocumentCache& operator=(const DocumentCache&) = delete;

  // The cached document itself, for reading only.
  const YAML::Node& view(const std::string& path);
  // False when the file holds no anchor, so that no node of the document
  // is reached from two places.
  bool sharesNodes(const std::string& path);
  // What build(document) makes of the document at path, kept with the
  // document: build runs on the first request for this path and variant only.
  // A variant names one kind of value T and the options it was built with.
  // An exception from build propagates and nothing is kept for it.
  template <typename T, typename Build>
  const T& derived(const std::string& path, const std::string& variant, Build build);
  // The value kept for path and variant, made by make on the first request
  // for an input that is not YAML; make returns std::nullopt when the input
  // cannot be read, and nothing is kept then, so the next request tries again.
  template <typename T, typename Make>
  const T* kept(const std::string& path, const std::string& variant, Make make);

 private:
  using DerivedKey = std::pair<std::string, std::string>;

  struct Document {
    YAML::Node root;
    bool sharesNodes;
  };

  const Document& document(const std::string& path);

  std::map<std::string, Document> documents;
  std::map<DerivedKey, std::shared_ptr<const void>> derivedValues;
};

template <typename T, typename Make>
const T* DocumentCache::kept(const std::string& path, const std::string& variant, Make make) {
  DerivedKey key{path, variant};
  auto it = derivedValues.find(key);
  if (it == derivedValues.end()) {
    std::optional<T> value = make();
    if (!value) return nullptr;
    it = derivedValues.emplace(std::move(key), std::make_shared<const T>(std::move(*value))).first;
  }
  return static_cast<const T*>(it->second.get());
}

template <typename T, typename Build>
const T& DocumentCache::derived(const std::string& path, const std::string& variant, Build build) {
  return *kept<T>(path, variant, [&] { return std::optional<T>(build(view(path))); });
}

#endif
