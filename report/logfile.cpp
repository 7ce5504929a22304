// The log file sink, the merge into "Inkhound.log" and the log's reader. Sink and merge
// run on the thread of the scan that installed the sink; the reader on the
// user-interface thread.
#include "report/logfile.h"

#include <cstdio>
#include <cstring>

#include "platform/paths.h"
#include "report/report.h"

LogFileState log_file = {{}, false, {false}, false, 0, "", LogOutcome::Whole, 0, "", false};

namespace {

// Each slot's gathering buffer, by slot number. A scan touches only the pages it gathers
// in: the log file sink's first kSectionGatherSize bytes of each.
char section_pending[kSectionCount][kSectionHoldSize];

std::uint32_t gather_limit() {
    return log_file.files_on_demand ? kSectionHoldSize : kSectionGatherSize;
}

char* pending_of(const LogSlot& slot) {
    return section_pending[&slot - log_file.slots];
}

// "Inkhound.tm0" to "Inkhound.tm7".
void section_file_name(int slot, char* out, std::size_t size) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, kSectionFileFormat, slot);
    std::snprintf(out, size, "%s%s", kSectionFilePrefix, suffix);
}

// The logging flags of the scan that reports: a section that none of them asks for
// gets no file.
bool slot_is_wanted(int slot) {
    const ScanState* scan = current_scan();
    return scan != nullptr && (scan->logging_flags & kSections[slot].log_mask) != 0;
}

PlatformFile create_section_file(int slot) {
    char name[32];
    char path[kPathLimit];
    section_file_name(slot, name, sizeof name);
    return log_file_path(name, path, sizeof path) ? platform_create_section_file(path) : kNoFile;
}

void prepare_slots() {
    log_file.entry_lost = false;
    for (int i = 0; i < kSectionCount; ++i) {
        LogSlot& slot = log_file.slots[i];
        slot.header_written = 0;
        slot.gathered = 0;
        slot.file = kNoFile;
        slot.file_deferred = 0;
        if (!slot_is_wanted(i)) continue;
        if (log_file.files_on_demand) {
            slot.file_deferred = 1;
            continue;
        }
        slot.file = create_section_file(i);
        // Told if an entry of the section comes and is lost.
        if (!is_open(slot.file)) log_file.entry_error = platform_last_error();
    }
    log_file.slots_prepared = true;
}

void lose_entry(int error) {
    if (!log_file.entry_lost) log_file.entry_error = error;
    log_file.entry_lost = true;
}

// A deferred slot's file, made when its entries first outgrow the buffer: when it
// cannot be made, the section loses its entries from then on, as one made at the start.
bool has_file_to_write(LogSlot& slot) {
    if (slot.file_deferred) {
        slot.file_deferred = 0;
        slot.file = create_section_file(static_cast<int>(&slot - log_file.slots));
        if (!is_open(slot.file)) lose_entry(platform_last_error());
    }
    return is_open(slot.file);
}

void write_gathered(LogSlot& slot) {
    if (slot.gathered == 0) return;
    if (has_file_to_write(slot) && !platform_write(slot.file, pending_of(slot), slot.gathered))
        lose_entry(platform_last_error());
    slot.gathered = 0;
}

// Gathers the text, writing what was gathered first when it would not fit; a text
// longer than the whole buffer is written straight after it.
void write_to_slot(LogSlot& slot, const char* text, std::size_t length) {
    const std::uint32_t limit = gather_limit();
    if (length > limit - slot.gathered) write_gathered(slot);
    if (length > limit) {
        if (!has_file_to_write(slot)) return;
        if (!platform_write(slot.file, text, static_cast<std::uint32_t>(length)))
            lose_entry(platform_last_error());
        return;
    }
    std::memcpy(pending_of(slot) + slot.gathered, text, length);
    slot.gathered += static_cast<std::uint32_t>(length);
}

