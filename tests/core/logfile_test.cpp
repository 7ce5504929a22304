// The log file sink and its merge: the layout of the log by logging flags, headers once
// per section, which entries raise found_something, a shorter log replacing a longer
// one, an unopenable log left alone, section files gone, failures through the fault
// switch, and reading the log back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "collect_sink.h"
#include "logfile.h"
#include "options.h"
#include "report.h"
#include "scratch.h"

namespace {

const char kRgbHeader[] = "\r\n===== Files that are or seem to be RGB =====\r\n";
const char kCmykHeader[] = "\r\n===== Files that are or seem to be CMYK =====\r\n";
const char kEpsJpegHeader[] = "\r\n===== EPS files that have embedded JPEGs =====\r\n";
const char kErrorsHeader[] = "\r\n===== Files that generated errors =====\r\n";

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back(text.substr(at) + "<no CR LF>");
            break;
        }
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

bool ends_with(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string chunks_read;
int chunk_calls;
void collect_chunk(const char* chunk) {
    chunks_read += chunk;
    ++chunk_calls;
}

class LogFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        reset_core_state();
        set_default_options(&live_options);
        ASSERT_EQ(1, set_log_directory(scratch_.path().c_str()));
        reset_log_slots();
        report_sink = log_file_sink;
        chunks_read.clear();
        chunk_calls = 0;
    }
    void TearDown() override {
        close_log_slots();
        set_log_directory(nullptr);
        report_sink = nullptr;
        clear_platform_faults();
    }

    void flags(std::uint16_t logging_flags) { live_options.logging_flags = logging_flags; }

    void start() { report(1, ReportCategory::General, nullptr, "Starting a background scan"); }
    void finish(int seen = 0, int checked = 0, int logged = 0) {
        report(0, ReportCategory::Summary, nullptr, nullptr);
        report(1, ReportCategory::Summary, nullptr, "Finished the background scan");
        char totals[120];
        std::snprintf(totals, sizeof totals,
                      "* * * %d files seen, %d files checked, %d files logged * * *", seen,
                      checked, logged);
        report(0, ReportCategory::Summary, nullptr, "%s", totals);
    }
    void entry(int category, const char* name, const char* message = nullptr) {
        if (message)
            report(0, static_cast<ReportCategory>(category), name, "%s", message);
        else
            report(0, static_cast<ReportCategory>(category), name, nullptr);
    }

    std::string log_path() const { return scratch_.file("Inkhound.log"); }
    std::string log() const { return read_whole_file(log_path()); }
    bool only_the_log_is_left() const {
        for (const auto& item : std::filesystem::directory_iterator(scratch_.path()))
            if (item.path().filename() != "Inkhound.log") return false;
        return true;
    }

    ScratchDir scratch_;
};

TEST_F(LogFileTest, WithRgbLoggingAndNoFindingsTheLogHasFourLines) {
    flags(0x01);
    start();
    finish();
    EXPECT_TRUE(merge_log_files());
    const std::vector<std::string> lines = split_lines(log());
    ASSERT_EQ(4u, lines.size()) << log();
    EXPECT_TRUE(ends_with(lines[0], "  Starting a background scan"));
    EXPECT_NE(' ', lines[0][0]);
    EXPECT_EQ("", lines[1]);
    EXPECT_TRUE(ends_with(lines[2], "  Finished the background scan"));
    EXPECT_EQ("* * * 0 files seen, 0 files checked, 0 files logged * * *", lines[3]);
    EXPECT_FALSE(log_file.found_something.load());
    EXPECT_TRUE(only_the_log_is_left());
}

TEST_F(LogFileTest, WithEpsJpegLoggingOnlyTheLogHoldsOnlyThatSection) {
    flags(0x10);
    start();
    entry(3, "x.jpg");
    finish();
    EXPECT_TRUE(merge_log_files());
    EXPECT_EQ(0u, log().size());
    EXPECT_TRUE(std::filesystem::exists(log_path()));

    start();
    entry(6, "a.eps");
    entry(13, "b.eps", "File looks to be invalid");
    entry(6, "c.eps");
    finish();
    EXPECT_TRUE(merge_log_files());
    EXPECT_EQ(std::string(kEpsJpegHeader) + "    a.eps\r\n    c.eps\r\n", log());
}

