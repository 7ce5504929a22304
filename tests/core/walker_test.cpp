// The directory walker and the immediate scan's framing: what is checked, skipped and
// entered, the stop between entries, the list filter, unreadable and missing
// directories, paths past the limit, and the closing lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "collect_sink.h"
#include "counters.h"
#include "dirlist.h"
#include "options.h"
#include "platform.h"
#include "scratch.h"
#include "walker.h"

namespace {

const bool kWindowsPaths = kPathSeparator == '\\';
const std::string kSep(1, kPathSeparator);
const Bytes kGif("GIF89a\x01\x00\x01\x00", 10);
const Bytes kText("plain text, no signature\n");

std::string p(std::initializer_list<std::string> parts) {
    std::string out;
    for (const std::string& part : parts) {
        if (!out.empty()) out += kSep;
        out += part;
    }
    return out;
}

// What the tests' enumeration seam does to the entries it sees.
struct SeamState {
    int stop_at_delivery;  // raise the stop flag at this delivery of an "s"-named entry
    int deliveries;
};
SeamState seam;

void mark_by_name(DirectoryEntry* entry) {
    const std::string name = entry->name;
    if (name.rfind("hidden", 0) == 0) entry->attributes |= kAttributeHidden;
    if (name.rfind("system", 0) == 0) entry->attributes |= kAttributeSystem;
    if (name.rfind("temp", 0) == 0) entry->attributes |= kAttributeTemporary;
}

void stop_at_s_entry(DirectoryEntry* entry) {
    if (entry->name[0] != 's') return;
    if (++seam.deliveries == seam.stop_at_delivery)
        scan_control.immediate_stop_requested.store(true);
}

void stop_during_first_check(std::int32_t files_seen) {
    if (files_seen == 1) scan_control.immediate_stop_requested.store(true);
}

std::vector<std::int32_t> progress_calls;
void record_progress(std::int32_t files_seen) { progress_calls.push_back(files_seen); }

int background_checks;
bool stop_on_first_background_check() {
    ++background_checks;
    return true;
}

class WalkerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        reset_core_state();
        set_default_options(&options_);
        options_.file_scan_flags = kCheckTiff | kCheckJpeg | kCheckEps | kWarnGif | kExamineExtensions;
        options_.logging_flags = 0x1F;
        scan_control.immediate_stop_requested = false;
        scan_control.pause_or_stop_check = nullptr;
        directory_entry_hook = nullptr;
        seam = SeamState{0, 0};
        progress_calls.clear();
        background_checks = 0;
        empty_directory_list();
    }
    void TearDown() override {
        directory_entry_hook = nullptr;
        show_progress_count = nullptr;
        scan_control.immediate_stop_requested = false;
        scan_control.pause_or_stop_check = nullptr;
        empty_directory_list();
        release_options(&options_);
    }

    int walk(const std::string& directory, bool recurse = true) {
        return walk_directory(directory.c_str(), recurse, false, false, options_);
    }

    int scan_list() {
        ImmediateScanTargets targets = {};
        targets.whole_list = true;
        return perform_immediate_scan(targets, options_);
    }

    // Paths of the file entries the walker made, sorted.
    std::vector<std::string> logged() const {
        std::vector<std::string> out;
        for (const CollectedEntry& entry : sink_.entries())
            if (entry.category > 1) out.push_back(entry.name);
        std::sort(out.begin(), out.end());
        return out;
    }

    std::vector<CollectedEntry> errors() const {
        std::vector<CollectedEntry> out;
        for (const CollectedEntry& entry : sink_.entries())
            if (entry.category == 1) out.push_back(entry);
        return out;
    }

    Options options_ = {};
    ScratchDir scratch_;
    CollectingSink sink_;
};

