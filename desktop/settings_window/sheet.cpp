// The settings window: the property sheet, the transfer between the first two pages and
// working_options, their enable rules and extension list check, and the pages with the
// drive trees. User-interface thread, inside the sheet's modal loop.
#include "desktop/settings_window/sheet.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstddef>
#include <cstring>

#include "desktop/results/view.h"
#include "resources/resource.h"
#include "desktop/results/immediate.h"
#include "scan/background.h"
#include "settings/dirlist.h"
#include "settings/extensions.h"
#include "settings/options.h"
#include "desktop/settings_window/bindings.h"
#include "desktop/settings_window/pages.h"
#include "desktop/settings_window/drive_tree.h"
#include "desktop/settings_window/registry.h"
#include "desktop/common/startup.h"
#include "desktop/common/waiting.h"

SettingsWindowState settings_window;

// The sheet is described by the early 40-byte page records, one after the other: the
// system reads the pages from the size each record announces.
#if defined(__i386__)
static_assert(sizeof(PROPSHEETPAGEA_V1) == 40, "the early page record is 40 bytes");
static_assert(offsetof(PROPSHEETHEADERA, pfnCallback) + sizeof(PFNPROPSHEETCALLBACK) == 40,
              "the early sheet header is 40 bytes");
#endif

namespace {

constexpr int kPageCount = 5;
constexpr int kLogPageIndex = 4;
constexpr int kImmediateScanPageIndex = 3;
constexpr std::size_t kBoxTextSize = kExtensionListSize;  // 199 characters and the zero

// The four extension boxes, in the order they are checked.
constexpr int kExtensionBoxes[] = {IDC_TIFF_EXTENSIONS, IDC_JPEG_EXTENSIONS, IDC_EPS_EXTENSIONS,
                                   IDC_GIF_EXTENSIONS};

void set_lock_marker(HWND control, long marker) {
    SetWindowLongPtrA(control, GWLP_USERDATA, static_cast<LONG_PTR>(marker));
}

bool is_locked(HWND control) {
    return GetWindowLongPtrA(control, GWLP_USERDATA) == static_cast<LONG_PTR>(kLockedMarker);
}

void answer(HWND page, LONG_PTR result) {
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
}

// Reads a box's text when it holds at most kBoxTextSize - 1 characters. A longer text
// (the boxes are limited, but a program may still set one) would be cut into another
// list, so it reads as nothing and the caller treats it as bad.
bool read_box_text(HWND page, int id, char* out) {
    HWND box = GetDlgItem(page, id);
    out[0] = '\0';
    if (box == nullptr) return true;
    if (GetWindowTextLengthA(box) >= static_cast<int>(kBoxTextSize)) return false;
    GetWindowTextA(box, out, static_cast<int>(kBoxTextSize));
    return true;
}

CheckState read_check_state(std::uint16_t check_box, void* context) {
    const LRESULT state =
        SendDlgItemMessageA(static_cast<HWND>(context), check_box, BM_GETSTATE, 0, 0) & 3;
    if (state == BST_CHECKED) return CheckState::Checked;
    if (state == BST_INDETERMINATE) return CheckState::Indeterminate;
    return CheckState::Unchecked;
}

}  // namespace

void transfer_page_options(HWND page, int page_key, bool store) {
    for (const SettingBinding& row : settings_table) {
        if (row.page != page_key) continue;
        HWND control = GetDlgItem(page, row.control_id);
        const bool locked = is_setting_locked(row);
        if (!store) {
            if (control != nullptr) set_lock_marker(control, locked ? kLockedMarker : 0);
            if (locked) {
                if (control != nullptr) EnableWindow(control, FALSE);
                continue;
            }
            switch (row.kind) {
                case SettingKind::CheckBox:
                    CheckDlgButton(
                        page, row.control_id,
                        (working_options.*row.number & row.mask) ? BST_CHECKED : BST_UNCHECKED);
                    break;
                case SettingKind::ListField: {
                    const char* text = extension_list(working_options, row.list).get();
                    SendDlgItemMessageA(page, row.control_id, EM_LIMITTEXT, kBoxTextSize - 1, 0);
                    SetDlgItemTextA(page, row.control_id, text != nullptr ? text : "");
                    break;
                }
                case SettingKind::NumberField:
                    SetDlgItemInt(page, row.control_id, working_options.*row.number, FALSE);
                    break;
            }
            continue;
        }
        if (locked) {
            clear_locked_setting(row, &working_options);
            continue;
        }
        switch (row.kind) {
            case SettingKind::CheckBox: {
                const CheckState state = read_check_state(row.control_id, page);
                if (state == CheckState::Checked) working_options.*row.number |= row.mask;
                if (state == CheckState::Unchecked)
                    working_options.*row.number &= static_cast<std::uint16_t>(~row.mask);
                break;
            }
            case SettingKind::ListField: {
                extension_list(working_options, row.list).reset();
                char text[kBoxTextSize];
                if (read_box_text(page, row.control_id, text))
                    extension_list(working_options, row.list) = duplicate_list(text);
                break;
            }
            case SettingKind::NumberField: {
                BOOL read = FALSE;
                const UINT value = GetDlgItemInt(page, row.control_id, &read, FALSE);
                if (read) working_options.*row.number = static_cast<std::uint16_t>(value & 0xFFFF);
                break;
            }
        }
    }
}

