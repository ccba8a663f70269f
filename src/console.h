#ifndef TOLLBRIG_CONSOLE_H
#define TOLLBRIG_CONSOLE_H

// ANSI colours of the console verdicts and error reports.
namespace console {
inline constexpr const char* green = "\033[1;32m";
inline constexpr const char* yellow = "\033[1;33m";
inline constexpr const char* red = "\033[1;31m";
inline constexpr const char* reset = "\033[0m";
}  // namespace console

#endif
