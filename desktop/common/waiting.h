// The loops that wait for something other than a message while keeping the windows
// painted. User-interface thread.
#pragma once

#include "platform/win32/win32.h"

// The line the settings window shows while a click waits for the background scan.
constexpr char kWaitingForPauseText[] = "Waiting for the background scan to pause...";

// Dispatches every message waiting for the calling thread, for the loops that wait on
// something else (printing, a background scan reaching its pause). A quit message is
// posted again for the loop that owns it.
void pump_waiting_messages();

// Watches `sheet` from now on for the user's cancel or close (Cancel, Escape, the close
// box), which a wait under way takes as the end of its click. Once per sheet, when it
// exists.
void watch_sheet_for_cancel(HWND sheet);

// Waits, with no limit, until the background scanner is no longer inside a scan: before
// the options are applied, the list is edited or an immediate scan starts. Meanwhile the
// windows are painted and answer, every control of `sheet` (when not null) but Cancel is
// disabled, and a line below its tabs says what it waits for. Returns true at once when no scan
// runs and true once it has paused; false when the user cancelled or closed the sheet
// meanwhile, or the sheet is gone: the click is then dropped and nothing written.
bool wait_for_background_pause(HWND sheet);
