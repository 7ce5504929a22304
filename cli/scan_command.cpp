// "inkhound scan": an immediate scan of directories, or of every directory of a scan
// directory list file, whose entries go through the log file sink, so the report printed
// has the log file's layout and section order. Main thread (with --jobs the
// files are checked on the jobs' threads, their entries replayed here in walk order); the
// interrupt handler only raises the stop flag.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "classify/check.h"
#include "classify/reader.h"
#include "cli/cli.h"
#include "cli/progress.h"
#include "cli/records.h"
#include "settings/dirlist.h"
#include "report/logfile.h"
#include "settings/options.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "report/report.h"
#include "scan/jobs.h"
#include "scan/name_pattern.h"
#include "scan/walker.h"

namespace {

constexpr int kExitStopped = 130;  // as a shell reports a program ended by SIGINT
// The report is copied from the sections to stdout in runs of this many bytes (less one),
// and stdout holds as many before it writes (a pipe's capacity): a few system calls for a
// long report rather than one per 4 KB. The C library sizes a buffer it makes itself by
// the device, so stdout is given this one.
constexpr std::uint32_t kReportChunkSize = 64 * 1024;
char report_chunk[kReportChunkSize];
char stdout_buffer[kReportChunkSize];

struct ScanCommandState {
    bool pending_carriage_return;  // a CR at the end of a chunk, its LF maybe in the next
    bool has_log_copy;             // log_copy holds the --log file's replacement
    PlatformReplacement log_copy;
    bool log_copy_complete;
    int log_copy_error;    // the system's code for the write that failed
    OutputFormat format;   // Report: the report on stdout; else records
    bool jpeg_looked_for;  // the logging flags ask the EPS analysis for embedded JPEGs
    ScanState scan;        // the scan's sink and counters
    // What the entries on their way to the scan's sink told.
    ReportSink scan_sink;
    bool saw_error_entry;    // an entry of the errors kind (category 1)
    int entries_over_limit;  // folders and files not opened for the limit of open files
    char first_over_limit[kPathLimit];
    // This run's own folder for the section files a long report needs, and its leftover
    // mark.
    char private_directory[kPathLimit];
    int folder_leftover;
    // --report icc-conflict: the lines of its section, one per file in walk order.
    bool icc_conflict_report;
    std::vector<std::string> icc_conflict_lines;
};

// How the scan and its outputs ended, for the exit status.
struct ScanOutcome {
    bool finished;      // not stopped by the user
    bool found;         // the log file sink saw something to alert for
    bool report_whole;  // every entry kept and read back
    bool log_whole;     // the --log file, if any, is whole in its place
    int log_error;      // the system's code for what kept it from being so, or 0
};
ScanCommandState scan_command = {};

void request_stop() {
    scan_control.immediate_stop_requested.store(true, std::memory_order_relaxed);
}

constexpr char kIccConflictHeader[] =
    "\r\n===== Files whose colour profile contradicts their data =====\r\n";

// How the section names a model's data and a profile's space, in the report's words.
struct ConflictWords {
    ColourModel model;
    const char* data;
};
constexpr ConflictWords kDataWords[] = {
    {ColourModel::Rgb, "RGB"},         {ColourModel::Cmyk, "CMYK"},
    {ColourModel::Grey, "greyscale"},  {ColourModel::Bitmap, "bitmap"},
    {ColourModel::Palette, "palette"}, {ColourModel::Lab, "Lab"},
    {ColourModel::YCbCr, "YCbCr"},
};
constexpr const char* kSpaceWords[] = {"", "an RGB", "a CMYK", "a grey", "a Lab", "", ""};
static_assert(sizeof kSpaceWords / sizeof kSpaceWords[0] == static_cast<int>(IccSpace::Count),
              "kSpaceWords: one per IccSpace");

// The file's line of the section: "    PATH: RGB data with a CMYK profile" and the
// profile's description, quoted, when it has one.
void note_icc_conflict(const char* path, const FileDetails& details) {
    const char* data = "";
    for (const ConflictWords& row : kDataWords)
        if (row.model == details.model) data = row.data;
    char message[64 + kIccDescriptionSize];
    std::snprintf(message, sizeof message,
                  details.icc_description[0] != '\0' ? "%s data with %s profile \"%s\""
                                                     : "%s data with %s profile",
                  data, kSpaceWords[static_cast<int>(details.icc_space)], details.icc_description);
    char line[kLineSize];
    const std::size_t length = format_report_line("", path, message, line, sizeof line);
    scan_command.icc_conflict_lines.emplace_back(line, length);
}

// After a file's entries, in walk order: its record, when the scan writes records. A
// stdout that fails stops the scan, as the records after it would go unseen.
bool record_checked_file(const CheckedFile& file) {
    ScanCommandState& state = scan_command;
    if (state.icc_conflict_report && file.details != nullptr && file.details->icc_conflict)
        note_icc_conflict(file.path, *file.details);
    if (state.format == OutputFormat::Report || std::ferror(stdout)) return true;
    FileRecord record = {file.path, file.verdict, -1, nullptr, file.details};
    if (state.jpeg_looked_for) record.embedded_jpeg = file.embedded_jpeg_seen ? 1 : 0;
    hold_progress_for_stdout();
    print_scan_file_record(record);
    const bool written = std::fflush(stdout) == 0 && !std::ferror(stdout);
    release_progress_for_stdout();
    if (!written) request_stop();
    return true;
}

// The walker's files, each named on the progress line before it is checked: on the
// jobs' threads, or here as the walker itself would check it.
struct ScanHandOff {
    JobsOnDemand jobs;  // none started: checked here
    const Options* options;
};

void hand_over_path(void* receiver, const char* path, const ListedFile* listed) {
    ScanHandOff& to = *static_cast<ScanHandOff*>(receiver);
    note_progress_folder(path);
    if (CheckJobs* checks = jobs_for_next_file(&to.jobs)) {
        hand_over_file(checks, path, listed != nullptr);
        return;
    }
    const Verdict verdict = check_file(path, *to.options, listed);
    const bool embedded_jpeg_seen = file_reader.embedded_jpeg_seen;
    report_verdict(path, verdict, embedded_jpeg_seen, to.options->logging_flags);
    record_checked_file({path, verdict, embedded_jpeg_seen, &file_reader.details});
}

void catch_up_paths(void* receiver) {
    const ScanHandOff& to = *static_cast<const ScanHandOff*>(receiver);
    if (to.jobs.checks != nullptr) catch_up_checks(to.jobs.checks);
}

// Sees every entry on its way to the scan's own sink: one of the errors kind decides the
// exit status even when the logging flags keep it out of the report, and a folder the
// limit of open files kept closed is told on stderr after the report.
void watch_entry(int category, const char* timestamp, const char* name, const char* message) {
    ScanCommandState& state = scan_command;
    if (category == static_cast<int>(ReportCategory::IoError)) {
        state.saw_error_entry = true;
        // A folder or file the walker or the check could not open for the limit.
        const bool over_limit = state.scan.open_failure_error == kErrorTooManyOpenFiles;
        // Paths come from buffers of this size: never cut.
        if (name != nullptr && over_limit && state.entries_over_limit++ == 0)
            std::snprintf(state.first_over_limit, sizeof state.first_over_limit, "%s", name);
    }
    if (state.format != OutputFormat::Report) note_scan_entry(category, name, message);
    state.scan_sink(category, timestamp, name, message);
}

// One chunk of the report: byte for byte to the --log file, and to stdout with each
// CR LF written as the text stream's own line end. After a failure each stops being
// written.
void emit_log_chunk(const char* chunk) {
    ScanCommandState& state = scan_command;
    const std::size_t length = std::strlen(chunk);
    if (state.has_log_copy && state.log_copy_complete &&
        !platform_write(state.log_copy.file, chunk, static_cast<std::uint32_t>(length))) {
        state.log_copy_error = platform_last_error();
        state.log_copy_complete = false;
    }
    if (state.format != OutputFormat::Report || std::ferror(stdout)) return;
    std::size_t at = 0;
    if (state.pending_carriage_return && length > 0) {
        state.pending_carriage_return = false;
        if (chunk[0] == '\n') {
            std::fputc('\n', stdout);
            at = 1;
        } else {
            std::fputc('\r', stdout);
        }
    }
    while (at < length) {
        const char* cr = static_cast<const char*>(std::memchr(chunk + at, '\r', length - at));
        const std::size_t run = cr ? static_cast<std::size_t>(cr - chunk) - at : length - at;
        std::fwrite(chunk + at, 1, run, stdout);
        at += run;
        if (at == length) break;
        // A CR: its LF may be the next byte, or the first of the next chunk.
        if (at + 1 == length) {
            state.pending_carriage_return = true;
            break;
        }
        if (chunk[at + 1] == '\n') {
            std::fputc('\n', stdout);
            at += 2;
        } else {
            std::fputc('\r', stdout);
            at += 1;
        }
    }
}

// Removes the private folder; the section files went when closed.
void remove_private_directory(const char* directory) {
    if (!platform_remove_directory(directory))
        usage_error("could not remove the temporary folder '%s'", directory);
}

void report_skipped_line(long line_number, SkippedLine why) {
    usage_error(
        "line %ld of the list file skipped, so not scanned: %s", line_number,
        why == SkippedLine::ZeroByte ? "it holds a zero byte" : "longer than the path limit");
}

// Reads the arguments, builds the options and loads a --list file. Returns false when the
// command is to end at once with *exit_status.
bool read_scan_request(int argc, char** argv, ParsedArguments* args, Options* options,
                       int* exit_status) {
    if (!parse_arguments(kScanCommand, argc, argv, args, exit_status)) return false;
    *exit_status = kExitUsage;
    const bool has_directories = !args->operands.empty();
    if (args->list_file != nullptr && has_directories) {
        usage_error("scan takes either --list FILE or directories, not both");
        return false;
    }
    if (args->list_file == nullptr && !has_directories) {
        usage_error("scan needs --list FILE or at least one DIR");
        return false;
    }
    for (const char* directory : args->operands) {
        if (directory[0] == '\0') {
            usage_error("an empty DIR names no directory");
            return false;
        }
    }
    if (!build_options(*args, options)) return false;
    if (!output_format_for(kScanCommand, *args, &scan_command.format)) return false;
    options->tool_flags |= tool_flags_for(scan_command.format, *args);
    // Unlike the program's own list, whose absence means an empty list, a list named on
    // the command line must be there, and be a file.
    if (args->list_file != nullptr &&
        !load_directory_list_file(args->list_file, report_skipped_line)) {
        usage_error("cannot read the list file '%s' (system error %d)", args->list_file,
                    platform_last_error());
        return false;
    }
    return true;
}

// Begins the --log file's replacement (`log_target` null: none) and makes the private
// folder. Returns false after a message, with nothing left begun.
bool prepare_outputs(const char* log_target) {
    ScanCommandState& state = scan_command;
    // The --log file is begun before the scan, so that a long scan is not run for a log
    // that cannot be written; it takes the old one's place only once the report is whole
    // in it.
    state.log_copy_complete = true;
    if (log_target != nullptr) {
        if (!platform_begin_replace(log_target, &state.log_copy)) {
            usage_error("cannot write the log file '%s' (system error %d)", log_target,
                        platform_last_error());
            return false;
        }
        state.has_log_copy = true;
    }
    // Section files live in a folder of this run's own: two runs never meet, and no name
    // in it can have been planted.
    if (!platform_make_private_directory(state.private_directory, sizeof state.private_directory) ||
        !set_log_directory(state.private_directory)) {
        usage_error("cannot make a temporary folder (system error %d)", platform_last_error());
        if (state.has_log_copy) platform_abandon_replace(&state.log_copy);
        return false;
    }
    state.folder_leftover = platform_note_leftover(state.private_directory, true);
    return true;
}

// Binds the scan to this thread: its entries pass the watcher on their way to the log
// file sink, which keeps the sections in memory until they outgrow it.
void install_scan_sinks() {
    ScanCommandState& state = scan_command;
    ScanState& scan = state.scan;
    state.scan_sink = log_file_sink;
    scan.sink = watch_entry;
    bind_scan(&scan);
    log_file.files_on_demand = true;
    reset_log_slots();
}

// Whether `name` matches one of the --exclude patterns, compared as the system compares
// names.
bool excluded_name(const void* context, const char* name) {
    const auto& patterns = *static_cast<const std::vector<const char*>*>(context);
    for (const char* pattern : patterns)
        if (name_matches(pattern, name, kPathsIgnoreCase)) return true;
    return false;
}

// The immediate scan of the list or the directories, its files checked by the walker
// itself with one job, else on the jobs' threads (by the walker where not one thread can
// be had). Returns 1 when it finished, 0 when it was stopped.
int scan_targets(const ParsedArguments& args, const Options& options) {
    ImmediateScanTargets targets = {};
    targets.whole_list = args.list_file != nullptr;
    targets.directories = args.operands.data();
    targets.directory_count = static_cast<int>(args.operands.size());
    targets.include_subdirectories = !args.no_recurse;
    const NameFilter name_filter = {excluded_name, &args.exclude_patterns};
    if (!args.exclude_patterns.empty()) targets.name_filter = &name_filter;
    const int jobs = jobs_asked_for(args);
    const JobsSetUp set_up = {jobs, &options, true, &scan_control.immediate_stop_requested,
                              record_checked_file};
    ScanHandOff to = {{set_up, nullptr, 0, false}, &options};
    const FileHandOff hand_off = {hand_over_path, catch_up_paths, &to};
    targets.hand_off = &hand_off;
    const int finished = perform_immediate_scan(targets, options);
    finish_jobs_on_demand(&to.jobs);
    return finished;
}

// Writes the report to stdout and the --log file, puts the --log file in its place only
// when whole, and removes the private folder. Fills all of `outcome` but `finished`.
void finish_outputs(ScanOutcome* outcome) {
    ScanCommandState& state = scan_command;
    outcome->found = log_file.found_something.load(std::memory_order_relaxed);
    const int read_whole = read_sections(emit_log_chunk, report_chunk, sizeof report_chunk);
    // The tool's own section comes after the log's, a header even when it lists nobody,
    // so that an empty one says the question was asked.
    if (state.icc_conflict_report && read_whole) {
        emit_log_chunk(kIccConflictHeader);
        for (const std::string& line : state.icc_conflict_lines) emit_log_chunk(line.c_str());
    }
    if (state.pending_carriage_return && !std::ferror(stdout)) std::fputc('\r', stdout);
    std::fflush(stdout);
    outcome->report_whole = read_whole != 0;
    outcome->log_error = state.log_copy_error;
    outcome->log_whole = state.log_copy_complete && outcome->report_whole;
    if (state.has_log_copy) {
        if (!outcome->log_whole) {
            platform_abandon_replace(&state.log_copy);
        } else if (!platform_commit_replace(&state.log_copy)) {
            outcome->log_error = platform_last_error();
            outcome->log_whole = false;
        }
    }
    remove_private_directory(state.private_directory);
    platform_forget_leftover(state.folder_leftover);
}

// The exit status, after a message on stderr for each thing that went wrong: the stop
// gives 130, an error entry 3 and else a finding 1, but an incomplete report, --log file
// or stdout gives 2 over all of them.
int scan_exit_status(const ScanOutcome& outcome, const char* log_target) {
    const ScanCommandState& state = scan_command;
    int status = kExitOk;
    if (!outcome.finished)
        status = kExitStopped;
    else if (state.saw_error_entry)
        status = kExitUnread;
    else if (outcome.found)
        status = kExitFound;
    if (state.entries_over_limit > 0) {
        usage_error(
            "'%s' and %d more not scanned: the tree is deeper than the limit of %llu "
            "open files allows",
            state.first_over_limit, state.entries_over_limit - 1,
            static_cast<unsigned long long>(tool_surroundings.open_file_limit));
    }
    if (!outcome.report_whole) {
        usage_error("the report is incomplete: its sections could not be kept whole in '%s'",
                    state.private_directory);
        status = kExitUsage;
    }
    if (state.has_log_copy && !outcome.log_whole) {
        if (outcome.log_error != 0)
            usage_error(
                "the log file '%s' could not be written whole (system error %d); the "
                "previous one is left as it was",
                log_target, outcome.log_error);
        else
            usage_error("the log file '%s' is left as it was: the report is incomplete",
                        log_target);
        status = kExitUsage;
    }
    if (std::ferror(stdout)) {
        usage_error("the report could not be written to standard output");
        status = kExitUsage;
    }
    return status;
}

}  // namespace

