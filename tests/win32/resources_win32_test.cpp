// The desktop program's resources as the system loads them: every dialog made into
// windows with each control's class, text and telling styles; the tray menu; the icons,
// the tree's bitmaps (16 by 16, 16 colours) and the alert sound.
#include <gtest/gtest.h>

#include "platform/win32/win32.h"

#include <commctrl.h>

#include <string>

#include "resources/resource.h"

namespace {

// A control's class, text, and the style bits that matter, masked, with their values.
struct Control {
    int dialog, id;  // IDC_STATIC: the dialog's first control without an id
    const char* window_class;
    const char* text;
    DWORD mask, bits;
};
constexpr DWORD kCheck = BS_TYPEMASK | WS_DISABLED, kLabel = SS_TYPEMASK;
constexpr DWORD kList = ES_UPPERCASE | ES_AUTOHSCROLL;
constexpr DWORD kTree =
    TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_DISABLEDRAGDROP;
constexpr DWORD kLog = ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_VSCROLL;
constexpr DWORD kWrap = BS_TYPEMASK | BS_MULTILINE | BS_VCENTER;

const Control kControls[] = {
    {1, 101, "Button", "Use Macintosh resource fork files", kCheck, BS_AUTOCHECKBOX},
    {1, 102, "Button", "Check TIFF files", kCheck, BS_AUTOCHECKBOX},
    {1, 103, "Button", "Check JPEG files", kCheck, BS_AUTOCHECKBOX},
    {1, 104, "Button", "Check EPSF files", kCheck, BS_AUTOCHECKBOX},
    {1, 105, "Button", "Embedded", kCheck, BS_AUTOCHECKBOX | WS_DISABLED},
    {1, 106, "Button", "Warn about GIF files", kCheck, BS_AUTOCHECKBOX},
    {1, 107, "Button", "Examine file extensions", kCheck, BS_AUTOCHECKBOX},
    {1, 108, "Static", "TIFF extensions", kLabel, SS_RIGHT},
    {1, 110, "Static", "JPEG extensions", kLabel, SS_RIGHT},
    {1, 112, "Static", "EPSF extensions", kLabel, SS_RIGHT},
    {1, 114, "Static", "GIF extensions", kLabel, SS_RIGHT},
    {1, 115, "Edit", "", kList, kList},  // as the other three list boxes
    {2, 201, "Button", "Enable background scans", kCheck, BS_AUTOCHECKBOX},
    {2, 202, "Static", "Scanning frequency (minutes)", kLabel, SS_RIGHT},
    {2, 203, "Edit", "", ES_NUMBER | ES_AUTOHSCROLL, ES_NUMBER},
    {2, 204, "Button", "Background alerts", BS_TYPEMASK, BS_GROUPBOX},
    {2, 205, "Button", "Flash Taskbar Icon", kCheck, BS_AUTOCHECKBOX},
    {2, 206, "Button", "Flash Tray Icon", kCheck, BS_AUTOCHECKBOX},
    {2, 207, "Button", "Audible alert", kCheck, BS_AUTOCHECKBOX},
    {2, 208, "Button", "Expand window", kCheck, BS_AUTOCHECKBOX},
    {2, 209, "Button", "Log RGB files", kCheck, BS_AUTOCHECKBOX},
    {2, 210, "Button", "Log CMYK files", kCheck, BS_AUTOCHECKBOX},
    {2, 211, "Button", "Log unknown colours", kCheck, BS_AUTOCHECKBOX},
    {2, 212, "Button", "Log GIF files", kCheck, BS_AUTOCHECKBOX},
    {2, 213, "Button", "Log JPEGs in EPS files", kCheck, BS_AUTOCHECKBOX},
    {3, IDC_STATIC, "Static",
     "Define the directories to be scanned  in the background scanning mode", 0, 0},
    {3, 301, "SysTreeView32", "", kTree, kTree},
    {3, 302, "Button", "Add", BS_TYPEMASK, BS_PUSHBUTTON},
    {3, 303, "Button", "Remove", BS_TYPEMASK, BS_PUSHBUTTON},
    {3, 304, "Button", "Scan now", BS_TYPEMASK, BS_PUSHBUTTON},
    {4, 401, "SysTreeView32", "", kTree, kTree},
    {4, 402, "Button", "Include subdirectories", kWrap,
     BS_AUTOCHECKBOX | BS_MULTILINE | BS_VCENTER},
    {4, 403, "Button", "Scan", BS_TYPEMASK, BS_PUSHBUTTON},
    {5, 501, "Edit", "", kLog, kLog},
    {10, 1001, "Edit", "", ES_AUTOHSCROLL, ES_AUTOHSCROLL},
    {10, 1002, "Button", "Place a Inkhound icon on the desktop", kCheck, BS_AUTOCHECKBOX},
    {10, 1003, "Button", "Place Inkhound into the Start Menu", kCheck, BS_AUTOCHECKBOX},
    {10, 1004, "Button", "Add to the startup group so Inkhound starts automatically", kCheck,
     BS_AUTOCHECKBOX},
    {10, IDOK, "Button", "OK", BS_TYPEMASK, BS_DEFPUSHBUTTON},
    {10, IDCANCEL, "Button", "Cancel", BS_TYPEMASK, BS_PUSHBUTTON},
};

INT_PTR CALLBACK plain_dialog(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// The first child whose 16-bit id matches: a template's ids are 16-bit, so "no id"
// comes back as 0xFFFF or -1.
HWND find_control(HWND dialog, int id) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (LOWORD(GetDlgCtrlID(child)) == LOWORD(id)) return child;
    return nullptr;
}

TEST(Resources, LoadAsTheProgramUsesThem) {
    InitCommonControls();
    const HWND parent =
        CreateWindowA("Static", "", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr, nullptr, nullptr);
    // The pages' titles come from their captions.
    const char* const captions[] = {"File Scanning",  "Background", "Directories",
                                    "Immediate scan", "View log",   "Specify Installation Options"};
    HWND dialogs[IDD_INSTALL_OPTIONS + 1] = {};
    int caption = 0;
    for (int id : {1, 2, 3, 4, 5, IDD_INSTALL_OPTIONS}) {
        dialogs[id] = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(id), parent, plain_dialog, 0);
        ASSERT_NE(nullptr, dialogs[id]) << "dialog " << id << ": error " << GetLastError();
        char text[64] = "";
        GetWindowTextA(dialogs[id], text, sizeof text);
        EXPECT_STREQ(captions[caption++], text);
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
        EXPECT_EQ(c.bits, GetWindowLongA(control, GWL_STYLE) & c.mask);
    }
    DestroyWindow(parent);  // and the dialogs it owns

