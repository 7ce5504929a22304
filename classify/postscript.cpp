// The PostScript line scan of an EPS file. Lines that lie whole inside the reader's block
// are taken from it and looked at only when they hold a byte that can begin a keyword,
// found by searching the block; lines that cross a block's end are read through
// read_byte. Runs on the thread of the scan that runs.
#include "classify/postscript.h"

#include <cstring>

#include "classify/icc.h"
#include "classify/reader.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__SSE2__) && defined(__GNUC__)
#include <immintrin.h>
#define INKHOUND_AVX2_SEARCH 1
#endif

namespace {

constexpr int kCr = 0x0D;
constexpr int kLf = 0x0A;

// The parts of a document the scan follows.
enum ScanState : int { kHeader = 0, kSetup = 1, kBody = 2, kProlog = 3 };

struct ScanOfOneCall {
    int scan_state;
    EpsFindings findings;
    bool seen_creator;
    bool is_photoshop;
    bool seen_process_colours;
    bool seen_rgb_custom;
    bool seen_custom_colours;
    bool find_embedded_jpeg;
};

enum class LineAction { NextLine, Return };

// Matched against the upper-cased line.
constexpr char kCreator[] = "%%CREATOR";
constexpr char kPhotoshop[] = "PHOTOSHOP";
constexpr char kDocumentProcessColors[] = "%%DOCUMENTPROCESSCOLORS:";
constexpr char kPageProcessColors[] = "%%PAGEPROCESSCOLORS:";
constexpr char kRgbCustomColor[] = "%%RGBCUSTOMCOLOR";
constexpr char kDocumentCustomColors[] = "%%DOCUMENTCUSTOMCOLORS";
constexpr char kEndComments[] = "%%ENDCOMMENTS";
constexpr char kEndSetup[] = "%%ENDSETUP";
constexpr char kBeginBinary[] = "%%BEGINBINARY";
constexpr char kEof[] = "%%EOF";
constexpr char kPageTrailer[] = "%%PAGETRAILER";
constexpr char kTrailer[] = "%%TRAILER";
constexpr char kBeginProlog[] = "%%BEGINPROLOG";
constexpr char kEndProlog[] = "%%ENDPROLOG";

// Matched against the line as read.
constexpr char kImageData[] = "%ImageData:";
constexpr char kSetRgbColor[] = "setrgbcolor";
constexpr char kSetHsbColor[] = "sethsbcolor";
constexpr char kSetCmykColor[] = "setcmykcolor";
constexpr char kSetColor[] = "setcolor";
constexpr char kDeviceRgb[] = "/DeviceRGB";
constexpr char kDeviceCmyk[] = "/DeviceCMYK";
// Part of every operator's name above, and the start of both device names.
constexpr char kColor[] = "color";
constexpr char kDevice[] = "/Device";

// Photoshop's image modes and the encodings of JPEG-compressed image data.
constexpr std::int32_t kModeGrey = 1;
constexpr std::int32_t kModeOther = 2;
constexpr std::int32_t kModeRgb = 3;
constexpr std::int32_t kModeCmyk = 4;
constexpr std::int32_t kFirstJpegEncoding = 3;
constexpr std::int32_t kLastJpegEncoding = 6;

void upper_case(char* line, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        if (line[i] >= 'a' && line[i] <= 'z') line[i] = static_cast<char>(line[i] - 'a' + 'A');
}

// The first occurrence of `keyword` in the line, or nullptr.
template <std::size_t N>
const char* find_keyword(const char* line, std::size_t length, const char (&keyword)[N]) {
    constexpr std::size_t kLength = N - 1;
    if (length < kLength) return nullptr;
    const char* p = line;
    const char* const last = line + (length - kLength);
    while (p <= last) {
        p = static_cast<const char*>(
            std::memchr(p, keyword[0], static_cast<std::size_t>(last - p) + 1));
        if (p == nullptr) return nullptr;
        if (std::memcmp(p, keyword, kLength) == 0) return p;
        ++p;
    }
    return nullptr;
}

template <std::size_t N>
bool contains(const char* line, std::size_t length, const char (&keyword)[N]) {
    return find_keyword(line, length, keyword) != nullptr;
}

// ---- Process colour list ---------------------------------------------------------------

constexpr unsigned kCyan = 0x1, kMagenta = 0x2, kYellow = 0x4, kBlack = 0x8;

struct ProcessColour {
    const char* name;
    std::size_t length;
    unsigned bit;
};
constexpr ProcessColour kProcessColours[] = {
    {"CYAN", 4, kCyan},
    {"MAGENTA", 7, kMagenta},
    {"YELLOW", 6, kYellow},
    {"BLACK", 5, kBlack},
};

// Walks the upper-cased list from `p` to `end`. A name is found by its first letters only,
// so BLACKISH is black followed by the unknown name ISH; any other capital letter is an
// unknown name and ends the list, as does "(ATEND)".
EpsFindings process_colour_findings(const char* p, const char* end) {
    unsigned named = 0;
    bool unknown = false;
    while (p < end) {
        if (*p == ' ') {
            ++p;
            continue;
        }
        const ProcessColour* found = nullptr;
        for (const ProcessColour& colour : kProcessColours) {
            if (static_cast<std::size_t>(end - p) >= colour.length &&
                std::memcmp(p, colour.name, colour.length) == 0) {
                found = &colour;
                break;
            }
        }
        if (found != nullptr) {
            named |= found->bit;
            p += found->length;
            continue;
        }
        if (*p >= 'A' && *p <= 'Z') {
            unknown = true;
            break;
        }
        ++p;
    }
    if (unknown) return FoundOtherSpace;
    if (named & (kCyan | kMagenta | kYellow)) return FoundCmyk;
    if (named & kBlack) return FoundGrey;
    return HintNoProcessColours;
}

// ---- Photoshop image comment -----------------------------------------------------------

bool is_scanf_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads up to `count` numbers from `p` as "%d %d ..." would: white space, an optional
// sign, at least one digit. A number beyond the range of an int is held at its end, so it
// never stands for a small mode or encoding. Returns how many were read.
int read_numbers(const char* p, std::int32_t* numbers, int count) {
    constexpr std::uint64_t kBeyond = 0x80000000ull;  // INT_MAX + 1
    for (int n = 0; n < count; ++n) {
        while (is_scanf_space(*p)) ++p;
        bool negative = false;
        if (*p == '+' || *p == '-') {
            negative = *p == '-';
            ++p;
        }
        if (*p < '0' || *p > '9') return n;
        std::uint64_t value = 0;
        for (; *p >= '0' && *p <= '9'; ++p) {
            value = value * 10 + static_cast<unsigned>(*p - '0');
            if (value > kBeyond) value = kBeyond;
        }
        if (negative)
            numbers[n] = value == kBeyond ? INT32_MIN : -static_cast<std::int32_t>(value);
        else
            numbers[n] = value == kBeyond ? INT32_MAX : static_cast<std::int32_t>(value);
    }
    return count;
}

// ---- The four states -------------------------------------------------------------------

LineAction handle_header_line(ScanOfOneCall& scan, char* line, std::size_t length) {
    upper_case(line, length);
    if (!scan.seen_creator && contains(line, length, kCreator)) {
        scan.seen_creator = true;
        if (contains(line, length, kPhotoshop)) scan.is_photoshop = true;
        return LineAction::NextLine;
    }
    if (!scan.seen_process_colours) {
        const char* colon = nullptr;
        if (const char* at = find_keyword(line, length, kDocumentProcessColors))
            colon = at + (sizeof kDocumentProcessColors - 2);
        else if (const char* page = find_keyword(line, length, kPageProcessColors))
            colon = page + (sizeof kPageProcessColors - 2);
        if (colon != nullptr) {
            scan.seen_process_colours = true;
            scan.findings |= process_colour_findings(colon, line + length);
            return LineAction::NextLine;
        }
    }
    if (!scan.seen_rgb_custom && contains(line, length, kRgbCustomColor)) {
        scan.seen_rgb_custom = true;
        scan.findings |= HintRgb;
        return LineAction::NextLine;
    }
    if (!scan.seen_custom_colours && contains(line, length, kDocumentCustomColors)) {
        scan.seen_custom_colours = true;
        scan.findings |= HintOtherColour;
        return LineAction::NextLine;
    }
    if (contains(line, length, kEndComments)) {
        // Photoshop files go on to their image comment whatever the header said.
        if (!scan.is_photoshop && (scan.findings & kCertainFindings)) return LineAction::Return;
        scan.scan_state = kSetup;
    }
    return LineAction::NextLine;
}

LineAction handle_setup_line(ScanOfOneCall& scan, char* line, std::size_t length) {
    upper_case(line, length);
    // A page's process colours after the header are taken as CMYK without reading them.
    if (!scan.seen_process_colours && contains(line, length, kPageProcessColors)) {
        scan.seen_process_colours = true;
        scan.findings |= FoundCmyk;
    }
    if (contains(line, length, kEndSetup)) {
        if (!scan.is_photoshop && (scan.findings & kCertainFindings)) return LineAction::Return;
        scan.scan_state = kBody;
    }
    return LineAction::NextLine;
}

// The end of a body or prolog line: the comments that end the scan or switch between body
// and prolog, on the upper-cased line.
LineAction handle_structure_comments(ScanOfOneCall& scan, char* line, std::size_t length) {
    upper_case(line, length);
    if (contains(line, length, kBeginBinary) || contains(line, length, kEof) ||
        contains(line, length, kPageTrailer) || contains(line, length, kTrailer))
        return LineAction::Return;
    if (contains(line, length, kBeginProlog))
        scan.scan_state = kProlog;
    else if (contains(line, length, kEndProlog))
        scan.scan_state = kBody;
    return LineAction::NextLine;
}

// Also the second half of a body line: colour space names count everywhere after the
// setup, colour operators only outside the prolog.
LineAction handle_prolog_line(ScanOfOneCall& scan, char* line, std::size_t length) {
    if (contains(line, length, kDevice)) {
        if (contains(line, length, kDeviceRgb)) {
            if (scan.is_photoshop) {
                scan.findings |= FoundRgb;
                return LineAction::Return;
            }
            scan.findings |= HintRgb;
            return LineAction::NextLine;
        }
        if (contains(line, length, kDeviceCmyk)) {
            if (scan.is_photoshop) {
                scan.findings |= FoundCmyk;
                return LineAction::Return;
            }
            scan.findings |= HintCmyk;
            return LineAction::NextLine;
        }
    }
    // Every structure keyword left begins with "%%": a line without "%" needs no more.
    if (std::memchr(line, '%', length) == nullptr) return LineAction::NextLine;
    return handle_structure_comments(scan, line, length);
}

LineAction handle_body_line(ScanOfOneCall& scan, char* line, std::size_t length) {
    if (scan.is_photoshop) {
        if (const char* at = find_keyword(line, length, kImageData)) {
            // width, height, bits, mode, pad channels, block size, encoding
            std::int32_t numbers[7];
            if (read_numbers(at + (sizeof kImageData - 1), numbers, 7) == 7) {
                const std::int32_t encoding = numbers[6];
                if (scan.find_embedded_jpeg && encoding >= kFirstJpegEncoding &&
                    encoding <= kLastJpegEncoding)
                    file_reader.embedded_jpeg_seen = true;
                switch (numbers[3]) {
                    case kModeCmyk:
                        scan.findings |= FoundCmyk;
                        return LineAction::Return;
                    case kModeRgb:
                        scan.findings |= FoundRgb;
                        return LineAction::Return;
                    case kModeOther:
                        scan.findings |= FoundOtherSpace;
                        return LineAction::Return;
                    case kModeGrey:
                        scan.findings |= FoundGrey;
                        return LineAction::Return;
                    default:
                        break;
                }
            }
        }
    }
    // Every colour operator's name ends in "color"; in this order, so that setcolorspace
    // counts as setcolor.
    if (!contains(line, length, kColor)) return handle_prolog_line(scan, line, length);
    if (contains(line, length, kSetRgbColor) || contains(line, length, kSetHsbColor)) {
        scan.findings |= HintRgb;
        return LineAction::NextLine;
    }
    if (contains(line, length, kSetCmykColor)) {
        scan.findings |= HintCmyk;
        return LineAction::NextLine;
    }
    if (contains(line, length, kSetColor)) {
        scan.findings |= HintOtherColour;
        return LineAction::NextLine;
    }
    return handle_prolog_line(scan, line, length);
}

LineAction handle_line(ScanOfOneCall& scan, char* line, std::size_t length) {
    switch (scan.scan_state) {
        case kHeader:
            return handle_header_line(scan, line, length);
        case kSetup:
            return handle_setup_line(scan, line, length);
        case kBody:
            return handle_body_line(scan, line, length);
        default:
            return handle_prolog_line(scan, line, length);
    }
}

// The operators whose lines may still change the findings: in the body, one whose hint
// is already there changes nothing, and elsewhere operators are not looked at. "setc" of
// setcmykcolor is why a letter is looked for before "co", not only before "c". Lines
// holding "%", "/D" or a zero byte are looked at whatever the state.
OperatorBytes operators_looked_for(const ScanOfOneCall& scan) {
    OperatorBytes operators = {{0, 0, 0}};
    if (scan.scan_state != kBody) return operators;
    if (!(scan.findings & HintRgb)) operators.before_co[0] = 'b';   // setrgbcolor, sethsbcolor
    if (!(scan.findings & HintCmyk)) operators.before_co[1] = 'k';  // setcmykcolor
    if (!(scan.findings & HintOtherColour)) operators.before_co[2] = 't';  // setcolor
    return operators;
}

// ---- The embedded profile ------------------------------------------------------------

constexpr char kBeginIccProfile[] = "%%BeginICCProfile:";
constexpr char kEndIccProfile[] = "%%EndICCProfile";

// Owned by the thread of the check, as the reader.
struct EpsProfile {
    bool open;     // inside the first section
    bool met;      // a section was met: later ones are passed over
    bool partial;  // more hexadecimal digits than the buffer holds
    int high;      // the pending high digit of a byte, or -1
    std::uint32_t length;
    unsigned char bytes[kEpsProfileLimit];
};
thread_local EpsProfile eps_profile = {};

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool starts_with(const char* line, std::size_t length, const char* prefix, std::size_t size) {
    return length >= size && std::memcmp(line, prefix, size) == 0;
}

// A line the scan looks at, before it does: opens, feeds or closes the section. Only
// lines that begin with "%" can be any of these, so others cost one comparison.
void note_profile_line(const char* line, std::size_t length) {
    EpsProfile& profile = eps_profile;
    if (length == 0 || line[0] != '%') return;
    if (!profile.open) {
        if (!profile.met &&
            starts_with(line, length, kBeginIccProfile, sizeof kBeginIccProfile - 1)) {
            profile.open = profile.met = true;
            profile.high = -1;
        }
        return;
    }
    if (starts_with(line, length, kEndIccProfile, sizeof kEndIccProfile - 1)) {
        profile.open = false;
        return;
    }
    for (std::size_t i = 1; i < length && !profile.partial; ++i) {
        const int digit = hex_digit(line[i]);
        if (digit < 0) continue;
        if (profile.high < 0) {
            profile.high = digit;
            continue;
        }
        if (profile.length == kEpsProfileLimit) {
            profile.partial = true;
            break;
        }
        profile.bytes[profile.length++] = static_cast<unsigned char>(profile.high << 4 | digit);
        profile.high = -1;
    }
}

}  // namespace

