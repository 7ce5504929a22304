// The steps of the JPEG analysis, for the analysis itself and its tests. Each is given a
// segment's length with the reader just past it, and reads the start of the contents.
#pragma once

#include <cstdint>

// The colour transform of the last Adobe segment read: 0 none, 1 YCbCr, 2 YCCK.
struct JpegState {
    std::uint8_t adobe_transform;
};
// Per thread, as the reader: checks on several threads each have their own.
inline thread_local JpegState jpeg_state = {0};

void read_adobe_segment(std::uint32_t length);
// Sets the verdict word from the frame's component count, and `stop` when it decides.
void read_frame_header(std::uint32_t length);
// Sets the verdict word from the scan's component count.
void read_scan_header(std::uint32_t length);
