// The report call through which every scan message and file result passes, the state of
// the scan it reports for, the tables of report categories and of sections (header, log
// file slot, results view rank), the timestamp and the line layout both sinks write.
// Runs on the thread of the scan that reports.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/platform.h"
#include "settings/options.h"

enum class ReportCategory : int {
    Summary = -1,
    General = 0,
    IoError = 1,
    Cmyk = 2,
    Rgb = 3,
    CmykAndRgb = 4,
    Gif = 5,
    EmbeddedJpeg = 6,
    PossiblyCmyk = 7,
    PossiblyRgb = 8,
    PossiblyBoth = 9,
    PossiblyGif = 10,
    OtherColourSpace = 11,
    Undetermined = 12,
    Invalid = 13,
    NothingToReport = 14,
    Mislabelled = 15,
    Count,  // not a category: one past the last, so that kCategories follows the list
};

enum class LogSection : std::uint8_t {
    // In the log file's order: a section's value is its row in kSections and its slot in
    // the log file sink.
    general,
    rgb,
    cmyk,
    gif,
    eps_jpeg,
    unknown_colour,
    errors,
    summary,
    none,  // categories that never reach a sink
};
constexpr int kSectionCount = static_cast<int>(LogSection::none);

// One row per section, in LogSection order.
struct SectionInfo {
    LogSection section;
    const char* header;      // two lines, CR LF terminated; null for general and summary
    std::uint16_t log_mask;  // the log file keeps the section only when logging_flags share
                             // a bit with it
    int view_rank;           // its place among the results view's sections, 0 first
};

// The general, errors and summary sections are kept whenever any of the four kinds of
// finding is logged.
constexpr std::uint16_t kLogAnyFinding = kLogRgb | kLogCmyk | kLogGif | kLogUnknownColours;

inline constexpr SectionInfo kSections[kSectionCount] = {
    {LogSection::general, nullptr, kLogAnyFinding, 0},
    {LogSection::rgb, "\r\n===== Files that are or seem to be RGB =====\r\n", kLogRgb, 2},
    {LogSection::cmyk, "\r\n===== Files that are or seem to be CMYK =====\r\n", kLogCmyk, 3},
    {LogSection::gif, "\r\n===== Files that are GIF =====\r\n", kLogGif, 4},
    {LogSection::eps_jpeg, "\r\n===== EPS files that have embedded JPEGs =====\r\n", kLogEpsJpegs,
     5},
    {LogSection::unknown_colour, "\r\n===== Files that are of an unknown colour =====\r\n",
     kLogUnknownColours, 6},
    {LogSection::errors, "\r\n===== Files that generated errors =====\r\n", kLogAnyFinding, 1},
    {LogSection::summary, nullptr, kLogAnyFinding, 7},
};

constexpr std::uint16_t kAlwaysReported = 0xFFFF;

// One row per report category, -1 to 15; 1 to 15 are the verdict codes of the file check.
struct CategoryInfo {
    int category;
    const char* name;        // the enumerator's spelling: "Rgb", "PossiblyCmyk", ...
    const char* message;     // the verdict's message text, or null
    LogSection section;      // where sinks put the entry; none: it never reaches one
    std::uint16_t log_mask;  // tested against logging_flags; kAlwaysReported for -1, 0, 1, 15
    bool raises_alert;       // in the log file, the entry sets found_something
};

constexpr int kFirstCategory = static_cast<int>(ReportCategory::Summary);
constexpr int kCategoryCount = static_cast<int>(ReportCategory::Count) - kFirstCategory;

// Categories -1 to 15, in order: row i holds category i - 1.
inline constexpr CategoryInfo kCategories[kCategoryCount] = {
    {-1, "Summary", nullptr, LogSection::summary, kAlwaysReported, false},
    {0, "General", nullptr, LogSection::general, kAlwaysReported, false},
    {1, "IoError", "File I/O error", LogSection::errors, kAlwaysReported, false},
    {2, "Cmyk", nullptr, LogSection::cmyk, kLogCmyk, true},
    {3, "Rgb", nullptr, LogSection::rgb, kLogRgb, true},
    {4, "CmykAndRgb", nullptr, LogSection::none, kLogRgb | kLogCmyk, false},
    {5, "Gif", nullptr, LogSection::gif, kLogGif, true},
    {6, "EmbeddedJpeg", nullptr, LogSection::eps_jpeg, kLogEpsJpegs, true},
    {7, "PossiblyCmyk", "possibly CMYK", LogSection::cmyk, kLogCmyk, true},
    {8, "PossiblyRgb", "possibly RGB", LogSection::rgb, kLogRgb, true},
    {9, "PossiblyBoth", "possibly both CMYK and RGB", LogSection::none, kLogRgb | kLogCmyk, false},
    {10, "PossiblyGif", nullptr, LogSection::gif, kLogGif, true},
    {11, "OtherColourSpace", "File uses another colour space", LogSection::unknown_colour,
     kLogUnknownColours, true},
    {12, "Undetermined", "Can't determine if RGB or CMYK", LogSection::unknown_colour,
     kLogUnknownColours, false},
    {13, "Invalid", "File looks to be invalid", LogSection::errors, kLogUnknownColours, true},
    {14, "NothingToReport", nullptr, LogSection::none, 0, false},
    {15, "Mislabelled", "File is mis-labelled", LogSection::errors, kAlwaysReported, true},
};