TEST_F(LogFileTest, WithNoLoggingFlagsTheLogIsCutToNothing) {
    scratch_.write("Inkhound.log", "an older log\r\n");
    flags(0);
    start();
    entry(2, "cmyk.tif");
    finish();
    EXPECT_TRUE(merge_log_files());
    EXPECT_EQ(0u, log().size());
    EXPECT_TRUE(log_file.found_something.load()) << "raised even where nothing is written";
}

TEST_F(LogFileTest, EachHeaderStandsOnceBeforeItsFirstEntry) {
    flags(0x1F);
    start();
    entry(3, "r1.tif");
    entry(2, "c1.tif");
    entry(8, "r2.eps", "possibly RGB");
    entry(1, "gone.tif", "open failure: 2");
    entry(7, "c2.eps", "possibly CMYK");
    entry(15, "m.tif", "File is mis-labelled");
    entry(3, "r3.tif");
    finish(7, 6, 6);
    EXPECT_TRUE(merge_log_files());
    const std::string expected_middle = std::string(kRgbHeader) + "    r1.tif\r\n" +
                                        "    r2.eps: possibly RGB\r\n" + "    r3.tif\r\n" +
                                        kCmykHeader + "    c1.tif\r\n" +
                                        "    c2.eps: possibly CMYK\r\n" + kErrorsHeader;
    const std::string text = log();
    EXPECT_NE(std::string::npos, text.find(expected_middle)) << text;
    const std::vector<std::string> lines = split_lines(text);
    ASSERT_EQ(17u, lines.size()) << text;
    EXPECT_TRUE(ends_with(lines[0], "  Starting a background scan"));
    EXPECT_TRUE(ends_with(lines[12], "   gone.tif: open failure: 2"));
    EXPECT_EQ("    m.tif: File is mis-labelled", lines[13]);
    EXPECT_EQ("", lines[14]);
    EXPECT_EQ("* * * 7 files seen, 6 files checked, 6 files logged * * *", lines[16]);
}

TEST_F(LogFileTest, OnlyFindingsWorthAnAlertRaiseFoundSomething) {
    struct Case {
        int category;
        bool raises;
    };
    const Case cases[] = {{-1, false}, {0, false}, {1, false}, {2, true},   {3, true},
                          {4, false},  {5, true},  {6, true},  {7, true},   {8, true},
                          {9, false},  {10, true}, {11, true}, {12, false}, {13, true},
                          {14, false}, {15, true}, {99, false}, {-2, false}};
    flags(0x1F);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.category);
        log_file.found_something = false;
        entry(c.category, "x");
        EXPECT_EQ(c.raises, log_file.found_something.load());
    }
    EXPECT_TRUE(merge_log_files());
}

TEST_F(LogFileTest, IgnoredCategoriesLeaveTheLogUnchanged) {
    flags(0x1F);
    for (int category : {4, 9, 14, 99}) entry(category, "x");
    EXPECT_TRUE(merge_log_files());
    EXPECT_EQ(0u, log().size());
}

TEST_F(LogFileTest, AShorterScanLeavesNoRemnantOfALongerOne) {
    flags(0x1F);
    start();
    for (int i = 0; i < 200; ++i) entry(3, "a-rather-long-name-for-a-file.tif");
    finish();
    EXPECT_TRUE(merge_log_files());
    ASSERT_GT(log().size(), 5000u);
    start();
    finish();
    EXPECT_TRUE(merge_log_files());
    EXPECT_EQ(4u, split_lines(log()).size());
}

TEST_F(LogFileTest, AnUnopenableLogIsLeftAsItWas) {
    scratch_.write("Inkhound.log", "the previous scan\r\n");
    flags(0x1F);
    start();
    entry(3, "new.tif");
    finish();
    fail_platform_call(PlatformCall::OpenWrite, 32);
    EXPECT_FALSE(merge_log_files());
    EXPECT_EQ("the previous scan\r\n", log());
    for (const LogSlot& slot : log_file.slots) EXPECT_FALSE(is_open(slot.file));
    EXPECT_FALSE(log_file.slots_prepared);
    EXPECT_TRUE(only_the_log_is_left());
}

