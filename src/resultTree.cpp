#include "resultTree.h"

#include <functional>
#include <unordered_map>
#include <utility>

#include "yamlText.h"

namespace {

using Value = ResultTree::Value;

bool isScalarKey(const Value& key, const std::string& text) {
  if (const auto* set = std::get_if<ResultTree::Text>(&key)) return set->text == text;
  if (const auto* read = std::get_if<ResultTree::Read>(&key))
    return read->node().IsScalar() && read->node().Scalar() == text;
  return false;
}

// How often each node read is reached, and the anchor it is written with.
// Nodes are told apart by copy number and identity; the position they were
// read at narrows the search for the identity.
class Places {
 public:
  struct Place {
    int count = 0;
    YAML::anchor_t anchor = YAML::NullAnchor;
  };

  Place& of(const YAML::Node& node, int copy) {
    const YAML::Mark mark = node.Mark();
    const Key key{copy, mark.pos, mark.line, static_cast<int>(node.Type())};
    auto& bucket = buckets[key];
    for (auto& [known, place] : bucket)
      if (known.is(node)) return place;
    return bucket.emplace_back(node, Place{}).second;
  }

 private:
  struct Key {
    int copy;
    int pos;
    int line;
    int type;
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    std::size_t operator()(const Key& k) const {
      std::size_t h = std::hash<int>()(k.pos);
      for (const int part : {k.copy, k.line, k.type}) h = h * 1000003u ^ std::hash<int>()(part);
      return h;
    }
  };
  std::unordered_map<Key, std::vector<std::pair<YAML::Node, Place>>, KeyHash> buckets;
};

// Counts the places of every node read (counting), or sends the document's
// events to a handler, writing a node reached more than once with an anchor
// the first time and as alias after.
class Walk {
 public:
  Walk(Places* counted, YAML::EventHandler* events) : places(counted), handler(events) {}

  void value(const Value& v) {
    std::visit([this](const auto& item) { visit(item); }, v);
  }

 private:
  void visit(const ResultTree::Null&) {
    if (handler) handler->OnNull(YAML::Mark(), YAML::NullAnchor);
  }
  void visit(const ResultTree::Text& text) {
    if (handler) handler->OnScalar(YAML::Mark(), text.tag, YAML::NullAnchor, text.text);
  }
  void visit(const ResultTree::Names& names) {
    if (!handler) return;
    handler->OnSequenceStart(YAML::Mark(), "", YAML::NullAnchor, YAML::EmitterStyle::Flow);
    for (const auto& name : names.names)
      handler->OnScalar(YAML::Mark(), "", YAML::NullAnchor, name);
    handler->OnSequenceEnd();
  }
  void visit(const ResultTree::MapPtr& map) {
    if (handler) handler->OnMapStart(YAML::Mark(), map->tag, YAML::NullAnchor, map->style);
    for (const auto& pair : map->pairs) {
      value(pair.key);
      value(pair.value);
    }
    if (handler) handler->OnMapEnd();
  }
  void visit(const ResultTree::Read& read) { node(read.node(), read.copy()); }

  void node(const YAML::Node& n, int copy) {
    YAML::anchor_t anchor = YAML::NullAnchor;
    if (places) {
      Places::Place& place = places->of(n, copy);
      if (!handler) {
        if (++place.count > 1) return;
      } else if (place.count > 1) {
        if (place.anchor != YAML::NullAnchor) {
          handler->OnAlias(YAML::Mark(), place.anchor);
          return;
        }
        place.anchor = anchor = ++lastAnchor;
      }
    }
    switch (n.Type()) {
      case YAML::NodeType::Undefined:
        break;
      case YAML::NodeType::Null:
        if (handler) handler->OnNull(YAML::Mark(), anchor);
        break;
      case YAML::NodeType::Scalar:
        if (handler) handler->OnScalar(YAML::Mark(), n.Tag(), anchor, n.Scalar());
        break;
      case YAML::NodeType::Sequence:
        if (handler) handler->OnSequenceStart(YAML::Mark(), n.Tag(), anchor, n.Style());
        for (const auto& item : n) node(item, copy);
        if (handler) handler->OnSequenceEnd();
        break;
      case YAML::NodeType::Map:
        if (handler) handler->OnMapStart(YAML::Mark(), n.Tag(), anchor, n.Style());
        for (const auto& pair : n) {
          node(pair.first, copy);
          node(pair.second, copy);
        }
        if (handler) handler->OnMapEnd();
        break;
    }
  }

  Places* places;
  YAML::EventHandler* handler;
  YAML::anchor_t lastAnchor = YAML::NullAnchor;
};

// Writes the events to the library's emitter with the same manipulators that
// YAML::Dump gives it for the same nodes.
class EmitterEvents : public YAML::EventHandler {
 public:
  explicit EmitterEvents(YAML::Emitter& emitter) : out(emitter) {}

