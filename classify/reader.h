// The buffered file reader: every byte of a file under examination is read through this
// instance, in blocks of 4096 bytes, with the check's verdict word and the end-of-data
// and stop flags. Each thread that checks files has its own, so checks on several
// threads never share a buffer or a position.
//
// The system is asked for up to kReadSize bytes at a time, but the analyses see exactly
// the blocks a reading of 4096 bytes at a time gives: the stored bytes are a run of
// blocks counted from where the reads began (the last positioning), the end limit is
// applied block by block, and a position outside the current block is read as a new
// block starting there, as if the file had been positioned and read again. The reader
// keeps the file position itself; the system is asked once per file whether it can be
// positioned at all, then only read, each read at the reader's own position.
#pragma once

#include <cstdint>

#include "classify/details.h"
#include "platform/platform.h"

constexpr std::uint32_t kBlockSize = 4096;
// Bytes that may be looked at from `buffer` on: a block and a little slack after it.
constexpr std::uint32_t kReaderBufferSize = 4116;
// Most bytes asked of the system by one read: on a warm page cache larger reads copy
// faster (32, 64 and 128 KiB measured alike on a 200 MB text), and this many keep the
// thread's reader small.
constexpr std::uint32_t kReadSize = 65536;

// Bytes of a reader's storage: the largest read and a block with its slack after it.
constexpr std::uint32_t kReaderStorageSize = kReadSize + kReaderBufferSize;

// Bytes a signature test, the TIFF header search, the JPEG walk and the EPS preamble
// look at.
constexpr int kSignatureWindow = 60;

struct FileReader {
    const char* file_name;        // path named in the reader's report entries
    PlatformFile handle;          // opened and closed by the file check
    std::uint32_t buffer_start;   // file position of buffer[0]
    std::uint32_t buffered;       // valid bytes of the current block, at most kBlockSize
    std::uint32_t little_endian;  // byte order of read_u16 and read_u32
    std::uint32_t end_limit;      // 0: none; else no block starts past this position
    std::uint16_t verdict;        // the check's verdict word; 1 after any failure
    std::uint32_t cursor;         // index of the next byte to deliver
    bool stop;                    // positioning failure, or an analysis ending a walk
    bool end_of_data;             // end of file or end limit reached
    bool failed;                  // a read or positioning failure happened in this check:
                                  // nothing more is read from the file
    bool embedded_jpeg_seen;      // the EPS analysis met JPEG-encoded image data; read by
                                  // the caller after the check
    bool quiet;                   // a failure is not reported: a profile read after the
                                  // analysis decided (classify/icc.cpp)
    bool read_details;            // the caller wants `details`: the analyses gather them
    FileDetails details;          // model, bits and profile of the file; reset by the check
                                  // and read by the caller after it
    unsigned char* buffer;        // the current block, inside `storage`

    // What the system delivered: storage[0, stored) is the file from storage_start on.
    std::uint32_t storage_start;
    std::uint32_t stored;
    std::uint64_t read_end;      // where the last read ended: a read elsewhere is a jump
    bool at_end;                 // nothing lies past the stored bytes (a read found the end)
    bool block_reads;            // a large read failed: reads go a block at a time
    std::uint32_t read_size;     // bytes the next read fills the storage up to
    bool positioning_known;      // the system has said whether the file can be positioned
    std::uint64_t size_at_open;  // or kSizeUnknown
    bool short_read_ends;        // a read shorter than asked is the file's end
    unsigned char* storage;      // kReaderStorageSize bytes: reader_storage()
};

// The calling thread's reader. Defined here, constant-initialised, so that every use
// reaches it directly at its place in the thread's storage, with no call to a
// thread-initialisation wrapper before each access.
inline thread_local FileReader file_reader = {};

// The calling thread's reader storage, made at its first use and freed when the thread
// ends. It lives apart from the reader: a thread's own storage is cleared whole when the
// thread starts, and 68 KiB cleared there would cost every thread, and every run of the
// tool, whether it checks a file or not.
unsigned char* reader_storage();

