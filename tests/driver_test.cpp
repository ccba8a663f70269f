#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>

#include "config.h"
#include "driver.h"
#include "testSupport.h"

namespace {

TEST(Driver, ExceptionsEscapingADefinitionBecomeOneErrorLine) {
  Config config;
  applyOptions(config, {"-ts", "sets/ts.yaml", "-arch", "arch/a.yaml", "-arch", "arch/b.yaml"});
  const std::string where = " (node set 'sets/ts.yaml', architecture definition 2 'arch/b.yaml')";
  const struct {
    const char* name;
    std::function<int()> analyse;
    int status;
    std::string err;
  } cases[] = {
      {"success passes through", [] { return 0; }, 0, ""},
      {"failure passes through", [] { return 1; }, 1, ""},
      {"standard exception", []() -> int { throw std::runtime_error("bad key 'x'"); }, 1,
       "Error: bad key 'x'" + where + "\n"},
      {"allocation failure", []() -> int { throw std::bad_alloc(); }, 1,
       "Error: out of memory" + where + "\n"},
      {"anything else", []() -> int { throw 7; }, 1, "Error: unknown exception" + where + "\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CapturedStderr capturedErr;
    EXPECT_EQ(analyseDefinition(config, 1, c.analyse), c.status);
    EXPECT_EQ(capturedErr.text(), c.err);
  }
}

TEST(Driver, ExceptionEscapingEverythingElse) {
  CapturedStderr capturedErr;
  int status = 0;
  try {
    throw std::length_error("vector too long");
  } catch (...) {
    status = reportEscapedException();
  }
  EXPECT_EQ(status, 1);
  EXPECT_EQ(capturedErr.text(), "Error: vector too long\n");
}

}  // namespace
