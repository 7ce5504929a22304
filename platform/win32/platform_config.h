// Limits and separators of the Windows build.
#pragma once

#include <cstddef>

// Full paths hold at most 260 characters with the terminating zero (MAX_PATH).
constexpr std::size_t kPathLimit = 260;
constexpr char kPathSeparator = '\\';
// The line end of the text files the program writes.
constexpr char kLineEnd[] = "\r\n";
// The error of an open refused because the process holds too many files open
// (ERROR_TOO_MANY_OPEN_FILES).
constexpr int kErrorTooManyOpenFiles = 4;
