// The one set of scan counters and flags.
#include "counters.h"

ScanCounters scan_counters;
ProgressHook show_progress_count = nullptr;

void zero_scan_counters() {
    scan_counters.files_seen.store(0, std::memory_order_relaxed);
    scan_counters.files_checked.store(0, std::memory_order_relaxed);
    scan_counters.files_logged.store(0, std::memory_order_relaxed);
}
