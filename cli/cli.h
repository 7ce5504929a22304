// The command-line tool's shared pieces: argument parsing into the options record, the
// report sink that writes entries to stderr, and the output helpers. Main thread only.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "settings/options.h"

constexpr int kExitOk = 0;
constexpr int kExitFound = 1;   // an entry that raises an alert: what a scan alerts for
constexpr int kExitUsage = 2;   // also: output that could not be written whole
constexpr int kExitUnread = 3;  // an entry of the errors kind (category 1), found or not;
                                // or a line of a file list skipped

// Files checked at once without --jobs.
constexpr int kDefaultJobs = 1;

// What the tool learnt about its surroundings at start-up.
struct ToolSurroundings {
    std::uint64_t open_file_limit;  // descriptors the process may hold; 0: no such limit
};
extern ToolSurroundings tool_surroundings;

// Bits of an option's commands: which commands accept it.
constexpr std::uint8_t kCheckCommand = 0x01;
constexpr std::uint8_t kScanCommand = 0x02;

// What a command's arguments asked for; the texts point into argv.
struct ParsedArguments {
    bool help;  // --help or -h: the usage text is all the command prints
    bool json;
    bool no_recurse;
    const char* list_file;  // null: not given
    const char* log_file;
    bool has_file_scan_flags;
    std::uint16_t file_scan_flags;
    bool has_logging_flags;
    std::uint16_t logging_flags;
    bool has_platform_id;
    std::uint16_t platform_id;  // as platform_state's; without it, the real one
    bool has_jobs;
    std::uint16_t jobs;           // 1 to kMaxJobs; without it, kDefaultJobs
    const char* tiff_extensions;  // as typed; null: the default
    const char* jpeg_extensions;
    const char* eps_extensions;
    const char* gif_extensions;
    const char* psd_extensions;
    const char* pdf_extensions;
    std::uint16_t output_format;  // --format, an OutputFormat; 0: not given
    bool progress;                // --progress, --no-progress: the later one given wins
    bool no_progress;
    std::vector<const char*> operands;  // the FILEs or DIRs, in order
    // The flag words by name (--check, --report): the bits of every name given.
    bool has_check_names;
    std::uint16_t check_names;
    bool has_report_names;
    std::uint16_t report_names;
    const char* files_from;  // --files-from: a file list, "-" for stdin; null: none
    bool null_separated;     // -0: its paths end with a zero byte, not a line end
    std::vector<const char*> exclude_patterns;  // --exclude, in order
    bool report_icc_conflict;        // --report icc-conflict: scan lists contradicted profiles
    std::uint16_t check_tool_flags;  // the tool's own kinds --check names (kCheckPsd...)
};

// Reads the arguments after the command's name into `args`. Options may stand anywhere
// before "--"; everything after it is an operand. Returns true for the command to run;
// false when it is to end at once with *exit_status: kExitOk after printing the usage
// text, kExitUsage after a one-line message on stderr.
bool parse_arguments(std::uint8_t command, int argc, char** argv, ParsedArguments* args,
                     int* exit_status);

// Fills `options` (a fresh record) from the arguments: the defaults for the platform
// they name, which becomes platform_state's, with their flag words and lists, checked
// and normalised. Returns false with a message on stderr for a bad list.
bool build_options(const ParsedArguments& args, Options* options);

// The files to check at once: --jobs, or kDefaultJobs.
int jobs_asked_for(const ParsedArguments& args);

// Parses a number in decimal or 0x hex from 0 to 0xFFFF.
bool parse_flag_word(const char* text, std::uint16_t* value);

// "inkhound: MESSAGE" on stderr, one line.
void usage_error(const char* format, ...);

// Installs a report sink that writes each entry to stderr with the platform's line end
// and remembers whether any category-1 entry was made.
void install_stderr_sink();
bool stderr_sink_saw_error();
// The message of the first category-1 entry since the last forget_first_error(), or null.
const char* stderr_sink_first_error();
void forget_first_error();

// Writes a report line built by the line layout (CR LF terminated) to a text stream with
// the platform's own line end.
void write_report_line(std::FILE* stream, const char* line);

int run_check_command(int argc, char** argv);
int run_scan_command(int argc, char** argv);

extern const char kUsageText[];
