// The directory walker and the immediate scan: what is checked, skipped and entered, the
// stop between entries, the list filter, directories that cannot be walked, paths past
// the limit, and a verdict's entries.
#include <gtest/gtest.h>

#include "settings/dirlist.h"
#include "tests/support/walk_fixture.h"

namespace {

using Lines = std::vector<std::string>;

// Entries named after an attribute get it, as the system would set it.
void mark_by_name(DirectoryEntry* entry) {
    const std::string name = entry->name;
    if (name.rfind("hidden", 0) == 0) entry->attributes |= kAttributeHidden;
    if (name.rfind("system", 0) == 0) entry->attributes |= kAttributeSystem;
    if (name.rfind("temp", 0) == 0) entry->attributes |= kAttributeTemporary;
}

// The files-seen counter: raises the stop while the first file is being checked.
void stop_in_first_check(std::int32_t files_seen) {
    if (files_seen == 1) scan_control.immediate_stop_requested = true;
}

// Entries fetched after the stop: each walk still running may fetch one more, but no
// further directory may be opened.
int fetched_after_stop;
void count_after_stop(DirectoryEntry*) {
    fetched_after_stop += scan_control.immediate_stop_requested ? 1 : 0;
}

int scanner_stops;

// An edit of the list made after the first file, as the settings window makes it while a
// background scan is paused there.
std::string folders[3];  // p, p/hold and p/other
void (*edit_after_first_file)();
void edit_once(std::int32_t) {
    if (edit_after_first_file != nullptr) edit_after_first_file();
    edit_after_first_file = nullptr;
}

class WalkerTest : public WalkFixture {
   protected:
    // `relative`, its parts joined with "/", inside the scratch directory.
    std::string at(std::string relative) const {
        std::replace(relative.begin(), relative.end(), '/', kPathSeparator);
        return scratch_.file(relative);
    }
    int walk(const std::string& directory, bool recurse = true, bool background = false) {
        return walk_directory(directory.c_str(), recurse, false, background, options_);
    }
    int scan_list() {
        return perform_immediate_scan({true, nullptr, 0, true, nullptr, nullptr}, options_);
    }
};

TEST_F(WalkerTest, WhatIsCheckedSkippedAndEntered) {
    directory_entry_hook = mark_by_name;  // Wine keeps no temporary attribute, POSIX none
    for (const char* dir : {"sub/deeper", "empty", ".git", "dir.old", "hidden", "system", "temp"})
        scratch_.make_dir(dir);
    for (const char* file :
         {"a.gif", "sub/b.gif", "sub/.dotted.gif", "dir.old/x.gif", ".git/x.gif", "hidden/x.gif",
          "system/x.gif", "temp/x.gif", "hidden.gif", "system.gif", "temp.gif"})
        scratch_.write(file, kGif);
    scratch_.write("notes.txt", "plain text");         // no listed extension: seen, not opened
    scratch_.write("sub/deeper/m.tif", "plain text");  // a listed extension, another file

    EXPECT_EQ(1, walk(scratch_.path()));
    EXPECT_EQ((Lines{at("a.gif"), at("dir.old/x.gif"), at("sub/.dotted.gif"), at("sub/b.gif")}),
              entries(5));
    EXPECT_EQ(Lines{at("sub/deeper/m.tif") + ": File is mis-labelled"}, entries(15));
    EXPECT_EQ(6, test_scan().files_seen.load());
    EXPECT_EQ(5, test_scan().files_checked.load());
}

TEST_F(WalkerTest, AStopInANestedDirectoryEndsTheWholeScan) {
    scratch_.make_dir("first/nested");
    scratch_.make_dir("second");
    for (const char* file : {"first/nested/a.gif", "first/nested/b.gif", "second/later.gif"})
        scratch_.write(file, kGif);
    const std::string first = at("first"), second = at("second");
    const char* directories[] = {first.c_str(), second.c_str()};
    set_directory_mark(first.c_str(), 1);
    set_directory_mark(second.c_str(), 1);
    test_scan().progress_count_on = true;
    test_scan().show_progress_count = stop_in_first_check;
    directory_entry_hook = count_after_stop;
    for (const bool whole_list : {true, false}) {
        SCOPED_TRACE(whole_list ? "the whole list" : "directories given");
        sink_.clear();
        fetched_after_stop = 0;
        scan_control.immediate_stop_requested = false;  // as the start of a scan does
        EXPECT_EQ(0, perform_immediate_scan({whole_list, directories, 2, true, nullptr, nullptr},
                                            options_));
        // The file being checked is finished; nothing after it is begun.
        const Lines all = entries();
        ASSERT_EQ(5u, all.size());
        EXPECT_EQ(0u, all[1].rfind("5 " + at("first/nested"), 0)) << all[1];
        EXPECT_EQ("-1 @Immediate scan stopped by user", all[3]);
        EXPECT_GE(2, fetched_after_stop);
    }
}

// The scanner says stop once, after the first file: only the nested walk's result can end
// the walks around it.
TEST_F(WalkerTest, BackgroundWalksAskTheScannerAndPassItsStopOutwards) {
    scratch_.make_dir("a/b");
    for (const char* name : {"a/b/c.gif", "a/b/d.gif"}) scratch_.write(name, kGif);
    scan_control.immediate_stop_requested = true;  // not read by a background walk
    scanner_stops = 0;
    test_scan().pause_or_stop_check = [] {
        return test_scan().files_seen == 1 && ++scanner_stops == 1;
    };
    EXPECT_EQ(0, walk(scratch_.path(), true, true));
    EXPECT_EQ(1, test_scan().files_seen.load());
}

// A missing directory and the scan's framing are the command-line tests'; an empty path
// is refused as missing, not taken for the current folder.
TEST_F(WalkerTest, AnEmptyDirectoryPathIsRefusedAsMissing) {
    EXPECT_EQ(1, walk(""));
    EXPECT_EQ(Lines{"@: open failure on directory: " + std::to_string(kErrorPathNotFound)},
              entries(1));
}

// A sink tells the cause of an open failure by its code, whether the walker or the check
// met it, and only while that entry is in the sink.
TEST_F(WalkerTest, AnOpenFailureHandsItsCodeToTheSink) {
    scratch_.write("a.gif", kGif);
    scratch_.write("b.gif", kGif);
    const std::string code = std::to_string(kErrorTooManyOpenFiles);
    struct Case {
        PlatformCall call;
        const char* message;
        std::size_t entries;
    };
    const Case cases[] = {
        {PlatformCall::Directory, "open failure on directory: ", 1},
        {PlatformCall::Open, "open failure: ", 2},  // the other file's verdict follows
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        sink_.clear();
        fail_platform_call(c.call, kErrorTooManyOpenFiles, 0, 1);
        walk(scratch_.path());
        ASSERT_EQ(c.entries, sink_.entries().size());
        for (const CollectedEntry& entry : sink_.entries()) {
            const bool failure = entry.category == 1;
            EXPECT_EQ(failure ? c.message + code : "", entry.message);
            EXPECT_EQ(failure ? kErrorTooManyOpenFiles : 0, entry.open_failure_error);
        }
        EXPECT_EQ(0, test_scan().open_failure_error);
    }
}

TEST_F(WalkerTest, TheListFilterFollowsTheMarks) {
    scratch_.make_dir("top/skip/keep");
    scratch_.make_dir("top/other");
    scratch_.make_dir("b/c");
    for (const char* file : {"top/a.gif", "top/skip/b.gif", "top/skip/keep/c.gif",
                             "top/other/d.gif", "b/e.gif", "b/c/f.gif"})
        scratch_.write(file, kGif);
    set_directory_mark(at("top").c_str(), 1);
    set_directory_mark(at("top/skip").c_str(), 0);
    set_directory_mark(at("top/skip/keep").c_str(), 1);
    // An included directory below an excluded top-level entry, as the settings window
    // leaves it before the list is saved and loaded again.
    set_directory_mark(at("b/c").c_str(), 1);
    set_directory_mark(at("b").c_str(), 0);
    set_directory_mark(at("b/c").c_str(), 1);
    EXPECT_EQ(1, scan_list());
    // An excluded directory's files stay unchecked; an included one below it is reached.
    EXPECT_EQ(
        (Lines{at("b/c/f.gif"), at("top/a.gif"), at("top/other/d.gif"), at("top/skip/keep/c.gif")}),
        entries(5));
}

// Five files in p/hold and p/other, each walked and counted once however the folders are
// named or the list is edited meanwhile; a folder whose identity cannot be had is walked
// all the same.
TEST_F(WalkerTest, NoScanWalksAFolderTwice) {
    const char* names[] = {"p", "p/hold", "p/other"};
    for (int i = 0; i < 3; ++i) {
        scratch_.make_dir(names[i]);
        folders[i] = at(names[i]);
    }
    for (const char* file :
         {"hold/a.gif", "hold/b.gif", "hold/c.gif", "other/d.gif", "other/e.gif"})
        scratch_.write(std::string("p/") + file, kGif);
    const struct {
        const char* name;
        std::vector<int> listed;  // the list, or without `edit` the directories given
        void (*edit)();
    } cases[] = {
        {"their parent added", {1, 2}, [] { set_directory_mark(folders[0].c_str(), 1); }},
        {"the walked folder replaced by its subfolders",
         {0},
         [] {
             set_directory_mark(folders[0].c_str(), 0);
             for (int i : {1, 2}) set_directory_mark(folders[i].c_str(), 1);
         }},
        {"an ancestor after", {1, 0, 2}, nullptr},
        {"an ancestor before, and twice", {0, 1, 0}, nullptr},
        {"no identities", {0}, nullptr},  // the one case of a single directory given
    };
    test_scan().progress_count_on = true;
    test_scan().show_progress_count = edit_once;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sink_.clear();
        empty_directory_list();
        if (c.listed.size() == 1 && !c.edit) fail_platform_call(PlatformCall::Identity, 5, 0, -1);
        std::vector<const char*> directories;
        for (int i : c.listed) {
            set_directory_mark(folders[i].c_str(), 1);
            directories.push_back(folders[i].c_str());
        }
        edit_after_first_file = c.edit;
        const int count = static_cast<int>(directories.size());
        EXPECT_EQ(1, perform_immediate_scan(
                         {c.edit != nullptr, directories.data(), count, true, nullptr, nullptr},
                         options_));
        EXPECT_EQ(5u, entries(5).size());
        EXPECT_EQ(5, test_scan().files_seen.load());
    }
}

