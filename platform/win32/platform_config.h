// Limits and separators of the Windows build.
#pragma once

#include <cstddef>

// Full paths hold at most 260 characters with the terminating zero (MAX_PATH).
constexpr std::size_t kPathLimit = 260;
constexpr char kPathSeparator = '\\';