TEST_F(WalkerTest, ChecksEveryFileBelowAndCountsThem) {
    scratch_.write("a.gif", kGif);
    scratch_.write("notes.txt", kText);  // no listed extension: seen, never opened
    scratch_.make_dir(p({"sub", "deeper"}));
    scratch_.write(p({"sub", "b.gif"}), kGif);
    scratch_.write(p({"sub", ".dotted.gif"}), kGif);  // a dot file is checked
    scratch_.write(p({"sub", "deeper", "m.tif"}), kText);
    scratch_.make_dir("empty");

    EXPECT_EQ(1, walk(scratch_.path()));
    const std::string root = scratch_.path();
    EXPECT_EQ((std::vector<std::string>{p({root, "a.gif"}), p({root, "sub", ".dotted.gif"}),
                                        p({root, "sub", "b.gif"}),
                                        p({root, "sub", "deeper", "m.tif"})}),
              logged());
    for (const CollectedEntry& entry : sink_.entries()) {
        SCOPED_TRACE(entry.name);
        EXPECT_TRUE(entry.timestamp.empty());
        if (entry.name.find("m.tif") != std::string::npos) {
            EXPECT_EQ(15, entry.category);
            EXPECT_EQ("File is mis-labelled", entry.message);
        } else {
            EXPECT_EQ(5, entry.category);
            EXPECT_EQ("", entry.message);
        }
    }
    EXPECT_EQ(5, scan_counters.files_seen.load());
    EXPECT_EQ(4, scan_counters.files_checked.load());
    EXPECT_EQ(4, scan_counters.files_logged.load());
}

TEST_F(WalkerTest, WithoutRecursionSubdirectoriesArePassedOver) {
    scratch_.write("a.gif", kGif);
    scratch_.make_dir("sub");
    scratch_.write(p({"sub", "b.gif"}), kGif);
    EXPECT_EQ(1, walk(scratch_.path(), false));
    EXPECT_EQ((std::vector<std::string>{p({scratch_.path(), "a.gif"})}), logged());
}

TEST_F(WalkerTest, DirectoriesWhoseNamesBeginWithADotAreNotEntered) {
    for (const char* name : {".git", ".cache", "dir.old"}) {
        scratch_.make_dir(name);
        scratch_.write(p({name, "x.gif"}), kGif);
    }
    EXPECT_EQ(1, walk(scratch_.path()));
    EXPECT_EQ((std::vector<std::string>{p({scratch_.path(), "dir.old", "x.gif"})}), logged());
    EXPECT_EQ(1, scan_counters.files_seen.load());
}

TEST_F(WalkerTest, HiddenSystemAndTemporaryEntriesAreNeitherCheckedNorEntered) {
    directory_entry_hook = mark_by_name;
    for (const char* prefix : {"hidden", "system", "temp"}) {
        SCOPED_TRACE(prefix);
        const std::string dir = std::string(prefix) + "-dir";
        scratch_.make_dir(dir);
        scratch_.write(p({dir, "inside.gif"}), kGif);
        scratch_.write(std::string(prefix) + "-file.gif", kGif);
    }
    scratch_.write("plain.gif", kGif);
    EXPECT_EQ(1, walk(scratch_.path()));
    EXPECT_EQ((std::vector<std::string>{p({scratch_.path(), "plain.gif"})}), logged());
    EXPECT_EQ(1, scan_counters.files_seen.load());
}

TEST_F(WalkerTest, AStopInANestedDirectoryEndsTheWholeScan) {
    const std::string first = scratch_.make_dir("first");
    scratch_.make_dir(p({"first", "nested"}));
    for (const char* name : {"s1.gif", "s2.gif", "s3.gif", "s4.gif"})
        scratch_.write(p({"first", "nested", name}), kGif);
    const std::string second = scratch_.make_dir("second");
    scratch_.write(p({"second", "later.gif"}), kGif);
    set_directory_mark(first.c_str(), 1);
    set_directory_mark(second.c_str(), 1);
    directory_entry_hook = stop_at_s_entry;
    seam.stop_at_delivery = 2;  // the first "s" entry may be a directory's first entry

    EXPECT_EQ(0, scan_list());
    const std::vector<std::string> files = logged();
    EXPECT_GE(1u, files.size());
    for (const std::string& file : files) EXPECT_NE(std::string::npos, file.find("nested"));
    const std::vector<CollectedEntry>& entries = sink_.entries();
    ASSERT_GE(entries.size(), 3u);
    EXPECT_EQ("Immediate scan stopped by user", entries[entries.size() - 2].message);
    EXPECT_FALSE(scan_control.immediate_stop_requested.load()) << "cleared when the scan ends";
}

