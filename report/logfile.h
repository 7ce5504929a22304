// The log file sink: the scan's entries sorted by section into eight section files as
// they arrive, merged in section order into "Inkhound.log" when the scan ends, and read
// back for the results view. Sink and merge run on the thread of the scan that uses them;
// the reader on the user-interface thread.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/platform.h"
#include "report/report.h"

// Bytes of entries a section gathers before they are written to its file together.
constexpr std::uint32_t kSectionGatherSize = 4096;
// The same for a report read from the slots (files_on_demand): most reports fit, and
// their sections never reach a file.
constexpr std::uint32_t kSectionHoldSize = 65536;

// A section's file exists only when the scan's logging flags share a bit with the
// section's log_mask (kSections). Its entries gather in the section's gathering buffer
// (kept apart, so that the slots share a page and a scan touches only the buffers of its
// own sections) and go to the file when the next one would not fit, and before the merge
// copies the files.
struct LogSlot {
    PlatformFile file = kNoFile;  // the section file, or kNoFile
    std::uint8_t header_written = 0;
    std::uint8_t file_deferred = 0;  // wanted, but made only when its entries outgrow the
                                     // gathering buffer (files_on_demand)
    std::uint32_t gathered = 0;      // bytes waiting in the gathering buffer
};

// Takes each chunk of a log or report read back, NUL-terminated.
using LogChunkCallback = void (*)(const char* chunk);

// What the last merge made of the log.
enum class LogOutcome : std::uint8_t {
    Whole,       // the scan's whole log is in place
    Incomplete,  // entries were lost, or the log was cut off while written in place
    NotWritten,  // the previous log stays as it was
};

struct LogFileState {
    LogSlot slots[kSectionCount];       // indexed by LogSection: the log file's order
    bool slots_prepared;                // the slots are ready for the current scan
    std::atomic<bool> found_something;  // an entry worth an alert was reported
    bool entry_lost;  // since the slots were prepared, a section file could not be made or
                      // written
    int entry_error;  // the system's code of the first entry lost
    char scan_started[kTimestampSize];  // the timestamp of the scan's first entry
    LogOutcome outcome;                 // of the last merge
    int outcome_error;                  // the system's code behind an outcome not Whole
    // Where the section files and the log live, ending with a separator; empty: the
    // executable's folder.
    char directory[kPathLimit];
    // The command-line tool's report: each section gathers up to kSectionHoldSize bytes
    // and gets its file only when more come, and the report is read from the slots
    // (read_sections) rather than from a merged log. Set before the slots are prepared.
    bool files_on_demand;
};
extern LogFileState log_file;

constexpr char kLogFileName[] = "Inkhound.log";
constexpr char kSectionFilePrefix[] = "Inkhound.";
constexpr char kSectionFileFormat[] = "tm%d";
constexpr std::uint32_t kMergeChunkSize = 1024;
constexpr std::size_t kLogNoteSize = 512;
constexpr char kLogNotWrittenNote[] =
    "The log of the background scan of %s was not written (%s); the log below is older.";
constexpr char kLogIncompleteNote[] = "The log of the background scan of %s is incomplete (%s).";

// Chooses the folder of the section files and the log (the command-line tool's private
// folder); null or empty: beside the executable. Returns 1, or 0 when the folder's path
// is too long to name files in.
int set_log_directory(const char* directory);

// The full path of `name` in the log's folder. Returns 1, or 0 when it does not fit.
int log_file_path(const char* name, char* out, std::size_t size);

// Forgets every slot's file and header flag without closing anything, clears
// slots_prepared, found_something and entry_lost, and takes the last log as whole: the
// scanner thread's start.
void reset_log_slots();

// Closes any section file still open, without merging, dropping the entries gathered:
// the scanner thread's end after a scan that did not reach its merge.
void close_log_slots();

// The ReportSink of background scans (and of the command-line tool's scan): prepares
// the slots on the scan's first entry, raises found_something for findings, and adds
// the entry's line, after its section's header the first time, to its section's
// gathered bytes. A failed write of gathered bytes loses their entries.
void log_file_sink(int category, const char* timestamp, const char* name, const char* message);

// Copies the section files in order into a new log, puts it in the previous log's place
// once it is whole, and deletes the section files. When the new log cannot be written
// whole the section files are still deleted and the previous log stays as it was; a
// section that lost entries (its file could not be made or written) is merged as it is.
// A previous log that another program holds open without delete sharing cannot be
// replaced: the new text is then written over it in place. Sets outcome and
// outcome_error. Returns true when every entry of the scan reached the log: no section
// lost anything, and every read and write and the replacement succeeded.
bool merge_log_files();

// Passes the scan's report, the sections in the log's order as a merge would write them,
// to `callback` in NUL-terminated chunks of up to `size` - 1 bytes read into `buffer`,
// then closes the slots as a merge does, writing no log. Returns 1 when every entry
// reached the callback: none was lost and every read succeeded.
int read_sections(LogChunkCallback callback, char* buffer, std::uint32_t size);

// The line that stands above a log which is not the last scan's whole log: which scan
// (by its start) and why. Returns 0 with `out` empty when the last merge was Whole.
int format_log_note(char* out, std::size_t size);

// Reads the log in chunks of up to 1024 bytes and passes each, NUL-terminated, to
// `callback`; without a log the callback is never called. Returns 1 when the log was
// read to its end, 0 when it could not be opened or a read failed.
int read_log_file(LogChunkCallback callback);
