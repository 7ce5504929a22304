// The JPEG analysis: the colour data of a JPEG file from the component count of its
// baseline frame header or its scan header, refined by the Adobe colour transform. Runs
// on the thread of the scan that runs, through the one buffered reader.
//
// The marker walk keeps its own rules where common decoders are more forgiving: it reads
// at most 60 bytes itself, takes any FF after a marker as the next marker's code (fill
// bytes included), examines only C0, DA and EE, and lets every segment it enters set the
// verdict back to 13.
#include <cstdint>

#include "classify/analyses.h"
#include "classify/icc.h"
#include "classify/jpeg.h"
#include "classify/reader.h"

namespace {

// Marker codes.
constexpr int kMarkerPrefix = 0xFF;
constexpr int kStartOfImage = 0xD8;
constexpr int kEndOfImage = 0xD9;
constexpr int kTemporary = 0x01;
constexpr int kFirstRestart = 0xD0;
constexpr int kLastRestart = 0xD7;
constexpr int kBaselineFrame = 0xC0;
constexpr int kStartOfScan = 0xDA;
constexpr int kAdobeApplication = 0xEE;

// The shortest Adobe segment whose transform is read: length, "Adobe", version, two flag
// words and the transform byte.
constexpr std::uint32_t kAdobeMinLength = 14;
constexpr unsigned char kAdobeTag[] = {'A', 'd', 'o', 'b', 'e'};
// The shortest frame or scan header whose component count is read.
constexpr std::uint32_t kHeaderMinLength = 6;

constexpr std::uint8_t kTransformYCbCr = 1;
constexpr std::uint8_t kTransformYcck = 2;

constexpr int kIccApplication = 0xE2;
constexpr unsigned char kIccTag[] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
// Length, tag, sequence number and total before a chunk's profile bytes.
constexpr std::uint32_t kIccChunkHeader = 2 + sizeof kIccTag + 2;

// The segments the details read after the verdict, noted as the walk passes them without
// reading a byte of them, so the walk reads what it always read.
struct JpegSegments {
    std::uint32_t frame;  // position of the first frame header's length; 0: none
    int icc_count;
    bool icc_overflow;
    std::uint32_t icc[kIccChunkLimit];  // positions of the APP2 segments' lengths
};
thread_local JpegSegments jpeg_segments = {};

bool is_frame_marker(int code) {
    // C0 to CF but for C4 (Huffman tables), C8 (reserved) and CC (arithmetic conditioning).
    return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

void note_segment(int code, std::uint32_t start) {
    JpegSegments& seen = jpeg_segments;
    if (is_frame_marker(code) && seen.frame == 0) seen.frame = start;
    if (code != kIccApplication) return;
    if (seen.icc_count == kIccChunkLimit)
        seen.icc_overflow = true;
    else
        seen.icc[seen.icc_count++] = start;
}

// States of the marker walk.
enum WalkState { kLookingForStart, kAfterStartPrefix, kExpectingMarker, kMarkerCode };

void set_verdict(Verdict verdict) {
    file_reader.verdict = static_cast<std::uint16_t>(verdict);
}
bool read_failed() {
    return file_reader.verdict == static_cast<std::uint16_t>(Verdict::IoError);
}

// Codes that stand alone, without a length or contents.
bool is_standalone_marker(int code) {
    return code == kStartOfImage || code == kTemporary ||
           (code >= kFirstRestart && code <= kLastRestart);
}

// File position of the next byte the reader delivers.
std::uint32_t next_byte_position() {
    return file_reader.buffer_start + file_reader.cursor;
}

// Reads a component count after `skip` bytes of the header. Returns 1 with the count, or
// 0 after a failure (the verdict word is then 1) or when the count lies past the end of
// the data: a cut-off header says nothing about the colour data.
int read_component_count(int skip, int* components) {
    for (int i = 0; i < skip; ++i) {
        read_byte();
        if (read_failed()) return 0;
    }
    *components = read_byte();
    return read_failed() || file_reader.end_of_data ? 0 : 1;
}

// Enters the segment whose code has just been read: reads its length, sets the verdict
// word to 13, examines it when it is one of the three that matter and moves past it.
// Returns false when the walk must end.
bool walk_segment(int code) {
    FileReader& reader = file_reader;
    const std::uint32_t start = next_byte_position();
    const std::uint32_t length = read_u16();
    // The reset to 13 below must not hide a failure.
    if (read_failed()) return false;
    set_verdict(Verdict::Invalid);
    if (reader.read_details) note_segment(code, start);
    switch (code) {
        case kAdobeApplication:
            read_adobe_segment(length);
            break;
        case kBaselineFrame:
            read_frame_header(length);
            break;
        case kStartOfScan:
            read_scan_header(length);
            break;
        // Progressive and other frame headers (C1, C2, ...) are passed over: such files are
        // classified by their first scan header instead.
        default:
            break;
    }
    if (read_failed() || reader.stop) return false;
    // The length is trusted as it stands, even below 2; the walk's 60 bytes bound a walk
    // that goes nowhere.
    seek_to(start + length);
    return !read_failed() && !reader.stop;
}

// The model and bits of the first frame header, and the profile's chunks.
struct JpegFacts {
    FileDetails* details;
    IccChunks chunks;
};

ColourModel model_of_components(int components) {
    switch (components) {
        case 1:
            return ColourModel::Grey;
        case 3:
            // RGB colours, whether coded as YCbCr (as JFIF has them) or stored as they are
            // (Adobe transform 0): the coding is the decoder's business, not the model.
            return ColourModel::Rgb;
        case 4:
            // Both plain and YCCK-transformed four-component files hold CMYK colours.
            return ColourModel::Cmyk;
        default:
            return components > 4 ? ColourModel::Multichannel : ColourModel::Unknown;
    }
}

void read_jpeg_details(void* context) {
    FileReader& reader = file_reader;
    JpegFacts& facts = *static_cast<JpegFacts*>(context);
    const JpegSegments& seen = jpeg_segments;
    if (seen.frame != 0) {
        seek_to(seen.frame);
        const std::uint32_t length = read_u16();
        const int precision = read_byte();
        for (int i = 0; i < 4; ++i) read_byte();  // height and width
        const int components = read_byte();
        if (!reader.failed && !reader.end_of_data && length >= kHeaderMinLength) {
            facts.details->model = model_of_components(components);
            facts.details->bits = static_cast<std::uint8_t>(precision);
            facts.details->channels = static_cast<std::uint16_t>(components);
        }
    }
    IccChunks& chunks = facts.chunks;
    chunks.overflow = seen.icc_overflow;
    for (int i = 0; i < seen.icc_count && !reader.failed; ++i) {
        seek_to(seen.icc[i]);
        const std::uint32_t length = read_u16();
        bool tagged = length >= kIccChunkHeader;
        for (unsigned char expected : kIccTag) tagged = read_byte() == expected && tagged;
        const int sequence = read_byte();
        const int total = read_byte();
        // An APP2 segment of another kind (FlashPix) is no chunk.
        if (!tagged || reader.end_of_data) continue;
        IccChunk& chunk = chunks.chunks[chunks.count++];
        chunk.sequence = static_cast<std::uint8_t>(sequence);
        chunk.total = static_cast<std::uint8_t>(total);
        chunk.offset = seen.icc[i] + kIccChunkHeader;
        chunk.size = length - kIccChunkHeader;
    }
}

void gather_details() {
    JpegFacts facts = {&file_reader.details, {}};
    if (!read_after_analysis(read_jpeg_details, &facts)) return;
    read_icc_chunks(facts.chunks, facts.details);
}

}  // namespace

void read_adobe_segment(std::uint32_t length) {
    if (length < kAdobeMinLength) return;
    for (unsigned char expected : kAdobeTag) {
        const int byte = read_byte();
        if (read_failed() || byte != expected) return;
    }
    for (int i = 0; i < 3; ++i) {  // version and the two flag words
        read_u16();
        if (read_failed()) return;
    }
    const int transform = read_byte();
    if (read_failed()) return;
    jpeg_state.adobe_transform = static_cast<std::uint8_t>(transform);
}

void read_frame_header(std::uint32_t length) {
    if (length < kHeaderMinLength) return;
    int components = 0;
    // Precision, height and width come before the count.
    if (!read_component_count(5, &components)) return;
    switch (components) {
        case 1:
            set_verdict(Verdict::NothingToReport);
            break;
        case 3:
            set_verdict(Verdict::Rgb);
            break;
        case 4:
            set_verdict(Verdict::Cmyk);
            break;
        default:
            set_verdict(Verdict::OtherColourSpace);
            return;  // the walk goes on
    }
    file_reader.stop = true;
}

void read_scan_header(std::uint32_t length) {
    if (length < kHeaderMinLength) return;
    int components = 0;
    if (!read_component_count(0, &components)) return;
    switch (components) {
        case 1:
            set_verdict(Verdict::NothingToReport);
            break;
        case 3:
            set_verdict(Verdict::PossiblyRgb);
            break;
        case 4:
            set_verdict(Verdict::PossiblyCmyk);
            break;
        default:
            set_verdict(Verdict::OtherColourSpace);
            break;
    }
}

// Walks the markers from the start of the file and returns the verdict of the last
// segment reached: 13 when the walk finds no start marker or no header before its 60
// bytes or the data run out, 1 after a failure.
Verdict analyse_jpeg() {
    FileReader& reader = file_reader;
    rewind_reader(false);
    set_verdict(Verdict::Invalid);
    jpeg_state.adobe_transform = 0;
    jpeg_segments = {};

    // Only the bytes the walk reads itself count: not those the segment readers read, nor
    // those passed over. After a scan header the count runs on through compressed data.
    WalkState state = kLookingForStart;
    bool walking = true;
    for (int counted = 0; walking && counted < kSignatureWindow; ++counted) {
        const int byte = read_byte();
        if (read_failed() || reader.end_of_data) break;
        switch (state) {
            case kLookingForStart:
                if (byte == kMarkerPrefix) state = kAfterStartPrefix;
                break;
            case kAfterStartPrefix:
                state = byte == kStartOfImage ? kExpectingMarker : kLookingForStart;
                break;
            case kExpectingMarker:
                // Only a marker may follow a segment; anything else sends the walk back to
                // looking for a start marker.
                state = byte == kMarkerPrefix ? kMarkerCode : kLookingForStart;
                break;
            case kMarkerCode:
                if (is_standalone_marker(byte)) {
                    state = kExpectingMarker;
                } else if (byte == kEndOfImage) {
                    walking = false;
                } else {
                    // A fill FF is not skipped: it is taken as a code, and the next two
                    // bytes as its segment's length.
                    walking = walk_segment(byte);
                    state = kExpectingMarker;
                }
                break;
        }
    }

    // The transform speaks only for a file classified by its scan header, whatever the
    // scan's component count.
    const Verdict verdict = static_cast<Verdict>(reader.verdict);
    if (verdict == Verdict::PossiblyCmyk || verdict == Verdict::PossiblyRgb) {
        if (jpeg_state.adobe_transform == kTransformYCbCr) set_verdict(Verdict::Rgb);
        if (jpeg_state.adobe_transform == kTransformYcck) set_verdict(Verdict::Cmyk);
    }
    if (reader.read_details && !read_failed()) gather_details();
    return static_cast<Verdict>(reader.verdict);
}
