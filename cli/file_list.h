// The file list of "inkhound check --files-from": paths read one at a time as they arrive,
// from a file, a pipe or stdin, so that a list never held whole costs no memory by its
// length. Main thread.
#pragma once

#include <cstdio>
#include <string>

struct FileList {
    std::FILE* stream;
    bool is_stdin;
    bool null_separated;  // paths end with a zero byte; else with LF (a CR before it dropped)
    int pending;          // the byte read ahead by the open, or EOF
    long line_number;     // of the path last read
    bool skipped_line;    // a line holding a zero byte was passed over
    std::string path;     // the path last read
};

// Opens the list `name` ("-": stdin) and reads its first byte, so that a folder or a file
// that cannot be read is told before anything is checked. Returns false after a message.
bool open_file_list(const char* name, bool null_separated, FileList* list);

// Reads the next path into list->path. Returns 1 with a path, 0 at the end of the list,
// -1 after a message when the list could not be read on. Empty lines name nothing and are
// passed over; so is a line holding a zero byte, after a warning naming it.
int next_listed_path(FileList* list);

void close_file_list(FileList* list);
