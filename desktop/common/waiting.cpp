// The loops that wait for something other than a message: printing, and a background scan
// reaching its pause. User-interface thread.
#include "desktop/common/waiting.h"

#include <prsht.h>

#include "desktop/common/pause_wait.h"
#include "scan/background.h"

namespace {

constexpr int kNoteMargin = 4;     // pixels around the note
constexpr int kMostControls = 24;  // the sheet's own: tabs, pages, buttons, "Print log"

// The one wait for the scanner's pause and the sheet it runs for. User-interface thread
// only: written by the wait and by the sheet's procedure, which that thread runs.
struct SheetWait {
    WNDPROC sheet_procedure;  // the watched sheet's own procedure
    bool unicode;             // the sheet is a Unicode window
    HWND sheet;               // the sheet a wait runs for; null while none runs
    bool cancelled;           // the user cancelled or closed it during that wait
    HWND disabled[kMostControls];
    int disabled_count;
    HWND hidden[kMostControls];  // the button row's own buttons ("Print log"), where the
    int hidden_count;            // note stands
    HWND note;                   // the line saying what the sheet waits for
    HWND focus;                  // where the keyboard was before the wait
};
SheetWait sheet_wait;

bool is_cancel_message(UINT message, WPARAM wparam) {
    return (message == WM_COMMAND && LOWORD(wparam) == IDCANCEL) || message == WM_CLOSE ||
           (message == WM_SYSCOMMAND && (wparam & 0xFFF0) == SC_CLOSE) ||
           (message == PSM_PRESSBUTTON && wparam == PSBTN_CANCEL);
}

// The sheet's procedure under the watch: notes a cancel during a wait and passes every
// message on, so that the sheet closes as it always does.
LRESULT CALLBACK watched_sheet_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (window == sheet_wait.sheet && is_cancel_message(message, wparam))
        sheet_wait.cancelled = true;
    if (sheet_wait.unicode)
        return CallWindowProcW(sheet_wait.sheet_procedure, window, message, wparam, lparam);
    return CallWindowProcA(sheet_wait.sheet_procedure, window, message, wparam, lparam);
}

// Like pump_waiting_messages, with the sheet's keys (Escape, Tab) handled as its own loop
// would; false when a quit message came.
bool pump_sheet_messages(HWND sheet) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        if (sheet != nullptr && IsDialogMessageA(sheet, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return true;
}

RECT child_rect(HWND sheet, HWND child) {
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, sheet, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The note below the tabs, from their left edge to OK, in OK's font; the buttons that
// stand there meanwhile are hidden. Without the tabs or OK there is no note.
void show_note(HWND sheet, HWND tabs, HWND ok) {
    if (tabs == nullptr || ok == nullptr) return;
    const RECT tab_rect = child_rect(sheet, tabs), ok_rect = child_rect(sheet, ok);
    RECT client = {};
    GetClientRect(sheet, &client);
    const int left = tab_rect.left, top = tab_rect.bottom + kNoteMargin;
    const int width = ok_rect.left - kNoteMargin - left, height = client.bottom - kNoteMargin - top;
    if (width <= 0 || height <= 0) return;
    for (HWND child = GetWindow(sheet, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        const RECT rect = child_rect(sheet, child);
        if (!IsWindowVisible(child) || rect.top < top || rect.right > ok_rect.left) continue;
        if (sheet_wait.hidden_count == kMostControls) break;
        ShowWindow(child, SW_HIDE);
        sheet_wait.hidden[sheet_wait.hidden_count++] = child;
    }
    sheet_wait.note = CreateWindowExA(0, "Static", kWaitingForPauseText,
                                      WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, left, top,
                                      width, height, sheet, nullptr, nullptr, nullptr);
    if (sheet_wait.note != nullptr)
        SendMessageA(sheet_wait.note, WM_SETFONT, SendMessageA(ok, WM_GETFONT, 0, 0), TRUE);
}

// Everything of the sheet but Cancel disabled, the keyboard on Cancel, a note saying what
// the sheet waits for.
void begin_sheet_wait(HWND sheet) {
    sheet_wait.sheet = sheet;
    sheet_wait.cancelled = false;
    sheet_wait.disabled_count = 0;
    sheet_wait.hidden_count = 0;
    sheet_wait.note = nullptr;
    sheet_wait.focus = GetFocus();
    if (sheet == nullptr) return;
    HWND cancel = GetDlgItem(sheet, IDCANCEL);
    for (HWND child = GetWindow(sheet, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (child == cancel || !IsWindowEnabled(child)) continue;
        // More controls than the sheet has would stay enabled rather than stay disabled.
        if (sheet_wait.disabled_count == kMostControls) break;
        EnableWindow(child, FALSE);
        sheet_wait.disabled[sheet_wait.disabled_count++] = child;
    }
    if (cancel != nullptr) SetFocus(cancel);
    show_note(sheet, PropSheet_GetTabControl(sheet), GetDlgItem(sheet, IDOK));
}

void end_sheet_wait() {
    HWND sheet = sheet_wait.sheet;
    sheet_wait.sheet = nullptr;
    if (sheet == nullptr || !IsWindow(sheet)) return;
    if (sheet_wait.note != nullptr) DestroyWindow(sheet_wait.note);
    for (int index = 0; index < sheet_wait.hidden_count; ++index)
        if (IsWindow(sheet_wait.hidden[index])) ShowWindow(sheet_wait.hidden[index], SW_SHOW);
    for (int index = 0; index < sheet_wait.disabled_count; ++index)
        if (IsWindow(sheet_wait.disabled[index])) EnableWindow(sheet_wait.disabled[index], TRUE);
    if (sheet_wait.focus != nullptr && IsWindow(sheet_wait.focus)) SetFocus(sheet_wait.focus);
}

WaitStep step_now(bool cancelled) {
    return next_wait_step(static_cast<ScannerState>(background_scanner.scanner_state.load()),
                          static_cast<ScannerCommand>(background_scanner.scanner_command.load()),
                          cancelled);
}

}  // namespace

void pump_waiting_messages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void watch_sheet_for_cancel(HWND sheet) {
    if (sheet == nullptr) return;
    sheet_wait.unicode = IsWindowUnicode(sheet) != FALSE;
    const LONG_PTR wrapper = reinterpret_cast<LONG_PTR>(watched_sheet_procedure);
    sheet_wait.sheet_procedure = reinterpret_cast<WNDPROC>(
        sheet_wait.unicode ? SetWindowLongPtrW(sheet, GWLP_WNDPROC, wrapper)
                           : SetWindowLongPtrA(sheet, GWLP_WNDPROC, wrapper));
}

// The background scanner may still be inside a long file when the settings window opens
// (its pause request gives up after 20 seconds). Until it reaches its pause the live
// options, the scan directory list and the reader are its own, so the click waits for
// it; the user can still cancel or close the window meanwhile.
bool wait_for_background_pause(HWND sheet) {
    WaitStep step = step_now(false);
    if (step == WaitStep::Go) return true;
    // The controls that could start a second wait are disabled during the first.
    if (sheet_wait.sheet != nullptr) return false;
    begin_sheet_wait(sheet);
    for (;;) {
        const bool gone = sheet != nullptr && !IsWindow(sheet);
        step = step_now(sheet_wait.cancelled || gone);
        if (step == WaitStep::Go || step == WaitStep::Drop) break;
        if (step == WaitStep::AskForPause) request_pause();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 200, QS_ALLINPUT);
        if (!pump_sheet_messages(sheet)) {
            step = WaitStep::Drop;
            break;
        }
    }
    end_sheet_wait();
    return step == WaitStep::Go;
}