void begin_eps_profile() {
    EpsProfile& profile = eps_profile;
    profile.open = profile.met = profile.partial = false;
    profile.length = 0;
}

void finish_eps_profile(FileDetails* details) {
    const EpsProfile& profile = eps_profile;
    if (!profile.met) return;
    IccMemory memory = {profile.bytes, profile.length};
    IccSource source = icc_memory_source(&memory);
    // A profile cut by the limit, or by a scan that ended inside it, is taken at the size
    // its header claims: what lies past the bytes decoded is out of reach, not broken.
    source.partial = profile.partial || profile.open;
    read_icc_profile(source, details);
}

namespace {

// ---- Lines taken from the block --------------------------------------------------------

// Bytes between two line ends that are surely one whole line, whatever came before: with
// a dropped CR or LF in front and its own line end after, 255 bytes are taken.
constexpr std::uint32_t kSureLine = kLineLimit - 2;
constexpr std::uint32_t kUnknown = 0xFFFFFFFFu;

bool is_line_end(unsigned char byte) {
    return byte == kCr || byte == kLf;
}

// Where the line holding the byte after `end` begins: at `end`, a CR or LF at or after
// `first` (where a line begins), when it is that line's dropped first byte, else right
// after it. kUnknown when only reading the lines from `first` can tell, because the line
// before the run of line ends holding `end` may have been cut.
std::uint32_t start_after(const unsigned char* bytes, std::uint32_t first, std::uint32_t end) {
    std::uint32_t run = end;
    while (run > first && is_line_end(bytes[run - 1])) --run;
    // In a run of line ends one ends a line and the next is the dropped first byte of an
    // empty one, in turn.
    if (run == first) return (end - first) % 2 == 0 ? end : end + 1;
    // `run` ends the line holding the byte before it if that line began at most 254
    // bytes before: it began at the line end before it, or just after that one.
    const std::uint32_t window = run - first > kLineLimit ? run - kLineLimit : first;
    const std::uint32_t before = find_last_line_end(bytes, window, run - 1);
    const std::uint32_t line_from = before == run - 1 ? window : before;
    if (run - line_from > kLineLimit - 1) return kUnknown;
    return (end - run) % 2 == 0 ? end + 1 : end;
}

// Copies the bytes [start, end) of the block into `line` without their zero bytes; false
// when dropping them left nothing a keyword could begin with.
bool copy_line(const unsigned char* bytes, std::uint32_t start, std::uint32_t end, char* line,
               std::size_t* length) {
    std::size_t n = end - start;
    std::memcpy(line, bytes + start, n);
    const bool had_zeros = std::memchr(line, 0, n) != nullptr;
    if (had_zeros) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < n; ++i)
            if (line[i] != 0) line[kept++] = line[i];
        n = kept;
    }
    line[n] = '\0';
    *length = n;
    // Dropping zero bytes can join an "o" and an "l", or leave nothing to look at.
    return !had_zeros || line_may_hold_keyword(line, n);
}

