// The walker and the scan's files where POSIX differs from Windows: symbolic links,
// FIFOs and sockets, unreadable directories, section files that never show in their
// folder, the private folder and the interrupt.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>

#include "collect_sink.h"
#include "counters.h"
#include "options.h"
#include "platform.h"
#include "scratch.h"
#include "walker.h"

namespace {

const Bytes kGif("GIF89a\x01\x00\x01\x00", 10);

class PosixWalkerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        reset_core_state();
        set_default_options(&options_);
        options_.file_scan_flags = kCheckTiff | kCheckJpeg | kCheckEps | kWarnGif | kExamineExtensions;
        options_.logging_flags = 0x1F;
        scan_control.immediate_stop_requested = false;
    }
    void TearDown() override { release_options(&options_); }

    std::vector<std::string> entries_of(int category) const {
        std::vector<std::string> out;
        for (const CollectedEntry& entry : sink_.entries())
            if (entry.category == category) out.push_back(entry.name + ": " + entry.message);
        std::sort(out.begin(), out.end());
        return out;
    }

    Options options_ = {};
    ScratchDir scratch_;
    CollectingSink sink_;
};

TEST_F(PosixWalkerTest, LinksToDirectoriesAreNotFollowedLinksToFilesAreChecked) {
    const std::string root = scratch_.path();
    scratch_.make_dir("sub");
    scratch_.write("sub/real.gif", kGif);
    ASSERT_EQ(0, symlink("..", (root + "/sub/up").c_str()));           // a loop
    ASSERT_EQ(0, symlink(root.c_str(), (root + "/sub/top").c_str()));  // another
    ASSERT_EQ(0, symlink("real.gif", (root + "/sub/link.gif").c_str()));
    ASSERT_EQ(0, symlink("nowhere.gif", (root + "/sub/gone.gif").c_str()));
    ASSERT_EQ(0, symlink("gone.gif", (root + "/sub/self.gif").c_str()));

    EXPECT_EQ(1, walk_directory(root.c_str(), true, false, false, options_));
    EXPECT_EQ((std::vector<std::string>{root + "/sub/link.gif: ", root + "/sub/real.gif: "}),
              entries_of(5));
    // A link whose target is missing goes to the check, which says why it cannot open it.
    EXPECT_EQ((std::vector<std::string>{root + "/sub/gone.gif: open failure: 2",
                                        root + "/sub/self.gif: open failure: 2"}),
              entries_of(1));
    EXPECT_EQ(4, scan_counters.files_seen.load());
    EXPECT_EQ(2, scan_counters.files_checked.load());
}

TEST_F(PosixWalkerTest, FifosSocketsAndDevicesArePassedOverUncounted) {
    const std::string root = scratch_.path();
    ASSERT_EQ(0, mkfifo((root + "/pipe.gif").c_str(), 0600));
    ASSERT_EQ(0, symlink("/dev/null", (root + "/null.gif").c_str()));
    ASSERT_EQ(0, symlink("pipe.gif", (root + "/to-pipe.gif").c_str()));
    const int s = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(s, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const std::string socket_path = root + "/socket.gif";
    if (socket_path.size() < sizeof address.sun_path) {
        std::memcpy(address.sun_path, socket_path.c_str(), socket_path.size() + 1);
        ASSERT_EQ(0, bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address));
    }
    scratch_.write("plain.gif", kGif);

    EXPECT_EQ(1, walk_directory(root.c_str(), true, false, false, options_));
    close(s);
    EXPECT_EQ((std::vector<std::string>{root + "/plain.gif: "}), entries_of(5));
    EXPECT_TRUE(entries_of(1).empty());
    EXPECT_EQ(1, scan_counters.files_seen.load());
}

TEST_F(PosixWalkerTest, AnUnreadableDirectoryIsReportedWithItsErrorCode) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
    const std::string locked = scratch_.make_dir("locked");
    scratch_.write("locked/x.gif", kGif);
    ASSERT_EQ(0, chmod(locked.c_str(), 0));
    EXPECT_EQ(1, walk_directory(scratch_.path().c_str(), true, false, false, options_));
    chmod(locked.c_str(), 0700);
    EXPECT_EQ((std::vector<std::string>{locked + ": open failure on directory: 13"}),
              entries_of(1));
}

TEST(PosixScanFiles, ASectionFileNeverShowsInItsFolder) {
    ScratchDir scratch;
    const std::string path = scratch.file("Inkhound.tm0");
    scratch.write("Inkhound.tm0", "left over from a crash");
    const PlatformFile file = platform_create_section_file(path.c_str());
    ASSERT_TRUE(is_open(file));
    EXPECT_TRUE(std::filesystem::is_empty(scratch.path()));
    ASSERT_EQ(1, platform_write(file, "abc", 3));
    std::uint32_t where = 0;
    ASSERT_EQ(1, platform_seek(file, 0, &where));
    char back[8] = {};
    std::uint32_t got = 0;
    ASSERT_EQ(1, platform_read(file, back, sizeof back, &got));
    EXPECT_EQ(std::string("abc"), std::string(back, got)) << "the leftover is not reused";
    platform_close(file);
}

TEST(PosixScanFiles, ThePrivateFolderIsTheUsersAlone) {
    char folder[kPathLimit];
    ASSERT_EQ(1, platform_make_private_directory(folder, sizeof folder));
    struct stat info;
    ASSERT_EQ(0, stat(folder, &info));
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(0700u, info.st_mode & 0777);
    EXPECT_EQ(1, platform_remove_directory(folder));
    EXPECT_NE(0, stat(folder, &info));
}

std::atomic<int> interrupts{0};
void count_interrupt() { ++interrupts; }

TEST(PosixScanFiles, TheFirstInterruptAsksTheSecondEnds) {
    interrupts = 0;
    ASSERT_EQ(1, platform_catch_interrupt(count_interrupt));
    raise(SIGINT);
    EXPECT_EQ(1, interrupts.load());
    // The handler has reverted to the default: a second interrupt ends the program.
    EXPECT_EXIT(raise(SIGINT), ::testing::KilledBySignal(SIGINT), "");
    signal(SIGINT, SIG_DFL);
}

}  // namespace
