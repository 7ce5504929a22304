// The settings window: a modal property sheet of five pages over working_options, and
// the page procedures of its first four pages ("View log" is the results view's). Runs
// on the user-interface thread, inside the sheet's modal loop.
#pragma once

#include "platform/win32/win32.h"

// One per process.
struct SettingsWindowState {
    bool settings_open;     // for the whole run of open_settings_window
    HWND sheet_window;      // set by the sheet's callback, cleared when the sheet returns
    HWND directories_tree;  // the "Directories" page's tree while that page exists
    HWND immediate_tree;    // the "Immediate scan" page's tree while that page exists
    int log_page_index;     // the "View log" page's index in the sheet: 4
};
extern SettingsWindowState settings_window;

constexpr char kSettingsCaption[] = "Inkhound settings";
// Told when "Scan" or "Scan now" could start no scan (no memory, no thread).
constexpr char kScanNotStartedMessage[] = "Could not start the immediate scan";
constexpr char kScanNotStartedCaption[] = "Scan Error";

// Opens the settings window and returns when it has closed; `show_log` starts it on the
// "View log" page with the log loaded. A second call while one is open does nothing.
void open_settings_window(bool show_log);

// Switches the sheet to the "View log" page (before an immediate scan starts).
void show_log_page();
