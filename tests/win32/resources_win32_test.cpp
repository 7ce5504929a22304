// The desktop program's resources as the system loads them: every dialog made into
// windows with each control's class, text and telling styles; the tray menu; the icons'
// sizes and colours, the tree's bitmaps and the alert sound.
#include <gtest/gtest.h>

#include "platform/win32/win32.h"

#include <commctrl.h>

#include <cstring>
#include <string>

#include "resources/resource.h"

namespace {

struct Style {
    DWORD mask, bits;  // the control's style, masked, must equal bits
};
constexpr Style kPage = {WS_CHILD | WS_CAPTION, WS_CHILD | WS_CAPTION};
constexpr Style kModal = {WS_POPUP | WS_CAPTION, WS_POPUP | WS_CAPTION};
constexpr Style kText = {SS_TYPEMASK, SS_LEFT};
constexpr Style kLabel = {SS_TYPEMASK, SS_RIGHT};
constexpr Style kCheck = {BS_TYPEMASK | WS_DISABLED, BS_AUTOCHECKBOX};
constexpr Style kGroup = {BS_TYPEMASK, BS_GROUPBOX};
constexpr Style kPush = {BS_TYPEMASK, BS_PUSHBUTTON};
constexpr Style kList = {ES_UPPERCASE | ES_AUTOHSCROLL, ES_UPPERCASE | ES_AUTOHSCROLL};
constexpr DWORD kTreeStyle =
    TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_DISABLEDRAGDROP;
constexpr Style kTree = {kTreeStyle, kTreeStyle};

struct Control {
    int dialog;
    int id;  // 0: the dialog itself; IDC_STATIC: its first control without an id
    const char* window_class;
    const char* text;
    Style style;
};

const Control kControls[] = {
    {IDD_FILE_SCANNING, 0, "#32770", "File Scanning", kPage},
    {IDD_FILE_SCANNING, IDC_STATIC, "Static",
     "This page allows you to control what types of graphics files are to be examined", kText},
    {IDD_FILE_SCANNING, 101, "Button", "Use Macintosh resource fork files", kCheck},
    {IDD_FILE_SCANNING, 102, "Button", "Check TIFF files", kCheck},
    {IDD_FILE_SCANNING, 103, "Button", "Check JPEG files", kCheck},
    {IDD_FILE_SCANNING, 104, "Button", "Check EPSF files", kCheck},
    {IDD_FILE_SCANNING, 105, "Button", "Embedded", {kCheck.mask, BS_AUTOCHECKBOX | WS_DISABLED}},
    {IDD_FILE_SCANNING, 106, "Button", "Warn about GIF files", kCheck},
    {IDD_FILE_SCANNING, 107, "Button", "Examine file extensions", kCheck},
    {IDD_FILE_SCANNING, 108, "Static", "TIFF extensions", kLabel},
    {IDD_FILE_SCANNING, 109, "Edit", "", kList},
    {IDD_FILE_SCANNING, 110, "Static", "JPEG extensions", kLabel},
    {IDD_FILE_SCANNING, 111, "Edit", "", kList},
    {IDD_FILE_SCANNING, 112, "Static", "EPSF extensions", kLabel},
    {IDD_FILE_SCANNING, 113, "Edit", "", kList},
    {IDD_FILE_SCANNING, 114, "Static", "GIF extensions", kLabel},
    {IDD_FILE_SCANNING, 115, "Edit", "", kList},
    {IDD_BACKGROUND, 0, "#32770", "Background", kPage},
    {IDD_BACKGROUND, IDC_STATIC, "Static",
     "This page sets what will be verified in the graphic files, and also selects alert "
     "options in the automatic background scanning mode",
     kText},
    {IDD_BACKGROUND, 201, "Button", "Enable background scans", kCheck},
    {IDD_BACKGROUND, 202, "Static", "Scanning frequency (minutes)", kLabel},
    {IDD_BACKGROUND, 203, "Edit", "", {ES_NUMBER | ES_AUTOHSCROLL, ES_NUMBER}},
    {IDD_BACKGROUND, 204, "Button", "Background alerts", kGroup},
    {IDD_BACKGROUND, 205, "Button", "Flash Taskbar Icon", kCheck},
    {IDD_BACKGROUND, 206, "Button", "Flash Tray Icon", kCheck},
    {IDD_BACKGROUND, 207, "Button", "Audible alert", kCheck},
    {IDD_BACKGROUND, 208, "Button", "Expand window", kCheck},
    {IDD_BACKGROUND, 209, "Button", "Log RGB files", kCheck},
    {IDD_BACKGROUND, 210, "Button", "Log CMYK files", kCheck},
    {IDD_BACKGROUND, 211, "Button", "Log unknown colours", kCheck},
    {IDD_BACKGROUND, 212, "Button", "Log GIF files", kCheck},
    {IDD_BACKGROUND, 213, "Button", "Log JPEGs in EPS files", kCheck},
    {IDD_DIRECTORIES, 0, "#32770", "Directories", kPage},
    {IDD_DIRECTORIES, IDC_STATIC, "Static",
     "Define the directories to be scanned  in the background scanning mode", kText},
    {IDD_DIRECTORIES, 301, "SysTreeView32", "", kTree},
    {IDD_DIRECTORIES, 302, "Button", "Add", kPush},
    {IDD_DIRECTORIES, 303, "Button", "Remove", kPush},
    {IDD_DIRECTORIES, 304, "Button", "Scan now", kPush},
    {IDD_IMMEDIATE_SCAN, 0, "#32770", "Immediate scan", kPage},
    {IDD_IMMEDIATE_SCAN, IDC_STATIC, "Static",
     "Perform an immediate scan of a particular directory", kText},
    {IDD_IMMEDIATE_SCAN, 401, "SysTreeView32", "", kTree},
    {IDD_IMMEDIATE_SCAN,
     402,
     "Button",
     "Include subdirectories",
     {BS_TYPEMASK | BS_MULTILINE | BS_VCENTER, BS_AUTOCHECKBOX | BS_MULTILINE | BS_VCENTER}},
    {IDD_IMMEDIATE_SCAN, 403, "Button", "Scan", kPush},
    {IDD_VIEW_LOG, 0, "#32770", "View log", kPage},
    {IDD_VIEW_LOG,
     501,
     "Edit",
     "",
     {ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_VSCROLL,
      ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_VSCROLL}},
    {IDD_INSTALL_OPTIONS, 0, "#32770", "Specify Installation Options", kModal},
    {IDD_INSTALL_OPTIONS, IDC_STATIC, "Static",
     "Inkhound will be installed on this system into the following directory:", kText},
    {IDD_INSTALL_OPTIONS, 1001, "Edit", "", {ES_AUTOHSCROLL, ES_AUTOHSCROLL}},
    {IDD_INSTALL_OPTIONS, 1002, "Button", "Place a Inkhound icon on the desktop", kCheck},
    {IDD_INSTALL_OPTIONS, 1003, "Button", "Place Inkhound into the Start Menu", kCheck},
    {IDD_INSTALL_OPTIONS, 1004, "Button",
     "Add to the startup group so Inkhound starts automatically", kCheck},
    {IDD_INSTALL_OPTIONS, IDOK, "Button", "OK", {BS_TYPEMASK, BS_DEFPUSHBUTTON}},
    {IDD_INSTALL_OPTIONS, IDCANCEL, "Button", "Cancel", kPush},
};

INT_PTR CALLBACK plain_dialog(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// The dialog itself for id 0, else its first child whose 16-bit id matches: a template's
// ids are 16-bit, so "no id" comes back as 0xFFFF or -1.
HWND find_control(HWND dialog, int id) {
    if (id == 0) return dialog;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (LOWORD(GetDlgCtrlID(child)) == LOWORD(id)) return child;
    return nullptr;
}

// The images of an icon resource as its directory lists them: "WxHxBITS" each.
std::string icon_images(int id) {
    const HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), RT_GROUP_ICON);
    if (found == nullptr) return "missing";
    const auto* directory = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
    std::string images;
    for (int i = 0; i < directory[4]; ++i) {
        const BYTE* entry = directory + 6 + 14 * i;
        images += std::to_string(entry[0]) + "x" + std::to_string(entry[1]) + "x" +
                  std::to_string(entry[6] | entry[7] << 8) + " ";
    }
    return images;
}

