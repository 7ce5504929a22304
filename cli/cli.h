// The command-line tool's shared pieces: option parsing into the options record, the
// report sink that writes entries to stderr, and the output helpers. Main thread only.
#pragma once

#include <cstdint>
#include <cstdio>

constexpr int kExitOk = 0;
constexpr int kExitFound = 1;  // check: a category-1 entry; scan: something found or an error
constexpr int kExitUsage = 2;  // also: output that could not be written whole

// What the tool learnt about its surroundings at start-up.
struct ToolSurroundings {
    std::uint64_t open_file_limit;  // descriptors the process may hold; 0: no such limit
};
extern ToolSurroundings tool_surroundings;

// Options shared by every command: the five settings the classifier reads.
struct CommonOptions {
    bool has_file_scan_flags;
    std::uint16_t file_scan_flags;
    bool has_logging_flags;
    std::uint16_t logging_flags;
    int platform_id;  // -1: the real one
    const char* lists[4];  // tiff, jpeg, eps, gif as typed; null: the default
};

// What one argument did to the common options.
enum class OptionResult { NotMine, Taken, Error };

// Tries to take argv[*index] (and its value, which may follow as the next argument or
// after "=") as a common option. On Error a one-line message is already on stderr.
OptionResult take_common_option(CommonOptions* common, int argc, char** argv, int* index);

// Fills live_options and working_options (and platform_id) from the common options,
// checking and normalising the lists. Returns false with a message on stderr for a bad
// list.
bool install_options(const CommonOptions& common);

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
