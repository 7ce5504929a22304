// The file under examination made from bytes, for the analyses' tests.
#include "tests/support/examined_file.h"

#include "platform/platform.h"
#include "classify/reader.h"

namespace {
std::string examined_path;  // the reader's file_name points into it
}  // namespace

bool open_bytes(const ScratchDir& dir, const std::string& name, const Bytes& contents) {
    platform_close(file_reader.handle);
    examined_path = dir.write(name, contents);
    const PlatformFile file = platform_open_read(examined_path.c_str());
    if (!is_open(file)) return false;
    file_reader.file_name = examined_path.c_str();
    reset_reader_for_file(file);
    file_reader.verdict = 0;
    file_reader.embedded_jpeg_seen = false;
    return true;
}

void close_examined_file() {
    platform_close(file_reader.handle);
    file_reader.handle = kNoFile;
    clear_platform_faults();
}