TEST_F(LogFileTest, SectionFilesAreGoneAfterTheMerge) {
    flags(0x1F);
    start();
    entry(3, "x.tif");
    ASSERT_TRUE(log_file.slots_prepared);
    EXPECT_TRUE(is_open(log_file.slots[1].file));
    EXPECT_TRUE(merge_log_files());
    EXPECT_TRUE(only_the_log_is_left());
    for (const LogSlot& slot : log_file.slots) {
        EXPECT_FALSE(is_open(slot.file));
        EXPECT_EQ(0, slot.header_written);
    }
}

TEST_F(LogFileTest, OnlySlotsWhoseMaskMeetsTheFlagsGetAFile) {
    flags(0x02);
    start();
    const bool expected[kLogSlotCount] = {true, false, true, false, false, false, true, true};
    for (int i = 0; i < kLogSlotCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(expected[i], is_open(log_file.slots[i].file));
    }
    EXPECT_TRUE(merge_log_files());
}

TEST_F(LogFileTest, SectionFilesAreGoneAfterAnAbnormalEnd) {
    // The child writes entries into a folder and ends without merging; on its end the
    // system deletes the section files. The folder is named after the test program, so
    // that a Windows child, which runs this test from its start, finds the same one.
    char program[kPathLimit];
    ASSERT_EQ(1, platform_module_path(program, sizeof program));
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("inkhound-abnormal-end-" + std::to_string(std::hash<std::string>{}(program)));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    EXPECT_EXIT(
        {
            std::filesystem::create_directories(folder);
            set_log_directory(folder.string().c_str());
            reset_log_slots();
            live_options.logging_flags = 0x1F;
            report_sink = log_file_sink;
            report(0, ReportCategory::Rgb, "x.tif", nullptr);
            std::_Exit(is_open(log_file.slots[1].file) ? 3 : 4);
        },
        ::testing::ExitedWithCode(3), "");
    std::vector<std::string> left;
    for (const auto& item : std::filesystem::directory_iterator(folder))
        left.push_back(item.path().filename().string());
    EXPECT_TRUE(left.empty()) << left.front();
    std::filesystem::remove_all(folder);
}

TEST_F(LogFileTest, FailuresAreToldToTheCaller) {
    struct Case {
        const char* name;
        PlatformCall call;
        int skip;  // calls of that kind that still succeed
    };
    // Writes: header and lines while the sink runs (the first is the start line), then
    // the merge's copy; the section files' creation; reading them back; the final cut.
    const Case cases[] = {
        {"first sink write", PlatformCall::Write, 0},
        {"header write", PlatformCall::Write, 1},
        {"merge write", PlatformCall::Write, 6},
        {"section file creation", PlatformCall::SectionFile, 0},
        {"section read", PlatformCall::Read, 0},
        {"cut", PlatformCall::Truncate, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        flags(0x1F);
        reset_log_slots();
        fail_platform_call(c.call, 28, c.skip);
        start();
        entry(3, "x.tif");
        finish();
        EXPECT_FALSE(merge_log_files());
        clear_platform_faults();
        for (const LogSlot& slot : log_file.slots) EXPECT_FALSE(is_open(slot.file));
    }
    // A slot switched off by the flags loses nothing that was asked for.
    flags(0x01);
    start();
    entry(2, "cmyk.tif");
    finish();
    EXPECT_TRUE(merge_log_files());
}

TEST_F(LogFileTest, TheLogIsReadBackInChunks) {
    EXPECT_EQ(0, read_log_file(collect_chunk));
    EXPECT_EQ(0, chunk_calls) << "no log, no call";

    std::string text;
    for (int i = 0; i < 250; ++i) text += "    line " + std::to_string(i) + "\r\n";
    ASSERT_GT(text.size(), 2048u);
    scratch_.write("Inkhound.log", text);
    EXPECT_EQ(1, read_log_file(collect_chunk));
    EXPECT_EQ(text, chunks_read);
    EXPECT_EQ(static_cast<int>((text.size() + 1023) / 1024), chunk_calls);

    chunks_read.clear();
    fail_platform_call(PlatformCall::Read, 5, 1);
    EXPECT_EQ(0, read_log_file(collect_chunk));
    EXPECT_EQ(text.substr(0, 1024), chunks_read);
}

}  // namespace
