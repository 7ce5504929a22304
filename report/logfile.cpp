// The log file sink, the merge into "Inkhound.log" and the log's reader. Sink and merge
// run on the thread of the scan that installed the sink; the reader on the
// user-interface thread.
#include "report/logfile.h"

#include <cstdio>
#include <cstring>

#include "platform/paths.h"
#include "report/report.h"

LogFileState log_file = {{}, false, {false}, false, ""};

namespace {

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

void prepare_slots() {
    log_file.entry_lost = false;
    for (int i = 0; i < kSectionCount; ++i) {
        LogSlot& slot = log_file.slots[i];
        slot.header_written = 0;
        slot.file = kNoFile;
        if (!slot_is_wanted(i)) continue;
        char name[32];
        char path[kPathLimit];
        section_file_name(i, name, sizeof name);
        if (log_file_path(name, path, sizeof path)) slot.file = platform_create_section_file(path);
    }
    log_file.slots_prepared = true;
}

void write_to_slot(LogSlot& slot, const char* text, std::size_t length) {
    if (!platform_write(slot.file, text, static_cast<std::uint32_t>(length)))
        log_file.entry_lost = true;
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
    }
    log_file.slots_prepared = false;
    log_file.entry_lost = false;
    log_file.found_something.store(false, std::memory_order_relaxed);
}

void close_log_slots() {
    for (LogSlot& slot : log_file.slots) {
        platform_close(slot.file);
        slot.file = kNoFile;
        slot.header_written = 0;
    }
    log_file.slots_prepared = false;
}

void log_file_sink(int category, const char* timestamp, const char* name, const char* message) {
    if (!log_file.slots_prepared) prepare_slots();
    const CategoryInfo* info = category_info(category);
    if (info == nullptr || info->section == LogSection::none) return;
    if (info->raises_alert) log_file.found_something.store(true, std::memory_order_relaxed);
    const int slot_number = static_cast<int>(info->section);
    LogSlot& slot = log_file.slots[slot_number];
    if (!is_open(slot.file)) {
        // A section switched off by the logging flags drops its entries by design; one
        // whose file could not be made loses them.
        if (slot_is_wanted(slot_number)) log_file.entry_lost = true;
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
    const bool nothing_lost = !log_file.entry_lost;
    PlatformReplacement log;
    char path[kPathLimit];
    const bool begun =
        log_file_path(kLogFileName, path, sizeof path) && platform_begin_replace(path, &log);
    bool written = begun;
    char chunk[kMergeChunkSize];
    for (LogSlot& slot : log_file.slots) {
        if (written && is_open(slot.file)) {
            std::uint32_t where = 0;
            if (!platform_seek(slot.file, 0, &where) || where != 0) {
                written = false;
            } else {
                for (;;) {
                    std::uint32_t got = 0;
                    if (!platform_read(slot.file, chunk, sizeof chunk, &got)) {
                        written = false;
                        break;
                    }
                    if (got == 0) break;
                    if (!platform_write(log.file, chunk, got)) {
                        written = false;
                        break;
                    }
                }
            }
        }
        // Closing deletes the section file.
        platform_close(slot.file);
        slot.file = kNoFile;
        slot.header_written = 0;
    }
    if (begun) {
        if (!written)
            platform_abandon_replace(&log);
        else if (!platform_commit_replace(&log))
            written = false;
    }
    log_file.slots_prepared = false;
    log_file.entry_lost = false;
    return written && nothing_lost;
}

int read_log_file(LogChunkCallback callback) {
    char path[kPathLimit];
    if (!log_file_path(kLogFileName, path, sizeof path)) return 0;
    const PlatformFile log = platform_open_read_shared(path);
    if (!is_open(log)) return 0;
    char chunk[kMergeChunkSize + 1];
    int read_whole = 1;
    for (;;) {
        std::uint32_t got = 0;
        if (!platform_read(log, chunk, kMergeChunkSize, &got)) {
            read_whole = 0;
            break;
        }
        if (got == 0) break;
        chunk[got] = '\0';
        callback(chunk);
    }
    platform_close(log);
    return read_whole;
}
