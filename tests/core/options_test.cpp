// The options record: the defaults applied as a copy with lists of its own, and the lock
// rules of the settings table.
#include <gtest/gtest.h>

#include "tests/support/collect_sink.h"
#include "desktop/settings_window/bindings.h"
#include "settings/options.h"
#include "platform/identity.h"

namespace {

class OptionsTest : public ::testing::Test {
   protected:
    void SetUp() override { reset_core_state(); }
    void TearDown() override { reset_core_state(); }
};

// The defaults' values are the first run's, checked in the registry end to end on Windows
// NT and 98; here, that the applied copy keeps lists of its own.
TEST_F(OptionsTest, DefaultsApplyAsACopyWithListsOfItsOwn) {
    set_default_options(&working_options);
    apply_options();
    EXPECT_TRUE(options_state.options_applied);
    release_options(&working_options);
    EXPECT_EQ(nullptr, extension_list(working_options, ListKind::Tiff).get());
    EXPECT_EQ(0x2F, live_options.file_scan_flags);
    EXPECT_STREQ(".TIF;.TIFF", extension_list(live_options, ListKind::Tiff).get());
    EXPECT_STREQ(".GIF", extension_list(live_options, ListKind::Gif).get());
    EXPECT_EQ(nullptr, duplicate_list(nullptr));  // an absent list stays absent
}

// The locks on Windows NT and 98 are the end-to-end tests'; any other platform locks
// Macintosh types, "Embedded", "Examine file extensions" and the lists, and nothing else.
TEST_F(OptionsTest, StoringLockedRowsClearsTheirFields) {
    platform_state.platform_id = 0;
    Options options = {};
    set_default_options(&options);
    options.file_scan_flags = 0x7F;
    options.logging_flags = 0x1F;
    options.scanning_period = 20;
    for (const SettingBinding& binding : settings_table)
        if (is_setting_locked(binding)) clear_locked_setting(binding, &options);
    // The lists are absent, so the check then matches no extension against them.
    EXPECT_EQ(0x7F & ~(0x01 | 0x40 | 0x20), options.file_scan_flags);
    EXPECT_EQ(nullptr, extension_list(options, ListKind::Tiff).get());
    EXPECT_EQ(nullptr, extension_list(options, ListKind::Gif).get());
    EXPECT_EQ(0x1F, options.logging_flags);
    EXPECT_EQ(20, options.scanning_period);
}

}  // namespace