// Copies every open section file, from its start and in order, to `to`, adding the bytes
// copied to *copied. Returns 1, or 0 at the first failed seek, read or write, with the
// system's error as the last error. Each section's gathering buffer, written out before,
// carries its copy.
int copy_sections(PlatformFile to, std::uint32_t* copied) {
    for (LogSlot& slot : log_file.slots) {
        if (!is_open(slot.file)) continue;
        std::uint32_t where = 0;
        if (!platform_seek(slot.file, 0, &where) || where != 0) return 0;
        for (;;) {
            std::uint32_t got = 0;
            char* pending = pending_of(slot);
            if (!platform_read(slot.file, pending, kSectionGatherSize, &got)) return 0;
            if (got == 0) break;
            if (!platform_write(to, pending, got)) return 0;
            *copied += got;
        }
    }
    return 1;
}

// Writes the new log of `size` bytes over the old file, for a log another program holds
// open without delete sharing: sized first, so that a full drive refuses before any of
// the previous log is lost. Returns the outcome with the system's error in *error.
LogOutcome write_in_place(const char* path, std::uint32_t size, int* error) {
    const PlatformFile log = platform_open_in_place(path);
    if (!is_open(log) || !platform_set_size(log, size)) {
        *error = platform_last_error();
        platform_close(log);
        return LogOutcome::NotWritten;
    }
    std::uint32_t where = 0;
    std::uint32_t copied = 0;
    LogOutcome outcome = LogOutcome::Whole;
    if (!platform_seek(log, 0, &where) || !copy_sections(log, &copied)) {
        *error = platform_last_error();
        outcome = LogOutcome::Incomplete;
    }
    platform_close(log);
    return outcome;
}

// Reads `file` from where it stands to its end into `buffer`, passing each run on
// NUL-terminated. Returns 1, or 0 at the first failed read.
int pass_file_on(PlatformFile file, LogChunkCallback callback, char* buffer, std::uint32_t size) {
    for (;;) {
        std::uint32_t got = 0;
        if (!platform_read(file, buffer, size - 1, &got)) return 0;
        if (got == 0) return 1;
        buffer[got] = '\0';
        callback(buffer);
    }
}

}  // namespace

int set_log_directory(const char* directory) {
    log_file.directory[0] = '\0';
    if (directory == nullptr || directory[0] == '\0') return 1;
    const std::size_t length = std::strlen(directory);
    if (length + 1 >= sizeof log_file.directory) return 0;
    std::memcpy(log_file.directory, directory, length + 1);
    if (!add_trailing_separator(log_file.directory, sizeof log_file.directory)) {
        log_file.directory[0] = '\0';
        return 0;
    }
    return 1;
}

int log_file_path(const char* name, char* out, std::size_t size) {
    if (log_file.directory[0] == '\0') return path_beside_executable(name, out, size);
    if (!join_path(log_file.directory, name, out, size)) {
        if (size > 0) out[0] = '\0';
        return 0;
    }
    return 1;
}

void reset_log_slots() {
    for (LogSlot& slot : log_file.slots) {
        slot.file = kNoFile;
        slot.header_written = 0;
        slot.file_deferred = 0;
        slot.gathered = 0;
    }
    log_file.slots_prepared = false;
    log_file.entry_lost = false;
    log_file.outcome = LogOutcome::Whole;
    log_file.found_something.store(false, std::memory_order_relaxed);
}

void close_log_slots() {
    for (LogSlot& slot : log_file.slots) {
        platform_close(slot.file);
        slot.file = kNoFile;
        slot.header_written = 0;
        slot.file_deferred = 0;
        slot.gathered = 0;
    }
    log_file.slots_prepared = false;
}

void log_file_sink(int category, const char* timestamp, const char* name, const char* message) {
    if (!log_file.slots_prepared) {
        prepare_slots();
        // The scan's start line comes first: its timestamp names the scan.
        std::snprintf(log_file.scan_started, sizeof log_file.scan_started, "%s", timestamp);
    }
    const CategoryInfo* info = category_info(category);
    if (info == nullptr || info->section == LogSection::none) return;
    if (info->raises_alert) log_file.found_something.store(true, std::memory_order_relaxed);
    const int slot_number = static_cast<int>(info->section);
    LogSlot& slot = log_file.slots[slot_number];
    if (!is_open(slot.file) && !slot.file_deferred) {
        // A section switched off by the logging flags drops its entries by design; one
        // whose file could not be made loses them.
        if (slot_is_wanted(slot_number)) lose_entry(log_file.entry_error);
        return;
    }
    const char* header = kSections[slot_number].header;
    if (header != nullptr && !slot.header_written) {
        write_to_slot(slot, header, std::strlen(header));
        slot.header_written = 1;
    }
    char line[kLineSize];
    const std::size_t length = format_report_line(timestamp, name, message, line, sizeof line);
    write_to_slot(slot, line, length);
}