// Takes lines from the block by the rules of read_line (255 bytes taken at most, counted
// from the line's first byte; a first CR or LF and every zero byte dropped), passing over
// every line without a byte needing attention. Returns true with the next line that has
// one in `line`; false when the next line reaches the block's end, or the block is spent,
// and must be read through read_byte. The cursor is left after the lines taken.
//
// The lines passed over are not read one by one: a run of bytes of at most 253 between
// two line ends is one whole line wherever the lines before it began, so the line of a
// byte needing attention is found from the line ends around it. Lines that may be longer
// than that, and the place where the line reaching the block's end begins when the lines
// before it may have been cut, are read one at a time from the last line known to begin.
bool take_line_from_block(const OperatorBytes& operators, char* line, std::size_t* length) {
    FileReader& reader = file_reader;
    if (block_bytes_available() == 0) return false;
    const unsigned char* const bytes = reader.buffer;
    const std::uint32_t buffered = reader.buffered;
    std::uint32_t first = reader.cursor;  // a line begins here
    std::uint32_t attention = find_attention(bytes, first, buffered, operators);
    bool jumped = false;  // the line ends around `attention` have been looked at
    for (;;) {
        if (!jumped) {
            jumped = true;
            // The line end before the byte needing attention (one more than 253 bytes
            // before it cannot begin a line taken whole), or else the last in the block.
            std::uint32_t low = first;
            if (attention < buffered && attention - first > kSureLine) low = attention - kSureLine;
            const std::uint32_t before = find_last_line_end(bytes, low, attention);
            if (before != attention) {
                if (attention < buffered) {
                    const std::uint32_t start = before + 1;
                    const std::uint32_t reach =
                        start + kSureLine + 1 < buffered ? start + kSureLine + 1 : buffered;
                    const std::uint32_t end = find_line_end(bytes, attention, reach);
                    if (end < reach) {
                        first = end + 1;
                        if (copy_line(bytes, start, end, line, length)) {
                            reader.cursor = first;
                            return true;
                        }
                        if (first >= buffered) break;
                        attention = find_attention(bytes, first, buffered, operators);
                        jumped = false;
                        continue;
                    }
                }
                const std::uint32_t start = start_after(bytes, first, before);
                if (start != kUnknown) first = start;
                if (first >= buffered) break;
            }
        }
        // The line beginning at `first`, by the rules.
        const std::uint32_t limit = first + static_cast<std::uint32_t>(kLineLimit);
        const std::uint32_t bound = limit < buffered ? limit : buffered;
        std::uint32_t end = find_line_end(bytes, first + 1, bound);
        std::uint32_t next;
        if (end < bound) {
            next = end + 1;
        } else if (limit <= buffered) {
            next = end = limit;  // cut after 255 bytes; the rest is the next line
        } else {
            break;
        }
        // A CR or LF never needs attention, so `attention` is past a first one dropped.
        if (attention < end) {
            const std::uint32_t start = is_line_end(bytes[first]) ? first + 1 : first;
            first = next;
            if (copy_line(bytes, start, end, line, length)) {
                reader.cursor = first;
                return true;
            }
        } else {
            first = next;
        }
        if (first >= buffered) break;
        if (attention < first) {
            attention = find_attention(bytes, first, buffered, operators);
            jumped = false;
        }
    }
    reader.cursor = first;
    return false;
}

