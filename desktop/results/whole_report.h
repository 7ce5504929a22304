// The whole report of an immediate scan, kept by section in the view's order while the
// scan runs and written at its end to "Inkhound immediate.log" beside the program, so
// that what the full view cannot show can still be opened and printed. Immediate-scan
// worker thread.
#pragma once

#include <cstddef>

#include "report/report.h"

constexpr char kImmediateReportName[] = "Inkhound immediate.log";

// One per process, owned by the running immediate scan's worker: each section's lines
// (headers included) in memory; `lost` once a line could not be kept.
struct WholeReport {
    char* text[kSectionCount];  // indexed by LogSection; null until the section's first line
    std::size_t length[kSectionCount];
    std::size_t room[kSectionCount];
    bool lost;
};
extern WholeReport whole_report;

// Keeps the line (`length` characters, CR LF ended) of an entry of `category`, after its
// section's header the first time; entries of no section are not kept.
void keep_report_line(int category, const char* line, std::size_t length);

// Writes the kept sections in the view's order to `path`, replacing any older report, and
// forgets them. Returns false, leaving no file, when a line was lost or the file could
// not be written whole.
bool write_whole_report(const char* path);
