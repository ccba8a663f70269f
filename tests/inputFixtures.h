#ifndef TOLLBRIG_TESTS_INPUTFIXTURES_H
#define TOLLBRIG_TESTS_INPUTFIXTURES_H

#include <string>

#include "testSupport.h"

// Replaces every "{path}" in text by path.
inline std::string withPath(std::string text, const std::string& path) {
  for (std::size_t at = text.find("{path}"); at != std::string::npos; at = text.find("{path}", at))
    text.replace(at, 6, path);
  return text;
}

#endif
