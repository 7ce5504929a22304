// The Win32 platform layer under a real Windows API (Wine): sharing and the replacement
// of a file, and the log merged over one another program holds. (The reader's tests seek
// past 2 GiB through this layer too.)
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "report/logfile.h"
#include "tests/support/collect_sink.h"
#include "tests/support/scratch.h"
#include "platform/win32/win32.h"

namespace {

// The check opens a file another program is writing; a failure carries the system's code.
TEST(Win32Platform, OpensAndOpenFailures) {
    ScratchDir scratch;
    const std::string path = scratch.write("busy.tif", "II*\0");
    const HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    const PlatformFile file = platform_open_read(path.c_str());
    EXPECT_TRUE(is_open(file));
    platform_close(file);
    CloseHandle(writer);
    EXPECT_FALSE(is_open(platform_open_read(scratch.make_dir("folder.tif").c_str())));
    EXPECT_EQ(ERROR_ACCESS_DENIED, static_cast<DWORD>(platform_last_error()));
}

// A replacement waits briefly for a reader to let go of the target, and on Windows 95/98
// moves the old file aside; whatever fails, the old file stays and nothing is left beside.
TEST(Win32Platform, ReplacementWaitsForReadersAndFallsBackOnWindows9x) {
    ScratchDir scratch;
    const std::string target = scratch.file("x.log");
    const struct {
        const char* why;
        int hold_ms;       // a reader holds the target this long; -1: throughout
        bool windows_9x;   // the replacing move is not implemented
        int failing_move;  // the plain move that fails, counted from 0; -1: none
        const char* after;
    } cases[] = {
        {"replaced", 0, false, -1, "new"},
        {"a reader lets go in time", 300, false, -1, "new"},
        {"a reader holds on", -1, false, -1, "old"},
        {"Windows 95/98", 0, true, -1, "new"},
        {"Windows 95/98, the old file cannot step aside", 0, true, 0, "old"},
        {"Windows 95/98, the new file cannot take its place", 0, true, 1, "old"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        scratch.write("x.log", "old");
        PlatformReplacement replacement;
        ASSERT_EQ(1, platform_begin_replace(target.c_str(), &replacement));
        ASSERT_EQ(1, platform_write(replacement.file, "new", 3));
        const HANDLE reader = c.hold_ms == 0
                                  ? INVALID_HANDLE_VALUE
                                  : CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                nullptr, OPEN_EXISTING, 0, nullptr);
        std::thread release;
        if (c.hold_ms > 0)
            release = std::thread([&] {
                Sleep(static_cast<DWORD>(c.hold_ms));
                CloseHandle(reader);
            });
        if (c.windows_9x) fail_platform_call(PlatformCall::Rename, ERROR_CALL_NOT_IMPLEMENTED);
        if (c.failing_move >= 0)
            fail_platform_call(PlatformCall::Move, ERROR_WRITE_FAULT, c.failing_move);
        EXPECT_EQ(std::string(c.after) == "new" ? 1 : 0, platform_commit_replace(&replacement));
        clear_platform_faults();
        if (release.joinable()) release.join();
        if (c.hold_ms < 0) CloseHandle(reader);
        EXPECT_EQ(c.after, read_whole_file(target));
        std::vector<std::string> names;
        for (const auto& item : std::filesystem::directory_iterator(scratch.path()))
            names.push_back(item.path().filename().string());
        EXPECT_EQ(std::vector<std::string>{"x.log"}, names);
    }
}

// A log viewer holding "Inkhound.log": without delete sharing the log cannot be replaced
// and is written over in place where the viewer shares writing; without that the
// previous log stays.
TEST(Win32Platform, ALogHeldByAViewerIsWrittenInPlaceOrKept) {
    ScratchDir scratch;
    reset_core_state();
    ASSERT_EQ(1, set_log_directory(scratch.path().c_str()));
    test_scan().sink = log_file_sink;
    test_scan().logging_flags = 0x01;
    const std::string previous(3000, 'p'), written = kSections[1].header + std::string("    x\r\n");
    const DWORD shares[] = {FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_SHARE_READ};
    for (DWORD share : shares) {
        SCOPED_TRACE(share);
        const std::string log = scratch.write(kLogFileName, previous);
        const HANDLE viewer =
            CreateFileA(log.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
        reset_log_slots();
        report(0, ReportCategory::Rgb, "x", nullptr);
        EXPECT_EQ(share != FILE_SHARE_READ, merge_log_files());
        CloseHandle(viewer);
        EXPECT_EQ(share != FILE_SHARE_READ ? written : previous, read_whole_file(log));
        EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(scratch.path()), {}));
    }
    set_log_directory(nullptr);
}

}  // namespace
