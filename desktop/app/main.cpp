// The desktop program's entry: one executable that is the settings window, the background
// scanner in the tray, and (by its own name) its installer. Main thread.
#include "platform/win32/win32.h"

#include <cstring>

#include "classify/reader.h"
#include "platform/platform.h"
#include "desktop/install/install.h"
#include "desktop/install/remove.h"
#include "desktop/common/trace.h"
#include "resources/resource.h"
#include "settings/options.h"
#include "desktop/settings_window/registry.h"
#include "desktop/settings_window/sheet.h"
#include "desktop/app/modes.h"
#include "desktop/app/main_window.h"
#include "desktop/common/startup.h"
#include "desktop/tray/tray.h"
#include "desktop/splash/splash.h"

namespace {

// Held by the first start from before its splash until it ends, so that a second start
// made while the splash shows (before the main window exists) still finds it.
constexpr char kInstanceMutexName[] = "Inkhound_Instance";
// Longer than the first start's splash, with room for its start-up after it.
constexpr DWORD kHandOverWaitMilliseconds = kSplashMilliseconds + 3000;
constexpr DWORD kHandOverPollMilliseconds = 100;

// The executable's own name decides whether it goes on as the program; installer names
// install and end, like every other name but the program's.
bool check_executable_name() {
    // The whole buffer: a path of 259 characters, which the installer makes, still fits.
    char path[kModulePathSize];
    if (!platform_module_path(path, sizeof path)) return false;
    const NameAnswer answer = answer_for_executable_path(path);
    if (answer == NameAnswer::Install) install_program();
    return answer == NameAnswer::GoOn;
}

// The foreground first, so that the running program, which answers the message after
// it, decides which of its windows ends up in front.
void hand_over(HWND running) {
    SetForegroundWindow(running);
    PostMessageA(running, startup.notify_message, 0, WM_LBUTTONDBLCLK);
}

// Claims the single instance. When an earlier start holds the claim but has no window
// yet, waits for its window and returns it; returns null when this start is the first, or
// when none came (the holder installs, has a foreign name, or has ended) and this one goes
// on as the first. The claim's handle stays open for the life of the process.
HWND claim_instance() {
    HANDLE claim = CreateMutexA(nullptr, FALSE, kInstanceMutexName);
    if (claim == nullptr || GetLastError() != ERROR_ALREADY_EXISTS) return nullptr;
    for (DWORD waited = 0; waited < kHandOverWaitMilliseconds;
         waited += kHandOverPollMilliseconds) {
        Sleep(kHandOverPollMilliseconds);
        if (HWND running = FindWindowA(kMainWindowClass, kMainWindowTitle)) return running;
    }
    return nullptr;
}

bool register_main_window_class() {
    WNDCLASSEXA window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    window_class.lpfnWndProc = main_window_procedure;
    window_class.hInstance = startup.instance;
    window_class.hIcon = startup.icon_normal;
    window_class.hIconSm = startup.icon_normal;
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    window_class.lpszMenuName = MAKEINTRESOURCEA(IDR_TRAY_MENU);
    window_class.lpszClassName = kMainWindowClass;
    return RegisterClassExA(&window_class) != 0;
}

}  // namespace

// The entry: returns the process's exit code.
int program_main(HINSTANCE instance, HINSTANCE, char* arguments, int) {
    // The instance, for resources and windows.
    startup.instance = instance;

    // Deleting a removed copy sets nothing else up; "/DELETE" counts only in capitals.
    StartSwitches switches = read_start_switches(arguments);
    if (switches.delete_copy) {
        delete_removed_copy(arguments);
        return 0;
    }

    // One instance: a second start wakes the first as a double-click on its tray icon, also
    // when the first is still showing its splash.
    startup.notify_message = RegisterWindowMessageA(kNotifyMessageName);
    HWND running = FindWindowA(kMainWindowClass, kMainWindowTitle);
    if (running == nullptr) running = claim_instance();
    if (running != nullptr) {
        hand_over(running);
        return 1;
    }

    // The splash; start-up waits for it.
    show_splash();

    // The cursors and icons every window shares.
    startup.arrow_cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    startup.wait_cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32514));   // IDC_WAIT
    startup.icon_normal = LoadIconA(instance, MAKEINTRESOURCEA(IDI_NORMAL));
    startup.icon_active = LoadIconA(instance, MAKEINTRESOURCEA(IDI_ACTIVE));
    startup.icon_alert = LoadIconA(instance, MAKEINTRESOURCEA(IDI_ALERT));

    // Only the program's own name goes on; installer names install first.
    if (!check_executable_name()) return 0;

    // The tray menu and the hidden main window a second start looks for.
    startup.tray_menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_TRAY_MENU));
    if (startup.tray_menu == nullptr) return 1;
    if (!register_main_window_class()) return 1;
    // Not checked: the program goes on without it, as the settings window needs none.
    startup.main_window = CreateWindowExA(0, kMainWindowClass, kMainWindowTitle,
                                          WS_POPUP | WS_MINIMIZE | WS_CLIPSIBLINGS | WS_BORDER, 0,
                                          0, 10, 10, nullptr, startup.tray_menu, instance, nullptr);

    // The removal, once the window a second start looks for exists.
    if (switches.remove) {
        main_window_state.removing = true;
        remove_program();
        return 0;
    }

    // The scan directory list, the platform and the options; the debug trace.
    load_options();
    trace_state.debug_enabled = switches.debug;
    trace_state.trace_file = nullptr;

    // The background run ends the process itself; otherwise the settings window.
    if ((live_options.background_scan_flags & kBackgroundScansEnabled) && switches.background)
        run_in_background();
    open_settings_window(false);

    // The end of the run: the debug trace closed.
    close_trace();
    return 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR arguments, int show_command) {
    return program_main(instance, previous, arguments, show_command);
}
