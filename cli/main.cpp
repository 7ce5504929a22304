// The command-line tool: "inkhound check" over files, with the classifier and report
// format of the desktop program. Runs on the main thread.
#include <clocale>
#include <cstdio>
#include <cstring>

#include "cli/cli.h"
#include "platform/platform.h"
#include "classify/reader.h"

const char kUsageText[] =
    "usage: inkhound check [OPTIONS] [--] FILE...\n"
    "       inkhound check [OPTIONS] --files-from LIST [-0] [--] [FILE...]\n"
    "       inkhound scan [OPTIONS] [--list FILE] [--log FILE] [--no-recurse] [--] [DIR...]\n"
    "       inkhound --help | --version\n"
    "\n"
    "check   prints one line per file: verdict code, verdict name, embedded JPEG (0|1, or -\n"
    "        when not looked for: --logging-flags without 0x10), path\n"
    "scan    scans the directories in order (or, with --list, every directory of a scan\n"
    "        directory list file) and prints the report grouped by finding, laid out as\n"
    "        the program's log file; Ctrl-C stops the scan at the next entry\n"
    "  --list FILE              the scan directory list file to scan (Inkhound.dfo format)\n"
    "  --log FILE               also write the report to FILE as the log file (CR LF)\n"
    "  --no-recurse             do not descend into subdirectories of the DIRs\n"
    "  --exclude PATTERN        leave out the files and folders below the DIRs whose name\n"
    "                           matches (* ? [...]; repeatable; Windows: letters without\n"
    "                           case), e.g. --exclude '._*' --exclude .snapshot\n"
    "  --files-from LIST        check: also check the paths of LIST (- for stdin), one a\n"
    "                           line, after the FILEs; -0: each ends with a zero byte\n"
    "\n"
    "options (numbers in decimal or 0x hex, 0 to 0xFFFF):\n"
    "  --json                   one JSON object per file instead of a tab-separated line\n"
    "  --file-scan-flags N      default 0x2F on Windows NT and POSIX, 0x2E elsewhere\n"
    "  --logging-flags N        default 0x01; 0x1F logs everything\n"
    "  --tiff-extensions LIST   default .TIF;.TIFF\n"
    "  --jpeg-extensions LIST   default .JPG;.JPEG;.JPE;.JFI;.JFIF\n"
    "  --eps-extensions LIST    default .EPS;.EPSF\n"
    "  --gif-extensions LIST    default .GIF\n"
    "  --psd-extensions LIST    default .PSD;.PSB (Photoshop documents, with --check psd)\n"
    "  --pdf-extensions LIST    default .PDF (with --check pdf)\n"
    "  --platform nt|9x|other   the platform the rules assume (default: this one)\n"
    "  --jobs N                 check N files at once, 1 to 64 (default 1); the output is\n"
    "                           the same as with one job, for slow network shares\n"
    "  --check NAMES            the file scanning flags by name, comma-separated:\n"
    "                           mac 0x01, tiff 0x02, jpeg 0x04, eps 0x08, gif 0x10,\n"
    "                           extensions 0x20, embedded 0x40, all 0x7F; psd and pdf\n"
    "                           (no bits; in all, which the flags number lacks; alone,\n"
    "                           added to the flags as they are): Photoshop documents,\n"
    "                           and PDF files by their images and colour operators\n"
    "                           (the Windows build reports PDF files as not examined)\n"
    "  --report NAMES           the logging flags by name: rgb 0x01, cmyk 0x02, gif 0x04,\n"
    "                           unknown 0x08, embedded-jpeg 0x10, all 0x1F; errors: none,\n"
    "                           they come with any other (--file-scan-flags and\n"
    "                           --logging-flags win over the names); scan also takes\n"
    "                           icc-conflict: a last section of the files whose colour\n"
    "                           profile contradicts their data (no bit, not in all)\n"
    "  --format FORMAT          check: tsv (default), json or csv; scan: report (default),\n"
    "                           json or csv: a record per file in walk order, then totals\n"
    "  --progress, --no-progress  show a progress line on stderr, or not (default: when\n"
    "                           stderr is a terminal)\n"
    "\n"
    "exit status: 0 nothing found and everything read; 1 something found (a file the\n"
    "report would alert for), everything read; 2 usage error, a file list that could not\n"
    "be read, output or log that could not be written whole; 3 a file or folder could not\n"
    "be opened or read (found or not), or a line of a file list was skipped; 130 stopped\n"
    "(Ctrl-C; a scan also by SIGTERM or SIGHUP)\n";

ToolSurroundings tool_surroundings;

int main(int argc, char** argv) {
    // First of all: a standard descriptor closed at start would give its number to the
    // next file opened, and what is meant for stdout would land in that file.
    if (!platform_open_missing_standard_files()) {
        usage_error("cannot open the null device for a closed standard stream (system error %d)",
                    platform_last_error());
        return kExitUsage;
    }
    // A reader that goes away then fails a write, which is reported, instead of ending
    // the tool before it has tidied up.
    platform_ignore_broken_pipe();
    // A walk holds a descriptor per level of the tree; one that still meets the limit says
    // so, so a failed raise needs no word here.
    static_cast<void>(platform_raise_open_file_limit(&tool_surroundings.open_file_limit));
    // Month names in timestamps follow the user's locale; nothing else depends on it.
    std::setlocale(LC_TIME, "");
    if (argc < 2) {
        usage_error("no command given (try --help)");
        return kExitUsage;
    }
    const char* command = argv[1];
    if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0) {
        std::fputs(kUsageText, stdout);
        return kExitOk;
    }
    if (std::strcmp(command, "--version") == 0) {
        std::puts("Inkhound version " INKHOUND_VERSION_TEXT);
        return kExitOk;
    }
    if (std::strcmp(command, "check") == 0) return run_check_command(argc - 2, argv + 2);
    if (std::strcmp(command, "scan") == 0) return run_scan_command(argc - 2, argv + 2);
    usage_error("unknown command '%s' (try --help)", command);
    return kExitUsage;
}
