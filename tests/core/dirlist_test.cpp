// The scan directory list: marks overriding marks below, marks equal to the inherited
// one vanishing, prefixes that are not parents, drive and root directories, queries
// ending with a separator, the iteration, and the file with its normalisation on load.
#include <gtest/gtest.h>

#include <sstream>

#include "settings/dirlist.h"
#include "platform/platform.h"
#include "tests/support/scratch.h"

namespace {

using Lines = std::vector<std::string>;
const bool kWindows = kPathSeparator == '\\';
const std::string kEol = kWindows ? "\r\n" : "\n";  // a text stream's line end on disk

// Paths written with backslashes, in the platform's separator.
std::string native(std::string text) {
    for (char& c : text) c = c == '\\' ? kPathSeparator : c;
    return text;
}
// Space-separated paths.
Lines paths(const std::string& text) {
    Lines out;
    std::istringstream words(native(text));
    for (std::string word; words >> word;) out.push_back(word);
    return out;
}

// The file holding these entry lines.
std::string file_of(const Lines& lines) {
    std::string text = "!" + kEol + "!\tInkhound scan directories - don't edit" + kEol + "!" + kEol;
    for (const std::string& line : lines) text += line + kEol;
    return text;
}

class DirectoryListTest : public ::testing::Test {
   protected:
    void SetUp() override { empty_directory_list(); }

    // Sets the marks in order: a path includes, a hyphen and a path excludes.
    void mark(const char* marks) {
        for (const std::string& m : paths(marks))
            set_directory_mark(m.c_str() + (m[0] == '-'), m[0] == '-' ? 0 : 1);
    }
    // The saved file.
    std::string saved() {
        const std::string file = scratch_.file("saved.dfo");
        EXPECT_EQ(1, save_directory_list_file(file.c_str()));
        return read_whole_file(file);
    }
    void load(const std::string& text) {
        ASSERT_EQ(1, load_directory_list_file(scratch_.write("load.dfo", text).c_str()));
    }

