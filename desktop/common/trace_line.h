// The debug trace's line: the run's separating empty line, the time stamp, the message and
// CR LF, within the line buffer. User-interface thread.
#pragma once

#include <cstddef>

constexpr char kTraceFileName[] = "Inkhound.dbg";
constexpr std::size_t kTraceLineSize = 500;

// Builds the line into `out` (`size` bytes, at least 3): CR LF first when `run_start`
// (the run's first line), then `timestamp` and `message`, then CR LF. What passes the
// buffer is cut from the message (then the time stamp), never the closing CR LF. Returns
// the line's length, without the terminating zero.
std::size_t compose_trace_line(bool run_start, const char* timestamp, const char* message,
                               char* out, std::size_t size);
