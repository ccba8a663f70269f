#ifndef TOLLBRIG_RESULTTREE_H
#define TOLLBRIG_RESULTTREE_H

#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include <yaml-cpp/eventhandler.h>
#include <yaml-cpp/yaml.h>

// A YAML document assembled from subtrees of documents read elsewhere, which
// it refers to and never changes, and of values set here. Its text is what
// YAML::Dump writes for the same document built of nodes: every value set here
// is a node of its own, and the subtrees read share nodes as they were read, so
// a node read in two places is written once with an anchor and then as alias.
class ResultTree {
 public:
  struct Map;
  using MapPtr = std::unique_ptr<Map>;

  // A subtree read elsewhere. Subtrees of different copy numbers are independent
  // copies: a node they both hold counts as two nodes.
  class Read {
   public:
    Read(const YAML::Node& node, int copy = 0) : held(node), copyNumber(copy) {}
    Read(const Read&) = default;
    // Rebinds the handle: YAML::Node's own assignment would change the node read.
    Read& operator=(const Read& other) {
      held.emplace(*other.held);
      copyNumber = other.copyNumber;
      return *this;
    }
    const YAML::Node& node() const { return *held; }
    int copy() const { return copyNumber; }

   private:
    std::optional<YAML::Node> held;
    int copyNumber;
  };

  // A scalar; tag is that of the value it replaces, so a tagged value keeps its tag.
  struct Text {
    std::string text;
    std::string tag;
  };
  struct Null {};
  // A flow sequence of scalars.
  struct Names {
    std::vector<std::string> names;
  };
  using Value = std::variant<Null, Text, Names, Read, MapPtr>;

  struct Pair {
    Value key;
    Value value;
  };

  // A map whose keys keep their order: a key set anew takes its old place, a
  // new key goes behind the others.
  struct Map {
    std::vector<Pair> pairs;
    std::string tag;
    YAML::EmitterStyle::value style = YAML::EmitterStyle::Default;

    // The pairs of a map read elsewhere, with its tag and style.
    static MapPtr of(const Read& read);
    // The value of the first pair whose key is the scalar key, or nullptr.
    Value* find(const std::string& key);
    Value& set(const std::string& key, Value value);
    // Sets key to the scalar text, with the tag of the value it replaces.
    void setText(const std::string& key, std::string text);
    // Removes the first pair whose key is the scalar key.
    void remove(const std::string& key);
  };

  // sharesNodes false promises that no node is read in two places of the tree,
  // which spares the count of places per node.
  ResultTree(Value root, bool sharesNodes);

  Value& root() { return top; }
  std::string text() const;
  // The events of the document, in the order in which YAML::Dump emits them.
  void emit(YAML::EventHandler& handler) const;

 private:
  Value top;
  bool sharesNodes;
};

// An independent copy of value: subtrees read in it get copy number copy.
ResultTree::Value copyOf(const ResultTree::Value& value, int copy);

#endif
