// The options' registry storage against Wine's real registry, in this test run's own
// prefix: the key is deleted before and after each test.
#include <gtest/gtest.h>

#include "platform/win32/win32.h"

#include <sddl.h>

#include <string>

#include "platform/paths.h"
#include "platform/platform.h"
#include "settings/dirlist.h"
#include "settings/registry_values.h"
#include "settings/win32/registry.h"
#include "tests/support/collect_sink.h"

namespace {

using Stored = std::pair<DWORD, std::string>;  // a value's type and data

const std::string kOptionsKey = std::string(kProgramKey) + "\\" + kOptionsSubkey;
constexpr char kCompanyKey[] = "SOFTWARE\\Tarnholt Software";

std::string dword(DWORD value) {
    return std::string(reinterpret_cast<char*>(&value), 4);
}

class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override { wipe(); }
    void TearDown() override { wipe(); }
    void wipe() {
        reset_core_state();
        for (const char* key : {kOptionsKey.c_str(), kProgramKey, kCompanyKey, kUninstallKey})
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
        char list_file[kPathLimit];
        if (path_beside_executable(kDirectoryListFileName, list_file, sizeof list_file))
            DeleteFileA(list_file);
    }
    static HKEY create(const char* path) {
        HKEY key = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &key, nullptr));
        return key;
    }
    static void set(HKEY key, const char* name, DWORD type, const std::string& data) {
        RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size()));
    }
    static void close_read_only(HKEY key) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
            "D:P(A;;KR;;;WD)", SDDL_REVISION_1, &descriptor, nullptr));
        EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor));
        LocalFree(descriptor);
        RegCloseKey(key);
    }
    // The stored type and data of an option value (type 0 when missing). The system may
    // count a string's terminating zero that the program leaves out; it is dropped here.
    static Stored stored(const char* name) {
        HKEY key = nullptr;
        DWORD type = 0, length = 1024;
        char data[1024] = {};
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kOptionsKey.c_str(), 0, KEY_READ, &key) != 0)
            return {0, ""};
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &length))
            type = length = 0;
        RegCloseKey(key);
        if (type == REG_SZ && length > 0 && data[length - 1] == '\0') --length;
        return {type, std::string(data, length)};
    }
};

TEST_F(RegistryTest, FirstRunStoresEveryDefault) {
    load_options();
    EXPECT_EQ(platform_query_id(), platform_state.platform_id);
    const std::uint16_t scan_flags = platform_state.platform_id == 2 ? 0x2F : 0x2E;
    const std::pair<const char*, Stored> expected[] = {
        {kFileScanFlagsValue, {REG_DWORD, dword(scan_flags)}},
        {kBackgroundScanFlagsValue, {REG_DWORD, dword(1)}},
        {kAlertsValue, {REG_DWORD, dword(0x0E)}},
        {kLoggingFlagsValue, {REG_DWORD, dword(1)}},
        {kScanningPeriodValue, {REG_DWORD, dword(15)}},
        {kTiffExtensionsValue, {REG_SZ, ".TIF;.TIFF"}},
        {kJpegExtensionsValue, {REG_SZ, ".JPG;.JPEG;.JPE;.JFI;.JFIF"}},
        {kEpsExtensionsValue, {REG_SZ, ".EPS;.EPSF"}},
        {kGifExtensionsValue, {REG_SZ, ".GIF"}},
    };
    for (const auto& [name, value] : expected) EXPECT_EQ(value, stored(name)) << name;
    EXPECT_EQ(scan_flags, live_options.file_scan_flags);
    EXPECT_EQ(15, live_options.scanning_period);
    EXPECT_STREQ(".JPG;.JPEG;.JPE;.JFI;.JFIF", live_options.jpeg_extensions.get());
}

