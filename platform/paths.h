// Path helpers shared by every subsystem, with the platform's separator. Each one that
// writes takes the output size and refuses, rather than cuts, a path that would not fit.
#pragma once

#include <cstddef>

// Joins a directory and a name with exactly one separator between them (none added when
// the first already ends with one or the second begins with one). Returns false, with
// `out` emptied, when the result would not fit `size` bytes.
bool join_path(const char* directory, const char* name, char* out, std::size_t size);

// The text after the last separator, or the whole path.
const char* path_file_name(const char* path);

// The extension: from the last dot, dot included, when no separator follows it; else
// the empty string at the end of the path. Points into `path`.
const char* find_extension(const char* path);

// Adds a trailing separator unless one is there; false when it would not fit.
bool add_trailing_separator(char* path, std::size_t size);

// Upper-cases the letters a to z in place.
void upper_case_ascii(char* text);

// The path of a file beside the executable: the module path with its file-name part
// replaced by `name`. Returns false, with `out` emptied, when that cannot be had or
// would not fit.
bool path_beside_executable(const char* name, char* out, std::size_t size);
