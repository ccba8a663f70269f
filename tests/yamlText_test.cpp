// The direct writer of result documents against the YAML library's own Dump.
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <yaml-cpp/yaml.h>

#include "resultTree.h"
#include "yamlText.h"

namespace fs = std::filesystem;

namespace {

// Pieces that each decide something about quoting or escaping.
const std::vector<std::string> pieces = {
    "a",
    "b1",
    "12",
    " ",
    "\t",
    "\n",
    "\r",
    ":",
    "-",
    "?",
    "#",
    ",",
    "[",
    "]",
    "{",
    "}",
    "&",
    "*",
    "!",
    "|",
    ">",
    "'",
    "\"",
    "%",
    "@",
    "`",
    "~",
    "null",
    "Null",
    "NULL",
    "true",
    "\\",
    "\b",
    "\f",
    std::string(1, '\0'),
    "\x01",
    "\x1b",
    "\x7f",
    "\xc2\x80",
    "\xc2\x85",
    "\xc2\xa0",
    "\xef\xbb\xbf",
    "\xef\xbf\xbe",
    "\xff",
    "\x80",
    "\xe2\x82",
    "\xe2\x82\xac",
    "\xf0\x9f\x98\x80",
    "\xed\xa0\x80",
    "\xc0\x80",
    "\xf4\x90\x80\x80",
    "\xef\xb7\x90",
    ": ",
    " #",
    "- ",
    "? ",
    "a: b",
    "x,y",
};

class RandomDocument {
 public:
  explicit RandomDocument(unsigned seed) : rng(seed) {}

  YAML::Node node(int depth) {
    // The root is a collection; deeper down, collections thin out.
    const int kind = depth == 0 ? 6 + pick(4) : pick(depth > 3 ? 6 : 10);
    if (kind < 4) return scalar();
    if (kind == 4) return YAML::Node(YAML::NodeType::Null);
    if (kind == 5 && !made.empty()) return made[pick(static_cast<int>(made.size()))];
    const bool map = kind >= 8;
    YAML::Node collection(map ? YAML::NodeType::Map : YAML::NodeType::Sequence);
    const YAML::EmitterStyle::value styles[] = {
        YAML::EmitterStyle::Default, YAML::EmitterStyle::Block, YAML::EmitterStyle::Flow};
    collection.SetStyle(styles[pick(3)]);
    const int size = pick(5);
    for (int i = 0; i < size; ++i) {
      if (map)
        collection.force_insert(key(), node(depth + 1));
      else
        collection.push_back(node(depth + 1));
    }
    made.push_back(collection);
    return collection;
  }

 private:
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

  YAML::Node scalar() {
    std::string text;
    for (int n = pick(4); n > 0; --n) text += pieces[pick(static_cast<int>(pieces.size()))];
    YAML::Node node(text);
    made.push_back(node);
    return node;
  }

  YAML::Node key() {
    const int kind = pick(10);
    if (kind == 0) return YAML::Node(YAML::NodeType::Null);
    if (kind == 1 && !made.empty()) {
      const YAML::Node shared = made[pick(static_cast<int>(made.size()))];
      if (shared.IsScalar()) return shared;
    }
    return scalar();
  }

  std::mt19937 rng;
  std::vector<YAML::Node> made;
};

// The direct writer's text of document, or nullopt when it does not know it.
std::optional<std::string> directText(const YAML::Node& document) {
  YamlText text;
  ResultTree(ResultTree::Read{document}, true).emit(text);
  if (!text.complete()) return std::nullopt;
  return text.text();
}

}  // namespace

TEST(YamlText, WritesRandomDocumentsAsTheLibraryDoes) {
  int written = 0;
  for (unsigned seed = 1; seed <= 3000; ++seed) {
    RandomDocument random(seed);
    const YAML::Node document = random.node(0);
    const auto text = directText(document);
    if (!text) continue;
    ++written;
    ASSERT_EQ(*text, YAML::Dump(document)) << "seed " << seed;
  }
  // Nearly all are known: only scalars, nulls and aliases of scalars serve as keys here.
  EXPECT_GT(written, 2900) << written;
}

TEST(YamlText, WritesTheSuitesFilesAsTheLibraryDoes) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(TEST_DATA_DIR))
    if (entry.path().extension() == ".yaml") files.push_back(entry.path());
  ASSERT_GT(files.size(), 20u);
  for (const fs::path& file : files) {
    YAML::Node document;
    try {
      document = YAML::LoadFile(file.string());
    } catch (const YAML::Exception&) {
      continue;  // a malformed fixture
    }
    SCOPED_TRACE(file.string());
    const auto text = directText(document);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, YAML::Dump(document));
  }
}

TEST(YamlText, HandsBackWhatItDoesNotKnow) {
  // Tags, block collections as keys and very long scalars go to the library's emitter.
  YAML::Node blockKey(YAML::NodeType::Map);
  blockKey.force_insert(YAML::Load("{a: b}").as<YAML::Node>(), "c");
  blockKey.begin()->first.SetStyle(YAML::EmitterStyle::Block);
  const YAML::Node documents[] = {YAML::Load("a: !!str 5"), YAML::Load("!x {a: 1}"),
                                  YAML::Load("a: " + std::string(1025, 'x')), blockKey};
  for (const YAML::Node& document : documents) {
    SCOPED_TRACE(YAML::Dump(document));
    EXPECT_FALSE(directText(document).has_value());
    EXPECT_EQ(ResultTree(ResultTree::Read{document}, true).text(), YAML::Dump(document));
  }
}

TEST(YamlText, AnchorsAndFlowKeysAsTheLibraryWritesThem) {
  const char* documents[] = {
      "? [a]\n: b",
      "{[a]: b, {c: d}: e}",
      "- [a]: b",
      "x:\n  ? [a, b]\n  : c",
      "a: &x 1\nb: *x",
      "a: &x [1, 2]\nb: *x\nc: [*x, *x]",
      "a: &m\n  k: v\nb: *m\n*m : 3",
      "- &s\n  - a\n- *s\n- {&k key: *s, *k : 1}",
      "&r {a: 1}",
      "a: &e []\nb: *e\nc: &f {}\nd: *f",
  };
  for (const char* text : documents) {
    SCOPED_TRACE(text);
    const YAML::Node document = YAML::Load(text);
    const auto direct = directText(document);
    ASSERT_TRUE(direct.has_value());
    EXPECT_EQ(*direct, YAML::Dump(document));
  }
}
