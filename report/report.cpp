// The report call: timestamp, bounded message formatting, the line layout, the category
// and section tables, and the verdict-to-entries rule. Runs on the scan's thread.
#include "report.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "counters.h"

ReportSink report_sink = nullptr;

const SectionInfo kSections[8] = {
    {LogSection::general, nullptr},
    {LogSection::rgb, "\r\n===== Files that are or seem to be RGB =====\r\n"},
    {LogSection::cmyk, "\r\n===== Files that are or seem to be CMYK =====\r\n"},
    {LogSection::gif, "\r\n===== Files that are GIF =====\r\n"},
    {LogSection::eps_jpeg, "\r\n===== EPS files that have embedded JPEGs =====\r\n"},
    {LogSection::unknown_colour, "\r\n===== Files that are of an unknown colour =====\r\n"},
    {LogSection::errors, "\r\n===== Files that generated errors =====\r\n"},
    {LogSection::summary, nullptr},
};

const LogSection kLogFileOrder[8] = {
    LogSection::general,  LogSection::rgb,           LogSection::cmyk,
    LogSection::gif,      LogSection::eps_jpeg,      LogSection::unknown_colour,
    LogSection::errors,   LogSection::summary,
};

const LogSection kResultsViewOrder[8] = {
    LogSection::general, LogSection::errors,   LogSection::rgb,
    LogSection::cmyk,    LogSection::gif,      LogSection::eps_jpeg,
    LogSection::unknown_colour, LogSection::summary,
};

const CategoryInfo kCategories[17] = {
    {-1, "Summary", LogSection::summary, kAlwaysReported},
    {0, "General", LogSection::general, kAlwaysReported},
    {1, "IoError", LogSection::errors, kAlwaysReported},
    {2, "Cmyk", LogSection::cmyk, 0x02},
    {3, "Rgb", LogSection::rgb, 0x01},
    {4, "CmykAndRgb", LogSection::none, 0x03},
    {5, "Gif", LogSection::gif, 0x04},
    {6, "EmbeddedJpeg", LogSection::eps_jpeg, 0x10},
    {7, "PossiblyCmyk", LogSection::cmyk, 0x02},
    {8, "PossiblyRgb", LogSection::rgb, 0x01},
    {9, "PossiblyBoth", LogSection::none, 0x03},
    {10, "PossiblyGif", LogSection::gif, 0x04},
    {11, "OtherColourSpace", LogSection::unknown_colour, 0x08},
    {12, "Undetermined", LogSection::unknown_colour, 0x08},
    {13, "Invalid", LogSection::errors, 0x08},
    {14, "NothingToReport", LogSection::none, 0},
    {15, "Mislabelled", LogSection::errors, kAlwaysReported},
};

const CategoryInfo* category_info(int category) {
    if (category < -1 || category > 15) return nullptr;
    return &kCategories[category + 1];
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
        case '\\': out[1] = '\\'; return 2;
        case '\t': out[1] = 't'; return 2;
        case '\n': out[1] = 'n'; return 2;
        case '\r': out[1] = 'r'; return 2;
        default: break;
    }
    out[1] = 'x';
    out[2] = kHex[byte >> 4];
    out[3] = kHex[byte & 0xF];
    return 4;
}

namespace {

// Length of `text` as a line writes it, control bytes escaped.
std::size_t escaped_length(const char* text) {
    std::size_t length = 0;
    char form[4];
    for (; *text; ++text)
        length += escape_line_byte(static_cast<unsigned char>(*text), false, form);
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
    // Appends at most `limit` characters of text with its control bytes escaped; a cut
    // falls between two bytes' forms, never inside an escape.
    void append_escaped(const char* text, std::size_t limit) {
        char form[4];
        for (; *text; ++text) {
            const std::size_t count =
                escape_line_byte(static_cast<unsigned char>(*text), false, form);
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
    const std::size_t message_length = escaped_length(message);
    std::size_t name_length = has_name ? escaped_length(name) : 0;

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
        const std::size_t keep = fixed + sizeof kCutMark - 1 < room
                                     ? room - fixed - (sizeof kCutMark - 1)
                                     : 0;
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
        line.append_escaped(name, name_length);
        if (cut_name) line.append(kCutMark);
    }
    if (message_length != 0) {
        if (line.length != 0) {
            if (name != nullptr) line.append(":");
            line.append(" ");
        }
        line.append_escaped(message, message_length);
    }
    out[line.length++] = '\r';
    out[line.length++] = '\n';
    out[line.length] = '\0';
    return line.length;
}

void report(int timestamped, ReportCategory category, const char* name, const char* format,
            ...) {
    const ReportSink sink = report_sink;
    if (sink == nullptr) return;
    char timestamp[kTimestampSize] = "";
    if (timestamped) format_timestamp(timestamp, sizeof timestamp);
    char message[kMessageSize] = "";
    if (format != nullptr) {
        va_list arguments;
        va_start(arguments, format);
        // vsnprintf cuts an over-long message at the buffer and still terminates it.
        std::vsnprintf(message, sizeof message, format, arguments);
        va_end(arguments);
    }
    sink(static_cast<int>(category), timestamp, name, message);
}

int report_verdict(const char* path, Verdict verdict, bool embedded_jpeg_seen,
                   std::uint16_t logging_flags) {
    int slots[3] = {static_cast<int>(verdict), 14, 14};
    if (verdict == Verdict::CmykAndRgb) {
        slots[0] = 2;
        slots[1] = 3;
    } else if (verdict == Verdict::PossiblyBoth) {
        slots[0] = 7;
        slots[1] = 8;
    }
    if (embedded_jpeg_seen) slots[2] = 6;
    const char* message = verdict_message(verdict);
    int made = 0;
    for (int slot : slots) {
        if (slot >= 2 && slot <= 14) {
            const CategoryInfo* info = category_info(slot);
            if ((info->log_mask & logging_flags) == 0) continue;
        }
        // The message is passed as an argument, never as the format: a path or text with
        // a percent sign stays as it is.
        if (message != nullptr)
            report(0, static_cast<ReportCategory>(slot), path, "%s", message);
        else
            report(0, static_cast<ReportCategory>(slot), path, nullptr);
        ++scan_counters.files_logged;
        ++made;
    }
    return made;
}
