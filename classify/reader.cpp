// The buffered file reader's refill and positioning, with the report entries its failures
// make. Runs on the thread of the scan that runs.
#include "classify/reader.h"

#include <cstring>

#include "report/report.h"

namespace {

// Owns the thread's reader storage; the reader itself, constant-initialised, has no
// destructor to free it with.
struct ReaderStorageOwner {
    unsigned char* bytes = nullptr;
    ~ReaderStorageOwner() { delete[] bytes; }
};
thread_local ReaderStorageOwner storage_owner;

}  // namespace

unsigned char* reader_storage() {
    FileReader& reader = file_reader;
    if (reader.storage == nullptr) {
        // A reader reset whole (FileReader{}) finds the thread's storage again.
        if (storage_owner.bytes == nullptr)
            storage_owner.bytes = new unsigned char[kReaderStorageSize];
        reader.storage = storage_owner.bytes;
    }
    return reader.storage;
}

void reset_reader_for_file(PlatformFile handle, std::uint64_t size, bool short_read_ends) {
    FileReader& reader = file_reader;
    reader.handle = handle;
    reader.buffer = reader_storage();
    reader.buffer_start = 0;
    reader.buffered = 0;
    reader.end_limit = 0;
    reader.cursor = 0;
    reader.end_of_data = false;
    reader.failed = false;
    reader.storage_start = 0;
    reader.stored = 0;
    reader.read_end = 0;
    reader.at_end = false;
    reader.block_reads = false;
    reader.positioning_known = false;
    reader.read_size = kBlockSize;
    reader.size_at_open = size;
    reader.short_read_ends = short_read_ends;
}

std::uint64_t reader_file_size() {
    FileReader& reader = file_reader;
    std::uint64_t size = 0;
    if (reader.size_at_open == kSizeUnknown && platform_file_size(reader.handle, &size))
        reader.size_at_open = size;
    return reader.size_at_open;
}

namespace {

// One failure is one report: the buffer is emptied so that read_byte comes back here,
// where a failed check reads nothing more, and the analyses, which start again with a
// fresh verdict word, see 1 again at once.
void note_failure(FileReader& reader, const char* format, int error) {
    if (!reader.quiet) report(1, ReportCategory::IoError, reader.file_name, format, error);
    reader.failed = true;
    reader.verdict = 1;
    reader.buffered = 0;
    reader.cursor = 0;
}

void note_positioning_failure(FileReader& reader) {
    const int error = platform_last_error();
    note_failure(reader, "positioning failure: %d", error);
    reader.stop = true;
}

// Appends up to `size` bytes read after the stored bytes; 1, or the failure of
// platform_read_at (0: the read, -1: moving there). A short read of a file whose size
// the open gave, reaching that size, is its end: the empty read that would say so is
// saved. A file that grew since is read as it was; one that shrank meets its end at the
// next read (at once where a short read is the end).
int read_more(FileReader& reader, std::uint32_t size) {
    std::uint32_t got = 0;
    const std::uint64_t position = std::uint64_t{reader.storage_start} + reader.stored;
    const int result = platform_read_at(reader.handle, position, position != reader.read_end,
                                        reader.storage + reader.stored, size, &got);
    if (result != 1) return result;
    reader.read_end = position + got;
    reader.stored += got;
    const std::uint64_t reached = std::uint64_t{reader.storage_start} + reader.stored;
    reader.at_end =
        got == 0 || (got < size && (reader.short_read_ends || reached >= reader.size_at_open));
    return 1;
}

// Reads after the stored bytes, which begin the block at storage[0]; as read_more.
// The first read after the open or a jump takes one block, each following one twice as
// much up to kReadSize: identification and a header walk, which need a block or two,
// copy no more than they need, while the line scan soon reads in large runs. A large
// read that fails is tried again for the rest of the block alone, and the file is read a
// block at a time from then on, so a failure lands on the block a reading of 4096 bytes
// at a time fails on, with the same bytes delivered before it.
int fill(FileReader& reader) {
    if (!reader.block_reads) {
        const std::uint32_t size = reader.read_size;
        if (reader.read_size < kReadSize) reader.read_size *= 2;
        const int result = read_more(reader, size - reader.stored);
        if (result != 0) return result;
        reader.block_reads = true;
    }
    return read_more(reader, kBlockSize - reader.stored);
}

}  // namespace