    ScratchDir scratch_;
};

TEST_F(DirectoryListTest, MarksTheFileAndTheAnswers) {
    // The marks set in order, the file's lines afterwards, paths is_directory_included
    // gives 1 and 0 for, and paths has_included_below says yes and no for.
    struct Case {
        const char *marks, *saved, *included, *excluded, *below, *not_below;
    };
    const Case cases[] = {
        {"C:\\Images -C:\\Images\\Old", "C:\\Images -C:\\Images\\Old", "C:\\Images\\New",
         "C:\\Images\\Old\\2000 C:\\Image C:\\Other", "C:\\ C:\\Images", "C:\\Images\\Old D:\\"},
        // A mark equal to the inherited one is not kept.
        {"C:\\Images -C:\\Images\\Old C:\\Images\\Old", "C:\\Images", "C:\\Images\\Old", "", "",
         ""},
        {"C:\\Images -C:\\Images -C:\\Nothing", "", "", "C:\\Images C:\\Nothing", "", "C:\\"},
        // A new mark overrides every mark below it, taking the first one's place.
        {"C:\\A -C:\\A\\X C:\\A\\X\\Y -C:\\A", "", "", "C:\\A\\X\\Y", "", ""},
        {"C:\\A\\X C:\\A\\Y C:\\B C:\\A", "C:\\A C:\\B", "C:\\A\\Y", "", "", ""},
        // A prefix that is not a parent directory.
        {"C:\\A C:\\AB C:\\A -C:\\A", "-C:\\A C:\\AB", "C:\\AB\\X", "C:\\A\\X", "", "C:\\A"},
        {"C:\\AB C:\\A", "C:\\AB C:\\A", "C:\\AB C:\\A", "", "", ""},
        // A same-mark entry survives beside a sibling; below looks only below the path.
        {"C:\\Images -C:\\Images\\Old D:\\Pics -C:\\Images", "-C:\\Images D:\\Pics", "",
         "C:\\Images", "D:\\", "C:\\ C:\\Images"},
        // Queries ending with a separator, a drive's root asked as the tree asks it.
        {"C:\\A", "C:\\A", "C:\\A\\", "C:\\ C:", "C:\\", "D:\\"},
        {"C: -C:\\A", "C: -C:\\A", "C:\\ C: C:\\B", "C:\\A\\ C:\\A\\X", "C:\\", ""},
        // Trailing separators are not stored.
        {"C:\\A\\\\ C:\\", "C:", "C:\\A", "", "", ""},
        // Letter case counts on Linux only.
        {"C:\\Images c:\\IMAGES", kWindows ? "C:\\Images" : "C:\\Images c:\\IMAGES",
         kWindows ? "c:\\images\\new" : "", kWindows ? "" : "c:\\images\\new", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.marks);
        empty_directory_list();
        mark(c.marks);
        EXPECT_EQ(file_of(paths(c.saved)), saved());
        for (auto& p : paths(c.included)) EXPECT_EQ(1, is_directory_included(p.c_str())) << p;
        for (auto& p : paths(c.excluded)) EXPECT_EQ(0, is_directory_included(p.c_str())) << p;
        for (auto& p : paths(c.below)) EXPECT_TRUE(has_included_below(p.c_str())) << p;
        for (auto& p : paths(c.not_below)) EXPECT_FALSE(has_included_below(p.c_str())) << p;
    }
}

TEST_F(DirectoryListTest, TheRootDirectoryKeepsItsSeparatorThroughTheFile) {
    if (kWindows) GTEST_SKIP() << "a drive's root is written as its letter and a colon";
    load(file_of({"/", "-/tmp"}));
    EXPECT_EQ(file_of({"/", "-/tmp"}), saved());
    EXPECT_EQ(1, is_directory_included("/home/user"));
    EXPECT_EQ(0, is_directory_included("/tmp/x"));
}

// An excluded top-level entry is passed when an included one lies below it: "Scan now"
// must reach it without the list being saved and loaded again.
TEST_F(DirectoryListTest, IterationPassesTopLevelEntriesThatHoldIncludedOnesInOrder) {
    // C:\E ends up excluded with an excluded C:\E\A before an included C:\E\In.
    mark(
        "C:\\B -C:\\B\\Old C:\\A C:\\Z -C:\\Z C:\\E\\A -C:\\E C:\\E\\A C:\\E\\In -C:\\E\\A "
        "-C:\\F -C:\\F\\X");
    Lines visits;
    const ScanDirectoryCallback visit = [](const char* path, bool below, void* out) {
        static_cast<Lines*>(out)->push_back(path + std::string(below ? "+" : ""));
        return 1;
    };
    EXPECT_EQ(1, for_each_scan_directory(visit, &visits));
    EXPECT_EQ(paths("C:\\B+ C:\\A C:\\E+"), visits);
}

// A scan paused inside the iteration while the settings window edits the list: the
// entry it stands on may be gone when it resumes (under the sanitizers a stale pointer
// fails this test).
TEST_F(DirectoryListTest, TheListMayChangeWhileACallbackRuns) {
    mark("C:\\A C:\\B");
    Lines visits;
    const ScanDirectoryCallback visit = [](const char* path, bool, void* out) {
        static_cast<Lines*>(out)->push_back(path);
        // A mark above frees both entries, the one the scan stands on among them.
        if (native("C:\\A") == path) set_directory_mark("C:", 1);
        return 1;
    };
    EXPECT_EQ(1, for_each_scan_directory(visit, &visits));
    EXPECT_EQ(paths("C:\\A C:"), visits);
}

TEST_F(DirectoryListTest, LoadingNormalisesTheFile) {
    const std::string longest = native("C:\\") + std::string(kPathLimit - 4, 'x');
    load(native("!\n!\tInkhound scan directories - don't edit\n!\nC:\\A\r\nC:\\B\n"
                "-C:\\A\\X\n"              // after a later sibling: lands under its parent
                "      \n-\n\n   C:\\C\n"  // spaces only, a lone hyphen, leading spaces
                "  ! a comment\n-C:\\D\nC:\\A\\Y\n"  // the same mark as the root's, the parent's
                "C:\\E\\\n") +
         longest + "\n" +                                              // fits: kept
         "-" + longest + kPathSeparator + "sub\n" + longest + "y\n" +  // too long: skipped
         std::string(3 * kPathLimit, 'z') + "\n" +                     // skipped whole, not split
         std::string("C:\0X\n", 5) + native("C:\\F"));                 // a zero byte; no line end
    EXPECT_EQ(file_of(paths("C:\\A -C:\\A\\X C:\\B C:\\C C:\\E " + longest + " C:\\F")), saved());
    // A missing file loads as an empty list.
    EXPECT_EQ(0, load_directory_list_file(scratch_.file("absent.dfo").c_str()));
    EXPECT_EQ(nullptr, directory_list.root.first_child);
}

}  // namespace
