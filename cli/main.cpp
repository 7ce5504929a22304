// The command-line tool: "inkhound check" over files, with the classifier and report
// format of the desktop program. Runs on the main thread.
#include <clocale>
#include <cstdio>
#include <cstring>

#include "cli.h"
#include "reader.h"

const char kUsageText[] =
    "usage: inkhound check [OPTIONS] [--] FILE...\n"
    "       inkhound --help | --version\n"
    "\n"
    "check   prints one line per file: verdict code, verdict name, embedded JPEG (0|1), path\n"
    "\n"
    "options (numbers in decimal or 0x hex, 0 to 0xFFFF):\n"
    "  --json                   one JSON object per file instead of a tab-separated line\n"
    "  --file-scan-flags N      default 0x2F on Windows NT and POSIX, 0x2E elsewhere\n"
    "  --logging-flags N        default 0x01; 0x1F logs everything\n"
    "  --tiff-extensions LIST   default .TIF;.TIFF\n"
    "  --jpeg-extensions LIST   default .JPG;.JPEG;.JPE;.JFI;.JFIF\n"
    "  --eps-extensions LIST    default .EPS;.EPSF\n"
    "  --gif-extensions LIST    default .GIF\n"
    "  --platform nt|9x|other   the platform the rules assume (default: this one)\n"
    "\n"
    "exit status: 0 all files could be read, 1 a file could not be opened or read,\n"
    "2 usage error\n";

int main(int argc, char** argv) {
    // Month names in timestamps follow the user's locale; nothing else depends on it.
    std::setlocale(LC_TIME, "");
    if (!allocate_reader_buffer()) {
        std::fputs("inkhound: out of memory\n", stderr);
        return kExitUsage;
    }
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
    usage_error("unknown command '%s' (try --help)", command);
    return kExitUsage;
}
