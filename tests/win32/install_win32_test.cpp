// Installation and the splash against the real system: a shortcut made and read back
// through the shell's link object, and the splash resource expanded through the real LZ
// functions into a bitmap the splash accepts.
#include <gtest/gtest.h>

#include "platform/win32/win32.h"

#include <cstdlib>
#include <memory>
#include <string>

#include "install/installation.h"
#include "install/win32/install.h"
#include "install/win32/remove.h"
#include "splash/win32/splash.h"
#include "tests/support/scratch.h"

namespace {

TEST(Shortcuts, MadeInAMissingGroupAndReadBack) {
    ScratchDir folder;
    ASSERT_TRUE(create_shortcut(folder.path().c_str(), kProgramGroup, kProgramFileName,
                                "C:\\Tarnholt, Inc\\", kShortcutName, kStartupArguments));
    char target[kInstallPathSize];
    const std::string link = folder.file("Tarnholt\\Inkhound.lnk");
    read_shortcut_target(link.c_str(), target);
    EXPECT_STREQ("C:\\Tarnholt, Inc\\Inkhound.exe", target);
    EXPECT_TRUE(is_program_link_target(target));

    read_shortcut_target(folder.write("broken.lnk", "not a link").c_str(), target);
    EXPECT_STREQ("", target);
    DeleteFileA(link.c_str());
    RemoveDirectoryA(folder.file("Tarnholt").c_str());
}

// Run in a scratch current directory: the expansion's temporary file goes there.
class SplashResource : public ::testing::Test {
  protected:
    void SetUp() override {
        GetCurrentDirectoryA(sizeof previous_, previous_);
        SetCurrentDirectoryA(scratch_.path().c_str());
    }
    void TearDown() override { SetCurrentDirectoryA(previous_); }
    ScratchDir scratch_;
    char previous_[MAX_PATH] = {};
    std::unique_ptr<unsigned char[]> buffer_{new unsigned char[kSplashBufferSize]};
};

TEST_F(SplashResource, ExpandsToTheShippedBitmapAndLeavesNoFile) {
    const int length = expand_splash_image(GetModuleHandleA(nullptr), buffer_.get(),
                                           kSplashBufferSize);
    ASSERT_GT(length, 0);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(scratch_.file(kSplashTempFile).c_str()));
    SplashBitmap bitmap = {};
    ASSERT_TRUE(check_splash_bitmap(buffer_.get(), static_cast<std::size_t>(length), &bitmap));
    EXPECT_EQ(244, bitmap.width);
    EXPECT_EQ(244, bitmap.height);
    EXPECT_EQ(40u + 4 * 256, bitmap.pixel_offset);
    // An expansion that fills the buffer is too long to be the image.
    EXPECT_EQ(-1, expand_splash_image(GetModuleHandleA(nullptr), buffer_.get(),
                                      static_cast<std::size_t>(length)));
}

TEST_F(SplashResource, AUsersFileOfThatNameIsLeftAlone) {
    const std::string own = scratch_.write(kSplashTempFile, "the user's own");
    EXPECT_EQ(-1, expand_splash_image(GetModuleHandleA(nullptr), buffer_.get(),
                                      kSplashBufferSize));
    EXPECT_EQ("the user's own", read_whole_file(own));
    DeleteFileA(own.c_str());
}

}  // namespace
