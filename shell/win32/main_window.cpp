// The hidden main window's procedure: in the settings mode it only answers a second
// start's hand-over by bringing the settings window to the front. Main thread.
#include "platform/win32/win32.h"

#include "settings/win32/sheet.h"
#include "shell/win32/program.h"

StartupState startup;

namespace {

// The icon identifier of the tray icon: its clicks carry it as the first parameter, a
// second start's hand-over carries 0.
constexpr WPARAM kTrayIconId = 1;

}  // namespace

LRESULT CALLBACK main_window_procedure(HWND window, UINT message, WPARAM wparam,
                                       LPARAM lparam) {
    if (message == startup.notify_message && startup.notify_message != 0) {
        if (settings_window.settings_open) {
            // The icon does not react while the settings window is open; a second start
            // still finds it and brings it to the front.
            if (wparam != kTrayIconId && lparam == WM_LBUTTONDBLCLK &&
                settings_window.sheet_window != nullptr) {
                SetForegroundWindow(settings_window.sheet_window);
                return 1;
            }
            return DefWindowProcA(window, message, wparam, lparam);
        }
        return DefWindowProcA(window, message, wparam, lparam);
    }
    switch (message) {
        case WM_CREATE:
        case WM_DESTROY:
            settings_window.settings_open = false;
            break;
        default:
            break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}
