#include "yamlText.h"

#include <cstring>

namespace {

const std::size_t indentStep = 2;
// A longer scalar would be written as a long key when it is one.
const std::size_t longestScalar = 1024;

bool oneOf(char c, const char* set) { return c != '\0' && std::strchr(set, c) != nullptr; }

// Whether value can be written without quotes, inside a flow collection or not.
bool isPlain(const std::string& s, bool flow) {
  const std::size_t n = s.size();
  if (n == 0 || s == "~" || s == "null" || s == "Null" || s == "NULL") return false;
  const auto at = [&](std::size_t i) { return i < n ? s[i] : '\0'; };
  const auto blankOrBreak = [&](std::size_t i) { return oneOf(at(i), " \t\n"); };
  if (blankOrBreak(0)) return false;
  if (oneOf(s[0], flow ? "?,[]{}#&*!|>'\"%@`" : ",[]{}#&*!|>'\"%@`")) return false;
  if (oneOf(s[0], flow ? "-:" : "-?:") && (n == 1 || blankOrBreak(1))) return false;
  if (s[n - 1] == ' ') return false;
  for (std::size_t i = 0; i < n; ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    const auto next = static_cast<unsigned char>(at(i + 1));
    if (c == ':' && (i + 1 == n || blankOrBreak(i + 1) || (flow && oneOf(at(i + 1), ",]}"))))
      return false;
    if (flow && oneOf(s[i], ",?[]{}")) return false;
    if (blankOrBreak(i) && next == '#') return false;
    if (c == '\t' || c == '\n') return false;
    if ((c < 0x20 && c != '\r') || c == 0x7F) return false;
    if (c == 0xC2 && ((next >= 0x80 && next <= 0x84) || (next >= 0x86 && next <= 0x9F)))
      return false;
    if (c == 0xEF && next == 0xBB && static_cast<unsigned char>(at(i + 2)) == 0xBF) return false;
  }
  return true;
}

const int replacementCharacter = 0xFFFD;

// The next code point of the UTF-8 text at i, advancing i; a malformed
// sequence reads as the replacement character.
int nextCodePoint(const std::string& s, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(s[i]);
  static const int lengths[16] = {1, 1, 1, 1, 1, 1, 1, 1, -1, -1, -1, -1, 2, 2, 3, 4};
  int length = lengths[lead >> 4];
  ++i;
  if (length < 1) return replacementCharacter;
  if (length == 1) return lead;
  int codePoint = lead & ~(0xFF << (7 - length));
  for (--length; length > 0; --length, ++i) {
    if (i == s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80)
      return replacementCharacter;
    codePoint = (codePoint << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
  }
  if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF) ||
      (codePoint & 0xFFFE) == 0xFFFE || (codePoint >= 0xFDD0 && codePoint <= 0xFDEF))
    return replacementCharacter;
  return codePoint;
}

void appendUtf8(std::string& out, int codePoint) {
  const auto byte = [](int v) { return static_cast<char>(v); };
  if (codePoint < 0x80) {
    out += byte(codePoint);
  } else if (codePoint < 0x800) {
    out += byte(0xC0 | (codePoint >> 6));
    out += byte(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += byte(0xE0 | (codePoint >> 12));
    out += byte(0x80 | ((codePoint >> 6) & 0x3F));
    out += byte(0x80 | (codePoint & 0x3F));
  } else {
    out += byte(0xF0 | (codePoint >> 18));
    out += byte(0x80 | ((codePoint >> 12) & 0x3F));
    out += byte(0x80 | ((codePoint >> 6) & 0x3F));
    out += byte(0x80 | (codePoint & 0x3F));
  }
}

void appendEscape(std::string& out, int codePoint) {
  static const char hexDigits[] = "0123456789abcdef";
  int digits = 8;
  out += '\\';
  if (codePoint < 0xFF) {
    out += 'x';
    digits = 2;
  } else if (codePoint < 0xFFFF) {
    out += 'u';
    digits = 4;
  } else {
    out += 'U';
  }
  for (; digits > 0; --digits) out += hexDigits[(codePoint >> (4 * (digits - 1))) & 0xF];
}

}  // namespace

void YamlText::write(const std::string& text) {
  out += text;
  const auto lineEnd = text.rfind('\n');
  column = lineEnd == std::string::npos ? column + text.size() : text.size() - lineEnd - 1;
}

void YamlText::write(char c) {
  out += c;
  column = c == '\n' ? 0 : column + 1;
}

void YamlText::indentTo(std::size_t to) {
  if (column < to) {
    out.append(to - column, ' ');
    column = to;
  }
}

void YamlText::spaceOrIndentTo(bool space, std::size_t to) {
  if (column > 0 && space) write(' ');
  indentTo(to);
}

bool YamlText::inFlow() const { return !groups.empty() && groups.back().flow; }

void YamlText::started() {
  if (!groups.empty()) ++groups.back().children;
  anchored = false;
  afterAlias = false;
}

