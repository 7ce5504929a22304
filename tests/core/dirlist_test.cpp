// The scan directory list: marks overriding marks below, marks equal to the inherited
// one vanishing, prefixes that are not ancestors, drive and root directories, queries
// ending with a separator, the iteration, and the file with its normalisation on load.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dirlist.h"
#include "platform.h"
#include "scratch.h"

namespace {

const bool kWindowsPaths = kPathSeparator == '\\';
const std::string kSep(1, kPathSeparator);
// The text streams' line end on disk.
const std::string kEol = kWindowsPaths ? "\r\n" : "\n";

// Joins the parts with the platform's separator: p({"C:", "Images"}) is C:\Images.
std::string p(std::initializer_list<const char*> parts) {
    std::string out;
    for (const char* part : parts) {
        if (!out.empty()) out += kSep;
        out += part;
    }
    return out;
}

struct Visit {
    std::string path;
    bool below;
};

int record_visit(const char* path, bool below, void* context) {
    static_cast<std::vector<Visit>*>(context)->push_back({path, below});
    return 1;
}

int stop_after_first(const char* path, bool below, void* context) {
    record_visit(path, below, context);
    return 0;
}

class DirectoryListTest : public ::testing::Test {
  protected:
    void SetUp() override { empty_directory_list(); }
    void TearDown() override { empty_directory_list(); }

    void mark(const std::string& path, int included) { set_directory_mark(path.c_str(), included); }
    int included(const std::string& path) { return is_directory_included(path.c_str()); }
    bool below(const std::string& path) { return has_included_below(path.c_str()); }

    // The list as its file would hold it, one "-"-prefixed or plain path per entry.
    std::vector<std::string> saved_lines() {
        const std::string file = scratch_.file("saved.dfo");
        EXPECT_EQ(1, save_directory_list_file(file.c_str()));
        const Bytes text = read_whole_file(file);
        const std::string header = "!" + kEol + "!\tInkhound scan directories - don't edit" + kEol +
                                   "!" + kEol;
        EXPECT_EQ(header, text.substr(0, header.size()));
        std::vector<std::string> lines;
        std::size_t at = header.size();
        while (at < text.size()) {
            const std::size_t end = text.find(kEol, at);
            EXPECT_NE(std::string::npos, end) << "every line ends with " << kEol.size() << " bytes";
            if (end == std::string::npos) break;
            lines.push_back(text.substr(at, end - at));
            at = end + kEol.size();
        }
        return lines;
    }

    void load_text(const std::string& text) {
        const std::string file = scratch_.write("load.dfo", text);
        ASSERT_EQ(1, load_directory_list_file(file.c_str()));
    }

