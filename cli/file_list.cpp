// The file list of "inkhound check --files-from", read byte by byte: a pipe or a FIFO
// that is written slowly gives each path as soon as its end arrives. Main thread.
#include "cli/file_list.h"

#include <cerrno>
#include <cstring>

#include "cli/cli.h"
#include "platform/platform.h"

bool open_file_list(const char* name, bool null_separated, FileList* list) {
    list->is_stdin = std::strcmp(name, "-") == 0;
    list->null_separated = null_separated;
    list->line_number = 0;
    list->skipped_line = false;
    if (list->is_stdin) {
        platform_binary_standard_input();
        list->stream = stdin;
    } else {
        list->stream = std::fopen(name, "rb");
    }
    if (list->stream != nullptr) {
        list->pending = std::getc(list->stream);
        // A folder opens on POSIX and fails at its first read.
        if (list->pending != EOF || !std::ferror(list->stream)) return true;
    }
    const int error = errno;
    usage_error("cannot read the file list '%s': %s", name, std::strerror(error));
    if (list->stream != nullptr && !list->is_stdin) std::fclose(list->stream);
    list->stream = nullptr;
    return false;
}

int next_listed_path(FileList* list) {
    const int end = list->null_separated ? '\0' : '\n';
    for (;;) {
        list->path.clear();
        bool zero_byte = false;
        int c = list->pending;
        list->pending = EOF;
        if (c == EOF) c = std::getc(list->stream);
        if (c == EOF) {
            if (!std::ferror(list->stream)) return 0;
            const int error = errno;
            usage_error("the file list could not be read after line %ld: %s", list->line_number,
                        std::strerror(error));
            return -1;
        }
        for (; c != EOF && c != end; c = std::getc(list->stream)) {
            if (c == '\0') zero_byte = true;
            list->path.push_back(static_cast<char>(c));
        }
        ++list->line_number;
        // A list written on Windows: its CR LF ends a line as LF does.
        if (!list->null_separated && !list->path.empty() && list->path.back() == '\r')
            list->path.pop_back();
        if (zero_byte) {
            usage_error("line %ld of the file list skipped, so not checked: it holds a zero byte",
                        list->line_number);
            list->skipped_line = true;
            continue;
        }
        // The last path may lack its end; a read error after it is found at the next call.
        if (!list->path.empty()) return 1;
        if (c == EOF && !std::ferror(list->stream)) return 0;
    }
}

void close_file_list(FileList* list) {
    if (list->stream != nullptr && !list->is_stdin) std::fclose(list->stream);
    list->stream = nullptr;
}
