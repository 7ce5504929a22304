// Byte builders for test inputs.
#include "tests/support/bytes.h"

Bytes be16(unsigned value) {
    return {static_cast<char>((value >> 8) & 0xFF), static_cast<char>(value & 0xFF)};
}

Bytes be32(std::uint32_t value) {
    return be16(value >> 16) + be16(value & 0xFFFF);
}

Bytes le16(unsigned value) {
    return {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
}

Bytes le32(std::uint32_t value) {
    return le16(value & 0xFFFF) + le16(value >> 16);
}

Bytes fill(std::size_t count, unsigned char byte) {
    return Bytes(count, static_cast<char>(byte));
}

Bytes ifd_entry(bool little_endian, unsigned tag, unsigned type, std::uint32_t count,
                std::uint32_t value_field) {
    if (little_endian) return le16(tag) + le16(type) + le32(count) + le32(value_field);
    return be16(tag) + be16(type) + be32(count) + be32(value_field);
}

Bytes tiff_file(bool little_endian, const Bytes& entries, unsigned entry_count) {
    if (little_endian) return Bytes("II*\0", 4) + le32(8) + le16(entry_count) + entries + le32(0);
    return Bytes("MM\0*", 4) + be32(8) + be16(entry_count) + entries + be32(0);
}

Bytes jpeg_segment(unsigned code, const Bytes& contents) {
    return Bytes{'\xFF', static_cast<char>(code)} +
           be16(static_cast<unsigned>(contents.size() + 2)) + contents;
}

Bytes eps_binary_header(std::uint32_t ps_start, std::uint32_t ps_length, std::uint32_t tiff_start,
                        std::uint32_t tiff_length) {
    return Bytes("\xC5\xD0\xD3\xC6", 4) + le32(ps_start) + le32(ps_length) + le32(0) + le32(0) +
           le32(tiff_start) + le32(tiff_length) + le16(0xFFFF);
}