void update_dependent_controls(int page_key, HWND page) {
    for (const EnableRule& rule : enable_rules) {
        if (rule.page != page_key) continue;
        HWND control = GetDlgItem(page, rule.control_id);
        if (control == nullptr) continue;
        if (is_locked(control)) {
            EnableWindow(control, FALSE);
            continue;
        }
        switch (decide_enable(rule, read_check_state, page)) {
            case EnableDecision::Disable:
                EnableWindow(control, FALSE);
                break;
            case EnableDecision::Enable:
                EnableWindow(control, TRUE);
                break;
            case EnableDecision::Leave:
                break;
        }
    }
}

// Checks the four extension boxes in order and rewrites each good one in normal form.
// Returns 0 when all are good; 1 at the first bad one, after telling the user and with
// the focus on that box, which keeps its text as typed.
int check_extension_definitions(HWND page) {
    for (int id : kExtensionBoxes) {
        char text[kBoxTextSize];
        const bool whole = read_box_text(page, id, text);
        if (!whole || !normalise_extension_list(text)) {
            MessageBoxA(page, kBadExtensionsMessage, kBadExtensionsCaption, MB_OK);
            SetFocus(GetDlgItem(page, id));
            return 1;
        }
        SetDlgItemTextA(page, id, text);
    }
    return 0;
}

