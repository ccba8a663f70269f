#ifndef TOLLBRIG_TESTS_OPTIONWORDS_H
#define TOLLBRIG_TESTS_OPTIONWORDS_H

#include <string>
#include <vector>

#include "config.h"

// Parses option words into config as the command line does, from the first word.
inline int parseOptionWords(Config& config, std::vector<std::string> words) {
  std::vector<char*> pointers;
  for (std::string& word : words) pointers.push_back(word.data());
  return config.parseConfig(0, static_cast<int>(pointers.size()), pointers.data());
}

#endif