TEST_F(RegistryTest, StoredValuesOfAnyTypeReadAndUnreadableOnesStay) {
    const HKEY key = create(kOptionsKey.c_str());
    const std::string a199(199, 'A'), a200(200, 'A');
    set(key, kScanningPeriodValue, REG_SZ, "20");
    set(key, kAlertsValue, REG_DWORD, dword(0xFFFFFFFF));
    set(key, kLoggingFlagsValue, REG_DWORD, "\x1F");
    set(key, kFileScanFlagsValue, REG_BINARY, "\x2F");
    SetEnvironmentVariableA("INKHOUND_TEST_EXTENSION", ".TIFF");
    set(key, kTiffExtensionsValue, REG_EXPAND_SZ, "%INKHOUND_TEST_EXTENSION%;.TIF");
    set(key, kJpegExtensionsValue, REG_SZ, a199);
    set(key, kEpsExtensionsValue, REG_SZ, a200);
    set(key, kGifExtensionsValue, REG_DWORD, dword(7));
    RegCloseKey(key);

    load_options();
    EXPECT_EQ(20, live_options.scanning_period);
    EXPECT_EQ(0xFFFF, live_options.alerts);
    EXPECT_EQ(0x1F, live_options.logging_flags);
    EXPECT_EQ(0, live_options.file_scan_flags);
    EXPECT_EQ(1, live_options.background_scan_flags);  // missing: the default
    EXPECT_STREQ(".TIFF;.TIF", live_options.tiff_extensions.get());
    EXPECT_EQ(a199, live_options.jpeg_extensions.get());
    EXPECT_STREQ("", live_options.eps_extensions.get());
    EXPECT_STREQ("7", live_options.gif_extensions.get());
    EXPECT_EQ((Stored{REG_BINARY, "\x2F"}), stored(kFileScanFlagsValue));
    EXPECT_EQ((Stored{REG_SZ, a200}), stored(kEpsExtensionsValue));
    EXPECT_EQ((Stored{REG_DWORD, dword(1)}), stored(kBackgroundScanFlagsValue));
}

TEST_F(RegistryTest, SaveWritesTheListFileAndAnAbsentListAsZero) {
    set_directory_mark("C:\\ART", 1);
    Options options = {};
    set_default_options(&options);
    options.alerts = 0x0F;
    options.gif_extensions.reset();
    save_options(options);
    EXPECT_EQ((Stored{REG_DWORD, dword(0x0F)}), stored(kAlertsValue));
    EXPECT_EQ((Stored{REG_DWORD, dword(0)}), stored(kGifExtensionsValue));
    EXPECT_EQ((Stored{REG_SZ, ".EPS;.EPSF"}), stored(kEpsExtensionsValue));

    empty_directory_list();
    load_options();
    EXPECT_EQ(1, is_directory_included("C:\\ART\\LOGOS"));
    EXPECT_STREQ("0", live_options.gif_extensions.get());
    EXPECT_EQ(0x0F, live_options.alerts);
}

TEST_F(RegistryTest, AKeyThatCannotBeWrittenIsReadAlone) {
    // No program key, and none can be made: the defaults, and nothing is
    // created.
    close_read_only(create(kCompanyKey));
    load_options();
    EXPECT_EQ(15, live_options.scanning_period);
    EXPECT_STREQ(".GIF", live_options.gif_extensions.get());
    HKEY key = nullptr;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProgramKey, 0, KEY_READ, &key));

    // A stored key that can only be read: its values, the defaults for
    // missing ones, and nothing written, not even by a save.
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kCompanyKey);
    key = create(kOptionsKey.c_str());
    set(key, kScanningPeriodValue, REG_DWORD, dword(20));
    close_read_only(key);
    load_options();
    EXPECT_EQ(20, live_options.scanning_period);
    EXPECT_EQ(0x0E, live_options.alerts);
    EXPECT_EQ(0u, stored(kAlertsValue).first);
    live_options.scanning_period = 5;
    save_options(live_options);
    EXPECT_EQ((Stored{REG_DWORD, dword(20)}), stored(kScanningPeriodValue));
}

TEST_F(RegistryTest, RemovalDeletesTheProgramKeysButNotTheCompanyKey) {
    RegCloseKey(create(kOptionsKey.c_str()));
    RegCloseKey(create(kUninstallKey));
    delete_registry_keys();
    for (const char* path : {kOptionsKey.c_str(), kProgramKey, kUninstallKey, kCompanyKey}) {
        HKEY key = nullptr;
        const LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key);
        EXPECT_EQ(path == kCompanyKey, opened == ERROR_SUCCESS) << path;
        if (opened == ERROR_SUCCESS) RegCloseKey(key);
    }
}

}  // namespace