TEST_F(WalkerTest, TheFileBeingCheckedIsFinishedBeforeTheStop) {
    for (const char* name : {"a.gif", "b.gif", "c.gif"}) scratch_.write(name, kGif);
    scan_counters.progress_count_on = true;
    show_progress_count = stop_during_first_check;
    EXPECT_EQ(0, walk(scratch_.path()));
    EXPECT_EQ(1u, logged().size());
    EXPECT_EQ(1, scan_counters.files_seen.load());
    EXPECT_EQ(1, scan_counters.files_logged.load());
}

TEST_F(WalkerTest, BackgroundWalksAskTheScannerInstead) {
    for (const char* name : {"a.gif", "b.gif", "c.gif"}) scratch_.write(name, kGif);
    scan_control.immediate_stop_requested = true;  // not read by a background walk
    scan_control.pause_or_stop_check = stop_on_first_background_check;
    EXPECT_EQ(0, walk_directory(scratch_.path().c_str(), true, false, true, options_));
    EXPECT_EQ(1, background_checks);
    EXPECT_GE(1u, logged().size());  // only a first entry can have been handled
}

TEST_F(WalkerTest, AMissingListedDirectoryIsReportedAndPassedOver) {
    const std::string missing = scratch_.file("missing");
    const std::string present = scratch_.make_dir("present");
    scratch_.write(p({"present", "a.gif"}), kGif);
    set_directory_mark(missing.c_str(), 1);
    set_directory_mark(present.c_str(), 1);
    EXPECT_EQ(1, scan_list());
    const std::vector<CollectedEntry> failures = errors();
    ASSERT_EQ(1u, failures.size());
    EXPECT_EQ(missing, failures[0].name);
    EXPECT_FALSE(failures[0].timestamp.empty());
    // ERROR_PATH_NOT_FOUND on Windows, ENOENT on POSIX.
    EXPECT_EQ("open failure on directory: " + std::to_string(kWindowsPaths ? 3 : 2),
              failures[0].message);
    EXPECT_EQ((std::vector<std::string>{p({present, "a.gif"})}), logged());
}

TEST_F(WalkerTest, AnEnumerationFailureIsReportedOnce) {
    scratch_.write("a.gif", kGif);
    fail_platform_call(PlatformCall::Directory, 5);
    EXPECT_EQ(1, walk(scratch_.path()));
    const std::vector<CollectedEntry> failures = errors();
    ASSERT_EQ(1u, failures.size());
    EXPECT_EQ("open failure on directory: 5", failures[0].message);
    EXPECT_EQ(scratch_.path(), failures[0].name);
    EXPECT_TRUE(logged().empty());
}

TEST_F(WalkerTest, TheListFilterFollowsTheMarks) {
    const std::string top = scratch_.make_dir("top");
    scratch_.make_dir(p({"top", "skip", "keep"}));
    scratch_.make_dir(p({"top", "other"}));
    scratch_.write(p({"top", "a.gif"}), kGif);
    scratch_.write(p({"top", "skip", "b.gif"}), kGif);
    scratch_.write(p({"top", "skip", "keep", "c.gif"}), kGif);
    scratch_.write(p({"top", "other", "d.gif"}), kGif);
    set_directory_mark(top.c_str(), 1);
    set_directory_mark(p({top, "skip"}).c_str(), 0);
    set_directory_mark(p({top, "skip", "keep"}).c_str(), 1);
    EXPECT_EQ(1, scan_list());
    // An excluded directory's files stay unchecked, while an included directory below
    // it is still reached.
    EXPECT_EQ((std::vector<std::string>{p({top, "a.gif"}), p({top, "other", "d.gif"}),
                                        p({top, "skip", "keep", "c.gif"})}),
              logged());
    EXPECT_EQ(3, scan_counters.files_seen.load());
}

