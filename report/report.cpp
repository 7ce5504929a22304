// The report call: the binding of each thread's scan, the category look-up, timestamp,
// bounded message formatting and the line layout. Runs on the scan's thread.
#include "report/report.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {
// Each scan runs on a thread of its own; the thread's scan is where its reports go.
thread_local ScanState* thread_scan = nullptr;
}  // namespace

void bind_scan(ScanState* scan) {
    thread_scan = scan;
}

ScanState* current_scan() {
    return thread_scan;
}

void zero_scan_counters(ScanState* scan) {
    scan->files_seen.store(0, std::memory_order_relaxed);
    scan->files_checked.store(0, std::memory_order_relaxed);
    scan->files_logged.store(0, std::memory_order_relaxed);
}

const CategoryInfo* category_info(int category) {
    if (category < kFirstCategory || category >= kFirstCategory + kCategoryCount) return nullptr;
    return &kCategories[category - kFirstCategory];
}

LogSection section_of(int category) {
    const CategoryInfo* info = category_info(category);
    return info ? info->section : LogSection::none;
}

void format_timestamp_at(const LocalTime& time, char* out, std::size_t size) {
    if (size == 0) return;
    out[0] = '\0';
    std::size_t length = 0;
    if (platform_format_date(time, out, size)) length = std::strlen(out);
    // The time goes where the date's terminating zero was; snprintf cuts at the buffer.
    std::snprintf(out + length, size - length, " %02d:%02d:%02d ", time.hour, time.minute,
                  time.second);
}

void format_timestamp(char* out, std::size_t size) {
    LocalTime now;
    platform_local_time(&now);
    format_timestamp_at(now, out, size);
}

std::size_t escape_line_byte(unsigned char byte, bool escape_backslash, char* out) {
    static const char kHex[] = "0123456789abcdef";
    const bool control = byte < 0x20 || byte == 0x7F;
    if (!control && !(escape_backslash && byte == '\\')) {
        out[0] = static_cast<char>(byte);
        return 1;
    }
    out[0] = '\\';
    switch (byte) {
        case '\\':
            out[1] = '\\';
            return 2;
        case '\t':
            out[1] = 't';
            return 2;
        case '\n':
            out[1] = 'n';
            return 2;
        case '\r':
            out[1] = 'r';
            return 2;
        default:
            break;
    }
    out[1] = 'x';
    out[2] = kHex[byte >> 4];
    out[3] = kHex[byte & 0xF];
    return 4;
}

namespace {

// Whether any of the 8 bytes of `word` is a control byte (below 0x20, or 0x7F): names
// are looked at a word at a time, as nearly all of them hold none.
bool has_control_byte(std::uint64_t word) {
    constexpr std::uint64_t kEach = 0x0101010101010101u;
    constexpr std::uint64_t kHigh = kEach * 0x80;
    const std::uint64_t below_space = (word - kEach * 0x20) & ~word & kHigh;
    const std::uint64_t del = word ^ (kEach * 0x7F);
    return (below_space | ((del - kEach) & ~del & kHigh)) != 0;
}

// Length of the `size` bytes at `text` as a line writes them, control bytes escaped.
std::size_t escaped_length(const char* text, std::size_t size) {
    std::size_t length = size;
    char form[4];
    std::size_t at = 0;
    while (at < size) {
        std::uint64_t word;
        if (size - at >= sizeof word) {
            std::memcpy(&word, text + at, sizeof word);
            if (!has_control_byte(word)) {
                at += sizeof word;
                continue;
            }
        }
        const std::size_t end = size - at >= sizeof word ? at + sizeof word : size;
        for (; at < end; ++at)
            length += escape_line_byte(static_cast<unsigned char>(text[at]), false, form) - 1;
    }
    return length;
}

// Appends text to a line under construction; what does not fit is cut.
struct LineBuilder {
    char* out;
    std::size_t room;  // characters that may still be written before CR LF
    std::size_t length;

