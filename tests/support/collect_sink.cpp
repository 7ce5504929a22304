// The collecting report sink and the reset of the core's process-wide state.
#include "tests/support/collect_sink.h"

#include <new>

#include "settings/dirlist.h"
#include "settings/options.h"
#include "platform/platform.h"
#include "platform/identity.h"
#include "classify/reader.h"
#include "report/report.h"
#include "scan/walker.h"

namespace {
std::vector<CollectedEntry> collected;
ScanState the_test_scan;

void collect(int category, const char* timestamp, const char* name, const char* message) {
    CollectedEntry entry;
    entry.category = category;
    entry.timestamp = timestamp;
    entry.has_name = name != nullptr;
    entry.name = name ? name : "";
    entry.message = message;
    char line[kLineSize];
    format_report_line(timestamp, name, message, line, sizeof line);
    entry.line = line;
    entry.open_failure_error = the_test_scan.open_failure_error;
    collected.push_back(entry);
}
}  // namespace

ScanState& test_scan() {
    return the_test_scan;
}

CollectingSink::CollectingSink() {
    collected.clear();
    bind_scan(&the_test_scan);
    the_test_scan.sink = collect;
}

CollectingSink::~CollectingSink() {
    the_test_scan.sink = nullptr;
    collected.clear();
}

const std::vector<CollectedEntry>& CollectingSink::entries() const {
    return collected;
}

std::vector<std::string> CollectingSink::messages() const {
    std::vector<std::string> out;
    for (const CollectedEntry& entry : collected) out.push_back(entry.message);
    return out;
}

void CollectingSink::clear() {
    collected.clear();
}

void reset_core_state() {
    clear_platform_faults();
    file_reader = FileReader{};
    file_reader.handle = kNoFile;
    // The sink stays: a test's CollectingSink is made before its SetUp runs.
    const ReportSink sink = the_test_scan.sink;
    the_test_scan.~ScanState();
    new (&the_test_scan) ScanState{};
    the_test_scan.sink = sink;
    bind_scan(&the_test_scan);
    scan_control.immediate_stop_requested = false;
    directory_entry_hook = nullptr;
    empty_directory_list();
    platform_state.platform_id = 2;
    release_options(&live_options);
    release_options(&working_options);
    options_state.options_applied = false;
}