void YamlText::prepare(Item item) {
  if (groups.empty()) {
    if (item == Item::scalar || item == Item::flow)
      spaceOrIndentTo(anchored, 0);
    else if (anchored)
      write('\n');
    return;
  }
  const Group& group = groups.back();
  if (group.flow)
    prepareInFlow(group);
  else if (group.map)
    prepareInBlockMap(group, item);
  else
    prepareInBlockSequence(group, item);
}

void YamlText::prepareInFlow(const Group& group) {
  const std::size_t lastIndent = groups.size() <= 1 ? 0 : indent - indentStep;
  const bool key = group.map && group.children % 2 == 0;
  if (!anchored) {
    indentTo(lastIndent);
    if (!group.map || key) {
      write(group.children == 0 ? (group.map ? '{' : '[') : ',');
    } else {
      if (afterAlias) write(' ');
      write(':');
    }
  }
  spaceOrIndentTo(anchored || group.children > 0, lastIndent);
}

void YamlText::prepareInBlockSequence(const Group& group, Item item) {
  if (!anchored) {
    if (group.children > 0) write('\n');
    indentTo(indent);
    write('-');
  }
  if (item == Item::blockSequence)
    write('\n');
  else if (item == Item::blockMap)
    if (anchored) write('\n');
  if (item == Item::scalar || item == Item::flow) spaceOrIndentTo(anchored, indent + indentStep);
}

void YamlText::prepareInBlockMap(const Group& group, Item item) {
  const bool block = item == Item::blockSequence || item == Item::blockMap;
  if (group.children % 2 == 0) {
    // A collection as key is written as a long key, which is not known here.
    if (block) known = false;
    if (!anchored && group.children > 0) write('\n');
    if (!block) spaceOrIndentTo(anchored, indent);
    return;
  }
  if (!anchored) {
    if (afterAlias) write(' ');
    write(':');
  }
  if (block)
    write('\n');
  else
    spaceOrIndentTo(true, indent + indentStep);
}

void YamlText::props(const std::string& tag, YAML::anchor_t anchor) {
  if (!tag.empty() && tag != "?" && tag != "!") known = false;
  if (anchor == YAML::NullAnchor) return;
  prepare(Item::scalar);
  write('&');
  write(std::to_string(anchor));
  anchored = true;
}

void YamlText::OnNull(const YAML::Mark&, YAML::anchor_t anchor) {
  props("", anchor);
  prepare(Item::scalar);
  write('~');
  started();
}

void YamlText::OnAlias(const YAML::Mark&, YAML::anchor_t anchor) {
  prepare(Item::scalar);
  write('*');
  write(std::to_string(anchor));
  started();
  afterAlias = true;
}

void YamlText::OnScalar(const YAML::Mark&, const std::string& tag, YAML::anchor_t anchor,
                        const std::string& value) {
  props(tag, anchor);
  if (value.size() > longestScalar) known = false;
  const bool plain = isPlain(value, inFlow());
  prepare(Item::scalar);
  if (plain)
    write(value);
  else
    writeQuoted(value);
  started();
}

void YamlText::writeQuoted(const std::string& value) {
  std::string quoted = "\"";
  for (std::size_t i = 0; i < value.size();) {
    const int codePoint = nextCodePoint(value, i);
    switch (codePoint) {
      case '"':
        quoted += "\\\"";
        break;
      case '\\':
        quoted += "\\\\";
        break;
      case '\n':
        quoted += "\\n";
        break;
      case '\t':
        quoted += "\\t";
        break;
      case '\r':
        quoted += "\\r";
        break;
      case '\b':
        quoted += "\\b";
        break;
      case '\f':
        quoted += "\\f";
        break;
      default:
        if (codePoint < 0x20 || (codePoint >= 0x80 && codePoint <= 0xA0) || codePoint == 0xFEFF)
          appendEscape(quoted, codePoint);
        else
          appendUtf8(quoted, codePoint);
    }
  }
  quoted += '"';
  write(quoted);
}

void YamlText::startCollection(bool map, const std::string& tag, YAML::anchor_t anchor,
                               YAML::EmitterStyle::value style) {
  props(tag, anchor);
  const bool flow = inFlow() || style == YAML::EmitterStyle::Flow;
  prepare(flow ? Item::flow : map ? Item::blockMap : Item::blockSequence);
  started();
  if (!groups.empty()) indent += indentStep;
  groups.push_back({map, flow});
}

void YamlText::endCollection(const char* empty, char close) {
  const Group group = groups.back();
  if (group.children == 0 || group.flow) {
    indentTo(indent);
    if (group.children == 0)
      write(empty);
    else
      write(close);
  }
  groups.pop_back();
  if (!groups.empty()) indent -= indentStep;
  anchored = false;
}

void YamlText::OnSequenceStart(const YAML::Mark&, const std::string& tag, YAML::anchor_t anchor,
                               YAML::EmitterStyle::value style) {
  startCollection(false, tag, anchor, style);
}

void YamlText::OnSequenceEnd() { endCollection("[]", ']'); }

void YamlText::OnMapStart(const YAML::Mark&, const std::string& tag, YAML::anchor_t anchor,
                          YAML::EmitterStyle::value style) {
  startCollection(true, tag, anchor, style);
}

void YamlText::OnMapEnd() { endCollection("{}", '}'); }
