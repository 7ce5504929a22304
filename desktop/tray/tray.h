// The background run in the notification area: the tray icon and its menu, the alert
// display, the alerts themselves and the scanner's host. The icon, its image and tip, the
// flashing and the main window's timers belong to the main thread; the scanner thread
// reaches them only by posted messages.
#pragma once

#include "platform/win32/win32.h"

// Main thread only.
struct TrayState {
    bool tray_icon_added;      // every later change of the icon is skipped while clear
    HICON current_tray_image;  // the image last given to the icon; none at start-up
    char tip[64];              // the tip last given, for adding the icon again
    bool tray_flashing;        // timer 3 swaps the image only while set
    UINT taskbar_created;      // the shell's "TaskbarCreated": its tray is new and empty
};
extern TrayState tray_state;

// Timers of the main window: the scanner's delay, the task-bar button flash, the tray
// image flash.
constexpr UINT_PTR kScannerTimer = 1;
constexpr UINT_PTR kTaskbarFlashTimer = 2;
constexpr UINT_PTR kTrayFlashTimer = 3;
constexpr UINT kFlashMilliseconds = 1000;

// Messages the scanner thread posts to the main window, so that the main thread arms and
// stops the window's timers and hides it (the system gives a window's timers only to
// its own thread, and a sent message would block the scanner while the main thread
// waits for it to pause). One range, from the first to the last: handle_scanner_messages
// takes these, and only these.
constexpr UINT kArmScannerTimerMessage = WM_APP + 1;  // wparam: milliseconds; lparam: arming
constexpr UINT kStopScannerTimerMessage = WM_APP + 2;
constexpr UINT kClearAlertDisplayMessage = WM_APP + 3;
constexpr UINT kStartFlashTimerMessage = WM_APP + 4;  // wparam: the timer
constexpr UINT kTrayStatusMessage = WM_APP + 5;       // wparam: the tip; lparam: the image
// lparam: the note on a log not written whole, in memory from malloc that the main
// window frees, or null after a whole log. The main window keeps it for "View log".
constexpr UINT kLogNoteMessage = WM_APP + 6;

constexpr char kPauseScanningText[] = "Pause scanning";
constexpr char kResumeScanningText[] = "Resume scanning";

bool add_tray_icon(const char* tip);
// Changes the tip (cut to fit), the image, or both; null leaves either as it is. Main
// thread.
void set_tray_status(const char* tip, HICON image);
// The same from any thread, by a message posted to the main window: `tip` must be a
// text that lives as long as the program (one of the scanner's tips), or null.
void post_tray_status(const char* tip, HICON image);
void flash_tray_image(bool toggle);
void remove_tray_icon();
void show_tray_menu(int x);
// Stops both flashes, hides the main window, shows the normal image. Any thread: from
// another one, the main thread does it on a posted message, so a flash tick it is
// handling meanwhile cannot put the alert image back afterwards.
void clear_alert_display();
// After the shell has restarted: the icon again, with its last image and tip.
void restore_tray_icon();
// Main thread: (re)arms timer 2 or 3 of the main window every second.
void start_flash_timer(UINT_PTR timer);

// After a background scan that found something, on the scanner thread.
void raise_alerts();

// Handles the messages the scanner has posted so far: after a request has waited for
// the scanner, so that the tray shows its state before anything else opens. Main thread.
void handle_scanner_messages();

// The main window's side of the scanner's posted requests; true when `message` was one.
bool handle_scanner_message(UINT message, WPARAM wparam, LPARAM lparam);

// The scanner thread over the desktop's host; no thread when no event can be made.
void start_background_scanner();

// The background run: the icon, the scanner, the main window's messages; ends the
// process (1 when the icon cannot be added, else 0 after "Close Inkhound").
[[noreturn]] void run_in_background();
