// The options record: the defaults per platform, applied as a copy with lists of its own,
// and the lock rules of the settings table.
#include <gtest/gtest.h>

#include <vector>

#include "tests/support/collect_sink.h"
#include "settings/options.h"
#include "resources/resource.h"

namespace {

class OptionsTest : public ::testing::Test {
   protected:
    void SetUp() override { reset_core_state(); }
    void TearDown() override { reset_core_state(); }
};

TEST_F(OptionsTest, DefaultsApplyAsACopyWithListsOfItsOwn) {
    for (int id : {1, 2}) {
        SCOPED_TRACE(id);
        platform_state.platform_id = id;
        set_default_options(&working_options);
        apply_options();
        EXPECT_TRUE(options_state.options_applied);
        release_options(&working_options);
        EXPECT_EQ(0, working_options.file_scan_flags);
        EXPECT_EQ(nullptr, working_options.tiff_extensions.get());
        const Options& live = live_options;
        EXPECT_EQ((std::vector<int>{id == 2 ? 0x2F : 0x2E, 0x01, 0x0E, 0x01, 15}),
                  (std::vector<int>{live.file_scan_flags, live.background_scan_flags, live.alerts,
                                    live.logging_flags, live.scanning_period}));
        EXPECT_STREQ(".TIF;.TIFF", live.tiff_extensions.get());
        EXPECT_STREQ(".JPG;.JPEG;.JPE;.JFI;.JFIF", live.jpeg_extensions.get());
        EXPECT_STREQ(".EPS;.EPSF", live.eps_extensions.get());
        EXPECT_STREQ(".GIF", live.gif_extensions.get());
    }
    EXPECT_EQ(nullptr, duplicate_list(nullptr));  // an absent list stays absent
}

TEST_F(OptionsTest, LockedControlsPerPlatform) {
    // Locked or not on Windows NT, Windows 95/98 and any other platform.
    const std::pair<int, const char*> cases[] = {
        {IDC_EMBEDDED, "LLL"},           {IDC_USE_MAC_TYPES, "-LL"},   {IDC_TIFF_EXTENSIONS, "--L"},
        {IDC_EXAMINE_EXTENSIONS, "--L"}, {IDC_SCANNING_PERIOD, "---"}, {IDC_LOG_EPS_JPEGS, "---"},
    };
    for (const auto& c : cases) {
        const SettingBinding* row = nullptr;
        for (const SettingBinding& binding : settings_table)
            if (binding.control_id == c.first) row = &binding;
        ASSERT_NE(nullptr, row) << c.first;
        std::string locked;
        for (int id : {2, 1, 0}) {
            platform_state.platform_id = id;
            locked += is_setting_locked(*row) ? 'L' : '-';
        }
        EXPECT_EQ(c.second, locked) << c.first;
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
