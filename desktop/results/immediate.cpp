// The immediate scan: started on the user-interface thread, run on a worker thread of its
// own, which binds its own scan state so that a paused background scan keeps its sink and
// counters.
#include "desktop/results/immediate.h"

#include <cstring>
#include <new>

#include "report/logfile.h"
#include "report/report.h"
#include "desktop/results/view.h"
#include "desktop/results/whole_report.h"
#include "scan/walker.h"
#include "settings/options.h"

namespace {

void pass_progress_count(std::int32_t files_seen) {
    show_progress_count(files_seen);
}

void release_request(ImmediateScanRequest* request) {
    release_options(&request->options);
    delete request;
}

}  // namespace

bool start_immediate_scan(const char* directory, bool include_subdirectories) {
    if (scan_control.immediate_scan_running.load(std::memory_order_relaxed)) return false;
    auto* request = new (std::nothrow) ImmediateScanRequest{};
    if (request == nullptr) return false;
    request->include_subdirectories = include_subdirectories ? 1 : 0;
    if (directory != nullptr) {
        // A cut path would be another directory.
        const std::size_t length = std::strlen(directory);
        if (length >= sizeof request->directory) {
            delete request;
            return false;
        }
        std::memcpy(request->directory, directory, length + 1);
    } else {
        request->whole_list = 1;
    }
    // The worker's own copy: the sheet's working options change with every click while
    // the scan runs.
    copy_options(&request->options, working_options);
    // Created suspended: the flags are set and the view emptied before the scan's first
    // entry can arrive.
    DWORD thread_id = 0;
    HANDLE thread =
        CreateThread(nullptr, 0, run_immediate_scan, request, CREATE_SUSPENDED, &thread_id);
    if (thread == nullptr) {
        release_request(request);
        return false;
    }
    scan_control.immediate_scan_running.store(true, std::memory_order_relaxed);
    scan_control.immediate_stop_requested.store(false, std::memory_order_relaxed);
    clear_view(kImmediateReportName);
    if (ResumeThread(thread) == static_cast<DWORD>(-1)) {
        // A worker that never runs would keep the settings window on its page for good.
        TerminateThread(thread, 0);
        release_request(request);
        scan_control.immediate_scan_running.store(false, std::memory_order_relaxed);
        CloseHandle(thread);
        return false;
    }
    CloseHandle(thread);
    return true;
}

DWORD WINAPI run_immediate_scan(LPVOID parameter) {
    auto* request = static_cast<ImmediateScanRequest*>(parameter);
    show_scan_cursor(true);
    ScanState scan = {};
    scan.sink = view_sink;
    scan.progress_count_on = true;
    scan.show_progress_count = pass_progress_count;
    bind_scan(&scan);
    const char* const directories[1] = {request->directory};
    ImmediateScanTargets targets = {};
    targets.whole_list = request->whole_list != 0;
    targets.directories = directories;
    targets.directory_count = targets.whole_list ? 0 : 1;
    targets.include_subdirectories = request->include_subdirectories != 0;
    // The start line, the walks, the counter's removal, the closing lines and the totals.
    perform_immediate_scan(targets, request->options);
    // The whole report beside the program, for what the view could not hold.
    char path[kPathLimit];
    const bool named = log_file_path(kImmediateReportName, path, sizeof path) != 0;
    finish_view_report(write_whole_report(named ? path : nullptr));
    fit_view_scroll_bar(true);
    bind_scan(nullptr);
    show_scan_cursor(false);
    release_request(request);
    scan_control.immediate_scan_running.store(false, std::memory_order_relaxed);
    return 0;
}