TEST_F(WalkerTest, AnEntryWhosePathWouldPassTheLimitIsReportedAndPassedOver) {
    // The directory's own path is padded with "." components to just under the limit.
    std::string padded = scratch_.path();
    const std::size_t target = kPathSeparator == '\\' ? 250 : kPathLimit - 16;
    while (padded.size() + 2 <= target) padded += std::string(1, kPathSeparator) + ".";
    scratch_.write("a.gif", kGif);
    scratch_.write(std::string(40, 'n') + ".gif", kGif);
    // A directory whose path fits, but not with what its enumeration appends.
    const std::string tight(kPathLimit - 2 - padded.size(), 'd');
    scratch_.make_dir(tight);
    EXPECT_EQ(1, walk(padded));
    // The directory is the line's name, the refused entry is in the message, and a refused
    // file counts as seen.
    Lines refused = {"@" + padded + ": path too long: " + std::string(40, 'n') + ".gif"};
    if (kDirectorySearchSuffix > 0) refused.push_back("@" + padded + ": path too long: " + tight);
    std::sort(refused.begin(), refused.end());
    EXPECT_EQ(refused, entries(1));
    EXPECT_EQ(Lines{padded + kPathSeparator + "a.gif"}, entries(5));
    EXPECT_EQ(2, test_scan().files_seen.load());
    EXPECT_EQ(1, test_scan().files_checked.load());
}

