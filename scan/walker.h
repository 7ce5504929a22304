// The directory walker shared by immediate and background scans, the closing lines and
// totals both report, the immediate scan's control flags and its framing (start line,
// walks, closing lines). Runs on the thread of the scan that runs; the flags are set from others.
#pragma once

#include <atomic>
#include <cstdint>

#include "settings/options.h"
#include "platform/platform.h"
#include "report/report.h"
#include "classify/verdict.h"

// The immediate scan's control flags, shared with the settings window.
struct ScanControl {
    std::atomic<bool> immediate_scan_running;
    // Set by whoever asks the running immediate scan to stop (Cancel, Ctrl-C) and polled
    // by the walker between entries; cleared only by the start of the next immediate scan,
    // before its walk can begin, so a stop asked for at any moment of a scan is kept.
    std::atomic<bool> immediate_stop_requested;
};
extern ScanControl scan_control;

constexpr char kStartingImmediateScan[] = "Starting an immediate scan";
constexpr char kFinishedImmediateScan[] = "Finished the immediate scan";
constexpr char kImmediateScanStopped[] = "Immediate scan stopped by user";
constexpr char kOpenFailureOnDirectory[] = "open failure on directory: %d";
constexpr char kPathTooLong[] = "path too long";
constexpr char kEntryPathTooLong[] = "path too long: %s";
constexpr char kTotalsFormat[] = "* * * %d files seen, %d files checked, %d files logged * * *";
constexpr int kTotalsSize = 120;

// Walks `directory` for the calling thread's scan: checks every file that is neither
// hidden, system nor temporary and reports its verdict by the logging flags of
// `options`; with `recurse` descends into subdirectories whose names do not begin with "."
// (with `list_filter` only into those the scan directory list includes, or that hold an
// included directory further down; the files of an excluded directory, the top one
// included, stay unchecked). Between entries it asks the scan's pause-or-stop check
// (`background`) or reads immediate_stop_requested. Returns 1 when the walk ran to its
// end (also when the directory could not be opened), 0 when it was stopped. An empty path
// is refused as a directory that cannot be opened.
int walk_directory(const char* directory, bool recurse, bool list_filter, bool background,
                   const Options& options);

// Walks every directory of the scan directory list for the calling thread's scan, in list
// order, as walk_directory walks one: with subdirectories, only into what the list
// includes, and with `background` asking the scan's pause-or-stop check before each list
// entry too. No folder is walked twice in one call: not one the list names again (another
// spelling, a link, or a top folder below one walked already), not one walked before the
// list was edited during a pause, not a link back up the tree. Returns 0 when stopped, 1
// otherwise.
int walk_scan_directory_list(bool background, const Options& options);

// Where a walk's files go when they are checked on other threads (the command-line
// tool's jobs): the walker hands each file to `hand_over`, in walk order, instead of
// checking it, and calls `catch_up` before each entry of its own and at the end of the
// walks, so that every file handed over is reported first and the report keeps walk order.
struct FileHandOff {
    // `listed`: for a file its listing gave as regular, its name in the folder's listing,
    // open only during the call (check_file); else null.
    void (*hand_over)(void* receiver, const char* path, const ListedFile* listed);
    void (*catch_up)(void* receiver);
    void* receiver;
};

// Names an immediate scan leaves out (the command-line tool's --exclude), asked of every
// entry below the top folders: a file it excludes is neither checked nor counted as seen,
// a folder is not entered.
struct NameFilter {
    bool (*excluded)(const void* context, const char* name);
    const void* context;
};

// What an immediate scan covers: the whole scan directory list, or the given
// directories in order.
struct ImmediateScanTargets {
    bool whole_list;
    const char* const* directories;
    int directory_count;
    bool include_subdirectories;
    const FileHandOff* hand_off;    // null: the walker checks each file itself
    const NameFilter* name_filter;  // null: no name is left out
};

// The rule from a verdict to report entries: up to three untimestamped entries naming
// `path`, filtered by `logging_flags`; each entry made adds one to the scan's
// files_logged. Returns how many entries were made.
int report_verdict(const char* path, Verdict verdict, bool embedded_jpeg_seen,
                   std::uint16_t logging_flags);

// Whether report_verdict would make an entry that raises an alert, one that sets the log
// file's found_something: what a scan counts as having found something.
bool verdict_raises_alert(Verdict verdict, bool embedded_jpeg_seen, std::uint16_t logging_flags);

// A scan's closing lines, for the calling thread's scan: an empty line; `stopped_text`
// when `was_stopped` (asked once the empty line is out) says so, else `finished_text`,
// timestamped; and the totals (an empty line without a scan). Returns whether the scan
// was stopped.
bool report_closing_lines(bool (*was_stopped)(), const char* finished_text,
                          const char* stopped_text);

// The immediate scan, for the calling thread's scan, between the binding of its state and
// its end: zeroes the counters, gives the scan the logging flags of `options`, reports the
// start line, walks the targets with `options`, removes the files-seen counter, reports the
// empty line, the finish line and the totals. Returns 1 when it finished, 0 when it was
// stopped by the user.
int perform_immediate_scan(const ImmediateScanTargets& targets, const Options& options);