TEST(Resources, DialogsHoldTheirControls) {
    InitCommonControls();
    const HWND parent =
        CreateWindowA("Static", "", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, parent);
    HWND dialogs[IDD_INSTALL_OPTIONS + 1] = {};
    for (int id : {IDD_FILE_SCANNING, IDD_BACKGROUND, IDD_DIRECTORIES, IDD_IMMEDIATE_SCAN,
                   IDD_VIEW_LOG, IDD_INSTALL_OPTIONS}) {
        dialogs[id] = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), parent,
                                         plain_dialog, 0);
        ASSERT_NE(nullptr, dialogs[id]) << "dialog " << id << ": error " << GetLastError();
    }
    for (const Control& c : kControls) {
        SCOPED_TRACE("dialog " + std::to_string(c.dialog) + " control " + std::to_string(c.id));
        const HWND control = find_control(dialogs[c.dialog], c.id);
        ASSERT_NE(nullptr, control);
        char text[200] = "", window_class[64] = "";
        GetWindowTextA(control, text, sizeof text);
        GetClassNameA(control, window_class, sizeof window_class);
        EXPECT_STREQ(c.text, text);
        EXPECT_EQ(0, _stricmp(c.window_class, window_class)) << window_class;
        EXPECT_EQ(c.style.bits, GetWindowLongA(control, GWL_STYLE) & c.style.mask);
    }
    DestroyWindow(dialogs[IDD_INSTALL_OPTIONS]);
    DestroyWindow(parent);
}