// A path with percent signs shows that neither the path nor the message is taken as a
// format.
TEST_F(WalkerTest, AVerdictBecomesUpToThreeFilteredEntries) {
    const char* both = "possibly both CMYK and RGB";
    struct Case {
        Verdict verdict;
        bool embedded_jpeg;
        std::uint16_t flags;
        Lines entries;
    };
    const Case cases[] = {
        {Verdict::PossiblyBoth, false, 0x01, {"8 " + std::string(both)}},
        {Verdict::PossiblyBoth, false, 0x03, {"7 " + std::string(both), "8 " + std::string(both)}},
        {Verdict::CmykAndRgb, true, 0x13, {"2 ", "3 ", "6 "}},
        {Verdict::Cmyk, false, 0x1D, {}},
        {Verdict::NothingToReport, true, 0x10, {"6 "}},
        {Verdict::Invalid, false, 0x07, {}},
        {Verdict::Invalid, false, 0x08, {"13 File looks to be invalid"}},
        {Verdict::Mislabelled, false, 0x00, {"15 File is mis-labelled"}},
        {Verdict::IoError, false, 0x00, {"1 File I/O error"}},
        {Verdict::Undetermined,
         true,
         0x18,
         {"12 Can't determine if RGB or CMYK", "6 Can't determine if RGB or CMYK"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("verdict " + std::to_string(static_cast<int>(c.verdict)) + " flags " +
                     std::to_string(c.flags));
        sink_.clear();
        zero_scan_counters(&test_scan());
        const int made = report_verdict("C:\\100%d%s.eps", c.verdict, c.embedded_jpeg, c.flags);
        Lines got;
        for (const CollectedEntry& e : sink_.entries()) {
            EXPECT_EQ("C:\\100%d%s.eps", e.name);
            EXPECT_TRUE(e.timestamp.empty());
            got.push_back(std::to_string(e.category) + " " + e.message);
        }
        EXPECT_EQ(c.entries, got);
        EXPECT_EQ(static_cast<int>(c.entries.size()), made);
        EXPECT_EQ(made, test_scan().files_logged.load());
    }
}

}  // namespace
