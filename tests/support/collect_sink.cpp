// The collecting report sink and the reset of the core's process-wide state.
#include "tests/support/collect_sink.h"

#include "settings/dirlist.h"
#include "settings/options.h"
#include "platform/platform.h"
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
    collected.push_back(entry);
}
}  // namespace

ScanState& test_scan() { return the_test_scan; }

CollectingSink::CollectingSink() {
    collected.clear();
    bind_scan(&the_test_scan);
    the_test_scan.sink = collect;
}

CollectingSink::~CollectingSink() {
    the_test_scan.sink = nullptr;
    collected.clear();
}

const std::vector<CollectedEntry>& CollectingSink::entries() const { return collected; }

std::vector<std::string> CollectingSink::messages() const {
    std::vector<std::string> out;
    for (const CollectedEntry& entry : collected) out.push_back(entry.message);
    return out;
}

void CollectingSink::clear() { collected.clear(); }

void reset_core_state() {
    clear_platform_faults();
    allocate_reader_buffer();
    FileReader& reader = file_reader;
    reader.file_name = nullptr;
    reader.handle = kNoFile;
    reader.buffer_start = reader.buffered = reader.cursor = 0;
    reader.little_endian = reader.end_limit = 0;
    reader.verdict = 0;
    reader.stop = reader.end_of_data = false;
    reader.failed = false;
    file_reader.embedded_jpeg_seen = false;
    ScanState& scan = the_test_scan;
    zero_scan_counters(&scan);
    scan.logging_flags = 0;
    scan.progress_count_on = false;
    scan.show_progress_count = nullptr;
    scan.pause_or_stop_check = nullptr;
    bind_scan(&scan);
    scan_control.immediate_stop_requested = false;
    directory_entry_hook = nullptr;
    empty_directory_list();
    platform_state.platform_id = 2;
    release_options(&live_options);
    release_options(&working_options);
    options_state.options_applied = false;
}
