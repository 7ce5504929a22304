// Limits and separators of the Windows build.
#pragma once

#include <cstddef>

// Full paths hold at most 260 characters with the terminating zero (MAX_PATH).
constexpr std::size_t kPathLimit = 260;
constexpr char kPathSeparator = '\\';

// A directory is enumerated through its path joined with "*.*": the three characters and
// a separator must fit beside it.
constexpr std::size_t kDirectorySearchSuffix = 4;

// ERROR_PATH_NOT_FOUND: what a directory that cannot exist, such as an empty path, gives.
constexpr int kErrorPathNotFound = 3;

// Paths name the same thing whatever the case of their letters a to z.
constexpr bool kPathsIgnoreCase = true;

// The line end of the text files the program writes.
constexpr char kLineEnd[] = "\r\n";
// The error of an open refused because the process holds too many files open
// (ERROR_TOO_MANY_OPEN_FILES).
constexpr int kErrorTooManyOpenFiles = 4;
