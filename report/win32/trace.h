// The debug trace "Inkhound.dbg": one time-stamped line per drive query of the trees,
// appended when the program runs with "/DEBUG". User-interface thread.
#pragma once

#include "platform/win32/win32.h"

struct TraceState {
    bool debug_enabled;  // callers test it before calling debug_trace
    HANDLE trace_file;   // null until the first line
};
extern TraceState trace_state;

// Appends one line: the time stamp, then `format` (wvsprintfA conventions; may be null)
// with its values, cut to the 500-character line.
void debug_trace(const char* format, ...);

// Closes the trace file when it was opened: the end of the run.
void close_trace();
