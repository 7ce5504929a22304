// The command-line tool's options, one table for every command, the loop that reads them,
// and its stderr report sink. Main thread only.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "cli/cli.h"
#include "cli/progress.h"
#include "cli/records.h"
#include "settings/extensions.h"
#include "settings/options.h"
#include "platform/identity.h"
#include "report/report.h"
#include "scan/jobs.h"

namespace {

// How an option's value is read; a Switch takes none.
enum class ValueKind : std::uint8_t {
    Switch,       // sets its flag
    FlagWord,     // a number from 0 to 0xFFFF
    Platform,     // nt, 9x or other
    List,         // an extension list, checked when the options are built
    FileName,     // given once, never empty
    Jobs,         // a number from 1 to kMaxJobs
    CheckNames,   // names of file scanning flags, comma-separated (kCheckNames)
    ReportNames,  // names of logging flags (kReportNames)
    Pattern,      // a name pattern, never empty; repeatable
    Format,       // an output format's name
};

constexpr std::uint8_t kEveryCommand = kCheckCommand | kScanCommand;

// One option: its name, how its value is read, the commands that accept it, and the
// fields it sets (null where none): the flag that says it was given, the number or the
// text, and for a list the field of the options record it becomes.
struct OptionRow {
    const char* name;
    ValueKind value;
    std::uint8_t commands;
    bool ParsedArguments::*given;
    std::uint16_t ParsedArguments::*number;
    const char* ParsedArguments::*text;
    ListKind list;
};

using Args = ParsedArguments;
constexpr OptionRow kOptionRows[] = {
    {"--help", ValueKind::Switch, kEveryCommand, &Args::help, nullptr, nullptr, ListKind::None},
    {"-h", ValueKind::Switch, kEveryCommand, &Args::help, nullptr, nullptr, ListKind::None},
    {"--json", ValueKind::Switch, kCheckCommand, &Args::json, nullptr, nullptr, ListKind::None},
    {"--no-recurse", ValueKind::Switch, kScanCommand, &Args::no_recurse, nullptr, nullptr,
     ListKind::None},
    {"--list", ValueKind::FileName, kScanCommand, nullptr, nullptr, &Args::list_file,
     ListKind::None},
    {"--log", ValueKind::FileName, kScanCommand, nullptr, nullptr, &Args::log_file, ListKind::None},
    {"--file-scan-flags", ValueKind::FlagWord, kEveryCommand, &Args::has_file_scan_flags,
     &Args::file_scan_flags, nullptr, ListKind::None},
    {"--logging-flags", ValueKind::FlagWord, kEveryCommand, &Args::has_logging_flags,
     &Args::logging_flags, nullptr, ListKind::None},
    // The lists in this order: the first bad one is the one named.
    {"--tiff-extensions", ValueKind::List, kEveryCommand, nullptr, nullptr, &Args::tiff_extensions,
     ListKind::Tiff},
    {"--jpeg-extensions", ValueKind::List, kEveryCommand, nullptr, nullptr, &Args::jpeg_extensions,
     ListKind::Jpeg},
    {"--eps-extensions", ValueKind::List, kEveryCommand, nullptr, nullptr, &Args::eps_extensions,
     ListKind::Eps},
    {"--gif-extensions", ValueKind::List, kEveryCommand, nullptr, nullptr, &Args::gif_extensions,
     ListKind::Gif},
    {"--psd-extensions", ValueKind::List, kEveryCommand, nullptr, nullptr, &Args::psd_extensions,
     ListKind::Psd},
    {"--pdf-extensions", ValueKind::List, kEveryCommand, nullptr, nullptr, &Args::pdf_extensions,
     ListKind::Pdf},
    {"--platform", ValueKind::Platform, kEveryCommand, &Args::has_platform_id, &Args::platform_id,
     nullptr, ListKind::None},
    {"--jobs", ValueKind::Jobs, kEveryCommand, &Args::has_jobs, &Args::jobs, nullptr,
     ListKind::None},
    {"--check", ValueKind::CheckNames, kEveryCommand, &Args::has_check_names, &Args::check_names,
     nullptr, ListKind::None},
    {"--report", ValueKind::ReportNames, kEveryCommand, &Args::has_report_names,
     &Args::report_names, nullptr, ListKind::None},
    {"--files-from", ValueKind::FileName, kCheckCommand, nullptr, nullptr, &Args::files_from,
     ListKind::None},
    {"-0", ValueKind::Switch, kCheckCommand, &Args::null_separated, nullptr, nullptr,
     ListKind::None},
    {"--exclude", ValueKind::Pattern, kScanCommand, nullptr, nullptr, nullptr, ListKind::None},
    {"--format", ValueKind::Format, kEveryCommand, nullptr, &Args::output_format, nullptr,
     ListKind::None},
    {"--progress", ValueKind::Switch, kEveryCommand, &Args::progress, nullptr, nullptr,
     ListKind::None},
    {"--no-progress", ValueKind::Switch, kEveryCommand, &Args::no_progress, nullptr, nullptr,
     ListKind::None},
};

// A name of --check or --report and the bits of the flag word it stands for.
struct FlagName {
    const char* name;
    std::uint16_t bits;
};

// The tool's own kinds among the --check names: bits of the parsed names only, never of the
// file scanning flags, whose meaning the desktop program's settings share; each stands for
// its tool flag.
struct ToolKindName {
    std::uint16_t name_bit;
    std::uint16_t tool_flag;
};
constexpr std::uint16_t kCheckNamePsd = 0x8000;
constexpr std::uint16_t kCheckNamePdf = 0x4000;
constexpr ToolKindName kToolKindNames[] = {{kCheckNamePsd, kCheckPsd}, {kCheckNamePdf, kCheckPdf}};
constexpr std::uint16_t kEveryToolKind = kCheckNamePsd | kCheckNamePdf;
constexpr std::uint16_t kEveryCheck = kUseMacintoshTypes | kCheckTiff | kCheckJpeg | kCheckEps |
                                      kWarnGif | kExamineExtensions | kEmbedded | kEveryToolKind;
// In the order of their bits.
constexpr FlagName kCheckNames[] = {
    {"mac", kUseMacintoshTypes}, {"tiff", kCheckTiff},   {"jpeg", kCheckJpeg},
    {"eps", kCheckEps},          {"gif", kWarnGif},      {"extensions", kExamineExtensions},
    {"embedded", kEmbedded},     {"psd", kCheckNamePsd}, {"pdf", kCheckNamePdf},
    {"all", kEveryCheck},
};
constexpr std::uint16_t kEveryReport =
    kLogRgb | kLogCmyk | kLogGif | kLogUnknownColours | kLogEpsJpegs;
// The tool's own section of files whose profile contradicts their data: a bit of the
// parsed names only, never of the logging flags, and not in "all", so that a report of
// every kind stays what it has always been.
constexpr std::uint16_t kReportIccConflict = 0x8000;
// "errors" has no bit of its own: the errors section is kept whenever any of the four
// kinds of finding is logged, and invalid files come with unknown colours.
constexpr FlagName kReportNames[] = {
    {"rgb", kLogRgb},
    {"cmyk", kLogCmyk},
    {"gif", kLogGif},
    {"unknown", kLogUnknownColours},
    {"embedded-jpeg", kLogEpsJpegs},
    {"errors", 0},
    {"all", kEveryReport},
    {"icc-conflict", kReportIccConflict},
};

// The bits of the comma-separated names in `value`, by `names` (`count` rows). Returns
// false after a message naming the first word that is no name (an empty one included).
bool parse_flag_names(const char* value, const FlagName* names, std::size_t count,
                      const char* option, const char* choices, std::uint16_t* bits) {
    std::uint16_t word = 0;
    const char* start = value;
    for (;;) {
        const char* comma = std::strchr(start, ',');
        const std::size_t length =
            comma ? static_cast<std::size_t>(comma - start) : std::strlen(start);
        const FlagName* found = nullptr;
        for (std::size_t i = 0; i < count && found == nullptr; ++i)
            if (std::strlen(names[i].name) == length &&
                std::strncmp(names[i].name, start, length) == 0)
                found = &names[i];
        if (found == nullptr) {
            // The word is cut to the message's room, which a name never needs.
            usage_error("unknown name '%.*s' for %s (%s)",
                        static_cast<int>(length < 200 ? length : 200), start, option, choices);
            return false;
        }
        word |= found->bits;
        if (comma == nullptr) break;
        start = comma + 1;
    }
    *bits = word;
    return true;
}

struct PlatformName {
    const char* name;
    std::uint16_t platform_id;
};

constexpr PlatformName kPlatformNames[] = {{"nt", 2}, {"9x", 1}, {"other", 0}};

struct CliState {
    bool saw_error_entry;
    bool has_first_error;
    char first_error[kMessageSize];  // the message of the first category-1 entry
    ScanState scan;                  // the check command's: its entries go to stderr
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

// The row of the option `argument` names, or null. A switch matches only its own name; an
// option with a value also "--name=value", which sets *inline_value.
const OptionRow* find_option(const char* argument, const char** inline_value) {
    *inline_value = nullptr;
    for (const OptionRow& row : kOptionRows) {
        const bool matched = row.value == ValueKind::Switch
                                 ? std::strcmp(argument, row.name) == 0
                                 : option_is(argument, row.name, inline_value);
        if (matched) return &row;
    }
    return nullptr;
}

// Sets the row's fields from its value (null for a switch). Returns false after a message
// for a value the option does not take.
bool take_option(const OptionRow& row, const char* value, ParsedArguments* args) {
    switch (row.value) {
        case ValueKind::Switch:
            // The later of --progress and --no-progress wins, so either may follow the other
            // in an alias.
            if (row.given == &Args::progress) args->no_progress = false;
            if (row.given == &Args::no_progress) args->progress = false;
            args->*row.given = true;
            return true;
        case ValueKind::Format:
            if (!parse_output_format(value, &(args->*row.number))) {
                usage_error("bad value '%s' for %s (tsv, report, json or csv)", value, row.name);
                return false;
            }
            return true;
        case ValueKind::FlagWord:
            if (!parse_flag_word(value, &(args->*row.number))) {
                usage_error("bad value '%s' for %s (a number from 0 to 0xFFFF)", value, row.name);
                return false;
            }
            args->*row.given = true;
            return true;
        case ValueKind::Platform:
            for (const PlatformName& platform : kPlatformNames) {
                if (std::strcmp(value, platform.name) != 0) continue;
                args->*row.number = platform.platform_id;
                args->*row.given = true;
                return true;
            }
            usage_error("bad value '%s' for %s (nt, 9x or other)", value, row.name);
            return false;
        case ValueKind::Jobs:
            if (!parse_flag_word(value, &(args->*row.number)) || args->*row.number < 1 ||
                args->*row.number > kMaxJobs) {
                usage_error("bad value '%s' for %s (a number from 1 to %d)", value, row.name,
                            kMaxJobs);
                return false;
            }
            args->*row.given = true;
            return true;
        case ValueKind::List:
            args->*row.text = value;
            return true;
        case ValueKind::CheckNames:
        case ValueKind::ReportNames: {
            const bool check = row.value == ValueKind::CheckNames;
            std::uint16_t bits = 0;
            if (!(check ? parse_flag_names(value, kCheckNames, std::size(kCheckNames), row.name,
                                           "tiff, jpeg, eps, gif, embedded, extensions, mac, "
                                           "psd, pdf or all",
                                           &bits)
                        : parse_flag_names(value, kReportNames, std::size(kReportNames), row.name,
                                           "rgb, cmyk, gif, embedded-jpeg, unknown, errors, all "
                                           "or icc-conflict",
                                           &bits)))
                return false;
            if (!check && (bits & kReportIccConflict) != 0) {
                args->report_icc_conflict = true;
                bits = static_cast<std::uint16_t>(bits & ~kReportIccConflict);
            }
            for (const ToolKindName& kind : kToolKindNames) {
                if (!check || (bits & kind.name_bit) == 0) continue;
                args->check_tool_flags |= kind.tool_flag;
                bits = static_cast<std::uint16_t>(bits & ~kind.name_bit);
            }
            // Given again, the names add up.
            args->*row.number =
                static_cast<std::uint16_t>((args->*row.given ? args->*row.number : 0) | bits);
            args->*row.given = true;
            return true;
        }
        case ValueKind::Pattern:
            if (value[0] == '\0') {
                usage_error("option %s needs a pattern: an empty one would match no name",
                            row.name);
                return false;
            }
            args->exclude_patterns.push_back(value);
            return true;
        case ValueKind::FileName:
            if (args->*row.text != nullptr) {
                usage_error("option %s given twice", row.name);
                return false;
            }
            if (value[0] == '\0') {
                usage_error("option %s needs a file name", row.name);
                return false;
            }
            args->*row.text = value;
            return true;
    }
    return false;
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
    hold_progress();
    write_report_line(stderr, line);
    release_progress();
}

}  // namespace

void usage_error(const char* format, ...) {
    char message[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(message, sizeof message, format, arguments);
    va_end(arguments);
    hold_progress();
    std::fprintf(stderr, "inkhound: %s\n", message);
    release_progress();
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

bool parse_arguments(std::uint8_t command, int argc, char** argv, ParsedArguments* args,
                     int* exit_status) {
    *exit_status = kExitUsage;
    for (int i = 0; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--") == 0) {
            args->operands.insert(args->operands.end(), argv + i + 1, argv + argc);
            break;
        }
        if (argument[0] != '-' || argument[1] == '\0') {
            args->operands.push_back(argument);
            continue;
        }
        const char* value = nullptr;
        const OptionRow* row = find_option(argument, &value);
        // Another command's option is as unknown here as a misspelt one.
        if (row == nullptr || (row->commands & command) == 0) {
            usage_error("unknown option '%s'", argument);
            return false;
        }
        if (row->value != ValueKind::Switch && value == nullptr) {
            if (i + 1 >= argc) {
                usage_error("option %s needs a value", row->name);
                return false;
            }
            value = argv[++i];
        }
        if (!take_option(*row, value, args)) return false;
        if (args->help) {
            std::fputs(kUsageText, stdout);
            *exit_status = kExitOk;
            return false;
        }
    }
    return true;
}

namespace {

// A flag word from its names, unless the number is given too: the number wins, with a
// warning when the two say different things.
void use_named_flags(bool has_names, std::uint16_t names, const char* names_option, bool has_number,
                     std::uint16_t number, const char* number_option, std::uint16_t* word) {
    if (!has_names) return;
    if (!has_number)
        *word = names;
    else if (names != number)
        usage_error("%s 0x%02X and %s (0x%02X) disagree: %s 0x%02X is used", number_option, number,
                    names_option, names, number_option, number);
}

}  // namespace

bool build_options(const ParsedArguments& args, Options* options) {
    platform_state.platform_id = args.has_platform_id ? args.platform_id : platform_query_id();
    set_default_options(options);
    // Names of the tool's own kinds alone add those kinds to the file scanning flags as
    // they stand.
    const bool kinds_only = args.check_tool_flags != 0 && args.check_names == 0;
    use_named_flags(args.has_check_names && !kinds_only, args.check_names, "--check",
                    args.has_file_scan_flags, args.file_scan_flags, "--file-scan-flags",
                    &options->file_scan_flags);
    use_named_flags(args.has_report_names, args.report_names, "--report", args.has_logging_flags,
                    args.logging_flags, "--logging-flags", &options->logging_flags);
    if (args.has_report_names && args.report_names == 0 && !args.has_logging_flags &&
        !args.report_icc_conflict)
        usage_error(
            "--report errors: errors have no bit of their own; they are reported "
            "with any other kind of finding, so nothing is reported");
    if (args.has_file_scan_flags) options->file_scan_flags = args.file_scan_flags;
    if (args.has_logging_flags) options->logging_flags = args.logging_flags;
    options->tool_flags = args.check_tool_flags;
    for (const OptionRow& row : kOptionRows) {
        if (row.value != ValueKind::List) continue;
        const char* typed = args.*row.text;
        if (typed == nullptr) continue;
        char text[kExtensionListSize];
        if (std::strlen(typed) >= sizeof text) {
            usage_error("bad list for %s: longer than %d characters", row.name,
                        static_cast<int>(sizeof text - 1));
            return false;
        }
        std::memcpy(text, typed, std::strlen(typed) + 1);
        upper_case_ascii(text);
        if (!normalise_extension_list(text)) {
            usage_error("bad list '%s' for %s", typed, row.name);
            return false;
        }
        extension_list(*options, row.list) = duplicate_list(text);
    }
    return true;
}

int jobs_asked_for(const ParsedArguments& args) {
    return args.has_jobs ? args.jobs : kDefaultJobs;
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

bool stderr_sink_saw_error() {
    return cli_state.saw_error_entry;
}

const char* stderr_sink_first_error() {
    return cli_state.has_first_error ? cli_state.first_error : nullptr;
}

void forget_first_error() {
    cli_state.has_first_error = false;
}
