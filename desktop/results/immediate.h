// The immediate scan: one directory, or the whole scan directory list, walked on a worker
// thread into the results view. Started on the user-interface thread.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "settings/options.h"
#include "platform/win32/win32.h"

// What the worker is given; made zero-filled by start_immediate_scan, owned and released
// by the worker.
struct ImmediateScanRequest {
    char directory[kPathLimit];  // empty with whole_list
    std::int32_t include_subdirectories;
    std::int32_t whole_list;  // non-zero: every directory of the scan directory list
    Options options;          // the working options when the scan was asked for
};

// Starts the scan of `directory` (null: the whole list) and returns at once: true when it
// runs. Nothing starts without memory or a thread, while another immediate scan runs, or
// for a directory longer than a path can be.
bool start_immediate_scan(const char* directory, bool include_subdirectories);

// The worker thread's body: the scan of the request, reported into the results view with
// the request's options; clears immediate_scan_running as its last step.
DWORD WINAPI run_immediate_scan(LPVOID request);