int run_scan_command(int argc, char** argv) {
    ParsedArguments args = {};
    Options options = {};
    int exit_status = kExitOk;
    if (!read_scan_request(argc, argv, &args, &options, &exit_status)) return exit_status;
    // The report goes out only once the scan has ended, so nothing waits for the buffer.
    if (scan_command.format == OutputFormat::Report)
        std::setvbuf(stdout, stdout_buffer, _IOFBF, sizeof stdout_buffer);
    // From here on a first Ctrl-C, SIGTERM or SIGHUP stops the scan, and the report is
    // still made; a second one removes what was being made and ends the tool.
    platform_catch_interrupt(request_stop);
    if (!prepare_outputs(args.log_file)) return kExitUsage;
    install_scan_sinks();
    scan_command.jpeg_looked_for = (options.logging_flags & kLogEpsJpegs) != 0;
    scan_command.icc_conflict_report = args.report_icc_conflict;
    if (scan_command.format != OutputFormat::Report) begin_scan_records(scan_command.format);
    if (progress_wanted(args)) start_progress(&scan_command.scan);
    ScanOutcome outcome = {};
    outcome.finished = scan_targets(args, options) != 0;
    stop_progress();
    if (scan_command.format != OutputFormat::Report) {
        const ScanState& scan = scan_command.scan;
        finish_scan_records(!outcome.finished, scan.files_seen.load(), scan.files_checked.load(),
                            scan.files_logged.load());
        std::fflush(stdout);
    }
    finish_outputs(&outcome);
    return scan_exit_status(outcome, args.log_file);
}