    ScratchDir scratch_;
};

TEST_F(DirectoryListTest, ExclusionBelowAnInclusionIsStoredAndAnswered) {
    mark(p({"C:", "Images"}), 1);
    mark(p({"C:", "Images", "Old"}), 0);
    EXPECT_EQ((std::vector<std::string>{p({"C:", "Images"}), "-" + p({"C:", "Images", "Old"})}),
              saved_lines());
    EXPECT_EQ(1, included(p({"C:", "Images", "New"})));
    EXPECT_EQ(0, included(p({"C:", "Images", "Old", "2000"})));
    EXPECT_EQ(0, included(p({"C:", "Image"})));
    EXPECT_EQ(0, included(p({"C:", "Other"})));
}

TEST_F(DirectoryListTest, MarkEqualToTheInheritedOneVanishes) {
    mark(p({"C:", "Images"}), 1);
    mark(p({"C:", "Images", "Old"}), 0);
    mark(p({"C:", "Images", "Old"}), 1);
    EXPECT_EQ((std::vector<std::string>{p({"C:", "Images"})}), saved_lines());
    EXPECT_EQ(1, included(p({"C:", "Images", "Old"})));

    mark(p({"C:", "Images"}), 0);  // the only top-level entry
    EXPECT_TRUE(saved_lines().empty());
    EXPECT_EQ(nullptr, directory_list.root.first_child);

    mark(p({"C:", "Nothing"}), 0);  // nothing listed below, same as the root: no entry
    EXPECT_TRUE(saved_lines().empty());
}

TEST_F(DirectoryListTest, ANewMarkOverridesEveryMarkBelowIt) {
    mark(p({"C:", "A"}), 1);
    mark(p({"C:", "A", "X"}), 0);
    mark(p({"C:", "A", "X", "Y"}), 1);
    mark(p({"C:", "A"}), 0);
    EXPECT_TRUE(saved_lines().empty());
    EXPECT_EQ(0, included(p({"C:", "A", "X", "Y"})));

    mark(p({"C:", "A", "X"}), 1);
    mark(p({"C:", "A", "Y"}), 1);
    mark(p({"C:", "B"}), 1);
    mark(p({"C:", "A"}), 1);  // takes the place of the first entry it absorbs
    EXPECT_EQ((std::vector<std::string>{p({"C:", "A"}), p({"C:", "B"})}), saved_lines());
}

TEST_F(DirectoryListTest, APrefixThatIsNotAParentDirectoryIsASibling) {
    mark(p({"C:", "A"}), 1);
    mark(p({"C:", "AB"}), 1);
    EXPECT_EQ((std::vector<std::string>{p({"C:", "A"}), p({"C:", "AB"})}), saved_lines());
    mark(p({"C:", "A"}), 1);
    mark(p({"C:", "A"}), 0);
    EXPECT_EQ((std::vector<std::string>{"-" + p({"C:", "A"}), p({"C:", "AB"})}), saved_lines());
    EXPECT_EQ(1, included(p({"C:", "AB", "X"})));
    EXPECT_EQ(0, included(p({"C:", "A", "X"})));
    EXPECT_FALSE(below(p({"C:", "A"})));
}

TEST_F(DirectoryListTest, QueriesEndingWithASeparator) {
    mark(p({"C:", "A"}), 1);
    EXPECT_EQ(0, included("C:" + kSep));
    EXPECT_TRUE(below("C:" + kSep));
    EXPECT_EQ(1, included(p({"C:", "A"}) + kSep));
    EXPECT_FALSE(below("D:" + kSep));

    empty_directory_list();
    mark("C:", 1);
    mark(p({"C:", "A"}), 0);
    EXPECT_EQ(1, included("C:" + kSep));
    EXPECT_EQ(1, included("C:"));
    EXPECT_EQ(1, included(p({"C:", "B"})));
    EXPECT_EQ(0, included(p({"C:", "A"}) + kSep));
    EXPECT_EQ((std::vector<std::string>{"C:", "-" + p({"C:", "A"})}), saved_lines());
}

TEST_F(DirectoryListTest, TrailingSeparatorsAreNotStored) {
    mark(p({"C:", "A"}) + kSep + kSep, 1);
    mark("C:" + kSep, 1);  // a drive root asked as the tree names it
    EXPECT_EQ((std::vector<std::string>{"C:"}), saved_lines());
}

TEST_F(DirectoryListTest, TheRootDirectoryKeepsItsSeparatorAndItsChildren) {
    if (kWindowsPaths) GTEST_SKIP() << "drive roots are written as the letter and a colon";
    mark("/", 1);
    mark("/tmp", 0);
    EXPECT_EQ(1, included("/"));
    EXPECT_EQ(1, included("/home/user"));
    EXPECT_EQ(0, included("/tmp/x"));
    EXPECT_EQ(0, included("/tmp"));
    EXPECT_EQ((std::vector<std::string>{"/", "-/tmp"}), saved_lines());

    const std::string file = scratch_.file("root.dfo");
    ASSERT_EQ(1, save_directory_list_file(file.c_str()));
    ASSERT_EQ(1, load_directory_list_file(file.c_str()));
    EXPECT_EQ((std::vector<std::string>{"/", "-/tmp"}), saved_lines());
    std::vector<Visit> visits;
    for_each_scan_directory(record_visit, &visits);
    ASSERT_EQ(1u, visits.size());
    EXPECT_EQ("/", visits[0].path);
    EXPECT_TRUE(visits[0].below);
}

TEST_F(DirectoryListTest, MarkingAnAncestorAbsorbsTopLevelEntries) {
    mark(p({"C:", "A", "X"}), 1);
    mark(p({"C:", "A", "Y"}), 1);
    mark(p({"C:", "A"}), 1);
    EXPECT_EQ((std::vector<std::string>{p({"C:", "A"})}), saved_lines());
}

TEST_F(DirectoryListTest, LetterCaseFollowsThePlatform) {
    mark(p({"C:", "Images"}), 1);
    // One rule for the whole program: the platform's own comparison.
    const bool ignores_case = platform_path_equal("a", "A", 1);
    EXPECT_EQ(ignores_case ? 1 : 0, included(p({"c:", "images", "new"})));
    mark(p({"c:", "IMAGES"}), 1);
    EXPECT_EQ(ignores_case ? 1u : 2u, saved_lines().size());
}

TEST_F(DirectoryListTest, HasIncludedBelowLooksOnlyBelowThePath) {
    mark(p({"C:", "Images"}), 1);
    mark(p({"C:", "Images", "Old"}), 0);
    mark(p({"D:", "Pics"}), 1);
    // Removing C:\Images keeps it as an excluded entry beside D:\Pics.
    mark(p({"C:", "Images"}), 0);
    EXPECT_EQ((std::vector<std::string>{"-" + p({"C:", "Images"}), p({"D:", "Pics"})}),
              saved_lines());
    EXPECT_FALSE(below("C:" + kSep));
    EXPECT_FALSE(below(p({"C:", "Images"})));
    EXPECT_TRUE(below("D:" + kSep));

    empty_directory_list();
    mark(p({"C:", "A"}), 1);
    mark(p({"C:", "A", "X"}), 0);
    mark(p({"C:", "A", "X", "Keep"}), 1);
    EXPECT_EQ(0, included(p({"C:", "A", "X"})));
    EXPECT_TRUE(below(p({"C:", "A", "X"})));
    EXPECT_FALSE(below(p({"C:", "A", "X", "Keep", "Deeper"})));
}

TEST_F(DirectoryListTest, IterationPassesIncludedTopLevelEntriesInOrder) {
    mark(p({"C:", "B"}), 1);
    mark(p({"C:", "B", "Old"}), 0);
    mark(p({"C:", "A"}), 1);
    mark(p({"C:", "Z"}), 1);
    mark(p({"C:", "Z"}), 0);  // survives beside its siblings, but is not scanned
    std::vector<Visit> visits;
    EXPECT_EQ(1, for_each_scan_directory(record_visit, &visits));
    ASSERT_EQ(2u, visits.size());
    EXPECT_EQ(p({"C:", "B"}), visits[0].path);
    EXPECT_TRUE(visits[0].below);
    EXPECT_EQ(p({"C:", "A"}), visits[1].path);
    EXPECT_FALSE(visits[1].below);

    visits.clear();
    EXPECT_EQ(0, for_each_scan_directory(stop_after_first, &visits));
    EXPECT_EQ(1u, visits.size());
}

TEST_F(DirectoryListTest, LoadingNormalisesTheFile) {
    const std::string text = "!\n!\tInkhound scan directories - don't edit\n!\n" +
                             p({"C:", "A"}) + "\r\n" +
                             p({"C:", "B"}) + "\n" +
                             "-" + p({"C:", "A", "X"}) + "\n" +  // after a later sibling
                             "      \n" +                          // spaces only
                             "-\n" +                               // a hyphen alone
                             "\n" +
                             "   " + p({"C:", "C"}) + "\n" +       // leading spaces
                             "  ! a comment\n" +
                             "-" + p({"C:", "D"}) + "\n" +          // same as the root
                             p({"C:", "A", "Y"}) + "\n" +           // same as its parent
                             p({"C:", "E"}) + kSep + "\n" +         // trailing separator
                             p({"C:", "F"});                        // no line end
    load_text(text);
    EXPECT_EQ((std::vector<std::string>{p({"C:", "A"}), "-" + p({"C:", "A", "X"}), p({"C:", "B"}),
                                        p({"C:", "C"}), p({"C:", "E"}), p({"C:", "F"})}),
              saved_lines());
}

TEST_F(DirectoryListTest, OverlongLinesAreSkippedWhole) {
    const std::string longest = p({"C:", ""}) + std::string(kPathLimit - 1 - 3, 'x');
    ASSERT_EQ(kPathLimit - 1, longest.size());
    const std::string too_long = longest + "y";
    const std::string text = longest + "\n" +                    // fits: kept
                             "-" + longest + kSep + "sub\n" +      // longer: skipped
                             too_long + "\n" +                     // skipped, not split
                             std::string(3 * kPathLimit, 'z') + "\n" +
                             std::string("C:") + std::string(1, '\0') + "X\n" +  // a zero byte
                             p({"C:", "Kept"}) + "\n";
    load_text(text);
    EXPECT_EQ((std::vector<std::string>{longest, p({"C:", "Kept"})}), saved_lines());
}

TEST_F(DirectoryListTest, MissingFileGivesAnEmptyList) {
    mark(p({"C:", "A"}), 1);
    EXPECT_EQ(0, load_directory_list_file(scratch_.file("absent.dfo").c_str()));
    EXPECT_EQ(nullptr, directory_list.root.first_child);
    load_directory_list();  // none beside the test program either
    EXPECT_EQ(nullptr, directory_list.root.first_child);
}

TEST_F(DirectoryListTest, UnwritableFileIsReportedToTheCaller) {
    mark(p({"C:", "A"}), 1);
    const std::string folder = scratch_.make_dir("folder.dfo");
    EXPECT_EQ(0, save_directory_list_file(folder.c_str()));
    EXPECT_EQ(1, included(p({"C:", "A"})));
}

}  // namespace