bool is_attention(const unsigned char* bytes, std::uint32_t at, std::uint32_t to,
                  const OperatorBytes& operators) {
    const unsigned char byte = bytes[at];
    if (byte == 0 || byte == '%') return true;
    if (byte == '/') return at + 1 < to && bytes[at + 1] == 'D';
    if (at + 2 >= to || bytes[at + 1] != 'c' || bytes[at + 2] != 'o') return false;
    return byte == operators.before_co[0] || byte == operators.before_co[1] ||
           byte == operators.before_co[2];
}

}  // namespace

// ---- Searches, a byte at a time ------------------------------------------------------------

std::uint32_t find_attention_portable(const unsigned char* bytes, std::uint32_t from,
                                      std::uint32_t to, const OperatorBytes& operators) {
    for (std::uint32_t i = from; i < to; ++i)
        if (is_attention(bytes, i, to, operators)) return i;
    return to;
}

std::uint32_t find_line_end_portable(const unsigned char* bytes, std::uint32_t from,
                                     std::uint32_t to) {
    for (std::uint32_t i = from; i < to; ++i)
        if (is_line_end(bytes[i])) return i;
    return to;
}

std::uint32_t find_last_line_end_portable(const unsigned char* bytes, std::uint32_t from,
                                          std::uint32_t to) {
    for (std::uint32_t i = to; i > from; --i)
        if (is_line_end(bytes[i - 1])) return i - 1;
    return to;
}

