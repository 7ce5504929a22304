// The settings window end to end: options stored in the registry in other forms than the
// program writes, what OK and Cancel store, and the pages' enable rules, locks and input
// checks on Windows NT and 98.
#include "tests/e2e/scenario.h"

#include <initializer_list>
#include <string>

#include "resources/resource.h"

namespace {

constexpr const char* kStoredNames[] = {
    "File Scan Flags",      "Background Scan Flags", "Alerts",
    "Logging Flags",        "Scanning Period",       "TIFF File Extensions",
    "JPEG File Extensions", "EPS File Extensions",   "GIF File Extensions"};

std::string stored_options() {
    std::string all;
    for (const char* name : kStoredNames) {
        const Value value = read_value(HKEY_LOCAL_MACHINE, kOptionsKey, name);
        all += std::string(name) + "=" + std::to_string(value.type) + ":" + value.data + "\n";
    }
    return all;
}

Value stored(const char* name) {
    return read_value(HKEY_LOCAL_MACHINE, kOptionsKey, name);
}
void store(const char* name, const Value& value) {
    write_value(HKEY_LOCAL_MACHINE, kOptionsKey, name, value);
}

// A good list typed with 150 characters: 25 extensions of four letters, their separators
// and a closing one the check drops.
std::string long_list() {
    std::string list;
    for (int n = 0; n < 25; ++n) list += (n ? ";.X" : ".X") + std::to_string(100 + n);
    return list + ";";
}

using Registry = Scenario;

TEST_F(Registry, StoredFormsOkAndCancel) {
    const std::string exe = install_copy("Inkhound.exe");
    const std::string list_file = app_file("Inkhound.dfo");
    const std::string binary("\x0F\x00\x00\x00", 4);
    store("Scanning Period", text_value(REG_SZ, "20"));
    store("TIFF File Extensions", text_value(REG_EXPAND_SZ, "%INKHOUND_E2E_TIFF%;.TIFF"));
    store("Alerts", text_value(REG_BINARY, binary));
    SetEnvironmentVariableA("INKHOUND_E2E_TIFF", ".TIF;.TF");

    // A number as text and an expanded list are read; a value of another type reads as
    // nothing and is left as it is.
    ASSERT_NE(nullptr, start_settings(exe.c_str()));
    HWND page = show_page(kBackgroundPage);
    EXPECT_EQ("20", text(item(page, IDC_SCANNING_PERIOD)));
    for (int id : {IDC_FLASH_TASKBAR, IDC_FLASH_TRAY, IDC_AUDIBLE_ALERT, IDC_EXPAND_WINDOW})
        EXPECT_EQ(BST_UNCHECKED, check_state(page, id)) << id;
    page = show_page(kFileScanningPage);
    EXPECT_EQ(".TIF;.TF;.TIFF", text(item(page, IDC_TIFF_EXTENSIONS)));
    EXPECT_EQ(text_value(REG_BINARY, binary), stored("Alerts"));
    EXPECT_EQ(text_value(REG_EXPAND_SZ, "%INKHOUND_E2E_TIFF%;.TIFF"),
              stored("TIFF File Extensions"));

    // OK stores every value as the program writes it, a list of 150 characters whole.
    set_text(item(page, IDC_JPEG_EXTENSIONS), long_list().c_str());
    close_settings(IDOK);
    const std::string list = long_list().substr(0, 149);
    EXPECT_EQ(text_value(REG_SZ, list), stored("JPEG File Extensions"));
    EXPECT_EQ(dword_value(20), stored("Scanning Period"));
    EXPECT_EQ(text_value(REG_SZ, ".TIF;.TF;.TIFF"), stored("TIFF File Extensions"));
    EXPECT_EQ(dword_value(0), stored("Alerts"));
    EXPECT_NE("<missing>", file_bytes(list_file.c_str()));

    // The long list reads back whole.
    ASSERT_NE(nullptr, start_settings(exe.c_str()));
    page = show_page(kFileScanningPage);
    EXPECT_EQ(list, text(item(page, IDC_JPEG_EXTENSIONS)));

    // Cancel after changes on both option pages stores nothing.
    const std::string registry_before = stored_options();
    const std::string list_before = file_bytes(list_file.c_str());
    click(page, IDC_CHECK_TIFF);
    set_text(item(page, IDC_GIF_EXTENSIONS), ".GIF;.GIFF");
    page = show_page(kBackgroundPage);
    click(page, IDC_ENABLE_BACKGROUND);
    set_text(item(page, IDC_SCANNING_PERIOD), "99");
    show_page(kFileScanningPage);
    close_settings(IDCANCEL);
    EXPECT_EQ(registry_before, stored_options());
    EXPECT_EQ(list_before, file_bytes(list_file.c_str()));

    // An OK after a restart keeps the long list.
    ASSERT_NE(nullptr, start_settings(exe.c_str()));
    show_page(kFileScanningPage);
    close_settings(IDOK);
    EXPECT_EQ(text_value(REG_SZ, list), stored("JPEG File Extensions"));
}

struct ExtensionBoxCase {
    int box;
    std::string typed;
    bool by_ok;  // refused by OK rather than by a page change
};

// Enabled states of the labels and boxes 108 to 115, one bit each from 108 up.
unsigned extension_controls_enabled(HWND page) {
    unsigned bits = 0;
    for (int id = IDC_TIFF_EXTENSIONS_LABEL; id <= IDC_GIF_EXTENSIONS; ++id)
        if (is_enabled(page, id)) bits |= 1u << (id - IDC_TIFF_EXTENSIONS_LABEL);
    return bits;
}

// Controls whose styles carry behaviour that no click shows: a list box's upper case, the
// period's digits only, the trees' buttons and lines, the check box's wrapped text, the
// log's read-only lines.
struct StyledControl {
    int page, id;
    DWORD mask, bits;
};
constexpr DWORD kList = ES_UPPERCASE | ES_AUTOHSCROLL;
constexpr DWORD kTree =
    TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_DISABLEDRAGDROP;
// The log's scroll bar is the program's to show once the lines pass the view's height.
constexpr DWORD kLog = ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL;
constexpr DWORD kWrap = BS_TYPEMASK | BS_MULTILINE | BS_VCENTER;
const StyledControl kStyled[] = {
    {kFileScanningPage, IDC_GIF_EXTENSIONS, kList, kList},
    {kBackgroundPage, IDC_SCANNING_PERIOD, ES_NUMBER | ES_AUTOHSCROLL, ES_NUMBER},
    {kDirectoriesPage, IDC_DIRECTORIES_TREE, kTree, kTree},
    {kImmediateScanPage, IDC_IMMEDIATE_TREE, kTree, kTree},
    {kImmediateScanPage, IDC_INCLUDE_SUBDIRECTORIES, kWrap,
     BS_AUTOCHECKBOX | BS_MULTILINE | BS_VCENTER},
    {kViewLogPage, IDC_LOG_VIEW, kLog, kLog},
};

using Pages = Scenario;

TEST_F(Pages, RulesLocksAndInputChecksOnNtAnd98) {
    const std::string exe = install_copy("Inkhound.exe");
    store("File Scan Flags", dword_value(0x7F));  // every bit, "Embedded" too
    ASSERT_NE(nullptr, start_settings(exe.c_str()));
    // Each page with its title (the dialog's caption) and its controls' styles.
    const char* const pages[][2] = {{"page-1-file-scanning", "File Scanning"},
                                    {"page-2-background", "Background"},
                                    {"page-3-directories", "Directories"},
                                    {"page-4-immediate-scan", "Immediate scan"},
                                    {"page-5-view-log", "View log"}};
    for (int index = 0; index < 5; ++index) {
        EXPECT_EQ(pages[index][1], text(show_page(index)));
        EXPECT_TRUE(screenshot(pages[index][0], sheet_)) << pages[index][0];
        for (const StyledControl& c : kStyled) {
            const DWORD style = GetWindowLongA(item(current_page(sheet_), c.id), GWL_STYLE);
            EXPECT_TRUE(c.page != index || (style & c.mask) == c.bits) << c.id << ": " << style;
        }
    }

    // "Embedded" is never offered; the Macintosh types are on Windows NT.
    HWND page = show_page(kFileScanningPage);
    EXPECT_FALSE(is_enabled(page, IDC_EMBEDDED));
    EXPECT_EQ(BST_UNCHECKED, check_state(page, IDC_EMBEDDED));
    EXPECT_TRUE(is_enabled(page, IDC_USE_MAC_TYPES));
    EXPECT_EQ(BST_CHECKED, check_state(page, IDC_USE_MAC_TYPES));

    // A label and its box follow "Examine file extensions" and their kind's check box.
    const struct {
        int click;
        unsigned enabled;
    } rule_steps[] = {
        {0, 0xFF},
        {IDC_CHECK_JPEG, 0xF3},  // JPEG's label and box off
        {IDC_EXAMINE_EXTENSIONS, 0x00},
        {IDC_EXAMINE_EXTENSIONS, 0xF3},
        {IDC_WARN_GIF, 0x33},
        {IDC_CHECK_TIFF, 0x30},
        {IDC_CHECK_EPS, 0x00},
        {IDC_CHECK_TIFF, 0x03},
        {IDC_CHECK_JPEG, 0x0F},
        {IDC_CHECK_EPS, 0x3F},
        {IDC_WARN_GIF, 0xFF},
    };
    for (const auto& step : rule_steps) {
        if (step.click != 0) click(page, step.click);
        EXPECT_EQ(step.enabled, extension_controls_enabled(page)) << "after " << step.click;
        EXPECT_FALSE(is_enabled(page, IDC_EMBEDDED));
    }

    // A bad list keeps the page, says so, and leaves the focus on its box.
    const ExtensionBoxCase bad_lists[] = {
        {IDC_TIFF_EXTENSIONS, ".TIF;.TIFFX", false},
        {IDC_JPEG_EXTENSIONS, "JPG", false},
        {IDC_EPS_EXTENSIONS, ".EPS;.TI-", false},
        {IDC_GIF_EXTENSIONS, std::string(300, 'G'), false},
        {IDC_EPS_EXTENSIONS, ".E.PS", true},
    };
    for (const ExtensionBoxCase& bad : bad_lists) {
        SCOPED_TRACE(bad.typed);
        HWND box = item(page, bad.box);
        const std::string good = text(box);
        set_text(box, bad.typed.c_str());
        if (bad.by_ok)
            post_click(sheet_, IDOK);
        else
            PostMessageA(sheet_, PSM_SETCURSEL, kBackgroundPage, 0);
        HWND message = find_message_box("Syntax Error", kWindowTimeout);
        ASSERT_NE(nullptr, message);
        EXPECT_EQ("Bad file extension definitions string", message_box_text(message));
        press(message, IDOK);
        EXPECT_TRUE(wait_gone(message, kWindowTimeout));
        wait_until([&] { return focus_of(sheet_) == box; }, 2500);
        EXPECT_EQ(box, focus_of(sheet_));
        EXPECT_TRUE(IsWindow(sheet_));
        EXPECT_EQ(kFileScanningPage, current_page_index(sheet_));
        set_text(box, good.c_str());
    }

    // The boxes take letters in upper case, and a good list is kept in its normal form.
    set_text(item(page, IDC_TIFF_EXTENSIONS), ";.tif;;.tiff;.tif;");
    EXPECT_EQ(";.TIF;;.TIFF;.TIF;", text(item(page, IDC_TIFF_EXTENSIONS)));
    page = show_page(kBackgroundPage);
    ASSERT_EQ(kBackgroundPage, current_page_index(sheet_));

    // The frequency and the alerts follow "Enable background scans"; logging does not.
    for (int round = 0; round < 2; ++round) {
        const bool on = round == 1;
        click(page, IDC_ENABLE_BACKGROUND);
        for (int id = IDC_SCANNING_PERIOD_LABEL; id <= IDC_EXPAND_WINDOW; ++id)
            EXPECT_EQ(on, is_enabled(page, id)) << id;
        for (int id = IDC_LOG_RGB; id <= IDC_LOG_EPS_JPEGS; ++id)
            EXPECT_TRUE(is_enabled(page, id)) << id;
    }

    // An empty frequency keeps the period; "Embedded" is stored cleared.
    set_text(item(page, IDC_SCANNING_PERIOD), "");
    close_settings(IDOK);
    EXPECT_EQ(dword_value(15), stored("Scanning Period"));
    EXPECT_EQ(dword_value(0x3F), stored("File Scan Flags"));
    EXPECT_EQ(text_value(REG_SZ, ".TIF;.TIFF"), stored("TIFF File Extensions"));

    // On Windows 98 the Macintosh types are locked too, and stored cleared; "0" stores 0.
    store("File Scan Flags", dword_value(0x7F));
    set_windows_version("win98");
    ASSERT_NE(nullptr, start_settings(exe.c_str()));
    page = show_page(kFileScanningPage);
    EXPECT_FALSE(is_enabled(page, IDC_USE_MAC_TYPES));
    EXPECT_FALSE(is_enabled(page, IDC_EMBEDDED));
    EXPECT_EQ(0xFFu, extension_controls_enabled(page));
    click(page, IDC_EXAMINE_EXTENSIONS);
    EXPECT_EQ(0x00u, extension_controls_enabled(page));
    EXPECT_FALSE(is_enabled(page, IDC_USE_MAC_TYPES));
    page = show_page(kBackgroundPage);
    set_text(item(page, IDC_SCANNING_PERIOD), "0");
    close_settings(IDOK);
    EXPECT_EQ(dword_value(0), stored("Scanning Period"));
    EXPECT_EQ(dword_value(0x1E), stored("File Scan Flags"));
}

}  // namespace