// The tables checked against the enumerations, so that a section or category added
// without its row, or a row out of place, does not compile.
constexpr bool sections_in_order() {
    for (int i = 0; i < kSectionCount; ++i)
        if (static_cast<int>(kSections[i].section) != i) return false;
    return true;
}
constexpr bool view_ranks_each_once() {
    for (int rank = 0; rank < kSectionCount; ++rank) {
        int holders = 0;
        for (const SectionInfo& row : kSections)
            if (row.view_rank == rank) ++holders;
        if (holders != 1) return false;
    }
    return true;
}
constexpr bool categories_in_order() {
    for (int i = 0; i < kCategoryCount; ++i) {
        const CategoryInfo& row = kCategories[i];
        // A missing last row is zero-filled: category 0, no name.
        if (row.category != i + kFirstCategory || row.name == nullptr) return false;
        if (row.raises_alert && row.section == LogSection::none) return false;
    }
    return true;
}
static_assert(sections_in_order(), "kSections: one row per LogSection, in its order");
static_assert(view_ranks_each_once(), "kSections: each view rank exactly once");
static_assert(categories_in_order(), "kCategories: one row per ReportCategory, in its order");

// The category's row, or null outside -1 to 15.
const CategoryInfo* category_info(int category);

// The section an entry of this category goes to; LogSection::none for 4, 9, 14 and any
// value outside -1 to 15.
LogSection section_of(int category);

// A sink receives every entry: category, timestamp (never null, may be empty), name (the
// path the entry is about, may be null) and message (never null, may be empty).
using ReportSink = void (*)(int category, const char* timestamp, const char* name,
                            const char* message);

// Receives each new files_seen total while a scan shows its progress (the results
// view's counter, or the command-line tool's); -1 removes the counter.
using ProgressHook = void (*)(std::int32_t files_seen);

// Asks the background scanner whether to stop; blocks while it is paused.
using PauseOrStopCheck = bool (*)();

// What belongs to one scan: where its entries go, what it counts, whether it shows its
// progress and how the background scanner is asked to stop it. Each scan owns one and
// binds it to the thread it runs on, so that a background scan paused in the middle of
// its walk and an immediate scan run meanwhile on another thread never share a sink or
// a counter. The counters are read from the user-interface thread too.
struct ScanState {
    ReportSink sink;              // null: entries are dropped
    std::uint16_t logging_flags;  // the log file's sections: set from the options the scan
                                  // walks with when the scan starts (perform_immediate_scan,
                                  // run_background_scan)
    std::atomic<std::int32_t> files_seen;     // files handed to the check
    std::atomic<std::int32_t> files_checked;  // files the check could open
    std::atomic<std::int32_t> files_logged;   // entries made for files
    bool progress_count_on;                   // pass each new files_seen total to the hook
    ProgressHook show_progress_count;
    PauseOrStopCheck pause_or_stop_check;  // the background walk's stop test; null: never
    // While an open failure's entry is in the sink: the system's code for it; else 0.
    int open_failure_error;
};

// Makes `scan` the scan that runs on the calling thread (null: none). The report call,
// the check and the walker on this thread use it until it is replaced.
void bind_scan(ScanState* scan);

// The scan that runs on the calling thread, or null.
ScanState* current_scan();

// Zeroes the three counters at the start of a scan.
void zero_scan_counters(ScanState* scan);

// Buffer sizes. The message holds 400 bytes. The line holds 600 bytes on Windows and
// grows with the platform's path limit elsewhere, so that an entry naming a file never
// has to be cut.
constexpr std::size_t kMessageSize = 400;
constexpr std::size_t kTimestampSize = 80;
constexpr std::size_t kLineSize = 600 - 260 + kPathLimit;

// Stamps (when `timestamped` is non-zero), formats and hands one entry to the installed
// sink of the calling thread's scan. `format` may be null (empty message); its
// conversions follow printf (%d, %s, ...) and the result is cut to kMessageSize - 1
// bytes. Without a scan or sink the entry is dropped.
#if defined(__GNUC__)
__attribute__((format(printf, 4, 5)))
#endif
void report(int timestamped, ReportCategory category, const char* name, const char* format, ...);

// Reports, timestamped among the errors, that `name` could not be opened: `format` with
// the system's `error` as its one %d. While the entry is in the sink the scan's
// open_failure_error holds `error`, so a sink tells the cause by its code, not its text.
void report_open_failure(const char* name, const char* format, int error);

// The local date and time as "d-MMM-yy hh:mm:ss " (the time part alone when the date
// cannot be formatted).
void format_timestamp(char* out, std::size_t size);
void format_timestamp_at(const LocalTime& time, char* out, std::size_t size);

// The form one byte of a name or message takes in a line: a control byte as \t, \n, \r
// or \xHH (lower-case hex), with `escape_backslash` a backslash as \\, any other byte as
// itself. Writes it into `out` (room for 4) and returns its length.
std::size_t escape_line_byte(unsigned char byte, bool escape_backslash, char* out);

// Builds one line by the line layout, CR LF terminated, into `out` (at most size - 1
// bytes and a terminating zero). Returns its length. Control bytes of the name and the
// message are escaped (Windows names hold none). A line that would not fit keeps its
// CR LF and its message: the name is cut between two bytes' forms and ends with "..."
// (only a name longer than the path limit can need it), and a message too long by
// itself is cut as well.
std::size_t format_report_line(const char* timestamp, const char* name, const char* message,
                               char* out, std::size_t size);
