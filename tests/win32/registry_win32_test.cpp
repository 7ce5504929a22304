// The options' registry storage against Wine's real registry, in this test run's own
// prefix, where the end-to-end tests cannot reach: values in forms the settings window
// never shows, and keys that cannot be written. The program's keys and list file are
// deleted before and after each test.
#include <gtest/gtest.h>

#include "platform/win32/win32.h"

#include <sddl.h>

#include <string>

#include "platform/paths.h"
#include "platform/platform.h"
#include "settings/dirlist.h"
#include "desktop/settings_window/registry_values.h"
#include "desktop/settings_window/registry.h"
#include "tests/support/collect_sink.h"

namespace {

using Stored = std::pair<DWORD, std::string>;  // a value's type and data
const std::string kOptionsKey = std::string(kProgramKey) + "\\" + kOptionsSubkey;
constexpr char kCompanyKey[] = "SOFTWARE\\Tarnholt Software";

class RegistryTest : public ::testing::Test {
   protected:
    static std::string dword(DWORD value) {
        return std::string(reinterpret_cast<char*>(&value), 4);
    }
    void SetUp() override { wipe(); }
    void TearDown() override { wipe(); }
    static void wipe() {
        reset_core_state();
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kCompanyKey);
        char list_file[kPathLimit];
        if (path_beside_executable(kDirectoryListFileName, list_file, sizeof list_file))
            DeleteFileA(list_file);
    }
    static void set(const char* name, DWORD type, const std::string& data) {
        ASSERT_EQ(0, RegSetKeyValueA(HKEY_LOCAL_MACHINE, kOptionsKey.c_str(), name, type,
                                     data.data(), static_cast<DWORD>(data.size())));
    }
    // Everyone may read the key, nobody may change it.
    static void make_read_only(const char* path) {
        HKEY key = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr);
        ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KR;;;WD)", SDDL_REVISION_1,
                                                             &descriptor, nullptr);
        EXPECT_EQ(0, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor));
        LocalFree(descriptor);
        RegCloseKey(key);
    }
    // The system may count a string's terminating zero that the program leaves out.
    static Stored stored(const char* name) {
        DWORD type = 0, length = 1024;
        char data[1024] = {};
        if (RegGetValueA(HKEY_LOCAL_MACHINE, kOptionsKey.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND,
                         &type, data, &length) != 0)
            return {0, ""};
        if (type == REG_SZ && length > 0 && data[length - 1] == '\0') --length;
        return {type, std::string(data, length)};
    }
};

// What the running program never shows: a value missing from an existing key is written
// back, a list too long for the room reads as nothing and stays, a number keeps its low
// 16 bits, and an absent list is saved as the number 0 and read back as "0".
TEST_F(RegistryTest, StoredValuesReadAndWrittenBack) {
    const std::string a200(200, 'A');
    set(kAlertsValue, REG_DWORD, dword(0xFFFFFFFF));
    set(kEpsExtensionsValue, REG_SZ, a200);
    load_options();
    EXPECT_EQ(0xFFFF, live_options.alerts);
    EXPECT_STREQ("", extension_list(live_options, ListKind::Eps).get());
    EXPECT_EQ((Stored{REG_SZ, a200}), stored(kEpsExtensionsValue));
    EXPECT_EQ((Stored{REG_DWORD, dword(1)}), stored(kBackgroundScanFlagsValue));
    extension_list(live_options, ListKind::Gif).reset();
    save_options(live_options);
    EXPECT_EQ((Stored{REG_DWORD, dword(0)}), stored(kGifExtensionsValue));
    load_options();
    EXPECT_STREQ("0", extension_list(live_options, ListKind::Gif).get());
}

TEST_F(RegistryTest, AKeyThatCannotBeWrittenIsReadAlone) {
    // No program key, and none can be made: the defaults, and nothing is created.
    make_read_only(kCompanyKey);
    load_options();
    EXPECT_EQ(15, live_options.scanning_period);
    EXPECT_EQ(0u, stored(kScanningPeriodValue).first);
    // A key that can only be read: its values, defaults for the missing ones, and nothing
    // written, not even by a save.
    wipe();
    set(kScanningPeriodValue, REG_DWORD, dword(20));
    make_read_only(kOptionsKey.c_str());
    load_options();
    EXPECT_EQ(20, live_options.scanning_period);
    EXPECT_EQ(0x0E, live_options.alerts);
    live_options.scanning_period = 5;
    save_options(live_options);
    EXPECT_EQ(0u, stored(kAlertsValue).first);
    EXPECT_EQ((Stored{REG_DWORD, dword(20)}), stored(kScanningPeriodValue));
}

}  // namespace
