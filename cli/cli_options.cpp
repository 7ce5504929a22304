// Option parsing shared by the command-line tool's commands, and its stderr report sink.
// Main thread only.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "cli/cli.h"
#include "settings/extensions.h"
#include "settings/options.h"
#include "platform/identity.h"
#include "report/report.h"

namespace {

struct ListOption {
    const char* name;
    int index;  // into CommonOptions::lists
};

const ListOption kListOptions[] = {
    {"--tiff-extensions", 0},
    {"--jpeg-extensions", 1},
    {"--eps-extensions", 2},
    {"--gif-extensions", 3},
};

struct CliState {
    bool saw_error_entry;
    bool has_first_error;
    char first_error[kMessageSize];  // the message of the first category-1 entry
    ScanState scan;  // the check command's: its entries go to stderr
};
CliState cli_state;

// Matches "--name" or "--name=value"; sets *inline_value for the second form.
bool option_is(const char* argument, const char* name, const char** inline_value) {
    const std::size_t length = std::strlen(name);
    if (std::strncmp(argument, name, length) != 0) return false;
    if (argument[length] == '\0') {
        *inline_value = nullptr;
        return true;
    }
    if (argument[length] == '=') {
        *inline_value = argument + length + 1;
        return true;
    }
    return false;
}

// The option's value: after "=", or the next argument.
const char* option_value(const char* name, const char* inline_value, int argc, char** argv,
                         int* index) {
    if (inline_value != nullptr) return inline_value;
    if (*index + 1 >= argc) {
        usage_error("option %s needs a value", name);
        return nullptr;
    }
    return argv[++*index];
}

void stderr_sink(int category, const char* timestamp, const char* name, const char* message) {
    if (category == 1) {
        cli_state.saw_error_entry = true;
        if (!cli_state.has_first_error) {
            // Messages come from a buffer of this size: never cut.
            std::snprintf(cli_state.first_error, sizeof cli_state.first_error, "%s", message);
            cli_state.has_first_error = true;
        }
    }
    char line[kLineSize];
    format_report_line(timestamp, name, message, line, sizeof line);
    write_report_line(stderr, line);
}

}  // namespace

void usage_error(const char* format, ...) {
    char message[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(message, sizeof message, format, arguments);
    va_end(arguments);
    std::fprintf(stderr, "inkhound: %s\n", message);
}

bool parse_flag_word(const char* text, std::uint16_t* value) {
    unsigned long number = 0;
    int base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text += 2;
    }
    if (*text == '\0') return false;
    for (; *text; ++text) {
        int digit;
        const char c = *text;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        number = number * base + digit;
        if (number > 0xFFFF) return false;
    }
    *value = static_cast<std::uint16_t>(number);
    return true;
}

OptionResult take_common_option(CommonOptions* common, int argc, char** argv, int* index) {
    const char* argument = argv[*index];
    const char* inline_value = nullptr;
    struct NumberOption {
        const char* name;
        bool* present;
        std::uint16_t* value;
    };
    const NumberOption numbers[] = {
        {"--file-scan-flags", &common->has_file_scan_flags, &common->file_scan_flags},
        {"--logging-flags", &common->has_logging_flags, &common->logging_flags},
    };
    for (const NumberOption& number : numbers) {
        if (!option_is(argument, number.name, &inline_value)) continue;
        const char* value = option_value(number.name, inline_value, argc, argv, index);
        if (value == nullptr) return OptionResult::Error;
        if (!parse_flag_word(value, number.value)) {
            usage_error("bad value '%s' for %s (a number from 0 to 0xFFFF)", value, number.name);
            return OptionResult::Error;
        }
        *number.present = true;
        return OptionResult::Taken;
    }
    for (const ListOption& list : kListOptions) {
        if (!option_is(argument, list.name, &inline_value)) continue;
        const char* value = option_value(list.name, inline_value, argc, argv, index);
        if (value == nullptr) return OptionResult::Error;
        common->lists[list.index] = value;
        return OptionResult::Taken;
    }
    if (option_is(argument, "--platform", &inline_value)) {
        const char* value = option_value("--platform", inline_value, argc, argv, index);
        if (value == nullptr) return OptionResult::Error;
        if (std::strcmp(value, "nt") == 0) {
            common->platform_id = 2;
        } else if (std::strcmp(value, "9x") == 0) {
            common->platform_id = 1;
        } else if (std::strcmp(value, "other") == 0) {
            common->platform_id = 0;
        } else {
            usage_error("bad value '%s' for --platform (nt, 9x or other)", value);
            return OptionResult::Error;
        }
        return OptionResult::Taken;
    }
    return OptionResult::NotMine;
}

bool install_options(const CommonOptions& common) {
    platform_state.platform_id = common.platform_id >= 0 ? common.platform_id : platform_query_id();
    Options options = {};
    set_default_options(&options);
    if (common.has_file_scan_flags) options.file_scan_flags = common.file_scan_flags;
    if (common.has_logging_flags) options.logging_flags = common.logging_flags;
    ExtensionList* fields[4] = {&options.tiff_extensions, &options.jpeg_extensions,
                                &options.eps_extensions, &options.gif_extensions};
    for (const ListOption& list : kListOptions) {
        const char* typed = common.lists[list.index];
        if (typed == nullptr) continue;
        char text[kExtensionListSize];
        if (std::strlen(typed) >= sizeof text) {
            usage_error("bad list for %s: longer than %d characters", list.name,
                        static_cast<int>(sizeof text - 1));
            return false;
        }
        std::memcpy(text, typed, std::strlen(typed) + 1);
        upper_case_ascii(text);
        if (!normalise_extension_list(text)) {
            usage_error("bad list '%s' for %s", typed, list.name);
            return false;
        }
        *fields[list.index] = duplicate_list(text);
    }
    release_options(&live_options);
    release_options(&working_options);
    copy_options(&live_options, options);
    copy_options(&working_options, options);
    return true;
}

void write_report_line(std::FILE* stream, const char* line) {
    std::size_t length = std::strlen(line);
    if (length >= 2 && line[length - 2] == '\r' && line[length - 1] == '\n') length -= 2;
    // The stream is in text mode: "\n" becomes the platform's own line end.
    std::fwrite(line, 1, length, stream);
    std::fputc('\n', stream);
}

void install_stderr_sink() {
    cli_state.saw_error_entry = false;
    cli_state.has_first_error = false;
    cli_state.scan.sink = stderr_sink;
    bind_scan(&cli_state.scan);
}

bool stderr_sink_saw_error() { return cli_state.saw_error_entry; }

const char* stderr_sink_first_error() {
    return cli_state.has_first_error ? cli_state.first_error : nullptr;
}

void forget_first_error() { cli_state.has_first_error = false; }
