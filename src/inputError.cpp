#include "inputError.h"

#include <iostream>

InvalidValue::InvalidValue(const std::string& key, int value)
    : InputError("invalid value for '" + key + "': " + std::to_string(value)) {}

void reportInvalid(const InvalidValue& invalid) {
  std::cerr << "Error: " << invalid.what() << std::endl;
}

int checkedCoreCount(const std::string& key, int value) {
  if (value > maxCoreCount) throw InvalidValue(key, value);
  return value;
}

std::string describePosition(const YAML::Mark& mark) {
  if (mark.is_null()) return "";
  return " (line " + std::to_string(mark.line + 1) + ", column " + std::to_string(mark.column + 1) +
         ")";
}
