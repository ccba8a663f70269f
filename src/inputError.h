#ifndef TOLLBRIG_INPUTERROR_H
#define TOLLBRIG_INPUTERROR_H

#include <yaml-cpp/yaml.h>

#include <stdexcept>
#include <string>

#include "keys.h"

// A fault in a user's input file, described without the file's name: the
// reader that knows the file adds it when it reports the fault.
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A value outside the range the programs accept; "Error: " followed by its
// text is the whole report.
class InvalidValue : public InputError {
 public:
  InvalidValue(const std::string& key, int value);
};

// Prints the report of an invalid value on standard error.
void reportInvalid(const InvalidValue& invalid);

// Larger core counts are refused: a processor creates every core up front.
constexpr int maxCoreCount = 65536;

// value, or InvalidValue naming key when it is above maxCoreCount.
int checkedCoreCount(const std::string& key, int value);

// " (line L, column C)" for a known position, empty otherwise.
std::string describePosition(const YAML::Mark& mark);

// How messages name the type a value must have.
template <typename T>
const char* expectedType();
template <>
inline const char* expectedType<int>() {
  return "an int";
}
template <>
inline const char* expectedType<longint_t>() {
  return "an unsigned integer";
}
template <>
inline const char* expectedType<std::string>() {
  return "a string";
}

// value converted to T; InputError naming `what` when it does not convert.
template <typename T>
T convertedValue(const YAML::Node& value, const std::string& what) {
  try {
    return value.as<T>();
  } catch (const YAML::Exception&) {
    throw InputError(what + " is not " + expectedType<T>() + describePosition(value.Mark()));
  }
}

// The value under key of a map, converted to T; InputError when it is absent
// or does not convert. context follows the key in messages (" in 'x'").
template <typename T>
T requiredValue(const YAML::Node& map, const std::string& key, const std::string& context = "") {
  const YAML::Node value = map[key];
  if (!value.IsDefined()) throw InputError("missing key '" + key + "'" + context);
  return convertedValue<T>(value, "'" + key + "'" + context);
}

#endif