    const HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAY_MENU));
    std::string items;
    for (int i = 0; i < GetMenuItemCount(GetSubMenu(menu, 0)); ++i) {
        char text[64] = "";
        GetMenuStringA(GetSubMenu(menu, 0), i, text, sizeof text, MF_BYPOSITION);
        items += std::to_string(GetMenuItemID(GetSubMenu(menu, 0), i)) + " " + text + "|";
    }
    EXPECT_EQ("101 Settings...|103 Pause scanning|102 Close Inkhound|", items);
    DestroyMenu(menu);

    for (int id : {IDI_NORMAL, IDI_ACTIVE, IDI_ALERT})
        EXPECT_NE(nullptr, LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id))) << id;
    for (int id = IDB_FOLDER; id <= IDB_INCLUDED_BELOW; ++id) {
        const auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(
            LoadResource(nullptr, FindResourceA(nullptr, MAKEINTRESOURCEA(id), RT_BITMAP))));
        ASSERT_NE(nullptr, header) << id;
        EXPECT_EQ(16 * 16 * 4, header->biWidth * header->biHeight * header->biBitCount) << id;
    }
    EXPECT_NE(nullptr, FindResourceA(nullptr, MAKEINTRESOURCEA(IDW_ALERT_SOUND), "WAVE"));
}

}  // namespace
