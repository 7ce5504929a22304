// The directory walker and the immediate scan's framing. Runs on the thread of the scan
// that runs: the immediate-scan worker, the background scanner or the command-line tool.
#include "walker.h"

#include <cstdio>
#include <cstring>

#include "check.h"
#include "counters.h"
#include "dirlist.h"
#include "paths.h"
#include "reader.h"
#include "report.h"

ScanControl scan_control;

namespace {

// One walk, from its top directory down. The nested levels share the one path buffer:
// each appends its entry's name to its own directory's path and cuts it back afterwards,
// so a deep tree costs no more than the longest path (a buffer per level would need
// 4 KiB of stack per level where the path limit is that of Linux).
struct Walk {
    char path[kPathLimit];
    bool recurse;
    bool list_filter;
    bool background;
    const Options* options;
};

bool stop_requested(const Walk& walk) {
    if (walk.background) {
        const PauseOrStopCheck check = scan_control.pause_or_stop_check;
        return check != nullptr && check();
    }
    return scan_control.immediate_stop_requested.load(std::memory_order_relaxed);
}

constexpr std::uint32_t kSkippedAttributes =
    kAttributeHidden | kAttributeSystem | kAttributeTemporary;

int walk_level(Walk& walk, std::size_t length, bool check_files);

// Handles one entry of the directory whose path is walk.path[0, length). Returns the
// result of a nested walk, or 1.
int handle_entry(Walk& walk, std::size_t length, const DirectoryEntry& entry, bool check_files) {
    if (entry.pass_over || (entry.attributes & kSkippedAttributes) != 0) return 1;
    if (entry.is_directory) {
        // ".", ".." and every other directory whose name begins with a dot.
        if (!walk.recurse || entry.name[0] == '.') return 1;
    } else if (!check_files) {
        return 1;
    }
    const char first = walk.path[0];
    if (!join_path(walk.path, entry.name, walk.path, sizeof walk.path)) {
        // The refused join only emptied the buffer: the directory's path is still there
        // to be named. Cutting the path would check or enter something else.
        walk.path[0] = first;
        walk.path[length] = '\0';
        report(1, ReportCategory::IoError, walk.path, kPathTooLong);
        return 1;
    }
    const std::size_t entry_length = std::strlen(walk.path);
    int result = 1;
    if (entry.is_directory) {
        if (!walk.list_filter || is_directory_included(walk.path)) {
            result = walk_level(walk, entry_length, true);
        } else if (has_included_below(walk.path)) {
            // An excluded directory holding an included one further down: its own files
            // stay unchecked, but the included directory is still reached.
            result = walk_level(walk, entry_length, false);
        }
    } else {
        const Verdict verdict = check_file(walk.path, *walk.options);
        const bool embedded_jpeg =
            file_reader.embedded_jpeg_seen;
        report_verdict(walk.path, verdict, embedded_jpeg, walk.options->logging_flags);
    }
    walk.path[length] = '\0';
    return result;
}

// Walks the directory in walk.path[0, length). The result is only ever lowered: a stop
// in a nested walk ends every enclosing one after its next fetch.
int walk_level(Walk& walk, std::size_t length, bool check_files) {
    PlatformDirectory directory;
    DirectoryEntry entry;
    const int opened = platform_open_directory(walk.path, &directory, &entry);
    if (opened == kDirectoryEmpty) return 1;
    if (opened == kDirectoryFailed) {
        const int error = platform_last_error();
        report(1, ReportCategory::IoError, walk.path, kOpenFailureOnDirectory, error);
        return 1;
    }
    int result = 1;
    do {
        if (handle_entry(walk, length, entry, check_files) == 0) result = 0;
        if (!platform_next_entry(directory, &entry)) break;
        if (stop_requested(walk)) result = 0;
    } while (result == 1);
    platform_close_directory(directory);
    return result;
}

int walk_list_entry(const char* path, bool has_entries_below, void* context) {
    const Options& options = *static_cast<const Options*>(context);
    return walk_directory(path, true, has_entries_below, false, options);
}

}  // namespace

int walk_directory(const char* directory, bool recurse, bool list_filter, bool background,
                   const Options& options) {
    Walk walk;
    const std::size_t length = std::strlen(directory);
    if (length >= sizeof walk.path) {
        report(1, ReportCategory::IoError, directory, kPathTooLong);
        return 1;
    }
    std::memcpy(walk.path, directory, length + 1);
    walk.recurse = recurse;
    walk.list_filter = list_filter;
    walk.background = background;
    walk.options = &options;
    return walk_level(walk, length, true);
}

int perform_immediate_scan(const ImmediateScanTargets& targets, const Options& options) {
    zero_scan_counters();
    report(1, ReportCategory::General, nullptr, kStartingImmediateScan);
    if (targets.whole_list) {
        for_each_scan_directory(walk_list_entry, const_cast<Options*>(&options));
    } else {
        for (int i = 0; i < targets.directory_count; ++i)
            if (!walk_directory(targets.directories[i], targets.include_subdirectories, false,
                                false, options))
                break;
    }
    if (show_progress_count) show_progress_count(-1);
    report(0, ReportCategory::Summary, nullptr, nullptr);
    const bool stopped = scan_control.immediate_stop_requested.load(std::memory_order_relaxed);
    report(1, ReportCategory::Summary, nullptr,
           stopped ? kImmediateScanStopped : kFinishedImmediateScan);
    // Formatted here into its own buffer, then passed on as text: the same line as
    // handing it over as the format, since it holds no percent sign.
    char totals[kTotalsSize];
    std::snprintf(totals, sizeof totals, kTotalsFormat, scan_counters.files_seen.load(),
                  scan_counters.files_checked.load(), scan_counters.files_logged.load());
    report(0, ReportCategory::Summary, nullptr, "%s", totals);
    scan_control.immediate_stop_requested.store(false, std::memory_order_relaxed);
    return stopped ? 0 : 1;
}
