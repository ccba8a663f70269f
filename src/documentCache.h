#ifndef TOLLBRIG_DOCUMENTCACHE_H
#define TOLLBRIG_DOCUMENTCACHE_H

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include <yaml-cpp/yaml.h>

#include "keys.h"

// Each input file is read once per run: every later read of the same path
// sees that first reading, even when the run has rewritten the file since
// (an "-o" path may name the "-ts" file). Load errors of the YAML library
// propagate to the caller and nothing is cached for them.
class DocumentCache {
 public:
  // The cached document itself, for reading only.
  static const YAML::Node& view(const std::string& path);
  // False when the file holds no anchor, so that no node of the document
  // is reached from two places.
  static bool sharesNodes(const std::string& path);
  // What build(document) makes of the document at path, kept with the
  // document: build runs on the first request for this path and variant only.
  // A variant names one kind of value T and the options it was built with.
  // An exception from build propagates and nothing is kept for it.
  template <typename T, typename Build>
  static const T& derived(const std::string& path, const std::string& variant, Build build);
  // The value kept for path and variant, made by make on the first request
  // for an input that is not YAML; make returns std::nullopt when the input
  // cannot be read, and nothing is kept then, so the next request tries again.
  template <typename T, typename Make>
  static const T* kept(const std::string& path, const std::string& variant, Make make);
  // Forgets every document and everything derived from them (tests).
  static void clear();

 private:
  using DerivedKey = std::pair<std::string, std::string>;

  struct Document {
    YAML::Node root;
    bool sharesNodes;
  };

  static const Document& document(const std::string& path);
  static std::map<std::string, Document>& documents();
  static std::map<DerivedKey, std::shared_ptr<const void>>& derivedValues();
};

template <typename T, typename Make>
const T* DocumentCache::kept(const std::string& path, const std::string& variant, Make make) {
  auto& values = derivedValues();
  DerivedKey key{path, variant};
  auto it = values.find(key);
  if (it == values.end()) {
    std::optional<T> value = make();
    if (!value) return nullptr;
    it = values.emplace(std::move(key), std::make_shared<const T>(std::move(*value))).first;
  }
  return static_cast<const T*>(it->second.get());
}

template <typename T, typename Build>
const T& DocumentCache::derived(const std::string& path, const std::string& variant, Build build) {
  return *kept<T>(path, variant, [&] { return std::optional<T>(build(view(path))); });
}

#endif