// ---- Searches, 16 bytes at a time ----------------------------------------------------------

#if defined(__SSE2__)
namespace {

inline __m128i load16(const unsigned char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// The operator bytes, each repeated over a vector.
struct OperatorVectors {
    __m128i b, k, t;
};

// 0xFF for each of the 16 bytes at `p` that needs attention; reads p[16] and p[17] as well.
inline __m128i attention16(const unsigned char* p, const OperatorVectors& operators) {
    const __m128i x = load16(p);
    const __m128i next = load16(p + 1);
    const __m128i device = _mm_and_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('/')),
                                         _mm_cmpeq_epi8(next, _mm_set1_epi8('D')));
    const __m128i marks = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('%')), device),
                                       _mm_cmpeq_epi8(x, _mm_setzero_si128()));
    const __m128i before_co =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, operators.b), _mm_cmpeq_epi8(x, operators.k)),
                     _mm_cmpeq_epi8(x, operators.t));
    const __m128i co = _mm_and_si128(_mm_cmpeq_epi8(next, _mm_set1_epi8('c')),
                                     _mm_cmpeq_epi8(load16(p + 2), _mm_set1_epi8('o')));
    return _mm_or_si128(marks, _mm_and_si128(before_co, co));
}

inline unsigned line_ends16(const unsigned char* p) {
    const __m128i x = load16(p);
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(
        _mm_cmpeq_epi8(x, _mm_set1_epi8(kCr)), _mm_cmpeq_epi8(x, _mm_set1_epi8(kLf)))));
}