// Called by the file check after opening: empty buffer at position 0, no end limit, no
// end of data, no failure. `size` is what the open learnt of the file's size, if anything;
// `short_read_ends` takes a short read as the end without the size (a file the listing
// gave as regular: the system reads such a file short only at its end).
void reset_reader_for_file(PlatformFile handle, std::uint64_t size = kSizeUnknown,
                           bool short_read_ends = false);

// The open file's size: what the open learnt, else asked of the system once and kept;
// kSizeUnknown when the system cannot say. For the analyses that must bound a read by the
// file's end before making it.
std::uint64_t reader_file_size();

// The start of every signature test and analysis: byte order, no end limit, flags
// cleared, position 0.
void rewind_reader(bool little_endian);

// The slow path of read_byte: moves to the next block, which starts where the current
// one ends, reading from the file when the stored bytes do not hold it whole. After a
// failure in this check it reads nothing more: it returns 0 and sets the verdict word to
// 1 again, without a second report.
int refill_and_read_byte();

// The next byte, 0 to 255. Returns 0 at the end of the data or on a failure; callers test
// end_of_data and the verdict word (1) afterwards.
inline int read_byte() {
    FileReader& reader = file_reader;
    if (reader.end_of_data) return 0;
    if (reader.cursor < reader.buffered) return reader.buffer[reader.cursor++];
    return refill_and_read_byte();
}

// Bytes read_byte would deliver from the current block without a refill, at most to the
// block's end (never more than kBlockSize): 0 once end_of_data is set (the block may
// still hold stale bytes then). A scan that takes
// bytes straight from buffer[cursor] advances the cursor by what it took and leaves every
// refill to read_byte, so the end limit and the failure rules stay the reader's.
inline std::uint32_t block_bytes_available() {
    const FileReader& reader = file_reader;
    if (reader.end_of_data || reader.cursor >= reader.buffered) return 0;
    return reader.buffered - reader.cursor;
}

// Two read_byte calls; the first is the low part when little_endian is set. The flags are
// not tested between the parts, so bytes past the end of the data read as 0.
inline std::uint32_t read_u16() {
    const std::uint32_t first = static_cast<std::uint32_t>(read_byte());
    const std::uint32_t second = static_cast<std::uint32_t>(read_byte());
    return file_reader.little_endian ? (second << 8) | first : (first << 8) | second;
}

// Two read_u16 calls, ordered the same way.
inline std::uint32_t read_u32() {
    const std::uint32_t first = read_u16();
    const std::uint32_t second = read_u16();
    return file_reader.little_endian ? (second << 16) | first : (first << 16) | second;
}

// Makes `position` the position of the next byte read. Inside the buffered block (its
// end included) only the cursor moves; otherwise the block is emptied and the next one
// starts at `position`, from the stored bytes when they reach it, else read there (a
// failure to move there is told at that read, with `stop`). Never clears end_of_data.
// After a failure in this check it only sets the verdict word to 1 and `stop`.
void seek_to(std::uint32_t position);

// Runs `read(context)` after the analysis has decided, for the details it gathers: the
// verdict word, the flags and the end limit are kept, and a failure meanwhile is neither
// reported nor kept. Returns false when the file had failed already or failed meanwhile.
bool read_after_analysis(void (*read)(void* context), void* context);

// Runs `step` over at most the first `window` bytes of the open file, the reader
// rewound in big-endian order and the verdict word cleared; true as soon as `step`
// reports a match. A failure or the end of the data ends the search without one.
template <typename Step>
bool scan_signature(Step step, int window = kSignatureWindow) {
    rewind_reader(false);
    file_reader.verdict = 0;
    for (int i = 0; i < window; ++i) {
        const int byte = read_byte();
        if (file_reader.verdict == 1 || file_reader.end_of_data) return false;
        if (step(byte)) return true;
    }
    return false;
}
