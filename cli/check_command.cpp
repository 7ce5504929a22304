// "inkhound check": checks each file with the desktop program's own check and prints its
// verdict, as a tab-separated line, a JSON object or a CSV row. Main thread; with --jobs the checks
// run on the jobs' threads and every result and entry comes out here, in argument order.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "classify/check.h"
#include "cli/cli.h"
#include "cli/file_list.h"
#include "cli/progress.h"
#include "cli/records.h"
#include "settings/options.h"
#include "classify/reader.h"
#include "report/report.h"
#include "classify/verdict.h"
#include "scan/jobs.h"
#include "scan/walker.h"

namespace {

// A path in the tab-separated line, read back unambiguously: a backslash as \\, a control
// byte as \t, \n, \r or \xHH.
void print_plain_path(const char* path) {
    char form[4];
    for (const char* p = path; *p; ++p)
        std::fwrite(form, 1, escape_line_byte(static_cast<unsigned char>(*p), true, form), stdout);
}

void print_result(const FileRecord& result, OutputFormat format) {
    const int code = static_cast<int>(result.verdict);
    if (format != OutputFormat::Tsv) {
        print_check_record(result, format);
    } else {
        static const char* const kJpegPlain[] = {"-", "0", "1"};
        std::fprintf(stdout, "%d\t%s\t%s\t", code, verdict_name(result.verdict),
                     kJpegPlain[result.embedded_jpeg + 1]);
        print_plain_path(result.path);
        std::fputc('\n', stdout);
    }
}

// How the results are printed, for every file of the run.
struct CheckOutput {
    OutputFormat format;
    // Without "Log JPEGs in EPS files" the EPS analysis does not look for them, and no
    // answer is given rather than a "no" it never found out.
    bool jpeg_looked_for;
    std::uint16_t logging_flags;
    bool found;  // a file whose entries in a scan would raise an alert
};
CheckOutput check_output;

// After the file's entries are out: its result. Returns false after a message once stdout
// has failed: further checks would only go unseen.
bool print_checked_file(const CheckedFile& file) {
    FileRecord result = {file.path, file.verdict, -1, stderr_sink_first_error(), file.details};
    if (verdict_raises_alert(file.verdict, file.embedded_jpeg_seen, check_output.logging_flags))
        check_output.found = true;
    if (check_output.jpeg_looked_for) result.embedded_jpeg = file.embedded_jpeg_seen ? 1 : 0;
    hold_progress_for_stdout();
    print_result(result, check_output.format);
    forget_first_error();
    const bool written = std::fflush(stdout) == 0 && !std::ferror(stdout);
    const int error = errno;
    release_progress_for_stdout();
    if (!written) {
        usage_error("the results could not be written to standard output: %s",
                    std::strerror(error));
        return false;
    }
    return true;
}

// Checks one file, here or on the jobs' threads. Returns false once the checks have ended.
bool check_one_file(JobsOnDemand* jobs, const Options& options, const char* path) {
    note_progress_folder(path);
    if (CheckJobs* checks = jobs_for_next_file(jobs)) return hand_over_file(checks, path);
    const Verdict verdict = check_file(path, options);
    return print_checked_file(
        {path, verdict, file_reader.embedded_jpeg_seen, &file_reader.details});
}

}  // namespace

int run_check_command(int argc, char** argv) {
    ParsedArguments args = {};
    int exit_status = kExitOk;
    if (!parse_arguments(kCheckCommand, argc, argv, &args, &exit_status)) return exit_status;
    if (args.operands.empty() && args.files_from == nullptr) {
        usage_error("check needs at least one FILE or --files-from");
        return kExitUsage;
    }
    if (args.null_separated && args.files_from == nullptr) {
        usage_error("-0 is for the paths of --files-from");
        return kExitUsage;
    }
    Options options = {};
    if (!build_options(args, &options)) return kExitUsage;
    if (!output_format_for(kCheckCommand, args, &check_output.format)) return kExitUsage;
    options.tool_flags |= tool_flags_for(check_output.format, args);
    FileList list = {};
    if (args.files_from != nullptr && !open_file_list(args.files_from, args.null_separated, &list))
        return kExitUsage;

    install_stderr_sink();
    if (check_output.format == OutputFormat::Csv) print_check_csv_header();
    check_output.jpeg_looked_for = (options.logging_flags & kLogEpsJpegs) != 0;
    check_output.logging_flags = options.logging_flags;
    // One job checks here, in turn; more hand the files to their threads. Where not one
    // thread can be had, the files are checked here all the same.
    const int jobs = jobs_asked_for(args);
    JobsOnDemand checks = {{jobs, &options, false, nullptr, print_checked_file}, nullptr, 0, false};
    if (progress_wanted(args)) start_progress(current_scan());
    bool printed = true;
    for (const char* path : args.operands) {
        printed = check_one_file(&checks, options, path);
        if (!printed) break;
    }
    // The list's paths follow the FILEs, each checked as it is read.
    int listed = 0;
    if (list.stream != nullptr && printed) {
        while ((listed = next_listed_path(&list)) == 1) {
            printed = check_one_file(&checks, options, list.path.c_str());
            if (!printed) break;
        }
    }
    close_file_list(&list);
    // The last files' results come out as the jobs end.
    finish_jobs_on_demand(&checks);
    stop_progress();
    if (!printed || listed < 0 || std::ferror(stdout)) return kExitUsage;
    if (stderr_sink_saw_error() || list.skipped_line) return kExitUnread;
    return check_output.found ? kExitFound : kExitOk;
}
