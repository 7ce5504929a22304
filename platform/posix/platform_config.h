// Limits and separators of the POSIX build.
#pragma once

#include <cstddef>

// PATH_MAX of Linux, terminating zero included; checked against <limits.h> in the
// implementation.
constexpr std::size_t kPathLimit = 4096;
constexpr char kPathSeparator = '/';

// Directories are opened by their own path; nothing is appended to enumerate them.
constexpr std::size_t kDirectorySearchSuffix = 0;

// ENOENT: what a directory that cannot exist, such as an empty path, gives.
constexpr int kErrorPathNotFound = 2;

// Paths differing in letter case name different things.
constexpr bool kPathsIgnoreCase = false;

// The line end of the text files the program writes.
constexpr char kLineEnd[] = "\n";
// The error of an open refused because the process holds as many descriptors as it may
// (EMFILE; checked against <errno.h> in the implementation).
constexpr int kErrorTooManyOpenFiles = 24;
