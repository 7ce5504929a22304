// The buffered file reader's refill and positioning, with the report entries its failures
// make. Runs on the thread of the scan that runs.
#include "classify/reader.h"

#include "report/report.h"

thread_local FileReader file_reader = {};

void reset_reader_for_file(PlatformFile handle) {
    FileReader& reader = file_reader;
    reader.handle = handle;
    reader.buffer_start = 0;
    reader.buffered = 0;
    reader.end_limit = 0;
    reader.cursor = 0;
    reader.end_of_data = false;
    reader.failed = false;
}

namespace {

// One failure is one report: the buffer is emptied so that read_byte comes back here,
// where a failed check reads nothing more, and the analyses, which start again with a
// fresh verdict word, see 1 again at once.
void note_failure(FileReader& reader, const char* format, int error) {
    report(1, ReportCategory::IoError, reader.file_name, format, error);
    reader.failed = true;
    reader.verdict = 1;
    reader.buffered = 0;
    reader.cursor = 0;
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
    std::uint32_t position = 0;
    if (!platform_tell(reader.handle, &position)) {
        const int error = platform_last_error();
        note_failure(reader, "positioning failure: %d", error);
        reader.stop = true;
        return 0;
    }
    reader.buffer_start = position;
    if (reader.end_limit != 0 && reader.end_limit < position) {
        reader.end_of_data = true;
        return 0;
    }
    std::uint32_t got = 0;
    const int read_ok = platform_read(reader.handle, reader.buffer, kBlockSize, &got);
    reader.buffered = got;
    if (!read_ok) {
        const int error = platform_last_error();
        note_failure(reader, "read error: %d", error);
        return 0;
    }
    if (got == 0) {
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
    std::uint32_t where = 0;
    if (!platform_seek(reader.handle, position, &where) || where != position) {
        const int error = platform_last_error();
        // The misspelling is the program's own message text.
        note_failure(reader, "postitioning error: %d", error);
        reader.stop = true;
        return;
    }
    reader.buffer_start = position;
}
