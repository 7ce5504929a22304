// The desktop program's resources as the system loads them: every dialog made into
// windows with its caption and the controls' telling styles; the icons, the tree's
// bitmaps (16 by 16, 16 colours) and the alert sound.
#include <gtest/gtest.h>

#include "platform/win32/win32.h"

#include <commctrl.h>

#include <string>

#include "resources/resource.h"

namespace {

// A control's class and the style bits that matter, masked, with their values.
struct Control {
    int dialog, id;
    const char* window_class;
    DWORD mask, bits;
};
constexpr DWORD kList = ES_UPPERCASE | ES_AUTOHSCROLL;
constexpr DWORD kTree =
    TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_DISABLEDRAGDROP;
constexpr DWORD kLog = ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_VSCROLL;
constexpr DWORD kWrap = BS_TYPEMASK | BS_MULTILINE | BS_VCENTER;

// The controls whose styles carry behaviour that no click from outside shows.
const Control kControls[] = {
    {1, 115, "Edit", kList, kList},  // as the other three list boxes
    {2, 203, "Edit", ES_NUMBER | ES_AUTOHSCROLL, ES_NUMBER},
    {3, 301, "SysTreeView32", kTree, kTree},
    {4, 401, "SysTreeView32", kTree, kTree},
    {4, 402, "Button", kWrap, BS_AUTOCHECKBOX | BS_MULTILINE | BS_VCENTER},
    {5, 501, "Edit", kLog, kLog},
};

INT_PTR CALLBACK plain_dialog(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
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
        const HWND control = GetDlgItem(dialogs[c.dialog], c.id);
        ASSERT_NE(nullptr, control);
        char window_class[64] = "";
        GetClassNameA(control, window_class, sizeof window_class);
        EXPECT_EQ(0, _stricmp(c.window_class, window_class)) << window_class;
        EXPECT_EQ(c.bits, GetWindowLongA(control, GWL_STYLE) & c.mask);
    }
    DestroyWindow(parent);  // and the dialogs it owns

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
