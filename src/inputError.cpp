#include "inputError.h"

std::string describePosition(const YAML::Mark& mark) {
  if (mark.is_null()) return "";
  return " (line " + std::to_string(mark.line + 1) + ", column " + std::to_string(mark.column + 1) +
         ")";
}
