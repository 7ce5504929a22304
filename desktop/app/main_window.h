// The hidden main window: owner of the tray icon, the print dialog and message boxes.
// Main thread.
#pragma once

#include "platform/win32/win32.h"

// The main window's procedure: the hand-over, the tray icon and its menu, the alerts'
// system commands.
LRESULT CALLBACK main_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The mode the hidden window serves. Main thread only: set by the entry before the
// removal asks, never cleared, since the process ends with the removal.
struct MainWindowState {
    bool removing;
};
extern MainWindowState main_window_state;
