// The PostScript line scan of an EPS file and the findings it collects: structuring
// comments, Photoshop's image comment, colour operators and device colour spaces.
// Runs on the thread of the scan that runs, through the one reader.
#pragma once

#include <cstddef>
#include <cstdint>

#include "classify/verdict.h"

// What one or more scans found: the low four bits are certain, the next four hints.
using EpsFindings = std::uint16_t;
enum EpsFinding : EpsFindings {
    FoundCmyk = 0x01,
    FoundRgb = 0x02,
    FoundOtherSpace = 0x04,
    FoundGrey = 0x08,
    HintCmyk = 0x10,
    HintRgb = 0x20,
    HintOtherColour = 0x40,
    HintNoProcessColours = 0x80,
};
constexpr EpsFindings kCertainFindings = 0x0F;
constexpr EpsFindings kHintFindings = 0xF0;

// A line holds at most 255 bytes and its terminating zero.
constexpr std::size_t kLineLimit = 255;
constexpr std::size_t kLineBufferSize = kLineLimit + 1;

// Reads the next line through read_byte into `line` (kLineBufferSize bytes) and returns
// its length. Takes at most 255 bytes: zero bytes are dropped, a CR or LF ends the line
// unless it is the first byte taken (then it is dropped), and a longer line is cut, its
// rest becoming the next line. Stops at once at the end of the data or a failure.
std::size_t read_line(char* line);

// Scans lines from the reader's current position and returns what they showed; leaves the
// reader after the last line it took. Returns at the end of the data, on a failure (the
// verdict word is 1), at a trailer, end-of-file or binary data comment, at a Photoshop
// image comment that names a mode, and when the header or setup already gave a certain
// answer in a file not from Photoshop. Sets embedded_jpeg_seen when `find_embedded_jpeg`
// is set and a Photoshop image comment names JPEG-encoded data.
EpsFindings scan_postscript(bool find_embedded_jpeg);

// The verdict of the collected findings: certain findings decide whenever there are any,
// hints only when there are none (eps.cpp).
Verdict findings_to_verdict(EpsFindings findings);

// ---- Block classification behind the line scan ---------------------------------------
// The scan classifies the reader's block 64 bytes at a time into two bit maps (bit i for
// the byte at offset i): line ends (CR, LF), and the bytes that need attention: zero
// bytes, and the bytes a line must hold before any keyword can match in it ("%", "/", and
// an "o" followed by "l" as in every colour operator's name). A line with none of them is
// passed over without being copied.
struct LineMapWord {
    std::uint64_t line_ends;
    std::uint64_t attention;
};

// Classifies the 64 bytes at `bytes`; bytes[64] is read as well (the "l" after an "o").
// map_line_word uses the widest vector instructions the build targets, the portable
// version plain 64-bit arithmetic; both give the same words.
LineMapWord map_line_word(const unsigned char* bytes);
LineMapWord map_line_word_portable(const unsigned char* bytes);

// Whether a line holds any byte that can begin a keyword match ("%", "/", "ol"); a line
// without one leaves the scan's state and findings unchanged.
bool line_may_hold_keyword(const char* line, std::size_t length);
