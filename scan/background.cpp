// The background scanner's state machine: the scanner thread's loop, its scan of the
// whole list into the log file, the check the walker makes between entries, and the
// requests of the user-interface thread.
#include "scan/background.h"

#include "report/logfile.h"
#include "scan/walker.h"
#include "settings/dirlist.h"
#include "settings/options.h"

BackgroundScanner background_scanner;

namespace {

ScannerState state() {
    return static_cast<ScannerState>(background_scanner.scanner_state.load());
}

void set_state(ScannerState value) {
    background_scanner.scanner_state.store(static_cast<std::uint8_t>(value));
}

ScannerCommand command() {
    return static_cast<ScannerCommand>(background_scanner.scanner_command.load());
}

void set_command(ScannerCommand value) {
    background_scanner.scanner_command.store(static_cast<std::uint8_t>(value));
}

const ScannerHost& host() {
    return *background_scanner.host;
}

// The thread publishes its state, then reads the command before it waits; a request
// writes the command, then reads the state (both in one total order). So a request made
// while the thread is between a scan and its wait, when no request signals, is seen here
// and never sleeps a whole period.
bool request_pending() {
    const ScannerCommand pending = command();
    return pending == ScannerCommand::Stop ||
           (pending == ScannerCommand::Pause && state() != ScannerState::Paused);
}

// The timer takes at most 0x7FFFFFFF milliseconds; the longest period, 65535 minutes,
// is more than that.
std::uint32_t delay_milliseconds(std::int32_t seconds) {
    constexpr std::uint64_t kTimerMaximum = 0x7FFFFFFF;
    const std::uint64_t milliseconds = seconds > 0 ? static_cast<std::uint64_t>(seconds) * 1000 : 0;
    return static_cast<std::uint32_t>(milliseconds < kTimerMaximum ? milliseconds : kTimerMaximum);
}

void arm_timer(std::uint32_t milliseconds) {
    if (++background_scanner.last_arming == 0) background_scanner.last_arming = 1;
    background_scanner.awaited_arming.store(background_scanner.last_arming);
    host().arm_timer(milliseconds, background_scanner.last_arming);
}

void stop_timer() {
    background_scanner.awaited_arming.store(0);
    host().stop_timer();
}

// A tick and a request that come together wake the scanner once and leave the event
// signalled: the next wait would take that signal for a tick and scan at once. A wake-up
// counts when a request is pending or the awaited arming has ticked.
void wait_for_tick_or_request() {
    do host().wait_event();
    while (command() == ScannerCommand::NoCommand &&
           background_scanner.ticked_arming.load() != background_scanner.awaited_arming.load());
}

// Polls the state until `done` holds, up to 20 seconds.
void wait_for_state(bool (*done)()) {
    for (int poll = 0; poll < kRequestPolls && !done(); ++poll)
        host().sleep_milliseconds(kRequestPollMilliseconds);
}

}  // namespace

void prepare_background_scanner(const ScannerHost* host) {
    background_scanner.host = host;
    reset_log_slots();
    log_file.found_something.store(false, std::memory_order_relaxed);
    set_state(ScannerState::Idle);
    set_command(ScannerCommand::NoCommand);
    background_scanner.log_missing = false;
    background_scanner.merge_gate.store(static_cast<std::uint8_t>(MergeGate::Open));
}

void scanner_thread_created() {
    set_state(ScannerState::Active);
}

void scanner_thread_not_started() {
    set_state(ScannerState::Idle);
    set_command(ScannerCommand::NoCommand);
}

void run_background_scan() {
    ScanState& scan = background_scanner.scan;
    scan.sink = log_file_sink;
    // The walk reports by the live options' flags; the sink keeps its sections by the same.
    scan.logging_flags = live_options.logging_flags;
    scan.progress_count_on = false;
    scan.show_progress_count = nullptr;
    scan.pause_or_stop_check = pause_or_stop_requested;
    bind_scan(&scan);
    zero_scan_counters(&scan);

    report(1, ReportCategory::General, nullptr, kStartingBackgroundScan);
    walk_scan_directory_list(true, live_options);
    report_closing_lines(pause_or_stop_requested, kFinishedBackgroundScan, kBackgroundScanStopped);
    std::uint8_t open = static_cast<std::uint8_t>(MergeGate::Open);
    // Closed: the process is ending; the section files go with it and the previous log
    // stays.
    if (!background_scanner.merge_gate.compare_exchange_strong(
            open, static_cast<std::uint8_t>(MergeGate::Merging)))
        return;
    background_scanner.log_missing = !merge_log_files();
    background_scanner.merge_gate.store(static_cast<std::uint8_t>(MergeGate::Open));
    char note[kLogNoteSize];
    format_log_note(note, sizeof note);
    host().tell_log_outcome(background_scanner.log_missing ? note : nullptr);
}

