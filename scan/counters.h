// The scan counters and flags: one set for the whole program, owned by the scan that
// runs. The check bumps files_seen and files_checked, the walker files_logged; the
// results view reads files_seen from the user-interface thread.
#pragma once

#include <atomic>
#include <cstdint>

struct ScanCounters {
    std::atomic<std::int32_t> files_seen;
    std::atomic<std::int32_t> files_checked;
    std::atomic<std::int32_t> files_logged;
    std::atomic<bool> progress_count_on;   // an immediate scan shows the files-seen count
};

extern ScanCounters scan_counters;

// Zeroes the three counters at the start of a scan.
void zero_scan_counters();

// Receives each new files_seen total while progress_count_on is set (the results view's
// counter, or the command-line tool's); null when nothing shows it.
using ProgressHook = void (*)(std::int32_t files_seen);
extern ProgressHook show_progress_count;
