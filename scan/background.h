// The background scanner: one thread that scans the whole scan directory list into the
// log file every scanning period, paused, resumed and stopped by the user interface.
// The state machine is here; the event, the period timer, the tray and the alerts are
// the host's, so that the same machine runs under the desktop program and under tests.
#pragma once

#include <atomic>
#include <cstdint>

#include "report/report.h"

enum class ScannerState : std::uint8_t { Idle = 0, Delaying = 1, Active = 2, Paused = 3 };
enum class ScannerCommand : std::uint8_t { NoCommand = 0, Pause = 4, Stop = 5, Resume = 6 };

// The tray's image as the scanner sets it.
enum class TrayImage : std::uint8_t { Normal, Active };

constexpr char kTipDelaying[] = "Inkhound - delaying";
constexpr char kTipPaused[] = "Inkhound - paused";
constexpr char kTipActive[] = "Inkhound - active";
// Instead of the delaying tip while the last scan's log is not whole.
constexpr char kTipLogNotWritten[] = "Inkhound - last log not written";
constexpr char kStartingBackgroundScan[] = "Starting a background scan";
constexpr char kFinishedBackgroundScan[] = "Finished the background scan";
constexpr char kBackgroundScanStopped[] = "Background scan stopped by user";

constexpr std::int32_t kFirstScanDelaySeconds = 30;
// A request polls the scanner's state this often, this many times: 20 seconds at most.
constexpr std::uint32_t kRequestPollMilliseconds = 500;
constexpr int kRequestPolls = 40;

// What the scanner needs of the program around it.
struct ScannerHost {
    // One tick calls scanner_timer_ticked(arming).
    void (*arm_timer)(std::uint32_t milliseconds, std::uint32_t arming);
    void (*stop_timer)();
    void (*wait_event)();  // auto-reset: one signal wakes one wait
    void (*signal_event)();
    void (*sleep_milliseconds)(std::uint32_t milliseconds);
    void (*set_tray_status)(const char* tip, TrayImage image);
    void (*clear_alert_display)();
    void (*raise_alerts)();
    // After each merge: null when the scan's whole log was written, else the note that
    // says which scan's log is missing and why (a text of the scanner's own, to copy).
    void (*tell_log_outcome)(const char* note);
};

// Whether the log's merge may begin, so that the end of the process never cuts one off.
enum class MergeGate : std::uint8_t { Open, Merging, Closed };

// One instance. State and command are single bytes: the state written by the scanner
// thread alone, the command by the requests (the thread only turns Resume back into
// NoCommand).
struct BackgroundScanner {
    std::atomic<std::uint8_t> scanner_state;
    std::atomic<std::uint8_t> scanner_command;
    std::atomic<std::int32_t> next_delay_seconds;
    // The delay of the last resume request: a pass already under way when the request
    // came may arm and overwrite next_delay_seconds before it wakes for the resume.
    std::atomic<std::int32_t> resume_delay_seconds;
    // The timer is armed and stopped by the host, perhaps later than asked, so a tick may
    // come after the scanner woke for another reason and must not cut the next delay
    // short. Each arming has a number: a tick counts only for the arming waited on.
    std::atomic<std::uint32_t> awaited_arming;  // 0 while no delay is waited on
    std::atomic<std::uint32_t> ticked_arming;   // the arming whose tick came last
    std::uint32_t last_arming;                  // scanner thread only
    bool log_missing;  // scanner thread only: the last scan's log was not written whole
    // The scanner thread turns Open into Merging for the time of its merge, and back;
    // stop_scanning, once its wait has run out, turns Open into Closed (no merge begins
    // after it) or waits while Merging. prepare_background_scanner opens it.
    std::atomic<std::uint8_t> merge_gate;
    const ScannerHost* host;
    ScanState scan;  // the background scan's own sink and counters
};
extern BackgroundScanner background_scanner;

// Before the thread starts: the log file's slots forgotten, found_something cleared,
// state Idle, no command.
void prepare_background_scanner(const ScannerHost* host);

// The thread has been created and is about to run: from now on requests wait for it,
// even before its first step (a pause asked for meanwhile is not lost).
void scanner_thread_created();
// The created thread could not be set running: there is no scanner (Idle), so nothing
// waits for a scan that never comes.
void scanner_thread_not_started();

// The host's timer tick for `arming`: wakes the scanner when it waits on that arming.
// Any thread.
void scanner_timer_ticked(std::uint32_t arming);

// The scanner thread's body: delay, scan, alert, until a stop.
void run_scanner_thread();

// One complete scan of the list into the log file, on the scanner thread.
void run_background_scan();

// The walker's check between entries of a background scan: blocks while a pause is in
// force; true when a stop was requested.
bool pause_or_stop_requested();

// Requests of the user-interface thread. Each returns at once while no scanner runs.
void pause_scanning();  // waits up to 20 seconds for the pause
// Asks for a pause and returns at once, for a caller that waits in its own way.
void request_pause();
// Ends a pause, or a pause requested and not yet taken (a scan still inside a long file
// when its request gave up waiting); above 0, the delay before the next scan.
void resume_scanning(int delay_seconds);
// Waits up to 20 seconds for the end, and past that for a merge under way: the process
// may end once it returns, and no merge begins afterwards.
void stop_scanning();
bool is_scanning_paused();
// Whether a background scan is running (not yet at a pause point): until it is not, the
// live options, the scan directory list and the reader are the scan's.
bool background_scan_running();
