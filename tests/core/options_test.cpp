// The settings table's lock rules on a platform that is neither Windows NT nor 95/98.
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