TEST(Resources, MenuIconsBitmapsAndSoundLoad) {
    const HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAY_MENU));
    ASSERT_NE(nullptr, menu);
    const HMENU tray = GetSubMenu(menu, 0);
    ASSERT_EQ(3, GetMenuItemCount(tray));
    const std::pair<UINT, const char*> items[] = {{IDM_SETTINGS, "Settings..."},
                                                  {IDM_PAUSE_OR_RESUME, "Pause scanning"},
                                                  {IDM_CLOSE, "Close Inkhound"}};
    for (int i = 0; i < 3; ++i) {
        char text[64] = "";
        GetMenuStringA(tray, i, text, sizeof text, MF_BYPOSITION);
        EXPECT_EQ(items[i].first, GetMenuItemID(tray, i));
        EXPECT_STREQ(items[i].second, text);
    }
    DestroyMenu(menu);

    EXPECT_EQ("32x32x8 16x16x4 ", icon_images(IDI_NORMAL));
    EXPECT_EQ("16x16x4 ", icon_images(IDI_ACTIVE));
    EXPECT_EQ("16x16x4 ", icon_images(IDI_ALERT));
    for (int id : {IDI_NORMAL, IDI_ACTIVE, IDI_ALERT})
        EXPECT_NE(nullptr, LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id))) << id;

    for (int id = IDB_FOLDER; id <= IDB_INCLUDED_BELOW; ++id) {
        SCOPED_TRACE("bitmap " + std::to_string(id));
        const HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), RT_BITMAP);
        ASSERT_NE(nullptr, found);
        const auto* header =
            static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(nullptr, found)));
        EXPECT_EQ(16, header->biWidth);
        EXPECT_EQ(16, header->biHeight);
        EXPECT_EQ(4, header->biBitCount);
        const HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
        EXPECT_NE(nullptr, bitmap);
        DeleteObject(bitmap);
    }

    const HRSRC sound = FindResourceA(nullptr, MAKEINTRESOURCEA(IDW_ALERT_SOUND), "WAVE");
    ASSERT_NE(nullptr, sound);
    const auto* riff = static_cast<const char*>(LockResource(LoadResource(nullptr, sound)));
    DWORD riff_size = 0;
    std::memcpy(&riff_size, riff + 4, 4);
    EXPECT_EQ(0, std::memcmp(riff, "RIFF", 4));
    EXPECT_EQ(0, std::memcmp(riff + 8, "WAVEfmt ", 8));
    EXPECT_EQ(riff_size + 8, SizeofResource(nullptr, sound));
}

}  // namespace
