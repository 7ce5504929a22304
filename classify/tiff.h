// The steps of the TIFF analysis, for the analysis itself and its tests. Each works on
// the open file of the current check through the buffered reader.
#pragma once

#include <cstdint>

// Reads the first image file directory, the reader just past the header's four bytes,
// and leaves the verdict in the verdict word.
void read_directory(bool little_endian);

// Reads an entry's 4-byte value field; returns the value it holds, or 0.
std::uint32_t read_field_value(std::uint16_t type, std::uint32_t count);
