// The TIFF analysis: the header search it shares with the TIFF signature test, and the
// colour data of a TIFF file from the photometric interpretation, samples per pixel and
// extra samples of its first image file directory. Runs on the thread of the scan that
// runs, through the one buffered reader.
#include <cstdint>

#include "classify/analyses.h"
#include "classify/icc.h"
#include "classify/reader.h"
#include "classify/tiff.h"

namespace {

constexpr std::uint16_t kTagPhotometricInterpretation = 262;
constexpr std::uint16_t kTagSamplesPerPixel = 277;
constexpr std::uint16_t kTagExtraSamples = 338;

// Tags only the details read, after the verdict.
constexpr std::uint16_t kTagBitsPerSample = 258;
constexpr std::uint16_t kTagInkSet = 332;
constexpr std::uint16_t kTagIccProfile = 34675;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::uint32_t kInkSetCmyk = 1;
// Photometric interpretations only the model tells apart.
constexpr std::uint32_t kPhotometricYCbCr = 6;
constexpr std::uint32_t kPhotometricCieLab = 8;
constexpr std::uint32_t kPhotometricIccLab = 9;
constexpr std::uint32_t kPhotometricItuLab = 10;

// Where the directory the verdict came from lies, for the details read after it.
struct DirectorySeen {
    bool found;
    std::uint32_t position;
};
thread_local DirectorySeen directory_seen = {false, 0};

// Bits of the record of which of the three tags have been seen.
constexpr unsigned kSeenPhotometric = 0x1;
constexpr unsigned kSeenSamples = 0x2;
constexpr unsigned kSeenExtra = 0x4;
constexpr unsigned kSeenAll = kSeenPhotometric | kSeenSamples | kSeenExtra;

// An entry count of 0 or of this many or more makes the directory invalid.
constexpr std::uint32_t kEntryCountLimit = 1000;

// Bytes of an entry, and of its value field.
constexpr std::uint32_t kEntrySize = 12;
constexpr std::uint32_t kValueFieldSize = 4;

// Field type 13 (IFD) is known, but its value is never taken from the entry.
constexpr std::uint16_t kTypeIfd = 13;

// Bytes per value of field types 1 (BYTE) to 12 (DOUBLE); index 0 is unused.
constexpr std::uint8_t kFieldSizes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

// Photometric interpretations that decide the verdict.
constexpr std::uint32_t kWhiteIsZero = 0;
constexpr std::uint32_t kBlackIsZero = 1;
constexpr std::uint32_t kPhotometricRgb = 2;
constexpr std::uint32_t kPhotometricPalette = 3;
constexpr std::uint32_t kPhotometricSeparated = 5;

// Inks of a CMYK separation, not counting extra samples such as alpha.
constexpr std::int64_t kCmykInks = 4;

void set_verdict(Verdict verdict) {
    file_reader.verdict = static_cast<std::uint16_t>(verdict);
}
bool read_failed() {
    return file_reader.verdict == static_cast<std::uint16_t>(Verdict::IoError);
}

// States of the header search: after I, II, II*; after M, MM, MM0.
enum TiffState { kTiffStart, kAfterI, kAfterII, kAfterIIStar, kAfterM, kAfterMM, kAfterMM0 };

struct TiffHeaderMachine {
    int state;
};

// The header search shared by the signature test and the analysis: feeds one byte to the
// machine and returns 1 when the little-endian header completed, 2 when the big-endian
// one did, 0 otherwise.
int step_tiff_header(TiffHeaderMachine* machine, int byte) {
    int& state = machine->state;
    // An I or M restarts the match from its first byte, unless it is the second byte of
    // the same pair: so 78 49 49 2A 00 matches and 49 49 49 2A 00 does not.
    if (byte == 0x49 && state != kAfterI) {
        state = kAfterI;
        return 0;
    }
    if (byte == 0x4D && state != kAfterM) {
        state = kAfterM;
        return 0;
    }
    switch (state) {
        case kAfterI:
            state = byte == 0x49 ? kAfterII : kTiffStart;
            return 0;
        case kAfterII:
            state = byte == 0x2A ? kAfterIIStar : kTiffStart;
            return 0;
        case kAfterIIStar:
            state = kTiffStart;
            return byte == 0x00 ? 1 : 0;
        case kAfterM:
            state = byte == 0x4D ? kAfterMM : kTiffStart;
            return 0;
        case kAfterMM:
            state = byte == 0x00 ? kAfterMM0 : kTiffStart;
            return 0;
        case kAfterMM0:
            state = kTiffStart;
            return byte == 0x2A ? 2 : 0;
        default:
            return 0;
    }
}

std::uint32_t u16_at(const unsigned char* bytes, bool little_endian) {
    return little_endian ? bytes[0] | (std::uint32_t{bytes[1]} << 8)
                         : (std::uint32_t{bytes[0]} << 8) | bytes[1];
}

std::uint32_t u32_at(const unsigned char* bytes, bool little_endian) {
    const std::uint32_t first = u16_at(bytes, little_endian);
    const std::uint32_t second = u16_at(bytes + 2, little_endian);
    return little_endian ? (second << 16) | first : (first << 16) | second;
}

// The value an entry's 4-byte value field holds, or 0 when the value is kept elsewhere in
// the file or the type is not one whose value is taken.
std::uint32_t field_value(std::uint16_t type, std::uint32_t count,
                          const unsigned char field[kValueFieldSize], bool little_endian) {
    // Type 13 is known and never read; types 0 and above 13 are unknown, and are passed
    // over the same way so that the entries after them stay in step.
    if (type == 0 || type >= kTypeIfd) return 0;
    const std::uint32_t size = kFieldSizes[type];
    // Wide arithmetic: a huge count must not wrap round to a size that fits the field.
    const std::uint64_t total = static_cast<std::uint64_t>(size) * count;
    if (total == 0 || total > kValueFieldSize) return 0;
    if (size == 1) return field[0];
    if (size == 2) return u16_at(field, little_endian);
    return u32_at(field, little_endian);
}

Verdict verdict_of_photometric(std::uint32_t photometric, std::uint32_t samples,
                               std::uint32_t extra) {
    switch (photometric) {
        case kPhotometricSeparated:
            // Wide arithmetic: a huge extra count must not wrap round to 4 inks.
            return static_cast<std::int64_t>(samples) - static_cast<std::int64_t>(extra) ==
                           kCmykInks
                       ? Verdict::Cmyk
                       : Verdict::PossiblyCmyk;
        case kPhotometricRgb:
            return Verdict::Rgb;
        case kPhotometricPalette:
            return Verdict::PossiblyRgb;
        case kWhiteIsZero:
        case kBlackIsZero:
            return Verdict::NothingToReport;
        default:
            return Verdict::OtherColourSpace;
    }
}

// What the directory states beyond the verdict's three tags: every entry is read again
// after the verdict, so the verdict's walk, which ends once it has its tags, reads what
// it always read.
struct TiffFacts {
    std::uint32_t photometric = kWhiteIsZero;
    std::uint32_t samples = 1;
    std::uint32_t extra = 0;
    std::uint32_t bits = 1;  // the format's default
    std::uint32_t bits_offset = 0;
    bool bits_elsewhere = false;
    std::uint32_t ink_set = kInkSetCmyk;
    bool has_profile = false;
    std::uint32_t profile_offset = 0;
    std::uint32_t profile_size = 0;
};

ColourModel model_of(const TiffFacts& facts) {
    switch (facts.photometric) {
        case kWhiteIsZero:
        case kBlackIsZero:
            return facts.bits == 1 ? ColourModel::Bitmap : ColourModel::Grey;
        case kPhotometricRgb:
            return ColourModel::Rgb;
        case kPhotometricPalette:
            return ColourModel::Palette;
        case kPhotometricSeparated:
            return facts.ink_set == kInkSetCmyk &&
                           static_cast<std::int64_t>(facts.samples) - facts.extra == kCmykInks
                       ? ColourModel::Cmyk
                       : ColourModel::Multichannel;
        case kPhotometricYCbCr:
            return ColourModel::YCbCr;
        case kPhotometricCieLab:
        case kPhotometricIccLab:
        case kPhotometricItuLab:
            return ColourModel::Lab;
        default:
            return ColourModel::Unknown;
    }
}

void read_tiff_details(void* context) {
    FileReader& reader = file_reader;
    TiffFacts& facts = *static_cast<TiffFacts*>(context);
    seek_to(directory_seen.position);
    const std::uint32_t entry_count = read_u16();
    for (std::uint32_t i = 0; i < entry_count && !reader.failed && !reader.end_of_data; ++i) {
        const std::uint32_t tag = read_u16();
        const std::uint32_t type = read_u16();
        const std::uint32_t count = read_u32();
        if (tag == kTagBitsPerSample && type == kTypeShort && count > 2) {
            // Several values do not fit the field: it holds where they are.
            facts.bits_elsewhere = true;
            facts.bits_offset = read_u32();
            continue;
        }
        if (tag == kTagIccProfile) {
            facts.has_profile = true;
            facts.profile_size = count;
            facts.profile_offset = read_u32();
            continue;
        }
        const std::uint32_t value = read_field_value(static_cast<std::uint16_t>(type), count);
        if (tag == kTagPhotometricInterpretation) facts.photometric = value;
        if (tag == kTagSamplesPerPixel) facts.samples = value;
        if (tag == kTagExtraSamples) facts.extra = count;
        if (tag == kTagBitsPerSample) facts.bits = value;
        if (tag == kTagInkSet) facts.ink_set = value;
    }
    if (facts.bits_elsewhere && !reader.failed) {
        seek_to(facts.bits_offset);
        facts.bits = read_u16();
        if (reader.end_of_data) facts.bits = 0;
    }
}

// The model, bits and profile of the directory the verdict came from.
void gather_details() {
    TiffFacts facts;
    FileDetails& details = file_reader.details;
    if (!read_after_analysis(read_tiff_details, &facts)) return;
    details.model = model_of(facts);
    details.bits = facts.bits <= 0xFF ? static_cast<std::uint8_t>(facts.bits) : 0;
    details.channels = facts.samples <= 0xFFFF ? static_cast<std::uint16_t>(facts.samples) : 0;
    if (facts.has_profile)
        read_icc_profile_at({facts.profile_offset, facts.profile_size}, &details);
}

}  // namespace

