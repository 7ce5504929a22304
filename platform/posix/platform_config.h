// Limits and separators of the POSIX build.
#pragma once

#include <cstddef>

// PATH_MAX of Linux, terminating zero included; checked against <limits.h> in the
// implementation.
constexpr std::size_t kPathLimit = 4096;
constexpr char kPathSeparator = '/';
// The line end of the text files the program writes.
constexpr char kLineEnd[] = "\n";
// The error of an open refused because the process holds as many descriptors as it may
// (EMFILE; checked against <errno.h> in the implementation).
constexpr int kErrorTooManyOpenFiles = 24;
