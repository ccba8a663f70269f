#ifndef TOLLBRIG_YAMLTEXT_H
#define TOLLBRIG_YAMLTEXT_H

#include <cstddef>
#include <string>
#include <vector>

#include <yaml-cpp/eventhandler.h>
#include <yaml-cpp/mark.h>

// Writes the events of one document as the YAML library's emitter writes them
// with its default settings (as YAML::Dump does), without its per-character
// pattern matching. It knows documents without tags whose keys are scalars of
// up to 1024 characters, nulls or aliases; for any other, complete() turns
// false and the text is to be dropped.
class YamlText : public YAML::EventHandler {
 public:
  void OnDocumentStart(const YAML::Mark&) override {}
  void OnDocumentEnd() override {}
  void OnNull(const YAML::Mark&, YAML::anchor_t anchor) override;
  void OnAlias(const YAML::Mark&, YAML::anchor_t anchor) override;
  void OnScalar(const YAML::Mark&, const std::string& tag, YAML::anchor_t anchor,
                const std::string& value) override;
  void OnSequenceStart(const YAML::Mark&, const std::string& tag, YAML::anchor_t anchor,
                       YAML::EmitterStyle::value style) override;
  void OnSequenceEnd() override;
  void OnMapStart(const YAML::Mark&, const std::string& tag, YAML::anchor_t anchor,
                  YAML::EmitterStyle::value style) override;
  void OnMapEnd() override;

  bool complete() const { return known; }
  const std::string& text() const { return out; }

 private:
  // What comes next: a scalar (null, alias and anchor included) or a collection.
  enum class Item { scalar, flow, blockSequence, blockMap };

  struct Group {
    bool map;
    bool flow;
    std::size_t children = 0;
  };

  void props(const std::string& tag, YAML::anchor_t anchor);
  void prepare(Item item);
  void prepareInFlow(const Group& group);
  void prepareInBlockSequence(const Group& group, Item item);
  void prepareInBlockMap(const Group& group, Item item);
  void startCollection(bool map, const std::string& tag, YAML::anchor_t anchor,
                       YAML::EmitterStyle::value style);
  void endCollection(const char* empty, char close);
  void started();
  void write(const std::string& text);
  void write(char c);
  void indentTo(std::size_t to);
  void spaceOrIndentTo(bool space, std::size_t to);
  bool inFlow() const;
  void writeQuoted(const std::string& value);

  std::string out;
  std::size_t column = 0;
  std::vector<Group> groups;
  std::size_t indent = 0;   // where the innermost group's entries begin
  bool anchored = false;    // an anchor was written for the node that comes next
  bool afterAlias = false;  // the last node written is an alias
  bool known = true;
};

#endif