// Reads an entry's 4-byte value field and returns the value it holds, or 0 when the value
// is kept elsewhere in the file or the type is not one whose value is taken. Every type
// consumes exactly the 4-byte field, so the next entry starts where it should.
std::uint32_t read_field_value(std::uint16_t type, std::uint32_t count) {
    unsigned char field[kValueFieldSize];
    for (unsigned char& byte : field) byte = static_cast<unsigned char>(read_byte());
    return field_value(type, count, field, file_reader.little_endian != 0);
}

// Reads the first image file directory, the reader positioned just after the header's
// four bytes, and leaves the verdict in the verdict word: the colour finding, 12 when the
// data end before the directory's position, 13 for a bad entry count or a failure on the
// way to the directory, 1 for a failure while the entries are read.
void read_directory(bool little_endian) {
    FileReader& reader = file_reader;
    reader.little_endian = little_endian ? 1 : 0;
    set_verdict(Verdict::Undetermined);

    const std::uint32_t position = read_u32();
    if (read_failed() || reader.end_of_data) return;

    // The position is absolute, also when the header did not start the file.
    seek_to(position);
    if (read_failed()) {
        // Reading the count now would read from wherever the file pointer was left.
        set_verdict(Verdict::Invalid);
        return;
    }
    const std::uint32_t entry_count = read_u16();
    if (entry_count == 0 || entry_count >= kEntryCountLimit || read_failed()) {
        set_verdict(Verdict::Invalid);
        return;
    }
    directory_seen = {true, position};

    std::uint32_t photometric = 0;
    std::uint32_t samples = 0;
    std::uint32_t extra = 0;
    unsigned seen = 0;
    for (std::uint32_t i = 0; i < entry_count && seen != kSeenAll; ++i) {
        std::uint32_t tag;
        std::uint32_t type;
        std::uint32_t count;
        std::uint32_t value;
        if (block_bytes_available() >= kEntrySize) {
            // The whole entry lies in the block: nothing can fail or end inside it.
            const unsigned char* entry = reader.buffer + reader.cursor;
            reader.cursor += kEntrySize;
            tag = u16_at(entry, little_endian);
            type = u16_at(entry + 2, little_endian);
            count = u32_at(entry + 4, little_endian);
            value = field_value(static_cast<std::uint16_t>(type), count, entry + 8, little_endian);
        } else {
            // A failed read leaves the verdict word at 1; reading on would try again and
            // report the failure again.
            tag = read_u16();
            if (read_failed()) return;
            type = read_u16();
            if (read_failed()) return;
            count = read_u32();
            if (read_failed()) return;
            value = read_field_value(static_cast<std::uint16_t>(type), count);
            if (read_failed()) return;
        }

        switch (tag) {
            case kTagPhotometricInterpretation:
                photometric = value;
                seen |= kSeenPhotometric;
                break;
            case kTagSamplesPerPixel:
                samples = value;
                seen |= kSeenSamples;
                break;
            case kTagExtraSamples:
                extra = count;
                seen |= kSeenExtra;
                break;
            default:
                break;
        }
        // Past the end every further entry reads as zeros, which name no tag.
        if (reader.end_of_data) break;
    }
    set_verdict(verdict_of_photometric(photometric, samples, extra));
}

// Finds the header within the first 60 bytes and classifies the file from its first
// directory. Returns 13 when no header is found, 1 after a failure in the search, or
// what read_directory leaves.
Verdict analyse_tiff() {
    FileReader& reader = file_reader;
    rewind_reader(true);  // the byte order does not matter to the header search
    set_verdict(Verdict::Invalid);

    TiffHeaderMachine machine = {kTiffStart};
    for (int i = 0; i < kSignatureWindow; ++i) {
        const int byte = read_byte();
        if (read_failed() || reader.end_of_data) break;
        const int found = step_tiff_header(&machine, byte);
        if (found != 0) {
            directory_seen.found = false;
            read_directory(found == 1);
            if (reader.read_details && directory_seen.found && !read_failed()) gather_details();
            break;
        }
    }
    return static_cast<Verdict>(reader.verdict);
}

bool looks_like_tiff() {
    TiffHeaderMachine machine = {kTiffStart};
    return scan_signature([&](int byte) { return step_tiff_header(&machine, byte) != 0; });
}
