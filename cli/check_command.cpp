// "inkhound check": checks each file with the desktop program's own check and prints its
// verdict, as a tab-separated line or a JSON object. Main thread only.
#include <cstdio>
#include <cstring>
#include <vector>

#include "check.h"
#include "cli.h"
#include "options.h"
#include "reader.h"
#include "verdict.h"

namespace {

// A path in the tab-separated line: a tab or line feed inside it would break the line.
void print_plain_path(const char* path) {
    for (const char* p = path; *p; ++p) {
        if (*p == '\t')
            std::fputs("\\t", stdout);
        else if (*p == '\n')
            std::fputs("\\n", stdout);
        else
            std::fputc(*p, stdout);
    }
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

// A JSON string; a byte that is not part of valid UTF-8 is written as \u00XX.
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
                std::fprintf(stdout, "\\u%04x", c);
                ++p;
            } else {
                std::fwrite(p, 1, static_cast<std::size_t>(length), stdout);
                p += length;
            }
        }
    }
    std::fputc('"', stdout);
}

void print_result(const char* path, Verdict verdict, bool embedded_jpeg, bool json) {
    const int code = static_cast<int>(verdict);
    if (json) {
        std::fputs("{\"path\":", stdout);
        print_json_string(path);
        std::fprintf(stdout, ",\"verdict\":%d,\"name\":\"%s\",\"message\":", code,
                     verdict_name(verdict));
        const char* message = verdict_message(verdict);
        if (message)
            print_json_string(message);
        else
            std::fputs("null", stdout);
        std::fprintf(stdout, ",\"embedded_jpeg\":%s}\n", embedded_jpeg ? "true" : "false");
    } else {
        std::fprintf(stdout, "%d\t%s\t%d\t", code, verdict_name(verdict), embedded_jpeg ? 1 : 0);
        print_plain_path(path);
        std::fputc('\n', stdout);
    }
}

}  // namespace

int run_check_command(int argc, char** argv) {
    CommonOptions common = {};
    common.platform_id = -1;
    bool json = false;
    std::vector<const char*> files;
    // Options may stand anywhere before "--"; everything after it is a file.
    for (int i = 0; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--") == 0) {
            files.insert(files.end(), argv + i + 1, argv + argc);
            break;
        }
        if (argument[0] != '-' || argument[1] == '\0') {
            files.push_back(argument);
            continue;
        }
        if (std::strcmp(argument, "--json") == 0) {
            json = true;
            continue;
        }
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            std::fputs(kUsageText, stdout);
            return kExitOk;
        }
        const OptionResult result = take_common_option(&common, argc, argv, &i);
        if (result == OptionResult::Error) return kExitUsage;
        if (result == OptionResult::NotMine) {
            usage_error("unknown option '%s'", argument);
            return kExitUsage;
        }
    }
    if (files.empty()) {
        usage_error("check needs at least one FILE");
        return kExitUsage;
    }
    if (!install_options(common)) return kExitUsage;

    install_stderr_sink();
    for (const char* path : files) {
        const Verdict verdict = check_file(path, live_options);
        print_result(path, verdict, file_reader.embedded_jpeg_seen, json);
        std::fflush(stdout);
    }
    return stderr_sink_saw_error() ? kExitFound : kExitOk;
}
