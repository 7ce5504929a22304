// A report sink that collects entries for assertions, installed for one test's lifetime.
#pragma once

#include <string>
#include <vector>

struct CollectedEntry {
    int category;
    std::string timestamp;
    bool has_name;
    std::string name;
    std::string message;
    std::string line;        // the line layout's output, CR LF included
    int open_failure_error;  // the scan's, while the entry was in the sink
};

struct ScanState;

// The tests' own scan, bound to the main test thread by reset_core_state(): its counters,
// progress hook, stop check, logging flags and sink.
ScanState& test_scan();

class CollectingSink {
   public:
    CollectingSink();   // installs itself as the test scan's sink
    ~CollectingSink();  // uninstalls

    const std::vector<CollectedEntry>& entries() const;
    // Messages of the entries, in order.
    std::vector<std::string> messages() const;
    void clear();
};

// Resets every process-wide piece of scan state the core keeps (reader flags, counters,
// fault switch, options, scan control, enumeration hook, directory list) so that tests
// start alike.
void reset_core_state();