inline std::uint64_t mask16(__m128i bytes) {
    return static_cast<unsigned>(_mm_movemask_epi8(bytes));
}

}  // namespace

std::uint32_t find_attention_sse2(const unsigned char* bytes, std::uint32_t from, std::uint32_t to,
                                  const OperatorBytes& operators) {
    const OperatorVectors vectors = {_mm_set1_epi8(static_cast<char>(operators.before_co[0])),
                                     _mm_set1_epi8(static_cast<char>(operators.before_co[1])),
                                     _mm_set1_epi8(static_cast<char>(operators.before_co[2]))};
    std::uint32_t i = from;
    // Each load of 16 bytes reads the two bytes after them too: the loops stop short of `to`.
    // Where lines needing attention follow each other the next is often close: 16 bytes
    // are looked at first, on their own.
    if (to - i > 17) {
        const unsigned found =
            static_cast<unsigned>(_mm_movemask_epi8(attention16(bytes + i, vectors)));
        if (found != 0) return i + static_cast<std::uint32_t>(__builtin_ctz(found));
        i += 16;
    }
    while (to - i > 65) {
        const __m128i a = attention16(bytes + i, vectors);
        const __m128i b = attention16(bytes + i + 16, vectors);
        const __m128i c = attention16(bytes + i + 32, vectors);
        const __m128i d = attention16(bytes + i + 48, vectors);
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))) != 0) {
            const std::uint64_t found =
                mask16(a) | mask16(b) << 16 | mask16(c) << 32 | mask16(d) << 48;
            return i + static_cast<std::uint32_t>(__builtin_ctzll(found));
        }
        i += 64;
    }
    while (to - i > 17) {
        const unsigned found =
            static_cast<unsigned>(_mm_movemask_epi8(attention16(bytes + i, vectors)));
        if (found != 0) return i + static_cast<std::uint32_t>(__builtin_ctz(found));
        i += 16;
    }
    return find_attention_portable(bytes, i, to, operators);
}

