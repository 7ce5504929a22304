// The log file sink and its merge: the log by logging flags, headers once per section,
// which entries raise found_something, a shorter log replacing a longer one, the previous
// log left alone on any failure, section files gone, failures through the fault switch,
// reading the log back, and the report read from sections kept in memory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>

#include "tests/support/collect_sink.h"
#include "report/logfile.h"
#include "settings/options.h"
#include "report/report.h"
#include "tests/support/scratch.h"
#include "tests/support/time_stamps.h"

namespace {

namespace fs = std::filesystem;

const std::string kStart = "T  Starting a background scan\r\n";
const std::string kEnd = "\r\nT  Finished the background scan\r\n* * * totals * * *\r\n";

struct Entry {
    int category;
    const char* name;
    const char* message = "";
    bool stamped = false;
};

std::vector<std::string> chunks;

class LogFileTest : public ::testing::Test {
   protected:
    void SetUp() override {
        reset_core_state();
        ASSERT_EQ(1, set_log_directory(scratch_.path().c_str()));
        reset_log_slots();
        test_scan().sink = log_file_sink;
    }
    void TearDown() override {
        log_file.files_on_demand = false;
        close_log_slots();
        set_log_directory(nullptr);
        test_scan().sink = nullptr;
    }

    // One background scan's entries between its start and closing lines.
    void scan(std::uint16_t logging_flags, const std::vector<Entry>& entries) {
        test_scan().logging_flags = logging_flags;
        report(1, ReportCategory::General, nullptr, "Starting a background scan");
        for (const Entry& e : entries)
            report(e.stamped, static_cast<ReportCategory>(e.category), e.name, "%s", e.message);
        report(0, ReportCategory::Summary, nullptr, nullptr);
        report(1, ReportCategory::Summary, nullptr, "Finished the background scan");
        report(0, ReportCategory::Summary, nullptr, "* * * totals * * *");
    }
    // The log with each timestamp written as "T".
    std::string log() const {
        return mask_time_stamps(read_whole_file(scratch_.file(kLogFileName)));
    }
    // Every section file closed and gone, and the slots ready for the next scan.
    bool only_the_log_is_left() const {
        for (const LogSlot& slot : log_file.slots)
            if (is_open(slot.file) || slot.header_written) return false;
        for (const auto& item : fs::directory_iterator(scratch_.path()))
            if (item.path().filename() != kLogFileName) return false;
        return !log_file.slots_prepared;
    }