    void append(const char* text, std::size_t count) {
        if (count > room) count = room;
        std::memcpy(out + length, text, count);
        length += count;
        room -= count;
    }
    void append(const char* text) { append(text, std::strlen(text)); }
    // Appends at most `limit` characters of the `size` bytes at `text`, its control bytes
    // escaped; a cut falls between two bytes' forms, never inside an escape. `plain`: the
    // text holds no control byte.
    void append_escaped(const char* text, std::size_t size, bool plain, std::size_t limit) {
        if (plain) {
            append(text, size < limit ? size : limit);
            return;
        }
        char form[4];
        for (std::size_t at = 0; at < size; ++at) {
            const std::size_t count =
                escape_line_byte(static_cast<unsigned char>(text[at]), false, form);
            if (count > limit || count > room) return;
            append(form, count);
            limit -= count;
        }
    }
};

const char kCutMark[] = "...";

}  // namespace

std::size_t format_report_line(const char* timestamp, const char* name, const char* message,
                               char* out, std::size_t size) {
    if (size < 3) {
        if (size > 0) out[0] = '\0';
        return 0;
    }
    const bool has_name = name != nullptr && name[0] != '\0';
    const std::size_t timestamp_length = std::strlen(timestamp);
    // A control byte in a name (or in a message naming one) could end the line and start
    // a fake entry or section: lengths count the escaped forms.
    const std::size_t message_size = std::strlen(message);
    const std::size_t message_length = escaped_length(message, message_size);
    const std::size_t name_size = has_name ? std::strlen(name) : 0;
    std::size_t name_length = has_name ? escaped_length(name, name_size) : 0;
    const bool name_plain = name_length == name_size;

    // What the line needs besides the name: the lead-in, and the colon and space before
    // the message.
    std::size_t fixed = timestamp_length + message_length;
    if (has_name) fixed += (timestamp_length == 0 ? 3 : 0) + 1;
    if (message_length != 0 && (timestamp_length != 0 || has_name))
        fixed += (name != nullptr ? 1 : 0) + 1;

    // A line that would not fit loses the end of its name first, marked "...", so that
    // the message, which says what happened, stays whole; only a message that does not
    // fit by itself is cut as well.
    const std::size_t room = size - 3;
    bool cut_name = false;
    if (fixed + name_length > room && has_name) {
        const std::size_t keep =
            fixed + sizeof kCutMark - 1 < room ? room - fixed - (sizeof kCutMark - 1) : 0;
        if (keep < name_length) {
            name_length = keep;
            cut_name = true;
        }
    }

    LineBuilder line = {out, room, 0};
    line.append(timestamp);
    if (has_name) {
        if (line.length == 0) line.append("   ");
        line.append(" ");
        line.append_escaped(name, name_size, name_plain, name_length);
        if (cut_name) line.append(kCutMark);
    }
    if (message_length != 0) {
        if (line.length != 0) {
            if (name != nullptr) line.append(":");
            line.append(" ");
        }
        line.append_escaped(message, message_size, message_length == message_size, message_length);
    }
    out[line.length++] = '\r';
    out[line.length++] = '\n';
    out[line.length] = '\0';
    return line.length;
}

void report(int timestamped, ReportCategory category, const char* name, const char* format, ...) {
    const ScanState* scan = thread_scan;
    if (scan == nullptr || scan->sink == nullptr) return;
    char timestamp[kTimestampSize] = "";
    if (timestamped) format_timestamp(timestamp, sizeof timestamp);
    char message[kMessageSize];
    message[0] = '\0';
    if (format != nullptr) {
        va_list arguments;
        va_start(arguments, format);
        // vsnprintf cuts an over-long message at the buffer and still terminates it.
        std::vsnprintf(message, sizeof message, format, arguments);
        va_end(arguments);
    }
    scan->sink(static_cast<int>(category), timestamp, name, message);
}

void report_open_failure(const char* name, const char* format, int error) {
    ScanState* scan = thread_scan;
    if (scan != nullptr) scan->open_failure_error = error;
    report(1, ReportCategory::IoError, name, format, error);
    if (scan != nullptr) scan->open_failure_error = 0;
}