std::uint32_t find_line_end(const unsigned char* bytes, std::uint32_t from, std::uint32_t to) {
    std::uint32_t i = from;
    for (; to - i >= 16; i += 16) {
        const unsigned found = line_ends16(bytes + i);
        if (found != 0) return i + static_cast<std::uint32_t>(__builtin_ctz(found));
    }
    return find_line_end_portable(bytes, i, to);
}

std::uint32_t find_last_line_end(const unsigned char* bytes, std::uint32_t from, std::uint32_t to) {
    std::uint32_t i = to;
    for (; i - from >= 16; i -= 16) {
        const unsigned found = line_ends16(bytes + i - 16);
        if (found != 0) return i - 16 + (31 - static_cast<std::uint32_t>(__builtin_clz(found)));
    }
    const std::uint32_t last = find_last_line_end_portable(bytes, from, i);
    return last == i ? to : last;
}
#endif

// ---- The attention search, 32 bytes at a time ----------------------------------------------

#if defined(INKHOUND_AVX2_SEARCH)
namespace {

#define INKHOUND_AVX2 __attribute__((target("avx2")))

INKHOUND_AVX2 inline __m256i load32(const unsigned char* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// As attention16, for 32 bytes; reads p[32] and p[33] as well.
INKHOUND_AVX2 inline std::uint32_t attention32(const unsigned char* p,
                                               const OperatorBytes& operators) {
    const __m256i x = load32(p);
    const __m256i next = load32(p + 1);
    const __m256i device = _mm256_and_si256(_mm256_cmpeq_epi8(x, _mm256_set1_epi8('/')),
                                            _mm256_cmpeq_epi8(next, _mm256_set1_epi8('D')));
    const __m256i marks =
        _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(x, _mm256_set1_epi8('%')), device),
                        _mm256_cmpeq_epi8(x, _mm256_setzero_si256()));
    const __m256i before_co = _mm256_or_si256(
        _mm256_or_si256(
            _mm256_cmpeq_epi8(x, _mm256_set1_epi8(static_cast<char>(operators.before_co[0]))),
            _mm256_cmpeq_epi8(x, _mm256_set1_epi8(static_cast<char>(operators.before_co[1])))),
        _mm256_cmpeq_epi8(x, _mm256_set1_epi8(static_cast<char>(operators.before_co[2]))));
    const __m256i co = _mm256_and_si256(_mm256_cmpeq_epi8(next, _mm256_set1_epi8('c')),
                                        _mm256_cmpeq_epi8(load32(p + 2), _mm256_set1_epi8('o')));
    return static_cast<std::uint32_t>(
        _mm256_movemask_epi8(_mm256_or_si256(marks, _mm256_and_si256(before_co, co))));
}

INKHOUND_AVX2 std::uint32_t find_attention_avx2(const unsigned char* bytes, std::uint32_t from,
                                                std::uint32_t to, const OperatorBytes& operators) {
    std::uint32_t i = from;
    // As in the 16-byte search: the loops stop short of `to`, and the first 32 bytes are
    // looked at on their own.
    if (to - i > 33) {
        const std::uint32_t found = attention32(bytes + i, operators);
        if (found != 0) return i + static_cast<std::uint32_t>(__builtin_ctz(found));
        i += 32;
    }
    while (to - i > 65) {
        const std::uint64_t found = attention32(bytes + i, operators) |
                                    std::uint64_t{attention32(bytes + i + 32, operators)} << 32;
        if (found != 0) return i + static_cast<std::uint32_t>(__builtin_ctzll(found));
        i += 64;
    }
    return find_attention_sse2(bytes, i, to, operators);
}

