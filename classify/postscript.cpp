// The PostScript line scan of an EPS file. Lines that lie whole inside the reader's block
// are found through bit maps of the block and looked at only when they hold a byte that
// can begin a keyword; lines that cross a block's end are read through read_byte. Runs on
// the thread of the scan that runs.
#include "classify/postscript.h"

#include <cstring>

#include "classify/reader.h"

#if defined(__SSE2__)
#include <emmintrin.h>
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

// ---- Lines taken from the block --------------------------------------------------------

constexpr std::uint32_t kWordBytes = 64;
constexpr std::uint32_t kMapWords = kBlockSize / kWordBytes;
static_assert(kBlockSize % kWordBytes == 0, "blocks are mapped 64 bytes at a time");
static_assert(kReaderBufferSize >= kBlockSize + 1, "mapping reads one byte past a block");

// The maps of the current block, built a word at a time only as far as the scan looks:
// a scan that returns after a few lines maps little more than those.
struct BlockMap {
    std::uint64_t line_ends[kMapWords];
    std::uint64_t attention[kMapWords];
    std::uint32_t mapped_to;  // words from the cursor's word up to this one are mapped
};

void start_map(BlockMap& map) {
    map.mapped_to = file_reader.cursor / kWordBytes;
}

void map_word(BlockMap& map) {
    const LineMapWord word = map_line_word(file_reader.buffer + map.mapped_to * kWordBytes);
    map.line_ends[map.mapped_to] = word.line_ends;
    map.attention[map.mapped_to] = word.attention;
    ++map.mapped_to;
}

// The first offset in [from, to) with its bit set in `bits`, or `to`; maps words as it
// goes. `to` is at most the block's byte count. Inlined: it runs for every line.
inline __attribute__((always_inline)) std::uint32_t first_marked(BlockMap& map,
                                                                 const std::uint64_t* bits,
                                                                 std::uint32_t from,
                                                                 std::uint32_t to) {
    if (from >= to) return to;
    std::uint32_t word = from / kWordBytes;
    while (map.mapped_to <= word) map_word(map);
    std::uint64_t found = bits[word] & (~std::uint64_t{0} << (from % kWordBytes));
    while (found == 0) {
        ++word;
        if (word * kWordBytes >= to) return to;
        if (map.mapped_to <= word) map_word(map);
        found = bits[word];
    }
    const std::uint32_t at = word * kWordBytes + static_cast<std::uint32_t>(__builtin_ctzll(found));
    return at < to ? at : to;
}

// Takes lines from the block by the rules of read_line (255 bytes taken at most, counted
// from the line's first byte; a first CR or LF and every zero byte dropped), passing over
// every line that holds no byte needing attention. Returns true with the next line that
// does in `line`; false when the next line reaches the block's end, or the block is spent,
// and must be read through read_byte. The cursor is left after the lines taken.
bool take_line_from_block(BlockMap& map, char* line, std::size_t* length) {
    FileReader& reader = file_reader;
    if (block_bytes_available() == 0) return false;
    const std::uint32_t buffered = reader.buffered;
    const unsigned char* const bytes = reader.buffer;
    std::uint32_t first = reader.cursor;
    std::uint32_t watch = first_marked(map, map.attention, first, buffered);
    for (;;) {
        const std::uint32_t limit = first + static_cast<std::uint32_t>(kLineLimit);
        const std::uint32_t bound = limit < buffered ? limit : buffered;
        // A CR or LF ends the line unless it is the first byte taken.
        std::uint32_t end = first_marked(map, map.line_ends, first + 1, bound);
        std::uint32_t next;
        if (end < bound) {
            next = end + 1;
        } else if (limit <= buffered) {
            next = end = limit;  // cut after 255 bytes; the rest is the next line
        } else {
            reader.cursor = first;
            return false;
        }
        if (watch >= end) {
            // A line end is never a byte needing attention, so `watch` lies past this line.
            first = next;
            if (first >= buffered) {
                reader.cursor = first;
                return false;
            }
            continue;
        }
        const std::uint32_t start =
            (bytes[first] == kCr || bytes[first] == kLf) ? first + 1 : first;
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
        first = next;
        // Dropping zero bytes can join an "o" and an "l", or leave nothing to look at.
        if (!had_zeros || line_may_hold_keyword(line, n)) {
            reader.cursor = first;
            *length = n;
            return true;
        }
        if (first >= buffered) {
            reader.cursor = first;
            return false;
        }
        watch = first_marked(map, map.attention, first, buffered);
    }
}