void rewind_reader(bool little_endian) {
    FileReader& reader = file_reader;
    reader.little_endian = little_endian ? 1 : 0;
    reader.end_limit = 0;
    reader.end_of_data = false;
    reader.stop = false;
    seek_to(0);
}

int refill_and_read_byte() {
    FileReader& reader = file_reader;
    if (reader.failed) {
        reader.verdict = 1;
        return 0;
    }
    reader.cursor = 0;
    if (!reader.positioning_known) {
        reader.positioning_known = true;
        if (!platform_can_position(reader.handle)) {
            note_positioning_failure(reader);
            return 0;
        }
    }
    const std::uint64_t next = std::uint64_t{reader.buffer_start} + reader.buffered;
    if (next > 0xFFFFFFFFu) {
        // The position no longer fits the reader's 32 bits: the system's own answer to
        // the question, which fails there, gives the failure its code.
        platform_note_position_overflow(reader.handle);
        note_positioning_failure(reader);
        return 0;
    }
    const std::uint32_t position = static_cast<std::uint32_t>(next);
    reader.buffer_start = position;
    reader.buffered = 0;
    if (reader.end_limit != 0 && reader.end_limit < position) {
        reader.end_of_data = true;
        return 0;
    }
    // The block's start lies among the stored bytes or right after them.
    std::uint32_t offset = position - reader.storage_start;
    std::uint32_t length = reader.stored - offset;
    if (length < kBlockSize && !reader.at_end) {
        // The block's stored bytes move to the front and the reads go on after them.
        std::memmove(reader.storage, reader.storage + offset, length);
        reader.storage_start = position;
        reader.stored = length;
        offset = 0;
        const int result = fill(reader);
        if (result != 1) {
            const int error = platform_last_error();
            if (result == 0) {
                note_failure(reader, "read error: %d", error);
            } else {
                // The misspelling is the program's own message text.
                note_failure(reader, "postitioning error: %d", error);
                reader.stop = true;
            }
            return 0;
        }
        length = reader.stored;
    }
    reader.buffer = reader.storage + offset;
    reader.buffered = length < kBlockSize ? length : kBlockSize;
    if (reader.buffered == 0) {
        reader.end_of_data = true;
        return 0;
    }
    reader.cursor = 1;
    return reader.buffer[0];
}

void seek_to(std::uint32_t position) {
    FileReader& reader = file_reader;
    if (reader.failed) {
        reader.verdict = 1;
        reader.stop = true;
        return;
    }
    if (position >= reader.buffer_start && position - reader.buffer_start <= reader.buffered) {
        reader.cursor = position - reader.buffer_start;
        return;
    }
    reader.buffered = 0;
    reader.cursor = 0;
    // A place the stored bytes reach starts the next block there without the system.
    if (position >= reader.storage_start && position - reader.storage_start <= reader.stored) {
        reader.buffer_start = position;
        return;
    }
    reader.buffer_start = position;
    reader.storage_start = position;
    reader.stored = 0;
    reader.at_end = false;
    reader.read_size = kBlockSize;
}

bool read_after_analysis(void (*read)(void* context), void* context) {
    FileReader& reader = file_reader;
    if (reader.failed) return false;
    const std::uint16_t verdict = reader.verdict;
    const bool stop = reader.stop;
    const bool end_of_data = reader.end_of_data;
    const std::uint32_t end_limit = reader.end_limit;
    const std::uint32_t little_endian = reader.little_endian;
    const bool quiet = reader.quiet;
    reader.end_limit = 0;
    reader.end_of_data = false;
    reader.stop = false;
    reader.quiet = true;
    read(context);
    const bool whole = !reader.failed;
    // Only the outermost call lets a failure go: an inner one leaves it for its caller.
    if (!quiet) reader.failed = false;
    reader.quiet = quiet;
    reader.verdict = verdict;
    reader.stop = stop;
    reader.end_of_data = end_of_data;
    reader.end_limit = end_limit;
    reader.little_endian = little_endian;
    return whole;
}
