// The walker and the log file against real Win32 behaviour: hidden and system entries
// with their attributes set by the system, and the log's reader against a writer.
#include <gtest/gtest.h>

#include "platform/win32/win32.h"

#include "report/logfile.h"
#include "report/report.h"
#include "tests/support/walk_fixture.h"

namespace {

class Win32ScanTest : public WalkFixture {};

TEST_F(Win32ScanTest, HiddenAndSystemEntriesAreSkipped) {
    for (const DWORD attribute : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
        const std::string name = std::to_string(attribute), dir = scratch_.make_dir(name + "-dir");
        scratch_.write(name + "-dir\\inside.gif", kGif);
        ASSERT_TRUE(SetFileAttributesA(scratch_.write(name + ".gif", kGif).c_str(), attribute));
        ASSERT_TRUE(SetFileAttributesA(dir.c_str(), attribute | FILE_ATTRIBUTE_DIRECTORY));
    }
    scratch_.write("plain.gif", kGif);
    EXPECT_EQ(1, walk_directory(scratch_.path().c_str(), true, false, false, options_));
    EXPECT_EQ((std::vector<std::string>{scratch_.file("plain.gif")}), entries(5));
    EXPECT_EQ(1, test_scan().files_seen.load());
}

TEST_F(Win32ScanTest, TheLogIsNotReadWhileAnotherProgramWritesIt) {
    ASSERT_EQ(1, set_log_directory(scratch_.path().c_str()));
    const std::string log = scratch_.write(kLogFileName, "the previous scan\r\n");
    // While another program writes the log, a reader's open fails rather than read half
    // of it.
    const HANDLE writer = CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    static int calls = 0;
    EXPECT_EQ(0, read_log_file([](const char*) { ++calls; }));
    CloseHandle(writer);
    EXPECT_EQ(1, read_log_file([](const char*) { ++calls; }));
    EXPECT_EQ(1, calls);
    set_log_directory(nullptr);
}

}  // namespace
