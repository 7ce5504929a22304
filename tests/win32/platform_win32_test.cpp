// The Win32 platform layer under a real Windows API (Wine): sharing, positions, the
// version query, the module path and case-blind path comparison.
#include <gtest/gtest.h>

#include <cstring>

#include "platform.h"
#include "scratch.h"
#include "win32.h"

namespace {

TEST(Win32Platform, CheckOpensAFileAnotherProgramIsWriting) {
    ScratchDir scratch;
    const std::string path = scratch.write("busy.tif", "II*\0");
    const HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    const PlatformFile file = platform_open_read(path.c_str());
    EXPECT_TRUE(is_open(file));
    platform_close(file);
    CloseHandle(writer);
}

TEST(Win32Platform, OpenFailuresCarryTheSystemCode) {
    ScratchDir scratch;
    EXPECT_FALSE(is_open(platform_open_read(scratch.file("missing.tif").c_str())));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, static_cast<DWORD>(platform_last_error()));
    const std::string dir = scratch.make_dir("folder.tif");
    EXPECT_FALSE(is_open(platform_open_read(dir.c_str())));
    EXPECT_EQ(ERROR_ACCESS_DENIED, static_cast<DWORD>(platform_last_error()));
}

TEST(Win32Platform, PositionsAreUnsigned32Bit) {
    ScratchDir scratch;
    const std::string path = scratch.write("small.tif", "0123456789");
    const PlatformFile file = platform_open_read(path.c_str());
    ASSERT_TRUE(is_open(file));
    std::uint32_t where = 0;
    // Past 2 GiB: a signed distance would be refused as a negative seek.
    ASSERT_EQ(1, platform_seek(file, 0xFFFFFFF0u, &where));
    EXPECT_EQ(0xFFFFFFF0u, where);
    ASSERT_EQ(1, platform_tell(file, &where));
    EXPECT_EQ(0xFFFFFFF0u, where);
    char buffer[8];
    std::uint32_t got = 99;
    EXPECT_EQ(1, platform_read(file, buffer, sizeof buffer, &got));
    EXPECT_EQ(0u, got);
    platform_close(file);
}

TEST(Win32Platform, IdentityModulePathAndCaseBlindPaths) {
    EXPECT_EQ(2, platform_query_id());  // Wine reports an NT version by default
    char path[kPathLimit];
    ASSERT_EQ(1, platform_module_path(path, sizeof path));
    EXPECT_NE(nullptr, std::strstr(path, "inkhound_core_tests"));
    char tiny[4];
    EXPECT_EQ(0, platform_module_path(tiny, sizeof tiny));
    EXPECT_TRUE(platform_path_equal("C:\\Images", "c:\\IMAGES", 9));
    EXPECT_FALSE(platform_path_equal("C:\\Images", "C:\\Imagex", 9));
}

}  // namespace
