// What start-up sets up for the rest of the desktop program: the instance, the hand-over
// message, the hidden main window, the tray menu, icons and cursors. Written once by the
// entry on the main thread before any other thread starts; read anywhere afterwards.
#pragma once

#include "platform/win32/win32.h"

struct StartupState {
    HINSTANCE instance;
    UINT notify_message;  // "Inkhound_Notify_Message": the hand-over and the tray's callback
    HWND main_window;     // hidden; owns the tray icon, the print dialog and message boxes
    HMENU tray_menu;
    HICON icon_normal;
    HICON icon_active;
    HICON icon_alert;
    HCURSOR arrow_cursor;
    HCURSOR wait_cursor;
};
extern StartupState startup;

constexpr char kNotifyMessageName[] = "Inkhound_Notify_Message";
constexpr char kMainWindowClass[] = "Inkhound_Notify_Window";
constexpr char kMainWindowTitle[] = "Inkhound ALERT";
