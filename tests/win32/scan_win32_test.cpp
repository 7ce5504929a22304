// The walker and the log file against real Win32 behaviour: hidden and system entries
// with their attributes set by the system, delete-on-close section files, share modes
// between the merge and the reader, and the private folder.
#include <gtest/gtest.h>

#include "win32.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "collect_sink.h"
#include "counters.h"
#include "logfile.h"
#include "options.h"
#include "platform.h"
#include "report.h"
#include "scratch.h"
#include "walker.h"

namespace {

const Bytes kGif("GIF89a\x01\x00\x01\x00", 10);

class Win32ScanTest : public ::testing::Test {
  protected:
    void SetUp() override {
        reset_core_state();
        set_default_options(&options_);
        options_.file_scan_flags = kCheckTiff | kCheckJpeg | kCheckEps | kWarnGif | kExamineExtensions;
        options_.logging_flags = 0x1F;
        scan_control.immediate_stop_requested = false;
    }
    void TearDown() override { release_options(&options_); }

    std::vector<std::string> logged() const {
        std::vector<std::string> out;
        for (const CollectedEntry& entry : sink_.entries())
            if (entry.category > 1) out.push_back(entry.name);
        std::sort(out.begin(), out.end());
        return out;
    }

    Options options_ = {};
    ScratchDir scratch_;
    CollectingSink sink_;
};

TEST_F(Win32ScanTest, HiddenAndSystemEntriesAreSkipped) {
    struct Case {
        const char* name;
        DWORD attributes;
    };
    const Case cases[] = {{"hidden", FILE_ATTRIBUTE_HIDDEN}, {"system", FILE_ATTRIBUTE_SYSTEM}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = scratch_.write(std::string(c.name) + ".gif", kGif);
        const std::string dir = scratch_.make_dir(std::string(c.name) + "-dir");
        scratch_.write(std::string(c.name) + "-dir\\inside.gif", kGif);
        ASSERT_TRUE(SetFileAttributesA(file.c_str(), c.attributes));
        ASSERT_TRUE(SetFileAttributesA(dir.c_str(), c.attributes | FILE_ATTRIBUTE_DIRECTORY));
    }
    scratch_.write("plain.gif", kGif);
    scratch_.write(".dotted.gif", kGif);  // the test prefix shows dot files as they are
    EXPECT_EQ(1, walk_directory(scratch_.path().c_str(), true, false, false, options_));
    EXPECT_EQ((std::vector<std::string>{scratch_.file(".dotted.gif"), scratch_.file("plain.gif")}),
              logged());
    EXPECT_EQ(2, scan_counters.files_seen.load());
    for (const Case& c : cases) {
        SetFileAttributesA(scratch_.file(std::string(c.name) + ".gif").c_str(), FILE_ATTRIBUTE_NORMAL);
        SetFileAttributesA(scratch_.file(std::string(c.name) + "-dir").c_str(), FILE_ATTRIBUTE_DIRECTORY);
    }
}

TEST_F(Win32ScanTest, AMissingDirectoryIsPathNotFound) {
    const std::string missing = scratch_.file("missing");
    EXPECT_EQ(1, walk_directory(missing.c_str(), true, false, false, options_));
    ASSERT_EQ(1u, sink_.entries().size());
    EXPECT_EQ("open failure on directory: 3", sink_.entries()[0].message);
}

TEST(Win32ScanFiles, SectionFilesLiveUntilClosed) {
    ScratchDir scratch;
    scratch.write("Inkhound.tm3", "left over");
    const std::string path = scratch.file("Inkhound.tm3");
    const PlatformFile file = platform_create_section_file(path.c_str());
    ASSERT_TRUE(is_open(file));
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(0u, std::filesystem::file_size(path)) << "a leftover is emptied";
    ASSERT_EQ(1, platform_write(file, "abc", 3));
    platform_close(file);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(Win32ScanFiles, TheMergeAndTheReaderExcludeEachOther) {
    ScratchDir scratch;
    ASSERT_EQ(1, set_log_directory(scratch.path().c_str()));
    const std::string log = scratch.write("Inkhound.log", "the previous scan\r\n");

    // Another program holding the log without read sharing keeps the merge out.
    const HANDLE holder = CreateFileA(log.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    reset_log_slots();
    live_options.logging_flags = 0x1F;
    report_sink = log_file_sink;
    report(1, ReportCategory::General, nullptr, "Starting a background scan");
    EXPECT_FALSE(merge_log_files());
    CloseHandle(holder);
    EXPECT_EQ("the previous scan\r\n", read_whole_file(log));

    // While the merge writes, a reader's open fails rather than read half a log.
    const PlatformFile writer = platform_open_write(log.c_str());
    ASSERT_TRUE(is_open(writer));
    static int calls;
    calls = 0;
    EXPECT_EQ(0, read_log_file([](const char*) { ++calls; }));
    EXPECT_EQ(0, calls);
    platform_close(writer);
    EXPECT_EQ(1, read_log_file([](const char*) { ++calls; }));
    EXPECT_EQ(1, calls);
    set_log_directory(nullptr);
    report_sink = nullptr;
    release_options(&live_options);
}

TEST(Win32ScanFiles, ThePrivateFolderIsMadeInTheTemporaryFolder) {
    char folder[kPathLimit];
    ASSERT_EQ(1, platform_make_private_directory(folder, sizeof folder));
    char temp[kPathLimit];
    ASSERT_NE(0u, GetTempPathA(sizeof temp, temp));
    EXPECT_EQ(0, std::string(folder).compare(0, std::strlen(temp), temp)) << folder;
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(1, platform_remove_directory(folder));
    EXPECT_FALSE(std::filesystem::exists(folder));
}

}  // namespace