#undef INKHOUND_AVX2

// Asked once, before any check: processors from 2013 on have AVX2, and the system must
// keep their registers for the search to use them.
bool processor_has_avx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}
const bool kProcessorHasAvx2 = processor_has_avx2();

}  // namespace

std::uint32_t find_attention(const unsigned char* bytes, std::uint32_t from, std::uint32_t to,
                             const OperatorBytes& operators) {
    return kProcessorHasAvx2 ? find_attention_avx2(bytes, from, to, operators)
                             : find_attention_sse2(bytes, from, to, operators);
}
#elif defined(__SSE2__)
std::uint32_t find_attention(const unsigned char* bytes, std::uint32_t from, std::uint32_t to,
                             const OperatorBytes& operators) {
    return find_attention_sse2(bytes, from, to, operators);
}
#endif

#if !defined(__SSE2__)
std::uint32_t find_attention(const unsigned char* bytes, std::uint32_t from, std::uint32_t to,
                             const OperatorBytes& operators) {
    return find_attention_portable(bytes, from, to, operators);
}

std::uint32_t find_line_end(const unsigned char* bytes, std::uint32_t from, std::uint32_t to) {
    return find_line_end_portable(bytes, from, to);
}

std::uint32_t find_last_line_end(const unsigned char* bytes, std::uint32_t from, std::uint32_t to) {
    return find_last_line_end_portable(bytes, from, to);
}
#endif

bool line_may_hold_keyword(const char* line, std::size_t length) {
    if (std::memchr(line, '%', length) != nullptr || std::memchr(line, '/', length) != nullptr)
        return true;
    const char* const end = line + length;
    for (const char* o = line; (o = static_cast<const char*>(std::memchr(o, 'o', end - o)));)
        if (++o < end && *o == 'l') return true;
    return false;
}

std::size_t read_line(char* line) {
    FileReader& reader = file_reader;
    std::size_t taken = 0;
    std::size_t length = 0;
    while (taken < kLineLimit && !reader.end_of_data && reader.verdict != 1) {
        // What the block holds is taken in one run, as read_byte would take it byte by
        // byte; the refill, the end and a failure are left to read_byte.
        if (const std::uint32_t available = block_bytes_available()) {
            const unsigned char* const bytes = reader.buffer + reader.cursor;
            const std::uint32_t run = available < kLineLimit - taken
                                          ? available
                                          : static_cast<std::uint32_t>(kLineLimit - taken);
            const std::uint32_t from = taken == 0 && is_line_end(bytes[0]) ? 1 : 0;
            const std::uint32_t end = find_line_end(bytes, from, run);
            if (std::memchr(bytes + from, 0, end - from) == nullptr) {
                std::memcpy(line + length, bytes + from, end - from);
                length += end - from;
            } else {
                for (std::uint32_t i = from; i < end; ++i)
                    if (bytes[i] != 0) line[length++] = static_cast<char>(bytes[i]);
            }
            const std::uint32_t used = end < run ? end + 1 : run;
            reader.cursor += used;
            taken += used;
            if (end < run) break;
            continue;
        }
        const int byte = read_byte();
        ++taken;
        // A zero byte is dropped, and so is the 0 read_byte gives at the end or on a failure.
        if (byte == 0) continue;
        if (byte == kCr || byte == kLf) {
            if (taken > 1) break;
            continue;
        }
        line[length++] = static_cast<char>(byte);
    }
    line[length] = '\0';
    return length;
}

EpsFindings scan_postscript(bool find_embedded_jpeg) {
    FileReader& reader = file_reader;
    ScanOfOneCall scan = {};
    scan.scan_state = kHeader;
    scan.find_embedded_jpeg = find_embedded_jpeg;
    char line[kLineBufferSize];
    while (!reader.end_of_data && reader.verdict != 1) {
        std::size_t length = 0;
        if (!take_line_from_block(operators_looked_for(scan), line, &length)) {
            length = read_line(line);
            // A failure ends the line and the scan at once: what was read is not looked at.
            if (reader.verdict == 1) break;
            if (!line_may_hold_keyword(line, length)) continue;
        }
        if (reader.read_details) note_profile_line(line, length);
        if (handle_line(scan, line, length) == LineAction::Return) break;
    }
    return scan.findings;
}
