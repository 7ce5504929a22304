// The embedded colour profile reader: the profile's header, its tag table and its
// description, read from wherever the profile lies through a byte source, so that a
// profile in a TIFF tag, in JPEG chunks, in hexadecimal EPS lines or at any offset of a
// file is read by the same code. Reads only the header, the table and the description.
#pragma once

#include <cstdint>

#include "classify/details.h"

// Bytes `count` from `offset` of the profile into `out`; false when they cannot all be
// had (past the source's end, a read failure).
struct IccSource {
    bool (*read)(void* context, std::uint32_t offset, unsigned char* out, std::uint32_t count);
    void* context;
    std::uint32_t size;  // bytes the container holds for the profile
    // Only the start of the profile is at hand: it is taken at the size its header
    // claims, and a tag or description out of reach is left out rather than broken.
    bool partial;
};

// Reads the profile into details->icc_space and icc_description. A profile that claims
// more than the source holds, or whose table or description lies outside it, is Broken,
// its description empty. Invalid UTF-16 in a description reads as U+FFFD.
void read_icc_profile(const IccSource& source, FileDetails* details);

// A source over bytes in memory.
struct IccMemory {
    const unsigned char* bytes;
    std::uint32_t size;
};
IccSource icc_memory_source(IccMemory* memory);

// A source over `size` bytes from `offset` of the open file of the current check, read
// through the reader after the analysis has decided: its verdict word and flags are
// kept, and a failure only makes the profile Broken.
struct IccFileSpan {
    std::uint32_t offset;
    std::uint32_t size;
};
void read_icc_profile_at(IccFileSpan span, FileDetails* details);

// A profile split over JPEG APP2 chunks, each noted as the walk passes it: sequence
// number, the total the chunk claims, and where its part of the profile lies.
constexpr int kIccChunkLimit = 64;
struct IccChunk {
    std::uint8_t sequence;
    std::uint8_t total;
    std::uint32_t offset;  // file position of the chunk's profile bytes
    std::uint32_t size;
};
struct IccChunks {
    int count;
    bool overflow;  // more chunks than the list holds: the profile is Broken
    IccChunk chunks[kIccChunkLimit];
};
// Joins the chunks in sequence order and reads the profile through them: a chunk
// numbered 0 or past the total, a repeated or missing one, or totals that disagree make
// the profile Broken. No chunks: nothing is read.
void read_icc_chunks(const IccChunks& chunks, FileDetails* details);