namespace {

// The answers every page gives to leaving it and to OK: `keep` from a page's own check.
bool handle_sheet_notification(HWND page, int page_key, const NMHDR& header, LPARAM lparam) {
    switch (header.code) {
        case PSN_KILLACTIVE:
            if (page_key == kFileScanningPage && check_extension_definitions(page) != 0) {
                answer(page, TRUE);
                return true;
            }
            transfer_page_options(page, page_key, true);
            answer(page, FALSE);
            return true;
        case PSN_APPLY: {
            const bool from_ok = reinterpret_cast<const PSHNOTIFY*>(lparam)->lParam != 0;
            if (from_ok) {
                if (page_key == kFileScanningPage && check_extension_definitions(page) != 0) {
                    answer(page, PSNRET_INVALID_NOCHANGEPAGE);
                    return true;
                }
                transfer_page_options(page, page_key, true);
                if (!wait_for_background_pause(settings_window.sheet_window)) {
                    // Cancelled while waiting: no page applies, the sheet closes.
                    answer(page, PSNRET_INVALID_NOCHANGEPAGE);
                    return true;
                }
                apply_options();
            }
            answer(page, PSNRET_NOERROR);
            return true;
        }
        default:
            return false;
    }
}

INT_PTR CALLBACK options_page_procedure(HWND page, UINT message, WPARAM wparam, LPARAM lparam,
                                        int page_key) {
    switch (message) {
        case WM_INITDIALOG:
            transfer_page_options(page, page_key, false);
            update_dependent_controls(page_key, page);
            return TRUE;
        case WM_COMMAND:
            if (HIWORD(wparam) == BN_CLICKED) update_dependent_controls(page_key, page);
            return FALSE;
        case WM_NOTIFY:
            return handle_sheet_notification(page, page_key, *reinterpret_cast<NMHDR*>(lparam),
                                             lparam);
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK file_scanning_page_procedure(HWND page, UINT message, WPARAM wparam,
                                              LPARAM lparam) {
    return options_page_procedure(page, message, wparam, lparam, kFileScanningPage);
}

INT_PTR CALLBACK background_page_procedure(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
    return options_page_procedure(page, message, wparam, lparam, kBackgroundPage);
}

HTREEITEM selected_item(HWND tree) {
    if (tree == nullptr) return nullptr;
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

// "Add" and "Remove": the selected directory's mark, then the marks of its drive.
void mark_selected_directory(HWND tree, int mark) {
    HTREEITEM item = selected_item(tree);
    char path[kTreePathSize];
    if (item == nullptr || !get_tree_item_path(tree, item, path)) return;
    if (!wait_for_background_pause(settings_window.sheet_window)) return;
    set_directory_mark(path, mark);
    HTREEITEM drive = item;
    while (HTREEITEM parent = reinterpret_cast<HTREEITEM>(
               SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(drive))))
        drive = parent;
    refresh_scan_marks(drive, tree);
}

// "Scan" and "Scan now": on "View log", the scan once the background scan has paused, or
// a word why none runs; nothing when the window was closed meanwhile.
void scan_when_paused(const char* directory, bool include_subdirectories) {
    show_log_page();
    if (!wait_for_background_pause(settings_window.sheet_window)) return;
    if (!start_immediate_scan(directory, include_subdirectories))
        MessageBoxA(settings_window.sheet_window, kScanNotStartedMessage, kScanNotStartedCaption,
                    MB_OK);
}

// The tree notifications both tree pages share; true when `message` was one of them,
// with the page's answer in *result.
bool handle_tree_notification(HWND tree, const NMHDR& header, LPARAM lparam, bool mark_scan_list,
                              LONG_PTR* result) {
    *result = 0;
    switch (header.code) {
        case TVN_GETDISPINFOA:
        case TVN_GETDISPINFOW: {
            // Every item shows an expand button until it is expanded.
            auto* info = reinterpret_cast<NMTVDISPINFOA*>(lparam);
            if (info->item.mask & TVIF_CHILDREN) info->item.cChildren = 1;
            return true;
        }
        case TVN_ITEMEXPANDINGA:
        case TVN_ITEMEXPANDINGW: {
            auto* change = reinterpret_cast<NMTREEVIEWA*>(lparam);
            if ((change->action & TVE_EXPAND) && tree != nullptr &&
                fill_subdirectories(change->itemNew.hItem, tree, mark_scan_list) == 0)
                *result = 1;
            return true;
        }
        case TVN_ITEMEXPANDEDA:
        case TVN_ITEMEXPANDEDW: {
            // Collapsing drops the children, so that the next expansion reads the disk
            // again.
            auto* change = reinterpret_cast<NMTREEVIEWA*>(lparam);
            if ((change->action & TVE_COLLAPSE) && tree != nullptr)
                SendMessageA(tree, TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET,
                             reinterpret_cast<LPARAM>(change->itemNew.hItem));
            return true;
        }
        default:
            return false;
    }
}

INT_PTR tree_page_notification(HWND page, int page_key, HWND tree, bool mark_scan_list,
                               LPARAM lparam) {
    const NMHDR& header = *reinterpret_cast<NMHDR*>(lparam);
    LONG_PTR result = 0;
    if (handle_tree_notification(tree, header, lparam, mark_scan_list, &result)) {
        answer(page, result);
        return result != 0 ? TRUE : FALSE;
    }
    return handle_sheet_notification(page, page_key, header, lparam);
}

INT_PTR CALLBACK directories_page_procedure(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            settings_window.directories_tree = build_drive_tree(page, IDC_DIRECTORIES_TREE, true);
            transfer_page_options(page, kDirectoriesPage, false);
            return TRUE;
        case WM_DESTROY:
            release_drive_tree(settings_window.directories_tree);
            settings_window.directories_tree = nullptr;
            return FALSE;
        case WM_COMMAND:
            if (HIWORD(wparam) != BN_CLICKED) return FALSE;
            switch (LOWORD(wparam)) {
                case IDC_ADD_DIRECTORY:
                    mark_selected_directory(settings_window.directories_tree, 1);
                    break;
                case IDC_REMOVE_DIRECTORY:
                    mark_selected_directory(settings_window.directories_tree, 0);
                    break;
                case IDC_SCAN_NOW:
                    scan_when_paused(nullptr, true);
                    break;
                default:
                    break;
            }
            return TRUE;
        case WM_NOTIFY:
            return tree_page_notification(page, kDirectoriesPage, settings_window.directories_tree,
                                          true, lparam);
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK immediate_scan_page_procedure(HWND page, UINT message, WPARAM wparam,
                                               LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            settings_window.immediate_tree = build_drive_tree(page, IDC_IMMEDIATE_TREE, false);
            transfer_page_options(page, kImmediateScanPage, false);
            CheckDlgButton(page, IDC_INCLUDE_SUBDIRECTORIES, BST_CHECKED);
            return TRUE;
        case WM_DESTROY:
            release_drive_tree(settings_window.immediate_tree);
            settings_window.immediate_tree = nullptr;
            return FALSE;
        case WM_COMMAND: {
            if (HIWORD(wparam) != BN_CLICKED || LOWORD(wparam) != IDC_SCAN) return FALSE;
            HWND tree = settings_window.immediate_tree;
            HTREEITEM item = selected_item(tree);
            char path[kTreePathSize];
            if (item == nullptr || !get_tree_item_path(tree, item, path)) return TRUE;
            const bool subdirectories =
                IsDlgButtonChecked(page, IDC_INCLUDE_SUBDIRECTORIES) != BST_UNCHECKED;
            scan_when_paused(path, subdirectories);
            return TRUE;
        }
        case WM_NOTIFY:
            return tree_page_notification(page, kImmediateScanPage, settings_window.immediate_tree,
                                          false, lparam);
        default:
            return FALSE;
    }
}

int CALLBACK sheet_callback(HWND sheet, UINT event, LPARAM) {
    if (event == PSCB_INITIALIZED) {
        settings_window.sheet_window = sheet;
        watch_sheet_for_cancel(sheet);
        SetClassLongPtrA(sheet, GCLP_HICON, reinterpret_cast<LONG_PTR>(startup.icon_normal));
        // No "?" button in the title bar.
        const LONG_PTR style = GetWindowLongPtrA(sheet, GWL_EXSTYLE);
        SetWindowLongPtrA(sheet, GWL_EXSTYLE, style & ~static_cast<LONG_PTR>(WS_EX_CONTEXTHELP));
    }
    return 0;
}

struct PageDescription {
    int template_id;
    DLGPROC procedure;
};

constexpr PageDescription kPages[kPageCount] = {
    {IDD_FILE_SCANNING, file_scanning_page_procedure},
    {IDD_BACKGROUND, background_page_procedure},
    {IDD_DIRECTORIES, directories_page_procedure},
    {IDD_IMMEDIATE_SCAN, immediate_scan_page_procedure},
    {IDD_VIEW_LOG, view_page_procedure},
};

}  // namespace

void show_log_page() {
    if (settings_window.sheet_window == nullptr) return;
    SendMessageA(settings_window.sheet_window, PSM_SETCURSEL,
                 static_cast<WPARAM>(settings_window.log_page_index), 0);
}

void open_settings_window(bool show_log) {
    if (settings_window.settings_open) return;
    settings_window.settings_open = true;
    InitCommonControls();

    settings_window.sheet_window = nullptr;
    settings_window.directories_tree = nullptr;
    settings_window.immediate_tree = nullptr;
    reset_view_state();
    options_state.options_applied = false;

    copy_options(&working_options, live_options);

    PROPSHEETPAGEA_V1 pages[kPageCount] = {};
    for (int index = 0; index < kPageCount; ++index) {
        PROPSHEETPAGEA_V1& page = pages[index];
        page.dwSize = PROPSHEETPAGEA_V1_SIZE;
        page.hInstance = startup.instance;
        page.pszTemplate = MAKEINTRESOURCEA(kPages[index].template_id);
        page.pfnDlgProc = kPages[index].procedure;
    }
    pages[kLogPageIndex].lParam = show_log ? 1 : 0;
    settings_window.log_page_index = kLogPageIndex;

    PROPSHEETHEADERA header = {};
    header.dwSize = PROPSHEETHEADERA_V1_SIZE;
    header.dwFlags = PSH_USEHICON | PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_USECALLBACK;
    header.hwndParent = nullptr;
    header.hInstance = startup.instance;
    header.hIcon = startup.icon_normal;
    header.pszCaption = kSettingsCaption;
    header.nPages = kPageCount;
    header.nStartPage = show_log ? kLogPageIndex : kImmediateScanPageIndex;
    header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(pages);
    header.pfnCallback = sheet_callback;
    PropertySheetA(&header);

    settings_window.sheet_window = nullptr;
    if (options_state.options_applied) save_options(working_options);
    release_options(&working_options);
    settings_window.settings_open = false;
    resume_scanning(2);
}