  void OnDocumentStart(const YAML::Mark&) override {}
  void OnDocumentEnd() override {}
  void OnNull(const YAML::Mark&, YAML::anchor_t anchor) override {
    beginNode();
    props("", anchor);
    out << YAML::Null;
  }
  void OnAlias(const YAML::Mark&, YAML::anchor_t anchor) override {
    beginNode();
    out << YAML::Alias(std::to_string(anchor));
  }
  void OnScalar(const YAML::Mark&, const std::string& tag, YAML::anchor_t anchor,
                const std::string& value) override {
    beginNode();
    props(tag, anchor);
    out << value;
  }
  void OnSequenceStart(const YAML::Mark&, const std::string& tag, YAML::anchor_t anchor,
                       YAML::EmitterStyle::value style) override {
    beginCollection(tag, anchor, style);
    out << YAML::BeginSeq;
    states.push_back(State::entry);
  }
  void OnSequenceEnd() override {
    out << YAML::EndSeq;
    states.pop_back();
  }
  void OnMapStart(const YAML::Mark&, const std::string& tag, YAML::anchor_t anchor,
                  YAML::EmitterStyle::value style) override {
    beginCollection(tag, anchor, style);
    out << YAML::BeginMap;
    states.push_back(State::key);
  }
  void OnMapEnd() override {
    states.pop_back();
    out << YAML::EndMap;
  }

 private:
  enum class State { entry, key, value };

  void beginNode() {
    if (states.empty()) return;
    if (states.back() == State::key) {
      out << YAML::Key;
      states.back() = State::value;
    } else if (states.back() == State::value) {
      out << YAML::Value;
      states.back() = State::key;
    }
  }
  void props(const std::string& tag, YAML::anchor_t anchor) {
    if (!tag.empty() && tag != "?" && tag != "!") out << YAML::VerbatimTag(tag);
    if (anchor != YAML::NullAnchor) out << YAML::Anchor(std::to_string(anchor));
  }
  void beginCollection(const std::string& tag, YAML::anchor_t anchor,
                       YAML::EmitterStyle::value style) {
    beginNode();
    props(tag, anchor);
    if (style == YAML::EmitterStyle::Block) out << YAML::Block;
    if (style == YAML::EmitterStyle::Flow) out << YAML::Flow;
    out.RestoreGlobalModifiedSettings();
  }

  YAML::Emitter& out;
  std::vector<State> states;
};

}  // namespace

ResultTree::MapPtr ResultTree::Map::of(const Read& read) {
  auto map = std::make_unique<Map>();
  map->tag = read.node().Tag();
  map->style = read.node().Style();
  for (const auto& pair : read.node())
    map->pairs.push_back({Read{pair.first, read.copy()}, Read{pair.second, read.copy()}});
  return map;
}

ResultTree::Value* ResultTree::Map::find(const std::string& key) {
  for (auto& pair : pairs)
    if (isScalarKey(pair.key, key)) return &pair.value;
  return nullptr;
}

ResultTree::Value& ResultTree::Map::set(const std::string& key, Value value) {
  if (Value* old = find(key)) return *old = std::move(value);
  return pairs.push_back({Text{key, ""}, std::move(value)}), pairs.back().value;
}

void ResultTree::Map::setText(const std::string& key, std::string text) {
  std::string oldTag;
  if (const Value* old = find(key)) {
    if (const auto* read = std::get_if<Read>(old)) oldTag = read->node().Tag();
    if (const auto* set = std::get_if<Text>(old)) oldTag = set->tag;
  }
  this->set(key, Text{std::move(text), std::move(oldTag)});
}

void ResultTree::Map::remove(const std::string& key) {
  for (auto it = pairs.begin(); it != pairs.end(); ++it)
    if (isScalarKey(it->key, key)) {
      pairs.erase(it);
      return;
    }
}

ResultTree::ResultTree(Value root, bool mayShare) : top(std::move(root)), sharesNodes(mayShare) {}

void ResultTree::emit(YAML::EventHandler& handler) const {
  Places places;
  if (sharesNodes) Walk(&places, nullptr).value(top);
  handler.OnDocumentStart(YAML::Mark());
  Walk(sharesNodes ? &places : nullptr, &handler).value(top);
  handler.OnDocumentEnd();
}

std::string ResultTree::text() const {
  YamlText direct;
  emit(direct);
  if (direct.complete()) return direct.text();
  YAML::Emitter out;
  EmitterEvents handler(out);
  emit(handler);
  return out.c_str();
}

namespace {
struct Copy {
  int copy;
  Value operator()(const ResultTree::Read& read) const {
    return ResultTree::Read{read.node(), copy};
  }
  Value operator()(const ResultTree::MapPtr& map) const {
    auto twin = std::make_unique<ResultTree::Map>();
    twin->tag = map->tag;
    twin->style = map->style;
    for (const auto& pair : map->pairs)
      twin->pairs.push_back({std::visit(*this, pair.key), std::visit(*this, pair.value)});
    return twin;
  }
  Value operator()(const auto& plain) const { return plain; }
};
}  // namespace

ResultTree::Value copyOf(const ResultTree::Value& value, int copy) {
  return std::visit(Copy{copy}, value);
}
