// The options record: defaults per platform, copies that never share a list, apply, and
// the lock rules of the settings table.
#include <gtest/gtest.h>

#include <cstring>

#include "collect_sink.h"
#include "options.h"

namespace {

class OptionsTest : public ::testing::Test {
  protected:
    void SetUp() override { reset_core_state(); }
    void TearDown() override { reset_core_state(); }
};

TEST_F(OptionsTest, DefaultsDependOnThePlatform) {
    for (int id : {0, 1, 2}) {
        SCOPED_TRACE(id);
        platform_state.platform_id = id;
        Options options = {};
        set_default_options(&options);
        EXPECT_EQ(id == 2 ? 0x2F : 0x2E, options.file_scan_flags);
        EXPECT_EQ(0x01, options.background_scan_flags);
        EXPECT_EQ(0x0E, options.alerts);
        EXPECT_EQ(0x01, options.logging_flags);
        EXPECT_EQ(15, options.scanning_period);
        EXPECT_STREQ(".TIF;.TIFF", options.tiff_extensions.get());
        EXPECT_STREQ(".JPG;.JPEG;.JPE;.JFI;.JFIF", options.jpeg_extensions.get());
        EXPECT_STREQ(".EPS;.EPSF", options.eps_extensions.get());
        EXPECT_STREQ(".GIF", options.gif_extensions.get());
    }
}

TEST_F(OptionsTest, ApplyCopiesWithListsOfItsOwn) {
    set_default_options(&working_options);
    working_options.gif_extensions.reset();
    working_options.logging_flags = 0x1F;
    apply_options();
    EXPECT_TRUE(options_state.options_applied);
    EXPECT_EQ(0x1F, live_options.logging_flags);
    EXPECT_EQ(nullptr, live_options.gif_extensions.get());  // absent stays absent
    ASSERT_NE(nullptr, live_options.tiff_extensions.get());
    EXPECT_NE(working_options.tiff_extensions.get(), live_options.tiff_extensions.get());

    working_options.tiff_extensions[1] = 'X';
    working_options.jpeg_extensions.reset();
    EXPECT_STREQ(".TIF;.TIFF", live_options.tiff_extensions.get());
    EXPECT_STREQ(".JPG;.JPEG;.JPE;.JFI;.JFIF", live_options.jpeg_extensions.get());

    release_options(&working_options);
    EXPECT_EQ(0, working_options.file_scan_flags);
    EXPECT_EQ(nullptr, working_options.eps_extensions.get());
    EXPECT_STREQ(".EPS;.EPSF", live_options.eps_extensions.get());
}

TEST_F(OptionsTest, LockMaskFollowsThePlatform) {
    const int expected[3] = {0x09, 0x05, 0x03};
    for (int id : {0, 1, 2}) {
        platform_state.platform_id = id;
        EXPECT_EQ(expected[id], lock_mask()) << id;
    }
    platform_state.platform_id = 7;
    EXPECT_EQ(0x09, lock_mask());
}

TEST_F(OptionsTest, LockedControlsPerPlatform) {
    struct Case {
        int platform;
        int control_id;
        bool locked;
    };
    const Case cases[] = {
        {2, 105, true},  {1, 105, true},  {0, 105, true},    // "Embedded": always
        {2, 101, false}, {1, 101, true},  {0, 101, true},    // Macintosh types: NT only
        {2, 109, false}, {1, 109, false}, {0, 109, true},    // extension fields
        {2, 107, false}, {1, 107, false}, {0, 107, true},    // "Examine file extensions"
        {0, 203, false}, {0, 213, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("platform " + std::to_string(c.platform) + " control " +
                     std::to_string(c.control_id));
        platform_state.platform_id = c.platform;
        const SettingBinding* row = nullptr;
        for (const SettingBinding& binding : settings_table)
            if (binding.control_id == c.control_id) row = &binding;
        ASSERT_NE(nullptr, row);
        EXPECT_EQ(c.locked, is_setting_locked(*row));
    }
}

TEST_F(OptionsTest, StoringLockedRowsClearsTheirFields) {
    platform_state.platform_id = 0;
    Options options = {};
    set_default_options(&options);
    options.file_scan_flags = 0x7F;
    options.scanning_period = 20;
    for (const SettingBinding& binding : settings_table)
        if (is_setting_locked(binding)) clear_locked_setting(binding, &options);
    // Macintosh types, "Embedded" and "Examine file extensions" are cleared; the lists
    // are absent, so the check then matches no extension against them.
    EXPECT_EQ(0x7F & ~(0x01 | 0x40 | 0x20), options.file_scan_flags);
    EXPECT_EQ(nullptr, options.tiff_extensions.get());
    EXPECT_EQ(nullptr, options.gif_extensions.get());
    EXPECT_EQ(20, options.scanning_period);
}

}  // namespace