void scanner_timer_ticked(std::uint32_t arming) {
    if (arming == 0 || arming != background_scanner.awaited_arming.load()) return;
    background_scanner.ticked_arming.store(arming);
    host().signal_event();
}

void run_scanner_thread() {
    set_state(ScannerState::Active);
    log_file.found_something.store(false, std::memory_order_relaxed);
    background_scanner.next_delay_seconds.store(kFirstScanDelaySeconds);

    while (command() != ScannerCommand::Stop) {
        arm_timer(delay_milliseconds(background_scanner.next_delay_seconds.load()));
        // The period is read at each arming: a changed period never shortens the delay
        // that already runs.
        background_scanner.next_delay_seconds.store(
            static_cast<std::int32_t>(live_options.scanning_period) * 60);
        if (state() == ScannerState::Active) {
            set_state(ScannerState::Delaying);
            host().set_tray_status(
                background_scanner.log_missing ? kTipLogNotWritten : kTipDelaying,
                TrayImage::Normal);
        }
        if (!request_pending()) wait_for_tick_or_request();
        stop_timer();

        switch (command()) {
            case ScannerCommand::Stop:
                break;
            case ScannerCommand::Resume: {
                // Ending a pause between scans: the resume's own delay, even when a pass
                // running at the request has armed it and read the period over it.
                const std::int32_t delay = background_scanner.resume_delay_seconds.load();
                if (state() == ScannerState::Paused && delay > 0)
                    background_scanner.next_delay_seconds.store(delay);
                set_command(ScannerCommand::NoCommand);
                set_state(ScannerState::Active);
                break;
            }
            case ScannerCommand::Pause:
                // The command stays: every tick while paused comes back here.
                set_state(ScannerState::Paused);
                host().set_tray_status(kTipPaused, TrayImage::Normal);
                break;
            default:  // a tick of the period timer
                if (state() == ScannerState::Paused) break;
                host().clear_alert_display();
                host().set_tray_status(kTipActive, TrayImage::Active);
                set_state(ScannerState::Active);
                log_file.found_something.store(false, std::memory_order_relaxed);
                run_background_scan();
                // A log not written whole draws the user as a finding does, to the tip
                // and the note above the log rather than to an older log.
                if (log_file.found_something.exchange(false, std::memory_order_relaxed) ||
                    background_scanner.log_missing)
                    host().raise_alerts();
                break;
        }
    }
    // A scan cut off before its merge leaves section files open.
    if (log_file.slots_prepared) close_log_slots();
    bind_scan(nullptr);
    set_state(ScannerState::Idle);
}

bool pause_or_stop_requested() {
    for (;;) {
        const ScannerCommand requested = command();
        if (requested == ScannerCommand::Stop) return true;
        if (requested != ScannerCommand::Pause) return false;  // a Resume stays for the loop
        set_state(ScannerState::Paused);
        // A resume that found the thread here before it read the Resume leaves the event
        // signalled: that wake-up must not show the thread active while the Pause stands.
        while (command() == ScannerCommand::Pause) host().wait_event();
        set_state(ScannerState::Active);
    }
}

void request_pause() {
    if (state() == ScannerState::Idle) return;
    set_command(ScannerCommand::Pause);
    if (state() == ScannerState::Delaying) host().signal_event();
}

void pause_scanning() {
    if (state() == ScannerState::Idle) return;
    request_pause();
    wait_for_state([] { return state() == ScannerState::Paused; });
}

void resume_scanning(int delay_seconds) {
    // A pause still pending would otherwise be taken later and never ended: the settings
    // window closes with its resume once, whether the pause was reached or not.
    if (state() != ScannerState::Paused && command() != ScannerCommand::Pause) return;
    if (state() == ScannerState::Idle) return;
    background_scanner.resume_delay_seconds.store(delay_seconds);
    if (delay_seconds > 0) background_scanner.next_delay_seconds.store(delay_seconds);
    set_command(ScannerCommand::Resume);
    // A thread not yet paused sees the Resume before it would wait.
    if (state() == ScannerState::Paused) host().signal_event();
}

void stop_scanning() {
    if (state() == ScannerState::Idle) return;
    set_command(ScannerCommand::Stop);
    const ScannerState now = state();
    if (now == ScannerState::Delaying || now == ScannerState::Paused) host().signal_event();
    wait_for_state([] { return state() == ScannerState::Idle; });
    // A merge cut off would leave its new log's file beside the old one.
    for (;;) {
        std::uint8_t open = static_cast<std::uint8_t>(MergeGate::Open);
        if (background_scanner.merge_gate.compare_exchange_strong(
                open, static_cast<std::uint8_t>(MergeGate::Closed)) ||
            open == static_cast<std::uint8_t>(MergeGate::Closed))
            return;
        host().sleep_milliseconds(kRequestPollMilliseconds);
    }
}

bool is_scanning_paused() {
    return state() == ScannerState::Paused;
}

bool background_scan_running() {
    return state() == ScannerState::Active;
}
