// The background run: the tray icon, the scanner thread over the desktop's host (an
// auto-reset event, timer 1 of the main window, the tray, the alerts) and the main
// window's message loop.
#include "desktop/tray/tray.h"

#include <cstdlib>
#include <cstring>

#include "scan/background.h"
#include "desktop/common/startup.h"

namespace {

// Main thread only: a start makes the event and the thread, and the next start closes
// them once that thread has ended; a scanner thread never closes what a newer one waits
// on.
struct ScannerHandles {
    HANDLE scanner_event;
    HANDLE scanner_thread;
    std::uint32_t timer_arming;  // main thread: the arming timer 1 runs for
};
ScannerHandles scanner_handles;

// The period timer's tick: it only tells the scanner, which drops a stale one.
void CALLBACK scanner_timer_tick(HWND, UINT, UINT_PTR, DWORD) {
    scanner_timer_ticked(scanner_handles.timer_arming);
}

// The system gives a window's timers only to its own thread: the main thread arms and
// stops timer 1 on the scanner's posted messages.
void arm_timer(std::uint32_t milliseconds, std::uint32_t arming) {
    PostMessageA(startup.main_window, kArmScannerTimerMessage, milliseconds,
                 static_cast<LPARAM>(arming));
}
void stop_timer() {
    PostMessageA(startup.main_window, kStopScannerTimerMessage, 0, 0);
}
void wait_event() {
    WaitForSingleObject(scanner_handles.scanner_event, INFINITE);
}
void signal_event() {
    SetEvent(scanner_handles.scanner_event);
}
void sleep_milliseconds(std::uint32_t milliseconds) {
    Sleep(milliseconds);
}
void set_status(const char* tip, TrayImage image) {
    post_tray_status(tip, image == TrayImage::Active ? startup.icon_active : startup.icon_normal);
}

// The note belongs to the main thread once posted; a note the window cannot take is
// freed here.
void tell_log_outcome(const char* note) {
    char* copy = nullptr;
    if (note != nullptr) {
        const std::size_t size = std::strlen(note) + 1;
        copy = static_cast<char*>(std::malloc(size));
        if (copy == nullptr) return;
        std::memcpy(copy, note, size);
    }
    if (!PostMessageA(startup.main_window, kLogNoteMessage, 0, reinterpret_cast<LPARAM>(copy)))
        std::free(copy);
}

const ScannerHost kDesktopHost = {arm_timer,           stop_timer,         wait_event,
                                  signal_event,        sleep_milliseconds, set_status,
                                  clear_alert_display, raise_alerts,       tell_log_outcome};

DWORD WINAPI scanner_thread(void*) {
    run_scanner_thread();
    return 0;
}

}  // namespace

void start_background_scanner() {
    // A thread that a stop gave up on keeps its handles: it may still wait on the event.
    if (scanner_handles.scanner_thread != nullptr &&
        WaitForSingleObject(scanner_handles.scanner_thread, kRequestPollMilliseconds) ==
            WAIT_OBJECT_0) {
        CloseHandle(scanner_handles.scanner_thread);
        CloseHandle(scanner_handles.scanner_event);
    }
    scanner_handles.scanner_thread = nullptr;
    scanner_handles.scanner_event = nullptr;
    prepare_background_scanner(&kDesktopHost);
    scanner_handles.scanner_event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (scanner_handles.scanner_event == nullptr) return;
    scanner_handles.scanner_thread =
        CreateThread(nullptr, 0, scanner_thread, nullptr, CREATE_SUSPENDED, nullptr);
    if (scanner_handles.scanner_thread == nullptr) return;
    scanner_thread_created();
    if (ResumeThread(scanner_handles.scanner_thread) == static_cast<DWORD>(-1)) {
        // A thread that never runs would hold every click that waits for its pause.
        TerminateThread(scanner_handles.scanner_thread, 0);
        CloseHandle(scanner_handles.scanner_thread);
        scanner_handles.scanner_thread = nullptr;
        CloseHandle(scanner_handles.scanner_event);
        scanner_handles.scanner_event = nullptr;
        scanner_thread_not_started();
    }
}

void handle_scanner_messages() {
    MSG message;
    while (PeekMessageA(&message, startup.main_window, kArmScannerTimerMessage, kLogNoteMessage,
                        PM_REMOVE))
        DispatchMessageA(&message);
}

// The main window's side of the scanner's posted requests; true when `message` was one.
bool handle_scanner_message(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case kArmScannerTimerMessage:
            scanner_handles.timer_arming = static_cast<std::uint32_t>(lparam);
            SetTimer(startup.main_window, kScannerTimer, static_cast<UINT>(wparam),
                     scanner_timer_tick);
            return true;
        case kStopScannerTimerMessage:
            KillTimer(startup.main_window, kScannerTimer);
            return true;
        case kClearAlertDisplayMessage:
            clear_alert_display();
            return true;
        case kTrayStatusMessage:
            set_tray_status(reinterpret_cast<const char*>(wparam), reinterpret_cast<HICON>(lparam));
            return true;
        case kStartFlashTimerMessage:
            start_flash_timer(wparam);
            return true;
        default:
            return false;
    }
}

void run_in_background() {
    tray_state.taskbar_created = RegisterWindowMessageA("TaskbarCreated");
    if (!add_tray_icon(kTipDelaying)) ExitProcess(1);
    start_background_scanner();
    MSG message;
    // Ends when the main window has been destroyed ("Close Inkhound"): retrieval for it
    // then fails.
    while (GetMessageA(&message, startup.main_window, 0, 0) == 1) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    remove_tray_icon();
    ExitProcess(0);
}
