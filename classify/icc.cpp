// The embedded colour profile reader and its byte sources: memory, a span of the file
// under examination, and JPEG APP2 chunks joined in sequence order. Runs on the thread
// of the check, through the one buffered reader for the file sources.
#include "classify/icc.h"

#include <cstring>

#include "classify/reader.h"

namespace {

constexpr std::uint32_t kHeaderSize = 128;
constexpr std::uint32_t kTagEntrySize = 12;
constexpr std::uint32_t kSpaceOffset = 16;
constexpr std::uint32_t kSignatureOffset = 36;  // "acsp", in every profile
// A description's type, its reserved word and its first count.
constexpr std::uint32_t kTextHeaderSize = 12;
constexpr std::uint32_t kMlucRecordsOffset = 16;
constexpr std::uint32_t kMlucRecordSize = 12;
// Bytes of text looked at: enough for any description the field can hold, whatever
// encoding (three UTF-8 bytes at most per UTF-16 unit, two per Latin-1 byte).
constexpr std::uint32_t kTextLimit = 2 * kIccDescriptionSize;

struct SpaceRow {
    char signature[5];
    IccSpace space;
};
constexpr SpaceRow kSpaces[] = {
    {"RGB ", IccSpace::Rgb},
    {"CMYK", IccSpace::Cmyk},
    {"GRAY", IccSpace::Grey},
    {"Lab ", IccSpace::Lab},
};

std::uint32_t big_endian_u32(const unsigned char* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}

// Whether [offset, offset + count) lies within `limit`, in wide arithmetic.
bool inside(std::uint32_t offset, std::uint64_t count, std::uint32_t limit) {
    return std::uint64_t{offset} + count <= limit;
}

// Appends the character `code` as UTF-8 to `out`, when it fits whole with room for the
// terminating zero; false when it does not, which ends the text there.
bool append_utf8(char* out, std::size_t* length, std::uint32_t code) {
    unsigned char bytes[4];
    std::size_t count;
    if (code < 0x80) {
        bytes[0] = static_cast<unsigned char>(code);
        count = 1;
    } else if (code < 0x800) {
        bytes[0] = static_cast<unsigned char>(0xC0 | (code >> 6));
        bytes[1] = static_cast<unsigned char>(0x80 | (code & 0x3F));
        count = 2;
    } else if (code < 0x10000) {
        bytes[0] = static_cast<unsigned char>(0xE0 | (code >> 12));
        bytes[1] = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
        bytes[2] = static_cast<unsigned char>(0x80 | (code & 0x3F));
        count = 3;
    } else {
        bytes[0] = static_cast<unsigned char>(0xF0 | (code >> 18));
        bytes[1] = static_cast<unsigned char>(0x80 | ((code >> 12) & 0x3F));
        bytes[2] = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
        bytes[3] = static_cast<unsigned char>(0x80 | (code & 0x3F));
        count = 4;
    }
    if (*length + count >= kIccDescriptionSize) return false;
    std::memcpy(out + *length, bytes, count);
    *length += count;
    out[*length] = '\0';
    return true;
}

// Version 2 text: bytes up to the first zero or the count, each taken as Latin-1 (the
// type says ASCII; profiles in the wild carry "©" and accented names).
void decode_latin1(const unsigned char* text, std::uint32_t count, char* out) {
    std::size_t length = 0;
    for (std::uint32_t i = 0; i < count && text[i] != 0; ++i)
        if (!append_utf8(out, &length, text[i])) return;
}

// Version 4 text: UTF-16BE up to the first zero unit; a surrogate without its partner is
// U+FFFD, so a bad name still shows what it can.
void decode_utf16(const unsigned char* text, std::uint32_t units, char* out) {
    std::size_t length = 0;
    for (std::uint32_t i = 0; i < units; ++i) {
        std::uint32_t code = (std::uint32_t{text[2 * i]} << 8) | text[2 * i + 1];
        if (code == 0) return;
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < units) {
            const std::uint32_t low = (std::uint32_t{text[2 * i + 2]} << 8) | text[2 * i + 3];
            if (low >= 0xDC00 && low <= 0xDFFF) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            } else {
                code = 0xFFFD;
            }
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
        }
        if (!append_utf8(out, &length, code)) return;
    }
}