TEST_F(WalkerTest, AnEntryWhosePathWouldPassTheLimitIsReportedAndPassedOver) {
    // The directory's own path is padded to just under the limit with "." components.
    std::string padded = scratch_.path();
    const std::size_t target = kWindowsPaths ? 250 : kPathLimit - 16;
    while (padded.size() + 2 <= target) padded += kSep + ".";
    ASSERT_LT(padded.size() + 6, kPathLimit) << "room for a short name";
    scratch_.write("a.gif", kGif);
    scratch_.write(std::string(40, 'n') + ".gif", kGif);
    EXPECT_EQ(1, walk(padded));
    const std::vector<CollectedEntry> failures = errors();
    ASSERT_EQ(1u, failures.size());
    EXPECT_EQ(padded, failures[0].name);
    EXPECT_EQ("path too long", failures[0].message);
    EXPECT_FALSE(failures[0].timestamp.empty());
    EXPECT_EQ((std::vector<std::string>{p({padded, "a.gif"})}), logged());
    EXPECT_EQ(1, scan_counters.files_seen.load());
}

TEST_F(WalkerTest, AnImmediateScanIsFramedByItsStartAndClosingLines) {
    const std::string dir = scratch_.make_dir("one");
    scratch_.write(p({"one", "a.gif"}), kGif);
    scratch_.write(p({"one", "b.txt"}), kText);
    show_progress_count = record_progress;
    const char* directories[] = {dir.c_str()};
    ImmediateScanTargets targets = {false, directories, 1, true};
    EXPECT_EQ(1, perform_immediate_scan(targets, options_));

    const std::vector<CollectedEntry>& entries = sink_.entries();
    ASSERT_EQ(5u, entries.size());
    EXPECT_EQ(0, entries[0].category);
    EXPECT_FALSE(entries[0].has_name);
    EXPECT_FALSE(entries[0].timestamp.empty());
    EXPECT_EQ("Starting an immediate scan", entries[0].message);
    EXPECT_EQ(5, entries[1].category);
    EXPECT_EQ(-1, entries[2].category);
    EXPECT_EQ("\r\n", entries[2].line);
    EXPECT_EQ(-1, entries[3].category);
    EXPECT_FALSE(entries[3].timestamp.empty());
    EXPECT_EQ("Finished the immediate scan", entries[3].message);
    EXPECT_EQ(-1, entries[4].category);
    EXPECT_TRUE(entries[4].timestamp.empty());
    EXPECT_EQ("* * * 2 files seen, 1 files checked, 1 files logged * * *\r\n", entries[4].line);
    // The counter is only removed here: progress_count_on is off.
    EXPECT_EQ((std::vector<std::int32_t>{-1}), progress_calls);
}

TEST_F(WalkerTest, TheScanStopsAtTheFirstDirectoryThatWasStopped) {
    const std::string one = scratch_.make_dir("one");
    const std::string two = scratch_.make_dir("two");
    for (const char* name : {"s1.gif", "s2.gif", "s3.gif"}) scratch_.write(p({"one", name}), kGif);
    scratch_.write(p({"two", "z.gif"}), kGif);
    directory_entry_hook = stop_at_s_entry;
    seam.stop_at_delivery = 2;
    const char* directories[] = {one.c_str(), two.c_str()};
    ImmediateScanTargets targets = {false, directories, 2, true};
    EXPECT_EQ(0, perform_immediate_scan(targets, options_));
    for (const std::string& file : logged()) EXPECT_EQ(std::string::npos, file.find("z.gif"));
}

}  // namespace
