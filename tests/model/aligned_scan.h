// The PostScript line scan run over one document placed at a chosen offset in the
// reader's block. Lines inside a block take the block scan and a line across the block's
// end takes read_line, so runs at different offsets must agree. Shared by the tests and
// the fuzz target.
#pragma once

#include <cstdint>
#include <string>

#include "classify/postscript.h"

// Filler before the document in the file, so that the document can start anywhere in a
// block.
constexpr std::uint32_t kDocumentStart = 4096;

struct ScanSetup {
    bool repeat;  // scan again until the data end, as "Embedded" does
    bool find_embedded_jpeg;
    int failing_read;  // block reads after the placement that succeed before one fails;
                       // -1: none fails
};

struct ScanRun {
    EpsFindings findings;  // of the first call
    bool embedded_jpeg_seen;
    std::string calls;  // each call's findings and end position in the document, then
                        // "jpeg" when embedded_jpeg_seen is set, "failed" after a failure
};

// Opens `path` (kDocumentStart bytes of filler, then the document), places the document
// `offset` bytes into the reader's block and scans it. `calls` is "no file" when the file
// cannot be opened.
ScanRun scan_at(const std::string& path, std::uint32_t offset, const ScanSetup& setup);
