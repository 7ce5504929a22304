// The debug trace "Inkhound.dbg": one time-stamped line per drive query of the trees,
// appended when the program runs with "/DEBUG". User-interface thread.
#pragma once

#include "platform/win32/win32.h"

struct TraceState {
    bool debug_enabled;  // callers test it before calling debug_trace
    HANDLE trace_file;   // null until the first line
};
extern TraceState trace_state;

// Appends one line: the time stamp, then `format` (%s, %d as printf reads them; may be
// null) with its values, cut to the 500-character line, which keeps its CR LF.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void debug_trace(const char* format, ...);

// Closes the trace file when it was opened: the end of the run.
void close_trace();
