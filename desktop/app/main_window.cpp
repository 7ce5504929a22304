// The hidden main window's procedure: the tray icon's clicks and menu, a second start's
// hand-over, the alerts' system commands and timers. Main thread, in the background
// run's loop or the settings window's.
#include "platform/win32/win32.h"

#include <cstdlib>

#include "resources/resource.h"
#include "scan/background.h"
#include "desktop/settings_window/sheet.h"
#include "desktop/app/main_window.h"
#include "desktop/app/modes.h"
#include "desktop/common/startup.h"
#include "desktop/common/trace.h"
#include "desktop/results/view.h"
#include "desktop/tray/tray.h"

StartupState startup;
MainWindowState main_window_state = {false};

namespace {

// The tray icon's identifier: its clicks carry it as the first parameter, a second
// start's hand-over carries 0.
constexpr WPARAM kTrayIconId = 1;

// The first shown window of this thread but the hidden one: the removal's message box,
// which has no owner to be found by.
BOOL CALLBACK find_shown_window(HWND window, LPARAM found) {
    if (window == startup.main_window || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

void bring_removal_to_front() {
    HWND shown = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), find_shown_window, reinterpret_cast<LPARAM>(&shown));
    if (shown != nullptr) SetForegroundWindow(shown);
}

LRESULT on_notify_message(HWND window, WPARAM wparam, LPARAM lparam) {
    const HandOver answer =
        answer_hand_over(main_window_state.removing, settings_window.settings_open);
    if (answer == HandOver::FrontRemoval) {
        if (lparam == WM_LBUTTONDBLCLK) bring_removal_to_front();
        return DefWindowProcA(window, startup.notify_message, wparam, lparam);
    }
    if (answer == HandOver::FrontSettings) {
        // The icon does not react while the settings window is open; a second start
        // brings that window to the front.
        if (wparam != kTrayIconId && lparam == WM_LBUTTONDBLCLK &&
            settings_window.sheet_window != nullptr)
            SetForegroundWindow(settings_window.sheet_window);
        return DefWindowProcA(window, startup.notify_message, wparam, lparam);
    }
    switch (lparam) {
        case WM_LBUTTONDBLCLK:
            pause_scanning();
            handle_scanner_messages();
            clear_alert_display();
            open_settings_window(true);
            return 1;
        case WM_RBUTTONDOWN: {
            clear_alert_display();
            POINT cursor = {};
            GetCursorPos(&cursor);
            show_tray_menu(cursor.x);
            return 1;
        }
        default:
            return DefWindowProcA(window, startup.notify_message, wparam, lparam);
    }
}

void on_command(HWND window, WORD command) {
    switch (command) {
        case IDM_SETTINGS:
            pause_scanning();
            handle_scanner_messages();
            open_settings_window(true);
            break;
        case IDM_CLOSE:
            stop_scanning();
            DestroyWindow(window);
            break;
        case IDM_PAUSE_OR_RESUME:
            if (is_scanning_paused())
                resume_scanning(0);
            else
                pause_scanning();
            break;
        default:
            break;
    }
}

LRESULT on_system_command(HWND window, WPARAM wparam, LPARAM lparam) {
    switch (wparam) {
        case SC_MINIMIZE:
            if (!settings_window.settings_open) {
                ShowWindow(window, SW_SHOWMINIMIZED);
                start_flash_timer(kTaskbarFlashTimer);
            }
            return 0;
        case SC_MAXIMIZE:
        case SC_RESTORE:
            if (main_window_state.removing) {
                bring_removal_to_front();
                return 0;
            }
            clear_alert_display();
            if (!settings_window.settings_open) {
                pause_scanning();
                handle_scanner_messages();
                open_settings_window(true);
            } else if (settings_window.sheet_window != nullptr) {
                ShowWindow(settings_window.sheet_window, SW_SHOW);
            }
            return 0;
        default:
            return DefWindowProcA(window, WM_SYSCOMMAND, wparam, lparam);
    }
}

// The scanner's note on a log it could not write whole, or null after a whole log: kept
// for "View log" and written to the debug trace.
void take_log_note(char* note) {
    set_log_note(note);
    if (note != nullptr && trace_state.debug_enabled) debug_trace("%s", note);
    std::free(note);
}

void set_pause_item_text() {
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_TYPE;
    item.fType = MFT_STRING;
    item.dwTypeData =
        const_cast<char*>(is_scanning_paused() ? kResumeScanningText : kPauseScanningText);
    SetMenuItemInfoA(startup.tray_menu, IDM_PAUSE_OR_RESUME, FALSE, &item);
}

}  // namespace

LRESULT CALLBACK main_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (startup.notify_message != 0 && message == startup.notify_message)
        return on_notify_message(window, wparam, lparam);
    if (handle_scanner_message(message, wparam, lparam)) return 0;
    if (message == kLogNoteMessage) {
        take_log_note(reinterpret_cast<char*>(lparam));
        return 0;
    }
    if (tray_state.taskbar_created != 0 && message == tray_state.taskbar_created) {
        restore_tray_icon();
        return 0;
    }
    switch (message) {
        case WM_CREATE:
        case WM_DESTROY:
            settings_window.settings_open = false;
            break;
        case WM_COMMAND:
            on_command(window, LOWORD(wparam));
            break;
        case WM_SYSCOMMAND:
            return on_system_command(window, wparam, lparam);
        case WM_TIMER:
            if (settings_window.settings_open) return 0;
            if (wparam == kTaskbarFlashTimer) FlashWindow(window, TRUE);
            if (wparam == kTrayFlashTimer && tray_state.tray_flashing) flash_tray_image(true);
            return 0;
        case WM_INITMENUPOPUP:
            set_pause_item_text();
            break;
        default:
            break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}
