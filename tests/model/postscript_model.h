// A plain model of the PostScript line scan, a byte at a time over bytes in memory, written
// straight from the line and keyword rules with the C library's own strstr and sscanf. The
// block scan of classify/postscript.cpp is checked against it, in the tests and in the
// fuzz target, together with a runner of the real scan over a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The model's reader: bytes from `position` on, the end of the data at `size`, and a read
// failure when a byte is wanted at `fail_at`.
struct ModelStream {
    const unsigned char* data;
    std::size_t size;
    std::size_t position;
    std::size_t fail_at;  // kNeverFails: none
    bool end_of_data;
    bool failed;
};
constexpr std::size_t kNeverFails = static_cast<std::size_t>(-1);

// Fills `line` (256 bytes) with the next line; returns its length.
std::size_t model_read_line(ModelStream* stream, char* line);

// One scan from the stream's position; sets *embedded_jpeg_seen when asked and found.
std::uint16_t model_scan_postscript(ModelStream* stream, bool find_embedded_jpeg,
                                    bool* embedded_jpeg_seen);

// The scan repeated the way "Embedded" repeats it: the findings of each call and the
// position it stopped at.
struct ScanCall {
    std::uint16_t findings;
    std::uint64_t position;
};
struct ScanRun {
    std::vector<ScanCall> calls;
    bool embedded_jpeg_seen;
    bool failed;
};

struct ScanSetup {
    std::size_t start;  // position of the first line
    bool repeat;        // call again until the data end, like "Embedded"
    bool find_embedded_jpeg;
    int failing_read;  // the reads of 4096-byte blocks after `start` is reached that
                       // still succeed before one fails; -1: none fails
};

// The model over `data`.
ScanRun model_scan_run(const std::string& data, const ScanSetup& setup);

// The real scan over the file at `path` holding `data`, through the reader and the
// platform's fault switch. The report sink, if any, receives the failure's entry.
ScanRun fast_scan_run(const std::string& path, const std::string& data, const ScanSetup& setup);

// Empty when the two runs agree; otherwise what differs, for a message.
std::string describe_difference(const ScanRun& model, const ScanRun& fast);
