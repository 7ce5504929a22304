// Start-up end to end: the settings window of a first start, the hand-over of a second
// start, a foreign name, and the defaults a first run stores on Windows NT and 98.
#include "tests/e2e/scenario.h"

#include "resources/resource.h"

namespace {

struct StoredDefault {
    const char* name;
    Value value;
};

// The nine values a first run on Windows NT writes.
const StoredDefault kDefaults[] = {
    {"File Scan Flags", dword_value(0x2F)},
    {"Background Scan Flags", dword_value(0x01)},
    {"Alerts", dword_value(0x0E)},
    {"Logging Flags", dword_value(0x01)},
    {"Scanning Period", dword_value(15)},
    {"TIFF File Extensions", text_value(REG_SZ, ".TIF;.TIFF")},
    {"JPEG File Extensions", text_value(REG_SZ, ".JPG;.JPEG;.JPE;.JFI;.JFIF")},
    {"EPS File Extensions", text_value(REG_SZ, ".EPS;.EPSF")},
    {"GIF File Extensions", text_value(REG_SZ, ".GIF")},
};

using Startup = Scenario;

TEST_F(Startup, FirstStartSecondStartForeignNameAndWindows98) {
    const std::string exe = install_copy("Inkhound.exe");
    ASSERT_NE(nullptr, start_settings(exe.c_str()));
    EXPECT_NE(nullptr, FindWindowA("Inkhound_Notify_Window", "Inkhound ALERT"));
    EXPECT_EQ(kImmediateScanPage, current_page_index(sheet_));
    EXPECT_EQ(BST_CHECKED, check_state(current_page(sheet_), IDC_INCLUDE_SUBDIRECTORIES));
    for (const StoredDefault& stored : kDefaults)
        EXPECT_EQ(stored.value, read_value(HKEY_LOCAL_MACHINE, kOptionsKey, stored.name))
            << stored.name;

    // The icons and the alert sound, which no window shows.
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    for (int id : {IDI_NORMAL, IDI_ACTIVE, IDI_ALERT})
        EXPECT_NE(nullptr, FindResourceA(module, MAKEINTRESOURCEA(id), RT_GROUP_ICON)) << id;
    EXPECT_NE(nullptr, FindResourceA(module, MAKEINTRESOURCEA(IDW_ALERT_SOUND), "WAVE"));
    FreeLibrary(module);

    // A second start brings the first one's settings window to the front, over a window
    // of the driver's own, and ends with 1.
    HWND other = CreateWindowExA(0, "STATIC", "e2e other window", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 400, 300, 300, 200, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    pause(300);
    ASSERT_EQ(other, GetForegroundWindow());
    Program second;
    ASSERT_TRUE(start_program(exe.c_str(), "", &second));
    EXPECT_EQ(1, wait_for_exit(&second, kWindowTimeout));
    end_program(&second);
    wait_until([this] { return GetForegroundWindow() == sheet_; }, 5000);
    EXPECT_EQ(sheet_, GetForegroundWindow());
    DestroyWindow(other);

    // Under a foreign name the program shows nothing and ends with 0.
    close_settings(IDCANCEL);
    const std::string foreign = app_file("FOO.EXE");
    ASSERT_TRUE(CopyFileA(exe.c_str(), foreign.c_str(), FALSE));
    Program foo;
    ASSERT_TRUE(start_program(foreign.c_str(), "", &foo));
    EXPECT_EQ(0, wait_for_exit(&foo, kWindowTimeout));
    end_program(&foo);
    EXPECT_EQ(nullptr, FindWindowA("#32770", "Inkhound settings"));

    // Windows 98 has no Macintosh file types: the first run's scan flags lack them.
    delete_tree(HKEY_LOCAL_MACHINE, kCompanyKey);
    set_windows_version("win98");
    ASSERT_NE(nullptr, start_settings(exe.c_str()));
    EXPECT_EQ(dword_value(0x2E), read_value(HKEY_LOCAL_MACHINE, kOptionsKey, "File Scan Flags"));
    close_settings(IDCANCEL);
}

}  // namespace
