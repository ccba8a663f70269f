#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "Platform/core.h"
#include "globals.h"
#include "testSupport.h"
#include "trace.h"

namespace {

const std::string traceDir = std::string(TEST_DATA_DIR) + "/trace";

// Points the trace directories at the fixtures; trace paths are INPUTDIR/TRACEDIR/name.txt.
class TraceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INPUTDIR = TEST_DATA_DIR;
    TRACEDIR = "trace";
  }
  void TearDown() override {
    INPUTDIR.clear();
    TRACEDIR.clear();
  }
};

struct Entry {
  uint32_t instr;
  int time;
  int kind;
  uint32_t data;
};

void expectEntries(const Trace& trace, const std::vector<Entry>& expected) {
  ASSERT_EQ(trace.getSize(), static_cast<int>(expected.size()));
  for (int j = 0; j < trace.getSize(); ++j) {
    SCOPED_TRACE("entry " + std::to_string(j));
    EXPECT_EQ(trace.instrAddress(j), expected[j].instr);
    EXPECT_EQ(trace.execTime(j), expected[j].time);
    EXPECT_EQ(trace.instrType(j), expected[j].kind);
    EXPECT_EQ(trace.memAddress(j), expected[j].data);
  }
}

const uint32_t none = 0xffffff;

}  // namespace

TEST_F(TraceTest, ParsesFieldsWithTheNoAccessRulesAndDefaults) {
  Trace trace;
  CapturedStdout capturedOut;
  ASSERT_EQ(trace.readTrace("fields"), 0);
  // Only the unknown letter speaks at verbosity 0.
  EXPECT_EQ(capturedOut.text(), "PROBLEM\n");
  expectEntries(trace, {
                           {0xa0, 3, 1, 0x1f0},  // hex with and without "0x"
                           {0x1f, 5, 0, 0x1f},
                           {none, 0, 2, none},   // empty line: every default, time 0
                           {0xb4, 2, 2, none},   // "0xffffff" makes a write an "e"
                           {0xc8, 4, 2, none},   // "e" replaces the address
                           {0xd0, 6, 2, none},   // no data address
                           {0x10, 7, 1, none},   // "0XFFFFFF" is an ordinary address
                           {0xe0, -1, 0, 0x40},  // unknown letter: kind stays 0
                           {0xab, 0, 2, none},   // one field: no time
                           {0xf0, 8, 1, 0},      // unreadable address, no final newline
                       });
  EXPECT_EQ(trace.getName(), traceDir + "/fields.txt");
}

TEST_F(TraceTest, FinalNewlineAddsNoEntryAndVerboseReportsTheRead) {
  const VerboseLevel verbose(1);
  Trace trace;
  CapturedStdout capturedOut;
  ASSERT_EQ(trace.readTrace("newline"), 0);
  const std::string path = traceDir + "/newline.txt";
  EXPECT_EQ(capturedOut.text(),
            "Read trace file '" + path + "'\nTrace " + path + " of size 2 successfully parsed.\n");
  expectEntries(trace, {{0x10, 1, 1, 0x20}, {0x20, 2, 0, 0x30}});
}

TEST_F(TraceTest, MissingFileLeavesTheTraceAsItWas) {
  Trace trace;
  EXPECT_EQ(trace.getSize(), 0);
  ASSERT_EQ(trace.readTrace("newline"), 0);
  const VerboseLevel silent(-1);
  CapturedStderr capturedErr;
  EXPECT_EQ(trace.readTrace("absent"), 1);
  EXPECT_EQ(capturedErr.text(), "Error: Could not open trace file '" + traceDir + "/absent.txt'\n");
  EXPECT_EQ(trace.getName(), traceDir + "/newline.txt");
  expectEntries(trace, {{0x10, 1, 1, 0x20}, {0x20, 2, 0, 0x30}});
}

TEST_F(TraceTest, UnknownLetterKeepsTheKindOfAnEarlierRead) {
  Trace trace;
  ASSERT_EQ(trace.readTrace("newline"), 0);
  CapturedStdout capturedOut;
  ASSERT_EQ(trace.readTrace("problem"), 0);
  EXPECT_EQ(capturedOut.text(), "PROBLEM\n");
  expectEntries(trace, {{0x10, 1, 1, 0x20}});
}

TEST_F(TraceTest, ProcessorDemandSumsSignedExecutionTimes) {
  Core core;
  longint_t demand = 99;
  Trace empty;
  EXPECT_EQ(core.computeProcDemand(empty, demand), 0);
  EXPECT_EQ(demand, 0u);

  Trace trace;
  CapturedStdout quiet;
  ASSERT_EQ(trace.readTrace("fields"), 0);
  quiet.text();
  EXPECT_EQ(core.computeProcDemand(trace, demand), 0);
  EXPECT_EQ(demand, 3u + 5 + 2 + 4 + 6 + 7 - 1 + 8);
}
