// The directory walker and the immediate scan's framing. Runs on the thread of the scan
// that runs: the immediate-scan worker, the background scanner or the command-line tool.
#include "scan/walker.h"

#include <cstdio>
#include <cstring>

#include "classify/check.h"
#include "settings/dirlist.h"
#include "platform/paths.h"
#include "classify/reader.h"
#include "report/report.h"

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
        const ScanState* scan = current_scan();
        return scan != nullptr && scan->pause_or_stop_check != nullptr &&
               scan->pause_or_stop_check();
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
    const bool joined = join_path(walk.path, entry.name, walk.path, sizeof walk.path);
    // A directory must leave room for what its enumeration appends to it.
    if (!joined || (entry.is_directory &&
                    std::strlen(walk.path) + kDirectorySearchSuffix >= sizeof walk.path)) {
        // A refused join only emptied the buffer: the directory's path is still there to
        // be named, and the entry goes into the message. Cutting the path would check or
        // enter something else.
        walk.path[0] = first;
        walk.path[length] = '\0';
        if (!entry.is_directory) count_file_seen();
        report(1, ReportCategory::IoError, walk.path, kEntryPathTooLong, entry.name);
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
        report_verdict(walk.path, verdict, file_reader.embedded_jpeg_seen,
                       walk.options->logging_flags);
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
        report_open_failure(walk.path, kOpenFailureOnDirectory, error);
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

// A top-level entry of the list: an included directory, or an excluded one that holds an
// included directory further down, which the walk reaches without checking the
// excluded files.
int walk_list_entry(const char* path, bool has_entries_below, void* context) {
    const Options& options = *static_cast<const Options*>(context);
    return walk_directory(path, true, has_entries_below, false, options);
}

}  // namespace

int walk_directory(const char* directory, bool recurse, bool list_filter, bool background,
                   const Options& options) {
    Walk walk;
    const std::size_t length = std::strlen(directory);
    // Enumerating "" would list the current folder (on Windows the current drive's).
    if (length == 0) {
        report_open_failure(directory, kOpenFailureOnDirectory, kErrorPathNotFound);
        return 1;
    }
    if (length + kDirectorySearchSuffix >= sizeof walk.path) {
        report(1, ReportCategory::IoError, directory, kPathTooLong);
        return 1;
    }
    std::memcpy(walk.path, directory, length + 1);
    walk.recurse = recurse;
    walk.list_filter = list_filter;
    walk.background = background;
    walk.options = &options;
    return walk_level(walk, length, !list_filter || is_directory_included(directory));
}

int report_verdict(const char* path, Verdict verdict, bool embedded_jpeg_seen,
                   std::uint16_t logging_flags) {
    ReportCategory slots[3] = {static_cast<ReportCategory>(verdict),
                               ReportCategory::NothingToReport, ReportCategory::NothingToReport};
    if (verdict == Verdict::CmykAndRgb) {
        slots[0] = ReportCategory::Cmyk;
        slots[1] = ReportCategory::Rgb;
    } else if (verdict == Verdict::PossiblyBoth) {
        slots[0] = ReportCategory::PossiblyCmyk;
        slots[1] = ReportCategory::PossiblyRgb;
    }
    if (embedded_jpeg_seen) slots[2] = ReportCategory::EmbeddedJpeg;
    const char* message = verdict_message(verdict);
    ScanState* scan = current_scan();
    int made = 0;
    for (ReportCategory slot : slots) {
        // NothingToReport's mask is 0: it never passes.
        const CategoryInfo* info = category_info(static_cast<int>(slot));
        if (info != nullptr && info->log_mask != kAlwaysReported &&
            (info->log_mask & logging_flags) == 0)
            continue;
        // The message is passed as an argument, never as the format: a path or text with
        // a percent sign stays as it is.
        if (message != nullptr)
            report(0, slot, path, "%s", message);
        else
            report(0, slot, path, nullptr);
        if (scan != nullptr) ++scan->files_logged;
        ++made;
    }
    return made;
}

bool report_closing_lines(bool (*was_stopped)(), const char* finished_text,
                          const char* stopped_text) {
    report(0, ReportCategory::Summary, nullptr, nullptr);
    const bool stopped = was_stopped();
    report(1, ReportCategory::Summary, nullptr, "%s", stopped ? stopped_text : finished_text);
    // Formatted here into its own buffer, then passed on as text: the same line as
    // handing it over as the format, since it holds no percent sign.
    const ScanState* scan = current_scan();
    char totals[kTotalsSize] = "";
    if (scan != nullptr)
        std::snprintf(totals, sizeof totals, kTotalsFormat, scan->files_seen.load(),
                      scan->files_checked.load(), scan->files_logged.load());
    report(0, ReportCategory::Summary, nullptr, "%s", totals);
    return stopped;
}

int perform_immediate_scan(const ImmediateScanTargets& targets, const Options& options) {
    ScanState* scan = current_scan();
    if (scan != nullptr) {
        zero_scan_counters(scan);
        // The walk reports by the options' flags; the sink keeps its sections by the same.
        scan->logging_flags = options.logging_flags;
    }
    report(1, ReportCategory::General, nullptr, kStartingImmediateScan);
    if (targets.whole_list) {
        for_each_scan_directory(walk_list_entry, const_cast<Options*>(&options));
    } else {
        for (int i = 0; i < targets.directory_count; ++i)
            if (!walk_directory(targets.directories[i], targets.include_subdirectories, false,
                                false, options))
                break;
    }
    if (scan != nullptr && scan->show_progress_count) scan->show_progress_count(-1);
    const bool stopped = report_closing_lines(
        [] { return scan_control.immediate_stop_requested.load(std::memory_order_relaxed); },
        kFinishedImmediateScan, kImmediateScanStopped);
    return stopped ? 0 : 1;
}
