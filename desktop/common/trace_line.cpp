// The debug trace's line layout. User-interface thread.
#include "desktop/common/trace_line.h"

#include <cstring>
#include <initializer_list>

std::size_t compose_trace_line(bool run_start, const char* timestamp, const char* message,
                               char* out, std::size_t size) {
    // Room for the closing CR LF and zero is kept back from the start.
    const std::size_t limit = size - 3;
    std::size_t length = 0;
    for (const char* part : {run_start ? "\r\n" : "", timestamp, message}) {
        const std::size_t part_length = std::strlen(part);
        const std::size_t copied = part_length < limit - length ? part_length : limit - length;
        std::memcpy(out + length, part, copied);
        length += copied;
    }
    std::memcpy(out + length, "\r\n", 3);
    return length + 2;
}
