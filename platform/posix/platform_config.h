// Limits and separators of the POSIX build.
#pragma once

#include <cstddef>

// PATH_MAX of Linux, terminating zero included; checked against <limits.h> in the
// implementation.
constexpr std::size_t kPathLimit = 4096;
constexpr char kPathSeparator = '/';
