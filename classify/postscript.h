// The PostScript line scan of an EPS file and the findings it collects: structuring
// comments, Photoshop's image comment, colour operators and device colour spaces.
// Runs on the thread of the scan that runs, through the one reader.
#pragma once

#include <cstddef>
#include <cstdint>

#include "classify/details.h"
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

// The first embedded profile of the file, decoded from the hexadecimal lines of its
// "%%BeginICCProfile:" section as the line scan looks at them (each begins with "%"), up
// to kEpsProfileLimit bytes: a longer profile gives its header's space, and its
// description only when it lies within them. begin_eps_profile forgets any before a file;
// finish_eps_profile reads what was decoded into `details` (nothing when no section was
// met).
constexpr std::uint32_t kEpsProfileLimit = 8192;
void begin_eps_profile();
void finish_eps_profile(FileDetails* details);

// The verdict of the collected findings: certain findings decide whenever there are any,
// hints only when there are none (eps.cpp).
Verdict findings_to_verdict(EpsFindings findings);

// ---- Searches behind the line scan ----------------------------------------------------
// The scan looks at a line only when it holds a byte that needs attention: a zero byte,
// or a byte a line must hold before a keyword that can still change something can match
// in it: "%" always, "/" when "D" follows it (the one name looked for is /Device...;
// PostScript code names something on most lines), and in the body the letter before
// "color" of each colour operator whose hint is still missing (the "b" of setrgbcolor and
// sethsbcolor, the "k" of setcmykcolor, the "t" of setcolor) when "co" follows it. The
// lines between are passed over by their line ends alone, without being copied.

// The letters looked for before "co"; a zero byte stands for none.
struct OperatorBytes {
    unsigned char before_co[3];
};

// The first index in [from, to) of a byte needing attention, or `to`. A "/" or a letter
// before "co" counts only with what must follow it below `to`; no byte at or past `to` is
// read.
std::uint32_t find_attention(const unsigned char* bytes, std::uint32_t from, std::uint32_t to,
                             const OperatorBytes& operators);
// The first index in [from, to) of a CR or LF, or `to`.
std::uint32_t find_line_end(const unsigned char* bytes, std::uint32_t from, std::uint32_t to);
// The last index in [from, to) of a CR or LF, or `to`.
std::uint32_t find_last_line_end(const unsigned char* bytes, std::uint32_t from, std::uint32_t to);

// The same searches a byte at a time, as builds without SSE2 make them (the i686 build
// for Windows 95/98 machines); the searches above use SSE2 where the build targets it, the
// attention search AVX2 where the processor has it, and give the same answers.
std::uint32_t find_attention_portable(const unsigned char* bytes, std::uint32_t from,
                                      std::uint32_t to, const OperatorBytes& operators);
std::uint32_t find_line_end_portable(const unsigned char* bytes, std::uint32_t from,
                                     std::uint32_t to);
std::uint32_t find_last_line_end_portable(const unsigned char* bytes, std::uint32_t from,
                                          std::uint32_t to);
#if defined(__SSE2__)
// The attention search 16 bytes at a time: find_attention's where the processor lacks AVX2
// (it then looks at 32 bytes at a time), and for the last bytes of a range where it has it.
std::uint32_t find_attention_sse2(const unsigned char* bytes, std::uint32_t from, std::uint32_t to,
                                  const OperatorBytes& operators);
#endif

// Whether a line holds any byte that can begin a keyword match ("%", "/", "ol"); a line
// without one leaves the scan's state and findings unchanged.
bool line_may_hold_keyword(const char* line, std::size_t length);
