// The loops that wait for something other than a message: printing, and a background scan
// reaching its pause. User-interface thread.
#include "desktop/common/waiting.h"

#include "desktop/common/startup.h"
#include "scan/background.h"

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

// The background scanner may still be inside a long file when the settings window opens
// (its pause request gives up after 20 seconds). Until it reaches its pause the live
// options, the scan directory list and the reader are its own, so applying, editing the
// list and starting a scan wait for it, with the sheet disabled and its messages pumped.
void wait_for_background_pause(HWND sheet) {
    if (!background_scan_running()) return;
    const bool was_enabled = sheet != nullptr && IsWindowEnabled(sheet);
    if (was_enabled) EnableWindow(sheet, FALSE);
    SetCursor(startup.wait_cursor);
    while (background_scan_running()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 200, QS_ALLINPUT);
        pump_waiting_messages();
    }
    SetCursor(startup.arrow_cursor);
    if (was_enabled) EnableWindow(sheet, TRUE);
}
