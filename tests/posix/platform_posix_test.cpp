// The POSIX platform layer where it differs from Windows: what may be opened as a file,
// the Samba layout of the Finder information, and the module path.
#include <gtest/gtest.h>

#include <errno.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <set>

#include "platform/platform.h"
#include "tests/support/scratch.h"

namespace {

TEST(PosixPlatform, FinderInfoAttributeIsReadWholeAndItsStartUsed) {
    ScratchDir scratch;
    const std::string path = scratch.write("typed", "x");
    const char* name = "user.DosStream.AFP_AfpInfo:$DATA";
    // Samba keeps the 60-byte stream and one zero byte more: 61 bytes, which a 60-byte
    // getxattr buffer would refuse with ERANGE.
    Bytes value = Bytes("AFP\0", 4) + fill(12, 1) + "TIFF" + fill(40, 2) + Bytes(1, '\0');
    if (setxattr(path.c_str(), name, value.data(), value.size(), 0) != 0)
        GTEST_SKIP() << "no user attributes on this file system";
    unsigned char out[kFinderInfoSize];
    EXPECT_EQ(60, platform_read_finder_info(path.c_str(), out));
    EXPECT_EQ(0, std::memcmp(out + 16, "TIFF", 4));

    value = Bytes("AFP\0", 4) + fill(12, 1) + "TIFF" + fill(39, 2) + Bytes(1, '\0');
    ASSERT_EQ(0, setxattr(path.c_str(), name, value.data(), value.size(), 0));
    EXPECT_EQ(59, platform_read_finder_info(path.c_str(), out));  // a short stream

    value = fill(300, 'z');
    ASSERT_EQ(0, setxattr(path.c_str(), name, value.data(), value.size(), 0));
    EXPECT_EQ(60, platform_read_finder_info(path.c_str(), out));

    EXPECT_EQ(-1, platform_read_finder_info(scratch.write("untyped", "x").c_str(), out));
}

TEST(PosixPlatform, ModulePathAndIdentity) {
    char path[kPathLimit];
    ASSERT_EQ(1, platform_module_path(path, sizeof path));
    EXPECT_EQ('/', path[0]);
    EXPECT_NE(nullptr, std::strstr(path, "inkhound_core_tests"));
    char tiny[4];
    EXPECT_EQ(0, platform_module_path(tiny, sizeof tiny));
    EXPECT_EQ(2, platform_query_id());
}

// The new contents arrive only with the commit, at a link's target, with the old mode;
// an abandoned or refused replacement leaves the old file, and nothing beside it.
TEST(PosixPlatform, ReplacementIsWholeOrNothing) {
    ScratchDir scratch;
    const std::string target = scratch.file("x.log");
    ASSERT_EQ(0, symlink("x.log", scratch.file("link.log").c_str()));
    const struct {
        const char* why;
        bool fail_rename;
        bool commit;
        const char* after;
    } cases[] = {
        {"committed", false, true, "new"},
        {"abandoned", false, false, "old"},
        {"rename refused", true, true, "old"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        scratch.write("x.log", "old");
        chmod(target.c_str(), 0640);
        PlatformReplacement replacement;
        ASSERT_EQ(1, platform_begin_replace(scratch.file("link.log").c_str(), &replacement));
        EXPECT_FALSE(replacement.in_place);
        ASSERT_EQ(1, platform_write(replacement.file, "new", 3));
        EXPECT_EQ("old", read_whole_file(target));
        if (c.fail_rename) fail_platform_call(PlatformCall::Rename, EXDEV);
        if (c.commit)
            EXPECT_EQ(c.fail_rename ? 0 : 1, platform_commit_replace(&replacement));
        else
            platform_abandon_replace(&replacement);
        clear_platform_faults();
        EXPECT_EQ(c.after, read_whole_file(target));
        struct stat info;
        ASSERT_EQ(0, stat(target.c_str(), &info));
        EXPECT_EQ(0640u, info.st_mode & 07777);
        std::set<std::string> names;
        for (const auto& item : std::filesystem::directory_iterator(scratch.path()))
            names.insert(item.path().filename().string());
        EXPECT_EQ((std::set<std::string>{"link.log", "x.log"}), names);
    }
    PlatformReplacement device;
    ASSERT_EQ(1, platform_begin_replace("/dev/null", &device));
    EXPECT_TRUE(device.in_place);
    EXPECT_EQ(1, platform_write(device.file, "x", 1));
    EXPECT_EQ(1, platform_commit_replace(&device));
}

}  // namespace