// ---- Block classification, plain arithmetic ----------------------------------------------

std::uint64_t load_le64(const unsigned char* p) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = (value << 8) | p[i];
    return value;
}

// The high bit of every byte of `x` equal to `c`, without borrows between bytes.
std::uint64_t bytes_equal(std::uint64_t x, unsigned char c) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    const std::uint64_t t = x ^ (0x0101010101010101ull * c);
    return ~(((t & kLow7) + kLow7) | t | kLow7);
}

// Gathers the high bits of the eight bytes into bits 0 to 7.
std::uint64_t pack_high_bits(std::uint64_t high) {
    return (high * 0x0002040810204081ull) >> 56;
}

}  // namespace

LineMapWord map_line_word_portable(const unsigned char* bytes) {
    LineMapWord word = {0, 0};
    for (unsigned i = 0; i < kWordBytes; i += 8) {
        const std::uint64_t x = load_le64(bytes + i);
        const std::uint64_t after = load_le64(bytes + i + 1);
        const std::uint64_t ends = bytes_equal(x, kCr) | bytes_equal(x, kLf);
        const std::uint64_t marks = bytes_equal(x, '%') | bytes_equal(x, '/') |
                                    (bytes_equal(x, 'o') & bytes_equal(after, 'l'));
        word.line_ends |= pack_high_bits(ends) << i;
        word.attention |= pack_high_bits(marks | bytes_equal(x, 0)) << i;
    }
    return word;
}

#if defined(__SSE2__)
LineMapWord map_line_word(const unsigned char* bytes) {
    const __m128i cr = _mm_set1_epi8(kCr);
    const __m128i lf = _mm_set1_epi8(kLf);
    const __m128i zero = _mm_setzero_si128();
    const __m128i percent = _mm_set1_epi8('%');
    const __m128i slash = _mm_set1_epi8('/');
    const __m128i o = _mm_set1_epi8('o');
    const __m128i l = _mm_set1_epi8('l');
    LineMapWord word = {0, 0};
    for (unsigned i = 0; i < kWordBytes; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        const __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i + 1));
        const __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(x, cr), _mm_cmpeq_epi8(x, lf));
        const __m128i marks = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(x, percent), _mm_cmpeq_epi8(x, slash)),
            _mm_or_si128(_mm_cmpeq_epi8(x, zero),
                         _mm_and_si128(_mm_cmpeq_epi8(x, o), _mm_cmpeq_epi8(after, l))));
        const unsigned end_bits = static_cast<unsigned>(_mm_movemask_epi8(ends));
        const unsigned mark_bits = static_cast<unsigned>(_mm_movemask_epi8(marks));
        word.line_ends |= static_cast<std::uint64_t>(end_bits) << i;
        word.attention |= static_cast<std::uint64_t>(mark_bits) << i;
    }
    return word;
}
#else
LineMapWord map_line_word(const unsigned char* bytes) {
    return map_line_word_portable(bytes);
}
#endif

bool line_may_hold_keyword(const char* line, std::size_t length) {
    if (std::memchr(line, '%', length) != nullptr || std::memchr(line, '/', length) != nullptr)
        return true;
    for (std::size_t i = 0; i + 1 < length; ++i)
        if (line[i] == 'o' && line[i + 1] == 'l') return true;
    return false;
}

std::size_t read_line(char* line) {
    FileReader& reader = file_reader;
    std::size_t taken = 0;
    std::size_t length = 0;
    while (taken < kLineLimit && !reader.end_of_data && reader.verdict != 1) {
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
    BlockMap map;
    start_map(map);
    char line[kLineBufferSize];
    while (!reader.end_of_data && reader.verdict != 1) {
        std::size_t length = 0;
        if (!take_line_from_block(map, line, &length)) {
            length = read_line(line);
            start_map(map);
            // A failure ends the line and the scan at once: what was read is not looked at.
            if (reader.verdict == 1) break;
            if (!line_may_hold_keyword(line, length)) continue;
        }
        if (handle_line(scan, line, length) == LineAction::Return) break;
    }
    return scan.findings;
}
