// The debug trace "Inkhound.dbg" beside the executable: opened by the first line of a run
// and kept open, each line written whole and flushed. User-interface thread.
#include "desktop/common/trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "report/report.h"
#include "desktop/common/trace_line.h"

TraceState trace_state;

namespace {

constexpr DWORD kModulePathSize = 500;

// Opens "Inkhound.dbg" beside the executable, positioned at its end; null when it cannot.
HANDLE open_trace_file() {
    char path[kModulePathSize];
    const DWORD length = GetModuleFileNameA(nullptr, path, kModulePathSize);
    if (length == 0 || length >= kModulePathSize) return nullptr;
    const char* slash = std::strrchr(path, '\\');
    const std::size_t directory = slash ? static_cast<std::size_t>(slash - path) + 1 : 0;
    if (directory + sizeof kTraceFileName > sizeof path) return nullptr;
    std::memcpy(path + directory, kTraceFileName, sizeof kTraceFileName);
    // Write-through: each line is on disk once its write returns, whatever follows.
    const HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                    FILE_FLAG_WRITE_THROUGH | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    SetFilePointer(file, 0, nullptr, FILE_END);
    return file;
}

}  // namespace

void debug_trace(const char* format, ...) {
    bool run_start = false;
    if (trace_state.trace_file == nullptr) {
        trace_state.trace_file = open_trace_file();
        if (trace_state.trace_file == nullptr) return;  // the next line tries again
        run_start = true;
    }
    char timestamp[kTimestampSize];
    format_timestamp(timestamp, sizeof timestamp);
    // Formatted within the line's size: a longer message is cut with the line.
    char message[kTraceLineSize] = "";
    if (format != nullptr) {
        va_list values;
        va_start(values, format);
        std::vsnprintf(message, sizeof message, format, values);
        va_end(values);
    }
    char line[kTraceLineSize];
    const std::size_t length = compose_trace_line(run_start, timestamp, message, line, sizeof line);
    DWORD written = 0;
    WriteFile(trace_state.trace_file, line, static_cast<DWORD>(length), &written, nullptr);
    FlushFileBuffers(trace_state.trace_file);
}

void close_trace() {
    if (trace_state.trace_file == nullptr) return;
    CloseHandle(trace_state.trace_file);
    trace_state.trace_file = nullptr;
}