// Reads the description tag at [offset, offset + size) of the profile; false when its
// bytes cannot be had. A text that runs past its own element gives no text, nor does a
// type other than the two text types: the profile's space is still known.
bool read_description(const IccSource& source, std::uint32_t offset, std::uint32_t size,
                      char* out) {
    unsigned char head[kMlucRecordsOffset + kMlucRecordSize];
    if (size < kTextHeaderSize || !source.read(source.context, offset, head, kTextHeaderSize))
        return false;
    unsigned char text[kTextLimit];
    if (std::memcmp(head, "desc", 4) == 0) {
        const std::uint32_t count = big_endian_u32(head + 8);
        if (count > size - kTextHeaderSize) return true;
        const std::uint32_t take = count < kTextLimit ? count : kTextLimit;
        if (!source.read(source.context, offset + kTextHeaderSize, text, take)) return false;
        decode_latin1(text, take, out);
        return true;
    }
    if (std::memcmp(head, "mluc", 4) == 0) {
        const std::uint32_t records = big_endian_u32(head + 8);
        if (records == 0) return true;
        if (size < sizeof head ||
            !source.read(source.context, offset, head, static_cast<std::uint32_t>(sizeof head)))
            return false;
        const std::uint32_t length = big_endian_u32(head + kMlucRecordsOffset + 4);
        const std::uint32_t start = big_endian_u32(head + kMlucRecordsOffset + 8);
        if (!inside(start, length, size)) return true;
        const std::uint32_t take = length < kTextLimit ? length & ~1u : kTextLimit;
        if (!source.read(source.context, offset + start, text, take)) return false;
        decode_utf16(text, take / 2, out);
        return true;
    }
    return true;
}

IccSpace read_profile(const IccSource& source, char* description) {
    unsigned char header[kHeaderSize + 4];
    if (source.size < sizeof header ||
        !source.read(source.context, 0, header, static_cast<std::uint32_t>(sizeof header)))
        return IccSpace::Broken;
    const std::uint32_t size = big_endian_u32(header);
    if (size < sizeof header || (size > source.size && !source.partial) ||
        std::memcmp(header + kSignatureOffset, "acsp", 4) != 0)
        return IccSpace::Broken;
    // A table that cannot fit in the profile's stated size is not walked at all.
    const std::uint32_t tags = big_endian_u32(header + kHeaderSize);
    if (!inside(kHeaderSize + 4, std::uint64_t{tags} * kTagEntrySize, size))
        return IccSpace::Broken;
    IccSpace space = IccSpace::Other;
    for (const SpaceRow& row : kSpaces)
        if (std::memcmp(header + kSpaceOffset, row.signature, 4) == 0) space = row.space;
    for (std::uint32_t i = 0; i < tags; ++i) {
        unsigned char entry[kTagEntrySize];
        if (!source.read(source.context, kHeaderSize + 4 + i * kTagEntrySize, entry, kTagEntrySize))
            return source.partial ? space : IccSpace::Broken;
        if (std::memcmp(entry, "desc", 4) != 0) continue;
        const std::uint32_t offset = big_endian_u32(entry + 4);
        const std::uint32_t length = big_endian_u32(entry + 8);
        if (!inside(offset, length, size) ||
            !read_description(source, offset, length, description)) {
            description[0] = '\0';
            return source.partial ? space : IccSpace::Broken;
        }
        break;
    }
    return space;
}

bool read_memory(void* context, std::uint32_t offset, unsigned char* out, std::uint32_t count) {
    const IccMemory& memory = *static_cast<const IccMemory*>(context);
    if (!inside(offset, count, memory.size)) return false;
    std::memcpy(out, memory.bytes + offset, count);
    return true;
}