    ScratchDir scratch_;
};

// Each scan's log replaces the one before, so every case also shows that nothing of a
// longer log is left behind; leftover section files of a crash are not reused.
TEST_F(LogFileTest, TheLogByLoggingFlags) {
    for (const char* name : {"Inkhound.tm0", "Inkhound.tm1"}) scratch_.write(name, "left over\r\n");
    const std::vector<Entry> many(200, Entry{3, "a-rather-long-name-for-a-file.tif"});
    std::string many_lines;
    for (int i = 0; i < 200; ++i) many_lines += "    a-rather-long-name-for-a-file.tif\r\n";
    const std::string rgb = "\r\n===== Files that are or seem to be RGB =====\r\n";
    const std::string cmyk = "\r\n===== Files that are or seem to be CMYK =====\r\n";
    // clang-format off
    const struct {
        const char* why; std::uint16_t flags; std::vector<Entry> entries;
        std::string log; bool found;
    } cases[] = {
        {"a log of many chunks", 0x01, many, kStart + rgb + many_lines + kEnd, true},
        {"0x01, no findings: four lines", 0x01, {}, kStart + kEnd, false},
        {"0x10, no JPEG in EPS: empty", 0x10, {{3, "x.jpg"}}, "", true},
        {"0x10: that section alone", 0x10,
         {{6, "a.eps"}, {13, "b.eps", "File looks to be invalid"}, {6, "c.eps"}},
         "\r\n===== EPS files that have embedded JPEGs =====\r\n    a.eps\r\n    c.eps\r\n", true},
        {"0: nothing, though found", 0, {{2, "cmyk.tif"}}, "", true},
        {"sections by mask", 0x0A,
         {{3, "r.tif"}, {2, "c.tif"}, {5, "g.gif"}, {6, "e.eps"}, {12, "u.tif", "Can't determine"}},
         kStart + cmyk + "    c.tif\r\n\r\n===== Files that are of an unknown colour =====\r\n"
             "    u.tif: Can't determine\r\n" + kEnd, true},
        {"headers once, entries interleaved", 0x1F,
         {{3, "r1.tif"}, {2, "c1.tif"}, {8, "r2.eps", "possibly RGB"},
          {1, "gone.tif", "open failure: 2", true}, {7, "c2.eps", "possibly CMYK"},
          {15, "m.tif", "File is mis-labelled"}, {3, "r3.tif"}},
         kStart + rgb + "    r1.tif\r\n    r2.eps: possibly RGB\r\n    r3.tif\r\n" + cmyk +
             "    c1.tif\r\n    c2.eps: possibly CMYK\r\n"
             "\r\n===== Files that generated errors =====\r\n"
             "T  gone.tif: open failure: 2\r\n    m.tif: File is mis-labelled\r\n" + kEnd, true},
        {"categories without a section", 0x1F, {{4, "x"}, {9, "x"}, {14, "x"}, {99, "x"}},
         kStart + kEnd, false},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        reset_log_slots();
        scan(c.flags, c.entries);
        EXPECT_EQ(c.found, log_file.found_something.load());
        EXPECT_TRUE(merge_log_files());
        EXPECT_TRUE(fs::exists(scratch_.file(kLogFileName)));
        EXPECT_EQ(c.log, log());
        EXPECT_TRUE(only_the_log_is_left());
    }
}

// Findings raise it even when nothing is logged; errors of the scan do not.
TEST_F(LogFileTest, OnlyFindingsRaiseFoundSomething) {
    const std::set<int> raising = {2, 3, 5, 6, 7, 8, 10, 11, 13, 15};
    for (int category = -2; category <= 16; ++category) {
        SCOPED_TRACE(category);
        log_file.found_something = false;
        report(0, static_cast<ReportCategory>(category), "x", nullptr);
        EXPECT_EQ(raising.count(category) == 1, log_file.found_something.load());
    }
}

// The writes: each section's gathered entries (the start line's first, then the header
// with its entry) as the merge begins, then the merge's copy. A
// section that lost entries is merged without them, as the sink drops them; a log that
// cannot be written whole never replaces the previous one, except that a log another
// program holds without delete sharing is written over in place. Nothing is left beside
// it, and the outcome says what became of the log and why.
TEST_F(LogFileTest, FailuresAreToldToTheCallerAndOnlyAWholeLogReplacesThePrevious) {
    // The code of a target held elsewhere, on either system.
    const int held = platform_replace_was_held(16) ? 16 : 32;
    struct Fault {
        PlatformCall call;
        int error, skip;
    };
    const Fault none = {PlatformCall::Count, 0, 0};
    const LogOutcome whole = LogOutcome::Whole, cut = LogOutcome::Incomplete,
                     older = LogOutcome::NotWritten;
    // clang-format off
    const struct { const char* what; Fault fault, then; LogOutcome outcome; int error; } cases[] = {
        {"first section write", {PlatformCall::Write, 28, 0}, none, cut, 28},
        {"header and entry write", {PlatformCall::Write, 28, 1}, none, cut, 28},
        {"section file", {PlatformCall::SectionFile, 28, 0}, none, cut, 28},
        {"merge write", {PlatformCall::Write, 28, 3}, none, older, 28},
        {"section read", {PlatformCall::Read, 28, 0}, none, older, 28},
        {"replace", {PlatformCall::Rename, 28, 0}, none, older, 28},
        {"log open", {PlatformCall::OpenWrite, 28, 0}, none, older, 28},
        {"held: written in place", {PlatformCall::Rename, held, 0}, none, whole, 0},
        {"held, and not to be written", {PlatformCall::Rename, held, 0},
         {PlatformCall::OpenWrite, 13, 1}, older, 13},
        {"held, no room for the new log", {PlatformCall::Rename, held, 0},
         {PlatformCall::Write, 28, 6}, older, 28},
        {"held, cut off in place", {PlatformCall::Rename, held, 0},
         {PlatformCall::Write, 28, 7}, cut, 28}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string previous =
            "the previous scan, longer than the next one\r\n" + kStart + kEnd;
        scratch_.write(kLogFileName, previous);
        reset_log_slots();
        // A refused replacement is retried on Windows while the target is held.
        for (const Fault& f : {c.fault, c.then})
            if (f.error != 0)
                fail_platform_call(f.call, f.error, f.skip,
                                   f.call == PlatformCall::Rename ? -1 : 1);
        scan(0x1F, {{3, "new.tif"}});
        EXPECT_EQ(c.outcome == whole, merge_log_files());
        clear_platform_faults();
        EXPECT_TRUE(only_the_log_is_left());
        EXPECT_EQ(c.outcome, log_file.outcome);
        EXPECT_EQ(c.error, log_file.outcome_error);
        EXPECT_EQ(c.outcome == older, log() == previous) << log();
        // The note above such a log gives the system's reason.
        char note[kLogNoteSize], reason[256];
        platform_error_text(c.error, reason, sizeof reason);
        EXPECT_EQ(c.outcome != whole, format_log_note(note, sizeof note) == 1);
        EXPECT_EQ(c.outcome != whole, std::strstr(note, reason) != nullptr) << note;
        if (c.outcome == whole) {
            EXPECT_EQ(kStart +
                          "\r\n===== Files that are or seem to be RGB =====\r\n    new.tif\r\n" +
                          kEnd,
                      log());
        }
    }
}

TEST_F(LogFileTest, SectionFilesAreGoneAfterAnAbnormalEnd) {
    // The child ends without merging. The folder is named after the test program, so that
    // a Windows child, which runs this test from its start, finds the same one.
    char program[kPathLimit];
    ASSERT_EQ(1, platform_module_path(program, sizeof program));
    const fs::path folder =
        fs::temp_directory_path() /
        ("inkhound-abnormal-end-" + std::to_string(std::hash<std::string>{}(program)));
    fs::remove_all(folder);
    EXPECT_EXIT(
        {
            fs::create_directories(folder);
            set_log_directory(folder.string().c_str());
            reset_log_slots();
            test_scan().logging_flags = 0x1F;
            report(0, ReportCategory::Rgb, "x.tif", nullptr);
            std::_Exit(is_open(log_file.slots[1].file) ? 3 : 4);
        },
        ::testing::ExitedWithCode(3), "");
    EXPECT_TRUE(fs::is_empty(folder));
    fs::remove_all(folder);
}

// Sections kept in memory give the merged log's text; a section gets its file only when
// it outgrows the memory, and one whose file cannot be made then makes the report
// incomplete.
TEST_F(LogFileTest, SectionsKeptInMemoryReadAsTheMergedLog) {
    const std::vector<Entry> few = {{3, "r.tif"}, {2, "c.tif"}, {1, "gone.tif", "open failure: 2"}};
    const std::vector<Entry> many(3000, Entry{3, "a-rather-long-name-for-a-file.tif"});
    for (const auto* entries : {&few, &many}) {
        reset_log_slots();
        scan(0x1F, *entries);
        ASSERT_TRUE(merge_log_files());
        const std::string merged = log();
        fs::remove(scratch_.file(kLogFileName));

        log_file.files_on_demand = true;
        reset_log_slots();
        scan(0x1F, *entries);
        // Only a section larger than the memory has a file.
        EXPECT_EQ(entries == &many, is_open(log_file.slots[1].file));
        EXPECT_FALSE(is_open(log_file.slots[0].file));
        char buffer[100];
        chunks.clear();
        EXPECT_EQ(1,
                  read_sections([](const char* c) { chunks.push_back(c); }, buffer, sizeof buffer));
        std::string text;
        for (const std::string& chunk : chunks) text += chunk;
        EXPECT_EQ(merged, mask_time_stamps(text));
        EXPECT_TRUE(fs::is_empty(scratch_.path())) << "no log, no section file left";
        log_file.files_on_demand = false;
    }
    log_file.files_on_demand = true;
    reset_log_slots();
    fail_platform_call(PlatformCall::SectionFile, 28);
    scan(0x1F, many);
    clear_platform_faults();
    char buffer[100];
    EXPECT_EQ(0, read_sections([](const char*) {}, buffer, sizeof buffer));
    EXPECT_EQ(28, log_file.entry_error);
}

TEST_F(LogFileTest, TheLogIsReadBackInChunks) {
    const LogChunkCallback collect = [](const char* chunk) { chunks.push_back(chunk); };
    EXPECT_EQ(0, read_log_file(collect));
    EXPECT_TRUE(chunks.empty()) << "no log, no call";
    const std::string text = std::string(1024, 'a') + std::string(1024, 'b') + "c\r\n";
    scratch_.write(kLogFileName, text);
    EXPECT_EQ(1, read_log_file(collect));
    ASSERT_EQ((text.size() + 1023) / 1024, chunks.size());
    EXPECT_EQ(text.substr(0, 1024), chunks[0]);
}

}  // namespace
