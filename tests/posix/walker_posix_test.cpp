// The walker and the scan's surroundings where POSIX differs from Windows: symbolic
// links, FIFOs and devices (the private folder and the interrupts are the command-line
// tests').
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <cstring>
#include <unistd.h>

#include "settings/dirlist.h"
#include "tests/support/walk_fixture.h"

namespace {

class PosixWalkerTest : public WalkFixture {};

// Links to directories are not followed, links to files are checked as files; FIFOs and
// devices, also behind links, are passed over uncounted. Where links to directories are
// entered, as Windows enters junctions (and Wine Unix links), one back up the walk's own
// path is not, nor one to a folder the scan has walked already.
TEST_F(PosixWalkerTest, LinksFifosAndDevices) {
    const std::string root = scratch_.path();
    scratch_.make_dir("sub");
    scratch_.write("sub/real.gif", kGif);
    ASSERT_EQ(0, mkfifo((root + "/pipe.gif").c_str(), 0600));
    const char* links[][2] = {{"..", "sub/up"},
                              {root.c_str(), "sub/top"},
                              {"real.gif", "sub/link.gif"},
                              {"nowhere.gif", "sub/gone.gif"},
                              {"/dev/null", "null.gif"},
                              {"pipe.gif", "to-pipe.gif"}};
    for (const auto& link : links)
        ASSERT_EQ(0, symlink(link[0], (root + "/" + link[1]).c_str())) << link[1];
    EXPECT_EQ(1, walk_directory(root.c_str(), true, false, false, options_));
    EXPECT_EQ((std::vector<std::string>{root + "/sub/link.gif", root + "/sub/real.gif"}),
              entries(5));
    // A link whose target is missing goes to the check, which says why it cannot open it.
    EXPECT_EQ(std::vector<std::string>{"@" + root + "/sub/gone.gif: open failure: 2"}, entries(1));
    EXPECT_EQ(3, test_scan().files_seen.load());
    EXPECT_EQ(2, test_scan().files_checked.load());
    directory_entry_hook = [](DirectoryEntry* entry) {
        if (std::strcmp(entry->name, "up") == 0) entry->is_directory = !(entry->pass_over = false);
    };
    ASSERT_EQ(0, symlink(root.c_str(), (root + "/self").c_str()));
    for (const char* listed : {"/sub", "/self"}) set_directory_mark((root + listed).c_str(), 1);
    sink_.clear();
    EXPECT_EQ(1, perform_immediate_scan({true, nullptr, 0, true, nullptr, nullptr}, options_));
    EXPECT_EQ((std::vector<std::string>{root + "/sub/link.gif", root + "/sub/real.gif"}),
              entries(5));
}

// A file listed as regular and put out of reach between the listing and the check: a
// link gets the answer of a listed link, a pipe is never read as a file.
std::string swap_folder;

TEST_F(PosixWalkerTest, AFileSwappedAfterTheListing) {
    scratch_.make_dir("scan");
    scratch_.write("real.gif", kGif);
    swap_folder = scratch_.path() + "/scan";
    for (const char* name : {"link.gif", "null.gif", "gone.gif", "pipe.gif"})
        scratch_.write(std::string("scan/") + name, kGif);
    directory_entry_hook = [](DirectoryEntry* entry) {
        if (!entry->regular) return;
        const std::string name = entry->name, path = swap_folder + "/" + name;
        unlink(path.c_str());
        if (name == "pipe.gif")
            mkfifo(path.c_str(), 0600);
        else
            symlink(name == "link.gif"   ? "../real.gif"
                    : name == "null.gif" ? "/dev/null"
                                         : "-",
                    path.c_str());
    };
    walk_directory(swap_folder.c_str(), true, false, false, options_);
    directory_entry_hook = nullptr;
    EXPECT_EQ(std::vector<std::string>{swap_folder + "/link.gif"}, entries(5));
    EXPECT_EQ((std::vector<std::string>{swap_folder + "/pipe.gif: File I/O error",
                                        "@" + swap_folder + "/gone.gif: open failure: 2",
                                        "@" + swap_folder + "/null.gif: open failure: 22",
                                        "@" + swap_folder + "/pipe.gif: read error: 29"}),
              entries(1));
    EXPECT_EQ(4, test_scan().files_seen.load());
    EXPECT_EQ(2, test_scan().files_checked.load());
}

}  // namespace
