// The loops that wait for something other than a message while keeping the windows
// painted. User-interface thread.
#pragma once

#include "platform/win32/win32.h"

// Dispatches every message waiting for the calling thread, for the loops that wait on
// something else (printing, a background scan reaching its pause). A quit message is
// posted again for the loop that owns it.
void pump_waiting_messages();

// Returns once the background scanner is no longer inside a scan (at once when it is
// paused or not running), pumping messages with `sheet` (when not null) disabled
// meanwhile: before the options are applied, the list is edited or an immediate scan
// starts.
void wait_for_background_pause(HWND sheet);
