// Small byte builders for test inputs: numbers in either byte order, TIFF directory
// entries, JPEG segments, and corruption helpers.
#pragma once

#include <cstdint>
#include <string>

using Bytes = std::string;

Bytes be16(unsigned value);
Bytes be32(std::uint32_t value);
Bytes le16(unsigned value);
Bytes le32(std::uint32_t value);

// `count` copies of `byte`.
Bytes fill(std::size_t count, unsigned char byte);

// A 12-byte TIFF directory entry in the given byte order.
Bytes ifd_entry(bool little_endian, unsigned tag, unsigned type, std::uint32_t count,
                std::uint32_t value_field);

// A TIFF file: header in the given byte order, first IFD right after it with `entries`,
// then the next-IFD offset 0.
Bytes tiff_file(bool little_endian, const Bytes& entries, unsigned entry_count);

// A JPEG marker segment: FF, code, 16-bit length (contents + 2), contents.
Bytes jpeg_segment(unsigned code, const Bytes& contents);

// Binary EPS header (30 bytes) pointing at a PostScript section.
Bytes eps_binary_header(std::uint32_t ps_start, std::uint32_t ps_length,
                        std::uint32_t tiff_start = 0, std::uint32_t tiff_length = 0);
