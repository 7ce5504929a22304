// Crafted bytes opened as the file under examination, the way the check opens a file, for
// an analysis (or one of its readers) to run on directly, and a table runner for verdicts
// with or without a failing call of the fault switch.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/collect_sink.h"
#include "tests/support/examined_file.h"
#include "classify/reader.h"
#include "tests/support/scratch.h"
#include "classify/verdict.h"

inline void PrintTo(Verdict verdict, std::ostream* out) {
    *out << verdict_name(verdict);
}

// The verdict of `file`. With messages, `call` fails `times` times (-1: for ever) after `skip`
// calls that succeed, with the error code 31; a failure must be reported once, whatever is
// read after it.
struct AnalysisCase {
    const char* what;
    Bytes file;
    Verdict verdict;
    std::vector<std::string> messages = {};
    PlatformCall call = PlatformCall::Read;
    int skip = 0;
    int times = -1;
};

class AnalysisTest : public ::testing::Test {
   protected:
    void SetUp() override { reset_core_state(); }
    ~AnalysisTest() override { close_examined_file(); }

    // The analysis makes its own reset of the reader.
    void open(const Bytes& contents) {
        ASSERT_TRUE(open_bytes(scratch_, "analysed.bin", contents));
    }

    void expect_verdicts(Verdict (*analysis)(), const std::vector<AnalysisCase>& cases) {
        for (const AnalysisCase& c : cases) {
            SCOPED_TRACE(c.what);
            sink_.clear();
            open(c.file);
            if (!c.messages.empty()) {
                cap_read_size(kBlockSize);
                fail_platform_call(c.call, 31, c.skip, c.times);
            }
            EXPECT_EQ(c.verdict, analysis());
            clear_platform_faults();
            EXPECT_EQ(c.messages, sink_.messages());
        }
    }

    ScratchDir scratch_;
    CollectingSink sink_;
};
