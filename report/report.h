// The report call through which every scan message and file result passes, its
// categories and sections, the line layout both sinks write, and the rule that turns a
// verdict into report entries. Runs on the thread of the scan that reports.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform.h"
#include "verdict.h"

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
};

inline ReportCategory category_of(Verdict verdict) {
    return static_cast<ReportCategory>(static_cast<int>(verdict));
}

enum class LogSection : std::uint8_t {
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

struct SectionInfo {
    LogSection section;
    const char* header;  // two lines, CR LF terminated; nullptr for general and summary
};
extern const SectionInfo kSections[8];  // in LogSection order

// Section order of the log file and of the results view.
extern const LogSection kLogFileOrder[8];
extern const LogSection kResultsViewOrder[8];

constexpr std::uint16_t kAlwaysReported = 0xFFFF;

struct CategoryInfo {
    int category;
    const char* name;
    LogSection section;
    std::uint16_t log_mask;  // tested against logging_flags; kAlwaysReported for -1, 0, 1, 15
};
extern const CategoryInfo kCategories[17];  // categories -1 to 15, in order

// The category's row, or nullptr outside -1 to 15.
const CategoryInfo* category_info(int category);

// The section an entry of this category goes to; LogSection::none for 4, 9, 14 and any
// value outside -1 to 15.
LogSection section_of(int category);

// A sink receives every entry: category, timestamp (never null, may be empty), name (the
// path the entry is about, may be null) and message (never null, may be empty).
using ReportSink = void (*)(int category, const char* timestamp, const char* name,
                            const char* message);

// The sink of the scan that runs; each scan installs its own before its first report,
// and nothing resets it afterwards.
extern ReportSink report_sink;

// Buffer sizes. The message holds 400 bytes. The line holds 600 bytes on Windows and
// grows with the platform's path limit elsewhere, so that an entry naming a file never
// has to be cut.
constexpr std::size_t kMessageSize = 400;
constexpr std::size_t kTimestampSize = 80;
constexpr std::size_t kLineSize = 600 - 260 + kPathLimit;

// Stamps (when `timestamped` is non-zero), formats and hands one entry to the installed
// sink. `format` may be null (empty message); its conversions follow printf (%d, %s, ...)
// and the result is cut to kMessageSize - 1 bytes. Without a sink the entry is dropped.
#if defined(__GNUC__)
__attribute__((format(printf, 4, 5)))
#endif
void report(int timestamped, ReportCategory category, const char* name, const char* format, ...);

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

// The rule from a verdict to report entries: up to three untimestamped entries naming
// `path`, filtered by `logging_flags`; each entry made adds one to files_logged.
// Returns how many entries were made.
int report_verdict(const char* path, Verdict verdict, bool embedded_jpeg_seen,
                   std::uint16_t logging_flags);