// Bytes of the open file from `position` through the reader; false at the end of the
// data or after a failure.
bool read_file_bytes(std::uint32_t position, unsigned char* out, std::uint32_t count) {
    FileReader& reader = file_reader;
    seek_to(position);
    for (std::uint32_t i = 0; i < count; ++i) {
        out[i] = static_cast<unsigned char>(read_byte());
        if (reader.failed || reader.end_of_data) return false;
    }
    return !reader.failed;
}

bool read_span(void* context, std::uint32_t offset, unsigned char* out, std::uint32_t count) {
    const IccFileSpan& span = *static_cast<const IccFileSpan*>(context);
    if (!inside(offset, count, span.size)) return false;
    return read_file_bytes(span.offset + offset, out, count);
}

// The chunks in sequence order, for read_chunked.
struct ChunkMap {
    const IccChunk* ordered[kIccChunkLimit];
    int count;
};

bool read_chunked(void* context, std::uint32_t offset, unsigned char* out, std::uint32_t count) {
    const ChunkMap& map = *static_cast<const ChunkMap*>(context);
    std::uint32_t start = 0;  // profile offset of the chunk's first byte
    for (int i = 0; i < map.count && count > 0; ++i) {
        const IccChunk& chunk = *map.ordered[i];
        const std::uint32_t end = start + chunk.size;
        if (offset < end) {
            const std::uint32_t within = offset - start;
            const std::uint32_t take = end - offset < count ? end - offset : count;
            if (!read_file_bytes(chunk.offset + within, out, take)) return false;
            out += take;
            offset += take;
            count -= take;
        }
        start = end;
    }
    return count == 0;
}

// The profile of a file source, read with the reader kept (read_after_analysis).
struct FileProfile {
    IccSource source;
    FileDetails* details;
};

void read_file_profile(void* context) {
    const FileProfile& profile = *static_cast<const FileProfile*>(context);
    read_icc_profile(profile.source, profile.details);
}

void read_kept(const IccSource& source, FileDetails* details) {
    FileProfile profile = {source, details};
    if (!read_after_analysis(read_file_profile, &profile)) {
        details->icc_space = IccSpace::Broken;
        details->icc_description[0] = '\0';
    }
}

}  // namespace

void read_icc_profile(const IccSource& source, FileDetails* details) {
    details->icc_description[0] = '\0';
    details->icc_space = read_profile(source, details->icc_description);
    if (details->icc_space == IccSpace::Broken) details->icc_description[0] = '\0';
}

IccSource icc_memory_source(IccMemory* memory) {
    return {read_memory, memory, memory->size, false};
}

void read_icc_profile_at(IccFileSpan span, FileDetails* details) {
    // A span past the reader's 32-bit positions, or past the file's known end, is
    // answered without a read.
    const std::uint64_t end = std::uint64_t{span.offset} + span.size;
    const std::uint64_t file_size = reader_file_size();
    if (end > 0xFFFFFFFFu || (file_size != kSizeUnknown && end > file_size)) {
        details->icc_space = IccSpace::Broken;
        return;
    }
    read_kept({read_span, &span, span.size, false}, details);
}

void read_icc_chunks(const IccChunks& chunks, FileDetails* details) {
    if (chunks.count == 0) return;
    ChunkMap map = {};
    const int total = chunks.chunks[0].total;
    bool whole = !chunks.overflow && total == chunks.count;
    std::uint64_t size = 0;
    for (int i = 0; i < chunks.count && whole; ++i) {
        const IccChunk& chunk = chunks.chunks[i];
        if (chunk.total != total || chunk.sequence == 0 || chunk.sequence > total ||
            map.ordered[chunk.sequence - 1] != nullptr) {
            whole = false;
            break;
        }
        map.ordered[chunk.sequence - 1] = &chunk;
        size += chunk.size;
    }
    if (!whole || size > 0xFFFFFFFFu) {
        details->icc_space = IccSpace::Broken;
        details->icc_description[0] = '\0';
        return;
    }
    map.count = total;
    read_kept({read_chunked, &map, static_cast<std::uint32_t>(size), false}, details);
}