bool merge_log_files() {
    // A section whose file could not be made or written is missing from the log, as the
    // log file sink drops its entries; the caller hears of it. The previous log is
    // replaced only once every byte of the new one is in.
    for (LogSlot& slot : log_file.slots) write_gathered(slot);
    LogOutcome outcome = LogOutcome::NotWritten;
    int error = 0;
    PlatformReplacement log;
    char path[kPathLimit];
    std::uint32_t size = 0;
    const bool begun =
        log_file_path(kLogFileName, path, sizeof path) && platform_begin_replace(path, &log);
    if (!begun) {
        error = platform_last_error();
    } else if (!copy_sections(log.file, &size)) {
        error = platform_last_error();
        platform_abandon_replace(&log);
    } else if (platform_commit_replace(&log)) {
        outcome = LogOutcome::Whole;
    } else {
        error = platform_last_error();
        if (platform_replace_was_held(error)) outcome = write_in_place(path, size, &error);
    }
    if (outcome == LogOutcome::Whole && log_file.entry_lost) {
        outcome = LogOutcome::Incomplete;
        error = log_file.entry_error;
    }
    // Closing deletes the section files.
    close_log_slots();
    log_file.entry_lost = false;
    log_file.outcome = outcome;
    log_file.outcome_error = outcome == LogOutcome::Whole ? 0 : error;
    return outcome == LogOutcome::Whole;
}

int format_log_note(char* out, std::size_t size) {
    if (size == 0) return 0;
    out[0] = '\0';
    if (log_file.outcome == LogOutcome::Whole) return 0;
    // The timestamp ends with a blank.
    char started[kTimestampSize];
    std::snprintf(started, sizeof started, "%s", log_file.scan_started);
    const std::size_t length = std::strlen(started);
    if (length > 0 && started[length - 1] == ' ') started[length - 1] = '\0';
    char reason[256];
    platform_error_text(log_file.outcome_error, reason, sizeof reason);
    const char* format =
        log_file.outcome == LogOutcome::NotWritten ? kLogNotWrittenNote : kLogIncompleteNote;
    std::snprintf(out, size, format, started, reason);
    return 1;
}

int read_log_file(LogChunkCallback callback) {
    char path[kPathLimit];
    if (!log_file_path(kLogFileName, path, sizeof path)) return 0;
    const PlatformFile log = platform_open_read_shared(path);
    if (!is_open(log)) return 0;
    char chunk[kMergeChunkSize + 1];
    const int read_whole = pass_file_on(log, callback, chunk, sizeof chunk);
    platform_close(log);
    return read_whole;
}

int read_sections(LogChunkCallback callback, char* buffer, std::uint32_t size) {
    int read_whole = size >= 2 ? 1 : 0;
    for (LogSlot& slot : log_file.slots) {
        if (!read_whole) break;
        // What went to the file came before what is still gathered.
        std::uint32_t where = 0;
        if (is_open(slot.file))
            read_whole = platform_seek(slot.file, 0, &where) && where == 0 &&
                         pass_file_on(slot.file, callback, buffer, size);
        for (std::uint32_t at = 0; read_whole && at < slot.gathered;) {
            const std::uint32_t run = slot.gathered - at < size - 1 ? slot.gathered - at : size - 1;
            std::memcpy(buffer, pending_of(slot) + at, run);
            buffer[run] = '\0';
            callback(buffer);
            at += run;
        }
    }
    const bool lost = log_file.entry_lost;
    // Closing deletes the section files.
    close_log_slots();
    log_file.entry_lost = false;
    return read_whole && !lost ? 1 : 0;
}
