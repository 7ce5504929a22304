// "inkhound check": checks each file with the desktop program's own check and prints its
// verdict, as a tab-separated line or a JSON object. Main thread; with --jobs the checks
// run on the jobs' threads and every result and entry comes out here, in argument order.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "classify/check.h"
#include "cli/cli.h"
#include "cli/file_list.h"
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

// Length of the valid UTF-8 sequence at `p`, or 0 when the byte there does not start one.
int utf8_sequence_length(const unsigned char* p) {
    const unsigned char first = p[0];
    if (first < 0x80) return 1;
    int length;
    unsigned min_second = 0x80, max_second = 0xBF;
    if (first >= 0xC2 && first <= 0xDF) {
        length = 2;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
        if (first == 0xE0) min_second = 0xA0;  // no overlong forms
        if (first == 0xED) max_second = 0x9F;  // no surrogates
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
        if (first == 0xF0) min_second = 0x90;
        if (first == 0xF4) max_second = 0x8F;  // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (p[1] < min_second || p[1] > max_second) return 0;
    for (int i = 2; i < length; ++i)
        if (p[i] < 0x80 || p[i] > 0xBF) return 0;
    return length;
}

// A JSON string. A byte that is not part of valid UTF-8 (always 0x80 or above) is written
// as the lone surrogate U+DC00 + byte, which stands for that byte alone when read back
// with Python's surrogateescape and can never be taken for a character of the name.
void print_json_string(const char* text) {
    std::fputc('"', stdout);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
        const unsigned char c = *p;
        if (c == '"' || c == '\\') {
            std::fputc('\\', stdout);
            std::fputc(c, stdout);
            ++p;
        } else if (c == '\n') {
            std::fputs("\\n", stdout);
            ++p;
        } else if (c == '\t') {
            std::fputs("\\t", stdout);
            ++p;
        } else if (c == '\r') {
            std::fputs("\\r", stdout);
            ++p;
        } else if (c < 0x20 || c == 0x7F) {
            std::fprintf(stdout, "\\u%04x", c);
            ++p;
        } else {
            const int length = utf8_sequence_length(p);
            if (length == 0) {
                std::fprintf(stdout, "\\udc%02x", c);
                ++p;
            } else {
                std::fwrite(p, 1, static_cast<std::size_t>(length), stdout);
                p += length;
            }
        }
    }
    std::fputc('"', stdout);
}

// What the check found out about one file. embedded_jpeg: -1 when the analysis was not
// asked to look; error: the report's message when the file could not be read, or null.
struct CheckResult {
    const char* path;
    Verdict verdict;
    int embedded_jpeg;
    const char* error;
};

void print_result(const CheckResult& result, bool json) {
    const int code = static_cast<int>(result.verdict);
    if (json) {
        static const char* const kJpegJson[] = {"null", "false", "true"};
        std::fputs("{\"path\":", stdout);
        print_json_string(result.path);
        std::fprintf(stdout, ",\"verdict\":%d,\"name\":\"%s\",\"message\":", code,
                     verdict_name(result.verdict));
        const char* message = verdict_message(result.verdict);
        if (message)
            print_json_string(message);
        else
            std::fputs("null", stdout);
        std::fprintf(stdout,
                     ",\"embedded_jpeg\":%s,\"error\":", kJpegJson[result.embedded_jpeg + 1]);
        if (result.error)
            print_json_string(result.error);
        else
            std::fputs("null", stdout);
        std::fputs("}\n", stdout);
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
    bool json;
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
    CheckResult result = {file.path, file.verdict, -1, stderr_sink_first_error()};
    if (verdict_raises_alert(file.verdict, file.embedded_jpeg_seen, check_output.logging_flags))
        check_output.found = true;
    if (check_output.jpeg_looked_for) result.embedded_jpeg = file.embedded_jpeg_seen ? 1 : 0;
    print_result(result, check_output.json);
    forget_first_error();
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int error = errno;
        usage_error("the results could not be written to standard output: %s",
                    std::strerror(error));
        return false;
    }
    return true;
}

// Checks one file, here or on the jobs' threads. Returns false once the checks have ended.
bool check_one_file(CheckJobs* checks, const Options& options, const char* path) {
    if (checks != nullptr) return hand_over_file(checks, path);
    const Verdict verdict = check_file(path, options);
    return print_checked_file({path, verdict, file_reader.embedded_jpeg_seen});
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
    FileList list = {};
    if (args.files_from != nullptr && !open_file_list(args.files_from, args.null_separated, &list))
        return kExitUsage;

    install_stderr_sink();
    check_output.json = args.json;
    check_output.jpeg_looked_for = (options.logging_flags & kLogEpsJpegs) != 0;
    check_output.logging_flags = options.logging_flags;
    // One job checks here, in turn; more hand the files to their threads. Where not one
    // thread can be had, the files are checked here all the same.
    const int jobs = jobs_asked_for(args);
    const JobsSetUp set_up = {jobs, &options, false, nullptr, print_checked_file};
    CheckJobs* checks = jobs > 1 ? start_check_jobs(set_up) : nullptr;
    bool printed = true;
    for (const char* path : args.operands) {
        printed = check_one_file(checks, options, path);
        if (!printed) break;
    }
    // The list's paths follow the FILEs, each checked as it is read.
    int listed = 0;
    if (list.stream != nullptr && printed) {
        while ((listed = next_listed_path(&list)) == 1) {
            printed = check_one_file(checks, options, list.path.c_str());
            if (!printed) break;
        }
    }
    close_file_list(&list);
    // The last files' results come out as the jobs end.
    if (checks != nullptr) finish_check_jobs(checks);
    if (!printed || listed < 0 || std::ferror(stdout)) return kExitUsage;
    if (stderr_sink_saw_error() || list.skipped_line) return kExitUnread;
    return check_output.found ? kExitFound : kExitOk;
}
