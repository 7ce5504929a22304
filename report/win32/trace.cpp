// Placeholder until the debug trace lands.
#include "report/win32/trace.h"

TraceState trace_state;

void debug_trace(const char*, ...) {}
void close_trace() {}
